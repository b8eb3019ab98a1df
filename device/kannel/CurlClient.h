// HTTP GETs through libcurl's multi interface, driven by the Qt event loop of
// the thread that owns the client (socket notifiers and one timer): no
// thread of its own, so an answer costs no hop between threads. Up to
// `connections` keep-alive connections to a host are open at once; requests
// past that wait inside libcurl for a free one.
#pragma once

#include <curl/curl.h>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace Kannel {

// How a request ended, as far as the sender cares.
struct HttpResult {
    enum class Kind {
        Answered,  // an HTTP answer came: status and body
        NotSent,   // the request never left (no connection): safe to send again
        Unknown,   // lost or timed out after it went out: it may have been taken
    };
    Kind kind = Kind::Unknown;
    long status = 0;
    std::string body;
    std::string error;  // libcurl's words when there is no answer
};

class CurlClient final : public QObject {
public:
    using Done = std::function<void(const HttpResult&)>;

    // When libcurl cannot be set up, every request ends as not sent.
    explicit CurlClient(int connections, QObject* parent = nullptr);
    ~CurlClient() override;
    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    // Starts a GET; `done` is called once, from the event loop, never from
    // inside this call. Requests still running when the client goes are
    // dropped without a call.
    void Get(const std::string& url, long timeoutMs, Done done);

private:
    struct Request;
    // A notifier may be dropped from inside its own signal: it is disabled
    // at once and deleted later.
    struct LaterDelete {
        void operator()(QSocketNotifier* notifier) const;
    };
    using Notifier = std::unique_ptr<QSocketNotifier, LaterDelete>;
    struct Watch {
        Notifier read;
        Notifier write;
    };

    static int OnSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* socketData);
    static int OnTimer(CURLM* multi, long timeoutMs, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* request);

    void SetWatch(curl_socket_t socket, int what);
    void Action(curl_socket_t socket, int events);
    void TakeFinished();

    CURLM* m_multi = nullptr;
    QTimer m_timer;
    std::map<curl_socket_t, Watch> m_watches;
    std::map<CURL*, std::unique_ptr<Request>> m_requests;
};

}  // namespace Kannel
