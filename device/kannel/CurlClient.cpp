#include "device/kannel/CurlClient.h"

#include <mutex>
#include <utility>

namespace Kannel {

struct CurlClient::Request {
    CURL* easy = nullptr;
    Done done;
    std::string body;
    char error[CURL_ERROR_SIZE] = {};
};

void CurlClient::LaterDelete::operator()(QSocketNotifier* notifier) const {
    notifier->setEnabled(false);
    notifier->deleteLater();
}

CurlClient::CurlClient(int connections, QObject* parent) : QObject(parent) {
    static std::once_flag once;
    static bool initialised = false;
    std::call_once(once, [] { initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    if (!initialised || (m_multi = curl_multi_init()) == nullptr) {
        return;
    }
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlClient::OnSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlClient::OnTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    // One request per connection at a time (HTTP/1.1, no pipelining); the
    // rest wait for a connection inside libcurl.
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(connections));
    curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, static_cast<long>(connections));
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Action(CURL_SOCKET_TIMEOUT, 0); });
}

CurlClient::~CurlClient() {
    for (auto& [easy, request] : m_requests) {
        curl_multi_remove_handle(m_multi, easy);
        curl_easy_cleanup(easy);
    }
    m_requests.clear();
    m_watches.clear();
    if (m_multi != nullptr) {
        curl_multi_cleanup(m_multi);
    }
}

void CurlClient::Get(const std::string& url, long timeoutMs, Done done) {
    auto request = std::make_unique<Request>();
    request->done = std::move(done);
    CURL* easy = m_multi != nullptr ? curl_easy_init() : nullptr;
    if (easy == nullptr) {
        auto finish = std::make_shared<Done>(std::move(request->done));
        QTimer::singleShot(0, this, [finish] {
            HttpResult result;
            result.kind = HttpResult::Kind::NotSent;
            result.error = "libcurl could not start a request";
            (*finish)(result);
        });
        return;
    }
    request->easy = easy;
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlClient::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, request.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, request->error);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, request.get());
    m_requests[easy] = std::move(request);
    curl_multi_add_handle(m_multi, easy);  // sets the timer: it starts from the loop
}

std::size_t CurlClient::OnBody(char* data, std::size_t size, std::size_t count, void* request) {
    auto* r = static_cast<Request*>(request);
    // Kannel answers a line; a runaway body is cut, not kept whole.
    constexpr std::size_t kMaxBody = 64 * 1024;
    const std::size_t bytes = size * count;
    r->body.append(data, std::min(bytes, kMaxBody - std::min(kMaxBody, r->body.size())));
    return bytes;
}

int CurlClient::OnSocket(CURL* /*easy*/, curl_socket_t socket, int what, void* self,
                         void* /*socketData*/) {
    static_cast<CurlClient*>(self)->SetWatch(socket, what);
    return 0;
}

int CurlClient::OnTimer(CURLM* /*multi*/, long timeoutMs, void* self) {
    auto* client = static_cast<CurlClient*>(self);
    if (timeoutMs < 0) {
        client->m_timer.stop();
    } else {
        // Never from inside libcurl's call: 0 means at the next turn of the loop.
        client->m_timer.start(static_cast<int>(timeoutMs));
    }
    return 0;
}

void CurlClient::SetWatch(curl_socket_t socket, int what) {
    if (what == CURL_POLL_REMOVE) {
        m_watches.erase(socket);
        return;
    }
    Watch& watch = m_watches[socket];
    const bool wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    auto ensure = [this, socket](Notifier& notifier, bool want, QSocketNotifier::Type type,
                                 int event) {
        if (!want) {
            notifier.reset();
            return;
        }
        if (!notifier) {
            notifier = Notifier(new QSocketNotifier(static_cast<qintptr>(socket), type, this));
            connect(notifier.get(), &QSocketNotifier::activated, this,
                    [this, socket, event] { Action(socket, event); });
        }
    };
    ensure(watch.read, wantRead, QSocketNotifier::Read, CURL_CSELECT_IN);
    ensure(watch.write, wantWrite, QSocketNotifier::Write, CURL_CSELECT_OUT);
}

void CurlClient::Action(curl_socket_t socket, int events) {
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    TakeFinished();
}

void CurlClient::TakeFinished() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        CURL* easy = message->easy_handle;
        const CURLcode code = message->data.result;
        auto it = m_requests.find(easy);
        if (it == m_requests.end()) {
            continue;
        }
        std::unique_ptr<Request> request = std::move(it->second);
        m_requests.erase(it);
        HttpResult result;
        long status = 0;
        long sent = 0;  // bytes of the request that went out
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &sent);
        if (code == CURLE_OK && status != 0) {
            result.kind = HttpResult::Kind::Answered;
            result.status = status;
            result.body = std::move(request->body);
        } else {
            result.kind = sent == 0 ? HttpResult::Kind::NotSent : HttpResult::Kind::Unknown;
            result.error = request->error[0] != '\0' ? request->error : curl_easy_strerror(code);
        }
        curl_multi_remove_handle(m_multi, easy);
        curl_easy_cleanup(easy);
        // The call may start new requests or drop this client's owner's
        // interest; the loop over finished ones goes on safely either way.
        request->done(result);
    }
}

}  // namespace Kannel
