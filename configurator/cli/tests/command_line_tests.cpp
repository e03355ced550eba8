// The quillon program run as a user runs it: from the repository's root, on the example site.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/testing/temp_folder.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class QuillonProgram : public ::testing::Test {
protected:
    // Runs quillon with the arguments in the repository's root under the locale; envOptions
    // go to env before the locale.
    Outcome Run(const std::vector<std::string>& args, const std::string& locale = "C.UTF-8",
                const std::string& envOptions = "") {
        std::string command = "cd ";
        command.append(Quoted(QB_SOURCE_DIR)).append(" && env ").append(envOptions);
        command.append(" LC_ALL=").append(locale).append(" ").append(Quoted(QB_QUILLON));
        for (const std::string& arg : args) {
            command.append(" ").append(Quoted(arg));
        }
        command.append(" >").append(Quoted((m_folder / "stdout").string()));
        command.append(" 2>").append(Quoted((m_folder / "stderr").string()));
        Outcome outcome;
        const int raw = std::system(command.c_str());
        outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        outcome.out = ReadBytes(m_folder / "stdout");
        outcome.err = ReadBytes(m_folder / "stderr");
        fs::remove(m_folder / "stdout");
        fs::remove(m_folder / "stderr");
        return outcome;
    }

    std::string Path(const std::string& name) const { return (m_folder / name).string(); }

    // The example site with one line replaced.
    std::string SiteWith(const std::string& line, const std::string& replacement) {
        std::string site = ReadBytes(fs::path(QB_SOURCE_DIR) / "examples" / "site.ini");
        const size_t at = site.find(line);
        EXPECT_NE(at, std::string::npos) << line;
        site.replace(at, line.size(), replacement);
        WriteBytes(m_folder / "site.ini", site);
        return Path("site.ini");
    }

    TempFolder m_folder;
};

TEST_F(QuillonProgram, CompilesTheExampleSiteIntoAnSRecordFile) {
    const Outcome run = Run({"--load-ini", "examples/site.ini", "--save-setup", Path("loc_.s19")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");

    std::string marked = ReadBytes(m_folder / "loc_.s19");
    ASSERT_EQ(marked.substr(0, 12), ":3250003E800");
    for (size_t i = 0; i < marked.size(); ++i) {
        if (marked[i] == ':' && (i == 0 || marked[i - 1] == '\n')) {
            marked[i] = 'S';
        }
    }
    WriteBytes(m_folder / "marked.s19", marked);
    ASSERT_NE(std::string(QB_SREC_INFO), "") << "srec_info (package srecord) is missing";
    const std::string info = Path("info.txt");
    const int status = std::system((std::string(QB_SREC_INFO) + " " + Quoted(Path("marked.s19")) +
                                    " >" + Quoted(info) + " 2>&1")
                                       .c_str());
    EXPECT_EQ(status, 0);
    const std::string report = ReadBytes(info);
    EXPECT_NE(report.find("Data:   03E800 - "), std::string::npos) << report;
    EXPECT_NE(report.find("        03F000 - "), std::string::npos) << report;
    EXPECT_NE(report.find("        03F800 - "), std::string::npos) << report;
}

TEST_F(QuillonProgram, DumpsTheSetupFileItWroteAndFindsNoProblemEvenUnderTheCLocale) {
    const Outcome run = Run({"--load-ini", "examples/site.ini", "--save-setup", Path("loc_.s19"),
                             "--dump", Path("loc_.s19")},
                            "C");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Область настроек счетчиков, 0x0003E800"), std::string::npos);
    EXPECT_TRUE(run.out.ends_with("Проблем не найдено.\n")) << run.out;

    std::string damaged = ReadBytes(m_folder / "loc_.s19");
    damaged.erase(damaged.find(":3250003F800"));
    WriteBytes(m_folder / "damaged.s19", damaged);
    const Outcome broken = Run({"--dump", Path("damaged.s19")});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.out.find("0x0003F800: в файле нет области"), std::string::npos) << broken.out;

    const Outcome missing = Run({"--dump", Path("missing.s19")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Не удается открыть файл " + Path("missing.s19") + ".\n");
}

TEST_F(QuillonProgram, RunsTheCommandsInTheirOrderAndSavesTheIniItLoaded) {
    const Outcome first = Run({"--save-ini", Path("a.ini"), "--load-ini", "examples/site.ini"});
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string saved = ReadBytes(m_folder / "a.ini");
    EXPECT_NE(saved.find("[CH1_MS744_4]\r\nNA=4\r\nPOLL=1\r\nSTAT=0\r\n"), std::string::npos);
    EXPECT_NE(saved.find("\r\nTIME_TABLE=examples/schedule.bin\r\n"), std::string::npos);

    const Outcome second = Run({"--load-ini", Path("a.ini"), "--save-ini=" + Path("b.ini")});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(ReadBytes(m_folder / "b.ini"), saved);
}

TEST_F(QuillonProgram, PrintsASetupFailureInUtf8EvenUnderTheCLocaleAndWritesNothing) {
    const std::string site = SiteWith("LOC_GID=0x0102", "LOC_GID=0x10000");
    for (const char* locale : {"C.UTF-8", "C", "POSIX"}) {
        const Outcome run = Run(
            {"--load-ini", site, "--save-setup", Path("loc_.s19"), "--save-ini", Path("out.ini")},
            locale);
        EXPECT_EQ(run.status, 1) << locale;
        EXPECT_EQ(run.err, "Неправильное поле \"GID\"\n") << locale;
        EXPECT_EQ(run.out, "") << locale;
        EXPECT_FALSE(fs::exists(m_folder / "loc_.s19")) << locale;
        EXPECT_FALSE(fs::exists(m_folder / "out.ini")) << locale;
    }
}

TEST_F(QuillonProgram, ReportsFilesItCannotReadOrWrite) {
    Outcome run = Run({"--load-ini", Path("missing.ini")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Не удалось загрузить настройки.\n");

    const std::string nowhere = Path("нет/loc_.s19");
    run = Run({"--load-ini", "examples/site.ini", "--save-setup", nowhere});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Не удается открыть файл " + nowhere + ".\n");

    run = Run({"--save-ini", Path("нет/site.ini")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Не удалось сохранить настройки.\n");
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{});
}

TEST_F(QuillonProgram, LoadsItsSetupFileBackAndWritesTheSameBytes) {
    ASSERT_EQ(Run({"--load-ini", "examples/site.ini", "--save-setup", Path("a.s19")}).status, 0);
    const Outcome run = Run({"--save-setup", Path("b.s19"), "--load-setup", Path("a.s19"),
                             "--save-schedule", Path("schedule.bin"), "--save-ini", Path("b.ini")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadBytes(m_folder / "b.s19"), ReadBytes(m_folder / "a.s19"));
    EXPECT_EQ(ReadBytes(m_folder / "schedule.bin"),
              ReadBytes(fs::path(QB_SOURCE_DIR) / "examples" / "schedule.bin"));
    const std::string ini = ReadBytes(m_folder / "b.ini");
    EXPECT_NE(ini.find("\r\nTIME_TABLE=" + Path("schedule.bin") + "\r\n"), std::string::npos);
    EXPECT_NE(ini.find("\r\nLOC_GID=0x0102\r\n"), std::string::npos);
}

TEST_F(QuillonProgram, WithoutAScheduleFileSaysSoAndLeavesTimeTableEmpty) {
    ASSERT_EQ(Run({"--load-ini", "examples/site.ini", "--save-setup", Path("a.s19")}).status, 0);
    Outcome run = Run({"--load-setup", Path("a.s19"), "--save-ini", Path("b.ini")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err,
              "Таблица расписания из файла настроек (48 байт) не сохранена: TIME_TABLE оставлен "
              "пустым. Чтобы сохранить её, добавьте --save-schedule ФАЙЛ.\n");
    EXPECT_NE(ReadBytes(m_folder / "b.ini").find("\r\nTIME_TABLE=\r\n"), std::string::npos);

    // A schedule file of the user's own, named by --set, needs no note.
    run = Run({"--load-setup", Path("a.s19"), "--set", "TIME_TABLE=examples/schedule.bin",
               "--save-setup", Path("c.s19")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadBytes(m_folder / "c.s19"), ReadBytes(m_folder / "a.s19"));

    // Save Setup then needs a schedule file, as for any tree without one.
    run = Run({"--load-setup", Path("a.s19"), "--save-setup", Path("b.s19")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.ends_with("Не удается открыть файл с таблицей расписания.\n")) << run.err;
    EXPECT_FALSE(fs::exists(m_folder / "b.s19"));
}

TEST_F(QuillonProgram, RefusesADamagedSetupFileWithItsProblemsAndWritesNothing) {
    ASSERT_EQ(Run({"--load-ini", "examples/site.ini", "--save-setup", Path("a.s19")}).status, 0);
    std::string damaged = ReadBytes(m_folder / "a.s19");
    damaged.erase(damaged.find(":3250003F800"));
    damaged += ":3060003F800AA00\r\n";  // a line with a wrong checksum
    WriteBytes(m_folder / "damaged.s19", damaged);
    const Outcome run = Run({"--load-setup", Path("damaged.s19"), "--save-schedule",
                             Path("schedule.bin"), "--save-ini", Path("b.ini")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    const std::string header =
        "Файл настроек " + Path("damaged.s19") + " не загружен, настройки не изменены. Проблемы (";
    EXPECT_EQ(run.err.find(header), 0u) << run.err;
    EXPECT_NE(run.err.find("\n  0x0003F800: в файле нет области\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\n  строка "), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(m_folder / "schedule.bin"));
    EXPECT_FALSE(fs::exists(m_folder / "b.ini"));

    const Outcome missing = Run({"--load-setup", Path("missing.s19")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Не удается открыть файл " + Path("missing.s19") + ".\n");
}

TEST_F(QuillonProgram, SetsSettingsAsIniLinesAfterTheLoads) {
    ASSERT_EQ(Run({"--load-ini", "examples/site.ini", "--save-setup", Path("a.s19")}).status, 0);
    // A template plus one unit's values, the setup file's values overridden by --set.
    const Outcome run =
        Run({"--set", "LOC_GID=0x0103", "--load-setup", Path("a.s19"),
             "--set=LOC_MAIN_CHAN_IP=192.168.10.21", "--set", " CH0_GROUP=12 ", "--set",
             "LOC_MAIN_CHAN_SYS=\"KOMM 7\"", "--set", "CH0_M230_2_PASS2=5,5,5,5,5,5", "--set",
             "CH0_M601_1_NA=9", "--save-schedule", Path("s.bin"), "--save-ini", Path("b.ini")});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string ini = ReadBytes(m_folder / "b.ini");
    for (const char* line :
         {"\r\nLOC_GID=0x0103\r\n", "\r\nLOC_MAIN_CHAN_IP=192.168.10.21\r\n", "\r\nCH0_GROUP=1\r\n",
          "\r\nLOC_MAIN_CHAN_SYS=KOMM 7\r\n",
          "[CH0_M230_2]\r\nNA=2\r\nAUTO_CORR=1\r\nPASS1=1,1,1,1,1,1\r\nPASS2=5,5,5,5,5,5\r\n",
          "[CH0_M601_1]\r\nNA=1\r\n"}) {
        EXPECT_NE(ini.find(line), std::string::npos) << line;
    }
}

TEST_F(QuillonProgram, RefusesASetKeyTheTreeDoesNotHaveNamingIt) {
    const Outcome run = Run({"--set", "LOC_GIDX=1", "--save-ini", Path("b.ini")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.find("quillon: нет настройки с ключом \"LOC_GIDX\" (--set LOC_GIDX=1)\n"), 0u)
        << run.err;
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{});
}

TEST_F(QuillonProgram, RefusesBadArgumentsWithTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
#ifndef QB_GUI
        {},  // with the window built in, no arguments open it
#endif
        {"--bogus"},
        {"site.ini"},
        {"--save-setup"},
        {"--save-ini="},
        {"--load-ini", "a.ini", "--load-ini", "b.ini"},
        {"--load-ini", "examples/site.ini", "-x"},
        {"--set", "LOC_GID"},
        {"--set", "=1"},
        {"--set"},
        {"--set", "loc_gid=1"},
        {"--set", "CH0_M230=1"},           // a heading holds no value
        {"--set", "CH0_CE303_1_PASS3=1"},  // a CE303 has two password boxes
        {"--set", "LOC_GID=1\n2"},
        {"--save-schedule", "s.bin"},
        {"--load-setup", "a.s19", "--load-setup", "b.s19"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const std::string& arg : args) {
            joined += " " + arg;
        }
        const Outcome run = Run(args);
        EXPECT_EQ(run.status, 2) << joined;
        EXPECT_EQ(run.out, "") << joined;
        EXPECT_NE(run.err.find("Использование: quillon [--load-ini"), std::string::npos) << joined;
        if (!args.empty()) {
            EXPECT_EQ(run.err.substr(0, 9), "quillon: ") << joined;
        }
    }
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{});
}

#ifdef QB_GUI
TEST_F(QuillonProgram, WithoutArgumentsOrADisplaySaysSoInsteadOfOpeningTheWindow) {
    const Outcome run = Run({}, "C.UTF-8", "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find("quillon: no display to open the window on"), 0u) << run.err;
    EXPECT_EQ(m_folder.Names(), std::vector<std::string>{});
}
#endif

TEST_F(QuillonProgram, ExplainsItselfAndTellsItsVersion) {
    const Outcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.find("Использование: quillon [--load-ini"), 0u);
    EXPECT_NE(help.out.find("--save-setup ФАЙЛ"), std::string::npos);

    const Outcome version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.substr(0, 8), "quillon ");
}

}  // namespace
}  // namespace quillon
