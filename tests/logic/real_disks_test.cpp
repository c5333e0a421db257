// Images of the kind real disks and their archives leave: drives that
// stepped wrongly, tracks numbered from anywhere, images cut off early,
// sectors of other densities than the header says, files that only look
// like images, tracks formatted again, sectors written twice. Every window
// shows what the disk holds, no more and no less.
#include "image/jv3.h"
#include "open_helpers.h"
#include "support/dos_disks.h"
#include "support/sample_disks.h"
#include "windows/hex_viewer/hex_viewer_logic.h"
#include "windows/sector_map/sector_map_logic.h"

#include <string>
#include <vector>

namespace ss::opentest {
namespace {

using namespace testimg;
using Bytes = std::vector<std::uint8_t>;

class RealDiskImages : public ViewerTest {
  protected:
    SectorMapLogic map{host, metrics};
    HexViewerLogic hex{host, metrics};

    OpenResult Load(const Bytes& bytes) { return map.MnuOpen(TempFile(bytes)); }

    // The sector map's row labels and the sector numbers of the row at y.
    std::vector<std::string> MapLabels() const {
        std::vector<std::string> out;
        for (int y = 9 * FixedMetrics::kLineHeight + 180; y < 9000; y += 180) {
            std::string label;
            for (const TextItem& t : map.surface.TextsAt(y))
                if (t.x < maplayout::kJv3FirstColumn - 200)
                    label += t.text;
            if (!label.empty())
                out.push_back(label);
        }
        return out;
    }
    int MapCells(int row, Colour colour) const {
        int n = 0;
        for (const TextItem& t :
             map.surface.TextsAt(9 * FixedMetrics::kLineHeight + 180 * (row + 1)))
            n += t.x >= maplayout::kDmkFirstColumn && t.colour == colour && t.text != " " ? 1 : 0;
        return n;
    }
};

std::vector<DmkTrack> Records(const std::vector<int>& idTracks, int spt) {
    std::vector<DmkTrack> recs;
    for (int t : idTracks) {
        DmkTrack r;
        for (int s = 0; s < spt; ++s)
            r.sectors.push_back({.track = t, .sector = s});
        recs.push_back(r);
    }
    return recs;
}

TEST_F(RealDiskImages, EveryRecordTheHeaderCountsIsWalked) {
    // A drive that stepped two cylinders at once: records 2 and 3 both
    // carry track 3, record 4 track 4. The walk used to end on record 2.
    // A sixth record the header does not count is no track of the disk.
    const DmkImage img =
        MakeDmk(Records({0, 1, 3, 3, 4, 5}, 10), OneSide(dmk::kTrackLengthDouble, 5));
    Open(img.bytes);
    EXPECT_EQ(w.Analysis().totalSectors, 50);
    EXPECT_EQ(w.Analysis().indexes, 50);
    Check(49, {"4", "0", "9", "10", "D/D  ", "FB", "Data Sec.", HexText(img.placed[4][9].dataPos)},
          PatternData(4, 0, 9));
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 49);

    Load(img.bytes);
    EXPECT_EQ(MapLabels(), (std::vector<std::string>{"Trk  0 : 0 ", "Trk  1 : 0 ", "Trk  3 : 0 ",
                                                     "Trk  4 : 0 "}));
    map.Cmndnext_Click();
    EXPECT_EQ(map.Pagenum, 0); // no page after the last counted record
}

TEST_F(RealDiskImages, IndexesStartAtEachTracksLowestNumber) {
    // A double-density track numbered 30 to 39, and a JV3 disk whose side 1
    // goes on numbering 10 to 19 after side 0's 0 to 9: no index stands for
    // a number below a track side's lowest.
    std::vector<DmkTrack> high = Records({0, 1}, 10);
    for (DmkSector& s : high[1].sectors)
        s.sector += 30;
    std::vector<Jv3Entry> sides;
    for (int h = 0; h < 2; ++h)
        for (int s = 0; s < 10; ++s)
            sides.push_back({.track = 0, .sector = s + 10 * h, .side1 = h == 1});
    struct Case {
        const char* what;
        Bytes image;
        int firstIndex, track, side, sector;
    };
    for (const Case& c : {Case{"DMK 30 to 39", MakeDmk(high, OneSide()).bytes, 10, 1, 0, 30},
                          Case{"JV3 side 1 from 10", MakeJv3(sides), 10, 0, 1, 10}}) {
        SCOPED_TRACE(c.what);
        Open(c.image);
        EXPECT_EQ(w.Analysis().indexes, 20);
        EXPECT_TRUE(w.List2.Items.empty());
        Show(c.firstIndex);
        EXPECT_EQ(Where(), Dec(c.track) + "/" + Dec(c.side) + "/" + Dec(c.sector));
        Show(19);
        EXPECT_EQ(w.Txtsector.Text, Dec(c.sector + 9));
    }
}

TEST_F(RealDiskImages, Jv3DataCutOffIsNotRecorded) {
    std::vector<Jv3Entry> e;
    for (int s = 0; s < 10; ++s)
        e.push_back({.track = 0, .sector = s, .crcError = s >= 8});
    Bytes file = MakeJv3(e);
    file.resize(file.size() - 300); // inside sector 8's data, sector 9's all gone
    Open(file);
    EXPECT_EQ(w.List2.Items, (std::vector<std::string>{"image ends inside track 0"}));
    for (int s : {8, 9}) {
        Show(s);
        EXPECT_EQ(w.Txtcrc.Text, "ID --  Data --");
    }
    Show(7);
    EXPECT_EQ(w.Txtcrc.Text, "ID --  Data ok");
}

TEST_F(RealDiskImages, SummaryDensityIsTheSectorsDensity) {
    std::vector<DmkTrack> mixed = DmkStandardTracks(3, 1, 10, true);
    mixed[0] = DmkStandardTracks(1, 1, 10, false)[0];
    struct Case {
        const char* what;
        Bytes image;
        const char* text;
        Colour colour;
        bool notice;
    };
    for (const Case& c : {
             Case{"single density on 6400-byte tracks",
                  MakeDmk(DmkStandardTracks(3, 1, 10, false), OneSide()).bytes, " Single/Density",
                  colour::Green, false},
             Case{"double density on 3264-byte tracks",
                  MakeDmk(DmkStandardTracks(3, 1, 5, true), OneSide(dmk::kTrackLengthSingle)).bytes,
                  " Double/Density", colour::Red, false},
             Case{"single-density track 0", MakeDmk(mixed, OneSide()).bytes, " Dual/Density",
                  colour::Red, true},
         }) {
        SCOPED_TRACE(c.what);
        Open(c.image);
        EXPECT_EQ(w.Text2.Text, c.text);
        EXPECT_EQ(w.Text2.ForeColor, c.colour);
        EXPECT_EQ(w.List2.Items, c.notice ? std::vector<std::string>{kDualDensityNotice}
                                          : std::vector<std::string>{});
    }
}

TEST_F(RealDiskImages, FilesThatOnlyLookLikeJv3AreRefused) {
    // Raw dumps of a disk's sectors, with no header: every place of 128
    // bytes from which the first four entries would pass the header test.
    DosDiskBuilder trsdos(Trsdos23Geometry());
    trsdos.AddFile({"PROGRAM CMD", PatternData(1, 2, 3, 3000)});
    const std::vector<Bytes> disks = {SampleJv1(), SampleJv3(), trsdos.Jv1()};
    int dumps = 0;
    for (const Bytes& disk : disks) {
        for (std::size_t at = 0; at + 2 * jv3::kHeaderSize < disk.size() && dumps < 40; at += 128) {
            const Bytes raw(disk.begin() + static_cast<std::ptrdiff_t>(at), disk.end());
            if (RecogniseLayout(ImageBuffer(raw)) != Layout::JV3)
                continue;
            SCOPED_TRACE(at);
            ++dumps;
            host.messages.clear();
            Open(raw);
            EXPECT_FALSE(w.HasImage());
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0].text, kNoHeaderMessage);
            EXPECT_EQ(Load(raw).outcome, OpenResult::Outcome::Refused);
            // The hex viewer shows any file.
            host.messages.clear();
            hex.MnuOpen(TempFile(raw));
            EXPECT_TRUE(host.messages.empty());
        }
    }
    EXPECT_GT(dumps, 10);

    // The JV3 images the project writes are JV3 images, cut off or not.
    std::vector<Bytes> jv3s = {SampleJv3(), trsdos.Jv3(),
                               DosDiskBuilder(LdosDdTwoSidedGeometry()).Jv3(),
                               DosDiskBuilder(Newdos80Geometry(true)).Jv3()};
    for (std::size_t k = 0, n = jv3s.size(); k < n; ++k) {
        Bytes cut = jv3s[k];
        cut.resize(jv3::kHeaderSize + (cut.size() - jv3::kHeaderSize) / 2);
        jv3s.push_back(cut);
    }
    for (const Bytes& image : jv3s) {
        host.messages.clear();
        Open(image);
        EXPECT_TRUE(w.HasImage());
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST_F(RealDiskImages, Jv3TrackFormattedAgainIsOneRow) {
    // Track 1 formatted again: its new entries took the free ones left
    // between track 0 and track 2 and the rest at the end of the table.
    // Track 0 has 5 sectors, the others 10.
    std::vector<Jv3Entry> e;
    for (int s = 0; s < 5; ++s)
        e.push_back({.track = 0, .sector = s});
    for (int s = 0; s < 4; ++s)
        e.push_back({.track = 1, .sector = s});
    for (int t = 2; t <= 3; ++t)
        for (int s = 0; s < 10; ++s)
            e.push_back({.track = t, .sector = s});
    for (int s = 4; s < 10; ++s)
        e.push_back({.track = 1, .sector = s});
    Open(MakeJv3(e));
    EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 10 ( 10 * 1)");
    Load(MakeJv3(e));
    EXPECT_EQ(MapLabels(), (std::vector<std::string>{"Trk;  0 : 0 ", "Trk;  1 : 0 ", "Trk;  2 : 0 ",
                                                     "Trk;  3 : 0 "}));
    EXPECT_EQ(MapCells(1, mapcolour::SingleDensity), 10);
    EXPECT_EQ(MapCells(1, mapcolour::Missing), 0);
}

TEST_F(RealDiskImages, DataMarksShownAsBytes) {
    // JV3 flag bits: single density 00 FB, 20 FA, 40 F9, 60 F8; double
    // density 00 FB, 20 F8.
    const int flags[] = {0x00, 0x20, 0x40, 0x60, 0x80, 0xA0};
    const char* marks[] = {"FB", "FA", "F9", "F8", "FB", "F8"};
    std::vector<Jv3Entry> e;
    for (int s = 0; s < 6; ++s)
        e.push_back({.track = 0, .sector = s});
    Bytes file = MakeJv3(e);
    for (std::size_t s = 0; s < 6; ++s)
        file[3 * s + 2] = static_cast<std::uint8_t>(flags[s]);
    Open(file);
    for (int s = 0; s < 6; ++s) {
        Show(s);
        EXPECT_EQ(w.Txtdam.Text, marks[s]) << s;
    }
}

TEST(DamageNoticesTest, SectorNumbersWrittenMoreThanOnce) {
    DiskDamage d;
    d.AddDuplicate({3, 0, 5, 2});
    d.AddDuplicate({4, 1, 0, 3});
    for (int k = 0; k < 8; ++k)
        d.AddDuplicate({9, 0, k, 2});
    const std::vector<std::string> lines = DamageNotices(d);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "track 3 has two sectors numbered 5");
    EXPECT_EQ(lines[1], "track 4 side 1 has 3 sectors numbered 0");
    EXPECT_EQ(lines[8], "2 more sector numbers written more than once");
}

} // namespace
} // namespace ss::opentest
