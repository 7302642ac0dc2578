// Parse throughput and tree memory of the document text format.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>

#include "DocumentGenerator.h"
#include "MQAFile.h"
#include "MemoryProbe.h"

namespace {

// Decimal megabytes per second, as the targets are stated.
benchmark::Counter megabytesPerSecond(const benchmark::State& state, size_t bytes) {
    return benchmark::Counter(static_cast<double>(bytes) * static_cast<double>(state.iterations()) / 1e6,
                              benchmark::Counter::kIsRate);
}

// Reads a document into its tree, and measures the tree.
void BM_ParseOwnedText(benchmark::State& state) {
    const std::string& text = bench::cachedDocument(static_cast<size_t>(state.range(0)));
    size_t treeBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = text;
        size_t before = bench::allocatedBytes() - copy.size();
        state.ResumeTiming();
        std::optional<MQAFile> file = MQAFile::initWithString(copy);
        state.PauseTiming();
        treeBytes = bench::allocatedBytes() - before;
        file.reset();  // freeing the tree is not part of reading it
        bench::releaseFreeMemory();
        state.ResumeTiming();
    }
    state.counters["MB_per_s"] = megabytesPerSecond(state, text.size());
    state.counters["file_MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["tree_MB"] = static_cast<double>(treeBytes) / 1e6;
    state.counters["tree_per_file"] = static_cast<double>(treeBytes) / static_cast<double>(text.size());
}

// Reads a document from text the caller keeps (one body copy).
void BM_ParseBorrowedText(benchmark::State& state) {
    const std::string& text = bench::cachedDocument(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        std::optional<MQAFile> file = MQAFile::initWithString(std::string_view(text));
        state.PauseTiming();
        file.reset();
        bench::releaseFreeMemory();
        state.ResumeTiming();
    }
    state.counters["MB_per_s"] = megabytesPerSecond(state, text.size());
}

void BM_WriteText(benchmark::State& state) {
    MQAFile file = MQAFile::initWithString(std::string_view(bench::cachedDocument(static_cast<size_t>(state.range(0)))));
    size_t bytes = 0;
    for (auto _ : state) {
        std::string out = file.stringValue();
        bytes = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["MB_per_s"] = megabytesPerSecond(state, bytes);
}

}  // namespace

BENCHMARK(BM_ParseOwnedText)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_ParseBorrowedText)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteText)->Arg(1000000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
