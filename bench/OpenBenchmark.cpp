// Opening a document: bytes -> scene (UTF-8 check, parse, three passes, model creation).

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "DocumentGenerator.h"
#include "MemoryProbe.h"
#include "Metasequoia.h"

namespace {

// Peak memory counts from before the file's bytes are in memory, as a file open would.
void BM_Open(benchmark::State& state) {
    const std::string& text = bench::cachedDocument(static_cast<size_t>(state.range(0)));
    size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench::releaseFreeMemory();
        size_t baseline = bench::residentBytes();
        bench::resetPeakResident();
        std::string bytes = text;
        state.ResumeTiming();
        std::optional<Metasequoia> scene = Metasequoia::initWithData(std::move(bytes));
        state.PauseTiming();
        peak = std::max(peak, bench::peakResidentBytes() - baseline);
        scene.reset();
        state.ResumeTiming();
    }
    state.counters["MB_per_s"] = benchmark::Counter(
        static_cast<double>(text.size()) * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
    state.counters["file_MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["peak_per_file"] = static_cast<double>(peak) / static_cast<double>(text.size());
}

}  // namespace

BENCHMARK(BM_Open)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(3);

BENCHMARK_MAIN();
