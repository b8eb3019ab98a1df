// The backend seam: which factory creates the interface manager, and for
// which selector. Set at start-up, read on every discovery, one thread.
#include <utility>

#include "device/platform/Mbn.h"

namespace Mbn {
namespace {

BackendFactory& Factory() {
    static BackendFactory factory;
    return factory;
}

std::string& Selector() {
    static std::string selector = "auto";
    return selector;
}

}  // namespace

void SetBackendFactory(BackendFactory factory) {
    Factory() = std::move(factory);
}

void SetBackendSelector(std::string selector) {
    Selector() = std::move(selector);
}

std::string BackendSelector() {
    return Selector();
}

HRESULT CreateMbnInterfaceManager(std::shared_ptr<IMbnInterfaceManager>* manager) {
    if (manager == nullptr)
        return E_POINTER;
    const BackendFactory& factory = Factory();
    if (!factory)
        return MBN_E_NO_BACKEND;
    std::shared_ptr<IMbnInterfaceManager> created;
    const HRESULT hr = factory(Selector(), &created);
    if (FAILED(hr))
        return hr;
    if (!created)
        return E_UNEXPECTED;
    *manager = std::move(created);
    return S_OK;
}

}  // namespace Mbn
