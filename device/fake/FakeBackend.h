// A scripted backend of the device link for tests: every answer is a public
// field that the test sets before the call, and every request the device link
// makes is recorded. Events are delivered only when the test asks for them
// (the Fire... and Complete... operations of the manager), which is what the
// event loop of a real backend does.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "device/link/BackendInterface.h"

namespace FakeBackend {

class FakeSignal final : public DeviceLink::IMbnSignal {
public:
    HRESULT result = S_OK;
    std::uint32_t strength = 0;

    HRESULT GetSignalStrength(std::uint32_t* signalStrength) override;
};

class FakeSmsConfiguration final : public DeviceLink::IMbnSmsConfiguration {
public:
    HRESULT formatResult = S_OK;
    DeviceLink::MBN_SMS_FORMAT format = DeviceLink::MBN_SMS_FORMAT_PDU;
    HRESULT maxIndexResult = S_OK;
    std::uint32_t maxMessageIndex = 0;
    HRESULT serviceCenterResult = S_OK;
    std::u16string serviceCenter;

    HRESULT get_SmsFormat(DeviceLink::MBN_SMS_FORMAT* smsFormat) override;
    HRESULT get_MaxMessageIndex(std::uint32_t* index) override;
    HRESULT get_ServiceCenterAddress(std::u16string* address) override;
};

class FakeReadMsgPdu final : public DeviceLink::IMbnSmsReadMsgPdu {
public:
    explicit FakeReadMsgPdu(std::u16string pdu, HRESULT result = S_OK)
        : pduData(std::move(pdu)), pduResult(result) {}
    std::u16string pduData;
    HRESULT pduResult;
    std::uint32_t index = 0;

    HRESULT get_Index(std::uint32_t* value) override;
    HRESULT get_Status(std::uint32_t* value) override;
    HRESULT get_PduData(std::u16string* value) override;
};

class FakeSms final : public DeviceLink::IMbnSms {
public:
    struct SentPdu {
        std::u16string pdu;
        std::uint8_t size;
        std::uint32_t requestId;
    };
    struct ReadRequest {
        DeviceLink::MBN_SMS_FILTER filter;
        DeviceLink::MBN_SMS_FORMAT format;
        std::uint32_t requestId;
    };

    FakeSms();

    // Unplugged: every operation fails with VTX_E_MODEM_GONE.
    bool gone = false;
    HRESULT configurationResult = S_OK;
    std::shared_ptr<FakeSmsConfiguration> configuration;
    HRESULT statusResult = S_OK;
    DeviceLink::MBN_SMS_STATUS_INFO status;
    std::shared_ptr<FakeSignal> signal;  // null: no signal object
    // Immediate answer to a send that is not refused as busy.
    HRESULT sendResult = S_OK;
    // Accepted sends not yet completed above which a send is refused with
    // VTX_E_MODEM_BUSY; 0 for no limit.
    std::size_t maxOutstanding = 0;
    HRESULT readResult = S_OK;
    std::uint32_t nextRequestId = 1;

    std::vector<SentPdu> sent;                // accepted sends, in order
    std::vector<ReadRequest> reads;           // accepted reads, in order
    std::deque<std::uint32_t> outstanding;    // accepted sends awaiting completion
    std::vector<std::uint32_t> acknowledged;  // handles of received messages kept

    HRESULT GetSmsConfiguration(
        std::shared_ptr<DeviceLink::IMbnSmsConfiguration>* configuration) override;
    HRESULT GetSmsStatus(DeviceLink::MBN_SMS_STATUS_INFO* status) override;
    HRESULT SmsSendPdu(const std::u16string& pduData, std::uint8_t size,
                       std::uint32_t* requestId) override;
    HRESULT SmsRead(const DeviceLink::MBN_SMS_FILTER& filter, DeviceLink::MBN_SMS_FORMAT format,
                    std::uint32_t* requestId) override;
    std::shared_ptr<DeviceLink::IMbnSignal> QuerySignal() override;
    HRESULT SmsAcknowledge(std::uint32_t handle) override;
};

class FakeSubscriberInformation final : public DeviceLink::IMbnSubscriberInformation {
public:
    HRESULT subscriberIdResult = S_OK;
    std::u16string subscriberId;
    HRESULT simIccIdResult = S_OK;
    std::u16string simIccId;
    HRESULT telephoneNumbersResult = S_OK;
    std::vector<std::u16string> telephoneNumbers;

    HRESULT get_SubscriberID(std::u16string* value) override;
    HRESULT get_SimIccID(std::u16string* value) override;
    HRESULT get_TelephoneNumbers(std::vector<std::u16string>* value) override;
};

class FakeInterface final : public DeviceLink::IMbnInterface {
public:
    // A fully working PDU modem: initialised, provider known, PDU send and
    // receive, SMS object in PDU format with the given service centre.
    static std::shared_ptr<FakeInterface> Modem(std::u16string id, std::u16string provider,
                                                std::u16string serviceCenter);

    std::u16string interfaceId;
    HRESULT readyStateResult = S_OK;
    DeviceLink::MBN_READY_STATE readyState = DeviceLink::MBN_READY_STATE_OFF;
    HRESULT providerResult = S_FALSE;
    DeviceLink::MBN_PROVIDER provider;
    HRESULT subscriberResult = S_OK;
    std::shared_ptr<FakeSubscriberInformation> subscriber;
    HRESULT capsResult = S_OK;
    DeviceLink::MBN_INTERFACE_CAPS caps;
    std::shared_ptr<FakeSms> sms;  // null: no SMS object

    HRESULT get_InterfaceID(std::u16string* value) override;
    HRESULT GetInterfaceCapability(DeviceLink::MBN_INTERFACE_CAPS* value) override;
    HRESULT GetSubscriberInformation(
        std::shared_ptr<DeviceLink::IMbnSubscriberInformation>* value) override;
    HRESULT GetReadyState(DeviceLink::MBN_READY_STATE* value) override;
    HRESULT GetHomeProvider(DeviceLink::MBN_PROVIDER* value) override;
    std::shared_ptr<DeviceLink::IMbnSms> QuerySms() override;
};

class FakeInterfaceManager final : public DeviceLink::IMbnInterfaceManager {
public:
    HRESULT interfacesResult = S_OK;
    // A null element stands for one that cannot be fetched.
    std::vector<std::shared_ptr<FakeInterface>> interfaces;
    HRESULT adviseResult = S_OK;

    HRESULT GetInterfaces(std::vector<std::shared_ptr<DeviceLink::IMbnInterface>>* value) override;
    HRESULT Advise(DeviceLink::IMbnSmsEvents* sink, std::uint32_t* cookie) override;
    HRESULT Unadvise(std::uint32_t cookie) override;

    std::size_t SinkCount() const { return m_sinks.size(); }
    int UnadviseCalls() const { return m_unadviseCalls; }

    // Completes the oldest outstanding send of `sms` with `status` and tells
    // every sink; false when `sms` has none outstanding.
    bool CompleteOldestSend(const std::shared_ptr<FakeSms>& sms, HRESULT status);
    // Completes the send with `requestId`, in any order.
    bool CompleteSend(const std::shared_ptr<FakeSms>& sms, std::uint32_t requestId, HRESULT status);
    void FireStatusChange(const std::shared_ptr<FakeSms>& sms);
    // The TP-MR of the send `requestId`, as a modem names it before the result.
    void FireSendReference(const std::shared_ptr<FakeSms>& sms, std::uint32_t requestId,
                           std::uint8_t tpMr);
    // A reply or status report arrives.
    void FireReceived(const std::shared_ptr<FakeSms>& sms, const ReceivedSms& message);
    void FireReadComplete(
        const std::shared_ptr<FakeSms>& sms, DeviceLink::MBN_SMS_FORMAT format,
        const std::vector<std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>>& messages,
        std::uint32_t requestId, HRESULT status = S_OK);

private:
    std::map<std::uint32_t, DeviceLink::IMbnSmsEvents*> m_sinks;
    std::uint32_t m_nextCookie = 100;
    int m_unadviseCalls = 0;
};

// The platform as a whole: hands out `manager` from its factory (a fresh
// creation each discovery sees the same scripted manager) unless
// `createResult` says the service is missing.
class FakePlatform {
public:
    HRESULT createResult = S_OK;
    std::shared_ptr<FakeInterfaceManager> manager = std::make_shared<FakeInterfaceManager>();
    int creations = 0;

    // A factory for CAppHelper / CDeviceFront; refers to this object, which
    // must outlive it.
    std::function<HRESULT(std::shared_ptr<DeviceLink::IMbnInterfaceManager>*)> Factory();
};

}  // namespace FakeBackend
