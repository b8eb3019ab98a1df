// The unit framework of the PDU codec: one unit per field of an SMS-SUBMIT,
// SMS-DELIVER or SMS-STATUS-REPORT (3GPP TS 23.040 9.2.2), led by the
// service-centre address of the PDU mode of 3GPP TS 27.005. Units are chained by inheritance so
// that every unit sees the units before it; `write` and `read` run the chain from the first field.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include <loki/HierarchyGenerators.h>
#include <loki/Typelist.h>

namespace PduLib {

template <class CharT, class Traits = std::char_traits<CharT>>
class MessageUnitBase {
public:
    // The one error type of the codec.
    class failure : public std::runtime_error {
    public:
        explicit failure(const std::string& message) : std::runtime_error(message) {}
        explicit failure(const char* message) : std::runtime_error(message) {}
    };

    typedef std::basic_istream<CharT, Traits> istream_type;
    typedef std::basic_ostream<CharT, Traits> ostream_type;

    virtual ~MessageUnitBase() = default;

    // Whether the optional field behind `bit` (a ParameterIndicatorBit) is in
    // the PDU: always, except after the TP-PI unit of an SMS-STATUS-REPORT,
    // which hides this with the answer its octet gives.
    bool parameterPresent(unsigned /*bit*/) const { return true; }
};

// TP-Parameter-Indicator bits (3GPP TS 23.040 9.2.3.27).
enum ParameterIndicatorBit : unsigned {
    kProtocolIdentifierPresent = 0x01,
    kDataCodingSchemePresent = 0x02,
    kUserDataLengthPresent = 0x04,
};

typedef MessageUnitBase<char>::failure failure;

// Field tags: no state, only the first argument of MessageUnit.
class TPServiceCenterAddress {};
class TPMtiAndFriendsSmsSubmit {};
class TPMessageReference {};
class TPDestinationAddress {};
class TPProtocolIdentifier {};
class TPDataCodingScheme {};
class TPValidityPeriod {};
class TPUserData {};
// SMS-DELIVER (9.2.2.1) and SMS-STATUS-REPORT (9.2.2.3) only.
class TPMtiAndFriendsSmsDeliver {};
class TPMtiAndFriendsSmsStatusReport {};
class TPOriginatingAddress {};
class TPRecipientAddress {};
class TPServiceCentreTimeStamp {};
class TPDischargeTime {};
class TPStatus {};
class TPParameterIndicator {};

// One PDU field; partially specialised for each field tag.
template <class Field, class Base>
class MessageUnit;

// A whole PDU: the linear hierarchy over the reversed field list, so that the
// first field is the innermost base and the last one the outermost unit.
template <class TList>
class Message : public Loki::GenLinearHierarchy<typename Loki::TL::Reverse<TList>::Result,
                                                MessageUnit, MessageUnitBase<char>> {
    typedef Loki::GenLinearHierarchy<typename Loki::TL::Reverse<TList>::Result, MessageUnit,
                                     MessageUnitBase<char>>
        Hierarchy;

public:
    Message() = default;
    Message(const Message&) = delete;
    Message& operator=(const Message&) = delete;
    ~Message() override = default;

    void write(std::ostream& os) { Hierarchy::write(os); }
    void read(std::istream& is) { Hierarchy::read(is); }
};

// Typed access to one unit of a message: unit<TPDestinationAddress>(msg).
// Deduction picks the one base class of the message that is the unit of Field.
template <class Field, class Base>
MessageUnit<Field, Base>& unit(MessageUnit<Field, Base>& u) {
    return u;
}
template <class Field, class Base>
const MessageUnit<Field, Base>& unit(const MessageUnit<Field, Base>& u) {
    return u;
}

namespace detail {

[[noreturn]] inline void fail(const char* message) {
    throw failure(message);
}

// One octet is one get(); the int result modulo 256 is the octet. A stream at
// its end sets failbit, which the caller tests. This is get() without the
// sentry: the codec reads and writes octet by octet, and the sentry's work
// (tie flush, white-space policy) has nothing to do for a binary stream.
inline std::uint8_t getOctet(std::istream& is) {
    std::streambuf* buffer = is.rdbuf();
    if (!is.good() || buffer == nullptr) {
        is.setstate(std::ios::failbit);
        return 0xFF;
    }
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) {
        is.setstate(std::ios::eofbit | std::ios::failbit);
        return 0xFF;
    }
    return static_cast<std::uint8_t>(c & 0xFF);
}

// Writing one octet is one put() of that octet, again without the sentry; a
// failed stream takes nothing more.
inline void putOctet(std::ostream& os, std::uint8_t octet) {
    std::streambuf* buffer = os.rdbuf();
    if (!os.good() || buffer == nullptr) {
        os.setstate(std::ios::badbit);
        return;
    }
    if (buffer->sputc(static_cast<char>(octet)) == std::char_traits<char>::eof()) {
        os.setstate(std::ios::badbit);
    }
}

}  // namespace detail
}  // namespace PduLib
