// Final status of a send (and of other commands) from the modem's answer:
// +CMS ERROR / +CME ERROR numbers, plain ERROR, no answer, modem gone.
#pragma once

#include "device/HResult.h"
#include "device/at/AtParse.h"

namespace At {

// Platform statuses used below (the values of the mobile-broadband platform).
constexpr HRESULT kStatusNotSupported = 0x00000032;  // not a failure code: see the note below
constexpr HRESULT kBadSim = static_cast<HRESULT>(0x80548202u);
constexpr HRESULT kSimNotInserted = static_cast<HRESULT>(0x8054820Au);
constexpr HRESULT kNotRegistered = static_cast<HRESULT>(0x8054820Du);
constexpr HRESULT kPinRequired = static_cast<HRESULT>(0x80548210u);
constexpr HRESULT kSmsMemoryFailure = static_cast<HRESULT>(0x80548224u);
constexpr HRESULT kSmsNetworkTimeout = static_cast<HRESULT>(0x80548225u);
constexpr HRESULT kSmsUnknownSmsc = static_cast<HRESULT>(0x80548226u);
constexpr HRESULT kSmsNotAllowed = static_cast<HRESULT>(0x80548228u);
constexpr HRESULT kSmsMemoryFull = static_cast<HRESULT>(0x80548229u);

// An error the platform has no status for keeps the modem's number, so that
// the status text can name it (device/StatusText.h).
constexpr HRESULT kCmsErrorBase = VTX_E_CMS_ERROR_BASE;
constexpr HRESULT kCmeErrorBase = VTX_E_CME_ERROR_BASE;

// Note: 0x00000032 is the platform's "not supported" send status; it is not
// negative, so SUCCEEDED() is true for it. A send is a success only when its
// status equals S_OK.

// Status for +CMS ERROR: <code> (TS 27.005 3.2.5; 0..127 are RP causes of
// TS 24.011 E.2, 128..255 TP-FCS values of TS 23.040 9.2.3.22).
HRESULT StatusForCmsError(int code);
// Status for +CME ERROR: <code> (TS 27.007 9.2).
HRESULT StatusForCmeError(int code);
// Status for a final result code: S_OK for OK, E_FAIL for plain ERROR (and
// for a verbose error text with no known number).
HRESULT StatusForFinal(const FinalResult& result);

}  // namespace At
