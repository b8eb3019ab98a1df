#include "pdu/Address.h"

#include "pdu/Gsm7.h"

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

void readAddressField(std::istream& is, std::string& text, std::uint8_t& toa) {
    const unsigned length = getOctet(is);
    toa = getOctet(is);
    text.clear();
    if (is.fail()) {
        return;
    }
    const std::size_t octets = (length + 1u) / 2u;
    if ((toa & 0x70u) == 0x50u) {
        // Septets packed as in the user data, as many as the semi-octets hold.
        const std::size_t count = length * 4u / 7u;
        std::string septets;
        std::uint32_t accumulator = 0;
        unsigned bits = 0;
        for (std::size_t i = 0; i < octets; ++i) {
            const std::uint32_t octet = getOctet(is);
            if (septets.size() == count) {
                continue;  // the fill bits of the last octet
            }
            accumulator |= octet << bits;
            bits += 8;
            while (bits >= 7 && septets.size() < count) {
                septets.push_back(static_cast<char>(accumulator & 0x7Fu));
                accumulator >>= 7;
                bits -= 7;
            }
        }
        if (!is.fail()) {
            text = Gsm7ToUtf8(septets);
        }
        return;
    }
    if ((toa & 0x70u) == 0x10u && length != 0) {
        text.push_back('+');
    }
    const std::size_t digitsStart = text.size();
    unpackSemiOctets(is, octets, text);
    // The length counts digits: a digit in place of the filler is not one.
    if (text.size() > digitsStart + length) {
        text.resize(digitsStart + length);
    }
}

}  // namespace detail
}  // namespace PduLib
