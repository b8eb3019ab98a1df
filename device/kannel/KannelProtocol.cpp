#include "device/kannel/KannelProtocol.h"

#include <sys/stat.h>

#include <exception>
#include <fstream>
#include <mutex>
#include <vector>

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

std::string DlrUrl(std::string_view listen, std::string_view messageId) {
    return "http://" + std::string(listen) + "/dlr?id=" + PercentEncode(messageId) +
           "&status=%d&reply=%A";
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
    report.messageId = id->second;
    report.code = std::stoi(s);
    const auto reply = query.find("reply");
    report.smscReply = reply == query.end() ? std::string() : reply->second;
    return true;
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
