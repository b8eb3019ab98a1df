// The Kannel backend of the device link: an SMS gateway (Kannel's smsbox)
// behind the interfaces of device/link/BackendInterface.h, so that the
// sending loop, the store and the windows treat it as one more modem.
//
// Sending: every composed part goes out as one sendsms request (HTTP GET,
// keep-alive) with its own concatenation header (`udh`) and `coding` 0 or 2,
// so the parts, their count and their cost are exactly the composer's; Kannel
// must not split them again. Up to `parallel` requests are in flight, each on
// its own connection (libcurl's, in this thread's event loop), and as many
// again wait; past that SmsSendPdu answers VTX_E_MODEM_BUSY. Answers: 202
// "0:"/"3:" complete with S_OK (just after OnSmsSendReference with the TP-MR
// the backend gave the send, the low octet of its request id); 4xx with
// Kannel::GatewayFailure (Kannel's text); 503 and a request that never left
// (no connection) are sent again after a growing pause, up to `attempts`
// times, then complete with VTX_E_MODEM_GONE. A connection lost after the
// request went out or a request that timed out is not sent again (it may have
// been taken): VTX_E_SEND_TIMEOUT.
//
// Listening: an HTTP server (loopback by default, a deep listen backlog)
// takes the delivery reports Kannel posts to the dlr-url (GET /dlr) and the
// replies an sms-service posts (GET /mo), and hands them to the sinks as a
// modem hands up what it received (OnSmsReceived): a report as the
// SMS-STATUS-REPORT that names its send by TP-MR and recipient, a reply as
// its SMS-DELIVER parts. Kannel gets 200 once SmsAcknowledge came for each
// (the store has it) on a kept-alive connection, and 503 with the connection
// closed (smsbox posts it again) when that does not come within 10 seconds,
// nobody listens or the listener drains before it stops.
//
// One gateway (its connections and its listener) per sendsms URL and listen
// address lives as long as some manager holds it, so a new discovery reuses
// it and the sends in flight go on. Needs a QCoreApplication; events come
// from its event loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/kannel/KannelProtocol.h"
#include "device/link/BackendInterface.h"

namespace Kannel {

struct Settings {
    std::string url;       // smsbox's sendsms, e.g. http://127.0.0.1:13013/cgi-bin/sendsms
    std::string user;      // a sendsms-user
    std::string password;  // never logged
    // Where the listener binds, "host:port" (port 0: any free one); the
    // dlr-url that Kannel calls is built from it.
    std::string listen = "127.0.0.1:13080";
    int parallel = 8;              // requests in flight at most
    int attempts = 12;             // tries of a request that Kannel did not take
    int firstRetryMs = 250;        // pause before the second try, doubled each time
    int maxRetryMs = 30000;        // longest pause between tries
    int requestTimeoutMs = 30000;  // an answer later than this: outcome unknown
};

// Creates a manager with one interface, the gateway. Fails with
// E_INVALIDARG for settings that cannot work (no URL, no user, parallel
// below 1, a listen address that is not host:port) and with E_FAIL when the
// listener cannot bind; LastError() says why in words.
HRESULT CreateKannelInterfaceManager(const Settings& settings,
                                     std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager);

// The backend for the device link's owner; the selector is ignored (there
// is one gateway).
DeviceLink::BackendFactory MakeBackendFactory(Settings settings);

// The port the listener of the gateway for `settings` is bound to, 0 when
// there is none (to learn the port chosen for port 0).
std::uint16_t ListenPort(const Settings& settings);

// Stops the listener of the gateway for `settings` gently, before the
// program quits or drops the backend: answers every report with 503 (smsbox
// posts it again later, with http-request-retry) until none has come for
// `quietMs` (at most `maxMs`), running the event loop meanwhile, then stops
// listening. Closing it under a busy smsbox instead can make smsbox 1.4.5
// panic and lose the reports it holds.
void CloseListener(const Settings& settings, int quietMs = 300, int maxMs = 5000);

std::string LastError();

}  // namespace Kannel
