#include "FakeCom.h"

namespace FakeCom {

OleLedger* OleLedger::current = nullptr;

namespace {

void WINAPI LedgerFreeString(BSTR text) {
    OleLedger* ledger = OleLedger::current;
    if (text == nullptr) {
        return;
    }
    if (ledger->liveStrings.erase(text) == 0) {
        ++ledger->foreignFrees;  // not ours to free: leave it alone
        return;
    }
    ++ledger->stringsFreed;
    SysFreeString(text);
}

HRESULT WINAPI LedgerDestroyArray(SAFEARRAY* array) {
    OleLedger* ledger = OleLedger::current;
    if (ledger->liveArrays.erase(array) == 0) {
        ++ledger->foreignFrees;
        return E_INVALIDARG;
    }
    ++ledger->arraysDestroyed;
    return SafeArrayDestroy(array);
}

HRESULT WINAPI LedgerGetElement(SAFEARRAY* array, LONG* index, void* out) {
    OleLedger* ledger = OleLedger::current;
    if (ledger->failingIndices.count(*index) != 0) {
        return E_OUTOFMEMORY;
    }
    const HRESULT hr = SafeArrayGetElement(array, index, out);
    VARTYPE type = VT_EMPTY;
    if (SUCCEEDED(hr) && SUCCEEDED(SafeArrayGetVartype(array, &type)) && type == VT_BSTR) {
        // A copy made for the caller, who must free it.
        BSTR copy = *static_cast<BSTR*>(out);
        if (copy != nullptr) {
            ledger->liveStrings.insert(copy);
        }
    }
    return hr;
}

}  // namespace

OleLedger::OleLedger() {
    current = this;
    m_previous =
        WinMbnBackend::SetOleCalls({&LedgerFreeString, &LedgerDestroyArray, &LedgerGetElement});
}

OleLedger::~OleLedger() {
    WinMbnBackend::SetOleCalls(m_previous);
    for (BSTR text : liveStrings) {
        SysFreeString(text);
    }
    for (SAFEARRAY* array : liveArrays) {
        SafeArrayDestroy(array);
    }
    current = nullptr;
}

BSTR OleLedger::HandString(const std::wstring& text) {
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    liveStrings.insert(copy);
    return copy;
}

SAFEARRAY* OleLedger::HandArray(SAFEARRAY* array) {
    if (array != nullptr) {
        liveArrays.insert(array);
    }
    return array;
}

SAFEARRAY* MakeUnknownArray(const std::vector<IUnknown*>& elements, LONG lowerBound) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(elements.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_UNKNOWN, 1, &bound);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        if (elements[i] != nullptr) {
            SafeArrayPutElement(array, &index, elements[i]);  // adds a reference
        }
    }
    return array;
}

SAFEARRAY* MakeStringArray(const std::vector<std::wstring>& elements, LONG lowerBound) {
    SAFEARRAYBOUND bound = {static_cast<ULONG>(elements.size()), lowerBound};
    SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        LONG index = lowerBound + static_cast<LONG>(i);
        BSTR text = SysAllocString(elements[i].c_str());
        SafeArrayPutElement(array, &index, text);  // stores a copy
        SysFreeString(text);
    }
    return array;
}

HRESULT FakeSms::SmsSendPdu(LPCWSTR pduData, BYTE size, ULONG* requestId) {
    sent.push_back({pduData, size});
    if (FAILED(sendResult)) {
        return sendResult;
    }
    *requestId = nextRequestId++;
    if (duringSend) {
        duringSend(*requestId);
    }
    return S_OK;
}

HRESULT FakeInterface::GetInterfaceCapability(WinMbn::MBN_INTERFACE_CAPS* caps) {
    OleLedger& ledger = *OleLedger::current;
    *caps = {};
    caps->cellularClass = WinMbn::MBN_CELLULAR_CLASS_GSM;
    caps->voiceClass = WinMbn::MBN_VOICE_CLASS_NO_VOICE;
    caps->customDataClass = ledger.HandString(L"custom data");
    caps->customBandClass = ledger.HandString(L"custom band");
    caps->smsCaps = 0x3;  // PDU receive and send
    caps->deviceID = ledger.HandString(L"");
    caps->manufacturer = ledger.HandString(manufacturer);
    caps->model = ledger.HandString(model);
    caps->firmwareInfo = ledger.HandString(firmware);
    return S_OK;
}

HRESULT FakeInterface::GetHomeProvider(WinMbn::MBN_PROVIDER* provider) {
    OleLedger& ledger = *OleLedger::current;
    *provider = {};
    provider->providerID = ledger.HandString(L"00101");
    provider->providerName = ledger.HandString(providerName);
    return providerResult;
}

HRESULT FakeConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (FAILED(adviseResult)) {
        return adviseResult;
    }
    void* events = nullptr;
    if (FAILED(sink->QueryInterface(WinMbn::IID_IMbnSmsEvents, &events))) {
        return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = ++lastCookie;
    sinks.push_back({*cookie, static_cast<WinMbn::IMbnSmsEvents*>(events)});
    return S_OK;
}

HRESULT FakeConnectionPoint::Unadvise(DWORD cookie) {
    unadvised.push_back(cookie);
    for (auto it = sinks.begin(); it != sinks.end(); ++it) {
        if (it->first == cookie) {
            it->second->Release();
            sinks.erase(it);
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

HRESULT FakeManager::GetInterface(LPCWSTR id, WinMbn::IMbnInterface** out) {
    for (auto& entry : byId) {
        if (entry.first == id) {
            entry.second->AddRef();
            *out = entry.second;
            return S_OK;
        }
    }
    *out = nullptr;
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
}

HRESULT FakeManager::GetInterfaces(SAFEARRAY** out) {
    if (interfacesArray != nullptr) {
        *out = OleLedger::current->HandArray(std::exchange(interfacesArray, nullptr));
        return S_OK;
    }
    *out = OleLedger::current->HandArray(MakeUnknownArray(interfaces, lowerBound));
    return S_OK;
}

}  // namespace FakeCom
