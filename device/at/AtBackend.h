// The AT-command backend of the device link: AT modems on serial ports
// behind the interfaces of device/link/BackendInterface.h.
//
// Selectors: "auto" probes the candidate ports (Linux: /dev/serial/by-id,
// ttyUSB*, ttyACM*; Windows: the COM ports) and takes the first modem that
// answers; a path ("/dev/ttyUSB2", "/dev/pts/5", "COM5") names one port.
// Discovery is synchronous (the device link's reads are), bounded by the
// time-outs. A port whose modem is still open from an earlier discovery is
// reused, so sends in progress are not disturbed; its changing state is
// re-read in the background.
//
// Failures of the factory: a named port that cannot be used gives
// E_ACCESSDENIED (in use, e.g. by ModemManager, or not permitted),
// 0x80070002 (no such port) or E_FAIL (no AT modem answers). "auto" with no
// modem succeeds with no interfaces. LastDiscoveryMessage() explains the last
// problem in words for the user (with the ModemManager advice on Linux), or
// warns when a modem was found while ModemManager runs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/at/AtChannel.h"
#include "device/link/BackendInterface.h"

namespace At {

// The backend, for the device link's owner to bind a selector to. Needs a
// QCoreApplication; events are delivered from its event loop.
DeviceLink::BackendFactory MakeBackendFactory(Timeouts timeouts = {});

// Creates a manager directly (what the factory does).
HRESULT CreateAtInterfaceManager(const std::string& selector, const Timeouts& timeouts,
                                 std::shared_ptr<DeviceLink::IMbnInterfaceManager>* manager);

// Every candidate port on which an AT modem answers, in CandidatePorts()
// order; of the ports of one modem (the same IMEI) only the first. The modems stay open, so that a
// manager for one of these ports (one device link per modem) reuses its modem.
// LastDiscoveryMessage() says why none was found, or warns about ModemManager.
std::vector<std::string> ModemPorts(const Timeouts& timeouts = {});

// Ports worth probing, in the order "auto" tries them.
std::vector<std::string> CandidatePorts();

// The explanation of the last discovery problem; empty when there was none.
std::string LastDiscoveryMessage();

}  // namespace At
