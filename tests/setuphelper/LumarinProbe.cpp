// Stands in for the sibling library Lumarin.dll: logs its registration calls
// with the command line of the process that made them.
#include <windows.h>

#include <string>

#include "ProbeLog.h"

namespace {
HMODULE g_module = nullptr;

void Log(const char* event) {
    const std::string directory = OravaneProbe::DirectoryOf(OravaneProbe::ModulePath(g_module));
    OravaneProbe::AppendLine(directory,
                             std::string("Lumarin.dll|") + event + "|" + GetCommandLineA());
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
    }
    return TRUE;
}

STDAPI DllRegisterServer() {
    Log("register");
    return S_OK;
}

STDAPI DllUnregisterServer() {
    Log("unregister");
    return S_OK;
}
