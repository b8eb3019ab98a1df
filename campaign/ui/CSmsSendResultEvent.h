// WM_SMS_SEND_RESULT: the final status of the send with a request id; and
// WM_SMS_SEND_REFERENCE: its TP-MR, just before.
#pragma once

#include <QEvent>
#include <cstdint>

#include "campaign/ui/VantorEvents.h"
#include "device/HResult.h"

class CSmsSendResultEvent final : public QEvent {
public:
    CSmsSendResultEvent(std::uint32_t requestId, HRESULT status)
        : QEvent(VantorEvents::WM_SMS_SEND_RESULT), m_nRequestId(requestId), m_hrStatus(status) {}
    CSmsSendResultEvent(std::uint32_t requestId, std::uint8_t tpMr)
        : QEvent(VantorEvents::WM_SMS_SEND_REFERENCE), m_nRequestId(requestId), m_nTpMr(tpMr) {}

    std::uint32_t RequestId() const { return m_nRequestId; }
    HRESULT Status() const { return m_hrStatus; }
    std::uint8_t TpMr() const { return m_nTpMr; }

private:
    std::uint32_t m_nRequestId = 0;
    HRESULT m_hrStatus = S_OK;
    std::uint8_t m_nTpMr = 0;
};
