#include "windows/app/ModemBackends.h"

#include <objbase.h>

#include <cctype>
#include <memory>
#include <utility>
#include <vector>

#include "device/at/AtBackend.h"
#include "device/winmbn/WinMbnBackend.h"

namespace WinModems {

namespace {

using DeviceLink::IMbnInterface;
using DeviceLink::IMbnInterfaceManager;

// A manager without modems, for "sim".
class NoModems final : public IMbnInterfaceManager {
public:
    HRESULT GetInterfaces(std::vector<std::shared_ptr<IMbnInterface>>* interfaces) override {
        interfaces->clear();
        return S_OK;
    }
    HRESULT Advise(DeviceLink::IMbnSmsEvents* /*sink*/, std::uint32_t* cookie) override {
        *cookie = 1;
        return S_OK;
    }
    HRESULT Unadvise(std::uint32_t /*cookie*/) override { return S_OK; }
};

bool HasModems(const std::shared_ptr<IMbnInterfaceManager>& manager) {
    std::vector<std::shared_ptr<IMbnInterface>> interfaces;
    return manager && SUCCEEDED(manager->GetInterfaces(&interfaces)) && !interfaces.empty();
}

}  // namespace

bool IsComPort(const std::string& selector) {
    std::string name = selector;
    if (name.rfind("\\\\.\\", 0) == 0) {
        name.erase(0, 4);
    }
    if (name.size() < 4 || (std::toupper(static_cast<unsigned char>(name[0])) != 'C') ||
        (std::toupper(static_cast<unsigned char>(name[1])) != 'O') ||
        (std::toupper(static_cast<unsigned char>(name[2])) != 'M')) {
        return false;
    }
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(name[i])) == 0) {
            return false;
        }
    }
    return name[3] != '0';
}

DeviceLink::BackendFactory CombineBackends(DeviceLink::BackendFactory mobileBroadband,
                                           DeviceLink::BackendFactory at) {
    return [mobileBroadband = std::move(mobileBroadband), at = std::move(at)](
               const std::string& selector, std::shared_ptr<IMbnInterfaceManager>* manager) {
        if (manager == nullptr) {
            return E_POINTER;
        }
        if (selector == "sim") {
            *manager = std::make_shared<NoModems>();
            return S_OK;
        }
        if (IsComPort(selector)) {
            return at(selector, manager);
        }
        if (!selector.empty() && selector != "auto") {
            return mobileBroadband(selector, manager);
        }
        std::shared_ptr<IMbnInterfaceManager> broadband;
        const HRESULT broadbandResult = mobileBroadband("auto", &broadband);
        if (SUCCEEDED(broadbandResult) && HasModems(broadband)) {
            *manager = std::move(broadband);
            return S_OK;
        }
        std::shared_ptr<IMbnInterfaceManager> serial;
        const HRESULT serialResult = at("auto", &serial);
        if (SUCCEEDED(serialResult) && (HasModems(serial) || !broadband)) {
            *manager = std::move(serial);
            return S_OK;
        }
        // Neither has a modem: the Mobile Broadband manager listens for one.
        if (SUCCEEDED(broadbandResult)) {
            *manager = std::move(broadband);
            return S_OK;
        }
        return FAILED(serialResult) ? broadbandResult : serialResult;
    };
}

DeviceLink::BackendFactory MakeBackendFactory() {
    auto broadband = [platform = WinMbnBackend::MakeBackendFactory()](
                         const std::string& selector,
                         std::shared_ptr<IMbnInterfaceManager>* manager) {
        // The Mobile Broadband objects live in this thread's single-threaded
        // apartment; a second call only counts up (S_FALSE), and a thread
        // already in the multithreaded one keeps it.
        static const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        (void)com;
        return platform(selector, manager);
    };
    return CombineBackends(broadband, At::MakeBackendFactory());
}

}  // namespace WinModems
