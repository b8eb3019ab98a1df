// The fields the program sets alike in every SMS-SUBMIT it composes.
#pragma once

#include <string>

#include "pdu/SmsSubmitMessage.h"

namespace PduLib {

// The fields every SMS-SUBMIT of the program carries, single message or part:
// service centre and destination (international when they begin with '+'),
// first octet 0x91 (plus TP-SRR when asked), TP-MR 1, TP-PID 0 and a relative
// validity period of 0x8F. The caller sets TP-DCS and the user data.
void SetSubmitFields(SmsSubmitMessage& message, const std::string& serviceCenter,
                     const std::string& destination, bool statusReportRequest);

}  // namespace PduLib
