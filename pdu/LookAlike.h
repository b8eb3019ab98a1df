// Look-alike replacement: typographic characters that word processors put
// into text (curly quotes, long dashes, ellipsis, special spaces, bullets)
// and the GSM 7-bit default alphabet characters that stand in for them, so
// that such a text still goes out in 7-bit rather than in UCS2.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace PduLib {

struct LookAlike {
    char16_t character;
    const char16_t* replacement;  // GSM 7-bit default alphabet text; "" drops it
};

// The one table of replacements.
const LookAlike* LookAlikeTable(std::size_t& count);

// The replacement of `c`, or nullptr when it has none.
const char16_t* FindLookAlike(char16_t c);

// One replaced character and how often it occurred.
struct Replacement {
    char16_t character;
    std::u16string replacement;
    unsigned count;
};

// `text` with every character of the table replaced; the replaced
// characters in the order of their first occurrence.
std::u16string ReplaceLookAlikes(std::u16string_view text, std::vector<Replacement>* replaced);

}  // namespace PduLib
