// The port/queue layer of the AT link: one serial port, a queue of commands
// answered one at a time, a time-out per command, and the unsolicited result
// codes handed to whoever listens. It knows framing and result codes, not
// what the commands mean.
#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "device/at/AtParse.h"

class QSerialPort;

namespace At {

struct Timeouts {
    int commandMs = 5000;  // an ordinary command
    int probeMs = 1500;    // "AT" when checking whether a port is a modem
    // AT+CMGS up to its +CMGS / +CMS ERROR answer: real modems take 2.5 to
    // 10 s, in bad cases more than a minute.
    int sendMs = 120000;
    int drainMs = 300;  // input discarded after a time-out (late answers)
};

struct Reply {
    enum class Outcome { Final, Timeout, Gone };
    Outcome outcome = Outcome::Final;
    FinalResult final;              // meaningful for Outcome::Final
    std::vector<std::string> info;  // information lines, in order
    bool Ok() const { return outcome == Outcome::Final && final.kind == FinalResult::Kind::Ok; }
};

struct Command {
    std::string text;  // "AT+CSQ", without the CR
    // AT+CMGS: the PDU (hex) written after the "> " prompt, then Ctrl-Z.
    std::string pdu;
    // Prefix of this command's information lines ("+CSQ"). Empty: every line
    // that is neither a URC nor the echo is information (AT+CIMI, AT+CGMI).
    std::string infoPrefix;
    int timeoutMs = 0;  // 0: Timeouts::commandMs
    std::function<void(const Reply&)> done;
};

class Channel : public QObject {
    Q_OBJECT
public:
    using UrcHandler = std::function<void(const Urc& urc, const std::string& nextLine)>;

    // Takes an open port; the channel owns it from now on.
    Channel(QSerialPort* port, Timeouts timeouts, QObject* parent = nullptr);
    ~Channel() override;

    void SetUrcHandler(UrcHandler handler) { m_urcHandler = std::move(handler); }
    // Called once when the port fails or the modem stops answering; every
    // command still queued has been answered with Outcome::Gone before.
    void SetGoneHandler(std::function<void(const std::string& why)> handler) {
        m_goneHandler = std::move(handler);
    }

    // Queues `command`; its `done` is called exactly once, never from inside
    // Enqueue.
    void Enqueue(Command command);
    // Commands waiting or running.
    std::size_t Pending() const { return m_queue.size() + (m_current ? 1 : 0); }
    bool IsOpen() const { return !m_gone; }
    const Timeouts& timeouts() const { return m_timeouts; }
    QSerialPort* port() const { return m_port; }

    // Serves the port without the event loop (waiting on the port itself)
    // until nothing is pending or `maxMs` have passed. For the synchronous
    // discovery; returns true when idle.
    bool WaitIdle(int maxMs);

    // Fails everything pending with Outcome::Gone and closes the port.
    void Shutdown(const std::string& why);

private:
    void OnReadyRead();
    void OnPortError(int error);
    void Handle(const Token& token);
    void Complete(Reply::Outcome outcome, const FinalResult& final = {});
    void Tick();
    void StartNext();
    void ArmTimer();
    bool Write(const std::string& bytes);
    bool IsEcho(const std::string& line) const;

    QSerialPort* m_port;
    Timeouts m_timeouts;
    LineSplitter m_splitter;
    std::deque<Command> m_queue;
    std::unique_ptr<Command> m_current;
    Reply m_reply;
    bool m_promptSeen = false;
    QDeadlineTimer m_deadline;
    QDeadlineTimer m_drainUntil;
    bool m_draining = false;
    bool m_probing = false;  // the "AT" that follows a time-out is running
    bool m_gone = false;
    // A +CMT / +CDS whose PDU line is still to come.
    std::unique_ptr<Urc> m_pendingUrc;
    QTimer m_timer;
    UrcHandler m_urcHandler;
    std::function<void(const std::string&)> m_goneHandler;
};

}  // namespace At
