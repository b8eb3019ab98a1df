// Opening the campaign store for the desktop program's short visits: the
// inbox, the opt-out list and the messages the modem hands up.
#pragma once

#include <string>

#include "campaign/store/CampaignStore.h"

// The options of every store the desktop program opens: numbers written
// nationally are read with NumbersRegion().
StoreOptions DesktopStoreOptions();

// Opens the store at `path` for reading, which also allows receiving and
// editing the opt-out list. With `create`, a store that does not exist yet
// is created (briefly as the sender, to make the file). False with `error`
// otherwise; NotFound when there is none and `create` is not set.
bool OpenStoreForVisit(const std::string& path, bool create, CCampaignStore& store,
                       StoreError& error);
