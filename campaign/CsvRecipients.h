// The recipients of a campaign from a CSV table: which column holds the
// numbers, and the rows that give each number its message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "campaign/CsvTable.h"

// The column whose name says it holds telephone numbers ("Phone", "Mobile",
// "Tel.", "Handynummer", "Téléphone", ...; a column named only "Number" or
// the like when no other does), or CsvTable::npos: the user must choose.
std::size_t GuessNumberColumn(const std::vector<std::u16string>& header);

struct CsvRecipient {
    std::u16string number;  // trimmed of blanks
    std::size_t row = 0;    // in the table
};

struct CsvSkippedRow {
    enum class Reason { NoNumber, Duplicate };
    Reason reason = Reason::NoNumber;
    std::size_t row = 0;
    std::size_t firstRow = 0;  // of the same number, for a duplicate
};

struct CsvRecipients {
    // One per number, in the order of the rows; the first row with a number
    // gives it its message.
    std::vector<CsvRecipient> recipients;
    // Rows left out: an empty or too short number (as a numbers file drops
    // such lines), or a number an earlier row has.
    std::vector<CsvSkippedRow> skipped;
};

// The recipients of `table` with the numbers of `column`. A number takes the
// rules of a numbers file (CNumberList): trimmed, at least 5 and at most 256
// characters, cleaned for sending, and one person once: compared in E.164
// when `region` is known, else as cleaned. False with `error` (and its line)
// for a cell too long to be a number: the column is no numbers column.
bool CollectRecipients(const CsvTable& table, std::size_t column, CsvRecipients& recipients,
                       std::u16string& error, std::string_view region = {});
