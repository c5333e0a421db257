// The DOS directory reader on hand-made disks of every family it reads,
// opened in the main window as JV1, JV3 and DMK images.
#include "dos/directory.h"
#include "dos/disk_sectors.h"
#include "dos/dos_disk.h"
#include "dos/family_reading.h"
#include "support/dos_disks.h"
#include "window_fixture.h"
#include "windows/files/files_logic.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ss {
namespace {

using dos::DirFile;
using dos::Disk;
using dos::Family;
using dos::SectorAddress;
using testimg::DosDiskBuilder;
using testimg::DosFileSpec;

std::uint8_t Lo(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

std::vector<std::uint8_t> Bytes(std::size_t n, int seed) {
    std::vector<std::uint8_t> b(n);
    for (std::size_t k = 0; k < n; ++k) {
        b[k] = static_cast<std::uint8_t>((k * 7 + static_cast<std::size_t>(seed) * 31 + k / 256) &
                                         0xFF);
    }
    return b;
}

const DirFile* Find(const Disk& disk, const std::string& name) {
    for (const DirFile& f : disk.files) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

std::vector<SectorAddress> Sectors(int track, int side, int first, int count) {
    std::vector<SectorAddress> out;
    for (int s = first; s < first + count; ++s) {
        out.push_back({track, side, s});
    }
    return out;
}

std::vector<SectorAddress> Join(std::initializer_list<std::vector<SectorAddress>> parts) {
    std::vector<SectorAddress> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

TEST(NameHash, MatchesHandComputedValues) {
    const std::map<std::string, int> cases = {
        {"BOOT    SYS", 0xA2}, {"DIR     SYS", 0xC4},         {"HELLO   TXT", 0x41},
        {"BASIC   CMD", 0xF0}, {std::string(11, '\0'), 0x01}, // a hash of 0 is kept as 1
    };
    for (const auto& [name, want] : cases) {
        std::array<std::uint8_t, 11> raw{};
        std::copy(name.begin(), name.end(), raw.begin());
        EXPECT_EQ(dos::NameHash(raw), want) << name;
    }
}

class DosTest : public testwindow::WindowTest {
  protected:
    const Disk& OpenDisk(const std::vector<std::uint8_t>& image) {
        Open(image);
        EXPECT_TRUE(opened.outcome == OpenResult::Outcome::Opened);
        return w.DosDisk();
    }

    // The file is listed without damage and reads back as `bytes`.
    void ExpectReadsWhole(const Disk& d, const std::string& name,
                          const std::vector<std::uint8_t>& bytes) {
        const DirFile* f = Find(d, name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_FALSE(f->Damaged()) << name << ": " << f->problems.front();
        const dos::FileBytes got = dos::ReadFile(*w.Sectors(), *f);
        EXPECT_TRUE(got.Complete()) << name;
        EXPECT_EQ(got.bytes, bytes) << name;
    }
};

// TRSDOS 2.3 on a JV1 image: the fields of each entry, a file in five
// pieces (one extended entry), a deleted entry, system and invisible files.
TEST_F(DosTest, Trsdos23OnJv1) {
    DosDiskBuilder b(testimg::Trsdos23Geometry());
    b.AddFile({"HELLO   TXT", Bytes(300, 1)});
    b.AddDeletedEntry("OLD     BAS");
    DosFileSpec pieces{"PIECES  DAT", Bytes(5 * 5 * 256 - 56, 2), 0x10 | 0x08 | 0x05, 80};
    pieces.runs = {{4, 1}, {8, 1}, {12, 1}, {16, 1}, {20, 1}};
    b.AddFile(pieces);
    b.AddFile({"SYSTEM  SYS", Bytes(256, 3), 0x10 | 0x40 | 0x20});

    const Disk& d = OpenDisk(b.Jv1());
    ASSERT_TRUE(d.Recognised()) << d.why;
    EXPECT_EQ(d.family, Family::Trsdos23);
    EXPECT_EQ(d.dos, "TRSDOS 2.3");
    EXPECT_EQ(d.diskName, "TESTDISK");
    EXPECT_EQ(d.diskDate, "01/02/85");
    // 70 granules; used: track 0 (2), the directory (2), HELLO (1), the
    // deleted file's granule stays marked (1), PIECES (5), SYSTEM (1).
    EXPECT_EQ(d.freeGranules, 70 - 12);
    EXPECT_EQ(d.freeBytes, 58 * 5 * 256);
    EXPECT_TRUE(d.problems.empty());
    ASSERT_EQ(d.directory.size(), 10u);
    EXPECT_EQ(d.directory[0], (SectorAddress{17, 0, 0}));
    EXPECT_EQ(d.directory[9], (SectorAddress{17, 0, 9}));

    ASSERT_EQ(d.files.size(), 5u); // BOOT/SYS, DIR/SYS, HELLO, PIECES, SYSTEM; not OLD/BAS
    EXPECT_EQ(Find(d, "OLD/BAS"), nullptr);

    const DirFile* hello = Find(d, "HELLO/TXT");
    ASSERT_NE(hello, nullptr);
    EXPECT_EQ(hello->dec, 2);
    EXPECT_EQ(hello->size, 300);
    EXPECT_EQ(hello->ern, 2);
    EXPECT_EQ(hello->eof, 44);
    EXPECT_EQ(hello->lrl, 256);
    EXPECT_EQ(dos::AttributeText(*hello), "---0");
    EXPECT_EQ(hello->updateHash, 0x4296);
    EXPECT_FALSE(hello->date.has_value());
    // Granule 2: track 1, sectors 0 to 4.
    EXPECT_EQ(hello->sectors, Sectors(1, 0, 0, 2));
    EXPECT_TRUE(hello->problems.empty());

    const DirFile* pieces1 = Find(d, "PIECES/DAT");
    ASSERT_NE(pieces1, nullptr);
    EXPECT_EQ(dos::AttributeText(*pieces1), "-I-5");
    EXPECT_EQ(pieces1->lrl, 80);
    EXPECT_EQ(pieces1->size, 25 * 256 - 56);
    ASSERT_EQ(pieces1->extents.size(), 5u); // four in the entry, one in the extended entry
    EXPECT_EQ(pieces1->extents[4].unit, 10);
    EXPECT_EQ(pieces1->extents[4].granule, 0);
    EXPECT_EQ(pieces1->sectors, Join({Sectors(2, 0, 0, 5), Sectors(4, 0, 0, 5), Sectors(6, 0, 0, 5),
                                      Sectors(8, 0, 0, 5), Sectors(10, 0, 0, 5)}));
    EXPECT_TRUE(pieces1->problems.empty());

    const DirFile* sys = Find(d, "SYSTEM/SYS");
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(dos::AttributeText(*sys), "S-*0");

    // The file's bytes come back whole, cut at its size.
    const dos::FileBytes got = dos::ReadFile(*w.Sectors(), *pieces1);
    EXPECT_TRUE(got.Complete());
    EXPECT_EQ(got.bytes, pieces.bytes);
}

// LDOS 5.1, double density, two sides, on DMK and JV3: the date, and a file
// whose granules run from side 1 of one cylinder to side 0 of the next.
TEST_F(DosTest, LdosTwoSidedDoubleDensity) {
    DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    DosFileSpec across{"ACROSS  DAT", Bytes(2 * 6 * 256 - 10, 4)};
    across.dateMonth = 0x04;            // April
    across.dateDayYear = (12 << 3) | 3; // the 12th, 1983
    across.runs = {{21 * 6 + 5, 2}};    // cylinder 21's last granule and the next
    b.AddFile(across);

    for (const auto& image : {b.Dmk(), b.Jv3()}) {
        const Disk& d = OpenDisk(image);
        ASSERT_TRUE(d.Recognised()) << d.why;
        EXPECT_EQ(d.family, Family::Ldos5);
        EXPECT_EQ(d.dos, "LDOS 5.1");
        EXPECT_EQ(d.allocation.sectorsPerGranule, 6);
        EXPECT_EQ(d.allocation.granulesPerUnit, 6);
        EXPECT_EQ(d.directory.front(), (SectorAddress{20, 0, 0}));
        EXPECT_EQ(d.directory.back(), (SectorAddress{20, 1, 15}));
        const DirFile* f = Find(d, "ACROSS/DAT");
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(f->date.has_value());
        EXPECT_EQ(dos::DateText(*f->date), "12-Apr-83");
        EXPECT_EQ(f->sectors, Join({Sectors(21, 1, 12, 6), Sectors(22, 0, 0, 6)}));
        EXPECT_TRUE(f->problems.empty()) << f->problems.front();
        EXPECT_EQ(dos::ReadFile(*w.Sectors(), *f).bytes, across.bytes);
        // 40 cylinders of 6 granules: cylinder 0, the directory and the file are used.
        EXPECT_EQ(d.freeGranules, 240 - 6 - 6 - 2);
    }
}

// NEWDOS/80 with drive parameters, with and without track 0 in the other
// density: the directory starts at lump 70 and crosses to side 1.
TEST_F(DosTest, Newdos80WithAndWithoutK) {
    for (const bool k : {false, true}) {
        DosDiskBuilder b(testimg::Newdos80Geometry(k));
        const DosFileSpec file{"GAME    CMD", Bytes(1000, 5)};
        b.AddFile(file);
        for (const auto& image : {b.Dmk(), b.Jv3()}) {
            const Disk& d = OpenDisk(image);
            ASSERT_TRUE(d.Recognised()) << d.why;
            EXPECT_EQ(d.family, Family::Newdos80);
            EXPECT_EQ(d.dos, "NEWDOS/80 2.0");
            EXPECT_EQ(d.allocation.firstCylinder, k ? 1 : 0);
            const int c = k ? 1 : 0;
            ASSERT_EQ(d.directory.size(), 12u);
            EXPECT_EQ(d.directory[0], (SectorAddress{19 + c, 0, 16}));
            EXPECT_EQ(d.directory[2], (SectorAddress{19 + c, 1, 0}));
            const DirFile* f = Find(d, "GAME/CMD");
            ASSERT_NE(f, nullptr);
            // Granule 2 (lump 1), relative sectors 10 to 13.
            EXPECT_EQ(f->sectors, Sectors(c, 0, 10, 4));
            EXPECT_TRUE(f->problems.empty());
            EXPECT_EQ(dos::ReadFile(*w.Sectors(), *f).bytes, file.bytes);
        }
    }
}

// A NEWDOS/80 data disk has no drive parameters: the reader finds its GAT
// from the boot sector's lump by trying the lump sizes.
TEST_F(DosTest, Newdos80DataDiskFoundByLumpSize) {
    testimg::DosGeometry g = testimg::Newdos80Geometry(false);
    g.pdrive.reset();
    g.granulesPerUnit = 4;
    g.dirUnit = 35;
    g.bootByte = 35;
    DosDiskBuilder b(g);
    b.AddFile({"DATA    TXT", Bytes(700, 6)});
    const Disk& d = OpenDisk(b.Dmk());
    ASSERT_TRUE(d.Recognised()) << d.why;
    EXPECT_EQ(d.family, Family::Newdos80);
    EXPECT_EQ(d.allocation.granulesPerUnit, 4);
    EXPECT_EQ(d.directory[0], (SectorAddress{19, 0, 16}));
    const DirFile* f = Find(d, "DATA/TXT");
    ASSERT_NE(f, nullptr);
    // Granule 4 (lump 1): relative sectors 20 to 22, side 1 of cylinder 0.
    EXPECT_EQ(f->sectors, Sectors(0, 1, 2, 3));
}

// An LDOS disk of `sides` sides of `perSide` sectors whose GAT configuration
// byte (0xCD) holds `flags`; the granules are those the lock-out table gives.
testimg::DosGeometry LdosGeometry(int sides, int perSide, bool doubleDensity, std::uint8_t flags) {
    testimg::DosGeometry g = testimg::LdosDdTwoSidedGeometry();
    g.sides = sides;
    g.sectorsPerSide = perSide;
    g.doubleDensity = doubleDensity;
    g.sectorsPerGranule = doubleDensity ? 6 : 5;
    g.granulesPerUnit = sides * perSide / g.sectorsPerGranule;
    g.dirSectors = std::min(sides * perSide, 34);
    g.ldosFlags = flags;
    return g;
}

// Image tools write LDOS GATs whose configuration byte says the wrong sides
// or granules: the sectors present and the lock-out table decide, a notice
// says so, and files across granules and sides read whole. Free space and the
// main window's owner follow the same geometry.
TEST_F(DosTest, LdosGeometryFollowsTheSectorsPresent) {
    struct Case {
        const char* what;
        testimg::DosGeometry g;
        int lockout; // a byte 0x60 to write over the builder's, or -1
        int sides, granulesPerUnit, sectorsPerGranule;
        std::string notice;
    };
    const std::vector<Case> cases = {
        {"single density, two sides, 0xCD: one granule of 10 a side",
         LdosGeometry(2, 10, false, 0x20), -1, 2, 4, 5,
         "the GAT's configuration byte (20) says 1 granule a side; read as 2 granules of 5 "
         "sectors a side, as the sectors present give"},
        {"double density, one side, 0xCD: one granule a track", LdosGeometry(1, 18, true, 0x40), -1,
         1, 3, 6,
         "the GAT's configuration byte (40) says 1 granule a side; read as 3 granules of 6 "
         "sectors a side, as the sectors present give"},
        {"0xCD: two sides, the image one", LdosGeometry(1, 18, true, 0x62), -1, 1, 3, 6,
         "the GAT says the disk has two sides, but the image holds no side 1: read as one side"},
        {"0xCD: one side, the lock-out table two", LdosGeometry(2, 18, true, 0x42), -1, 2, 6, 6,
         "the GAT says the disk has one side, but its lock-out table counts the granules of two "
         "sides: read as two sides"},
        {"a lock-out table that fits no geometry", LdosGeometry(2, 18, true, 0x62), 0x00, 2, 6, 6,
         "the GAT's lock-out table (00) does not fit 18 sectors a side: read as the density's 3 "
         "granules of 6 sectors a side"},
    };
    for (const Case& c : cases) {
        DosDiskBuilder b(c.g);
        if (c.lockout >= 0) {
            b.PatchGat(0x60, static_cast<std::uint8_t>(c.lockout));
        }
        const int gpu = c.g.granulesPerUnit;
        // Over the last granule of cylinder 7 into cylinder 8, and one more.
        const DosFileSpec across{
            "ACROSS  BAS",     Bytes(2 * c.g.sectorsPerGranule * 256 - 9, 15), 0x10, 0, 0, 0,
            {{8 * gpu - 1, 2}}};
        const DosFileSpec next{"NEXT    BAS", Bytes(300, 16), 0x10, 0, 0, 0, {{9 * gpu, 1}}};
        b.AddFile(across);
        b.AddFile(next);
        for (const auto& image : {b.Dmk(), b.Jv3()}) {
            const Disk& d = OpenDisk(image);
            ASSERT_TRUE(d.Recognised()) << c.what << ": " << d.why;
            EXPECT_EQ(d.allocation.sides, c.sides) << c.what;
            EXPECT_EQ(d.allocation.granulesPerUnit, c.granulesPerUnit) << c.what;
            EXPECT_EQ(d.allocation.sectorsPerGranule, c.sectorsPerGranule) << c.what;
            EXPECT_EQ(d.notices, std::vector<std::string>{c.notice}) << c.what;
            ExpectReadsWhole(d, "ACROSS/BAS", across.bytes);
            ExpectReadsWhole(d, "NEXT/BAS", next.bytes);
            // Cylinder 0, the directory and the three granules are in use.
            const int dirGranules =
                (c.g.dirSectors + c.sectorsPerGranule - 1) / c.sectorsPerGranule;
            EXPECT_EQ(d.freeGranules, 40 * gpu - gpu - dirGranules - 3) << c.what;
            // The first sector of NEXT/BAS: cylinder 9, side 0, sector 0.
            ASSERT_TRUE(w.ShowSectorAt({9, 0, 0})) << c.what;
            EXPECT_EQ(w.Txtowner.Text, "NEXT/BAS, sector 1 of 2") << c.what;
        }
    }
}

// A file is whole only when its granules are its own: marked in use in the
// GAT, claimed by no other file and named once in its extents. Both files of
// a shared granule are damaged; LDOS 5.3.1's BOOT/SYS and SYS7/SYS share one
// granule by design.
TEST_F(DosTest, FilesMustOwnTheirGranules) {
    DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    b.AddFile({"SYS7    SYS", Bytes(256, 20), 0x5E, 0, 0, 0, {{1, 1}}}); // BOOT/SYS's granule
    b.AddFile({"ONE     DAT", Bytes(1000, 21), 0x10, 0, 0, 0, {{30, 1}}});
    b.AddFile({"TWO     DAT", Bytes(1000, 22), 0x10, 0, 0, 0, {{30, 1}}});
    b.AddFile({"FREE    DAT", Bytes(2000, 23), 0x10, 0, 0, 0, {{40, 2}}});
    b.AddFile({"GOOD    DAT", Bytes(1000, 24), 0x10, 0, 0, 0, {{50, 1}}});
    // Cylinder 10's granules 0 and 1 twice, the first of them a third time.
    b.AddFile({"TWICE   DAT", Bytes(5 * 6 * 256, 25), 0x10, 0, 0, 0, {{60, 2}, {60, 2}, {60, 1}}});
    b.PatchGat(6, 0xC0); // cylinder 6: granules 4 and 5 (FREE's) marked free

    const Disk& d = OpenDisk(b.Dmk());
    ASSERT_TRUE(d.Recognised()) << d.why;
    const std::map<std::string, std::vector<std::string>> want = {
        {"ONE/DAT", {"cylinder 5 granule 0 is also claimed by TWO/DAT"}},
        {"TWO/DAT", {"cylinder 5 granule 0 is also claimed by ONE/DAT"}},
        {"FREE/DAT",
         {"cylinder 6 granule 4 holds the file but is free in the GAT (and 1 more "
          "granule)"}},
        {"GOOD/DAT", {}},
        {"TWICE/DAT",
         {"cylinder 10 granule 0 is named more than once in the extents (and 1 more granule)"}},
        {"SYS7/SYS", {}},
        {"BOOT/SYS", {}},
    };
    for (const auto& [name, problems] : want) {
        const DirFile* f = Find(d, name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(f->problems, problems) << name;
    }
    EXPECT_TRUE(d.notices.empty());
}

// NEWDOS/80 and its derivatives: the directory where the boot sector says,
// with the drive entry that describes it, DIR/SYS known by its place however
// it is named, and the allocation map of disks over 96 lumps.
TEST_F(DosTest, Newdos80DerivativesDriveEntriesAndLargeDisks) {
    // A derivative: renamed system files, drive parameters on track 1.
    testimg::DosGeometry renamed = testimg::Newdos80Geometry(false);
    renamed.bootSysName = "HDOS    SYS";
    renamed.dirSysName = "INHALT  SYS";
    renamed.pdriveTrack = 1;
    // A system disk whose drive 0 entry is for another kind of disk (lump
    // 17, three granules a lump): drive 1's entry is this disk's.
    testimg::DosGeometry drives = testimg::Newdos80Geometry(true);
    drives.morePdrives = {*drives.pdrive};
    drives.pdrive = std::array<std::uint8_t, 10>{17, 0, 0x04, 40, 36, 3, 0, 0, 0, 2};
    // 80 cylinders of 36 sectors, three granules a lump: 192 lumps.
    testimg::DosGeometry large = testimg::Newdos80Geometry(false);
    large.cylinders = 80;
    large.granulesPerUnit = 3;
    large.pdrive = std::array<std::uint8_t, 10>{70, 0, 0x04, 80, 36, 3, 0, 0, 0, 3};

    struct Case {
        const char* what;
        testimg::DosGeometry g;
        std::string dos;
        SectorAddress gat;
        std::vector<std::string> system; // the first two entries' names
    };
    const std::vector<Case> cases = {
        {"derivative", renamed, "HDOS 2.0 (NEWDOS/80)", {19, 0, 16}, {"HDOS/SYS", "INHALT/SYS"}},
        {"drive entries", drives, "NEWDOS/80 2.0", {20, 0, 16}, {"BOOT/SYS", "DIR/SYS"}},
        {"192 lumps", large, "NEWDOS/80 2.0", {29, 0, 6}, {"BOOT/SYS", "DIR/SYS"}},
    };
    for (const Case& c : cases) {
        DosDiskBuilder b(c.g);
        const DosFileSpec game{"GAME    CMD", Bytes(1000, 25)};
        b.AddFile(game);
        const int gpl = c.g.granulesPerUnit;
        const int lumps = (c.g.cylinders - c.g.firstCylinder) * 36 / (5 * gpl);
        // A file in the last lump.
        const DosFileSpec last{"LAST    DAT",           Bytes(500, 26), 0x10, 0, 0, 0,
                               {{(lumps - 1) * gpl, 1}}};
        b.AddFile(last);
        const Disk& d = OpenDisk(b.Dmk());
        ASSERT_TRUE(d.Recognised()) << c.what << ": " << d.why;
        EXPECT_EQ(d.family, Family::Newdos80) << c.what;
        EXPECT_EQ(d.dos, c.dos) << c.what;
        ASSERT_EQ(d.directory.size(), 12u) << c.what;
        EXPECT_EQ(d.directory[0], c.gat) << c.what;
        ASSERT_GE(d.files.size(), 2u) << c.what;
        EXPECT_EQ(d.files[0].name, c.system[0]) << c.what;
        EXPECT_EQ(d.files[1].name, c.system[1]) << c.what;
        ExpectReadsWhole(d, "GAME/CMD", game.bytes);
        ExpectReadsWhole(d, "LAST/DAT", last.bytes);
        // Lump 0, the directory's three granules, GAME and LAST are in use.
        EXPECT_EQ(d.freeGranules, lumps * gpl - gpl - 3 - 1 - 1) << c.what;
        EXPECT_EQ(d.freeBytes, d.freeGranules * 1280) << c.what;
        EXPECT_TRUE(d.notices.empty()) << c.what;
    }
}

// Model III TRSDOS 1.3: 48-byte entries, sectors numbered from 1, granules of
// three sectors running on into the next track, size from whole sectors plus
// the EOF byte, the month and year of the entry.
TEST_F(DosTest, Trsdos13) {
    const testimg::Trsdos13File hello{"HELLO   TXT", Bytes(300, 30), 0x10, 4, 83};
    // Track 3's last granule and track 4's first two: sectors 16-18, then 1-6.
    const testimg::Trsdos13File across{"ACROSS  BAS",   Bytes(8 * 256 + 1, 31), 0x10, 0, 0,
                                       {{3 * 6 + 5, 3}}};
    const testimg::Trsdos13File whole{"WHOLE   DAT", Bytes(512, 32), 0x10 | 0x40 | 0x08 | 0x03};
    const testimg::PlainDisk disk = testimg::MakeTrsdos13Disk({hello, across, whole});
    for (const auto& image : {disk.Jv3(), disk.Dmk()}) {
        const Disk& d = OpenDisk(image);
        ASSERT_TRUE(d.Recognised()) << d.why;
        EXPECT_EQ(d.family, Family::Trsdos13);
        EXPECT_EQ(d.dos, "TRSDOS 1.3");
        ASSERT_EQ(d.directory.size(), 18u);
        EXPECT_EQ(d.directory[0], (SectorAddress{17, 0, 1}));
        EXPECT_EQ(d.directory[17], (SectorAddress{17, 0, 18}));
        ASSERT_EQ(d.files.size(), 3u);

        const DirFile* h = Find(d, "HELLO/TXT");
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->size, 300);
        EXPECT_EQ(h->ern, 1); // one whole sector and 44 bytes
        EXPECT_EQ(h->eof, 44);
        ASSERT_TRUE(h->date.has_value());
        EXPECT_EQ(dos::DateText(*h->date), "Apr-83");
        EXPECT_EQ(h->sectors, Sectors(1, 0, 1, 2));
        ExpectReadsWhole(d, "HELLO/TXT", hello.bytes);

        const DirFile* a = Find(d, "ACROSS/BAS");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->size, 8 * 256 + 1);
        EXPECT_FALSE(a->date.has_value());
        EXPECT_EQ(a->sectors, Join({Sectors(3, 0, 16, 3), Sectors(4, 0, 1, 6)}));
        ExpectReadsWhole(d, "ACROSS/BAS", across.bytes);

        const DirFile* w3 = Find(d, "WHOLE/DAT");
        ASSERT_NE(w3, nullptr);
        EXPECT_EQ(dos::AttributeText(*w3), "SI-3");
        EXPECT_EQ(w3->sectors.size(), 2u); // 512 bytes, EOF 0: two sectors, no third
        ExpectReadsWhole(d, "WHOLE/DAT", whole.bytes);

        // 240 granules: tracks 0 and 17, and 1 + 3 + 1 granules of files.
        EXPECT_EQ(d.freeGranules, 240 - 12 - 5);
        EXPECT_EQ(d.freeBytes, d.freeGranules * 768);
        ASSERT_TRUE(w.ShowSectorAt({4, 0, 1}));
        EXPECT_EQ(w.Txtowner.Text, "ACROSS/BAS, sector 4 of 9");
        ASSERT_TRUE(w.ShowSectorAt({17, 0, 2}));
        EXPECT_EQ(w.Txtowner.Text, "HIT");
    }
}

// DOSPLUS lays its disks out as LDOS does; its GAT's version byte names it.
TEST_F(DosTest, DosplusReadByTheLdosRules) {
    for (const int sides : {1, 2}) {
        testimg::DosGeometry g = LdosGeometry(sides, 18, true, Lo(0x40 | (sides == 2 ? 0x22 : 2)));
        g.version = 0x34;
        DosDiskBuilder b(g);
        const DosFileSpec file{"PROGRAM CMD", Bytes(5000, 33)};
        b.AddFile(file);
        const Disk& d = OpenDisk(b.Dmk());
        ASSERT_TRUE(d.Recognised()) << d.why;
        EXPECT_EQ(d.family, Family::Dosplus);
        EXPECT_EQ(d.dos, "DOSPLUS 3.4");
        EXPECT_EQ(d.allocation.sides, sides);
        EXPECT_TRUE(d.notices.empty());
        ExpectReadsWhole(d, "PROGRAM/CMD", file.bytes);
    }
}

// CP/M on each parameter set: names with the user number, sizes in whole
// records, a file of several directory entries, the system and read-only
// bits, free blocks, a second entry for an extent already read (the first
// is read), and a 40-track disk read in an 80-track drive.
TEST_F(DosTest, CpmParameterSets) {
    struct Case {
        const char* what;
        testimg::CpmGeometry g;
        std::string dos;
        int step;
    };
    const std::vector<Case> cases = {
        {"40-track data", testimg::Cpm40TrackData(), "CP/M (40-track one-sided, 512-byte sectors)",
         1},
        {"40-track data, double-stepped", testimg::Cpm40TrackData(),
         "CP/M (40-track one-sided, 512-byte sectors)", 2},
        {"Genie 80-track", testimg::CpmGenie80Track(),
         "CP/M (Genie 80-track two-sided, 256-byte sectors)", 1},
        {"80-track 1024", testimg::Cpm80Track1024(), "CP/M (80-track two-sided, 1024-byte sectors)",
         1},
    };
    for (const Case& c : cases) {
        testimg::CpmDiskBuilder b(c.g);
        const testimg::CpmFile hello{0, "HELLO   TXT", Bytes(300, 40)};
        // More than one entry's worth: 16 K per logical extent.
        const testimg::CpmFile big{3, "BIG     DAT", Bytes(3 * 16384 + 1000, 41)};
        const testimg::CpmFile sys{0, "CCP     COM", Bytes(2000, 42), true, true};
        const int helloEntry = b.AddFile(hello);
        b.AddFile(big);
        b.AddFile(sys);
        const int copy = b.AddCopyOfEntry(helloEntry, c.g.lastBlock);
        testimg::PlainDisk disk = b.Disk();
        disk.step = c.step;
        std::vector<std::vector<std::uint8_t>> images = {disk.Dmk()};
        if (c.step == 1) {
            images.push_back(disk.Jv3()); // JV3 keeps no cylinder of its own
        }
        for (const auto& image : images) {
            const Disk& d = OpenDisk(image);
            ASSERT_TRUE(d.Recognised()) << c.what << ": " << d.why;
            EXPECT_EQ(d.family, Family::Cpm) << c.what;
            EXPECT_EQ(d.dos, c.dos) << c.what;
            ASSERT_EQ(d.files.size(), 3u) << c.what;
            EXPECT_EQ(d.files[0].name, "HELLO.TXT") << c.what;
            EXPECT_EQ(d.files[1].name, "3:BIG.DAT") << c.what;
            EXPECT_EQ(d.files[1].user, 3) << c.what;
            EXPECT_EQ(d.files[0].size, 384) << c.what; // three records
            EXPECT_EQ(d.files[1].size, 3 * 16384 + 1024) << c.what;
            EXPECT_EQ(dos::AttributeText(d.files[2]), "SR-") << c.what;
            EXPECT_EQ(dos::AttributeText(d.files[0]), "---") << c.what;
            ExpectReadsWhole(d, "HELLO.TXT", testimg::CpmDiskBuilder::Padded(hello.bytes));
            ExpectReadsWhole(d, "3:BIG.DAT", testimg::CpmDiskBuilder::Padded(big.bytes));
            ExpectReadsWhole(d, "CCP.COM", testimg::CpmDiskBuilder::Padded(sys.bytes));
            EXPECT_EQ(d.notices,
                      std::vector<std::string>{"directory entry " + std::to_string(copy) +
                                               " repeats extent 0 of an earlier entry: "
                                               "the first is read"})
                << c.what;
            const int dirBlocks = (c.g.entries * 32 + c.g.blockBytes - 1) / c.g.blockBytes;
            const auto blocks = [&](std::size_t bytes) {
                return static_cast<int>((bytes + c.g.blockBytes - 1) / c.g.blockBytes);
            };
            EXPECT_EQ(d.freeGranules, c.g.lastBlock + 1 - dirBlocks - blocks(300) -
                                          blocks(big.bytes.size()) - blocks(2000))
                << c.what;
            EXPECT_EQ(d.freeBytes, std::int64_t{d.freeGranules} * c.g.blockBytes) << c.what;
            EXPECT_EQ(d.freeUnit, "blocks");
            ASSERT_TRUE(w.ShowSectorAt(d.files[0].sectors.front())) << c.what;
            EXPECT_EQ(w.Txtowner.Text,
                      "HELLO.TXT, sector 1 of " + std::to_string(d.files[0].sectors.size()))
                << c.what;
        }
    }
}

// Damage is reported with the file it hurts, and the rest is still read:
// on JV3 a sector flagged as read with a CRC error, on DMK one whose data
// CRC does not match.
TEST_F(DosTest, DamageReportedPerFile) {
    DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    b.AddFile({"LOST    DAT", Bytes(3 * 256, 7)});
    const int hash = b.AddFile({"HASH    DAT", Bytes(256, 8)});
    const int past = b.AddFile({"PAST    DAT", Bytes(256, 9)});
    const int shortFile = b.AddFile({"SHORT   DAT", Bytes(256, 10)});
    b.AddFile({"GOOD    DAT", Bytes(256, 11)});
    b.AddFile({"BAD     DAT", Bytes(2 * 256, 12)}); // granule 11: cylinder 1, side 1, from 12
    b.RemoveSector({1, 0, 1});  // LOST's second sector (granule 6 = cylinder 1, side 0)
    b.DamageSector({1, 1, 13}); // BAD's second sector
    b.PatchHit(hash, 0x5A);
    b.PatchEntry(past, 22, 60);     // cylinder 60 of a 40-cylinder disk
    b.PatchEntry(shortFile, 20, 9); // ERN 9 in a granule of 6 sectors

    for (const auto& image : {b.Jv3(), b.Dmk()}) {
        const Disk& d = OpenDisk(image);
        ASSERT_TRUE(d.Recognised()) << d.why;
        const std::map<std::string, std::string> want = {
            {"LOST/DAT", "sector 2 (track 1 side 0 sector 1) is missing"},
            {"HASH/DAT", "name hash 38 does not match the HIT byte 5A"},
            {"PAST/DAT", "extent 1 (cylinder 60, granule 2) lies past the disk"},
            {"SHORT/DAT", "the extents hold 6 sectors of the 9 the entry counts"},
            {"BAD/DAT", "sector 2 (track 1 side 1 sector 13) has a CRC error"},
        };
        for (const auto& [name, problem] : want) {
            const DirFile* f = Find(d, name);
            ASSERT_NE(f, nullptr) << name;
            ASSERT_EQ(f->problems.size(), 1u) << name;
            EXPECT_EQ(f->problems[0], problem);
        }
        EXPECT_FALSE(Find(d, "GOOD/DAT")->Damaged());
        EXPECT_TRUE(d.problems.empty());

        // What could be read is read; the lost sector comes back as zeros,
        // the damaged one as the bytes the image holds.
        const dos::FileBytes lost = dos::ReadFile(*w.Sectors(), *Find(d, "LOST/DAT"));
        EXPECT_EQ(lost.missing, (std::vector<SectorAddress>{{1, 0, 1}}));
        std::vector<std::uint8_t> expected = Bytes(3 * 256, 7);
        std::fill(expected.begin() + 256, expected.begin() + 512, 0);
        EXPECT_EQ(lost.bytes, expected);
        const dos::FileBytes bad = dos::ReadFile(*w.Sectors(), *Find(d, "BAD/DAT"));
        EXPECT_TRUE(bad.missing.empty());
        EXPECT_EQ(bad.crcErrors, (std::vector<SectorAddress>{{1, 1, 13}}));
        EXPECT_EQ(bad.bytes, Bytes(2 * 256, 12));
    }
}

// A file that lost most of its sectors lists the first few and counts the
// rest, by kind, in the order of its sectors.
TEST_F(DosTest, ManyDamagedSectorsListedFirstAndCounted) {
    DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    b.AddFile({"MANY    DAT", Bytes(16 * 256, 7)});
    const std::vector<SectorAddress> sectors = Find(OpenDisk(b.Jv3()), "MANY/DAT")->sectors;
    ASSERT_EQ(sectors.size(), 16u);
    const auto address = [&](std::size_t k) {
        return testimg::DosAddress{sectors[k].track, sectors[k].side, sectors[k].sector};
    };
    for (std::size_t k = 1; k < 12; ++k) {
        b.RemoveSector(address(k));
    }
    b.DamageSector(address(12));
    b.DamageSector(address(14));
    for (const auto& image : {b.Jv3(), b.Dmk()}) {
        const DirFile* f = Find(OpenDisk(image), "MANY/DAT");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(f->problems.size(), 10u);
        EXPECT_EQ(f->problems[0], "sector 2 (" + dos::AddressText(sectors[1]) + ") is missing");
        EXPECT_EQ(f->problems[7], "sector 9 (" + dos::AddressText(sectors[8]) + ") is missing");
        EXPECT_EQ(f->problems[8], "and 3 more sectors are missing");
        EXPECT_EQ(f->problems[9], "and 2 more sectors have a CRC error");
    }
}

// A DMK track that lost a sector keeps each other sector at its own number:
// a file over the track's highest sector and the next record's first reads
// whole, whether the lost sector was in the middle or the track's first.
TEST_F(DosTest, DmkTrackWithALostSector) {
    for (const int lost : {3, 0}) {
        DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
        // Granules 8 and 9: cylinder 1, side 0 sectors 12-17, side 1 sectors 0-5.
        const DosFileSpec span{"SPAN    DAT", Bytes(12 * 256, 13), 0x10, 0, 0, 0, {{8, 2}}};
        b.AddFile(span);
        b.RemoveSector({1, 0, lost});
        ExpectReadsWhole(OpenDisk(b.Dmk()), "SPAN/DAT", span.bytes);
    }
}

// A two-sided DMK image holds its last cylinder's side 1: a file there reads whole.
TEST_F(DosTest, DmkLastCylinderSideOne) {
    DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    // Granules 237-239: cylinder 39, side 1, sectors 0-17.
    const DosFileSpec last{"LAST    DAT", Bytes(18 * 256 - 100, 14), 0x10, 0, 0, 0, {{237, 3}}};
    b.AddFile(last);
    const Disk& d = OpenDisk(b.Dmk());
    ExpectReadsWhole(d, "LAST/DAT", last.bytes);
    EXPECT_EQ(Find(d, "LAST/DAT")->sectors, Sectors(39, 1, 0, 18));
}

// The sectors the DOS layer reads: each at its own size, with the state the
// image records for it.
TEST(DiskSectors, SizesAndStates) {
    using dos::SectorStatus;
    testimg::DmkSector bigger{0, 0, 1};
    bigger.sizeCode = 3;
    testimg::DmkSector smaller{0, 0, 2};
    smaller.sizeCode = 0;
    testimg::DmkSector badData{0, 0, 3};
    badData.dataCrc = std::array<std::uint8_t, 2>{0x00, 0x00};
    testimg::DmkSector badId{0, 0, 4};
    badId.idCrc = std::array<std::uint8_t, 2>{0x00, 0x00};
    testimg::DmkSector single{0, 0, 5};
    single.doubleDensity = false;
    const std::vector<testimg::DmkTrack> records = {
        {{{0, 0, 0}, bigger, smaller, badData, badId, single}}};
    const testimg::DmkImage made = testimg::MakeDmk(records, testimg::OneSide());
    const std::vector<std::uint8_t>& dmk = made.bytes;
    // The file ends inside the data of sector 1.
    const std::vector<std::uint8_t> cut(dmk.begin(), dmk.begin() + made.placed[0][1].dataPos + 100);
    // Four entries on one track, as a JV3 image is known by.
    std::vector<std::uint8_t> jv3 = testimg::MakeJv3({{0, 0}, {0, 1}, {0, 2}, {0, 3}});
    jv3[2] |= jv3::kFlagCrcError;

    struct Case {
        const char* what;
        std::vector<std::uint8_t> image;
        int sector;
        SectorStatus status;
        std::size_t size;
    };
    const std::vector<Case> cases = {
        {"DMK", dmk, 0, SectorStatus::Good, 256},
        {"DMK size code 3", dmk, 1, SectorStatus::Good, 1024},
        {"DMK size code 0", dmk, 2, SectorStatus::Good, 128},
        {"DMK data CRC", dmk, 3, SectorStatus::CrcError, 256},
        {"DMK ID CRC", dmk, 4, SectorStatus::CrcError, 256},
        {"DMK single density", dmk, 5, SectorStatus::Good, 256},
        {"DMK no such sector", dmk, 6, SectorStatus::Missing, 0},
        {"DMK cut off", cut, 1, SectorStatus::Missing, 0},
        {"DMK before the cut", cut, 0, SectorStatus::Good, 256},
        {"JV3 CRC flag", jv3, 0, SectorStatus::CrcError, 256},
        {"JV3", jv3, 1, SectorStatus::Good, 256},
        {"JV1", testimg::PatternJv1(), 1, SectorStatus::NotRecorded, 256},
    };
    for (const Case& c : cases) {
        const ImageBuffer buf(c.image);
        const disk::Disk d = disk::ReadDisk(buf);
        const dos::SectorRead r = dos::DiskSectors(d, buf).Read(0, 0, c.sector);
        EXPECT_EQ(r.status, c.status) << c.what;
        const auto want = c.size == 0 ? std::vector<std::uint8_t>{}
                                      : testimg::PatternData(0, 0, c.sector, c.size);
        EXPECT_EQ(r.bytes, want) << c.what;
    }
}

// A JV3 image of one track whose first sector holds `boot`.
std::vector<std::uint8_t> BootTrack(const std::vector<std::uint8_t>& boot) {
    std::vector<testimg::Jv3Entry> entries;
    for (int s = 0; s < 10; ++s) {
        entries.push_back({0, s, false, false, false, s == 0 ? boot : std::vector<std::uint8_t>{}});
    }
    return testimg::MakeJv3(entries);
}

// A disk of none of the three families says why.
TEST_F(DosTest, NoneOfTheFamilies) {
    const std::map<std::string, std::vector<std::uint8_t>> cases = {
        {"the boot sector does not start 00 FE", BootTrack(std::vector<std::uint8_t>(256, 0xE5))},
        {"no directory was found where the boot sector points", BootTrack({0x00, 0xFE, 0x11})},
    };
    for (const auto& [why, image] : cases) {
        const Disk& d = OpenDisk(image);
        EXPECT_FALSE(d.Recognised());
        EXPECT_EQ(d.why, why);
        EXPECT_TRUE(d.files.empty());
    }
}

// Owners laid over one another as a reader sets them, in runs out of address
// order: each address ends with its last whole owner, a later kind alone
// keeping that owner's file and place; the addresses come out in order.
TEST(OwnerTable, LaterSettingsWinInTheOrderSet) {
    using Kind = dos::Owner::Kind;
    dos::OwnerTable t;
    for (int s = 1; s <= 6; ++s) {
        t.SetKind({2, 0, s}, s % 2 == 0 ? Kind::InUse : Kind::Free);
    }
    t.SetKind({0, 0, 1}, Kind::Free);
    t.Set({2, 0, 4}, {Kind::File, 3, 7});
    t.Set({1, 1, 9}, {Kind::File, 0, 0});
    t.Set({2, 0, 2}, {Kind::File, 1, 2});
    t.SetKind({2, 0, 4}, Kind::Directory);
    t.Set({0, 0, 1}, {Kind::Boot, -1, 0});
    // Addresses no disk has, among the others in address order.
    t.Set({1, 0, 5000}, {Kind::File, 2, 1});
    t.SetKind({2, 7, 0}, Kind::Free);
    t.Set({-1, 0, 3}, {Kind::File, 2, 0});
    t.SetKind({400, 0, 1}, Kind::InUse);
    t.SetKind({1, 0, 5000}, Kind::Directory);
    t.Settle();

    const std::vector<std::pair<SectorAddress, dos::Owner>> expected = {
        {{-1, 0, 3}, {Kind::File, 2, 0}},        {{0, 0, 1}, {Kind::Boot, -1, 0}},
        {{1, 0, 5000}, {Kind::Directory, 2, 1}}, {{1, 1, 9}, {Kind::File, 0, 0}},
        {{2, 0, 1}, {Kind::Free, -1, 0}},        {{2, 0, 2}, {Kind::File, 1, 2}},
        {{2, 0, 3}, {Kind::Free, -1, 0}},        {{2, 0, 4}, {Kind::Directory, 3, 7}},
        {{2, 0, 5}, {Kind::Free, -1, 0}},        {{2, 0, 6}, {Kind::InUse, -1, 0}},
        {{2, 7, 0}, {Kind::Free, -1, 0}},        {{400, 0, 1}, {Kind::InUse, -1, 0}},
    };
    ASSERT_EQ(t.size(), expected.size());
    std::size_t k = 0;
    for (const auto& [at, owner] : t) {
        EXPECT_EQ(at, expected[k].first) << k;
        EXPECT_EQ(owner.kind, expected[k].second.kind) << k;
        EXPECT_EQ(owner.file, expected[k].second.file) << k;
        EXPECT_EQ(owner.nth, expected[k].second.nth) << k;
        EXPECT_EQ(t.Find(at).kind, owner.kind) << k;
        ++k;
    }
    EXPECT_EQ(t.Find({2, 0, 7}).kind, Kind::None);
    EXPECT_EQ(t.Find({2, 1, 1}).kind, Kind::None);
}

// The granule checks read the same whether the granules a directory names lie
// close together or far apart (a damaged entry may name any number): a
// granule named twice in a file, one another file claimed first, and one
// the allocation map calls free.
TEST(CheckGranules, CloseTogetherOrFarApart) {
    for (const std::int64_t far : {std::int64_t{40}, std::int64_t{1} << 40}) {
        Disk disk;
        disk.files.resize(3);
        disk.files[0].name = "A";
        disk.files[1].name = "B";
        disk.files[2].name = "C";
        const std::vector<std::vector<std::int64_t>> granules = {
            {3, far, 3, far, 4}, {far, 7}, {8, 9}};
        dos::GranuleChecks checks;
        checks.text = [](std::int64_t g) { return "granule " + std::to_string(g); };
        checks.markedFree = [](std::int64_t g) { return g == 9; };
        checks.sharedByDesign = [](const DirFile&, const DirFile&, std::int64_t) { return false; };
        dos::CheckGranules(disk, granules, checks);
        const std::string f = "granule " + std::to_string(far);
        EXPECT_EQ(disk.files[0].problems,
                  (std::vector<std::string>{"granule 3 is named more than once in the extents "
                                            "(and 1 more granule)",
                                            f + " is also claimed by B"}))
            << far;
        EXPECT_EQ(disk.files[1].problems, (std::vector<std::string>{f + " is also claimed by A"}))
            << far;
        EXPECT_EQ(disk.files[2].problems,
                  (std::vector<std::string>{"granule 9 holds the file but is free in the GAT"}))
            << far;
    }
}

// The main window names the owner of the sector shown.
TEST_F(DosTest, MainWindowNamesTheSectorsOwner) {
    DosDiskBuilder b(testimg::Trsdos23Geometry());
    b.AddFile({"HELLO   TXT", Bytes(300, 1)});
    OpenDisk(b.Jv1());
    const std::map<std::int64_t, std::string> want = {
        {0, "boot"},
        {1, "BOOT/SYS, sector 2 of 10"},
        {10, "HELLO/TXT, sector 1 of 2"},
        {11, "HELLO/TXT, sector 2 of 2"},
        {12, "in use, no file"},
        {15, "free"},
        {170, "GAT"},
        {171, "HIT"},
        {172, "directory"},
        {179, "directory"},
    };
    for (const auto& [index, owner] : want) {
        Show(index);
        EXPECT_EQ(w.Txtowner.Text, owner) << index;
    }
    // The fields the window had before keep their texts.
    Show(170);
    EXPECT_EQ(w.Txtsectype.Text, "Dir Sec.");
    EXPECT_TRUE(w.ShowSectorAt({1, 0, 1}));
    EXPECT_EQ(w.PresSecnum, 11);
    EXPECT_FALSE(w.ShowSectorAt({99, 0, 0}));
}

// The Files window says once, in full, why a disk has no directory it reads,
// and lists where the GAT was not followed.
TEST_F(DosTest, FilesWindowSaysWhyAndWhatItFollowed) {
    OpenDisk(BootTrack(std::vector<std::uint8_t>(256, 0xE5)));
    FilesLogic files(host, w);
    files.Form_Activate();
    EXPECT_EQ(files.TxtNoDos.Text, "Not a TRSDOS, LDOS, DOSPLUS, NEWDOS/80 or CP/M disk: the boot "
                                   "sector does not start 00 FE");
    EXPECT_TRUE(files.List1.Items.empty());

    DosDiskBuilder b(LdosGeometry(1, 18, true, 0x62));
    OpenDisk(b.Dmk());
    files.Form_Activate();
    EXPECT_EQ(files.TxtNoDos.Text, "");
    EXPECT_EQ(files.List1.Items, (std::vector<std::string>{"the GAT says the disk has two sides, "
                                                           "but the image holds no side 1: read "
                                                           "as one side"}));
}

// The Files window: the table sorts, shows hidden files on request, opens a
// file's first sector in the main window and saves files, asking before it
// replaces one.
TEST_F(DosTest, FilesWindowTable) {
    DosDiskBuilder b(testimg::Trsdos23Geometry());
    b.AddFile({"ZED     TXT", Bytes(600, 1)});
    b.AddFile({"ALPHA   TXT", Bytes(100, 2)});
    b.AddFile({"MIDDLE  DAT", Bytes(1500, 3)});
    OpenDisk(b.Jv1());
    FilesLogic files(host, w);
    files.Form_Activate();
    EXPECT_EQ(files.TxtDos.Text, "TRSDOS 2.3");
    EXPECT_EQ(files.TxtFree.Text, std::to_string(62 * 1280) + " bytes free (62 granules)");
    const auto names = [&] {
        std::vector<std::string> n;
        for (const auto& r : files.Rows()) {
            n.push_back(r.cells[FilesLogic::Name]);
        }
        return n;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"ALPHA/TXT", "MIDDLE/DAT", "ZED/TXT"}));
    files.SortBy(FilesLogic::Size);
    EXPECT_EQ(names(), (std::vector<std::string>{"ALPHA/TXT", "ZED/TXT", "MIDDLE/DAT"}));
    files.SortBy(FilesLogic::Size);
    EXPECT_EQ(names(), (std::vector<std::string>{"MIDDLE/DAT", "ZED/TXT", "ALPHA/TXT"}));
    files.SetShowAll(true);
    EXPECT_EQ(files.Rows().size(), 5u);
    files.SetShowAll(false);
    const FilesLogic::Row& zed = files.Rows()[1];
    EXPECT_EQ(zed.cells[FilesLogic::First], "1/0/0");
    EXPECT_EQ(zed.cells[FilesLogic::Damage], "");

    files.OpenRow(0); // MIDDLE/DAT: granules 4 and 5, track 2
    EXPECT_EQ(w.Txtowner.Text, "MIDDLE/DAT, sector 1 of 6");
    EXPECT_EQ(host.shown.back(), WindowId::MainWindow);

    const std::filesystem::path folder =
        std::filesystem::path(::testing::TempDir()) / ("files_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    testimg::WriteFile((folder / "ZED.TXT").string(), {1, 2, 3});
    std::vector<std::string> asked;
    files.SaveRows({0, 1}, folder, [&](const std::string& name) {
        asked.push_back(name);
        return false;
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"ZED.TXT"}));
    EXPECT_EQ(host.messages.back().text,
              "MIDDLE/DAT: saved as MIDDLE.DAT\rZED/TXT: ZED.TXT kept as it was");
    EXPECT_EQ(std::filesystem::file_size(folder / "ZED.TXT"), 3u);
    EXPECT_EQ(std::filesystem::file_size(folder / "MIDDLE.DAT"), 1500u);
    files.SaveRows({1}, folder, [](const std::string&) { return true; });
    EXPECT_EQ(std::filesystem::file_size(folder / "ZED.TXT"), 600u);
    std::filesystem::remove_all(folder);
}

// View: a row's file read for the contents window, its damage said; rows of
// an image the main window has since left give none.
TEST_F(DosTest, FilesWindowContentsOfARow) {
    DosDiskBuilder b(testimg::Trsdos23Geometry());
    const std::string text = "HELLO\rWORLD\r";
    b.AddFile({"NOTE    TXT", std::vector<std::uint8_t>(text.begin(), text.end())});
    b.DamageSector({1, 0, 0});
    OpenDisk(b.Jv3());
    FilesLogic files(host, w);
    files.Form_Activate();
    std::optional<ContentsLogic> contents = files.ContentsOfRow(0);
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(contents->FileName(), "NOTE/TXT");
    EXPECT_EQ(contents->View(), contents::View::Text);
    EXPECT_EQ(contents->Text(), "HELLO\nWORLD\n");
    EXPECT_EQ(contents->Damage(),
              (std::vector<std::string>{"Sectors read with CRC errors: track 1 side 0 sector 0"}));
    EXPECT_FALSE(files.ContentsOfRow(1).has_value());

    const std::filesystem::path saved =
        std::filesystem::path(::testing::TempDir()) / ("note_" + std::to_string(::getpid()));
    EXPECT_EQ(contents->SaveText(saved), "");
    std::ifstream in(saved, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "HELLO\nWORLD\n");
    std::filesystem::remove(saved);
    EXPECT_NE(contents->SaveText(std::filesystem::path(::testing::TempDir())), "");

    OpenDisk(DosDiskBuilder(testimg::Trsdos23Geometry()).Jv1()); // another image
    EXPECT_FALSE(files.ContentsOfRow(0).has_value());
}

} // namespace
} // namespace ss
