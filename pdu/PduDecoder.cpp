#include "pdu/PduDecoder.h"

#include <istream>
#include <streambuf>
#include <typeinfo>

#include "pdu/Gsm7.h"
#include "pdu/Gsm7National.h"
#include "pdu/SmsDeliverMessage.h"
#include "pdu/SmsSubmitMessage.h"
#include "pdu/Unicode.h"

namespace PduLib {
namespace {

// TP-PID, TP-DCS, the header and the body of any message type `M`.
template <class M>
void readUserData(const M& message, DecodedUserData& d) {
    typedef typename M::ConcatenatedMessage8bitInfoElement ConcatenatedMessage8bitInfoElement;
    typedef typename M::ConcatenatedMessage16bitInfoElement ConcatenatedMessage16bitInfoElement;
    typedef typename M::NationalLanguageInfoElement NationalLanguageInfoElement;
    typedef typename M::OtherInfoElement OtherInfoElement;
    typedef typename M::InfoElementBase InfoElementBase;
    typedef typename M::UserDataBase UserDataBase;
    typedef typename M::DefaultUserData DefaultUserData;
    typedef typename M::UCS2UserData UCS2UserData;
    typedef typename M::EightBitUserData EightBitUserData;

    d.protocolIdentifier = unit<TPProtocolIdentifier>(message).protocolIdentifier();
    d.dataCodingScheme = message.dataCodingScheme().toOctet();
    d.alphabet = message.alphabet();

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
}

void appendTwoDigits(unsigned value, std::string& out) {
    out.push_back(static_cast<char>('0' + value / 10 % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

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

const ConcatenationInfo* DecodedUserData::concatenation() const {
    for (const ConcatenationInfo& e : header) {
        if (e.concatenation()) {
            return &e;
        }
    }
    return nullptr;
}

std::u16string DecodedUserData::text() const {
    if (alphabet == 0) {
        return Gsm7ToUtf16(septets, Gsm7Tables{lockingShift, singleShift});
    }
    if (alphabet == 2) {
        return ucs2;
    }
    return std::u16string();
}

std::string DecodedUserData::textUtf8() const {
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
    const ValidityPeriodBase& vp = message.validityPeriod();
    if (typeid(vp) == typeid(RelativeValidityPeriod)) {
        d.validity = DecodedSubmit::Validity::Relative;
        d.relativeValidity = static_cast<const RelativeValidityPeriod&>(vp).validityPeriod;
    } else if (typeid(vp) == typeid(AbsoluteValidityPeriod)) {
        d.validity = DecodedSubmit::Validity::Absolute;
        d.absoluteValidity = static_cast<const AbsoluteValidityPeriod&>(vp).timeStamp;
    }

    readUserData(message, d);
    return d;
}

DecodedDeliver CSubmitDecoder::DecodeDeliver(std::string_view octets) {
    m_buffer->Reset(octets);
    std::istream& stream = *m_stream;
    stream.clear();
    SmsDeliverMessage message;
    message.read(stream);
    if (m_buffer->Remaining() != 0) {
        throw failure("trailing octets after the user data");
    }

    DecodedDeliver d;
    const auto& sca = unit<TPServiceCenterAddress>(message);
    d.serviceCenter = sca.number();
    d.serviceCenterToa = sca.typeOfAddress();
    const auto& first = unit<TPMtiAndFriendsSmsDeliver>(message);
    d.moreMessagesToSend = first.moreMessagesToSend();
    d.loopPrevention = first.loopPrevention();
    d.statusReportIndication = first.statusReportIndication();
    d.userDataHeaderIndicator = first.userDataHeaderIndicator();
    d.replyPath = first.replyPath();
    const auto& oa = unit<TPOriginatingAddress>(message);
    d.originator = oa.number();
    d.originatorToa = oa.typeOfAddress();
    d.serviceCentreTime = unit<TPServiceCentreTimeStamp>(message).serviceCentreTimeStamp();
    readUserData(message, d);
    return d;
}

DecodedStatusReport CSubmitDecoder::DecodeStatusReport(std::string_view octets) {
    m_buffer->Reset(octets);
    std::istream& stream = *m_stream;
    stream.clear();
    SmsStatusReportMessage message;
    message.read(stream);
    if (m_buffer->Remaining() != 0) {
        throw failure(unit<TPParameterIndicator>(message).hasParameterIndicator()
                          ? "trailing octets after the user data"
                          : "trailing octets after the parameter indicator");
    }

    DecodedStatusReport d;
    const auto& sca = unit<TPServiceCenterAddress>(message);
    d.serviceCenter = sca.number();
    d.serviceCenterToa = sca.typeOfAddress();
    const auto& first = unit<TPMtiAndFriendsSmsStatusReport>(message);
    d.moreMessagesToSend = first.moreMessagesToSend();
    d.loopPrevention = first.loopPrevention();
    d.statusReportQualifier = first.statusReportQualifier();
    d.userDataHeaderIndicator = first.userDataHeaderIndicator();
    d.messageReference = unit<TPMessageReference>(message).messageReference();
    const auto& ra = unit<TPRecipientAddress>(message);
    d.recipient = ra.number();
    d.recipientToa = ra.typeOfAddress();
    d.serviceCentreTime = unit<TPServiceCentreTimeStamp>(message).serviceCentreTimeStamp();
    d.dischargeTime = unit<TPDischargeTime>(message).dischargeTime();
    d.status = unit<TPStatus>(message).status();
    const auto& pi = unit<TPParameterIndicator>(message);
    d.hasParameterIndicator = pi.hasParameterIndicator();
    d.parameterIndicator = pi.parameterIndicator();
    readUserData(message, d);
    return d;
}

DecodedPdu CSubmitDecoder::DecodeAny(std::string_view octets) {
    DecodedPdu d;
    // The first octet follows the service-centre field; without one, the
    // SMS-SUBMIT reader names what is missing.
    const std::size_t first = octets.empty() ? 0 : 1u + static_cast<std::uint8_t>(octets[0]);
    const unsigned mti =
        first < octets.size() ? static_cast<std::uint8_t>(octets[first]) & 0x03u : 0x01u;
    switch (mti) {
        case 0x00:
            d.type = DecodedPdu::Type::Deliver;
            d.deliver = DecodeDeliver(octets);
            break;
        case 0x01:
            d.type = DecodedPdu::Type::Submit;
            d.submit = Decode(octets);
            break;
        case 0x02:
            d.type = DecodedPdu::Type::StatusReport;
            d.statusReport = DecodeStatusReport(octets);
            break;
        default:
            throw failure("TPMessageTypeIndicator: reserved message type 11");
    }
    return d;
}

DecodedPdu DecodePdu(std::string_view octets) {
    CSubmitDecoder decoder;
    return decoder.DecodeAny(octets);
}

std::string TimeStampIso8601(const TimeStamp& stamp) {
    std::string out;
    out.reserve(25);
    out.append(stamp.year >= 90 ? "19" : "20");
    appendTwoDigits(stamp.year, out);
    out.push_back('-');
    appendTwoDigits(stamp.month, out);
    out.push_back('-');
    appendTwoDigits(stamp.day, out);
    out.push_back('T');
    appendTwoDigits(stamp.hour, out);
    out.push_back(':');
    appendTwoDigits(stamp.minute, out);
    out.push_back(':');
    appendTwoDigits(stamp.second, out);
    const int zone = stamp.timeZone;
    const unsigned quarters = static_cast<unsigned>(zone < 0 ? -zone : zone);
    out.push_back(zone < 0 ? '-' : '+');
    appendTwoDigits(quarters / 4, out);
    out.push_back(':');
    appendTwoDigits(quarters % 4 * 15, out);
    return out;
}

}  // namespace PduLib
