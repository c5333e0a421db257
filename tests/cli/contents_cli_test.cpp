// sectorscope-cli cat: what files of a disk hold, in each view, as text and
// JSON, with the exit statuses that tell a damaged or unreadable file from
// one there is no way to reach.
#include "cli_fixture.h"
#include "support/contents_files.h"
#include "support/dos_disks.h"

#include <gtest/gtest.h>

namespace ss::testimg {
namespace {

Bytes Text(const std::string& s) {
    return {s.begin(), s.end()};
}

class CatTest : public CliTest {
  protected:
    // A TRSDOS 2.3 disk with a BASIC program, a load module, a text file and
    // a program whose second sector is lost.
    std::string Disk() {
        DosDiskBuilder b(Trsdos23Geometry());
        b.AddFile({"PROG    BAS", BasicProgram({{10, "\xB2 \"HI\x01\""}, {20, "\x8D 10"}})});
        b.AddFile({"PROG    CMD", Joined({CmdRecord(0x05, "PROG"),
                                          CmdBlock(0x5200, {0x21, 0x00, 0x3C, 0x18, 0xFB}),
                                          CmdTransfer(0x5200)})});
        b.AddFile({"README  TXT", Text("HELLO\rWORLD\r")});
        std::vector<BasicLineSpec> lines;
        for (int n = 1; n <= 40; ++n) {
            lines.push_back({n, "\x93 " + std::string(10, 'x')});
        }
        b.AddFile({"BROKEN  BAS", BasicProgram(lines)});
        b.RemoveSector({2, 0, 6});
        return Image("trsdos.dsk", b.Jv3());
    }
};

TEST_F(CatTest, EveryViewAsText) {
    const std::string disk = Disk();
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"PROG/BAS"}, "10 PRINT \"HI{01}\"\n20 GOTO 10\n"},
        {{"prog.cmd"},
         "record  offset  type  load  last  bytes\n"
         "     1  0000    05                    4  name\n"
         "     2  0006    01    5200  5204      5\n"
         "name       PROG\n"
         "transfer   5200\n"},
        {{"PROG/CMD", "--as", "disasm"},
         "5200  21 00 3C     LD HL,3C00H\n"
         "5203  18 FB        JR 5200H\n"},
        {{"README"}, "HELLO\nWORLD\n"},
        {{"README/TXT", "--as=hex"},
         "0000  48 45 4C 4C 4F 0D 57 4F 52 4C 44 0D              HELLO.WORLD.\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"cat", disk};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome run = RunCli(args);
        EXPECT_EQ(run.status, 0) << c.args[0] << run.err;
        EXPECT_EQ(run.err, "") << c.args[0];
        EXPECT_EQ(run.out, c.out) << c.args[0];
    }
}

TEST_F(CatTest, ListingAndLoadMapAsJson) {
    const std::string disk = Disk();
    Outcome run = RunCli({"cat", "--json", disk, "PROG/BAS"});
    EXPECT_EQ(run.status, 0);
    Json json = Json::parse(run.out);
    EXPECT_EQ(json["view"], "basic");
    EXPECT_EQ(json["lines"], Json::parse(R"([{"number": 10, "text": "PRINT \"HI{01}\""},
                                             {"number": 20, "text": "GOTO 10"}])"));
    EXPECT_TRUE(json["error"].is_null());

    run = RunCli({"cat", "--json", disk, "PROG/CMD"});
    json = Json::parse(run.out);
    EXPECT_EQ(json["view"], "cmd");
    EXPECT_EQ(json["blocks"], Json::parse(R"([
        {"type": 5, "length": 4, "offset": 0},
        {"type": 1, "address": 20992, "length": 5, "offset": 6, "overlaps": []}])"));
    EXPECT_EQ(json["transfer"], 0x5200);
    EXPECT_EQ(json["name"], "PROG");
    EXPECT_EQ(json["damage"]["missing"], Json::array());
}

TEST_F(CatTest, ExitStatusesSayWhy) {
    const std::string disk = Disk();
    const std::string notImage = Image("note.txt", Text("not a disk"));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err; // the start of stderr
    };
    const Case cases[] = {
        {{disk, "README/TXT", "--as", "basic"},
         1,
         "sectorscope-cli: README/TXT: not a BASIC program: the first byte is 48, not FF\n"},
        {{disk, "README/TXT", "--as", "cmd"},
         1,
         "sectorscope-cli: README/TXT: at offset 0000: record type 48 is not one the loader "
         "knows\n"},
        {{disk, "BROKEN/BAS"},
         1,
         "sectorscope-cli: BROKEN/BAS: sectors missing, shown as zeros: track 2 side 0 sector 6\n"},
        {{disk, "NONE/BAS"}, 2, "sectorscope-cli: no file NONE/BAS on this disk\n"},
        {{disk, "PROG"}, 2, "sectorscope-cli: PROG names several files: PROG/BAS, PROG/CMD\n"},
        {{disk, "PROG/BAS", "--as", "listing"}, 2, "sectorscope-cli: --as takes auto, basic"},
        {{(dir_ / "absent.dsk").string(), "PROG/BAS"}, 2, "sectorscope-cli: cannot open"},
        {{notImage, "PROG/BAS"}, 2, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"cat"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome run = RunCli(args);
        EXPECT_EQ(run.status, c.status) << c.args[1] << run.err;
        EXPECT_EQ(run.err.substr(0, c.err.size()), c.err) << c.args[1];
        EXPECT_FALSE(run.err.empty()) << c.args[1];
    }
    // A damaged program lists as far as its bytes go, the lost sector as
    // zeros ending a line early.
    const Outcome run = RunCli({"cat", disk, "BROKEN/BAS"});
    EXPECT_EQ(Lines(run.out).front(), "1 REM xxxxxxxxxx");
}

TEST_F(CatTest, CpmTextEndsAtItsFirst1A) {
    CpmDiskBuilder b(CpmGenie80Track());
    b.AddFile({0, "NOTES   TXT", Text("ONE\r\nTWO\r\n")});
    const Outcome run = RunCli({"cat", Image("cpm.dmk", b.Disk().Dmk()), "notes.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "ONE\nTWO\n");
}

} // namespace
} // namespace ss::testimg
