#include "device/winmbn/WinMbnBackend.h"

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "device/winmbn/ComRef.h"
#include "device/winmbn/EventRelay.h"
#include "device/winmbn/OleCalls.h"

#include <olectl.h>  // CONNECT_E_NOCONNECTION

namespace WinMbnBackend {
namespace {

// ---------------------------------------------------------------------------
// Arrays handed out by the platform.

// Destroys an array that the platform handed out, whatever path is taken.
class ArrayGuard {
public:
    explicit ArrayGuard(SAFEARRAY* array) : m_array(array) {}
    ~ArrayGuard() {
        if (m_array != nullptr) {
            Ole().destroyArray(m_array);
        }
    }
    ArrayGuard(const ArrayGuard&) = delete;
    ArrayGuard& operator=(const ArrayGuard&) = delete;

private:
    SAFEARRAY* m_array;
};

enum class ElementKind { Interface, String };

bool HoldsKind(SAFEARRAY* array, ElementKind kind) {
    VARTYPE type = VT_EMPTY;
    const bool typed = SUCCEEDED(SafeArrayGetVartype(array, &type));
    if (kind == ElementKind::Interface) {
        const bool interfaces = (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) != 0 ||
                                (typed && (type == VT_UNKNOWN || type == VT_DISPATCH));
        return interfaces && array->cbElements == sizeof(IUnknown*);
    }
    const bool strings = (array->fFeatures & FADF_BSTR) != 0 || (typed && type == VT_BSTR);
    return strings && array->cbElements == sizeof(BSTR);
}

// The bounds of a one-dimensional array of `kind`. An array of anything else
// is refused: fetching its elements as pointers would read foreign memory.
HRESULT ArrayBounds(SAFEARRAY* array, ElementKind kind, LONG* lower, LONG* upper) {
    if (array == nullptr) {
        return E_POINTER;
    }
    if (SafeArrayGetDim(array) != 1) {
        return E_INVALIDARG;
    }
    if (!HoldsKind(array, kind)) {
        return DISP_E_BADVARTYPE;
    }
    HRESULT hr = SafeArrayGetLBound(array, 1, lower);
    if (FAILED(hr)) {
        return hr;
    }
    return SafeArrayGetUBound(array, 1, upper);
}

// Calls `visit(index)` for every index from the lower to the upper bound,
// inclusive, without overflowing at the top of the LONG range; stops when
// `visit` returns false.
template <class Visit>
void ForEachIndex(LONG lower, LONG upper, Visit visit) {
    if (upper < lower) {
        return;
    }
    for (LONG index = lower;; ++index) {
        if (!visit(index) || index == upper) {
            break;
        }
    }
}

// Fetches an interface element, with its own reference; empty when it cannot
// be had.
ComRef<IUnknown> InterfaceElement(SAFEARRAY* array, LONG index) {
    IUnknown* element = nullptr;
    if (FAILED(Ole().getElement(array, &index, &element))) {
        return ComRef<IUnknown>();
    }
    return ComRef<IUnknown>::Attach(element);
}

std::u16string Utf8ToWide(const std::string& text) {
    if (text.empty()) {
        return std::u16string();
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return std::u16string();
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return std::u16string(wide.begin(), wide.end());
}

const wchar_t* Wide(const std::u16string& text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide strings are UTF-16");
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// ---------------------------------------------------------------------------
// The backend interface's objects over the platform's.

class ComSignal final : public DeviceLink::IMbnSignal {
public:
    explicit ComSignal(ComRef<WinMbn::IMbnSignal> signal) : m_signal(std::move(signal)) {}
    HRESULT GetSignalStrength(std::uint32_t* signalStrength) override {
        if (signalStrength == nullptr) {
            return E_POINTER;
        }
        ULONG strength = 0;
        const HRESULT hr = m_signal->GetSignalStrength(&strength);
        if (SUCCEEDED(hr)) {
            *signalStrength = strength;
        }
        return hr;
    }

private:
    ComRef<WinMbn::IMbnSignal> m_signal;
};

class ComSmsConfiguration final : public DeviceLink::IMbnSmsConfiguration {
public:
    explicit ComSmsConfiguration(ComRef<WinMbn::IMbnSmsConfiguration> config)
        : m_config(std::move(config)) {}
    HRESULT get_SmsFormat(DeviceLink::MBN_SMS_FORMAT* smsFormat) override {
        if (smsFormat == nullptr) {
            return E_POINTER;
        }
        WinMbn::MBN_SMS_FORMAT format = WinMbn::MBN_SMS_FORMAT_NONE;
        const HRESULT hr = m_config->get_SmsFormat(&format);
        if (SUCCEEDED(hr)) {
            *smsFormat = static_cast<DeviceLink::MBN_SMS_FORMAT>(format);
        }
        return hr;
    }
    HRESULT get_MaxMessageIndex(std::uint32_t* index) override {
        if (index == nullptr) {
            return E_POINTER;
        }
        ULONG value = 0;
        const HRESULT hr = m_config->get_MaxMessageIndex(&value);
        if (SUCCEEDED(hr)) {
            *index = value;
        }
        return hr;
    }
    HRESULT get_ServiceCenterAddress(std::u16string* address) override {
        if (address == nullptr) {
            return E_POINTER;
        }
        BSTR text = nullptr;
        const HRESULT hr = m_config->get_ServiceCenterAddress(&text);
        if (FAILED(hr)) {
            return hr;
        }
        *address = TakeBstr(text);
        return hr;
    }

private:
    ComRef<WinMbn::IMbnSmsConfiguration> m_config;
};

// A message of a read completion, copied while the event is being handled:
// the array and its elements are the platform's and are not kept.
class ReadMessageCopy final : public DeviceLink::IMbnSmsReadMsgPdu {
public:
    explicit ReadMessageCopy(WinMbn::IMbnSmsReadMsgPdu& message) {
        ULONG index = 0;
        m_hrIndex = message.get_Index(&index);
        m_index = index;
        WinMbn::MBN_MSG_STATUS status = WinMbn::MBN_MSG_STATUS_NEW;
        m_hrStatus = message.get_Status(&status);
        m_status = static_cast<std::uint32_t>(status);
        BSTR pdu = nullptr;
        m_hrPdu = message.get_PduData(&pdu);
        if (SUCCEEDED(m_hrPdu)) {
            m_pdu = TakeBstr(pdu);
        }
    }
    HRESULT get_Index(std::uint32_t* index) override { return Give(m_hrIndex, m_index, index); }
    HRESULT get_Status(std::uint32_t* status) override {
        return Give(m_hrStatus, m_status, status);
    }
    HRESULT get_PduData(std::u16string* pduData) override { return Give(m_hrPdu, m_pdu, pduData); }

private:
    template <class T>
    static HRESULT Give(HRESULT hr, const T& value, T* out) {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (SUCCEEDED(hr)) {
            *out = value;
        }
        return hr;
    }

    HRESULT m_hrIndex;
    std::uint32_t m_index = 0;
    HRESULT m_hrStatus;
    std::uint32_t m_status = 0;
    HRESULT m_hrPdu;
    std::u16string m_pdu;
};

// Copies the messages of an [in] array of a read event. An element that
// cannot be fetched or is not a PDU message becomes a null entry.
std::vector<std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>> CopyReadMessages(SAFEARRAY* array) {
    std::vector<std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>> messages;
    LONG lower = 0;
    LONG upper = -1;
    if (FAILED(ArrayBounds(array, ElementKind::Interface, &lower, &upper))) {
        return messages;
    }
    ForEachIndex(lower, upper, [&](LONG index) {
        ComRef<WinMbn::IMbnSmsReadMsgPdu> message =
            InterfaceElement(array, index)
                .As<WinMbn::IMbnSmsReadMsgPdu>(WinMbn::IID_IMbnSmsReadMsgPdu);
        if (message) {
            messages.push_back(std::make_shared<ReadMessageCopy>(*message.Get()));
        } else {
            messages.push_back(nullptr);
        }
        return true;
    });
    return messages;
}

// The kind of a received PDU (hexadecimal, service-centre field first) by
// its TP-MTI; none for an SMS-SUBMIT kept in the store or a PDU too short to
// say.
std::optional<ReceivedSms::Kind> ReceivedKind(const std::u16string& pdu) {
    auto octet = [&pdu](std::size_t at) -> int {
        if (pdu.size() < 2 * at + 2) {
            return -1;
        }
        int value = 0;
        for (const char16_t c : pdu.substr(2 * at, 2)) {
            const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                              : c >= u'A' && c <= u'F' ? c - u'A' + 10
                              : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                       : -1;
            if (digit < 0) {
                return -1;
            }
            value = value * 16 + digit;
        }
        return value;
    };
    const int scaLength = octet(0);
    const int first = scaLength < 0 ? -1 : octet(1 + static_cast<std::size_t>(scaLength));
    if (first < 0) {
        return std::nullopt;
    }
    switch (first & 0x03) {
        case 0:
            return ReceivedSms::Kind::Deliver;
        case 2:
            return ReceivedSms::Kind::StatusReport;
        default:
            return std::nullopt;
    }
}

// The messages of a read completion handed up one by one, to stay in the
// modem's store until the upper layer has kept them (SmsAcknowledge deletes
// them by index, which the handle carries: index + 1, never 0).
void HandUpReadMessages(
    DeviceLink::IMbnSmsEvents& sink, const std::shared_ptr<DeviceLink::IMbnSms>& sms,
    const std::vector<std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>>& messages) {
    for (const std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>& message : messages) {
        std::uint32_t index = 0;
        std::u16string pdu;
        if (!message || FAILED(message->get_Index(&index)) || FAILED(message->get_PduData(&pdu)) ||
            index == UINT32_MAX) {
            continue;
        }
        const std::optional<ReceivedSms::Kind> kind = ReceivedKind(pdu);
        if (!kind) {
            continue;
        }
        ReceivedSms received;
        received.kind = *kind;
        received.pdu.assign(pdu.begin(), pdu.end());  // hexadecimal: ASCII only
        received.memory = "MBN";
        received.index = index;
        received.handle = index + 1;
        sink.OnSmsReceived(sms, received);
    }
}

class ComSms final : public DeviceLink::IMbnSms {
public:
    explicit ComSms(ComRef<WinMbn::IMbnSms> sms) : m_sms(std::move(sms)) {}

    HRESULT GetSmsConfiguration(
        std::shared_ptr<DeviceLink::IMbnSmsConfiguration>* configuration) override {
        if (configuration == nullptr) {
            return E_POINTER;
        }
        ComRef<WinMbn::IMbnSmsConfiguration> config;
        const HRESULT hr = m_sms->GetSmsConfiguration(config.Put());
        if (FAILED(hr)) {
            return hr;
        }
        if (!config) {
            return E_POINTER;
        }
        *configuration = std::make_shared<ComSmsConfiguration>(std::move(config));
        return hr;
    }
    HRESULT GetSmsStatus(DeviceLink::MBN_SMS_STATUS_INFO* status) override {
        if (status == nullptr) {
            return E_POINTER;
        }
        WinMbn::MBN_SMS_STATUS_INFO info = {};
        const HRESULT hr = m_sms->GetSmsStatus(&info);
        if (SUCCEEDED(hr)) {
            status->flag = info.flag;
            status->messageIndex = info.messageIndex;
        }
        return hr;
    }
    HRESULT SmsSendPdu(const std::u16string& pduData, std::uint8_t size,
                       std::uint32_t* requestId) override {
        if (requestId == nullptr) {
            return E_POINTER;
        }
        ULONG id = 0;
        const HRESULT hr = m_sms->SmsSendPdu(Wide(pduData), size, &id);
        if (SUCCEEDED(hr)) {
            *requestId = id;
        }
        return hr;
    }
    HRESULT SmsRead(const DeviceLink::MBN_SMS_FILTER& filter, DeviceLink::MBN_SMS_FORMAT format,
                    std::uint32_t* requestId) override {
        if (requestId == nullptr) {
            return E_POINTER;
        }
        WinMbn::MBN_SMS_FILTER platformFilter = {};
        platformFilter.flag = static_cast<WinMbn::MBN_SMS_FLAG>(filter.flag);
        platformFilter.messageIndex = filter.messageIndex;
        ULONG id = 0;
        const HRESULT hr =
            m_sms->SmsRead(&platformFilter, static_cast<WinMbn::MBN_SMS_FORMAT>(format), &id);
        if (SUCCEEDED(hr)) {
            *requestId = id;
        }
        return hr;
    }
    // Deletes the message handed up with `handle` (its index + 1) from the
    // modem's store.
    HRESULT SmsAcknowledge(std::uint32_t handle) override {
        if (handle == 0) {
            return E_INVALIDARG;
        }
        WinMbn::MBN_SMS_FILTER filter = {};
        filter.flag = WinMbn::MBN_SMS_FLAG_INDEX;
        filter.messageIndex = handle - 1;
        ULONG id = 0;
        return m_sms->SmsDelete(&filter, &id);
    }
    std::shared_ptr<DeviceLink::IMbnSignal> QuerySignal() override {
        ComRef<WinMbn::IMbnSignal> signal = m_sms.As<WinMbn::IMbnSignal>(WinMbn::IID_IMbnSignal);
        if (!signal) {
            return nullptr;
        }
        return std::make_shared<ComSignal>(std::move(signal));
    }

private:
    ComRef<WinMbn::IMbnSms> m_sms;
};

std::shared_ptr<DeviceLink::IMbnSms> WrapSms(WinMbn::IMbnSms* sms) {
    if (sms == nullptr) {
        return nullptr;
    }
    return std::make_shared<ComSms>(ComRef<WinMbn::IMbnSms>::Share(sms));
}

class ComSubscriberInformation final : public DeviceLink::IMbnSubscriberInformation {
public:
    explicit ComSubscriberInformation(ComRef<WinMbn::IMbnSubscriberInformation> info)
        : m_info(std::move(info)) {}
    HRESULT get_SubscriberID(std::u16string* subscriberId) override {
        return String(&WinMbn::IMbnSubscriberInformation::get_SubscriberID, subscriberId);
    }
    HRESULT get_SimIccID(std::u16string* simIccId) override {
        return String(&WinMbn::IMbnSubscriberInformation::get_SimIccID, simIccId);
    }
    HRESULT get_TelephoneNumbers(std::vector<std::u16string>* telephoneNumbers) override {
        if (telephoneNumbers == nullptr) {
            return E_POINTER;
        }
        SAFEARRAY* array = nullptr;
        HRESULT hr = m_info->get_TelephoneNumbers(&array);
        if (FAILED(hr)) {
            return hr;
        }
        ArrayGuard guard(array);
        std::vector<std::u16string> numbers;
        if (array != nullptr) {
            LONG lower = 0;
            LONG upper = -1;
            hr = ArrayBounds(array, ElementKind::String, &lower, &upper);
            if (FAILED(hr)) {
                return hr;
            }
            // The walk ends at the first number that cannot be fetched.
            ForEachIndex(lower, upper, [&](LONG index) {
                BSTR number = nullptr;
                if (FAILED(Ole().getElement(array, &index, &number))) {
                    return false;
                }
                numbers.push_back(TakeBstr(number));
                return true;
            });
        }
        *telephoneNumbers = std::move(numbers);
        return S_OK;
    }

private:
    using Getter = HRESULT (STDMETHODCALLTYPE WinMbn::IMbnSubscriberInformation::*)(BSTR*);
    HRESULT String(Getter getter, std::u16string* out) {
        if (out == nullptr) {
            return E_POINTER;
        }
        BSTR text = nullptr;
        const HRESULT hr = (m_info.Get()->*getter)(&text);
        if (FAILED(hr)) {
            return hr;
        }
        *out = TakeBstr(text);
        return hr;
    }

    ComRef<WinMbn::IMbnSubscriberInformation> m_info;
};

class ComInterface final : public DeviceLink::IMbnInterface {
public:
    explicit ComInterface(ComRef<WinMbn::IMbnInterface> intf) : m_intf(std::move(intf)) {}

    HRESULT get_InterfaceID(std::u16string* interfaceId) override {
        if (interfaceId == nullptr) {
            return E_POINTER;
        }
        BSTR id = nullptr;
        const HRESULT hr = m_intf->get_InterfaceID(&id);
        if (FAILED(hr)) {
            return hr;
        }
        *interfaceId = TakeBstr(id);
        return hr;
    }
    HRESULT GetInterfaceCapability(DeviceLink::MBN_INTERFACE_CAPS* interfaceCaps) override {
        if (interfaceCaps == nullptr) {
            return E_POINTER;
        }
        WinMbn::MBN_INTERFACE_CAPS caps = {};
        const HRESULT hr = m_intf->GetInterfaceCapability(&caps);
        if (FAILED(hr)) {
            return hr;
        }
        DeviceLink::MBN_INTERFACE_CAPS copy;
        copy.cellularClass = static_cast<std::uint32_t>(caps.cellularClass);
        copy.voiceClass = static_cast<std::uint32_t>(caps.voiceClass);
        copy.dataClass = caps.dataClass;
        copy.customDataClass = TakeBstr(caps.customDataClass);
        copy.gsmBandClass = caps.gsmBandClass;
        copy.cdmaBandClass = caps.cdmaBandClass;
        copy.customBandClass = TakeBstr(caps.customBandClass);
        copy.smsCaps = caps.smsCaps;
        copy.controlCaps = caps.controlCaps;
        copy.deviceID = TakeBstr(caps.deviceID);
        copy.manufacturer = TakeBstr(caps.manufacturer);
        copy.model = TakeBstr(caps.model);
        copy.firmwareInfo = TakeBstr(caps.firmwareInfo);
        *interfaceCaps = std::move(copy);
        return hr;
    }
    HRESULT GetSubscriberInformation(
        std::shared_ptr<DeviceLink::IMbnSubscriberInformation>* subscriberInformation) override {
        if (subscriberInformation == nullptr) {
            return E_POINTER;
        }
        ComRef<WinMbn::IMbnSubscriberInformation> info;
        const HRESULT hr = m_intf->GetSubscriberInformation(info.Put());
        if (FAILED(hr)) {
            return hr;
        }
        if (!info) {
            return E_POINTER;
        }
        *subscriberInformation = std::make_shared<ComSubscriberInformation>(std::move(info));
        return hr;
    }
    HRESULT GetReadyState(DeviceLink::MBN_READY_STATE* readyState) override {
        if (readyState == nullptr) {
            return E_POINTER;
        }
        WinMbn::MBN_READY_STATE state = WinMbn::MBN_READY_STATE_OFF;
        const HRESULT hr = m_intf->GetReadyState(&state);
        if (SUCCEEDED(hr)) {
            *readyState = static_cast<DeviceLink::MBN_READY_STATE>(state);
        }
        return hr;
    }
    HRESULT GetHomeProvider(DeviceLink::MBN_PROVIDER* homeProvider) override {
        if (homeProvider == nullptr) {
            return E_POINTER;
        }
        WinMbn::MBN_PROVIDER provider = {};
        const HRESULT hr = m_intf->GetHomeProvider(&provider);
        if (FAILED(hr)) {
            return hr;
        }
        // S_FALSE included: whatever strings came with it are ours to free.
        DeviceLink::MBN_PROVIDER copy;
        copy.providerID = TakeBstr(provider.providerID);
        copy.providerState = provider.providerState;
        copy.providerName = TakeBstr(provider.providerName);
        copy.dataClass = provider.dataClass;
        *homeProvider = std::move(copy);
        return hr;
    }
    std::shared_ptr<DeviceLink::IMbnSms> QuerySms() override {
        ComRef<WinMbn::IMbnSms> sms = m_intf.As<WinMbn::IMbnSms>(WinMbn::IID_IMbnSms);
        if (!sms) {
            return nullptr;
        }
        return std::make_shared<ComSms>(std::move(sms));
    }

private:
    ComRef<WinMbn::IMbnInterface> m_intf;
};

// ---------------------------------------------------------------------------
// Events.

// The COM object that the platform calls. It only queues: the relay hands the
// events to the device link's sink from the owner thread's message loop.
class SmsEventSink final : public WinMbn::IMbnSmsEvents {
public:
    SmsEventSink(std::weak_ptr<EventRelay> relay, std::uint32_t id)
        : m_relay(std::move(relay)), m_id(id) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, WinMbn::IID_IMbnSmsEvents)) {
            *object = static_cast<WinMbn::IMbnSmsEvents*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) {
            delete this;
        }
        return static_cast<ULONG>(refs);
    }

    HRESULT STDMETHODCALLTYPE OnSmsConfigurationChange(WinMbn::IMbnSms* sms) override {
        Queue([layerSms = WrapSms(sms)](DeviceLink::IMbnSmsEvents& sink) {
            sink.OnSmsConfigurationChange(layerSms);
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSetSmsConfigurationComplete(WinMbn::IMbnSms* sms, ULONG requestID,
                                                            HRESULT status) override {
        Queue([layerSms = WrapSms(sms), requestID, status](DeviceLink::IMbnSmsEvents& sink) {
            sink.OnSetSmsConfigurationComplete(layerSms, requestID, status);
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSmsSendComplete(WinMbn::IMbnSms* sms, ULONG requestID,
                                                HRESULT status) override {
        Queue([layerSms = WrapSms(sms), requestID, status](DeviceLink::IMbnSmsEvents& sink) {
            sink.OnSmsSendComplete(layerSms, requestID, status);
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSmsReadComplete(WinMbn::IMbnSms* sms,
                                                WinMbn::MBN_SMS_FORMAT smsFormat,
                                                SAFEARRAY* readMsgs, VARIANT_BOOL moreMsgs,
                                                ULONG requestID, HRESULT status) override {
        Queue([layerSms = WrapSms(sms), format = static_cast<DeviceLink::MBN_SMS_FORMAT>(smsFormat),
               messages = CopyReadMessages(readMsgs), more = moreMsgs != VARIANT_FALSE, requestID,
               status](DeviceLink::IMbnSmsEvents& sink) {
            sink.OnSmsReadComplete(layerSms, format, messages, more, requestID, status);
            if (SUCCEEDED(status) && format == DeviceLink::MBN_SMS_FORMAT_PDU) {
                HandUpReadMessages(sink, layerSms, messages);
            }
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSmsNewClass0Message(WinMbn::IMbnSms* sms,
                                                    WinMbn::MBN_SMS_FORMAT smsFormat,
                                                    SAFEARRAY* readMsgs) override {
        Queue([layerSms = WrapSms(sms), format = static_cast<DeviceLink::MBN_SMS_FORMAT>(smsFormat),
               messages = CopyReadMessages(readMsgs)](DeviceLink::IMbnSmsEvents& sink) {
            sink.OnSmsNewClass0Message(layerSms, format, messages);
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSmsDeleteComplete(WinMbn::IMbnSms* sms, ULONG requestID,
                                                  HRESULT status) override {
        Queue([layerSms = WrapSms(sms), requestID, status](DeviceLink::IMbnSmsEvents& sink) {
            sink.OnSmsDeleteComplete(layerSms, requestID, status);
        });
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnSmsStatusChange(WinMbn::IMbnSms* sms) override {
        Queue([layerSms = WrapSms(sms)](DeviceLink::IMbnSmsEvents& sink) {
            sink.OnSmsStatusChange(layerSms);
        });
        return S_OK;
    }

private:
    ~SmsEventSink() = default;

    void Queue(EventRelay::Event event) {
        if (std::shared_ptr<EventRelay> relay = m_relay.lock()) {
            relay->Post(m_id, std::move(event));
        }
    }

    LONG m_refs = 1;
    std::weak_ptr<EventRelay> m_relay;
    std::uint32_t m_id;
};

class ComManager final : public DeviceLink::IMbnInterfaceManager {
public:
    ComManager(ComRef<WinMbn::IMbnInterfaceManager> manager, std::u16string interfaceId)
        : m_manager(std::move(manager)), m_interfaceId(std::move(interfaceId)) {}

    ~ComManager() override {
        // Registrations a sink forgot: the platform must not keep calling
        // into a relay and sinks that are going away.
        std::vector<std::uint32_t> cookies;
        for (const auto& registration : m_registrations) {
            cookies.push_back(registration.first);
        }
        for (std::uint32_t cookie : cookies) {
            Unadvise(cookie);
        }
    }

    HRESULT GetInterfaces(
        std::vector<std::shared_ptr<DeviceLink::IMbnInterface>>* interfaces) override {
        if (interfaces == nullptr) {
            return E_POINTER;
        }
        if (!m_interfaceId.empty()) {
            return GetNamedInterface(interfaces);
        }

        SAFEARRAY* array = nullptr;
        HRESULT hr = m_manager->GetInterfaces(&array);
        if (FAILED(hr)) {
            return hr;
        }
        ArrayGuard guard(array);
        std::vector<std::shared_ptr<DeviceLink::IMbnInterface>> result;
        if (array != nullptr) {
            LONG lower = 0;
            LONG upper = -1;
            hr = ArrayBounds(array, ElementKind::Interface, &lower, &upper);
            if (FAILED(hr)) {
                return hr;
            }
            // An element that cannot be had stays in its place as a null
            // entry (the device link ends its walk there).
            ForEachIndex(lower, upper, [&](LONG index) {
                ComRef<WinMbn::IMbnInterface> intf =
                    InterfaceElement(array, index)
                        .As<WinMbn::IMbnInterface>(WinMbn::IID_IMbnInterface);
                if (intf) {
                    result.push_back(std::make_shared<ComInterface>(std::move(intf)));
                } else {
                    result.push_back(nullptr);
                }
                return true;
            });
        }
        *interfaces = std::move(result);
        return S_OK;
    }

    HRESULT Advise(DeviceLink::IMbnSmsEvents* sink, std::uint32_t* cookie) override {
        if (sink == nullptr || cookie == nullptr) {
            return E_POINTER;
        }
        if (!m_relay) {
            const HRESULT hr = EventRelay::Create(&m_relay);
            if (FAILED(hr)) {
                return hr;
            }
        }
        ComRef<IConnectionPointContainer> container =
            m_manager.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
        if (!container) {
            return E_NOINTERFACE;
        }
        ComRef<IConnectionPoint> point;
        HRESULT hr = container->FindConnectionPoint(WinMbn::IID_IMbnSmsEvents, point.Put());
        if (FAILED(hr)) {
            return hr;
        }
        if (!point) {
            return E_POINTER;
        }

        const std::uint32_t id = NextCookie();
        ComRef<SmsEventSink> comSink = ComRef<SmsEventSink>::Attach(new SmsEventSink(m_relay, id));
        DWORD comCookie = 0;
        hr = point->Advise(static_cast<IUnknown*>(comSink.Get()), &comCookie);
        if (FAILED(hr)) {
            return hr;
        }

        m_relay->AddSink(id, sink);
        sink->AddRef();
        m_registrations[id] = Registration{std::move(point), comCookie, sink};
        *cookie = id;
        ReadWaitingMessages();
        return S_OK;
    }

    HRESULT Unadvise(std::uint32_t cookie) override {
        const auto found = m_registrations.find(cookie);
        if (found == m_registrations.end()) {
            return CONNECT_E_NOCONNECTION;
        }
        Registration registration = std::move(found->second);
        m_registrations.erase(found);
        // Whatever the platform answers, nothing more reaches the sink.
        const HRESULT hr = registration.point->Unadvise(registration.comCookie);
        m_relay->RemoveSink(cookie);
        registration.sink->Release();
        return hr;
    }

private:
    struct Registration {
        ComRef<IConnectionPoint> point;
        DWORD comCookie = 0;
        DeviceLink::IMbnSmsEvents* sink = nullptr;
    };

    HRESULT GetNamedInterface(std::vector<std::shared_ptr<DeviceLink::IMbnInterface>>* interfaces) {
        ComRef<WinMbn::IMbnInterface> intf;
        const HRESULT hr = m_manager->GetInterface(Wide(m_interfaceId), intf.Put());
        std::vector<std::shared_ptr<DeviceLink::IMbnInterface>> result;
        if (hr == HRESULT_FROM_WIN32(ERROR_NOT_FOUND)) {
            // Not plugged in (yet): no modem rather than a failure.
        } else if (FAILED(hr)) {
            return hr;
        } else if (intf) {
            result.push_back(std::make_shared<ComInterface>(std::move(intf)));
        }
        *interfaces = std::move(result);
        return S_OK;
    }

    // Messages that arrived while nobody listened: every modem's store is
    // read once in PDU format; the completion hands them up like new ones.
    // A modem that cannot (text format only, no store) is left alone.
    void ReadWaitingMessages() {
        std::vector<std::shared_ptr<DeviceLink::IMbnInterface>> interfaces;
        if (FAILED(GetInterfaces(&interfaces))) {
            return;
        }
        for (const std::shared_ptr<DeviceLink::IMbnInterface>& intf : interfaces) {
            if (std::shared_ptr<DeviceLink::IMbnSms> sms = intf ? intf->QuerySms() : nullptr) {
                DeviceLink::MBN_SMS_FILTER filter;
                filter.flag = DeviceLink::MBN_SMS_FLAG_ALL;
                filter.messageIndex = 0;
                std::uint32_t requestId = 0;
                sms->SmsRead(filter, DeviceLink::MBN_SMS_FORMAT_PDU, &requestId);
            }
        }
    }

    std::uint32_t NextCookie() {
        do {
            ++m_lastCookie;
        } while (m_lastCookie == 0 || m_registrations.count(m_lastCookie) != 0);
        return m_lastCookie;
    }

    ComRef<WinMbn::IMbnInterfaceManager> m_manager;
    std::u16string m_interfaceId;  // empty: every interface
    std::shared_ptr<EventRelay> m_relay;
    std::map<std::uint32_t, Registration> m_registrations;
    std::uint32_t m_lastCookie = 0;
};

}  // namespace

HRESULT CreatePlatformManager(WinMbn::IMbnInterfaceManager** manager) {
    if (manager == nullptr) {
        return E_POINTER;
    }
    *manager = nullptr;
    return CoCreateInstance(WinMbn::CLSID_MbnInterfaceManager, nullptr, CLSCTX_ALL,
                            WinMbn::IID_IMbnInterfaceManager, reinterpret_cast<void**>(manager));
}

std::shared_ptr<DeviceLink::IMbnInterfaceManager> WrapManager(WinMbn::IMbnInterfaceManager* manager,
                                                              const std::string& selector) {
    if (manager == nullptr) {
        return nullptr;
    }
    std::u16string interfaceId;
    if (!selector.empty() && selector != "auto") {
        interfaceId = Utf8ToWide(selector);
    }
    return std::make_shared<ComManager>(ComRef<WinMbn::IMbnInterfaceManager>::Share(manager),
                                        std::move(interfaceId));
}

DeviceLink::BackendFactory MakeBackendFactory(PlatformManagerCreator creator) {
    return [creator = std::move(creator)](
               const std::string& selector,
               std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) -> HRESULT {
        if (manager == nullptr) {
            return E_POINTER;
        }
        if (!creator) {
            return DeviceLink::MBN_E_NO_BACKEND;
        }
        WinMbn::IMbnInterfaceManager* raw = nullptr;
        const HRESULT hr = creator(&raw);
        if (FAILED(hr)) {
            return hr;  // an [out] pointer is not the caller's after a failure
        }
        if (raw == nullptr) {
            return E_POINTER;
        }
        ComRef<WinMbn::IMbnInterfaceManager> owned =
            ComRef<WinMbn::IMbnInterfaceManager>::Attach(raw);
        *manager = WrapManager(owned.Get(), selector);
        return S_OK;
    };
}

}  // namespace WinMbnBackend
