#include "core/clock_register.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

#include "core/console.h"

namespace brivel {
namespace {

struct ClockCase {
    const char* typed;  // as on the command line after -t
    unsigned clockRegister;
    const char* valuesLine;
    bool warning;
};

void PrintTo(const ClockCase& c, std::ostream* out) {
    *out << "Fsys " << c.typed;
}

class ClockExample : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockExample, GivesTheRegisterAndPrintsTheLines) {
    const ClockCase& c = GetParam();
    float fsys = 0;
    ASSERT_EQ(std::sscanf(c.typed, "%f", &fsys), 1);
    StringConsole console;
    const ClockSetting setting = ComputeClockRegister(fsys, console);
    EXPECT_EQ(setting.clockRegister, c.clockRegister) << c.typed;
    EXPECT_EQ(setting.outOfRange, c.warning) << c.typed;
    std::string expected = std::string("Конфигурирование Fclk...\r\n") + c.valuesLine + "\r\n";
    if (c.warning) {
        expected += "Предупреждение! Значение Fclk выходит за допустимые границы.\r\n";
    }
    EXPECT_EQ(console.Text(), expected) << c.typed;
}

INSTANTIATE_TEST_SUITE_P(
    ComputeClockRegister, ClockExample,
    ::testing::Values(ClockCase{"8.0", 0x14, "Fsys=8.00MHz, Fclk=190.48kHz, clkreg=0x14", false},
                      ClockCase{"60.0", 0x52, "Fsys=60.00MHz, Fclk=197.37kHz, clkreg=0x52", false},
                      // The float nearest 25.6 lies above the double 25.6: the prescaler branch.
                      ClockCase{"25.6", 0x48, "Fsys=25.60MHz, Fclk=177.78kHz, clkreg=0x48", false},
                      ClockCase{"100.0", 0x5F, "Fsys=100.00MHz, Fclk=195.31kHz, clkreg=0x5F",
                                false},
                      ClockCase{"4.0", 0x0A, "Fsys=4.00MHz, Fclk=181.82kHz, clkreg=0x0A", false},
                      ClockCase{"1.0", 0x02, "Fsys=1.00MHz, Fclk=166.67kHz, clkreg=0x02", false},
                      ClockCase{"0.5", 0x01, "Fsys=0.50MHz, Fclk=125.00kHz, clkreg=0x01", true},
                      ClockCase{"12", 0x1E, "Fsys=12.00MHz, Fclk=193.55kHz, clkreg=0x1E", false}),
    // "25.6" is named Fsys25_6.
    [](const ::testing::TestParamInfo<ClockCase>& info) {
        std::string name = std::string("Fsys") + info.param.typed;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

TEST(ComputeClockRegister, ValuesBeyondTheIntegerRangeGiveDividerZero) {
    // "-t 1e30" and "-t nan" are read by %f; the truncation must not be undefined.
    for (const float fsys : {1e30f, __builtin_nanf("")}) {
        StringConsole console;
        const ClockSetting setting = ComputeClockRegister(fsys, console);
        EXPECT_EQ(setting.clockRegister & 0x3F, 0);
    }
}

}  // namespace
}  // namespace brivel
