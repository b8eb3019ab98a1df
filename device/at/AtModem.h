// One AT modem: what it is and what state it is in, its SMS sends and reads.
// Built on the channel (port, queue, time-outs); knows which commands to ask
// and what their answers mean.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device/HResult.h"
#include "device/ReceivedSms.h"
#include "device/at/AtChannel.h"

namespace At {

struct ModemState {
    std::uint32_t readyState = 0;  // MBN_READY_STATE
    bool operatorKnown = false;    // registered and named (alphanumeric)
    std::string operatorName;
    bool serviceCenterKnown = false;
    std::string serviceCenter;
    bool pduSupported = false;
    bool textSupported = false;
    bool pduSelected = false;  // AT+CMGF=0 accepted
    std::string imsi;
    std::string iccid;
    std::vector<std::string> numbers;
    std::string manufacturer;
    std::string model;
    std::string firmware;
    std::string imei;
    std::uint32_t storeSize = 0;        // messages the SMS store holds (+CPMS)
    int rssi = 99;                      // 0..31, 99 unknown
    std::uint32_t smsFlags = 0;         // MBN_SMS_STATUS_FLAG bits
    std::uint32_t smsIndex = 0;         // newest stored message announced
    bool newMessageIndication = false;  // AT+CNMI accepted
    // How status reports reach us (<ds> of the AT+CNMI accepted): 0 not at
    // all (the network may still store them), 1 directly (+CDS), 2 stored
    // (+CDSI).
    int reportRouting = 0;
    int messageService = -1;  // +CSMS: 1 means +CMT / +CDS need AT+CNMA
    std::string readStore;    // the first store of +CPMS, where AT+CMGL reads
};

struct StoredMessage {
    std::uint32_t index = 0;
    std::uint32_t status = 0;  // <stat> of +CMGR
    std::string pdu;           // upper-case hex, service-centre field first
};

class Modem : public QObject, public std::enable_shared_from_this<Modem> {
    Q_OBJECT
public:
    // Events; every call is made from the event loop, never from inside a
    // call into the modem.
    struct Listener {
        std::function<void(std::uint32_t requestId, HRESULT status)> sendComplete;
        std::function<void()> statusChange;
        std::function<void(std::uint32_t requestId, const std::vector<StoredMessage>& messages,
                           HRESULT status)>
            readComplete;
        // +CMGS: <mr> of an accepted send, just before its sendComplete.
        std::function<void(std::uint32_t requestId, std::uint8_t tpMr)> sendReference;
        std::function<void(const ReceivedSms& message)> received;
    };

    // Opens `path`. On failure: nothing, `*hr` says why (E_ACCESSDENIED for a
    // port in use or not permitted, 0x80070002 for no such port, E_FAIL) and
    // `*message` explains it for the user.
    static std::shared_ptr<Modem> Open(const std::string& path, const Timeouts& timeouts,
                                       HRESULT* hr, std::string* message);

    Modem(const std::string& path, QSerialPort* openPort, const Timeouts& timeouts);
    ~Modem() override;

    // Synchronous start: checks that an AT modem answers, then reads its
    // identity, SIM, operator, service centre, SMS modes and signal, and
    // turns on new-message indications. False when nothing answers like a
    // modem (the port is then closed).
    bool Initialise();
    // Queues new reads of the state that changes (SIM, operator, service
    // centre, signal); the answers update State() as they come.
    void RefreshAsync();

    const ModemState& State() const { return m_state; }
    const std::string& Path() const { return m_path; }
    bool IsGone() const { return m_gone; }
    const std::string& GoneReason() const { return m_goneReason; }

    // Submits one PDU (hex, service-centre field first). S_OK with a new id:
    // exactly one sendComplete follows. VTX_E_MODEM_BUSY: one send running
    // and one waiting already. E_INVALIDARG: not a well-formed PDU.
    // VTX_E_MODEM_GONE: the modem is gone.
    HRESULT Send(const std::string& hexPdu, std::uint32_t* requestId);
    // Reads stored message `index` in PDU mode; one readComplete follows.
    HRESULT Read(std::uint32_t index, std::uint32_t* requestId);
    int OutstandingSends() const { return m_sendsOutstanding; }
    // Lists the store (AT+CMGL=4) and hands up every received message and
    // status report in it that is not waiting for its acknowledgement
    // already (listener.received). Initialise starts one.
    void ListStored();
    // The upper layer has kept received message `handle`: AT+CMGD for a
    // stored one, AT+CNMA for a direct one when the message service needs
    // it. S_OK queued; E_INVALIDARG unknown handle; VTX_E_MODEM_GONE.
    HRESULT Acknowledge(std::uint32_t handle);
    // Received messages handed up and not acknowledged yet.
    std::size_t Unacknowledged() const { return m_unacknowledged.size(); }

    int AddListener(Listener listener);
    void RemoveListener(int token);

    static constexpr int kMaxOutstandingSends = 2;

private:
    void OnUrc(const Urc& urc, const std::string& nextLine);
    void OnGone(const std::string& why);
    void Post(std::function<void()> event);
    // Calls `call` with each listener registered at the time of the call
    // that is still registered when its turn comes.
    void Notify(const std::function<void(const Listener&)>& call);
    void Ask(const std::string& text, const std::string& prefix,
             std::function<void(const Reply&)> done, int timeoutMs = 0);
    void AskReadyState();
    void AskOperator();
    void AskServiceCenter();
    void AskSignal();
    void AskIccid(int variant);
    std::uint32_t NextRequestId();
    // Queues AT+CPMS="<store>" when reads and deletions go elsewhere now.
    void SelectStore(const std::string& store);
    // Reads stored message `index` of `store` (after +CMTI / +CDSI).
    void ReadStored(const std::string& store, std::uint32_t index);
    // Hands up received messages (the PDUs' TP-MTI decide their kind; a
    // SUBMIT kept in the store is not ours to hand up).
    void HandUp(std::vector<ReceivedSms> messages);
    void SetReportRouting(int variant);

    std::string m_path;
    Channel* m_channel;  // owned as a child
    ModemState m_state;
    bool m_gone = false;
    std::string m_goneReason;
    int m_sendsOutstanding = 0;
    std::map<int, Listener> m_listeners;
    // Handed up, not yet acknowledged: by handle, and the handle of each
    // stored one by its place.
    std::map<std::uint32_t, ReceivedSms> m_unacknowledged;
    std::map<std::pair<std::string, std::uint32_t>, std::uint32_t> m_handleOfPlace;
    std::string m_selectedStore;  // the reading store as we last set it
    int m_nextListener = 1;
};

// A warning for the user when ModemManager runs beside us (Linux); empty
// otherwise.
std::string ModemManagerWarning(const std::string& path);

// The process-wide table of open modems, so that a new discovery reuses a
// modem whose port is already open (sends in progress go on).
std::shared_ptr<Modem> FindOpenModem(const std::string& path);
void RememberModem(const std::shared_ptr<Modem>& modem);

}  // namespace At
