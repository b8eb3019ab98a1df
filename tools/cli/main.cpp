// vantorix-cli: the command-line face of Vantorix.
#include <iostream>

#include "tools/cli/CmdNumbers.h"
#include "tools/cli/Commands.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    CLI::App app{"Vantorix: bulk SMS through a USB modem, from the command line.", "vantorix-cli"};
    app.require_subcommand(1);
    app.fallthrough(false);
    AddEncodeCommand(app);
    AddDecodeCommand(app);
    AddCountCommand(app);
    AddPreviewCommand(app);
    AddNumbersCommand(app);
    AddCampaignsCommands(app);
    AddInboxCommands(app);
#ifdef VANTORIX_CLI_WITH_MODEMS
    AddSendCommand(app);
    AddModemsCommand(app);
    AddResumeCommand(app);
    AddRunDueCommand(app);
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::RuntimeError& e) {
        std::cout.flush();
        return e.get_exit_code();
    } catch (const CLI::ParseError& e) {
        app.exit(e);  // prints the problem and a hint at --help
        return kExitUsage;
    }
    std::cout.flush();
    return kExitOk;
}
