// The simulated AT modem: a byte-in, byte-out engine with no I/O of its own.
// main.cpp puts it on a pseudo-terminal; the engine only decides what the
// modem says and when.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ModemSim {

using Clock = std::chrono::steady_clock;

enum class Sim { Ready, Absent, Pin, Puk, Bad };

struct Options {
    std::string operatorName = "Vantorix Mobile";
    std::string smsc = "+447785016005";
    Sim sim = Sim::Ready;
    bool pdu = true;
    int replyDelayMs = 0;
    int sendDelayMs = 0;                  // extra delay before the answer to a submitted PDU
    std::map<std::string, int> failures;  // destination number -> +CMS ERROR
    std::vector<std::string> urcMidSend;  // lines sent between "> " and +CMGS
    int silentAfter = -1;                 // submissions answered before silence
    int vanishAfter = -1;                 // submissions answered before hanging up
    std::string incoming;                 // stored received PDU (hex), index 1
};

class Engine {
public:
    // Called once per submitted PDU that the modem accepted (+CMGS).
    using OutboxWriter = std::function<void(int tpduLength, const std::string& hexPdu)>;

    Engine(Options options, OutboxWriter outbox);

    // Bytes from the terminal side.
    void Receive(std::string_view bytes, Clock::time_point now);
    // Output due at `now`, removed from the queue.
    std::string TakeDue(Clock::time_point now);
    // When the next output falls due, if any.
    std::optional<Clock::time_point> NextDue() const;
    // True once the modem should hang up (after the output due before it).
    bool Vanished() const { return m_vanished && m_out.empty(); }
    bool Silent() const { return m_silent; }
    int Submitted() const { return m_submitted; }

private:
    void Command(const std::string& line, Clock::time_point now);
    void Submit(Clock::time_point now);
    void Reply(const std::string& text, Clock::time_point now);
    void Now(const std::string& text, Clock::time_point now);
    std::string Final(const std::string& info) const { return info + "\r\nOK\r\n"; }
    std::string CmeError(int code, const char* verbose) const;
    std::string CmsError(int code) const;
    // The error for a command that needs the SIM, or "" when it is usable.
    std::string SimError(bool sms) const;

    Options m_options;
    OutboxWriter m_outbox;
    struct Chunk {
        Clock::time_point due;
        std::string bytes;
    };
    std::deque<Chunk> m_out;
    Clock::time_point m_lastDue{};
    std::string m_line;
    bool m_echo = true;
    int m_cmee = 0;
    int m_cmgf = 0;
    int m_copsFormat = 0;
    bool m_inPdu = false;
    int m_pduLength = 0;
    std::string m_pdu;
    int m_mr = 0;
    int m_submitted = 0;
    bool m_silent = false;
    bool m_vanished = false;
    bool m_incomingAnnounced = false;
};

}  // namespace ModemSim
