// The fields an SMS-DELIVER (3GPP TS 23.040 9.2.2.1) and an
// SMS-STATUS-REPORT (9.2.2.3) have and an SMS-SUBMIT lacks: their first
// octets, TP-OA, TP-RA, TP-SCTS, TP-DT, TP-ST and TP-PI. Read only: the
// program receives these messages, it never sends them.
#pragma once

#include <cstdint>
#include <string>

#include "pdu/ValidityPeriod.h"

namespace PduLib {
namespace detail {

// A time stamp field (TS 23.040 9.2.3.11); `field` names it in the failure.
inline void readTimeStampField(std::istream& is, TimeStamp& stamp, const char* field) {
    readTimeStamp(is, stamp);
    if (is.fail()) {
        throw failure(std::string(field) +
                      (is.eof() ? ": input stream read failure" : ": invalid time stamp"));
    }
}

inline void readAddressUnit(std::istream& is, AddressFields& fields, const char* readFailure) {
    std::string text;
    std::uint8_t toa = 0;
    readAddressField(is, text, toa);
    if (is.fail()) {
        fail(readFailure);
    }
    fields.setTypeOfAddress(toa);
    fields.setNumber(std::move(text));
}

}  // namespace detail

// TP-MTI 00, TP-MMS, TP-LP, TP-SRI, TP-UDHI, TP-RP.
template <class Base>
class MessageUnit<TPMtiAndFriendsSmsDeliver, Base> : public Base {
public:
    ~MessageUnit() override = default;

    // TP-MMS: the bit is 0 when more messages are waiting.
    bool moreMessagesToSend() const { return (octet_ & 0x04) == 0; }
    bool loopPrevention() const { return (octet_ & 0x08) != 0; }
    bool statusReportIndication() const { return (octet_ & 0x20) != 0; }
    bool userDataHeaderIndicator() const { return (octet_ & 0x40) != 0; }
    bool replyPath() const { return (octet_ & 0x80) != 0; }

    void read(std::istream& is) {
        Base::read(is);
        const std::uint8_t octet = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPMtiAndFriendsSmsDeliver: input stream read failure");
        }
        if ((octet & 0x03) != 0x00) {
            detail::fail("TPMtiAndFriendsSmsDeliver: bad MTI");
        }
        octet_ = octet;
    }

private:
    std::uint8_t octet_ = 0;
};

// TP-MTI 10, TP-MMS, TP-LP, TP-SRQ, TP-UDHI.
template <class Base>
class MessageUnit<TPMtiAndFriendsSmsStatusReport, Base> : public Base {
public:
    ~MessageUnit() override = default;

    bool moreMessagesToSend() const { return (octet_ & 0x04) == 0; }
    bool loopPrevention() const { return (octet_ & 0x08) != 0; }
    // TP-SRQ: the report is on an SMS-COMMAND rather than an SMS-SUBMIT.
    bool statusReportQualifier() const { return (octet_ & 0x20) != 0; }
    bool userDataHeaderIndicator() const { return (octet_ & 0x40) != 0; }

    void read(std::istream& is) {
        Base::read(is);
        const std::uint8_t octet = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPMtiAndFriendsSmsStatusReport: input stream read failure");
        }
        if ((octet & 0x03) != 0x02) {
            detail::fail("TPMtiAndFriendsSmsStatusReport: bad MTI");
        }
        octet_ = octet;
    }

private:
    std::uint8_t octet_ = 0;
};

// The address units of the received messages: TP-OA (the sender, possibly
// alphanumeric) and TP-RA (the recipient a report is about).
template <class Base>
class MessageUnit<TPOriginatingAddress, Base> : public Base {
public:
    ~MessageUnit() override = default;

    const std::string& number() const { return fields_.number(); }
    std::uint8_t typeOfAddress() const { return fields_.typeOfAddress(); }

    void read(std::istream& is) {
        Base::read(is);
        detail::readAddressUnit(is, fields_, "TPOriginatingAddress: input stream read failure");
    }

private:
    AddressFields fields_;
};

template <class Base>
class MessageUnit<TPRecipientAddress, Base> : public Base {
public:
    ~MessageUnit() override = default;

    const std::string& number() const { return fields_.number(); }
    std::uint8_t typeOfAddress() const { return fields_.typeOfAddress(); }

    void read(std::istream& is) {
        Base::read(is);
        detail::readAddressUnit(is, fields_, "TPRecipientAddress: input stream read failure");
    }

private:
    AddressFields fields_;
};

template <class Base>
class MessageUnit<TPServiceCentreTimeStamp, Base> : public Base {
public:
    ~MessageUnit() override = default;

    const TimeStamp& serviceCentreTimeStamp() const { return stamp_; }

    void read(std::istream& is) {
        Base::read(is);
        detail::readTimeStampField(is, stamp_, "TPServiceCentreTimeStamp");
    }

private:
    TimeStamp stamp_;
};

template <class Base>
class MessageUnit<TPDischargeTime, Base> : public Base {
public:
    ~MessageUnit() override = default;

    const TimeStamp& dischargeTime() const { return stamp_; }

    void read(std::istream& is) {
        Base::read(is);
        detail::readTimeStampField(is, stamp_, "TPDischargeTime");
    }

private:
    TimeStamp stamp_;
};

template <class Base>
class MessageUnit<TPStatus, Base> : public Base {
public:
    ~MessageUnit() override = default;

    std::uint8_t status() const { return status_; }

    void read(std::istream& is) {
        Base::read(is);
        const std::uint8_t octet = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPStatus: input stream read failure");
        }
        status_ = octet;
    }

private:
    std::uint8_t status_ = 0;
};

// TP-PI (9.2.3.27): optional; a report that ends after TP-ST has none, and
// then neither TP-PID, TP-DCS nor TP-UD. Extension octets (bit 7) are read
// and skipped; reserved bits are ignored.
template <class Base>
class MessageUnit<TPParameterIndicator, Base> : public Base {
public:
    ~MessageUnit() override = default;

    bool hasParameterIndicator() const { return present_; }
    std::uint8_t parameterIndicator() const { return indicator_; }
    bool parameterPresent(unsigned bit) const { return (indicator_ & bit) != 0; }

    void read(std::istream& is) {
        Base::read(is);
        present_ = false;
        indicator_ = 0;
        std::streambuf* buffer = is.rdbuf();
        if (buffer == nullptr ||
            std::char_traits<char>::eq_int_type(buffer->sgetc(), std::char_traits<char>::eof())) {
            return;
        }
        std::uint8_t octet = detail::getOctet(is);
        indicator_ = octet;
        present_ = !is.fail();
        while (!is.fail() && (octet & 0x80) != 0) {
            octet = detail::getOctet(is);
        }
        if (is.fail()) {
            detail::fail("TPParameterIndicator: input stream read failure");
        }
    }

private:
    bool present_ = false;
    std::uint8_t indicator_ = 0;
};

}  // namespace PduLib
