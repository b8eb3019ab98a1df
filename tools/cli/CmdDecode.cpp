// vantorix-cli decode: PDU text to one JSON object per PDU.
#include <iostream>
#include <string>
#include <vector>

#include "pdu/Hex.h"
#include "pdu/MessageUnit.h"
#include "pdu/PartsJoiner.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"
#include "tools/cli/Commands.h"
#include "tools/cli/DecodeJson.h"

namespace {

// Decodes one hexadecimal PDU into one JSON line (no line end); on failure
// returns false with the reason.
bool decodeLine(PduLib::CSubmitDecoder& decoder, std::string_view hex, std::string& octets,
                std::string& out, std::string& reason) {
    if (!PduLib::FromHex(hex, octets, reason)) {
        return false;
    }
    try {
        AppendDecodedJson(decoder.DecodeAny(octets), out);
    } catch (const PduLib::failure& e) {
        reason = e.what();
        return false;
    }
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    return s;
}

int decodeOne(const std::string& hex) {
    std::string octets;
    std::string reason;
    std::string out;
    PduLib::CSubmitDecoder decoder;
    if (!decodeLine(decoder, trimmed(hex), octets, out, reason)) {
        std::cerr << "vantorix-cli: decode: " << reason << '\n';
        return kExitFailure;
    }
    std::cout << out << '\n';
    return kExitOk;
}

// Feeds one part to `joiner`; appends what there is to print (a whole
// message, or an error) and returns false when there is nothing.
template <class Joiner, class Part>
bool joinPart(Joiner& joiner, const Part& part, std::string& out, bool& anyFailed) {
    typename Joiner::Message joined;
    switch (joiner.Add(part, joined)) {
        case Joiner::Result::Complete:
            if (joined.parts == 1) {
                AppendDecodedJson(joined.first, out);
            } else {
                AppendJoinedJson(joined.first, PduLib::Utf16ToUtf8(joined.text), joined.parts, out);
            }
            return true;
        case Joiner::Result::Invalid:
            AppendErrorJson("part sequence outside 1..total", out);
            anyFailed = true;
            return true;
        case Joiner::Result::Pending:
        case Joiner::Result::Duplicate:
            break;
    }
    return false;
}

// Reassembles concatenated parts, sent (SMS-SUBMIT) and received
// (SMS-DELIVER) apart: a message is printed when its last missing part
// arrives; parts still missing at the end are reported. Status reports are
// printed as they come.
int decodeJoined() {
    std::string line;
    std::string octets;
    std::string reason;
    std::string out;
    bool anyFailed = false;
    PduLib::CSubmitDecoder decoder;
    PduLib::CPartsJoiner submits;
    PduLib::CDeliverJoiner delivers;
    while (std::getline(std::cin, line)) {
        const std::string_view hex = trimmed(line);
        if (hex.empty()) {
            continue;
        }
        out.clear();
        PduLib::DecodedPdu pdu;
        bool read = PduLib::FromHex(hex, octets, reason);
        if (read) {
            try {
                pdu = decoder.DecodeAny(octets);
            } catch (const PduLib::failure& e) {
                reason = e.what();
                read = false;
            }
        }
        if (!read) {
            AppendErrorJson(reason, out);
            anyFailed = true;
        } else {
            bool print = true;
            switch (pdu.type) {
                case PduLib::DecodedPdu::Type::Submit:
                    print = joinPart(submits, pdu.submit, out, anyFailed);
                    break;
                case PduLib::DecodedPdu::Type::Deliver:
                    print = joinPart(delivers, pdu.deliver, out, anyFailed);
                    break;
                case PduLib::DecodedPdu::Type::StatusReport:
                    AppendDecodedJson(pdu.statusReport, out);
                    break;
            }
            if (!print) {
                continue;
            }
        }
        out.push_back('\n');
        std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
    }
    std::vector<std::string> gaps = submits.Incomplete();
    for (std::string& gap : delivers.Incomplete()) {
        gaps.push_back(std::move(gap));
    }
    for (const std::string& gap : gaps) {
        out.clear();
        AppendErrorJson(gap, out);
        out.push_back('\n');
        std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
        anyFailed = true;
    }
    return anyFailed ? kExitFailure : kExitOk;
}

int decodeBatch() {
    std::string line;
    std::string octets;
    std::string reason;
    std::string out;
    bool anyFailed = false;
    PduLib::CSubmitDecoder decoder;
    while (std::getline(std::cin, line)) {
        out.clear();
        if (!decodeLine(decoder, trimmed(line), octets, out, reason)) {
            out.clear();
            AppendErrorJson(reason, out);
            anyFailed = true;
        }
        out.push_back('\n');
        std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
    }
    return anyFailed ? kExitFailure : kExitOk;
}

}  // namespace

void AddDecodeCommand(CLI::App& app) {
    auto hex = std::make_shared<std::string>();
    auto batch = std::make_shared<bool>(false);
    auto join = std::make_shared<bool>(false);
    CLI::App* cmd = app.add_subcommand(
        "decode",
        "Decode an SMS-SUBMIT, SMS-DELIVER or SMS-STATUS-REPORT PDU (service-centre field "
        "first) given as hexadecimal and print it as one JSON object (a DELIVER or "
        "STATUS-REPORT with \"type\"). With --batch, read one PDU per line from standard input and "
        "print one JSON object per line ({\"error\": reason} for a line that fails).");
    CLI::Option* pdu = cmd->add_option("PDU", *hex, "the PDU as hexadecimal text");
    CLI::Option* batchFlag = cmd->add_flag("--batch", *batch, "read PDUs from standard input");
    batchFlag->excludes(pdu);
    cmd->add_flag("--join", *join,
                  "with --batch: reassemble concatenated parts (any order, copies ignored) and "
                  "print one object per message, with \"parts\" and the whole text; parts "
                  "still missing at the end are reported as errors")
        ->needs(batchFlag);
    cmd->callback([hex, batch, join, cmd]() {
        if (!*batch && cmd->count("PDU") == 0) {
            throw CLI::RequiredError("PDU (or --batch)");
        }
        const int status = *batch ? (*join ? decodeJoined() : decodeBatch()) : decodeOne(*hex);
        if (status != kExitOk) {
            throw CLI::RuntimeError(status);
        }
    });
}
