#include <cstdlib>

#include "campaign/Blank.h"
#include "campaign/phone/PhoneInternal.h"
#include "campaign/phone/PhoneNumber.h"

namespace Phone {
namespace {

// Dashes of every kind (hyphen to horizontal bar), the minus sign and the
// fullwidth hyphen-minus; dots: full stop, middle dot, fullwidth full stop.
bool IsSeparator(char16_t c) {
    switch (c) {
        case u'-':
        case u'.':
        case u'(':
        case u')':
        case u'[':
        case u']':
        case 0x00B7:
        case 0x2212:
        case 0xFF0D:
        case 0xFF0E:
            return true;
        default:
            return (c >= 0x2010 && c <= 0x2015) || IsBlank(c);
    }
}

// The ASCII digit of a decimal digit of the scripts numbers are typed in.
char16_t AsciiDigit(char16_t c) {
    for (const char16_t zero : {u'\u0660', u'\u06F0', u'\u0966', u'\uFF10'}) {
        if (c >= zero && c <= zero + 9) {
            return static_cast<char16_t>(u'0' + (c - zero));
        }
    }
    return c == u'\uFF0B' ? u'+' : c;  // fullwidth plus
}

}  // namespace

std::size_t CleanInPlace(char16_t* number, std::size_t length) {
    // Already clean, as most are: ASCII digits after an optional '+'.
    std::size_t clean = (length != 0 && number[0] == u'+') ? 1 : 0;
    while (clean < length && number[clean] >= u'0' && number[clean] <= u'9') {
        ++clean;
    }
    if (clean == length) {
        return length;
    }
    // Written internationally: '+' or 00 before any other digit.
    bool international = false;
    int zeros = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t c = AsciiDigit(number[i]);
        if (IsSeparator(c)) {
            continue;
        }
        international = c == u'+' || (c == u'0' && ++zeros == 2);
        if (c != u'0' || zeros == 2) {
            break;
        }
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const char16_t c = AsciiDigit(number[i]);
        if (c == u'(' && international && i + 2 < length && AsciiDigit(number[i + 1]) == u'0' &&
            number[i + 2] == u')') {
            i += 2;
        } else if (!IsSeparator(c)) {
            number[out++] = c;
        }
    }
    return out;
}

std::u16string CleanForSending(std::u16string_view number) {
    std::u16string text(number);
    text.resize(CleanInPlace(text.data(), text.size()));
    return text;
}

std::string RegionFromLocale(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    const std::size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos) {
        return {};
    }
    std::string_view territory = locale.substr(underscore + 1);
    territory = territory.substr(0, territory.find_first_of(".@"));
    return territory.size() == 2 ? NormalRegion(territory) : std::string();
}

std::string RegionFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_TELEPHONE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return RegionFromLocale(value);
        }
    }
    return {};
}

namespace detail {

std::string SendableDigits(std::u16string_view number) {
    std::string digits;
    for (std::size_t i = 0; i < number.size(); ++i) {
        const char16_t c = number[i];
        if (!((c >= u'0' && c <= u'9') || (c == u'+' && i == 0))) {
            return {};
        }
        digits.push_back(static_cast<char>(c));
    }
    return digits == "+" ? std::string() : digits;
}

}  // namespace detail
}  // namespace Phone
