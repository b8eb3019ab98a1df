// User data header (3GPP TS 23.040 9.2.3.24): TP-UDHL and its information
// elements: concatenated short messages with an 8-bit (IEI 0x00, 9.2.3.24.1)
// or a 16-bit reference (IEI 0x08, 9.2.3.24.8), the national language single
// and locking shifts (IEI 0x24 and 0x25, 9.2.3.24.15 and .16), and any other
// element, kept as read and written back unchanged.
// Included by UserData.h: the elements are nested in the user-data unit.
#pragma once

#include "pdu/UserData.h"

namespace PduLib {

template <class Base>
class MessageUnit<TPUserData, Base>::InfoElementBase {
public:
    virtual ~InfoElementBase() = default;
    // The information element identifier.
    virtual int iei() const = 0;
    // Octets written: identifier, length octet and data.
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

    int iei() const override { return identifier; }
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

    int iei() const override { return identifier; }
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

// TS 23.040 9.2.3.24.15 (single shift, IEI 0x24) and 9.2.3.24.16 (locking
// shift, IEI 0x25): one octet, the national language identifier of
// TS 23.038 6.2.1.2.4.
template <class Base>
class MessageUnit<TPUserData, Base>::NationalLanguageInfoElement : public InfoElementBase {
public:
    static constexpr int singleShiftIdentifier = 0x24;
    static constexpr int lockingShiftIdentifier = 0x25;
    static constexpr unsigned octetsAfterIdentifier = 2;

    bool locking = false;
    std::uint8_t language = 0;

    NationalLanguageInfoElement(bool lockingShift, std::uint8_t languageId)
        : locking(lockingShift), language(languageId) {}
    NationalLanguageInfoElement(bool lockingShift, std::istream& is, unsigned& remaining)
        : locking(lockingShift) {
        read(is, remaining);
    }
    NationalLanguageInfoElement(const NationalLanguageInfoElement&) = default;

    int iei() const override { return locking ? lockingShiftIdentifier : singleShiftIdentifier; }
    unsigned length() const override { return 3; }
    InfoElementPtr clone() const override {
        return InfoElementPtr(new NationalLanguageInfoElement(*this));
    }
    bool equals(const InfoElementBase& other) const override {
        const auto* o = dynamic_cast<const NationalLanguageInfoElement*>(&other);
        return o != nullptr && o->locking == locking && o->language == language;
    }
    void read(std::istream& is, unsigned& remaining) override {
        static const char* const readFailure =
            "NationalLanguageInfoElement: input stream read failure";
        if (this->readOne(is, remaining, readFailure) != 1) {
            detail::fail("NationalLanguageInfoElement: invalid Information Element length");
        }
        language = this->readOne(is, remaining, readFailure);
    }
    void write(std::ostream& os) const override {
        detail::putOctet(os, static_cast<std::uint8_t>(iei()));
        detail::putOctet(os, 0x01);
        detail::putOctet(os, language);
        if (os.fail()) {
            detail::fail("NationalLanguageInfoElement: output stream write failure");
        }
    }
};

// Any other element: its identifier and data octets as read, written back
// unchanged.
template <class Base>
class MessageUnit<TPUserData, Base>::OtherInfoElement : public InfoElementBase {
public:
    std::uint8_t identifier = 0;
    std::string data;

    OtherInfoElement(std::uint8_t id, std::string octets)
        : identifier(id), data(std::move(octets)) {}
    OtherInfoElement(std::uint8_t id, std::istream& is, unsigned& remaining) : identifier(id) {
        read(is, remaining);
    }
    OtherInfoElement(const OtherInfoElement&) = default;

    int iei() const override { return identifier; }
    unsigned length() const override { return 2u + static_cast<unsigned>(data.size()); }
    InfoElementPtr clone() const override { return InfoElementPtr(new OtherInfoElement(*this)); }
    bool equals(const InfoElementBase& other) const override {
        const auto* o = dynamic_cast<const OtherInfoElement*>(&other);
        return o != nullptr && o->identifier == identifier && o->data == data;
    }
    // `remaining` counts the header octets after the identifier.
    void read(std::istream& is, unsigned& remaining) override {
        static const char* const readFailure = "OtherInfoElement: input stream read failure";
        const unsigned size = this->readOne(is, remaining, readFailure);
        if (size > remaining) {
            detail::fail("TPUserData: Information Element exceeds User Data Header length");
        }
        std::string octets;
        octets.reserve(size);
        for (unsigned k = 0; k < size; ++k) {
            octets.push_back(static_cast<char>(this->readOne(is, remaining, readFailure)));
        }
        data = std::move(octets);
    }
    void write(std::ostream& os) const override {
        detail::putOctet(os, identifier);
        detail::putOctet(os, static_cast<std::uint8_t>(data.size()));
        for (const char c : data) {
            detail::putOctet(os, static_cast<std::uint8_t>(c));
        }
        if (os.fail()) {
            detail::fail("OtherInfoElement: output stream write failure");
        }
    }
};

template <class Base>
void MessageUnit<TPUserData, Base>::setInfoElement(const InfoElementBase& element) {
    userDataHeader_[element.iei()] = element.clone();
}

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
        case NationalLanguageInfoElement::singleShiftIdentifier:
        case NationalLanguageInfoElement::lockingShiftIdentifier:
            checkFits(NationalLanguageInfoElement::octetsAfterIdentifier);
            element = InfoElementPtr(new NationalLanguageInfoElement(
                iei == NationalLanguageInfoElement::lockingShiftIdentifier, is, headerRemaining));
            break;
        default:
            checkFits(1);
            element = InfoElementPtr(
                new OtherInfoElement(static_cast<std::uint8_t>(iei), is, headerRemaining));
            break;
    }
    // An identifier already present keeps its first element.
    userDataHeader_.insert(std::make_pair(iei, element));
}

template <class Base>
void MessageUnit<TPUserData, Base>::writeHeader(std::ostream& os) const {
    if (headerOctetCount() == 0) {
        return;
    }
    const unsigned length = headerLength();
    detail::putOctet(os, static_cast<std::uint8_t>(length));
    if (os.fail()) {
        detail::fail("TPUserData: output stream write failure");
    }
    for (const auto& entry : userDataHeader_) {
        entry.second->write(os);
    }
}

}  // namespace PduLib
