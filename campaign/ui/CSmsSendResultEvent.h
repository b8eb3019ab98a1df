// WM_SMS_SEND_RESULT: the final status of the send with a request id; and
// WM_SMS_SEND_REFERENCE: its TP-MR, just before. Each from the device link
// (modem) `link` of the program, 0 for the first.
#pragma once

#include <QEvent>
#include <cstddef>
#include <cstdint>

#include "campaign/ui/VantorEvents.h"
#include "device/HResult.h"

class CSmsSendResultEvent final : public QEvent {
public:
    CSmsSendResultEvent(std::uint32_t requestId, HRESULT status, std::size_t link = 0)
        : QEvent(VantorEvents::WM_SMS_SEND_RESULT),
          m_nRequestId(requestId),
          m_hrStatus(status),
          m_nLink(link) {}
    CSmsSendResultEvent(std::uint32_t requestId, std::uint8_t tpMr, std::size_t link = 0)
        : QEvent(VantorEvents::WM_SMS_SEND_REFERENCE),
          m_nRequestId(requestId),
          m_nTpMr(tpMr),
          m_nLink(link) {}
    std::size_t Link() const { return m_nLink; }

    std::uint32_t RequestId() const { return m_nRequestId; }
    HRESULT Status() const { return m_hrStatus; }
    std::uint8_t TpMr() const { return m_nTpMr; }

private:
    std::uint32_t m_nRequestId = 0;
    HRESULT m_hrStatus = S_OK;
    std::uint8_t m_nTpMr = 0;
    std::size_t m_nLink = 0;
};
