// vantorix-cli inbox and optouts: the received messages kept in the campaign
// store, and the list of numbers that asked for no more messages.
//
// Exit statuses: 0; 1 when the store cannot be read or written or a file
// cannot be read or written; 2 for a mistake on the command line (a number
// that is none, a bad --since); 3 when an import met lines that are no
// numbers (the others are added).
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"
#include "campaign/store/History.h"
#include "tools/cli/CmdNumbers.h"
#include "tools/cli/Commands.h"
#include "tools/cli/StoreOption.h"

namespace {

[[noreturn]] void Fail(const std::string& command, const std::string& text, int status) {
    std::cerr << "vantorix-cli: " << command << ": " << text << '\n';
    throw CLI::RuntimeError(status);
}

// Opens the store; false when there is none and `create` is not set.
bool Open(const std::string& command, const StoreOption& option, const std::string& region,
          bool create, CCampaignStore& store) {
    StoreOptions options;
    options.program = "vantorix-cli " + command;
    options.region = region;
    StoreError error;
    const std::string path = StorePath(option);
    if (store.Open(path, StoreMode::Read, error, options)) {
        return true;
    }
    if (error.kind == StoreError::Kind::NotFound && !path.empty()) {
        if (!create) {
            return false;
        }
        error = {};
        if (store.Open(path, StoreMode::Send, error, options)) {
            return true;
        }
    }
    Fail(command, error.text, kExitFailure);
}

// "2024-05-06", "2024-05-06T09:30", "2024-05-06 09:30:15Z" or with an
// offset "+02:00": a time in UTC unless an offset says otherwise.
bool ParseIsoTime(const std::string& text, StoreTime& time) {
    int y = 0;
    int mo = 0;
    int d = 0;
    int h = 0;
    int mi = 0;
    int s = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) != 3) {
        return false;
    }
    std::string rest = text.substr(static_cast<std::size_t>(used));
    if (!rest.empty() && (rest[0] == 'T' || rest[0] == ' ')) {
        int n = 0;
        if (std::sscanf(rest.c_str() + 1, "%2d:%2d%n", &h, &mi, &n) != 2) {
            return false;
        }
        rest = rest.substr(static_cast<std::size_t>(n) + 1);
        if (!rest.empty() && rest[0] == ':') {
            if (std::sscanf(rest.c_str() + 1, "%2d%n", &s, &n) != 1) {
                return false;
            }
            rest = rest.substr(static_cast<std::size_t>(n) + 1);
        }
    }
    int offset = 0;
    if (rest == "Z") {
        rest.clear();
    } else if (!rest.empty()) {
        int oh = 0;
        int om = 0;
        if ((rest[0] != '+' && rest[0] != '-') ||
            std::sscanf(rest.c_str() + 1, "%2d:%2d", &oh, &om) != 2 || rest.size() != 6) {
            return false;
        }
        offset = (rest[0] == '-' ? -1 : 1) * (oh * 4 + om / 15);
    }
    if (y < 1990 || y > 2089) {
        return false;
    }
    const std::optional<std::int64_t> ms =
        TimeStampMillis(static_cast<std::uint8_t>(y % 100), static_cast<std::uint8_t>(mo),
                        static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(h),
                        static_cast<std::uint8_t>(mi), static_cast<std::uint8_t>(s), offset);
    if (!ms) {
        return false;
    }
    time = StoreTime(std::chrono::milliseconds(*ms));
    return true;
}

struct InboxOptions {
    StoreOption store;
    bool json = false;
    std::string since;
};

void ShowInbox(const InboxOptions& o) {
    MessageQuery query;
    if (!o.since.empty()) {
        StoreTime since;
        if (!ParseIsoTime(o.since, since)) {
            Fail("inbox", "--since " + o.since + " is not a time like 2024-05-06T09:30+02:00",
                 kExitUsage);
        }
        query.since = since;
    }
    CCampaignStore store;
    std::vector<MessageRecord> messages;
    StoreError error;
    if (Open("inbox", o.store, {}, false, store) && !store.ListMessages(query, messages, error)) {
        Fail("inbox", error.text, kExitFailure);
    }
    if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const MessageRecord& m : messages) {
            list.push_back({
                {"from", m.from},
                {"time", m.sentText},
                {"received", History::IsoTime(m.received)},
                {"text", m.text},
                {"complete", m.complete},
                {"parts", m.parts},
                {"parts_received", m.have},
                {"campaign", m.campaign ? nlohmann::json(*m.campaign) : nlohmann::json(nullptr)},
            });
        }
        std::cout << list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
        return;
    }
    if (messages.empty()) {
        std::cout << "No messages received.\n";
        return;
    }
    std::string out;
    for (const MessageRecord& m : messages) {
        out += History::LocalTimeText(m.sent) + "  " + m.from;
        if (m.campaign) {
            out += "  (campaign " + std::to_string(*m.campaign) + ")";
        }
        if (!m.complete) {
            out += "  [incomplete: " + std::to_string(m.have) + " of " + std::to_string(m.parts) +
                   " parts]";
        }
        out += "\n  " + History::MessageHead(m.text, 200) + '\n';
    }
    std::cout << out;
}

struct OptOutOptions {
    StoreOption store;
    std::string region;
    std::string number;
    std::string file;
};

void ListOptOuts(const OptOutOptions& o, std::ostream& out) {
    CCampaignStore store;
    std::vector<OptOutRecord> list;
    StoreError error;
    if (Open("optouts", o.store, ResolveRegion(o.region), false, store) &&
        !store.ListOptOuts(list, error)) {
        Fail("optouts", error.text, kExitFailure);
    }
    std::string text;
    for (const OptOutRecord& r : list) {
        text += r.number + '\n';
    }
    out << text;
}

void ChangeOptOut(const OptOutOptions& o, bool add) {
    CCampaignStore store;
    Open("optouts", o.store, ResolveRegion(o.region), true, store);
    StoreError error;
    bool changed = false;
    const bool done = add ? store.AddOptOut(o.number, OptOutSource::Manual, changed, error)
                          : store.RemoveOptOut(o.number, changed, error);
    if (!done) {
        Fail("optouts", error.text,
             error.kind == StoreError::Kind::Refused ? kExitUsage : kExitFailure);
    }
    if (!changed) {
        std::cerr << "vantorix-cli: optouts: " << o.number
                  << (add ? " is on the list already\n" : " is not on the list\n");
    }
}

void ImportOptOuts(const OptOutOptions& o) {
    std::ifstream in(o.file, std::ios::binary);
    if (!in) {
        Fail("optouts", "the file " + o.file + " cannot be read", kExitFailure);
    }
    std::vector<std::string> numbers;
    std::string line;
    while (std::getline(in, line)) {
        if (numbers.empty() && line.rfind("\xEF\xBB\xBF", 0) == 0) {
            line.erase(0, 3);
        }
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty() && line[0] != '#') {
            numbers.push_back(line);
        }
    }
    CCampaignStore store;
    Open("optouts", o.store, ResolveRegion(o.region), true, store);
    std::int64_t added = 0;
    std::vector<std::string> refused;
    StoreError error;
    if (!store.AddOptOuts(numbers, OptOutSource::Import, added, refused, error)) {
        Fail("optouts", error.text, kExitFailure);
    }
    std::cerr << "vantorix-cli: optouts: " << added << " added, "
              << numbers.size() - refused.size() - static_cast<std::size_t>(added)
              << " on the list already\n";
    for (const std::string& number : refused) {
        std::cerr << "vantorix-cli: optouts: not a telephone number: " << number << '\n';
    }
    if (!refused.empty()) {
        throw CLI::RuntimeError(kExitSomeFailed);
    }
}

void ExportOptOuts(const OptOutOptions& o) {
    if (IsStoreFile(o.file, StorePath(o.store))) {
        Fail("optouts", o.file + " names the campaign store itself", kExitUsage);
    }
    std::ofstream out(o.file, std::ios::binary | std::ios::trunc);
    ListOptOuts(o, out);
    out.close();
    if (!out) {
        Fail("optouts", "the file " + o.file + " cannot be written", kExitFailure);
    }
}

}  // namespace

void AddInboxCommands(CLI::App& app) {
    auto inbox = std::make_shared<InboxOptions>();
    CLI::App* cmd = app.add_subcommand(
        "inbox",
        "List the messages received, newest first: sender (E.164, or the sender's name), the "
        "service centre's time, the text (parts joined) and the campaign it answers. A message "
        "still missing parts is listed as incomplete once its first part is a day old.");
    cmd->add_flag("--json", inbox->json,
                  "one JSON array of objects: from, time (ISO 8601), received, text, complete, "
                  "parts, parts_received, campaign (id or null)");
    cmd->add_option("--since", inbox->since,
                    "only messages received at or after this time (ISO 8601, UTC unless an "
                    "offset is given), e.g. 2024-05-06 or 2024-05-06T09:30+02:00");
    AddStoreOption(cmd, inbox->store);
    cmd->callback([inbox] { ShowInbox(*inbox); });

    CLI::App* optouts = app.add_subcommand(
        "optouts",
        "The numbers that asked for no more messages (a STOP reply, or added here): campaigns "
        "skip them.");
    optouts->require_subcommand(1);
    const struct {
        const char* name;
        const char* help;
        const char* argument;
        void (*run)(const OptOutOptions&);
    } actions[] = {
        {"list", "print the list, one E.164 number per line", nullptr,
         [](const OptOutOptions& o) { ListOptOuts(o, std::cout); }},
        {"add", "put NUMBER on the list", "NUMBER",
         [](const OptOutOptions& o) { ChangeOptOut(o, true); }},
        {"remove", "take NUMBER off the list", "NUMBER",
         [](const OptOutOptions& o) { ChangeOptOut(o, false); }},
        {"import", "add the numbers of FILE (one per line, UTF-8)", "FILE", &ImportOptOuts},
        {"export", "write the list to FILE, one E.164 number per line", "FILE", &ExportOptOuts},
    };
    for (const auto& action : actions) {
        auto o = std::make_shared<OptOutOptions>();
        CLI::App* sub = optouts->add_subcommand(action.name, action.help);
        if (action.argument != nullptr) {
            sub->add_option(action.argument, action.argument[0] == 'F' ? o->file : o->number)
                ->required();
        }
        AddStoreOption(sub, o->store);
        AddRegionOption(*sub, o->region);
        sub->callback([o, run = action.run] { run(*o); });
    }
}
