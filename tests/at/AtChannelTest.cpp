// The port/queue layer against a modem scripted byte by byte on a pty: the
// orderings a simulator does not produce on demand.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/at/AtChannel.h"

namespace {

bool Pump(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

class ScriptedModem : public testing::Test {
protected:
    void SetUp() override {
        char name[256] = {};
        int slave = -1;
        ASSERT_EQ(::openpty(&m_master, &slave, name, nullptr, nullptr), 0);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        ::close(slave);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        auto* port = new QSerialPort(QString::fromLatin1(name));
        ASSERT_TRUE(port->open(QIODevice::ReadWrite));
        At::Timeouts timeouts;
        timeouts.commandMs = 400;
        timeouts.probeMs = 300;
        timeouts.sendMs = 400;
        timeouts.drainMs = 150;
        m_channel = std::make_unique<At::Channel>(port, timeouts);
        m_channel->SetUrcHandler([this](const At::Urc& urc, const std::string& next) {
            m_urcs.push_back(urc.name + (next.empty() ? "" : "|" + next));
        });
    }
    void TearDown() override {
        m_channel.reset();
        if (m_master >= 0) {
            ::close(m_master);
        }
    }

    // What the channel wrote, waiting until `expected` is in it.
    std::string Expect(const std::string& expected, int ms = 2000) {
        Pump(
            [&] {
                char buffer[512];
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0) {
                    m_written.append(buffer, static_cast<std::size_t>(n));
                }
                return m_written.find(expected) != std::string::npos;
            },
            ms);
        const std::size_t at = m_written.find(expected);
        if (at == std::string::npos) {
            ADD_FAILURE() << "channel never wrote \"" << expected << "\"; wrote \"" << m_written
                          << "\"";
            return {};
        }
        std::string before = m_written.substr(0, at + expected.size());
        m_written.erase(0, at + expected.size());
        return before;
    }
    void Say(const std::string& bytes) {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }
    // Enqueues a command that records its reply.
    std::shared_ptr<std::vector<At::Reply>> Ask(const std::string& text,
                                                const std::string& prefix = {},
                                                const std::string& pdu = {}) {
        auto replies = std::make_shared<std::vector<At::Reply>>();
        At::Command command;
        command.text = text;
        command.infoPrefix = prefix;
        command.pdu = pdu;
        command.done = [replies](const At::Reply& r) { replies->push_back(r); };
        m_channel->Enqueue(std::move(command));
        return replies;
    }

    int m_master = -1;
    std::unique_ptr<At::Channel> m_channel;
    std::string m_written;
    std::vector<std::string> m_urcs;
};

TEST_F(ScriptedModem, EchoUrcsAndTwoLineMessageAroundTheAnswer) {
    auto replies = Ask("AT+CSQ", "+CSQ");
    Expect("AT+CSQ\r");
    Say("AT+CSQ\r\r\n+CMTI: \"SM\",2\r\n+CMT: ,5\r\n0001020304\r\n+CS");
    Say("Q: 17,99\r\n\r\nRING\r\n\r\nOK\r\n");
    ASSERT_TRUE(Pump([&] { return !replies->empty(); }, 2000));
    ASSERT_TRUE((*replies)[0].Ok());
    EXPECT_EQ((*replies)[0].info, std::vector<std::string>{"+CSQ: 17,99"});
    EXPECT_EQ(m_urcs, (std::vector<std::string>{"+CMTI", "+CMT|0001020304", "RING"}));
}

TEST_F(ScriptedModem, PduIsWrittenOnlyAfterThePromptAndUrcsMidSendAreNotTheAnswer) {
    auto replies = Ask("AT+CMGS=5", "+CMGS", "0001020304");
    Expect("AT+CMGS=5\r");
    Say("\r\n+CREG: 1\r\n");
    QThread::msleep(50);
    QCoreApplication::processEvents();
    char probe[64];
    EXPECT_LE(::read(m_master, probe, sizeof probe), 0) << "PDU written before the prompt";
    Say("\r\n> ");
    Expect("0001020304\x1A");
    Say("\r\n+CMTI: \"SM\",7\r\n\r\n+CMGS: 42\r\n\r\nOK\r\n");
    ASSERT_TRUE(Pump([&] { return !replies->empty(); }, 2000));
    EXPECT_TRUE((*replies)[0].Ok());
    EXPECT_EQ((*replies)[0].info, std::vector<std::string>{"+CMGS: 42"});
    EXPECT_EQ(m_urcs, (std::vector<std::string>{"+CREG", "+CMTI"}));
}

TEST_F(ScriptedModem, OkBeforeThePromptIsNotASentMessage) {
    auto replies = Ask("AT+CMGS=5", "+CMGS", "0001020304");
    Expect("AT+CMGS=5\r");
    Say("\r\nOK\r\n");  // e.g. a late OK of an earlier command
    ASSERT_TRUE(Pump([&] { return !replies->empty(); }, 2000));
    EXPECT_FALSE((*replies)[0].Ok());
    // The prompt that follows is cancelled, and the PDU is never written.
    Say("\r\n> ");
    const std::string written = Expect("\x1B");
    EXPECT_EQ(written.find("0001020304"), std::string::npos);
}

TEST_F(ScriptedModem, LateAnswerAfterATimeOutIsDrainedNotGivenToTheNextCommand) {
    auto first = Ask("AT+COPS?", "+COPS");
    auto second = Ask("AT+CSQ", "+CSQ");
    Expect("AT+COPS?\r");
    ASSERT_TRUE(Pump([&] { return !first->empty(); }, 2000));  // nothing said: time-out
    EXPECT_EQ((*first)[0].outcome, At::Reply::Outcome::Timeout);
    Say("\r\n+COPS: 0,0,\"Late\",2\r\n\r\nOK\r\n");  // the late answer
    Pump([] { return false; }, 60);                  // read on its own
    // The channel checks the modem is still there before going on.
    Expect("AT\r");
    Say("\r\nOK\r\n");
    Expect("AT+CSQ\r");
    Say("\r\n+CSQ: 5,99\r\n\r\nOK\r\n");
    ASSERT_TRUE(Pump([&] { return !second->empty(); }, 2000));
    ASSERT_TRUE((*second)[0].Ok());
    EXPECT_EQ((*second)[0].info, std::vector<std::string>{"+CSQ: 5,99"});
    EXPECT_TRUE(m_channel->IsOpen());
}

TEST_F(ScriptedModem, UnansweredProbeAfterATimeOutEndsEverything) {
    std::string why;
    m_channel->SetGoneHandler([&](const std::string& reason) { why = reason; });
    auto first = Ask("AT+CSQ", "+CSQ");
    auto second = Ask("AT+CMGS=5", "+CMGS", "0001020304");
    ASSERT_TRUE(Pump([&] { return !second->empty(); }, 3000));
    EXPECT_EQ((*first)[0].outcome, At::Reply::Outcome::Timeout);
    EXPECT_EQ((*second)[0].outcome, At::Reply::Outcome::Gone);
    EXPECT_FALSE(m_channel->IsOpen());
    EXPECT_FALSE(why.empty());
    // Asked after the end: still exactly one answer, from the event loop.
    auto late = Ask("AT");
    EXPECT_TRUE(late->empty());
    ASSERT_TRUE(Pump([&] { return !late->empty(); }, 1000));
    EXPECT_EQ((*late)[0].outcome, At::Reply::Outcome::Gone);
}

}  // namespace
