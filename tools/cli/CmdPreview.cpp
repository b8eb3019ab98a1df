// vantorix-cli preview: each recipient's own text and parts, before sending.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "campaign/Blank.h"
#include "campaign/CNumberList.h"
#include "campaign/CsvRecipients.h"
#include "campaign/CsvTable.h"
#include "campaign/MessageTemplate.h"
#include "campaign/PersonalMessages.h"
#include "device/ISmsFront.h"
#include "pdu/MessagePlan.h"
#include "pdu/Unicode.h"
#include "tools/cli/Commands.h"
#include "tools/cli/MessageOptions.h"

namespace {

using PduLib::Utf16ToUtf8;
using PduLib::Utf8ToUtf16;

struct PreviewOptions {
    std::string numbers;
    std::string numberColumn;
    std::string message;
    CliMessageOptions options;
};

[[noreturn]] void Fail(int status, const std::string& why) {
    std::cerr << "vantorix-cli: preview: " << why << '\n';
    throw CLI::RuntimeError(status);
}

// One recipient's line of the preview.
struct Line {
    std::size_t fileLine = 0;  // 0 for a plain numbers file
    std::u16string number;
    std::u16string text;
    PduLib::MessagePlan plan;
};

// Prints the lines as JSON, flagging those that need UCS2 when the message
// alone does not (a value brought it) and those with more parts than most
// lines have; then the summary. Returns the exit status.
int Print(const std::vector<Line>& lines, PduLib::TextEncoding messageEncoding,
          const std::string& skippedSummary) {
    std::map<std::size_t, std::size_t> partCounts;
    for (const Line& line : lines) {
        ++partCounts[line.plan.parts];
    }
    const auto usual =
        std::max_element(partCounts.begin(), partCounts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    std::size_t total = 0;
    std::size_t longest = 0;
    bool longestUnicode = false;
    bool refused = false;
    std::string out;
    for (const Line& line : lines) {
        const bool unicode = line.plan.encoding == PduLib::TextEncoding::Ucs2;
        nlohmann::ordered_json json;
        if (line.fileLine != 0) {
            json["line"] = line.fileLine;
        }
        json["number"] = Utf16ToUtf8(line.number);
        json["text"] = Utf16ToUtf8(line.text);
        json["parts"] = line.plan.parts;
        json["encoding"] = unicode ? "ucs2" : "gsm7";
        if (unicode && messageEncoding != PduLib::TextEncoding::Ucs2) {
            json["needs_unicode"] = true;
        }
        if (usual != partCounts.end() && line.plan.parts > usual->first) {
            json["more_parts"] = true;
        }
        if (TrimBlanks(line.text).empty()) {
            json["error"] = "the text is empty";
            refused = true;
        } else if (!line.plan.ok()) {
            json["error"] = line.plan.error;
            refused = true;
        }
        out += json.dump() + '\n';
        total += line.plan.parts;
        if (line.plan.parts > longest || (line.plan.parts == longest && unicode)) {
            longest = line.plan.parts;
            longestUnicode = unicode;
        }
    }
    std::cout << out << std::flush;
    std::cerr << "vantorix-cli: preview: " << lines.size() << " recipients" << skippedSummary
              << ", " << total << " SMS in all; the longest text takes " << longest << " part"
              << (longest == 1 ? "" : "s") << " in " << (longestUnicode ? "UCS2" : "GSM 7-bit")
              << '\n';
    return refused ? kExitFailure : kExitOk;
}

PduLib::MessagePlan Plan(std::u16string_view text, const PduLib::MessageOptions& options) {
    return PduLib::PlanMessage(std::u16string(TrimBlanks(text)) + ISmsFront::kSignature, options);
}

int PreviewPlain(const PreviewOptions& o, const std::u16string& message,
                 const PduLib::MessageOptions& options) {
    if (!o.numberColumn.empty()) {
        Fail(kExitUsage, "--number-column applies to a .csv file only");
    }
    CNumberList list;
    list.m_strFilePath = Utf8ToUtf16(o.numbers);
    std::u16string error;
    if (!list.Load(error)) {
        Fail(kExitUsage, Utf16ToUtf8(error));
    }
    const PduLib::MessagePlan plan = Plan(message, options);
    std::vector<Line> lines;
    for (const std::u16string_view number : list.m_mapNumbers) {
        lines.push_back({0, std::u16string(number), std::u16string(TrimBlanks(message)), plan});
    }
    return Print(lines, plan.encoding, "");
}

int PreviewCsv(const PreviewOptions& o, const std::u16string& message,
               const PduLib::MessageOptions& options) {
    PersonalMessages personal;
    std::string error;
    if (!LoadPersonalMessages(o.numbers, o.numberColumn, message, {}, personal, error)) {
        Fail(kExitUsage, error);
    }
    std::size_t duplicates = 0;
    for (const CsvSkippedRow& skipped : personal.collected.skipped) {
        std::cerr << "vantorix-cli: preview: line " << personal.table.RowLine(skipped.row) << ": ";
        if (skipped.reason == CsvSkippedRow::Reason::Duplicate) {
            ++duplicates;
            std::cerr << "the number repeats line " << personal.table.RowLine(skipped.firstRow)
                      << "; skipped\n";
        } else {
            std::cerr << "no number; skipped\n";
        }
    }
    std::vector<Line> lines;
    lines.reserve(personal.recipients.size());
    for (const PersonalMessages::Recipient& r : personal.recipients) {
        lines.push_back({r.fileLine, r.number, r.text, Plan(r.text, options)});
    }
    const std::string skipped = ", " + std::to_string(duplicates) + " duplicate rows skipped, " +
                                std::to_string(personal.collected.skipped.size() - duplicates) +
                                " rows without a number";
    return Print(lines, Plan(personal.alone, options).encoding, skipped);
}

}  // namespace

void AddPreviewCommand(CLI::App& app) {
    auto o = std::make_shared<PreviewOptions>();
    CLI::App* cmd = app.add_subcommand(
        "preview",
        "Print each recipient's text as it would be sent, one JSON object per line: line (of a "
        ".csv file), number, text, parts and encoding (the signature counted), needs_unicode "
        "when the row's values bring UCS2, more_parts when the row takes more parts than most, "
        "error when the text cannot be sent. A summary goes to standard error. With a .csv "
        "file, {column} in the message stands for the row's value ({{ and }} for braces).");
    cmd->add_option("--numbers", o->numbers,
                    "numbers file (one per line) or a .csv file with a header row")
        ->required();
    cmd->add_option("--number-column", o->numberColumn,
                    "the .csv column that holds the numbers (default: guessed from its name)");
    cmd->add_option("--message", o->message, "message text (UTF-8)")->required();
    AddMessageOptions(cmd, o->options);
    cmd->callback([o]() {
        if (!PduLib::IsValidUtf8(o->message)) {
            Fail(kExitUsage, "the message is not valid UTF-8");
        }
        const std::u16string message = Utf8ToUtf16(o->message);
        if (TrimBlanks(message).empty()) {
            Fail(kExitUsage, "the message is empty");
        }
        const PduLib::MessageOptions options = ToMessageOptions(o->options);
        const int status = IsCsvPath(o->numbers) ? PreviewCsv(*o, message, options)
                                                 : PreviewPlain(*o, message, options);
        if (status != kExitOk) {
            throw CLI::RuntimeError(status);
        }
    });
}
