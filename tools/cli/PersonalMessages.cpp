#include "tools/cli/PersonalMessages.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "campaign/Blank.h"
#include "campaign/MessageTemplate.h"
#include "pdu/Unicode.h"

namespace {

using PduLib::Utf16ToUtf8;
using PduLib::Utf8ToUtf16;

std::string ColumnList(const std::vector<std::u16string>& header) {
    std::string list;
    for (const std::u16string& name : header) {
        list += (list.empty() ? "\"" : ", \"") + Utf16ToUtf8(name) + '"';
    }
    return list;
}

}  // namespace

bool IsCsvPath(const std::string& path) {
    std::string extension = std::filesystem::u8path(path).extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

bool LoadPersonalMessages(const std::string& path, const std::string& numberColumn,
                          const std::u16string& message, const std::string& region,
                          PersonalMessages& out, std::string& error) {
    std::u16string why;
    if (!out.table.Load(path, why)) {
        error = path + ": " + Utf16ToUtf8(why);
        return false;
    }
    const CsvTable& table = out.table;
    const std::size_t column = numberColumn.empty()
                                   ? GuessNumberColumn(table.Header())
                                   : FindColumn(table.Header(), Utf8ToUtf16(numberColumn));
    if (column == CsvTable::npos) {
        error = (numberColumn.empty() ? std::string("no column is named like a phone number column")
                                      : "no column is named \"" + numberColumn + '"') +
                "; name the numbers column with --number-column (the columns are " +
                ColumnList(table.Header()) + ")";
        return false;
    }
    CMessageTemplate personal;
    if (!personal.Parse(message, why)) {
        error = Utf16ToUtf8(why);
        return false;
    }
    const std::vector<std::u16string> unknown = personal.Bind(table.Header());
    if (!unknown.empty()) {
        std::string names;
        for (const std::u16string& name : unknown) {
            names += (names.empty() ? "{" : ", {") + Utf16ToUtf8(name) + '}';
        }
        error = "the message names no column of the file: " + names + " (the columns are " +
                ColumnList(table.Header()) + ")";
        return false;
    }
    if (!CollectRecipients(table, column, out.collected, why, region)) {
        error = path + ": " + Utf16ToUtf8(why);
        return false;
    }
    const std::vector<std::u16string> noValues(table.Header().size());
    out.alone = std::u16string(TrimBlanks(personal.Expand({noValues.data(), noValues.size()})));
    out.recipients.clear();
    out.recipients.reserve(out.collected.recipients.size());
    for (const CsvRecipient& recipient : out.collected.recipients) {
        out.recipients.push_back(
            {table.RowLine(recipient.row), recipient.number,
             std::u16string(TrimBlanks(personal.Expand(table.Row(recipient.row))))});
    }
    return true;
}
