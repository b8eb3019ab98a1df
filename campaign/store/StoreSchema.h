// The schema of the campaign store, one step per version.
#pragma once

#include <cstddef>

namespace StoreSchema {

// kSteps[v] turns a store of version v into one of version v + 1; it runs
// inside the migration's transaction. Version 0 is an empty file.
extern const char* const kSteps[];
extern const std::size_t kStepCount;

}  // namespace StoreSchema
