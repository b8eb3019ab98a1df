#include "pdu/StatusReportOutcome.h"

namespace PduLib {
namespace {

struct Entry {
    std::uint8_t st;
    const char* text;
};

// The values TS 23.040 9.2.3.15 defines; the others of each range are
// reserved or the service centre's own.
const Entry kTexts[] = {
    {0x00, "Received by the recipient"},
    {0x01, "Forwarded, but delivery not confirmed"},
    {0x02, "Replaced by the service centre"},
    {0x20, "Network congestion"},
    {0x21, "Recipient busy"},
    {0x22, "No response from the recipient"},
    {0x23, "Service rejected"},
    {0x24, "Quality of service not available"},
    {0x25, "Error in the recipient's phone"},
    {0x40, "Remote procedure error"},
    {0x41, "Incompatible destination"},
    {0x42, "Connection rejected by the recipient"},
    {0x43, "Number not obtainable"},
    {0x44, "Quality of service not available"},
    {0x45, "No interworking available"},
    {0x46, "Validity period expired"},
    {0x47, "Deleted by the sender"},
    {0x48, "Deleted by the service centre"},
    {0x49, "Message unknown to the service centre"},
    {0x60, "Network congestion"},
    {0x61, "Recipient busy"},
    {0x62, "No response from the recipient"},
    {0x63, "Service rejected"},
    {0x64, "Quality of service not available"},
    {0x65, "Error in the recipient's phone"},
};

std::string hexByte(std::uint8_t value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = "0x";
    out.push_back(kHex[value >> 4]);
    out.push_back(kHex[value & 0x0F]);
    return out;
}

}  // namespace

StatusOutcome StatusReportOutcome(std::uint8_t st) {
    StatusOutcome outcome;
    if (st & 0x80) {
        outcome.text = "Unknown delivery status " + hexByte(st);
        return outcome;
    }
    static const StatusKind kKinds[] = {StatusKind::Delivered, StatusKind::StillTrying,
                                        StatusKind::FailedPermanent, StatusKind::FailedGaveUp};
    outcome.kind = kKinds[st >> 5];
    for (const Entry& e : kTexts) {
        if (e.st == st) {
            outcome.text = e.text;
            return outcome;
        }
    }
    // Bit 4 set: 0x10-0x1F, 0x30-0x3F, 0x50-0x5F, 0x70-0x7F are the service
    // centre's own values; the rest of each range is reserved.
    outcome.text = ((st & 0x10) ? "Service centre code " : "Reserved status ") + hexByte(st);
    return outcome;
}

std::string StatusReportRowText(std::uint8_t st, std::string_view localTime) {
    StatusOutcome outcome = StatusReportOutcome(st);
    switch (outcome.kind) {
        case StatusKind::Delivered:
            return "Delivered " + std::string(localTime);
        case StatusKind::StillTrying:
            return "Not delivered yet: " + outcome.text;
        case StatusKind::FailedPermanent:
        case StatusKind::FailedGaveUp:
            return "Not delivered: " + outcome.text;
        case StatusKind::Unknown:
            break;
    }
    return std::move(outcome.text);
}

}  // namespace PduLib
