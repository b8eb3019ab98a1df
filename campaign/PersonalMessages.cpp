#include "campaign/PersonalMessages.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "campaign/Blank.h"
#include "campaign/MessageTemplate.h"
#include "pdu/Unicode.h"

using PduLib::Utf16ToUtf8;
using PduLib::Utf8ToUtf16;

std::string ColumnList(const std::vector<std::u16string>& header) {
    std::string list;
    for (const std::u16string& name : header) {
        list += (list.empty() ? "\"" : ", \"") + Utf16ToUtf8(name) + '"';
    }
    return list;
}

bool IsCsvPath(const std::string& path) {
    std::string extension = std::filesystem::u8path(path).extension().u8string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".csv";
}

namespace {

// `message` parsed and bound to the header of `table`.
bool BindMessage(const std::u16string& message, const CsvTable& table, CMessageTemplate& personal,
                 std::string& error) {
    std::u16string why;
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
    return true;
}

}  // namespace

bool CollectPersonalRecipients(std::size_t column, const std::string& region, PersonalMessages& out,
                               std::string& error) {
    out.recipients.clear();
    out.column = column;
    std::u16string why;
    if (!CollectRecipients(out.table, column, out.collected, why, region)) {
        error = Utf16ToUtf8(why);
        return false;
    }
    return true;
}

bool ApplyPersonalMessage(const std::u16string& message, PersonalMessages& out,
                          std::string& error) {
    out.recipients.clear();
    out.alone.clear();
    CMessageTemplate personal;
    if (!BindMessage(message, out.table, personal, error)) {
        return false;
    }
    const CsvTable& table = out.table;
    const std::vector<std::u16string> noValues(table.Header().size());
    out.alone = std::u16string(TrimBlanks(personal.Expand({noValues.data(), noValues.size()})));
    out.recipients.reserve(out.collected.recipients.size());
    for (const CsvRecipient& recipient : out.collected.recipients) {
        out.recipients.push_back(
            {table.RowLine(recipient.row), recipient.number,
             std::u16string(TrimBlanks(personal.Expand(table.Row(recipient.row))))});
    }
    return true;
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
    // The message is checked before the numbers, as it is the user's to fix.
    CMessageTemplate check;
    if (!BindMessage(message, table, check, error)) {
        return false;
    }
    if (!CollectPersonalRecipients(column, region, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return ApplyPersonalMessage(message, out, error);
}

PersonalPlan PlanPersonalMessages(
    const PersonalMessages& personal,
    const std::function<PduLib::MessagePlan(std::u16string_view text)>& plan) {
    PersonalPlan result;
    const bool aloneUnicode = plan(personal.alone).encoding == PduLib::TextEncoding::Ucs2;
    std::map<std::size_t, std::size_t> partCounts;
    result.rows.reserve(personal.recipients.size());
    for (const PersonalMessages::Recipient& recipient : personal.recipients) {
        const PduLib::MessagePlan rowPlan = plan(recipient.text);
        PersonalPlan::Row& row = result.rows.emplace_back();
        row.parts = rowPlan.parts;
        row.unicode = rowPlan.encoding == PduLib::TextEncoding::Ucs2;
        row.needsUnicode = row.unicode && !aloneUnicode;
        row.error =
            TrimBlanks(recipient.text).empty() ? std::string("the text is empty") : rowPlan.error;
        result.refused += row.error.empty() ? 0 : 1;
        result.totalSms += row.parts;
        ++partCounts[row.parts];
    }
    // The most common part count; the smaller one on a tie.
    std::size_t most = 0;
    for (const auto& [parts, count] : partCounts) {
        if (count > most) {
            most = count;
            result.usualParts = parts;
        }
    }
    result.longest = result.rows.size();
    for (std::size_t i = 0; i < result.rows.size(); ++i) {
        PersonalPlan::Row& row = result.rows[i];
        row.moreParts = row.parts > result.usualParts;
        if (result.longest == result.rows.size() || row.parts > result.rows[result.longest].parts ||
            (row.parts == result.rows[result.longest].parts && row.unicode &&
             !result.rows[result.longest].unicode)) {
            result.longest = i;
        }
    }
    return result;
}
