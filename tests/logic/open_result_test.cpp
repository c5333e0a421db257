// File > Open reports what became of the file as a value, while the window
// raises the same boxes as ever.
#include "support/sample_disks.h"
#include "window_fixture.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>

namespace ss {

void PrintTo(const OpenResult& r, std::ostream* os) {
    static const char* const kOutcomes[] = {"Opened", "Refused", "CannotOpen"};
    *os << kOutcomes[static_cast<int>(r.outcome)] << " \"" << r.message << '"';
}

namespace {

using Outcome = OpenResult::Outcome;

class OpenResultTest : public testwindow::WindowTest {};

std::vector<std::uint8_t> RealDiskDmk() {
    std::vector<std::uint8_t> bytes = testimg::SampleDmk();
    const std::uint8_t marker[] = {0x78, 0x56, 0x34, 0x12};
    std::copy(std::begin(marker), std::end(marker), bytes.begin() + 12);
    return bytes;
}

TEST_F(OpenResultTest, ImagesComeBackOpenedOrRefusedWithTheTextOfTheirBox) {
    std::string letter;
    while (letter.size() < 4000) {
        letter += "This is a letter, not a disk image.\n";
    }
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        OpenResult want;
    } cases[] = {
        {"JV1", testimg::SampleJv1(), OpenResult::Opened()},
        {"DMK", testimg::SampleDmk(), OpenResult::Opened()},
        {"no header", std::vector<std::uint8_t>(letter.begin(), letter.end()),
         OpenResult::Refused(kNoHeaderMessage)},
        {"real disk", RealDiskDmk(), OpenResult::Refused(kRealDiskMessage)},
    };
    for (const auto& c : cases) {
        host.messages.clear();
        Open(c.bytes);
        EXPECT_EQ(opened, c.want) << c.what;
        EXPECT_EQ(w.HasImage(), c.want.IsOpened()) << c.what;
        if (c.want.IsOpened()) {
            EXPECT_TRUE(host.messages.empty()) << c.what;
        } else {
            ASSERT_EQ(host.messages.size(), 1u) << c.what;
            EXPECT_EQ(host.messages[0].title, kRefusalTitle);
            EXPECT_EQ(host.messages[0].text, c.want.message);
        }
    }
}

TEST_F(OpenResultTest, AFileThatCannotBeOpenedSaysWhyAndStillRaisesTheWarning) {
    const std::string folder = ::testing::TempDir();
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {"", "no file name was given"},
        {folder + "no-such-folder/no-such.dsk",
         std::make_error_code(std::errc::no_such_file_or_directory).message()},
        {folder, std::make_error_code(std::errc::is_a_directory).message()},
    };
    for (const auto& c : cases) {
        host.messages.clear();
        const OpenResult result = w.MnuOpen(c.path);
        EXPECT_EQ(result, OpenResult::CannotOpen(c.reason)) << c.path;
        ASSERT_EQ(host.messages.size(), 1u) << c.path;
        EXPECT_EQ(host.messages[0].title, kOpenFailedTitle);
        EXPECT_EQ(host.messages[0].text,
                  std::string(kOpenFailedMessage) + "\rFile: " + c.path + "\rReason: " + c.reason);
        EXPECT_EQ(host.messages[0].buttons, kMsgOkExclamation);
    }
}

} // namespace
} // namespace ss
