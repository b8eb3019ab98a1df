#include <gtest/gtest.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/cli/CmdNumbers.h"

namespace {

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

// Runs `vantorix numbers ARGS` in process, with the standard streams captured.
CommandRun RunNumbers(std::vector<std::string> args) {
    CLI::App app{"vantorix"};
    app.require_subcommand(1);
    AddNumbersCommand(app);
    args.insert(args.begin(), "numbers");
    std::reverse(args.begin(), args.end());  // CLI11 takes them last first
    std::ostringstream out;
    std::ostringstream err;
    auto* oldOut = std::cout.rdbuf(out.rdbuf());
    auto* oldErr = std::cerr.rdbuf(err.rdbuf());
    int status = 0;
    try {
        app.parse(args);
    } catch (const CLI::ParseError& e) {
        status = app.exit(e, out, err);
    }
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    return {status, out.str(), err.str()};
}

TEST(CmdNumbers, PrintsTheUniqueNumbersAsUtf8InSendingOrder) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("vantorix-cmd-" + std::to_string(::getpid()) + ".txt");
    // UTF-16LE: 33333, Arabic-Indic 01234, 33333 again, 1234 (too short).
    const std::u16string text = u"33333\r\n\u0660\u0661\u0662\u0663\u0664\n 33333\n1234";
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    }
    std::ofstream(path, std::ios::binary) << bytes;
    const CommandRun run = RunNumbers({path.string()});
    std::filesystem::remove(path);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "33333\n\xD9\xA0\xD9\xA1\xD9\xA2\xD9\xA3\xD9\xA4\n");
    EXPECT_EQ(run.err, "");
}

TEST(CmdNumbers, ReportsTheLoaderMessageWithStatus1) {
    const CommandRun run = RunNumbers({"/nonexistent/numbers.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Could Not Open File [/nonexistent/numbers.txt] to Read Numbers.\n");
}

}  // namespace
