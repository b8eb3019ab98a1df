// vantorix-cli encode: numbers and texts to PDU text, one at a time or as a
// stream of NUMBER<TAB>TEXT lines; a text longer than one SMS gives one PDU
// line per part.
#include <iostream>
#include <string>

#include "pdu/PartsComposer.h"
#include "pdu/Unicode.h"
#include "tools/cli/Commands.h"
#include "tools/cli/MessageOptions.h"

namespace {

struct EncodeOptions {
    std::string to;
    std::string text;
    std::string smsc;
    bool batch = false;
    bool trace = false;
    unsigned reference = 0;
    CliMessageOptions message;
};

void setUp(PduLib::CPartsComposer& composer, const EncodeOptions& o) {
    composer.SetTrace(o.trace ? &std::cerr : nullptr);
    composer.SetServiceCenter(PduLib::Utf8ToUtf16(o.smsc));
    composer.options = ToMessageOptions(o.message);
}

void printParts(const PduLib::CPartsComposer& composer, std::string& out) {
    out.clear();
    for (const std::string& pdu : composer.Pdus()) {
        out += pdu;
        out.push_back('\n');
    }
    std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
}

int encodeOne(const EncodeOptions& o) {
    if (!PduLib::IsValidUtf8(o.text)) {
        std::cerr << "vantorix-cli: encode: the text is not valid UTF-8\n";
        return kExitFailure;
    }
    PduLib::CPartsComposer composer;
    setUp(composer, o);
    if (!composer.Compose(PduLib::Utf8ToUtf16(o.text), PduLib::Utf8ToUtf16(o.to),
                          static_cast<std::uint16_t>(o.reference))) {
        std::cerr << "vantorix-cli: encode: " << composer.FailureReason() << '\n';
        return kExitFailure;
    }
    std::string out;
    printParts(composer, out);
    return kExitOk;
}

// Streams: one line in, one line out per part, constant memory. The
// reference advances for every message of more than one part.
int encodeBatch(const EncodeOptions& o) {
    PduLib::CPartsComposer composer;
    setUp(composer, o);
    auto reference = static_cast<std::uint16_t>(o.reference);
    std::string line;
    std::string out;
    std::u16string number;
    std::u16string text;
    unsigned long lineNumber = 0;
    bool anyFailed = false;
    while (std::getline(std::cin, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t tab = line.find('\t');
        std::string reason;
        if (tab == std::string::npos) {
            reason = "expected NUMBER<TAB>TEXT";
        } else if (!PduLib::Utf8ToUtf16Checked(std::string_view(line).substr(0, tab), number) ||
                   !PduLib::Utf8ToUtf16Checked(std::string_view(line).substr(tab + 1), text)) {
            reason = "the line is not valid UTF-8";
        } else if (!composer.Compose(text, number, reference)) {
            reason = composer.FailureReason();
        }
        if (!reason.empty()) {
            std::cout << '\n';
            std::cerr << "vantorix-cli: encode: line " << lineNumber << ": " << reason << '\n';
            anyFailed = true;
            continue;
        }
        if (composer.Pdus().size() > 1) {
            ++reference;
        }
        printParts(composer, out);
    }
    return anyFailed ? kExitFailure : kExitOk;
}

}  // namespace

void AddEncodeCommand(CLI::App& app) {
    auto options = std::make_shared<EncodeOptions>();
    CLI::App* cmd = app.add_subcommand(
        "encode",
        "Compose SMS-SUBMIT PDUs (service-centre field first) as uppercase hexadecimal, one "
        "line per part: a text longer than one SMS is split into concatenated parts.\n"
        "With --batch, read NUMBER<TAB>TEXT lines (UTF-8) from standard input and print the "
        "PDU lines of each; a line that fails prints an empty line and its reason on "
        "standard error.");
    CLI::Option* to =
        cmd->add_option("--to", options->to, "destination number, e.g. +447700900123");
    CLI::Option* text = cmd->add_option("--text", options->text, "message text (UTF-8)");
    cmd->add_option("--smsc", options->smsc, "service-centre number (default: none)");
    CLI::Option* batch =
        cmd->add_flag("--batch", options->batch, "read NUMBER<TAB>TEXT lines from standard input");
    cmd->add_flag("--trace", options->trace, "print the PDU report on standard error");
    cmd->add_option("--reference", options->reference,
                    "concatenation reference of the (first) message, 0..65535 (default 0; "
                    "with --batch it advances per message of several parts)")
        ->check(CLI::Range(0u, 65535u));
    AddMessageOptions(cmd, options->message);
    batch->excludes(to)->excludes(text);
    cmd->callback([options, cmd]() {
        if (!options->batch && (cmd->count("--to") == 0 || cmd->count("--text") == 0)) {
            throw CLI::RequiredError("--to and --text (or --batch)");
        }
        const int status = options->batch ? encodeBatch(*options) : encodeOne(*options);
        if (status != kExitOk) {
            throw CLI::RuntimeError(status);
        }
    });
}
