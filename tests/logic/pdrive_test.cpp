// Newdos/80 drive parameters: where the main window looks for them and the
// read-out, marker and lump number it shows.
#include "open_helpers.h"
#include "support/sample_disks.h"

namespace ss::opentest {
namespace {

using namespace testimg;

using DriveParameters = ViewerTest;

using Entry10 = std::array<std::uint8_t, 10>;

// A one-sided single-density JV3 of `tracks` tracks of ten sectors numbered
// from `first`; the sector at index `trkstart + 2` of each listed track holds
// a drive-parameter sector with the given first entry.
std::vector<std::uint8_t> Jv3With(const std::vector<std::pair<int, Entry10>>& at, int tracks = 5,
                                  int first = 0) {
    std::vector<Jv3Entry> e;
    for (int t = 0; t < tracks; ++t) {
        for (int s = 0; s < 10; ++s) {
            Jv3Entry x;
            x.track = t;
            x.sector = s + first;
            for (const auto& [track, entry] : at)
                if (track == t && s == 2)
                    x.data = SamplePdriveSector(entry);
            e.push_back(std::move(x));
        }
    }
    return MakeJv3(e);
}

TEST_F(DriveParameters, ReadOutOfTheFirstEntry) {
    // A two-sided double-density JV3 of 18 sectors a side, whose drive
    // parameters sit in track 0 sector 2.
    std::vector<Jv3Entry> e;
    for (int t = 0; t < 3; ++t) {
        for (int h = 0; h < 2; ++h) {
            for (int s = 0; s < 18; ++s) {
                Jv3Entry x;
                x.track = t;
                x.sector = s;
                x.side1 = h == 1;
                x.doubleDensity = true;
                if (t == 0 && h == 0 && s == 2)
                    x.data = SamplePdriveSector({17, 0, 0x14, 40, 18, 2, 0, 0, 0, 2});
                e.push_back(std::move(x));
            }
        }
    }
    Open(MakeJv3(e));

    const std::string readOut =
        "Pdrives: TI = E   TD = E  TC = 40   SPT = 18  TSR = 0  GPL = 2  DDSL = 17  DDGA = 2";
    EXPECT_EQ(w.pdrive, readOut);
    ASSERT_NE(NoticeLine(), nullptr);
    EXPECT_EQ(NoticeLine()->text, readOut); // drawn over the no-directory notice
    EXPECT_EQ(NoticeLine()->colour, colour::Blue);
    EXPECT_EQ(w.Analysis().driveParameters->SectorsPerLump(), 10);
    EXPECT_EQ(w.Analysis().sectorsPerGranule, 5); // although track 0 has 18 sectors
    EXPECT_EQ(w.Text7.Text, "         Newdos/80");
    EXPECT_EQ(w.Text7.ForeColor, colour::Red);
    EXPECT_EQ(w.Text5.Text, "   Spg = 5");
    EXPECT_EQ(w.Txtlumpnum.Text, "0");
    for (const auto& [index, lump] : std::vector<std::pair<int, std::string>>{
             {9, "0"}, {10, "1"}, {47, "4"}, {49, "4"}, {50, "5"}, {107, "10"}}) {
        Show(index);
        EXPECT_EQ(w.Txtlumpnum.Text, lump) << "index " << index;
        EXPECT_EQ(w.Text5.Text, "   Spg = 5");
        EXPECT_EQ(NoticeLine()->text, readOut);
    }
    Show(2);
    EXPECT_EQ(Dumped(), SamplePdriveSector({17, 0, 0x14, 40, 18, 2, 0, 0, 0, 2}));
}

TEST_F(DriveParameters, InterfaceAndDriveLetters) {
    struct Case {
        std::uint8_t b2, b4, b5, b7;
        std::string ti, td, tsr, lump47;
    };
    const std::vector<Case> cases = {
        {0x14, 10, 2, 0, "E ", "A", "0", "4"}, {0x17, 18, 2, 0, "E ", "E", "3", "4"},
        {0x0C, 20, 2, 0, "B ", "C", "0", "4"}, {0x0C, 18, 2, 4, "BL", "E", "0", "4"},
        {0x24, 36, 3, 0, "AM", "G", "0", "3"}, {0x64, 40, 1, 0, "AM", "G", "0", "9"},
        {0x44, 40, 2, 4, "AK", "G", "0", "4"}, {0x08, 10, 2, 4, "DL", "A", "0", "4"},
        {0x11, 10, 2, 0, "C ", "A", "1", "4"}, {0x02, 10, 2, 0, "? ", "A", "2", "4"},
        {0x34, 36, 2, 0, "AM", "G", "0", "4"}, {0x14, 10, 0, 0, "E ", "A", "0", ""},
    };
    for (const Case& c : cases) {
        const Entry10 entry = {17, 0, c.b2, 40, c.b4, c.b5, 0, c.b7, 0, 2};
        Open(Jv3With({{0, entry}}));
        const std::string want = "Pdrives: TI = " + c.ti + "  TD = " + c.td +
                                 "  TC = 40   SPT = " + std::to_string(c.b4) + "  TSR = " + c.tsr +
                                 "  GPL = " + std::to_string(c.b5) + "  DDSL = 17  DDGA = 2";
        EXPECT_EQ(w.pdrive, want);
        Show(47);
        EXPECT_EQ(w.Txtlumpnum.Text, c.lump47) << want;
    }
}

TEST_F(DriveParameters, TrackZeroIsProbedBeforeTrackOne) {
    const Entry10 first = {17, 0, 0x14, 40, 10, 2, 0, 0, 0, 2};
    const Entry10 second = {17, 0, 0x14, 80, 10, 2, 0, 0, 0, 2};

    Open(Jv3With({{1, second}}));
    EXPECT_EQ(w.Text7.Text, kNewdosMarkerText);
    EXPECT_NE(w.pdrive.find("TC = 80"), std::string::npos) << w.pdrive;
    Show(12);
    EXPECT_EQ(Dumped(), SamplePdriveSector(second));

    Open(Jv3With({{0, first}, {1, second}}));
    EXPECT_NE(w.pdrive.find("TC = 40"), std::string::npos) << w.pdrive;

    // Neither probe finds the marker: nothing of Newdos/80 is shown.
    Open(Jv3With({{2, first}}));
    EXPECT_FALSE(w.Analysis().driveParameters.has_value());
    EXPECT_EQ(w.Text7.Text, "");
    EXPECT_EQ(w.Text5.Text, "");
    EXPECT_EQ(w.Txtlumpnum.Text, "");
    ASSERT_NE(NoticeLine(), nullptr);
    EXPECT_EQ(NoticeLine()->text, kNoDirectoryNotice);

    // The probe takes sector index 2 of the track: with sectors numbered
    // from 1 that is sector 3.
    Open(Jv3With({{0, first}}, 5, 1));
    EXPECT_EQ(w.Text7.Text, kNewdosMarkerText);

    // A two-sided DMK: the second probe looks at cylinder 1, side 0.
    std::vector<DmkTrack> recs = DmkStandardTracks(3, 2, 18, true);
    recs[2].sectors[2].data = SamplePdriveSector(second);
    Open(MakeDmk(recs).bytes);
    EXPECT_NE(w.pdrive.find("TC = 80"), std::string::npos) << w.pdrive;
}

TEST_F(DriveParameters, SingleDensityDmkSectors) {
    const Entry10 entry = {17, 0, 0x0C, 35, 10, 3, 0, 4, 0, 2};
    const std::string readOut =
        "Pdrives: TI = BL  TD = A  TC = 35   SPT = 10  TSR = 0  GPL = 3  DDSL = 17  DDGA = 2";
    DmkOptions opt;
    opt.optionsByte = dmk::kOptionSingleSided;

    // Data bytes kept twice: the marker lies 478 bytes into the data field.
    std::vector<DmkTrack> recs = DmkStandardTracks(3, 1, 10, false);
    recs[0].sectors[2].data = SamplePdriveSector(entry);
    Open(MakeDmk(recs, opt).bytes);
    EXPECT_EQ(w.pdrive, readOut);
    EXPECT_EQ(w.Analysis().driveParameters->SectorsPerLump(), 15);
    Show(47);
    EXPECT_EQ(w.Txtlumpnum.Text, "3");
    Show(2);
    EXPECT_EQ(Dumped(), SamplePdriveSector(entry));

    // 0xA5 as data byte 119 puts it at position 239 of the doubled field: no marker.
    std::vector<std::uint8_t> decoy(256, 0);
    decoy[119] = 0xA5;
    recs[0].sectors[2].data = decoy;
    Open(MakeDmk(recs, opt).bytes);
    EXPECT_FALSE(w.Analysis().driveParameters.has_value());
    EXPECT_EQ(w.Text7.Text, "");

    // Fields kept once, in 3264-byte tracks and in track 0 of a double-density disk.
    for (int len : {3264, 6400}) {
        SCOPED_TRACE(len);
        std::vector<DmkTrack> once(3);
        for (int t = 0; t < 3; ++t) {
            const bool sd = len == 3264 || t == 0;
            for (int s = 0; s < (sd ? 10 : 18); ++s) {
                DmkSector x = SdOnce(t, 0, s);
                x.doubleDensity = !sd;
                once[static_cast<std::size_t>(t)].sectors.push_back(x);
            }
        }
        once[0].sectors[2].data = SamplePdriveSector(entry);
        opt.trackLength = len;
        Open(MakeDmk(once, opt).bytes);
        EXPECT_EQ(w.pdrive, readOut);
        EXPECT_EQ(w.Text7.Text, kNewdosMarkerText);
        Show(2);
        EXPECT_EQ(Dumped(), SamplePdriveSector(entry));
    }
}

TEST_F(DriveParameters, DmkSampleDisk) {
    Open(SampleDmk());
    EXPECT_EQ(
        w.pdrive,
        "Pdrives: TI = AM  TD = G  TC = 40   SPT = 36  TSR = 0  GPL = 2  DDSL = 17  DDGA = 2");
    EXPECT_EQ(w.Text5.Text, "   Spg = 5");
    Show(1439);
    EXPECT_EQ(w.Txtlumpnum.Text, "143");
}

} // namespace
} // namespace ss::opentest
