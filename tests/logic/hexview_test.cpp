// The hex viewer window: the page of 28 lines, the colour marking of the
// three layouts, the legend, loading from the main window and the File menu,
// and paging with the scroll bar.
#include "hexview/form2.h"
#include "hexview/hex_layout.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"
#include "window_fixture.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace ss {
namespace {

using testimg::DmkOptions;
using testimg::DmkTrack;
using testimg::Jv3Entry;

constexpr Colour kHeaderZero = 0x00CF00;
constexpr Colour kHeaderByte = 0x007F00;
constexpr Colour kFreeEntry = 0x008000;
constexpr Colour kFlags = 0x009000;
const std::string kNotice = "These Sectors are Model 1 Double Byte sectors";
const std::string kNoNotice(41, ' ');

// Character column of the hex digits and of the text character of byte k
// (0 to 15) of a line.
int HexColumn(int k) {
    return 10 + 3 * k + k / 4;
}
int TextColumn(int k) {
    return 62 + k;
}

class HexViewerTest : public testwindow::WindowTest {
  protected:
    Form2Logic hex{host, metrics};

    // Loads the bytes with the window's own File > Open.
    void Load(const std::vector<std::uint8_t>& bytes) { hex.MnuOpen(TempFile(bytes)); }
    // Shows the page that starts at the line holding offset p.
    void PageAt(std::int64_t p) { hex.VScroll1.SetValue(static_cast<int>(HexLayout::LineOf(p))); }

    // The item drawn at character column c of line `line` of the page.
    const TextItem* At(int line, int c) const {
        return hex.surface.TextAt(150 + c * FixedMetrics::kCharWidth,
                                  (8 + line) * FixedMetrics::kLineHeight);
    }
    // Colour of the hex digits (or text character) of file offset p on the page shown.
    Colour HexColour(std::int64_t p) const { return ColourAt(p, HexColumn); }
    Colour TextColour(std::int64_t p) const { return ColourAt(p, TextColumn); }
    // Colours of the hex digits of offsets from to from + n - 1.
    std::vector<Colour> HexColours(std::int64_t from, int n) const {
        std::vector<Colour> out;
        for (int k = 0; k < n; ++k) {
            out.push_back(HexColour(from + k));
        }
        return out;
    }
    // The whole text of page line `line`.
    std::string Line(int line) const {
        std::string out;
        for (const TextItem& t : hex.surface.TextsAt((8 + line) * FixedMetrics::kLineHeight)) {
            out += t.text;
        }
        return out;
    }
    std::vector<std::string> Legend() const {
        return {hex.Text2.Text, hex.Text3.Text, hex.Text4.Text,
                hex.Text5.Text, hex.Text6.Text, hex.Text7.Text};
    }

  private:
    Colour ColourAt(std::int64_t p, int (*column)(int)) const {
        const std::int64_t off = p - hex.fpasave2;
        const TextItem* t = At(static_cast<int>(off / 16), column(static_cast<int>(off % 16)));
        EXPECT_NE(t, nullptr) << "offset " << p;
        return t != nullptr ? t->colour : 0xFFFFFFFFu;
    }
};

// A one-sided DMK image of `tracks` standard double-density tracks.
testimg::DmkImage Dmk(int tracks = 2, bool dd = true, int trackLength = 6400, int spt = 10) {
    DmkOptions o;
    o.optionsByte = testimg::kDmkOptSingleSided;
    o.trackLength = trackLength;
    return testimg::MakeDmk(testimg::DmkStandardTracks(tracks, 1, spt, dd), o);
}

// A DMK header with 6400-byte tracks and one track of zeros, for hand-made fields.
std::vector<std::uint8_t> BareDmk() {
    std::vector<std::uint8_t> b(16 + 6400, 0);
    b[1] = 1;
    b[2] = 0x00;
    b[3] = 0x19;
    return b;
}

void Put(std::vector<std::uint8_t>& b, std::size_t at, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        b[at + k] = bytes[k];
    }
}

std::vector<Jv3Entry> Jv3Track(int track, int count) {
    std::vector<Jv3Entry> out;
    for (int s = 0; s < count; ++s) {
        Jv3Entry e;
        e.track = track;
        e.sector = s % 18;
        out.push_back(e);
    }
    return out;
}

TEST(HexLayoutTest, LastPageLineCoversEveryFile) {
    struct Case {
        std::int64_t fileend, lastLine, lines;
    };
    const std::int64_t big = std::numeric_limits<std::int32_t>::max();
    for (const Case& c : std::vector<Case>{{0, 0, 0},
                                           {255, 0, 16},
                                           {256, 0, 16},
                                           {1000, 46, 63},
                                           {89600, 5584, 5600},
                                           {524720, 32779, 32795},
                                           {1024016, 63985, 64001},
                                           {big, (big - 256) / 16, big / 16 + 1}}) {
        EXPECT_EQ(HexLayout::LastPageLine(c.fileend), c.lastLine) << c.fileend;
        EXPECT_EQ(HexLayout::LineCount(c.fileend), c.lines) << c.fileend;
        EXPECT_LE(HexLayout::LastPageLine(c.fileend), std::numeric_limits<int>::max());
    }
}

TEST_F(HexViewerTest, LinesShowAddressHexAndText) {
    std::vector<std::uint8_t> b(512, 0x41);
    Put(b, 16, {0x20, 0x7F, 0x80, 0xFF, 0x21, 0x00});
    Load(b);
    EXPECT_EQ(hex.Text1.Text, "200");
    EXPECT_EQ(hex.TxtFilename.Text, hex.Filename);
    EXPECT_EQ(Line(0), " 0000000  41 41 41 41  41 41 41 41  41 41 41 41  41 41 41 41  "
                       "AAAAAAAAAAAAAAAA");
    EXPECT_EQ(Line(1), " 0000010  20 7F 80 FF  21 00 41 41  41 41 41 41  41 41 41 41  "
                       ".\x7F..!.AAAAAAAAAA");
    EXPECT_EQ(Line(0).size(), 78u);
    EXPECT_EQ(Line(27).substr(0, 9), " 00001B0 ");
    EXPECT_EQ(At(0, 1)->colour, colour::Brown);
    EXPECT_EQ(hex.fpa, 448);
    EXPECT_EQ(hex.fpasave2, 0);
    EXPECT_EQ(hex.Text2.Text, ""); // none of the layouts: no marking, no legend
    EXPECT_EQ(HexColours(0, 3), std::vector<Colour>(3, colour::Black));
}

TEST_F(HexViewerTest, Jv1SectorsAlternateRedAndBlack) {
    Load(testimg::SampleJv1());
    EXPECT_EQ(Legend(),
              (std::vector<std::string>{"JV1", "", "Tracks in Red or Black", "", "", ""}));
    EXPECT_EQ(HexColour(0), colour::Red);
    EXPECT_EQ(HexColour(255), colour::Red);
    EXPECT_EQ(HexColour(256), colour::Black);
    EXPECT_EQ(HexColour(447), colour::Black);
    PageAt(512);
    EXPECT_EQ(HexColour(512), colour::Red);
}

TEST_F(HexViewerTest, DmkHeaderTrackHeadersMarksAndGaps) {
    const testimg::DmkImage img = Dmk();
    Load(img.bytes);
    EXPECT_EQ(Legend(), (std::vector<std::string>{"DMK", "IDAM:FE", "Track Header in Green",
                                                  "Track", "Side", "Sector"}));
    EXPECT_EQ(hex.Text3.ForeColor, colour::Blue);
    EXPECT_EQ(hex.Text4.ForeColor, 0x008F00u);
    EXPECT_EQ(hex.Text7.ForeColor, colour::Blue);
    EXPECT_EQ(HexColours(0, 16), std::vector<Colour>(16, colour::Magenta));
    for (std::int64_t p = 16; p < 144; ++p) {
        EXPECT_EQ(HexColour(p), img.bytes[p] == 0 ? kHeaderZero : kHeaderByte) << p;
    }
    EXPECT_NE(HexColour(144), kHeaderByte);

    // A1 A1 A1 FE tt hh ss nn: the mark and four bytes blue, the CRC not; the
    // data mark 44 bytes on blue; the 0x4E gap red in hex and text.
    const testimg::DmkPlaced& s = img.placed[0][0];
    PageAt(s.idPos);
    EXPECT_EQ(HexColours(s.idPos - 1, 8),
              (std::vector<Colour>{colour::Black, colour::Blue, colour::Blue, colour::Blue,
                                   colour::Blue, colour::Blue, colour::Black, colour::Black}));
    EXPECT_EQ(HexColour(s.damPos), colour::Blue);
    EXPECT_EQ(HexColour(s.damPos + 1), colour::Black);
    EXPECT_EQ(img.bytes[s.idPos + 7], 0x4E);
    EXPECT_EQ(HexColour(s.idPos + 7), colour::Red);
    EXPECT_EQ(TextColour(s.idPos + 7), colour::Red);
    EXPECT_EQ(hex.Text8.Text, kNoNotice);

    // The second track's header starts at 16 + 6400.
    PageAt(6416);
    EXPECT_EQ(HexColour(6416), kHeaderByte);
    EXPECT_EQ(HexColour(6416 + 127), kHeaderZero);
    EXPECT_NE(HexColour(6416 + 128), kHeaderZero);
}

TEST_F(HexViewerTest, OnlyTheFirstDataMarkMoreThanTenBytesOnIsMarked) {
    std::vector<std::uint8_t> b = BareDmk();
    // The mark at 403: data marks up to 413 are too near, 414 is the first.
    Put(b, 400,
        {0xA1, 0xA1, 0xA1, 0xFE, 1, 0, 3, 1, 0xC1, 0xC2, 0xFB, 0xF8, 0xFA, 0xF8, 0xFB, 0xFA});
    Load(b);
    PageAt(400);
    std::vector<Colour> want(4, colour::Black);
    want.push_back(colour::Blue);
    want.push_back(colour::Black);
    EXPECT_EQ(HexColours(410, 6), want);
}

TEST_F(HexViewerTest, DoubledSingleDensityFieldsAndTheNotice) {
    const testimg::DmkImage img = Dmk(2, false);
    Load(img.bytes);
    const testimg::DmkPlaced& s = img.placed[0][0];
    PageAt(s.idPos);
    std::vector<Colour> want(9, colour::Blue);
    want.push_back(colour::Black);
    EXPECT_EQ(HexColours(s.idPos, 10), want);
    EXPECT_EQ(HexColour(s.damPos), colour::Blue);
    EXPECT_EQ(hex.Text8.Text, kNotice);
    // A page without an ID mark clears the notice.
    PageAt(s.damPos + 2);
    EXPECT_EQ(hex.Text8.Text, kNoNotice);
}

TEST_F(HexViewerTest, DmkTrackLengthsTheViewerMarks) {
    struct Case {
        int trackLength;
        std::string format;
    };
    // 6528-byte tracks are DMK like 6400-byte ones; the main window takes them
    // as double density too.
    for (const Case& c : std::vector<Case>{{0x0CC0, "DMK"}, {0x1900, "DMK"}, {0x1980, "DMK"}}) {
        const testimg::DmkImage img = Dmk(2, true, c.trackLength, 8);
        Load(img.bytes);
        EXPECT_EQ(hex.Text2.Text, c.format) << c.trackLength;
        EXPECT_EQ(HexColour(17), kHeaderByte) << c.trackLength; // a pointer's density bit
        PageAt(16 + c.trackLength);
        EXPECT_EQ(HexColour(17 + c.trackLength), kHeaderByte) << c.trackLength;
    }
    std::vector<std::uint8_t> other = BareDmk();
    other[2] = 0x00;
    other[3] = 0x1A;
    Load(other);
    EXPECT_EQ(hex.Text2.Text, "");
}

TEST_F(HexViewerTest, RealDiskDmkStaysBlackButItsGapCharactersRed) {
    const testimg::DmkImage img = testimg::MakeDmk(testimg::DmkStandardTracks(1, 1, 10, true),
                                                   DmkOptions{-1, 6400, 0x10, true});
    Load(img.bytes);
    EXPECT_EQ(Legend(), (std::vector<std::string>{"", " DMK Real Disk type", "", "", "", ""}));
    PageAt(img.placed[0][0].idPos);
    for (std::int64_t p = hex.fpasave2; p < hex.fpasave2 + 448; ++p) {
        ASSERT_EQ(HexColour(p), colour::Black) << p;
    }
    EXPECT_EQ(TextColour(img.placed[0][0].idPos + 7), colour::Red);
}

TEST_F(HexViewerTest, Jv3HeaderEntriesDataAreaAndLegend) {
    std::vector<Jv3Entry> entries = Jv3Track(0, 10);
    for (const Jv3Entry& e : Jv3Track(1, 10)) {
        entries.push_back(e);
    }
    Load(testimg::MakeJv3(entries));
    EXPECT_EQ(Legend(),
              (std::vector<std::string>{"JV3", " Track", "", "Sector", "Dens/DAM/Side ", ""}));
    EXPECT_EQ(hex.Text3.ForeColor, colour::Red);
    EXPECT_EQ(hex.Text5.ForeColor, colour::Blue);
    EXPECT_EQ(hex.Text6.ForeColor, kFlags);
    // Track 0 red, track 1 magenta, free entries green; sector blue, flags green.
    EXPECT_EQ(HexColours(27, 6), (std::vector<Colour>{colour::Red, colour::Blue, kFlags,
                                                      colour::Magenta, colour::Blue, kFlags}));
    EXPECT_EQ(HexColours(60, 3), (std::vector<Colour>{kFreeEntry, colour::Blue, kFlags}));

    // A page that reaches 8704 shows the data legend; 256-byte blocks
    // alternate black and red from 8704 on.
    PageAt(8640);
    EXPECT_EQ(Legend(),
              (std::vector<std::string>{"JV3", "", "Tracks in Red or Black", "", "", ""}));
    EXPECT_EQ(HexColour(8702), kFlags);
    EXPECT_EQ(HexColour(8704), colour::Black);
    EXPECT_EQ(HexColour(8960), colour::Red);
}

TEST_F(HexViewerTest, Jv3ColourPhaseCarriesAcrossPages) {
    // Track 1 runs past the page: one change of track leaves the phase flipped.
    std::vector<Jv3Entry> entries = Jv3Track(0, 10);
    for (const Jv3Entry& e : Jv3Track(1, 200)) {
        entries.push_back(e);
    }
    Load(testimg::MakeJv3(entries));
    EXPECT_EQ(HexColour(0), colour::Red);
    EXPECT_EQ(HexColour(30), colour::Magenta);
    hex.Form_Resize();
    EXPECT_EQ(HexColour(0), colour::Magenta);
    EXPECT_EQ(HexColour(30), colour::Red);
    hex.Form_Resize();
    EXPECT_EQ(hex.marking.clrsave, 1);
    // The window's File > Open starts the phase again.
    Load(testimg::MakeJv3(entries));
    EXPECT_EQ(HexColour(0), colour::Red);
}

TEST_F(HexViewerTest, IdFieldRunningPastThePageGoesOnOnTheNextPageDrawn) {
    std::vector<std::uint8_t> b = BareDmk();
    // The mark is the second last byte of the page at 448; the data mark lies
    // on the page after.
    Put(b, 448 + 443, {0xA1, 0xA1, 0xA1, 0xFE, 1, 0, 3, 1});
    b[448 + 448 + 20] = 0xFB;
    Load(b);
    PageAt(448);
    EXPECT_EQ(HexColours(891, 5), (std::vector<Colour>{colour::Black, colour::Black, colour::Black,
                                                       colour::Blue, colour::Blue}));
    PageAt(896);
    EXPECT_EQ(HexColours(896, 4),
              (std::vector<Colour>{colour::Blue, colour::Blue, colour::Blue, colour::Black}));
    EXPECT_EQ(HexColour(916), colour::Blue);
}

TEST_F(HexViewerTest, ShortAndOddLengthFiles) {
    // Shorter than 256 bytes: the page at 0 stays, zeros after the end.
    Load(std::vector<std::uint8_t>(100, 0x41));
    const std::vector<DrawItem> page = hex.surface.Items();
    hex.VScroll1.SetValue(5);
    EXPECT_EQ(hex.stepval, 5);
    EXPECT_EQ(hex.surface.Items(), page);
    EXPECT_EQ(Line(6).substr(10, 3), "41 ");
    EXPECT_EQ(Line(7), " 0000070  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  "
                       "................");

    // Empty: length 0, a page of zeros taken for JV3.
    Load({});
    EXPECT_EQ(hex.Text1.Text, "0");
    EXPECT_EQ(hex.Text2.Text, "JV3");
    EXPECT_EQ(Line(27).substr(0, 13), " 00001B0  00 ");

    // 1000 bytes: the last page starts at line 46, also when dragged past it.
    Load(std::vector<std::uint8_t>(1000, 0x41));
    EXPECT_EQ(hex.Text1.Text, "3E8");
    EXPECT_EQ(hex.VScroll1.Max, 46);
    hex.VScroll1.SetValue(50);
    EXPECT_EQ(hex.VScroll1.Value(), 46);
    EXPECT_EQ(hex.fpasave2, 736);
    EXPECT_EQ(Line(16).substr(10, 24), "41 41 41 41  41 41 41 41");
    EXPECT_EQ(Line(16).substr(34, 4), "  00");
}

TEST_F(HexViewerTest, SnapBackAtTheEndOfAJv1Image) {
    const std::vector<std::uint8_t> img = testimg::SampleJv1();
    ASSERT_EQ(img.size(), 89600u);
    Load(img);
    EXPECT_EQ(hex.Text1.Text, "15E00");
    hex.VScroll1.SetValue(6000);
    EXPECT_EQ(hex.VScroll1.Value(), 5584);
    EXPECT_EQ(hex.stepval, 5584);
    EXPECT_EQ(hex.fpasave2, 89344);
    EXPECT_EQ(Line(16), " 0015E00  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  "
                        "................");
}

TEST_F(HexViewerTest, AMegabyteDmkPagesToItsVeryEnd) {
    DmkOptions o;
    const std::vector<std::uint8_t> img =
        testimg::MakeDmk(testimg::DmkStandardTracks(80, 2, 18, true), o).bytes;
    ASSERT_GT(img.size(), 524720u);
    Load(img);
    const std::int64_t last = HexLayout::LastPageLine(static_cast<std::int64_t>(img.size()));
    EXPECT_GT(last, std::numeric_limits<std::int16_t>::max());
    EXPECT_EQ(hex.VScroll1.Max, last);
    hex.VScroll1.SetValue(static_cast<int>(last) + 1000);
    EXPECT_EQ(hex.VScroll1.Value(), last);
    EXPECT_EQ(hex.fpasave2, 16 * last);
    // The file's last byte ends line 15 of the page; zeros follow.
    EXPECT_EQ(Line(15).substr(0, 9), " 00FA000 ");
    EXPECT_EQ(Line(16), " 00FA010  00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  "
                        "................");
    EXPECT_EQ(HexColour(1024015), colour::Red); // a gap byte at the end of the last track
}

TEST_F(HexViewerTest, ResizeDrawsTheSamePageAgain) {
    Load(testimg::SampleJv1());
    hex.VScroll1.SetValue(100);
    const std::vector<DrawItem> page = hex.surface.Items();
    hex.Form_Resize();
    EXPECT_EQ(hex.fpasave2, 1600);
    EXPECT_EQ(hex.surface.Items(), page);

    Form2Logic fresh{host, metrics};
    fresh.Form_Resize();
    fresh.VScroll1.SetValue(3);
    EXPECT_TRUE(fresh.surface.Items().empty());
}

TEST_F(HexViewerTest, HexEditorLoadsTheMainWindowsFileOnce) {
    // Before any file: nothing to load.
    w.Cmndhexedit_Click();
    hex.Form_Activate();
    EXPECT_EQ(hex.openflag, 0);

    const std::string first = Open(testimg::SampleJv1());
    w.Cmndhexedit_Click();
    EXPECT_EQ(host.shown.back(), WindowId::HexViewer);
    hex.Form_Activate();
    EXPECT_EQ(hex.TxtFilename.Text, first);
    EXPECT_EQ(hex.Text2.Text, "JV1");

    hex.VScroll1.SetValue(10);
    Open(testimg::SampleDmk());
    w.Cmndhexedit_Click();
    hex.Form_Activate();
    EXPECT_EQ(hex.TxtFilename.Text, first);
    EXPECT_EQ(hex.Text1.Text, "15E00");
    EXPECT_EQ(hex.fpasave2, 160);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(HexViewerTest, AFileThatCannotBeOpenedKeepsTheWindowsFile) {
    Load(testimg::SampleJv1());
    hex.MnuOpen(testing::TempDir() + "no_such_image.dmk");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Text Editor");
    EXPECT_EQ(host.messages[0].buttons, 48);
    EXPECT_EQ(hex.Text2.Text, "JV1");
    EXPECT_EQ(hex.Text1.Text, "15E00");
}

} // namespace
} // namespace ss
