#include "device/kannel/KannelProtocol.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <mutex>
#include <vector>

#include "pdu/Gsm7.h"
#include "pdu/Hex.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"

namespace Kannel {

namespace {

struct FailureTexts {
    std::mutex lock;
    std::vector<std::string> texts;  // index = code - VTX_E_GATEWAY_BASE
};

FailureTexts& Failures() {
    static FailureTexts table;
    return table;
}

// The user data header as sent, length octet first (TS 23.040 9.2.3.24).
std::string HeaderOctets(const PduLib::DecodedUserData& data) {
    std::string elements;
    for (const PduLib::HeaderElement& e : data.header) {
        elements.push_back(static_cast<char>(e.iei));
        if (e.iei == 0x00) {
            elements += {0x03, static_cast<char>(e.reference & 0xFF), static_cast<char>(e.total),
                         static_cast<char>(e.sequence)};
        } else if (e.iei == 0x08) {
            elements +=
                {0x04, static_cast<char>(e.reference >> 8), static_cast<char>(e.reference & 0xFF),
                 static_cast<char>(e.total), static_cast<char>(e.sequence)};
        } else if (e.nationalLanguage()) {
            elements += {0x01, static_cast<char>(e.language)};
        } else {
            elements.push_back(static_cast<char>(e.data.size()));
            elements += e.data;
        }
    }
    if (elements.empty()) {
        return {};
    }
    return std::string(1, static_cast<char>(elements.size())) + elements;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(era * 400 + yoe) + (m <= 2 ? 1 : 0);
}

std::int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = static_cast<unsigned>((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1);
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// A time stamp in UTC (TS 23.040 9.2.3.11): seven swapped semi-octets.
std::string TimeStampOctets(std::int64_t seconds) {
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t rest = seconds - days * 86400;
    int y = 0;
    int m = 0;
    int d = 0;
    CivilFromDays(days, y, m, d);
    const int fields[] = {y % 100,
                          m,
                          d,
                          static_cast<int>(rest / 3600),
                          static_cast<int>(rest / 60 % 60),
                          static_cast<int>(rest % 60),
                          0};
    std::string out;
    for (const int f : fields) {
        out.push_back(static_cast<char>((f % 10) << 4 | f / 10));
    }
    return out;
}

// Kannel's %t, "YYYY-MM-DD HH:MM:SS" (UTC), as seconds since 1970.
std::optional<std::int64_t> KannelTime(const std::string& text) {
    int y = 0;
    int mo = 0;
    int d = 0;
    int h = 0;
    int mi = 0;
    int s = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) !=
            6 ||
        y < 1990 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) {
        return std::nullopt;
    }
    return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

// TP-OA / TP-RA: a number in swapped semi-octets, or a name in packed GSM
// 7-bit (type of number 101, TS 23.040 9.1.2.5).
std::string AddressOctets(const std::string& address) {
    std::string digits;
    for (const char c : address) {
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
        }
    }
    const bool plus = !address.empty() && address[0] == '+';
    std::string out;
    if (!digits.empty() && digits.size() + (plus ? 1 : 0) == address.size()) {
        out.push_back(static_cast<char>(digits.size()));
        out.push_back(static_cast<char>(plus ? 0x91 : 0x81));
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            const int low = digits[i] - '0';
            const int high = i + 1 < digits.size() ? digits[i + 1] - '0' : 0x0F;
            out.push_back(static_cast<char>(high << 4 | low));
        }
        return out;
    }
    const std::string septets = PduLib::Utf16ToGsm7(PduLib::Utf8ToUtf16(address)).substr(0, 11);
    std::string packed;
    unsigned bits = 0;
    int count = 0;
    for (const char septet : septets) {
        bits |= (static_cast<unsigned>(septet) & 0x7F) << count;
        count += 7;
        while (count >= 8) {
            packed.push_back(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) {
        packed.push_back(static_cast<char>(bits & 0xFF));
    }
    out.push_back(static_cast<char>(septets.size() * 7 / 4 + (septets.size() * 7 % 4 != 0)));
    out.push_back(static_cast<char>(0xD0));
    return out + packed;
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

}  // namespace

HRESULT GatewayFailure(int httpStatus, std::string_view text) {
    const std::string words =
        "Kannel refused the message (HTTP " + std::to_string(httpStatus) + "): " + Trimmed(text);
    FailureTexts& table = Failures();
    std::lock_guard<std::mutex> hold(table.lock);
    std::size_t index = 0;
    while (index < table.texts.size() && table.texts[index] != words) {
        ++index;
    }
    if (index == table.texts.size()) {
        if (index + 1 >= kGatewayCodes) {
            index = kGatewayCodes - 1;
            table.texts.resize(kGatewayCodes);
            table.texts[index] = "Kannel refused the message.";
        } else {
            table.texts.push_back(words);
        }
    }
    return static_cast<HRESULT>(static_cast<std::uint32_t>(VTX_E_GATEWAY_BASE) +
                                static_cast<std::uint32_t>(index));
}

std::u16string GatewayFailureText(HRESULT status) {
    const std::uint32_t code = static_cast<std::uint32_t>(status);
    const std::uint32_t base = static_cast<std::uint32_t>(VTX_E_GATEWAY_BASE);
    if (code < base || code >= base + kGatewayCodes) {
        return {};
    }
    FailureTexts& table = Failures();
    std::lock_guard<std::mutex> hold(table.lock);
    const std::size_t index = code - base;
    return index < table.texts.size() ? PduLib::Utf8ToUtf16(table.texts[index]) : u"";
}

bool SubmitToRequest(std::string_view pduHex, SendRequest& request, std::string& error) {
    std::string octets;
    if (!PduLib::FromHex(pduHex, octets, error)) {
        return false;
    }
    PduLib::DecodedSubmit submit;
    try {
        submit = PduLib::DecodeSubmitPdu(octets);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    SendRequest out;
    out.to = submit.destination;
    if ((submit.destinationToa & 0x70) == 0x10 && out.to.rfind('+', 0) != 0) {
        out.to.insert(0, 1, '+');
    }
    if (out.to.empty()) {
        error = "the message has no destination";
        return false;
    }
    if (submit.lockingShift != 0 || submit.singleShift != 0) {
        error = "Kannel cannot send national language tables";
        return false;
    }
    switch (submit.alphabet) {
        case 0:
            out.coding = 0;
            out.text = submit.textUtf8();
            break;
        case 1:
            out.coding = 1;
            out.text = submit.eightBit;
            break;
        case 2:
            out.coding = 2;
            out.text = PduLib::Utf16ToUtf8(submit.ucs2);
            break;
        default:
            error = "reserved alphabet";
            return false;
    }
    out.udh = HeaderOctets(submit);
    request = std::move(out);
    return true;
}

std::string PercentEncode(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

std::map<std::string, std::string> ParseQuery(std::string_view query) {
    auto nibble = [](char c) {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    auto decode = [&nibble](std::string_view in) {
        std::string out;
        for (std::size_t i = 0; i < in.size(); ++i) {
            if (in[i] == '+') {
                out.push_back(' ');
            } else if (in[i] == '%' && i + 2 < in.size() && nibble(in[i + 1]) >= 0 &&
                       nibble(in[i + 2]) >= 0) {
                out.push_back(static_cast<char>(nibble(in[i + 1]) * 16 + nibble(in[i + 2])));
                i += 2;
            } else {
                out.push_back(in[i]);
            }
        }
        return out;
    };
    std::map<std::string, std::string> fields;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty()) {
            continue;
        }
        const std::size_t eq = pair.find('=');
        const std::string name = decode(pair.substr(0, eq));
        if (fields.count(name) == 0) {
            fields[name] =
                eq == std::string_view::npos ? std::string() : decode(pair.substr(eq + 1));
        }
    }
    return fields;
}

std::string SendsmsQuery(const SendRequest& request, std::string_view user,
                         std::string_view password, std::string_view dlrUrl) {
    std::string q = "username=" + PercentEncode(user) + "&password=" + PercentEncode(password) +
                    "&to=" + PercentEncode(request.to) + "&text=" + PercentEncode(request.text) +
                    "&coding=" + std::to_string(request.coding);
    if (request.coding != 1) {
        q += "&charset=UTF-8";
    }
    if (!request.udh.empty()) {
        q += "&udh=" + PercentEncode(request.udh);
    }
    q += "&dlr-mask=31&dlr-url=" + PercentEncode(dlrUrl);
    return q;
}

std::string DlrUrl(std::string_view listen, std::string_view messageId, std::string_view to,
                   int reference, std::int64_t sent) {
    return "http://" + std::string(listen) + "/dlr?id=" + PercentEncode(messageId) +
           "&to=" + PercentEncode(to) + "&mr=" + std::to_string(reference & 0xFF) +
           "&t=" + std::to_string(sent) + "&status=%d&reply=%A";
}

Answer ClassifyAnswer(int httpStatus, std::string_view body) {
    Answer answer;
    const bool accepted = body.rfind("0:", 0) == 0 || body.rfind("3:", 0) == 0;
    if ((httpStatus == 202 || httpStatus == 200) && accepted) {
        answer.outcome = Outcome::Sent;
        answer.status = S_OK;
    } else if (httpStatus == 503) {
        answer.outcome = Outcome::Retry;
        answer.status = VTX_E_MODEM_BUSY;
    } else {
        answer.outcome = Outcome::Failed;
        answer.status = GatewayFailure(httpStatus, body.empty() ? "no answer text" : body);
    }
    return answer;
}

bool ParseReport(const std::map<std::string, std::string>& query, Report& report) {
    const auto id = query.find("id");
    const auto status = query.find("status");
    if (id == query.end() || id->second.empty() || status == query.end()) {
        return false;
    }
    const std::string& s = status->second;
    if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    auto number = [&query](const char* name, std::int64_t most) -> std::optional<std::int64_t> {
        const auto it = query.find(name);
        if (it == query.end() || it->second.empty() || it->second.size() > 12 ||
            it->second.find_first_not_of("0123456789") != std::string::npos) {
            return std::nullopt;
        }
        const std::int64_t value = std::stoll(it->second);
        return value <= most ? std::optional<std::int64_t>(value) : std::nullopt;
    };
    const auto to = query.find("to");
    const auto reference = number("mr", 255);
    const auto sent = number("t", std::int64_t{1} << 40);
    if (to == query.end() || to->second.empty() || !reference || !sent) {
        return false;
    }
    report.messageId = id->second;
    report.code = std::stoi(s);
    const auto reply = query.find("reply");
    report.smscReply = reply == query.end() ? std::string() : reply->second;
    report.to = to->second;
    report.reference = static_cast<int>(*reference);
    report.sent = *sent;
    return true;
}

std::optional<std::uint8_t> ReportStatus(int code) {
    switch (code) {
        case 1:
            return 0x00;
        case 2:
            return 0x40;
        case 4:
            return 0x20;
        case 16:
            return 0x63;
        default:
            return std::nullopt;
    }
}

std::string StatusReportPdu(const Report& report, std::uint8_t status, std::int64_t discharge) {
    std::string pdu(1, '\0');  // no service-centre address
    pdu.push_back(0x06);       // SMS-STATUS-REPORT, no more messages
    pdu.push_back(static_cast<char>(report.reference & 0xFF));
    pdu += AddressOctets(report.to);
    pdu += TimeStampOctets(report.sent);
    pdu += TimeStampOctets(discharge);
    pdu.push_back(static_cast<char>(status));
    return PduLib::ToHex(pdu);
}

ReportMeaning ReportCodeMeaning(int code) {
    using PduLib::StatusKind;
    switch (code) {
        case 1:
            return {StatusKind::Delivered, true, "Received by the recipient"};
        case 2:
            return {StatusKind::FailedPermanent, true, "Delivery to the recipient failed"};
        case 4:
            return {StatusKind::StillTrying, false, "Queued at the service centre"};
        case 8:
            return {StatusKind::StillTrying, false, "Accepted by the service centre"};
        case 16:
            return {StatusKind::FailedPermanent, true, "Refused by the service centre"};
        default:
            return {StatusKind::Unknown, false, "Unknown gateway report " + std::to_string(code)};
    }
}

bool ParseReply(const std::map<std::string, std::string>& query, Reply& reply) {
    const auto from = query.find("from");
    if (from == query.end() || from->second.empty()) {
        return false;
    }
    auto field = [&query](const char* name) {
        const auto it = query.find(name);
        return it == query.end() ? std::string() : it->second;
    };
    Reply out;
    out.from = from->second;
    out.to = field("to");
    out.text = field("text");
    out.time = field("time");
    if (!PduLib::IsValidUtf8(out.text)) {
        return false;  // the sms-service must post UTF-8 (mo-recode)
    }
    reply = std::move(out);
    return true;
}

std::vector<std::string> ReplyPdus(const Reply& reply, std::int64_t now) {
    const std::u16string text = PduLib::Utf8ToUtf16(reply.text);
    // Parts of at most 70 units, or 67 with the concatenation header; a
    // surrogate pair is never cut.
    std::vector<std::u16string> bodies;
    const std::size_t room = text.size() <= 70 ? 70 : 67;
    for (std::size_t at = 0; at < text.size() || bodies.empty();) {
        std::size_t n = std::min(room, text.size() - at);
        if (at + n < text.size() && n > 1 && text[at + n - 1] >= 0xD800 &&
            text[at + n - 1] < 0xDC00) {
            --n;
        }
        bodies.push_back(text.substr(at, n));
        at += n;
    }
    const std::int64_t time = KannelTime(reply.time).value_or(now);
    // The same reply, posted again, takes the same reference.
    unsigned reference = 0;
    for (const char c : reply.from + reply.time + reply.text) {
        reference = reference * 31 + static_cast<unsigned char>(c);
    }
    const bool concatenated = bodies.size() > 1;
    std::vector<std::string> pdus;
    for (std::size_t k = 0; k < bodies.size(); ++k) {
        std::string pdu(1, '\0');
        pdu.push_back(static_cast<char>(concatenated ? 0x44 : 0x04));
        pdu += AddressOctets(reply.from);
        pdu.push_back('\0');  // TP-PID
        pdu.push_back(0x08);  // TP-DCS: UCS2
        pdu += TimeStampOctets(time);
        std::string ud;
        if (concatenated) {
            ud = {0x05,
                  0x00,
                  0x03,
                  static_cast<char>(reference & 0xFF),
                  static_cast<char>(bodies.size()),
                  static_cast<char>(k + 1)};
        }
        for (const char16_t unit : bodies[k]) {
            ud.push_back(static_cast<char>(unit >> 8));
            ud.push_back(static_cast<char>(unit & 0xFF));
        }
        pdu.push_back(static_cast<char>(ud.size()));
        pdus.push_back(PduLib::ToHex(pdu + ud));
    }
    return pdus;
}

bool ReadPasswordFile(const std::string& path, std::string& password, std::string& error) {
#ifndef _WIN32
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = "Cannot read the gateway password file " + path + ".";
        return false;
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        error = "The gateway password file " + path +
                " can be read by others: make it yours alone (chmod 600 " + path + ").";
        return false;
    }
#endif
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) {
        error = "Cannot read the gateway password file " + path + ".";
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.empty()) {
        error = "The gateway password file " + path + " is empty.";
        return false;
    }
    password = std::move(line);
    return true;
}

}  // namespace Kannel
