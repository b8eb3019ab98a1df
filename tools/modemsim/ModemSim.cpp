#include "tools/modemsim/ModemSim.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "device/at/AtParse.h"
#include "pdu/Hex.h"
#include "pdu/PduDecoder.h"

namespace ModemSim {

namespace {

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

bool StartsWith(const std::string& s, std::string_view prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// Digits of a number without its "+", for matching --fail entries.
std::string Digits(const std::string& number) {
    std::string out;
    for (char c : number) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

Engine::Engine(Options options, OutboxWriter outbox)
    : m_options(std::move(options)), m_outbox(std::move(outbox)) {}

void Engine::Now(const std::string& text, Clock::time_point now) {
    if (m_silent || m_vanished) {
        return;
    }
    m_lastDue = std::max(m_lastDue, now);
    m_out.push_back({m_lastDue, text});
}

void Engine::Reply(const std::string& text, Clock::time_point now) {
    if (m_silent || m_vanished) {
        return;
    }
    m_lastDue = std::max(m_lastDue, now + std::chrono::milliseconds(m_options.replyDelayMs));
    m_out.push_back({m_lastDue, "\r\n" + text});
}

std::string Engine::TakeDue(Clock::time_point now) {
    std::string out;
    while (!m_out.empty() && m_out.front().due <= now) {
        out += m_out.front().bytes;
        m_out.pop_front();
    }
    return out;
}

std::optional<Clock::time_point> Engine::NextDue() const {
    if (m_out.empty()) {
        return std::nullopt;
    }
    return m_out.front().due;
}

std::string Engine::CmeError(int code, const char* verbose) const {
    if (m_cmee == 0) {
        return "ERROR\r\n";
    }
    if (m_cmee == 2) {
        return std::string("+CME ERROR: ") + verbose + "\r\n";
    }
    return "+CME ERROR: " + std::to_string(code) + "\r\n";
}

std::string Engine::CmsError(int code) const {
    return "+CMS ERROR: " + std::to_string(code) + "\r\n";
}

std::string Engine::SimError(bool sms) const {
    switch (m_options.sim) {
        case Sim::Ready:
            return {};
        case Sim::Absent:
            return sms ? CmsError(310) : CmeError(10, "SIM not inserted");
        case Sim::Pin:
            return sms ? CmsError(311) : CmeError(11, "SIM PIN required");
        case Sim::Puk:
            return sms ? CmsError(316) : CmeError(12, "SIM PUK required");
        case Sim::Bad:
            return sms ? CmsError(313) : CmeError(13, "SIM failure");
    }
    return {};
}

void Engine::Receive(std::string_view bytes, Clock::time_point now) {
    for (char c : bytes) {
        if (m_vanished) {
            return;
        }
        if (m_echo && !m_silent) {
            Now(std::string(1, c), now);
        }
        if (m_inPdu) {
            if (c == '\x1A') {
                m_inPdu = false;
                Submit(now);
            } else if (c == '\x1B') {
                m_inPdu = false;
                m_pdu.clear();
                Reply("OK\r\n", now);
            } else if (c != '\r' && c != '\n') {
                m_pdu.push_back(c);
            }
            continue;
        }
        if (c == '\r') {
            std::string line;
            line.swap(m_line);
            if (!line.empty()) {
                Command(line, now);
            }
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            // Control characters outside a PDU (a stray ESC or Ctrl-Z) are
            // not part of any command.
            m_line.push_back(c);
            if (m_line.size() > 1024) {
                m_line.clear();
            }
        }
    }
}

void Engine::Command(const std::string& raw, Clock::time_point now) {
    if (m_silent) {
        return;
    }
    const std::string line = Upper(raw);
    if (!StartsWith(line, "AT")) {
        return;  // noise: real modems ignore it
    }
    const std::string cmd = line.substr(2);
    const std::string sim = SimError(false);

    if (cmd.empty() || cmd == "Z" || cmd == "&F" || cmd == "V1" || cmd == "E0V1" || cmd == "E1V1") {
        if (cmd == "Z" || cmd == "&F") {
            m_echo = true;
            m_cmee = 0;
            m_cmgf = 0;
        }
        if (StartsWith(cmd, "E0")) {
            m_echo = false;
        }
        return Reply("OK\r\n", now);
    }
    if (cmd == "E0" || cmd == "E1") {
        m_echo = cmd == "E1";
        return Reply("OK\r\n", now);
    }
    if (StartsWith(cmd, "+CMEE=")) {
        auto n = At::ToInt(cmd.substr(6));
        if (!n || *n > 2) {
            return Reply("ERROR\r\n", now);
        }
        m_cmee = *n;
        return Reply("OK\r\n", now);
    }
    if (cmd == "+CPIN?") {
        switch (m_options.sim) {
            case Sim::Ready:
                return Reply(Final("+CPIN: READY\r\n"), now);
            case Sim::Pin:
                return Reply(Final("+CPIN: SIM PIN\r\n"), now);
            case Sim::Puk:
                return Reply(Final("+CPIN: SIM PUK\r\n"), now);
            default:
                return Reply(sim, now);
        }
    }
    if (cmd == "+COPS?") {
        if (m_options.operatorName.empty() || !sim.empty()) {
            return Reply(Final("+COPS: 0\r\n"), now);
        }
        const std::string name = m_copsFormat == 2 ? "00101" : m_options.operatorName;
        return Reply(Final("+COPS: 0," + std::to_string(m_copsFormat) + ",\"" + name + "\",2\r\n"),
                     now);
    }
    if (StartsWith(cmd, "+COPS=3,")) {
        auto format = At::ToInt(cmd.substr(8));
        if (!format || *format > 2) {
            return Reply(CmeError(3, "operation not allowed"), now);
        }
        m_copsFormat = *format;
        return Reply("OK\r\n", now);
    }
    if (cmd == "+CSCA?") {
        if (!sim.empty()) {
            return Reply(sim, now);
        }
        const bool international = !m_options.smsc.empty() && m_options.smsc.front() == '+';
        return Reply(
            Final("+CSCA: \"" + m_options.smsc + "\"," + (international ? "145" : "129") + "\r\n"),
            now);
    }
    if (cmd == "+CMGF=?") {
        return Reply(Final(m_options.pdu ? "+CMGF: (0,1)\r\n" : "+CMGF: (1)\r\n"), now);
    }
    if (cmd == "+CMGF?") {
        return Reply(Final("+CMGF: " + std::to_string(m_cmgf) + "\r\n"), now);
    }
    if (cmd == "+CMGF=0" || cmd == "+CMGF=1") {
        if (cmd == "+CMGF=0" && !m_options.pdu) {
            return Reply(CmsError(303), now);
        }
        m_cmgf = cmd.back() - '0';
        return Reply("OK\r\n", now);
    }
    if (cmd == "+CIMI") {
        return Reply(sim.empty() ? Final("234150123456789\r\n") : sim, now);
    }
    if (cmd == "+CCID" || cmd == "+CCID?") {
        return Reply(sim.empty() || m_options.sim != Sim::Absent
                         ? Final("+CCID: 89441000301641313004\r\n")
                         : sim,
                     now);
    }
    if (cmd == "+CNUM") {
        return Reply(sim.empty() ? Final("+CNUM: \"\",\"+447700900123\",145\r\n") : sim, now);
    }
    if (cmd == "+CGMI" || cmd == "+GMI") {
        return Reply(Final("Vantorix\r\n"), now);
    }
    if (cmd == "+CGMM" || cmd == "+GMM") {
        return Reply(Final("ModemSim\r\n"), now);
    }
    if (cmd == "+CGMR" || cmd == "+GMR") {
        return Reply(Final("+CGMR: 1.0.0\r\n"), now);
    }
    if (cmd == "+CPMS?") {
        if (!sim.empty()) {
            return Reply(SimError(true), now);
        }
        const std::string used = m_options.incoming.empty() ? "0" : "1";
        return Reply(Final("+CPMS: \"SM\"," + used + ",30,\"SM\"," + used + ",30,\"SM\"," + used +
                           ",30\r\n"),
                     now);
    }
    if (cmd == "+CSQ") {
        return Reply(Final("+CSQ: 21,99\r\n"), now);
    }
    if (StartsWith(cmd, "+CNMI=")) {
        Reply("OK\r\n", now);
        if (!m_options.incoming.empty() && !m_incomingAnnounced) {
            m_incomingAnnounced = true;
            Reply("+CMTI: \"SM\",1\r\n", now);
        }
        return;
    }
    if (StartsWith(cmd, "+CMGR=")) {
        auto index = At::ToInt(cmd.substr(6));
        if (!sim.empty()) {
            return Reply(SimError(true), now);
        }
        if (!index || *index != 1 || m_options.incoming.empty()) {
            return Reply(CmsError(321), now);
        }
        const int length = PduLib::TpduLength(m_options.incoming);
        return Reply(
            Final("+CMGR: 0,," + std::to_string(length) + "\r\n" + m_options.incoming + "\r\n"),
            now);
    }
    if (StartsWith(cmd, "+CMGS=")) {
        if (m_cmgf != 0) {
            return Reply(CmsError(302), now);
        }
        if (!SimError(true).empty()) {
            return Reply(SimError(true), now);
        }
        if (m_options.operatorName.empty()) {
            return Reply(CmsError(331), now);
        }
        auto length = At::ToInt(cmd.substr(6));
        if (!length || *length < 1 || *length > 255) {
            return Reply(CmsError(304), now);
        }
        if (m_options.silentAfter >= 0 && m_submitted >= m_options.silentAfter) {
            m_silent = true;
            return;
        }
        if (m_options.vanishAfter >= 0 && m_submitted >= m_options.vanishAfter) {
            m_vanished = true;
            return;
        }
        m_inPdu = true;
        m_pduLength = *length;
        m_pdu.clear();
        return Reply("> ", now);
    }
    Reply("ERROR\r\n", now);
}

void Engine::Submit(Clock::time_point now) {
    std::string hex;
    hex.swap(m_pdu);
    for (const std::string& urc : m_options.urcMidSend) {
        Now("\r\n" + urc + "\r\n", now);
    }
    // TS 27.005 3.5.1: <length> counts the TPDU only, not the SMSC field.
    if (PduLib::TpduLength(hex) != m_pduLength) {
        return Reply(CmsError(304), now);
    }
    std::string octets;
    std::string error;
    std::string destination;
    try {
        if (!PduLib::FromHex(hex, octets, error)) {
            return Reply(CmsError(304), now);
        }
        destination = PduLib::DecodeSubmitPdu(octets).destination;
    } catch (const std::exception&) {
        return Reply(CmsError(304), now);
    }
    for (const auto& [number, code] : m_options.failures) {
        if (Digits(number) == Digits(destination)) {
            return Reply(CmsError(code), now);
        }
    }
    const int mr = m_mr;
    m_mr = (m_mr + 1) % 256;
    ++m_submitted;
    if (m_outbox) {
        m_outbox(m_pduLength, Upper(hex));
    }
    Reply(Final("+CMGS: " + std::to_string(mr) + "\r\n"),
          now + std::chrono::milliseconds(m_options.sendDelayMs));
}

}  // namespace ModemSim
