// End-to-end tests of sectorscope-cli: the built program runs on images that
// the test writes, and its stdout, stderr and exit status are checked.

#include "cli_fixture.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ss::testimg {
namespace {

std::string HexOf(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

// Two sides: track 0 single density, track 1 double density, the directory
// mark on track 1 side 0 from sector 3 on.
std::vector<Jv3Entry> TwoSidedJv3Entries() {
    std::vector<Jv3Entry> entries;
    for (int t = 0; t < 2; ++t) {
        for (int side = 0; side < 2; ++side) {
            for (int s = 0; s < 10; ++s) {
                Jv3Entry e;
                e.track = t;
                e.sector = s;
                e.side1 = side == 1;
                e.doubleDensity = t == 1;
                e.dirMark = t == 1 && side == 0 && s >= 3;
                entries.push_back(e);
            }
        }
    }
    return entries;
}

TEST_F(CliTest, InfoDescribesTheDiskAsOpened) {
    // JV1: fixed geometry, directory on track 17, no Newdos/80 marker.
    Outcome run = RunCli({"info", Image("plain.dsk", PatternJv1())});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "format\tJV1\n"
                       "tracks\t35 Track\n"
                       "density\tSingle/Density\n"
                       "sides\tSingle/Sided\n"
                       "sectors\tSec/Cyl. = 10 ( 10 * 1)\n"
                       "granule\t\n"
                       "newdos\t\n"
                       "directory\t170\n");

    // JV3 with both densities and no directory mark: the dual-density notice,
    // and no directory.
    std::vector<Jv3Entry> entries = TwoSidedJv3Entries();
    for (Jv3Entry& e : entries) {
        e.dirMark = false;
    }
    run = RunCli({"info", Image("dual.jv3", MakeJv3(entries))});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "format\tJV3\n"
                       "tracks\t2 Track\n"
                       "density\tDual/Density\n"
                       "sides\tDouble/Sided\n"
                       "sectors\tSec/Cyl. = 20 ( 10 * 2)\n"
                       "granule\t\n"
                       "newdos\t\n"
                       "notice\tThis Disk has Dual Density\n"
                       "directory\tnone\n");

    // DMK with a Newdos/80 drive-parameter sector on track 0 sector 2.
    std::vector<DmkTrack> records = DmkStandardTracks(3, 1, 18, true);
    records[0].sectors[2].data = SamplePdriveSector({17, 0, 0x14, 40, 18, 2, 0, 0, 0, 2});
    records[1].sectors[0].dam = 0xF8;
    run = RunCli({"info", Image("newdos.dmk", MakeDmk(records, OneSide()).bytes)});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "format\tDMK\n"
                       "tracks\t3 Track\n"
                       "density\tDouble/Density\n"
                       "sides\tSingle/Sided\n"
                       "sectors\tSec/Cyl. = 18 ( 18 * 1)\n"
                       "granule\tSpg = 5\n"
                       "newdos\tNewdos/80\n"
                       "pdrive\tPdrives: TI = E   TD = E  TC = 40   SPT = 18  TSR = 0  GPL = 2  "
                       "DDSL = 17  DDGA = 2\n"
                       "directory\t18\n");
}

TEST_F(CliTest, InfoGivesTheDirectoryAsTheFirstDisplayLeavesIt) {
    // Sectors numbered from 1: the analysis finds the directory mark on track
    // 5, the display puts the directory on track 17 (18 sectors a track).
    std::vector<DmkTrack> records = DmkStandardTracks(20, 1, 18, true, 1);
    records[5].sectors[0].dam = 0xFA;
    const Outcome run = RunCli({"info", Image("from1.dmk", MakeDmk(records, OneSide()).bytes)});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[7], "notice\tThis files Track Sectors start at 1");
    EXPECT_EQ(lines[8], "directory\t306");
}

TEST_F(CliTest, SectorsStepsThroughEveryIndex) {
    // JV3, two sides: side 1 follows side 0 of each track; data blocks lie in
    // entry order from 8704 on.
    Outcome run = RunCli({"sectors", Image("two.jv3", MakeJv3(TwoSidedJv3Entries()))});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 41u);
    // A JV3 entry records no ID field, and a data field read without a CRC error.
    EXPECT_EQ(lines[0], "index\ttrack\tside\tsector\tspt\tdensity\ttype\tdam\tposition\tsize\tcrc");
    EXPECT_EQ(lines[1], "0\t0\t0\t0\t10\tS/D\tData Sec.\tFB\t2200\t256\tnone/good");
    EXPECT_EQ(lines[14], "13\t0\t1\t3\t10\tS/D\tData Sec.\tFB\t2F00\t256\tnone/good");
    EXPECT_EQ(lines[23], "22\t1\t0\t2\t10\tD/D\tData Sec.\tFB\t3800\t256\tnone/good");
    EXPECT_EQ(lines[24], "23\t1\t0\t3\t10\tD/D\tDir Sec.\tF8\t3900\t256\tnone/good");
    EXPECT_EQ(lines[40], "39\t1\t1\t9\t10\tD/D\tData Sec.\tFB\t4900\t256\tnone/good");

    // DMK, single density stored doubled: the data column takes every second
    // byte of the 512 the sector occupies.
    const DmkImage dmk = MakeDmk(DmkStandardTracks(2, 1, 10, false), OneSide());
    run = RunCli({"sectors", "--data", Image("sd.dmk", dmk.bytes)});
    EXPECT_EQ(run.status, 0);
    lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0],
              "index\ttrack\tside\tsector\tspt\tdensity\ttype\tdam\tposition\tdata\tsize\tcrc");
    for (int index = 0; index < 20; ++index) {
        const std::vector<std::string> cols = Columns(lines[static_cast<std::size_t>(index) + 1]);
        ASSERT_EQ(cols.size(), 12u) << lines[static_cast<std::size_t>(index) + 1];
        EXPECT_EQ(cols[10], "256");
        EXPECT_EQ(cols[11], "good/good");
        const int t = index / 10;
        const int s = index % 10;
        EXPECT_EQ(cols[0], std::to_string(index));
        EXPECT_EQ(cols[1], std::to_string(t));
        EXPECT_EQ(cols[3], std::to_string(s));
        EXPECT_EQ(cols[5], "S/D");
        EXPECT_EQ(cols[7], "FB");
        std::ostringstream position;
        position << std::uppercase << std::hex << dmk.placed[t][s].dataPos;
        EXPECT_EQ(cols[8], position.str());
        EXPECT_EQ(cols[9], HexOf(PatternData(t, 0, s))) << "sector index " << index;
    }
}

TEST_F(CliTest, SectorsDataColumnOnEveryLine) {
    // A JV1 image of 20 tracks, data on its directory track only: every index
    // of its 200 sectors gets a line, and the data column is 512 hex digits.
    std::vector<std::uint8_t> image = MakeJv1(20, [](int track, int sector, std::uint8_t* data) {
        if (track == 17) {
            FillJv1Pattern(track, sector, data);
        }
    });
    SetJv1BootBytes(image);
    const Outcome run = RunCli({"sectors", "--data", Image("short.dsk", image)});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 201u);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cols = Columns(lines[i]);
        ASSERT_EQ(cols.size(), 12u) << lines[i];
        EXPECT_EQ(cols[10] + " " + cols[11], "256 none/none");
        ASSERT_EQ(cols[9].size(), 512u) << lines[i];
        EXPECT_EQ(cols[9].find_first_not_of("0123456789ABCDEF"), std::string::npos);
    }
    const std::vector<std::string> dir = Columns(lines[176]);
    EXPECT_EQ(dir[0], "175");
    EXPECT_EQ(dir[6], "Dir Sec.");
    EXPECT_EQ(dir[7], "FA");
    EXPECT_EQ(dir[8], "AF00");
    EXPECT_EQ(dir[9], HexOf(PatternData(17, 0, 5)));
}

TEST_F(CliTest, SectorsGiveSizesCrcsAndMissingIndexes) {
    // Track 0: a 1024-byte sector, a bad data CRC, then sector 3 after a gap.
    DmkTrack t;
    for (int s : {0, 1, 3}) {
        DmkSector x;
        x.sector = s;
        x.sizeCode = s == 0 ? 3 : 1;
        t.sectors.push_back(x);
    }
    t.sectors[1].dataCrc = std::array<std::uint8_t, 2>{0, 0};
    const std::string path = Image("gap.dmk", MakeDmk({t}, OneSide()).bytes);
    Outcome run = RunCli({"sectors", "--data", path});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u);
    std::vector<std::string> cols = Columns(lines[1]);
    ASSERT_EQ(cols.size(), 12u);
    EXPECT_EQ(cols[9], HexOf(PatternData(0, 0, 0, 1024)));
    EXPECT_EQ(cols[10] + " " + cols[11], "1024 good/good");
    EXPECT_EQ(Columns(lines[2])[11], "good/bad");
    // The missing sector says where it would be.
    EXPECT_EQ(lines[3], "2\t0\t0\t2\t\t\tmissing\t\t\t\t\t");

    run = RunCli({"sectors", "--json", path});
    const Json sectors = Json::parse(run.out).at("sectors");
    ASSERT_EQ(sectors.size(), 4u);
    EXPECT_FALSE(sectors.at(0).at("missing").get<bool>());
    EXPECT_EQ(sectors.at(0).at("size").get<std::int64_t>(), 1024);
    EXPECT_EQ(sectors.at(1).at("crc").at("data").get<std::string>(), "bad");
    EXPECT_EQ(sectors.at(1).at("crc").at("id").get<std::string>(), "good");
    EXPECT_TRUE(sectors.at(2).at("missing").get<bool>());
    EXPECT_EQ(sectors.at(2).at("type").get<std::string>(), "missing");
    EXPECT_EQ(sectors.at(2).at("sector").get<std::int64_t>(), 2);
    EXPECT_TRUE(sectors.at(2).at("spt").is_null());
    EXPECT_TRUE(sectors.at(2).at("size").is_null());

    run = RunCli({"info", path});
    EXPECT_NE(run.out.find("notice\t1 sector with a data CRC error\n"
                           "notice\ttrack 0 has no sector 2\n"),
              std::string::npos);
}

TEST_F(CliTest, ShowPrintsFieldsAndDumpRows) {
    const std::string path = Image("two.jv3", MakeJv3(TwoSidedJv3Entries()));
    const Outcome run = RunCli({"show", "--color=never", path, "23"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
    for (const char* field : {"  format    JV3\n", "  index     23\n", "  track     1\n",
                              "  side      0\n", "  sector    3\n", "  density   D/D\n",
                              "  type      Dir Sec.\n", "  dam       F8\n", "  position  3900\n"}) {
        EXPECT_NE(run.out.find(field), std::string::npos) << field;
    }

    // The 16 rows as the window lays them out: offset, four groups of four
    // bytes, the shown characters.
    const std::vector<std::uint8_t> data = PatternData(1, 0, 3);
    std::vector<std::string> rows;
    for (int r = 0; r < 16; ++r) {
        std::ostringstream row;
        row << "       " << std::uppercase << std::hex << r << "0";
        std::string text;
        for (int k = 0; k < 16; ++k) {
            const std::uint8_t b = data[static_cast<std::size_t>(r * 16 + k)];
            row << (k % 4 == 0 ? "  " : " ") << HexOf({b});
            text += (b > 32 && b < 128) ? static_cast<char>(b) : '.';
        }
        rows.push_back(row.str() + "  " + text);
    }
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 16u);
    const std::vector<std::string> last(lines.end() - 16, lines.end());
    EXPECT_EQ(last, rows);
}

TEST_F(CliTest, ShowStepsLikeTheWindowAndColoursOnRequest) {
    // No directory mark anywhere: the notice line stands above the dump.
    std::vector<Jv3Entry> entries = TwoSidedJv3Entries();
    for (Jv3Entry& e : entries) {
        e.dirMark = false;
    }
    const std::string nodir = Image("nodir.jv3", MakeJv3(entries));
    Outcome run = RunCli({"show", nodir, "13"});
    EXPECT_EQ(run.status, 0);
    std::vector<std::string> lines = Lines(run.out);
    EXPECT_NE(run.out.find("  index     13\n  track     0\n  side      1\n  sector    3\n"),
              std::string::npos)
        << run.out;
    // Not a terminal: plain text by default.
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
    ASSERT_GE(lines.size(), 18u);
    EXPECT_EQ(lines[lines.size() - 18],
              "   ***********  No Directory was found on this disk ***********");
    EXPECT_EQ(lines[lines.size() - 17], "");

    // A directory entry sector (two past the first directory sector) in
    // colour: the entry's first byte in bright green on the window's grey.
    entries = TwoSidedJv3Entries();
    entries[25].data = std::vector<std::uint8_t>(256, 0);
    entries[25].data[0] = 0x10;
    run = RunCli({"show", "--color=always", Image("dir.jv3", MakeJv3(entries)), "25"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\x1b[38;2;0;255;0m10"), std::string::npos);
    EXPECT_NE(run.out.find("\x1b[48;2;192;192;192m"), std::string::npos);
    EXPECT_NE(run.out.find("Dir Sec."), std::string::npos);
}

TEST_F(CliTest, RefusedFilesExitOneWithTheWindowsMessage) {
    DmkOptions real = OneSide();
    real.realDisk = true;
    const std::string realDisk =
        Image("real.dmk", MakeDmk(DmkStandardTracks(2, 1, 10, true), real).bytes);
    std::vector<std::uint8_t> headerless(4096, 0);
    headerless[3] = 1;
    const std::string noHeader = Image("noheader.bin", headerless);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"info", realDisk},
                                                 {"sectors", "--data", realDisk},
                                                 {"show", realDisk, "0"}}) {
        const Outcome run = RunCli(args);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_EQ(run.err, "** ERROR **  This file is a DMK type REAL disk format,\n"
                           "                     used to access REAL Disks\n")
            << args[0];
    }
    const Outcome run = RunCli({"info", noHeader});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "** ERROR **\n"
                       " This file does not have an EMULATOR Disk format HEADER\n"
                       "    It may be a Disk file for use with a dedicated program\n");
}

TEST_F(CliTest, UsageErrorsAndUnopenableFilesExitTwoWithOneLine) {
    const std::string jv1 = Image("plain.dsk", PatternJv1());
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate", jv1},
        {"info"},
        {"info", jv1, jv1},
        {"info", "--bogus", jv1},
        {"info", "--data", jv1},
        {"sectors", "--color=always", jv1},
        {"show", jv1},
        {"show", jv1, "seven"},
        {"show", jv1, "350"},
        {"show", jv1, "-1"},
        {"show", "--color=sometimes", jv1, "0"},
        {"info", (dir_ / "missing.dsk").string()},
        {"info", dir_.string()},
        {"sectors", ""},
    };
    for (const std::vector<std::string>& args : cases) {
        std::string shown;
        for (const std::string& a : args) {
            shown += "'" + a + "' ";
        }
        const Outcome run = RunCli(args);
        EXPECT_EQ(run.status, 2) << shown;
        EXPECT_EQ(run.out, "") << shown;
        ASSERT_FALSE(run.err.empty()) << shown;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << shown << run.err;
        EXPECT_EQ(run.err.rfind("sectorscope-cli: ", 0), 0u) << shown << run.err;
    }
    EXPECT_NE(RunCli({"info", (dir_ / "missing.dsk").string()}).err.find("missing.dsk"),
              std::string::npos);
}

// What the one line of a usage error says, for the faults of each kind, and
// where options, values and operands may stand.
TEST_F(CliTest, UsageErrorsNameTheFault) {
    const std::string jv1 = Image("plain.dsk", PatternJv1());
    struct Case {
        std::vector<std::string> args;
        std::string reason;
    };
    const Case cases[] = {
        {{"frobnicate", jv1}, "unknown command 'frobnicate'"},
        {{"frobnicate", "--help"}, "unknown command 'frobnicate'"},
        {{"--json"}, "no command given"},
        {{"info", "--bogus=3", jv1}, "unknown option '--bogus=3'"},
        {{"info", "---x", jv1}, "unknown option '---x'"},
        {{"info", "-h", "--bogus", jv1}, "unknown option '--bogus'"}, // help hides no fault
        {{"info", "--data", jv1}, "--data does not apply to info"},
        // Options before the command are the command's, checked as such; a
        // value there needs "=".
        {{"--data", "show", jv1, "0"}, "--data does not apply to show"},
        {{"--offset", "16", "hex", jv1}, "unknown command '16'"},
        {{"sectors", "--data=", jv1}, "--data takes no value"},
        {{"files", "--all=true", jv1}, "--all takes no value"},
        {{"info", "--json=", jv1}, "--json takes no value"},
        {{"show", "--color", "always", jv1, "0"}, "--color takes =always, =never or =auto"},
        {{"show", "--color=", jv1, "0"}, "--color takes always, never or auto, not ''"},
        {{"hex", jv1, "--offset"}, "--offset takes N[,N...]"},
        // A value is the next argument whatever it looks like, or empty after "=".
        {{"hex", jv1, "--offset", "--json"}, "an offset must be a whole number, not '--json'"},
        {{"hex", jv1, "--offset="}, "an offset must be a whole number, not ''"},
        {{"map", "--page", "-1", jv1}, "--page must not be negative"},
        {{"info", jv1, jv1}, "info takes one FILE"},
        {{"show", jv1}, "show takes FILE and INDEX"},
        {{"extract"}, "extract takes FILE and [NAME...]"},
        // "-", a negative number and anything after "--" are operands.
        {{"show", jv1, "-"}, "INDEX must be a whole number, not '-'"},
        {{"show", jv1, "-1"}, "sector index -1 is outside 0..349 of this image"},
        {{"hex", "--", jv1, "--json"}, "hex takes one FILE"},
    };
    for (const Case& c : cases) {
        const Outcome run = RunCli(c.args);
        EXPECT_EQ(run.status, 2) << c.reason;
        EXPECT_EQ(run.out, "") << c.reason;
        EXPECT_EQ(run.err, "sectorscope-cli: " + c.reason + " (see sectorscope-cli --help)\n");
    }
}

TEST_F(CliTest, OptionsStandBeforeOrAfterTheCommandAndItsOperands) {
    const std::string jv1 = Image("plain.dsk", PatternJv1());
    const std::string help = RunCli({"--help"}).out;
    ASSERT_EQ(help.rfind("Usage: sectorscope-cli COMMAND", 0), 0u);
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    };
    const Case cases[] = {
        {{"--", "info", jv1}, "format\tJV1"},
        {{"info", "--", jv1}, "format\tJV1"},
        {{"--data", "sectors", jv1},
         "index\ttrack\tside\tsector\tspt\tdensity\ttype\tdam\tposition\tdata\tsize\tcrc"},
        {{"--offset=16", "hex", jv1},
         "   0000010  10 11 12 13  14 15 16 17  18 19 1A 1B  1C 1D 1E 1F"},
        {{"hex", jv1, "--offset", "32", "--offset=16"},
         "   0000010  10 11 12 13  14 15 16 17  18 19 1A 1B  1C 1D 1E 1F"},
        {{"map", "--press=", jv1}, "  file      " + jv1},
        {{"show", "--color=always", "--color=never", jv1, "0"}, "disk"},
    };
    for (const Case& c : cases) {
        const Outcome run = RunCli(c.args);
        EXPECT_EQ(run.status, 0) << c.firstLine << run.err;
        EXPECT_EQ(Lines(run.out).at(0).substr(0, c.firstLine.size()), c.firstLine);
    }
    // The help, from "help" before the command or -h anywhere before "--".
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"help", "info"}, {"--help", "frobnicate"}, {"info", jv1, "-h"}, {"show", "-h"}}) {
        const Outcome run = RunCli(args);
        EXPECT_EQ(run.status, 0) << args[0];
        EXPECT_EQ(run.out, help) << args[0];
    }
}

TEST_F(CliTest, JsonGivesTheSameFactsAsRawValues) {
    // info: numbers as numbers, the density as a word, no directory as null.
    std::vector<Jv3Entry> entries = TwoSidedJv3Entries();
    Outcome run = RunCli({"info", "--json", Image("plain.dsk", PatternJv1())});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, R"({"format":"JV1","tracks":35,"density":"single","sides":1,)"
                       R"("sectors_per_track":10,"sectors_per_cylinder":10,"granule":null,)"
                       R"("newdos":false,"notices":[],"pdrive":null,"directory":170})"
                       "\n");
    std::vector<DmkTrack> records = DmkStandardTracks(3, 1, 18, true);
    records[0].sectors[2].data = SamplePdriveSector({17, 0, 0x14, 40, 18, 2, 0, 0, 0, 2});
    run = RunCli({"info", "--json", Image("newdos.dmk", MakeDmk(records, OneSide()).bytes)});
    const Json dmk = Json::parse(run.out);
    EXPECT_EQ(dmk.at("density").get<std::string>(), "double");
    EXPECT_EQ(dmk.at("granule").get<std::int64_t>(), 5);
    EXPECT_TRUE(dmk.at("newdos").get<bool>());
    EXPECT_TRUE(dmk.at("directory").is_null());
    EXPECT_EQ(dmk.at("pdrive").at("TI").get<std::string>(), "E");
    EXPECT_EQ(dmk.at("pdrive").at("TC").get<std::int64_t>(), 40);
    EXPECT_EQ(dmk.at("pdrive").at("DDGA").get<std::int64_t>(), 2);

    // sectors: the line of index 23 as values, the dump as hex with --data.
    const std::string jv3 = Image("two.jv3", MakeJv3(entries));
    run = RunCli({"sectors", "--json", "--data", jv3});
    EXPECT_EQ(run.status, 0);
    const Json sectors = Json::parse(run.out).at("sectors");
    ASSERT_EQ(sectors.size(), 40u);
    EXPECT_EQ(Json::parse(run.out).size(), 1u);
    const Json& dir = sectors.at(23);
    EXPECT_EQ(dir.at("index").get<std::int64_t>(), 23);
    EXPECT_EQ(dir.at("track").get<std::int64_t>(), 1);
    EXPECT_EQ(dir.at("side").get<std::int64_t>(), 0);
    EXPECT_EQ(dir.at("sector").get<std::int64_t>(), 3);
    EXPECT_EQ(dir.at("spt").get<std::int64_t>(), 10);
    EXPECT_EQ(dir.at("density").get<std::string>(), "double");
    EXPECT_EQ(dir.at("type").get<std::string>(), "directory");
    EXPECT_EQ(dir.at("dam").get<std::int64_t>(), 0xF8); // double density's directory mark
    EXPECT_EQ(dir.at("position").get<std::int64_t>(), 0x3900);
    EXPECT_EQ(dir.at("data").get<std::string>(), HexOf(PatternData(1, 0, 3)));
    EXPECT_EQ(sectors.at(0).at("density").get<std::string>(), "single");
    EXPECT_EQ(sectors.at(0).at("type").get<std::string>(), "data");

    // show: the window as data, its fields as the text output shows them and
    // its dump texts where the window draws them.
    run = RunCli({"show", "--json", jv3, "23"});
    EXPECT_EQ(run.status, 0);
    const Json window = Json::parse(run.out);
    EXPECT_EQ(window.at("window").get<std::string>(), "main");
    EXPECT_EQ(window.at("fields").size(), 22u);
    EXPECT_EQ(window.at("fields").at("Txtowner").at("text").get<std::string>(), "");
    EXPECT_EQ(window.at("fields").at("Txtcrc").at("text").get<std::string>(), "ID --  Data ok");
    EXPECT_EQ(window.at("fields").at("Txtsecnum").at("text").get<std::string>(), "23");
    EXPECT_EQ(window.at("fields").at("Txtsecnum").at("back").get<std::int64_t>(), 8421631);
    EXPECT_EQ(window.at("fields").at("Txtsectype").at("text").get<std::string>(), "Dir Sec.");
    EXPECT_EQ(window.at("fields").at("Combo1").at("items").size(), 2u);
    EXPECT_EQ(window.at("messages"), Json::array());
    const Json& surface = window.at("surface");
    ASSERT_EQ(surface.size(), 1u + 16 * 33);
    EXPECT_EQ(surface.at(0).at("box").at(2).get<std::int64_t>(), 8800);
    EXPECT_EQ(surface.at(0).at("color").get<std::int64_t>(), 0x8000000F);
    const Json& firstByte = surface.at(2);
    EXPECT_EQ(firstByte.at("text").get<std::string>(), HexOf({PatternData(1, 0, 3)[0]}));
    EXPECT_EQ(firstByte.at("x").get<std::int64_t>(), 1100);
    EXPECT_EQ(firstByte.at("y").get<std::int64_t>(), 2490);

    // A refused file: as without --json, status 1 and nothing on stdout.
    DmkOptions real = OneSide();
    real.realDisk = true;
    run = RunCli({"show", "--json",
                  Image("real.dmk", MakeDmk(DmkStandardTracks(2, 1, 10, true), real).bytes), "0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
}

TEST_F(CliTest, SharedOptionsApplyOnlyWhereTheCommandTakesThem) {
    const std::string jv1 = Image("plain.dsk", PatternJv1());
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"info", "--json=yes", jv1},
             {"info", "--color=never", "--json", jv1},
             {"sectors", "--color", jv1},
             {"sectors", "--data=1", jv1},
             {"show", "--json", "--data", jv1, "0"},
             {"show", "--color", jv1, "0"},
         }) {
        const Outcome run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_EQ(run.out, "") << args[1];
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
    // Options may stand before the command; --color is ignored with --json.
    const Outcome early = RunCli({"--json", "show", "--color=always", jv1, "171"});
    EXPECT_EQ(early.status, 0);
    EXPECT_EQ(early.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(Json::parse(early.out).at("fields").at("Txtsecnum").at("text").get<std::string>(),
              "171");
}

TEST_F(CliTest, HelpDescribesEveryCommand) {
    for (const char* option : {"--help", "-h"}) {
        const Outcome run = RunCli({option});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
        for (const char* word : {"info", "sectors", "show", "--data", "--color", "INDEX"}) {
            EXPECT_NE(run.out.find(word), std::string::npos) << word;
        }
    }
}

// ---------------------------------------------------------------- map

TEST_F(CliTest, MapPrintsThePageRowsThenTheLegend) {
    const std::string dmk = Image("sample.dmk", SampleDmk());
    const Outcome run = RunCli({"map", "--color=never", dmk});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u + 21u + 1u + 2u);
    EXPECT_EQ(lines[0], "  file      " + dmk);
    EXPECT_EQ(lines[1], "  format    DMK");
    EXPECT_EQ(lines[2], "  order     numeric");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4].rfind("  Trk  0 : 0        0   1   2   3", 0), 0u) << lines[4];
    EXPECT_EQ(lines[24].rfind("  Trk 10 : 0 ", 0), 0u) << lines[24];
    EXPECT_EQ(lines[25], "");
    EXPECT_EQ(lines[26], "    Single Density       Dir.Secs. S/D");
    EXPECT_EQ(lines[27], "    Double Density      Possible Dir.Secs. D/D    FBh");

    // The same page in the window's colours.
    const Outcome coloured = RunCli({"map", "--color=always", dmk});
    EXPECT_NE(coloured.out.find("\x1b[38;2;255;0;0m"), std::string::npos);
}

TEST_F(CliTest, MapRunsTheOrderThePagesAndTheKeysInTurn) {
    const std::string jv3 = Image("sample.jv3", SampleJv3());
    struct Case {
        std::vector<std::string> args;
        bool numeric;
        std::string firstRow; // the label of the first row
    };
    const Case cases[] = {
        {{"map", "--json", jv3}, true, "Trk;  0 : 0 "},
        {{"map", "--json", "--order", "interleave", "--page", "1", jv3}, false, "Trk; 21 : 0 "},
        {{"map", "--json", "--page=5", jv3}, true, "Trk; 21 : 0 "}, // two pages only
        {{"map", "--json", "--order=interleave", "--page", "1", "--press", "pnrup", jv3},
         true,
         "Trk;  0 : 0 "},
        {{"map", "--json", "--page", "1", "--press", "ia", jv3}, false, "Trk;  0 : 0 "},
    };
    for (const Case& c : cases) {
        const Outcome run = RunCli(c.args);
        ASSERT_EQ(run.status, 0) << c.args[3] << run.err;
        const Json json = Json::parse(run.out);
        EXPECT_EQ(json.at("window").get<std::string>(), "map");
        EXPECT_EQ(json.at("fields").at("TxtFilename").at("text").get<std::string>(), jv3);
        EXPECT_EQ(json.at("fields").at("Text1").at("text").get<std::string>(), "JV3");
        EXPECT_EQ(json.at("fields").at("Option1").at("value").get<bool>(), c.numeric);
        EXPECT_EQ(json.at("fields").at("Option2").at("value").get<bool>(), !c.numeric);
        EXPECT_EQ(json.at("messages"), Json::array());
        std::string label;
        for (const Json& item : json.at("surface")) {
            if (item.at("y").get<std::int64_t>() == 9 * 195 + 180 &&
                item.at("x").get<std::int64_t>() < 2100) {
                label += item.at("text").get<std::string>();
            }
        }
        EXPECT_EQ(label, c.firstRow) << c.args.size();
    }
}

TEST_F(CliTest, MapExitsOneWithEveryMessageBoxRaised) {
    DmkOptions real = OneSide();
    real.realDisk = true;
    const std::string realDisk =
        Image("real.dmk", MakeDmk(DmkStandardTracks(2, 1, 10, true), real).bytes);
    const std::string box = "** ERROR **  This file is a DMK type REAL disk format,\n"
                            "                     used to access REAL Disks\n";
    // The main window refuses the file, and so does the sector map; its
    // controls then raise nothing more.
    Outcome run = RunCli({"map", "--press", "nrpia", realDisk});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, box + box + box);
    EXPECT_EQ(Lines(run.out).size(), 5u); // the fields, and no row or legend

    run = RunCli({"map", "--json", realDisk});
    EXPECT_EQ(run.status, 1);
    const Json json = Json::parse(run.out);
    ASSERT_EQ(json.at("messages").size(), 2u);
    EXPECT_EQ(json.at("messages").at(1).at("title").get<std::string>(), "Error");
    EXPECT_EQ(json.at("surface"), Json::array());
}

TEST_F(CliTest, MapUsageErrorsExitTwo) {
    const std::string jv1 = Image("plain.dsk", PatternJv1());
    const std::vector<std::vector<std::string>> cases = {
        {"map", "--order", "sideways", jv1},
        {"map", "--page", "-1", jv1},
        {"map", "--page", "two", jv1},
        {"map", "--press", "nx", jv1},
        {"map", jv1, jv1},
        {"map", (dir_ / "missing.dsk").string()},
    };
    for (const std::vector<std::string>& args : cases) {
        const Outcome run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args[1] << " " << args[2];
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("sectorscope-cli: ", 0), 0u) << run.err;
    }
}

// ---------------------------------------------------------------- hex

TEST_F(CliTest, HexShowsTheViewerAfterTheHexEditorButtonAndItsPaging) {
    // Text: the page, a blank line, the format, the legend and the notice. An
    // offset past the end snaps back to the last page; the next one moves on.
    const std::string jv1 = Image("plain.dsk", PatternJv1());
    Outcome run = RunCli({"hex", jv1, "--offset", "100000,32"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0].substr(0, 28), "   0000020  20 21 22 23  24 ");
    EXPECT_EQ(lines[28], "");
    EXPECT_EQ(lines[29], "  format    JV1");
    EXPECT_EQ(lines[30], "  legend    Tracks in Red or Black");
    EXPECT_EQ(lines[31], "  notice");

    // JSON: the hex viewer's fields, its scroll bar and its display list.
    run = RunCli({"hex", "--json", "--offset=6420", Image("sample.dmk", SampleDmk())});
    EXPECT_EQ(run.status, 0);
    const Json json = Json::parse(run.out);
    EXPECT_EQ(json.at("window").get<std::string>(), "hex");
    EXPECT_EQ(json.at("fields").at("VScroll1").at("value").get<std::int64_t>(), 401);
    EXPECT_EQ(json.at("fields").at("Text2").at("text").get<std::string>(), "DMK");
    EXPECT_EQ(json.at("fields").at("Text8").at("back").get<std::int64_t>(), 0xC0C0FF);
    EXPECT_EQ(json.at("surface").size(), 28u * (3 + 32 + 1 + 16));
    EXPECT_EQ(json.at("surface").at(1).at("text").get<std::string>(), "0001910");
    EXPECT_EQ(json.at("surface").at(3).at("color").get<std::int64_t>(),
              0x007F00); // a track header byte
    EXPECT_EQ(json.at("messages"), Json::array());

    // A megabyte image pages to its end, whatever the offset asked.
    run = RunCli({"hex", "--json", "--offset", "99999999999",
                  Image("large.dmk", MakeDmk(DmkStandardTracks(80, 2, 18, true)).bytes)});
    EXPECT_EQ(Json::parse(run.out).at("fields").at("VScroll1").at("value").get<std::int64_t>(),
              (1024016 - 256) / 16);
}

TEST_F(CliTest, HexShowsFilesTheMainWindowRefusesAndRejectsBadOffsets) {
    DmkOptions real = OneSide();
    real.realDisk = true;
    const std::string realDisk =
        Image("real.dmk", MakeDmk(DmkStandardTracks(2, 1, 10, true), real).bytes);
    Outcome run = RunCli({"hex", realDisk});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("REAL disk"), std::string::npos);
    EXPECT_NE(run.out.find("  legend    DMK Real Disk type\n"), std::string::npos);
    run = RunCli({"hex", "--json", realDisk});
    EXPECT_EQ(run.status, 0);
    const Json json = Json::parse(run.out);
    ASSERT_EQ(json.at("messages").size(), 1u);
    EXPECT_EQ(json.at("messages").at(0).at("title").get<std::string>(), "Error");
    EXPECT_EQ(json.at("fields").at("Text3").at("text").get<std::string>(), " DMK Real Disk type");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"hex"},
             {"hex", realDisk, "--offset", "-16"},
             {"hex", realDisk, "--offset", "16,,32"},
             {"hex", realDisk, "--offset", "16,"},
             {"hex", realDisk, "--offset", "0x10"},
             {"hex", (dir_ / "missing.dmk").string()},
         }) {
        run = RunCli(args);
        EXPECT_EQ(run.status, 2) << args.back();
        EXPECT_EQ(run.out, "") << args.back();
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

} // namespace
} // namespace ss::testimg
