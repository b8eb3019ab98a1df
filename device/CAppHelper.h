// The device link: discovers the modem through its backend interface,
// keeps its state in one set of fields (the interface read last wins, field by
// field), submits PDUs, and receives the backend's SMS events.
//
// One instance lives for the whole run, on the user-interface thread; all its
// operations and all events run there (see device/link/BackendInterface.h).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "device/HResult.h"
#include "device/ISmsFront.h"
#include "device/link/BackendInterface.h"

class CAppHelper : public DeviceLink::IMbnSmsEvents {
public:
    // Creates the interface manager: the chosen backend with the chosen
    // selector bound (see DeviceLink::BackendFactory). Empty: no service.
    using ManagerFactory =
        std::function<HRESULT(std::shared_ptr<DeviceLink::IMbnInterfaceManager>*)>;

    explicit CAppHelper(ManagerFactory factory);
    ~CAppHelper();
    CAppHelper(const CAppHelper&) = delete;
    CAppHelper& operator=(const CAppHelper&) = delete;

    // Discovery, always in this order: CreateInterfaceManager, RefreshInterfaces,
    // ListenForSmsEvents.
    // Resets the device data and (re)creates the interface manager; false when
    // there is no mobile-broadband service.
    bool CreateInterfaceManager();
    // Reads every interface into the device fields.
    HRESULT RefreshInterfaces();
    // Registers this object as SMS event sink when the device is initialised.
    // A failed registration leaves its text in ListenErrorText().
    void ListenForSmsEvents();

    void GetReadyStateText(std::u16string& text) const;
    void ResetDeviceInfo();
    // True when a message can be sent now; otherwise false and the reason.
    bool CanSendSms(std::u16string& reason) const;
    // The same decision for any SMS format and PDU-send capability (one
    // modem of a list, for instance).
    static bool CanSendSmsWith(std::uint32_t smsFormat, bool canSendPdu, std::u16string& reason);
    // Submits a composed PDU (uppercase hexadecimal, service-centre field
    // first) to the SMS object; `number` is carried along for diagnosis only.
    // E_FAIL without an SMS object, E_INVALIDARG for a text that is not a
    // whole PDU (nothing is submitted then); otherwise what the backend answers.
    HRESULT SendPdu(const std::u16string& number, const std::u16string& pdu,
                    std::uint32_t* requestId);

    // Where OnSmsSendComplete posts its result; null (the default) means there
    // is no active view and completions are dropped.
    void SetEventPoster(ISmsEventPoster* poster) { m_pEventPoster = poster; }

    // The result of the last ListenForSmsEvents: S_OK, or the failure of the
    // registration with its text for the user ("Could Not Listen to SMS
    // Messages Received.\nError Code %x."); empty text when nothing failed.
    HRESULT ListenResult() const { return m_hrListen; }
    const std::u16string& ListenErrorText() const { return m_strListenError; }

    // Texts of the device link.
    static std::u16string ReadyStateText(std::uint32_t readyState);
    // The TPDU octet count of a PDU text (all octets less the service-centre
    // field); false when the text is not a whole PDU or the TPDU is empty or
    // longer than 255 octets.
    static bool TpduOctetCount(const std::u16string& pdu, std::uint8_t* count);

    // DeviceLink::IMbnSmsEvents. The count only tracks registrations: the object is
    // never deleted through Release, its owner holds it.
    long AddRef() override;
    long Release() override;
    HRESULT OnSmsConfigurationChange(const std::shared_ptr<DeviceLink::IMbnSms>& sms) override;
    HRESULT OnSetSmsConfigurationComplete(const std::shared_ptr<DeviceLink::IMbnSms>& sms,
                                          std::uint32_t requestId, HRESULT status) override;
    HRESULT OnSmsSendComplete(const std::shared_ptr<DeviceLink::IMbnSms>& sms,
                              std::uint32_t requestId, HRESULT status) override;
    HRESULT OnSmsReadComplete(
        const std::shared_ptr<DeviceLink::IMbnSms>& sms, DeviceLink::MBN_SMS_FORMAT smsFormat,
        const std::vector<std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>>& messages, bool moreMsgs,
        std::uint32_t requestId, HRESULT status) override;
    HRESULT OnSmsNewClass0Message(
        const std::shared_ptr<DeviceLink::IMbnSms>& sms, DeviceLink::MBN_SMS_FORMAT smsFormat,
        const std::vector<std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>>& messages) override;
    HRESULT OnSmsDeleteComplete(const std::shared_ptr<DeviceLink::IMbnSms>& sms,
                                std::uint32_t requestId, HRESULT status) override;
    HRESULT OnSmsStatusChange(const std::shared_ptr<DeviceLink::IMbnSms>& sms) override;
    HRESULT OnSmsSendReference(const std::shared_ptr<DeviceLink::IMbnSms>& sms,
                               std::uint32_t requestId, std::uint8_t tpMr) override;
    HRESULT OnSmsReceived(const std::shared_ptr<DeviceLink::IMbnSms>& sms,
                          const ReceivedSms& message) override;

    // Hands the acknowledgement of a received message to the SMS object that
    // received it (ISmsFront::AckReceived). E_INVALIDARG for a handle that
    // was never posted or is acknowledged already.
    HRESULT AckReceived(std::uint32_t handle);

    // Device fields, read by the application object and the windows.
    bool m_bCanSendPdu = false;
    // SMS object of the last interface that offered one; kept across
    // discoveries until a later one finds another.
    std::shared_ptr<DeviceLink::IMbnSms> m_pSms;
    // PDU texts of received messages, each mapped to itself.
    std::map<std::u16string, std::u16string> m_mapReceivedPdus;
    std::int32_t m_nRefCount = 0;
    std::uint32_t m_dwCookie = 0;
    std::shared_ptr<DeviceLink::IMbnInterfaceManager> m_pInterfaceManager;
    // The manager this object is registered with as event sink (the
    // registration's connection point); null while not registered.
    std::shared_ptr<DeviceLink::IMbnInterfaceManager> m_pConnectionPoint;
    std::uint32_t m_nReadyState = DeviceLink::MBN_READY_STATE_OFF;
    std::uint32_t m_nSmsFormat = DeviceLink::MBN_SMS_FORMAT_NONE;
    std::uint32_t m_nMaxMessageIndex = 0;
    std::u16string m_strServiceCenter;
    std::u16string m_strProviderName = u"Mobile Operator Name";
    std::u16string m_strSimIccId;
    std::u16string m_strSubscriberId;
    std::u16string m_strTelephoneNumbers;
    std::u16string m_strCellularClass;
    std::u16string m_strVoiceClass;
    std::u16string m_strSmsCaps;
    std::u16string m_strModel;
    std::u16string m_strFirmwareInfo;
    std::u16string m_strManufacturer;
    std::uint32_t m_nSignalStrength = 0;
    std::uint32_t m_nReadRequestId = 0;
    // The SMS object of every received message posted and not acknowledged
    // yet, by handle.
    std::map<std::uint32_t, std::shared_ptr<DeviceLink::IMbnSms>> m_mapUnacknowledged;
    DeviceLink::MBN_SMS_STATUS_INFO m_smsStatus;

private:
    void ReadStateAndProvider(DeviceLink::IMbnInterface& intf);
    void ReadSubscriberInformation(DeviceLink::IMbnInterface& intf);
    void ReadInterfaceCapability(DeviceLink::IMbnInterface& intf);
    void ReadSignalStrength(DeviceLink::IMbnSms& sms);
    void ReadSmsConfiguration(DeviceLink::IMbnSms& sms);
    void StoreReceivedPdu(const std::u16string& pdu);
    void Unadvise();

    ManagerFactory m_factory;
    ISmsEventPoster* m_pEventPoster = nullptr;
    HRESULT m_hrListen = S_OK;
    std::u16string m_strListenError;
};
