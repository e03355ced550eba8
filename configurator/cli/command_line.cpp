#include "cli/command_line.h"

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/console_text.h"
#include "image/save_setup.h"
#include "inspect/setup_dump.h"
#include "settings/catalogue.h"
#include "settings/command_listeners.h"
#include "settings/cp1251.h"
#include "settings/ini_file.h"
#include "settings/key_map.h"
#include "settings/memory_control.h"
#include "settings/user_dialogs.h"

#ifndef QB_VERSION
#define QB_VERSION "unknown"
#endif

namespace quillon {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUsage =
    "Использование: quillon [--load-ini ФАЙЛ.ini] [--save-setup ФАЙЛ.s19] [--save-ini ФАЙЛ.ini]\n"
    "                       [--dump ФАЙЛ.s19]\n"
    "\n"
    "С параметрами конфигуратор работает без окна. Дерево настроек начинается с начальных "
    "значений;\n"
    "команды выполняются в этом порядке, как бы они ни стояли в командной строке:\n"
    "  --load-ini ФАЙЛ     загрузить настройки из INI-файла (\"Load Ini-file\")\n"
    "  --save-setup ФАЙЛ   скомпилировать области настроек и записать файл S-record\n"
    "                      (\"Save Setup\")\n"
    "  --save-ini ФАЙЛ     сохранить все настройки в INI-файл (\"Save Ini-file\")\n"
    "  --dump ФАЙЛ         показать, что содержит файл настроек, и проверить его строение;\n"
    "                      при найденных проблемах код выхода 1\n"
    "  --help              показать эту справку\n"
    "  --version           показать версию\n"
    "\n"
    "Относительные пути, в том числе TIME_TABLE, считаются от текущей папки.\n"
    "Коды выхода: 0 - успешно; 1 - ошибка настроек или файла (сообщение в stderr,\n"
    "следующие команды не выполняются, файл этой команды не записан); 2 - неверные параметры.\n"
    "Без параметров открывается окно настроек.\n";

struct Request {
    std::optional<fs::path> loadIni;
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
    {"--load-ini", &Request::loadIni},
    {"--save-setup", &Request::saveSetup},
    {"--save-ini", &Request::saveIni},
    {"--dump", &Request::dump},
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

int Run(const Request& request, std::ostream& out, std::ostream& err) {
    Settings settings;
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
        err << ForConsole("quillon: " + *refusal + "\n\n" + std::string(kUsage));
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
    if (!request.loadIni && !request.saveSetup && !request.saveIni && !request.dump) {
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
