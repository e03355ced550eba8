// The whole "Save Setup" of the example site: all three areas compiled from the tree, the image,
// the S-record text and the file replaced on the disk.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "image/save_setup.h"
#include "settings/ini_file.h"
#include "settings/testing/tree_fixture.h"

namespace {

namespace fs = std::filesystem;

// The example names its schedule file relative to the repository's root.
const fs::path kRepository = fs::path(__FILE__).parent_path().parent_path();

void SaveSetup(benchmark::State& state) {
    const fs::path before = fs::current_path();
    fs::current_path(kRepository);
    quillon::testing::TreeFixture tree;
    quillon::LoadIniFile("examples/site.ini", tree.Keys());
    const fs::path file =
        fs::temp_directory_path() / ("save_setup_bench_" + std::to_string(getpid()) + ".s19");
    for (auto _ : state) {
        std::vector<quillon::SetupAreaSlot> areas = quillon::StandardSetupAreas();
        const quillon::CFlashImage image = quillon::CompileSetup(tree.Keys(), areas);
        quillon::WriteSetupFile(image, file);
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(file));
    fs::remove(file);
    fs::current_path(before);
}

BENCHMARK(SaveSetup)->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
