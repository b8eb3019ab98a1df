#include "pdu/ValidityPeriod.h"

namespace PduLib {
namespace {

bool inRange(const TimeStamp& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour <= 23 &&
           t.minute <= 59 && t.second <= 59 && t.timeZone >= -48 && t.timeZone <= 56;
}

}  // namespace

void readTimeStamp(std::istream& is, TimeStamp& stamp) {
    std::uint8_t* const fields[] = {&stamp.year, &stamp.month,  &stamp.day,
                                    &stamp.hour, &stamp.minute, &stamp.second};
    for (std::uint8_t* field : fields) {
        const std::uint8_t octet = detail::getOctet(is);
        const unsigned low = octet & 0x0Fu;
        const unsigned high = octet >> 4;
        if (is.fail() || low > 9 || high > 9) {
            is.setstate(std::ios::failbit);
            *field = 0;
        } else {
            *field = static_cast<std::uint8_t>(low * 10 + high);
        }
    }
    const std::uint8_t octet = detail::getOctet(is);
    const unsigned high = octet >> 4;
    if (is.fail() || high > 9) {
        is.setstate(std::ios::failbit);
        stamp.timeZone = 0;
    } else {
        const int value = static_cast<int>((octet & 0x07u) * 10 + high);
        stamp.timeZone = static_cast<std::int8_t>((octet & 0x08u) ? -value : value);
    }
    if (!inRange(stamp)) {
        is.setstate(std::ios::failbit);
    }
}

void writeTimeStamp(const TimeStamp& stamp, std::ostream& os) {
    if (os.fail() || !inRange(stamp)) {
        os.setstate(std::ios::failbit);
        return;
    }
    const std::uint8_t fields[] = {stamp.year, stamp.month,  stamp.day,
                                   stamp.hour, stamp.minute, stamp.second};
    for (const std::uint8_t value : fields) {
        if (value >= 100) {
            os.setstate(std::ios::failbit);
            return;
        }
        detail::putOctet(os, static_cast<std::uint8_t>((value / 10) | ((value % 10) << 4)));
    }
    const int zone = stamp.timeZone;
    const unsigned a = static_cast<unsigned>(zone < 0 ? -zone : zone);
    detail::putOctet(
        os, static_cast<std::uint8_t>((zone < 0 ? 0x08u : 0u) | ((a % 10) << 4) | (a / 10)));
}

}  // namespace PduLib
