// What the sending loop and the windows need from the device link: the
// application object's fronting operations, and the two posted messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/HResult.h"
#include "device/ReceivedSms.h"
#include "pdu/MessagePlan.h"

// The fronting operations of the application object over the device link.
class ISmsFront {
public:
    // Appended to every message before it is composed: it is counted and
    // split with the text.
    static constexpr char16_t kSignature[] = u" - Sent with Quorvel Vantorix";

    virtual ~ISmsFront() = default;

    virtual std::u16string GetOperatorNameText() = 0;
    virtual std::u16string GetDeviceStatusText() = 0;
    // TRUE when a message can be sent now; otherwise false and the reason.
    virtual bool CanSendSms(std::u16string& reason) = 0;
    // What `message` with the signature costs under the message options in
    // use: encoding, parts, replaced characters; `error` says why it cannot
    // be sent (over the parts limit).
    virtual PduLib::MessagePlan PlanSms(std::u16string_view message) = 0;
    // Composes `message` (the signature is appended here) for `number`: one
    // PDU per part, in order (a concatenated message takes the next
    // concatenation reference). S_OK with `parts` set; any failure: nothing
    // to send, `reason` says why (no device, a refused number, the parts
    // limit, the codec's failure text).
    virtual HRESULT ComposeSms(const std::u16string& message, const std::u16string& number,
                               std::vector<std::u16string>& parts, std::u16string& reason) = 0;
    // Submits one composed part to `number`. S_OK: accepted, `*requestId`
    // set, the final status comes later through
    // ISmsEventPoster::PostSmsSendResult. VTX_E_MODEM_BUSY: not taken, offer
    // the same part again later. Any other failure: not sent, `reason` says
    // why.
    virtual HRESULT SendSmsPart(const std::u16string& number, const std::u16string& part,
                                std::uint32_t* requestId, std::u16string& reason) = 0;
    // The upper layer has kept the message ISmsEventPoster::PostSmsReceived
    // handed up with `handle` (written to the store and committed): it is
    // now deleted from the modem (AT+CMGD), or acknowledged to the network
    // (AT+CNMA) when it was routed directly. S_OK: queued. E_INVALIDARG: no
    // message waits under that handle. E_NOTIMPL: nothing is ever handed up.
    virtual HRESULT AckReceived(std::uint32_t /*handle*/) { return E_NOTIMPL; }
};

// Where the device link posts its messages (WM_REFRESH_DEVICE_STATUS and
// WM_SMS_SEND_RESULT of the windowed program, then the reference of a send
// and the messages received). Posting never calls back into
// the caller: the receiver handles the message later, from its own loop.
class ISmsEventPoster {
public:
    virtual ~ISmsEventPoster() = default;
    virtual void PostRefreshDeviceStatus() = 0;
    virtual void PostSmsSendResult(std::uint32_t requestId, HRESULT status) = 0;
    // The TP-MR the network gave the accepted send `requestId`, posted just
    // before its PostSmsSendResult(requestId, S_OK); a status report names
    // its message by this reference and the recipient's number. Not posted
    // when the modem named no reference.
    virtual void PostSmsSendReference(std::uint32_t /*requestId*/, std::uint8_t /*tpMr*/) {}
    // A reply or a status report (device/ReceivedSms.h). It stays on the
    // modem until the receiver has kept it and calls ISmsFront::AckReceived
    // with its handle; one not acknowledged comes again at the next start.
    virtual void PostSmsReceived(const ReceivedSms& /*message*/) {}
};
