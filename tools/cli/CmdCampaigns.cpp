// vantorix-cli campaigns and show: the history kept in the campaign store,
// read without changing it (a missing store is not created).
//
// Exit statuses: 0; 1 when the store cannot be read (damaged, locked,
// unreadable, of a newer version) or a CSV file cannot be written; 2 for a
// campaign id the store does not hold, like any other mistake on the command
// line.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>
#include <vector>

#include "campaign/store/CampaignStore.h"
#include "campaign/store/History.h"
#include "tools/cli/Commands.h"
#include "tools/cli/StoreOption.h"

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& command, const std::string& text, int status) {
    std::cerr << "vantorix-cli: " << command << ": " << text << '\n';
    throw CLI::RuntimeError(status);
}

// Opens the store for reading. False (having said nothing) when there is no
// store file yet; a store that cannot be read ends the command.
bool OpenStore(const std::string& command, const std::string& path, CCampaignStore& store) {
    StoreError error;
    if (store.Open(path, StoreMode::Read, error)) {
        return true;
    }
    if (error.kind == StoreError::Kind::NotFound && !path.empty()) {
        return false;
    }
    Fail(command, error.text, kExitFailure);
}

nlohmann::json CampaignJson(const CampaignRecord& c) {
    return {
        {"id", c.id},
        {"created", History::IsoTime(c.created)},
        {"changed", History::IsoTime(c.changed)},
        {"state", ToString(c.state)},
        {"message", c.message},
        {"encoding", c.encoding},
        {"parts", c.parts},
        {"numbers_path", c.numbersPath},
        {"total", c.counts.total},
        {"sent", c.counts.sent},
        {"failed", c.counts.failed},
        {"unknown", c.counts.unknown},
        {"sending", c.counts.sending},
        {"not_sent", c.counts.notSent},
    };
}

nlohmann::json OptionalJson(const std::optional<std::int64_t>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

nlohmann::json RowJson(const RowRecord& row, bool withParts) {
    nlohmann::json j = {
        {"order", row.order + 1},
        {"number", row.number},
        {"state", ToString(row.state)},
        {"status_text", row.statusText},
        {"code", OptionalJson(row.code)},
        {"request_id", OptionalJson(row.requestId)},
        {"tp_mr", OptionalJson(row.tpMr)},
        {"modem", row.modem},
        {"time", History::IsoTime(row.time)},
        {"delivery", History::DeliveryText(row)},
    };
    if (withParts) {
        nlohmann::json parts = nlohmann::json::array();
        for (const PartRecord& part : row.parts) {
            parts.push_back({
                {"part", part.index + 1},
                {"state", ToString(part.state)},
                {"code", OptionalJson(part.code)},
                {"request_id", OptionalJson(part.requestId)},
                {"tp_mr", OptionalJson(part.tpMr)},
                {"time", History::IsoTime(part.time)},
            });
        }
        j["parts"] = std::move(parts);
    }
    return j;
}

std::string Dump(const nlohmann::json& j) {
    // Malformed UTF-8 in a stored text must not end the command.
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The characters of a UTF-8 text (its width on a terminal, near enough).
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// A plain table: columns padded to their widest cell, numbers to the right;
// the last column is left as it is.
std::string Table(const std::vector<std::vector<std::string>>& lines,
                  const std::vector<bool>& right) {
    std::vector<std::size_t> width(right.size(), 0);
    for (const auto& line : lines) {
        for (std::size_t i = 0; i + 1 < line.size(); ++i) {
            width[i] = std::max(width[i], Width(line[i]));
        }
    }
    std::string out;
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const std::string pad(i + 1 < line.size() ? width[i] - Width(line[i]) : 0, ' ');
            text += right[i] ? pad + line[i] : line[i] + pad;
            if (i + 1 < line.size()) {
                text += "  ";
            }
        }
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        out += text + '\n';
    }
    return out;
}

std::string CountsText(const SendCounts& c) {
    std::string text = std::to_string(c.total) + " numbers: " + std::to_string(c.sent) + " sent, " +
                       std::to_string(c.failed) + " failed, " + std::to_string(c.unknown) +
                       " outcome unknown, ";
    if (c.sending > 0) {
        text += std::to_string(c.sending) + " being sent, ";
    }
    return text + std::to_string(c.notSent) + " not sent";
}

void ListCampaigns(const StoreOption& option, bool json) {
    const std::string path = StorePath(option);
    CCampaignStore store;
    std::vector<CampaignRecord> campaigns;
    if (OpenStore("campaigns", path, store)) {
        StoreError error;
        if (!store.ListCampaigns(campaigns, error)) {
            Fail("campaigns", error.text, kExitFailure);
        }
    }
    if (json) {
        nlohmann::json list = nlohmann::json::array();
        for (const CampaignRecord& c : campaigns) {
            list.push_back(CampaignJson(c));
        }
        std::cout << Dump(list) << '\n';
        return;
    }
    if (campaigns.empty()) {
        std::cout << "No campaigns yet (" << (store.IsOpen() ? "none in " : "no store at ") << path
                  << ").\n";
        return;
    }
    // Rows still being sent have no outcome yet: they count as unknown here.
    std::vector<std::vector<std::string>> lines = {
        {"ID", "Created", "State", "Numbers", "Sent", "Failed", "Unknown", "Not sent", "Message"}};
    for (const CampaignRecord& c : campaigns) {
        lines.push_back({std::to_string(c.id), History::LocalTimeText(c.created),
                         std::string(ToString(c.state)), std::to_string(c.counts.total),
                         std::to_string(c.counts.sent), std::to_string(c.counts.failed),
                         std::to_string(c.counts.unknown + c.counts.sending),
                         std::to_string(c.counts.notSent), History::MessageHead(c.message)});
    }
    std::cout << Table(lines, {true, false, false, true, true, true, true, true, false});
}

// Writes `bytes` to `path` through a file beside it, so a failed write leaves
// an older file as it was.
bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string& error) {
    const fs::path target = fs::u8path(path);
    fs::path temporary = target;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        if (!out) {
            std::error_code ec;
            fs::remove(temporary, ec);
            error = "cannot be written";
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        fs::remove(temporary, ec);
        error = "cannot be written: " + ec.message();
        return false;
    }
    return true;
}

struct ShowOptions {
    StoreOption store;
    std::int64_t id = 0;
    bool json = false;
    std::string csv;
};

void ShowCampaign(const ShowOptions& o) {
    const std::string path = StorePath(o.store);
    const std::string unknown = "there is no campaign " + std::to_string(o.id);
    CCampaignStore store;
    if (!OpenStore("show", path, store)) {
        Fail("show", unknown + " (no campaigns yet: there is no store at " + path + ")",
             kExitUsage);
    }
    if (!o.csv.empty() && IsStoreFile(o.csv, path)) {
        Fail("show", "--csv " + o.csv + " names the campaign store itself", kExitUsage);
    }
    CampaignRecord campaign;
    std::vector<RowRecord> rows;
    StoreError error;
    if (!store.GetCampaign(o.id, campaign, error) || !store.GetRows(o.id, rows, error)) {
        if (error.kind == StoreError::Kind::NotFound) {
            Fail("show", unknown + " in " + path + " (`vantorix-cli campaigns` lists them)",
                 kExitUsage);
        }
        Fail("show", error.text, kExitFailure);
    }
    const bool parts = campaign.parts > 1;
    if (o.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const RowRecord& row : rows) {
            list.push_back(RowJson(row, parts));
        }
        std::cout << Dump(list) << '\n';
        return;
    }
    if (!o.csv.empty()) {
        std::string why;
        if (!WriteFileWhole(o.csv, History::RowsCsv(campaign, rows), why)) {
            Fail("show", "the CSV file " + o.csv + " " + why, kExitFailure);
        }
        return;
    }
    std::cout << "Campaign " << campaign.id << ", created "
              << History::LocalTimeText(campaign.created) << ", " << ToString(campaign.state)
              << ": " << CountsText(campaign.counts) << ".\n"
              << "Message: " << History::MessageHead(campaign.message, 60) << "\n\n";
    std::vector<std::vector<std::string>> lines = {{"#", "Number", "State", "Time", "Status"}};
    if (parts) {
        lines.front().insert(lines.front().end() - 1, "Parts");
    }
    for (const RowRecord& row : rows) {
        std::vector<std::string> line = {std::to_string(row.order + 1), row.number,
                                         std::string(ToString(row.state)),
                                         History::RowTimeText(campaign, row), row.statusText};
        if (parts) {
            line.insert(line.end() - 1, History::PartsText(row));
        }
        lines.push_back(std::move(line));
    }
    std::vector<bool> right = {true, false, false, false, false};
    if (parts) {
        right.push_back(false);
    }
    std::cout << Table(lines, right);
}

}  // namespace

void AddCampaignsCommands(CLI::App& app) {
    auto listStore = std::make_shared<StoreOption>();
    auto listJson = std::make_shared<bool>(false);
    CLI::App* list = app.add_subcommand(
        "campaigns",
        "List the campaigns of the campaign store, newest first: id, creation time, state, the "
        "counts of numbers sent, failed, of unknown outcome and not sent, and the message. "
        "--json prints an array of objects (times in ISO 8601, UTC). A store that does not "
        "exist yet lists none and is not created.");
    list->add_flag("--json", *listJson, "one JSON array of campaign objects");
    AddStoreOption(list, *listStore);
    list->callback([listStore, listJson] { ListCampaigns(*listStore, *listJson); });

    auto show = std::make_shared<ShowOptions>();
    CLI::App* cmd = app.add_subcommand(
        "show",
        "Print the rows of one campaign of the campaign store in sending order: number, state "
        "(not_sent, sending, sent, failed, unknown), status text, final status code, time, and "
        "each part's state when the message has several. Exits 2 for an id the store does not "
        "hold, 1 when the store cannot be read.");
    cmd->add_option("ID", show->id, "the campaign's id (see `campaigns`)")
        ->required()
        ->check(CLI::PositiveNumber);
    CLI::Option* json = cmd->add_flag("--json", show->json, "one JSON array of row objects");
    cmd->add_option("--csv", show->csv,
                    "write the rows to FILE as CSV (UTF-8, formulas defused, times in UTC)")
        ->excludes(json);
    AddStoreOption(cmd, show->store);
    cmd->callback([show] { ShowCampaign(*show); });
}

void AddStoreOption(CLI::App* cmd, StoreOption& store) {
    cmd->add_option(
        "--store", store.path,
        "the campaign store (default: " +
            (DefaultStorePath().empty() ? std::string("none found") : DefaultStorePath()) + ")");
}

std::string StorePath(const StoreOption& option) {
    return option.path.empty() ? DefaultStorePath() : option.path;
}

bool IsStoreFile(const std::string& file, const std::string& store) {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm", "-journal", ".lock"}) {
        if (fs::equivalent(fs::u8path(file), fs::u8path(store + suffix), ec)) {
            return true;
        }
    }
    return false;
}
