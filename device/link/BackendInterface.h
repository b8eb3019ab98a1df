// The device link's backend interface: the small set of interfaces through
// which the device link (CAppHelper) talks to a modem. They are shaped after
// the Windows Mobile Broadband API (same objects, same operations, same
// enumeration values), but they are plain C++: objects are shared with
// std::shared_ptr, strings are std::u16string, arrays are std::vector, and
// every operation returns an HRESULT with its outputs in pointer arguments.
//
// Contract for every backend (the AT-command backend, the simulator, the
// scripted fake of the tests):
//
// * Threading. All calls into a backend are made from one thread, the thread
//   that owns the CAppHelper (the user-interface thread). Events are delivered
//   on that same thread, from its event loop (the AT backend delivers them
//   from the Qt event loop). A backend never calls a sink operation from inside
//   a call the device link made into it: no re-entrancy; queue the event and
//   deliver it when control is back in the loop. Nothing is locked.
// * Outputs. An output argument is written only when the operation succeeds;
//   on failure the caller keeps whatever it had. Objects handed out stay valid
//   for as long as the caller holds them, even after the modem is gone (their
//   operations then fail, typically with VTX_E_MODEM_GONE).
// * Sending. IMbnSms::SmsSendPdu answers at once. S_OK means the request was
//   accepted and *requestId set; exactly one OnSmsSendComplete with that id
//   follows later: S_OK when the network took the message, an MBN_E_* status
//   for a +CMS error (or another failure HRESULT), VTX_E_SEND_TIMEOUT when the
//   modem did not answer in time, VTX_E_MODEM_GONE when it went away first.
//   VTX_E_MODEM_BUSY means "not taken, offer it again later": the backend keeps
//   at most one send in flight plus one queued. Any other failure means not
//   taken, and no completion follows.
// * Events. Sinks register with IMbnInterfaceManager::Advise and leave with
//   Unadvise. The manager holds one count on the sink per registration
//   (AddRef on Advise, Release on Unadvise) and delivers events only between
//   the two. A sink must unadvise before it is destroyed.
// * Creating the manager. Whoever owns the device link chooses the backend
//   and hands it to CAppHelper's constructor as a factory; each discovery
//   calls it once, the counterpart of creating the platform's interface
//   manager object. A failure there means "no mobile-broadband service".
// * Listing modems (the `modems` command): GetInterfaces on the manager gives
//   every modem; each interface answers for its own details (id, ready state,
//   provider, capability record, subscriber information, SMS configuration).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/HResult.h"
#include "device/ReceivedSms.h"

namespace DeviceLink {

// ---------------------------------------------------------------------------
// Enumerations and records, with the platform's values.

enum MBN_READY_STATE : std::uint32_t {
    MBN_READY_STATE_OFF = 0,
    MBN_READY_STATE_INITIALIZED = 1,
    MBN_READY_STATE_SIM_NOT_INSERTED = 2,
    MBN_READY_STATE_BAD_SIM = 3,
    MBN_READY_STATE_FAILURE = 4,
    MBN_READY_STATE_NOT_ACTIVATED = 5,
    MBN_READY_STATE_DEVICE_LOCKED = 6,
    MBN_READY_STATE_DEVICE_BLOCKED = 7,
};

enum MBN_SMS_FORMAT : std::uint32_t {
    MBN_SMS_FORMAT_NONE = 0,
    MBN_SMS_FORMAT_PDU = 1,
    MBN_SMS_FORMAT_TEXT = 2,
};

// Bits of MBN_INTERFACE_CAPS::smsCaps.
enum MBN_SMS_CAPS : std::uint32_t {
    MBN_SMS_CAPS_NONE = 0x0,
    MBN_SMS_CAPS_PDU_RECEIVE = 0x1,
    MBN_SMS_CAPS_PDU_SEND = 0x2,
    MBN_SMS_CAPS_TEXT_RECEIVE = 0x4,
    MBN_SMS_CAPS_TEXT_SEND = 0x8,
};

enum MBN_CELLULAR_CLASS : std::uint32_t {
    MBN_CELLULAR_CLASS_NONE = 0,
    MBN_CELLULAR_CLASS_GSM = 1,
    MBN_CELLULAR_CLASS_CDMA = 2,
};

enum MBN_VOICE_CLASS : std::uint32_t {
    MBN_VOICE_CLASS_NONE = 0,
    MBN_VOICE_CLASS_NO_VOICE = 1,
    MBN_VOICE_CLASS_SEPARATE_VOICE_DATA = 2,
    MBN_VOICE_CLASS_SIMULTANEOUS_VOICE_DATA = 3,
};

// Bits of MBN_SMS_STATUS_INFO::flag.
enum MBN_SMS_STATUS_FLAG : std::uint32_t {
    MBN_SMS_FLAG_NONE = 0x0,
    MBN_SMS_FLAG_MESSAGE_STORE_FULL = 0x1,
    MBN_SMS_FLAG_NEW_MESSAGE = 0x2,
};

// Which stored messages a read selects (MBN_SMS_FILTER::flag).
enum MBN_SMS_FLAG : std::uint32_t {
    MBN_SMS_FLAG_ALL = 0,
    MBN_SMS_FLAG_INDEX = 1,
    MBN_SMS_FLAG_NEW = 2,
    MBN_SMS_FLAG_OLD = 3,
    MBN_SMS_FLAG_SENT = 4,
    MBN_SMS_FLAG_DRAFT = 5,
};

struct MBN_SMS_FILTER {
    std::uint32_t flag = MBN_SMS_FLAG_ALL;
    std::uint32_t messageIndex = 0;  // used with MBN_SMS_FLAG_INDEX
};

struct MBN_SMS_STATUS_INFO {
    std::uint32_t flag = MBN_SMS_FLAG_NONE;  // MBN_SMS_STATUS_FLAG bits
    std::uint32_t messageIndex = 0;          // index of the newest message
};

struct MBN_PROVIDER {
    std::u16string providerID;
    std::uint32_t providerState = 0;
    std::u16string providerName;
    std::uint32_t dataClass = 0;
};

// Capability record of one interface. The class fields are plain words, so a
// backend may report a value outside the enumerations.
struct MBN_INTERFACE_CAPS {
    std::uint32_t cellularClass = MBN_CELLULAR_CLASS_NONE;  // MBN_CELLULAR_CLASS
    std::uint32_t voiceClass = MBN_VOICE_CLASS_NONE;        // MBN_VOICE_CLASS
    std::uint32_t dataClass = 0;
    std::u16string customDataClass;
    std::uint32_t gsmBandClass = 0;
    std::uint32_t cdmaBandClass = 0;
    std::u16string customBandClass;
    std::uint32_t smsCaps = MBN_SMS_CAPS_NONE;  // MBN_SMS_CAPS bits
    std::uint32_t controlCaps = 0;
    std::u16string deviceID;  // e.g. the IMEI
    std::u16string manufacturer;
    std::u16string model;
    std::u16string firmwareInfo;
};

// ---------------------------------------------------------------------------
// Final statuses of a send (OnSmsSendComplete), the platform's values. A
// backend maps +CMS errors onto these where one fits.

constexpr HRESULT MBN_SMS_STATUS_NOT_SUPPORTED = 0x00000032;
constexpr HRESULT MBN_E_BAD_SIM = static_cast<HRESULT>(0x80548202u);
constexpr HRESULT MBN_E_SERVICE_NOT_ACTIVATED = static_cast<HRESULT>(0x80548209u);
constexpr HRESULT MBN_E_SIM_NOT_INSERTED = static_cast<HRESULT>(0x8054820Au);
constexpr HRESULT MBN_E_NOT_REGISTERED = static_cast<HRESULT>(0x8054820Du);
constexpr HRESULT MBN_E_PIN_REQUIRED = static_cast<HRESULT>(0x80548210u);
constexpr HRESULT MBN_E_SMS_ENCODING_NOT_SUPPORTED = static_cast<HRESULT>(0x80548220u);
constexpr HRESULT MBN_E_SMS_LANG_NOT_SUPPORTED = static_cast<HRESULT>(0x80548223u);
constexpr HRESULT MBN_E_SMS_MEMORY_FAILURE = static_cast<HRESULT>(0x80548224u);
constexpr HRESULT MBN_E_SMS_NETWORK_TIMEOUT = static_cast<HRESULT>(0x80548225u);
constexpr HRESULT MBN_E_SMS_UNKNOWN_SMSC_ADDRESS = static_cast<HRESULT>(0x80548226u);
constexpr HRESULT MBN_E_SMS_OPERATION_NOT_ALLOWED = static_cast<HRESULT>(0x80548228u);
constexpr HRESULT MBN_E_SMS_MEMORY_FULL = static_cast<HRESULT>(0x80548229u);

// A backend that cannot be created at all (the platform's "class not
// registered").
constexpr HRESULT MBN_E_NO_BACKEND = static_cast<HRESULT>(0x80040154u);

// ---------------------------------------------------------------------------
// Interfaces.

class IMbnSms;

class IMbnSignal {
public:
    virtual ~IMbnSignal() = default;
    virtual HRESULT GetSignalStrength(std::uint32_t* signalStrength) = 0;
};

class IMbnSmsConfiguration {
public:
    virtual ~IMbnSmsConfiguration() = default;
    virtual HRESULT get_SmsFormat(MBN_SMS_FORMAT* smsFormat) = 0;
    virtual HRESULT get_MaxMessageIndex(std::uint32_t* index) = 0;
    // The service-centre (SMSC) address, e.g. u"+12345678901"; may be empty.
    virtual HRESULT get_ServiceCenterAddress(std::u16string* address) = 0;
};

// One message of a read completion in PDU format.
class IMbnSmsReadMsgPdu {
public:
    virtual ~IMbnSmsReadMsgPdu() = default;
    virtual HRESULT get_Index(std::uint32_t* index) = 0;
    virtual HRESULT get_Status(std::uint32_t* status) = 0;
    // The PDU as uppercase hexadecimal text, service-centre field first.
    virtual HRESULT get_PduData(std::u16string* pduData) = 0;
};

class IMbnSms {
public:
    virtual ~IMbnSms() = default;
    virtual HRESULT GetSmsConfiguration(std::shared_ptr<IMbnSmsConfiguration>* configuration) = 0;
    virtual HRESULT GetSmsStatus(MBN_SMS_STATUS_INFO* status) = 0;
    // Submits one SMS-SUBMIT. `pduData`: uppercase hexadecimal, service-centre
    // field first. `size`: the TPDU's octet count (the PDU without its
    // service-centre field), as AT+CMGS wants it. See the contract above for
    // the immediate result (S_OK, VTX_E_MODEM_BUSY, other failures) and the
    // completion event that follows an accepted request.
    virtual HRESULT SmsSendPdu(const std::u16string& pduData, std::uint8_t size,
                               std::uint32_t* requestId) = 0;
    // Starts reading stored messages; OnSmsReadComplete delivers them.
    virtual HRESULT SmsRead(const MBN_SMS_FILTER& filter, MBN_SMS_FORMAT format,
                            std::uint32_t* requestId) = 0;
    // The signal object of the same modem, or null when it has none (the
    // counterpart of asking the SMS object for IMbnSignal).
    virtual std::shared_ptr<IMbnSignal> QuerySignal() = 0;

    // Extension of this link (the platform has no counterpart): the upper
    // layer has kept the message that IMbnSmsEvents::OnSmsReceived handed up
    // with `handle`; the backend deletes it from the modem's store, or
    // acknowledges a directly routed one to the network. S_OK: queued (a
    // deletion that fails later leaves the message on the modem, to be read
    // again at the next start). E_INVALIDARG: no message waits under that
    // handle (never given, or acknowledged already). E_NOTIMPL: the backend
    // hands nothing up.
    virtual HRESULT SmsAcknowledge(std::uint32_t /*handle*/) { return E_NOTIMPL; }
};

class IMbnSubscriberInformation {
public:
    virtual ~IMbnSubscriberInformation() = default;
    virtual HRESULT get_SubscriberID(std::u16string* subscriberId) = 0;
    virtual HRESULT get_SimIccID(std::u16string* simIccId) = 0;
    virtual HRESULT get_TelephoneNumbers(std::vector<std::u16string>* telephoneNumbers) = 0;
};

class IMbnInterface {
public:
    virtual ~IMbnInterface() = default;
    // A stable name of the modem within this run (e.g. the port path).
    virtual HRESULT get_InterfaceID(std::u16string* interfaceId) = 0;
    virtual HRESULT GetInterfaceCapability(MBN_INTERFACE_CAPS* interfaceCaps) = 0;
    virtual HRESULT GetSubscriberInformation(
        std::shared_ptr<IMbnSubscriberInformation>* subscriberInformation) = 0;
    virtual HRESULT GetReadyState(MBN_READY_STATE* readyState) = 0;
    // S_OK with the provider when the home provider is known; S_FALSE when the
    // modem cannot tell yet (the provider is then not meaningful).
    virtual HRESULT GetHomeProvider(MBN_PROVIDER* homeProvider) = 0;
    // The SMS object of this modem, or null when it has none (the counterpart
    // of asking the interface for IMbnSms).
    virtual std::shared_ptr<IMbnSms> QuerySms() = 0;
};

// The receiver of SMS events, in the platform's order of operations. Each
// returns S_OK. `sms` is the SMS object the event is about.
class IMbnSmsEvents {
public:
    // The manager's count on a registered sink (see the contract above).
    virtual long AddRef() = 0;
    virtual long Release() = 0;

    virtual HRESULT OnSmsConfigurationChange(const std::shared_ptr<IMbnSms>& sms) = 0;
    virtual HRESULT OnSetSmsConfigurationComplete(const std::shared_ptr<IMbnSms>& sms,
                                                  std::uint32_t requestId, HRESULT status) = 0;
    virtual HRESULT OnSmsSendComplete(const std::shared_ptr<IMbnSms>& sms, std::uint32_t requestId,
                                      HRESULT status) = 0;
    // `messages` holds the read messages; in PDU format each element is an
    // IMbnSmsReadMsgPdu (a null element stands for one that could not be had).
    virtual HRESULT OnSmsReadComplete(
        const std::shared_ptr<IMbnSms>& sms, MBN_SMS_FORMAT smsFormat,
        const std::vector<std::shared_ptr<IMbnSmsReadMsgPdu>>& messages, bool moreMsgs,
        std::uint32_t requestId, HRESULT status) = 0;
    virtual HRESULT OnSmsNewClass0Message(
        const std::shared_ptr<IMbnSms>& sms, MBN_SMS_FORMAT smsFormat,
        const std::vector<std::shared_ptr<IMbnSmsReadMsgPdu>>& messages) = 0;
    virtual HRESULT OnSmsDeleteComplete(const std::shared_ptr<IMbnSms>& sms,
                                        std::uint32_t requestId, HRESULT status) = 0;
    virtual HRESULT OnSmsStatusChange(const std::shared_ptr<IMbnSms>& sms) = 0;

    // Extensions of this link (the platform has no counterparts; a sink that
    // does not care keeps the empty defaults).
    // The TP-MR (TS 23.040 9.2.3.6) the network gave the accepted send
    // `requestId` (+CMGS: <mr>); comes just before its OnSmsSendComplete
    // with S_OK, and not at all when the modem named no reference.
    virtual HRESULT OnSmsSendReference(const std::shared_ptr<IMbnSms>& /*sms*/,
                                       std::uint32_t /*requestId*/, std::uint8_t /*tpMr*/) {
        return S_OK;
    }
    // A received message or status report (device/ReceivedSms.h): at
    // start-up for every one waiting in the modem's store, then as each
    // arrives. It stays on the modem until IMbnSms::SmsAcknowledge.
    virtual HRESULT OnSmsReceived(const std::shared_ptr<IMbnSms>& /*sms*/,
                                  const ReceivedSms& /*message*/) {
        return S_OK;
    }

protected:
    ~IMbnSmsEvents() = default;  // sinks are not deleted through this interface
};

class IMbnInterfaceManager {
public:
    virtual ~IMbnInterfaceManager() = default;
    // Every modem the backend knows, in a stable order (may be empty).
    virtual HRESULT GetInterfaces(std::vector<std::shared_ptr<IMbnInterface>>* interfaces) = 0;
    // Registers `sink` for the SMS events of every interface of this manager;
    // *cookie identifies the registration. The sink must stay alive until it
    // is unadvised.
    virtual HRESULT Advise(IMbnSmsEvents* sink, std::uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(std::uint32_t cookie) = 0;
};

// ---------------------------------------------------------------------------
// Backends.

// Creates the interface manager of a backend for `selector`: "auto" (the
// first modem the backend finds), "sim" (the built-in simulated modem) or a
// serial port path ("/dev/ttyUSB2", "COM5"). Returns a failure HRESULT when
// the backend cannot serve the selector. The owner of the device link binds
// the selector the user chose and hands the result to CAppHelper.
using BackendFactory = std::function<HRESULT(const std::string& selector,
                                             std::shared_ptr<IMbnInterfaceManager>* manager)>;

}  // namespace DeviceLink
