// In-process fakes of the Mobile Broadband platform's COM objects, for the
// tests of the COM backend. Each fake implements one declared interface,
// counts its references (it is never deleted through Release: the test owns
// it) and hands out strings and arrays through an OleLedger, which also
// stands in for the backend's OLE calls and so sees every free. What the
// backend never calls answers E_NOTIMPL.
#pragma once

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

// An out-parameter filled as the platform does; strings as new BSTRs.
template <class T, class V>
HRESULT Give(T* out, const V& value) {
    *out = value;
    return S_OK;
}
inline HRESULT Give(BSTR* out, const std::wstring& text) {
    *out = OleLedger::current->HandString(text);
    return S_OK;
}

template <class I, const GUID& Iid>
class Fake : public I {
public:
    LONG refs = 1;
    // Other objects that answer QueryInterface on this one.
    std::vector<std::pair<GUID, IUnknown*>> others;

    STDMETHOD(QueryInterface)(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, Iid)) {
            AddRef();
            return Give(out, static_cast<I*>(this));
        }
        for (auto& other : others) {
            if (IsEqualIID(iid, other.first) && other.second != nullptr) {
                other.second->AddRef();
                return Give(out, other.second);
            }
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++refs); }
    STDMETHOD_(ULONG, Release)() override { return static_cast<ULONG>(--refs); }
};

class FakeSignal : public Fake<WinMbn::IMbnSignal, WinMbn::IID_IMbnSignal> {
public:
    ULONG strength = 0;
    STDMETHOD(GetSignalStrength)(ULONG* value) override { return Give(value, strength); }
    STDMETHOD(GetSignalError)(ULONG*) override { return E_NOTIMPL; }
};

class FakeSmsConfiguration
    : public Fake<WinMbn::IMbnSmsConfiguration, WinMbn::IID_IMbnSmsConfiguration> {
public:
    ULONG maxIndex = 0;
    std::wstring serviceCenter;
    STDMETHOD(get_ServiceCenterAddress)(BSTR* value) override { return Give(value, serviceCenter); }
    STDMETHOD(put_ServiceCenterAddress)(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHOD(get_MaxMessageIndex)(ULONG* value) override { return Give(value, maxIndex); }
    STDMETHOD(get_CdmaShortMsgSize)(ULONG*) override { return E_NOTIMPL; }
    STDMETHOD(get_SmsFormat)(WinMbn::MBN_SMS_FORMAT* value) override {
        return Give(value, WinMbn::MBN_SMS_FORMAT_PDU);
    }
    STDMETHOD(put_SmsFormat)(WinMbn::MBN_SMS_FORMAT) override { return E_NOTIMPL; }
};

class FakeReadMessage : public Fake<WinMbn::IMbnSmsReadMsgPdu, WinMbn::IID_IMbnSmsReadMsgPdu> {
public:
    std::wstring pdu;
    HRESULT pduResult = S_OK;
    ULONG index = 0;
    STDMETHOD(get_Index)(ULONG* value) override { return Give(value, index); }
    STDMETHOD(get_Status)(WinMbn::MBN_MSG_STATUS* value) override {
        return Give(value, WinMbn::MBN_MSG_STATUS_NEW);
    }
    STDMETHOD(get_PduData)(BSTR* value) override {
        *value = nullptr;
        return FAILED(pduResult) ? pduResult : Give(value, pdu);
    }
    STDMETHOD(get_Message)(SAFEARRAY**) override { return E_NOTIMPL; }
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
    HRESULT sendResult = S_OK;
    ULONG nextRequestId = 100;
    std::vector<Sent> sent;
    std::vector<Read> reads;
    std::vector<WinMbn::MBN_SMS_FILTER> deletes;
    // Runs inside SmsSendPdu, e.g. to fire an event while the call is open.
    std::function<void(ULONG requestId)> duringSend;

    STDMETHOD(GetSmsConfiguration)(WinMbn::IMbnSmsConfiguration** out) override {
        configuration->AddRef();
        return Give(out, configuration);
    }
    STDMETHOD(SetSmsConfiguration)(WinMbn::IMbnSmsConfiguration*, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SmsSendPdu(LPCWSTR pduData, BYTE size, ULONG* requestId) override;
    STDMETHOD(SmsSendCdma)
    (LPCWSTR, WinMbn::MBN_SMS_CDMA_ENCODING, WinMbn::MBN_SMS_CDMA_LANG, ULONG, SAFEARRAY*,
     ULONG*) override {
        return E_NOTIMPL;
    }
    STDMETHOD(SmsSendCdmaPdu)(SAFEARRAY*, ULONG*) override { return E_NOTIMPL; }
    STDMETHOD(SmsRead)
    (WinMbn::MBN_SMS_FILTER* filter, WinMbn::MBN_SMS_FORMAT format, ULONG* requestId) override {
        reads.push_back({*filter, format});
        return Give(requestId, nextRequestId++);
    }
    STDMETHOD(SmsDelete)(WinMbn::MBN_SMS_FILTER* filter, ULONG* requestId) override {
        deletes.push_back(*filter);
        return Give(requestId, nextRequestId++);
    }
    STDMETHOD(GetSmsStatus)(WinMbn::MBN_SMS_STATUS_INFO* info) override {
        return Give(info, status);
    }
};

class FakeSubscriber
    : public Fake<WinMbn::IMbnSubscriberInformation, WinMbn::IID_IMbnSubscriberInformation> {
public:
    std::wstring subscriberId;
    std::wstring simIccId;
    std::vector<std::wstring> numbers;
    LONG numbersLowerBound = 0;
    STDMETHOD(get_SubscriberID)(BSTR* value) override { return Give(value, subscriberId); }
    STDMETHOD(get_SimIccID)(BSTR* value) override { return Give(value, simIccId); }
    STDMETHOD(get_TelephoneNumbers)(SAFEARRAY** value) override {
        return Give(value,
                    OleLedger::current->HandArray(MakeStringArray(numbers, numbersLowerBound)));
    }
};

class FakeInterface : public Fake<WinMbn::IMbnInterface, WinMbn::IID_IMbnInterface> {
public:
    std::wstring id;
    HRESULT providerResult = S_OK;
    std::wstring providerName;
    std::wstring manufacturer, model, firmware;
    FakeSubscriber* subscriber = nullptr;

    // The SMS object answers QueryInterface for IMbnSms.
    void SetSms(FakeSms* sms) { others.push_back({WinMbn::IID_IMbnSms, sms}); }

    STDMETHOD(get_InterfaceID)(BSTR* value) override { return Give(value, id); }
    HRESULT STDMETHODCALLTYPE GetInterfaceCapability(WinMbn::MBN_INTERFACE_CAPS* caps) override;
    STDMETHOD(GetSubscriberInformation)(WinMbn::IMbnSubscriberInformation** out) override {
        subscriber->AddRef();
        return Give(out, subscriber);
    }
    STDMETHOD(GetReadyState)(WinMbn::MBN_READY_STATE* state) override {
        return Give(state, WinMbn::MBN_READY_STATE_INITIALIZED);
    }
    STDMETHOD(InEmergencyMode)(VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHomeProvider(WinMbn::MBN_PROVIDER* provider) override;
    STDMETHOD(GetPreferredProviders)(SAFEARRAY**) override { return E_NOTIMPL; }
    STDMETHOD(SetPreferredProviders)(SAFEARRAY*, ULONG*) override { return E_NOTIMPL; }
    STDMETHOD(GetVisibleProviders)(ULONG*, SAFEARRAY**) override { return E_NOTIMPL; }
    STDMETHOD(ScanNetwork)(ULONG*) override { return E_NOTIMPL; }
    STDMETHOD(GetConnection)(WinMbn::IMbnConnection**) override { return E_NOTIMPL; }
};

// The SMS-events connection point: keeps the advised sinks.
class FakeConnectionPoint : public Fake<IConnectionPoint, IID_IConnectionPoint> {
public:
    HRESULT adviseResult = S_OK;
    DWORD lastCookie = 40;
    std::vector<std::pair<DWORD, WinMbn::IMbnSmsEvents*>> sinks;
    std::vector<DWORD> unadvised;

    STDMETHOD(GetConnectionInterface)(IID* iid) override {
        return Give(iid, WinMbn::IID_IMbnSmsEvents);
    }
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    STDMETHOD(EnumConnections)(IEnumConnections**) override { return E_NOTIMPL; }
};

class FakeContainer : public Fake<IConnectionPointContainer, IID_IConnectionPointContainer> {
public:
    FakeConnectionPoint* point = nullptr;
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHOD(FindConnectionPoint)(REFIID iid, IConnectionPoint** out) override {
        if (!IsEqualIID(iid, WinMbn::IID_IMbnSmsEvents)) {
            *out = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        point->AddRef();
        return Give(out, point);
    }
};

class FakeManager : public Fake<WinMbn::IMbnInterfaceManager, WinMbn::IID_IMbnInterfaceManager> {
public:
    // The elements of the next GetInterfaces arrays (null entries allowed).
    std::vector<IUnknown*> interfaces;
    LONG lowerBound = 0;
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
