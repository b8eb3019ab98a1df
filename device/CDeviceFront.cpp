#include "device/CDeviceFront.h"

#include <ostream>

#include "device/StatusText.h"
#include "pdu/CPduComposer.h"
#include "pdu/Unicode.h"

bool CDeviceFront::Discover() {
    const bool created = m_deviceLink.CreateInterfaceManager();
    m_deviceLink.RefreshInterfaces();
    m_deviceLink.ListenForSmsEvents();
    return created;
}

std::u16string CDeviceFront::GetOperatorNameText() {
    m_strOperatorName = m_deviceLink.m_strProviderName;
    return m_strOperatorName;
}

std::u16string CDeviceFront::GetDeviceStatusText() {
    m_deviceLink.GetReadyStateText(m_strDeviceStatus);
    return m_strDeviceStatus;
}

bool CDeviceFront::CanSendSms(std::u16string& reason) {
    return m_deviceLink.CanSendSms(reason);
}

HRESULT CDeviceFront::SendSms(const std::u16string& message, const std::u16string& number,
                              std::uint32_t* requestId, std::u16string& reason) {
    reason.clear();
    if (!m_deviceLink.CanSendSms(reason)) {
        return E_FAIL;
    }
    if (requestId == nullptr) {
        return E_POINTER;
    }

    PduLib::CPduComposer composer;
    composer.SetTrace(m_composerTrace);
    composer.statusReportRequest = 0;
    composer.SetServiceCenter(m_deviceLink.m_strServiceCenter);
    composer.SetMessageText(message + kSignature);
    composer.SetDestination(number);
    const std::u16string pdu = composer.ComposePdu();
    if (pdu.empty()) {
        // Nothing goes to the modem for a message that could not be composed.
        reason =
            u"The SMS could not be composed: " +
            PduLib::Utf8ToUtf16(composer.FailureReason().empty() ? std::string("unknown failure")
                                                                 : composer.FailureReason());
        return E_INVALIDARG;
    }

    const HRESULT hr = m_deviceLink.SendPdu(number, pdu, requestId);
    if (FAILED(hr) && hr != VTX_E_MODEM_BUSY) {
        if (hr == E_FAIL && !m_deviceLink.m_pSms) {
            reason = u"Could not Locate SMS Device to Send / Receive SMS Message(s).";
        } else {
            reason = DeviceResponseText(hr);
        }
    }
    return hr;
}
