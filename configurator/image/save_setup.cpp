#include "image/save_setup.h"

#include <algorithm>
#include <array>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include "image/external_area.h"
#include "image/local_area.h"
#include "image/meter_area.h"
#include "settings/atomic_file.h"
#include "settings/cp1251.h"
#include "settings/setup_failure.h"

namespace quillon {
namespace {

// The area frame's 16-bit total cannot describe a larger area, so it cannot be built.
constexpr size_t kLargestFramedArea = 0xFFFF;

class ExternalAreaCompiler final : public SetupAreaCompiler {
public:
    size_t GetSize(KeyMap& keys) override { return m_area.GetSize(keys); }
    void Build(std::span<uint8_t> buffer, KeyMap& keys) override { m_area.Build(buffer, keys); }
    void CheckBuild(KeyMap& keys) override { m_area.CheckBuild(keys); }

private:
    CStpAreaExt m_area;
};

class MeterAreaCompiler final : public SetupAreaCompiler {
public:
    size_t GetSize(KeyMap& keys) override {
        m_area.Prepare(keys);
        return m_area.GetSize(keys);
    }
    void Build(std::span<uint8_t> buffer, KeyMap& keys) override { m_area.Build(buffer, keys); }
    void CheckBuild(KeyMap& keys) override { m_area.CheckBuild(keys); }

private:
    CStpAreaCnt m_area;
};

class LocalAreaCompiler final : public SetupAreaCompiler {
public:
    size_t GetSize(KeyMap& keys) override { return m_area.GetSize(keys); }
    void Build(std::span<uint8_t> buffer, KeyMap& keys) override { m_area.Build(buffer, keys); }
    // The local area's writers check nothing that GetSize did not.
    void CheckBuild(KeyMap&) override {}

private:
    CStpAreaLoc m_area;
};

constexpr std::array<FileFilter, 2> kSetupFilters = {{
    {"S-Record files (*.s19)", "*.s19"},
    {"All Files (*.*)", "*.*"},
}};

struct CompiledArea {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

}  // namespace

std::vector<SetupAreaSlot> StandardSetupAreas() {
    std::vector<SetupAreaSlot> areas;
    areas.push_back({std::make_unique<ExternalAreaCompiler>(), kExternalAreaAddress,
                     "Область настроек коммуникатора слишком велика. Уменьшите таблицу "
                     "расписания."});
    areas.push_back({std::make_unique<MeterAreaCompiler>(), kMeterAreaAddress,
                     "Область настроек счетчиков слишком велика. Уменьшите кол-во уникальных "
                     "паролей."});
    areas.push_back({std::make_unique<LocalAreaCompiler>(), kLocalAreaAddress,
                     "Область локальных настроек коммуникатора слишком велика. Уменьшите "
                     "таблицу расписания."});
    return areas;
}

CFlashImage CompileSetup(KeyMap& keys, std::span<SetupAreaSlot> areas) {
    std::vector<CompiledArea> compiled;
    for (SetupAreaSlot& slot : areas) {
        const size_t size = slot.area->GetSize(keys);
        // Too large to frame is too large all the same, and its buffer alone could be of any
        // size (a schedule file has none), so it is not built; the failures its build would
        // report come first all the same.
        if (size > kLargestFramedArea) {
            slot.area->CheckBuild(keys);
            throw SetupFailure::FromUtf8(slot.tooLarge);
        }
        std::vector<uint8_t> bytes(size);
        slot.area->Build(bytes, keys);
        if (size > kAreaSizeLimit) {
            throw SetupFailure::FromUtf8(slot.tooLarge);
        }
        compiled.push_back({slot.address, std::move(bytes)});
    }

    std::stable_sort(
        compiled.begin(), compiled.end(),
        [](const CompiledArea& a, const CompiledArea& b) { return a.address < b.address; });
    CFlashImage image;
    for (const CompiledArea& area : compiled) {
        image.Seek(area.address);
        image.Write(area.bytes);
    }
    return image;
}

void WriteSetupFile(const CFlashImage& image, const std::filesystem::path& path) {
    std::ostringstream text;
    image.WriteSRecords(text, false);
    if (!WriteFileAtomically(path, text.str())) {
        throw SetupFailure(ToCp1251("Не удается открыть файл " + path.string() + "."));
    }
}

std::filesystem::path DefaultSetupPath() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::filesystem::path("loc_.s19") : folder / "loc_.s19";
}

void RunSaveSetupCommand(KeyMap& keys, UserDialogs& dialogs) {
    std::vector<SetupAreaSlot> areas = StandardSetupAreas();
    RunSaveSetupCommand(keys, dialogs, areas);
}

void RunSaveSetupCommand(KeyMap& keys, UserDialogs& dialogs, std::span<SetupAreaSlot> areas) {
    try {
        // The areas are compiled before the user is asked, so a settings error never leaves a
        // file behind.
        const CFlashImage image = CompileSetup(keys, areas);
        const std::optional<std::filesystem::path> path =
            dialogs.AskSavePath({DefaultSetupPath(), kSetupFilters});
        if (path) {
            WriteSetupFile(image, *path);
        }
    } catch (const SetupFailure& failure) {
        dialogs.ShowMessage(failure.Message());
    }
}

}  // namespace quillon
