#include "device/at/AtModem.h"
#include "pdu/Hex.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>
#include <cctype>
#include <cstdio>

#include "device/at/AtStatus.h"

namespace At {

namespace {

constexpr HRESULT kNoSuchPort = static_cast<HRESULT>(0x80070002u);
constexpr std::uint32_t kReadyOff = 0;
constexpr std::uint32_t kReadyFailure = 4;
constexpr std::uint32_t kNewMessageFlag = 0x2;
// Longest SMS-SUBMIT TPDU: 7 header octets, 12-octet address, 7-octet
// validity period, 140 octets of user data.
constexpr int kMaxTpdu = 176;

// The first information line that `parse` accepts.
template <typename Parse>
auto FirstParsed(const Reply& reply, Parse parse) -> decltype(parse(std::string())) {
    for (const std::string& line : reply.info) {
        if (auto value = parse(line)) {
            return value;
        }
    }
    return {};
}

// Both used on Linux only.
[[maybe_unused]] bool ModemManagerRunning() {
#ifdef Q_OS_LINUX
    const QDir proc("/proc");
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!pid.front().isDigit()) {
            continue;
        }
        QFile comm("/proc/" + pid + "/comm");
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "ModemManager") {
            return true;
        }
    }
#endif
    return false;
}

// How to make ModemManager leave the modem on `path` alone.
[[maybe_unused]] std::string ModemManagerAdvice(const std::string& path) {
    std::string ids = "ATTRS{idVendor}==\"<vendor id>\", ATTRS{idProduct}==\"<product id>\"";
    const QSerialPortInfo info(QString::fromStdString(path));
    if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
        char text[96];
        std::snprintf(text, sizeof text, "ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\"",
                      info.vendorIdentifier(), info.productIdentifier());
        ids = text;
    }
    return "Stop ModemManager (sudo systemctl stop ModemManager), or have it leave this modem"
           " alone with a udev rule in /etc/udev/rules.d/77-vantorix-modem.rules:\n"
           "    ACTION==\"add|change\", SUBSYSTEM==\"usb\", " +
           ids +
           ", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n"
           "then run: sudo udevadm control --reload-rules && sudo udevadm trigger, and replug"
           " the modem.";
}

std::string BusyPortMessage(const std::string& path, const QSerialPort& port) {
    std::string message =
        "The modem port " + path + " cannot be opened: " + port.errorString().toStdString() + ".";
#ifdef Q_OS_LINUX
    message += std::string(" Another program is using it") +
               (ModemManagerRunning() ? " (ModemManager is running)" : "") +
               ", or you lack permission (join the \"dialout\" group). " + ModemManagerAdvice(path);
#else
    message +=
        " Close the program that uses the modem (for example the modem maker's"
        " connection manager) and try again.";
#endif
    return message;
}

}  // namespace

std::string ModemManagerWarning(const std::string& path) {
#ifdef Q_OS_LINUX
    if (ModemManagerRunning()) {
        return "ModemManager is running and may talk to the modem on " + path +
               " at the same time, which can disturb sending. " + ModemManagerAdvice(path);
    }
#else
    (void)path;
#endif
    return {};
}

namespace {

std::map<std::string, std::weak_ptr<Modem>>& OpenModems() {
    static std::map<std::string, std::weak_ptr<Modem>> modems;
    return modems;
}

}  // namespace

std::shared_ptr<Modem> FindOpenModem(const std::string& path) {
    auto& modems = OpenModems();
    auto it = modems.find(path);
    if (it == modems.end()) {
        return nullptr;
    }
    auto modem = it->second.lock();
    if (!modem || modem->IsGone()) {
        modems.erase(it);
        return nullptr;
    }
    return modem;
}

void RememberModem(const std::shared_ptr<Modem>& modem) {
    OpenModems()[modem->Path()] = modem;
}

std::shared_ptr<Modem> Modem::Open(const std::string& path, const Timeouts& timeouts, HRESULT* hr,
                                   std::string* message) {
    auto* port = new QSerialPort(QString::fromStdString(path));
    port->setBaudRate(QSerialPort::Baud115200);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        switch (port->error()) {
            case QSerialPort::DeviceNotFoundError:
                *hr = kNoSuchPort;
                *message = "There is no modem port " + path + ".";
                break;
            case QSerialPort::PermissionError:
            case QSerialPort::OpenError:
                *hr = E_ACCESSDENIED;
                *message = BusyPortMessage(path, *port);
                break;
            default:
                *hr = E_FAIL;
                *message = "The modem port " + path +
                           " cannot be opened: " + port->errorString().toStdString() + ".";
                break;
        }
        delete port;
        return nullptr;
    }
    port->setDataTerminalReady(true);
    *hr = S_OK;
    message->clear();
    return std::make_shared<Modem>(path, port, timeouts);
}

Modem::Modem(const std::string& path, QSerialPort* openPort, const Timeouts& timeouts)
    : m_path(path), m_channel(new Channel(openPort, timeouts, this)) {
    m_channel->SetUrcHandler(
        [this](const Urc& urc, const std::string& nextLine) { OnUrc(urc, nextLine); });
    m_channel->SetGoneHandler([this](const std::string& why) { OnGone(why); });
}

Modem::~Modem() {
    m_listeners.clear();
}

std::uint32_t Modem::NextRequestId() {
    static std::uint32_t next = 0;
    ++next;
    if (next == 0) {
        next = 1;
    }
    return next;
}

void Modem::Post(std::function<void()> event) {
    // The modem is kept alive while its event runs, even if a listener drops
    // the last reference to it meanwhile.
    std::weak_ptr<Modem> self = weak_from_this();
    QMetaObject::invokeMethod(
        this,
        [self, event = std::move(event)] {
            if (auto alive = self.lock()) {
                event();
            }
        },
        Qt::QueuedConnection);
}

void Modem::Notify(const std::function<void(const Listener&)>& call) {
    std::vector<int> tokens;
    for (const auto& entry : m_listeners) {
        tokens.push_back(entry.first);
    }
    for (int token : tokens) {
        auto it = m_listeners.find(token);
        if (it != m_listeners.end()) {
            const Listener listener = it->second;
            call(listener);
        }
    }
}

void Modem::Ask(const std::string& text, const std::string& prefix,
                std::function<void(const Reply&)> done, int timeoutMs) {
    Command command;
    command.text = text;
    command.infoPrefix = prefix;
    command.timeoutMs = timeoutMs;
    command.done = std::move(done);
    m_channel->Enqueue(std::move(command));
}

bool Modem::Initialise() {
    const Timeouts& t = m_channel->timeouts();
    // V.250: echo off first, so that the answers are not mixed with it.
    // The flag outlives a WaitIdle that gives up early.
    auto answered = std::make_shared<bool>(false);
    for (int attempt = 0; attempt < 2 && !*answered && !m_gone; ++attempt) {
        // The second try follows the channel's own "AT" probe; a modem that
        // was holding a prompt has had ESC by then.
        Ask(
            "ATE0", {}, [answered](const Reply& r) { *answered = r.Ok(); }, t.probeMs);
        m_channel->WaitIdle(2 * (t.probeMs + t.drainMs));
    }
    if (!*answered) {
        m_channel->Shutdown("no AT modem answers on " + m_path);
        return false;
    }
    Ask("AT+CMEE=1", {}, nullptr);
    Ask("AT+CGMI", "+CGMI", [this](const Reply& r) {
        m_state.manufacturer = FirstParsed(r, ParseIdentity).value_or(m_state.manufacturer);
    });
    Ask("AT+CGMM", "+CGMM", [this](const Reply& r) {
        m_state.model = FirstParsed(r, ParseIdentity).value_or(m_state.model);
    });
    Ask("AT+CGMR", "+CGMR", [this](const Reply& r) {
        m_state.firmware = FirstParsed(r, ParseIdentity).value_or(m_state.firmware);
    });
    Ask("AT+CGSN", "+CGSN", [this](const Reply& r) {
        auto imei = FirstParsed(r, [](const std::string& line) -> std::optional<std::string> {
            auto id = ParseIdentity(line);
            if (!id || id->size() < 14 || id->size() > 17) {
                return std::nullopt;
            }
            for (char c : *id) {
                if (!std::isdigit(static_cast<unsigned char>(c))) {
                    return std::nullopt;
                }
            }
            return id;
        });
        m_state.imei = imei.value_or(m_state.imei);
    });
    AskReadyState();
    Ask("AT+CMGF=?", "+CMGF", [this](const Reply& r) {
        if (auto modes = FirstParsed(r, ParseCmgfTest)) {
            m_state.pduSupported = modes->pdu;
            m_state.textSupported = modes->text;
        }
        if (m_state.pduSupported) {
            Ask("AT+CMGF=0", {}, [this](const Reply& set) { m_state.pduSelected = set.Ok(); });
        }
    });
    AskServiceCenter();
    Ask("AT+COPS=3,0", {}, nullptr);
    AskOperator();
    Ask("AT+CIMI", "+CIMI", [this](const Reply& r) {
        m_state.imsi = FirstParsed(r, ParseCimi).value_or(m_state.imsi);
    });
    AskIccid(0);
    Ask("AT+CNUM", "+CNUM", [this](const Reply& r) {
        if (r.Ok()) {
            m_state.numbers.clear();
            for (const std::string& line : r.info) {
                if (auto number = ParseCnum(line)) {
                    m_state.numbers.push_back(*number);
                }
            }
        }
    });
    Ask("AT+CPMS?", "+CPMS", [this](const Reply& r) {
        if (auto use = FirstParsed(r, ParseCpms); use && r.Ok()) {
            m_state.storeSize = static_cast<std::uint32_t>(use->total);
            m_state.readStore = use->memory;
            m_selectedStore = use->memory;
        }
    });
    AskSignal();
    Ask("AT+CSMS?", "+CSMS", [this](const Reply& r) {
        if (auto service = FirstParsed(r, ParseCsms); service && r.Ok()) {
            m_state.messageService = *service;
        }
    });
    SetReportRouting(0);
    // 20 commands at most, each bounded by its own time-out.
    m_channel->WaitIdle(22 * (t.commandMs + t.drainMs));
    if (!m_gone) {
        ListStored();  // what waited in the modem before we came
    }
    return !m_gone;
}

void Modem::SetReportRouting(int variant) {
    // TS 27.005 3.4.1: new messages stored and announced with +CMTI; status
    // reports stored and announced with +CDSI where the modem can, else
    // routed directly (+CDS), else not at all.
    static const char* const kCommands[] = {"AT+CNMI=2,1,0,2,0", "AT+CNMI=2,1,0,1,0",
                                            "AT+CNMI=2,1,0,0,0"};
    static const int kRouting[] = {2, 1, 0};
    Ask(kCommands[variant], {}, [this, variant](const Reply& r) {
        if (r.Ok()) {
            m_state.newMessageIndication = true;
            m_state.reportRouting = kRouting[variant];
        } else if (r.outcome == Reply::Outcome::Final && variant < 2) {
            SetReportRouting(variant + 1);
        }
    });
}

void Modem::SelectStore(const std::string& store) {
    if (store == m_selectedStore) {
        return;
    }
    m_selectedStore = store;
    Ask("AT+CPMS=\"" + store + "\"", "+CPMS", [this](const Reply& r) {
        if (!r.Ok()) {
            m_selectedStore.clear();  // not known any more: set it again next time
        }
    });
}

void Modem::ListStored() {
    if (m_gone) {
        return;
    }
    const std::string store = m_state.readStore.empty() ? "SM" : m_state.readStore;
    SelectStore(store);
    Ask(
        "AT+CMGL=4", "+CMGL",
        [this, store](const Reply& r) {
            if (!r.Ok()) {
                return;  // nothing listed: the messages stay for the next start
            }
            std::vector<ReceivedSms> messages;
            for (ListedMessage& listed : ParseListing(r.info).messages) {
                if (listed.index < 0 || listed.stat > 1) {
                    continue;  // not received: a draft or a sent message
                }
                ReceivedSms message;
                message.pdu = std::move(listed.pdu);
                message.memory = store;
                message.index = static_cast<std::uint32_t>(listed.index);
                messages.push_back(std::move(message));
            }
            HandUp(std::move(messages));
        },
        m_channel->timeouts().sendMs);
}

void Modem::ReadStored(const std::string& store, std::uint32_t index) {
    if (m_handleOfPlace.count({store, index}) != 0) {
        return;  // handed up already (the start-up listing found it)
    }
    SelectStore(store);
    Ask("AT+CMGR=" + std::to_string(index), "+CMGR", [this, store, index](const Reply& r) {
        if (!r.Ok()) {
            return;  // left on the modem; the next start-up lists it
        }
        std::vector<ReceivedSms> messages;
        for (ListedMessage& listed : ParseListing(r.info).messages) {
            ReceivedSms message;
            message.pdu = std::move(listed.pdu);
            message.memory = store;
            message.index = index;
            messages.push_back(std::move(message));
            break;
        }
        HandUp(std::move(messages));
    });
}

void Modem::HandUp(std::vector<ReceivedSms> messages) {
    std::vector<ReceivedSms> handed;
    for (ReceivedSms& message : messages) {
        const auto mti = TpMti(message.pdu);
        if (!mti || (*mti != 0 && *mti != 2)) {
            continue;  // a SUBMIT or a reserved type: not a message for us
        }
        message.kind = *mti == 0 ? ReceivedSms::Kind::Deliver : ReceivedSms::Kind::StatusReport;
        if (message.Stored()) {
            auto [place, added] = m_handleOfPlace.try_emplace({message.memory, message.index}, 0);
            if (!added) {
                continue;  // handed up already and not acknowledged yet
            }
            place->second = NextRequestId();
            message.handle = place->second;
        } else {
            message.handle = NextRequestId();
        }
        m_unacknowledged[message.handle] = message;
        handed.push_back(std::move(message));
    }
    if (handed.empty()) {
        return;
    }
    Post([this, handed = std::move(handed)] {
        for (const ReceivedSms& message : handed) {
            Notify([&](const Listener& listener) {
                if (listener.received) {
                    listener.received(message);
                }
            });
        }
    });
}

HRESULT Modem::Acknowledge(std::uint32_t handle) {
    if (m_gone) {
        return VTX_E_MODEM_GONE;
    }
    auto it = m_unacknowledged.find(handle);
    if (it == m_unacknowledged.end()) {
        return E_INVALIDARG;
    }
    const ReceivedSms message = std::move(it->second);
    m_unacknowledged.erase(it);
    if (message.Stored()) {
        m_handleOfPlace.erase({message.memory, message.index});
        SelectStore(message.memory);
        // A failed deletion leaves it on the modem: listed again at the next
        // start, a duplicate for the upper layer, never a loss.
        Ask("AT+CMGD=" + std::to_string(message.index), {}, nullptr);
    } else if (m_state.messageService == 1) {
        Ask("AT+CNMA", {}, nullptr);
    }
    return S_OK;
}

void Modem::RefreshAsync() {
    if (m_gone) {
        return;
    }
    AskReadyState();
    AskServiceCenter();
    AskOperator();
    AskSignal();
}

void Modem::AskReadyState() {
    Ask("AT+CPIN?", "+CPIN", [this](const Reply& r) {
        if (r.outcome != Reply::Outcome::Final) {
            m_state.readyState = kReadyFailure;
            return;
        }
        SimState sim = SimState::Unknown;
        if (r.final.kind == FinalResult::Kind::CmeError) {
            sim = SimStateFromCmeError(r.final.code);
        } else if (r.Ok()) {
            for (const std::string& line : r.info) {
                if (AfterPrefix(line, "+CPIN")) {
                    sim = ParseCpin(line);
                    break;
                }
            }
        }
        m_state.readyState = ReadyStateFor(sim);
    });
}

void Modem::AskOperator() {
    Ask("AT+COPS?", "+COPS", [this](const Reply& r) {
        if (!r.Ok()) {
            return;
        }
        auto op = FirstParsed(r, ParseCops);
        // Only an alphanumeric name is a name; "+COPS: 0" means not registered.
        m_state.operatorKnown = op && (op->format == 0 || op->format == 1) && !op->name.empty();
        m_state.operatorName = m_state.operatorKnown ? op->name : std::string();
    });
}

void Modem::AskServiceCenter() {
    Ask("AT+CSCA?", "+CSCA", [this](const Reply& r) {
        if (!r.Ok()) {
            return;
        }
        if (auto sc = FirstParsed(r, ParseCsca)) {
            m_state.serviceCenterKnown = true;
            m_state.serviceCenter = sc->number;
        }
    });
}

void Modem::AskSignal() {
    Ask("AT+CSQ", "+CSQ", [this](const Reply& r) {
        if (auto q = FirstParsed(r, ParseCsq); q && r.Ok()) {
            m_state.rssi = q->rssi;
        }
    });
}

void Modem::AskIccid(int variant) {
    // Makers differ: +CCID (TS 27.007 annex), ^ICCID?, +ICCID.
    static const char* const kCommands[] = {"AT+CCID", "AT^ICCID?", "AT+ICCID"};
    static const char* const kPrefixes[] = {"+CCID", "^ICCID", "+ICCID"};
    Ask(kCommands[variant], kPrefixes[variant], [this, variant](const Reply& r) {
        if (auto id = FirstParsed(r, ParseIccid); id && r.Ok()) {
            m_state.iccid = *id;
        } else if (r.outcome == Reply::Outcome::Final && variant < 2) {
            AskIccid(variant + 1);
        }
    });
}

HRESULT Modem::Send(const std::string& hexPdu, std::uint32_t* requestId) {
    if (requestId == nullptr) {
        return E_POINTER;
    }
    if (m_gone) {
        return VTX_E_MODEM_GONE;
    }
    // Only hex digits reach the port: a CR, Ctrl-Z or ESC inside the text
    // would end the PDU early and turn the rest into commands.
    const int tpdu = PduLib::TpduLength(hexPdu);
    if (tpdu < 1 || tpdu > kMaxTpdu) {
        return E_INVALIDARG;
    }
    if (m_sendsOutstanding >= kMaxOutstandingSends) {
        return VTX_E_MODEM_BUSY;
    }
    const std::uint32_t id = NextRequestId();
    ++m_sendsOutstanding;
    Command command;
    command.text = "AT+CMGS=" + std::to_string(tpdu);
    command.pdu = hexPdu;
    for (char& c : command.pdu) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    command.infoPrefix = "+CMGS";
    command.timeoutMs = m_channel->timeouts().sendMs;
    command.done = [this, id](const Reply& r) {
        HRESULT status = E_FAIL;
        std::optional<int> mr;
        switch (r.outcome) {
            case Reply::Outcome::Final:
                // OK after the PDU is the modem's acceptance; +CMGS: <mr>
                // normally comes with it.
                status = StatusForFinal(r.final);
                if (status == S_OK) {
                    mr = FirstParsed(r, ParseCmgs);
                }
                break;
            case Reply::Outcome::Timeout:
                status = VTX_E_SEND_TIMEOUT;
                break;
            case Reply::Outcome::Gone:
                status = VTX_E_MODEM_GONE;
                break;
        }
        --m_sendsOutstanding;
        Post([this, id, status, mr] {
            Notify([&](const Listener& listener) {
                if (mr && listener.sendReference) {
                    listener.sendReference(id, static_cast<std::uint8_t>(*mr));
                }
                if (listener.sendComplete) {
                    listener.sendComplete(id, status);
                }
            });
        });
    };
    m_channel->Enqueue(std::move(command));
    *requestId = id;
    return S_OK;
}

HRESULT Modem::Read(std::uint32_t index, std::uint32_t* requestId) {
    if (requestId == nullptr) {
        return E_POINTER;
    }
    if (m_gone) {
        return VTX_E_MODEM_GONE;
    }
    const std::uint32_t id = NextRequestId();
    Ask("AT+CMGR=" + std::to_string(index), "+CMGR", [this, id, index](const Reply& r) {
        std::vector<StoredMessage> messages;
        HRESULT status = S_OK;
        if (r.outcome == Reply::Outcome::Timeout) {
            status = VTX_E_SEND_TIMEOUT;
        } else if (r.outcome == Reply::Outcome::Gone) {
            status = VTX_E_MODEM_GONE;
        } else {
            status = StatusForFinal(r.final);
        }
        for (std::size_t i = 0; status == S_OK && i + 1 < r.info.size(); ++i) {
            if (auto header = ParseCmgrHeader(r.info[i])) {
                if (auto pdu = CheckPduLine(r.info[i + 1], header->length)) {
                    messages.push_back({index, static_cast<std::uint32_t>(header->stat), *pdu});
                }
                break;
            }
        }
        if (status == S_OK && messages.empty()) {
            status = E_FAIL;  // OK without a well-formed message
        }
        if (m_state.smsIndex == index) {
            m_state.smsFlags &= ~kNewMessageFlag;
        }
        Post([this, id, messages, status] {
            Notify([&](const Listener& listener) {
                if (listener.readComplete) {
                    listener.readComplete(id, messages, status);
                }
            });
        });
    });
    *requestId = id;
    return S_OK;
}

int Modem::AddListener(Listener listener) {
    const int token = m_nextListener++;
    m_listeners[token] = std::move(listener);
    return token;
}

void Modem::RemoveListener(int token) {
    m_listeners.erase(token);
}

void Modem::OnUrc(const Urc& urc, const std::string& nextLine) {
    switch (urc.kind) {
        case Urc::Kind::MessageDirect:
        case Urc::Kind::StatusReportDirect:
            if (auto pdu = CheckPduLine(nextLine, urc.length)) {
                ReceivedSms message;
                message.pdu = std::move(*pdu);
                HandUp({std::move(message)});
            } else if (m_state.messageService == 1) {
                // Unreadable: kept nowhere, so acknowledged at once, or the
                // modem would stop routing messages to us.
                Ask("AT+CNMA", {}, nullptr);
            }
            break;
        case Urc::Kind::StatusReport:
            if (urc.index >= 0) {
                ReadStored(urc.storage, static_cast<std::uint32_t>(urc.index));
            }
            break;
        case Urc::Kind::NewMessage:
            if (urc.index >= 0) {
                ReadStored(urc.storage, static_cast<std::uint32_t>(urc.index));
                m_state.smsFlags |= kNewMessageFlag;
                m_state.smsIndex = static_cast<std::uint32_t>(urc.index);
                Post([this] {
                    Notify([](const Listener& listener) {
                        if (listener.statusChange) {
                            listener.statusChange();
                        }
                    });
                });
            }
            break;
        case Urc::Kind::Registration:
            AskOperator();
            break;
        case Urc::Kind::SignalQuality:
            m_state.rssi = (urc.index >= 0 && urc.index <= 31) ? urc.index : 99;
            break;
        default:
            break;  // calls, USSD, mode changes: nothing to do for SMS
    }
}

void Modem::OnGone(const std::string& why) {
    m_gone = true;
    m_goneReason = why;
    m_state.readyState = kReadyOff;
    m_state.operatorKnown = false;
}

}  // namespace At
