// Compose and decode throughput of the codec.
#include <benchmark/benchmark.h>

#include <string>

#include "pdu/CPduComposer.h"
#include "pdu/Hex.h"
#include "pdu/PduDecoder.h"

namespace {

const std::u16string kText = u"Your appointment is on Monday at 10:00. Reply STOP to opt out.";

void BM_ComposeSinglePart(benchmark::State& state) {
    PduLib::CPduComposer composer;
    composer.SetTrace(nullptr);
    composer.SetServiceCenter(u"+447785016005");
    composer.SetMessageText(kText + u" - Sent with Quorvel Vantorix");
    std::uint64_t n = 0;
    for (auto _ : state) {
        composer.SetDestination(u"+4477009" + std::u16string(1, u'0' + (n++ % 10)) + u"0123");
        benchmark::DoNotOptimize(composer.ComposePdu());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ComposeSinglePart);

void BM_DecodeSinglePart(benchmark::State& state) {
    PduLib::CPduComposer composer;
    composer.SetTrace(nullptr);
    composer.SetServiceCenter(u"+447785016005");
    composer.SetMessageText(kText);
    composer.SetDestination(u"+447700900123");
    composer.ComposePdu();
    std::string octets, error;
    PduLib::FromHex(composer.PduHex(), octets, error);
    for (auto _ : state) {
        benchmark::DoNotOptimize(PduLib::DecodeSubmitPdu(octets));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DecodeSinglePart);

void BM_DecodeFromHex(benchmark::State& state) {
    PduLib::CPduComposer composer;
    composer.SetTrace(nullptr);
    composer.SetMessageText(kText);
    composer.SetDestination(u"+447700900123");
    composer.ComposePdu();
    const std::string hex = composer.PduHex();
    std::string octets, error;
    for (auto _ : state) {
        PduLib::FromHex(hex, octets, error);
        benchmark::DoNotOptimize(PduLib::DecodeSubmitPdu(octets));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DecodeFromHex);

}  // namespace

BENCHMARK_MAIN();
