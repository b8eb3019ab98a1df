#include "pdu/Hex.h"

namespace PduLib {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Hexadecimal digit values; -1 for every other character.
struct DigitTable {
    signed char value[256];
    constexpr DigitTable() : value() {
        for (int i = 0; i < 256; ++i) {
            value[i] = -1;
        }
        for (int i = 0; i < 10; ++i) {
            value['0' + i] = static_cast<signed char>(i);
        }
        for (int i = 0; i < 6; ++i) {
            value['A' + i] = static_cast<signed char>(10 + i);
            value['a' + i] = static_cast<signed char>(10 + i);
        }
    }
};
constexpr DigitTable kDigitTable;

int digitValue(char c) {
    return kDigitTable.value[static_cast<unsigned char>(c)];
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

int TpduLength(std::string_view pduHex) {
    if (pduHex.size() < 2 || pduHex.size() % 2 != 0) {
        return -1;
    }
    for (const char c : pduHex) {
        if (digitValue(c) < 0) {
            return -1;
        }
    }
    const auto total = static_cast<long>(pduHex.size() / 2);
    const long tpdu = total - 1 - (digitValue(pduHex[0]) * 16 + digitValue(pduHex[1]));
    return tpdu >= 1 ? static_cast<int>(tpdu) : -1;
}

}  // namespace PduLib
