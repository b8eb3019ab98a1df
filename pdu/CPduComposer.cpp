#include "pdu/CPduComposer.h"

#include <iomanip>
#include <optional>
#include <sstream>

#include "pdu/OctetStream.h"

#include "pdu/Gsm7.h"
#include "pdu/Hex.h"
#include "pdu/SmsSubmitMessage.h"
#include "pdu/SubmitFields.h"

namespace PduLib {
namespace {

// Windows-1252 for U+0080..U+009F's slots: the characters it puts there.
struct AnsiExtra {
    char16_t character;
    unsigned char code;
};
constexpr AnsiExtra kAnsiExtras[] = {
    {u'\u20AC', 0x80}, {u'\u201A', 0x82}, {u'\u0192', 0x83}, {u'\u201E', 0x84}, {u'\u2026', 0x85},
    {u'\u2020', 0x86}, {u'\u2021', 0x87}, {u'\u02C6', 0x88}, {u'\u2030', 0x89}, {u'\u0160', 0x8A},
    {u'\u2039', 0x8B}, {u'\u0152', 0x8C}, {u'\u017D', 0x8E}, {u'\u2018', 0x91}, {u'\u2019', 0x92},
    {u'\u201C', 0x93}, {u'\u201D', 0x94}, {u'\u2022', 0x95}, {u'\u2013', 0x96}, {u'\u2014', 0x97},
    {u'\u02DC', 0x98}, {u'\u2122', 0x99}, {u'\u0161', 0x9A}, {u'\u203A', 0x9B}, {u'\u0153', 0x9C},
    {u'\u017E', 0x9E}, {u'\u0178', 0x9F},
};

// Keeps a stream's whole format state as it was: the report prints booleans
// as words, and the PDU line in hexadecimal with '0' fill and widths.
class FormatGuard {
public:
    explicit FormatGuard(std::ostream& os)
        : os_(os),
          flags_(os.flags()),
          fill_(os.fill()),
          precision_(os.precision()),
          width_(os.width()) {}
    ~FormatGuard() {
        os_.flags(flags_);
        os_.fill(fill_);
        os_.precision(precision_);
        os_.width(width_);
    }
    FormatGuard(const FormatGuard&) = delete;
    FormatGuard& operator=(const FormatGuard&) = delete;

private:
    std::ostream& os_;
    std::ios::fmtflags flags_;
    char fill_;
    std::streamsize precision_;
    std::streamsize width_;
};

void printReport(SmsSubmitMessage& message, std::ostream& out) {
    const std::string rule(70, '-');
    out << std::boolalpha << std::dec;
    out << rule << '\n';
    out << " Message Type: Submit" << '\n';
    out << rule << '\n';
    out << "Service Center Address: " << unit<TPServiceCenterAddress>(message).number() << '\n';
    const auto& first = unit<TPMtiAndFriendsSmsSubmit>(message);
    out << "Reject Duplicates: " << first.rejectDuplicates() << '\n';
    out << "Status Report Request: " << first.statusReportRequest() << '\n';
    out << "Reply Path: " << first.replyPath() << '\n';
    out << "Message Reference: "
        << static_cast<unsigned>(unit<TPMessageReference>(message).messageReference()) << '\n';
    out << "Destination Address: " << unit<TPDestinationAddress>(message).number() << '\n';
    out << "Protocol Identifier: "
        << static_cast<unsigned>(unit<TPProtocolIdentifier>(message).protocolIdentifier()) << '\n';
}

}  // namespace

std::string NarrowToAnsi(std::u16string_view wide) {
    std::string narrow;
    narrow.reserve(wide.size());
    for (const char16_t c : wide) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            narrow.push_back(static_cast<char>(c));
            continue;
        }
        char out = '?';
        for (const AnsiExtra& e : kAnsiExtras) {
            if (e.character == c) {
                out = static_cast<char>(e.code);
                break;
            }
        }
        narrow.push_back(out);
    }
    return narrow;
}

void WritePduReport(std::iostream& stream, std::string& pduHex, std::ostream* trace) {
    OctetStream again;
    WritePduReport(stream, pduHex, trace, again);
}

void WritePduReport(std::iostream& stream, std::string& pduHex, std::ostream* trace,
                    OctetStream& again) {
    std::optional<FormatGuard> guard;
    if (trace != nullptr) {
        guard.emplace(*trace);
    }
    try {
        SmsSubmitMessage message;
        message.read(stream);
        if (trace != nullptr) {
            printReport(message, *trace);
        }
        again.reset();
        message.write(again);
        // Every octet value is data: the buffer is taken as it is, no white
        // space is skipped.
        const std::string_view octets = again.octets();
        AppendHex(octets, pduHex);
        if (trace != nullptr) {
            *trace << "PDU: ";
            *trace << std::hex << std::uppercase << std::setfill('0');
            for (const char c : octets) {
                *trace << std::setw(2) << static_cast<unsigned>(static_cast<unsigned char>(c));
            }
            *trace << '\n' << '\n';
        }
    } catch (const std::exception& e) {
        if (trace != nullptr) {
            *trace << "An exception was caught: " << e.what() << '\n';
        }
    }
}

void SetSubmitFields(SmsSubmitMessage& message, const std::string& serviceCenter,
                     const std::string& destination, bool statusReportRequest) {
    auto& sca = unit<TPServiceCenterAddress>(message);
    sca.setNumber(serviceCenter);
    if (!serviceCenter.empty() && serviceCenter[0] == '+') {
        sca.setTypeOfAddress(0x91);
    }
    auto& first = unit<TPMtiAndFriendsSmsSubmit>(message);
    first.setRejectDuplicates(false);
    first.setStatusReportRequest(statusReportRequest);
    first.setReplyPath(true);
    unit<TPMessageReference>(message).setMessageReference(1);
    auto& da = unit<TPDestinationAddress>(message);
    da.setNumber(destination);
    if (!destination.empty() && destination[0] == '+') {
        da.setTypeOfAddress(0x91);
    }
    unit<TPProtocolIdentifier>(message).setProtocolIdentifier(0);
    first.setValidityPeriodFormat(2);
    message.setValidityPeriod(RelativeValidityPeriod(0x8F));
}

std::u16string CPduComposer::ComposePdu() {
    m_pduText.clear();
    m_pduHex.clear();
    m_failureReason.clear();
    try {
        OctetStream& stream = m_stream;
        stream.reset();
        SmsSubmitMessage message;

        // Numbers are narrowed to the ANSI code page. The text is converted
        // into septets of the GSM 7-bit default alphabet (TS 23.038), so that
        // '@', '$', '_', '{', '€' and the rest arrive as typed.
        const std::string serviceCenter = NarrowToAnsi(m_serviceCenter);
        const std::string destination = NarrowToAnsi(m_destination);
        const std::string septets = Utf16ToGsm7(m_messageText);

        SetSubmitFields(message, serviceCenter, destination, statusReportRequest != 0);
        message.setDataCodingScheme(GeneralDataCodingScheme());
        message.setUserData(DefaultUserData(septets));
        message.write(stream);

        std::string hex;
        WritePduReport(stream, hex, m_trace, m_reportStream);
        if (hex.empty()) {
            // The report traced why; keep a reason for the caller too.
            m_failureReason = "the written PDU could not be read back";
        }
        m_pduHex = std::move(hex);
    } catch (const std::exception& e) {
        m_failureReason = e.what();
        if (m_trace != nullptr) {
            *m_trace << "An exception was caught: " << e.what() << '\n';
        }
    }
    m_pduText.assign(m_pduHex.begin(), m_pduHex.end());
    return m_pduText;
}

std::size_t CPduComposer::TpduLength() const {
    const int octets = PduLib::TpduLength(m_pduHex);
    return octets > 0 ? static_cast<std::size_t>(octets) : 0;
}

}  // namespace PduLib
