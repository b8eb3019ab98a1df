#include "tools/cli/CmdNumbers.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "campaign/CNumberList.h"
#include "pdu/Unicode.h"

void AddNumbersCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "numbers", "Print the unique numbers of a numbers file, one per line, in sending order");
    auto path = std::make_shared<std::string>();
    command->add_option("FILE", *path, "Numbers file: UTF-16 or UTF-8 text, one number per line")
        ->required();
    command->callback([path] {
        CNumberList list;
        list.m_strFilePath = PduLib::Utf8ToUtf16(*path);
        std::u16string error;
        if (!list.Load(error)) {
            std::cerr << PduLib::Utf16ToUtf8(error) << '\n';
            throw CLI::RuntimeError(1);
        }
        std::string out;
        for (const std::u16string_view number : list.m_mapNumbers) {
            out += PduLib::Utf16ToUtf8(number);
            out += '\n';
        }
        std::cout << out << std::flush;
    });
}
