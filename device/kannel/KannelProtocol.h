// What the Kannel backend says to Kannel and reads from it, without any
// networking: the sendsms request made from a composed SMS-SUBMIT, the
// meaning of smsbox's answers, the delivery reports and replies that smsbox
// posts to the listener, and the password file. Standard library only.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/HResult.h"
#include "pdu/StatusReportOutcome.h"

namespace Kannel {

// A final failure that Kannel answered with a 4xx status: the code names
// Kannel's text (GatewayFailureText); facility ITF, codes 0x3000 to 0x3FFF.
constexpr HRESULT VTX_E_GATEWAY_BASE = static_cast<HRESULT>(0x80043000u);
constexpr std::uint32_t kGatewayCodes = 0x1000;

// The code for Kannel's answer `text` (e.g. "Authorization failed for
// sendsms") to a request that got HTTP status `httpStatus`: the same text
// gives the same code for the whole run. The last code is shared by every
// text past the first 4,095.
HRESULT GatewayFailure(int httpStatus, std::string_view text);
// The words for a code of GatewayFailure: "Kannel refused the message (HTTP
// 403): Authorization failed for sendsms"; empty for any other code.
std::u16string GatewayFailureText(HRESULT status);

// One sendsms request: one part, as the composer made it.
struct SendRequest {
    std::string to;    // the destination, '+' first when international
    int coding = 0;    // 0 GSM 7-bit, 1 8-bit data, 2 UCS2
    std::string text;  // UTF-8 for codings 0 and 2; the octets for 1
    std::string udh;   // the user data header with its length octet; may be empty
};

// Reads a composed SMS-SUBMIT (upper-case hexadecimal, service-centre field
// first) into a request. False with `error` for a text that is not one
// SMS-SUBMIT, or one that Kannel cannot pass on unchanged (a national
// language table: Kannel writes GSM 7-bit text with the default alphabet).
bool SubmitToRequest(std::string_view pduHex, SendRequest& request, std::string& error);

// The query string of a sendsms GET for `request`, asking for every kind of
// delivery report (dlr-mask 31) at `dlrUrl`.
std::string SendsmsQuery(const SendRequest& request, std::string_view user,
                         std::string_view password, std::string_view dlrUrl);

// The dlr-url for message `messageId` on the listener at `listen`
// ("host:port"). Kannel's %a is empty in reports, so the id travels in the
// URL, with what the report needs to name its send the way a modem's status
// report does: the recipient `to`, the TP-MR `reference` the backend gave
// the send, and when it was taken (`sent`, seconds since 1970 UTC). %d is
// Kannel's report code, %A the SMSC's own words.
std::string DlrUrl(std::string_view listen, std::string_view messageId, std::string_view to,
                   int reference, std::int64_t sent);

// RFC 3986 percent-encoding of everything but the unreserved characters.
std::string PercentEncode(std::string_view text);
// A query string ("a=1&b=x+y%21") as names and decoded values.
std::map<std::string, std::string> ParseQuery(std::string_view query);

// What smsbox's answer to a sendsms request means.
enum class Outcome {
    Sent,    // 202 "0: Accepted for delivery" or "3: Queued for later delivery"
    Failed,  // 4xx and other refusals: final, `status` names Kannel's text
    Retry,   // 503: not taken now, the same request may go again later
};
struct Answer {
    Outcome outcome = Outcome::Failed;
    HRESULT status = S_OK;
};
Answer ClassifyAnswer(int httpStatus, std::string_view body);

// A delivery report posted to the listener (GET /dlr?id=..&status=..).
struct Report {
    std::string messageId;  // Vantorix's own, from the dlr-url
    int code = 0;           // Kannel's: 1, 2, 4, 8 or 16
    std::string smscReply;  // the SMSC's words (%A), may be empty
    std::string to;         // the recipient, as sent
    int reference = 0;      // the TP-MR the backend gave the send
    std::int64_t sent = 0;  // when the send was taken, seconds since 1970 UTC
};
bool ParseReport(const std::map<std::string, std::string>& query, Report& report);

// What a report code says, with the classes and words of the modem's status
// reports: 1 delivered, 2 not delivered, 4 queued at the SMSC (still
// trying), 8 accepted by the SMSC (not final), 16 refused by the SMSC.
struct ReportMeaning {
    PduLib::StatusKind kind = PduLib::StatusKind::Unknown;
    bool final = false;
    std::string text;
};
ReportMeaning ReportCodeMeaning(int code);

// The TP-ST (TS 23.040 9.2.3.15) that stands for a report code in the
// store and on the rows, so that they say what they say for a modem: 1 0x00
// (received by the recipient), 2 0x40 (permanent error), 4 0x20 (the
// service centre keeps trying), 16 0x63 (refused; no more attempts). None
// for 8, the service centre's acceptance: the modem's counterpart is the
// answer to the send, which the row already shows as sent; and none for a
// code Kannel does not define.
std::optional<std::uint8_t> ReportStatus(int code);

// A report as the SMS-STATUS-REPORT a modem would have handed up
// (hexadecimal, empty service-centre field first): TP-MR, the recipient,
// TP-SCTS the send's time, TP-DT `discharge` (seconds since 1970 UTC), TP-ST.
std::string StatusReportPdu(const Report& report, std::uint8_t status, std::int64_t discharge);

// A reply posted by an sms-service (GET /mo?from=..&to=..&text=..&coding=..).
struct Reply {
    std::string from;
    std::string to;
    std::string text;  // UTF-8
    std::string time;  // Kannel's %t, "YYYY-MM-DD HH:MM:SS", may be empty
};
bool ParseReply(const std::map<std::string, std::string>& query, Reply& reply);

// A reply as the SMS-DELIVER PDUs a modem would have handed up, UCS2, in
// concatenated parts past 70 units; TP-SCTS is the reply's time (`now` when
// it has none). The same reply gives the same PDUs, so a reply that smsbox
// posts again is kept once.
std::vector<std::string> ReplyPdus(const Reply& reply, std::int64_t now);

// Reads the gateway password: the file's first line. Refuses a file the
// group or others may read (POSIX), with a message that says what to do;
// the message never holds the password.
bool ReadPasswordFile(const std::string& path, std::string& password, std::string& error);

}  // namespace Kannel
