// TP-Data-Coding-Scheme (3GPP TS 23.040 9.2.3.10, coding groups of
// 3GPP TS 23.038 4): the general group 00xx, the message waiting groups
// 1100/1101/1110 and the message class group 1111.
#pragma once

#include <cstdint>
#include <memory>
#include <typeinfo>

#include "pdu/FirstOctet.h"

namespace PduLib {

template <class Base>
class MessageUnit<TPDataCodingScheme, Base> : public Base {
public:
    class DataCodingSchemeBase {
    public:
        virtual ~DataCodingSchemeBase() = default;
        virtual DataCodingSchemeBase* clone() const = 0;
        virtual bool equals(const DataCodingSchemeBase& other) const = 0;
        virtual void read(std::istream& is) = 0;
        virtual void write(std::ostream& os) const = 0;
        virtual void fromOctet(std::uint8_t octet) = 0;
        virtual std::uint8_t toOctet() const = 0;

    protected:
        DataCodingSchemeBase() = default;
        DataCodingSchemeBase(const DataCodingSchemeBase&) = default;
        DataCodingSchemeBase& operator=(const DataCodingSchemeBase&) = default;

        // The shared read and write of one octet, with the variant's messages.
        void readOctet(std::istream& is, const char* readFailure) {
            const std::uint8_t octet = detail::getOctet(is);
            if (is.fail()) {
                detail::fail(readFailure);
            }
            fromOctet(octet);
        }
        void writeOctet(std::ostream& os, const char* writeFailure) const {
            detail::putOctet(os, toOctet());
            if (os.fail()) {
                detail::fail(writeFailure);
            }
        }
    };

    // Coding groups 00xx xxxx.
    class GeneralDataCodingScheme : public DataCodingSchemeBase {
    public:
        bool compressed = false;
        int messageClass = 0;  // 0 no class, 1..4 class 0..3
        int alphabet = 0;      // 0 default, 1 8-bit, 2 UCS2, 3 reserved

        GeneralDataCodingScheme() = default;
        explicit GeneralDataCodingScheme(std::uint8_t octet) { fromOctet(octet); }
        GeneralDataCodingScheme(const GeneralDataCodingScheme&) = default;

        GeneralDataCodingScheme* clone() const override {
            return new GeneralDataCodingScheme(*this);
        }
        bool equals(const DataCodingSchemeBase& other) const override {
            const auto* o = dynamic_cast<const GeneralDataCodingScheme*>(&other);
            return o != nullptr && o->compressed == compressed && o->messageClass == messageClass &&
                   o->alphabet == alphabet;
        }
        void read(std::istream& is) override {
            this->readOctet(is, "GeneralDataCodingScheme: input stream read failure");
        }
        void write(std::ostream& os) const override {
            this->writeOctet(os, "GeneralDataCodingScheme: output stream write failure");
        }
        void fromOctet(std::uint8_t octet) override {
            if (octet & 0xC0) {
                detail::fail("GeneralDataCodingScheme: invalid coding scheme");
            }
            alphabet = (octet & 0x0C) >> 2;
            messageClass = (octet & 0x10) ? 1 + (octet & 0x03) : 0;
            compressed = (octet & 0x20) != 0;
        }
        std::uint8_t toOctet() const override {
            std::uint8_t octet = 0x00;
            if (alphabet >= 1 && alphabet <= 3) {
                octet |= static_cast<std::uint8_t>(alphabet << 2);
            }
            if (messageClass != 0) {
                octet |= 0x10;
                if (messageClass >= 1 && messageClass <= 4) {
                    octet |= static_cast<std::uint8_t>(messageClass - 1);
                }
            }
            if (compressed) {
                octet |= 0x20;
            }
            return octet;
        }
    };

    // Coding groups 1100 (discard), 1101 (store, default alphabet), 1110 (store, UCS2).
    class MessageWaitingDataCodingScheme : public DataCodingSchemeBase {
    public:
        bool discardMessage = false;
        bool indicationActive = false;
        bool ucs2 = false;
        int indicationType = 0;  // 0 voicemail, 1 fax, 2 e-mail, 3 other

        explicit MessageWaitingDataCodingScheme(std::uint8_t octet) { fromOctet(octet); }
        MessageWaitingDataCodingScheme(const MessageWaitingDataCodingScheme&) = default;

        MessageWaitingDataCodingScheme* clone() const override {
            return new MessageWaitingDataCodingScheme(*this);
        }
        bool equals(const DataCodingSchemeBase& other) const override {
            const auto* o = dynamic_cast<const MessageWaitingDataCodingScheme*>(&other);
            return o != nullptr && o->discardMessage == discardMessage &&
                   o->indicationActive == indicationActive && o->ucs2 == ucs2 &&
                   o->indicationType == indicationType;
        }
        void read(std::istream& is) override {
            this->readOctet(is, "MessageWaitingDataCodingScheme: input stream read failure");
        }
        void write(std::ostream& os) const override {
            this->writeOctet(os, "MessageWaitingDataCodingScheme: output stream write failure");
        }
        void fromOctet(std::uint8_t octet) override {
            bool discard = false;
            bool isUcs2 = false;
            switch (octet & 0xF0) {
                case 0xC0:
                    discard = true;
                    break;
                case 0xD0:
                    break;
                case 0xE0:
                    isUcs2 = true;
                    break;
                default:
                    detail::fail("MessageWaitingDataCodingScheme: invalid coding scheme");
            }
            discardMessage = discard;
            ucs2 = isUcs2;
            indicationActive = (octet & 0x08) != 0;
            indicationType = octet & 0x03;
        }
        std::uint8_t toOctet() const override {
            std::uint8_t octet = discardMessage ? 0xC0 : (ucs2 ? 0xE0 : 0xD0);
            if (indicationActive) {
                octet |= 0x08;
            }
            return static_cast<std::uint8_t>(octet | (indicationType & 0x03));
        }
    };

    // Coding group 1111.
    class MessageClassDataCodingScheme : public DataCodingSchemeBase {
    public:
        int messageClass = 1;  // 1..4 class 0..3
        bool eightBitData = false;

        explicit MessageClassDataCodingScheme(std::uint8_t octet) { fromOctet(octet); }
        MessageClassDataCodingScheme(const MessageClassDataCodingScheme&) = default;

        MessageClassDataCodingScheme* clone() const override {
            return new MessageClassDataCodingScheme(*this);
        }
        bool equals(const DataCodingSchemeBase& other) const override {
            const auto* o = dynamic_cast<const MessageClassDataCodingScheme*>(&other);
            return o != nullptr && o->messageClass == messageClass &&
                   o->eightBitData == eightBitData;
        }
        void read(std::istream& is) override {
            this->readOctet(is, "MessageClassDataCodingScheme: input stream read failure");
        }
        void write(std::ostream& os) const override {
            this->writeOctet(os, "MessageClassDataCodingScheme: output stream write failure");
        }
        void fromOctet(std::uint8_t octet) override {
            if ((octet & 0xF0) != 0xF0) {
                detail::fail("MessageClassDataCodingScheme: invalid coding scheme");
            }
            eightBitData = (octet & 0x04) != 0;
            messageClass = 1 + (octet & 0x03);
        }
        std::uint8_t toOctet() const override {
            std::uint8_t octet = eightBitData ? 0xF4 : 0xF0;
            if (messageClass >= 1 && messageClass <= 4) {
                octet |= static_cast<std::uint8_t>(messageClass - 1);
            }
            return octet;
        }
    };

    MessageUnit() : dataCodingScheme_(new GeneralDataCodingScheme()) {}
    MessageUnit(const MessageUnit&) = delete;
    MessageUnit& operator=(const MessageUnit&) = delete;
    ~MessageUnit() override = default;

    // The alphabet of the user data as the held variant selects it.
    int alphabet() const {
        // Exact type tests (typeid) rather than dynamic_cast: this runs on
        // every setter, read and write of the user data.
        const std::type_info& held = typeid(*dataCodingScheme_);
        if (held == typeid(GeneralDataCodingScheme)) {
            return getDataCodingScheme<GeneralDataCodingScheme>().alphabet;
        }
        if (held == typeid(MessageWaitingDataCodingScheme)) {
            return getDataCodingScheme<MessageWaitingDataCodingScheme>().ucs2 ? 2 : 0;
        }
        if (held == typeid(MessageClassDataCodingScheme)) {
            return getDataCodingScheme<MessageClassDataCodingScheme>().eightBitData ? 1 : 0;
        }
        return 0;
    }

    template <class Scheme>
    const Scheme& getDataCodingScheme() const {
        if (typeid(*dataCodingScheme_) != typeid(Scheme)) {
            detail::fail("TPDataCodingScheme: bad cast");
        }
        return static_cast<const Scheme&>(*dataCodingScheme_);
    }

    const DataCodingSchemeBase& dataCodingScheme() const { return *dataCodingScheme_; }

    void write(std::ostream& os) {
        Base::write(os);
        dataCodingScheme_->write(os);
    }

    void read(std::istream& is) {
        Base::read(is);
        // Absent (a status report without it): 0x00, as TS 23.040 9.2.3.27 says.
        if (!this->parameterPresent(kDataCodingSchemePresent)) {
            return;
        }
        const std::uint8_t octet = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPDataCodingScheme: input stream read failure");
        }
        std::unique_ptr<DataCodingSchemeBase> built;
        try {
            built.reset(new GeneralDataCodingScheme(octet));
        } catch (const failure&) {
            try {
                built.reset(new MessageWaitingDataCodingScheme(octet));
            } catch (const failure&) {
                built.reset(new MessageClassDataCodingScheme(octet));
            }
        }
        dataCodingScheme_ = std::move(built);
    }

protected:
    // Replacing the variant is the user-data unit's operation
    // (setDataCodingScheme), which keeps the body in step with the alphabet.
    void replaceDataCodingScheme(const DataCodingSchemeBase& scheme) {
        dataCodingScheme_.reset(scheme.clone());
    }

private:
    std::unique_ptr<DataCodingSchemeBase> dataCodingScheme_;
};

}  // namespace PduLib
