// The private messages of the program, as posted Qt events. Both are
// handled by the sending view only.
#pragma once

#include <QEvent>

namespace VantorEvents {

// Ask CanSendSms again. Posted by the main frame after every discovery and by
// the view to itself at its initial update.
inline constexpr QEvent::Type WM_REFRESH_DEVICE_STATUS =
    static_cast<QEvent::Type>(QEvent::User + 1);
// The outcome of one send (CSmsSendResultEvent): request id and final status.
inline constexpr QEvent::Type WM_SMS_SEND_RESULT = static_cast<QEvent::Type>(QEvent::User + 2);
// The TP-MR of a send, just before its result (the status is then unused).
inline constexpr QEvent::Type WM_SMS_SEND_REFERENCE = static_cast<QEvent::Type>(QEvent::User + 3);
// A reply or a status report (CSmsReceivedEvent).
inline constexpr QEvent::Type WM_SMS_RECEIVED = static_cast<QEvent::Type>(QEvent::User + 4);

}  // namespace VantorEvents
