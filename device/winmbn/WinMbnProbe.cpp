#include "device/winmbn/WinMbnProbe.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "device/CDeviceFront.h"
#include "device/ModemList.h"
#include "device/StatusText.h"
#include "pdu/Unicode.h"

namespace WinMbnBackend {
namespace {

std::string Text(const std::u16string& text) {
    return PduLib::Utf16ToUtf8(text);
}

std::string Hex(HRESULT hr) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08lx",
                  static_cast<unsigned long>(static_cast<std::uint32_t>(hr)));
    return buffer;
}

std::string SmsCapsText(std::uint32_t caps) {
    std::string text;
    const struct {
        std::uint32_t bit;
        const char* name;
    } names[] = {{DeviceLink::MBN_SMS_CAPS_PDU_RECEIVE, "PDU receive"},
                 {DeviceLink::MBN_SMS_CAPS_PDU_SEND, "PDU send"},
                 {DeviceLink::MBN_SMS_CAPS_TEXT_RECEIVE, "text receive"},
                 {DeviceLink::MBN_SMS_CAPS_TEXT_SEND, "text send"}};
    for (const auto& name : names) {
        if (caps & name.bit) {
            text += (text.empty() ? "" : ", ") + std::string(name.name);
        }
    }
    return text.empty() ? "none" : text;
}

// Runs the thread's message loop for `milliseconds`: the SMS events reach the
// device link from it.
void PumpMessages(unsigned milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

class PrintingPoster final : public ISmsEventPoster {
public:
    explicit PrintingPoster(std::ostream& out) : m_out(out) {}
    void PostRefreshDeviceStatus() override {}
    void PostSmsSendResult(std::uint32_t requestId, HRESULT status) override {
        m_out << "Send complete: request " << requestId << ", " << Text(DeviceResponseText(status))
              << '\n';
    }

private:
    std::ostream& m_out;
};

}  // namespace

bool ParseProbeArguments(int argc, const char* const* argv, ProbeOptions* options,
                         std::string* error) {
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--wait" && i + 1 < argc) {
            const std::string value = argv[++i];
            char* end = nullptr;
            const unsigned long seconds = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || value[0] == '-' || seconds > 3600) {
                *error = "--wait takes a number of seconds from 0 to 3600";
                return false;
            }
            options->waitMilliseconds = static_cast<unsigned>(seconds * 1000);
        } else {
            *error = "usage: vantorix-mbn-probe [--wait SECONDS]";
            return false;
        }
    }
    return true;
}

int RunProbe(const PlatformManagerCreator& creator, const ProbeOptions& options, std::ostream& out,
             std::ostream& err) {
    // Remember why the manager could not be made, for the diagnosis.
    HRESULT created = S_OK;
    const DeviceLink::BackendFactory backend = MakeBackendFactory(creator);

    int status = kProbeOk;
    {
        CDeviceFront front(
            [&created, &backend](std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager) {
                created = backend("auto", manager);
                return created;
            });
        PrintingPoster poster(out);
        front.DeviceLink().SetEventPoster(&poster);
        if (!front.Discover()) {
            out << "Could Not Initialize SMS Libraries.\n";
            err << "The Mobile Broadband interface manager could not be created (" << Hex(created)
                << ").\n";
            status = kProbeNoService;
        } else {
            std::u16string reason;
            const bool canSend = front.CanSendSms(reason);
            out << "Operator: " << Text(front.GetOperatorNameText()) << '\n'
                << "Device status: " << Text(front.GetDeviceStatusText()) << '\n'
                << "Can send SMS: " << (canSend ? "yes" : "no") << '\n';
            if (!canSend) {
                out << "Reason: " << Text(reason) << '\n';
            }
            const CAppHelper& link = front.DeviceLink();
            if (!link.ListenErrorText().empty()) {
                out << Text(link.ListenErrorText()) << '\n';
            }

            std::vector<ModemDetails> modems;
            const HRESULT listed = link.m_pInterfaceManager
                                       ? ListModems(*link.m_pInterfaceManager, &modems)
                                       : E_POINTER;
            if (FAILED(listed)) {
                out << "Modems: could not be listed (" << Hex(listed) << ")\n";
            } else {
                out << "Modems: " << modems.size() << '\n';
                for (std::size_t i = 0; i < modems.size(); ++i) {
                    const ModemDetails& modem = modems[i];
                    out << "  [" << i << "] " << Text(modem.interfaceId) << '\n'
                        << "      state: " << Text(modem.readyStateText) << '\n'
                        << "      provider: " << Text(modem.providerName) << '\n'
                        << "      device: " << Text(modem.manufacturer) << ' ' << Text(modem.model)
                        << " (" << Text(modem.firmwareInfo) << ")\n"
                        << "      SMS: " << (modem.hasSms ? "yes" : "no") << ", capabilities "
                        << SmsCapsText(modem.smsCaps) << ", format " << modem.smsFormat << '\n'
                        << "      service centre: " << Text(modem.serviceCenter) << '\n'
                        << "      signal: " << modem.signalStrength << '\n';
                }
            }

            if (options.waitMilliseconds > 0) {
                PumpMessages(options.waitMilliseconds);
                out << "Received messages: " << link.m_mapReceivedPdus.size() << '\n';
                for (const auto& pdu : link.m_mapReceivedPdus) {
                    out << "  " << Text(pdu.first) << '\n';
                }
            }
        }
        front.DeviceLink().SetEventPoster(nullptr);
    }
    return status;
}

}  // namespace WinMbnBackend
