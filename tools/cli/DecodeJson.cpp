#include "tools/cli/DecodeJson.h"

#include "pdu/Gsm7.h"
#include "pdu/Hex.h"
#include "pdu/StatusReportOutcome.h"
#include "pdu/Unicode.h"

namespace {

void appendUnsigned(unsigned long value, std::string& out) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) {
        out.push_back(digits[--n]);
    }
}

void appendInt(long value, std::string& out) {
    if (value < 0) {
        out.push_back('-');
        appendUnsigned(static_cast<unsigned long>(-value), out);
    } else {
        appendUnsigned(static_cast<unsigned long>(value), out);
    }
}

void appendBool(bool value, std::string& out) {
    out.append(value ? "true" : "false");
}

// ,"key": — keys are fixed ASCII names that need no escaping.
template <std::size_t N>
void key(const char (&name)[N], std::string& out) {
    if (out.back() != '{') {
        out.push_back(',');
    }
    out.push_back('"');
    out.append(name, N - 1);
    out.append("\":", 2);
}

bool needsEscape(char c) {
    return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
}

// True when no septet stands for a character that JSON escapes: the quote,
// the line ends, or anything behind the escape to the extension table.
bool plainSeptets(std::string_view septets) {
    for (const char c : septets) {
        switch (c & 0x7F) {
            case 0x0A:
            case 0x0D:
            case 0x1B:
            case 0x22:
                return false;
            default:
                break;
        }
    }
    return true;
}

}  // namespace

void AppendJsonString(std::string_view text, std::string& out) {
    static const char kHex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t run = 0;  // start of the characters that need no escape
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!needsEscape(c)) {
            continue;
        }
        out.append(text.data() + run, i - run);
        run = i + 1;
        switch (c) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            case '\b':
                out.append("\\b");
                break;
            case '\f':
                out.append("\\f");
                break;
            default:
                out.append("\\u00");
                out.push_back(kHex[(c >> 4) & 0x0F]);
                out.push_back(kHex[c & 0x0F]);
        }
    }
    out.append(text.data() + run, text.size() - run);
    out.push_back('"');
}

namespace {

void appendHeader(const PduLib::DecodedUserData& d, std::string& out) {
    key("udh", out);
    out.push_back('[');
    for (std::size_t i = 0; i < d.header.size(); ++i) {
        const auto& e = d.header[i];
        if (i != 0) {
            out.push_back(',');
        }
        out.push_back('{');
        key("iei", out);
        appendInt(e.iei, out);
        if (e.concatenation()) {
            key("reference", out);
            appendUnsigned(e.reference, out);
            key("total", out);
            appendUnsigned(e.total, out);
            key("sequence", out);
            appendUnsigned(e.sequence, out);
        } else if (e.nationalLanguage()) {
            key("language", out);
            appendInt(e.language, out);
        } else {
            key("data", out);
            AppendJsonString(PduLib::ToHex(e.data), out);
        }
        out.push_back('}');
    }
    out.push_back(']');
}

// `joinedText`: the text of all parts (UTF-8), or nullptr for this part's.
void appendText(const PduLib::DecodedUserData& d, const std::string* joinedText, std::string& out) {
    key("text", out);
    if (joinedText != nullptr) {
        AppendJsonString(*joinedText, out);
    } else if (d.alphabet == 1) {
        AppendJsonString(PduLib::ToHex(d.eightBit), out);
    } else if (d.alphabet == 0 && d.lockingShift == 0 && d.singleShift == 0 &&
               plainSeptets(d.septets)) {
        // The usual text: no septet whose character JSON escapes (quote, line
        // end, or anything behind the escape): straight into the line.
        out.push_back('"');
        PduLib::AppendGsm7AsUtf8(d.septets, out);
        out.push_back('"');
    } else {
        AppendJsonString(d.textUtf8(), out);
    }
}

void appendStamp(const PduLib::TimeStamp& stamp, std::string& out) {
    out.push_back('"');
    out.append(PduLib::TimeStampIso8601(stamp));
    out.push_back('"');
}

void appendDeliver(const PduLib::DecodedDeliver& d, const std::string* joinedText, unsigned parts,
                   std::string& out) {
    out.push_back('{');
    key("type", out);
    out.append("\"deliver\"");
    key("sca", out);
    AppendJsonString(d.serviceCenter, out);
    key("oa", out);
    AppendJsonString(d.originator, out);
    key("oa_toa", out);
    appendUnsigned(d.originatorToa, out);
    key("pid", out);
    appendUnsigned(d.protocolIdentifier, out);
    key("dcs", out);
    appendUnsigned(d.dataCodingScheme, out);
    key("alphabet", out);
    appendInt(d.alphabet, out);
    key("scts", out);
    appendStamp(d.serviceCentreTime, out);
    appendHeader(d, out);
    key("udl", out);
    appendUnsigned(d.userDataLength, out);
    if (joinedText != nullptr) {
        key("parts", out);
        appendUnsigned(parts, out);
    }
    appendText(d, joinedText, out);
    out.push_back('}');
}

}  // namespace

namespace {

// `joinedText`: the text of all parts (UTF-8) in place of this part's, with
// the number of parts; nullptr for one PDU as it is.
void appendJson(const PduLib::DecodedSubmit& d, const std::string* joinedText, unsigned parts,
                std::string& out) {
    out.reserve(out.size() + 320 + 3 * d.septets.size());
    out.push_back('{');
    key("type", out);
    out.append("\"submit\"");
    key("sca", out);
    AppendJsonString(d.serviceCenter, out);
    key("sca_toa", out);
    appendUnsigned(d.serviceCenterToa, out);
    key("reject_duplicates", out);
    appendBool(d.rejectDuplicates, out);
    key("vpf", out);
    appendInt(d.validityPeriodFormat, out);
    key("status_report_request", out);
    appendBool(d.statusReportRequest, out);
    key("udhi", out);
    appendBool(d.userDataHeaderIndicator, out);
    key("reply_path", out);
    appendBool(d.replyPath, out);
    key("mr", out);
    appendUnsigned(d.messageReference, out);
    key("da", out);
    AppendJsonString(d.destination, out);
    key("da_toa", out);
    appendUnsigned(d.destinationToa, out);
    key("pid", out);
    appendUnsigned(d.protocolIdentifier, out);
    key("dcs", out);
    appendUnsigned(d.dataCodingScheme, out);
    key("alphabet", out);
    appendInt(d.alphabet, out);
    key("vp", out);
    switch (d.validity) {
        case PduLib::DecodedSubmit::Validity::None:
            out.append("null");
            break;
        case PduLib::DecodedSubmit::Validity::Relative:
            appendUnsigned(d.relativeValidity, out);
            break;
        case PduLib::DecodedSubmit::Validity::Absolute: {
            const PduLib::TimeStamp& t = d.absoluteValidity;
            const unsigned fields[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
            out.push_back('[');
            for (const unsigned f : fields) {
                appendUnsigned(f, out);
                out.push_back(',');
            }
            appendInt(t.timeZone, out);
            out.push_back(']');
            break;
        }
    }
    appendHeader(d, out);
    key("udl", out);
    appendUnsigned(d.userDataLength, out);
    if (joinedText != nullptr) {
        key("parts", out);
        appendUnsigned(parts, out);
    }
    appendText(d, joinedText, out);
    out.push_back('}');
}

}  // namespace

void AppendDecodedJson(const PduLib::DecodedSubmit& d, std::string& out) {
    appendJson(d, nullptr, 0, out);
}

void AppendJoinedJson(const PduLib::DecodedSubmit& first, const std::string& textUtf8,
                      unsigned parts, std::string& out) {
    appendJson(first, &textUtf8, parts, out);
}

void AppendDecodedJson(const PduLib::DecodedDeliver& d, std::string& out) {
    appendDeliver(d, nullptr, 0, out);
}

void AppendJoinedJson(const PduLib::DecodedDeliver& first, const std::string& textUtf8,
                      unsigned parts, std::string& out) {
    appendDeliver(first, &textUtf8, parts, out);
}

void AppendDecodedJson(const PduLib::DecodedStatusReport& d, std::string& out) {
    out.push_back('{');
    key("type", out);
    out.append("\"status-report\"");
    key("sca", out);
    AppendJsonString(d.serviceCenter, out);
    key("mr", out);
    appendUnsigned(d.messageReference, out);
    key("ra", out);
    AppendJsonString(d.recipient, out);
    key("ra_toa", out);
    appendUnsigned(d.recipientToa, out);
    key("scts", out);
    appendStamp(d.serviceCentreTime, out);
    key("discharge_time", out);
    appendStamp(d.dischargeTime, out);
    key("st", out);
    appendUnsigned(d.status, out);
    key("st_text", out);
    AppendJsonString(PduLib::StatusReportOutcome(d.status).text, out);
    if (d.parameterIndicator & PduLib::kUserDataLengthPresent) {
        appendHeader(d, out);
        key("udl", out);
        appendUnsigned(d.userDataLength, out);
        appendText(d, nullptr, out);
    }
    out.push_back('}');
}

void AppendDecodedJson(const PduLib::DecodedPdu& d, std::string& out) {
    switch (d.type) {
        case PduLib::DecodedPdu::Type::Submit:
            AppendDecodedJson(d.submit, out);
            break;
        case PduLib::DecodedPdu::Type::Deliver:
            AppendDecodedJson(d.deliver, out);
            break;
        case PduLib::DecodedPdu::Type::StatusReport:
            AppendDecodedJson(d.statusReport, out);
            break;
    }
}

void AppendErrorJson(std::string_view reason, std::string& out) {
    out.push_back('{');
    key("error", out);
    AppendJsonString(reason, out);
    out.push_back('}');
}
