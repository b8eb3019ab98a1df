// The application object's fronting operations over the device link: the
// windows and the sending loop reach the modem only through these. Carries
// the one CAppHelper of the run.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <utility>

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
    HRESULT SendSms(const std::u16string& message, const std::u16string& number,
                    std::uint32_t* requestId, std::u16string& reason) override;

    // Where the composer traces each PDU; silent (null) by default.
    void SetComposerTrace(std::ostream* trace) { m_composerTrace = trace; }

    CAppHelper& DeviceLink() { return m_deviceLink; }
    const CAppHelper& DeviceLink() const { return m_deviceLink; }

    // The last texts handed to the status bar.
    std::u16string m_strOperatorName;
    std::u16string m_strDeviceStatus;

private:
    CAppHelper m_deviceLink;
    std::ostream* m_composerTrace = nullptr;
};
