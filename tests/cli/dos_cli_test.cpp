// sectorscope-cli files and extract on hand-made DOS disks: the listing, and
// files copied out under safe names whatever the directory holds.
#include "cli_fixture.h"
#include "support/dos_disks.h"

#include <gtest/gtest.h>
#include <set>

namespace ss::testimg {
namespace {

std::vector<std::uint8_t> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

class DosCliTest : public CliTest {
  protected:
    // A TRSDOS 2.3 disk with a text file, a hidden system file and a file
    // whose second sector is lost.
    std::string Disk() {
        DosDiskBuilder b(Trsdos23Geometry());
        b.AddFile({"HELLO   TXT", Text(std::string(300, 'h'))});
        b.AddFile({"SECRET  SYS", Text("s"), 0x10 | 0x40 | 0x08 | 0x02});
        b.AddFile({"BROKEN  DAT", Text(std::string(600, 'b'))});
        b.RemoveSector({2, 0, 1});
        return Image("trsdos.dsk", b.Jv3());
    }
};

TEST_F(DosCliTest, FilesListsTheDirectory) {
    const std::string disk = Disk();
    Outcome run = RunCli({"files", disk});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "dos\tTRSDOS 2.3\n"
                       "disk\tTESTDISK\t01/02/85\n"
                       "free\t63 granules\t80640 bytes\n"
                       "name\tattributes\tsize\ttrack\tside\tsector\tdamage\n"
                       "HELLO/TXT\t---0\t300\t1\t0\t0\t\n"
                       "BROKEN/DAT\t---0\t600\t2\t0\t0\t"
                       "sector 2 (track 2 side 0 sector 1) is missing\n");

    run = RunCli({"files", "--all", disk});
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[4], "BOOT/SYS\tSI-6\t2560\t0\t0\t0\t");
    EXPECT_EQ(lines[5], "DIR/SYS\tSI-6\t2560\t17\t0\t0\t");
    EXPECT_EQ(lines[7], "SECRET/SYS\tSI-2\t1\t1\t0\t5\t");

    run = RunCli({"files", "--json", disk});
    EXPECT_EQ(run.status, 0);
    const Json json = Json::parse(run.out);
    EXPECT_EQ(json.at("family").get<std::string>(), "trsdos23");
    EXPECT_EQ(json.at("free_bytes").get<std::int64_t>(), 80640);
    ASSERT_EQ(json.at("files").size(), 2u);
    const Json& broken = json.at("files").at(1);
    EXPECT_EQ(broken.at("name").get<std::string>(), "BROKEN/DAT");
    EXPECT_EQ(broken.at("ern").get<std::int64_t>(), 3);
    EXPECT_EQ(broken.at("eof").get<std::int64_t>(), 88);
    EXPECT_EQ(broken.at("sectors").at(2).at(2).get<std::int64_t>(), 2);
    EXPECT_EQ(broken.at("damage").at(0).get<std::string>(),
              "sector 2 (track 2 side 0 sector 1) is missing");

    // An image of no known DOS says so.
    run = RunCli({"files", Image("blank.dsk", MakeJv3({{0, 0}, {0, 1}, {0, 2}, {0, 3}}))});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "sectorscope-cli: no TRSDOS, LDOS, DOSPLUS, NEWDOS/80 or CP/M disk: the boot "
              "sector does not start 00 FE\n");
}

TEST_F(DosCliTest, ExtractWritesFilesAndSaysWhatIsMissing) {
    const std::string disk = Disk();
    const fs::path out = dir_ / "out";
    Outcome run =
        RunCli({"extract", disk, "hello/txt", "Broken/Dat", "NONE/TXT", "-o", out.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "HELLO/TXT\t" + (out / "HELLO.TXT").string() + "\t300\n" + "BROKEN/DAT\t" +
                           (out / "BROKEN.DAT").string() + "\t600\n");
    EXPECT_EQ(run.err, "sectorscope-cli: no file NONE/TXT on this disk\n"
                       "sectorscope-cli: BROKEN/DAT: sectors missing, written as zeros: track 2 "
                       "side 0 sector 1\n"
                       "sectorscope-cli: BROKEN/DAT: sector 2 (track 2 side 0 sector 1) is "
                       "missing\n");
    EXPECT_EQ(Slurp(out / "HELLO.TXT"), std::string(300, 'h'));
    EXPECT_EQ(Slurp(out / "BROKEN.DAT"),
              std::string(256, 'b') + std::string(256, '\0') + std::string(88, 'b'));

    // An existing file stays without --force; with it, a link there is
    // replaced, not written through.
    const fs::path outside = dir_ / "outside.txt";
    WriteFile(outside.string(), Text("keep"));
    fs::remove(out / "HELLO.TXT");
    fs::create_symlink(outside, out / "HELLO.TXT");
    run = RunCli({"extract", disk, "HELLO/TXT", "-o", out.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "sectorscope-cli: " + (out / "HELLO.TXT").string() +
                           " exists; --force replaces it\n");
    run = RunCli({"extract", "--force", disk, "HELLO/TXT", "-o", out.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(fs::is_symlink(out / "HELLO.TXT"));
    EXPECT_EQ(Slurp(out / "HELLO.TXT"), std::string(300, 'h'));
    EXPECT_EQ(Slurp(outside), "keep");

    // "-o=DIR" names DIR; after "--" a NAME may start with "-".
    run = RunCli({"extract", disk, "HELLO/TXT", "-o=" + (dir_ / "eq").string(), "--", "-o"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "sectorscope-cli: no file -o on this disk\n");
    EXPECT_EQ(Listing(dir_ / "eq"), std::set<std::string>{"HELLO.TXT"});
}

// --all copies every file, system ones too; names may be given as the Files
// window shows them, as the host names them, or without the extension when
// only one file has that name. A file whose granule another file claims is
// written but damaged: exit 1, and why.
// A folder that cannot be made, or a file that cannot be written, is an
// output error: status 3, as for any output the program cannot write.
TEST_F(DosCliTest, ExtractThatCannotWriteExitsThree) {
    const std::string disk = Disk();
    const fs::path plain = dir_ / "plain";
    WriteFile(plain.string(), {'x'});
    Outcome run = RunCli({"extract", disk, "hello/txt", "-o", plain.string()});
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.err, "sectorscope-cli: cannot make the folder " + plain.string() + "\n");

    // HELLO.TXT there as a folder: --force cannot replace it.
    fs::create_directories(dir_ / "out" / "HELLO.TXT" / "inside");
    run = RunCli({"extract", disk, "hello/txt", "-o", (dir_ / "out").string(), "--force"});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.err.find("sectorscope-cli: cannot write"), std::string::npos) << run.err;
}

// show prints the Owner field as the main window shows it.
TEST_F(DosCliTest, ShowPrintsTheOwner) {
    const std::string disk = Disk();
    Outcome run = RunCli({"show", disk, "0"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\n  crc       ID --  Data ok\n  owner     boot\n"), std::string::npos)
        << run.out;
    run = RunCli({"show", "--json", disk, "0"});
    EXPECT_EQ(Json::parse(run.out)["fields"]["Txtowner"]["text"], "boot") << run.out;
}

TEST_F(DosCliTest, ExtractAllNameFormsAndSharedGranules) {
    DosDiskBuilder b(LdosDdTwoSidedGeometry());
    b.AddFile({"README  TXT", Text("read me")});
    b.AddFile({"GAME    BAS", Text("10 PRINT")});
    b.AddFile({"GAME    CMD", Text("code")});
    b.AddFile({"ONE     DAT", Text("one"), 0x10, 0, 0, 0, {{30, 1}}});
    b.AddFile({"TWO     DAT", Text("two"), 0x10, 0, 0, 0, {{30, 1}}});
    b.PatchGat(0xCD, 0x40); // "one granule a side, one side": the sectors say otherwise
    const std::string disk = Image("ldos.dmk", b.Dmk());

    Outcome run = RunCli({"extract", disk, "--all", "-o", (dir_ / "all").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Listing(dir_ / "all"),
              (std::set<std::string>{"BOOT.SYS", "DIR.SYS", "README.TXT", "GAME.BAS", "GAME.CMD",
                                     "ONE.DAT", "TWO.DAT"}));
    EXPECT_EQ(run.err,
              "sectorscope-cli: ONE/DAT: cylinder 5 granule 0 is also claimed by TWO/DAT\n"
              "sectorscope-cli: TWO/DAT: cylinder 5 granule 0 is also claimed by ONE/DAT\n");
    EXPECT_EQ(Slurp(dir_ / "all" / "TWO.DAT"), "two");

    const fs::path out = dir_ / "named";
    run = RunCli({"extract", disk, "readme.txt", "Game/Bas", "game", "README", "-o", out.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "sectorscope-cli: game names several files: GAME/BAS, GAME/CMD\n");
    EXPECT_EQ(Listing(out), (std::set<std::string>{"README.TXT", "GAME.BAS"}));
    EXPECT_EQ(Slurp(out / "GAME.BAS"), "10 PRINT");

    run = RunCli({"extract", disk});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("extract takes FILE and NAME... or --all"), std::string::npos);

    // The listing says where the GAT was not followed.
    run = RunCli({"files", disk});
    EXPECT_NE(run.out.find("notice\tthe GAT says the disk has one side, but its lock-out table "
                           "counts the granules of two sides: read as two sides\n"),
              std::string::npos)
        << run.out;
}

// CP/M disks: free space in blocks, names with the user number, extract by
// NAME.EXT in any case, and every file with --all.
TEST_F(DosCliTest, CpmFilesAndExtract) {
    CpmDiskBuilder b(CpmGenie80Track());
    b.AddFile({0, "README  TXT", Text("hello")});
    b.AddFile({5, "GAME    COM", Text(std::string(5000, 'g'))});
    const std::string disk = Image("cpm.dmk", b.Disk().Dmk());

    Outcome run = RunCli({"files", disk});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "dos\tCP/M (Genie 80-track two-sided, 256-byte sectors)");
    EXPECT_EQ(lines[2], "free\t" + std::to_string(173 - 1 - 1 - 2) + " blocks\t" +
                            std::to_string((173 - 4) * 4096) + " bytes");
    EXPECT_EQ(lines[4], "README.TXT\t---\t128\t3\t0\t16\t");  // block 1: stream sector 16
    EXPECT_EQ(lines[5], "5:GAME.COM\t---\t5120\t3\t1\t32\t"); // 32: side 1, ID 18 + 14

    run = RunCli({"extract", disk, "readme.txt", "5:game.com", "-o", (dir_ / "out").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Slurp(dir_ / "out" / "README.TXT"), "hello" + std::string(123, '\x1A'));
    EXPECT_EQ(Slurp(dir_ / "out" / "GAME.COM"), std::string(5000, 'g') + std::string(120, '\x1A'));
}

// Names on a disk are bytes: every host name stays a plain name in the
// chosen folder, and names that meet are told apart.
TEST_F(DosCliTest, ExtractMakesSafeDistinctNames) {
    struct Case {
        std::string raw;    // the entry's 11 name bytes
        std::string listed; // as `files` names it, and extract takes it
        std::string host;
    };
    const std::vector<Case> cases = {
        {"A/B     TXT", "A/B/TXT", "A_B.TXT"},
        {"..      .. ", "../..", "__.__"},
        {std::string("\x01\x1F"
                     "X     \x7F") +
             "\n ",
         "??X/??", "__X.__"},
        {"\xC1\xE9\xFF"
         "B    CMD",
         "???B/CMD", "___B.CMD"},
        {"A_B     TXT", "A_B/TXT", "A_B_2.TXT"}, // meets the first
        {"a_b     txt", "a_b/txt", "a_b_3.txt"}, // and again, case aside
        {"        $#@", "/$#@", "_.$#@"},
        {"OK-1!   ", "OK-1!", "OK-1!"},
    };
    DosDiskBuilder b(Trsdos23Geometry());
    std::vector<std::string> args = {"extract", "", "-o", (dir_ / "out").string()};
    for (std::size_t k = 0; k < cases.size(); ++k) {
        b.AddFile({cases[k].raw, Text("file " + std::to_string(k))});
        args.push_back(cases[k].listed);
    }
    args[1] = Image("names.dsk", b.Jv1());
    const Outcome run = RunCli(args);
    EXPECT_EQ(run.status, 0) << run.err;

    std::set<std::string> want;
    for (std::size_t k = 0; k < cases.size(); ++k) {
        want.insert(cases[k].host);
        EXPECT_EQ(Slurp(dir_ / "out" / cases[k].host), "file " + std::to_string(k))
            << cases[k].listed;
    }
    EXPECT_EQ(Listing(dir_ / "out"), want);
    EXPECT_EQ(Listing(dir_), (std::set<std::string>{"names.dsk", "out", "stderr", "stdout"}));
}

} // namespace
} // namespace ss::testimg
