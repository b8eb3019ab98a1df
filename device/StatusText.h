// The words for every status code the program shows: one table for the
// device link and the sending loop. It holds the device's own texts for the
// outcome of a send, Vantorix's own codes, the usual system texts of common
// codes (there is no system message table everywhere the program runs), and
// the modem's +CMS / +CME error numbers that the AT backend passes on.
// A code has one text wherever it appears; the callers differ only in what
// they say for a code the table does not know.
#pragma once

#include <string>

#include "device/HResult.h"

// The table's text for `status`; empty when the table has none.
std::u16string KnownStatusText(HRESULT status);

// The device link's words for an immediate result: the table's text, else
// "Unknown Response (%x) from the Device." with the code in lower-case
// hexadecimal.
std::u16string DeviceResponseText(HRESULT status);

// The text for any status code (the sending list's): the table's text, else
// "IDispatch error #%d" (code minus 0x80040200) for 0x80040201 to 0x8004FFFF,
// and "Unknown error 0x%0lX" for the rest.
std::u16string StatusText(HRESULT status);
