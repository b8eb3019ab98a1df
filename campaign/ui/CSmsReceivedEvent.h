// WM_SMS_RECEIVED: a reply or a status report the device link handed up; it
// stays on the modem until the view has stored it and acknowledged it.
#pragma once

#include <QEvent>
#include <utility>

#include "campaign/ui/VantorEvents.h"
#include "device/ReceivedSms.h"

class CSmsReceivedEvent final : public QEvent {
public:
    explicit CSmsReceivedEvent(ReceivedSms message)
        : QEvent(VantorEvents::WM_SMS_RECEIVED), m_message(std::move(message)) {}

    const ReceivedSms& Message() const { return m_message; }

private:
    ReceivedSms m_message;
};
