// What a status report says happened to a message: TP-ST (3GPP TS 23.040
// 9.2.3.15) as a class and a short English text. The one table of these
// texts: rows, reports and the command line all take theirs from here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace PduLib {

enum class StatusKind {
    Delivered,        // 0x00-0x1F: the transaction is complete
    StillTrying,      // 0x20-0x3F: temporary error, the service centre tries again
    FailedPermanent,  // 0x40-0x5F: permanent error, no more attempts
    FailedGaveUp,     // 0x60-0x7F: temporary error, but no more attempts
    Unknown,          // 0x80-0xFF: reserved
};

struct StatusOutcome {
    StatusKind kind = StatusKind::Unknown;
    std::string text;  // e.g. "Validity period expired"
};

// Reserved and service-centre-specific values keep the class of their
// range, with a text that names the value ("Service centre code 0x51").
StatusOutcome StatusReportOutcome(std::uint8_t st);

// The text of a row: "Delivered 14:02" (with `localTime` as given),
// "Not delivered yet: Recipient busy", "Not delivered: Validity period
// expired", or for a reserved value "Unknown delivery status 0x80".
std::string StatusReportRowText(std::uint8_t st, std::string_view localTime);

}  // namespace PduLib
