#include "campaign/CsvTable.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "campaign/Blank.h"
#include "pdu/Unicode.h"

namespace {

std::u16string AtLine(std::size_t line, std::u16string_view what) {
    const std::string digits = std::to_string(line);
    return u"Line " + std::u16string(digits.begin(), digits.end()) + u": " + std::u16string(what);
}

// The 1-based line of `pos`; lines end with LF, CR LF or a lone CR.
std::size_t LineOf(std::u16string_view text, std::size_t pos) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < pos && i < text.size(); ++i) {
        if (text[i] == u'\n' ||
            (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'))) {
            ++line;
        }
    }
    return line;
}

// The line of the first malformed UTF-8 sequence. No sequence holds a CR or
// LF byte, so each line is checked on its own.
std::size_t FirstBadUtf8Line(std::string_view bytes) {
    std::size_t line = 1;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", start), bytes.size());
        if (!PduLib::IsValidUtf8(bytes.substr(start, end - start))) {
            return line;
        }
        const bool crLf = end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n';
        start = end + (crLf ? 2 : 1);
        ++line;
    }
    return line;
}

// Decodes the file into UTF-16 by its byte-order mark; without one it must
// be UTF-8. Refuses what is no text: NUL, unpaired surrogates.
bool Decode(std::string_view bytes, std::u16string& text, std::u16string& error) {
    const auto startsWith = [&bytes](std::string_view prefix) {
        return bytes.substr(0, prefix.size()) == prefix;
    };
    const bool bigEndian = startsWith("\xFE\xFF");
    if (bigEndian || startsWith("\xFF\xFE")) {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) {
            error = u"The file ends in the middle of a character; it may be damaged.";
            return false;
        }
        text.resize(bytes.size() / 2);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto first = static_cast<unsigned char>(bytes[2 * i]);
            const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
            text[i] =
                static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
        }
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            const bool high = c >= 0xD800 && c <= 0xDBFF;
            if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                ++i;
            } else if (high || (c >= 0xDC00 && c <= 0xDFFF)) {
                error = AtLine(LineOf(text, i),
                               u"the text holds a broken character (an unpaired "
                               u"UTF-16 surrogate); the file may be damaged.");
                return false;
            }
        }
    } else {
        if (startsWith("\xEF\xBB\xBF")) {
            bytes.remove_prefix(3);
        }
        if (!PduLib::Utf8ToUtf16Checked(bytes, text)) {
            error = AtLine(FirstBadUtf8Line(bytes),
                           u"the text is not UTF-8. Save the file as \"CSV UTF-8\" or as "
                           u"Unicode text and try again.");
            return false;
        }
    }
    const std::size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) {
        error = AtLine(LineOf(text, nul),
                       u"the file is not text (it holds a NUL character). A UTF-16 file needs "
                       u"its byte-order mark.");
        return false;
    }
    return true;
}

// The separator of the first row as a spreadsheet saves it: whichever of
// tab, comma and semicolon occurs most outside quotes; a tie goes in that
// order (a name rarely holds a tab, and CsvCell writes commas without
// quoting a semicolon); a comma when none occurs.
char16_t DetectSeparator(std::u16string_view text) {
    constexpr std::array<char16_t, 3> kCandidates = {u'\t', u',', u';'};
    std::array<std::size_t, 3> counts = {};
    bool quoted = false;
    for (const char16_t c : text) {
        if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && (c == u'\n' || c == u'\r')) {
            break;
        } else if (!quoted) {
            for (std::size_t i = 0; i < kCandidates.size(); ++i) {
                counts[i] += c == kCandidates[i] ? 1 : 0;
            }
        }
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < kCandidates.size(); ++i) {
        if (counts[i] > counts[best]) {
            best = i;
        }
    }
    return counts[best] == 0 ? u',' : kCandidates[best];
}

// Reads the records of CSV text one at a time, counting lines.
class CRecordReader {
public:
    CRecordReader(std::u16string_view text, std::size_t pos, std::size_t line, char16_t separator)
        : m_text(text), m_pos(pos), m_line(line), m_separator(separator) {}

    bool AtEnd() const { return m_pos >= m_text.size(); }
    std::size_t Line() const { return m_line; }

    // The cells of the next record (call only when !AtEnd()). A line break
    // inside quotes (CR LF, LF or CR) becomes LF. False with `error` for a
    // quote that never closes or text after a closing quote.
    bool Read(std::vector<std::u16string>& cells, std::u16string& error) {
        cells.clear();
        while (true) {
            std::u16string cell;
            if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                if (!ReadQuoted(cell, error)) {
                    return false;
                }
            } else {
                std::size_t end = m_pos;
                while (end < m_text.size() && !EndsCell(m_text[end])) {
                    ++end;
                }
                cell.assign(m_text.substr(m_pos, end - m_pos));
                m_pos = end;
            }
            cells.push_back(std::move(cell));
            if (m_pos >= m_text.size()) {
                return true;
            }
            if (m_text[m_pos++] != m_separator) {
                SkipLineFeedAfter(m_text[m_pos - 1]);
                ++m_line;
                return true;
            }
        }
    }

private:
    bool EndsCell(char16_t c) const { return c == m_separator || c == u'\n' || c == u'\r'; }

    void SkipLineFeedAfter(char16_t c) {
        if (c == u'\r' && m_pos < m_text.size() && m_text[m_pos] == u'\n') {
            ++m_pos;
        }
    }

    bool ReadQuoted(std::u16string& cell, std::u16string& error) {
        const std::size_t opened = m_line;
        ++m_pos;
        while (true) {
            if (m_pos >= m_text.size()) {
                error = AtLine(opened,
                               u"a quoted cell begins here and its closing quote is "
                               u"missing.");
                return false;
            }
            const char16_t c = m_text[m_pos++];
            if (c == u'"') {
                if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                    cell += u'"';
                    ++m_pos;
                    continue;
                }
                break;
            }
            if (c == u'\r' || c == u'\n') {
                SkipLineFeedAfter(c);
                ++m_line;
                cell += u'\n';
            } else {
                cell += c;
            }
        }
        if (m_pos < m_text.size() && !EndsCell(m_text[m_pos])) {
            error = AtLine(m_line,
                           u"text follows the closing quote of a cell (a quote inside "
                           u"a quoted cell is written twice: \"\").");
            return false;
        }
        return true;
    }

    std::u16string_view m_text;
    std::size_t m_pos;
    std::size_t m_line;
    char16_t m_separator;
};

bool IsBlankRow(const std::vector<std::u16string>& cells) {
    for (const std::u16string& cell : cells) {
        if (!TrimBlanks(cell).empty()) {
            return false;
        }
    }
    return true;
}

std::u16string Count(std::size_t n) {
    const std::string digits = std::to_string(n);
    return {digits.begin(), digits.end()};
}

}  // namespace

void CsvTable::Clear() {
    m_header.clear();
    m_cells.clear();
    m_lines.clear();
    m_separator = u',';
}

bool CsvTable::Load(const std::string& path, std::u16string& error) {
    namespace fs = std::filesystem;
    Clear();
    const fs::path file = fs::u8path(path);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        error = u"The file cannot be opened.";
        return false;
    }
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size > kMaxFileBytes) {
        error = ec ? u"The size of the file cannot be read."
                   : u"The file is too large for a table of numbers (more than 64 MB).";
        return false;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (!in && !in.eof()) {
        error = u"The file cannot be read.";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return Parse(bytes, error);
}

// A first line "sep=X" names the separator, as one spreadsheet writes and
// reads it. Rows whose cells are all blank are skipped (spreadsheets write
// them for empty rows inside the used range). A short row gets empty cells;
// a longer row than the header is refused unless its extra cells are blank.
bool CsvTable::Parse(std::string_view bytes, std::u16string& error) {
    Clear();
    std::u16string text;
    if (!Decode(bytes, text, error)) {
        return false;
    }
    std::size_t start = 0;
    std::size_t line = 1;
    const std::u16string_view view = text;
    if (view.substr(0, 4) == u"sep=" && view.size() > 4 &&
        (view.size() == 5 || view[5] == u'\r' || view[5] == u'\n')) {
        m_separator = view[4];
        start = view.size() > 6 && view.substr(5, 2) == u"\r\n" ? 7 : 6;
        line = 2;
    } else {
        m_separator = DetectSeparator(view);
    }
    CRecordReader reader(view, start, line, m_separator);
    std::vector<std::u16string> cells;
    bool haveHeader = false;
    while (!reader.AtEnd()) {
        const std::size_t recordLine = reader.Line();
        if (!reader.Read(cells, error)) {
            Clear();
            return false;
        }
        if (IsBlankRow(cells)) {
            continue;
        }
        if (!haveHeader) {
            for (const std::u16string& cell : cells) {
                m_header.emplace_back(TrimBlanks(cell));
            }
            haveHeader = true;
            continue;
        }
        if (m_lines.size() == kMaxRows) {
            Clear();
            error = u"The file has more than 65,535 rows; split it and try again.";
            return false;
        }
        if (cells.size() > m_header.size()) {
            for (std::size_t i = m_header.size(); i < cells.size(); ++i) {
                if (!TrimBlanks(cells[i]).empty()) {
                    const std::u16string found = Count(cells.size());
                    const std::u16string named = Count(m_header.size());
                    Clear();
                    error = AtLine(recordLine, u"the row has " + found +
                                                   u" cells but the header names only " + named +
                                                   u" columns.");
                    return false;
                }
            }
        }
        cells.resize(m_header.size());
        for (std::u16string& cell : cells) {
            m_cells.push_back(std::move(cell));
        }
        m_lines.push_back(recordLine);
    }
    if (!haveHeader) {
        error = u"The file holds no header row naming its columns.";
        return false;
    }
    return true;
}

// Simple case folding of ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic: what column names in those scripts need.
char16_t FoldCase(char16_t c) {
    if (c < 0x80) {
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
    }
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);
    }
    switch (c) {
        case 0x3C2:
            return 0x3C3;  // final sigma
        case 0x386:
            return 0x3AC;
        case 0x388:
        case 0x389:
        case 0x38A:
            return static_cast<char16_t>(c + 0x25);
        case 0x38C:
            return 0x3CC;
        case 0x38E:
        case 0x38F:
            return static_cast<char16_t>(c + 0x3F);
        default:
            break;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    // Latin Extended-A pairs: upper case at even code points, except in
    // U+0139..U+0148 and U+0179..U+017E where it is at odd ones.
    const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    const bool evenUpper =
        (c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    if ((evenUpper && c % 2 == 0) || (oddUpper && c % 2 == 1)) {
        return static_cast<char16_t>(c + 1);
    }
    return c;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

std::size_t FindColumn(const std::vector<std::u16string>& header, std::u16string_view name) {
    name = TrimBlanks(name);
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (EqualsIgnoringCase(header[i], name)) {
            return i;
        }
    }
    return CsvTable::npos;
}
