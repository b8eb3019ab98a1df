#include "tools/cli/CmdNumbers.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "campaign/CNumberList.h"
#include "campaign/phone/PhoneNumber.h"
#include "pdu/Unicode.h"
#include "tools/cli/Commands.h"

namespace {

struct NumbersOptions {
    std::string path;
    std::string region;
    bool check = false;
};

// Prints each number that cannot be valid; true when there is none.
bool CheckNumbers(const CNumberSet& numbers, const std::string& region) {
    if (region.empty() && Phone::HasNumberingPlan()) {
        std::cerr << "vantorix-cli: no region (--region, or the locale's territory): "
                     "national numbers are not checked\n";
    } else if (!Phone::HasNumberingPlan()) {
        std::cerr << "vantorix-cli: built without a numbering plan: only the digits are checked\n";
    }
    std::string out;
    for (std::size_t i = 0; i < numbers.GetCount(); ++i) {
        const std::string reason = Phone::CheckNumber(numbers[i], region);
        if (!reason.empty()) {
            out += "line " + std::to_string(numbers.GetLine(i)) + ": " +
                   PduLib::Utf16ToUtf8(numbers[i]) + ": " + reason + '\n';
        }
    }
    std::cout << out << std::flush;
    return out.empty();
}

}  // namespace

void AddRegionOption(CLI::App& command, std::string& region) {
    command.add_option("--region", region,
                       "two-letter country of numbers written without their country code, e.g. "
                       "GB (default: the territory of the locale, LC_ALL, LC_TELEPHONE or LANG); "
                       "numbers with the same E.164 form are then one");
}

std::string ResolveRegion(const std::string& given) {
    if (given.empty()) {
        return Phone::RegionFromEnvironment();
    }
    std::string region = Phone::NormalRegion(given);
    if (region.empty()) {
        throw CLI::ValidationError("--region", "unknown country '" + given + "'");
    }
    return region;
}

void AddNumbersCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "numbers",
        "Print the unique numbers of a numbers file, cleaned for sending, one per line, in "
        "sending order; or, with --check, those that cannot be valid (exit status 3)");
    auto o = std::make_shared<NumbersOptions>();
    command->add_option("FILE", o->path, "Numbers file: UTF-16 or UTF-8 text, one number per line")
        ->required();
    command->add_flag("--check", o->check,
                      "print each number that cannot be valid, with its line and why, instead "
                      "of the numbers");
    AddRegionOption(*command, o->region);
    command->callback([o] {
        CNumberList list;
        list.m_strFilePath = PduLib::Utf8ToUtf16(o->path);
        list.m_strRegion = ResolveRegion(o->region);
        std::u16string error;
        if (!list.Load(error)) {
            std::cerr << PduLib::Utf16ToUtf8(error) << '\n';
            throw CLI::RuntimeError(1);
        }
        if (o->check) {
            if (!CheckNumbers(list.m_mapNumbers, list.m_strRegion)) {
                throw CLI::RuntimeError(kExitSomeFailed);
            }
            return;
        }
        std::string out;
        for (const std::u16string_view number : list.m_mapNumbers) {
            out += PduLib::Utf16ToUtf8(number);
            out += '\n';
        }
        std::cout << out << std::flush;
    });
}
