// Conversions between UTF-8 and UTF-16 used at the edges of the program
// (files, command line, JSON). Malformed input becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace PduLib {

std::u16string Utf8ToUtf16(std::string_view utf8);
// The same in one pass for well-formed UTF-8 only: false (and `out` not
// meaningful) at the first malformed sequence.
bool Utf8ToUtf16Checked(std::string_view utf8, std::u16string& out);
std::string Utf16ToUtf8(std::u16string_view utf16);
// Appends the UTF-8 bytes of one code point.
void AppendUtf8(char32_t codePoint, std::string& out);
// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes);

}  // namespace PduLib
