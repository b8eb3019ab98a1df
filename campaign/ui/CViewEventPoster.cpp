#include "campaign/ui/CViewEventPoster.h"

#include <QCoreApplication>

#include "campaign/ui/CSmsSendResultEvent.h"
#include "campaign/ui/VantorEvents.h"

void CViewEventPoster::PostRefreshDeviceStatus() {
    if (m_pView) {
        QCoreApplication::postEvent(m_pView, new QEvent(VantorEvents::WM_REFRESH_DEVICE_STATUS));
    }
}

void CViewEventPoster::PostSmsSendReference(std::uint32_t requestId, std::uint8_t tpMr) {
    if (m_pView) {
        QCoreApplication::postEvent(m_pView, new CSmsSendResultEvent(requestId, tpMr));
    }
}

void CViewEventPoster::PostSmsSendResult(std::uint32_t requestId, HRESULT status) {
    if (m_pView) {
        QCoreApplication::postEvent(m_pView, new CSmsSendResultEvent(requestId, status));
    }
}
