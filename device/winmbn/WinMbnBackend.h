// The device link's backend over the Windows Mobile Broadband API (COM).
// Each object of the backend interface wraps the platform's object of the
// same name; strings and arrays the platform hands out are copied and freed
// at once, so nothing the backend returns refers to platform memory.
//
// Threading: COM must be initialised on the owner thread as a single-threaded
// apartment (CoInitializeEx with COINIT_APARTMENTTHREADED) before the first
// manager is created, and that thread must run a message loop: the SMS events
// reach the sinks from it (see EventRelay.h).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "device/link/BackendInterface.h"
#include "device/winmbn/WinMbnApi.h"

namespace WinMbnBackend {

// Creates the platform's interface manager: CoCreateInstance of
// CLSID_MbnInterfaceManager with CLSCTX_ALL. Without the Mobile Broadband
// service this fails (REGDB_E_CLASSNOTREG where the class is not registered).
HRESULT CreatePlatformManager(WinMbn::IMbnInterfaceManager** manager);

using PlatformManagerCreator = std::function<HRESULT(WinMbn::IMbnInterfaceManager** manager)>;

// The backend's manager over a platform manager (a reference is added).
// `selector`: "auto" or empty for every interface; anything else names one
// interface by its id (IMbnInterfaceManager::GetInterface).
std::shared_ptr<DeviceLink::IMbnInterfaceManager> WrapManager(WinMbn::IMbnInterfaceManager* manager,
                                                              const std::string& selector);

// The backend: creates platform managers with `creator` (the platform's own
// by default).
DeviceLink::BackendFactory MakeBackendFactory(
    PlatformManagerCreator creator = &CreatePlatformManager);

}  // namespace WinMbnBackend
