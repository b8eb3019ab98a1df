#include "device/CDeviceFront.h"

#include <ostream>

#include "device/StatusText.h"
#include "pdu/CPduComposer.h"
#include "pdu/MessagePlan.h"
#include "pdu/PartsComposer.h"
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

std::u16string CDeviceFront::ComposeFailureText(const std::string& failure) {
    return u"The SMS could not be composed: " +
           PduLib::Utf8ToUtf16(failure.empty() ? std::string("unknown failure") : failure);
}

PduLib::MessagePlan CDeviceFront::PlanSms(std::u16string_view message) {
    std::u16string text(message);
    text += kSignature;
    return PduLib::PlanMessage(text, m_options);
}

HRESULT CDeviceFront::ComposeSms(const std::u16string& message, const std::u16string& number,
                                 std::vector<std::u16string>& parts, std::u16string& reason) {
    reason.clear();
    parts.clear();
    if (!m_deviceLink.CanSendSms(reason)) {
        return E_FAIL;
    }
    PduLib::CPartsComposer composer;
    composer.SetTrace(m_composerTrace);
    composer.options = m_options;
    composer.SetServiceCenter(m_deviceLink.m_strServiceCenter);
    if (!composer.Compose(message + kSignature, number, m_nextReference)) {
        reason = ComposeFailureText(composer.FailureReason());
        return E_INVALIDARG;
    }
    if (composer.Pdus().size() > 1) {
        ++m_nextReference;  // wraps at 65,536
        if (m_referenceStore) {
            m_referenceStore(m_nextReference);
        }
    }
    parts.reserve(composer.Pdus().size());
    for (const std::string& pdu : composer.Pdus()) {
        parts.emplace_back(pdu.begin(), pdu.end());
    }
    return S_OK;
}

HRESULT CDeviceFront::SendSmsPart(const std::u16string& number, const std::u16string& part,
                                  std::uint32_t* requestId, std::u16string& reason) {
    reason.clear();
    if (!m_deviceLink.CanSendSms(reason)) {
        return E_FAIL;
    }
    if (requestId == nullptr) {
        return E_POINTER;
    }
    return SubmitPdu(number, part, requestId, reason);
}

HRESULT CDeviceFront::SubmitPdu(const std::u16string& number, const std::u16string& pdu,
                                std::uint32_t* requestId, std::u16string& reason) {
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
    std::string refused;
    if (!pdu.empty()) {
        refused = PduLib::CheckNumber(number, true, "destination");
    }
    if (refused.empty() && !pdu.empty()) {
        refused = PduLib::CheckNumber(m_deviceLink.m_strServiceCenter, false, "service-centre");
    }
    if (pdu.empty() || !refused.empty()) {
        // Nothing goes to the modem for a message that could not be composed.
        reason = ComposeFailureText(pdu.empty() ? composer.FailureReason() : refused);
        return E_INVALIDARG;
    }
    return SubmitPdu(number, pdu, requestId, reason);
}
