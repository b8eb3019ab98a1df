// The campaign store's costs: creating a campaign of 65,535 numbers, the
// durable write-ahead of a single send (synchronous FULL, one commit per
// mark and per result), group commit for a gateway, and reading a full
// campaign's rows back for the history view.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "campaign/store/CampaignStore.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFullCampaign = 65535;

std::string FreshPath(const char* name) {
    const fs::path dir =
        fs::temp_directory_path() / ("vantorix-store-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / (std::string(name) + ".sqlite");
    for (const char* suffix : {"", "-wal", "-shm", ".lock"}) {
        fs::remove(path.string() + suffix);
    }
    return path.string();
}

NewCampaign MakeCampaign(std::size_t count) {
    NewCampaign campaign;
    campaign.message = "Our shop opens at 9 tomorrow. Reply STOP to opt out.";
    campaign.encoding = "GSM 7-bit";
    campaign.numbersPath = "/home/user/numbers.txt";
    campaign.numbersHash = ContentHash("numbers");
    campaign.settings = R"({"interval_ms":1000,"modem":"sim"})";
    for (std::size_t i = 0; i < count; ++i) {
        campaign.numbers.push_back("+9715" + std::to_string(10000000 + i * 37));
    }
    return campaign;
}

bool OpenStore(CCampaignStore& store, const std::string& path, benchmark::State& state) {
    StoreError error;
    if (!store.Open(path, StoreMode::Send, error)) {
        state.SkipWithError(error.text.c_str());
        return false;
    }
    return true;
}

void BM_CreateCampaign(benchmark::State& state) {
    const NewCampaign campaign = MakeCampaign(kFullCampaign);
    const std::string path = FreshPath("create");
    CCampaignStore store;
    if (!OpenStore(store, path, state)) {
        return;
    }
    for (auto _ : state) {
        std::int64_t id = 0;
        StoreError error;
        if (!store.CreateCampaign(campaign, id, error)) {
            state.SkipWithError(error.text.c_str());
            break;
        }
    }
    store.Close();
    fs::remove_all(fs::path(path).parent_path());
}
BENCHMARK(BM_CreateCampaign)->Unit(benchmark::kMillisecond)->UseRealTime();

// One send as the modem loop records it: the write-ahead mark, then the
// result, each committed and synced on its own.
void BM_SingleSendDurable(benchmark::State& state) {
    const bool resultToo = state.range(0) != 0;
    const std::string path = FreshPath("single");
    CCampaignStore store;
    if (!OpenStore(store, path, state)) {
        return;
    }
    const NewCampaign campaign = MakeCampaign(kFullCampaign);
    std::int64_t id = 0;
    StoreError error;
    store.CreateCampaign(campaign, id, error);
    std::int64_t row = 0;
    for (auto _ : state) {
        if (!store.MarkSending(id, row, std::nullopt, "sim", error) ||
            (resultToo &&
             !store.RecordResult(
                 {id, row, std::nullopt, SendState::Sent, "Sent", 0, row, row & 0xff}, error))) {
            state.SkipWithError(error.text.c_str());
            break;
        }
        if (++row == static_cast<std::int64_t>(kFullCampaign)) {
            state.PauseTiming();
            store.CreateCampaign(campaign, id, error);
            row = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    store.Close();
    fs::remove_all(fs::path(path).parent_path());
}
BENCHMARK(BM_SingleSendDurable)
    ->ArgName("with_result")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A gateway's group commit: the marks of `batch` sends in one transaction,
// then their results in another. Items are sends.
void BM_GroupCommit(benchmark::State& state) {
    const auto batch = static_cast<std::int64_t>(state.range(0));
    const std::string path = FreshPath("group");
    CCampaignStore store;
    if (!OpenStore(store, path, state)) {
        return;
    }
    const NewCampaign campaign = MakeCampaign(kFullCampaign);
    std::int64_t id = 0;
    StoreError error;
    store.CreateCampaign(campaign, id, error);
    std::int64_t row = 0;
    std::vector<SendUpdate> marks;
    std::vector<SendUpdate> results;
    for (auto _ : state) {
        if (row + batch > static_cast<std::int64_t>(kFullCampaign)) {
            state.PauseTiming();
            store.CreateCampaign(campaign, id, error);
            row = 0;
            state.ResumeTiming();
        }
        marks.clear();
        results.clear();
        for (std::int64_t i = row; i < row + batch; ++i) {
            marks.emplace_back(id, i, std::nullopt, SendState::Sending, "", std::nullopt,
                               std::nullopt, std::nullopt, "gateway");
            results.emplace_back(id, i, std::nullopt, SendState::Sent, "Sent", 0, i);
        }
        if (!store.Apply(marks, error) || !store.Apply(results, error)) {
            state.SkipWithError(error.text.c_str());
            break;
        }
        row += batch;
    }
    state.SetItemsProcessed(state.iterations() * batch);
    store.Close();
    fs::remove_all(fs::path(path).parent_path());
}
BENCHMARK(BM_GroupCommit)
    ->ArgName("batch")
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The history view opening a full campaign: its record and all its rows.
void BM_ReadFullCampaign(benchmark::State& state) {
    const std::string path = FreshPath("read");
    CCampaignStore store;
    if (!OpenStore(store, path, state)) {
        return;
    }
    std::int64_t id = 0;
    StoreError error;
    store.CreateCampaign(MakeCampaign(kFullCampaign), id, error);
    std::vector<SendUpdate> results;
    for (std::int64_t i = 0; i < 20000; ++i) {
        results.emplace_back(id, i, std::nullopt, SendState::Sending);
    }
    store.Apply(results, error);
    store.Close();
    CCampaignStore reader;
    if (!reader.Open(path, StoreMode::Read, error)) {
        state.SkipWithError(error.text.c_str());
        return;
    }
    for (auto _ : state) {
        CampaignRecord campaign;
        std::vector<RowRecord> rows;
        if (!reader.GetCampaign(id, campaign, error) || !reader.GetRows(id, rows, error)) {
            state.SkipWithError(error.text.c_str());
            break;
        }
        benchmark::DoNotOptimize(rows.data());
    }
    reader.Close();
    fs::remove_all(fs::path(path).parent_path());
}
BENCHMARK(BM_ReadFullCampaign)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
