// Address fields: the service-centre address that leads a PDU-mode PDU
// (3GPP TS 27.005 3.3.1, length in octets) and TP-DA (3GPP TS 23.040 9.1.2.5,
// length in digits). Digits are swapped semi-octets with a 0xF filler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "pdu/MessageUnit.h"

namespace PduLib {
namespace detail {

// Packs the digits of `number` (an optional leading '+', then '0'..'9') into
// swapped semi-octets. Any other character sets failbit on `os` and leaves
// `octets` partly filled; nothing is written to the stream here.
void packSemiOctets(const std::string& number, std::ostream& os, std::string& octets);

// Reads `count` digit octets and appends their digits to `digits`. A low
// nibble above 9, or a high nibble above 9 before the last octet, sets failbit.
void unpackSemiOctets(std::istream& is, std::size_t count, std::string& digits);

// Reads an address field whose length octet counts semi-octets (TP-OA, TP-RA,
// TS 23.040 9.1.2.5): the number with a '+' for an international one, or for
// an alphanumeric address (type of number 101) its GSM 7-bit text as UTF-8.
// A short or malformed field sets failbit.
void readAddressField(std::istream& is, std::string& text, std::uint8_t& toa);

}  // namespace detail

// The state of an address unit: the number text and its type of address.
class AddressFields {
public:
    const std::string& number() const { return number_; }
    void setNumber(std::string number) { number_ = std::move(number); }
    std::uint8_t typeOfAddress() const { return typeOfAddress_; }
    void setTypeOfAddress(std::uint8_t toa) { typeOfAddress_ = toa; }

private:
    std::string number_;
    std::uint8_t typeOfAddress_ = 0x81;
};

template <class Base>
class MessageUnit<TPServiceCenterAddress, Base> : public Base {
public:
    ~MessageUnit() override = default;

    const std::string& number() const { return fields_.number(); }
    void setNumber(std::string number) { fields_.setNumber(std::move(number)); }
    std::uint8_t typeOfAddress() const { return fields_.typeOfAddress(); }
    void setTypeOfAddress(std::uint8_t toa) { fields_.setTypeOfAddress(toa); }

    void write(std::ostream& os) {
        // The first unit: nothing before it to write.
        std::string octets;
        detail::packSemiOctets(fields_.number(), os, octets);
        // The length octet counts the type octet too: at most 254 digit octets.
        if (octets.size() > 254) {
            os.setstate(std::ios::failbit);
        }
        if (!os.fail()) {
            if (octets.empty()) {
                detail::putOctet(os, 0x00);
            } else {
                detail::putOctet(os, static_cast<std::uint8_t>(octets.size() + 1));
                detail::putOctet(os, fields_.typeOfAddress());
                os.write(octets.data(), static_cast<std::streamsize>(octets.size()));
            }
        }
        if (os.fail()) {
            detail::fail("TPServiceCenterAddress: output stream write failure");
        }
    }

    void read(std::istream& is) {
        const std::uint8_t length = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPServiceCenterAddress: input stream read failure");
        }
        if (length == 0) {
            fields_.setNumber(std::string());
            fields_.setTypeOfAddress(0x81);
            return;
        }
        const std::uint8_t toa = detail::getOctet(is);
        std::string text;
        if (!is.fail()) {
            if (toa == 0x91) {
                text.push_back('+');
            }
            detail::unpackSemiOctets(is, length - 1u, text);
        }
        if (is.fail()) {
            detail::fail("TPServiceCenterAddress: input stream read failure");
        }
        fields_.setTypeOfAddress(toa);
        fields_.setNumber(std::move(text));
    }

private:
    AddressFields fields_;
};

template <class Base>
class MessageUnit<TPDestinationAddress, Base> : public Base {
public:
    ~MessageUnit() override = default;

    const std::string& number() const { return fields_.number(); }
    void setNumber(std::string number) { fields_.setNumber(std::move(number)); }
    std::uint8_t typeOfAddress() const { return fields_.typeOfAddress(); }
    void setTypeOfAddress(std::uint8_t toa) { fields_.setTypeOfAddress(toa); }

    void write(std::ostream& os) {
        Base::write(os);
        const std::string& number = fields_.number();
        std::string octets;
        detail::packSemiOctets(number, os, octets);
        const std::size_t digits =
            (!number.empty() && number[0] == '+') ? number.size() - 1 : number.size();
        // A number longer than its length octet can count would be cut.
        if (digits > 255) {
            os.setstate(std::ios::failbit);
        }
        if (!os.fail()) {
            detail::putOctet(os, static_cast<std::uint8_t>(digits));
            detail::putOctet(os, fields_.typeOfAddress());
            os.write(octets.data(), static_cast<std::streamsize>(octets.size()));
        }
        if (os.fail()) {
            detail::fail("TPDestinationAddress: output stream write failure");
        }
    }

    void read(std::istream& is) {
        Base::read(is);
        const std::uint8_t digits = detail::getOctet(is);
        const std::uint8_t toa = detail::getOctet(is);
        std::string text;
        if (!is.fail()) {
            if (toa == 0x91 && digits != 0) {
                text.push_back('+');
            }
            detail::unpackSemiOctets(is, (digits + 1u) / 2u, text);
        }
        if (is.fail()) {
            detail::fail("TPDestinationAddress: input stream read failure");
        }
        fields_.setTypeOfAddress(toa);
        fields_.setNumber(std::move(text));
    }

private:
    AddressFields fields_;
};

}  // namespace PduLib
