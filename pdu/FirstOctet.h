// The one-octet fields of an SMS-SUBMIT (3GPP TS 23.040 9.2.2.2): the first
// octet (TP-MTI, TP-RD, TP-VPF, TP-SRR, TP-UDHI, TP-RP), TP-MR and TP-PID.
#pragma once

#include <cstdint>

#include "pdu/Address.h"

namespace PduLib {

template <class Base>
class MessageUnit<TPMtiAndFriendsSmsSubmit, Base> : public Base {
public:
    ~MessageUnit() override = default;

    bool rejectDuplicates() const { return rejectDuplicates_; }
    void setRejectDuplicates(bool on) { rejectDuplicates_ = on; }
    int validityPeriodFormat() const { return validityPeriodFormat_; }
    void setValidityPeriodFormat(int format) { validityPeriodFormat_ = format; }
    bool statusReportRequest() const { return statusReportRequest_; }
    void setStatusReportRequest(bool on) { statusReportRequest_ = on; }
    bool userDataHeaderIndicator() const { return userDataHeaderIndicator_; }
    void setUserDataHeaderIndicator(bool on) { userDataHeaderIndicator_ = on; }
    bool replyPath() const { return replyPath_; }
    void setReplyPath(bool on) { replyPath_ = on; }

    void write(std::ostream& os) {
        Base::write(os);
        std::uint8_t octet = 0x01;  // TP-MTI 01: SMS-SUBMIT
        if (rejectDuplicates_) {
            octet |= 0x04;
        }
        if (validityPeriodFormat_ & 1) {
            octet |= 0x08;
        }
        if (validityPeriodFormat_ & 2) {
            octet |= 0x10;
        }
        if (statusReportRequest_) {
            octet |= 0x20;
        }
        if (userDataHeaderIndicator_) {
            octet |= 0x40;
        }
        if (replyPath_) {
            octet |= 0x80;
        }
        detail::putOctet(os, octet);
        if (os.fail()) {
            detail::fail("TPMtiAndFriendsSmsSubmit: output stream write failure");
        }
    }

    void read(std::istream& is) {
        Base::read(is);
        const std::uint8_t octet = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPMtiAndFriendsSmsSubmit: input stream read failure");
        }
        if ((octet & 0x03) != 0x01) {
            detail::fail("TPMtiAndFriendsSmsSubmit: bad MTI");
        }
        rejectDuplicates_ = (octet & 0x04) != 0;
        validityPeriodFormat_ = ((octet & 0x10) ? 2 : 0) + ((octet & 0x08) ? 1 : 0);
        statusReportRequest_ = (octet & 0x20) != 0;
        userDataHeaderIndicator_ = (octet & 0x40) != 0;
        replyPath_ = (octet & 0x80) != 0;
    }

private:
    bool rejectDuplicates_ = false;
    int validityPeriodFormat_ = 0;
    bool statusReportRequest_ = false;
    bool userDataHeaderIndicator_ = false;
    bool replyPath_ = false;
};

template <class Base>
class MessageUnit<TPMessageReference, Base> : public Base {
public:
    ~MessageUnit() override = default;

    std::uint8_t messageReference() const { return messageReference_; }
    void setMessageReference(std::uint8_t mr) { messageReference_ = mr; }

    void write(std::ostream& os) {
        Base::write(os);
        detail::putOctet(os, messageReference_);
        if (os.fail()) {
            detail::fail("TPMessageReference: output stream write failure");
        }
    }

    void read(std::istream& is) {
        Base::read(is);
        const std::uint8_t octet = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPMessageReference: input stream read failure");
        }
        messageReference_ = octet;
    }

private:
    std::uint8_t messageReference_ = 0;
};

template <class Base>
class MessageUnit<TPProtocolIdentifier, Base> : public Base {
public:
    ~MessageUnit() override = default;

    std::uint8_t protocolIdentifier() const { return protocolIdentifier_; }
    void setProtocolIdentifier(std::uint8_t pid) { protocolIdentifier_ = pid; }

    void write(std::ostream& os) {
        Base::write(os);
        detail::putOctet(os, protocolIdentifier_);
        if (os.fail()) {
            detail::fail("TPProtocolIdentifier: output stream write failure");
        }
    }

    void read(std::istream& is) {
        Base::read(is);
        if (!this->parameterPresent(kProtocolIdentifierPresent)) {
            return;
        }
        const std::uint8_t octet = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPProtocolIdentifier: input stream read failure");
        }
        protocolIdentifier_ = octet;
    }

private:
    std::uint8_t protocolIdentifier_ = 0;
};

}  // namespace PduLib
