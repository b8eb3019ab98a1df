// The command line's `numbers FILE`: the unique numbers of a numbers file.
#pragma once

namespace CLI {
class App;
}

// Adds `numbers FILE` to `app`: prints the file's unique numbers, one per line
// in UTF-8, in the order the sending list uses. When the file cannot be
// loaded, the loader's message goes to standard error and the exit status is 1.
void AddNumbersCommand(CLI::App& app);
