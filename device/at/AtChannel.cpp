#include "device/at/AtChannel.h"

#include <QSerialPort>
#include <algorithm>
#include <cctype>

namespace At {

namespace {

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

Channel::Channel(QSerialPort* port, Timeouts timeouts, QObject* parent)
    : QObject(parent), m_port(port), m_timeouts(timeouts) {
    m_port->setParent(this);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Channel::Tick);
    connect(m_port, &QSerialPort::readyRead, this, &Channel::OnReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { OnPortError(static_cast<int>(error)); });
}

Channel::~Channel() {
    // Nobody is told any more; the owner is going away with its callbacks.
    m_urcHandler = nullptr;
    m_goneHandler = nullptr;
    if (m_port->isOpen()) {
        m_port->close();
    }
}

void Channel::Enqueue(Command command) {
    if (command.timeoutMs <= 0) {
        command.timeoutMs = m_timeouts.commandMs;
    }
    m_queue.push_back(std::move(command));
    QMetaObject::invokeMethod(this, &Channel::Tick, Qt::QueuedConnection);
}

bool Channel::WaitIdle(int maxMs) {
    const QDeadlineTimer total(maxMs);
    for (;;) {
        Tick();
        if (Pending() == 0) {
            return true;
        }
        if (total.hasExpired()) {
            return false;
        }
        qint64 wait = total.remainingTime();
        if (m_current) {
            wait = std::min(wait, m_deadline.remainingTime());
        }
        if (m_draining) {
            wait = std::min(wait, m_drainUntil.remainingTime());
        }
        if (!m_gone && !m_port->waitForReadyRead(static_cast<int>(std::max<qint64>(wait, 1)))) {
            // Nothing came: a time-out is handled by Tick(); a port failure
            // has been reported through errorOccurred.
        }
    }
}

void Channel::Tick() {
    if (m_gone) {
        // Commands queued after the end still get their one answer.
        while (!m_queue.empty()) {
            Command command = std::move(m_queue.front());
            m_queue.pop_front();
            Reply reply;
            reply.outcome = Reply::Outcome::Gone;
            if (command.done) {
                command.done(reply);
            }
        }
        return;
    }
    if (m_current && m_deadline.hasExpired()) {
        const bool wasProbe = m_probing;
        m_probing = false;
        Complete(Reply::Outcome::Timeout);
        if (m_gone) {
            return;
        }
        // Cancel a prompt the modem may still hold, and let late answers of
        // the timed-out command pass before anything else is asked.
        Write("\x1B");
        m_draining = true;
        m_drainUntil = QDeadlineTimer(m_timeouts.drainMs);
        if (wasProbe) {
            Shutdown("the modem stopped answering");
            return;
        }
        // Is anybody there? If "AT" goes unanswered too, the modem is gone.
        Command probe;
        probe.text = "AT";
        probe.timeoutMs = m_timeouts.probeMs;
        m_queue.push_front(std::move(probe));
        m_probing = true;
    }
    if (m_draining && m_drainUntil.hasExpired()) {
        m_draining = false;
        m_pendingUrc.reset();
    }
    if (!m_current && !m_draining && !m_queue.empty()) {
        StartNext();
    }
    ArmTimer();
}

void Channel::StartNext() {
    m_current = std::make_unique<Command>(std::move(m_queue.front()));
    m_queue.pop_front();
    m_reply = Reply{};
    m_promptSeen = false;
    m_deadline = QDeadlineTimer(m_current->timeoutMs);
    Write(m_current->text + "\r");
}

void Channel::ArmTimer() {
    qint64 wait = -1;
    if (m_current) {
        wait = m_deadline.remainingTime();
    }
    if (m_draining) {
        const qint64 drain = m_drainUntil.remainingTime();
        wait = wait < 0 ? drain : std::min(wait, drain);
    }
    if (wait < 0 || m_gone) {
        m_timer.stop();
    } else {
        m_timer.start(static_cast<int>(wait));
    }
}

bool Channel::Write(const std::string& bytes) {
    if (m_gone) {
        return false;
    }
    if (m_port->write(bytes.data(), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size())) {
        Shutdown("writing to the modem failed: " + m_port->errorString().toStdString());
        return false;
    }
    m_port->flush();
    return true;
}

void Channel::OnReadyRead() {
    if (m_gone) {
        return;
    }
    const QByteArray data = m_port->readAll();
    std::vector<Token> tokens;
    m_splitter.Feed(std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                    tokens);
    for (const Token& token : tokens) {
        if (m_gone) {
            return;
        }
        Handle(token);
    }
    Tick();
}

void Channel::OnPortError(int error) {
    const auto kind = static_cast<QSerialPort::SerialPortError>(error);
    if (kind == QSerialPort::NoError || kind == QSerialPort::TimeoutError) {
        return;
    }
    Shutdown("the modem's port failed: " + m_port->errorString().toStdString());
}

bool Channel::IsEcho(const std::string& line) const {
    if (!m_current) {
        return false;
    }
    return SameNoCase(line, m_current->text) ||
           (!m_current->pdu.empty() && SameNoCase(line, m_current->pdu));
}

void Channel::Handle(const Token& token) {
    if (token.kind == Token::Kind::Prompt) {
        if (m_current && !m_current->pdu.empty() && !m_promptSeen && !m_draining) {
            m_promptSeen = true;
            Write(m_current->pdu + "\x1A");
        } else {
            // A prompt nobody asked for: cancel it, or the modem would take
            // the next command as message text.
            Write("\x1B");
        }
        return;
    }
    const std::string& line = token.text;
    if (m_pendingUrc) {
        const Urc urc = *m_pendingUrc;
        m_pendingUrc.reset();
        if (m_urcHandler) {
            m_urcHandler(urc, line);
        }
        return;
    }
    if (IsEcho(line)) {
        return;
    }
    if (auto final = ParseFinalResult(line)) {
        if (!m_current || m_draining) {
            return;  // a late answer to a command that timed out
        }
        if (!m_current->pdu.empty() && !m_promptSeen && final->kind == FinalResult::Kind::Ok) {
            // OK to AT+CMGS before the prompt: not an answer to this send
            // (the PDU was never written). Report failure, not success.
            final->kind = FinalResult::Kind::Error;
            final->text = "OK before the prompt";
        }
        Complete(Reply::Outcome::Final, *final);
        return;
    }
    if (auto urc = ParseUrc(line, m_current ? m_current->infoPrefix : std::string())) {
        if (urc->TakesNextLine()) {
            m_pendingUrc = std::make_unique<Urc>(*urc);
        } else if (m_urcHandler) {
            m_urcHandler(*urc, std::string());
        }
        return;
    }
    if (m_current && !m_draining) {
        m_reply.info.push_back(line);
    }
}

void Channel::Complete(Reply::Outcome outcome, const FinalResult& final) {
    if (!m_current) {
        return;
    }
    std::unique_ptr<Command> command = std::move(m_current);
    Reply reply = std::move(m_reply);
    m_reply = Reply{};
    reply.outcome = outcome;
    reply.final = final;
    if (command->text == "AT" && m_probing) {
        m_probing = false;
    }
    if (command->done) {
        command->done(reply);
    }
}

void Channel::Shutdown(const std::string& why) {
    if (m_gone) {
        return;
    }
    m_gone = true;
    m_timer.stop();
    if (m_port->isOpen()) {
        m_port->close();
    }
    Reply gone;
    gone.outcome = Reply::Outcome::Gone;
    std::vector<Command> pending;
    if (m_current) {
        pending.push_back(std::move(*m_current));
        m_current.reset();
    }
    for (Command& command : m_queue) {
        pending.push_back(std::move(command));
    }
    m_queue.clear();
    for (Command& command : pending) {
        if (command.done) {
            command.done(gone);
        }
    }
    if (m_goneHandler) {
        m_goneHandler(why);
    }
}

}  // namespace At
