// A table read from a CSV file as spreadsheets save it: UTF-8 (with or
// without a byte-order mark) or UTF-16 with a byte-order mark; cells separated
// by commas, semicolons or tabs; quoted cells per RFC 4180; a header row that
// names the columns. Writing cells is CsvCell's; what it writes reads back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The cells of one row, as many as the header has names.
struct CsvRow {
    const std::u16string* cells = nullptr;
    std::size_t count = 0;

    const std::u16string& operator[](std::size_t column) const { return cells[column]; }
};

class CsvTable {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    // Rows below the header; as many as a numbers file may have lines.
    static constexpr std::size_t kMaxRows = 65535;
    // Files above this size are refused before anything is read.
    static constexpr std::uintmax_t kMaxFileBytes = 64u << 20;

    // Reads the file at `path` (UTF-8). On failure `error` says why, with the
    // line of the file where it applies, and the table is empty.
    bool Load(const std::string& path, std::u16string& error);
    // Same as Load, for the content of a file already in memory.
    bool Parse(std::string_view bytes, std::u16string& error);

    // The column names, trimmed of blanks; a name may be empty.
    const std::vector<std::u16string>& Header() const { return m_header; }
    std::size_t RowCount() const { return m_lines.size(); }
    CsvRow Row(std::size_t row) const {
        return {m_cells.data() + row * m_header.size(), m_header.size()};
    }
    // The line of the file where `row` begins (the header is on line 1 or
    // later; 1-based, as an editor counts).
    std::size_t RowLine(std::size_t row) const { return m_lines[row]; }
    char16_t Separator() const { return m_separator; }

private:
    void Clear();

    std::vector<std::u16string> m_header;
    std::vector<std::u16string> m_cells;  // row after row, Header().size() each
    std::vector<std::size_t> m_lines;
    char16_t m_separator = u',';
};

// `c` in lower case for the Latin, Greek and Cyrillic letters; others as is.
char16_t FoldCase(char16_t c);
bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b);

// The first column of `header` named `name` (case-insensitive, blanks at the
// ends ignored), or CsvTable::npos.
std::size_t FindColumn(const std::vector<std::u16string>& header, std::u16string_view name);
