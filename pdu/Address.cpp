#include "pdu/Address.h"

namespace PduLib {
namespace detail {

void packSemiOctets(const std::string& number, std::ostream& os, std::string& octets) {
    octets.clear();
    octets.reserve(number.size() / 2 + 1);
    bool havePending = false;
    unsigned pending = 0;
    for (std::size_t i = 0; i < number.size(); ++i) {
        const char c = number[i];
        if (i == 0 && c == '+') {
            continue;
        }
        if (c < '0' || c > '9') {
            os.setstate(std::ios::failbit);
            return;
        }
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (havePending) {
            octets.push_back(static_cast<char>((digit << 4) | pending));
            havePending = false;
        } else {
            pending = digit;
            havePending = true;
        }
    }
    if (havePending) {
        octets.push_back(static_cast<char>(pending | 0xF0));
    }
}

void unpackSemiOctets(std::istream& is, std::size_t count, std::string& digits) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t octet = getOctet(is);
        if (is.fail()) {
            return;
        }
        const unsigned low = octet & 0x0Fu;
        const unsigned high = octet >> 4;
        if (low > 9) {
            is.setstate(std::ios::failbit);
            return;
        }
        digits.push_back(static_cast<char>('0' + low));
        if (high <= 9) {
            digits.push_back(static_cast<char>('0' + high));
        } else if (i + 1 != count) {
            // A filler is only allowed in the last digit octet.
            is.setstate(std::ios::failbit);
            return;
        }
    }
}

}  // namespace detail
}  // namespace PduLib
