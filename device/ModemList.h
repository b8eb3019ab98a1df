// The details of every modem a backend offers, for the `modems` command and
// for diagnosis. Reads each interface on its own; touches no CAppHelper.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/HResult.h"
#include "device/link/BackendInterface.h"

struct ModemDetails {
    std::u16string interfaceId;
    std::uint32_t readyState = DeviceLink::MBN_READY_STATE_OFF;
    std::u16string readyStateText;
    // Empty when the home provider is not known (yet).
    std::u16string providerName;
    std::u16string manufacturer;
    std::u16string model;
    std::u16string firmwareInfo;
    std::u16string deviceId;
    std::uint32_t smsCaps = DeviceLink::MBN_SMS_CAPS_NONE;
    bool hasSms = false;
    std::uint32_t smsFormat = DeviceLink::MBN_SMS_FORMAT_NONE;
    std::u16string serviceCenter;
    std::uint32_t signalStrength = 0;
};

// Fills `modems` with one entry per interface of `manager`, in its order.
// Fails only when the manager cannot list its interfaces; a detail that
// cannot be read stays at its default.
HRESULT ListModems(DeviceLink::IMbnInterfaceManager& manager, std::vector<ModemDetails>* modems);
