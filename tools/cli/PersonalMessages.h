// Personal messages from a .csv table, as preview shows them and send sends
// them: the numbers column (named or guessed), the message's {column}
// placeholders bound to the header, one recipient per number (the first row
// wins), and each recipient's own text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "campaign/CsvRecipients.h"
#include "campaign/CsvTable.h"

struct PersonalMessages {
    struct Recipient {
        std::size_t fileLine = 0;
        std::u16string number;
        std::u16string text;  // trimmed, without the signature
    };
    std::vector<Recipient> recipients;
    CsvTable table;
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
