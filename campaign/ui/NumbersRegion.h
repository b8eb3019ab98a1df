// The country of numbers written without their country code, for the
// desktop program.
#pragma once

#include <string>

// The setting that names it: two letters, e.g. "GB".
inline constexpr const char* kNumbersRegionKey = "Numbers/Region";

// The setting when it names a known country, else the territory of the
// system's locale, else empty (national numbers then have no E.164 form).
std::string NumbersRegion();
