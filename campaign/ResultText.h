// Texts for the status codes that a send returns, as the sending list shows
// them. There is no system message table everywhere the program runs, so the
// usual system texts of the common codes are built in.
#pragma once

#include <string>

#include "device/HResult.h"

// The text for a send's final status: the device's own wording for the codes
// it reports ("SMS Sent Successfully." for 0), else StatusText.
std::u16string FinalStatusText(HRESULT status);

// The text for any status code: the system's usual text for common codes and
// Vantorix's own texts for its codes; otherwise "IDispatch error #%d" (code
// minus 0x80040200) for 0x80040201 to 0x8004FFFF, and "Unknown error 0x%0lX".
std::u16string StatusText(HRESULT status);
