// Files that are no disk image, or no file at all, chosen in each of the
// three windows: each has one outcome, and no window blocks, crashes or keeps
// half of what it showed before.
#include "image/image_file.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"
#include "windows/hex_viewer/hex_viewer_logic.h"
#include "windows/main_window/main_window_logic.h"
#include "windows/sector_map/sector_map_logic.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ss {
namespace {

namespace fs = std::filesystem;

// The three windows of one program, sharing its host.
struct Windows {
    RecordingHost host;
    FixedMetrics metrics;
    MainWindowLogic main{host, metrics};
    SectorMapLogic map{host, metrics};
    HexViewerLogic hex{host, metrics};
};

// Each window's File > Open, by name.
const struct {
    const char* window;
    std::function<OpenResult(Windows&, const std::string&)> open;
} kWindows[] = {
    {"main", [](Windows& w, const std::string& p) { return w.main.MnuOpen(p); }},
    {"map", [](Windows& w, const std::string& p) { return w.map.MnuOpen(p); }},
    {"hex", [](Windows& w, const std::string& p) { return w.hex.MnuOpen(p); }},
};

class HostileFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "sectorscope-hostile-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        testimg::WriteFile(Path(name), bytes);
        return Path(name);
    }

    fs::path dir_;
};

TEST_F(HostileFileTest, WhatIsNoRegularFileOrCannotBeReadIsRefusedWithItsReason) {
    const std::string fifo = Path("pipe.dsk");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* what;
        std::string path;
        std::string reason;
    } cases[] = {
        {"a folder", dir_.string(), std::make_error_code(std::errc::is_a_directory).message()},
        // Opening a pipe with no writer would wait for one for ever.
        {"a named pipe", fifo, "not a regular file (a named pipe, a device or a socket)"},
        {"a device", "/dev/null", "not a regular file (a named pipe, a device or a socket)"},
        // A regular file that opens and then fails to read: the process's
        // memory at address 0.
        {"a read error", "/proc/self/mem", std::make_error_code(std::errc::io_error).message()},
    };
    for (const auto& c : cases) {
        for (const auto& window : kWindows) {
            Windows w;
            const OpenResult result = window.open(w, c.path);
            EXPECT_EQ(result, OpenResult::CannotOpen(c.reason))
                << c.what << " in " << window.window;
            ASSERT_EQ(w.host.messages.size(), 1u) << c.what << " in " << window.window;
            EXPECT_EQ(w.host.messages[0].title, kOpenFailedTitle);
        }
    }
}

TEST_F(HostileFileTest, AFileOver64MiBIsRefusedByItsSizeWithABoxOfItsOwn) {
    const std::string big = Path("big.dsk");
    testimg::WriteFile(big, {0});
    fs::resize_file(big, kMaxImageBytes + 1); // sparse: nothing written
    for (const auto& window : kWindows) {
        Windows w;
        const OpenResult result = window.open(w, big);
        EXPECT_EQ(result.outcome, OpenResult::Outcome::CannotOpen) << window.window;
        EXPECT_NE(result.message.find("67108865 bytes (64.0 MiB)"), std::string::npos)
            << result.message;
        ASSERT_EQ(w.host.messages.size(), 1u) << window.window;
        EXPECT_EQ(w.host.messages[0].title, kTooLargeTitle);
        EXPECT_EQ(w.host.messages[0].text,
                  "This file is 67108865 bytes (64.0 MiB), too large for a "
                  "disk image.\rThe viewer opens files of up to 64 MiB.");
    }
    // 64 MiB itself is still read.
    fs::resize_file(big, kMaxImageBytes);
    Windows w;
    EXPECT_TRUE(w.hex.MnuOpen(big).IsOpened());
    EXPECT_EQ(w.hex.Text1.Text, "4000000");
}

TEST_F(HostileFileTest, NamesThatAreNoTextOpenByTheirBytes) {
    for (const std::string& name : {std::string("disk\xff\xfe.dsk"), std::string("two\nlines.dsk"),
                                    std::string("tab\tand\\.dsk")}) {
        const std::string path = Write(name, testimg::SampleJv1());
        for (const auto& window : kWindows) {
            Windows w;
            EXPECT_TRUE(window.open(w, path).IsOpened()) << window.window;
            EXPECT_TRUE(w.host.messages.empty()) << window.window;
        }
        Windows w;
        w.main.MnuOpen(path);
        EXPECT_EQ(w.main.TxtFilename.Text, path);
    }
}

TEST_F(HostileFileTest, EachWindowKeepsTheFileAsItReadIt) {
    const std::string path = Write("changing.dmk", testimg::SampleDmk());
    Windows w;
    ASSERT_TRUE(w.main.MnuOpen(path).IsOpened());
    w.main.PresSecnum = 5;
    w.main.GetDispSector();
    const auto shown = w.main.DumpedBytes();
    const std::string position = w.main.Text6.Text;

    // The file is cut short, then grows into another layout, between the
    // main window's load and each secondary window's.
    std::vector<std::uint8_t> cut = testimg::SampleDmk();
    cut.resize(3000);
    Write("changing.dmk", cut);
    w.main.Cmndsecdisp_Click();
    w.map.Form_Activate();
    EXPECT_TRUE(w.map.HasPage());
    Write("changing.dmk", testimg::SampleJv3());
    w.main.Cmndhexedit_Click();
    w.hex.Form_Activate();
    EXPECT_EQ(w.hex.Text2.Text, "JV3");
    w.hex.VScroll1.SetValue(w.hex.VScroll1.Max);

    w.main.Form_Activate();
    EXPECT_EQ(w.main.DumpedBytes(), shown);
    EXPECT_EQ(w.main.Text6.Text, position);
    EXPECT_EQ(w.main.Txtfiletype.Text, "DMK");
}

TEST_F(HostileFileTest, AHeaderOnlyDmkKeepsNothingOfTheImageBefore) {
    Windows w;
    ASSERT_TRUE(w.main.MnuOpen(Write("full.dmk", testimg::SampleDmk())).IsOpened());
    ASSERT_NE(w.main.Analysis().sectorsPerTrack, 0);
    std::vector<std::uint8_t> header = testimg::SampleDmk();
    header.resize(16);
    ASSERT_TRUE(w.main.MnuOpen(Write("header.dmk", header)).IsOpened());
    EXPECT_EQ(w.main.Analysis().totalSectors, 0);
    EXPECT_EQ(w.main.Analysis().sectorsPerTrack, 0);
    EXPECT_EQ(w.main.Text4.Text, "  Sec/Cyl. = 0 ( 0 * 1)");
}

// Tests run with a home and configuration folders of their own.
TEST(TestHomeTest, HomeAndConfigurationFoldersAreTheTestsOwn) {
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_NE(std::string(home).find("sectorscope-test-home."), std::string::npos) << home;
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"}) {
        const char* folder = std::getenv(name);
        ASSERT_NE(folder, nullptr) << name;
        EXPECT_EQ(std::string(folder).rfind(home, 0), 0u) << name;
        EXPECT_TRUE(fs::is_directory(folder)) << name;
    }
}

} // namespace
} // namespace ss
