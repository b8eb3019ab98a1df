#include "device/at/AtBackend.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>
#include <map>

#include "device/at/AtModem.h"
#include "device/link/SmsSinkList.h"

namespace At {

namespace {

using namespace DeviceLink;

std::string& DiscoveryMessage() {
    static std::string message;
    return message;
}

std::u16string Wide(const std::string& s) {
    return QString::fromStdString(s).toStdU16String();
}

// The PDU text as bytes for the port: printable ASCII only, else nothing.
bool Narrow(const std::u16string& text, std::string& out) {
    out.clear();
    for (char16_t c : text) {
        if (c < 0x21 || c > 0x7E) {
            return false;
        }
        out.push_back(static_cast<char>(c));
    }
    return true;
}

class AtSignal final : public IMbnSignal {
public:
    explicit AtSignal(std::shared_ptr<Modem> modem) : m_modem(std::move(modem)) {}
    HRESULT GetSignalStrength(std::uint32_t* strength) override {
        if (strength == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        // The platform's scale is that of +CSQ: 0..31, 99 unknown.
        *strength = static_cast<std::uint32_t>(m_modem->State().rssi);
        return S_OK;
    }

private:
    std::shared_ptr<Modem> m_modem;
};

class AtSmsConfiguration final : public IMbnSmsConfiguration {
public:
    explicit AtSmsConfiguration(std::shared_ptr<Modem> modem) : m_modem(std::move(modem)) {}
    HRESULT get_SmsFormat(MBN_SMS_FORMAT* format) override {
        if (format == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        const ModemState& s = m_modem->State();
        if (s.readyState != MBN_READY_STATE_INITIALIZED) {
            *format = MBN_SMS_FORMAT_NONE;
        } else if (s.pduSelected) {
            *format = MBN_SMS_FORMAT_PDU;
        } else if (s.textSupported) {
            *format = MBN_SMS_FORMAT_TEXT;
        } else {
            *format = MBN_SMS_FORMAT_NONE;
        }
        return S_OK;
    }
    HRESULT get_MaxMessageIndex(std::uint32_t* index) override {
        if (index == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        if (m_modem->State().storeSize == 0) {
            return E_FAIL;  // AT+CPMS? gave no size
        }
        // Indexes run from 1 (SIM store) or 0 (some modems' own store); the
        // highest is at most the size.
        *index = m_modem->State().storeSize;
        return S_OK;
    }
    HRESULT get_ServiceCenterAddress(std::u16string* address) override {
        if (address == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        if (!m_modem->State().serviceCenterKnown) {
            return E_FAIL;
        }
        *address = Wide(m_modem->State().serviceCenter);
        return S_OK;
    }

private:
    std::shared_ptr<Modem> m_modem;
};

class AtReadMsgPdu final : public IMbnSmsReadMsgPdu {
public:
    explicit AtReadMsgPdu(StoredMessage message) : m_message(std::move(message)) {}
    HRESULT get_Index(std::uint32_t* index) override {
        if (index == nullptr) {
            return E_POINTER;
        }
        *index = m_message.index;
        return S_OK;
    }
    HRESULT get_Status(std::uint32_t* status) override {
        if (status == nullptr) {
            return E_POINTER;
        }
        *status = m_message.status;
        return S_OK;
    }
    HRESULT get_PduData(std::u16string* pdu) override {
        if (pdu == nullptr) {
            return E_POINTER;
        }
        *pdu = Wide(m_message.pdu);
        return S_OK;
    }

private:
    StoredMessage m_message;
};

class AtSms final : public IMbnSms {
public:
    explicit AtSms(std::shared_ptr<Modem> modem) : m_modem(std::move(modem)) {}
    HRESULT GetSmsConfiguration(std::shared_ptr<IMbnSmsConfiguration>* configuration) override {
        if (configuration == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        *configuration = std::make_shared<AtSmsConfiguration>(m_modem);
        return S_OK;
    }
    HRESULT GetSmsStatus(MBN_SMS_STATUS_INFO* status) override {
        if (status == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        status->flag = m_modem->State().smsFlags;
        status->messageIndex = m_modem->State().smsIndex;
        return S_OK;
    }
    HRESULT SmsSendPdu(const std::u16string& pduData, std::uint8_t /*size*/,
                       std::uint32_t* requestId) override {
        // The count the caller passes is not trusted: AT+CMGS gets the TPDU
        // length read from the PDU itself (its service-centre length octet),
        // so a caller's miscount cannot make the modem cut or overrun the PDU.
        std::string pdu;
        if (!Narrow(pduData, pdu)) {
            return E_INVALIDARG;
        }
        return m_modem->Send(pdu, requestId);
    }
    HRESULT SmsRead(const MBN_SMS_FILTER& filter, MBN_SMS_FORMAT format,
                    std::uint32_t* requestId) override {
        if (format != MBN_SMS_FORMAT_PDU) {
            return E_INVALIDARG;
        }
        if (filter.flag != MBN_SMS_FLAG_INDEX) {
            return E_NOTIMPL;  // only reads by index (after +CMTI) are served
        }
        return m_modem->Read(filter.messageIndex, requestId);
    }
    std::shared_ptr<IMbnSignal> QuerySignal() override {
        return std::make_shared<AtSignal>(m_modem);
    }
    HRESULT SmsAcknowledge(std::uint32_t handle) override { return m_modem->Acknowledge(handle); }

private:
    std::shared_ptr<Modem> m_modem;
};

class AtSubscriberInformation final : public IMbnSubscriberInformation {
public:
    explicit AtSubscriberInformation(std::shared_ptr<Modem> modem) : m_modem(std::move(modem)) {}
    HRESULT get_SubscriberID(std::u16string* id) override {
        return Give(m_modem->State().imsi, id);
    }
    HRESULT get_SimIccID(std::u16string* id) override { return Give(m_modem->State().iccid, id); }
    HRESULT get_TelephoneNumbers(std::vector<std::u16string>* numbers) override {
        if (numbers == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        numbers->clear();
        for (const std::string& number : m_modem->State().numbers) {
            numbers->push_back(Wide(number));
        }
        return S_OK;
    }

private:
    HRESULT Give(const std::string& value, std::u16string* out) {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        if (value.empty()) {
            return E_FAIL;  // the SIM did not tell
        }
        *out = Wide(value);
        return S_OK;
    }
    std::shared_ptr<Modem> m_modem;
};

class AtInterface final : public IMbnInterface {
public:
    AtInterface(std::shared_ptr<Modem> modem, std::shared_ptr<AtSms> sms)
        : m_modem(std::move(modem)), m_sms(std::move(sms)) {}

    HRESULT get_InterfaceID(std::u16string* id) override {
        if (id == nullptr) {
            return E_POINTER;
        }
        *id = Wide(m_modem->Path());
        return S_OK;
    }
    HRESULT GetInterfaceCapability(MBN_INTERFACE_CAPS* caps) override {
        if (caps == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        const ModemState& s = m_modem->State();
        MBN_INTERFACE_CAPS out;
        out.cellularClass = MBN_CELLULAR_CLASS_GSM;
        out.voiceClass = MBN_VOICE_CLASS_NO_VOICE;
        if (s.pduSupported) {
            out.smsCaps |= MBN_SMS_CAPS_PDU_SEND | MBN_SMS_CAPS_PDU_RECEIVE;
        }
        if (s.textSupported) {
            out.smsCaps |= MBN_SMS_CAPS_TEXT_SEND | MBN_SMS_CAPS_TEXT_RECEIVE;
        }
        out.deviceID = Wide(s.imei);
        out.manufacturer = Wide(s.manufacturer);
        out.model = Wide(s.model);
        out.firmwareInfo = Wide(s.firmware);
        *caps = std::move(out);
        return S_OK;
    }
    HRESULT GetSubscriberInformation(std::shared_ptr<IMbnSubscriberInformation>* info) override {
        if (info == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        *info = std::make_shared<AtSubscriberInformation>(m_modem);
        return S_OK;
    }
    HRESULT GetReadyState(MBN_READY_STATE* state) override {
        if (state == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        *state = static_cast<MBN_READY_STATE>(m_modem->State().readyState);
        return S_OK;
    }
    HRESULT GetHomeProvider(MBN_PROVIDER* provider) override {
        if (provider == nullptr) {
            return E_POINTER;
        }
        if (m_modem->IsGone()) {
            return VTX_E_MODEM_GONE;
        }
        if (!m_modem->State().operatorKnown) {
            return S_FALSE;
        }
        provider->providerName = Wide(m_modem->State().operatorName);
        provider->providerID.clear();
        provider->providerState = 0;
        provider->dataClass = 0;
        return S_OK;
    }
    std::shared_ptr<IMbnSms> QuerySms() override { return m_sms; }

private:
    std::shared_ptr<Modem> m_modem;
    std::shared_ptr<AtSms> m_sms;
};

class AtInterfaceManager final : public IMbnInterfaceManager,
                                 public std::enable_shared_from_this<AtInterfaceManager> {
public:
    explicit AtInterfaceManager(const std::vector<std::shared_ptr<Modem>>& modems) {
        for (const auto& modem : modems) {
            Entry entry;
            entry.modem = modem;
            entry.sms = std::make_shared<AtSms>(modem);
            entry.interface = std::make_shared<AtInterface>(modem, entry.sms);
            m_entries.push_back(std::move(entry));
        }
    }

    // Registers for the modems' events; after construction, since the
    // listeners hold the manager weakly (a sink may release the manager from
    // inside an event: the delivery then keeps it alive to the end).
    void Attach() {
        std::weak_ptr<AtInterfaceManager> weak = weak_from_this();
        for (Entry& entry : m_entries) {
            std::shared_ptr<IMbnSms> sms = entry.sms;
            Modem::Listener listener;
            listener.sendComplete = [weak, sms](std::uint32_t id, HRESULT status) {
                if (auto self = weak.lock()) {
                    self->ForEachSink(
                        [&](IMbnSmsEvents* sink) { sink->OnSmsSendComplete(sms, id, status); });
                }
            };
            listener.sendReference = [weak, sms](std::uint32_t id, std::uint8_t mr) {
                if (auto self = weak.lock()) {
                    self->ForEachSink(
                        [&](IMbnSmsEvents* sink) { sink->OnSmsSendReference(sms, id, mr); });
                }
            };
            listener.received = [weak, sms](const ReceivedSms& message) {
                if (auto self = weak.lock()) {
                    self->ForEachSink(
                        [&](IMbnSmsEvents* sink) { sink->OnSmsReceived(sms, message); });
                }
            };
            listener.statusChange = [weak, sms] {
                if (auto self = weak.lock()) {
                    self->ForEachSink([&](IMbnSmsEvents* sink) { sink->OnSmsStatusChange(sms); });
                }
            };
            listener.readComplete = [weak, sms](std::uint32_t id,
                                                const std::vector<StoredMessage>& stored,
                                                HRESULT status) {
                auto self = weak.lock();
                if (!self) {
                    return;
                }
                std::vector<std::shared_ptr<IMbnSmsReadMsgPdu>> messages;
                for (const StoredMessage& message : stored) {
                    messages.push_back(std::make_shared<AtReadMsgPdu>(message));
                }
                self->ForEachSink([&](IMbnSmsEvents* sink) {
                    sink->OnSmsReadComplete(sms, MBN_SMS_FORMAT_PDU, messages, false, id, status);
                });
            };
            entry.listenerToken = entry.modem->AddListener(std::move(listener));
        }
    }

    ~AtInterfaceManager() override {
        for (Entry& entry : m_entries) {
            entry.modem->RemoveListener(entry.listenerToken);
        }
    }

    HRESULT GetInterfaces(std::vector<std::shared_ptr<IMbnInterface>>* interfaces) override {
        if (interfaces == nullptr) {
            return E_POINTER;
        }
        interfaces->clear();
        for (const Entry& entry : m_entries) {
            interfaces->push_back(entry.interface);
        }
        return S_OK;
    }
    HRESULT Advise(IMbnSmsEvents* sink, std::uint32_t* cookie) override {
        return m_sinks.Advise(sink, cookie);
    }
    HRESULT Unadvise(std::uint32_t cookie) override { return m_sinks.Unadvise(cookie); }

private:
    struct Entry {
        std::shared_ptr<Modem> modem;
        std::shared_ptr<AtSms> sms;
        std::shared_ptr<AtInterface> interface;
        int listenerToken = 0;
    };

    template <typename Call>
    void ForEachSink(Call call) {
        m_sinks.ForEach(call);
    }

    std::vector<Entry> m_entries;
    CSmsSinkList m_sinks;
};

}  // namespace

std::vector<std::string> CandidatePorts() {
    std::vector<std::string> ports;
    auto add = [&ports](const std::string& path) {
        if (std::find(ports.begin(), ports.end(), path) == ports.end()) {
            ports.push_back(path);
        }
    };
#ifdef Q_OS_LINUX
    // by-id names the USB modems; their targets are the ttyUSB/ttyACM nodes.
    const QDir byId("/dev/serial/by-id");
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        add(link.canonicalFilePath().toStdString());
    }
#endif
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = info.portName();
#ifdef Q_OS_WIN
        add(name.toStdString());
#else
        if (name.startsWith("ttyUSB") || name.startsWith("ttyACM")) {
            add(info.systemLocation().toStdString());
        }
#endif
    }
    return ports;
}

std::string LastDiscoveryMessage() {
    return DiscoveryMessage();
}

namespace {

// The modem on `path`: the one open already, or one opened now that answers.
// Null on failure, with `hr` set and the reason in DiscoveryMessage().
std::shared_ptr<Modem> OpenModem(const std::string& path, const Timeouts& timeouts, HRESULT& hr) {
    if (auto open = FindOpenModem(path)) {
        open->RefreshAsync();
        return open;
    }
    std::string message;
    auto modem = Modem::Open(path, timeouts, &hr, &message);
    if (modem && !modem->Initialise()) {
        hr = E_FAIL;
        message = "No AT modem answers on " + path + ".";
        modem.reset();
    }
    if (!modem) {
        if (DiscoveryMessage().empty() || hr == E_ACCESSDENIED) {
            DiscoveryMessage() = message;
        }
        return nullptr;
    }
    RememberModem(modem);
    DiscoveryMessage() = ModemManagerWarning(path);
    return modem;
}

}  // namespace

std::vector<std::string> ModemPorts(const Timeouts& timeouts) {
    DiscoveryMessage().clear();
    std::vector<std::string> ports;
    std::vector<std::string> imeis;
    std::string warning;
    for (const std::string& path : CandidatePorts()) {
        HRESULT hr = S_OK;
        const std::shared_ptr<Modem> modem = OpenModem(path, timeouts, hr);
        if (!modem) {
            continue;
        }
        // Many USB modems answer AT on two ports: one modem, one route.
        const std::string& imei = modem->State().imei;
        if (!imei.empty() && std::find(imeis.begin(), imeis.end(), imei) != imeis.end()) {
            continue;
        }
        imeis.push_back(imei);
        ports.push_back(path);
        warning = DiscoveryMessage().empty() ? warning : DiscoveryMessage();
    }
    if (!ports.empty()) {
        DiscoveryMessage() = warning;
    } else if (DiscoveryMessage().empty()) {
        DiscoveryMessage() = "No modem found.";
    }
    return ports;
}

HRESULT CreateAtInterfaceManager(const std::string& selector, const Timeouts& timeouts,
                                 std::shared_ptr<IMbnInterfaceManager>* manager) {
    if (manager == nullptr) {
        return E_POINTER;
    }
    DiscoveryMessage().clear();
    if (selector == "sim") {
        DiscoveryMessage() =
            "The AT backend does not start the simulator: start vantorix-modemsim and name the "
            "port it prints.";
        return MBN_E_NO_BACKEND;
    }
    const bool automatic = selector == "auto" || selector.empty();
    const std::vector<std::string> paths = automatic ? CandidatePorts() : std::vector{selector};
    std::vector<std::shared_ptr<Modem>> modems;
    HRESULT failure = S_OK;
    for (const std::string& path : paths) {
        HRESULT hr = S_OK;
        if (auto modem = OpenModem(path, timeouts, hr)) {
            modems.push_back(modem);
            break;  // the first modem found
        }
        failure = hr;
    }
    if (modems.empty() && !automatic) {
        return failure;
    }
    if (modems.empty() && DiscoveryMessage().empty()) {
        DiscoveryMessage() = "No modem found.";
    }
    auto created = std::make_shared<AtInterfaceManager>(modems);
    created->Attach();
    *manager = std::move(created);
    return S_OK;
}

DeviceLink::BackendFactory MakeBackendFactory(Timeouts timeouts) {
    return [timeouts](const std::string& selector,
                      std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
        return CreateAtInterfaceManager(selector, timeouts, manager);
    };
}

}  // namespace At
