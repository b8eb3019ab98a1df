// The command line's `numbers FILE`: the unique numbers of a numbers file.
#pragma once

#include <string>

namespace CLI {
class App;
}

// Adds `numbers FILE [--check] [--region CC]` to `app`: prints the file's
// unique numbers, cleaned for sending, one per line in UTF-8, in the order the
// sending list uses. With --check it prints instead each number that cannot be
// valid ("line 3: +4412: too short") and exits with 3 when there is any. When
// the file cannot be loaded, the loader's message goes to standard error and
// the exit status is 1.
void AddNumbersCommand(CLI::App& app);

// Adds `--region CC` to `command`, filling `region`.
void AddRegionOption(CLI::App& command, std::string& region);
// The region for national numbers: `given` (any case) when not empty, else
// the territory of the user's locale, else empty. Throws a CLI::ValidationError
// for a country the numbering plan does not know.
std::string ResolveRegion(const std::string& given);
