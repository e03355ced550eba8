#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <fstream>
#include <string>

namespace brivel::testing {

// A file with the given bytes in the test's temporary folder; unique per call.
inline std::string WriteTempFile(const std::string& content, const std::string& suffix = ".s19") {
    static std::atomic<int> counter{0};
    const std::string path = ::testing::TempDir() + "brivel_core_" + std::to_string(getpid()) +
                             "_" + std::to_string(counter++) + suffix;
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path;
}

}  // namespace brivel::testing
