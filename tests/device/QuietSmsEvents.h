// A sink of the device link's SMS events that answers every event S_OK and
// counts its references; a test's sink overrides the events it looks at.
#pragma once

#include "device/link/BackendInterface.h"

class QuietSmsEvents : public DeviceLink::IMbnSmsEvents {
public:
    long refs = 0;

    long AddRef() override { return ++refs; }
    long Release() override { return --refs; }
    HRESULT OnSmsConfigurationChange(const std::shared_ptr<DeviceLink::IMbnSms>&) override {
        return S_OK;
    }
    HRESULT OnSetSmsConfigurationComplete(const std::shared_ptr<DeviceLink::IMbnSms>&,
                                          std::uint32_t, HRESULT) override {
        return S_OK;
    }
    HRESULT OnSmsSendComplete(const std::shared_ptr<DeviceLink::IMbnSms>&, std::uint32_t,
                              HRESULT) override {
        return S_OK;
    }
    HRESULT OnSmsReadComplete(const std::shared_ptr<DeviceLink::IMbnSms>&,
                              DeviceLink::MBN_SMS_FORMAT,
                              const std::vector<std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>>&,
                              bool, std::uint32_t, HRESULT) override {
        return S_OK;
    }
    HRESULT OnSmsNewClass0Message(
        const std::shared_ptr<DeviceLink::IMbnSms>&, DeviceLink::MBN_SMS_FORMAT,
        const std::vector<std::shared_ptr<DeviceLink::IMbnSmsReadMsgPdu>>&) override {
        return S_OK;
    }
    HRESULT OnSmsDeleteComplete(const std::shared_ptr<DeviceLink::IMbnSms>&, std::uint32_t,
                                HRESULT) override {
        return S_OK;
    }
    HRESULT OnSmsStatusChange(const std::shared_ptr<DeviceLink::IMbnSms>&) override { return S_OK; }
};
