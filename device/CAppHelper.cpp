#include "device/CAppHelper.h"

#include "pdu/Hex.h"

#include <utility>

using namespace DeviceLink;

namespace {

// Lower-case hexadecimal without leading zeros, as "%x" prints it.
std::u16string LowerHex(std::uint32_t value) {
    static const char16_t digits[] = u"0123456789abcdef";
    std::u16string text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

}  // namespace

CAppHelper::CAppHelper(ManagerFactory factory) : m_factory(std::move(factory)) {}

CAppHelper::~CAppHelper() {
    Unadvise();
    m_pInterfaceManager.reset();
    m_pSms.reset();
}

void CAppHelper::Unadvise() {
    if (m_pConnectionPoint) {
        m_pConnectionPoint->Unadvise(m_dwCookie);
        m_pConnectionPoint.reset();
    }
}

void CAppHelper::ResetDeviceInfo() {
    m_bCanSendPdu = false;
    m_nReadyState = MBN_READY_STATE_OFF;
    m_nSmsFormat = MBN_SMS_FORMAT_NONE;
    m_nMaxMessageIndex = 0;
    m_strServiceCenter.clear();
    m_strProviderName = u"Mobile Operator Name";
    m_strSimIccId.clear();
    m_strSubscriberId.clear();
    m_strTelephoneNumbers.clear();
    m_strCellularClass.clear();
    m_strVoiceClass.clear();
    m_strSmsCaps.clear();
    m_strModel.clear();
    m_strFirmwareInfo.clear();
    m_strManufacturer.clear();
    m_nSignalStrength = 0;
    m_smsStatus = MBN_SMS_STATUS_INFO{};
}

bool CAppHelper::CreateInterfaceManager() {
    ResetDeviceInfo();
    Unadvise();
    m_pInterfaceManager.reset();
    if (!m_factory) {
        return false;
    }
    std::shared_ptr<IMbnInterfaceManager> manager;
    const HRESULT hr = m_factory(&manager);
    if (FAILED(hr) || !manager) {
        return false;
    }
    m_pInterfaceManager = std::move(manager);
    return true;
}

HRESULT CAppHelper::RefreshInterfaces() {
    if (!m_pInterfaceManager) {
        return E_POINTER;
    }
    std::vector<std::shared_ptr<IMbnInterface>> interfaces;
    HRESULT hr = m_pInterfaceManager->GetInterfaces(&interfaces);
    if (FAILED(hr)) {
        return hr;
    }

    hr = S_OK;
    for (std::shared_ptr<IMbnInterface>& intf : interfaces) {
        if (!intf) {
            hr = E_POINTER;  // an element that cannot be had ends the walk
            break;
        }
        ReadStateAndProvider(*intf);
        ReadSubscriberInformation(*intf);
        ReadInterfaceCapability(*intf);
        if (std::shared_ptr<IMbnSms> sms = intf->QuerySms()) {
            m_pSms = std::move(sms);
            MBN_SMS_STATUS_INFO status;
            if (SUCCEEDED(m_pSms->GetSmsStatus(&status))) {
                m_smsStatus = status;
            }
            ReadSignalStrength(*m_pSms);
            ReadSmsConfiguration(*m_pSms);
        }
        intf.reset();
    }
    return hr;
}

void CAppHelper::ReadStateAndProvider(IMbnInterface& intf) {
    MBN_READY_STATE readyState = MBN_READY_STATE_OFF;
    if (SUCCEEDED(intf.GetReadyState(&readyState))) {
        m_nReadyState = readyState;
    }
    MBN_PROVIDER provider;
    // S_FALSE (provider not known yet) keeps the name we have.
    if (intf.GetHomeProvider(&provider) == S_OK) {
        m_strProviderName = provider.providerName;
    }
}

void CAppHelper::ReadSubscriberInformation(IMbnInterface& intf) {
    std::shared_ptr<IMbnSubscriberInformation> info;
    if (FAILED(intf.GetSubscriberInformation(&info)) || !info) {
        return;
    }
    std::u16string text;
    if (SUCCEEDED(info->get_SimIccID(&text))) {
        m_strSimIccId = text;
    }
    if (SUCCEEDED(info->get_SubscriberID(&text))) {
        m_strSubscriberId = text;
    }
    std::vector<std::u16string> numbers;
    if (SUCCEEDED(info->get_TelephoneNumbers(&numbers))) {
        // This interface's numbers replace those of an earlier interface.
        m_strTelephoneNumbers.clear();
        for (const std::u16string& number : numbers) {
            m_strTelephoneNumbers += number;
        }
    }
}

void CAppHelper::ReadInterfaceCapability(IMbnInterface& intf) {
    MBN_INTERFACE_CAPS caps;
    if (FAILED(intf.GetInterfaceCapability(&caps))) {
        return;
    }

    switch (caps.cellularClass) {
        case MBN_CELLULAR_CLASS_NONE:
            m_strCellularClass = u"None";
            break;
        case MBN_CELLULAR_CLASS_GSM:
            m_strCellularClass = u"GSM";
            break;
        case MBN_CELLULAR_CLASS_CDMA:
            m_strCellularClass = u"CDMA";
            break;
        default:
            break;
    }
    switch (caps.voiceClass) {
        case MBN_VOICE_CLASS_NONE:
            m_strVoiceClass = u"None";
            break;
        case MBN_VOICE_CLASS_NO_VOICE:
            m_strVoiceClass = u"No Voice";
            break;
        case MBN_VOICE_CLASS_SEPARATE_VOICE_DATA:
            m_strVoiceClass = u"Seperate Voice Data";
            break;
        case MBN_VOICE_CLASS_SIMULTANEOUS_VOICE_DATA:
            m_strVoiceClass = u"Simultaneous Voice Data";
            break;
        default:
            break;
    }

    // The text describes this interface's capabilities only.
    m_strSmsCaps.clear();
    if (caps.smsCaps & MBN_SMS_CAPS_PDU_RECEIVE) {
        m_strSmsCaps = u"SMS (PDU) Receive ";
    }
    if (caps.smsCaps & MBN_SMS_CAPS_PDU_SEND) {
        m_strSmsCaps += u"SMS (PDU) Send ";
        m_bCanSendPdu = true;
    } else {
        m_bCanSendPdu = false;
    }
    if (caps.smsCaps & MBN_SMS_CAPS_TEXT_RECEIVE) {
        m_strSmsCaps += u"SMS (Text) Receive ";
    }
    if (caps.smsCaps & MBN_SMS_CAPS_TEXT_SEND) {
        m_strSmsCaps += u"SMS (Text) Send ";
    }

    m_strModel = caps.model;
    m_strManufacturer = caps.manufacturer;
    m_strFirmwareInfo = caps.firmwareInfo;
}

void CAppHelper::ReadSignalStrength(IMbnSms& sms) {
    std::shared_ptr<IMbnSignal> signal = sms.QuerySignal();
    if (!signal) {
        return;
    }
    std::uint32_t strength = 0;
    if (SUCCEEDED(signal->GetSignalStrength(&strength))) {
        m_nSignalStrength = strength;
    }
}

void CAppHelper::ReadSmsConfiguration(IMbnSms& sms) {
    std::shared_ptr<IMbnSmsConfiguration> config;
    if (FAILED(sms.GetSmsConfiguration(&config)) || !config) {
        return;
    }
    MBN_SMS_FORMAT format = MBN_SMS_FORMAT_NONE;
    if (SUCCEEDED(config->get_SmsFormat(&format))) {
        m_nSmsFormat = format;
    }
    std::uint32_t maxIndex = 0;
    if (SUCCEEDED(config->get_MaxMessageIndex(&maxIndex))) {
        m_nMaxMessageIndex = maxIndex;
    }
    std::u16string address;
    if (SUCCEEDED(config->get_ServiceCenterAddress(&address))) {
        m_strServiceCenter = address;
    }
}

void CAppHelper::ListenForSmsEvents() {
    m_hrListen = S_OK;
    m_strListenError.clear();
    if (m_nReadyState != MBN_READY_STATE_INITIALIZED) {
        return;
    }
    // A registration still held would deliver every event twice.
    Unadvise();
    if (!m_pInterfaceManager) {
        return;
    }
    std::uint32_t cookie = 0;
    const HRESULT hr = m_pInterfaceManager->Advise(this, &cookie);
    if (FAILED(hr)) {
        m_hrListen = hr;
        m_strListenError = u"Could Not Listen to SMS Messages Received.\nError Code " +
                           LowerHex(static_cast<std::uint32_t>(hr)) + u".";
        return;
    }
    m_dwCookie = cookie;
    m_pConnectionPoint = m_pInterfaceManager;
}

std::u16string CAppHelper::ReadyStateText(std::uint32_t readyState) {
    switch (readyState) {
        case MBN_READY_STATE_OFF:
            return u"Device Off";
        case MBN_READY_STATE_INITIALIZED:
            return u"Device Initialised";
        case MBN_READY_STATE_SIM_NOT_INSERTED:
            return u"SIM Not Inserted";
        case MBN_READY_STATE_BAD_SIM:
            return u"Bad SIM";
        case MBN_READY_STATE_FAILURE:
            return u"Failure In Reading State";
        case MBN_READY_STATE_NOT_ACTIVATED:
            return u"Device Not Activated";
        case MBN_READY_STATE_DEVICE_LOCKED:
            return u"Device Locked";
        case MBN_READY_STATE_DEVICE_BLOCKED:
            return u"Device Blocked";
        default:
            return std::u16string();
    }
}

void CAppHelper::GetReadyStateText(std::u16string& text) const {
    text = ReadyStateText(m_nReadyState);
}

bool CAppHelper::CanSendSms(std::u16string& reason) const {
    return CanSendSmsWith(m_nSmsFormat, m_bCanSendPdu, reason);
}

bool CAppHelper::CanSendSmsWith(std::uint32_t smsFormat, bool canSendPdu, std::u16string& reason) {
    reason.clear();
    switch (smsFormat) {
        case MBN_SMS_FORMAT_NONE:
            reason = u"Could not Locate SMS Device to Send / Receive SMS Message(s).";
            return false;
        case MBN_SMS_FORMAT_PDU:
            if (canSendPdu) {
                return true;
            }
            reason = u"Device Does not Supports Sending SMS Messages in PDU Format.";
            return false;
        default:
            reason = u"SMS Format " + LowerHex(smsFormat) +
                     u" Not Supported to send / Receive SMS Message(s).";
            return false;
    }
}

bool CAppHelper::TpduOctetCount(const std::u16string& pdu, std::uint8_t* count) {
    std::string narrow;
    narrow.reserve(pdu.size());
    for (const char16_t c : pdu) {
        if (c > 0x7F) {
            return false;
        }
        narrow.push_back(static_cast<char>(c));
    }
    const int octets = PduLib::TpduLength(narrow);
    if (octets < 1 || octets > 255) {
        return false;
    }
    *count = static_cast<std::uint8_t>(octets);
    return true;
}

HRESULT CAppHelper::SendPdu(const std::u16string& /*number*/, const std::u16string& pdu,
                            std::uint32_t* requestId) {
    if (!m_pSms) {
        return E_FAIL;
    }
    if (requestId == nullptr) {
        return E_POINTER;
    }
    std::uint8_t size = 0;
    if (!TpduOctetCount(pdu, &size)) {
        return E_INVALIDARG;
    }
    return m_pSms->SmsSendPdu(pdu, size, requestId);
}

long CAppHelper::AddRef() {
    return ++m_nRefCount;
}

long CAppHelper::Release() {
    return --m_nRefCount;
}

HRESULT CAppHelper::OnSmsConfigurationChange(const std::shared_ptr<IMbnSms>&) {
    return S_OK;
}

HRESULT CAppHelper::OnSetSmsConfigurationComplete(const std::shared_ptr<IMbnSms>&, std::uint32_t,
                                                  HRESULT) {
    return S_OK;
}

HRESULT CAppHelper::OnSmsSendComplete(const std::shared_ptr<IMbnSms>&, std::uint32_t requestId,
                                      HRESULT status) {
    if (m_pEventPoster != nullptr) {
        m_pEventPoster->PostSmsSendResult(requestId, status);
    }
    return S_OK;
}

HRESULT CAppHelper::OnSmsReadComplete(
    const std::shared_ptr<IMbnSms>&, MBN_SMS_FORMAT smsFormat,
    const std::vector<std::shared_ptr<IMbnSmsReadMsgPdu>>& messages, bool, std::uint32_t, HRESULT) {
    if (smsFormat != MBN_SMS_FORMAT_PDU) {
        return S_OK;
    }
    for (const std::shared_ptr<IMbnSmsReadMsgPdu>& message : messages) {
        if (!message) {
            continue;
        }
        std::u16string pdu;
        if (SUCCEEDED(message->get_PduData(&pdu))) {
            StoreReceivedPdu(pdu);
        }
    }
    return S_OK;
}

HRESULT CAppHelper::OnSmsNewClass0Message(const std::shared_ptr<IMbnSms>&, MBN_SMS_FORMAT,
                                          const std::vector<std::shared_ptr<IMbnSmsReadMsgPdu>>&) {
    return S_OK;
}

HRESULT CAppHelper::OnSmsDeleteComplete(const std::shared_ptr<IMbnSms>&, std::uint32_t, HRESULT) {
    return S_OK;
}

HRESULT CAppHelper::OnSmsStatusChange(const std::shared_ptr<IMbnSms>& sms) {
    if (!sms) {
        return S_OK;
    }
    MBN_SMS_STATUS_INFO status;
    if (FAILED(sms->GetSmsStatus(&status))) {
        return S_OK;
    }
    if (status.flag & MBN_SMS_FLAG_NEW_MESSAGE) {
        MBN_SMS_FILTER filter;
        filter.flag = MBN_SMS_FLAG_INDEX;
        filter.messageIndex = status.messageIndex;
        std::uint32_t requestId = 0;
        if (SUCCEEDED(
                sms->SmsRead(filter, static_cast<MBN_SMS_FORMAT>(m_nSmsFormat), &requestId))) {
            m_nReadRequestId = requestId;
        }
    }
    return S_OK;
}

HRESULT CAppHelper::OnSmsSendReference(const std::shared_ptr<IMbnSms>&, std::uint32_t requestId,
                                       std::uint8_t tpMr) {
    if (m_pEventPoster != nullptr) {
        m_pEventPoster->PostSmsSendReference(requestId, tpMr);
    }
    return S_OK;
}

HRESULT CAppHelper::OnSmsReceived(const std::shared_ptr<IMbnSms>& sms, const ReceivedSms& message) {
    // Without a receiver nobody keeps it: it stays on the modem.
    if (m_pEventPoster == nullptr || !sms) {
        return S_OK;
    }
    m_mapUnacknowledged[message.handle] = sms;
    m_pEventPoster->PostSmsReceived(message);
    return S_OK;
}

HRESULT CAppHelper::AckReceived(std::uint32_t handle) {
    auto it = m_mapUnacknowledged.find(handle);
    if (it == m_mapUnacknowledged.end()) {
        return E_INVALIDARG;
    }
    const std::shared_ptr<IMbnSms> sms = std::move(it->second);
    m_mapUnacknowledged.erase(it);
    return sms->SmsAcknowledge(handle);
}

void CAppHelper::StoreReceivedPdu(const std::u16string& pdu) {
    m_mapReceivedPdus.emplace(pdu, pdu);
}
