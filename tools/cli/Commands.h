// The subcommands of vantorix-cli. Each adds itself to the application; its
// callback runs during parsing and reports a non-zero exit status by
// throwing CLI::RuntimeError(status).
#pragma once

#include <CLI/CLI.hpp>

void AddEncodeCommand(CLI::App& app);
void AddDecodeCommand(CLI::App& app);
void AddCountCommand(CLI::App& app);
// Each recipient's own text and parts, from a numbers file or a CSV table.
void AddPreviewCommand(CLI::App& app);
// The campaign store's history: `campaigns` and `show`.
void AddCampaignsCommands(CLI::App& app);
// The received messages (`inbox`) and the opt-out list (`optouts`).
void AddInboxCommands(CLI::App& app);
// With the modem link (Qt): a whole campaign, and the list of modems.
void AddSendCommand(CLI::App& app);
void AddModemsCommand(CLI::App& app);
void AddResumeCommand(CLI::App& app);
void AddRunDueCommand(CLI::App& app);

// Exit statuses shared by the subcommands.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailure = 1,  // bad input, a codec failure
    kExitUsage = 2,    // usage errors
    kExitSomeFailed = 3,
};
