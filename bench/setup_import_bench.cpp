// "Load Setup" of a full setup file: every area at or just under its 2048 bytes. The meter area
// holds 128 Меркурий-230 meters on channel 0 and 128 СЭТ meters on channel 1 with passwords,
// part of them their own, and a time server; the schedule table fills the external area, long
// channel texts the local one. The settings trees are built once outside the timing.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "image/external_area.h"
#include "image/local_area.h"
#include "image/meter_area.h"
#include "image/save_setup.h"
#include "inspect/setup_dump.h"
#include "inspect/setup_import.h"
#include "settings/testing/temp_folder.h"
#include "settings/testing/tree_fixture.h"

namespace {

using quillon::testing::TreeFixture;

constexpr size_t kLimit = quillon::kAreaSizeLimit;

void SetChannel(TreeFixture& tree, const std::string& prefix, const std::string& text) {
    tree.Select(prefix + "TYPE", 0)
        .Set(prefix + "SYS", text)
        .Set(prefix + "SRV", "srv")
        .Set(prefix + "TRY", "3")
        .Set(prefix + "IP", "10.0.0.2")
        .Set(prefix + "GATE", "10.0.0.1")
        .Set(prefix + "MASK", "255.0.0.0");
}

// Meters 1..128 of both channels; the first `own` of each have a first password of their own.
void SetMeters(TreeFixture& tree, int own) {
    for (int c = 0; c < 2; ++c) {
        const std::string tag = c == 0 ? "M230" : "SET";
        for (int k = 1; k <= 128; ++k) {
            const std::string stem = "CH" + std::to_string(c) + "_" + tag + "_" + std::to_string(k);
            tree.Set(stem + "_NA", std::to_string(k));
            tree.Check(stem + "_AUTO_CORR", k % 3 == 0 ? 1 : 0);
            const std::string first =
                k <= own ? std::to_string(c) + "," + std::to_string(k) + ",0,0,0,0" : "1,1,1,1,1,1";
            tree.SetPassword(stem + "_PASS", 0, first);
            tree.SetPassword(stem + "_PASS", 1, "2,2,2,2,2,2");
            tree.SetPassword(stem + "_PASS", 2, "3,3,3,3,3,3");
        }
    }
}

size_t MeterAreaSize(TreeFixture& tree) {
    quillon::CStpAreaCnt area;
    area.Prepare(tree.Keys());
    return area.GetSize(tree.Keys());
}

// Save Setup's text of the full configuration; the schedule table goes into the folder.
std::string FullSetupFile(const quillon::testing::TempFolder& folder) {
    TreeFixture tree;
    tree.Set("LOC_GID", "0x0102").Set("EXT_GID", "0x0102");
    for (const char* prefix :
         {"LOC_MAIN_CHAN_", "LOC_RSV_CHAN_", "EXT_MAIN_CHAN_", "EXT_RSV_CHAN_"}) {
        SetChannel(tree, prefix, "KOMM-01");
    }
    tree.Select("CH0_GROUP", 1).Set("CH0_M230_NUM", "128").Set("CH0_SEB_NUM", "0");
    tree.Set("CH0_SET_NUM", "0");
    tree.Select("CH1_GROUP", 1).Set("CH1_M230_NUM", "0").Set("CH1_SEB_NUM", "0");
    tree.Set("CH1_SET_NUM", "128");
    tree.Select("TS_CHAN", 0)
        .Select("TS_TYPE", 1)
        .Set("TS_ADDR", "5")
        .Set("TS_PASS", "1,1,1,1,1,1");
    int own = 0;
    SetMeters(tree, own);
    while (MeterAreaSize(tree) <= kLimit && own < 128) {
        SetMeters(tree, ++own);
    }
    SetMeters(tree, --own);

    const auto schedule = folder / "schedule.bin";
    quillon::testing::WriteBytes(schedule, "x");
    tree.Set("TIME_TABLE", schedule.string());
    quillon::CStpAreaExt external;
    quillon::testing::WriteBytes(schedule,
                                 std::string(kLimit - external.GetSize(tree.Keys()) + 1, 'S'));
    quillon::CStpAreaLoc local;
    tree.Set("LOC_MAIN_CHAN_SYS",
             "KOMM-01" + std::string(kLimit - local.GetSize(tree.Keys()), '-'));

    std::vector<quillon::SetupAreaSlot> areas = quillon::StandardSetupAreas();
    std::ostringstream text;
    quillon::CompileSetup(tree.Keys(), areas).WriteSRecords(text, false);
    return text.str();
}

const std::string& FullFile() {
    static const quillon::testing::TempFolder folder;
    static const std::string text = FullSetupFile(folder);
    return text;
}

// The setup file's text read back, checked and decoded, then set into a tree.
void ImportFullSetupFile(benchmark::State& state) {
    const std::string& text = FullFile();
    TreeFixture tree;
    size_t values = 0;
    for (auto _ : state) {
        const quillon::inspect::SetupImport import = quillon::inspect::ImportSetupText(text);
        if (!import.problems.empty()) {
            state.SkipWithError("the full setup file has problems");
            return;
        }
        quillon::inspect::ApplySetupImport(import, tree.Keys());
        values = import.values.size();
    }
    state.counters["file_bytes"] = static_cast<double>(text.size());
    state.counters["values"] = static_cast<double>(values);
    const quillon::inspect::SetupFileReport report = quillon::inspect::InspectSetupFile(text);
    const char* names[] = {"meter_area", "external_area", "local_area"};
    for (size_t a = 0; a < report.areas.size(); ++a) {
        state.counters[names[a]] = report.areas[a] ? report.areas[a]->totalField : 0;
    }
}

// The inspector's share: reading and walking the three areas.
void InspectFullSetupFile(benchmark::State& state) {
    const std::string& text = FullFile();
    for (auto _ : state) {
        benchmark::DoNotOptimize(quillon::inspect::InspectSetupFile(text));
    }
}

BENCHMARK(ImportFullSetupFile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);
BENCHMARK(InspectFullSetupFile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
