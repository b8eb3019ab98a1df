#include "tools/modemsim/ModemSim.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <exception>

#include "device/at/AtParse.h"
#include "pdu/Gsm7.h"
#include "pdu/Hex.h"
#include "pdu/PduDecoder.h"
#include "pdu/Unicode.h"

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

// Septets packed LSB first (TS 23.038 6.1.2.1), starting at septet position
// `skip` (the septets a user data header takes), into `octets`.
void PackSeptets(const std::string& septets, std::size_t skip, std::string& octets) {
    const std::size_t bits = (skip + septets.size()) * 7;
    octets.resize(std::max(octets.size(), (bits + 7) / 8), '\0');
    for (std::size_t i = 0; i < septets.size(); ++i) {
        const std::size_t bit = (skip + i) * 7;
        const auto value = static_cast<unsigned>(static_cast<unsigned char>(septets[i]) & 0x7F);
        octets[bit / 8] = static_cast<char>(static_cast<unsigned char>(octets[bit / 8]) |
                                            ((value << (bit % 8)) & 0xFF));
        if (bit % 8 > 1) {
            octets[bit / 8 + 1] = static_cast<char>(value >> (8 - bit % 8));
        }
    }
}

void AppendSemiOctets(const std::string& digits, std::string& out) {
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int low = digits[i] - '0';
        const int high = i + 1 < digits.size() ? digits[i + 1] - '0' : 0xF;
        out.push_back(static_cast<char>(high << 4 | low));
    }
}

// The service-centre field that leads a PDU-mode PDU (octet count).
std::string ServiceCentreField(const std::string& smsc) {
    const std::string digits = Digits(smsc);
    if (digits.empty()) {
        return std::string(1, '\0');
    }
    std::string out(1, static_cast<char>(1 + (digits.size() + 1) / 2));
    out.push_back(static_cast<char>(!smsc.empty() && smsc[0] == '+' ? 0x91 : 0x81));
    AppendSemiOctets(digits, out);
    return out;
}

// TP-OA / TP-RA (semi-octet count): a number, or a name in packed 7-bit.
std::string AddressField(const std::string& address, int toa = -1) {
    const std::string digits = Digits(address);
    const bool numeric =
        !digits.empty() && digits.size() + (address[0] == '+' ? 1 : 0) == address.size();
    std::string out;
    if (numeric) {
        out.push_back(static_cast<char>(digits.size()));
        out.push_back(static_cast<char>(toa >= 0 ? toa : address[0] == '+' ? 0x91 : 0x81));
        AppendSemiOctets(digits, out);
        return out;
    }
    std::string packed;
    PackSeptets(PduLib::Utf16ToGsm7(PduLib::Utf8ToUtf16(address)).substr(0, 11), 0, packed);
    out.push_back(static_cast<char>(packed.size() * 2));
    out.push_back(static_cast<char>(0xD0));
    return out + packed;
}

// A service-centre time stamp for now, UTC (TS 23.040 9.2.3.11).
std::string TimeStamp() {
    const std::time_t t = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&t, &utc);
    const int fields[] = {
        utc.tm_year % 100, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, 0};
    std::string out;
    for (int f : fields) {
        out.push_back(static_cast<char>((f % 10) << 4 | f / 10));
    }
    return out;
}

}  // namespace

std::vector<std::string> DeliverPdus(const std::string& smsc, const std::string& sender,
                                     const std::string& text, int reference) {
    const std::u16string wide = PduLib::Utf8ToUtf16(text);
    const bool gsm7 = PduLib::IsGsm7Representable(wide);
    // Bodies of the parts: septets, or UCS2 as big-endian octets.
    std::vector<std::string> bodies;
    if (gsm7) {
        const std::string septets = PduLib::Utf16ToGsm7(wide);
        const std::size_t room = septets.size() <= 160 ? 160 : 153;
        for (std::size_t at = 0; at < septets.size() || bodies.empty();) {
            std::size_t n = std::min(room, septets.size() - at);
            if (at + n < septets.size() && n > 0 && septets[at + n - 1] == '\x1B') {
                --n;  // an escape pair is never cut
            }
            bodies.push_back(septets.substr(at, n));
            at += n;
        }
    } else {
        std::string octets;
        for (char16_t unit : wide) {
            octets.push_back(static_cast<char>(unit >> 8));
            octets.push_back(static_cast<char>(unit & 0xFF));
        }
        const std::size_t room = octets.size() <= 140 ? 140 : 134;
        for (std::size_t at = 0; at < octets.size() || bodies.empty(); at += room) {
            bodies.push_back(octets.substr(at, room));
        }
    }
    const bool concatenated = bodies.size() > 1;
    std::vector<std::string> pdus;
    for (std::size_t k = 0; k < bodies.size(); ++k) {
        std::string pdu = ServiceCentreField(smsc);
        pdu.push_back(static_cast<char>(concatenated ? 0x44 : 0x04));  // no more messages
        pdu += AddressField(sender);
        pdu.push_back('\0');                                   // TP-PID
        pdu.push_back(static_cast<char>(gsm7 ? 0x00 : 0x08));  // TP-DCS
        pdu += TimeStamp();
        std::string header;
        if (concatenated) {
            header = {0x05,
                      0x00,
                      0x03,
                      static_cast<char>(reference & 0xFF),
                      static_cast<char>(bodies.size()),
                      static_cast<char>(k + 1)};
        }
        std::string ud = header;
        if (gsm7) {
            const std::size_t skip = (header.size() * 8 + 6) / 7;
            PackSeptets(bodies[k], skip, ud);
            std::copy(header.begin(), header.end(), ud.begin());
            pdu.push_back(static_cast<char>(skip + bodies[k].size()));
        } else {
            ud += bodies[k];
            pdu.push_back(static_cast<char>(ud.size()));
        }
        pdus.push_back(PduLib::ToHex(pdu + ud));
    }
    return pdus;
}

std::string StatusReportPdu(const std::string& smsc, int mr, const std::string& recipient,
                            int recipientToa, int status) {
    std::string pdu = ServiceCentreField(smsc);
    pdu.push_back(0x06);  // SMS-STATUS-REPORT, no more messages
    pdu.push_back(static_cast<char>(mr));
    pdu += AddressField(recipient, recipientToa);
    pdu += TimeStamp();  // TP-SCTS
    pdu += TimeStamp();  // TP-DT
    pdu.push_back(static_cast<char>(status));
    return PduLib::ToHex(pdu);
}

Engine::Engine(Options options, OutboxWriter outbox)
    : m_options(std::move(options)), m_outbox(std::move(outbox)) {
    m_storeSize = std::max(m_options.storageSize, m_options.stored);
    if (!m_options.incoming.empty()) {
        m_store[1] = {0, m_options.incoming};
    }
    for (int k = 0; k < m_options.stored; ++k) {
        const int index = static_cast<int>(m_store.size()) + 1;
        m_store[index] = {0, DeliverPdus(m_options.smsc, "+4477009" + std::to_string(10000 + k),
                                         "Reply " + std::to_string(k), 0)[0]};
    }
}

void Engine::Deliver(const std::string& sender, const std::string& text, Clock::time_point now) {
    for (const std::string& pdu : DeliverPdus(m_options.smsc, sender, text, m_reference)) {
        Arrive(pdu, false, now);
    }
    m_reference = (m_reference + 1) % 256;
}

void Engine::Arrive(const std::string& pdu, bool report, Clock::time_point now) {
    const int length = PduLib::TpduLength(pdu);
    if (report ? m_ds == 1 : (m_mt == 2 || m_mt == 3)) {
        if (m_service == 1) {
            ++m_awaitingAck;
        }
        const std::string head = report ? "+CDS: " : "+CMT: ,";
        return Now("\r\n" + head + std::to_string(length) + "\r\n" + pdu + "\r\n", now);
    }
    int index = 1;
    while (m_store.count(index) != 0) {
        ++index;
    }
    if (index > m_storeSize) {
        // Memory capacity exceeded (TS 24.011): the network tries again
        // once there is room.
        m_heldByNetwork.push_back({pdu, report});
        return;
    }
    m_store[index] = {0, pdu};
    if (report ? m_ds == 2 : m_mt == 1) {
        Now(std::string("\r\n") + (report ? "+CDSI" : "+CMTI") + ": \"SM\"," +
                std::to_string(index) + "\r\n",
            now);
    }
}

void Engine::RunTimed(Clock::time_point now) {
    while (!m_timed.empty() && m_timed.begin()->first <= now && !m_silent && !m_vanished) {
        const auto due = m_timed.begin()->first;
        const Arrival arrival = m_timed.begin()->second;
        m_timed.erase(m_timed.begin());
        Arrive(arrival.pdu, arrival.report, due);
    }
}

std::string Engine::Listed(int index, const char* prefix, bool withIndex) {
    Stored& stored = m_store[index];
    std::string line = std::string(prefix) + ": ";
    if (withIndex) {
        line += std::to_string(index) + ",";
    }
    line += std::to_string(stored.stat) + ",," + std::to_string(PduLib::TpduLength(stored.pdu)) +
            "\r\n" + stored.pdu + "\r\n";
    stored.stat = 1;  // read now
    return line;
}

// AT+CPMS, AT+CMGL, AT+CMGR, AT+CMGD, AT+CSMS, AT+CNMA (TS 27.005 3.2, 3.4, 3.5).
void Engine::StoreCommand(const std::string& cmd, Clock::time_point now) {
    const std::string used = std::to_string(m_store.size());
    const std::string size = std::to_string(m_storeSize);
    if (cmd == "+CPMS?") {
        const std::string one = "\"SM\"," + used + "," + size;
        return Reply(Final("+CPMS: " + one + "," + one + "," + one + "\r\n"), now);
    }
    if (StartsWith(cmd, "+CPMS=")) {
        if (cmd.substr(6, 4) != "\"SM\"") {
            return Reply(CmsError(302), now);
        }
        const std::string one = used + "," + size;
        return Reply(Final("+CPMS: " + one + "," + one + "," + one + "\r\n"), now);
    }
    if (StartsWith(cmd, "+CMGL")) {
        auto stat = cmd.size() > 6 ? At::ToInt(cmd.substr(6)) : std::optional<int>(0);
        if (m_cmgf != 0 || !stat || *stat > 4) {
            return Reply(CmsError(302), now);
        }
        std::string listing;
        for (auto& [index, stored] : m_store) {
            if (*stat == 4 || stored.stat == *stat) {
                listing += Listed(index, "+CMGL", true);
            }
        }
        return Reply(Final(listing), now);
    }
    if (StartsWith(cmd, "+CMGR=")) {
        auto index = At::ToInt(cmd.substr(6));
        if (!index || m_store.count(*index) == 0) {
            return Reply(CmsError(321), now);
        }
        return Reply(Final(Listed(*index, "+CMGR", false)), now);
    }
    if (StartsWith(cmd, "+CMGD=")) {
        const std::vector<std::string> fields = At::SplitFields(cmd.substr(6));
        auto index = fields.empty() ? std::nullopt : At::ToInt(fields[0]);
        const int flag = fields.size() > 1 ? At::ToInt(fields[1]).value_or(0) : 0;
        if (!index || *index < 0 || *index > m_storeSize) {
            return Reply(CmsError(321), now);
        }
        if (flag == 4) {
            m_store.clear();
        } else {
            m_store.erase(*index);
        }
        Reply("OK\r\n", now);
        while (!m_heldByNetwork.empty() && static_cast<int>(m_store.size()) < m_storeSize) {
            const Arrival retry = m_heldByNetwork.front();
            m_heldByNetwork.pop_front();
            Arrive(retry.pdu, retry.report, now);
        }
        return;
    }
    if (cmd == "+CSMS?") {
        return Reply(Final("+CSMS: " + std::to_string(m_service) + ",1,1,1\r\n"), now);
    }
    if (cmd == "+CSMS=0" || cmd == "+CSMS=1") {
        m_service = cmd.back() - '0';
        return Reply(Final("+CSMS: 1,1,1\r\n"), now);
    }
    if (cmd == "+CNMA") {
        if (m_awaitingAck == 0) {
            return Reply(CmsError(340), now);
        }
        --m_awaitingAck;
        return Reply("OK\r\n", now);
    }
    Reply("ERROR\r\n", now);
}

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
    RunTimed(now);
    std::string out;
    while (!m_out.empty() && m_out.front().due <= now) {
        out += m_out.front().bytes;
        m_out.pop_front();
    }
    return out;
}

std::optional<Clock::time_point> Engine::NextDue() const {
    std::optional<Clock::time_point> next;
    if (!m_out.empty()) {
        next = m_out.front().due;
    }
    if (!m_timed.empty() && !m_silent && !m_vanished) {
        next = next ? std::min(*next, m_timed.begin()->first) : m_timed.begin()->first;
    }
    return next;
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
    if (StartsWith(cmd, "+CPMS") || StartsWith(cmd, "+CMGL") || StartsWith(cmd, "+CMGR=") ||
        StartsWith(cmd, "+CMGD=") || StartsWith(cmd, "+CSMS") || cmd == "+CNMA") {
        if (!sim.empty()) {
            return Reply(SimError(true), now);
        }
        return StoreCommand(cmd, now);
    }
    if (cmd == "+CSQ") {
        return Reply(Final("+CSQ: 21,99\r\n"), now);
    }
    if (StartsWith(cmd, "+CNMI=")) {
        // <mode>,<mt>,<bm>,<ds>,<bfr>
        const std::vector<std::string> fields = At::SplitFields(cmd.substr(6));
        const int mt = fields.size() > 1 ? At::ToInt(fields[1]).value_or(-1) : 0;
        const int ds = fields.size() > 3 ? At::ToInt(fields[3]).value_or(-1) : 0;
        if (mt < 0 || mt > 3 || ds < 0 || ds > 2 || (ds == 2 && !m_options.storedReports)) {
            return Reply(CmsError(303), now);
        }
        m_mt = mt;
        m_ds = ds;
        Reply("OK\r\n", now);
        if (!m_options.incoming.empty() && !m_incomingAnnounced && m_store.count(1) != 0) {
            m_incomingAnnounced = true;
            Reply("+CMTI: \"SM\",1\r\n", now);
        }
        if (!m_deliveriesScheduled) {
            m_deliveriesScheduled = true;
            auto due = now;
            for (const auto& [sender, text] : m_options.deliveries) {
                due += std::chrono::milliseconds(m_options.deliverEveryMs);
                for (const std::string& pdu :
                     DeliverPdus(m_options.smsc, sender, text, m_reference)) {
                    m_timed.emplace(due, Arrival{pdu, false});
                }
                m_reference = (m_reference + 1) % 256;
            }
        }
        return;
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
    PduLib::DecodedSubmit submit;
    try {
        if (!PduLib::FromHex(hex, octets, error)) {
            return Reply(CmsError(304), now);
        }
        submit = PduLib::DecodeSubmitPdu(octets);
        destination = submit.destination;
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
    if (submit.statusReportRequest) {
        Outcome outcome = m_options.defaultReport;
        for (const auto& [number, chosen] : m_options.reports) {
            if (Digits(number) == Digits(destination)) {
                outcome = chosen;
            }
        }
        static const int kStatus[] = {0x00, 0x46, 0x42};
        if (outcome != Outcome::None) {
            const auto due =
                now + std::chrono::milliseconds(m_options.sendDelayMs + m_options.reportDelayMs);
            m_timed.emplace(due, Arrival{StatusReportPdu(m_options.smsc, mr, submit.destination,
                                                         submit.destinationToa,
                                                         kStatus[static_cast<int>(outcome)]),
                                         true});
        }
    }
    if (m_outbox) {
        m_outbox(m_pduLength, Upper(hex));
    }
    Reply(Final("+CMGS: " + std::to_string(mr) + "\r\n"),
          now + std::chrono::milliseconds(m_options.sendDelayMs));
}

}  // namespace ModemSim
