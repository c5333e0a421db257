// sectorscope-cli check: one line per image in the order given, whatever the
// order the cores finish in; folders walked; exit statuses; JSON.
#include "cli_fixture.h"
#include "support/dos_disks.h"

#include <gtest/gtest.h>

namespace ss::testimg {
namespace {

class CheckCliTest : public CliTest {
  protected:
    std::vector<std::uint8_t> WholeDmk(int cylinders = 3) {
        return MakeDmk(DmkStandardTracks(cylinders, 1, 10, true), OneSide()).bytes;
    }
    std::vector<std::uint8_t> BadCrcDmk() {
        std::vector<DmkTrack> recs = DmkStandardTracks(3, 1, 10, true);
        recs[2].sectors[7].dataCrc = std::array<std::uint8_t, 2>{0, 0};
        return MakeDmk(recs, OneSide()).bytes;
    }
    // A TRSDOS 2.3 disk whose file BROKEN/DAT lost a sector.
    std::vector<std::uint8_t> DamagedDos() {
        DosDiskBuilder b(Trsdos23Geometry());
        b.AddFile({"HELLO   TXT", std::vector<std::uint8_t>(300, 'h')});
        b.AddFile({"BROKEN  DAT", std::vector<std::uint8_t>(600, 'b')});
        b.RemoveSector({1, 0, 6}); // BROKEN/DAT's second sector
        return b.Jv3();
    }
    std::string Name(const std::string& line) { return Columns(line).front(); }
};

TEST_F(CheckCliTest, ExitStatusesAndOneLineAnImage) {
    const std::string whole = Image("whole.dmk", WholeDmk());
    const std::string bad = Image("bad.dmk", BadCrcDmk());
    const std::string dos = Image("trsdos.dsk", DamagedDos());
    const std::string text =
        Image("notes.dsk", {'N', 'o', 't', ' ', 'a', ' ', 'd', 'i', 's', 'k', '.', '\n'});
    const std::string none = (dir_ / "none.dmk").string();

    Outcome run = RunCli({"check", whole});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, whole + "\tDMK\t3x1\t30 sectors\twhole\n");
    EXPECT_EQ(run.err, "");

    run = RunCli({"check", whole, bad, dos});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string>{
                  whole + "\tDMK\t3x1\t30 sectors\twhole",
                  bad + "\tDMK\t3x1\t30 sectors\t1 data CRC error",
                  dos + "\tJV3\t35x1\t349 sectors\t1 missing\tfiles damaged: BROKEN/DAT",
              }));

    // Any image that cannot be read: 2, the others still checked.
    run = RunCli({"check", none, bad, text});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                  none + "\tcannot be read: No such file or directory",
                                  bad + "\tDMK\t3x1\t30 sectors\t1 data CRC error",
                                  text + "\tnot a JV1, JV3 or DMK image",
                              }));

    run = RunCli({"check"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("check takes one IMAGE..."), std::string::npos) << run.err;
}

TEST_F(CheckCliTest, FoldersAreWalkedAndTheOrderGivenKept) {
    fs::create_directories(dir_ / "disks" / "more");
    Image("disks/b.dmk", WholeDmk());
    Image("disks/A.JV3", DamagedDos());
    Image("disks/readme.txt", {'h', 'i'});
    Image("disks/more/c.dsk", PatternJv1(35));

    Outcome run = RunCli({"check", (dir_ / "disks").string()});
    std::vector<std::string> names;
    for (const std::string& line : Lines(run.out)) {
        names.push_back(fs::path(Name(line)).lexically_relative(dir_).string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"disks/A.JV3", "disks/b.dmk"}));

    run = RunCli({"check", "-r", (dir_ / "disks").string()});
    EXPECT_EQ(Lines(run.out).size(), 3u);
    EXPECT_EQ(fs::path(Name(Lines(run.out)[2])).filename(), "c.dsk");

    // A folder of no images says so and does not pass for whole.
    fs::create_directories(dir_ / "empty" / "deeper");
    Image("empty/deeper/d.dmk", WholeDmk());
    run = RunCli({"check", (dir_ / "empty").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("no disk images (.dsk, .dmk, .jv1, .jv3) in '"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("(-r looks in its folders)"), std::string::npos);
    EXPECT_EQ(RunCli({"check", "-r", (dir_ / "empty").string()}).status, 0);

    // Many images of different sizes, checked on every core: the lines come
    // in the order the images were named.
    std::vector<std::string> args{"check"};
    for (int k = 0; k < 24; ++k) {
        const std::string path = Image("img" + std::to_string(k) + ".dmk",
                                       k % 3 == 0 ? WholeDmk(40) : WholeDmk(1 + k % 4));
        args.insert(k % 2 == 0 ? args.end() : args.begin() + 1, path);
    }
    run = RunCli(args);
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 24u);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        EXPECT_EQ(Name(lines[k]), args[k + 1]);
    }
}

TEST_F(CheckCliTest, JsonNamesEveryDamagedSectorAndFile) {
    const std::string bad = Image("bad.dmk", BadCrcDmk());
    const std::string dos = Image("trsdos.dsk", DamagedDos());
    const Outcome run = RunCli({"check", "--json", bad, dos, (dir_ / "none.dmk").string()});
    EXPECT_EQ(run.status, 2);
    const Json j = Json::parse(run.out);
    ASSERT_EQ(j["images"].size(), 3u);
    const Json& b = j["images"][0];
    EXPECT_EQ(b["status"], "damaged");
    EXPECT_EQ(b["layout"], "DMK");
    EXPECT_EQ(b["sectors"], 30);
    EXPECT_EQ(b["damage"]["data_crc_errors"], 1);
    EXPECT_EQ(b["damage"]["ends_inside"], nullptr);
    EXPECT_EQ(b["damaged_sectors"],
              Json::parse(R"([{"cylinder":2,"head":0,"place":7,"sector":7,"class":"data-crc"}])"));
    EXPECT_EQ(b["dos"], nullptr);

    const Json& d = j["images"][1];
    EXPECT_EQ(d["dos"], "TRSDOS 2.3");
    EXPECT_EQ(d["damaged_sectors"],
              Json::parse(R"([{"cylinder":1,"head":0,"place":-1,"sector":6,"class":"missing"}])"));
    ASSERT_EQ(d["damaged_files"].size(), 1u);
    EXPECT_EQ(d["damaged_files"][0]["name"], "BROKEN/DAT");
    EXPECT_EQ(d["damaged_files"][0]["problems"][0],
              "sector 2 (track 1 side 0 sector 6) is missing");

    EXPECT_EQ(j["images"][2]["status"], "unreadable");
}

} // namespace
} // namespace ss::testimg
