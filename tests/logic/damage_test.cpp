// Images as real disks leave them: sectors of every size, gaps, tracks
// formatted again, track lengths of other tools, and damaged fields, in the
// main window and the sector map.
#include "open_helpers.h"
#include "windows/sector_map/sector_map_logic.h"

#include <string>
#include <vector>

namespace ss::opentest {
namespace {

using namespace testimg;

using RealDisks = ViewerTest;

DmkSector Dd(int track, int sector, int sizeCode = 1) {
    DmkSector s;
    s.track = track;
    s.sector = sector;
    s.sizeCode = sizeCode;
    return s;
}

// The CRC state the main window should show for a field, worked out here
// bit by bit over the field as the controller reads it: the three A1 sync
// bytes first for double density, doubled bytes taken once.
std::string ExpectedCrc(const std::vector<std::uint8_t>& f, std::int64_t mark, int count, bool dd,
                        int stride) {
    std::vector<std::uint8_t> field;
    if (dd)
        field = {0xA1, 0xA1, 0xA1};
    for (int k = 0; k < 1 + count; ++k)
        field.push_back(f[static_cast<std::size_t>(mark + k * stride)]);
    const std::uint16_t crc = Crc16(field.data(), field.size());
    const std::uint8_t hi = f[static_cast<std::size_t>(mark + (1 + count) * stride)];
    const std::uint8_t lo = f[static_cast<std::size_t>(mark + (2 + count) * stride)];
    return crc == (hi << 8 | lo) ? "ok" : "BAD";
}

TEST_F(RealDisks, IndexesWithoutASectorAreShownMissing) {
    // Track 1 lacks sector 4; the header counts 6 tracks, the file holds 3.
    std::vector<DmkTrack> recs = DmkStandardTracks(3, 1, 10, true);
    recs[1].sectors.erase(recs[1].sectors.begin() + 4);
    const DmkImage img = MakeDmk(recs, OneSide(dmk::kTrackLengthDouble, 6));
    Open(img.bytes);
    EXPECT_EQ(w.List2.Items, (std::vector<std::string>{"track 1 has no sector 4"}));
    EXPECT_EQ(w.Analysis().totalSectors, 29);
    EXPECT_EQ(FindSector(w.Analysis(), 1, 0, 5), 15);
    EXPECT_EQ(FindSector(w.Analysis(), 1, 0, 4), -1);

    Show(13);
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 14);
    // The track, side and number the index stands for; no field of a sector's own.
    EXPECT_EQ(Fields(), (Shown{"1", "0", "4", "", "", "", "No Sector", ""}));
    EXPECT_EQ(w.Txtsecnum.Text, "14");
    EXPECT_TRUE(w.DumpedBytes().empty());
    ASSERT_NE(w.surface.TextAt(540, 2490), nullptr);
    EXPECT_EQ(w.surface.TextAt(540, 2490)->text, kMissingSectorNotice);
    EXPECT_EQ(w.surface.TextAt(1100, 2490), nullptr);
    // Nothing of the sector dumped before stays beside the blank area: not
    // its row labels, left of where the dump's bytes stand.
    for (int y = 2490; y < 5600; y += FixedMetrics::kLineHeight) {
        const TextItem* left = w.surface.TextAt(540, y);
        EXPECT_TRUE(left == nullptr || left->text == kMissingSectorNotice) << y;
    }
    // Nor does the notice stay under the next sector's dump.
    w.CmndNextsec_Click();
    ASSERT_NE(w.surface.TextAt(540, 2490), nullptr);
    EXPECT_EQ(w.surface.TextAt(540, 2490)->text, "  00");
    EXPECT_EQ(w.surface.TextsAt(2490).size(), 1u + 2 * 16);
    w.CmndPrevsec_Click();
    // The track steps count from the track the index stands for.
    w.CmndNexTrack_Click();
    EXPECT_EQ(Where(), "2/0/0");
    w.CmndNextsec_Click();
    EXPECT_EQ(Where(), "2/0/1");
    Show(14);
    w.CmndPrevTrk_Click();
    EXPECT_EQ(Where(), "0/0/0");

    // Neither a step nor Goto Track lands past the last track the file holds.
    Show(29);
    for (int k = 0; k < 3; ++k) {
        w.CmndNextsec_Click();
        w.CmndNexTrack_Click();
    }
    EXPECT_EQ(w.PresSecnum, 29);
    EXPECT_EQ(Where(), "2/0/9");
    ASSERT_EQ(w.Combo1.Items.size(), 6u);
    w.Combo1.Text = " 4";
    w.CmndGotoTrk_Click();
    EXPECT_EQ(w.PresSecnum, 29);
}

TEST_F(RealDisks, EverySectorAtItsSize) {
    // Size codes 0 to 3, and 6 taken modulo 4 (512 bytes).
    DmkTrack t;
    for (int code : {0, 1, 2, 3, 6})
        t.sectors.push_back(Dd(0, static_cast<int>(t.sectors.size()), code));
    const DmkImage img = MakeDmk({t}, OneSide());
    Open(img.bytes);
    const int sizes[] = {128, 256, 512, 1024, 512};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        Show(i);
        const std::size_t size = static_cast<std::size_t>(sizes[i]);
        EXPECT_EQ(Dumped(w.DumpedBytes().size()), PatternData(0, 0, i, size));
        // One row of 16 bytes for each 16 of the sector, the offsets in hex.
        const int lastRow = sizes[i] / 16;
        const int lastY = 2490 + (lastRow - 1) * FixedMetrics::kLineHeight;
        ASSERT_NE(w.surface.TextAt(6200, lastY), nullptr);
        EXPECT_EQ(w.surface.TextAt(540, lastY)->text, "  " + HexText(sizes[i] - 16));
        EXPECT_EQ(w.surface.TextAt(6200, lastY + FixedMetrics::kLineHeight), nullptr);
    }
    // The dump area is cleared down to the longest dump drawn so far.
    EXPECT_EQ(w.DumpBottom(), 5600 + 48 * FixedMetrics::kLineHeight);

    // JV3: sizes from the flags, later sectors where the real sizes put them.
    std::vector<Jv3Entry> e(4);
    for (int s = 0; s < 4; ++s)
        e[static_cast<std::size_t>(s)].sector = s;
    e[1].size = 1024;
    e[2].size = 128;
    Open(MakeJv3(e));
    const std::int64_t pos[] = {8704, 8704 + 256, 8704 + 1280, 8704 + 1408};
    for (int s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        const std::size_t size = static_cast<std::size_t>(e[static_cast<std::size_t>(s)].size);
        Check(s, {"0", "0", Dec(s), "4", "S/D  ", "FB", "Data Sec.", HexText(pos[s])},
              PatternData(0, 0, s, size));
        EXPECT_EQ(w.DumpedBytes().size(), size);
    }
}

TEST_F(RealDisks, DmkTrackLengthsOfOtherTools) {
    struct Case {
        int length;
        bool dd;
        const char* density;
    };
    for (const Case& c :
         {Case{0x18EC, true, " Double/Density"}, Case{0x2940, true, " Double/Density"},
          Case{0x1800, false, " Single/Density"}}) {
        SCOPED_TRACE(c.length);
        std::vector<DmkTrack> recs = DmkStandardTracks(3, 1, c.dd ? 18 : 10, c.dd);
        recs[1].sectors[2].dam = 0xF8;
        const DmkImage img = MakeDmk(recs, OneSide(c.length));
        Open(img.bytes);
        ASSERT_TRUE(w.HasImage());
        EXPECT_EQ(w.Txtfiletype.Text, "DMK");
        EXPECT_EQ(w.Text2.Text, c.density);
        const int spt = c.dd ? 18 : 10;
        Check(spt + 2,
              {"1", "0", "2", Dec(spt), c.dd ? "D/D  " : "S/D  ", "F8", "Dir Sec.",
               HexText(img.placed[1][2].dataPos)},
              PatternData(1, 0, 2));

        SectorMapLogic map{host, metrics};
        map.MnuOpen(TempFile(img.bytes));
        EXPECT_EQ(map.Text1.Text, "DMK");
        const TextItem* dir =
            map.surface.TextAt(maplayout::kDmkFirstColumn + 2 * maplayout::kColumnPitch,
                               9 * FixedMetrics::kLineHeight + 2 * 180);
        ASSERT_NE(dir, nullptr);
        EXPECT_EQ(dir->colour, c.dd ? mapcolour::DmkDoubleDir : mapcolour::SingleDir);
    }

    // A track record of mixed densities: dual density, each by its pointer.
    DmkTrack mixed;
    mixed.sectors = {Dd(0, 0), Dd(0, 1)};
    mixed.sectors[1].doubleDensity = false;
    Open(MakeDmk({mixed}, OneSide(0x2000)).bytes);
    EXPECT_EQ(w.Text2.Text, " Dual/Density");
    Show(1);
    EXPECT_EQ(w.TxtDens.Text, "S/D  ");

    // Neither a JV3 image whose first track is 1 nor a few stray bytes read as DMK.
    std::vector<Jv3Entry> e(4);
    for (Jv3Entry& x : e)
        x.track = 1;
    EXPECT_EQ(RecogniseLayout(ImageBuffer(MakeJv3(e))), Layout::JV3);
    std::vector<std::uint8_t> stray(300, 0);
    stray[3] = 0x01;
    EXPECT_EQ(RecogniseLayout(ImageBuffer(stray)), Layout::Unknown);
}

TEST_F(RealDisks, Jv3TracksFormattedAgainAndASecondTable) {
    // Track 1 was formatted again: its old entries are free (their data
    // blocks stay), its new ones stand at the end of the table.
    std::vector<Jv3Entry> e;
    for (int t = 0; t < 3; ++t)
        for (int s = 0; s < 5; ++s)
            e.push_back({.track = t, .sector = s});
    for (int s = 0; s < 5; ++s)
        e[static_cast<std::size_t>(5 + s)] = Jv3FreeEntry(s == 0 ? 512 : 256);
    for (int s = 0; s < 5; ++s) {
        Jv3Entry again{.track = 1, .sector = s, .doubleDensity = true};
        again.data.assign(256, static_cast<std::uint8_t>(0x40 + s));
        e.push_back(again);
    }
    Open(MakeJv3(e));
    EXPECT_EQ(w.Analysis().totalSectors, 15);
    EXPECT_EQ(w.Text1.Text, " 3 Track");
    EXPECT_EQ(w.Text2.Text, " Dual/Density");
    const std::int64_t again = 8704 + 10 * 256 + 512 + 4 * 256;
    for (int s = 0; s < 5; ++s) {
        Check(5 + s, {"1", "0", Dec(s), "5", "D/D  ", "FB", "Data Sec.", HexText(again + 256 * s)},
              std::vector<std::uint8_t>(256, static_cast<std::uint8_t>(0x40 + s)));
        Check(10 + s,
              {"2", "0", Dec(s), "5", "S/D  ", "FB", "Data Sec.",
               HexText(8704 + 256 * (10 + s) + 256)},
              PatternData(2, 0, s));
    }

    // More sectors than one table holds: the rest follow the first table's data.
    std::vector<Jv3Entry> many;
    for (int n = 0; n < jv3::kEntries + 20; ++n)
        many.push_back({.track = n / 20, .sector = n % 20, .doubleDensity = true});
    const std::vector<std::uint8_t> big = MakeJv3(many);
    Open(big);
    EXPECT_EQ(w.Analysis().totalSectors, jv3::kEntries + 20);
    const std::int64_t second = 8704 + 2901 * 256 + 8704;
    Check(jv3::kEntries + 5,
          {"145", "0", "6", "20", "D/D  ", "FB", "Data Sec.", HexText(second + 5 * 256)},
          PatternData(145, 0, 6));
}

TEST_F(RealDisks, DamageIsCheckedShownAndCounted) {
    // Double density, single density doubled and once; one bad ID CRC, one
    // data byte corrupted in each storage.
    DmkTrack t;
    for (int s = 0; s < 6; ++s)
        t.sectors.push_back(Dd(0, s));
    t.sectors[2].doubleDensity = t.sectors[3].doubleDensity = false;
    t.sectors[4].doubleDensity = t.sectors[5].doubleDensity = false;
    t.sectors[4].sd = t.sectors[5].sd = SdStorage::Once;
    t.sectors[1].idCrc = std::array<std::uint8_t, 2>{0x12, 0x34};
    DmkImage img = MakeDmk({t, DmkStandardTracks(2, 1, 6, true)[1]}, OneSide(0x2000, 2));
    for (int s : {0, 3, 5})
        img.bytes[static_cast<std::size_t>(img.placed[0][static_cast<std::size_t>(s)].dataPos +
                                           7 * (s == 3 ? 2 : 1))] ^= 0x5A;
    // The file ends inside the second track's last data field.
    img.bytes.resize(static_cast<std::size_t>(img.placed[1][5].dataPos + 10));
    Open(img.bytes);
    EXPECT_EQ(w.List2.Items, (std::vector<std::string>{
                                 "    This Disk has Dual Density", "1 sector with an ID CRC error",
                                 "3 sectors with data CRC errors", "image ends inside track 1"}));

    const std::string want[] = {"ID ok  Data BAD", "ID BAD  Data ok", "ID ok  Data ok",
                                "ID ok  Data BAD", "ID ok  Data ok",  "ID ok  Data BAD"};
    for (int s = 0; s < 6; ++s) {
        SCOPED_TRACE(s);
        const DmkPlaced& p = img.placed[0][static_cast<std::size_t>(s)];
        const DmkSector& sec = t.sectors[static_cast<std::size_t>(s)];
        const int stride = !sec.doubleDensity && sec.sd == SdStorage::Doubled ? 2 : 1;
        const std::string independent =
            "ID " + ExpectedCrc(img.bytes, p.idPos, 4, sec.doubleDensity, stride) + "  Data " +
            ExpectedCrc(img.bytes, p.damPos, 256, sec.doubleDensity, stride);
        Show(s);
        EXPECT_EQ(w.Txtcrc.Text, independent);
        EXPECT_EQ(w.Txtcrc.Text, want[s]);
        EXPECT_EQ(w.Txtcrc.BackColor,
                  want[s].find("BAD") != std::string::npos ? colour::Pink : colour::Peach);
    }
    Show(11);
    EXPECT_EQ(w.Txtcrc.Text, "ID ok  Data --"); // its CRC lies beyond the end of the file
    Show(10);
    EXPECT_EQ(w.Txtcrc.Text, "ID ok  Data ok");

    // The sector map: damaged sectors in their colour, and a legend line.
    SectorMapLogic map{host, metrics};
    map.MnuOpen(TempFile(img.bytes));
    const int y = 9 * FixedMetrics::kLineHeight + 180;
    for (int s = 0; s < 6; ++s) {
        const TextItem* cell =
            map.surface.TextAt(maplayout::kDmkFirstColumn + maplayout::kColumnPitch * s, y);
        ASSERT_NE(cell, nullptr) << s;
        EXPECT_EQ(cell->colour == mapcolour::Damaged, want[s].find("BAD") != std::string::npos)
            << s;
    }
    const std::vector<TextItem> legend = map.surface.TextsAt(8 * FixedMetrics::kLineHeight);
    ASSERT_EQ(legend.size(), 2u);
    EXPECT_EQ(legend[0].text, kMapDamagedLegend);
    EXPECT_EQ(legend[0].colour, mapcolour::Damaged);
    EXPECT_EQ(legend[1].colour, mapcolour::Missing);

    // JV3: the CRC-error flag, and a missing sector in the map.
    std::vector<Jv3Entry> e;
    for (int s : {0, 1, 3, 4})
        e.push_back({.track = 0, .sector = s, .crcError = s == 1});
    Open(MakeJv3(e));
    EXPECT_EQ(w.List2.Items, (std::vector<std::string>{"1 sector with a data CRC error",
                                                       "track 0 has no sector 2"}));
    Show(1);
    EXPECT_EQ(w.Txtcrc.Text, "ID --  Data BAD");
    map.MnuOpen(TempFile(MakeJv3(e)));
    const TextItem* two = map.surface.TextAt(maplayout::kJv3FirstColumn + 2 * 350, y);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->text, " 2 ");
    EXPECT_EQ(two->colour, mapcolour::Missing);
    EXPECT_EQ(map.surface.TextAt(maplayout::kJv3FirstColumn + 350, y)->colour, mapcolour::Damaged);
}

} // namespace
} // namespace ss::opentest
