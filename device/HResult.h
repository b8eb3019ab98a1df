// Status codes of the device link and of the platform's events. On Windows
// they are the platform's own HRESULTs; elsewhere the same values.
#pragma once

#include <cstdint>

#ifdef _WIN32
// windef.h brings the HRESULT type (winnt.h); winerror.h only its values.
#include <windef.h>
#include <winerror.h>
#else
typedef std::int32_t HRESULT;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

inline bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline bool FAILED(HRESULT hr) {
    return hr < 0;
}
#endif

// Vantorix's own immediate result for a send that the modem cannot take yet:
// one send in flight and one queued already. Not a failure of the row: the
// sending loop offers the same row again on its next tick. (Facility ITF,
// code 0x0B01, chosen to collide with no platform code.)
constexpr HRESULT VTX_E_MODEM_BUSY = static_cast<HRESULT>(0x80040B01u);
// Final status of a send whose answer did not come within its time-out, or
// whose modem went away before answering (facility ITF, code 0x0B02).
constexpr HRESULT VTX_E_SEND_TIMEOUT = static_cast<HRESULT>(0x80040B02u);
// Final status of a send whose modem disappeared or stopped answering.
constexpr HRESULT VTX_E_MODEM_GONE = static_cast<HRESULT>(0x80040B03u);
// A modem error that has no platform status keeps the modem's number, so that
// the user sees it: VTX_E_CMS_ERROR_BASE + n for +CMS ERROR n and
// VTX_E_CME_ERROR_BASE + n for +CME ERROR n, n from 0 to 4095 (facility ITF).
constexpr HRESULT VTX_E_CMS_ERROR_BASE = static_cast<HRESULT>(0x80041000u);
constexpr HRESULT VTX_E_CME_ERROR_BASE = static_cast<HRESULT>(0x80042000u);
