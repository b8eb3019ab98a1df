// Decoding a whole PDU-mode SMS-SUBMIT, SMS-DELIVER or SMS-STATUS-REPORT
// (service-centre field first) into plain values, for tools, the modem
// simulator and the receiving side.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pdu/ValidityPeriod.h"

namespace PduLib {

// One element of the user data header.
struct ConcatenationInfo {
    int iei = 0;  // 0x00 / 0x08 concatenation, 0x24 / 0x25 national language, or other
    unsigned reference = 0;
    unsigned total = 0;
    unsigned sequence = 0;
    int language = 0;  // 0x24 and 0x25: the national language identifier
    std::string data;  // any other element: its data octets as read
    bool concatenation() const { return iei == 0x00 || iei == 0x08; }
    bool nationalLanguage() const { return iei == 0x24 || iei == 0x25; }
};
typedef ConcatenationInfo HeaderElement;

// TP-PID, TP-DCS and the user data, as every kind of message carries them.
struct DecodedUserData {
    std::uint8_t protocolIdentifier = 0;
    std::uint8_t dataCodingScheme = 0;
    int alphabet = 0;
    std::vector<ConcatenationInfo> header;
    int lockingShift = 0;  // national language tables named by the header
    int singleShift = 0;
    unsigned userDataLength = 0;  // TP-UDL: septets for 7-bit text, else octets
    std::string septets;          // 7-bit text as septet codes
    std::u16string ucs2;          // UCS2 text
    std::string eightBit;         // 8-bit data
    // The concatenation element, or nullptr for a message in one part.
    const ConcatenationInfo* concatenation() const;
    // The text as a reader sees it: 7-bit through the GSM tables (national
    // ones when the header names them), UCS2 as is;
    // empty for 8-bit data.
    std::u16string text() const;
    // The same as UTF-8.
    std::string textUtf8() const;
};

struct DecodedSubmit : DecodedUserData {
    std::string serviceCenter;
    std::uint8_t serviceCenterToa = 0x81;
    bool rejectDuplicates = false;
    int validityPeriodFormat = 0;
    bool statusReportRequest = false;
    bool userDataHeaderIndicator = false;
    bool replyPath = false;
    std::uint8_t messageReference = 0;
    std::string destination;
    std::uint8_t destinationToa = 0x81;
    enum class Validity { None, Relative, Absolute } validity = Validity::None;
    std::uint8_t relativeValidity = 0;
    TimeStamp absoluteValidity;
};

struct DecodedDeliver : DecodedUserData {
    std::string serviceCenter;
    std::uint8_t serviceCenterToa = 0x81;
    bool moreMessagesToSend = false;
    bool loopPrevention = false;
    bool statusReportIndication = false;
    bool userDataHeaderIndicator = false;
    bool replyPath = false;
    std::string originator;  // digits ('+' when international) or the sender's name
    std::uint8_t originatorToa = 0x81;
    TimeStamp serviceCentreTime;
};

// TP-PID, TP-DCS and the user data are there only as TP-PI says (all
// absent without TP-PI); an absent TP-DCS reads as 0x00.
struct DecodedStatusReport : DecodedUserData {
    std::string serviceCenter;
    std::uint8_t serviceCenterToa = 0x81;
    bool moreMessagesToSend = false;
    bool loopPrevention = false;
    bool statusReportQualifier = false;  // on an SMS-COMMAND, not an SMS-SUBMIT
    bool userDataHeaderIndicator = false;
    std::uint8_t messageReference = 0;
    std::string recipient;
    std::uint8_t recipientToa = 0x81;
    TimeStamp serviceCentreTime;
    TimeStamp dischargeTime;
    std::uint8_t status = 0;  // TP-ST, see StatusReportOutcome
    bool hasParameterIndicator = false;
    std::uint8_t parameterIndicator = 0;
};

// Any of the three, as TP-MTI says; only the member of `type` is filled in.
struct DecodedPdu {
    enum class Type { Submit, Deliver, StatusReport } type = Type::Submit;
    DecodedSubmit submit;
    DecodedDeliver deliver;
    DecodedStatusReport statusReport;
};

// A time stamp as ISO 8601 with its offset: "2002-08-26T19:37:41-01:00".
// Two-digit years 90-99 are 1990-1999, the others 2000-2089.
std::string TimeStampIso8601(const TimeStamp& stamp);

// Decodes PDU after PDU with one stream, set up once: for batches.
class CSubmitDecoder final {
public:
    CSubmitDecoder();
    ~CSubmitDecoder();
    CSubmitDecoder(const CSubmitDecoder&) = delete;
    CSubmitDecoder& operator=(const CSubmitDecoder&) = delete;
    // As DecodeSubmitPdu.
    DecodedSubmit Decode(std::string_view octets);
    // As DecodePdu.
    DecodedPdu DecodeAny(std::string_view octets);
    DecodedDeliver DecodeDeliver(std::string_view octets);
    DecodedStatusReport DecodeStatusReport(std::string_view octets);

private:
    class MemoryBuf;
    std::unique_ptr<MemoryBuf> m_buffer;
    std::unique_ptr<std::istream> m_stream;
};

// Reads `octets` as one SMS-SUBMIT. Throws the codec's `failure`; octets left
// after the user data are refused too ("trailing octets after the user data").
DecodedSubmit DecodeSubmitPdu(std::string_view octets);

// Reads `octets` as the kind of message its TP-MTI names: 00 SMS-DELIVER,
// 01 SMS-SUBMIT, 10 SMS-STATUS-REPORT; 11 (reserved) is refused. Throws the
// codec's `failure`, trailing octets included.
DecodedPdu DecodePdu(std::string_view octets);

}  // namespace PduLib
