// Compiling the meter area of a full configuration: 128 meters with passwords on each channel.
// Prepare, GetSize and Build are what "Save Setup" runs for it; the tree is built once.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/meter_area.h"
#include "settings/catalogue.h"
#include "settings/command_listeners.h"
#include "settings/memory_control.h"
#include "settings/meter_types.h"
#include "settings/setup_failure.h"

namespace {

using namespace quillon;

constexpr size_t kAreaLimit = 2048;

// Password box texts of meter k (1..128) of a channel.
using PasswordsOf = std::function<std::vector<std::string>(int channel, int k)>;

class FullTree {
public:
    // Channel 0 holds 128 Меркурий-230 meters, channel 1 128 СЭТ meters, all with passwords.
    explicit FullTree(const PasswordsOf& passwords) : m_root(BuildCatalogue(m_owner, m_listeners)) {
        m_root->RegisterKeys(m_keys);
        const int types[] = {kMeterM230, kMeterSet};
        for (int c = 0; c < 2; ++c) {
            const std::string channel = "CH" + std::to_string(c) + "_";
            const std::string tag = kMeterTypeTags[static_cast<size_t>(types[c])];
            m_keys.Find(channel + "GROUP")->SetSelection(1);
            m_keys.Find(channel + tag + "_NUM")->SetText("128");
            for (int k = 1; k <= 128; ++k) {
                const std::string meter = channel + tag + "_" + std::to_string(k);
                m_keys.Find(meter + "_NA")->SetText(std::to_string(k));
                m_keys.Find(meter + "_AUTO_CORR")->SetCheck(k % 2);
                CSetupEntry* pass = m_keys.Find(meter + "_PASS");
                const std::vector<std::string> texts = passwords(c, k);
                for (int box = 0; box < 3; ++box) {
                    pass->SetPassword(box, texts[static_cast<size_t>(box)]);
                }
            }
        }
        m_keys.Find("TS_CHAN")->SetSelection(1);
        m_keys.Find("TS_TYPE")->SetSelection(3);
        m_keys.Find("TS_ADDR")->SetText("1");
        m_keys.Find("TS_PASS")->SetText("1,2,3,4,5,6");
    }

    // The area's size, or 0 when it is refused.
    size_t Compile() {
        CStpAreaCnt area;
        try {
            area.Prepare(m_keys);
            const size_t size = area.GetSize(m_keys);
            m_buffer.resize(size);
            area.Build(m_buffer, m_keys);
            return size;
        } catch (const SetupFailure&) {
            return 0;
        }
    }

private:
    MemoryControlFactory m_owner;
    CommandListeners m_listeners;
    std::unique_ptr<CSetupEntry> m_root;
    KeyMap m_keys;
    std::vector<uint8_t> m_buffer;
};

std::string Bytes(int value) {
    return std::to_string(value) + ",0,0,0,0,0";
}

// The first `own` meters of channel 0 and then of channel 1 have a first password of their
// own; the other passwords are shared.
PasswordsOf OwnFirstPasswords(int own) {
    return [own](int c, int k) {
        const int n = 128 * c + k;
        return std::vector<std::string>{n <= own ? Bytes(n) : Bytes(0), "1,1,1,1,1,1",
                                        "2,2,2,2,2,2"};
    };
}

void Run(benchmark::State& state, FullTree& tree) {
    size_t size = 0;
    for (auto _ : state) {
        size = tree.Compile();
        benchmark::DoNotOptimize(size);
    }
    state.counters["bytes"] = static_cast<double>(size);
}

// As many meters with a password of their own as the 2048-byte limit admits: 124 give 2045
// bytes, 125 would give 2055.
void WithinTheLimit(benchmark::State& state) {
    constexpr int kOwn = 124;
    FullTree tree(OwnFirstPasswords(kOwn));
    if (tree.Compile() > kAreaLimit ||
        FullTree(OwnFirstPasswords(kOwn + 1)).Compile() <= kAreaLimit) {
        state.SkipWithError("the configuration no longer fills the meter area");
        return;
    }
    state.counters["own"] = kOwn;
    Run(state, tree);
}

// Every meter its own first password, 255 passwords in all: built whole, then refused by
// Save Setup for its size.
void AboveTheLimit(benchmark::State& state) {
    FullTree tree([](int c, int k) {
        const int n = (128 * c + k) % 253 + 1;
        return std::vector<std::string>{Bytes(n), "1,1,1,1,1,1", "2,2,2,2,2,2"};
    });
    Run(state, tree);
}

// Every meter three passwords of its own, 768 in all: refused while sizing.
void EveryPasswordOwn(benchmark::State& state) {
    FullTree tree([](int c, int k) {
        const std::string n = std::to_string(c) + "," + std::to_string(k) + ",0,0,0,";
        return std::vector<std::string>{n + "1", n + "2", n + "3"};
    });
    Run(state, tree);
}

BENCHMARK(WithinTheLimit)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(AboveTheLimit)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(EveryPasswordOwn)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
