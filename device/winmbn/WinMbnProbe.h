// vantorix-mbn-probe: one discovery through the device link over the Mobile
// Broadband backend, and what it found, as text. The program's main() only
// sets up COM and calls RunProbe; the tests call it with fake platforms.
#pragma once

#include <ostream>

#include "device/winmbn/WinMbnBackend.h"

namespace WinMbnBackend {

// Exit statuses of the probe.
constexpr int kProbeOk = 0;
constexpr int kProbeUsage = 1;
constexpr int kProbeNoService = 2;

struct ProbeOptions {
    // How long to run the message loop after the discovery, to show the SMS
    // events that arrive meanwhile (0: not at all).
    unsigned waitMilliseconds = 0;
};

// Runs one discovery through CDeviceFront over the backend with `creator`
// and prints the operator and device status texts, whether an SMS can be
// sent (and why not), and the modem list. Without the Mobile Broadband
// service it prints "Could Not Initialize SMS Libraries." and returns
// kProbeNoService. COM must be initialised on the calling thread.
int RunProbe(const PlatformManagerCreator& creator, const ProbeOptions& options, std::ostream& out,
             std::ostream& err);

// Parses the command line (argv without the program name); false on a
// malformed one, with the reason in `error`.
bool ParseProbeArguments(int argc, const char* const* argv, ProbeOptions* options,
                         std::string* error);

}  // namespace WinMbnBackend
