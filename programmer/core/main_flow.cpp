#include "core/main_flow.h"

#include <cstdio>
#include <new>
#include <optional>

#include "core/clock.h"
#include "core/clock_register.h"
#include "core/console.h"
#include "core/ezport.h"
#include "core/file_check.h"
#include "core/messages.h"
#include "core/options.h"
#include "core/passes.h"
#include "core/progress_bar.h"
#include "core/record_image.h"
#include "core/replacing_file.h"
#include "core/srecord_writer.h"

namespace brivel {

namespace {

constexpr int kFailure = -1;
constexpr int kSuccess = 0;
constexpr uint32_t kProgressCells = 20;
// Interfaces of other devices of the same class are passed over.
constexpr std::string_view kUsbProgrammerFilter = "vid_0438&pid_0f10&mi_02";
// The configurator's three setup areas: meter, external and local area, 2048 bytes each.
constexpr uint32_t kSetupAreasStart = 0x3E800;
constexpr uint32_t kSetupAreasEnd = 0x40000;

std::string FtdiListName(const FtdiDeviceInfo& device) {
    char id[16];
    std::snprintf(id, sizeof id, "%x", device.id);
    return "FTDI_" + std::string(id) + "_" + device.serial;
}

// The name a device is selected by: the identifier zero-padded to eight digits.
std::string FtdiSelectName(const FtdiDeviceInfo& device) {
    char id[16];
    std::snprintf(id, sizeof id, "%08x", device.id);
    return "FTDI_" + std::string(id) + "_" + device.serial;
}

void PrintBackendError(const BackendError& error, Console& console) {
    if (!error.Empty()) {
        console.Print(error.text);
        console.PrintNative(error.detail + "\n");
    }
}

enum class AdapterKind { kFtdi, kUsb };

class ProgrammerRun {
public:
    ProgrammerRun(const Options& options, ProgrammerBackend& backend, Console& console,
                  const OpenFailureNote& openFailureNote)
        : m_options(options),
          m_backend(backend),
          m_console(console),
          m_openFailureNote(openFailureNote),
          m_progress(console) {}

    // Discovery, opening, file check and run; the exit status.
    int Execute();

private:
    std::optional<std::string> Discover(int& status);
    bool Open(const std::string& name);
    bool CheckFile();
    bool CreateReadFile();
    void ReportFileNotWritten(const std::string& reason);
    void StartAdapter();
    int Program();
    int ReadToFile();
    int Abort();
    void CloseAdapter();
    void EndWithIgnoredKeys();
    void ReportNoAccess();

    const Options& m_options;
    ProgrammerBackend& m_backend;
    Console& m_console;
    const OpenFailureNote& m_openFailureNote;
    ProgressBar m_progress;
    AdapterKind m_kind = AdapterKind::kFtdi;
    const AdapterOps* m_ops = nullptr;
    RecordImage m_image;  // the file as checked; the passes read only this
    uint32_t m_total = 0;
    ReplacingFile m_readFile;  // -r, -rs: made before the target is touched
};

void ProgrammerRun::EndWithIgnoredKeys() {
    if (m_options.program || m_options.read) {
        m_console.Print(msg::kOtherKeysIgnored);
    }
}

std::optional<std::string> ProgrammerRun::Discover(int& status) {
    status = kFailure;
    const bool list = m_options.list;
    if (list) {
        m_console.Print(msg::kListHeader);
        m_console.Print(msg::kDashLine);
    }
    for (const UsbInterfaceInfo& usb : m_backend.ListUsbInterfaces()) {
        if (list) {
            m_console.PrintNative("\"" + usb.path + "\" - ");
            m_console.PrintNative(usb.revision.empty() ? "unknown" : usb.revision);
            m_console.PrintNative("\r\n");
        } else if (usb.path.find(kUsbProgrammerFilter) != std::string::npos) {
            return usb.path;
        }
    }
    std::vector<FtdiDeviceInfo> devices;
    // A list that cannot be fetched counts as an empty one.
    if (!m_backend.ListFtdiDevices(devices)) {
        devices.clear();
    }
    if (list) {
        for (const FtdiDeviceInfo& device : devices) {
            m_console.PrintNative(FtdiListName(device) + "\r\n");
        }
        m_console.Print(msg::kDashLine);
        EndWithIgnoredKeys();
        return std::nullopt;
    }
    if (!devices.empty()) {
        try {
            return FtdiSelectName(devices.front());
        } catch (const std::bad_alloc&) {
            m_console.Print(msg::kNameMemory);
            return std::nullopt;
        }
    }
    m_console.Print(msg::kNoProgrammer);
    EndWithIgnoredKeys();
    return std::nullopt;
}

void ProgrammerRun::ReportNoAccess() {
    m_console.Print(msg::kNoAccess);
    if (m_openFailureNote) {
        const std::string note = m_openFailureNote(m_backend);
        if (!note.empty()) {
            m_console.Print(note);
        }
    }
}

bool ProgrammerRun::Open(const std::string& name) {
    m_console.Print(msg::kUsingProgrammer);
    m_console.PrintNative(name + "\r\n");
    if (const std::optional<int> index = m_backend.DirectFtdiIndex(name)) {
        m_kind = AdapterKind::kFtdi;
        if (!m_backend.OpenFtdi(*index)) {
            ReportNoAccess();
            return false;
        }
        return true;
    }
    if (name.starts_with("FTDI")) {
        m_kind = AdapterKind::kFtdi;
        std::vector<FtdiDeviceInfo> devices;
        int index = -1;
        if (m_backend.ListFtdiDevices(devices)) {
            for (std::size_t i = 0; i < devices.size(); ++i) {
                if (FtdiSelectName(devices[i]) == name) {
                    index = static_cast<int>(i);
                    break;
                }
            }
        }
        if (index < 0) {
            m_console.Print(msg::kNotConnected);
            return false;
        }
        if (!m_backend.OpenFtdi(index)) {
            ReportNoAccess();
            return false;
        }
        return true;
    }
    m_kind = AdapterKind::kUsb;
    if (!m_backend.OpenUsb(name)) {
        ReportNoAccess();
        return false;
    }
    m_console.Printf(msg::kFirmwareVersion.c_str(), m_backend.UsbVersionText().c_str());
    return true;
}

bool ProgrammerRun::CheckFile() {
    const uint64_t flashBytes = uint64_t{m_options.flashKiB} * 1024;
    const FileCheckResult result = CheckRecordFile(m_options.fileName, flashBytes, m_image);
    m_total = result.total;
    switch (result.check) {
        case FileCheck::kOk:
            return true;
        case FileCheck::kCannotOpen:
            m_console.Print(msg::kCannotOpenFile);
            return false;
        case FileCheck::kMalformed:
            m_console.Print(msg::kBadFormatHead);
            m_console.PrintNative(m_options.fileName);
            m_console.Print(msg::kBadFormatTail);
            return false;
        case FileCheck::kS1S2Data:
            m_console.Print(msg::kS1S2Data);
            return false;
        case FileCheck::kNoData:
            m_console.Print(msg::kNoData);
            return false;
        case FileCheck::kOutsideFlash:
            m_console.Printf(msg::kOutsideFlash.c_str(), result.address, m_options.flashKiB);
            return false;
    }
    return false;
}

void ProgrammerRun::ReportFileNotWritten(const std::string& reason) {
    m_console.Print(msg::kCannotWriteFile);
    m_console.PrintNative("\"" + m_options.readFileName + "\": " + reason + "\n");
}

// A file that cannot be written is found before the flash is read.
bool ProgrammerRun::CreateReadFile() {
    std::string reason;
    if (!m_readFile.Create(m_options.readFileName, reason)) {
        ReportFileNotWritten(reason);
        return false;
    }
    return true;
}

void ProgrammerRun::CloseAdapter() {
    if (m_kind == AdapterKind::kFtdi) {
        m_backend.CloseFtdi();
    } else {
        m_backend.UsbEnable(false);
        m_backend.CloseUsb();
    }
}

int ProgrammerRun::Abort() {
    m_ops->Leave();
    CloseAdapter();
    m_console.Print(msg::kLineEnd);
    return kFailure;
}

void ProgrammerRun::StartAdapter() {
    if (m_kind == AdapterKind::kFtdi) {
        m_backend.SetupFtdi();
        m_ops = &m_backend.FtdiOps();
    } else {
        m_backend.UsbEnable(true);
        m_ops = &m_backend.UsbOps();
    }
}

// Reads the flash, or its setup areas, into the file. Nothing is written to the target: no
// clock configuration (it starts with a write enable), no erase, no program. The status read
// after Enter is the connection check: a target that is not there answers 0xFF, which would
// otherwise be read as erased flash.
int ProgrammerRun::ReadToFile() {
    StartAdapter();
    const AdapterOps& ops = *m_ops;
    const uint32_t start = m_options.readSetupOnly ? kSetupAreasStart : 0;
    const uint32_t end = m_options.readSetupOnly ? kSetupAreasEnd : m_options.flashKiB * 1024;
    std::vector<uint8_t> contents(end - start);
    uint8_t status = 0;

    ops.Enter();
    if (ops.ReadStatus(&status) != 0) {
        m_console.Print(msg::kCheckConnection);
        return Abort();
    }
    Clock& time = CurrentClock();
    const uint32_t started = time.TickCount();
    m_console.Printf(msg::kReading.c_str(), static_cast<int>(contents.size()), start);
    m_progress.Start(kProgressCells, static_cast<uint32_t>(contents.size()));
    const uint32_t longestRead =
        m_kind == AdapterKind::kFtdi ? m_backend.FtdiLongestRead() : m_backend.UsbLongestRead();
    if (ReadFlash(ops, start, contents.data(), static_cast<uint32_t>(contents.size()), longestRead,
                  m_progress, m_console) != 0) {
        return Abort();
    }
    m_console.Print(msg::kPassOk);
    m_console.Printf(msg::kPassTime.c_str(), static_cast<int>(time.TickCount() - started));
    ops.Leave();
    CloseAdapter();

    std::string reason;
    if (!m_readFile.Commit(FormatSRecordFile(start, contents,
                                             m_options.readSetupOnly ? "brivel -rs" : "brivel -r"),
                           reason)) {
        ReportFileNotWritten(reason);
        return kFailure;
    }
    m_console.Print(msg::kFileWrittenHead);
    m_console.PrintNative(m_options.readFileName);
    m_console.Print(msg::kQuoteEnd);
    return kSuccess;
}

int ProgrammerRun::Program() {
    StartAdapter();
    const AdapterOps& ops = *m_ops;
    const bool writing = m_options.program && !m_options.verifyOnly;
    uint8_t status = 0;

    ops.Enter();
    ops.ReadStatus(&status);
    const ClockSetting clock = ComputeClockRegister(m_options.fsysMHz, m_console);
    ops.ReadStatus(&status);
    if (ops.WriteConfig(clock.clockRegister, &status) != 0) {
        m_console.Print(msg::kCheckConnection);
        return Abort();
    }

    if (m_options.bulkErase && !m_options.verifyOnly) {
        m_console.Print(msg::kBulkErasing);
        if (ops.BulkErase(kEzBulkEraseTimeoutMs) != 0) {
            m_console.Print(msg::kBulkEraseFailed);
            return Abort();
        }
        if (ops.WriteConfig(clock.clockRegister, &status) != 0) {
            m_console.Print(msg::kCheckConnection);
            return Abort();
        }
        m_console.Print(msg::kOk);
    } else if (writing) {
        const int erased = EraseSectors(ops, m_image, m_console);
        if (erased != 0) {
            m_console.Printf(msg::kSectorEraseFailed.c_str(), erased);
            return Abort();
        }
        ops.WriteEnable();
        if (ops.ReadStatus(&status) != 0 || (status & kEzStatusConfigLoaded) == 0) {
            m_console.Print(msg::kCheckConnection);
            return Abort();
        }
    }

    Clock& time = CurrentClock();
    uint32_t started = time.TickCount();
    if (writing) {
        m_console.Printf(msg::kProgramming.c_str(), static_cast<int>(m_total));
        m_progress.Start(kProgressCells, m_total);
        if (TransferImage(ops, m_image, false, m_progress, m_console) != 0) {
            m_console.Print(msg::kLineEnd);
            return Abort();
        }
        m_console.Print(msg::kPassOk);
        m_console.Printf(msg::kPassTime.c_str(), static_cast<int>(time.TickCount() - started));
    }

    started = time.TickCount();
    if (m_options.program && m_options.verify) {
        m_console.Printf(msg::kVerifying.c_str(), static_cast<int>(m_total));
        m_progress.Start(kProgressCells, m_total);
        if (TransferImage(ops, m_image, true, m_progress, m_console) != 0) {
            return Abort();
        }
        m_console.Print(msg::kPassOk);
        m_console.Printf(msg::kPassTime.c_str(), static_cast<int>(time.TickCount() - started));
    }

    ops.Leave();
    CloseAdapter();
    return kSuccess;
}

int ProgrammerRun::Execute() {
    std::string name;
    if (m_options.deviceName) {
        name = *m_options.deviceName;
    } else {
        int status = kFailure;
        std::optional<std::string> found = Discover(status);
        if (!found) {
            return status;
        }
        name = std::move(*found);
    }
    if (!Open(name)) {
        return kFailure;
    }
    if (m_options.read) {
        return CreateReadFile() ? ReadToFile() : kFailure;
    }
    if (m_options.program && !CheckFile()) {
        return kFailure;
    }
    return Program();
}

}  // namespace

int RunProgrammer(const std::vector<std::string>& args, const BackendFactory& makeBackend,
                  Console& console, const OpenFailureNote& openFailureNote) {
    Options options;
    if (const std::optional<int> status = ParseOptions(args, options, console)) {
        return *status;
    }
    console.Print(msg::kBanner);
    if (!options.action || options.help) {
        console.Print(msg::kUsage);
        return kSuccess;
    }

    const std::string deviceName = options.deviceName.value_or("");
    BackendError error;
    std::unique_ptr<ProgrammerBackend> backend = makeBackend(deviceName, error);
    if (!backend) {
        if (options.deviceName) {
            console.Print(msg::kUsingProgrammer);
            console.PrintNative(deviceName + "\r\n");
            console.Print(msg::kNoAccess);
        } else {
            console.Print(msg::kNoProgrammer);
            if (options.program || options.read) {
                console.Print(msg::kOtherKeysIgnored);
            }
        }
        PrintBackendError(error, console);
        return kFailure;
    }

    int status = ProgrammerRun(options, *backend, console, openFailureNote).Execute();
    // The simulated target writes its flash file here; a run whose result was not kept is not
    // a success.
    BackendError finishError;
    if (!backend->Finish(finishError)) {
        PrintBackendError(finishError, console);
        status = kFailure;
    }
    return status;
}

}  // namespace brivel
