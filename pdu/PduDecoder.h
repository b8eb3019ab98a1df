// Decoding a whole PDU-mode SMS-SUBMIT (service-centre field first) into
// plain values, for tools and for the modem simulator.
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

struct DecodedSubmit {
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
    std::uint8_t protocolIdentifier = 0;
    std::uint8_t dataCodingScheme = 0;
    int alphabet = 0;
    enum class Validity { None, Relative, Absolute } validity = Validity::None;
    std::uint8_t relativeValidity = 0;
    TimeStamp absoluteValidity;
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

// Decodes PDU after PDU with one stream, set up once: for batches.
class CSubmitDecoder final {
public:
    CSubmitDecoder();
    ~CSubmitDecoder();
    CSubmitDecoder(const CSubmitDecoder&) = delete;
    CSubmitDecoder& operator=(const CSubmitDecoder&) = delete;
    // As DecodeSubmitPdu.
    DecodedSubmit Decode(std::string_view octets);

private:
    class MemoryBuf;
    std::unique_ptr<MemoryBuf> m_buffer;
    std::unique_ptr<std::istream> m_stream;
};

// Reads `octets` as one SMS-SUBMIT. Throws the codec's `failure`; octets left
// after the user data are refused too ("trailing octets after the user data").
DecodedSubmit DecodeSubmitPdu(std::string_view octets);

}  // namespace PduLib
