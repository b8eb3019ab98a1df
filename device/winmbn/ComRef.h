// A counted reference to a COM object: Release when replaced and when
// destroyed, AddRef when copied.
#pragma once

#include <utility>

#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h first: the OLE headers build on its types.
#include <windows.h>

#include <objbase.h>

namespace WinMbnBackend {

template <class T>
class ComRef {
public:
    ComRef() = default;
    // Takes over a reference the caller already owns (an [out] pointer).
    static ComRef Attach(T* p) {
        ComRef ref;
        ref.m_p = p;
        return ref;
    }
    // Adds a reference of its own (an [in] pointer).
    static ComRef Share(T* p) {
        if (p != nullptr) {
            p->AddRef();
        }
        return Attach(p);
    }

    ComRef(const ComRef& other) : m_p(other.m_p) {
        if (m_p != nullptr) {
            m_p->AddRef();
        }
    }
    ComRef(ComRef&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComRef& operator=(ComRef other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComRef() { Reset(); }

    void Reset() {
        if (T* p = std::exchange(m_p, nullptr)) {
            p->Release();
        }
    }
    // For an [out] argument: releases what is held first.
    T** Put() {
        Reset();
        return &m_p;
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // QueryInterface for `iid`; empty when the object does not answer it.
    template <class U>
    ComRef<U> As(const IID& iid) const {
        ComRef<U> result;
        if (m_p == nullptr) {
            return result;
        }
        void* out = nullptr;
        if (SUCCEEDED(m_p->QueryInterface(iid, &out)) && out != nullptr) {
            result = ComRef<U>::Attach(static_cast<U*>(out));
        }
        return result;
    }

private:
    T* m_p = nullptr;
};

}  // namespace WinMbnBackend
