// vantorix-cli encode: numbers and texts to PDU text, one at a time or as a
// stream of NUMBER<TAB>TEXT lines.
#include <iostream>
#include <string>

#include "pdu/CPduComposer.h"
#include "pdu/Unicode.h"
#include "tools/cli/Commands.h"

namespace {

struct EncodeOptions {
    std::string to;
    std::string text;
    std::string smsc;
    bool batch = false;
    bool trace = false;
};

int encodeOne(const EncodeOptions& o) {
    PduLib::CPduComposer composer;
    composer.SetTrace(o.trace ? &std::cerr : nullptr);
    composer.SetServiceCenter(PduLib::Utf8ToUtf16(o.smsc));
    composer.SetMessageText(PduLib::Utf8ToUtf16(o.text));
    composer.SetDestination(PduLib::Utf8ToUtf16(o.to));
    composer.ComposePdu();
    if (composer.PduHex().empty()) {
        std::cerr << "vantorix-cli: encode: " << composer.FailureReason() << '\n';
        return kExitFailure;
    }
    std::cout << composer.PduHex() << '\n';
    return kExitOk;
}

// Streams: one line in, one line out, constant memory.
int encodeBatch(const EncodeOptions& o) {
    const std::u16string smsc = PduLib::Utf8ToUtf16(o.smsc);
    PduLib::CPduComposer composer;
    composer.SetTrace(o.trace ? &std::cerr : nullptr);
    std::string line;
    std::string out;
    unsigned long lineNumber = 0;
    bool anyFailed = false;
    while (std::getline(std::cin, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            std::cout << '\n';
            std::cerr << "vantorix-cli: encode: line " << lineNumber
                      << ": expected NUMBER<TAB>TEXT\n";
            anyFailed = true;
            continue;
        }
        composer.SetServiceCenter(smsc);
        composer.SetDestination(PduLib::Utf8ToUtf16(std::string_view(line).substr(0, tab)));
        composer.SetMessageText(PduLib::Utf8ToUtf16(std::string_view(line).substr(tab + 1)));
        composer.ComposePdu();
        const std::string& pdu = composer.PduHex();
        if (pdu.empty()) {
            std::cerr << "vantorix-cli: encode: line " << lineNumber << ": "
                      << composer.FailureReason() << '\n';
            anyFailed = true;
        }
        out.assign(pdu);
        out.push_back('\n');
        std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
    }
    return anyFailed ? kExitFailure : kExitOk;
}

}  // namespace

void AddEncodeCommand(CLI::App& app) {
    auto options = std::make_shared<EncodeOptions>();
    CLI::App* cmd = app.add_subcommand(
        "encode",
        "Compose SMS-SUBMIT PDUs (service-centre field first) as uppercase hexadecimal.\n"
        "With --batch, read NUMBER<TAB>TEXT lines (UTF-8) from standard input and print one "
        "PDU line per input line; a line that fails prints an empty line and its reason on "
        "standard error.");
    CLI::Option* to =
        cmd->add_option("--to", options->to, "destination number, e.g. +447700900123");
    CLI::Option* text = cmd->add_option("--text", options->text, "message text (UTF-8)");
    cmd->add_option("--smsc", options->smsc, "service-centre number (default: none)");
    CLI::Option* batch =
        cmd->add_flag("--batch", options->batch, "read NUMBER<TAB>TEXT lines from standard input");
    cmd->add_flag("--trace", options->trace, "print the PDU report on standard error");
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
