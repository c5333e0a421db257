// A fresh main window with no screen, and images opened in it the way a user
// opens them: written to a temporary file, then File > Open.
#pragma once

#include "support/image_builder.h"
#include "windows/main_window/main_window_logic.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace ss::testwindow {

class WindowTest : public ::testing::Test {
  protected:
    RecordingHost host;
    FixedMetrics metrics;
    MainWindowLogic w{host, metrics};
    // What the last Open reported.
    OpenResult opened;

    void TearDown() override {
        for (const std::string& p : files_) {
            std::error_code ec;
            std::filesystem::remove(p, ec);
        }
    }

    // Writes the bytes to a fresh temporary file and opens it with File > Open.
    std::string Open(const std::vector<std::uint8_t>& bytes) {
        const std::string path = TempFile(bytes);
        opened = w.MnuOpen(path);
        return path;
    }

    // Writes the bytes to a fresh temporary file, removed after the test.
    std::string TempFile(const std::vector<std::uint8_t>& bytes) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string path = ::testing::TempDir() + "sectorscope_" +
                                 std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
                                 info->name() + "_" + std::to_string(files_.size()) + ".img";
        testimg::WriteFile(path, bytes);
        files_.push_back(path);
        return path;
    }

    // Shows sector index i as a navigation command would.
    void Show(std::int64_t i) {
        w.PresSecnum = i;
        w.GetDispSector();
    }

  private:
    std::vector<std::string> files_;
};

} // namespace ss::testwindow
