// The disk model of hand-made JV1, JV3 and DMK images, field by field, and the
// DOS layer's reading of it by ID: every ID pointer and duplicate kept, the
// copy a drive of the disk's own geometry would read taken.
#include "dos/disk_sectors.h"
#include "image/disk.h"
#include "support/image_builder.h"
#include "window_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ss {
namespace {

using Bytes = std::vector<std::uint8_t>;
using disk::Sector;
using dos::SectorStatus;

constexpr CrcState kGood = CrcState::Good;
constexpr CrcState kBad = CrcState::Bad;
constexpr CrcState kNone = CrcState::NotRecorded;

// The model of `bytes` with the buffer it points into.
struct Read {
    explicit Read(Bytes bytes) : buf(std::move(bytes)), d(disk::ReadDisk(buf)) {}
    ImageBuffer buf;
    disk::Disk d;
};

Bytes Filled(std::size_t n, std::uint8_t b) {
    return Bytes(n, b);
}

// What a test says of one sector of the model.
struct Want {
    int cylinder, head, sector, sizeCode, dataSize;
    bool doubleDensity, doubled, directory, dataField, inFile;
    SectorCrc crc;
};

void ExpectSector(const Sector& s, const Want& w) {
    EXPECT_EQ(s.cylinder, w.cylinder);
    EXPECT_EQ(s.head, w.head);
    EXPECT_EQ(s.sector, w.sector);
    EXPECT_EQ(s.sizeCode, w.sizeCode);
    EXPECT_EQ(s.dataSize, w.dataSize);
    EXPECT_EQ(s.doubleDensity, w.doubleDensity);
    EXPECT_EQ(s.doubled, w.doubled);
    EXPECT_EQ(s.directoryMark, w.directory);
    EXPECT_EQ(s.dataField, w.dataField);
    EXPECT_EQ(s.dataInFile, w.inFile);
    EXPECT_EQ(s.crc, w.crc);
}

// A DMK track of every density and storage, two sides; the file ends inside
// the last sector's data.
TEST(DiskModel, DmkSectorsFieldByField) {
    using testimg::DmkSector;
    DmkSector dd{3, 0, 0};
    DmkSector ddBig{3, 0, 1};
    ddBig.sizeCode = 3;
    DmkSector sdTwice{3, 0, 2};
    sdTwice.doubleDensity = false;
    sdTwice.dam = 0xFA;
    DmkSector sdOnce{3, 0, 3};
    sdOnce.doubleDensity = false;
    sdOnce.sd = testimg::SdStorage::Once;
    sdOnce.sizeCode = 0;
    DmkSector badId{3, 0, 4};
    badId.idCrc = std::array<std::uint8_t, 2>{0, 0};
    DmkSector badData{3, 0, 5};
    badData.dam = 0xF8;
    badData.dataCrc = std::array<std::uint8_t, 2>{0, 0};
    DmkSector noMark{3, 0, 6};
    DmkSector side1{3, 1, 0};
    const testimg::DmkImage made =
        testimg::MakeDmk({{{dd, ddBig, sdTwice, sdOnce, badId, badData, noMark}}, {{side1}}});
    Bytes bytes = made.bytes;
    bytes[static_cast<std::size_t>(made.placed[0][6].damPos)] = 0x00; // no data mark
    bytes.resize(static_cast<std::size_t>(made.placed[1][0].dataPos + 100));
    bytes[0] = dmk::kWriteProtected;
    const Read r(bytes);
    const disk::Disk& d = r.d;

    EXPECT_EQ(d.layout, Layout::DMK);
    EXPECT_EQ(d.header.writeProtect, dmk::kWriteProtected);
    EXPECT_EQ(d.header.dmk.tracks, 1);
    EXPECT_EQ(d.header.dmk.trackLength, dmk::kTrackLengthDouble);
    EXPECT_EQ(d.header.dmkHeads, 2);
    EXPECT_EQ(d.header.dmkRecords, 2);
    ASSERT_EQ(d.tracks.size(), 2u);
    EXPECT_EQ(d.tracks[1].cylinder, 0);
    EXPECT_EQ(d.tracks[1].head, 1);
    EXPECT_EQ(d.tracks[1].pos, dmk::RecordStart(dmk::kTrackLengthDouble, 1));
    EXPECT_EQ(d.tracks[1].length, r.buf.Size() - d.tracks[1].pos);
    ASSERT_EQ(d.diagnostics.size(), 1u);
    EXPECT_EQ(d.diagnostics[0].text, "track record 1 is cut off by the end of the file");

    const std::vector<Want> want = {
        {3, 0, 0, 1, 256, true, false, false, true, true, {kGood, kGood}},
        {3, 0, 1, 3, 1024, true, false, false, true, true, {kGood, kGood}},
        {3, 0, 2, 1, 256, false, true, true, true, true, {kGood, kGood}},
        {3, 0, 3, 0, 128, false, false, false, true, true, {kGood, kGood}},
        {3, 0, 4, 1, 256, true, false, false, true, true, {kBad, kGood}},
        {3, 0, 5, 1, 256, true, false, true, true, true, {kGood, kBad}},
        {3, 0, 6, 1, 256, true, false, false, false, true, {kGood, kNone}},
        // Cut off: its data CRC cannot be checked.
        {3, 1, 0, 1, 256, true, false, false, true, false, {kGood, kNone}},
    };
    std::size_t n = 0;
    for (std::size_t k = 0; k < 2; ++k) {
        for (std::size_t j = 0; j < d.tracks[k].sectors.size(); ++j, ++n) {
            SCOPED_TRACE("sector " + std::to_string(n));
            const Sector& s = d.tracks[k].sectors[j];
            ASSERT_LT(n, want.size());
            ExpectSector(s, want[n]);
            const testimg::DmkPlaced& at = made.placed[k][j];
            EXPECT_EQ(s.entry, static_cast<int>(j));
            EXPECT_EQ(s.idPos, at.idPos);
            EXPECT_TRUE(s.idInRecord);
            EXPECT_EQ(s.idMarkTwice, s.doubled);
            if (s.dataField) {
                EXPECT_EQ(s.dataMarkPos, at.damPos);
                EXPECT_EQ(s.dataMark, bytes[static_cast<std::size_t>(at.damPos)]);
                EXPECT_EQ(s.dataPos, at.dataPos);
            } else {
                // The window's last byte stands as the mark, the data follow it.
                EXPECT_EQ(s.dataMarkPos, -1);
                EXPECT_EQ(s.dataMark, bytes[static_cast<std::size_t>(s.idPos + 50)]);
                EXPECT_EQ(s.dataPos, s.idPos + 52);
            }
        }
    }
    EXPECT_EQ(n, want.size());
    EXPECT_EQ(disk::SectorData(r.buf, d.tracks[0].sectors[2]), testimg::PatternData(3, 0, 2));
    EXPECT_EQ(disk::SectorData(r.buf, d.tracks[0].sectors[3]), testimg::PatternData(3, 0, 3, 128));
    EXPECT_TRUE(disk::SectorData(r.buf, d.tracks[1].sectors[0]).empty());
}

// Pointers that name no place on their track: one into the pointer table,
// one past the end of the file. Diagnostics stop being listed after 64.
TEST(DiskModel, DmkPointersOutsideTheRecordOrFile) {
    testimg::DmkImage made =
        testimg::MakeDmk(testimg::DmkStandardTracks(1, 1, 3, true), testimg::OneSide());
    Bytes bytes = made.bytes;
    const std::size_t table = dmk::kHeaderSize;
    bytes[table + 2] = 0x05; // pointer 1: offset 5, density bit set
    bytes[table + 3] = 0x80;
    bytes[table + 4] = 0xFF; // pointer 2: offset 0x7FFF, past the end of the file
    bytes[table + 5] = 0xFF;
    const Read r(bytes);
    const std::vector<Sector>& s = r.d.tracks.at(0).sectors;
    ASSERT_EQ(s.size(), 2u);
    EXPECT_TRUE(s[0].idInRecord);
    EXPECT_FALSE(s[1].idInRecord);
    EXPECT_EQ(s[1].idPos, dmk::kHeaderSize + 5);
    std::vector<std::string> texts;
    for (const disk::Diagnostic& g : r.d.diagnostics) {
        texts.push_back(g.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "track record 0: ID pointer 1 points outside its record",
                         "track record 0: ID pointer 2 points past the end of the file"}));
    // The DOS layer takes no sector from a place outside the track.
    EXPECT_EQ(dos::DiskSectors(r.d, r.buf).Track(0, 0)->sectors, 1);

    // 100 records, each pointing into its own pointer table.
    std::vector<testimg::DmkTrack> records = testimg::DmkStandardTracks(100, 1, 1, true);
    Bytes many = testimg::MakeDmk(records, testimg::OneSide()).bytes;
    for (int k = 0; k < 100; ++k) {
        many[static_cast<std::size_t>(dmk::RecordStart(dmk::kTrackLengthDouble, k))] = 0x05;
    }
    const Read m(many);
    EXPECT_EQ(m.d.diagnostics.size(), disk::Disk::kListedDiagnostics);
    EXPECT_EQ(m.d.unlistedDiagnostics, 100 - static_cast<int>(disk::Disk::kListedDiagnostics));
}

// JV3: the entries of one track gathered from wherever they stand, free
// entries passed over (their data blocks still counted), the CRC flag, a
// file that ends inside the last block.
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
    EXPECT_EQ(d.header.jv3Tables, 1);
    EXPECT_EQ(d.header.jv3UsedEntries, 7);
    EXPECT_EQ(d.header.jv3FreeEntries, jv3::kEntries - 7);
    ASSERT_EQ(d.tracks.size(), 3u);
    struct Place {
        int cylinder, head;
        std::vector<int> entries;
    };
    const std::vector<Place> places = {{0, 0, {0, 2, 3, 6}}, {0, 1, {1}}, {1, 0, {5, 7}}};
    for (std::size_t k = 0; k < places.size(); ++k) {
        const disk::Track& t = d.tracks[k];
        EXPECT_EQ(t.cylinder, places[k].cylinder);
        EXPECT_EQ(t.head, places[k].head);
        EXPECT_EQ(t.pos, -1);
        std::vector<int> got;
        for (const Sector& s : t.sectors) {
            got.push_back(s.entry);
            EXPECT_EQ(s.idPos, jv3::EntryOffset(s.entry));
        }
        EXPECT_EQ(got, places[k].entries);
    }
    // Blocks of 256 bytes, the free entry's of 512, the last of 128.
    struct Case {
        const Sector* s;
        std::int64_t dataPos;
        Want want;
    };
    const std::vector<Case> cases = {
        {&d.tracks[0].sectors[0],
         8704,
         {0, 0, 0, 1, 256, false, false, false, true, true, {kNone, kGood}}},
        {&d.tracks[1].sectors[0],
         8704 + 256,
         {0, 1, 1, 1, 256, false, false, false, true, true, {kNone, kGood}}},
        {&d.tracks[0].sectors[1],
         8704 + 512,
         {0, 0, 2, 1, 256, false, false, false, true, true, {kNone, kBad}}},
        {&d.tracks[2].sectors[0],
         8704 + 1536,
         {1, 0, 0, 1, 256, true, false, true, true, true, {kNone, kGood}}},
        {&d.tracks[0].sectors[3],
         8704 + 1792,
         {0, 0, 4, 1, 256, false, false, false, true, true, {kNone, kGood}}},
        {&d.tracks[2].sectors[1],
         8704 + 2048,
         {1, 0, 1, 0, 128, true, false, false, true, false, {kNone, kGood}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("entry " + std::to_string(c.s->entry));
        ExpectSector(*c.s, c.want);
        EXPECT_EQ(c.s->dataPos, c.dataPos);
        EXPECT_EQ(c.s->dataMarkPos, -1);
        EXPECT_EQ(c.s->dataMark, c.want.directory ? jv3::kFlagDirectoryMark : 0);
    }
    EXPECT_EQ(disk::SectorData(r.buf, d.tracks[0].sectors[3]), testimg::PatternData(0, 0, 4));
    ASSERT_EQ(d.diagnostics.size(), 1u);
    EXPECT_EQ(d.diagnostics[0].text, "the file ends inside the data of track 1 side 0 sector 1");
}

// More entries than one table holds: the second table's entries follow the
// first one's data.
TEST(DiskModel, Jv3SecondTable) {
    std::vector<testimg::Jv3Entry> entries;
    for (int n = 0; n < jv3::kEntries + 2; ++n) {
        entries.push_back({n / 18, n % 18});
    }
    const Read r(testimg::MakeJv3(entries));
    EXPECT_EQ(r.d.header.jv3Tables, 2);
    EXPECT_EQ(r.d.header.jv3UsedEntries, jv3::kEntries + 2);
    const Sector& last = r.d.tracks.back().sectors.back();
    const std::int64_t table2 = jv3::kHeaderSize + jv3::kEntries * 256LL;
    EXPECT_EQ(last.entry, jv3::kEntries + 1);
    EXPECT_EQ(last.idPos, table2 + jv3::EntryOffset(1));
    EXPECT_EQ(last.dataPos, table2 + jv3::kHeaderSize + 256);
    EXPECT_EQ(disk::SectorData(r.buf, last), testimg::PatternData(last.cylinder, 0, last.sector));
}

// JV1: ten sectors a track as far as the file goes, the directory track's
// marked, a sector the file ends inside not in the file.
TEST(DiskModel, Jv1TracksOfTheFile) {
    Bytes bytes = testimg::PatternJv1(18);
    bytes.resize(bytes.size() - 2 * 256 - 100);
    const Read r(bytes);
    const disk::Disk& d = r.d;
    EXPECT_EQ(d.layout, Layout::JV1);
    ASSERT_EQ(d.tracks.size(), 18u);
    EXPECT_EQ(d.tracks[17].sectors.size(), 8u);
    EXPECT_EQ(d.tracks[17].length, 7 * 256 + 156);
    const Sector& s = d.tracks[16].sectors[9];
    ExpectSector(s, {16, 0, 9, 1, 256, false, false, false, true, true, {kNone, kNone}});
    EXPECT_EQ(s.dataPos, 169 * 256);
    EXPECT_EQ(s.entry, 169);
    EXPECT_EQ(s.idPos, -1);
    EXPECT_TRUE(d.tracks[17].sectors[0].directoryMark);
    EXPECT_FALSE(d.tracks[17].sectors[7].dataInFile);
    EXPECT_TRUE(d.tracks[17].sectors[6].dataInFile);
    EXPECT_EQ(d.diagnostics.size(), 1u);
}

// A file of no layout is no disk.
TEST(DiskModel, NoLayoutNoTracks) {
    const Read r(Bytes{1, 2, 3, 4, 5});
    EXPECT_EQ(r.d.layout, Layout::Unknown);
    EXPECT_TRUE(r.d.tracks.empty());
}

// A sector a DOS asks for, by ID, among copies the image keeps.
struct CopyCase {
    const char* what;
    Bytes image;
    dos::SectorAddress at;
    SectorStatus status;
    Bytes bytes; // empty: none
};

void ExpectCopies(const std::vector<CopyCase>& cases) {
    for (const CopyCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Read r(c.image);
        const dos::DiskSectors src(r.d, r.buf);
        const dos::SectorRead got = src.Read(c.at.track, c.at.side, c.at.sector);
        EXPECT_EQ(got.status, c.status);
        EXPECT_EQ(got.bytes, c.bytes);
    }
}

testimg::DmkSector Dd(int track, int sector, std::uint8_t fill) {
    testimg::DmkSector s{track, 0, sector};
    s.data = Filled(256, fill);
    return s;
}
testimg::DmkSector BadData(testimg::DmkSector s) {
    s.dataCrc = std::array<std::uint8_t, 2>{0, 0};
    return s;
}
testimg::DmkSector BadId(testimg::DmkSector s) {
    s.idCrc = std::array<std::uint8_t, 2>{0, 0};
    return s;
}

// Copies of one ID on one track: a good one before one with a CRC error,
// the first of two good or two bad ones, one with a CRC error before one
// without data.
TEST(DiskSectors, DuplicatesNeverHideAReadableSector) {
    const auto one = [](std::vector<testimg::DmkSector> s) {
        return testimg::MakeDmk({{std::move(s)}}, testimg::OneSide()).bytes;
    };
    // The first copy without a data mark.
    testimg::DmkImage noData =
        testimg::MakeDmk({{{Dd(0, 1, 0x11), BadData(Dd(0, 1, 0x22))}}}, testimg::OneSide());
    noData.bytes[static_cast<std::size_t>(noData.placed[0][0].damPos)] = 0x00;
    ExpectCopies({
        {"bad, then good",
         one({BadData(Dd(0, 1, 0x11)), Dd(0, 1, 0x22)}),
         {0, 0, 1},
         SectorStatus::Good,
         Filled(256, 0x22)},
        {"good, then bad ID",
         one({Dd(0, 1, 0x11), BadId(Dd(0, 1, 0x22))}),
         {0, 0, 1},
         SectorStatus::Good,
         Filled(256, 0x11)},
        {"good, then good",
         one({Dd(0, 1, 0x11), Dd(0, 1, 0x22)}),
         {0, 0, 1},
         SectorStatus::Good,
         Filled(256, 0x11)},
        {"bad ID, then bad data",
         one({BadId(Dd(0, 1, 0x11)), BadData(Dd(0, 1, 0x22))}),
         {0, 0, 1},
         SectorStatus::CrcError,
         Filled(256, 0x11)},
        {"no data, then bad", noData.bytes, {0, 0, 1}, SectorStatus::CrcError, Filled(256, 0x22)},
    });
}

// A 40-track disk read in an 80-track drive: its tracks on the even
// cylinders, the odd ones holding stale tracks of an older 80-track format.
// The DOS reads each track from cylinder 2t, never a stale copy; a disk read
// track by track prefers cylinder t when another one carries the same IDs
// (a step that went too far), and takes that copy when t's has no data.
TEST(DiskSectors, TheCylinderTheDisksOwnDriveReads) {
    std::vector<testimg::DmkTrack> stepped;
    for (int c = 0; c < 8; ++c) {
        const bool even = c % 2 == 0;
        const int id = even ? c / 2 : c;
        stepped.push_back({{Dd(id, 0, static_cast<std::uint8_t>(even ? 0xE0 + id : 0x50 + id)),
                            Dd(id, 1, static_cast<std::uint8_t>(even ? 0xE0 + id : 0x50 + id))}});
    }
    const Bytes doubleStepped = testimg::MakeDmk(stepped, testimg::OneSide()).bytes;
    {
        const Read r(doubleStepped);
        const dos::DiskSectors src(r.d, r.buf);
        EXPECT_TRUE(src.DoubleStepped());
        EXPECT_EQ(src.Cylinders(), 4);
    }

    std::vector<testimg::DmkTrack> misStepped = {
        {{Dd(0, 0, 0x00)}}, {{Dd(2, 0, 0x12)}}, {{Dd(2, 0, 0x22)}}, {{Dd(3, 0, 0x33)}}};
    const Bytes overstep = testimg::MakeDmk(misStepped, testimg::OneSide()).bytes;
    misStepped[2].sectors[0].idCrc = std::array<std::uint8_t, 2>{0, 0};
    testimg::DmkImage lost = testimg::MakeDmk(misStepped, testimg::OneSide());
    lost.bytes[static_cast<std::size_t>(lost.placed[2][0].damPos)] = 0x00;

    ExpectCopies({
        {"double-stepped, track 1",
         doubleStepped,
         {1, 0, 1},
         SectorStatus::Good,
         Filled(256, 0xE1)},
        {"double-stepped, track 3",
         doubleStepped,
         {3, 0, 0},
         SectorStatus::Good,
         Filled(256, 0xE3)},
        {"double-stepped, a stale track", doubleStepped, {5, 0, 0}, SectorStatus::Missing, {}},
        {"cylinder t before another", overstep, {2, 0, 0}, SectorStatus::Good, Filled(256, 0x22)},
        {"cylinder t without data", lost.bytes, {2, 0, 0}, SectorStatus::Good, Filled(256, 0x12)},
    });
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
    testimg::DmkSector again{0, 0, 2};
    again.data = Filled(256, 0x77);
    sectors.push_back(again);
    // A longer track than the known ones, so that 40 sectors of 256 bytes fit.
    const Bytes bytes = testimg::MakeDmk({{sectors}}, testimg::OneSide(dmk::kTrackLengthMax)).bytes;

    const Read r(bytes);
    ASSERT_EQ(r.d.tracks.size(), 1u);
    const std::vector<Sector>& model = r.d.tracks[0].sectors;
    ASSERT_EQ(model.size(), 40u);
    EXPECT_EQ(model[39].entry, 39);
    EXPECT_EQ(model[2].sector, 2);
    EXPECT_EQ(model[39].sector, 2);
    EXPECT_EQ(model[2].crc.data, kBad);

    const dos::DiskSectors src(r.d, r.buf);
    EXPECT_EQ(src.Track(0, 0)->sectors, 39);
    const dos::SectorRead dup = src.Read(0, 0, 2);
    EXPECT_EQ(dup.status, SectorStatus::Good);
    EXPECT_EQ(dup.bytes, Filled(256, 0x77));
    EXPECT_EQ(src.Read(0, 0, 38).bytes, testimg::PatternData(0, 0, 38));
    EXPECT_EQ(src.Find({0, 0, 2}), &model[39]);

    Open(bytes);
    ASSERT_TRUE(w.HasImage());
    EXPECT_EQ(w.DiskModel().SectorCount(), 40u);
    EXPECT_EQ(w.img.secslots, 31);
    EXPECT_EQ(w.Combo1.Items, (std::vector<std::string>{" 0"}));
    EXPECT_EQ(w.List2.Items, (std::vector<std::string>{"1 sector with a data CRC error"}));
    std::vector<std::string> numbers;
    for (std::int64_t i = 0; i < w.img.secslots; ++i) {
        Show(i);
        numbers.push_back(w.Txtsector.Text);
    }
    EXPECT_EQ(numbers.back(), "30");
    Show(2);
    EXPECT_EQ(w.Txtcrc.Text, "ID ok  Data BAD");
    EXPECT_EQ(w.DumpedBytes(), testimg::PatternData(0, 0, 2));
    // A sector past the 31st pointer has no index in the main window.
    EXPECT_FALSE(w.ShowSectorAt({0, 0, 35}));
    EXPECT_TRUE(w.ShowSectorAt({0, 0, 30}));
    EXPECT_EQ(w.img.PresSecnum, 30);
}

} // namespace
} // namespace ss
