#include "cli/command_line.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/console_text.h"
#include "image/save_setup.h"
#include "inspect/load_setup.h"
#include "inspect/setup_dump.h"
#include "settings/ascii_text.h"
#include "settings/catalogue.h"
#include "settings/command_listeners.h"
#include "settings/cp1251.h"
#include "settings/ini_file.h"
#include "settings/key_map.h"
#include "settings/memory_control.h"
#include "settings/setup_failure.h"
#include "settings/user_dialogs.h"

#ifndef QB_VERSION
#define QB_VERSION "unknown"
#endif

namespace quillon {
namespace {

namespace fs = std::filesystem;

// clang-format off
constexpr std::string_view kUsage =
    "Использование: quillon [--load-ini ФАЙЛ.ini] [--load-setup ФАЙЛ.s19 [--save-schedule ФАЙЛ]]\n"
    "                       [--set КЛЮЧ=ЗНАЧЕНИЕ]... [--save-setup ФАЙЛ.s19]\n"
    "                       [--save-ini ФАЙЛ.ini] [--dump ФАЙЛ.s19]\n"
    "\n"
    "С параметрами конфигуратор работает без окна. Дерево настроек начинается с начальных "
    "значений;\n"
    "команды выполняются в этом порядке, как бы они ни стояли в командной строке:\n"
    "  --load-ini ФАЙЛ       загрузить настройки из INI-файла (\"Load Ini-file\")\n"
    "  --load-setup ФАЙЛ     загрузить настройки из файла настроек (\"Load Setup\"): из файла,\n"
    "                        который пишет --save-setup или читает из прибора brivel -rs;\n"
    "                        файл с проблемами не загружается, они выводятся в stderr\n"
    "  --save-schedule ФАЙЛ  с --load-setup: записать таблицу расписания из файла настроек\n"
    "                        в ФАЙЛ и задать его в TIME_TABLE; без этого TIME_TABLE пуст\n"
    "  --set КЛЮЧ=ЗНАЧЕНИЕ   задать одну настройку, как строка INI-файла; можно повторять\n"
    "  --save-setup ФАЙЛ     скомпилировать области настроек и записать файл S-record\n"
    "                        (\"Save Setup\")\n"
    "  --save-ini ФАЙЛ       сохранить все настройки в INI-файл (\"Save Ini-file\")\n"
    "  --dump ФАЙЛ           показать, что содержит файл настроек, и проверить его строение;\n"
    "                        при найденных проблемах код выхода 1\n"
    "  --help                показать эту справку\n"
    "  --version             показать версию\n"
    "\n"
    "Относительные пути, в том числе TIME_TABLE, считаются от текущей папки.\n"
    "Коды выхода: 0 - успешно; 1 - ошибка настроек или файла (сообщение в stderr,\n"
    "следующие команды не выполняются, файл этой команды не записан); 2 - неверные параметры,\n"
    "в том числе ключ --set, которого нет в дереве настроек.\n"
    "Без параметров открывается окно настроек.\n";
// clang-format on

struct Request {
    std::optional<fs::path> loadIni;
    std::optional<fs::path> loadSetup;
    std::optional<fs::path> saveSchedule;
    // "KEY=VALUE" lines, in the order given.
    std::vector<std::string> sets;
    std::optional<fs::path> saveSetup;
    std::optional<fs::path> saveIni;
    std::optional<fs::path> dump;
    bool help = false;
    bool version = false;
};

struct FileOption {
    std::string_view name;
    std::optional<fs::path> Request::*target;
};

constexpr FileOption kFileOptions[] = {
    // clang-format off
    {"--load-ini", &Request::loadIni},
    {"--load-setup", &Request::loadSetup},
    {"--save-schedule", &Request::saveSchedule},
    {"--save-setup", &Request::saveSetup},
    {"--save-ini", &Request::saveIni},
    {"--dump", &Request::dump},
    // clang-format on
};

// The reason the arguments are refused, as UTF-8; none when they are accepted.
std::optional<std::string> Parse(std::span<const std::string_view> args, Request& request) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            request.help = true;
            continue;
        }
        if (arg == "--version") {
            request.version = true;
            continue;
        }
        if (arg == "--set" || arg.starts_with("--set=")) {
            std::string_view line;
            if (arg != "--set") {
                line = arg.substr(6);
            } else if (i + 1 < args.size()) {
                line = args[++i];
            }
            // Read as the INI loader reads a line: blanks at both ends dropped, the key is
            // what stands before the first "=".
            line = TrimAscii(line);
            const size_t equals = line.find('=');
            if (equals == std::string_view::npos || equals == 0) {
                return "параметру --set нужно КЛЮЧ=ЗНАЧЕНИЕ";
            }
            if (line.find('\n') != std::string_view::npos) {
                return "значение --set должно умещаться в одну строку";
            }
            request.sets.emplace_back(line);
            continue;
        }
        const FileOption* option = nullptr;
        std::optional<std::string_view> value;
        for (const FileOption& candidate : kFileOptions) {
            if (arg == candidate.name) {
                option = &candidate;
                if (i + 1 < args.size()) {
                    value = args[++i];
                }
            } else if (arg.size() > candidate.name.size() &&
                       arg.substr(0, candidate.name.size()) == candidate.name &&
                       arg[candidate.name.size()] == '=') {
                option = &candidate;
                value = arg.substr(candidate.name.size() + 1);
            }
        }
        if (option == nullptr) {
            return "неизвестный параметр \"" + std::string(arg) + "\"";
        }
        if (!value || value->empty()) {
            return "параметру " + std::string(option->name) + " нужно имя файла";
        }
        std::optional<fs::path>& target = request.*(option->target);
        if (target) {
            return "параметр " + std::string(option->name) + " задан дважды";
        }
        target = fs::path(*value);
    }
    if (request.saveSchedule && !request.loadSetup) {
        return "параметр --save-schedule задаётся только с --load-setup";
    }
    return std::nullopt;
}

// The file dialogs answered by the arguments; a message ends the run.
class ArgumentDialogs final : public UserDialogs {
public:
    void ShowMessage(std::string_view cp1251Message) override {
        if (!m_message) {
            m_message = FromCp1251(cp1251Message);
        }
    }
    std::optional<fs::path> AskSavePath(const FileQuestion&) override { return m_path; }
    std::optional<fs::path> AskOpenPath(const FileQuestion&) override { return m_path; }

    void Use(const fs::path& path) { m_path = path; }
    const std::optional<std::string>& Message() const { return m_message; }

private:
    std::optional<fs::path> m_path;
    std::optional<std::string> m_message;
};

// The settings tree as the window holds it, over in-memory controls.
struct Settings {
    MemoryControlFactory factory;
    CommandListeners listeners;
    KeyMap keys;
    std::unique_ptr<CSetupEntry> root;

    Settings() : root(BuildCatalogue(factory, listeners)) { root->RegisterKeys(keys); }
};

// The key of a --set line, which the arguments have checked to hold an "=".
std::string_view SetKey(std::string_view line) {
    return line.substr(0, line.find('='));
}

void PrintUsageRefusal(std::string_view reason, std::ostream& err) {
    err << ForConsole("quillon: " + std::string(reason) + "\n\n" + std::string(kUsage));
}

// "Load Setup" with the schedule file named by the arguments; a refusal or failure is printed.
bool LoadSetup(const Request& request, Settings& settings, std::ostream& err) {
    try {
        const inspect::SetupImport import = inspect::ReadSetupImport(*request.loadSetup);
        if (!import.problems.empty()) {
            err << ForConsole(inspect::RefusalText(*request.loadSetup, import.problems)) << '\n';
            return false;
        }
        inspect::ApplyLoadedSetup(import, request.saveSchedule, settings.keys);
        // A --set of TIME_TABLE names the schedule file in its place.
        const bool named =
            std::any_of(request.sets.begin(), request.sets.end(),
                        [](const std::string& line) { return SetKey(line) == "TIME_TABLE"; });
        if (!request.saveSchedule && !named) {
            err << ForConsole("Таблица расписания из файла настроек (" +
                              std::to_string(import.schedule.size()) +
                              " байт) не сохранена: TIME_TABLE оставлен пустым. Чтобы "
                              "сохранить её, добавьте --save-schedule ФАЙЛ.")
                << '\n';
        }
        return true;
    } catch (const SetupFailure& failure) {
        err << ForConsole(FromCp1251(failure.Message())) << '\n';
        return false;
    }
}

int Run(const Request& request, std::ostream& out, std::ostream& err) {
    Settings settings;
    // A key the tree does not have is a mistake in the arguments: nothing runs.
    for (const std::string& line : request.sets) {
        if (!IniKeySetsValue(SetKey(line), settings.keys)) {
            PrintUsageRefusal(
                "нет настройки с ключом \"" + std::string(SetKey(line)) + "\" (--set " + line + ")",
                err);
            return kExitUsage;
        }
    }
    ArgumentDialogs dialogs;
    const auto failed = [&] {
        if (!dialogs.Message()) {
            return false;
        }
        err << ForConsole(*dialogs.Message()) << '\n';
        return true;
    };
    if (request.loadIni) {
        dialogs.Use(*request.loadIni);
        RunLoadIniCommand(settings.keys, dialogs);
        if (failed()) {
            return kExitFailure;
        }
    }
    if (request.loadSetup && !LoadSetup(request, settings, err)) {
        return kExitFailure;
    }
    for (const std::string& line : request.sets) {
        // Applied as one line of an INI file, so every conversion is the loader's own.
        ApplyIniText("[SET]\r\n" + line + "\r\n", settings.keys);
    }
    if (request.saveSetup) {
        dialogs.Use(*request.saveSetup);
        RunSaveSetupCommand(settings.keys, dialogs);
        if (failed()) {
            return kExitFailure;
        }
    }
    if (request.saveIni) {
        dialogs.Use(*request.saveIni);
        RunSaveIniCommand(settings.keys, dialogs);
        if (failed()) {
            return kExitFailure;
        }
    }
    if (request.dump) {
        std::ostringstream text, problem;
        const int status = inspect::DumpSetupFile(request.dump->string(), text, problem);
        out << ForConsole(text.str());
        err << ForConsole(problem.str());
        return status == 0 ? kExitSuccess : kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

int RunCommandLine(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    Request request;
    if (const std::optional<std::string> refusal = Parse(args, request)) {
        PrintUsageRefusal(*refusal, err);
        return kExitUsage;
    }
    if (request.help) {
        out << ForConsole(kUsage);
        return kExitSuccess;
    }
    if (request.version) {
        out << "quillon " << QB_VERSION << '\n';
        return kExitSuccess;
    }
    if (!request.loadIni && !request.loadSetup && request.sets.empty() && !request.saveSetup &&
        !request.saveIni && !request.dump) {
        err << ForConsole(kUsage);
        return kExitUsage;
    }
    try {
        return Run(request, out, err);
    } catch (const std::exception& error) {
        // A fault of the program, not of the settings: the areas disagree with themselves, or
        // memory ran out.
        err << ForConsole("quillon: внутренняя ошибка: ") << error.what() << '\n';
        return kExitFailure;
    }
}

}  // namespace quillon
