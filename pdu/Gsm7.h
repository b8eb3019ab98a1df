// The GSM 7-bit default alphabet and its extension table (3GPP TS 23.038
// 6.2.1 and 6.2.1.1), between UTF-16 text and septet codes.
#pragma once

#include <string>
#include <string_view>

namespace PduLib {

// Septet codes for `text`, one char per septet. A character of the extension
// table takes two septets (0x1B, then its code); a character that neither
// table holds becomes '?', once per character (a surrogate pair is one).
std::string Utf16ToGsm7(std::u16string_view text);

// UTF-16 text for septet codes. An escape followed by a code that the
// extension table lacks shows the basic table's character (TS 23.038 6.2.1.1);
// a trailing lone escape shows a blank.
std::u16string Gsm7ToUtf16(std::string_view septets);

// The same as UTF-8, without the UTF-16 step.
std::string Gsm7ToUtf8(std::string_view septets);
// The same, appended to `text`.
void AppendGsm7AsUtf8(std::string_view septets, std::string& text);

// True when every character of `text` is in the basic or extension table.
bool IsGsm7Representable(std::u16string_view text);

}  // namespace PduLib
