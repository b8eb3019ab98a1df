#include "device/kannel/KannelBackend.h"

#include <QAbstractHttpServer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "device/kannel/CurlClient.h"
#include "device/link/SmsSinkList.h"

namespace Kannel {

namespace {

using namespace DeviceLink;

std::string& ErrorText() {
    static std::string text;
    return text;
}

bool SplitHostPort(const std::string& hostPort, QHostAddress& host, std::uint16_t& port) {
    const std::size_t colon = hostPort.rfind(':');
    if (colon == std::string::npos) {
        return false;
    }
    bool ok = false;
    const int value = QString::fromStdString(hostPort.substr(colon + 1)).toInt(&ok);
    std::string name = hostPort.substr(0, colon);
    if (name.size() > 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
    }
    if (!ok || value < 0 || value > 65535 || !host.setAddress(QString::fromStdString(name))) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

// The answer to one request of the listener, given once, now or later (a
// report is answered when the store has it). Nothing is written when the
// connection went meanwhile.
using AnswerFn = std::function<void(int status)>;

// The listener: hands each request's path and query to `handle`, with the
// function that answers it with an HTTP status.
class Listener final : public QAbstractHttpServer {
public:
    using Handler = std::function<void(const QString& path, const std::string& query, AnswerFn)>;
    explicit Listener(Handler handle) : m_handle(std::move(handle)) {}

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
        QPointer<QTcpSocket> alive(socket);
        auto answered = std::make_shared<bool>(false);
        AnswerFn answer = [responder, alive, answered](int code) {
            if (std::exchange(*answered, true) || alive.isNull()) {
                return;
            }
            // Kept alive while reports are taken: a connection per report
            // costs smsbox more than the report. Any other answer (503 while
            // the listener drains before it stops) closes the connection, so
            // that smsbox is not left writing to one the listener closes:
            // Kannel 1.4.5's smsbox panics then.
            const auto status = static_cast<QHttpServerResponder::StatusCode>(code);
            if (code == 200) {
                responder->write(QByteArray("ok\n"), {{"Content-Type", "text/plain"}}, status);
            } else {
                responder->write(QByteArray("refused\n"),
                                 {{"Content-Type", "text/plain"}, {"Connection", "close"}}, status);
            }
        };
        m_handle(request.url().path(), request.url().query(QUrl::FullyEncoded).toStdString(),
                 std::move(answer));
        return true;
    }
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override {
        makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
    }

private:
    Handler m_handle;
};

// What the managers of one gateway listen to.
struct GatewayListener {
    std::function<void(std::uint32_t, HRESULT)> sendComplete;
    std::function<void(std::uint32_t, std::uint8_t)> reference;
    std::function<void(const ReceivedSms&)> received;
};

// A report or reply is answered 503 (smsbox posts it again) when the store
// has not taken it within this time.
constexpr qint64 kKeepTimeoutMs = 10000;

// Handles of received messages, unique in the run (the device link keys
// them across backends).
std::uint32_t NextHandle() {
    static std::uint32_t next = 0x4B000000u;
    if (++next == 0) {
        next = 1;
    }
    return next;
}

// The connections, the queue and the listener of one gateway.
class Gateway final : public QObject {
public:
    explicit Gateway(Settings settings) : m_settings(std::move(settings)) {
        m_base = QUrl(QString::fromStdString(m_settings.url));
        m_client = new CurlClient(m_settings.parallel, this);
        m_run = QString::number(QRandomGenerator::global()->generate(), 36).toStdString();
        m_wake = new QTimer(this);
        m_wake->setSingleShot(true);
        m_wake->setTimerType(Qt::PreciseTimer);
        connect(m_wake, &QTimer::timeout, this, [this] { Pump(); });
        m_expiry = new QTimer(this);
        m_expiry->setInterval(1000);
        connect(m_expiry, &QTimer::timeout, this, [this] { ExpireUnkept(); });
    }

    // Sends still in flight end without a completion: no manager, and so no
    // sink, is left to take it.
    ~Gateway() override = default;
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    bool Listen(std::string& error) {
        QHostAddress host;
        std::uint16_t port = 0;
        if (!SplitHostPort(m_settings.listen, host, port)) {
            error = "The report listener address " + m_settings.listen +
                    " is not HOST:PORT (e.g. 127.0.0.1:13080).";
            return false;
        }
        auto* server = new QTcpServer(this);
        // Kannel posts reports in bursts; a shallow backlog drops them.
        server->setListenBacklogSize(1024);
        if (!server->listen(host, port)) {
            error = "Cannot listen for delivery reports on " + m_settings.listen + ": " +
                    server->errorString().toStdString();
            return false;
        }
        m_server = server;
        m_port = server->serverPort();
        m_dlrHost = host.toString().toStdString();
        if (host.protocol() == QAbstractSocket::IPv6Protocol) {
            m_dlrHost = "[" + m_dlrHost + "]";
        }
        m_dlrHost += ":" + std::to_string(m_port);
        m_http = new Listener([this](const QString& path, const std::string& query,
                                     AnswerFn answer) { Handle(path, query, std::move(answer)); });
        m_http->setParent(this);
        m_http->bind(server);
        return true;
    }

    // Answers 503 to everything (smsbox posts it again later) until no
    // request has come for `quietMs`, at most `maxMs`, then stops listening.
    void Drain(int quietMs, int maxMs) {
        if (m_server == nullptr) {
            return;
        }
        m_draining = true;
        QElapsedTimer total;
        total.start();
        m_lastRequest.start();
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            if (m_lastRequest.elapsed() >= quietMs || total.elapsed() >= maxMs) {
                loop.quit();
            }
        });
        tick.start(20);
        loop.exec();
        m_server->close();
        for (auto& [handle, group] : m_unkept) {
            group->answer(503);
        }
        m_unkept.clear();
    }

    // The store has the received message `handle`: once it has every
    // message of its request, Kannel gets 200.
    HRESULT Acknowledge(std::uint32_t handle) {
        auto it = m_unkept.find(handle);
        if (it == m_unkept.end()) {
            return E_INVALIDARG;
        }
        const std::shared_ptr<Unkept> group = it->second;
        m_unkept.erase(it);
        if (--group->left == 0) {
            group->answer(200);
        }
        return S_OK;
    }

    const Settings& Config() const { return m_settings; }
    std::uint16_t Port() const { return m_port; }

    int AddListener(GatewayListener listener) {
        m_listeners[++m_lastToken] = std::move(listener);
        return m_lastToken;
    }
    void RemoveListener(int token) { m_listeners.erase(token); }

    HRESULT Send(const std::string& pdu, std::uint32_t* requestId) {
        if (requestId == nullptr) {
            return E_POINTER;
        }
        const std::size_t limit = 2 * static_cast<std::size_t>(m_settings.parallel);
        if (m_inFlight + m_waiting.size() >= limit) {
            return VTX_E_MODEM_BUSY;
        }
        SendRequest request;
        std::string error;
        if (!SubmitToRequest(pdu, request, error)) {
            ErrorText() = "Cannot send through Kannel: " + error + ".";
            return E_INVALIDARG;
        }
        Job job;
        job.requestId = m_nextId++;
        if (m_nextId == 0) {
            m_nextId = 1;
        }
        job.messageId = m_run + "-" + std::to_string(job.requestId);
        // The TP-MR of this send, as a modem's would be: a report names its
        // send by it and the recipient.
        job.reference = static_cast<std::uint8_t>(job.requestId & 0xFF);
        QUrl url = m_base;
        url.setQuery(QString::fromStdString(
                         SendsmsQuery(request, m_settings.user, m_settings.password,
                                      DlrUrl(m_dlrHost, job.messageId, request.to, job.reference,
                                             QDateTime::currentSecsSinceEpoch()))),
                     QUrl::StrictMode);
        job.url = url.toEncoded().toStdString();
        m_waiting.push_back(std::move(job));
        *requestId = m_waiting.back().requestId;
        // Never from inside the caller's call: the loop starts it.
        QTimer::singleShot(0, this, [this] { Pump(); });
        return S_OK;
    }

private:
    struct Job {
        std::uint32_t requestId = 0;
        std::string messageId;
        std::uint8_t reference = 0;
        std::string url;
        int attempts = 0;
        qint64 notBefore = 0;  // ms since the epoch
    };
    void Pump() {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        while (m_inFlight < static_cast<std::size_t>(m_settings.parallel) && !m_waiting.empty()) {
            auto ready = std::find_if(m_waiting.begin(), m_waiting.end(),
                                      [now](const Job& job) { return job.notBefore <= now; });
            if (ready == m_waiting.end()) {
                // Only sends waiting for their next try are left: the
                // pump runs again when the first is due (a timer may fire
                // early, so it is not trusted to have been that time).
                qint64 due = m_waiting.front().notBefore;
                for (const Job& job : m_waiting) {
                    due = std::min(due, job.notBefore);
                }
                const int wait = static_cast<int>(due - now) + 1;
                if (!m_wake->isActive() || m_wake->remainingTime() > wait) {
                    m_wake->start(wait);
                }
                break;
            }
            Job job = std::move(*ready);
            m_waiting.erase(ready);
            Start(std::move(job));
        }
    }

    void Start(Job job) {
        ++m_inFlight;
        ++job.attempts;
        const std::string url = job.url;
        m_client->Get(url, m_settings.requestTimeoutMs,
                      [this, job = std::move(job)](const HttpResult& result) mutable {
                          --m_inFlight;
                          Finished(result, std::move(job));
                          Pump();
                      });
    }

    void Finished(const HttpResult& result, Job job) {
        switch (result.kind) {
            case HttpResult::Kind::NotSent:
                Retry(std::move(job));  // never reached Kannel
                return;
            case HttpResult::Kind::Unknown:
                // Lost after it went out, or timed out: Kannel may have
                // taken it, so it is not sent again.
                Complete(job.requestId, VTX_E_SEND_TIMEOUT);
                return;
            case HttpResult::Kind::Answered:
                break;
        }
        const Answer answer = ClassifyAnswer(static_cast<int>(result.status), result.body);
        switch (answer.outcome) {
            case Outcome::Sent:
                ForEach([&](GatewayListener& l) { l.reference(job.requestId, job.reference); });
                Complete(job.requestId, S_OK);
                break;
            case Outcome::Retry:
                Retry(std::move(job));
                break;
            case Outcome::Failed:
                Complete(job.requestId, answer.status);
                break;
        }
    }

    void Retry(Job job) {
        if (job.attempts >= m_settings.attempts) {
            Complete(job.requestId, VTX_E_MODEM_GONE);
            return;
        }
        const int shift = std::min(job.attempts - 1, 16);
        const qint64 pause = std::min<qint64>(static_cast<qint64>(m_settings.firstRetryMs) << shift,
                                              m_settings.maxRetryMs);
        job.notBefore = QDateTime::currentMSecsSinceEpoch() + pause;
        m_waiting.push_front(std::move(job));             // keeps its place ahead of newer ones
        QTimer::singleShot(0, this, [this] { Pump(); });  // sets the wake-up for it
    }

    void Complete(std::uint32_t requestId, HRESULT status) {
        ForEach([&](GatewayListener& l) { l.sendComplete(requestId, status); });
    }

    // A report or a reply becomes what a modem would have handed up: an
    // SMS-STATUS-REPORT, or the SMS-DELIVER parts of the reply. Kannel gets
    // its answer once the store has them all (the device link acknowledges
    // each), or 503 when that does not come in time.
    void Handle(const QString& path, const std::string& query, AnswerFn answer) {
        m_lastRequest.start();
        if (m_draining || m_listeners.empty()) {
            answer(503);
            return;
        }
        const auto fields = ParseQuery(query);
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        std::vector<ReceivedSms> messages;
        if (path == QLatin1String("/dlr")) {
            Report report;
            if (!ParseReport(fields, report)) {
                answer(400);
                return;
            }
            const std::optional<std::uint8_t> status = ReportStatus(report.code);
            if (!status) {
                answer(200);  // the service centre took it: the send's answer said so
                return;
            }
            ReceivedSms message;
            message.kind = ReceivedSms::Kind::StatusReport;
            message.pdu = StatusReportPdu(report, *status, now);
            messages.push_back(std::move(message));
        } else if (path == QLatin1String("/mo")) {
            Reply reply;
            if (!ParseReply(fields, reply)) {
                answer(400);
                return;
            }
            for (std::string& pdu : ReplyPdus(reply, now)) {
                ReceivedSms message;
                message.pdu = std::move(pdu);
                messages.push_back(std::move(message));
            }
        } else {
            answer(404);
            return;
        }
        auto group = std::make_shared<Unkept>();
        group->answer = std::move(answer);
        group->left = messages.size();
        group->since.start();
        for (ReceivedSms& message : messages) {
            message.handle = NextHandle();
            m_unkept[message.handle] = group;
        }
        if (!m_expiry->isActive()) {
            m_expiry->start();
        }
        for (const ReceivedSms& message : messages) {
            ForEach([&](GatewayListener& l) { l.received(message); });
        }
    }

    void ExpireUnkept() {
        for (auto it = m_unkept.begin(); it != m_unkept.end();) {
            if (it->second->since.elapsed() >= kKeepTimeoutMs) {
                it->second->answer(503);
                it = m_unkept.erase(it);
            } else {
                ++it;
            }
        }
        if (m_unkept.empty()) {
            m_expiry->stop();
        }
    }

    template <typename Call>
    void ForEach(Call call) {
        const auto listeners = m_listeners;  // a listener may leave meanwhile
        for (auto& [token, listener] : listeners) {
            auto it = m_listeners.find(token);
            if (it != m_listeners.end()) {
                call(it->second);
            }
        }
    }

    Settings m_settings;
    QUrl m_base;
    std::string m_run;
    std::string m_dlrHost;
    std::uint16_t m_port = 0;
    Listener* m_http = nullptr;
    QTcpServer* m_server = nullptr;
    bool m_draining = false;
    QElapsedTimer m_lastRequest;
    CurlClient* m_client = nullptr;
    std::deque<Job> m_waiting;
    std::size_t m_inFlight = 0;
    std::uint32_t m_nextId = 1;
    std::map<int, GatewayListener> m_listeners;
    int m_lastToken = 0;
    // The received messages the store has not taken yet, by handle; the
    // messages of one request share their answer.
    struct Unkept {
        AnswerFn answer;
        std::size_t left = 0;
        QElapsedTimer since;
    };
    std::map<std::uint32_t, std::shared_ptr<Unkept>> m_unkept;
    QTimer* m_expiry = nullptr;
    QTimer* m_wake = nullptr;  // the next try of a send that waits
};

std::string GatewayKey(const Settings& settings) {
    return settings.url + "\n" + settings.user + "\n" + settings.listen + "\n" +
           std::to_string(settings.parallel);
}

std::map<std::string, std::weak_ptr<Gateway>>& OpenGateways() {
    static std::map<std::string, std::weak_ptr<Gateway>> open;
    return open;
}

class KannelSmsConfiguration final : public IMbnSmsConfiguration {
public:
    HRESULT get_SmsFormat(MBN_SMS_FORMAT* format) override {
        if (format == nullptr) {
            return E_POINTER;
        }
        *format = MBN_SMS_FORMAT_PDU;
        return S_OK;
    }
    HRESULT get_MaxMessageIndex(std::uint32_t* /*index*/) override { return E_FAIL; }
    HRESULT get_ServiceCenterAddress(std::u16string* address) override {
        if (address == nullptr) {
            return E_POINTER;
        }
        address->clear();  // Kannel's link chooses the service centre
        return S_OK;
    }
};

class KannelSms final : public IMbnSms {
public:
    explicit KannelSms(std::shared_ptr<Gateway> gateway) : m_gateway(std::move(gateway)) {}
    HRESULT GetSmsConfiguration(std::shared_ptr<IMbnSmsConfiguration>* configuration) override {
        if (configuration == nullptr) {
            return E_POINTER;
        }
        *configuration = std::make_shared<KannelSmsConfiguration>();
        return S_OK;
    }
    HRESULT GetSmsStatus(MBN_SMS_STATUS_INFO* status) override {
        if (status == nullptr) {
            return E_POINTER;
        }
        *status = MBN_SMS_STATUS_INFO{};
        return S_OK;
    }
    HRESULT SmsSendPdu(const std::u16string& pduData, std::uint8_t /*size*/,
                       std::uint32_t* requestId) override {
        std::string pdu;
        for (char16_t c : pduData) {
            if (c < 0x21 || c > 0x7E) {
                return E_INVALIDARG;
            }
            pdu.push_back(static_cast<char>(c));
        }
        return m_gateway->Send(pdu, requestId);
    }
    HRESULT SmsRead(const MBN_SMS_FILTER& /*filter*/, MBN_SMS_FORMAT /*format*/,
                    std::uint32_t* /*requestId*/) override {
        return E_NOTIMPL;  // replies come to the listener, nothing is stored
    }
    std::shared_ptr<IMbnSignal> QuerySignal() override { return nullptr; }
    HRESULT SmsAcknowledge(std::uint32_t handle) override { return m_gateway->Acknowledge(handle); }

private:
    std::shared_ptr<Gateway> m_gateway;
};

class KannelInterface final : public IMbnInterface {
public:
    KannelInterface(std::shared_ptr<Gateway> gateway, std::shared_ptr<KannelSms> sms)
        : m_gateway(std::move(gateway)), m_sms(std::move(sms)) {}
    HRESULT get_InterfaceID(std::u16string* id) override {
        if (id == nullptr) {
            return E_POINTER;
        }
        *id = u"kannel:" + QString::fromStdString(m_gateway->Config().url).toStdU16String();
        return S_OK;
    }
    HRESULT GetInterfaceCapability(MBN_INTERFACE_CAPS* caps) override {
        if (caps == nullptr) {
            return E_POINTER;
        }
        MBN_INTERFACE_CAPS out;
        out.cellularClass = MBN_CELLULAR_CLASS_GSM;
        out.voiceClass = MBN_VOICE_CLASS_NO_VOICE;
        out.smsCaps = MBN_SMS_CAPS_PDU_SEND;
        out.manufacturer = u"Kannel";
        out.model = u"SMS gateway (smsbox sendsms)";
        *caps = std::move(out);
        return S_OK;
    }
    HRESULT GetSubscriberInformation(
        std::shared_ptr<IMbnSubscriberInformation>* /*info*/) override {
        return E_NOTIMPL;
    }
    HRESULT GetReadyState(MBN_READY_STATE* state) override {
        if (state == nullptr) {
            return E_POINTER;
        }
        *state = MBN_READY_STATE_INITIALIZED;
        return S_OK;
    }
    HRESULT GetHomeProvider(MBN_PROVIDER* provider) override {
        if (provider == nullptr) {
            return E_POINTER;
        }
        provider->providerName =
            u"Kannel " +
            QUrl(QString::fromStdString(m_gateway->Config().url)).host().toStdU16String();
        provider->providerID.clear();
        provider->providerState = 0;
        provider->dataClass = 0;
        return S_OK;
    }
    std::shared_ptr<IMbnSms> QuerySms() override { return m_sms; }

private:
    std::shared_ptr<Gateway> m_gateway;
    std::shared_ptr<KannelSms> m_sms;
};

class KannelInterfaceManager final : public IMbnInterfaceManager,
                                     public std::enable_shared_from_this<KannelInterfaceManager> {
public:
    explicit KannelInterfaceManager(std::shared_ptr<Gateway> gateway)
        : m_gateway(std::move(gateway)),
          m_sms(std::make_shared<KannelSms>(m_gateway)),
          m_interface(std::make_shared<KannelInterface>(m_gateway, m_sms)) {}

    void Attach() {
        std::weak_ptr<KannelInterfaceManager> weak = weak_from_this();
        std::shared_ptr<IMbnSms> sms = m_sms;
        GatewayListener listener;
        listener.sendComplete = [weak, sms](std::uint32_t id, HRESULT status) {
            if (auto self = weak.lock()) {
                self->m_sinks.ForEach(
                    [&](IMbnSmsEvents* sink) { sink->OnSmsSendComplete(sms, id, status); });
            }
        };
        listener.reference = [weak, sms](std::uint32_t id, std::uint8_t reference) {
            if (auto self = weak.lock()) {
                self->m_sinks.ForEach(
                    [&](IMbnSmsEvents* sink) { sink->OnSmsSendReference(sms, id, reference); });
            }
        };
        listener.received = [weak, sms](const ReceivedSms& message) {
            if (auto self = weak.lock()) {
                self->m_sinks.ForEach(
                    [&](IMbnSmsEvents* sink) { sink->OnSmsReceived(sms, message); });
            }
        };
        m_token = m_gateway->AddListener(std::move(listener));
    }

    ~KannelInterfaceManager() override { m_gateway->RemoveListener(m_token); }

    HRESULT GetInterfaces(std::vector<std::shared_ptr<IMbnInterface>>* interfaces) override {
        if (interfaces == nullptr) {
            return E_POINTER;
        }
        *interfaces = {m_interface};
        return S_OK;
    }
    HRESULT Advise(IMbnSmsEvents* sink, std::uint32_t* cookie) override {
        return m_sinks.Advise(sink, cookie);
    }
    HRESULT Unadvise(std::uint32_t cookie) override { return m_sinks.Unadvise(cookie); }

private:
    std::shared_ptr<Gateway> m_gateway;
    std::shared_ptr<KannelSms> m_sms;
    std::shared_ptr<KannelInterface> m_interface;
    CSmsSinkList m_sinks;
    int m_token = 0;
};

}  // namespace

HRESULT CreateKannelInterfaceManager(const Settings& settings,
                                     std::shared_ptr<IMbnInterfaceManager>* manager) {
    if (manager == nullptr) {
        return E_POINTER;
    }
    ErrorText().clear();
    const QUrl url(QString::fromStdString(settings.url), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
        ErrorText() = "The Kannel sendsms URL must be http://HOST:PORT/cgi-bin/sendsms.";
        return E_INVALIDARG;
    }
    if (settings.user.empty() || settings.parallel < 1 || settings.attempts < 1) {
        ErrorText() = "Kannel needs a user and at least one request in parallel.";
        return E_INVALIDARG;
    }
    const std::string key = GatewayKey(settings);
    std::shared_ptr<Gateway> gateway = OpenGateways()[key].lock();
    if (!gateway) {
        gateway = std::make_shared<Gateway>(settings);
        std::string error;
        if (!gateway->Listen(error)) {
            ErrorText() = error;
            return E_FAIL;
        }
        OpenGateways()[key] = gateway;
    }
    auto created = std::make_shared<KannelInterfaceManager>(gateway);
    created->Attach();
    *manager = std::move(created);
    return S_OK;
}

DeviceLink::BackendFactory MakeBackendFactory(Settings settings) {
    return [settings](const std::string& /*selector*/,
                      std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
        return CreateKannelInterfaceManager(settings, manager);
    };
}

std::uint16_t ListenPort(const Settings& settings) {
    auto it = OpenGateways().find(GatewayKey(settings));
    if (it == OpenGateways().end()) {
        return 0;
    }
    auto gateway = it->second.lock();
    return gateway ? gateway->Port() : 0;
}

void CloseListener(const Settings& settings, int quietMs, int maxMs) {
    auto it = OpenGateways().find(GatewayKey(settings));
    if (it == OpenGateways().end()) {
        return;
    }
    if (auto gateway = it->second.lock()) {
        gateway->Drain(quietMs, maxMs);
    }
}

std::string LastError() {
    return ErrorText();
}

}  // namespace Kannel
