#include "pdu/Hex.h"

namespace PduLib {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

void AppendHex(std::string_view octets, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + 2 * octets.size());
    char* p = &out[start];
    for (const char c : octets) {
        const auto octet = static_cast<unsigned char>(c);
        *p++ = kDigits[octet >> 4];
        *p++ = kDigits[octet & 0x0F];
    }
}

std::string ToHex(std::string_view octets) {
    std::string out;
    AppendHex(octets, out);
    return out;
}

bool FromHex(std::string_view hex, std::string& octets, std::string& error) {
    octets.clear();
    if (hex.size() % 2 != 0) {
        error = "odd number of hexadecimal digits (" + std::to_string(hex.size()) + ")";
        return false;
    }
    octets.resize(hex.size() / 2);
    const char* in = hex.data();
    char* out = octets.empty() ? nullptr : &octets[0];
    const std::size_t count = hex.size() / 2;
    for (std::size_t k = 0; k < count; ++k) {
        const int high = digitValue(in[2 * k]);
        const int low = digitValue(in[2 * k + 1]);
        if ((high | low) < 0) {
            const std::size_t bad = high < 0 ? 2 * k : 2 * k + 1;
            error = "not a hexadecimal digit at position " + std::to_string(bad + 1);
            octets.clear();
            return false;
        }
        out[k] = static_cast<char>((high << 4) | low);
    }
    return true;
}

}  // namespace PduLib
