// vantorix-modemsim: a simulated AT modem on a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "device/at/AtParse.h"
#include "pdu/Hex.h"
#include "tools/modemsim/ModemSim.h"

namespace {

constexpr const char* kContract = R"(
Contract:
  The first line on standard output is "PORT <slave path>", e.g.
  "PORT /dev/pts/5"; open that path as the modem's serial port. The simulator
  runs until its standard input reaches end of file (the parent closes the
  pipe or exits) or it gets SIGTERM/SIGINT; with --keep-running it ignores
  standard input. Diagnostics go to standard error. When --vanish-after
  strikes, the pseudo-terminal is closed (the port reads an error/hang-up),
  "VANISHED" is printed on standard output, and the process keeps running
  until standard input closes.

  Submissions: AT+CMGS=<n> answers "> "; the PDU (hex, service-centre field
  first) ends with Ctrl-Z (ESC cancels). <n> must equal the TPDU length (the
  PDU without its service-centre field), else +CMS ERROR: 304. An accepted
  PDU is answered +CMGS: <mr> (mr counts from 0) and written to --outbox.
  --silent-after N / --vanish-after N count accepted submissions: after N of
  them the next AT+CMGS gets no answer at all (silent: the simulator ignores
  everything from then on) or makes the modem hang up (vanish).

  Status reports: a submission with TP-SRR set gets an SMS-STATUS-REPORT
  with the TP-MR of its +CMGS answer and its recipient, --report-delay-ms
  after that answer; --report NUMBER=OUTCOME chooses delivered, expired,
  rejected or none per number (--report-default for the others). AT+CNMI
  <ds>=2 stores it and announces +CDSI: "SM",<index>; <ds>=1 sends +CDS
  directly (refused <ds>=2 with --no-stored-reports); <ds>=0 stores it
  silently.

  Replies: --deliver SENDER=TEXT arrive after AT+CNMI, one every
  --deliver-every-ms; a line "deliver SENDER TEXT" on standard input makes
  one arrive at once ("count" prints "STORED <messages in the store>"). SENDER is a number or a name (alphanumeric sender);
  the text goes as GSM 7-bit or UCS2, in concatenated parts when long.
  AT+CNMI <mt>=1 stores and announces +CMTI: "SM",<index>, <mt>=2 sends +CMT
  directly (with AT+CSMS=1 each waits for AT+CNMA), <mt>=0 stores silently.
  The store "SM" holds --storage-size messages (AT+CMGL, AT+CMGR, AT+CMGD);
  what arrives while it is full waits at the network until a deletion makes
  room. --stored N fills it with N replies before start.
)";

bool ParseOutcome(const std::string& s, ModemSim::Outcome& outcome) {
    static const std::pair<const char*, ModemSim::Outcome> kNames[] = {
        {"delivered", ModemSim::Outcome::Delivered},
        {"expired", ModemSim::Outcome::Expired},
        {"rejected", ModemSim::Outcome::Rejected},
        {"none", ModemSim::Outcome::None}};
    for (const auto& [name, value] : kNames) {
        if (s == name) {
            outcome = value;
            return true;
        }
    }
    return false;
}

std::string ParseSim(const std::string& s, ModemSim::Sim& sim) {
    if (s == "ready") {
        sim = ModemSim::Sim::Ready;
    } else if (s == "absent") {
        sim = ModemSim::Sim::Absent;
    } else if (s == "pin") {
        sim = ModemSim::Sim::Pin;
    } else if (s == "puk") {
        sim = ModemSim::Sim::Puk;
    } else if (s == "bad") {
        sim = ModemSim::Sim::Bad;
    } else {
        return "--sim: expected ready, absent, pin, puk or bad";
    }
    return {};
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                ::usleep(1000);
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ModemSim::Options options;
    std::string simText = "ready";
    std::vector<std::string> failures;
    std::string outboxPath;
    bool keepRunning = false;

    CLI::App app{"Simulated AT modem on a pseudo-terminal, for tests and demonstrations."};
    app.footer(kContract);
    app.add_option("--operator", options.operatorName,
                   "operator name for AT+COPS? (empty: not registered, sends get +CMS ERROR: 331)")
        ->capture_default_str();
    app.add_option("--smsc", options.smsc, "service-centre number for AT+CSCA? (empty allowed)")
        ->capture_default_str();
    app.add_option("--sim", simText, "SIM state: ready, absent, pin, puk, bad")
        ->capture_default_str();
    app.add_flag("--no-pdu", "text mode only: AT+CMGF=? answers (1), AT+CMGF=0 fails");
    app.add_option("--reply-delay-ms", options.replyDelayMs, "delay before every answer")
        ->check(CLI::Range(0, 600000));
    app.add_option("--send-delay-ms", options.sendDelayMs,
                   "further delay before the +CMGS answer to a submitted PDU")
        ->check(CLI::Range(0, 600000));
    app.add_option("--fail", failures,
                   "NUMBER=CMS: submissions to NUMBER fail with +CMS ERROR: CMS (repeatable)");
    app.add_option("--urc-mid-send", options.urcMidSend,
                   "unsolicited line sent between the PDU and its +CMGS answer (repeatable)");
    app.add_option("--silent-after", options.silentAfter,
                   "answer N submissions, then stop answering anything");
    app.add_option("--vanish-after", options.vanishAfter,
                   "answer N submissions, then close the pseudo-terminal");
    app.add_option("--incoming", options.incoming,
                   "stored received PDU (hex, SMSC field first) at index 1, announced with "
                   "+CMTI after AT+CNMI");
    app.add_option("--outbox", outboxPath,
                   "file receiving one JSON line {\"length\": n, \"pdu\": \"HEX\"} per accepted "
                   "submission");
    app.add_flag("--keep-running", keepRunning, "ignore standard input; run until killed");
    std::vector<std::string> reports;
    std::vector<std::string> deliveries;
    std::string reportDefault = "delivered";
    app.add_option("--report-delay-ms", options.reportDelayMs,
                   "delay between a +CMGS answer and its status report")
        ->check(CLI::Range(0, 86400000));
    app.add_option("--report", reports,
                   "NUMBER=OUTCOME: the status report for NUMBER says delivered, expired, "
                   "rejected, or none comes (repeatable)");
    app.add_option("--report-default", reportDefault, "OUTCOME of the other numbers")
        ->capture_default_str();
    app.add_flag("--no-stored-reports", "refuse AT+CNMI <ds>=2: reports come as +CDS");
    app.add_option("--deliver", deliveries,
                   "SENDER=TEXT: a reply arriving after AT+CNMI (repeatable, in order)");
    app.add_option("--deliver-every-ms", options.deliverEveryMs, "time between two --deliver")
        ->check(CLI::Range(0, 86400000));
    app.add_option("--storage-size", options.storageSize, "messages the store holds")
        ->check(CLI::Range(1, 100000))
        ->capture_default_str();
    app.add_option("--stored", options.stored, "replies waiting in the store at start")
        ->check(CLI::Range(0, 100000));
    CLI11_PARSE(app, argc, argv);

    options.storedReports = app.count("--no-stored-reports") == 0;
    if (!ParseOutcome(reportDefault, options.defaultReport)) {
        std::cerr << "--report-default: expected delivered, expired, rejected or none\n";
        return 2;
    }
    for (const std::string& report : reports) {
        const std::size_t eq = report.find('=');
        ModemSim::Outcome outcome{};
        if (eq == std::string::npos || eq == 0 || !ParseOutcome(report.substr(eq + 1), outcome)) {
            std::cerr << "--report: expected NUMBER=delivered|expired|rejected|none, got \""
                      << report << "\"\n";
            return 2;
        }
        options.reports[report.substr(0, eq)] = outcome;
    }
    for (const std::string& delivery : deliveries) {
        const std::size_t eq = delivery.find('=');
        if (eq == std::string::npos || eq == 0) {
            std::cerr << "--deliver: expected SENDER=TEXT, got \"" << delivery << "\"\n";
            return 2;
        }
        options.deliveries.emplace_back(delivery.substr(0, eq), delivery.substr(eq + 1));
    }

    options.pdu = app.count("--no-pdu") == 0;
    if (auto error = ParseSim(simText, options.sim); !error.empty()) {
        std::cerr << error << "\n";
        return 2;
    }
    for (const std::string& failure : failures) {
        const std::size_t eq = failure.find('=');
        auto code = eq == std::string::npos ? std::nullopt : At::ToInt(failure.substr(eq + 1));
        if (!code || eq == 0) {
            std::cerr << "--fail: expected NUMBER=CMS, got \"" << failure << "\"\n";
            return 2;
        }
        options.failures[failure.substr(0, eq)] = *code;
    }
    if (!options.incoming.empty() && PduLib::TpduLength(options.incoming) < 1) {
        std::cerr << "--incoming: not a hex PDU with its service-centre field\n";
        return 2;
    }

    std::ofstream outbox;
    if (!outboxPath.empty()) {
        outbox.open(outboxPath, std::ios::out | std::ios::trunc);
        if (!outbox) {
            std::cerr << "--outbox: cannot write " << outboxPath << "\n";
            return 2;
        }
    }

    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // The slave descriptor stays open here, so that the master does not read
    // a hang-up between two clients of the port.
    std::signal(SIGPIPE, SIG_IGN);

    ModemSim::Engine engine(options, [&](int length, const std::string& pdu) {
        if (outbox.is_open()) {
            outbox << nlohmann::json{{"length", length}, {"pdu", pdu}}.dump() << "\n";
            outbox.flush();
        }
    });

    std::cout << "PORT " << name << std::endl;

    bool stdinOpen = !keepRunning;
    std::string stdinLine;
    bool open = true;
    char buffer[4096];
    for (;;) {
        const auto now = ModemSim::Clock::now();
        if (open) {
            const std::string due = engine.TakeDue(now);
            if (!due.empty() && !WriteAll(master, due)) {
                std::cerr << "modemsim: write to the terminal failed\n";
            }
            if (engine.Vanished()) {
                ::close(master);
                ::close(slave);
                open = false;
                std::cout << "VANISHED" << std::endl;
                std::cerr << "modemsim: hung up after " << engine.Submitted() << " submissions\n";
            }
        }
        int timeout = -1;
        if (open) {
            if (auto next = engine.NextDue()) {
                const auto wait =
                    std::chrono::duration_cast<std::chrono::milliseconds>(*next - now).count();
                timeout = static_cast<int>(std::clamp<long long>(wait, 0, 1000));
            }
        }
        pollfd fds[2] = {{stdinOpen ? 0 : -1, POLLIN, 0}, {open ? master : -1, POLLIN, 0}};
        if (!stdinOpen && !open && keepRunning) {
            timeout = 1000;
        }
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("poll");
            return 1;
        }
        if (stdinOpen && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::read(0, buffer, sizeof buffer);
            if (n <= 0) {
                return 0;
            }
            // "deliver SENDER TEXT" lines: a reply arrives now.
            stdinLine.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = stdinLine.find('\n')) != std::string::npos;) {
                std::string line = stdinLine.substr(0, end);
                stdinLine.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                const std::size_t blank = line.find(' ', 8);
                if (line.rfind("deliver ", 0) == 0 && blank != std::string::npos) {
                    engine.Deliver(line.substr(8, blank - 8), line.substr(blank + 1),
                                   ModemSim::Clock::now());
                } else if (line == "count") {
                    std::cout << "STORED " << engine.StoredCount() << std::endl;
                } else if (!line.empty()) {
                    std::cerr << "modemsim: unknown request \"" << line << "\"\n";
                }
            }
        }
        if (open && (fds[1].revents & POLLIN)) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                engine.Receive(std::string_view(buffer, static_cast<std::size_t>(n)),
                               ModemSim::Clock::now());
            }
        }
    }
}
