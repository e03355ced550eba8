// quillon --dump over whole setup files: sound files exit 0, every damaged copy names the
// address of the damage and exits 1.
#include "inspect/setup_dump.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "area_bytes.h"
#include "setup_fixture.h"

namespace quillon::inspect {
namespace {

constexpr uint32_t kMeterBase = 0x3E800;
constexpr uint32_t kExternalBase = 0x3F000;
constexpr uint32_t kLocalBase = 0x3F800;

std::string Describe(const SetupFileReport& report) {
    std::ostringstream text;
    PrintSetupReport(report, "test", text);
    return text.str();
}

std::set<uint32_t> Addresses(const SetupFileReport& report) {
    std::set<uint32_t> addresses;
    for (const SetupProblem& problem : report.problems) {
        addresses.insert(problem.address.value_or(0));
    }
    return addresses;
}

class DumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::SetLocal(m_tree);
        testing::SetExternal(m_tree, m_folder.Write("schedule.bin", "\x01\x02\x03"));
        m_meter = testing::TwoMeterArea();
        m_external = testing::BuildExternal(m_tree);
        m_local = testing::BuildLocal(m_tree);
    }

    std::string File() const {
        return testing::SetupFileText(
            {{kMeterBase, m_meter}, {kExternalBase, m_external}, {kLocalBase, m_local}});
    }

    int Dump(const std::string& content, std::string& out, std::string& err) const {
        std::ostringstream outStream, errStream;
        const int status =
            DumpSetupFile(m_folder.Write("dump.s19", content).string(), outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    testing::ScratchFolder m_folder;
    testing::Tree m_tree;
    std::vector<uint8_t> m_meter, m_external, m_local;
};

TEST_F(DumpTest, ASoundFileExitsZeroWithEveryAreaDecoded) {
    std::string out, err;
    EXPECT_EQ(Dump(File(), out, err), 0) << out;
    EXPECT_EQ(err, "");
    EXPECT_NE(out.find("Область настроек счетчиков, 0x0003E800"), std::string::npos);
    EXPECT_NE(out.find("Область настроек коммуникатора, 0x0003F000"), std::string::npos);
    EXPECT_NE(out.find("Область локальных настроек коммуникатора, 0x0003F800"), std::string::npos);
    EXPECT_TRUE(out.ends_with("Проблем не найдено.\n")) << out;
}

TEST_F(DumpTest, ReadsTheSameFileWithSLinesAndLfLineEnds) {
    std::string text = File();
    std::string converted;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            continue;
        }
        converted += (text[i] == ':' ? 'S' : text[i]);
    }
    std::string out, err;
    EXPECT_EQ(Dump(converted, out, err), 0) << out;
}

TEST_F(DumpTest, ReportsEveryDamagedCopyAtTheAddressOfTheDamage) {
    const size_t localEnd = m_local.size() - 2;
    const struct {
        const char* name;
        std::function<void(std::vector<uint8_t>& meter, std::vector<uint8_t>& external,
                           std::vector<uint8_t>& local)>
            damage;
        std::set<uint32_t> expected;
    } cases[] = {
        {"a flipped byte in a record",
         [](auto& meter, auto&, auto&) { meter[124] ^= 0x01; },
         {kMeterBase + 121, kMeterBase + 142}},
        {"a flipped byte in a checksum",
         [](auto&, auto&, auto& local) { local[61] ^= 0x10; },
         {kLocalBase + 54, static_cast<uint32_t>(kLocalBase + localEnd)}},
        {"a flipped byte in an offset",
         [](auto& meter, auto&, auto&) { meter[69] ^= 0x0F; },
         {kMeterBase + 60, kMeterBase + 66, kMeterBase + 121, kMeterBase + 142}},
        {"a truncated area",
         [](auto&, auto&, auto& local) { local.resize(100); },
         {kLocalBase + 42, kLocalBase + 48, kLocalBase + 63, kLocalBase + 100}},
        {"a missing area", [](auto&, auto& external, auto&) { external.clear(); }, {kExternalBase}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto meter = m_meter, external = m_external, local = m_local;
        c.damage(meter, external, local);
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> areas;
        for (const auto& [base, bytes] :
             {std::pair{kMeterBase, meter}, std::pair{kExternalBase, external},
              std::pair{kLocalBase, local}}) {
            if (!bytes.empty()) {
                areas.emplace_back(base, bytes);
            }
        }
        const std::string text = testing::SetupFileText(areas);
        const SetupFileReport report = InspectSetupFile(text);
        EXPECT_EQ(Addresses(report), c.expected) << Describe(report);
        std::string out, err;
        EXPECT_EQ(Dump(text, out, err), 1);
    }
}

TEST_F(DumpTest, ReportsBadLinesDuplicatedAreasAndBytesOutsideTheAreasByLineAndAddress) {
    const std::string file = File();
    const size_t secondLine = file.find('\n') + 1;
    std::string flipped = file;
    flipped[secondLine + 20] = flipped[secondLine + 20] == '0' ? '1' : '0';
    const std::string localLines = file.substr(file.find(":3250003F800"));

    const struct {
        const char* name;
        std::string text;
        size_t line;
        std::optional<uint32_t> address;
        const char* words;
    } cases[] = {
        {"a flipped hex digit", flipped, 2, std::nullopt, "контрольная сумма S-записи"},
        {"the local area twice", file + localLines, 0, kLocalBase, "уже заданы"},
        {"bytes outside the areas", file + ":3060000100000E9\r\n", 0, 0x1000u,
         "вне областей настроек"},
        {"a header line", "S00600004844521B\r\n" + file, 0, std::nullopt, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SetupFileReport report = InspectSetupFile(c.text);
        if (c.words == nullptr) {
            EXPECT_TRUE(report.problems.empty()) << Describe(report);
            EXPECT_EQ(report.file.notes.size(), 1u);
            continue;
        }
        ASSERT_FALSE(report.problems.empty());
        const SetupProblem& first = report.problems.front();
        if (c.line != 0) {
            EXPECT_EQ(first.line, c.line);
        }
        if (c.address) {
            EXPECT_EQ(first.address, c.address);
        }
        EXPECT_NE(first.text.find(c.words), std::string::npos) << Describe(report);
    }
}

TEST_F(DumpTest, NamesAFileItCannotReadOnTheErrorStream) {
    std::ostringstream out, err;
    const auto missing = (m_folder.Path() / "missing.s19").string();
    EXPECT_EQ(DumpSetupFile(missing, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Не удается открыть файл " + missing + ".\n");
    std::ostringstream out2, err2;
    EXPECT_EQ(DumpSetupFile(m_folder.Path().string(), out2, err2), 1);
    EXPECT_NE(err2.str(), "");
}

// The whole text for the two-meter example, the external area of SetExternal with a 3-byte
// schedule and the local area of SetLocal.
TEST_F(DumpTest, PrintsEveryRecordByMeaningInAreaOrder) {
    std::ostringstream out;
    PrintSetupReport(InspectSetupFile(File()), "loc_.s19", out);
    EXPECT_EQ(out.str(), R"(Файл настроек: loc_.s19
Записей S3 с данными: 20

Область настроек счетчиков, 0x0003E800
  Сигнатура: верна
  Размер: 144 байт
  Контрольная сумма: 0x9E30, верна
  0x0003E812  Таблица секций (18 байт): элементов 2
      секция 0x0000 -> 0x0003E824
      секция 0x0014 -> 0x0003E83C
  0x0003E824  Каталог секции 0x0000 (18 байт): элементов 2
      0x000B Наборы паролей -> 0x0003E854
      0x000C Таблица уникальных паролей -> 0x0003E862
  0x0003E836  Контроллеры MS744: Скорость (6 байт), без ссылки: По умолчанию
  0x0003E83C  Каталог секции 0x0014 (24 байт), группа 0x0014: Канал 0, Счетчик Меркурий-230, с ТУ 1: элементов 3
      0x0008 Сетевые адреса группы 0x0014 -> 0x0003E879
      0x0009 Пароли группы 0x0014 -> 0x0003E880
      0x000A Автокоррекция группы 0x0014 -> 0x0003E886
  0x0003E854  Наборы паролей (14 байт): наборов 1
      набор 0: остальные - пароли 0, 1, 2;
  0x0003E862  Таблица уникальных паролей (23 байт): паролей 3
      0: 1,1,1,1,1,1
      1: 2,2,2,2,2,2
      2: 3,3,3,3,3,3
  0x0003E879  Сетевые адреса группы 0x0014 (7 байт): счетчиков 2
      ТУ 1: 1
      ТУ 2: 2
  0x0003E880  Пароли группы 0x0014 (6 байт): набор 0
  0x0003E886  Автокоррекция группы 0x0014 (8 байт): 0x00000003, ТУ 1, 2

Область настроек коммуникатора, 0x0003F000
  Сигнатура: верна
  Размер: 272 байт
  Контрольная сумма: 0x55CE, верна
  0x0003F012  Таблица секций (18 байт): элементов 2
      секция 0x0000 -> 0x0003F024
      секция 0x0100 -> 0x0003F05A
  0x0003F024  Каталог секции 0x0000 (54 байт): элементов 8
      0x0001 GID -> 0x0003F066
      0x0002 Основной канал -> 0x0003F06F
      0x0003 Резервный канал -> 0x0003F09D
      0x0004 Системные настройки -> 0x0003F0D9
      0x0005 Таблица расписания -> 0x0003F0DE
      0x0006 Конфигурации каналов обмена -> 0x0003F0E5
      0x001C Настройки UART -> 0x0003F0F4
      0x001D Игнорируемые журнальные записи -> 0x0003F0CB
  0x0003F05A  Каталог секции 0x0100 (12 байт): элементов 1
      0x000D Настройки журнала -> 0x0003F108
  0x0003F066  GID (9 байт): 0001 (1)
  0x0003F06F  Основной канал (40 байт): Тип канала Ethernet
      SYS: "s" (0x0003F097)
      SRV: "v" (0x0003F099)
      TRY: "t" (0x0003F09B)
      IP: 10.0.0.2
      GATE: 10.0.0.1
      MASK: 255.0.0.0
  0x0003F09D  Резервный канал (40 байт): Тип канала Ethernet
      SYS: "s" (0x0003F0C5)
      SRV: "v" (0x0003F0C7)
      TRY: "t" (0x0003F0C9)
      IP: 10.0.0.2
      GATE: 10.0.0.1
      MASK: 255.0.0.0
  0x0003F0CB  Игнорируемые журнальные записи (14 байт): маска 0x0000, нет
  0x0003F0D9  Системные настройки (5 байт): 0xFF
      SysLog (системный лог): нет
      TCORR (повт. корр.-ошибка): нет
  0x0003F0DE  Таблица расписания (7 байт): длина 3 байт, контрольная сумма 0xD535
  0x0003F0E5  Конфигурации каналов обмена (15 байт)
      Канал 0: Группа устройств Не используется (код 0)
      Канал 1: Группа устройств Не используется (код 0)
  0x0003F0F4  Настройки UART (20 байт)
      Канал 0: Скорость По умолчанию; Количество бит для кодирования символа По умолчанию; Длительность стопового бита По умолчанию; Настройка чётности По умолчанию
      Канал 1: Скорость По умолчанию; Количество бит для кодирования символа По умолчанию; Длительность стопового бита По умолчанию; Настройка чётности По умолчанию
  0x0003F108  Настройки журнала (6 байт): 0xFF
      REC (опрос журнала): нет
      COOKIE (надежная передача): нет
      LAST (только последняя запись): нет

Область локальных настроек коммуникатора, 0x0003F800
  Сигнатура: верна
  Размер: 166 байт
  Контрольная сумма: 0xEA83, верна
  0x0003F812  Таблица секций (12 байт): элементов 1
      секция 0x0000 -> 0x0003F81E
  0x0003F81E  Каталог секции 0x0000 (24 байт): элементов 3
      0x0001 GID -> 0x0003F836
      0x0002 Основной канал -> 0x0003F83F
      0x0003 Резервный канал -> 0x0003F871
  0x0003F836  GID (9 байт): 1234 (4660)
  0x0003F83F  Основной канал (40 байт): Тип канала Ethernet
      SYS: "sys" (0x0003F867)
      SRV: "srv" (0x0003F86B)
      TRY: "3" (0x0003F86F)
      IP: 192.168.0.10
      GATE: 192.168.0.1
      MASK: 255.255.255.0
  0x0003F871  Резервный канал (30 байт): Тип канала Модем
      SYS: "резерв" (0x0003F88F)
      SRV: "s2" (0x0003F896)
      TRY: "5" (0x0003F899)
      APN: "internet" (0x0003F89B)

Проблем не найдено.
)");
}

}  // namespace
}  // namespace quillon::inspect
