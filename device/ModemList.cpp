#include "device/ModemList.h"

#include "device/CAppHelper.h"

using namespace DeviceLink;

HRESULT ListModems(IMbnInterfaceManager& manager, std::vector<ModemDetails>* modems) {
    if (modems == nullptr) {
        return E_POINTER;
    }
    std::vector<std::shared_ptr<IMbnInterface>> interfaces;
    const HRESULT hr = manager.GetInterfaces(&interfaces);
    if (FAILED(hr)) {
        return hr;
    }

    modems->clear();
    for (const std::shared_ptr<IMbnInterface>& intf : interfaces) {
        if (!intf) {
            continue;
        }
        ModemDetails details;
        intf->get_InterfaceID(&details.interfaceId);
        MBN_READY_STATE readyState = MBN_READY_STATE_OFF;
        if (SUCCEEDED(intf->GetReadyState(&readyState))) {
            details.readyState = readyState;
        }
        details.readyStateText = CAppHelper::ReadyStateText(details.readyState);
        MBN_PROVIDER provider;
        if (intf->GetHomeProvider(&provider) == S_OK) {
            details.providerName = provider.providerName;
        }
        MBN_INTERFACE_CAPS caps;
        if (SUCCEEDED(intf->GetInterfaceCapability(&caps))) {
            details.manufacturer = caps.manufacturer;
            details.model = caps.model;
            details.firmwareInfo = caps.firmwareInfo;
            details.deviceId = caps.deviceID;
            details.smsCaps = caps.smsCaps;
        }
        if (std::shared_ptr<IMbnSms> sms = intf->QuerySms()) {
            details.hasSms = true;
            std::shared_ptr<IMbnSmsConfiguration> config;
            if (SUCCEEDED(sms->GetSmsConfiguration(&config)) && config) {
                MBN_SMS_FORMAT format = MBN_SMS_FORMAT_NONE;
                if (SUCCEEDED(config->get_SmsFormat(&format))) {
                    details.smsFormat = format;
                }
                config->get_ServiceCenterAddress(&details.serviceCenter);
            }
            if (std::shared_ptr<IMbnSignal> signal = sms->QuerySignal()) {
                signal->GetSignalStrength(&details.signalStrength);
            }
        }
        modems->push_back(std::move(details));
    }
    return S_OK;
}
