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
    // Runs quillon with the arguments in the repository's root under the locale.
    Outcome Run(const std::vector<std::string>& args, const std::string& locale = "C.UTF-8") {
        std::string command =
            "cd " + Quoted(QB_SOURCE_DIR) + " && env LC_ALL=" + locale + " " + Quoted(QB_QUILLON);
        for (const std::string& arg : args) {
            command += " " + Quoted(arg);
        }
        command += " >" + Quoted((m_folder / "stdout").string()) + " 2>" +
                   Quoted((m_folder / "stderr").string());
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

TEST_F(QuillonProgram, RefusesBadArgumentsWithTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--bogus"},
        {"site.ini"},
        {"--save-setup"},
        {"--save-ini="},
        {"--load-ini", "a.ini", "--load-ini", "b.ini"},
        {"--load-ini", "examples/site.ini", "-x"},
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
