// JV3 and DMK images opened in the main window: where each sector lands, what
// the window shows for it, and how broken files are taken.
#include "open_helpers.h"
#include "support/sample_disks.h"

namespace ss::opentest {
namespace {

using namespace testimg;

using Jv3Tables = ViewerTest;
using DmkTables = ViewerTest;
using BrokenImages = ViewerTest;
using SampleDisks = ViewerTest;

const std::vector<int> kOrder10 = {0, 5, 1, 6, 2, 7, 3, 8, 4, 9};
const std::vector<int> kOrder18 = {0, 6, 12, 1, 7, 13, 2, 8, 14, 3, 9, 15, 4, 10, 16, 5, 11, 17};

Jv3Entry Entry(int track, int sector, bool dd = false, bool side1 = false) {
    Jv3Entry e;
    e.track = track;
    e.sector = sector;
    e.doubleDensity = dd;
    e.side1 = side1;
    return e;
}

std::vector<Jv3Entry> Jv3Tracks(int tracks, const std::vector<int>& order) {
    std::vector<Jv3Entry> e;
    for (int t = 0; t < tracks; ++t)
        for (int s : order)
            e.push_back(Entry(t, s));
    return e;
}

TEST_F(Jv3Tables, OneSidedInterleavedTracksAndARewrittenSector) {
    std::vector<Jv3Entry> e = Jv3Tracks(35, kOrder10);
    Jv3Entry again = Entry(34, 5);
    again.data.assign(256, 0x5A);
    e.push_back(again);
    Open(MakeJv3(e));

    EXPECT_EQ(w.Text1.Text, " 35 Track");
    ASSERT_EQ(w.Combo1.Items.size(), 35u);
    EXPECT_EQ(w.Combo1.Items.back(), " 34");
    EXPECT_EQ(w.Text2.Text, " Single/Density");
    EXPECT_EQ(w.Text3.Text, " Single/Sided");
    EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 10 ( 10 * 1)");
    EXPECT_EQ(w.Txtfiletype.Text, "JV3");
    EXPECT_EQ(w.Analysis().totalSectors, 351); // every entry counts, the rewritten one too
    ASSERT_NE(NoticeLine(), nullptr);
    EXPECT_EQ(NoticeLine()->text, kNoDirectoryNotice);

    // Track 34 holds sector 5 twice: both are shown, the later entry at the
    // index after the earlier one's, and the track's higher numbers one on.
    EXPECT_EQ(w.List2.Items, (std::vector<std::string>{"track 34 has two sectors numbered 5"}));
    for (int n = 0; n <= 350; ++n) {
        const int t = n < 350 ? n / 10 : 34;
        const int s = n < 350 ? kOrder10[static_cast<std::size_t>(n % 10)] : 5;
        const std::int64_t pos = 8704 + 256 * n;
        const int index = 10 * t + s + (n == 350 || (t == 34 && s > 5) ? 1 : 0);
        Check(
            index,
            {Dec(t), "0", Dec(s), t == 34 ? "11" : "10", "S/D  ", "FB", "Data Sec.", HexText(pos)},
            n == 350 ? again.data : PatternData(t, 0, s));
        EXPECT_EQ(w.fpa, pos); // the dump leaves the data position as it was
    }
}

TEST_F(Jv3Tables, TwoSidedNumberedFromZeroOrOne) {
    for (int first : {0, 1}) {
        SCOPED_TRACE(first);
        std::vector<Jv3Entry> e;
        for (int t = 0; t < 40; ++t)
            for (int h = 0; h < 2; ++h)
                for (int s : kOrder18)
                    e.push_back(Entry(t, s + first, true, h == 1));
        // Track 17 side 0 lists its sector 12 before its sector 1; both carry the directory mark.
        for (Jv3Entry& x : e)
            x.dirMark =
                x.track == 17 && !x.side1 && (x.sector - first == 12 || x.sector - first == 1);
        Open(MakeJv3(e));

        EXPECT_EQ(w.Text2.Text, " Double/Density");
        EXPECT_EQ(w.Text3.Text, " Double/Sided");
        EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 36 ( 18 * 2)");
        EXPECT_EQ(w.Analysis().sectorsPerGranule, 6);
        EXPECT_EQ(w.Analysis().totalSectors, 1440);
        EXPECT_EQ(NoticeLine(), nullptr);
        EXPECT_TRUE(w.List2.Items.empty()); // JV3 sectors numbered from 1 bring no notice
        for (std::size_t n = 0; n < e.size(); ++n) {
            const Jv3Entry& x = e[n];
            if (x.track > 1 && x.track != 17 && x.track != 39)
                continue; // the tracks in between are built alike
            const int h = x.side1 ? 1 : 0;
            Check(36 * x.track + 18 * h + x.sector - first,
                  {Dec(x.track), Dec(h), Dec(x.sector), "18", "D/D  ", x.dirMark ? "F8" : "FB",
                   x.dirMark ? "Dir Sec." : "Data Sec.",
                   HexText(8704 + 256 * static_cast<std::int64_t>(n))},
                  PatternData(x.track, h, x.sector));
            EXPECT_EQ(w.txtside.BackColor, h == 1 ? colour::LightBlue : colour::Peach);
        }
        w.CmndDirFind_Click();
        EXPECT_EQ(w.PresSecnum, 613);
        EXPECT_EQ(Where(), "17/0/" + Dec(1 + first));
        EXPECT_EQ(w.Txtsecnum.BackColor, colour::Pink);
    }

    // Track 0 numbered from 0, the others from 1: each track is shifted by its own lowest number.
    std::vector<Jv3Entry> mixed = Jv3Tracks(1, kOrder10);
    for (int t = 1; t <= 2; ++t)
        for (int s : kOrder18)
            mixed.push_back(Entry(t, s + 1, true));
    Open(MakeJv3(mixed));
    EXPECT_EQ(w.Analysis().totalSectors, 46);
    Show(10);
    EXPECT_EQ(Where(), "1/0/1");
    Check(45, {"2", "0", "18", "18", "D/D  ", "FB", "Data Sec.", HexText(8704 + 256 * 45)},
          PatternData(2, 0, 18));
}

TEST_F(Jv3Tables, AllEntriesOfTheTableUsed) {
    std::vector<Jv3Entry> e;
    for (int n = 0; n < jv3::kEntries; ++n)
        e.push_back(Entry(n / 18, n % 18, true));
    std::vector<std::uint8_t> file = MakeJv3(e);
    file[8703] = 0x00; // a write-protect byte that would read as a used entry of track 0
    Open(file);

    EXPECT_EQ(w.Analysis().totalSectors, 2901);
    EXPECT_EQ(w.Text1.Text, " 162 Track");
    Check(17 * 18 + 4,
          {"17", "0", "4", "18", "D/D  ", "FB", "Data Sec.", HexText(8704 + 256 * 310)},
          PatternData(17, 0, 4));
    Check(2900, {"161", "0", "2", "3", "D/D  ", "FB", "Data Sec.", HexText(8704 + 256 * 2900)},
          PatternData(161, 0, 2));
    const int draws = Draws();
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 2900);
    EXPECT_EQ(Draws(), draws);
}

TEST_F(Jv3Tables, EachAnalysisStartsFromClearedTables) {
    // A DMK whose first record carries side byte 2: the track slot stays at 0,
    // so the second record rewrites the first sector index of track 0.
    std::vector<DmkTrack> recs = DmkStandardTracks(2, 1, 10, true);
    for (DmkSector& s : recs[0].sectors)
        s.side = 2;
    recs[1].sectors[3].dam = 0xF8;
    const std::vector<std::uint8_t> first = MakeDmk(recs, OneSide()).bytes;
    Open(first);
    Show(4);
    EXPECT_EQ(w.txtside.Text, "0"); // only a side byte of 1 shows side 1
    EXPECT_EQ(w.Text3.Text, " Single/Sided");
    Show(15);
    w.CmndPrevTrk_Click();
    EXPECT_EQ(w.PresSecnum, 10);
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 13);

    // A JV3 without a directory, track 0 first: not shifted, no directory left over.
    Open(MakeJv3(Jv3Tracks(35, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9})));
    EXPECT_EQ(Fields(), (Shown{"0", "0", "0", "10", "S/D  ", "FB", "Data Sec.", "2200"}));
    EXPECT_EQ(Dumped(), PatternData(0, 0, 0));
    Show(13);
    EXPECT_EQ(Where(), "1/0/3");
    host.messages.clear();
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 0);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kNoDirectoryMessage);

    // A DMK without a directory and without sector 5 on track 0, after the first one again:
    // its index is shown without a sector, and track 0 keeps its sector 9.
    Open(first);
    recs = DmkStandardTracks(2, 1, 10, true);
    recs[0].sectors.erase(recs[0].sectors.begin() + 5);
    const DmkImage gap = MakeDmk(recs, OneSide());
    Open(gap.bytes);
    Check(5, {"0", "0", "5", "", "", "", "No Sector", ""}, {});
    Show(9);
    EXPECT_EQ(Where(), "0/0/9");
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 0);
    ASSERT_EQ(host.messages.size(), 2u);

    // A refused file keeps the tables of the last image.
    std::vector<std::uint8_t> junk(64, 0x00);
    junk[3] = 0x01;
    Open(junk);
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[2].title, "Error");
    EXPECT_TRUE(w.Combo1.Items.empty());
    EXPECT_EQ(w.Analysis().At(13).track, 1);
    EXPECT_EQ(w.Analysis().At(13).number, 3);
    EXPECT_EQ(w.Analysis().At(13).dataPos, gap.placed[1][3].dataPos);
}

TEST_F(DmkTables, OneSidedInterleavedDoubleDensity) {
    const std::vector<int> order = {0, 5, 1, 6, 2, 7, 3, 8, 4, 9, 10, 15, 11, 16, 12, 17, 13, 14};
    const DmkImage img = MakeDmk(DmkStandardTracks(40, 1, 18, true, 0, order), OneSide());
    Open(img.bytes);

    EXPECT_EQ(w.Text1.Text, " 40 Track");
    EXPECT_EQ(w.Text2.Text, " Double/Density");
    EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 18 ( 18 * 1)");
    EXPECT_EQ(w.Txtfiletype.Text, "DMK");
    EXPECT_EQ(w.Analysis().sectorsPerGranule, 6);
    EXPECT_EQ(w.Analysis().totalSectors, 720);
    for (int t : {0, 1, 17, 39}) {
        for (std::size_t k = 0; k < 18; ++k) {
            const int s = order[k];
            const std::int64_t data = img.placed[static_cast<std::size_t>(t)][k].dataPos;
            Check(18 * t + s,
                  {Dec(t), "0", Dec(s), "18", "D/D  ", "FB", "Data Sec.", HexText(data)},
                  PatternData(t, 0, s));
            EXPECT_EQ(w.fpa, data); // the dump leaves the data position as it was
        }
    }
    Show(3 * 18 + 7);
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.PresSecnum, 72);

    // Tracks of 6528 bytes are double density too.
    DmkOptions opt;
    opt.trackLength = 6528;
    const DmkImage big = MakeDmk(DmkStandardTracks(2, 2, 18, true, 0, kOrder18), opt);
    Open(big.bytes);
    ASSERT_EQ(w.Txtfiletype.Text, "DMK");
    EXPECT_EQ(w.Text2.Text, " Double/Density");
    EXPECT_EQ(w.Analysis().sectorsPerGranule, 6);
    EXPECT_EQ(w.Analysis().totalSectors, 72);
    Check(36 + 18 + 4,
          {"1", "1", "4", "18", "D/D  ", "FB", "Data Sec.", HexText(big.placed[3][12].dataPos)},
          PatternData(1, 1, 4));
}

TEST_F(DmkTables, TwoSidedWalkTakesTheLastSideOneRecord) {
    // One cylinder more in the file than the header counts: it is not walked.
    std::vector<DmkTrack> recs = DmkStandardTracks(41, 2, 18, true, 0, kOrder18);
    DmkOptions opt;
    opt.tracksByte = 40;
    Open(MakeDmk(recs, opt).bytes);
    EXPECT_EQ(w.Analysis().totalSectors, 1440);
    Show(1439);
    EXPECT_EQ(Where(), "39/1/17");
    EXPECT_EQ(Dumped(), PatternData(39, 1, 17));
    const int draws = Draws();
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 1439);
    EXPECT_EQ(Draws(), draws);

    // A shorter last side 1: the disk's sectors per track stay those most
    // tracks have; the track's own count is its last record's, as on every
    // cylinder.
    recs.resize(80);
    recs[79].sectors.resize(10);
    Open(MakeDmk(recs).bytes);
    EXPECT_EQ(w.Analysis().totalSectors, 1432);
    EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 36 ( 18 * 2)");
    Show(39 * 36 + 18 + 14);
    EXPECT_EQ(Where() + "/" + w.Txttrkspt.Text, "39/1/14/10");

    // The file ends after the last side 0: nothing more to walk.
    recs.resize(79);
    Open(MakeDmk(recs, opt).bytes);
    EXPECT_EQ(w.Analysis().totalSectors, 1422);
    Show(1421);
    EXPECT_EQ(Where(), "39/0/17");
}

TEST_F(DmkTables, SectorsNumberedFromOne) {
    std::vector<DmkTrack> recs = DmkStandardTracks(40, 2, 18, true, 1);
    for (DmkTrack& r : recs)
        for (DmkSector& s : r.sectors)
            s.dam = (s.track == 17 && s.side == 0) ? 0xF8 : 0xFB;
    Open(MakeDmk(recs).bytes);
    EXPECT_EQ(w.Txtsector.Text, "1");
    EXPECT_EQ(w.List2.Items, std::vector<std::string>{kFirstSectorOneNotice});
    for (int i : {611, 612, 629, 630}) {
        const bool dir = i >= 612 && i <= 629;
        Show(i);
        EXPECT_EQ(w.Txtsectype.Text, dir ? "Dir Sec." : "Data Sec.") << i;
        EXPECT_EQ(w.Txtdam.Text, dir ? "F8" : "FB") << i;
        EXPECT_EQ(Dumped(), PatternData(i / 36, i % 36 / 18, i % 18 + 1)) << i;
    }
    Show(0);
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 612);
    EXPECT_EQ(Where(), "17/0/1");

    // One side, ten sectors: the directory is taken as indexes 170 to 187,
    // wherever the directory marks lie.
    recs = DmkStandardTracks(35, 1, 10, true, 1);
    recs[20].sectors[2].dam = 0xF8;
    Open(MakeDmk(recs, OneSide()).bytes);
    Show(202);
    EXPECT_EQ(w.Txtdam.Text, "F8");
    EXPECT_EQ(w.Txtsectype.Text, "Data Sec.");
    EXPECT_EQ(w.Txtsectype.BackColor, colour::Peach);
    EXPECT_EQ(w.Txtsecnum.BackColor, colour::Pink);
    Show(187);
    EXPECT_EQ(w.Txtsectype.Text, "Dir Sec.");
    EXPECT_EQ(w.Txtsecnum.BackColor, colour::Pink);
    Show(188);
    EXPECT_EQ(w.Txtsectype.Text, "Data Sec.");
    EXPECT_EQ(w.Txtsecnum.BackColor, colour::Peach);
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 170);
    EXPECT_EQ(Where(), "17/0/1");
}

TEST_F(DmkTables, SingleDensityFieldsStoredDoubled) {
    for (int len : {6400, 3264}) {
        SCOPED_TRACE(len);
        const int spt = len == 6400 ? 10 : 5;
        std::vector<DmkTrack> recs = DmkStandardTracks(35, 1, spt, false);
        // ID-field CRCs holding data-mark values, and one real directory mark.
        recs[0].sectors[2].idCrc = std::array<std::uint8_t, 2>{0xFA, 0x00};
        recs[0].sectors[3].idCrc = std::array<std::uint8_t, 2>{0x00, 0xF8};
        recs[0].sectors[4].idCrc = std::array<std::uint8_t, 2>{0xFB, 0xFB};
        recs[2].sectors[1].dam = 0xFA;
        const DmkImage img = MakeDmk(recs, OneSide(len));
        Open(img.bytes);
        // The sectors' density, whatever the track length stands for.
        EXPECT_EQ(w.Text2.Text, " Single/Density");
        EXPECT_EQ(w.Analysis().totalSectors, 35 * spt);
        EXPECT_EQ(NoticeLine(), nullptr);
        for (int t : {0, 2, 34}) {
            for (int s = 0; s < spt; ++s) {
                const bool dir = t == 2 && s == 1;
                const std::int64_t p =
                    img.placed[static_cast<std::size_t>(t)][static_cast<std::size_t>(s)].dataPos;
                Check(spt * t + s,
                      {Dec(t), "0", Dec(s), Dec(spt), "S/D  ", dir ? "FA" : "FB",
                       dir ? "Dir Sec." : "Data Sec.", HexText(p)},
                      PatternData(t, 0, s));
                EXPECT_EQ(w.TxtDens.BackColor, colour::Lime);
                EXPECT_EQ(w.fpa, p); // the dump leaves the data position as it was
            }
        }
        w.CmndDirFind_Click();
        EXPECT_EQ(w.PresSecnum, 2 * spt + 1);
    }
}

TEST_F(DmkTables, SingleDensityFieldsStoredOnce) {
    std::vector<DmkTrack> recs(35);
    for (int t = 0; t < 35; ++t)
        for (int s : kOrder10)
            recs[static_cast<std::size_t>(t)].sectors.push_back(SdOnce(t, 0, s + 1));
    const DmkImage img = MakeDmk(recs, OneSide(3264));
    Open(img.bytes);

    EXPECT_EQ(w.Text2.Text, " Single/Density");
    EXPECT_EQ(w.Analysis().sectorsPerGranule, 5);
    EXPECT_EQ(w.Analysis().totalSectors, 350);
    EXPECT_EQ(w.List2.Items, std::vector<std::string>{kFirstSectorOneNotice});
    for (int t : {0, 1, 16, 17, 18, 34}) {
        for (std::size_t k = 0; k < 10; ++k) {
            const int s = kOrder10[k] + 1;
            const std::int64_t i = 10 * t + s - 1;
            const std::int64_t p = img.placed[static_cast<std::size_t>(t)][k].dataPos;
            Check(i,
                  {Dec(t), "0", Dec(s), "10", "S/D  ", "FB",
                   i >= 170 && i <= 187 ? "Dir Sec." : "Data Sec.", HexText(p)},
                  PatternData(t, 0, s));
            EXPECT_EQ(w.fpa, p); // the dump leaves the data position as it was
        }
    }

    // Track 0 kept once ahead of double-density tracks.
    recs = DmkStandardTracks(40, 1, 18, true);
    recs[0].sectors.clear();
    for (int s : kOrder10)
        recs[0].sectors.push_back(SdOnce(0, 0, s));
    const DmkImage mixed = MakeDmk(recs, OneSide());
    Open(mixed.bytes);
    EXPECT_EQ(w.Analysis().totalSectors, 10 + 39 * 18);
    EXPECT_EQ(w.Text2.Text, " Dual/Density"); // sectors of both densities
    EXPECT_EQ(w.List2.Items, std::vector<std::string>{kDualDensityNotice});
    for (std::size_t k = 0; k < 10; ++k)
        Check(kOrder10[k],
              {"0", "0", Dec(kOrder10[k]), "10", "S/D  ", "FB", "Data Sec.",
               HexText(mixed.placed[0][k].dataPos)},
              PatternData(0, 0, kOrder10[k]));
    Check(10,
          {"1", "0", "0", "18", "D/D  ", "FB", "Data Sec.", HexText(mixed.placed[1][0].dataPos)},
          PatternData(1, 0, 0));
    Show(10 + 38 * 18 + 17);
    EXPECT_EQ(Where(), "39/0/17");
}

TEST_F(DmkTables, PointerTables) {
    // Record 1 has no sectors; record 2 has 31 pointers, record 3 has 32,
    // all of which the walk reads.
    std::vector<DmkTrack> recs(4);
    recs[0] = DmkStandardTracks(1, 1, 10, true)[0];
    for (int r = 2; r <= 3; ++r) {
        for (int s = 0; s < 29 + r; ++s) {
            DmkSector x;
            x.track = r;
            x.sector = s;
            x.sizeCode = 0;
            recs[static_cast<std::size_t>(r)].sectors.push_back(x);
        }
    }
    const DmkImage img = MakeDmk(recs, OneSide());
    Open(img.bytes);
    EXPECT_EQ(w.Analysis().totalSectors, 10 + 31 + 32);
    // No count is more common than another: the first track's.
    EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 10 ( 10 * 1)");
    Check(40,
          {"2", "0", "30", "31", "D/D  ", "FB", "Data Sec.", HexText(img.placed[2][30].dataPos)},
          PatternData(2, 0, 30, 128));
    Check(72,
          {"3", "0", "31", "32", "D/D  ", "FB", "Data Sec.", HexText(img.placed[3][31].dataPos)},
          PatternData(3, 0, 31, 128));
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 72);
    // The empty record moves nothing on: the next track starts where track 0 ended.
    Show(5);
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.PresSecnum, 10);
    EXPECT_EQ(Where(), "2/0/0");

    // A zero offset with the density bit set, and an ID field past the end of the file.
    DmkImage cut = MakeDmk(DmkStandardTracks(3, 1, 10, true), OneSide());
    const auto poke = [&](int rec, int j, std::uint16_t v) {
        const std::size_t at = 16 + static_cast<std::size_t>(rec) * 6400 + 2 * j;
        cut.bytes[at] = static_cast<std::uint8_t>(v & 0xFF);
        cut.bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    poke(1, 4, 0x8000);
    poke(2, 6, 0xFFF0);
    Open(cut.bytes);
    EXPECT_EQ(w.Analysis().totalSectors, 10 + 4 + 6);
    EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 10 ( 10 * 1)");
    Show(13);
    EXPECT_EQ(Where(), "1/0/3");
    Show(19);
    EXPECT_EQ(Where(), "2/0/5");
    EXPECT_EQ(Dumped(), PatternData(2, 0, 5));
}

TEST_F(DmkTables, MissingMarksRewrittenSectorsAndUnusedIndexes) {
    std::vector<DmkTrack> recs = DmkStandardTracks(2, 1, 10, true);
    std::vector<std::uint8_t> odd(256);
    for (std::size_t k = 0; k < 256; ++k)
        odd[k] = static_cast<std::uint8_t>(0x30 + k);
    recs[0].sectors[4].dam = 0x00; // no data mark in the window
    recs[0].sectors[4].data = odd;
    DmkSector again = recs[0].sectors[7];
    again.data.assign(256, 0x77);
    recs[0].sectors.push_back(again); // sector 7 written twice: 11 fields
    const DmkImage img = MakeDmk(recs, OneSide());
    Open(img.bytes);

    EXPECT_EQ(w.Analysis().totalSectors, 21);
    EXPECT_EQ(w.List2.Items, (std::vector<std::string>{"1 sector without a data field",
                                                       "track 0 has two sectors numbered 7"}));
    // The byte 50 after the ID field stands as the mark, the data follow two bytes later.
    Check(4,
          {"0", "0", "4", "11", "D/D  ", HexText(odd[5]), "Data Sec.",
           HexText(img.placed[0][4].idPos + 52)},
          std::vector<std::uint8_t>(odd.begin() + 7, odd.end()));
    // Both sectors 7, in their order on the track, and the numbers after them one index on.
    Check(7, {"0", "0", "7", "11", "D/D  ", "FB", "Data Sec.", HexText(img.placed[0][7].dataPos)},
          PatternData(0, 0, 7));
    Check(8, {"0", "0", "7", "11", "D/D  ", "FB", "Data Sec.", HexText(img.placed[0][10].dataPos)},
          again.data);
    Check(10, {"0", "0", "9", "11", "D/D  ", "FB", "Data Sec.", HexText(img.placed[0][9].dataPos)},
          PatternData(0, 0, 9));
    Show(11);
    EXPECT_EQ(Where(), "1/0/0");
}

TEST_F(BrokenImages, TruncatedDmk) {
    const DmkImage img = MakeDmk(DmkStandardTracks(10, 1, 18, true), OneSide());
    const DmkPlaced fifth = img.placed[5][4];
    // Cut inside the data field of record 5's fifth sector, then inside its ID field's gap.
    for (std::int64_t cut : {fifth.dataPos + 100, fifth.idPos + 20}) {
        SCOPED_TRACE(cut);
        const std::vector<std::uint8_t> file(img.bytes.begin(), img.bytes.begin() + cut);
        Open(file);
        ASSERT_TRUE(w.HasImage());
        EXPECT_EQ(w.Combo1.Items.size(), 10u);
        EXPECT_EQ(w.Analysis().totalSectors, 5 * 18 + 5);
        EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 18 ( 18 * 1)"); // as most tracks have
        Show(93);
        EXPECT_EQ(Dumped(), PatternData(5, 0, 3));
        if (cut > fifth.dataPos) {
            std::vector<std::uint8_t> head = PatternData(5, 0, 4, 100);
            head.resize(256, 0);
            Check(94, {"5", "0", "4", "5", "D/D  ", "FB", "Data Sec.", HexText(fifth.dataPos)},
                  head);
        } else {
            Check(94, {"5", "0", "4", "5", "D/D  ", "0", "Data Sec.", HexText(fifth.idPos + 52)},
                  std::vector<std::uint8_t>(256, 0));
        }
    }
}

TEST_F(BrokenImages, DmkTrackCountBeyondTheFile) {
    std::vector<DmkTrack> recs = DmkStandardTracks(5, 1, 18, true);
    Open(MakeDmk(recs, OneSide(6400, 80)).bytes);
    ASSERT_TRUE(w.HasImage());
    EXPECT_EQ(w.Combo1.Items.size(), 80u);
    EXPECT_EQ(w.Analysis().totalSectors, 90);
    Show(89);
    EXPECT_EQ(Dumped(), PatternData(4, 0, 17));

    // Trailing records without ID fields run the walk to the end of the file too.
    recs.resize(8);
    Open(MakeDmk(recs, OneSide(6400, 200)).bytes);
    ASSERT_TRUE(w.HasImage());
    EXPECT_EQ(w.Analysis().totalSectors, 90);
}

TEST_F(BrokenImages, HugeTrackAndSectorNumbers) {
    std::vector<DmkTrack> recs = DmkStandardTracks(1, 1, 10, true);
    recs.push_back(DmkTrack{});
    for (int s : {250, 0}) {
        DmkSector x;
        x.track = 200;
        x.sector = s;
        recs[1].sectors.push_back(x);
    }
    Open(MakeDmk(recs, OneSide(6400, 2)).bytes);
    EXPECT_EQ(w.Analysis().totalSectors, 12);
    Show(260);
    EXPECT_EQ(Where() + "/" + w.Txttrkspt.Text, "200/0/250/2");
    EXPECT_EQ(Dumped(), PatternData(200, 0, 250));

    // The same in a JV3: track 200 holds sectors 3 and 250, numbered from 3.
    std::vector<Jv3Entry> e = Jv3Tracks(1, kOrder10);
    e.push_back(Entry(200, 250, true));
    e.push_back(Entry(200, 3, true));
    Open(MakeJv3(e));
    EXPECT_EQ(w.Analysis().totalSectors, 12);
    Check(10 + 250 - 3, {"200", "0", "250", "2", "D/D  ", "FB", "Data Sec.", HexText(8704 + 2560)},
          PatternData(200, 0, 250));
    Show(10);
    EXPECT_EQ(Where(), "200/0/3");
}

TEST_F(BrokenImages, Jv3HeaderCutShort) {
    std::vector<Jv3Entry> e = Jv3Tracks(1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    const std::vector<std::uint8_t> full = MakeJv3(e);

    Open(std::vector<std::uint8_t>(full.begin(), full.begin() + 30));
    ASSERT_TRUE(w.HasImage());
    EXPECT_EQ(w.Analysis().totalSectors, 10);
    Check(9, {"0", "0", "9", "10", "S/D  ", "FB", "Data Sec.", "2B00"},
          std::vector<std::uint8_t>(256, 0));

    // Data for three sectors and a few bytes of the fourth.
    Open(std::vector<std::uint8_t>(full.begin(), full.begin() + 8704 + 3 * 256 + 17));
    EXPECT_EQ(w.Analysis().totalSectors, 10);
    Show(2);
    EXPECT_EQ(Dumped(), PatternData(0, 0, 2));
    std::vector<std::uint8_t> head = PatternData(0, 0, 3, 17);
    head.resize(256, 0);
    Check(3, {"0", "0", "3", "10", "S/D  ", "FB", "Data Sec.", "2500"}, head);

    // An entry whose flags byte is missing.
    e.push_back(Entry(0, 10));
    const std::vector<std::uint8_t> eleven = MakeJv3(e);
    Open(std::vector<std::uint8_t>(eleven.begin(), eleven.begin() + 32));
    ASSERT_TRUE(w.HasImage());
    EXPECT_EQ(w.Analysis().totalSectors, 10);
    Show(9);
    EXPECT_EQ(Where(), "0/0/9");
}

// Finds, by its sync bytes rather than the pointer table, the data of the
// double-density sector (c, h, s) in the track record starting at rec.
std::int64_t FindDdData(const std::vector<std::uint8_t>& f, std::int64_t rec, int c, int h, int s,
                        std::uint8_t* mark) {
    const auto at = [&](std::int64_t p) { return f[static_cast<std::size_t>(p)]; };
    const auto sync = [&](std::int64_t p) {
        return at(p) == 0xA1 && at(p + 1) == 0xA1 && at(p + 2) == 0xA1;
    };
    for (std::int64_t p = rec + 128; p + 7 < rec + 6400; ++p) {
        if (sync(p) && at(p + 3) == 0xFE && at(p + 4) == c && at(p + 5) == h && at(p + 6) == s) {
            for (std::int64_t q = p + 7; q + 4 < rec + 6400; ++q) {
                if (sync(q) && (at(q + 3) == 0xF8 || at(q + 3) == 0xFA || at(q + 3) == 0xFB)) {
                    *mark = at(q + 3);
                    return q + 4;
                }
            }
        }
    }
    return -1;
}

TEST_F(SampleDisks, EverySectorOfTheDmkSample) {
    const std::vector<std::uint8_t> file = SampleDmk();
    Open(file);
    EXPECT_EQ(w.Analysis().totalSectors, 1440);
    SampleDosGeometry g;
    g.tracks = 40;
    g.sectorsPerTrack = 36;
    g.sectorsPerGranule = 6;
    g.dirEntrySectors = 16;
    const auto dir = SampleDirectory(g);
    for (int i = 0; i < 1440; ++i) {
        const int c = i / 36, h = i % 36 / 18, s = i % 18;
        std::uint8_t mark = 0;
        const std::int64_t data = FindDdData(file, 16 + (2 * c + h) * 6400, c, h, s, &mark);
        ASSERT_GE(data, 0);
        Check(i,
              {Dec(c), Dec(h), Dec(s), "18", "D/D  ", HexText(mark),
               mark == 0xF8 ? "Dir Sec." : "Data Sec.", HexText(data)},
              FileBytes(file, data, 256));
        if (c == 17 && h == 0) {
            EXPECT_EQ(Dumped(), dir[static_cast<std::size_t>(s)]) << "directory sector " << s;
        }
    }
    Show(2);
    EXPECT_EQ(Dumped(), SamplePdriveSector({17, 0, 0x24, 40, 36, 2, 0, 0, 0, 2}));
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 612);
}

TEST_F(SampleDisks, EverySectorOfTheJv3Sample) {
    const std::vector<std::uint8_t> file = SampleJv3();
    Open(file);
    EXPECT_EQ(w.Analysis().totalSectors, 712);
    EXPECT_EQ(w.Text2.Text, " Dual/Density");
    EXPECT_EQ(w.List2.Items, std::vector<std::string>{kDualDensityNotice});
    // Sectors per track as most tracks have them, not as track 0 has.
    EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 18 ( 18 * 1)");
    for (std::int64_t n = 0; n < 712; ++n) {
        const auto at = [&](std::int64_t p) { return file[static_cast<std::size_t>(p)]; };
        const int t = at(3 * n), s = at(3 * n + 1), f = at(3 * n + 2);
        Check(t == 0 ? s : 10 + 18 * (t - 1) + s,
              {Dec(t), "0", Dec(s), t == 0 ? "10" : "18", (f & 0x80) ? "D/D  " : "S/D  ",
               t != 17      ? "FB"
               : (f & 0x80) ? "F8"
                            : "FA",
               t == 17 ? "Dir Sec." : "Data Sec.", HexText(8704 + 256 * n)},
              FileBytes(file, 8704 + 256 * n, 256));
    }
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 10 + 16 * 18);
}

} // namespace
} // namespace ss::opentest
