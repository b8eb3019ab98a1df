// Personal messages from a .csv table, as the preview shows them and a
// campaign sends them: the numbers column (named or guessed), the message's
// {column} placeholders bound to the header, one recipient per number (the
// first row wins), and each recipient's own text. The command line and the
// desktop program share it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "campaign/CsvRecipients.h"
#include "campaign/CsvTable.h"
#include "pdu/MessagePlan.h"

struct PersonalMessages {
    struct Recipient {
        std::size_t fileLine = 0;
        std::u16string number;
        std::u16string text;  // trimmed, without the signature
    };
    std::vector<Recipient> recipients;
    CsvTable table;
    std::size_t column = CsvTable::npos;  // of the numbers
    CsvRecipients collected;
    // The message with every value empty, for the encoding it needs alone.
    std::u16string alone;
};

// True for a path ending in ".csv" (any case).
bool IsCsvPath(const std::string& path);

// Loads `path` and gives every recipient its text. False with the reason
// (naming the columns where that helps) for an unreadable table, a numbers
// column that cannot be found, a malformed message or a placeholder that
// names no column.
bool LoadPersonalMessages(const std::string& path, const std::string& numberColumn,
                          const std::u16string& message, const std::string& region,
                          PersonalMessages& out, std::string& error);

// For a table already loaded into `out`: the recipients of its `column`.
// False with the reason for a cell too long to be a number.
bool CollectPersonalRecipients(std::size_t column, const std::string& region, PersonalMessages& out,
                               std::string& error);
// For recipients already collected: every recipient's text from `message`.
// False with the reason for a malformed message or a placeholder that names
// no column ("the message names no column of the file: {nme} (the columns
// are ...)"); the texts are then empty.
bool ApplyPersonalMessage(const std::u16string& message, PersonalMessages& out, std::string& error);

// "\"Name\", \"Phone\"": the columns, for the user.
std::string ColumnList(const std::vector<std::u16string>& header);

// What each recipient's text costs, and what the campaign costs in all.
struct PersonalPlan {
    struct Row {
        std::size_t parts = 0;
        bool unicode = false;
        // Unicode although the message alone is not: a value brought it.
        bool needsUnicode = false;
        // More parts than most rows take.
        bool moreParts = false;
        std::string error;  // "the text is empty", or why it cannot be sent
    };
    std::vector<Row> rows;  // as the recipients
    std::size_t totalSms = 0;
    // The row with the most parts (the first of them; a Unicode one before
    // a 7-bit one of as many parts), or rows.size() when there is none.
    std::size_t longest = 0;
    std::size_t usualParts = 0;  // the parts most rows take
    std::size_t refused = 0;     // rows with an error
};

// Plans every recipient's text with `plan` (given the text without the
// signature, it plans the text as sent).
PersonalPlan PlanPersonalMessages(
    const PersonalMessages& personal,
    const std::function<PduLib::MessagePlan(std::u16string_view text)>& plan);
