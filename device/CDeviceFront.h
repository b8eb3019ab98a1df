// The application object's fronting operations over the device link: the
// windows and the sending loop reach the modem only through these. Carries
// the one CAppHelper of the run.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "device/CAppHelper.h"
#include "device/ISmsFront.h"

class CDeviceFront final : public ISmsFront {
public:
    explicit CDeviceFront(CAppHelper::ManagerFactory factory) : m_deviceLink(std::move(factory)) {}

    // One discovery: CreateInterfaceManager, RefreshInterfaces,
    // ListenForSmsEvents. Returns what CreateInterfaceManager returned (false:
    // no mobile-broadband service). A failed event registration leaves its
    // text in DeviceLink().ListenErrorText() for the caller to show.
    bool Discover();

    std::u16string GetOperatorNameText() override;
    std::u16string GetDeviceStatusText() override;
    bool CanSendSms(std::u16string& reason) override;
    PduLib::MessagePlan PlanSms(std::u16string_view message) override;
    HRESULT ComposeSms(const std::u16string& message, const std::u16string& number,
                       std::vector<std::u16string>& parts, std::u16string& reason) override;
    HRESULT SendSmsPart(const std::u16string& number, const std::u16string& part,
                        std::uint32_t* requestId, std::u16string& reason) override;
    HRESULT AckReceived(std::uint32_t handle) override { return m_deviceLink.AckReceived(handle); }

    // Sends `message` (the signature appended) to `number` as one SMS the
    // way CPduComposer::ComposePdu writes it: no parts, GSM 7-bit. S_OK:
    // accepted, `*requestId` set; VTX_E_MODEM_BUSY: not taken, offer it
    // again; any other failure: not sent, `reason` says why.
    HRESULT SendSms(const std::u16string& message, const std::u16string& number,
                    std::uint32_t* requestId, std::u16string& reason);

    // Encoding, look-alikes, national languages, parts limit and reference
    // size of every message composed from now on.
    void SetMessageOptions(const PduLib::MessageOptions& options) { m_options = options; }
    const PduLib::MessageOptions& MessageOptions() const { return m_options; }

    // The concatenation reference (TS 23.040 9.2.3.24.1, .8) of the next
    // message of several parts. It advances by one for each such message and
    // wraps at 65,536, so that 256 messages in a row never share even the low
    // 8 bits that IEI 0x00 carries. `store` is told every new value before the
    // message that used the old one goes out, so that the owner can keep it
    // across runs.
    void SetNextReference(std::uint16_t next) { m_nextReference = next; }
    std::uint16_t NextReference() const { return m_nextReference; }
    void SetReferenceStore(std::function<void(std::uint16_t next)> store) {
        m_referenceStore = std::move(store);
    }

    // Where the composer traces each PDU; silent (null) by default.
    void SetComposerTrace(std::ostream* trace) { m_composerTrace = trace; }
    std::ostream* ComposerTrace() const { return m_composerTrace; }

    CAppHelper& DeviceLink() { return m_deviceLink; }
    const CAppHelper& DeviceLink() const { return m_deviceLink; }

    // The last texts handed to the status bar.
    std::u16string m_strOperatorName;
    std::u16string m_strDeviceStatus;

private:
    // The texts of a failed composition.
    static std::u16string ComposeFailureText(const std::string& failure);
    // Hands a composed PDU to the device link (whose state was checked) and
    // words an immediate refusal.
    HRESULT SubmitPdu(const std::u16string& number, const std::u16string& pdu,
                      std::uint32_t* requestId, std::u16string& reason);

    CAppHelper m_deviceLink;
    std::ostream* m_composerTrace = nullptr;
    PduLib::MessageOptions m_options;
    std::uint16_t m_nextReference = 0;
    std::function<void(std::uint16_t)> m_referenceStore;
};
