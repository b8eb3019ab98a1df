#include "campaign/CsvCell.h"

namespace {

// The zeros of the decimal digit runs of the Basic Multilingual Plane
// (general category Nd, Unicode 14); each run holds ten digits.
constexpr char16_t kDigitZeros[] = {
    0x0030, 0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6,
    0x0C66, 0x0CE6, 0x0D66, 0x0DE6, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0,
    0x1810, 0x1946, 0x19D0, 0x1A80, 0x1A90, 0x1B50, 0x1BB0, 0x1C40, 0x1C50, 0xA620,
    0xA8D0, 0xA900, 0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10,
};

bool IsDigit(char16_t c) {
    for (const char16_t zero : kDigitZeros) {
        if (c >= zero && c < zero + 10) {
            return true;
        }
    }
    return false;
}

bool LooksLikeFormula(std::u16string_view text) {
    if (text.empty()) {
        return false;
    }
    const char16_t first = text.front();
    if (first == u'=' || first == u'@' || first == u'\t' || first == u'\r') {
        return true;
    }
    // "+44 7700 900123" is a number; "+SUM(A1)" or "-cmd|..." are not.
    if (first == u'+' || first == u'-') {
        for (const char16_t c : text.substr(1)) {
            if (!IsDigit(c) && c != u' ' && c != u'-' && c != u'(' && c != u')') {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::u16string CsvCell(std::u16string_view text) {
    std::u16string value;
    if (LooksLikeFormula(text)) {
        value += u'\'';
    }
    value += text;
    const bool quoted = value.find_first_of(u",\"\r\n") != std::u16string::npos ||
                        (!value.empty() && (value.front() == u' ' || value.back() == u' '));
    if (!quoted) {
        return value;
    }
    std::u16string cell = u"\"";
    for (const char16_t c : value) {
        cell += c;
        if (c == u'"') {
            cell += u'"';
        }
    }
    cell += u'"';
    return cell;
}
