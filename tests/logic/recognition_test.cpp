// Opening files in the main window: which layout a file is taken for, the two
// refusals and what a refused or unreadable file leaves in the window.
#include "display_helpers.h"
#include "image/analysis.h"
#include "support/image_builder.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <system_error>
#include <vector>

namespace ss {
namespace {

using windowtest::MainWindowTest;

const std::string kRealDiskText = "** ERROR **  This file is a DMK type REAL disk format,\r"
                                  "                     used to access REAL Disks";
const std::string kNoHeaderText = "** ERROR **\r"
                                  " This file does not have an EMULATOR Disk format HEADER\r"
                                  "    It may be a Disk file for use with a dedicated program";

std::vector<std::string> TrackTexts(int n) {
    std::vector<std::string> out;
    for (int t = 0; t < n; ++t) {
        out.push_back(" " + std::to_string(t));
    }
    return out;
}

std::vector<std::uint8_t> Jv1Bytes(std::size_t size) {
    std::vector<std::uint8_t> b(size, 0xE5);
    b[0] = 0x00;
    b[1] = 0xFE;
    b[2] = 0x11;
    return b;
}

// What an analysed image leaves that a later refusal must not touch.
struct KeptImage {
    int tracks, sides, Totalsecs;
    Density dens;
    std::int64_t dirstartsec;
    std::string dd, sda, Emtype, spgaa;
    std::vector<std::int64_t> fpas;
    std::vector<int> numbers; // track, side, number, density, mark per index
    std::vector<std::int64_t> perTrack;

    static KeptImage Of(const MainWindowLogic& w) {
        const ImageAnalysis& s = w.Analysis();
        KeptImage k{s.tracks, s.sides, s.totalSectors, s.density, s.directoryStart,
                    w.dd,     w.sda,   w.Emtype,       w.spgaa,   {},
                    {},       {}};
        for (int i = 0; i < 40; ++i) {
            const IndexedSector e = s.At(i);
            k.fpas.push_back(e.dataPos);
            for (int v : {e.track, e.side, e.number, e.doubleDensity ? 128 : 0, e.dataMark}) {
                k.numbers.push_back(v);
            }
        }
        for (int t = 0; t < 4; ++t) {
            k.perTrack.push_back(s.tables.TrackStart(t));
            k.perTrack.push_back(s.tables.SectorsOnTrack(t));
        }
        return k;
    }
    bool operator==(const KeptImage&) const = default;
};

class Recognition : public MainWindowTest {
  protected:
    // After a refusal: the window is blank, its lists are empty, its text
    // boxes are emptied (nothing of the image before stands under the new
    // name), and redraws on Activate and Resize add nothing.
    void ExpectBlankWindow(std::vector<std::tuple<std::string, Colour, Colour>> boxes) {
        for (auto& [text, back, fore] : boxes) {
            text.clear();
            back = colour::White;
        }
        EXPECT_FALSE(w.HasImage());
        EXPECT_EQ(w.openflag, 1);
        EXPECT_TRUE(w.Combo1.Items.empty());
        EXPECT_TRUE(w.List2.Items.empty());
        EXPECT_TRUE(w.surface.Items().empty());
        EXPECT_EQ(Boxes(), boxes);
        const int yields = host.yields;
        w.Form_Activate();
        w.Form_Resize();
        EXPECT_TRUE(w.surface.Items().empty());
        EXPECT_EQ(Boxes(), boxes);
        EXPECT_EQ(host.yields, yields);
        EXPECT_TRUE(w.Combo1.Items.empty());
    }
};

TEST_F(Recognition, FilesTakenForEachLayoutOrRefusedByTheirFirstBytes) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        Layout layout;
    };
    std::vector<std::uint8_t> realDmk16(16, 0);
    realDmk16[3] = 0x19;
    realDmk16[12] = 0x78;
    realDmk16[13] = 0x56;
    realDmk16[14] = 0x34;
    realDmk16[15] = 0x12;
    std::vector<std::uint8_t> dmk15(realDmk16.begin(), realDmk16.end() - 1);
    dmk15[1] = 2;
    std::vector<std::uint8_t> odd15 = dmk15;
    odd15[3] = 0x02; // neither a DMK track length nor four equal JV3 track bytes
    odd15[0] = 0x01;
    const std::vector<Case> cases = {
        {"empty file", {}, Layout::Unknown},
        {"two bytes 00 FE", {0x00, 0xFE}, Layout::Unknown},
        {"three bytes 00 FE 11", {0x00, 0xFE, 0x11}, Layout::JV1},
        {"JV1 of odd length", Jv1Bytes(1000), Layout::JV1},
        {"00 FE 12 then zeros", {0x00, 0xFE, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0}, Layout::JV3},
        {"nine zero bytes", std::vector<std::uint8_t>(9, 0), Layout::Unknown},
        {"ten equal bytes", std::vector<std::uint8_t>(10, 5), Layout::JV3},
        {"15 bytes, track length 6400, no track record", dmk15, Layout::DMK},
        {"15 bytes, no header", odd15, Layout::Unknown},
        {"16-byte REAL disk header", realDmk16, Layout::RealDiskDMK},
        {"four bytes, track length 3264", {0, 0, 0xC0, 0x0C}, Layout::DMK},
        {"four bytes, track length 6528", {0, 0, 0x80, 0x19}, Layout::DMK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RecogniseLayout(ImageBuffer(c.bytes)), c.layout);
        const std::size_t before = host.messages.size();
        Open(c.bytes);
        switch (c.layout) {
        case Layout::Unknown:
            ASSERT_EQ(host.messages.size(), before + 1);
            EXPECT_EQ(host.messages.back().text, kNoHeaderText);
            EXPECT_EQ(host.messages.back().buttons, 0);
            EXPECT_EQ(host.messages.back().title, "Error");
            EXPECT_FALSE(w.HasImage());
            EXPECT_TRUE(w.Combo1.Items.empty());
            break;
        case Layout::RealDiskDMK:
            ASSERT_EQ(host.messages.size(), before + 1);
            EXPECT_EQ(host.messages.back().text, kRealDiskText);
            EXPECT_EQ(host.messages.back().title, "Error");
            EXPECT_FALSE(w.HasImage());
            break;
        default:
            EXPECT_EQ(host.messages.size(), before);
            EXPECT_TRUE(w.HasImage());
            if (c.layout == Layout::DMK && c.bytes.size() < 16) {
                EXPECT_EQ(w.Analysis().totalSectors, 0);
            }
            EXPECT_EQ(w.Txtfiletype.Text,
                      c.layout == Layout::JV1 ? "JV1" : (c.layout == Layout::DMK ? "DMK" : "JV3"));
            break;
        }
    }
}

TEST_F(Recognition, Jv1TracksFollowTheFileLength) {
    struct Case {
        std::size_t size;
        int tracks, sectors;
        std::vector<std::string> notices;
    };
    for (const Case& c :
         {Case{3, 1, 1, {"image ends inside track 0"}},
          Case{1000, 1, 4, {"image ends inside track 0"}}, Case{35 * 10 * 256, 35, 350, {}},
          Case{40 * 10 * 256 + 300, 41, 402, {"image ends inside track 40"}}}) {
        SCOPED_TRACE(c.size);
        Open(Jv1Bytes(c.size));
        EXPECT_EQ(w.Combo1.Items, TrackTexts(c.tracks));
        EXPECT_EQ(w.Analysis().totalSectors, c.sectors);
        EXPECT_EQ(w.Analysis().tracks, c.tracks);
        EXPECT_EQ(w.Analysis().directoryStart, 170);
        EXPECT_TRUE(w.Analysis().directoryFound);
        EXPECT_EQ(w.Text1.Text, " " + std::to_string(c.tracks) + " Track");
        EXPECT_EQ(w.List2.Items, c.notices);
        // Steps stop at the last sector the file holds, on the last track.
        w.CmndNexTrack_Click();
        w.CmndNextsec_Click();
        for (int k = 0; k < 500; ++k) {
            w.CmndNexTrack_Click();
        }
        for (int k = 0; k < 20; ++k) {
            w.CmndNextsec_Click();
        }
        EXPECT_EQ(w.PresSecnum, c.sectors - 1);
        EXPECT_EQ(w.Txttrk.Text, std::to_string(c.tracks - 1));
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Recognition, DmkTrackLengthDecidesTheDensity) {
    struct Case {
        int trackLength;
        bool dd;
        Density dens;
        int spg;
        const char* text;
        Colour colour;
    };
    for (const Case& c : {Case{6400, true, Density::Double, 6, " Double/Density", colour::Red},
                          Case{3264, false, Density::Single, 5, " Single/Density", colour::Green},
                          Case{6528, true, Density::Double, 6, " Double/Density", colour::Red}}) {
        SCOPED_TRACE(c.trackLength);
        testimg::DmkOptions opt;
        opt.trackLength = c.trackLength;
        opt.optionsByte = dmk::kOptionSingleSided;
        Open(testimg::MakeDmk(testimg::DmkStandardTracks(3, 1, c.dd ? 10 : 2, c.dd), opt).bytes);
        EXPECT_TRUE(host.messages.empty());
        EXPECT_EQ(w.Txtfiletype.Text, "DMK");
        EXPECT_EQ(w.Analysis().trackLength, c.trackLength);
        EXPECT_EQ(w.Analysis().density, c.dens);
        EXPECT_EQ(w.Analysis().sectorsPerGranule, c.spg);
        EXPECT_EQ(w.Text2.Text, c.text);
        EXPECT_EQ(w.Text2.ForeColor, c.colour);
        EXPECT_EQ(w.Combo1.Items, TrackTexts(3));
    }
}

TEST_F(Recognition, RealDiskMarkRefusesOnlyADmkImage) {
    for (int length : {6400, 3264}) {
        testimg::DmkOptions opt;
        opt.trackLength = length;
        opt.realDisk = true;
        Open(testimg::MakeDmk({testimg::DmkTrack{}}, opt).bytes);
        ASSERT_FALSE(host.messages.empty());
        EXPECT_EQ(host.messages.back().text, kRealDiskText);
        EXPECT_EQ(host.messages.back().buttons, 0);
        EXPECT_EQ(host.messages.back().title, "Error");
    }
    ASSERT_EQ(host.messages.size(), 2u);

    // In a JV3 file the same four bytes are the fifth entry and the track of
    // the sixth: the file is an ordinary JV3 image.
    std::vector<testimg::Jv3Entry> entries;
    for (int s = 0; s < 10; ++s) {
        entries.push_back({.track = 0, .sector = s});
    }
    auto jv3 = testimg::MakeJv3(entries);
    jv3[12] = 0x78;
    jv3[13] = 0x56;
    jv3[14] = 0x34;
    jv3[15] = 0x12;
    EXPECT_EQ(RecogniseLayout(ImageBuffer(jv3)), Layout::JV3);
    Open(jv3);
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_TRUE(w.HasImage());
    EXPECT_EQ(w.Txtfiletype.Text, "JV3");
    EXPECT_EQ(w.Analysis().layout, Layout::JV3);
}

TEST_F(Recognition, RealDiskRefusalKeepsThePreviousImage) {
    // A double-density DMK image whose sectors are numbered from 1.
    Open(testimg::MakeDmk(testimg::DmkStandardTracks(3, 1, 10, true, 1)).bytes);
    ASSERT_TRUE(w.HasImage());
    ASSERT_TRUE(w.Analysis().firstSectorOne);
    ASSERT_EQ(w.datamarkDmk, 0xFB);
    ASSERT_EQ(w.List2.Items, std::vector<std::string>{"This files Track Sectors start at 1"});
    const KeptImage kept = KeptImage::Of(w);
    const auto boxes = Boxes();
    const bool dirfnd = w.Analysis().directoryFound;

    testimg::DmkOptions opt;
    opt.trackLength = 3264;
    opt.realDisk = true;
    const std::vector<std::uint8_t> real =
        testimg::MakeDmk({testimg::DmkTrack{}, testimg::DmkTrack{}}, opt).bytes;
    Open(real);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kRealDiskText);

    // The refused file's own analysis says what it is, and goes no further.
    const ImageBuffer buf(real);
    const ImageAnalysis refused = ss::AnalyseImage(buf, disk::ReadDisk(buf));
    EXPECT_EQ(refused.outcome, AnalysisResult::RefusedRealDisk);
    EXPECT_EQ(refused.layout, Layout::RealDiskDMK);
    EXPECT_EQ(refused.trackLength, 3264);
    EXPECT_EQ(refused.density, Density::Single);
    EXPECT_EQ(refused.sectorsPerGranule, 5);
    EXPECT_EQ(refused.totalSectors, 0);

    // The window keeps the analysis of the image before, its data marks reset.
    EXPECT_EQ(w.datamarkDmk, 0);
    EXPECT_EQ(w.datamarkjv, 0);
    EXPECT_EQ(w.Analysis().directoryFound, dirfnd);
    EXPECT_TRUE(KeptImage::Of(w) == kept);
    ExpectBlankWindow(boxes);
    // To Directory answers as the image before left it.
    w.CmndDirFind_Click();
    EXPECT_EQ(host.messages.size(), dirfnd ? 1u : 2u);
    EXPECT_TRUE(w.surface.Items().empty());
}

TEST_F(Recognition, NoHeaderRefusalKeepsThePreviousImage) {
    // A JV3 image of two densities, its first sector a directory sector.
    std::vector<testimg::Jv3Entry> entries;
    for (int t = 0; t < 2; ++t) {
        for (int s = 0; s < 18; ++s) {
            entries.push_back(
                {.track = t, .sector = s, .doubleDensity = t == 0, .dirMark = t == 0 && s == 0});
        }
    }
    Open(testimg::MakeJv3(entries));
    ASSERT_TRUE(w.HasImage());
    ASSERT_EQ(w.Analysis().density, Density::Dual);
    ASSERT_EQ(w.Analysis().sectorsPerGranule, 6);
    ASSERT_EQ(w.datamarkjv, 0xF8); // the directory mark of double density
    ASSERT_TRUE(w.Analysis().directoryFound);
    ASSERT_EQ(w.List2.Items, std::vector<std::string>{"    This Disk has Dual Density"});
    ASSERT_EQ(w.Combo1.Items, TrackTexts(2));
    const KeptImage kept = KeptImage::Of(w);
    const auto boxes = Boxes();

    std::vector<std::uint8_t> plain(64, 0x12);
    plain[0] = 0x01;
    plain[2] = 0x34; // track length 0x1234
    Open(plain);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, kNoHeaderText);
    EXPECT_EQ(host.messages[0].buttons, 0);
    EXPECT_EQ(host.messages[0].title, "Error");

    const ImageBuffer buf(plain);
    const ImageAnalysis refused = ss::AnalyseImage(buf, disk::ReadDisk(buf));
    EXPECT_EQ(refused.outcome, AnalysisResult::RefusedNoHeader);
    EXPECT_EQ(refused.layout, Layout::Unknown);
    EXPECT_FALSE(refused.directoryFound);

    // The window keeps the analysis of the image before, but the directory it
    // found is forgotten: To Directory says there is none.
    EXPECT_FALSE(w.Analysis().directoryFound);
    EXPECT_EQ(w.datamarkjv, 0);
    EXPECT_TRUE(KeptImage::Of(w) == kept);
    ExpectBlankWindow(boxes);
    w.CmndDirFind_Click();
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, "No Directory was found on this disk");
    EXPECT_TRUE(w.surface.Items().empty());

    // The next good file is shown again.
    Open(Jv1Bytes(350 * 256));
    EXPECT_TRUE(w.HasImage());
    EXPECT_EQ(w.Txtfiletype.Text, "JV1");
    EXPECT_EQ(w.Combo1.Items, TrackTexts(35));
    EXPECT_FALSE(w.surface.Items().empty());
}

TEST_F(Recognition, UnreadableFileKeepsTheWindowAsItWas) {
    const std::string good = Open(Jv1Bytes(350 * 256));
    const auto items = w.surface.Items();
    const auto boxes = Boxes();
    const int yields = host.yields;

    const std::string missing = ::testing::TempDir() + "sectorscope_no_such_folder/none.dsk";
    w.MnuOpen(missing);
    ASSERT_EQ(host.messages.size(), 1u);
    // The warning's first line, then the file and the system's reason.
    EXPECT_EQ(
        host.messages[0].text,
        "Error encountered while trying to open file, please retry.\rFile: " + missing +
            "\rReason: " + std::make_error_code(std::errc::no_such_file_or_directory).message());
    EXPECT_EQ(host.messages[0].buttons, 48);
    EXPECT_EQ(host.messages[0].title, "Text Editor");
    EXPECT_TRUE(w.HasImage());
    EXPECT_EQ(w.surface.Items(), items);
    EXPECT_EQ(Boxes(), boxes);
    EXPECT_EQ(w.TxtFilename.Text, good);
    EXPECT_EQ(w.Combo1.Items, TrackTexts(35));
    EXPECT_EQ(host.yields, yields);
}

TEST_F(Recognition, ASecondImageReplacesTheTrackList) {
    Open(Jv1Bytes(350 * 256));
    ASSERT_EQ(w.Combo1.Items.size(), 35u);
    std::vector<testimg::Jv3Entry> entries;
    for (int t = 0; t < 3; ++t) {
        for (int s = 0; s < 10; ++s) {
            entries.push_back({.track = t, .sector = s});
        }
    }
    Open(testimg::MakeJv3(entries));
    EXPECT_EQ(w.Combo1.Items, TrackTexts(3));
    testimg::DmkOptions oneSide;
    oneSide.optionsByte = dmk::kOptionSingleSided;
    Open(testimg::MakeDmk(testimg::DmkStandardTracks(5, 1, 10, true), oneSide).bytes);
    EXPECT_EQ(w.Combo1.Items, TrackTexts(5));
    Open(Jv1Bytes(3));
    EXPECT_EQ(w.Combo1.Items, TrackTexts(1));
}

} // namespace
} // namespace ss
