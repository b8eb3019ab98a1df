#include "campaign/ui/CViewEventPoster.h"

#include <QCoreApplication>

#include "campaign/ui/CSmsReceivedEvent.h"
#include "campaign/ui/CSmsSendResultEvent.h"
#include "campaign/ui/VantorEvents.h"

void CViewEventPoster::PostRefreshDeviceStatus() {
    if (m_pView) {
        QCoreApplication::postEvent(m_pView, new QEvent(VantorEvents::WM_REFRESH_DEVICE_STATUS));
    }
}

void CViewEventPoster::PostSmsSendReference(std::uint32_t requestId, std::uint8_t tpMr) {
    if (m_pView) {
        QCoreApplication::postEvent(m_pView, new CSmsSendResultEvent(requestId, tpMr, m_nLink));
    }
}

void CViewEventPoster::PostSmsSendResult(std::uint32_t requestId, HRESULT status) {
    if (m_pView) {
        QCoreApplication::postEvent(m_pView, new CSmsSendResultEvent(requestId, status, m_nLink));
    }
}

void CViewEventPoster::PostSmsReceived(const ReceivedSms& message) {
    // Without a view it is not acknowledged: it stays on the modem.
    if (m_pView) {
        QCoreApplication::postEvent(m_pView, new CSmsReceivedEvent(message, m_nLink));
    }
}
