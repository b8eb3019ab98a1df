#include "pdu/Unicode.h"

#include <cstdint>

namespace PduLib {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `i`; returns the code point and advances `i`.
char32_t decodeOne(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) {
        return b0;
    }
    int extra;
    char32_t cp;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            return kReplacement;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return kReplacement;
    }
    return cp;
}

}  // namespace

namespace {

// U+FFFD spelled in the bytes themselves, not a malformed sequence.
bool isReplacementSpelled(std::string_view s, std::size_t start, std::size_t end) {
    return end - start == 3 && static_cast<unsigned char>(s[start]) == 0xEF &&
           static_cast<unsigned char>(s[start + 1]) == 0xBF &&
           static_cast<unsigned char>(s[start + 2]) == 0xBD;
}

// Converts `utf8` into `out`; a malformed sequence becomes U+FFFD, or, when
// `strict`, ends the conversion with false.
bool convertUtf8(std::string_view utf8, std::u16string& out, bool strict) {
    // Never more code units than bytes.
    out.assign(utf8.size(), u'\0');
    char16_t* p = out.empty() ? nullptr : &out[0];
    const char16_t* const begin = p;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            *p++ = byte;
            ++i;
            continue;
        }
        const std::size_t start = i;
        const char32_t cp = decodeOne(utf8, i);
        if (strict && cp == kReplacement && !isReplacementSpelled(utf8, start, i)) {
            return false;
        }
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            *p++ = static_cast<char16_t>(0xD800 + (v >> 10));
            *p++ = static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            *p++ = static_cast<char16_t>(cp);
        }
    }
    out.resize(static_cast<std::size_t>(p - begin));
    return true;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    convertUtf8(utf8, out, false);
    return out;
}

bool Utf8ToUtf16Checked(std::string_view utf8, std::u16string& out) {
    return convertUtf8(utf8, out, true);
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(cp, out);
    }
    return out;
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t start = i;
        const char32_t cp = decodeOne(bytes, i);
        // U+FFFD itself is valid when spelled EF BF BD.
        if (cp == kReplacement && !isReplacementSpelled(bytes, start, i)) {
            return false;
        }
    }
    return true;
}

}  // namespace PduLib
