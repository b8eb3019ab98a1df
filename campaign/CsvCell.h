// One cell of a CSV report (RFC 4180), as the desktop program's export and
// the command line's report write it.
#pragma once

#include <string>
#include <string_view>

// `text` as a cell: a text that a spreadsheet would run as a formula gets a
// leading apostrophe (it begins with '=', '@', a tab or CR, or with '+' or
// '-' not followed by a phone number's digits, blanks, '-', '(' and ')');
// then the cell is quoted, with inner quotes doubled, when it holds a comma,
// a quote or a line break, or begins or ends with a blank.
std::u16string CsvCell(std::u16string_view text);
