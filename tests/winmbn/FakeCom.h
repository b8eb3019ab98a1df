// In-process fakes of the Mobile Broadband platform's COM objects, for the
// tests of the COM backend. Each fake implements one declared interface,
// counts its references (it is never deleted through Release: the test owns
// it) and hands out strings and arrays through an OleLedger, which also
// stands in for the backend's OLE calls and so sees every free.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/winmbn/OleCalls.h"
#include "device/winmbn/WinMbnApi.h"

#include <olectl.h>

namespace FakeCom {

// What the backend was handed and what it gave back. Installed as the
// backend's OLE table while it lives.
class OleLedger {
public:
    OleLedger();
    ~OleLedger();

    BSTR HandString(const std::wstring& text);
    SAFEARRAY* HandArray(SAFEARRAY* array);

    // SafeArrayGetElement fails for these indices (any array).
    std::set<LONG> failingIndices;

    std::set<BSTR> liveStrings;       // handed out, not freed yet
    std::set<SAFEARRAY*> liveArrays;  // handed out, not destroyed yet
    int stringsFreed = 0;
    int arraysDestroyed = 0;
    int foreignFrees = 0;  // frees of something never handed out (or freed twice)

    static OleLedger* current;

private:
    WinMbnBackend::OleCalls m_previous;
};

// An array of interface pointers (VT_UNKNOWN) with the given lower bound;
// null entries stay null. The array holds its own references.
SAFEARRAY* MakeUnknownArray(const std::vector<IUnknown*>& elements, LONG lowerBound = 0);
SAFEARRAY* MakeStringArray(const std::vector<std::wstring>& elements, LONG lowerBound = 0);

template <class I, const GUID& Iid>
class Fake : public I {
public:
    LONG refs = 1;
    // Other objects that answer QueryInterface on this one.
    std::vector<std::pair<GUID, IUnknown*>> others;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Iid)) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        for (auto& other : others) {
            if (IsEqualIID(iid, other.first) && other.second != nullptr) {
                other.second->AddRef();
                *out = other.second;
                return S_OK;
            }
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
};

class FakeSignal : public Fake<WinMbn::IMbnSignal, WinMbn::IID_IMbnSignal> {
public:
    ULONG strength = 0;
    HRESULT STDMETHODCALLTYPE GetSignalStrength(ULONG* value) override;
    HRESULT STDMETHODCALLTYPE GetSignalError(ULONG*) override { return E_NOTIMPL; }
};

class FakeSmsConfiguration
    : public Fake<WinMbn::IMbnSmsConfiguration, WinMbn::IID_IMbnSmsConfiguration> {
public:
    WinMbn::MBN_SMS_FORMAT format = WinMbn::MBN_SMS_FORMAT_PDU;
    ULONG maxIndex = 0;
    std::wstring serviceCenter;
    HRESULT STDMETHODCALLTYPE get_ServiceCenterAddress(BSTR* address) override;
    HRESULT STDMETHODCALLTYPE put_ServiceCenterAddress(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_MaxMessageIndex(ULONG* index) override;
    HRESULT STDMETHODCALLTYPE get_CdmaShortMsgSize(ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_SmsFormat(WinMbn::MBN_SMS_FORMAT* value) override;
    HRESULT STDMETHODCALLTYPE put_SmsFormat(WinMbn::MBN_SMS_FORMAT) override { return E_NOTIMPL; }
};

class FakeReadMessage : public Fake<WinMbn::IMbnSmsReadMsgPdu, WinMbn::IID_IMbnSmsReadMsgPdu> {
public:
    ULONG index = 0;
    std::wstring pdu;
    HRESULT pduResult = S_OK;
    HRESULT STDMETHODCALLTYPE get_Index(ULONG* value) override;
    HRESULT STDMETHODCALLTYPE get_Status(WinMbn::MBN_MSG_STATUS* value) override;
    HRESULT STDMETHODCALLTYPE get_PduData(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_Message(SAFEARRAY**) override { return E_NOTIMPL; }
};

class FakeSms : public Fake<WinMbn::IMbnSms, WinMbn::IID_IMbnSms> {
public:
    struct Sent {
        std::wstring pdu;
        BYTE size;
    };
    struct Read {
        WinMbn::MBN_SMS_FILTER filter;
        WinMbn::MBN_SMS_FORMAT format;
    };

    FakeSmsConfiguration* configuration = nullptr;
    WinMbn::MBN_SMS_STATUS_INFO status = {};
    HRESULT statusResult = S_OK;
    HRESULT sendResult = S_OK;
    ULONG nextRequestId = 100;
    std::vector<Sent> sent;
    std::vector<Read> reads;
    // Runs inside SmsSendPdu, e.g. to fire an event while the call is open.
    std::function<void(ULONG requestId)> duringSend;

    HRESULT STDMETHODCALLTYPE GetSmsConfiguration(WinMbn::IMbnSmsConfiguration** out) override;
    HRESULT STDMETHODCALLTYPE SetSmsConfiguration(WinMbn::IMbnSmsConfiguration*, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SmsSendPdu(LPCWSTR pduData, BYTE size, ULONG* requestId) override;
    HRESULT STDMETHODCALLTYPE SmsSendCdma(LPCWSTR, WinMbn::MBN_SMS_CDMA_ENCODING,
                                          WinMbn::MBN_SMS_CDMA_LANG, ULONG, SAFEARRAY*,
                                          ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SmsSendCdmaPdu(SAFEARRAY*, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SmsRead(WinMbn::MBN_SMS_FILTER* filter, WinMbn::MBN_SMS_FORMAT format,
                                      ULONG* requestId) override;
    HRESULT STDMETHODCALLTYPE SmsDelete(WinMbn::MBN_SMS_FILTER*, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSmsStatus(WinMbn::MBN_SMS_STATUS_INFO* info) override;
};

class FakeSubscriber
    : public Fake<WinMbn::IMbnSubscriberInformation, WinMbn::IID_IMbnSubscriberInformation> {
public:
    std::wstring subscriberId;
    std::wstring simIccId;
    std::vector<std::wstring> numbers;
    LONG numbersLowerBound = 0;
    // Hand out this array for the numbers instead (ownership passes on).
    SAFEARRAY* numbersArray = nullptr;
    HRESULT STDMETHODCALLTYPE get_SubscriberID(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_SimIccID(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_TelephoneNumbers(SAFEARRAY** value) override;
};

class FakeInterface : public Fake<WinMbn::IMbnInterface, WinMbn::IID_IMbnInterface> {
public:
    std::wstring id;
    WinMbn::MBN_READY_STATE readyState = WinMbn::MBN_READY_STATE_INITIALIZED;
    HRESULT providerResult = S_OK;
    std::wstring providerName;
    WinMbn::MBN_CELLULAR_CLASS cellularClass = WinMbn::MBN_CELLULAR_CLASS_GSM;
    ULONG smsCaps = 0x3;
    std::wstring manufacturer, model, firmware, deviceId;
    FakeSubscriber* subscriber = nullptr;

    // The SMS object answers QueryInterface for IMbnSms.
    void SetSms(FakeSms* sms) { others.push_back({WinMbn::IID_IMbnSms, sms}); }

    HRESULT STDMETHODCALLTYPE get_InterfaceID(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetInterfaceCapability(WinMbn::MBN_INTERFACE_CAPS* caps) override;
    HRESULT STDMETHODCALLTYPE
    GetSubscriberInformation(WinMbn::IMbnSubscriberInformation** out) override;
    HRESULT STDMETHODCALLTYPE GetReadyState(WinMbn::MBN_READY_STATE* state) override;
    HRESULT STDMETHODCALLTYPE InEmergencyMode(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHomeProvider(WinMbn::MBN_PROVIDER* provider) override;
    HRESULT STDMETHODCALLTYPE GetPreferredProviders(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetPreferredProviders(SAFEARRAY*, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetVisibleProviders(ULONG*, SAFEARRAY**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ScanNetwork(ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnection(WinMbn::IMbnConnection**) override { return E_NOTIMPL; }
};

// The SMS-events connection point: keeps the advised sinks and fires events.
class FakeConnectionPoint : public Fake<IConnectionPoint, IID_IConnectionPoint> {
public:
    HRESULT adviseResult = S_OK;
    DWORD lastCookie = 40;
    std::vector<std::pair<DWORD, WinMbn::IMbnSmsEvents*>> sinks;
    std::vector<DWORD> unadvised;

    // Every advised sink, in order of registration.
    template <class Fire>
    void ForEachSink(Fire fire) {
        const auto copy = sinks;
        for (const auto& sink : copy) {
            fire(*sink.second);
        }
    }

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
};

class FakeContainer : public Fake<IConnectionPointContainer, IID_IConnectionPointContainer> {
public:
    FakeConnectionPoint* point = nullptr;
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;
};

class FakeManager : public Fake<WinMbn::IMbnInterfaceManager, WinMbn::IID_IMbnInterfaceManager> {
public:
    // The elements of the next GetInterfaces arrays (null entries allowed).
    std::vector<IUnknown*> interfaces;
    LONG lowerBound = 0;
    HRESULT interfacesResult = S_OK;
    // Hand out this array instead (ownership passes on).
    SAFEARRAY* interfacesArray = nullptr;
    std::vector<std::pair<std::wstring, FakeInterface*>> byId;

    void SetContainer(FakeContainer* container) {
        others.push_back({IID_IConnectionPointContainer, container});
    }

    HRESULT STDMETHODCALLTYPE GetInterface(LPCWSTR id, WinMbn::IMbnInterface** out) override;
    HRESULT STDMETHODCALLTYPE GetInterfaces(SAFEARRAY** out) override;
};

}  // namespace FakeCom
