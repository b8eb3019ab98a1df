// The event sinks a backend's interface manager holds between Advise and
// Unadvise: one count on each sink per registration (see the contract in
// BackendInterface.h), released on Unadvise or when the list goes.
#pragma once

#include <cstdint>
#include <map>

#include "device/link/BackendInterface.h"

namespace DeviceLink {

class CSmsSinkList final {
public:
    CSmsSinkList() = default;
    CSmsSinkList(const CSmsSinkList&) = delete;
    CSmsSinkList& operator=(const CSmsSinkList&) = delete;
    ~CSmsSinkList() {
        for (const auto& [cookie, sink] : m_sinks) {
            (void)cookie;
            sink->Release();
        }
    }

    HRESULT Advise(IMbnSmsEvents* sink, std::uint32_t* cookie) {
        if (sink == nullptr || cookie == nullptr) {
            return E_POINTER;
        }
        sink->AddRef();
        *cookie = m_nextCookie++;
        m_sinks[*cookie] = sink;
        return S_OK;
    }
    HRESULT Unadvise(std::uint32_t cookie) {
        const auto it = m_sinks.find(cookie);
        if (it == m_sinks.end()) {
            return E_INVALIDARG;
        }
        IMbnSmsEvents* sink = it->second;
        m_sinks.erase(it);
        sink->Release();
        return S_OK;
    }
    // Calls `call` with every sink. A sink may unadvise from inside its
    // handler: walk a copy, and skip the sinks that have left meanwhile.
    template <typename Call>
    void ForEach(Call call) const {
        const auto sinks = m_sinks;
        for (const auto& [cookie, sink] : sinks) {
            if (m_sinks.count(cookie) != 0) {
                call(sink);
            }
        }
    }

private:
    std::map<std::uint32_t, IMbnSmsEvents*> m_sinks;
    std::uint32_t m_nextCookie = 1;
};

}  // namespace DeviceLink
