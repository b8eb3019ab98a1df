// Campaign store files from anywhere (a damaged disk, a copied or edited
// file): any bytes must open, or be refused with a message and be left as
// they were. An opened store must read back consistently and take a send.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"

namespace {

namespace fs = std::filesystem;

std::string ScratchPath() {
    static const std::string path = [] {
        const fs::path dir =
            fs::temp_directory_path() / ("vantorix-store-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        return (dir / "campaigns.sqlite").string();
    }();
    return path;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ScratchPath();
    for (const char* suffix : {"-wal", "-shm"}) {
        fs::remove(path + suffix);
    }
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

    CCampaignStore store;
    StoreError error;
    StoreOptions options;
    options.busyTimeout = std::chrono::milliseconds(0);
    if (!store.Open(path, StoreMode::Send, error, options)) {
        Check(error.kind != StoreError::Kind::None && !error.text.empty());
        store.Close();
        Check(ReadAll(path) == bytes);
        return 0;
    }
    std::vector<CampaignRecord> campaigns;
    if (!store.ListCampaigns(campaigns, error)) {
        Check(!error.text.empty());
        return 0;
    }
    for (const CampaignRecord& campaign : campaigns) {
        const SendCounts& c = campaign.counts;
        // Open for sending settled every send in flight.
        Check(c.sending == 0 && campaign.state != CampaignState::Running);
        Check(c.total == c.notSent + c.sent + c.failed + c.unknown);
        std::vector<RowRecord> rows;
        if (!store.GetRows(campaign.id, rows, error)) {
            Check(!error.text.empty());
            continue;
        }
        Check(static_cast<std::int64_t>(rows.size()) == c.total);
        for (std::size_t i = 1; i < rows.size(); ++i) {
            Check(rows[i - 1].order < rows[i].order);
        }
        std::vector<StoreEvent> events;
        store.GetEvents(campaign.id, events, error);
        // A send of the first row that has none: recorded, or refused.
        for (const RowRecord& row : rows) {
            if (row.state != SendState::NotSent) {
                continue;
            }
            const std::optional<int> part =
                campaign.parts > 1 ? std::optional<int>(0) : std::nullopt;
            if (store.MarkSending(campaign.id, row.order, part, "fuzz", error)) {
                Check(store.RecordResult({campaign.id, row.order, part, SendState::Sent}, error) ||
                      !error.text.empty());
            } else {
                Check(!error.text.empty());
            }
            break;
        }
    }
    std::optional<std::int64_t> resumable;
    store.FindLatestResumable(resumable, error);
    return 0;
}
