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

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    static const fs::path dir =
        fs::temp_directory_path() / ("vantorix-store-fuzz-" + std::to_string(::getpid()));
    // The folder of this process goes when it ends, not only before each input.
    static const bool cleanUp = std::atexit([] {
                                    std::error_code ignored;
                                    fs::remove_all(dir, ignored);
                                }) == 0;
    static_cast<void>(cleanUp);
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "campaigns.sqlite").string();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary) << bytes;

    CCampaignStore store;
    StoreError error;
    StoreOptions options;
    options.busyTimeout = std::chrono::milliseconds(0);
    std::vector<CampaignRecord> campaigns;
    if (!store.Open(path, StoreMode::Send, error, options)) {
        Check(error.kind != StoreError::Kind::None && !error.text.empty());
        store.Close();
        std::ifstream in(path, std::ios::binary);
        Check(std::string(std::istreambuf_iterator<char>(in), {}) == bytes);
        return 0;
    }
    Check(store.ListCampaigns(campaigns, error) || !error.text.empty());
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
        std::vector<StoreEvent> events;
        store.GetEvents(campaign.id, events, error);
        // A send of the first row that has none: recorded, or refused.
        for (const RowRecord& row : rows) {
            if (row.state == SendState::NotSent) {
                const std::optional<int> part =
                    campaign.parts > 1 ? std::optional<int>(0) : std::nullopt;
                Check(
                    (store.MarkSending(campaign.id, row.order, part, "fuzz", error) &&
                     store.RecordResult({campaign.id, row.order, part, SendState::Sent}, error)) ||
                    !error.text.empty());
                break;
            }
        }
    }
    std::optional<std::int64_t> resumable;
    store.FindLatestResumable(resumable, error);
    return 0;
}
