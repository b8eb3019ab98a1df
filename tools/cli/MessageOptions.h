// The message options shared by encode and count: encoding, parts limit,
// reference size, look-alike replacement and national languages.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "pdu/MessagePlan.h"

struct CliMessageOptions {
    std::string encoding = "auto";
    unsigned maxParts = PduLib::kDefaultMaxParts;
    bool ref16 = false;
    bool noReplace = false;
    std::vector<std::string> languages;
};

// Adds --encoding, --max-parts, --ref16, --no-replace and --language to `cmd`.
void AddMessageOptions(CLI::App* cmd, CliMessageOptions& options);

// The codec's options; throws CLI::ValidationError for an unknown language.
PduLib::MessageOptions ToMessageOptions(const CliMessageOptions& options);

// The plan as one JSON object (no line end).
std::string PlanJson(const PduLib::MessagePlan& plan);
