// What the sending loop and the windows need from the device link: the
// application object's fronting operations, and the two posted messages.
#pragma once

#include <cstdint>
#include <string>

#include "device/HResult.h"

// The fronting operations of the application object over the device link.
class ISmsFront {
public:
    // Appended to every message before it is composed; the views leave room
    // for it.
    static constexpr char16_t kSignature[] = u" - Sent with Quorvel Vantorix";

    virtual ~ISmsFront() = default;

    virtual std::u16string GetOperatorNameText() = 0;
    virtual std::u16string GetDeviceStatusText() = 0;
    // TRUE when a message can be sent now; otherwise false and the reason.
    virtual bool CanSendSms(std::u16string& reason) = 0;
    // Sends `message` (the signature is appended here) to `number`.
    // S_OK: accepted, `*requestId` set, the final status comes later through
    // ISmsEventPoster::PostSmsSendResult. VTX_E_MODEM_BUSY: not taken, offer
    // the same row again later. Any other failure: not sent, `reason` says why
    // (e.g. the codec's failure text for a bad character in the number).
    virtual HRESULT SendSms(const std::u16string& message, const std::u16string& number,
                            std::uint32_t* requestId, std::u16string& reason) = 0;
};

// Where the device link posts its two messages (WM_REFRESH_DEVICE_STATUS and
// WM_SMS_SEND_RESULT of the windowed program). Posting never calls back into
// the caller: the receiver handles the message later, from its own loop.
class ISmsEventPoster {
public:
    virtual ~ISmsEventPoster() = default;
    virtual void PostRefreshDeviceStatus() = 0;
    virtual void PostSmsSendResult(std::uint32_t requestId, HRESULT status) = 0;
};
