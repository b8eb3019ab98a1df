// The OLE automation calls through which the backend frees what the platform
// hands out and fetches array elements. They are a table so that the tests
// can count every string and array the backend frees; in the program they are
// the system's own functions.
#pragma once

#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h first: the OLE headers build on its types.
#include <windows.h>

#include <oleauto.h>

namespace WinMbnBackend {

struct OleCalls {
    void(WINAPI* freeString)(BSTR);
    HRESULT(WINAPI* destroyArray)(SAFEARRAY*);
    // SafeArrayGetElement: an interface element comes back with a reference
    // added, a BSTR element as a copy; both are the caller's.
    HRESULT(WINAPI* getElement)(SAFEARRAY*, LONG*, void*);
};

// The system's functions.
OleCalls SystemOleCalls();
// The table in use.
const OleCalls& Ole();
// Replaces the table; returns the one it replaces.
OleCalls SetOleCalls(const OleCalls& calls);

// Copies a BSTR (its length prefix, so inner NULs survive); null is empty.
std::u16string CopyBstr(BSTR text);
// Copies a BSTR and frees it (through the table).
std::u16string TakeBstr(BSTR& text);

}  // namespace WinMbnBackend
