// vantorix-cli count: what a text costs before it is sent.
#include <iostream>
#include <string>

#include "pdu/Unicode.h"
#include "tools/cli/Commands.h"
#include "tools/cli/MessageOptions.h"

void AddCountCommand(CLI::App& app) {
    auto text = std::make_shared<std::string>();
    auto options = std::make_shared<CliMessageOptions>();
    CLI::App* cmd = app.add_subcommand(
        "count",
        "Count a message text (signature included) as it would be sent and print one JSON "
        "object: encoding, characters, units (septets or UCS2 units), parts, per_part, "
        "remaining (units left in the last part), the national tables, the replaced "
        "look-alikes and the characters that cannot be sent. Exits 1 when the text is refused "
        "(over the parts limit, or not valid UTF-8).");
    cmd->add_option("--text", *text, "message text (UTF-8)")->required();
    AddMessageOptions(cmd, *options);
    cmd->callback([text, options]() {
        if (!PduLib::IsValidUtf8(*text)) {
            std::cerr << "vantorix-cli: count: the text is not valid UTF-8\n";
            throw CLI::RuntimeError(kExitFailure);
        }
        const auto plan =
            PduLib::PlanMessage(PduLib::Utf8ToUtf16(*text), ToMessageOptions(*options));
        std::cout << PlanJson(plan) << '\n';
        if (!plan.ok()) {
            std::cerr << "vantorix-cli: count: " << plan.error << '\n';
            throw CLI::RuntimeError(kExitFailure);
        }
    });
}
