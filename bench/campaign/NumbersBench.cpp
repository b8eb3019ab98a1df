// Load time of a full numbers file (65,535 lines) in each encoding, and the
// cost of routing a send result to its row in a full campaign.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "campaign/CCampaignLoop.h"
#include "campaign/CNumberList.h"
#include "pdu/Unicode.h"

namespace {

namespace fs = std::filesystem;

// 65,535 lines of international numbers, one in eight repeated.
std::u16string FullFileText() {
    std::string text;
    for (std::size_t i = 0; i < CNumberList::kMaxLines; ++i) {
        const std::size_t n = (i % 8 == 7) ? i - 7 : i;
        text += "+9715" + std::to_string(10000000 + n * 37) + "\r\n";
    }
    return PduLib::Utf8ToUtf16(text);
}

std::u16string WriteFile(const char* name, bool utf16) {
    const fs::path path =
        fs::temp_directory_path() / ("vantorix-bench-" + std::to_string(::getpid()) + name);
    const std::u16string text = FullFileText();
    std::string bytes;
    if (utf16) {
        bytes = "\xFF\xFE";
        for (char16_t c : text) {
            bytes.push_back(static_cast<char>(c & 0xFF));
            bytes.push_back(static_cast<char>(c >> 8));
        }
    } else {
        bytes = PduLib::Utf16ToUtf8(text);
    }
    std::ofstream(path, std::ios::binary) << bytes;
    return PduLib::Utf8ToUtf16(path.string());
}

void LoadFile(benchmark::State& state, bool utf16) {
    const std::u16string path = WriteFile(utf16 ? "-utf16.txt" : "-utf8.txt", utf16);
    std::size_t count = 0;
    for (auto _ : state) {
        CNumberList list;
        list.m_strFilePath = path;
        std::u16string error;
        if (!list.Load(error)) {
            state.SkipWithError("load failed");
            break;
        }
        count = list.m_mapNumbers.GetCount();
        benchmark::DoNotOptimize(count);
    }
    state.counters["numbers"] = static_cast<double>(count);
    fs::remove(PduLib::Utf16ToUtf8(path));
}

void BM_LoadFullFileUtf16LE(benchmark::State& state) {
    LoadFile(state, true);
}
BENCHMARK(BM_LoadFullFileUtf16LE)->Unit(benchmark::kMillisecond);

void BM_LoadFullFileUtf8(benchmark::State& state) {
    LoadFile(state, false);
}
BENCHMARK(BM_LoadFullFileUtf8)->Unit(benchmark::kMillisecond);

class CountingFront : public ISmsFront {
public:
    std::u16string GetOperatorNameText() override { return {}; }
    std::u16string GetDeviceStatusText() override { return {}; }
    bool CanSendSms(std::u16string&) override { return true; }
    PduLib::MessagePlan PlanSms(std::u16string_view) override {
        PduLib::MessagePlan plan;
        plan.parts = 1;
        return plan;
    }
    HRESULT ComposeSms(const std::u16string&, const std::u16string& number,
                       std::vector<std::u16string>& parts, std::u16string&) override {
        parts.assign(1, number);
        return S_OK;
    }
    HRESULT SendSmsPart(const std::u16string&, const std::u16string&, std::uint32_t* requestId,
                        std::u16string&) override {
        *requestId = m_next++;
        return S_OK;
    }

private:
    std::uint32_t m_next = 1;
};

// Final statuses for every row of a full campaign, in an order unlike the
// rows'; per result, so that a walk over the rows would show as thousands of
// times slower.
void BM_SendResultInFullCampaign(benchmark::State& state) {
    std::vector<std::u16string> numbers;
    for (std::size_t i = 0; i < CNumberList::kMaxLines; ++i) {
        numbers.push_back(u"+97150" + PduLib::Utf8ToUtf16(std::to_string(1000000 + i)));
    }
    for (auto _ : state) {
        state.PauseTiming();
        CountingFront front;
        CCampaignLoop loop(front);
        loop.SetNumbers(numbers);
        std::u16string notice;
        loop.Start(u"numbers.txt", u"Hello", notice);
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            loop.Tick();
        }
        state.ResumeTiming();
        std::uint32_t id = 0;
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            id = (id + 40499) % CNumberList::kMaxLines;  // 40499 is prime to 65535
            loop.OnSmsSendResult(id + 1, S_OK);
        }
        if (loop.GetCounts().sent != numbers.size()) {
            state.SkipWithError("results lost");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(numbers.size()));
}
BENCHMARK(BM_SendResultInFullCampaign)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
