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
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digitValue(hex[i]);
        const int low = digitValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            const std::size_t bad = high < 0 ? i : i + 1;
            error = "not a hexadecimal digit at position " + std::to_string(bad + 1);
            octets.clear();
            return false;
        }
        octets[i / 2] = static_cast<char>(high * 16 + low);
    }
    return true;
}

}  // namespace PduLib
