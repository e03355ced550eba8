#include "adapters/testing/umockdev/brivel_process.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace brivel::testing {

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

BrivelRun RunBrivel(const BrivelLaunch& launch) {
    std::vector<std::string> arguments = {BRIVEL_BINARY};
    arguments.insert(arguments.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<std::string> environment = launch.environment;
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);
    const std::string outPath = launch.folder + "/brivel.out";
    const std::string errPath = launch.folder + "/brivel.err";
    const std::string workingFolder =
        launch.workingFolder.empty() ? launch.folder : launch.workingFolder;

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("cannot start brivel");
    }
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec: the parent has threads.
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            dup2(in, 0) < 0 || chdir(workingFolder.c_str()) != 0) {
            _exit(127);
        }
        if (launch.withoutFileRights && geteuid() == 0) {
            // Root keeps only the capabilities of its bounding set across exec.
            if (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
                prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0) {
                _exit(126);
            }
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }

    BrivelRun run;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        run.elapsedMs = static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
        if (done == child) {
            break;
        }
        if (run.elapsedMs > launch.boundMs) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            run.killed = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!run.killed && WIFEXITED(status)) {
        run.exitStatus = WEXITSTATUS(status);
    }
    run.output = ReadText(outPath) + ReadText(errPath);
    return run;
}

}  // namespace brivel::testing
