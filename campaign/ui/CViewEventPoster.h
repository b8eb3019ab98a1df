// Posts the device link's messages to the main frame's active view. Without
// an active view (before the frame exists, or after the view is gone) they
// are dropped.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstddef>
#include <cstdint>

#include "device/ISmsFront.h"

class CViewEventPoster final : public ISmsEventPoster {
public:
    void SetActiveView(QObject* view) { m_pView = view; }
    QObject* GetActiveView() const { return m_pView.data(); }
    // The device link (modem) whose messages this poster carries; 0, the
    // first, unless set.
    void SetLink(std::size_t link) { m_nLink = link; }

    void PostRefreshDeviceStatus() override;
    void PostSmsSendResult(std::uint32_t requestId, HRESULT status) override;
    void PostSmsSendReference(std::uint32_t requestId, std::uint8_t tpMr) override;
    void PostSmsReceived(const ReceivedSms& message) override;

private:
    QPointer<QObject> m_pView;
    std::size_t m_nLink = 0;
};
