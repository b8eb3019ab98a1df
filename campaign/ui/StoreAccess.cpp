#include "campaign/ui/StoreAccess.h"

#include "campaign/ui/NumbersRegion.h"

StoreOptions DesktopStoreOptions() {
    StoreOptions options;
    options.region = NumbersRegion();
    return options;
}

bool OpenStoreForVisit(const std::string& path, bool create, CCampaignStore& store,
                       StoreError& error) {
    if (store.Open(path, StoreMode::Read, error, DesktopStoreOptions())) {
        return true;
    }
    if (error.kind != StoreError::Kind::NotFound || !create || path.empty()) {
        return false;
    }
    error = {};
    if (!store.Open(path, StoreMode::Send, error, DesktopStoreOptions())) {
        return false;
    }
    // Made: from here on the sender's lock is not needed.
    store.Close();
    return store.Open(path, StoreMode::Read, error, DesktopStoreOptions());
}
