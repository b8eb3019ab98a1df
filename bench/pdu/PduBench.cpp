// Compose and decode throughput of the codec.
#include <benchmark/benchmark.h>

#include <string>

#include "pdu/CPduComposer.h"
#include "pdu/Hex.h"
#include "pdu/PartsComposer.h"
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

// The same single-part text through the multi-part composer.
void BM_ComposePartsSingleGsm(benchmark::State& state) {
    PduLib::CPartsComposer composer;
    composer.SetServiceCenter(u"+447785016005");
    const std::u16string text = kText + u" - Sent with Quorvel Vantorix";
    std::uint64_t n = 0;
    for (auto _ : state) {
        const std::u16string to = u"+4477009" + std::u16string(1, u'0' + (n++ % 10)) + u"0123";
        benchmark::DoNotOptimize(composer.Compose(text, to, 1));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ComposePartsSingleGsm);

// A Russian text of three UCS2 parts (186 characters).
void BM_ComposeThreePartUcs2(benchmark::State& state) {
    PduLib::CPartsComposer composer;
    composer.SetServiceCenter(u"+447785016005");
    std::u16string text;
    while (text.size() < 170) {
        text +=
            u"\u041F\u0440\u0438\u0432\u0435\u0442, \u0432\u0441\u0442\u0440\u0435\u0447\u0430 "
            u"\u0432 \u043F\u043E\u043D\u0435\u0434\u0435\u043B\u044C\u043D\u0438\u043A. ";
    }
    std::uint64_t n = 0;
    for (auto _ : state) {
        const std::u16string to = u"+4477009" + std::u16string(1, u'0' + (n++ % 10)) + u"0123";
        if (!composer.Compose(text, to, static_cast<std::uint16_t>(n)) ||
            composer.Pdus().size() != 3) {
            state.SkipWithError("not three parts");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ComposeThreePartUcs2);

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
