// vantorix-cli decode: PDU text to one JSON object per PDU.
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "pdu/Hex.h"
#include "pdu/MessageUnit.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"
#include "tools/cli/Commands.h"

namespace {

using Json = nlohmann::ordered_json;

Json toJson(const PduLib::DecodedSubmit& d) {
    Json j;
    j["sca"] = d.serviceCenter;
    j["sca_toa"] = d.serviceCenterToa;
    j["reject_duplicates"] = d.rejectDuplicates;
    j["vpf"] = d.validityPeriodFormat;
    j["status_report_request"] = d.statusReportRequest;
    j["udhi"] = d.userDataHeaderIndicator;
    j["reply_path"] = d.replyPath;
    j["mr"] = d.messageReference;
    j["da"] = d.destination;
    j["da_toa"] = d.destinationToa;
    j["pid"] = d.protocolIdentifier;
    j["dcs"] = d.dataCodingScheme;
    j["alphabet"] = d.alphabet;
    switch (d.validity) {
        case PduLib::DecodedSubmit::Validity::None:
            j["vp"] = nullptr;
            break;
        case PduLib::DecodedSubmit::Validity::Relative:
            j["vp"] = d.relativeValidity;
            break;
        case PduLib::DecodedSubmit::Validity::Absolute: {
            const PduLib::TimeStamp& t = d.absoluteValidity;
            j["vp"] = Json::array(
                {t.year, t.month, t.day, t.hour, t.minute, t.second, static_cast<int>(t.timeZone)});
            break;
        }
    }
    Json udh = Json::array();
    for (const auto& e : d.header) {
        udh.push_back(Json{{"iei", e.iei},
                           {"reference", e.reference},
                           {"total", e.total},
                           {"sequence", e.sequence}});
    }
    j["udh"] = std::move(udh);
    j["udl"] = d.userDataLength;
    if (d.alphabet == 1) {
        j["text"] = PduLib::ToHex(d.eightBit);
    } else {
        j["text"] = PduLib::Utf16ToUtf8(d.text());
    }
    return j;
}

// Decodes one hexadecimal PDU; on failure returns false with the reason.
bool decodeLine(std::string_view hex, std::string& octets, Json& out, std::string& reason) {
    if (!PduLib::FromHex(hex, octets, reason)) {
        return false;
    }
    try {
        out = toJson(PduLib::DecodeSubmitPdu(octets));
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
    Json j;
    if (!decodeLine(trimmed(hex), octets, j, reason)) {
        std::cerr << "vantorix-cli: decode: " << reason << '\n';
        return kExitFailure;
    }
    std::cout << j.dump() << '\n';
    return kExitOk;
}

int decodeBatch() {
    std::string line;
    std::string octets;
    std::string reason;
    std::string out;
    bool anyFailed = false;
    while (std::getline(std::cin, line)) {
        Json j;
        if (decodeLine(trimmed(line), octets, j, reason)) {
            out = j.dump();
        } else {
            out = Json{{"error", reason}}.dump();
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
    CLI::App* cmd = app.add_subcommand(
        "decode",
        "Decode an SMS-SUBMIT PDU (service-centre field first) given as hexadecimal and print "
        "it as one JSON object. With --batch, read one PDU per line from standard input and "
        "print one JSON object per line ({\"error\": reason} for a line that fails).");
    CLI::Option* pdu = cmd->add_option("PDU", *hex, "the PDU as hexadecimal text");
    CLI::Option* batchFlag = cmd->add_flag("--batch", *batch, "read PDUs from standard input");
    batchFlag->excludes(pdu);
    cmd->callback([hex, batch, cmd]() {
        if (!*batch && cmd->count("PDU") == 0) {
            throw CLI::RequiredError("PDU (or --batch)");
        }
        const int status = *batch ? decodeBatch() : decodeOne(*hex);
        if (status != kExitOk) {
            throw CLI::RuntimeError(status);
        }
    });
}
