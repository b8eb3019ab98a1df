// The GSM 7-bit default tables, shared inside the codec by the default and
// the national language conversions (3GPP TS 23.038 6.2.1, 6.2.1.1).
#pragma once

#include <cstddef>

namespace PduLib {
namespace detail {

// One entry of a single shift table: the code after the escape (0x1B).
struct Gsm7Shift {
    char code;
    char16_t character;
};

// The default alphabet: septet code -> UTF-16 (128 entries).
const char16_t* Gsm7DefaultTable();
// The default extension table; `count` receives its size.
const Gsm7Shift* Gsm7DefaultExtension(std::size_t& count);

}  // namespace detail
}  // namespace PduLib
