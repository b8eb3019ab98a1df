// User data header (3GPP TS 23.040 9.2.3.24): TP-UDHL and the information
// elements the codec understands, concatenated short messages with an 8-bit
// (IEI 0x00, 9.2.3.24.1) or a 16-bit reference (IEI 0x08, 9.2.3.24.8).
// Included by UserData.h: the elements are nested in the user-data unit.
#pragma once

#include "pdu/UserData.h"

namespace PduLib {

template <class Base>
class MessageUnit<TPUserData, Base>::InfoElementBase {
public:
    virtual ~InfoElementBase() = default;
    virtual unsigned length() const = 0;
    virtual InfoElementPtr clone() const = 0;
    virtual bool equals(const InfoElementBase& other) const = 0;
    virtual void read(std::istream& is, unsigned& remaining) = 0;
    virtual void write(std::ostream& os) const = 0;

protected:
    InfoElementBase() = default;
    InfoElementBase(const InfoElementBase&) = default;
    InfoElementBase& operator=(const InfoElementBase&) = default;

    static std::uint8_t readOne(std::istream& is, unsigned& remaining, const char* readFailure) {
        const std::uint8_t octet = detail::getOctet(is);
        if (is.fail()) {
            detail::fail(readFailure);
        }
        --remaining;
        return octet;
    }
};

template <class Base>
class MessageUnit<TPUserData, Base>::ConcatenatedMessage8bitInfoElement : public InfoElementBase {
public:
    static constexpr int identifier = 0x00;
    // Octets after the IEI: the length octet and three octets of data.
    static constexpr unsigned octetsAfterIdentifier = 4;

    std::uint8_t reference = 0;
    std::uint8_t total = 0;
    std::uint8_t sequence = 0;

    ConcatenatedMessage8bitInfoElement(std::uint8_t ref, std::uint8_t tot, std::uint8_t seq)
        : reference(ref), total(tot), sequence(seq) {}
    ConcatenatedMessage8bitInfoElement(std::istream& is, unsigned& remaining) {
        read(is, remaining);
    }
    ConcatenatedMessage8bitInfoElement(const ConcatenatedMessage8bitInfoElement&) = default;

    unsigned length() const override { return 5; }
    InfoElementPtr clone() const override {
        return InfoElementPtr(new ConcatenatedMessage8bitInfoElement(*this));
    }
    bool equals(const InfoElementBase& other) const override {
        const auto* o = dynamic_cast<const ConcatenatedMessage8bitInfoElement*>(&other);
        return o != nullptr && o->reference == reference && o->total == total &&
               o->sequence == sequence;
    }
    void read(std::istream& is, unsigned& remaining) override {
        static const char* const readFailure =
            "ConcatenatedMessage8bitInfoElement: input stream read failure";
        if (this->readOne(is, remaining, readFailure) != 3) {
            detail::fail("ConcatenatedMessage8bitInfoElement: invalid Information Element length");
        }
        reference = this->readOne(is, remaining, readFailure);
        total = this->readOne(is, remaining, readFailure);
        sequence = this->readOne(is, remaining, readFailure);
    }
    void write(std::ostream& os) const override {
        detail::putOctet(os, 0x00);
        detail::putOctet(os, 0x03);
        detail::putOctet(os, reference);
        detail::putOctet(os, total);
        detail::putOctet(os, sequence);
        if (os.fail()) {
            detail::fail("ConcatenatedMessage8bitInfoElement: output stream write failure");
        }
    }
};

template <class Base>
class MessageUnit<TPUserData, Base>::ConcatenatedMessage16bitInfoElement : public InfoElementBase {
public:
    static constexpr int identifier = 0x08;
    static constexpr unsigned octetsAfterIdentifier = 5;

    std::uint16_t reference = 0;
    std::uint8_t total = 0;
    std::uint8_t sequence = 0;

    ConcatenatedMessage16bitInfoElement(std::uint16_t ref, std::uint8_t tot, std::uint8_t seq)
        : reference(ref), total(tot), sequence(seq) {}
    ConcatenatedMessage16bitInfoElement(std::istream& is, unsigned& remaining) {
        read(is, remaining);
    }
    ConcatenatedMessage16bitInfoElement(const ConcatenatedMessage16bitInfoElement&) = default;

    unsigned length() const override { return 6; }
    InfoElementPtr clone() const override {
        return InfoElementPtr(new ConcatenatedMessage16bitInfoElement(*this));
    }
    bool equals(const InfoElementBase& other) const override {
        const auto* o = dynamic_cast<const ConcatenatedMessage16bitInfoElement*>(&other);
        return o != nullptr && o->reference == reference && o->total == total &&
               o->sequence == sequence;
    }
    void read(std::istream& is, unsigned& remaining) override {
        static const char* const readFailure =
            "ConcatenatedMessage16bitInfoElement: input stream read failure";
        if (this->readOne(is, remaining, readFailure) != 4) {
            detail::fail("ConcatenatedMessage16bitInfoElement: invalid Information Element length");
        }
        const unsigned high = this->readOne(is, remaining, readFailure);
        const unsigned low = this->readOne(is, remaining, readFailure);
        reference = static_cast<std::uint16_t>(high * 256u + low);
        total = this->readOne(is, remaining, readFailure);
        sequence = this->readOne(is, remaining, readFailure);
    }
    void write(std::ostream& os) const override {
        detail::putOctet(os, 0x08);
        detail::putOctet(os, 0x04);
        detail::putOctet(os, static_cast<std::uint8_t>(reference >> 8));
        detail::putOctet(os, static_cast<std::uint8_t>(reference & 0xFF));
        detail::putOctet(os, total);
        detail::putOctet(os, sequence);
        if (os.fail()) {
            detail::fail("ConcatenatedMessage16bitInfoElement: output stream write failure");
        }
    }
};

template <class Base>
unsigned MessageUnit<TPUserData, Base>::headerLength() const {
    unsigned sum = 0;
    for (const auto& entry : userDataHeader_) {
        sum += entry.second->length();
    }
    return sum;
}

template <class Base>
void MessageUnit<TPUserData, Base>::readHeader(std::istream& is, unsigned& remaining) {
    const unsigned udhl = detail::getOctet(is);
    if (is.fail()) {
        detail::fail("TPUserData: input stream read failure");
    }
    --remaining;
    if (udhl > remaining) {
        detail::fail("TPUserData: bad User Data Header length");
    }
    remaining -= udhl;
    unsigned headerRemaining = udhl;
    while (headerRemaining != 0) {
        readInfoElement(is, headerRemaining);
    }
}

template <class Base>
void MessageUnit<TPUserData, Base>::readInfoElement(std::istream& is, unsigned& headerRemaining) {
    const int iei = detail::getOctet(is);
    if (is.fail()) {
        detail::fail("TPUserData: input stream read failure");
    }
    --headerRemaining;
    // An element must fit in what is left of TP-UDHL; the count never runs
    // below zero.
    const auto checkFits = [headerRemaining](unsigned needed) {
        if (needed > headerRemaining) {
            detail::fail("TPUserData: Information Element exceeds User Data Header length");
        }
    };
    InfoElementPtr element;
    switch (iei) {
        case ConcatenatedMessage8bitInfoElement::identifier:
            checkFits(ConcatenatedMessage8bitInfoElement::octetsAfterIdentifier);
            element = InfoElementPtr(new ConcatenatedMessage8bitInfoElement(is, headerRemaining));
            break;
        case ConcatenatedMessage16bitInfoElement::identifier:
            checkFits(ConcatenatedMessage16bitInfoElement::octetsAfterIdentifier);
            element = InfoElementPtr(new ConcatenatedMessage16bitInfoElement(is, headerRemaining));
            break;
        default:
            detail::fail("TPUserData: unsupported User Data Header Information Element");
    }
    // An identifier already present keeps its first element.
    userDataHeader_.insert(std::make_pair(iei, element));
}

template <class Base>
void MessageUnit<TPUserData, Base>::writeHeader(std::ostream& os) const {
    const unsigned length = headerLength();
    if (length == 0) {
        return;
    }
    detail::putOctet(os, static_cast<std::uint8_t>(length));
    if (os.fail()) {
        detail::fail("TPUserData: output stream write failure");
    }
    for (const auto& entry : userDataHeader_) {
        entry.second->write(os);
    }
}

}  // namespace PduLib
