// The --store option that every command of the campaign store takes.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

struct StoreOption {
    std::string path;
};

void AddStoreOption(CLI::App* cmd, StoreOption& store);
// The path given, else the user's default store.
std::string StorePath(const StoreOption& option);
// True when `file` names the store at `store` or one of its side files.
bool IsStoreFile(const std::string& file, const std::string& store);
