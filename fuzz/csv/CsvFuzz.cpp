// CSV table reader: any bytes must read or be refused with a message; a
// table that reads has full rows in file order, and written back with
// CsvCell under a "sep=," line it reads back the same (a cell may gain the
// apostrophe that defuses a formula). The first bytes also form a message
// template, which must parse or be refused, and expand every row.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "campaign/CsvCell.h"
#include "campaign/CsvRecipients.h"
#include "campaign/CsvTable.h"
#include "campaign/MessageTemplate.h"
#include "pdu/Unicode.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::u16string WriteBack(const CsvTable& table) {
    std::u16string text = u"sep=,\r\n";
    const auto writeRow = [&text](const std::u16string* cells, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            text += (i == 0 ? u"" : u",") + CsvCell(cells[i]);
        }
        text += u"\r\n";
    };
    writeRow(table.Header().data(), table.Header().size());
    for (std::size_t r = 0; r < table.RowCount(); ++r) {
        writeRow(table.Row(r).cells, table.Row(r).count);
    }
    return text;
}

bool SameCell(const std::u16string& read, const std::u16string& written) {
    return read == written || read == u"'" + written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CsvTable table;
    std::u16string error;
    const bool read = table.Parse(bytes, error);
    Check(read == error.empty());
    if (!read) {
        Check(table.Header().empty() && table.RowCount() == 0);
        return 0;
    }
    Check(!table.Header().empty() && table.RowCount() <= CsvTable::kMaxRows);
    for (std::size_t r = 0; r < table.RowCount(); ++r) {
        Check(table.Row(r).count == table.Header().size());
        Check(r == 0 ? table.RowLine(0) >= 2 : table.RowLine(r) > table.RowLine(r - 1));
    }
    const std::size_t column = GuessNumberColumn(table.Header());
    Check(column == CsvTable::npos || column < table.Header().size());

    CsvTable again;
    Check(again.Parse(PduLib::Utf16ToUtf8(WriteBack(table)), error));
    Check(again.Header().size() == table.Header().size() && again.RowCount() == table.RowCount());
    for (std::size_t c = 0; c < table.Header().size(); ++c) {
        Check(SameCell(again.Header()[c], table.Header()[c]));
        for (std::size_t r = 0; r < table.RowCount(); ++r) {
            Check(SameCell(again.Row(r)[c], table.Row(r)[c]));
        }
    }

    CMessageTemplate message;
    if (message.Parse(PduLib::Utf8ToUtf16(bytes.substr(0, 64)), error)) {
        message.Bind(table.Header());
        for (std::size_t r = 0; r < table.RowCount(); ++r) {
            message.Expand(table.Row(r));
        }
    }
    return 0;
}
