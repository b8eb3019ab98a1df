// The modems of the Windows program: the Mobile Broadband backend and the AT
// backend on COM ports, behind the one selector of --modem.
//   "auto" (or empty)  the Mobile Broadband modems; when it has none, the
//                      first AT modem that answers on a COM port
//   "COM3", "\\.\COM12" the AT backend on that port
//   "sim"              no modem: the simulated modem needs a pseudo-terminal
//                      and runs on Linux only
//   anything else      one Mobile Broadband interface, by its id
#pragma once

#include <string>

#include "device/link/BackendInterface.h"

namespace WinModems {

bool IsComPort(const std::string& selector);

// The selector's routing over the two backends' factories.
DeviceLink::BackendFactory CombineBackends(DeviceLink::BackendFactory mobileBroadband,
                                           DeviceLink::BackendFactory at);

// The program's backends: the platform's Mobile Broadband API (COM is
// initialised on the calling thread first) and the AT backend.
DeviceLink::BackendFactory MakeBackendFactory();

}  // namespace WinModems
