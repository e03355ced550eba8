// Building the whole settings tree headless and registering its keys: what the main window does
// at start before it fills the tree view.
#include <benchmark/benchmark.h>

#include "settings/catalogue.h"
#include "settings/command_listeners.h"
#include "settings/key_map.h"
#include "settings/memory_control.h"

namespace {

void BuildAndRegister(benchmark::State& state) {
    for (auto _ : state) {
        quillon::MemoryControlFactory owner;
        quillon::CommandListeners listeners;
        quillon::KeyMap keys;
        auto root = quillon::BuildCatalogue(owner, listeners);
        root->RegisterKeys(keys);
        benchmark::DoNotOptimize(keys.Size());
        state.PauseTiming();
        root.reset();  // tearing the tree down is not part of the start-up
        state.ResumeTiming();
    }
    state.counters["entries"] = quillon::kCatalogueEntryCount;
    state.counters["controls"] = quillon::kCatalogueControlCount;
}

BENCHMARK(BuildAndRegister)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
