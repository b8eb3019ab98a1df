// The Kannel backend against a scripted sendsms server on loopback: how each
// kind of answer (or none) ends a send, that a request Kannel may have taken
// is never sent again, and that requests share a kept-alive connection.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <deque>
#include <optional>

#include "device/kannel/KannelBackend.h"
#include "pdu/PartsComposer.h"
#include "tests/device/QuietSmsEvents.h"

namespace {

using namespace DeviceLink;

// Answers each request with the next step of its script: an HTTP status and
// body, or 0 to close the connection without an answer.
class ScriptedSendsms final : public QObject {
public:
    explicit ScriptedSendsms(std::deque<std::pair<int, std::string>> script)
        : m_script(std::move(script)) {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
            }
        });
    }
    std::string Url() const {
        return "http://127.0.0.1:" + std::to_string(m_server.serverPort()) + "/cgi-bin/sendsms";
    }
    int requests = 0;
    int connections = 0;

private:
    void Read(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (int end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
            buffer.remove(0, end + 4);
            ++requests;
            const auto [status, body] =
                m_script.empty() ? std::pair<int, std::string>{500, "no script"} : m_script.front();
            if (!m_script.empty()) {
                m_script.pop_front();
            }
            if (status == 0) {
                socket->abort();
                return;
            }
            socket->write("HTTP/1.1 " + QByteArray::number(status) +
                          " X\r\nContent-Type: text/plain\r\nContent-Length: " +
                          QByteArray::number(static_cast<int>(body.size())) + "\r\n\r\n" +
                          QByteArray::fromStdString(body));
        }
    }
    QTcpServer m_server;
    std::deque<std::pair<int, std::string>> m_script;
    std::map<QTcpSocket*, QByteArray> m_buffers;
};

struct Sink final : QuietSmsEvents {
    std::map<std::uint32_t, HRESULT> done;
    std::map<std::uint32_t, int> references;
    HRESULT OnSmsSendComplete(const std::shared_ptr<IMbnSms>&, std::uint32_t id,
                              HRESULT status) override {
        done[id] = status;
        return S_OK;
    }
    HRESULT OnSmsSendReference(const std::shared_ptr<IMbnSms>&, std::uint32_t id,
                               std::uint8_t tpMr) override {
        references[id] = tpMr;
        return S_OK;
    }
};

std::u16string SubmitPdu() {
    const auto parts = PduLib::ComposeParts(u"Notice", u"+4915112345678", u"", {}, 1);
    const std::string& hex = parts.pdus.at(0);
    return std::u16string(hex.begin(), hex.end());
}

struct Case {
    const char* name;
    std::deque<std::pair<int, std::string>> script;
    bool serverUp;
    int sends;
    HRESULT expected;  // of every send
    int requests;      // the server saw
    std::optional<int> connections;
};

TEST(KannelBackend, EachAnswerEndsTheSendOnceAndRightly) {
    const HRESULT refused = Kannel::GatewayFailure(403, "Authorization failed for sendsms");
    const Case cases[] = {
        {"accepted", {{202, "0: Accepted for delivery"}}, true, 1, S_OK, 1, 1},
        {"queued after a 503",
         {{503, "busy"}, {202, "3: Queued for later delivery"}},
         true,
         1,
         S_OK,
         2,
         {}},
        {"refused with Kannel's text",
         {{403, "Authorization failed for sendsms"}},
         true,
         1,
         refused,
         1,
         {}},
        // Kannel may have taken it: outcome unknown, never sent again.
        {"connection lost after the request", {{0, ""}}, true, 1, VTX_E_SEND_TIMEOUT, 1, {}},
        {"no gateway: tried, then given up", {}, false, 1, VTX_E_MODEM_GONE, 0, {}},
        // One connection, kept alive, carries requests one after the other.
        {"kept alive",
         {{202, "0: Accepted for delivery"}, {202, "0: Accepted for delivery"}},
         true,
         2,
         S_OK,
         2,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedSendsms server(c.script);
        Kannel::Settings settings;
        settings.url = c.serverUp ? server.Url() : "http://127.0.0.1:1/cgi-bin/sendsms";
        settings.user = "vantorix";
        settings.password = "secret";
        settings.listen = "127.0.0.1:0";
        settings.parallel = 1;
        settings.attempts = 3;
        settings.firstRetryMs = 5;
        std::shared_ptr<IMbnInterfaceManager> manager;
        ASSERT_EQ(Kannel::CreateKannelInterfaceManager(settings, &manager), S_OK)
            << Kannel::LastError();
        std::vector<std::shared_ptr<IMbnInterface>> interfaces;
        manager->GetInterfaces(&interfaces);
        const std::shared_ptr<IMbnSms> sms = interfaces.at(0)->QuerySms();
        Sink sink;
        std::uint32_t cookie = 0;
        manager->Advise(&sink, &cookie);
        std::vector<std::uint32_t> ids;
        for (int i = 0; i < c.sends; ++i) {
            std::uint32_t id = 0;
            ASSERT_EQ(sms->SmsSendPdu(SubmitPdu(), 0, &id), S_OK);
            ids.push_back(id);
        }
        QElapsedTimer clock;
        clock.start();
        while (sink.done.size() < ids.size() && clock.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        for (const std::uint32_t id : ids) {
            ASSERT_EQ(sink.done.count(id), 1u);
            EXPECT_EQ(sink.done[id], c.expected);
            EXPECT_EQ(sink.references.count(id), c.expected == S_OK ? 1u : 0u);
        }
        EXPECT_EQ(server.requests, c.requests);
        if (c.connections) {
            EXPECT_EQ(server.connections, *c.connections);
        }
        manager->Unadvise(cookie);
    }
}

}  // namespace
