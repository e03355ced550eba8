#include "core/main_flow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/cp1251.h"
#include "core/testing/srec_text.h"
#include "core/testing/temp_folder.h"
#include "core/testing/virtual_clock.h"
#include "fake_backend.h"
#include "fake_target.h"

namespace brivel {
namespace {

using testing::BackendScript;
using testing::Counting;
using testing::FakeBackend;
using testing::FakeTarget;
using testing::S3Records;
using testing::SRecord;
using testing::TempFolder;
using Lines = std::vector<std::string>;

const std::string kBanner = "ColdFire EzPort USB programmer v2.0\n";
const std::string kUsage =
    "Использование: Brivel [-p[dev_name]] [-t частота] [-b] [-v[o]] [-w имя_файла] \r\n"
    "\t-t частота\tСистемная частота процессора\r\n"
    "\t-b\t\tПолное стирание памяти\r\n"
    "\t-v\t\tПроверка запрограммированных данных\r\n"
    "\t-vo\t\tТолько проверка без программирования\r\n"
    "\t-w имя_файла\tПрограммировать S-record файл\r\n"
    "\t-P\t\tВывести список программаторов\r\n"
    "\t-Pdev_name\tИспользовать программатор dev_name\r\n"
    "\t-f объем\tОбъем флэш-памяти микроконтроллера, КБ (по умолчанию 256)\r\n"
    "\t-r имя_файла\tПрочитать всю флэш-память в S-record файл\r\n"
    "\t-rs имя_файла\tПрочитать области настроек 0x3E800-0x3FFFF в S-record файл\r\n"
    "\r\n";
const std::string kDashes = std::string(50, '-') + "\r\n";
const std::string kClock8 =
    "Конфигурирование Fclk...\r\nFsys=8.00MHz, Fclk=190.48kHz, clkreg=0x14\r\n";
const std::string kUsingFtdi = "Используем программатор:\r\nFTDI_04036010_FT1234\r\n";
const std::string kBar = std::string(21, ' ') + "]\r[";
const std::string kFullBar = kBar + std::string(20, '|') + "]";

class MainFlow : public ::testing::Test {
protected:
    void SetUp() override {
        FakeTarget::Instance().Reset();
        m_script.ftdi = {{0x04036010, "FT1234"}};
    }

    static FakeTarget& target() { return FakeTarget::Instance(); }

    int Run(const std::vector<std::string>& args) {
        m_console.Clear();
        m_script.calls.clear();
        m_factoryNames.clear();
        const BackendFactory factory = [this](const std::string& name, BackendError& error) {
            m_factoryNames.push_back(name);
            std::unique_ptr<ProgrammerBackend> backend;
            if (m_factoryFails) {
                error = {std::string(W1251("Не удается: ")), "own-ftdi: flash.bin"};
            } else {
                backend = std::make_unique<FakeBackend>(m_script);
            }
            return backend;
        };
        const OpenFailureNote note = [this](const ProgrammerBackend&) { return m_openNote; };
        return RunProgrammer(args, factory, m_console, note);
    }

    const std::string& Output() const { return m_console.Text(); }
    std::string WriteFile(const std::string& content) {
        return m_folder.Write("file" + std::to_string(m_files++) + ".s19", content);
    }

    TempFolder m_folder;
    int m_files = 0;
    VirtualClock m_clock;  // no tick step: every pass takes "0 ms"
    ScopedClock m_scoped{m_clock};
    StringConsole m_console;
    BackendScript m_script;
    Lines m_factoryNames;
    bool m_factoryFails = false;
    std::string m_openNote;
};

TEST_F(MainFlow, NoArgumentsPrintTheBannerAndTheUsage) {
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(Output(), kBanner + kUsage);
    EXPECT_TRUE(m_factoryNames.empty());
}

TEST_F(MainFlow, HelpPrintsTheUsageAndDoesNothingElse) {
    EXPECT_EQ(Run({"-b", "--help", "-w", "x.s19"}), 0);
    EXPECT_EQ(Output(), kBanner + kUsage);
    EXPECT_TRUE(m_factoryNames.empty());
}

TEST_F(MainFlow, AnUnknownKeyIsReportedAndParsingGoesOn) {
    EXPECT_EQ(Run({"-x"}), 0);
    EXPECT_EQ(Output(), "Неизвестный ключ \"x\".\r\n" + kBanner + kUsage);
    // Lower-case p is not the device option.
    EXPECT_EQ(Run({"", "-p", "-Ж"}), 0);
    EXPECT_EQ(Output(),
              "Неизвестный ключ \"p\".\r\nНеизвестный ключ \"Ж\".\r\n" + kBanner + kUsage);
}

TEST_F(MainFlow, AParameterWithoutADashEndsTheProgramBeforeTheBanner) {
    EXPECT_EQ(Run({"foo"}), -1);
    EXPECT_EQ(Output(), "Неизвестный параметр \"foo\".\r\n");
    EXPECT_EQ(Run({"-b", "-"}), -1);
    EXPECT_EQ(Output(), "Неизвестный параметр \"-\".\r\n");
    EXPECT_EQ(Run({"-\xFF"}), -1);
    EXPECT_EQ(Output(), "Неизвестный параметр \"-\xFF\".\r\n");
}

TEST_F(MainFlow, AClockOrFlashSizeThatCannotBeUsedPrintsTheUsage) {
    // nan, inf, 0 and negative clocks read as numbers but give no divider. A flash size is
    // decimal KiB, a whole number of 2 KiB sectors, at most the 16 MiB a 24-bit address
    // reaches.
    const Lines bad[] = {{"-t", "abc"},   {"-t", "nan"},  {"-t", "inf"},        {"-t", "-inf"},
                         {"-t", "0"},     {"-t", "-8"},   {"-f", "abc"},        {"-f", "0"},
                         {"-f", "257"},   {"-f", "-256"}, {"-f", "0x100"},      {"-f", "512k"},
                         {"-f", "16386"}, {"-f", ""},     {"-f", "99999999999"}};
    for (const Lines& args : bad) {
        EXPECT_EQ(Run(args), -1) << args[0] << " " << args[1];
        EXPECT_EQ(Output(), kUsage) << args[0] << " " << args[1];
        EXPECT_TRUE(m_factoryNames.empty());
    }
    // A -t, -f or -w without a value is ignored; a flash size alone asks for nothing.
    for (const Lines& args : {Lines{"-t"}, Lines{"-f"}, Lines{"-f", "16384"}}) {
        EXPECT_EQ(Run(args), 0) << args[0];
        EXPECT_EQ(Output(), kBanner + kUsage) << args[0];
    }
}

TEST_F(MainFlow, AClockAloneConfiguresTheTargetAndLeaves) {
    EXPECT_EQ(Run({"-t", "12"}), 0);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi +
                            "Конфигурирование Fclk...\r\n"
                            "Fsys=12.00MHz, Fclk=193.55kHz, clkreg=0x1E\r\n");
    EXPECT_EQ(m_script.calls, (Lines{"ListUsb", "ListFtdi", "ListFtdi", "OpenFtdi 0", "SetupFtdi",
                                     "CloseFtdi", "Finish"}));
    EXPECT_EQ(target().log, (Lines{"Enter", "WriteConfig 0x1E", "Leave"}));
}

TEST_F(MainFlow, ListModePrintsEveryAdapterAndFails) {
    m_script.usb = {{"usb:1-4:vid_0438&pid_0f10&mi_02", "Rev_0102"}, {"usb:1-5:other", ""}};
    m_script.ftdi = {{0x04036010, "FT1234"}, {0x04036014, "FT99"}};
    EXPECT_EQ(Run({"-P", "-w", "x.s19"}), -1);
    EXPECT_EQ(Output(), kBanner + "Список программаторов:\r\n" + kDashes +
                            "\"usb:1-4:vid_0438&pid_0f10&mi_02\" - Rev_0102\r\n"
                            "\"usb:1-5:other\" - unknown\r\n"
                            "FTDI_4036010_FT1234\r\nFTDI_4036014_FT99\r\n" +
                            kDashes + "Остальные ключи запуска программы проигнорированы!\r\n");
    EXPECT_TRUE(target().log.empty());
}

TEST_F(MainFlow, TheUsbProgrammerIsFoundBeforeFtdiAdapters) {
    m_script.usb = {{"usb:1-5:other", ""}, {"usb:1-4:vid_0438&pid_0f10&mi_02", "Rev_0102"}};
    m_script.version = "01.02";
    EXPECT_EQ(Run({"-v"}), 0);
    EXPECT_EQ(Output(), kBanner +
                            "Используем программатор:\r\nusb:1-4:vid_0438&pid_0f10&mi_02\r\n"
                            "Версия ПО программатора - \"01.02\".\r\n" +
                            kClock8);
    EXPECT_EQ(m_script.calls, (Lines{"ListUsb", "OpenUsb usb:1-4:vid_0438&pid_0f10&mi_02",
                                     "UsbEnable 1", "UsbEnable 0", "CloseUsb", "Finish"}));
}

TEST_F(MainFlow, NoAdapterEndsTheRun) {
    m_script.ftdi.clear();
    EXPECT_EQ(Run({"-w", "x.s19"}), -1);
    EXPECT_EQ(Output(), kBanner +
                            "Не обнаружен программатор!\r\n"
                            "Остальные ключи запуска программы проигнорированы!\r\n");
    m_script.ftdi = {{0x04036010, "FT1234"}};
    m_script.ftdiListOk = false;
    EXPECT_EQ(Run({"-b"}), -1);
    EXPECT_EQ(Output(), kBanner + "Не обнаружен программатор!\r\n");
}

TEST_F(MainFlow, ANamedAdapterMustBePresentAndOpen) {
    EXPECT_EQ(Run({"-PFTDI_4036010_FT1234", "-b"}), -1);
    EXPECT_EQ(Output(), kBanner +
                            "Используем программатор:\r\nFTDI_4036010_FT1234\r\n"
                            "Программатор не подключен!\r\n");
    m_script.openFtdiOk = false;
    EXPECT_EQ(Run({"-PFTDI_04036010_FT1234", "-b"}), -1);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi + "Не удается получить доступ к программатору!\r\n");
    m_openNote = W1251("Устройство занято другой программой.\r\n");
    EXPECT_EQ(Run({"-PFTDI_04036010_FT1234", "-b"}), -1);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi +
                            "Не удается получить доступ к программатору!\r\n"
                            "Устройство занято другой программой.\r\n");
    m_openNote.clear();
    // A name that is not FTDI's is a USB interface path; the file is never opened.
    m_script.openUsbOk = false;
    EXPECT_EQ(Run({"-Pxyz", "-w", "/no/such/file.s19"}), -1);
    EXPECT_EQ(Output(), kBanner +
                            "Используем программатор:\r\nxyz\r\n"
                            "Не удается получить доступ к программатору!\r\n");
    EXPECT_EQ(m_factoryNames, Lines{"xyz"});
    EXPECT_TRUE(target().log.empty());
}

TEST_F(MainFlow, ANameTheBackendOwnsOpensItsFtdiDeviceWithoutAList) {
    m_script.directFtdiName = "own-ftdi:flash.bin";
    EXPECT_EQ(Run({"-Pown-ftdi:flash.bin", "-b"}), 0);
    EXPECT_EQ(m_factoryNames, Lines{"own-ftdi:flash.bin"});
    EXPECT_EQ(m_script.calls, (Lines{"OpenFtdi 0", "SetupFtdi", "CloseFtdi", "Finish"}));
    // Any other name is a USB interface path.
    EXPECT_EQ(Run({"-Pown-usb:flash.bin", "-b"}), 0);
    EXPECT_EQ(m_script.calls, (Lines{"OpenUsb own-usb:flash.bin", "UsbEnable 1", "UsbEnable 0",
                                     "CloseUsb", "Finish"}));
    m_factoryFails = true;
    EXPECT_EQ(Run({"-Pown-ftdi:flash.bin", "-b"}), -1);
    EXPECT_EQ(Output(), kBanner +
                            "Используем программатор:\r\nown-ftdi:flash.bin\r\n"
                            "Не удается получить доступ к программатору!\r\n"
                            "Не удается: own-ftdi: flash.bin\n");
}

// A file that cannot be programmed as it is ends the program after the adapter was opened
// and before anything is sent to the target.
TEST_F(MainFlow, TheFileIsCheckedBeforeTheTargetIsTouched) {
    const std::string kConvert = "srec_cat in.srec -o out.s19 -address-length=4\r\n";
    const std::string kS1S2 =
        "Файл содержит данные в записях S1 или S2, а программируются только записи S3.\r\n"
        "Преобразуйте файл, например: " +
        kConvert;
    const std::string kNoData =
        "В файле нет данных в записях S3, программировать нечего.\r\n"
        "Программируются только записи S3; файл можно преобразовать, например: " +
        kConvert;
    struct Case {
        const char* name;
        std::string content;
        Lines options;
        std::string message;
    };
    const Case cases[] = {
        {"malformed line", S3Records(0x100, Counting(4)) + "S1\r\n", {}, ""},
        {"S1 data", SRecord('1', 0x1000, Counting(16)), {}, kS1S2},
        {"S2 data among S3",
         S3Records(0x100, Counting(4)) + SRecord('2', 0x21000, Counting(16)),
         {},
         kS1S2},
        {"no data record",
         SRecord('0', 0, {'H'}) + SRecord('3', 0x100, {}) + "S9030000FC\r\n",
         {},
         kNoData},
        {"empty file", "", {}, kNoData},
        {"past the flash",
         S3Records(0x3FFF0, Counting(17)),
         {},
         "Запись по адресу 0x0003FFF0 выходит за пределы флэш-памяти микроконтроллера "
         "(256 КБ).\r\n"},
        // The first record outside is named, not the first in the file.
        {"address cut to 24 bits",
         S3Records(0x100, Counting(4)) + S3Records(0x20000000, {1}) + S3Records(0x01000000, {2}),
         {},
         "Запись по адресу 0x20000000 выходит за пределы флэш-памяти микроконтроллера "
         "(256 КБ).\r\n"},
        {"past a larger flash",
         S3Records(0x7FFFF, Counting(2)),
         {"-f", "512"},
         "Запись по адресу 0x0007FFFF выходит за пределы флэш-памяти микроконтроллера "
         "(512 КБ).\r\n"},
    };
    for (const Case& c : cases) {
        const std::string file = WriteFile(c.content);
        Lines args = c.options;
        args.insert(args.end(), {"-w", file, "-v"});
        EXPECT_EQ(Run(args), -1) << c.name;
        const std::string message =
            c.message.empty() ? "Неверный формат файла \"" + file + "\"." : c.message;
        EXPECT_EQ(Output(), kBanner + kUsingFtdi + message) << c.name;
        EXPECT_EQ(m_script.calls,
                  (Lines{"ListUsb", "ListFtdi", "ListFtdi", "OpenFtdi 0", "Finish"}))
            << c.name;
        EXPECT_TRUE(target().log.empty()) << c.name;
    }
    EXPECT_EQ(Run({"-w", "/no/such/file.s19"}), -1);
    EXPECT_EQ(Output(),
              kBanner + kUsingFtdi + "Невозможно открыть s-record файл для программирования.\n");
    // A folder opens on Linux, but it is not a file that can be programmed.
    EXPECT_EQ(Run({"-w", m_folder.Path()}), -1);
    EXPECT_EQ(Output(),
              kBanner + kUsingFtdi + "Невозможно открыть s-record файл для программирования.\n");
    EXPECT_TRUE(target().log.empty());
}

TEST_F(MainFlow, ALargerFlashTakesDataPastTheDefaultPart) {
    const std::string file = WriteFile(S3Records(0x3FFF0, Counting(16)) +
                                       S3Records(0x40000, Counting(16)) + SRecord('7', 0, {}));
    EXPECT_EQ(Run({"-f", "512", "-w", file}), 0) << Output();
    EXPECT_EQ(target().LogOf("Program"), (Lines{"Program 0x0003FFF0 16", "Program 0x00040000 16"}));
    // The default part takes the last 16 bytes of its 256 KiB and not one more.
    const std::string edge = WriteFile(S3Records(0x3FFF0, Counting(16)));
    EXPECT_EQ(Run({"-w", edge}), 0) << Output();
}

TEST_F(MainFlow, ProgramsAndVerifiesAFile) {
    const std::string file =
        WriteFile(SRecord('0', 0, {'H', 'D', 'R'}) + S3Records(0x3E800, Counting(300)) +
                  S3Records(0x3F000, Counting(40, 7)) + SRecord('7', 0, {}));
    target().flash[0x3F010] = 0x00;  // sector 0x3F000 holds old data
    EXPECT_EQ(Run({"-w", file, "-v"}), 0);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi + kClock8 +
                            "Стираем сектора...\r\n"
                            "0x0003E800-0x0003EFFF\tчистый\r\n"
                            "0x0003F000-0x0003F7FF\r\n"
                            "Программируем 340 байт.\r\n" +
                            kBar + "||||||||||||||||||||]" + " ok...\r\n[@ 0 ms.]\r\n" +
                            "Проверяем 340 байт.\r\n" + kFullBar + " ok...\r\n[@ 0 ms.]\r\n");
    EXPECT_EQ(std::vector<uint8_t>(target().flash.begin() + 0x3E800,
                                   target().flash.begin() + 0x3E800 + 300),
              Counting(300));
    EXPECT_EQ(std::vector<uint8_t>(target().flash.begin() + 0x3F000,
                                   target().flash.begin() + 0x3F000 + 41),
              [] {
                  std::vector<uint8_t> v = Counting(40, 7);
                  v.push_back(0xFF);
                  return v;
              }());
    EXPECT_EQ(target().log.front(), "Enter");
    EXPECT_EQ(target().log.back(), "Leave");
}

TEST_F(MainFlow, VerifyOnlyNeitherErasesNorPrograms) {
    const std::string file = WriteFile(S3Records(0x1000, Counting(100)));
    std::copy_n(Counting(100).begin(), 100, target().flash.begin() + 0x1000);
    EXPECT_EQ(Run({"-vo", "-w", file, "-b"}), 0);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi + kClock8 + "Проверяем 100 байт.\r\n" + kFullBar +
                            " ok...\r\n[@ 0 ms.]\r\n");
    EXPECT_TRUE(target().LogOf("Program").empty());
    EXPECT_TRUE(target().LogOf("SectorErase").empty());
    EXPECT_TRUE(target().LogOf("BulkErase").empty());
}

TEST_F(MainFlow, BulkEraseReplacesTheSectorPass) {
    const std::string file = WriteFile(S3Records(0x0, Counting(8)));
    target().flash[0x20000] = 0;
    EXPECT_EQ(Run({"-b", "-w", file}), 0);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi + kClock8 + "Стираем весь объем памяти...OK\r\n" +
                            "Программируем 8 байт.\r\n" + kFullBar + " ok...\r\n[@ 0 ms.]\r\n");
    EXPECT_EQ(target().flash[0x20000], 0xFF);
    EXPECT_EQ(target().LogOf("WriteConfig").size(), 2u);
}

// Faults end the run with its message and -1, leave EzPort mode, close the adapter and never
// print a pass as done.
struct FaultCase {
    const char* name;
    std::vector<std::string> options;
    void (*inject)(FakeTarget&);
    std::string tail;  // output after the clock lines
};

void PrintTo(const FaultCase& c, std::ostream* out) {
    *out << c.name;
}

class MainFlowFault : public MainFlow, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(MainFlowFault, EndsTheRunWithItsMessage) {
    const FaultCase& c = GetParam();
    m_clock.SetTickStep(1);  // lets a poll against a stuck target reach its time-out
    const std::string file = WriteFile(S3Records(0x800, Counting(64)));
    c.inject(target());
    std::vector<std::string> args = c.options;
    args.push_back("-w");
    args.push_back(file);
    EXPECT_EQ(Run(args), -1);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi + kClock8 + c.tail);
    EXPECT_EQ(target().log.back(), "Leave");
    EXPECT_EQ(m_script.calls.back(), "Finish");
    EXPECT_EQ(m_script.calls[m_script.calls.size() - 2], "CloseFtdi");
    EXPECT_EQ(Output().find(" ok..."), std::string::npos);
}

const std::string kProgramming =
    "Стираем сектора...\r\n0x00000800-0x00000FFF\tчистый\r\n"
    "Программируем 64 байт.\r\n" +
    kBar;

INSTANTIATE_TEST_SUITE_P(
    Faults, MainFlowFault,
    ::testing::Values(
        FaultCase{"NothingAnswers",
                  {},
                  [](FakeTarget& t) { t.noAnswer = true; },
                  "Ошибка! Проверьте подключение программатора.\r\n\r\n"},
        FaultCase{"StuckBusyInProgramming",
                  {},
                  [](FakeTarget& t) { t.stuckBusy = true; },
                  kProgramming + "\r\nОшибка 2 - \"Тайм-аут выполнения операции\".\r\n\r\n\r\n"},
        FaultCase{"StuckBusyInSectorErase",
                  {},
                  [](FakeTarget& t) {
                      t.stuckBusy = true;
                      t.flash[0x800] = 0;
                  },
                  "Стираем сектора...\r\n0x00000800-0x00000FFF\tошибка\r\nОшибка! 2\r\n\r\n"},
        FaultCase{"StuckBusyInBulkErase",
                  {"-b"},
                  [](FakeTarget& t) { t.stuckBusy = true; },
                  "Стираем весь объем памяти...Ошибка! \r\n\r\n"},
        FaultCase{
            "WriteErrorFlag",
            {},
            [](FakeTarget& t) { t.writeError = true; },
            kProgramming + "\r\nОшибка 3 - \"Ошибка записи( установлен флаг WEF )\".\r\n\r\n\r\n"},
        FaultCase{
            "FailingRead",
            {"-vo"},
            [](FakeTarget& t) { t.failReadFrom = 0; },
            "Проверяем 64 байт.\r\n" + kBar + "\r\nОшибка 1 - \"Ошибка интерфейса\".\r\n\r\n"},
        FaultCase{"VerifyMismatch",
                  {"-vo"},
                  [](FakeTarget& t) {
                      for (uint32_t i = 0; i < 64; ++i) {
                          t.flash[0x800 + i] = static_cast<uint8_t>(i);
                      }
                      t.flash[0x802] = 0x12;
                  },
                  "Проверяем 64 байт.\r\n" + kBar +
                      "\r\nОшибка сравнения по адресу 0x00000802 прочитано 0x12 вместо "
                      "0x02.\r\n"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

TEST_F(MainFlow, AFlashFileThatWasNotKeptFailsTheRun) {
    m_script.finishOk = false;
    m_script.finishError = {std::string(W1251("Не удается сохранить ")),
                            "\"flash.bin\": Input/output error"};
    EXPECT_EQ(Run({"-b"}), -1);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi + kClock8 + "Стираем весь объем памяти...OK\r\n" +
                            "Не удается сохранить \"flash.bin\": Input/output error\n");
}

std::vector<std::string> Names(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Text(const std::string& path) {
    const std::vector<uint8_t> bytes = testing::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(MainFlow, ReadingIsNeverMixedWithWritingOrComparing) {
    const std::string kRefused = "Ключи -r и -rs нельзя сочетать с ключами -w, -v, -vo и -b.\r\n";
    const Lines mixed[] = {{"-r", "out.s19", "-w", "in.s19"},
                           {"-rs", "out.s19", "-v"},
                           {"-vo", "-r", "out.s19"},
                           {"-b", "-rs", "out.s19", "-P"}};
    for (const Lines& args : mixed) {
        EXPECT_EQ(Run(args), -1) << args[0] << " " << args[1];
        EXPECT_EQ(Output(), kRefused) << args[0] << " " << args[1];
        EXPECT_TRUE(m_factoryNames.empty());
    }
    EXPECT_EQ(Run({"-rx", "out.s19"}), -1);
    EXPECT_EQ(Output(), "Неизвестный параметр \"-rx\".\r\n");
    // Like -w, a -r without a file name asks for nothing.
    EXPECT_EQ(Run({"-rs"}), 0);
    EXPECT_EQ(Output(), kBanner + kUsage);
    EXPECT_TRUE(Names(m_folder).empty());
}

TEST_F(MainFlow, ReadsInBlocksOfTheAdaptersLongestReadAndWritesNothingToTheFlash) {
    for (uint32_t i = 0; i < FakeTarget::kFlashSize; ++i) {
        target().flash[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    }
    const std::vector<uint8_t> flash = target().flash;
    const std::string out = m_folder.File("setup.s19");
    m_script.longestRead = 4096;
    EXPECT_EQ(Run({"-rs", out}), 0);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi + "Читаем 6144 байт с адреса 0x0003E800.\r\n" +
                            kFullBar + " ok...\r\n[@ 0 ms.]\r\nЗаписан файл \"" + out + "\".\r\n");
    EXPECT_EQ(target().log,
              (Lines{"Enter", "Read 0x0003E800 4096", "Read 0x0003F800 2048", "Leave"}));
    EXPECT_EQ(target().writeEnables, 0u);
    EXPECT_TRUE(target().flash == flash);
    EXPECT_EQ(m_script.calls, (Lines{"ListUsb", "ListFtdi", "ListFtdi", "OpenFtdi 0", "SetupFtdi",
                                     "CloseFtdi", "Finish"}));
    const std::string text = Text(out);
    EXPECT_EQ(text.substr(0, 32 + 80),
              "S00D000062726976656C202D72733C\r\n"
              "S3250003E800F4FB020910171E252C333A41484F565D646B727980878E959CA3AAB1B8BFC6CDDF"
              "\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 192 + 1);
    EXPECT_TRUE(text.ends_with("\r\nS70500000000FA\r\n"));
    // What was read is what -w would program: it compares equal with the flash.
    EXPECT_EQ(Run({"-vo", "-w", out}), 0) << Output();
    EXPECT_NE(Output().find("Проверяем 6144 байт.\r\n"), std::string::npos) << Output();

    // The whole flash, here of a larger part: the fake's 256 KiB repeat.
    target().log.clear();
    target().writeEnables = 0;  // the compare run configured the clock
    EXPECT_EQ(Run({"-f", "512", "-r", out}), 0) << Output();
    EXPECT_NE(Output().find("Читаем 524288 байт с адреса 0x00000000.\r\n"), std::string::npos);
    const Lines reads = target().LogOf("Read");
    ASSERT_EQ(reads.size(), 128u);
    EXPECT_EQ(reads.back(), "Read 0x0007F000 4096");
    EXPECT_EQ(target().writeEnables, 0u);
    EXPECT_EQ(Names(m_folder), Lines{"setup.s19"});
}

TEST_F(MainFlow, AReadThatFailsKeepsTheOldFileAndLeavesNothingBehind) {
    struct Case {
        const char* name;
        void (*fault)(FakeTarget&);
        std::string tail;  // the output after the banner and the adapter's name
        Lines log;
    };
    const std::string kReading = "Читаем 6144 байт с адреса 0x0003E800.\r\n";
    const Case cases[] = {
        {"nothing answers",
         [](FakeTarget& t) { t.noAnswer = true; },
         "Ошибка! Проверьте подключение программатора.\r\n\r\n",
         {"Enter", "Leave"}},
        {"second read fails",
         [](FakeTarget& t) { t.failReadFrom = 1; },
         kReading + kBar + std::string(13, '|') + "\r\nОшибка 1 - \"Ошибка интерфейса\".\r\n\r\n",
         {"Enter", "Read 0x0003E800 4096", "Read 0x0003F800 2048", "Leave"}},
    };
    const std::string out = m_folder.Write("setup.s19", std::string("old contents"));
    for (const Case& c : cases) {
        target().Reset();
        c.fault(target());
        EXPECT_EQ(Run({"-rs", out}), -1) << c.name;
        EXPECT_EQ(Output(), kBanner + kUsingFtdi + c.tail) << c.name;
        EXPECT_EQ(target().log, c.log) << c.name;
        EXPECT_EQ(Text(out), "old contents") << c.name;
        EXPECT_EQ(Names(m_folder), Lines{"setup.s19"}) << c.name;
    }
    // A file that cannot be written is found before the target is touched.
    target().Reset();
    const std::string nowhere = m_folder.File("no-such-folder/setup.s19");
    EXPECT_EQ(Run({"-r", nowhere}), -1);
    EXPECT_EQ(Output(), kBanner + kUsingFtdi + "Не удается записать файл \"" + nowhere +
                            "\": No such file or directory\n");
    EXPECT_TRUE(target().log.empty());
    EXPECT_EQ(m_script.calls, (Lines{"ListUsb", "ListFtdi", "ListFtdi", "OpenFtdi 0", "Finish"}));
}

}  // namespace
}  // namespace brivel
