#include "pdu/PduDecoder.h"

#include <istream>
#include <streambuf>
#include <typeinfo>

#include "pdu/Gsm7.h"
#include "pdu/Gsm7National.h"
#include "pdu/SmsSubmitMessage.h"
#include "pdu/Unicode.h"

namespace PduLib {
class CSubmitDecoder::MemoryBuf final : public std::streambuf {
public:
    void Reset(std::string_view bytes) {
        char* begin = const_cast<char*>(bytes.data());
        setg(begin, begin, begin + bytes.size());
    }
    std::size_t Remaining() const { return static_cast<std::size_t>(egptr() - gptr()); }
};

CSubmitDecoder::CSubmitDecoder()
    : m_buffer(std::make_unique<MemoryBuf>()), m_stream(std::make_unique<std::istream>(nullptr)) {
    m_stream->rdbuf(m_buffer.get());
}

CSubmitDecoder::~CSubmitDecoder() = default;

DecodedSubmit DecodeSubmitPdu(std::string_view octets) {
    CSubmitDecoder decoder;
    return decoder.Decode(octets);
}

const ConcatenationInfo* DecodedSubmit::concatenation() const {
    for (const ConcatenationInfo& e : header) {
        if (e.concatenation()) {
            return &e;
        }
    }
    return nullptr;
}

std::u16string DecodedSubmit::text() const {
    if (alphabet == 0) {
        return Gsm7ToUtf16(septets, Gsm7Tables{lockingShift, singleShift});
    }
    if (alphabet == 2) {
        return ucs2;
    }
    return std::u16string();
}

std::string DecodedSubmit::textUtf8() const {
    if (alphabet == 0 && lockingShift == 0 && singleShift == 0) {
        return Gsm7ToUtf8(septets);
    }
    return Utf16ToUtf8(text());
}

DecodedSubmit CSubmitDecoder::Decode(std::string_view octets) {
    m_buffer->Reset(octets);
    std::istream& stream = *m_stream;
    stream.clear();
    SmsSubmitMessage message;
    message.read(stream);
    if (m_buffer->Remaining() != 0) {
        throw failure("trailing octets after the user data");
    }

    DecodedSubmit d;
    const auto& sca = unit<TPServiceCenterAddress>(message);
    d.serviceCenter = sca.number();
    d.serviceCenterToa = sca.typeOfAddress();
    const auto& first = unit<TPMtiAndFriendsSmsSubmit>(message);
    d.rejectDuplicates = first.rejectDuplicates();
    d.validityPeriodFormat = first.validityPeriodFormat();
    d.statusReportRequest = first.statusReportRequest();
    d.userDataHeaderIndicator = first.userDataHeaderIndicator();
    d.replyPath = first.replyPath();
    d.messageReference = unit<TPMessageReference>(message).messageReference();
    const auto& da = unit<TPDestinationAddress>(message);
    d.destination = da.number();
    d.destinationToa = da.typeOfAddress();
    d.protocolIdentifier = unit<TPProtocolIdentifier>(message).protocolIdentifier();
    d.dataCodingScheme = message.dataCodingScheme().toOctet();
    d.alphabet = message.alphabet();

    const ValidityPeriodBase& vp = message.validityPeriod();
    if (typeid(vp) == typeid(RelativeValidityPeriod)) {
        d.validity = DecodedSubmit::Validity::Relative;
        d.relativeValidity = static_cast<const RelativeValidityPeriod&>(vp).validityPeriod;
    } else if (typeid(vp) == typeid(AbsoluteValidityPeriod)) {
        d.validity = DecodedSubmit::Validity::Absolute;
        d.absoluteValidity = static_cast<const AbsoluteValidityPeriod&>(vp).timeStamp;
    }

    for (const auto& entry : message.userDataHeader()) {
        ConcatenationInfo info;
        info.iei = entry.first;
        const InfoElementBase* element = Loki::GetImpl(entry.second);
        if (const auto* e8 = dynamic_cast<const ConcatenatedMessage8bitInfoElement*>(element)) {
            info.reference = e8->reference;
            info.total = e8->total;
            info.sequence = e8->sequence;
        } else if (const auto* e16 =
                       dynamic_cast<const ConcatenatedMessage16bitInfoElement*>(element)) {
            info.reference = e16->reference;
            info.total = e16->total;
            info.sequence = e16->sequence;
        } else if (const auto* nl = dynamic_cast<const NationalLanguageInfoElement*>(element)) {
            info.language = nl->language;
            (nl->locking ? d.lockingShift : d.singleShift) = nl->language;
        } else if (const auto* other = dynamic_cast<const OtherInfoElement*>(element)) {
            info.data = other->data;
        }
        d.header.push_back(info);
    }

    const unsigned headerOctets = message.headerOctetCount();
    const UserDataBase& body = message.userData();
    if (typeid(body) == typeid(DefaultUserData)) {
        const auto* text = static_cast<const DefaultUserData*>(&body);
        d.septets = text->text;
        d.userDataLength =
            detail::headerSeptets(headerOctets) + static_cast<unsigned>(text->text.size());
    } else if (const auto* ucs2 = dynamic_cast<const UCS2UserData*>(&body)) {
        d.ucs2 = ucs2->text;
        d.userDataLength = headerOctets + body.length();
    } else if (const auto* data = dynamic_cast<const EightBitUserData*>(&body)) {
        d.eightBit.assign(data->data.begin(), data->data.end());
        d.userDataLength = headerOctets + body.length();
    }
    return d;
}

}  // namespace PduLib
