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

// What the status report of a submission says (TP-ST 0x00, 0x46, 0x42), or
// no report at all.
enum class Outcome { Delivered, Expired, Rejected, None };

// SMS-DELIVER PDUs (hex, service-centre field first) for `text` (UTF-8) from
// `sender` (digits with an optional "+", or a name: alphanumeric, TS 23.040
// 9.1.2.5): GSM 7-bit when every character fits, else UCS2; concatenated
// with an 8-bit reference when one part does not hold it.
std::vector<std::string> DeliverPdus(const std::string& smsc, const std::string& sender,
                                     const std::string& text, int reference);

// The SMS-STATUS-REPORT PDU for message reference `mr` to `recipient`.
std::string StatusReportPdu(const std::string& smsc, int mr, const std::string& recipient,
                            int recipientToa, int status);

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
    int storageSize = 30;                 // messages the store "SM" holds
    int stored = 0;                       // generated replies stored at start (grows the store)
    // Status reports for submissions that ask for one (TP-SRR): after this
    // delay, with the outcome of the recipient's number or the default.
    int reportDelayMs = 0;
    std::map<std::string, Outcome> reports;  // number -> outcome
    Outcome defaultReport = Outcome::Delivered;
    bool storedReports = true;  // AT+CNMI with <ds>=2 (+CDSI) is accepted
    // Replies (sender, UTF-8 text) arriving after AT+CNMI, one every
    // `deliverEveryMs` (the first after that delay too).
    std::vector<std::pair<std::string, std::string>> deliveries;
    int deliverEveryMs = 0;
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
    // A reply from `sender` arrives now (on demand).
    void Deliver(const std::string& sender, const std::string& text, Clock::time_point now);
    int StoredCount() const { return static_cast<int>(m_store.size()); }

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
    // A message from the network: routed directly, stored (announced or
    // not, as AT+CNMI says), or held by the network while the store is full.
    void Arrive(const std::string& pdu, bool report, Clock::time_point now);
    void RunTimed(Clock::time_point now);
    void StoreCommand(const std::string& cmd, Clock::time_point now);
    std::string Listed(int index, const char* prefix, bool withIndex);

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
    struct Stored {
        int stat = 0;  // 0 unread, 1 read
        std::string pdu;
    };
    std::map<int, Stored> m_store;  // index (1..) -> message
    int m_storeSize = 30;
    struct Arrival {
        std::string pdu;
        bool report = false;
    };
    std::deque<Arrival> m_heldByNetwork;  // the store was full
    std::multimap<Clock::time_point, Arrival> m_timed;
    int m_mt = 0;  // <mt> and <ds> of AT+CNMI
    int m_ds = 0;
    int m_service = 0;  // AT+CSMS
    int m_awaitingAck = 0;
    int m_reference = 0;  // of concatenated replies
    bool m_deliveriesScheduled = false;
};

}  // namespace ModemSim
