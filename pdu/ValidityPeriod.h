// TP-Validity-Period (3GPP TS 23.040 9.2.3.12): absent, relative (one octet)
// or absolute (a seven-octet time stamp, 9.2.3.11), as TP-VPF announces.
#pragma once

#include <cstdint>
#include <memory>

#include "pdu/DataCodingScheme.h"

namespace PduLib {

// Year (two digits), month, day, hour, minute, second and the time zone in
// quarter hours, as TS 23.040 9.2.3.11 codes them.
struct TimeStamp {
    std::uint8_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    std::int8_t timeZone = 0;

    bool operator==(const TimeStamp& o) const {
        return year == o.year && month == o.month && day == o.day && hour == o.hour &&
               minute == o.minute && second == o.second && timeZone == o.timeZone;
    }
};

// Semi-octet time stamp coding. Neither throws: bad digits, values out of
// range and stream failures set failbit on the stream instead.
void readTimeStamp(std::istream& is, TimeStamp& stamp);
void writeTimeStamp(const TimeStamp& stamp, std::ostream& os);

template <class Base>
class MessageUnit<TPValidityPeriod, Base> : public Base {
public:
    class ValidityPeriodBase {
    public:
        virtual ~ValidityPeriodBase() = default;
        virtual void read(std::istream& is) = 0;
        virtual void write(std::ostream& os) const = 0;
        virtual ValidityPeriodBase* clone() const = 0;
        virtual bool equals(const ValidityPeriodBase& other) const = 0;

    protected:
        ValidityPeriodBase() = default;
        ValidityPeriodBase(const ValidityPeriodBase&) = default;
        ValidityPeriodBase& operator=(const ValidityPeriodBase&) = default;
    };

    class NoValidityPeriod : public ValidityPeriodBase {
    public:
        NoValidityPeriod() = default;
        void read(std::istream&) override {}
        void write(std::ostream&) const override {}
        NoValidityPeriod* clone() const override { return new NoValidityPeriod(*this); }
        bool equals(const ValidityPeriodBase& other) const override {
            return dynamic_cast<const NoValidityPeriod*>(&other) != nullptr;
        }
    };

    class RelativeValidityPeriod : public ValidityPeriodBase {
    public:
        std::uint8_t validityPeriod = 0;

        explicit RelativeValidityPeriod(std::uint8_t value) : validityPeriod(value) {}
        explicit RelativeValidityPeriod(std::istream& is) { read(is); }
        RelativeValidityPeriod(const RelativeValidityPeriod&) = default;

        void read(std::istream& is) override {
            const std::uint8_t octet = detail::getOctet(is);
            if (is.fail()) {
                detail::fail("RelativeValidityPeriod: input stream read failure");
            }
            validityPeriod = octet;
        }
        void write(std::ostream& os) const override {
            detail::putOctet(os, validityPeriod);
            if (os.fail()) {
                detail::fail("RelativeValidityPeriod: output stream write failure");
            }
        }
        RelativeValidityPeriod* clone() const override { return new RelativeValidityPeriod(*this); }
        bool equals(const ValidityPeriodBase& other) const override {
            const auto* o = dynamic_cast<const RelativeValidityPeriod*>(&other);
            return o != nullptr && o->validityPeriod == validityPeriod;
        }
    };

    class AbsoluteValidityPeriod : public ValidityPeriodBase {
    public:
        TimeStamp timeStamp;

        explicit AbsoluteValidityPeriod(const TimeStamp& stamp) : timeStamp(stamp) {}
        explicit AbsoluteValidityPeriod(std::istream& is) { read(is); }
        AbsoluteValidityPeriod(const AbsoluteValidityPeriod&) = default;

        void read(std::istream& is) override {
            readTimeStamp(is, timeStamp);
            if (is.fail()) {
                detail::fail("AbsoluteValidityPeriod: input stream read failure");
            }
        }
        void write(std::ostream& os) const override {
            writeTimeStamp(timeStamp, os);
            if (os.fail()) {
                detail::fail("AbsoluteValidityPeriod: output stream write failure");
            }
        }
        AbsoluteValidityPeriod* clone() const override { return new AbsoluteValidityPeriod(*this); }
        bool equals(const ValidityPeriodBase& other) const override {
            const auto* o = dynamic_cast<const AbsoluteValidityPeriod*>(&other);
            return o != nullptr && o->timeStamp == timeStamp;
        }
    };

    MessageUnit() : validityPeriod_(new NoValidityPeriod()) {}
    MessageUnit(const MessageUnit&) = delete;
    MessageUnit& operator=(const MessageUnit&) = delete;
    ~MessageUnit() override = default;

    const ValidityPeriodBase& validityPeriod() const { return *validityPeriod_; }

    // Stores a copy (the system sets a RelativeValidityPeriod); TP-VPF is the
    // caller's to keep consistent.
    void setValidityPeriod(const ValidityPeriodBase& period) {
        validityPeriod_.reset(period.clone());
    }

    void write(std::ostream& os) {
        Base::write(os);
        validityPeriod_->write(os);
    }

    void read(std::istream& is) {
        Base::read(is);
        switch (this->validityPeriodFormat()) {
            case 0:
                validityPeriod_.reset(new NoValidityPeriod());
                break;
            case 2:
                validityPeriod_.reset(new RelativeValidityPeriod(is));
                break;
            case 3:
                validityPeriod_.reset(new AbsoluteValidityPeriod(is));
                break;
            default:
                detail::fail("TPValidityPeriod: not supported Validity Period");
        }
    }

private:
    std::unique_ptr<ValidityPeriodBase> validityPeriod_;
};

}  // namespace PduLib
