// "Save Ini-file" and "Load Ini-file" of the complete tree (1,574 sections, every meter and
// controller), with the file in the system's temporary folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "settings/ini_file.h"
#include "settings/testing/tree_fixture.h"

namespace {

namespace fs = std::filesystem;

fs::path BenchFile() {
    return fs::temp_directory_path() / ("ini_file_bench_" + std::to_string(getpid()) + ".ini");
}

// A tree with values in the profile and meter sections, as a configured site has.
void Configure(quillon::testing::TreeFixture& tree) {
    tree.Set("LOC_GID", "0x0102").Set("LOC_MAIN_CHAN_SYS", "КОММ-01").Select("CH0_GROUP", 1);
    for (int n = 1; n <= 128; ++n) {
        tree.Set("CH0_M230_" + std::to_string(n) + "_NA", std::to_string(n))
            .SetPassword("CH0_M230_" + std::to_string(n) + "_PASS", 0, "1,1,1,1,1,1");
    }
}

void FormatOnly(benchmark::State& state) {
    quillon::testing::TreeFixture tree;
    Configure(tree);
    for (auto _ : state) {
        benchmark::DoNotOptimize(quillon::FormatIniFile(tree.Keys()));
    }
}

// Formatting, the temporary file, its flush to the disk and the rename.
void SaveIniFile(benchmark::State& state) {
    quillon::testing::TreeFixture tree;
    Configure(tree);
    const fs::path file = BenchFile();
    for (auto _ : state) {
        quillon::SaveIniFile(file, tree.Keys());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(file));
    fs::remove(file);
}

void LoadIniFile(benchmark::State& state) {
    quillon::testing::TreeFixture saved;
    Configure(saved);
    const fs::path file = BenchFile();
    quillon::SaveIniFile(file, saved.Keys());
    quillon::testing::TreeFixture tree;
    for (auto _ : state) {
        quillon::LoadIniFile(file, tree.Keys());
    }
    fs::remove(file);
}

BENCHMARK(FormatOnly)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(SaveIniFile)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(LoadIniFile)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
