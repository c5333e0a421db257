// The disk model of hand-made JV1, JV3 and DMK images, field by field, and the
// DOS layer's reading of it by ID: every ID pointer and duplicate kept, the
// copy a drive of the disk's own geometry would read taken.
#include "dos/disk_sectors.h"
#include "image/disk.h"
#include "support/image_builder.h"
#include "window_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace ss {
namespace {

using Bytes = std::vector<std::uint8_t>;
using disk::Sector;
using dos::SectorStatus;

// The model of `bytes` with the buffer it points into.
struct Read {
    explicit Read(Bytes bytes) : buf(std::move(bytes)), d(disk::ReadDisk(buf)) {}
    ImageBuffer buf;
    disk::Disk d;
};

const char* Word(CrcState c) {
    return c == CrcState::Good ? "ok" : c == CrcState::Bad ? "BAD" : "--";
}

// A sector of the model in one line: ID, size code and size, density and
// storage, mark, data, CRC states.
std::string Describe(const Sector& s) {
    std::string t = std::to_string(s.cylinder) + "/" + std::to_string(s.head) + "/" +
                    std::to_string(s.sector) + " n" + std::to_string(s.sizeCode) + " " +
                    std::to_string(s.dataSize) + (s.doubleDensity ? " DD" : " SD");
    t += std::string(s.doubled ? " doubled" : "") + (s.directoryMark ? " dir" : "") +
         (s.dataField ? "" : " no-data") + (s.dataInFile ? "" : " cut");
    return t + " id:" + Word(s.crc.id) + " data:" + Word(s.crc.data);
}

// Every track as "cylinder/head: entries", and every sector described, in
// the model's order.
std::vector<std::string> DescribeAll(const disk::Disk& d) {
    std::vector<std::string> out;
    for (const disk::Track& t : d.tracks) {
        std::string line = std::to_string(t.cylinder) + "/" + std::to_string(t.head) + ":";
        for (const Sector& s : t.sectors) {
            line += " " + std::to_string(s.entry);
        }
        out.push_back(line);
        for (const Sector& s : t.sectors) {
            out.push_back(Describe(s));
        }
    }
    return out;
}

// A DMK image of every density and storage on two sides; a pointer into the
// next record; the file ends inside the last sector's data.
TEST(DiskModel, DmkSectorsFieldByField) {
    using testimg::DmkSector;
    std::vector<DmkSector> side0(8, DmkSector{3, 0, 0});
    for (int k = 0; k < 8; ++k) {
        side0[static_cast<std::size_t>(k)].sector = k;
    }
    side0[1].sizeCode = 3;
    side0[2].doubleDensity = false;
    side0[2].dam = 0xFA;
    side0[3].doubleDensity = false;
    side0[3].sd = testimg::SdStorage::Once;
    side0[3].sizeCode = 0;
    side0[4].idCrc = std::array<std::uint8_t, 2>{0, 0};
    side0[5].dam = 0xF8;
    side0[5].dataCrc = std::array<std::uint8_t, 2>{0, 0};
    const testimg::DmkImage made = testimg::MakeDmk({{side0}, {{DmkSector{3, 1, 0}}}});
    Bytes bytes = made.bytes;
    bytes[static_cast<std::size_t>(made.placed[0][6].damPos)] = 0x00; // no data mark
    bytes.resize(static_cast<std::size_t>(made.placed[1][0].dataPos + 100));
    bytes[0] = dmk::kWriteProtected;
    // Pointer 7 to the ID field of the next record.
    const auto next = static_cast<unsigned>(made.placed[1][0].idPos - dmk::kHeaderSize);
    bytes[dmk::kHeaderSize + 14] = static_cast<std::uint8_t>(next & 0xFF);
    bytes[dmk::kHeaderSize + 15] = static_cast<std::uint8_t>(next >> 8 | 0x80);
    const Read r(bytes);
    const disk::Disk& d = r.d;

    EXPECT_EQ(d.layout, Layout::DMK);
    EXPECT_EQ(d.header.writeProtect, dmk::kWriteProtected);
    EXPECT_EQ(d.header.dmkHeads, 2);
    EXPECT_EQ(d.header.dmkRecords, 2);
    EXPECT_EQ(DescribeAll(d), (std::vector<std::string>{
                                  "0/0: 0 1 2 3 4 5 6 7",
                                  "3/0/0 n1 256 DD id:ok data:ok",
                                  "3/0/1 n3 1024 DD id:ok data:ok",
                                  "3/0/2 n1 256 SD doubled dir id:ok data:ok",
                                  "3/0/3 n0 128 SD id:ok data:ok",
                                  "3/0/4 n1 256 DD id:BAD data:ok",
                                  "3/0/5 n1 256 DD dir id:ok data:BAD",
                                  "3/0/6 n1 256 DD no-data id:ok data:--",
                                  "3/1/0 n1 256 DD cut id:ok data:--",
                                  "0/1: 0",
                                  "3/1/0 n1 256 DD cut id:ok data:--",
                              }));
    EXPECT_EQ(d.tracks[1].pos, dmk::RecordStart(dmk::kTrackLengthDouble, 1));
    EXPECT_EQ(d.tracks[1].length, r.buf.Size() - d.tracks[1].pos);
    ASSERT_EQ(d.diagnostics.size(), 2u);
    EXPECT_EQ(d.diagnostics[0].text, "track record 0: ID pointer 7 points outside its record");
    EXPECT_EQ(d.diagnostics[1].text, "track record 1 is cut off by the end of the file");
    EXPECT_FALSE(d.tracks[0].sectors[7].idInRecord);
    for (std::size_t j = 0; j < 7; ++j) {
        SCOPED_TRACE(j);
        const Sector& s = d.tracks[0].sectors[j];
        const testimg::DmkPlaced& at = made.placed[0][j];
        EXPECT_EQ(s.idPos, at.idPos);
        EXPECT_TRUE(s.idInRecord);
        EXPECT_EQ(s.idMarkTwice, s.doubled);
        // Without a mark the window's last byte stands as one, the data after it.
        EXPECT_EQ(s.dataMarkPos, s.dataField ? at.damPos : -1);
        EXPECT_EQ(s.dataMark, r.buf.At(s.dataField ? at.damPos : s.idPos + 50));
        EXPECT_EQ(s.dataPos, s.dataField ? at.dataPos : s.idPos + 52);
    }
    EXPECT_EQ(disk::SectorData(r.buf, d.tracks[0].sectors[2]), testimg::PatternData(3, 0, 2));
    EXPECT_EQ(disk::SectorData(r.buf, d.tracks[0].sectors[3]), testimg::PatternData(3, 0, 3, 128));
    EXPECT_TRUE(disk::SectorData(r.buf, d.tracks[1].sectors[0]).empty());
    // The DOS layer takes no sector from a place outside its track.
    EXPECT_EQ(dos::DiskSectors(d, r.buf).Find({3, 1, 0}), &d.tracks[1].sectors[0]);
}

// Damage on every track of a large image: the first diagnostics are listed,
// the rest counted.
TEST(DiskModel, DiagnosticsListedUpToALimit) {
    Bytes bytes =
        testimg::MakeDmk(testimg::DmkStandardTracks(100, 1, 1, true), testimg::OneSide()).bytes;
    for (int k = 0; k < 100; ++k) {
        bytes[static_cast<std::size_t>(dmk::RecordStart(dmk::kTrackLengthDouble, k) + 2)] = 0xFF;
        bytes[static_cast<std::size_t>(dmk::RecordStart(dmk::kTrackLengthDouble, k) + 3)] = 0x7F;
    }
    const Read r(bytes);
    EXPECT_EQ(r.d.diagnostics.size(), disk::Disk::kListedDiagnostics);
    EXPECT_EQ(r.d.unlistedDiagnostics, 100 - static_cast<int>(disk::Disk::kListedDiagnostics));
    EXPECT_EQ(r.d.diagnostics[0].text, "track record 0: ID pointer 1 points outside its record");
}

// JV3: the entries of one track gathered from wherever they stand, free
// entries passed over (their data blocks counted), the CRC flag, a file that
// ends inside the last block; a second table after the first one's data.
TEST(DiskModel, Jv3EntriesGatheredByTrack) {
    using testimg::Jv3Entry;
    std::vector<Jv3Entry> entries = {
        {0, 0},
        {0, 1, false, true},
        {0, 2},
        {0, 3},
        testimg::Jv3FreeEntry(512),
        {1, 0, true, false, true},
        {0, 4},
        {1, 1, true},
    };
    entries[2].crcError = true;
    entries[7].size = 128;
    Bytes bytes = testimg::MakeJv3(entries);
    bytes.resize(bytes.size() - 10);
    const Read r(bytes);
    const disk::Disk& d = r.d;
    EXPECT_EQ(d.layout, Layout::JV3);
    EXPECT_EQ(d.header.writeProtect, 0xFF);
    EXPECT_EQ(d.header.jv3UsedEntries, 7);
    EXPECT_EQ(d.header.jv3FreeEntries, jv3::kEntries - 7);
    EXPECT_EQ(DescribeAll(d), (std::vector<std::string>{
                                  "0/0: 0 2 3 6",
                                  "0/0/0 n1 256 SD id:-- data:ok",
                                  "0/0/2 n1 256 SD id:-- data:BAD",
                                  "0/0/3 n1 256 SD id:-- data:ok",
                                  "0/0/4 n1 256 SD id:-- data:ok",
                                  "0/1: 1",
                                  "0/1/1 n1 256 SD id:-- data:ok",
                                  "1/0: 5 7",
                                  "1/0/0 n1 256 DD dir id:-- data:ok",
                                  "1/0/1 n0 128 DD cut id:-- data:--",
                              }));
    // Blocks of 256 bytes but for the free entry's 512.
    const Sector& afterFree = d.tracks[2].sectors[0];
    EXPECT_EQ(afterFree.dataPos, jv3::kHeaderSize + 4 * 256 + 512);
    EXPECT_EQ(afterFree.idPos, jv3::EntryOffset(5));
    EXPECT_EQ(afterFree.dataMark, 0xF8); // the directory mark of a double-density sector
    EXPECT_EQ(disk::SectorData(r.buf, d.tracks[0].sectors[3]), testimg::PatternData(0, 0, 4));
    EXPECT_EQ(d.diagnostics.size(), 1u);

    std::vector<Jv3Entry> two;
    for (int n = 0; n < jv3::kEntries + 2; ++n) {
        two.push_back({n / 18, n % 18});
    }
    const Read r2(testimg::MakeJv3(two));
    EXPECT_EQ(r2.d.header.jv3Tables, 2);
    const Sector& last = r2.d.tracks.back().sectors.back();
    const std::int64_t table2 = jv3::kHeaderSize + jv3::kEntries * 256LL;
    EXPECT_EQ(last.entry, jv3::kEntries + 1);
    EXPECT_EQ(last.idPos, table2 + jv3::EntryOffset(1));
    EXPECT_EQ(disk::SectorData(r2.buf, last), testimg::PatternData(last.cylinder, 0, last.sector));
}

// JV1: ten sectors a track as far as the file goes, the directory track's
// marked; a file of no layout is no disk.
TEST(DiskModel, Jv1TracksOfTheFile) {
    Bytes bytes = testimg::PatternJv1(18);
    bytes.resize(bytes.size() - 2 * 256 - 100);
    const Read r(bytes);
    EXPECT_EQ(r.d.layout, Layout::JV1);
    ASSERT_EQ(r.d.tracks.size(), 18u);
    const std::vector<Sector>& last = r.d.tracks[17].sectors;
    ASSERT_EQ(last.size(), 8u);
    EXPECT_EQ(r.d.tracks[17].length, 7 * 256 + 156);
    EXPECT_EQ(Describe(last[6]), "17/0/6 n1 256 SD dir id:-- data:--");
    EXPECT_EQ(Describe(last[7]), "17/0/7 n1 256 SD dir cut id:-- data:--");
    EXPECT_EQ(Describe(r.d.tracks[16].sectors[9]), "16/0/9 n1 256 SD id:-- data:--");
    EXPECT_EQ(last[6].dataPos, 176 * 256);
    EXPECT_EQ(last[6].entry, 176);
    EXPECT_TRUE(disk::ReadDisk(ImageBuffer(Bytes{1, 2, 3, 4, 5})).tracks.empty());
}

// Read to the tracks only, each layout gives the tracks and the header of
// the whole read, without sectors or what is said of them.
TEST(DiskModel, ReadToTheTracksOnly) {
    Bytes dmkBytes = testimg::MakeDmk(testimg::DmkStandardTracks(3, 2, 8, true)).bytes;
    dmkBytes.resize(dmkBytes.size() - 1000); // the last record cut off
    Bytes jv1Bytes = testimg::PatternJv1(4);
    jv1Bytes.resize(jv1Bytes.size() - 300);
    const std::vector<testimg::Jv3Entry> entries = {{0, 0}, {0, 1}, {0, 2},
                                                    {0, 3}, {2, 0}, {1, 0, true, true}};
    Bytes jv3Bytes = testimg::MakeJv3(entries);
    jv3Bytes.resize(jv3Bytes.size() - 10);
    struct Case {
        Bytes bytes;
        std::size_t tracks;
        std::vector<std::string> diagnostics; // of the tracks-only read
    };
    const Case cases[] = {
        {dmkBytes, 6, {"track record 5 is cut off by the end of the file"}},
        {jv1Bytes, 4, {}},
        {jv3Bytes, 3, {}},
    };
    for (const Case& c : cases) {
        const ImageBuffer buf(c.bytes);
        const disk::Disk full = disk::ReadDisk(buf);
        const disk::Disk tracks = disk::ReadDisk(buf, disk::Depth::Tracks);
        EXPECT_GT(full.SectorCount(), 0u);
        EXPECT_EQ(tracks.SectorCount(), 0u);
        EXPECT_EQ(tracks.layout, full.layout);
        EXPECT_EQ(tracks.header.writeProtect, full.header.writeProtect);
        EXPECT_EQ(tracks.header.dmk.trackLength, full.header.dmk.trackLength);
        EXPECT_EQ(tracks.header.dmkRecords, full.header.dmkRecords);
        EXPECT_EQ(tracks.header.jv3UsedEntries, full.header.jv3UsedEntries);
        EXPECT_EQ(tracks.header.jv3FreeEntries, full.header.jv3FreeEntries);
        ASSERT_EQ(tracks.tracks.size(), c.tracks) << LayoutName(full.layout);
        ASSERT_EQ(full.tracks.size(), c.tracks);
        for (std::size_t k = 0; k < c.tracks; ++k) {
            const disk::Track& a = tracks.tracks[k];
            const disk::Track& b = full.tracks[k];
            EXPECT_EQ(std::vector<std::int64_t>({a.cylinder, a.head, a.pos, a.length}),
                      std::vector<std::int64_t>({b.cylinder, b.head, b.pos, b.length}))
                << LayoutName(full.layout) << " track " << k;
        }
        std::vector<std::string> said;
        for (const disk::Diagnostic& g : tracks.diagnostics) {
            said.push_back(g.text);
        }
        EXPECT_EQ(said, c.diagnostics) << LayoutName(full.layout);
    }
}

TEST(DiskModel, ShownReadStopsAtAJv3HeaderThatDescribesNoDisk) {
    // A disk's entries, and entries that all name one sector (as the bytes
    // of a sector read as entries may): the windows refuse the second.
    std::vector<testimg::Jv3Entry> disk;
    for (int t = 0; t < 4; ++t) {
        for (int s = 0; s < 10; ++s) {
            disk.push_back({t, s});
        }
    }
    const std::vector<testimg::Jv3Entry> oneSector(40, testimg::Jv3Entry{0, 0});
    for (const std::vector<testimg::Jv3Entry>* entries : {&std::as_const(disk), &oneSector}) {
        const ImageBuffer buf(testimg::MakeJv3(*entries));
        const disk::Disk full = disk::ReadDisk(buf);
        const disk::Disk shown = disk::ReadDisk(buf, disk::Depth::Shown);
        const bool plausible = entries == &disk;
        ASSERT_EQ(full.header.jv3Plausible, plausible);
        EXPECT_EQ(shown.header.jv3Plausible, plausible);
        EXPECT_EQ(shown.header.jv3HeaderTest, full.header.jv3HeaderTest);
        EXPECT_EQ(shown.header.jv3UsedEntries, full.header.jv3UsedEntries);
        EXPECT_EQ(full.SectorCount(), 40u);
        EXPECT_EQ(shown.SectorCount(), plausible ? 40u : 0u);
        if (!plausible) {
            ASSERT_FALSE(shown.diagnostics.empty());
            EXPECT_EQ(shown.diagnostics.front().text, "the header entries do not describe a disk");
        }
    }
}

// One copy of a double-density sector on a one-sided DMK image: its ID,
// every data byte `fill`, and what is wrong with it.
enum Damage { kNoDamage, kBadId, kBadData, kNoMark };
struct Copy {
    int track, sector;
    std::uint8_t fill;
    Damage damage = kNoDamage;
};

Bytes ImageOf(const std::vector<std::vector<Copy>>& cylinders) {
    std::vector<testimg::DmkTrack> records;
    for (const std::vector<Copy>& cylinder : cylinders) {
        testimg::DmkTrack& t = records.emplace_back();
        for (const Copy& c : cylinder) {
            testimg::DmkSector& s =
                t.sectors.emplace_back(testimg::DmkSector{c.track, 0, c.sector});
            s.data = Bytes(256, c.fill);
            const std::array<std::uint8_t, 2> wrong = {0, 0};
            if (c.damage == kBadId) {
                s.idCrc = wrong;
            } else if (c.damage == kBadData) {
                s.dataCrc = wrong;
            }
        }
    }
    testimg::DmkImage made = testimg::MakeDmk(records, testimg::OneSide());
    for (std::size_t k = 0; k < cylinders.size(); ++k) {
        for (std::size_t j = 0; j < cylinders[k].size(); ++j) {
            if (cylinders[k][j].damage == kNoMark) {
                made.bytes[static_cast<std::size_t>(made.placed[k][j].damPos)] = 0x00;
            }
        }
    }
    return made.bytes;
}

// Which copy of a sector the DOS reads. On one track: a good one before one
// with a CRC error, the first of two alike, one with a CRC error before one
// without data. A 40-track disk read in an 80-track drive (its tracks on the
// even cylinders, stale ones of an older 80-track format on the odd): each
// track from cylinder 2t, never a stale one. A disk read track by track whose
// cylinder t-1 carries track t's IDs too (a step too far): cylinder t's copy,
// or the other when t's has no data.
TEST(DiskSectors, WhichCopyADosReads) {
    std::vector<std::vector<Copy>> stepped;
    for (int c = 0; c < 8; ++c) {
        const int id = c % 2 == 0 ? c / 2 : c;
        const auto fill = static_cast<std::uint8_t>((c % 2 == 0 ? 0xE0 : 0x50) + id);
        stepped.push_back({{id, 0, fill}, {id, 1, fill}});
    }
    const struct {
        const char* what;
        std::vector<std::vector<Copy>> image;
        dos::SectorAddress at;
        SectorStatus status;
        std::uint8_t fill; // of the copy read; 0: none
    } cases[] = {
        {"bad, good",
         {{{0, 1, 0x11, kBadData}, {0, 1, 0x22}}},
         {0, 0, 1},
         SectorStatus::Good,
         0x22},
        {"good, bad", {{{0, 1, 0x11}, {0, 1, 0x22, kBadId}}}, {0, 0, 1}, SectorStatus::Good, 0x11},
        {"good, good", {{{0, 1, 0x11}, {0, 1, 0x22}}}, {0, 0, 1}, SectorStatus::Good, 0x11},
        {"bad, bad",
         {{{0, 1, 0x11, kBadId}, {0, 1, 0x22, kBadData}}},
         {0, 0, 1},
         SectorStatus::CrcError,
         0x11},
        {"none, bad",
         {{{0, 1, 0x11, kNoMark}, {0, 1, 0x22, kBadData}}},
         {0, 0, 1},
         SectorStatus::CrcError,
         0x22},
        {"double-stepped", stepped, {1, 0, 1}, SectorStatus::Good, 0xE1},
        {"double-stepped, last", stepped, {3, 0, 0}, SectorStatus::Good, 0xE3},
        {"double-stepped, stale", stepped, {5, 0, 0}, SectorStatus::Missing, 0},
        {"cylinder t",
         {{{0, 0, 1}}, {{2, 0, 0x12}}, {{2, 0, 0x22}}},
         {2, 0, 0},
         SectorStatus::Good,
         0x22},
        {"cylinder t without data",
         {{{0, 0, 1}}, {{2, 0, 0x12}}, {{2, 0, 0x22, kNoMark}}},
         {2, 0, 0},
         SectorStatus::Good,
         0x12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Read r(ImageOf(c.image));
        const dos::DiskSectors src(r.d, r.buf);
        EXPECT_EQ(src.DoubleStepped(), c.image.size() == stepped.size());
        const dos::SectorRead got = src.Read(c.at.track, c.at.side, c.at.sector);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.bytes, Bytes(c.fill == 0 ? 0 : 256, c.fill));
    }
    const Read r(ImageOf(stepped));
    EXPECT_EQ(dos::DiskSectors(r.d, r.buf).Cylinders(), 4);
}

// A track of 40 ID pointers, two of them carrying one ID: the model keeps
// all 40 and both copies, the DOS reads past the 31st pointer and takes the
// readable copy, and the main window, which reads 31 pointers of a record,
// shows what it always showed.
class FortyPointers : public testwindow::WindowTest {};

TEST_F(FortyPointers, TheDosReadsEverySectorTheMainWindowShowsItsOwn) {
    std::vector<testimg::DmkSector> sectors;
    for (int s = 0; s < 39; ++s) {
        sectors.push_back({0, 0, s});
    }
    sectors[2].dataCrc = std::array<std::uint8_t, 2>{0, 0};
    sectors.push_back({0, 0, 2, true, testimg::SdStorage::Doubled, 0xFB, 1, Bytes(256, 0x77)});
    // A longer track than the known ones, so that 40 sectors of 256 bytes fit.
    const Bytes bytes = testimg::MakeDmk({{sectors}}, testimg::OneSide(dmk::kTrackLengthMax)).bytes;

    const Read r(bytes);
    const std::vector<Sector>& model = r.d.tracks.at(0).sectors;
    ASSERT_EQ(model.size(), 40u);
    EXPECT_EQ(Describe(model[2]), "0/0/2 n1 256 DD id:ok data:BAD");
    EXPECT_EQ(Describe(model[39]), "0/0/2 n1 256 DD id:ok data:ok");
    const dos::DiskSectors src(r.d, r.buf);
    EXPECT_EQ(src.Track(0, 0)->sectors, 39);
    EXPECT_EQ(src.Read(0, 0, 2).bytes, Bytes(256, 0x77));
    EXPECT_EQ(src.Read(0, 0, 38).bytes, testimg::PatternData(0, 0, 38));

    Open(bytes);
    ASSERT_TRUE(w.HasImage());
    EXPECT_EQ(w.DiskModel().SectorCount(), 40u);
    // Every pointer is a sector of the main window too: sector 2 written
    // twice takes indexes 2 and 3, the numbers after it one index on.
    EXPECT_EQ(w.Analysis().indexes, 40);
    EXPECT_EQ(w.Combo1.Items, (std::vector<std::string>{" 0"}));
    EXPECT_EQ(w.List2.Items, (std::vector<std::string>{"1 sector with a data CRC error",
                                                       "track 0 has two sectors numbered 2"}));
    Show(39);
    EXPECT_EQ(w.Txtsector.Text, "38");
    Show(2);
    EXPECT_EQ(w.Txtcrc.Text, "ID ok  Data BAD");
    EXPECT_EQ(w.DumpedBytes(), testimg::PatternData(0, 0, 2));
    Show(3);
    EXPECT_EQ(w.Txtsector.Text, "2");
    EXPECT_EQ(w.DumpedBytes(), Bytes(256, 0x77));
    EXPECT_TRUE(w.ShowSectorAt({0, 0, 35}));
    EXPECT_EQ(w.PresSecnum, 36);
}

} // namespace
} // namespace ss
