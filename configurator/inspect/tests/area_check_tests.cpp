#include <gtest/gtest.h>

#include <vector>

#include "image/local_area.h"
#include "inspect/area_report.h"
#include "settings/testing/tree_fixture.h"

namespace quillon::inspect {
namespace {

TEST(AreaCheck, FindsNothingInALocalAreaTheBuilderWrote) {
    testing::TreeFixture tree;
    tree.Set("LOC_GID", "1");
    for (const char* channel : {"MAIN", "RSV"}) {
        const std::string prefix = std::string("LOC_") + channel + "_CHAN_";
        tree.Select(prefix + "TYPE", 0)
            .Set(prefix + "SYS", "s")
            .Set(prefix + "SRV", "v")
            .Set(prefix + "TRY", "t")
            .Set(prefix + "IP", "10.0.0.2")
            .Set(prefix + "GATE", "10.0.0.1")
            .Set(prefix + "MASK", "255.0.0.0");
    }
    CStpAreaLoc area;
    std::vector<uint8_t> bytes(area.GetSize(tree.Root()));
    area.Build(bytes, tree.Root());
    const auto problems = CheckArea(bytes, AreaKind::kLocal);
    for (const auto& p : problems) {
        ADD_FAILURE() << p.offset << ": " << p.text;
    }
}

}  // namespace
}  // namespace quillon::inspect
