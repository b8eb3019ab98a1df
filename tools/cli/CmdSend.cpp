// vantorix-cli send: a whole campaign without windows, on the same sending
// loop as the desktop program. And vantorix-cli modems: what is attached.
#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "campaign/Blank.h"
#include "campaign/CCampaignLoop.h"
#include "campaign/CNumberList.h"
#include "campaign/CsvCell.h"
#include "device/CAppHelper.h"
#include "device/CDeviceFront.h"
#include "device/ModemList.h"
#include "device/at/AtBackend.h"
#include "device/link/BackendInterface.h"
#include "device/sim/CSimulatedModem.h"
#include "pdu/Unicode.h"
#include "tools/cli/CmdNumbers.h"
#include "tools/cli/Commands.h"
#include "tools/cli/MessageOptions.h"
#include "tools/cli/ReferenceState.h"

namespace {

using PduLib::Utf16ToUtf8;
using PduLib::Utf8ToUtf16;

// QCoreApplication needs argc and argv that outlive it.
int g_argc = 1;
char g_arg0[] = "vantorix-cli";
char* g_argv[] = {g_arg0, nullptr};

// Ctrl-C: the handler only writes to a pipe; the event loop reads it.
int g_signalPipe[2] = {-1, -1};
void onSignal(int) {
    const char c = 1;
    (void)!::write(g_signalPipe[1], &c, 1);
}

struct ModemChoice {
    std::string modem = "auto";
    std::string simOutbox;
    std::vector<std::string> simArgs;
};

// Starts the simulator when asked for and names the port for the AT backend
// in `selector`. Returns false (with a message printed) when nothing can be
// used.
bool chooseModem(const ModemChoice& choice, CSimulatedModem& sim, bool& simulated,
                 std::string& selector) {
    selector = choice.modem;
    simulated = choice.modem == "sim";
    if (simulated) {
        QStringList args;
        if (!choice.simOutbox.empty()) {
            args << "--outbox" << QString::fromStdString(choice.simOutbox);
        }
        for (const std::string& a : choice.simArgs) {
            args << QString::fromStdString(a);
        }
        QString error;
        if (!sim.Start(args, error)) {
            std::cerr << "vantorix-cli: " << error.toStdString() << '\n';
            return false;
        }
        selector = sim.Port().toStdString();
        std::cerr << "Using the simulated modem on " << selector << " (simulated).\n";
    }
    return true;
}

// Why the modem link could not be set up (the port is held by another
// program, or no modem answers on it), in the same words for every command.
void reportNoModemLink() {
    std::cerr << "vantorix-cli: Could Not Initialize SMS Libraries.\n";
    const std::string why = At::LastDiscoveryMessage();
    if (!why.empty()) {
        std::cerr << why << '\n';
    }
}

// Results are posted to the event loop, never handled inside the device
// link's call.
class QueuedPoster final : public ISmsEventPoster {
public:
    explicit QueuedPoster(CCampaignLoop& loop) : m_loop(loop) {}
    void PostRefreshDeviceStatus() override {}
    void PostSmsSendResult(std::uint32_t requestId, HRESULT status) override {
        CCampaignLoop* loop = &m_loop;
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [loop, requestId, status] { loop->OnSmsSendResult(requestId, status); });
    }

private:
    CCampaignLoop& m_loop;
};

std::string hresultHex(HRESULT hr) {
    std::ostringstream s;
    s << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0')
      << static_cast<std::uint32_t>(hr);
    return s.str();
}

std::string isoTime(std::chrono::system_clock::time_point t) {
    if (t.time_since_epoch().count() == 0) {
        return std::string();
    }
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return text;
}

bool writeReport(const CCampaignLoop& loop, const std::string& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "number,status text,final status code,request id,time,parts\r\n";
    for (std::size_t i = 0; i < loop.GetRowCount(); ++i) {
        const CampaignRow& row = loop.GetRow(i);
        out << Utf16ToUtf8(CsvCell(row.number)) << ',' << Utf16ToUtf8(CsvCell(row.statusText))
            << ',' << (row.finalStatus ? hresultHex(*row.finalStatus) : std::string()) << ','
            << (row.requestId ? std::to_string(*row.requestId) : std::string()) << ','
            << isoTime(row.time) << ',' << (row.parts != 0 ? std::to_string(row.parts) : "")
            << "\r\n";
    }
    out.close();
    return static_cast<bool>(out);
}

std::string formatDuration(std::chrono::seconds s) {
    const long total = static_cast<long>(s.count());
    std::ostringstream o;
    if (total >= 3600) {
        o << total / 3600 << 'h' << std::setw(2) << std::setfill('0') << (total / 60) % 60 << 'm';
    } else {
        o << total / 60 << ':' << std::setw(2) << std::setfill('0') << total % 60;
    }
    return o.str();
}

// Prints each number's final status as it arrives, and a progress line.
class ConsoleListener final : public ICampaignListener {
public:
    explicit ConsoleListener(const CCampaignLoop& loop) : m_loop(loop) {}

    void OnRowChanged(std::size_t row) override {
        const CampaignRow& r = m_loop.GetRow(row);
        if (r.state == RowState::Sent || r.state == RowState::Failed) {
            std::cout << Utf16ToUtf8(r.number) << '\t' << Utf16ToUtf8(r.statusText) << '\n';
            std::cout.flush();
        }
        Progress(false);
    }
    void OnRowsReset() override {}
    void OnSendingChanged(bool) override { Progress(true); }

    void Progress(bool force) {
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - m_lastProgress < std::chrono::seconds(1)) {
            return;
        }
        m_lastProgress = now;
        const CampaignCounts c = m_loop.GetCounts();
        std::ostringstream line;
        line << "progress: " << c.sent << " sent, " << c.failed << " failed, " << c.pending
             << " waiting for the network, " << c.remaining << " to send of " << c.total;
        if (c.remaining != 0) {
            line << ", about " << formatDuration(m_loop.EstimatedTimeLeft()) << " left";
        }
        if (line.str() != m_lastLine) {
            m_lastLine = line.str();
            std::cerr << m_lastLine << '\n';
        }
    }

private:
    const CCampaignLoop& m_loop;
    std::chrono::steady_clock::time_point m_lastProgress{};
    std::string m_lastLine;
};

struct SendOptions {
    std::string numbers;
    std::string message;
    std::string report;
    int intervalMs = 1000;
    bool trace = false;
    std::string region;
    ModemChoice modem;
    CliMessageOptions options;
};

// The message as the loop will send it, checked once before any number:
// false (with the reason printed) when it cannot be sent at all.
bool checkMessage(const SendOptions& o, const PduLib::MessageOptions& options,
                  PduLib::MessagePlan& plan) {
    if (!PduLib::IsValidUtf8(o.message)) {
        std::cerr << "vantorix-cli: send: the message is not valid UTF-8\n";
        return false;
    }
    const std::u16string message = Utf8ToUtf16(o.message);
    const std::u16string_view text = TrimBlanks(message);
    if (text.empty()) {
        std::cerr << "vantorix-cli: " << Utf16ToUtf8(CCampaignLoop::kNoMessageNotice) << '\n';
        return false;
    }
    plan = PduLib::PlanMessage(std::u16string(text) + ISmsFront::kSignature, options);
    if (!plan.ok()) {
        std::cerr << "vantorix-cli: send: " << plan.error << "; nothing was sent\n";
        return false;
    }
    return true;
}

// Gives the device front the reference kept in the state file and keeps
// every new one there.
void keepReferences(CDeviceFront& front, const std::shared_ptr<CReferenceState>& state) {
    std::string error;
    std::uint16_t next = 0;
    if (!state->Load(next, error)) {
        std::cerr << "vantorix-cli: the concatenation reference starts at 0: " << error << '\n';
    }
    front.SetNextReference(next);
    front.SetReferenceStore([state, warned = false](std::uint16_t value) mutable {
        std::string why;
        if (!state->Save(value, why) && !warned) {
            warned = true;
            std::cerr << "vantorix-cli: the concatenation reference is not kept: " << why << '\n';
        }
    });
}

int runSend(const SendOptions& o) {
    const PduLib::MessageOptions messageOptions = ToMessageOptions(o.options);
    PduLib::MessagePlan plan;
    if (!checkMessage(o, messageOptions, plan)) {
        return kExitUsage;
    }
    // Load the numbers first: a bad file is the user's to fix, whatever the modem.
    CNumberList list;
    list.m_strFilePath = Utf8ToUtf16(o.numbers);
    list.m_strRegion = ResolveRegion(o.region);
    std::u16string error;
    if (!list.Load(error)) {
        std::cerr << "vantorix-cli: " << Utf16ToUtf8(error) << '\n';
        return kExitUsage;
    }
    if (list.m_mapNumbers.IsEmpty()) {
        std::cerr << "vantorix-cli: the file holds no numbers (a number has at least "
                  << CNumberList::kMinNumberLength << " characters).\n";
        return kExitUsage;
    }

    QCoreApplication app(g_argc, g_argv);
    CSimulatedModem sim;
    bool simulated = false;
    std::string selector;
    if (!chooseModem(o.modem, sim, simulated, selector)) {
        return kExitFailure;
    }
    CDeviceFront front([&selector](std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
        return At::CreateAtInterfaceManager(selector, At::Timeouts{}, manager);
    });
    front.SetComposerTrace(o.trace ? &std::cerr : nullptr);
    front.SetMessageOptions(messageOptions);
    const std::string statePath = CReferenceState::DefaultPath();
    if (!statePath.empty()) {
        keepReferences(front, std::make_shared<CReferenceState>(statePath));
    }
    CCampaignLoop loop(front);
    QueuedPoster poster(loop);
    front.DeviceLink().SetEventPoster(&poster);
    if (!front.Discover()) {
        reportNoModemLink();
        return kExitFailure;
    }
    std::u16string reason;
    if (!front.CanSendSms(reason)) {
        std::cerr << "vantorix-cli: " << Utf16ToUtf8(reason)
                  << " (modem: " << Utf16ToUtf8(front.GetDeviceStatusText()) << ")\n";
        const std::string why = At::LastDiscoveryMessage();
        if (!why.empty()) {
            std::cerr << why << '\n';
        }
        return kExitFailure;
    }
    std::cerr << "Modem: " << Utf16ToUtf8(front.GetOperatorNameText()) << ", "
              << Utf16ToUtf8(front.GetDeviceStatusText()) << (simulated ? " (simulated)" : "")
              << '\n';
    const bool ucs2 = plan.encoding == PduLib::TextEncoding::Ucs2;
    std::cerr << "Message: " << plan.parts << " SMS per number, "
              << (ucs2 ? "Unicode" : "GSM 7-bit") << ", " << plan.units
              << (ucs2 ? " UCS2 units" : " septets") << " with the signature\n";

    ConsoleListener listener(loop);
    loop.SetListener(&listener);
    loop.SetTickInterval(std::chrono::milliseconds(o.intervalMs));
    loop.SetNumbers(list.m_mapNumbers);
    std::u16string notice;
    if (!loop.Start(Utf8ToUtf16(o.numbers), Utf8ToUtf16(o.message), notice)) {
        std::cerr << "vantorix-cli: " << Utf16ToUtf8(notice) << '\n';
        return kExitUsage;
    }

    if (::pipe(g_signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    QSocketNotifier stopper(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, &app, [&] {
        char c;
        (void)!::read(g_signalPipe[0], &c, 1);
        if (loop.IsSending()) {
            loop.Stop();
            std::cerr << "Stopped: no new messages; waiting for " << loop.GetCounts().pending
                      << " in flight.\n";
        }
    });

    QTimer ticker;
    ticker.setInterval(o.intervalMs);
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] {
        if (loop.IsSending()) {
            loop.Tick();
        }
        if (!loop.HasWorkLeft()) {
            ticker.stop();
            app.quit();
        }
    });
    ticker.start();
    app.exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    loop.SetListener(nullptr);

    listener.Progress(true);
    if (!o.report.empty() && !writeReport(loop, o.report)) {
        std::cerr << "vantorix-cli: could not write the report " << o.report << '\n';
    }
    const CampaignCounts c = loop.GetCounts();
    return c.sent == c.total ? kExitOk : kExitSomeFailed;
}

int runModems(const ModemChoice& choice) {
    QCoreApplication app(g_argc, g_argv);
    CSimulatedModem sim;
    bool simulated = false;
    std::string selector;
    if (!chooseModem(choice, sim, simulated, selector)) {
        return kExitFailure;
    }
    std::shared_ptr<DeviceLink::IMbnInterfaceManager> manager;
    if (FAILED(At::CreateAtInterfaceManager(selector, At::Timeouts{}, &manager)) || !manager) {
        reportNoModemLink();
        return kExitFailure;
    }
    std::vector<ModemDetails> modems;
    ListModems(*manager, &modems);
    if (modems.empty()) {
        const std::string why = At::LastDiscoveryMessage();
        std::cout << (why.empty() ? std::string("No modem found.") : why) << '\n';
        return kExitFailure;
    }
    for (const ModemDetails& m : modems) {
        std::cout << Utf16ToUtf8(m.interfaceId) << (simulated ? " (simulated)" : "") << '\n';
        std::cout << "  state:          " << Utf16ToUtf8(m.readyStateText) << '\n';
        std::cout << "  operator:       "
                  << (m.providerName.empty() ? "(unknown)" : Utf16ToUtf8(m.providerName)) << '\n';
        std::cout << "  device:         " << Utf16ToUtf8(m.manufacturer) << ' '
                  << Utf16ToUtf8(m.model) << ' ' << Utf16ToUtf8(m.firmwareInfo) << '\n';
        std::cout << "  service centre: "
                  << (m.serviceCenter.empty() ? "(none)" : Utf16ToUtf8(m.serviceCenter)) << '\n';
        const char* formats[] = {"none", "PDU", "text"};
        std::cout << "  SMS format:     "
                  << (m.smsFormat < 3 ? formats[m.smsFormat] : std::to_string(m.smsFormat).c_str())
                  << '\n';
        std::cout << "  signal:         " << m.signalStrength << '\n';
        std::u16string reason;
        std::string canSend;
        if (m.readyState != DeviceLink::MBN_READY_STATE_INITIALIZED) {
            canSend = "no: " + Utf16ToUtf8(m.readyStateText);
        } else if (!CAppHelper::CanSendSmsWith(
                       m.hasSms ? m.smsFormat : DeviceLink::MBN_SMS_FORMAT_NONE,
                       (m.smsCaps & DeviceLink::MBN_SMS_CAPS_PDU_SEND) != 0, reason)) {
            canSend = "no: " + Utf16ToUtf8(reason);
        } else {
            canSend = "yes";
        }
        std::cout << "  can send:       " << canSend << '\n';
    }
    return kExitOk;
}

void addModemOptions(CLI::App* cmd, ModemChoice& choice) {
    cmd->add_option("--modem", choice.modem,
                    "auto (the first modem found), sim (the built-in simulated modem), or a "
                    "serial port such as /dev/ttyUSB2 or COM5")
        ->default_str("auto");
    cmd->add_option("--sim-outbox", choice.simOutbox,
                    "with --modem sim: write every PDU the simulator receives to this file, one "
                    "JSON line each");
    cmd->add_option("--sim-option", choice.simArgs,
                    "with --modem sim: pass an option to the simulator, e.g. "
                    "--sim-option=--fail=+447700900123=330 (repeatable)")
        ->allow_extra_args(false);
}

}  // namespace

void AddSendCommand(CLI::App& app) {
    auto o = std::make_shared<SendOptions>();
    CLI::App* cmd = app.add_subcommand(
        "send",
        "Send one message to every number of a numbers file, one per interval, and print "
        "each number's final status. Exit status: 0 all sent, 3 some failed, 2 bad input, "
        "1 no modem to send with. Ctrl-C stops sending new messages and waits for those in "
        "flight.");
    cmd->add_option("--numbers", o->numbers, "numbers file (UTF-16 or UTF-8, one per line)")
        ->required();
    cmd->add_option("--message", o->message,
                    "message text (UTF-8); the signature \" - Sent with Quorvel Vantorix\" is "
                    "appended, counted and split with it. A text longer than one SMS goes out "
                    "in concatenated parts; a text over the parts limit is refused before any "
                    "number (exit 2). The concatenation reference is kept in "
                    "$XDG_STATE_HOME/Vantorix/concat-reference")
        ->required();
    cmd->add_option("--interval-ms", o->intervalMs, "time between two sends (default 1000)")
        ->check(CLI::Range(0, 3600000));
    cmd->add_option("--report", o->report,
                    "write a CSV report: number, status text, final status code, request id, "
                    "time, parts");
    cmd->add_flag("--trace", o->trace, "print the report of every composed PDU on standard error");
    AddRegionOption(*cmd, o->region);
    addModemOptions(cmd, o->modem);
    AddMessageOptions(cmd, o->options);
    cmd->callback([o] {
        const int status = runSend(*o);
        if (status != kExitOk) {
            throw CLI::RuntimeError(status);
        }
    });
}

void AddModemsCommand(CLI::App& app) {
    auto choice = std::make_shared<ModemChoice>();
    CLI::App* cmd = app.add_subcommand(
        "modems", "List the modems found, with state, operator, service centre and SMS format.");
    addModemOptions(cmd, *choice);
    cmd->callback([choice] {
        const int status = runModems(*choice);
        if (status != kExitOk) {
            throw CLI::RuntimeError(status);
        }
    });
}
