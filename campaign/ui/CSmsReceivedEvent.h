// WM_SMS_RECEIVED: a reply or a status report the device link handed up; it
// stays on the modem until the view has stored it and acknowledged it.
#pragma once

#include <QEvent>
#include <cstddef>
#include <utility>

#include "campaign/ui/VantorEvents.h"
#include "device/ReceivedSms.h"

class CSmsReceivedEvent final : public QEvent {
public:
    explicit CSmsReceivedEvent(ReceivedSms message, std::size_t link = 0)
        : QEvent(VantorEvents::WM_SMS_RECEIVED), m_message(std::move(message)), m_nLink(link) {}

    const ReceivedSms& Message() const { return m_message; }
    // The device link that holds it, to acknowledge it to.
    std::size_t Link() const { return m_nLink; }

private:
    ReceivedSms m_message;
    std::size_t m_nLink = 0;
};
