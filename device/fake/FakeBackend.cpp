#include "device/fake/FakeBackend.h"

#include <algorithm>

using namespace DeviceLink;

namespace FakeBackend {

HRESULT FakeSignal::GetSignalStrength(std::uint32_t* signalStrength) {
    if (SUCCEEDED(result)) {
        *signalStrength = strength;
    }
    return result;
}

HRESULT FakeSmsConfiguration::get_SmsFormat(MBN_SMS_FORMAT* smsFormat) {
    if (SUCCEEDED(formatResult)) {
        *smsFormat = format;
    }
    return formatResult;
}

HRESULT FakeSmsConfiguration::get_MaxMessageIndex(std::uint32_t* index) {
    if (SUCCEEDED(maxIndexResult)) {
        *index = maxMessageIndex;
    }
    return maxIndexResult;
}

HRESULT FakeSmsConfiguration::get_ServiceCenterAddress(std::u16string* address) {
    if (SUCCEEDED(serviceCenterResult)) {
        *address = serviceCenter;
    }
    return serviceCenterResult;
}

HRESULT FakeReadMsgPdu::get_Index(std::uint32_t* value) {
    *value = index;
    return S_OK;
}

HRESULT FakeReadMsgPdu::get_Status(std::uint32_t* value) {
    *value = 0;
    return S_OK;
}

HRESULT FakeReadMsgPdu::get_PduData(std::u16string* value) {
    if (SUCCEEDED(pduResult)) {
        *value = pduData;
    }
    return pduResult;
}

FakeSms::FakeSms() : configuration(std::make_shared<FakeSmsConfiguration>()) {}

HRESULT FakeSms::GetSmsConfiguration(std::shared_ptr<IMbnSmsConfiguration>* value) {
    if (gone) {
        return VTX_E_MODEM_GONE;
    }
    if (SUCCEEDED(configurationResult)) {
        *value = configuration;
    }
    return configurationResult;
}

HRESULT FakeSms::GetSmsStatus(MBN_SMS_STATUS_INFO* value) {
    if (gone) {
        return VTX_E_MODEM_GONE;
    }
    if (SUCCEEDED(statusResult)) {
        *value = status;
    }
    return statusResult;
}

HRESULT FakeSms::SmsSendPdu(const std::u16string& pduData, std::uint8_t size,
                            std::uint32_t* requestId) {
    if (gone) {
        return VTX_E_MODEM_GONE;
    }
    if (maxOutstanding != 0 && outstanding.size() >= maxOutstanding) {
        return VTX_E_MODEM_BUSY;
    }
    if (FAILED(sendResult)) {
        return sendResult;
    }
    const std::uint32_t id = nextRequestId++;
    sent.push_back(SentPdu{pduData, size, id});
    outstanding.push_back(id);
    *requestId = id;
    return sendResult;
}

HRESULT FakeSms::SmsAcknowledge(std::uint32_t handle) {
    acknowledged.push_back(handle);
    return S_OK;
}

HRESULT FakeSms::SmsRead(const MBN_SMS_FILTER& filter, MBN_SMS_FORMAT format,
                         std::uint32_t* requestId) {
    if (gone) {
        return VTX_E_MODEM_GONE;
    }
    if (FAILED(readResult)) {
        return readResult;
    }
    const std::uint32_t id = nextRequestId++;
    reads.push_back(ReadRequest{filter, format, id});
    *requestId = id;
    return readResult;
}

std::shared_ptr<IMbnSignal> FakeSms::QuerySignal() {
    return signal;
}

HRESULT FakeSubscriberInformation::get_SubscriberID(std::u16string* value) {
    if (SUCCEEDED(subscriberIdResult)) {
        *value = subscriberId;
    }
    return subscriberIdResult;
}

HRESULT FakeSubscriberInformation::get_SimIccID(std::u16string* value) {
    if (SUCCEEDED(simIccIdResult)) {
        *value = simIccId;
    }
    return simIccIdResult;
}

HRESULT FakeSubscriberInformation::get_TelephoneNumbers(std::vector<std::u16string>* value) {
    if (SUCCEEDED(telephoneNumbersResult)) {
        *value = telephoneNumbers;
    }
    return telephoneNumbersResult;
}

std::shared_ptr<FakeInterface> FakeInterface::Modem(std::u16string id, std::u16string provider,
                                                    std::u16string serviceCenter) {
    auto intf = std::make_shared<FakeInterface>();
    intf->interfaceId = std::move(id);
    intf->readyState = MBN_READY_STATE_INITIALIZED;
    intf->providerResult = S_OK;
    intf->provider.providerName = std::move(provider);
    intf->subscriber = std::make_shared<FakeSubscriberInformation>();
    intf->caps.cellularClass = MBN_CELLULAR_CLASS_GSM;
    intf->caps.voiceClass = MBN_VOICE_CLASS_NO_VOICE;
    intf->caps.smsCaps = MBN_SMS_CAPS_PDU_RECEIVE | MBN_SMS_CAPS_PDU_SEND;
    intf->sms = std::make_shared<FakeSms>();
    intf->sms->configuration->format = MBN_SMS_FORMAT_PDU;
    intf->sms->configuration->serviceCenter = std::move(serviceCenter);
    return intf;
}

HRESULT FakeInterface::get_InterfaceID(std::u16string* value) {
    *value = interfaceId;
    return S_OK;
}

HRESULT FakeInterface::GetInterfaceCapability(MBN_INTERFACE_CAPS* value) {
    if (SUCCEEDED(capsResult)) {
        *value = caps;
    }
    return capsResult;
}

HRESULT FakeInterface::GetSubscriberInformation(std::shared_ptr<IMbnSubscriberInformation>* value) {
    if (SUCCEEDED(subscriberResult)) {
        *value = subscriber;
    }
    return subscriberResult;
}

HRESULT FakeInterface::GetReadyState(MBN_READY_STATE* value) {
    if (SUCCEEDED(readyStateResult)) {
        *value = readyState;
    }
    return readyStateResult;
}

HRESULT FakeInterface::GetHomeProvider(MBN_PROVIDER* value) {
    // Like the platform, S_FALSE hands out a provider record that means nothing.
    if (providerResult == S_FALSE) {
        *value = MBN_PROVIDER{};
        value->providerName = u"(not meaningful)";
    } else if (SUCCEEDED(providerResult)) {
        *value = provider;
    }
    return providerResult;
}

std::shared_ptr<IMbnSms> FakeInterface::QuerySms() {
    return sms;
}

HRESULT FakeInterfaceManager::GetInterfaces(std::vector<std::shared_ptr<IMbnInterface>>* value) {
    if (FAILED(interfacesResult)) {
        return interfacesResult;
    }
    value->assign(interfaces.begin(), interfaces.end());
    return interfacesResult;
}

HRESULT FakeInterfaceManager::Advise(IMbnSmsEvents* sink, std::uint32_t* cookie) {
    if (sink == nullptr || cookie == nullptr) {
        return E_POINTER;
    }
    if (FAILED(adviseResult)) {
        return adviseResult;
    }
    const std::uint32_t id = m_nextCookie++;
    m_sinks[id] = sink;
    sink->AddRef();
    *cookie = id;
    return S_OK;
}

HRESULT FakeInterfaceManager::Unadvise(std::uint32_t cookie) {
    ++m_unadviseCalls;
    auto found = m_sinks.find(cookie);
    if (found == m_sinks.end()) {
        return E_INVALIDARG;
    }
    IMbnSmsEvents* sink = found->second;
    m_sinks.erase(found);
    sink->Release();
    return S_OK;
}

bool FakeInterfaceManager::CompleteOldestSend(const std::shared_ptr<FakeSms>& sms, HRESULT status) {
    if (sms->outstanding.empty()) {
        return false;
    }
    return CompleteSend(sms, sms->outstanding.front(), status);
}

bool FakeInterfaceManager::CompleteSend(const std::shared_ptr<FakeSms>& sms,
                                        std::uint32_t requestId, HRESULT status) {
    auto found = std::find(sms->outstanding.begin(), sms->outstanding.end(), requestId);
    if (found == sms->outstanding.end()) {
        return false;
    }
    sms->outstanding.erase(found);
    const std::map<std::uint32_t, IMbnSmsEvents*> sinks = m_sinks;
    for (auto& entry : sinks) {
        entry.second->OnSmsSendComplete(sms, requestId, status);
    }
    return true;
}

void FakeInterfaceManager::FireStatusChange(const std::shared_ptr<FakeSms>& sms) {
    const std::map<std::uint32_t, IMbnSmsEvents*> sinks = m_sinks;
    for (auto& entry : sinks) {
        entry.second->OnSmsStatusChange(sms);
    }
}

void FakeInterfaceManager::FireSendReference(const std::shared_ptr<FakeSms>& sms,
                                             std::uint32_t requestId, std::uint8_t tpMr) {
    const std::map<std::uint32_t, IMbnSmsEvents*> sinks = m_sinks;
    for (auto& entry : sinks) {
        entry.second->OnSmsSendReference(sms, requestId, tpMr);
    }
}

void FakeInterfaceManager::FireReceived(const std::shared_ptr<FakeSms>& sms,
                                        const ReceivedSms& message) {
    const std::map<std::uint32_t, IMbnSmsEvents*> sinks = m_sinks;
    for (auto& entry : sinks) {
        entry.second->OnSmsReceived(sms, message);
    }
}

void FakeInterfaceManager::FireReadComplete(
    const std::shared_ptr<FakeSms>& sms, MBN_SMS_FORMAT format,
    const std::vector<std::shared_ptr<IMbnSmsReadMsgPdu>>& messages, std::uint32_t requestId,
    HRESULT status) {
    const std::map<std::uint32_t, IMbnSmsEvents*> sinks = m_sinks;
    for (auto& entry : sinks) {
        entry.second->OnSmsReadComplete(sms, format, messages, false, requestId, status);
    }
}

std::function<HRESULT(std::shared_ptr<IMbnInterfaceManager>*)> FakePlatform::Factory() {
    return [this](std::shared_ptr<IMbnInterfaceManager>* out) -> HRESULT {
        ++creations;
        if (FAILED(createResult)) {
            return createResult;
        }
        *out = manager;
        return S_OK;
    };
}

}  // namespace FakeBackend
