// vantorix-mbn-probe.exe: see WinMbnProbe.h.
#include <iostream>
#include <string>

#include "device/winmbn/WinMbnProbe.h"

int main(int argc, char** argv) {
    WinMbnBackend::ProbeOptions options;
    std::string error;
    if (!WinMbnBackend::ParseProbeArguments(argc - 1, argv + 1, &options, &error)) {
        std::cerr << error << '\n';
        return WinMbnBackend::kProbeUsage;
    }
    // The device link lives in a single-threaded apartment, as in the
    // program: platform calls are made from this thread and the events come
    // through its message loop.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        std::cerr << "COM could not be initialised (0x" << std::hex
                  << static_cast<unsigned long>(hr) << ").\n";
        return WinMbnBackend::kProbeUsage;
    }
    const int status = WinMbnBackend::RunProbe(&WinMbnBackend::CreatePlatformManager, options,
                                               std::cout, std::cerr);
    std::cout.flush();
    CoUninitialize();
    return status;
}
