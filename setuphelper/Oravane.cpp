// Oravane: a self-registering in-process COM server that serves no class.
// Registering it runs the set-up actions, unregistering it the clean-up
// actions.
#include <initguid.h>
#include <ole2.h>
#include <windows.h>

#include <new>

#include "OravaneIdl.h"
#include "setuphelper/CWin32SetupPlatform.h"
#include "setuphelper/SetupActions.h"

namespace {

// The usual housekeeping of an in-process server. Nothing here takes a lock
// and the class table is empty, so the count stays 0.
struct ModuleState {
    HMODULE module = nullptr;
    LONG lockCount = 0;
    const GUID* libid = nullptr;
};

ModuleState g_module;

// No exception may leave an export.
template <typename Action>
HRESULT Guarded(Action action) {
    try {
        return action();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            g_module.module = instance;
            g_module.lockCount = 0;
            g_module.libid = &LIBID_ORAVANELib;
            DisableThreadLibraryCalls(instance);
            break;
        case DLL_PROCESS_DETACH:
            g_module = ModuleState();
            break;
        default:
            break;
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return InterlockedCompareExchange(&g_module.lockCount, 0, 0) == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID /*clsid*/, REFIID /*iid*/, LPVOID* object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() {
    return Guarded([] {
        Oravane::CWin32SetupPlatform platform(g_module.module);
        return static_cast<HRESULT>(Oravane::RegisterServer(platform));
    });
}

STDAPI DllUnregisterServer() {
    return Guarded([] {
        Oravane::CWin32SetupPlatform platform(g_module.module);
        return static_cast<HRESULT>(Oravane::UnregisterServer(platform));
    });
}
