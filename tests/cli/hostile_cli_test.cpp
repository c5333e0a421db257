// sectorscope-cli on files that are no disk image or no file at all, and on
// names that are no plain text: one outcome each, and line-oriented output
// that stays one record a line.
#include "cli_fixture.h"
#include "support/sample_disks.h"

#include <sys/stat.h>

namespace ss::testimg {
namespace {

TEST_F(CliTest, WhatCannotBeAnImageExitsWithItsReasonAndNeverBlocks) {
    const std::string fifo = (dir_ / "pipe.dsk").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = Image("big.dmk", {0});
    fs::resize_file(big, 70'000'000);
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {dir_.string(), "Is a directory"},
        {fifo, "not a regular file (a named pipe, a device or a socket)"},
        {"/dev/zero", "not a regular file (a named pipe, a device or a socket)"},
        {"/proc/self/mem", "Input/output error"},
        {big, "the file is 70000000 bytes (66.8 MiB), larger than any disk image (64 MiB at most)"},
    };
    for (const auto& c : cases) {
        for (const char* command : {"info", "sectors", "hex", "map"}) {
            const Outcome run = RunCli({command, c.path});
            EXPECT_EQ(run.status, 2) << command << " " << c.path;
            EXPECT_EQ(run.err, "sectorscope-cli: cannot open '" + c.path + "': " + c.reason + "\n")
                << command;
        }
    }
}

TEST_F(CliTest, FileNamesWithLineBreaksStayOnTheirLine) {
    const std::string path = Image("two\nlines\\\x01.dsk", SampleJv1());
    const std::string shown = (dir_ / "two\\nlines\\\\\\x01.dsk").string();
    EXPECT_EQ(Lines(RunCli({"show", path, "0"}).out)[1], "  file      " + shown);
    EXPECT_EQ(Lines(RunCli({"map", path}).out)[0], "  file      " + shown);
    const Outcome missing = RunCli({"info", path + "\n"});
    EXPECT_EQ(missing.err,
              "sectorscope-cli: cannot open '" + shown + "\\n': No such file or directory\n");
    // JSON carries the name as it is.
    EXPECT_NE(RunCli({"show", "--json", path, "0"}).out.find("two\\nlines"), std::string::npos);
    // A name that is not UTF-8 opens by its bytes.
    EXPECT_EQ(RunCli({"info", Image("disk\xff.dsk", SampleJv1())}).status, 0);
}

} // namespace
} // namespace ss::testimg
