// vantorix-cli send: a whole campaign without windows, on the same sending
// loop as the desktop program. And vantorix-cli modems: what is attached.
#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "campaign/Blank.h"
#include "campaign/CCampaignLoop.h"
#include "campaign/CNumberList.h"
#include "campaign/CsvCell.h"
#include "campaign/PersonalMessages.h"
#include "campaign/Schedule.h"
#include "campaign/store/CampaignRecorder.h"
#include "campaign/store/CampaignStore.h"
#include "campaign/store/History.h"
#include "device/CAppHelper.h"
#include "device/CDeviceFront.h"
#include "device/ModemList.h"
#include "device/at/AtBackend.h"
#include "device/link/BackendInterface.h"
#include "device/sim/CSimulatedModem.h"
#include "pdu/Unicode.h"
#include "tools/cli/CmdNumbers.h"
#include "tools/cli/Commands.h"
#include "tools/cli/GatewayOption.h"
#include "tools/cli/MessageOptions.h"
#include "tools/cli/ReferenceState.h"
#include "tools/cli/StoreOption.h"

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
    std::vector<std::string> modems{"auto"};
    std::string simOutbox;
    std::vector<std::string> simArgs;
};

// A modem to send with: the port the AT backend opens.
struct ModemPort {
    std::string port;
    bool simulated = false;
    // The name rows, the report and the store give it.
    std::string Name() const { return port + (simulated ? " (simulated)" : ""); }
};

// How many simulators a --modem value asks for ("sim" is "sim:1"); none when
// it is not about the simulator; 0 for a bad count.
std::optional<int> simulatorCount(const std::string& value) {
    if (value == "sim") {
        return 1;
    }
    if (value.rfind("sim:", 0) != 0) {
        return std::nullopt;
    }
    const std::string count = value.substr(4);
    if (count.empty() || count.size() > 2 ||
        count.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    const int n = std::stoi(count);
    return n >= 1 && n <= 32 ? n : 0;
}

// Turns the --modem values into ports: starts the simulators asked for (kept
// in `sims`; with several, the k-th writes --sim-outbox PATH.k), probes every
// candidate port for `auto`, takes a port as it is. Returns false (with a
// message printed) when nothing can be used.
bool chooseModems(const ModemChoice& choice, std::vector<std::unique_ptr<CSimulatedModem>>& sims,
                  std::vector<ModemPort>& ports) {
    int simulators = 0;
    for (const std::string& value : choice.modems) {
        const std::optional<int> count = simulatorCount(value);
        if (count && *count == 0) {
            std::cerr << "vantorix-cli: --modem " << value
                      << ": expected sim, sim:N (N from 1 to 32), auto or a port\n";
            return false;
        }
        simulators += count.value_or(0);
    }
    bool automatic = false;
    auto add = [&ports](ModemPort port) {
        for (const ModemPort& known : ports) {
            if (known.port == port.port) {
                return;
            }
        }
        ports.push_back(std::move(port));
    };
    for (const std::string& value : choice.modems) {
        if (value == "auto" || value.empty()) {
            automatic = true;
            for (const std::string& port : At::ModemPorts()) {
                add({port, false});
            }
            continue;
        }
        const int count = simulatorCount(value).value_or(0);
        if (count == 0) {
            add({value, false});
        }
        for (int k = 0; k < count; ++k) {
            QStringList args;
            if (!choice.simOutbox.empty()) {
                const std::string suffix =
                    simulators > 1 ? "." + std::to_string(sims.size() + 1) : std::string();
                args << "--outbox" << QString::fromStdString(choice.simOutbox + suffix);
            }
            for (const std::string& a : choice.simArgs) {
                args << QString::fromStdString(a);
            }
            QString error;
            auto sim = std::make_unique<CSimulatedModem>();
            if (!sim->Start(args, error)) {
                std::cerr << "vantorix-cli: " << error.toStdString() << '\n';
                return false;
            }
            add({sim->Port().toStdString(), true});
            std::cerr << "Using the simulated modem on " << sim->Port().toStdString()
                      << " (simulated).\n";
            sims.push_back(std::move(sim));
        }
    }
    if (ports.empty() && automatic) {
        // No modem answers: the AT backend's "auto" says why.
        ports.push_back({"auto", false});
    }
    return !ports.empty();
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

// Results of one route (modem) are posted to the event loop, never handled
// inside the device link's call. A result frees room on its route: the loop
// is offered the chance to fill it at once rather than at the next tick,
// by one tick after the results already queued, so that their room is
// filled (and its parts recorded) together.
class QueuedPoster final : public ISmsEventPoster {
public:
    QueuedPoster(CCampaignLoop& loop, std::size_t route, std::shared_ptr<bool> tickQueued)
        : m_loop(loop), m_nRoute(route), m_tickQueued(std::move(tickQueued)) {}
    void PostRefreshDeviceStatus() override {}
    void PostSmsSendResult(std::uint32_t requestId, HRESULT status) override {
        CCampaignLoop* loop = &m_loop;
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [loop, route = m_nRoute, requestId, status, queued = m_tickQueued] {
                               loop->OnSmsSendResult(route, requestId, status);
                               if (*queued) {
                                   return;
                               }
                               *queued = true;
                               QTimer::singleShot(0, QCoreApplication::instance(), [loop, queued] {
                                   *queued = false;
                                   if (loop->IsSending()) {
                                       loop->Tick();
                                   }
                               });
                           });
    }
    void PostSmsSendReference(std::uint32_t requestId, std::uint8_t tpMr) override {
        CCampaignLoop* loop = &m_loop;
        QTimer::singleShot(0, QCoreApplication::instance(),
                           [loop, route = m_nRoute, requestId, tpMr] {
                               loop->OnSmsSendReference(route, requestId, tpMr);
                           });
    }
    void PostSmsReceived(const ReceivedSms& message) override {
        if (m_onReceived) {
            QTimer::singleShot(0, QCoreApplication::instance(),
                               [this, message] { m_onReceived(message); });
        }
    }
    void SetOnReceived(std::function<void(const ReceivedSms&)> handler) {
        m_onReceived = std::move(handler);
    }

private:
    CCampaignLoop& m_loop;
    std::size_t m_nRoute;
    std::shared_ptr<bool> m_tickQueued;
    std::function<void(const ReceivedSms&)> m_onReceived;
};

std::string hresultHex(HRESULT hr) {
    std::ostringstream s;
    s << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0')
      << static_cast<std::uint32_t>(hr);
    return s.str();
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
        if (r.state == RowState::Sent || r.state == RowState::Failed ||
            r.state == RowState::Unknown) {
            std::cout << Utf16ToUtf8(r.number) << '\t' << Utf16ToUtf8(r.statusText) << '\n';
            std::cout.flush();
            m_bRowsEnded = true;
        }
        Progress(false);
    }
    // True once since the last call when a row ended.
    bool TakeRowsEnded() { return std::exchange(m_bRowsEnded, false); }
    void OnRowsReset() override {}
    void OnSendingChanged(bool) override { Progress(true); }
    void OnWaitingChanged() override {
        if (m_waitingText) {
            std::cerr << m_waitingText() << '\n';
        }
    }
    void SetWaitingText(std::function<std::string()> text) { m_waitingText = std::move(text); }

    void Progress(bool force) {
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - m_lastProgress < std::chrono::seconds(1)) {
            return;
        }
        m_lastProgress = now;
        const CampaignCounts c = m_loop.GetCounts();
        std::ostringstream line;
        line << "progress: " << c.sent << " sent, " << c.failed << " failed, ";
        if (c.unknown != 0) {
            line << c.unknown << " outcome unknown, ";
        }
        line << c.pending << " waiting for the network, " << c.remaining << " to send of "
             << c.total;
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
    bool m_bRowsEnded = false;
    std::function<std::string()> m_waitingText;
};

// The CSV report of --report: opened (and checked) before the first send,
// rewritten from the store as rows end and once more at the end, so that a
// campaign cut short still leaves one. Its columns stay those of earlier
// versions: number, status text, final status code, request id, time, parts,
// delivery; the modem that sent the row comes last.
class ReportFile final {
public:
    ReportFile() = default;
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    ~ReportFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    // Refuses an input of the campaign (the numbers file, the store) and a
    // path that cannot be written; false with the reason.
    bool Open(const std::string& path, const std::string& numbers, const std::string& store,
              std::string& error) {
        m_strPath = path;
        std::error_code ec;
        if (!numbers.empty() && std::filesystem::equivalent(std::filesystem::u8path(path),
                                                            std::filesystem::u8path(numbers), ec)) {
            error = "--report " + path + " is the numbers file; choose another file";
            return false;
        }
        if (IsStoreFile(path, store)) {
            error = "--report " + path + " is the campaign store; choose another file";
            return false;
        }
        m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            error = "cannot write the report " + path + ": " + std::strerror(errno);
            return false;
        }
        return WriteAll(kHeader, error);
    }

    // Rewrites the whole report. Rows never sent of a campaign that did not
    // finish say "Not sent: stopped".
    bool Write(const CampaignRecord& campaign, const std::vector<RowRecord>& rows,
               std::string& error) {
        if (m_fd < 0) {
            return true;
        }
        const bool ended = campaign.state == CampaignState::Finished;
        std::string csv = kHeader;
        csv.reserve(rows.size() * 64);
        for (const RowRecord& row : rows) {
            std::string status = row.statusText;
            if (row.state == SendState::NotSent && !ended &&
                (status.empty() || status == Utf16ToUtf8(kBusyText))) {
                status = Utf16ToUtf8(kNotSentStoppedText);
            }
            csv += Utf16ToUtf8(CsvCell(Utf8ToUtf16(row.number)));
            csv += ',';
            csv += Utf16ToUtf8(CsvCell(Utf8ToUtf16(status)));
            csv += ',';
            if (row.code) {
                csv += hresultHex(static_cast<HRESULT>(static_cast<std::uint32_t>(*row.code)));
            }
            csv += ',';
            csv += row.requestId ? std::to_string(*row.requestId) : std::string();
            csv += ',';
            if (row.state != SendState::NotSent || row.time != campaign.created) {
                csv += History::IsoTime(row.time).substr(0, 19) + "Z";
            }
            csv += ',';
            // The parts of the row's message, once it was offered: its own
            // (a personal text of one part has no part records).
            if (!row.parts.empty()) {
                csv += std::to_string(row.parts.size());
            } else if (row.state != SendState::NotSent) {
                csv += std::to_string(row.text ? 1 : campaign.parts);
            }
            csv += ',';
            csv += Utf16ToUtf8(CsvCell(Utf8ToUtf16(History::DeliveryText(row))));
            csv += ',';
            if (row.state != SendState::NotSent) {
                csv += Utf16ToUtf8(CsvCell(Utf8ToUtf16(row.modem)));
            }
            csv += "\r\n";
        }
        if (::ftruncate(m_fd, 0) != 0) {
            error = "cannot write the report " + m_strPath + ": " + std::strerror(errno);
            return false;
        }
        return WriteAll(csv, error);
    }

private:
    static constexpr const char* kHeader =
        "number,status text,final status code,request id,time,parts,delivery,modem\r\n";

    bool WriteAll(const std::string& text, std::string& error) {
        if (::lseek(m_fd, 0, SEEK_SET) < 0) {
            error = "cannot write the report " + m_strPath + ": " + std::strerror(errno);
            return false;
        }
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = ::write(m_fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                error = "cannot write the report " + m_strPath + ": " +
                        std::strerror(n < 0 ? errno : ENOSPC);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    std::string m_strPath;
    int m_fd = -1;
};

struct SendOptions {
    std::string numbers;
    std::string message;
    std::string report;
    int intervalMs = 1000;
    bool intervalGiven = false;
    bool trace = false;
    bool everyoneAgain = false;
    bool deliveryReports = true;
    std::string at;
    std::string numberColumn;
    std::string waitReports = "0";
    std::string quietHours;
    std::string region;
    ModemChoice modem;
    GatewayOption gateway;
    CliMessageOptions options;
    StoreOption store;
    // resume
    std::int64_t resumeId = 0;
    bool resendUnknown = false;
};

// The message as the loop will send it, checked once before any number:
// false (with the reason printed) when it cannot be sent at all.
bool checkMessage(const std::string& message8, const PduLib::MessageOptions& options,
                  PduLib::MessagePlan& plan) {
    if (!PduLib::IsValidUtf8(message8)) {
        std::cerr << "vantorix-cli: send: the message is not valid UTF-8\n";
        return false;
    }
    const std::u16string message = Utf8ToUtf16(message8);
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

// Gives the device fronts the reference kept in the state file and keeps
// every new one there. The fronts share one sequence: a reference one of them
// takes is the next for all, so no two messages of the run share one.
void keepReferences(const std::vector<CDeviceFront*>& fronts,
                    const std::shared_ptr<CReferenceState>& state) {
    std::string error;
    std::uint16_t next = 0;
    if (!state->Load(next, error)) {
        std::cerr << "vantorix-cli: the concatenation reference starts at 0: " << error << '\n';
    }
    auto warned = std::make_shared<bool>(false);
    for (CDeviceFront* front : fronts) {
        front->SetNextReference(next);
        front->SetReferenceStore([state, warned, fronts](std::uint16_t value) {
            for (CDeviceFront* other : fronts) {
                other->SetNextReference(value);
            }
            std::string why;
            if (!state->Save(value, why) && !*warned) {
                *warned = true;
                std::cerr << "vantorix-cli: the concatenation reference is not kept: " << why
                          << '\n';
            }
        });
    }
}

// The settings a campaign is sent with, kept in the store so that resume
// sends the same message the same way.
std::string settingsJson(const SendOptions& o) {
    nlohmann::json settings{
        {"interval_ms", o.intervalMs},           {"encoding", o.options.encoding},
        {"max_parts", o.options.maxParts},       {"ref16", o.options.ref16},
        {"no_replace", o.options.noReplace},     {"languages", o.options.languages},
        {"delivery_reports", o.deliveryReports}, {"quiet_hours", o.quietHours}};
    if (!o.numberColumn.empty()) {
        settings["number_column"] = o.numberColumn;
    }
    SaveGatewaySettings(o.gateway, settings);
    return settings.dump();
}

void applySettings(const std::string& settings, SendOptions& o) {
    const nlohmann::json json = nlohmann::json::parse(settings, nullptr, false);
    if (!json.is_object()) {
        return;
    }
    if (!o.intervalGiven) {
        o.intervalMs = json.value("interval_ms", o.intervalMs);
    }
    o.options.encoding = json.value("encoding", o.options.encoding);
    o.options.maxParts = json.value("max_parts", o.options.maxParts);
    o.options.ref16 = json.value("ref16", o.options.ref16);
    o.options.noReplace = json.value("no_replace", o.options.noReplace);
    o.options.languages = json.value("languages", o.options.languages);
    o.deliveryReports = json.value("delivery_reports", false);
    if (o.quietHours.empty()) {
        o.quietHours = json.value("quiet_hours", std::string());
    }
    LoadGatewaySettings(json, o.gateway);
}

std::string countsText(const CampaignCounts& c) {
    std::ostringstream text;
    text << c.sent << " sent, " << c.failed << " failed, " << c.unknown << " outcome unknown, "
         << c.total - c.sent - c.failed - c.unknown - c.pending << " not sent";
    return text.str();
}

// "15s", "2m", "1h", "500ms", or plain seconds.
std::optional<std::chrono::milliseconds> parseDuration(const std::string& text) {
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const std::string unit = text.substr(used);
    const long long scale = unit.empty() || unit == "s" ? 1000
                            : unit == "ms"              ? 1
                            : unit == "m"               ? 60'000
                            : unit == "h"               ? 3'600'000
                                                        : 0;
    if (value < 0 || scale == 0 || value > 7LL * 24 * 3'600'000 / scale) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(value * scale);
}

// One line on standard error for what a received message changed.
void reportReceived(const ReceiveResult& result) {
    if (result.duplicate) {
        return;
    }
    if (result.kind == ReceiveResult::Kind::StatusReport) {
        if (!result.row) {
            std::cerr << "A delivery report matched no send: " << result.note << '\n';
        }
    } else if (result.kind == ReceiveResult::Kind::Message && result.complete) {
        std::cerr << "A reply from " << result.from << " is in the inbox"
                  << (result.optOut == ReceiveResult::OptOut::Added
                          ? " (it asks to stop: on the opt-out list now)"
                      : result.optOut == ReceiveResult::OptOut::Removed
                          ? " (it asks to start again: off the opt-out list)"
                          : "")
                  << ".\n";
    } else if (result.kind == ReceiveResult::Kind::Unreadable) {
        std::cerr << "A received message could not be read: " << result.note << '\n';
    }
}

// A campaign of personal messages from a .csv table: every recipient's own
// text, checked before anything is sent (an empty text or one over the
// parts limit refuses the campaign, naming its line).
// `column` is the name of the numbers column in the header, named or guessed.
bool loadPersonal(const SendOptions& o, const std::string& region, NewCampaign& campaign,
                  std::string& column) {
    PersonalMessages personal;
    std::string error;
    if (!LoadPersonalMessages(o.numbers, o.numberColumn, Utf8ToUtf16(o.message), region, personal,
                              error)) {
        std::cerr << "vantorix-cli: send: " << error << "; nothing was sent\n";
        return false;
    }
    if (personal.column < personal.table.Header().size()) {
        column = Utf16ToUtf8(personal.table.Header()[personal.column]);
    }
    for (const CsvSkippedRow& skipped : personal.collected.skipped) {
        if (skipped.reason == CsvSkippedRow::Reason::Duplicate) {
            std::cerr << "Line " << personal.table.RowLine(skipped.row)
                      << ": the number repeats line " << personal.table.RowLine(skipped.firstRow)
                      << "; sent once.\n";
        }
    }
    PduLib::MessageOptions options = ToMessageOptions(o.options);
    options.deliveryReports = o.deliveryReports;
    bool refused = false;
    bool unicode = false;
    int most = 1;
    for (const PersonalMessages::Recipient& r : personal.recipients) {
        const PduLib::MessagePlan plan =
            PduLib::PlanMessage(r.text + std::u16string(ISmsFront::kSignature), options);
        if (r.text.empty() || !plan.ok()) {
            std::cerr << "vantorix-cli: send: line " << r.fileLine << " (" << Utf16ToUtf8(r.number)
                      << "): " << (r.text.empty() ? std::string("the text is empty") : plan.error)
                      << '\n';
            refused = true;
            continue;
        }
        unicode = unicode || plan.encoding == PduLib::TextEncoding::Ucs2;
        most = std::max(most, static_cast<int>(plan.parts));
        campaign.numbers.push_back(Utf16ToUtf8(r.number));
        campaign.texts.push_back(Utf16ToUtf8(r.text));
        campaign.rowParts.push_back(static_cast<int>(plan.parts));
    }
    if (refused) {
        std::cerr << "vantorix-cli: send: nothing was sent (see `vantorix-cli preview`)\n";
        return false;
    }
    campaign.encoding = unicode ? "UCS-2" : "GSM 7-bit";
    campaign.parts = most;
    return true;
}

// Set by a signal while `send --at` waits.
volatile std::sig_atomic_t g_stopWaiting = 0;
void onWaitSignal(int) {
    g_stopWaiting = 1;
}

const Schedule::ITimeZone& localZone() {
    static const Schedule::CSystemTimeZone zone;
    return zone;
}

// send --at: the campaign is kept in the store as planned (so that
// `run-due` can send it if this process does not live to), then this
// process waits for its time. On return with kExitOk, o.resumeId names it
// and the store is closed; a signal while waiting leaves it planned.
int planCampaign(SendOptions& o, const NewCampaign& fresh, CCampaignStore& store) {
    const std::optional<Schedule::LocalDateTime> local = Schedule::ParseLocalDateTime(o.at);
    if (!local) {
        std::cerr << "vantorix-cli: --at " << o.at
                  << ": expected a local date and time such as 2026-12-07T07:30\n";
        return kExitUsage;
    }
    NewCampaign campaign = fresh;
    campaign.sendAt = Schedule::FromLocal(*local, localZone());
    const auto due = *campaign.sendAt;
    std::int64_t id = 0;
    StoreError error;
    if (!store.CreateCampaign(campaign, id, error) ||
        !store.SetCampaignState(id, CampaignState::Stopped, error, "planned")) {
        std::cerr << "vantorix-cli: " << error.text << "\nNothing was sent.\n";
        return kExitFailure;
    }
    store.Close();
    std::cerr << "Campaign " << id << " is planned for "
              << Utf16ToUtf8(Schedule::FormatLocalDateTime(due, localZone()))
              << "; waiting for it (`vantorix-cli run-due` sends it if this stops).\n";
    g_stopWaiting = 0;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(sig, onWaitSignal);
    }
    while (g_stopWaiting == 0 && std::chrono::system_clock::now() < due) {
        const auto left = due - std::chrono::system_clock::now();
        std::this_thread::sleep_for(
            std::min<std::chrono::system_clock::duration>(left, std::chrono::milliseconds(200)));
    }
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(sig, SIG_DFL);
    }
    if (g_stopWaiting != 0) {
        std::cerr << "Campaign " << id << " stays planned; `vantorix-cli run-due` sends it when "
                  << "due, `vantorix-cli resume " << id << "` at once.\n";
        return kExitSomeFailed;
    }
    o.resumeId = id;
    return kExitOk;
}

// Opens the store for sending; false (with the reason printed) when another
// program sends with it, or it is damaged, unreadable or locked.
bool openStore(const std::string& path, const std::string& region, CCampaignStore& store) {
    if (path.empty()) {
        std::cerr << "vantorix-cli: there is no place for the campaign store (neither "
                     "XDG_DATA_HOME nor HOME is set); give one with --store\n";
        return false;
    }
    StoreError error;
    StoreOptions options;
    options.program = "vantorix-cli";
    options.region = region;
    if (!store.Open(path, StoreMode::Send, error, options)) {
        std::cerr << "vantorix-cli: " << error.text << "\nNothing was sent.\n";
        return false;
    }
    const RecoveryReport& recovered = store.GetRecovery();
    for (const std::int64_t id : recovered.interrupted) {
        std::cerr << "Campaign " << id << " was interrupted; `vantorix-cli resume " << id
                  << "` carries it on.\n";
    }
    return true;
}

// Sends a campaign begun (o.resumeId == 0) or carried on (resume).
int runCampaign(SendOptions o) {
    const std::string storePath = StorePath(o.store);
    // A gateway takes parts as fast as they are offered.
    if (o.gateway.Active() && !o.intervalGiven) {
        o.intervalMs = 0;
    }
    CCampaignStore store;
    // A new campaign: the numbers file and the message first, as a bad file
    // or message is the user's to fix, whatever the store and the modem.
    NewCampaign campaign;
    CNumberList list;
    CampaignRecord resumed;
    if (o.resumeId == 0) {
        PduLib::MessagePlan plan;
        if (!checkMessage(o.message, ToMessageOptions(o.options), plan)) {
            return kExitUsage;
        }
        list.m_strFilePath = Utf8ToUtf16(o.numbers);
        list.m_strRegion = ResolveRegion(o.region);
        const bool personal = IsCsvPath(o.numbers) || !o.numberColumn.empty();
        if (personal) {
            std::string column;
            if (!loadPersonal(o, list.m_strRegion, campaign, column)) {
                return kExitUsage;
            }
            // Kept in the settings, so that the desktop program carries the
            // campaign on with the same column.
            o.numberColumn = column;
        } else {
            std::u16string error;
            if (!list.Load(error)) {
                std::cerr << "vantorix-cli: " << Utf16ToUtf8(error) << '\n';
                return kExitUsage;
            }
            for (const std::u16string_view number : list.m_mapNumbers) {
                campaign.numbers.push_back(Utf16ToUtf8(number));
            }
        }
        if (campaign.numbers.empty()) {
            std::cerr << "vantorix-cli: the file holds no numbers (a number has at least "
                      << CNumberList::kMinNumberLength << " characters).\n";
            return kExitUsage;
        }
        StoreError hashError;
        if (!FileContentHash(o.numbers, campaign.numbersHash, hashError)) {
            std::cerr << "vantorix-cli: " << hashError.text << '\n';
            return kExitUsage;
        }
        campaign.message = Utf16ToUtf8(TrimBlanks(Utf8ToUtf16(o.message)));
        if (!personal) {
            campaign.encoding = plan.encoding == PduLib::TextEncoding::Ucs2 ? "UCS-2" : "GSM 7-bit";
            campaign.parts = static_cast<int>(std::max<std::size_t>(plan.parts, 1));
        }
        campaign.numbersPath = o.numbers;
        campaign.settings = settingsJson(o);
        if (!openStore(storePath, list.m_strRegion, store)) {
            return kExitFailure;
        }
        std::optional<std::int64_t> earlier;
        StoreError error2;
        if (!o.everyoneAgain &&
            store.FindResumable(campaign.message, campaign.numbersHash, earlier, error2) &&
            earlier) {
            std::cerr << "Campaign " << *earlier
                      << " sent this message to these numbers and did not finish: carrying it "
                         "on (--everyone-again starts anew).\n";
            o.resumeId = *earlier;
        }
        if (!o.at.empty() && o.resumeId == 0) {
            const int status = planCampaign(o, campaign, store);
            if (status != kExitOk) {
                return status;
            }
            if (!openStore(storePath, list.m_strRegion, store)) {
                return kExitFailure;
            }
        }
    } else if (!openStore(storePath, ResolveRegion(o.region), store)) {
        return kExitFailure;
    }
    if (o.resumeId != 0) {
        StoreError error;
        if (!store.GetCampaign(o.resumeId, resumed, error)) {
            std::cerr << "vantorix-cli: resume: " << error.text
                      << (error.kind == StoreError::Kind::NotFound
                              ? " (`vantorix-cli campaigns` lists them)"
                              : "")
                      << '\n';
            return error.kind == StoreError::Kind::NotFound ? kExitUsage : kExitFailure;
        }
        applySettings(resumed.settings, o);
        if (o.gateway.Active() && !o.intervalGiven) {
            o.intervalMs = 0;
        }
        o.message = resumed.message;
        o.numbers = resumed.numbersPath;
    }
    PduLib::MessageOptions messageOptions = ToMessageOptions(o.options);
    messageOptions.deliveryReports = o.deliveryReports;
    PduLib::MessagePlan plan;
    if (!checkMessage(o.message, messageOptions, plan)) {
        return kExitUsage;
    }
    ReportFile report;
    if (!o.report.empty()) {
        std::string error;
        if (!report.Open(o.report, o.numbers, storePath, error)) {
            std::cerr << "vantorix-cli: " << error << "\nNothing was sent.\n";
            return kExitUsage;
        }
    }

    GatewayLink gateway;
    if (o.gateway.Active()) {
        std::string error;
        if (!gateway.Open(o.gateway, error)) {
            std::cerr << "vantorix-cli: " << error << "\nNothing was sent.\n";
            return kExitUsage;
        }
    }
    QCoreApplication app(g_argc, g_argv);
    std::vector<std::unique_ptr<CSimulatedModem>> sims;
    std::vector<ModemPort> ports;
    if (o.gateway.Active()) {
        ports.push_back({gateway.Name(), false});
    } else if (!chooseModems(o.modem, sims, ports)) {
        return kExitFailure;
    }
    // One device link per modem, each a route of the loop; the gateway is
    // one route.
    std::vector<std::unique_ptr<CDeviceFront>> fronts;
    std::vector<CDeviceFront*> frontList;
    for (const ModemPort& port : ports) {
        fronts.push_back(std::make_unique<CDeviceFront>(
            [selector = port.port, backend = o.gateway.Active() ? gateway.Factory() : nullptr](
                std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
                return backend ? backend(selector, manager)
                               : At::CreateAtInterfaceManager(selector, At::Timeouts{}, manager);
            }));
        fronts.back()->SetComposerTrace(o.trace ? &std::cerr : nullptr);
        fronts.back()->SetMessageOptions(messageOptions);
        frontList.push_back(fronts.back().get());
    }
    const std::string statePath = CReferenceState::DefaultPath();
    if (!statePath.empty()) {
        keepReferences(frontList, std::make_shared<CReferenceState>(statePath));
    }
    CCampaignLoop loop(*fronts.front());
    std::vector<std::unique_ptr<QueuedPoster>> posters;
    const auto tickQueued = std::make_shared<bool>(false);
    std::vector<CCampaignLoop::Route> routes;
    std::vector<std::size_t> routeFront;  // the front of each route
    std::u16string reason;
    std::string firstFailure;
    // A modem takes one part in flight and one queued, at its own pace.
    // The gateway keeps as many in flight as its connections and their queue
    // hold, a message on each, and is offered more once a quarter of that is
    // free: a round's parts are marked in the store by one commit.
    const RouteLimits modemLimits =
        o.gateway.Active()
            ? RouteLimits{static_cast<std::size_t>(2 * o.gateway.parallel),
                          std::chrono::milliseconds(o.intervalMs),
                          static_cast<std::size_t>(2 * o.gateway.parallel),
                          static_cast<std::size_t>(std::max(1, o.gateway.parallel / 2))}
            : RouteLimits{2, std::chrono::milliseconds(o.intervalMs)};
    for (std::size_t i = 0; i < fronts.size(); ++i) {
        CDeviceFront& front = *fronts[i];
        posters.push_back(std::make_unique<QueuedPoster>(loop, routes.size(), tickQueued));
        front.DeviceLink().SetEventPoster(posters.back().get());
        const std::string who = fronts.size() > 1 ? ports[i].port + ": " : std::string();
        if (!front.Discover()) {
            if (o.gateway.Active()) {
                std::cerr << "vantorix-cli: " << gateway.LastError() << "\nNothing was sent.\n";
                return kExitFailure;
            }
            if (fronts.size() == 1) {
                reportNoModemLink();
                return kExitFailure;
            }
            std::cerr << "Modem " << who << "not used: no link\n";
            front.DeviceLink().SetEventPoster(nullptr);
            continue;
        }
        if (!front.CanSendSms(reason)) {
            std::ostringstream why;
            why << Utf16ToUtf8(reason) << " (modem: " << Utf16ToUtf8(front.GetDeviceStatusText())
                << ")";
            if (firstFailure.empty()) {
                firstFailure = why.str();
            }
            if (fronts.size() > 1) {
                std::cerr << "Modem " << who << "not used: " << why.str() << '\n';
            }
            front.DeviceLink().SetEventPoster(nullptr);
            continue;
        }
        std::cerr << "Modem: " << who << Utf16ToUtf8(front.GetOperatorNameText()) << ", "
                  << Utf16ToUtf8(front.GetDeviceStatusText())
                  << (ports[i].simulated ? " (simulated)" : "") << '\n';
        routes.push_back({&front, Utf8ToUtf16(ports[i].Name()), modemLimits});
        routeFront.push_back(i);
    }
    if (routes.empty()) {
        std::cerr << "vantorix-cli: " << firstFailure << '\n';
        const std::string why = At::LastDiscoveryMessage();
        if (!why.empty()) {
            std::cerr << why << '\n';
        }
        return kExitFailure;
    }
    loop.SetRoutes(routes);
    const bool ucs2 = plan.encoding == PduLib::TextEncoding::Ucs2;
    std::cerr << "Message: " << plan.parts << " SMS per number, "
              << (ucs2 ? "Unicode" : "GSM 7-bit") << ", " << plan.units
              << (ucs2 ? " UCS2 units" : " septets") << " with the signature\n";

    CCampaignRecorder recorder(store, loop);
    StoreError storeError;
    if (o.resumeId == 0 ? !recorder.Begin(campaign, storeError)
                        : !recorder.Resume(o.resumeId, o.resendUnknown, storeError)) {
        std::cerr << "vantorix-cli: " << storeError.text << "\nNothing was sent.\n";
        return kExitFailure;
    }
    const std::int64_t id = recorder.GetCampaign();
    if (recorder.GetRecord().sendAt && !store.SetCampaignSendAt(id, std::nullopt, storeError)) {
        std::cerr << "vantorix-cli: " << storeError.text << '\n';
        return kExitFailure;
    }
    std::cerr << "Campaign " << id << " (store: " << storePath << ")";
    if (o.resumeId != 0) {
        std::cerr << ": " << countsText(loop.GetCounts());
        if (loop.GetCounts().unknown != 0 && !o.resendUnknown) {
            std::cerr << "; the " << loop.GetCounts().unknown
                      << " of unknown outcome are not sent again without --resend-unknown";
        }
    }
    std::cerr << '\n';
    std::size_t skipped = 0;
    if (!recorder.SkipOptedOut(skipped, storeError)) {
        std::cerr << "vantorix-cli: " << storeError.text << "\nNothing was sent.\n";
        return kExitFailure;
    }
    if (skipped != 0) {
        std::cerr << skipped << " number(s) on the opt-out list are skipped.\n";
    }

    // Replies and delivery reports: kept in the store first, then deleted
    // from the modem, so that a crash in between only hands them up again.
    // Many at once (the modem's store read at start-up) go in one transaction.
    // Each with the device link that holds it.
    struct Inbound {
        CDeviceFront* front;
        ReceivedSms message;
        std::string modem;  // the route's name
    };
    std::vector<Inbound> inbound;
    auto keepReceived = [&store, &inbound, &recorder] {
        // The references of the kept outcomes first, so that the reports
        // match their sends at once (a failure only delays that).
        StoreError flushError;
        recorder.FlushOutcomes(flushError);
        std::vector<ReceivedPdu> pdus;
        for (const Inbound& in : inbound) {
            pdus.push_back({in.message.pdu, std::chrono::system_clock::now(), in.modem});
        }
        std::vector<ReceiveResult> results;
        StoreError error;
        if (!store.ReceiveBatch(pdus, results, error)) {
            std::cerr << "vantorix-cli: " << inbound.size()
                      << " received message(s) stay on the modem: " << error.text << '\n';
            inbound.clear();
            return;
        }
        for (std::size_t i = 0; i < inbound.size() && i < results.size(); ++i) {
            inbound[i].front->AckReceived(inbound[i].message.handle);
            reportReceived(results[i]);
        }
        inbound.clear();
    };
    for (std::size_t route = 0; route < routes.size(); ++route) {
        CDeviceFront* front = fronts[routeFront[route]].get();
        posters[routeFront[route]]->SetOnReceived(
            [&inbound, &keepReceived, front,
             modem = Utf16ToUtf8(routes[route].name)](const ReceivedSms& message) {
                if (inbound.empty()) {
                    QTimer::singleShot(20, QCoreApplication::instance(), keepReceived);
                }
                inbound.push_back({front, message, modem});
            });
    }

    const std::optional<std::chrono::milliseconds> parsedWait = parseDuration(o.waitReports);
    if (!parsedWait) {
        std::cerr << "vantorix-cli: --wait-reports " << o.waitReports
                  << ": expected a duration such as 15s, 2m, 1h or 500ms\n";
        return kExitUsage;
    }
    const std::chrono::milliseconds waitReports = *parsedWait;
    ConsoleListener listener(loop);
    loop.SetListener(&listener);
    loop.SetTickInterval(std::chrono::milliseconds(o.intervalMs));
    static const Schedule::CSystemTimeZone zone;
    const std::optional<Schedule::QuietHours> quiet = Schedule::ParseQuietHours(o.quietHours);
    if (!quiet) {
        std::cerr << "vantorix-cli: --quiet-hours " << o.quietHours
                  << ": expected HH:MM-HH:MM, e.g. 21:00-08:00, or none\n";
        return kExitUsage;
    }
    if (!quiet->IsNone()) {
        loop.SetSendWindow(Schedule::MakeSendWindow(*quiet, zone));
    }
    listener.SetWaitingText([&loop] {
        return loop.WaitingUntil()
                   ? Utf16ToUtf8(Schedule::PausedUntilText(*loop.WaitingUntil(), zone))
                   : std::string("Carrying on.");
    });
    std::u16string notice;
    if (!loop.Start(Utf8ToUtf16(o.numbers.empty() ? storePath : o.numbers), Utf8ToUtf16(o.message),
                    notice)) {
        std::cerr << "vantorix-cli: " << Utf16ToUtf8(notice) << '\n';
        return kExitUsage;
    }

    bool reportOk = true;
    std::string reportError;
    auto writeReport = [&] {
        CampaignRecord record;
        std::vector<RowRecord> rows;
        StoreError error;
        if (!store.GetCampaign(id, record, error) || !store.GetRows(id, rows, error)) {
            reportError = "cannot read the campaign for the report: " + error.text;
            reportOk = false;
            return;
        }
        if (!report.Write(record, rows, reportError)) {
            reportOk = false;
        }
    };

    // Ctrl-C, kill, a closed terminal or a closed pipe: the first stops
    // sending and waits for the sends in flight; a second stops waiting
    // (those become outcome unknown).
    int stops = 0;
    if (::pipe(g_signalPipe) == 0) {
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
            std::signal(sig, onSignal);
        }
    }
    QSocketNotifier stopper(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, &app, [&] {
        char c;
        (void)!::read(g_signalPipe[0], &c, 1);
        ++stops;
        if (loop.IsSending()) {
            loop.Stop();
            std::cerr << "Stopped: no new messages; waiting for " << loop.GetCounts().pending
                      << " in flight (stop again to wait no longer).\n";
        } else if (stops > 1 && loop.GetCounts().pending != 0) {
            std::cerr << "Not waiting for the " << loop.GetCounts().pending
                      << " in flight: their outcome is unknown.\n";
            loop.AbandonPending();
        }
    });

    // Once every send has its outcome: delivery reports still to come are
    // waited for up to --wait-reports.
    auto awaitingReports = [&]() -> std::size_t {
        std::vector<RowRecord> rows;
        StoreError error;
        if (!store.GetRows(id, rows, error, SendState::Sent)) {
            return 0;
        }
        return static_cast<std::size_t>(
            std::count_if(rows.begin(), rows.end(), [](const RowRecord& row) {
                return row.delivery == DeliveryState::None ||
                       row.delivery == DeliveryState::Pending;
            }));
    };
    std::optional<std::chrono::steady_clock::time_point> reportsDeadline;
    QTimer ticker;
    // Each route keeps its own interval; the timer only looks often enough
    // for them.
    ticker.setInterval(std::clamp(o.intervalMs, 10, 100));
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] {
        if (loop.IsSending()) {
            loop.Tick();
        }
        // Outcomes are committed together; all of them before the store is
        // read for the reports.
        recorder.FlushIfDue();
        if (loop.HasWorkLeft()) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!reportsDeadline) {
            reportsDeadline = now + waitReports;
            if (o.deliveryReports && waitReports.count() > 0 && stops == 0 &&
                awaitingReports() != 0) {
                std::cerr << "Waiting up to " << o.waitReports << " for " << awaitingReports()
                          << " delivery report(s).\n";
                ticker.setInterval(200);
                return;
            }
        } else if (now < *reportsDeadline && stops == 0 && awaitingReports() != 0) {
            return;
        }
        ticker.stop();
        app.quit();
    });
    QTimer reporter;
    reporter.setInterval(1000);
    QObject::connect(&reporter, &QTimer::timeout, &app, [&] {
        if (listener.TakeRowsEnded() && reportOk) {
            writeReport();
        }
    });
    ticker.start();
    if (!o.report.empty()) {
        reporter.start();
    }
    app.exec();
    gateway.Close();
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        std::signal(sig, SIG_DFL);
    }
    loop.SetListener(nullptr);

    listener.Progress(true);
    if (!recorder.End(storeError)) {
        std::cerr << "vantorix-cli: " << storeError.text << '\n';
    }
    if (recorder.GetRecordError()) {
        std::cerr << "vantorix-cli: an outcome could not be recorded ("
                  << recorder.GetRecordError().text
                  << "); the store counts such numbers as outcome unknown.\n";
    }
    if (!o.report.empty() && reportOk) {
        writeReport();
    }
    if (!reportOk) {
        std::cerr << "vantorix-cli: " << reportError << '\n';
    }
    const CampaignCounts c = loop.GetCounts();
    std::cerr << "Campaign " << id << ": " << countsText(c) << ".\n";
    if (loop.IsPaused()) {
        std::cerr << "Paused: " << Utf16ToUtf8(loop.GetPauseReason())
                  << "\nRun `vantorix-cli resume " << id << "` when the modem can send again.\n";
        return kExitFailure;
    }
    if (c.sent + c.failed + c.unknown != c.total) {
        std::cerr << "`vantorix-cli resume " << id << "` sends to the rest.\n";
    }
    if (!reportOk || recorder.GetRecordError()) {
        return kExitFailure;
    }
    // Numbers skipped for the opt-out list are as the user wants them.
    std::size_t optedOut = 0;
    for (std::size_t row = 0; row < loop.GetRowCount(); ++row) {
        optedOut += loop.GetRow(row).statusText == kSkippedOptedOutText ? 1 : 0;
    }
    return c.sent + optedOut == c.total ? kExitOk : kExitSomeFailed;
}

int runModems(const ModemChoice& choice) {
    QCoreApplication app(g_argc, g_argv);
    std::vector<std::unique_ptr<CSimulatedModem>> sims;
    std::vector<ModemPort> ports;
    if (!chooseModems(choice, sims, ports)) {
        return kExitFailure;
    }
    std::vector<ModemDetails> modems;
    std::vector<bool> simulated;
    for (const ModemPort& port : ports) {
        std::shared_ptr<DeviceLink::IMbnInterfaceManager> manager;
        if (FAILED(At::CreateAtInterfaceManager(port.port, At::Timeouts{}, &manager)) || !manager) {
            if (ports.size() == 1) {
                reportNoModemLink();
                return kExitFailure;
            }
            std::cout << port.port << "\n  " << At::LastDiscoveryMessage() << '\n';
            continue;
        }
        std::vector<ModemDetails> found;
        ListModems(*manager, &found);
        modems.insert(modems.end(), found.begin(), found.end());
        simulated.resize(modems.size(), port.simulated);
    }
    if (modems.empty()) {
        const std::string why = At::LastDiscoveryMessage();
        std::cout << (why.empty() ? std::string("No modem found.") : why) << '\n';
        return kExitFailure;
    }
    for (std::size_t i = 0; i < modems.size(); ++i) {
        const ModemDetails& m = modems[i];
        std::cout << Utf16ToUtf8(m.interfaceId) << (simulated[i] ? " (simulated)" : "") << '\n';
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
    cmd->add_option("--modem", choice.modems,
                    "auto (every modem found), sim (the built-in simulated modem), sim:N (N "
                    "simulated modems), or a serial port such as /dev/ttyUSB2 or COM5; repeat it "
                    "to send with several modems at once, each number's parts on one of them")
        ->default_str("auto");
    cmd->add_option("--sim-outbox", choice.simOutbox,
                    "with --modem sim: write every PDU the simulator receives to this file, one "
                    "JSON line each (with several simulated modems, the k-th writes FILE.k)");
    cmd->add_option("--sim-option", choice.simArgs,
                    "with --modem sim: pass an option to the simulator, e.g. "
                    "--sim-option=--fail=+447700900123=330 (repeatable)")
        ->allow_extra_args(false);
}

}  // namespace

namespace {

void addRunOptions(CLI::App* cmd, SendOptions& o) {
    cmd->add_option("--interval-ms", o.intervalMs, "time between two sends (default 1000)")
        ->check(CLI::Range(0, 3600000))
        ->each([&o](const std::string&) { o.intervalGiven = true; });
    cmd->add_option("--report", o.report,
                    "write a CSV report: number, status text, final status code, request id, "
                    "time, parts, delivery, modem; checked before the first send, rewritten as "
                    "numbers end");
    cmd->add_flag("--trace", o.trace, "print the report of every composed PDU on standard error");
    cmd->add_option("--wait-reports", o.waitReports,
                    "after the last send, wait up to DURATION (e.g. 15s, 2m) for the delivery "
                    "reports still to come (default 0)");
    cmd->add_option("--quiet-hours", o.quietHours,
                    "daily hours of local time in which no new number is begun, e.g. "
                    "21:00-08:00 (a number's parts never straddle them); the campaign waits "
                    "and carries on by itself (default none)");
    addModemOptions(cmd, o.modem);
    AddStoreOption(cmd, o.store);
}

void runOrThrow(const SendOptions& o) {
    const int status = runCampaign(o);
    if (status != kExitOk) {
        throw CLI::RuntimeError(status);
    }
}

}  // namespace

void AddSendCommand(CLI::App& app) {
    auto o = std::make_shared<SendOptions>();
    CLI::App* cmd = app.add_subcommand(
        "send",
        "Send one message to every number of a numbers file, one per interval, and print "
        "each number's final status. Every send is recorded in the campaign store before it "
        "goes to the modem; the campaign's id is printed on standard error. A campaign of the "
        "same message and numbers file that did not finish is carried on, not sent again. "
        "Exit status: 0 all sent, 3 some failed or not sent, 2 bad input, 1 no modem to send "
        "with, a paused campaign (modem or network fault), or a store or report that could not "
        "be written. Ctrl-C (or a closed terminal) stops sending new messages and waits for "
        "those in flight; a second one stops waiting.");
    cmd->add_option("--numbers", o->numbers, "numbers file (UTF-16 or UTF-8, one per line)")
        ->required();
    cmd->add_option("--message", o->message,
                    "message text (UTF-8); the signature \" - Sent with Quorvel Vantorix\" is "
                    "appended, counted and split with it. A text longer than one SMS goes out "
                    "in concatenated parts; a text over the parts limit is refused before any "
                    "number (exit 2). The concatenation reference is kept in "
                    "$XDG_STATE_HOME/Vantorix/concat-reference")
        ->required();
    cmd->add_option("--at", o->at,
                    "send at this local date and time (e.g. 2026-12-07T07:30): the campaign is "
                    "kept in the store as planned and this command waits for it");
    cmd->add_option("--number-column", o->numberColumn,
                    "with a .csv file: the column that holds the numbers (default: guessed from "
                    "its name); {column} in the message stands for each row's value");
    cmd->add_flag("--everyone-again", o->everyoneAgain,
                  "start a new campaign even when one of this message and numbers file did not "
                  "finish (sends to everyone again)");
    cmd->add_flag("--delivery-reports,!--no-delivery-reports", o->deliveryReports,
                  "ask the network for a delivery report of every message (TP-SRR; the "
                  "default)");
    AddRegionOption(*cmd, o->region);
    addRunOptions(cmd, *o);
    AddGatewayOptions(cmd, o->gateway);
    AddMessageOptions(cmd, o->options);
    cmd->callback([o] { runOrThrow(*o); });
}

void AddRunDueCommand(CLI::App& app) {
    auto o = std::make_shared<SendOptions>();
    CLI::App* cmd = app.add_subcommand(
        "run-due",
        "Send every planned campaign (send --at) whose time has come, one after the other, "
        "as resume does; for a system timer to call. Exit status: 0 when nothing was due or "
        "all was sent, else the worst of the campaigns'.");
    addRunOptions(cmd, *o);
    cmd->callback([o] {
        const std::string path = StorePath(o->store);
        std::vector<CampaignRecord> due;
        {
            CCampaignStore store;
            StoreError error;
            std::vector<CampaignRecord> campaigns;
            if (!store.Open(path, StoreMode::Read, error) ||
                !store.ListCampaigns(campaigns, error)) {
                if (error.kind == StoreError::Kind::NotFound) {
                    std::cerr << "Nothing is due (no campaign store at " << path << ").\n";
                    return;
                }
                std::cerr << "vantorix-cli: run-due: " << error.text << '\n';
                throw CLI::RuntimeError(kExitFailure);
            }
            const auto now = std::chrono::system_clock::now();
            for (auto c = campaigns.rbegin(); c != campaigns.rend(); ++c) {
                if (c->sendAt && *c->sendAt <= now && c->state != CampaignState::Running &&
                    c->state != CampaignState::Finished) {
                    due.push_back(*c);
                }
            }
        }
        if (due.empty()) {
            std::cerr << "Nothing is due.\n";
            return;
        }
        int worst = kExitOk;
        for (const CampaignRecord& campaign : due) {
            const std::optional<std::u16string> late =
                Schedule::LateText(*campaign.sendAt, std::chrono::system_clock::now(), localZone());
            std::cerr << "Campaign " << campaign.id << ": "
                      << (late ? Utf16ToUtf8(*late) + "; sending now" : std::string("due now"))
                      << ".\n";
            SendOptions run = *o;
            run.resumeId = campaign.id;
            worst = std::max(worst, runCampaign(run));
        }
        if (worst != kExitOk) {
            throw CLI::RuntimeError(worst);
        }
    });
}

void AddResumeCommand(CLI::App& app) {
    auto o = std::make_shared<SendOptions>();
    CLI::App* cmd = app.add_subcommand(
        "resume",
        "Carry on with a campaign of the campaign store that was stopped or interrupted: only "
        "numbers not sent yet are sent, with the campaign's own message and settings. Numbers "
        "whose outcome is unknown (with the modem when the sending stopped) are sent again "
        "only with --resend-unknown. Exit statuses as for send.");
    cmd->add_option("ID", o->resumeId, "the campaign's id (see `campaigns`)")
        ->required()
        ->check(CLI::PositiveNumber);
    cmd->add_flag("--resend-unknown", o->resendUnknown,
                  "send again to the numbers whose outcome is unknown");
    addRunOptions(cmd, *o);
    AddGatewayOptions(cmd, o->gateway);
    cmd->callback([o] { runOrThrow(*o); });
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
