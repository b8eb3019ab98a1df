// TP-User-Data-Length and TP-User-Data (3GPP TS 23.040 9.2.3.16, 9.2.3.24):
// the user data header and one body in the alphabet that TP-DCS selects,
// 7-bit septets packed as 3GPP TS 23.038 6.1.2.1 gives, 8-bit data or UCS2.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include <loki/SmartPtr.h>

#include "pdu/ValidityPeriod.h"

namespace PduLib {
namespace detail {

// Octets of a 7-bit body of `septets` septets after `fillBits` fill bits.
inline unsigned septetOctets(unsigned fillBits, unsigned septets) {
    return (fillBits + 7u * septets + 7u) / 8u;
}

// TS 23.040 9.2.3.24: a header of h octets (TP-UDHL included) takes
// ceil(8h/7) septets; the text starts after (7 - h mod 7) mod 7 fill bits.
inline unsigned headerSeptets(unsigned headerOctets) {
    return (8u * headerOctets + 6u) / 7u;
}
inline unsigned fillBits(unsigned headerOctets) {
    return (7u - headerOctets % 7u) % 7u;
}
inline unsigned headerOctets(unsigned headerLength) {
    return headerLength == 0 ? 0u : headerLength + 1u;
}

}  // namespace detail

template <class Base>
class MessageUnit<TPUserData, Base> : public Base {
public:
    typedef typename Base::DataCodingSchemeBase DataCodingSchemeBase;

    class UserDataBase {
    public:
        virtual ~UserDataBase() = default;
        virtual unsigned length() const = 0;
        virtual UserDataBase* clone() const = 0;
        virtual bool equals(const UserDataBase& other) const = 0;
        // `headerOctets`: octets of the user data header before the body,
        // TP-UDHL included (0 without a header); 7-bit text starts after the
        // fill bits that follow them.
        virtual void read(std::istream& is, unsigned& count, unsigned headerOctets) = 0;
        virtual void write(std::ostream& os, unsigned headerOctets) const = 0;
        virtual int alphabet() const = 0;

    protected:
        UserDataBase() = default;
        UserDataBase(const UserDataBase&) = default;
        UserDataBase& operator=(const UserDataBase&) = default;
    };

    // GSM 7-bit default alphabet: each char's code is one septet value. No
    // character translation happens here; the caller supplies septet codes.
    class DefaultUserData : public UserDataBase {
    public:
        std::string text;

        DefaultUserData() = default;
        explicit DefaultUserData(std::string septets) : text(std::move(septets)) {}
        DefaultUserData(std::istream& is, unsigned& count, unsigned headerOctets) {
            read(is, count, headerOctets);
        }
        DefaultUserData(const DefaultUserData&) = default;

        unsigned length() const override {
            const auto n = static_cast<unsigned>(text.size());
            return 7u * n / 8u + (n % 8u != 0 ? 1u : 0u);
        }
        DefaultUserData* clone() const override { return new DefaultUserData(*this); }
        bool equals(const UserDataBase& other) const override {
            const auto* o = dynamic_cast<const DefaultUserData*>(&other);
            return o != nullptr && o->text == text;
        }
        int alphabet() const override { return 0; }

        void write(std::ostream& os, unsigned headerOctets) const override {
            // Packed into a buffer first, then handed to the stream as one
            // block: a stream that fails part-way keeps the octets before.
            char octets[2 * 160 + 8];
            std::size_t n = 0;
            unsigned bits = detail::fillBits(headerOctets);
            std::uint32_t accumulator = 0;
            for (const char c : text) {
                accumulator |= (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) & 0x7Fu)
                               << bits;
                bits += 7;
                if (bits >= 8) {
                    flushOctet(os, octets, n, static_cast<char>(accumulator & 0xFFu));
                    accumulator >>= 8;
                    bits -= 8;
                }
            }
            if (bits > 0) {
                flushOctet(os, octets, n, static_cast<char>(accumulator & 0xFFu));
            }
            putBlock(os, octets, n);
        }

        void read(std::istream& is, unsigned& count, unsigned headerOctets) override {
            // The body octets in one block, then unpacked.
            std::string octets(count, '\0');
            if (count > 0) {
                is.read(&octets[0], static_cast<std::streamsize>(count));
                if (is.fail()) {
                    detail::fail("Default User Data: input stream read failure");
                }
            }
            count = 0;
            // At most 8 septets per 7 octets, plus one.
            std::string septets(octets.size() * 8u / 7u + 1u, '\0');
            std::size_t n = 0;
            unsigned skip = detail::fillBits(headerOctets);
            std::uint32_t accumulator = 0;
            unsigned bits = 0;
            for (const char o : octets) {
                accumulator |= static_cast<std::uint32_t>(static_cast<unsigned char>(o)) << bits;
                bits += 8;
                if (skip > 0) {
                    accumulator >>= skip;
                    bits -= skip;
                    skip = 0;
                }
                while (bits >= 7) {
                    septets[n++] = static_cast<char>(accumulator & 0x7Fu);
                    accumulator >>= 7;
                    bits -= 7;
                }
            }
            septets.resize(n);
            text = std::move(septets);
        }

    private:
        // Very long texts (more than the 140-octet limit allows) go out in
        // several blocks.
        static void flushOctet(std::ostream& os, char* octets, std::size_t& n, char octet) {
            if (n == 2 * 160 + 8) {
                putBlock(os, octets, n);
                n = 0;
            }
            octets[n++] = octet;
        }
        static void putBlock(std::ostream& os, const char* octets, std::size_t n) {
            if (n == 0) {
                return;
            }
            os.write(octets, static_cast<std::streamsize>(n));
            if (os.fail()) {
                detail::fail("Default User Data: output stream write failure");
            }
        }
    };
    class EightBitUserData : public UserDataBase {
    public:
        std::vector<std::uint8_t> data;

        EightBitUserData() = default;
        explicit EightBitUserData(std::vector<std::uint8_t> octets) : data(std::move(octets)) {}
        EightBitUserData(std::istream& is, unsigned& count, unsigned headerOctets) {
            read(is, count, headerOctets);
        }
        EightBitUserData(const EightBitUserData&) = default;

        unsigned length() const override { return static_cast<unsigned>(data.size()); }
        EightBitUserData* clone() const override { return new EightBitUserData(*this); }
        bool equals(const UserDataBase& other) const override {
            const auto* o = dynamic_cast<const EightBitUserData*>(&other);
            return o != nullptr && o->data == data;
        }
        int alphabet() const override { return 1; }

        void write(std::ostream& os, unsigned) const override {
            if (data.empty()) {
                return;
            }
            os.write(reinterpret_cast<const char*>(data.data()),
                     static_cast<std::streamsize>(data.size()));
            if (os.fail()) {
                detail::fail("Eight Bit User Data: output stream write failure");
            }
        }

        void read(std::istream& is, unsigned& count, unsigned) override {
            std::vector<std::uint8_t> octets(count);
            if (count > 0) {
                is.read(reinterpret_cast<char*>(octets.data()), count);
                if (is.fail()) {
                    detail::fail("Eight Bit User Data: input stream read failure");
                }
            }
            count = 0;
            data = std::move(octets);
        }
    };

    class UCS2UserData : public UserDataBase {
    public:
        std::u16string text;

        UCS2UserData() = default;
        explicit UCS2UserData(std::u16string units) : text(std::move(units)) {}
        UCS2UserData(std::istream& is, unsigned& count, unsigned headerOctets) {
            read(is, count, headerOctets);
        }
        UCS2UserData(const UCS2UserData&) = default;

        unsigned length() const override { return 2u * static_cast<unsigned>(text.size()); }
        UCS2UserData* clone() const override { return new UCS2UserData(*this); }
        bool equals(const UserDataBase& other) const override {
            const auto* o = dynamic_cast<const UCS2UserData*>(&other);
            return o != nullptr && o->text == text;
        }
        int alphabet() const override { return 2; }

        void write(std::ostream& os, unsigned) const override {
            for (const char16_t unit : text) {
                detail::putOctet(os, static_cast<std::uint8_t>(unit >> 8));
                detail::putOctet(os, static_cast<std::uint8_t>(unit & 0xFF));
                if (os.fail()) {
                    detail::fail("UCS2 User Data: output stream write failure");
                }
            }
        }

        void read(std::istream& is, unsigned& count, unsigned) override {
            std::u16string units;
            units.reserve(count / 2u);
            while (count >= 2) {
                const std::uint8_t high = readOne(is, count);
                const std::uint8_t low = readOne(is, count);
                units.push_back(static_cast<char16_t>(high * 256u + low));
            }
            if (count == 1) {
                readOne(is, count);
                detail::fail("UCS2 User Data: bad user data length");
            }
            text = std::move(units);
        }

    private:
        static std::uint8_t readOne(std::istream& is, unsigned& count) {
            const std::uint8_t octet = detail::getOctet(is);
            if (is.fail()) {
                detail::fail("UCS2 User Data: input stream read failure");
            }
            --count;
            return octet;
        }
    };

    // User data header information elements (TS 23.040 9.2.3.24.1, .8,
    // .15, .16 and any other kept as read), defined in UserDataHeader.h.
    class InfoElementBase;
    class ConcatenatedMessage8bitInfoElement;
    class ConcatenatedMessage16bitInfoElement;
    class NationalLanguageInfoElement;
    class OtherInfoElement;
    typedef Loki::SmartPtr<InfoElementBase> InfoElementPtr;
    typedef std::map<int, InfoElementPtr> UserDataHeaderMap;

    MessageUnit() { resetUserData(); }
    MessageUnit(const MessageUnit&) = delete;
    MessageUnit& operator=(const MessageUnit&) = delete;
    ~MessageUnit() override {
        // Body first, then the header, as the units were built in reverse.
        userData_.reset();
        userDataHeader_.clear();
    }

    const UserDataBase& userData() const { return *userData_; }
    const UserDataHeaderMap& userDataHeader() const { return userDataHeader_; }

    // Stores a copy of `body` (the system sets a DefaultUserData).
    void setUserData(const UserDataBase& body) {
        if (body.alphabet() != this->alphabet()) {
            detail::fail(
                "TPUserData: User Data has different alphabet than already selected Data "
                "Coding Scheme");
        }
        if (encodedLength(body) > 140u) {
            detail::fail("TPUserData: User Data length exceeds 140 octets");
        }
        userData_.reset(body.clone());
    }

    // Stores a copy of `scheme` as TP-DCS (the system sets a
    // GeneralDataCodingScheme) and keeps the body in step with its alphabet.
    void setDataCodingScheme(const DataCodingSchemeBase& scheme) {
        this->replaceDataCodingScheme(scheme);
        if (userData_->alphabet() != this->alphabet()) {
            resetUserData();
        }
    }

    // An empty body for the current alphabet.
    void resetUserData() {
        switch (this->alphabet()) {
            case 0:
                userData_.reset(new DefaultUserData());
                break;
            case 2:
                userData_.reset(new UCS2UserData());
                break;
            case 1:
                userData_.reset(new EightBitUserData());
                break;
            default:
                detail::fail("TPUserData: Unsupported alphabet");
        }
    }

    unsigned headerLength() const;
    // Octets of the header as written, TP-UDHL included: 0 without one. A
    // header read with TP-UDHL 0 under TP-UDHI is still there (one octet).
    unsigned headerOctetCount() const {
        const unsigned length = headerLength();
        return length != 0 || (headerRead_ && this->userDataHeaderIndicator()) ? length + 1u : 0u;
    }
    // Adds a copy of `element` to the header; an element with the same
    // identifier is replaced. The caller sets TP-UDHI.
    void setInfoElement(const InfoElementBase& element);
    // No header elements any more.
    void clearUserDataHeader() {
        userDataHeader_.clear();
        headerRead_ = false;
    }
    void readHeader(std::istream& is, unsigned& remaining);
    void writeHeader(std::ostream& os) const;
    void readInfoElement(std::istream& is, unsigned& headerRemaining);

    void write(std::ostream& os) {
        Base::write(os);
        const unsigned headerOctets = headerOctetCount();
        if (encodedLength(*userData_) > 140u) {
            detail::fail("TPUserData: User Data length exceeds 140 octets");
        }
        unsigned udl;
        if (this->alphabet() == 0) {
            udl = detail::headerSeptets(headerOctets) + septetCount(*userData_);
        } else {
            udl = headerOctets + userData_->length();
        }
        detail::putOctet(os, static_cast<std::uint8_t>(udl));
        if (os.fail()) {
            detail::fail("TPUserData: output stream write failure");
        }
        writeHeader(os);
        userData_->write(os, headerOctets);
    }

    void read(std::istream& is) {
        Base::read(is);
        headerRead_ = false;
        if (!this->parameterPresent(kUserDataLengthPresent)) {
            return;
        }
        const unsigned udl = detail::getOctet(is);
        if (is.fail()) {
            detail::fail("TPUserData: input stream read failure");
        }
        const int alphabet = this->alphabet();
        unsigned remaining = alphabet == 0 ? 7u * udl / 8u + (udl % 8u != 0 ? 1u : 0u) : udl;
        if (remaining > 140u) {
            detail::fail("TPUserData: User Data length exceeds 140 octets");
        }
        // TS 23.040 9.2.3.24: under TP-UDHI the user data opens with TP-UDHL,
        // even when it is 0 (an empty header still takes its one octet).
        headerRead_ = false;
        if (this->userDataHeaderIndicator() && remaining != 0) {
            readHeader(is, remaining);
            headerRead_ = true;
        }
        const unsigned headerOctets = headerOctetCount();
        std::unique_ptr<UserDataBase> body;
        switch (alphabet) {
            case 0:
                body.reset(new DefaultUserData(is, remaining, headerOctets));
                break;
            case 2:
                body.reset(new UCS2UserData(is, remaining, headerOctets));
                break;
            case 1:
                body.reset(new EightBitUserData(is, remaining, headerOctets));
                break;
            default:
                detail::fail("TPUserData: Unsupported alphabet");
        }
        if (alphabet == 0) {
            // Seven zero spare bits at the end would otherwise form one more
            // septet: keep only the septets that TP-UDL counts.
            const unsigned headerSpan = detail::headerSeptets(headerOctets);
            const unsigned septets = udl >= headerSpan ? udl - headerSpan : 0u;
            auto& text = static_cast<DefaultUserData&>(*body).text;
            if (text.size() > septets) {
                text.resize(septets);
            }
        }
        userData_ = std::move(body);
    }

private:
    static unsigned septetCount(const UserDataBase& body) {
        if (typeid(body) == typeid(DefaultUserData)) {
            return static_cast<unsigned>(static_cast<const DefaultUserData&>(body).text.size());
        }
        return body.length();
    }

    // Octets of TP-UD (TP-UDHL, header and body) as written. 7-bit text after
    // a header also carries the fill bits, which can take one more octet than
    // the body alone; counting them keeps every written PDU within 140 octets.
    unsigned encodedLength(const UserDataBase& body) const {
        const unsigned header = headerOctetCount();
        if (body.alphabet() == 0 && header != 0) {
            return header + detail::septetOctets(detail::fillBits(header), septetCount(body));
        }
        return header + body.length();
    }

    UserDataHeaderMap userDataHeader_;
    // A header was read (TP-UDHL present), even an empty one.
    bool headerRead_ = false;
    std::unique_ptr<UserDataBase> userData_;
};

}  // namespace PduLib

#include "pdu/UserDataHeader.h"
