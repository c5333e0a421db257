// The hex viewer window: the page of 28 lines, the colour marking of the
// three layouts, the legend, loading from the main window and the File menu,
// and paging with the scroll bar.
#include "image/disk.h"
#include "image/dmk.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"
#include "window_fixture.h"
#include "windows/hex_viewer/hex_layout.h"
#include "windows/hex_viewer/hex_recognition.h"
#include "windows/hex_viewer/hex_viewer_logic.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace ss {
namespace {

using testimg::DmkOptions;
using testimg::Jv3Entry;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;

const std::string kNotice = "These Sectors are Model 1 Double Byte sectors";
const std::string kNoNotice(41, ' ');

// A colour as one letter, so that a run of bytes reads as a word: blacK, Red,
// Blue, Magenta, track Header byte, header Zero, Free JV3 entry, JV3 fLags.
char Letter(Colour c) {
    switch (c) {
    case colour::Black:
        return 'k';
    case colour::Red:
        return 'r';
    case colour::Blue:
        return 'b';
    case colour::Magenta:
        return 'm';
    case 0x007F00:
        return 'h';
    case 0x00CF00:
        return 'z';
    case 0x008000:
        return 'f';
    case 0x009000:
        return 'l';
    default:
        return '?';
    }
}

class HexViewerTest : public testwindow::WindowTest {
  protected:
    HexViewerLogic hex{host, metrics};

    // Loads the bytes with the window's own File > Open.
    void Load(const Bytes& bytes) { hex.MnuOpen(TempFile(bytes)); }
    // Shows the page that starts at the line holding offset p.
    void PageAt(std::int64_t p) { hex.VScroll1.SetValue(static_cast<int>(HexLayout::LineOf(p))); }

    // The colours of the hex digits of offsets from to from + n - 1 on the
    // page shown, as letters; with text, of their text-column characters.
    std::string Colours(std::int64_t from, int n = 1, bool text = false) const {
        std::string out;
        for (std::int64_t p = from; p < from + n; ++p) {
            const int line = static_cast<int>((p - hex.fpasave2) / 16);
            const int k = static_cast<int>((p - hex.fpasave2) % 16);
            const int column = text ? 62 + k : 10 + 3 * k + k / 4;
            const TextItem* t = hex.surface.TextAt(150 + column * FixedMetrics::kCharWidth,
                                                   (8 + line) * FixedMetrics::kLineHeight);
            out += t != nullptr ? Letter(t->colour) : '-';
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
    Texts Legend() const {
        return {hex.Text2.Text, hex.Text3.Text, hex.Text4.Text,
                hex.Text5.Text, hex.Text6.Text, hex.Text7.Text};
    }
};

// A one-sided DMK image of standard tracks.
testimg::DmkImage Dmk(int tracks, bool dd, int trackLength = 6400, bool realDisk = false) {
    DmkOptions o{-1, trackLength, dmk::kOptionSingleSided, realDisk};
    return testimg::MakeDmk(testimg::DmkStandardTracks(tracks, 1, 8, dd), o);
}

// A DMK header with 6400-byte tracks and one track of zeros; `bytes` at `at`.
Bytes BareDmk(std::size_t at = 0, const Bytes& bytes = {}) {
    Bytes b(16 + 6400, 0);
    b[3] = 0x19;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    return b;
}

// JV3 entries: `first` sectors of track 0, then `second` of track 1.
Bytes Jv3(int first, int second) {
    std::vector<Jv3Entry> entries;
    for (int n = 0; n < first + second; ++n) {
        Jv3Entry e;
        e.track = n < first ? 0 : 1;
        e.sector = n % 18;
        entries.push_back(e);
    }
    return testimg::MakeJv3(entries);
}

TEST(HexLayoutTest, TheLastPageLineOfEveryFileFitsTheBar) {
    const std::int64_t big = std::numeric_limits<std::int32_t>::max();
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {0, 0}, {255, 0}, {256, 0}, {1000, 46}, {524720, 32779}, {big, (big - 256) / 16}};
    for (const auto& [fileend, last] : cases) {
        EXPECT_EQ(HexLayout::LastPageLine(fileend), last) << fileend;
        EXPECT_LE(last, std::numeric_limits<int>::max());
    }
}

TEST(HexBytesTest, ReadsZerosOutsideTheFile) {
    const HexBytes file(Bytes{1, 2, 3, 4, 5});
    const std::pair<std::int64_t, std::array<std::uint8_t, 4>> cases[] = {
        {1, {2, 3, 4, 5}}, {-2, {0, 0, 1, 2}}, {3, {4, 5, 0, 0}}, {100, {0, 0, 0, 0}}};
    for (const auto& [from, bytes] : cases) {
        std::array<std::uint8_t, 4> read{9, 9, 9, 9};
        file.Read(from, read);
        EXPECT_EQ(read, bytes) << from;
    }
}

// The page format is the model's layout where it is one the viewer marks;
// else the viewer's own JV3 test, which differs from the main window's.
TEST(HexRecognitionTest, FormatFromTheModelOrTheViewersOwnJv3Test) {
    std::vector<Jv3Entry> track5(4);
    for (Jv3Entry& e : track5) {
        e.track = 5;
    }
    const Bytes other = Dmk(1, true, 0x18EC).bytes;
    struct Case {
        const char* what;
        Bytes bytes;
        Layout model;
        HexFormat format;
    };
    const Case cases[] = {
        {"empty", {}, Layout::Unknown, HexFormat::Jv3},
        {"three zeros", Bytes(3, 0), Layout::Unknown, HexFormat::Jv3},
        {"JV3", Jv3(10, 0), Layout::JV3, HexFormat::Jv3},
        {"JV3 from track 5", testimg::MakeJv3(track5), Layout::JV3, HexFormat::None},
        {"JV1", testimg::SampleJv1(), Layout::JV1, HexFormat::Jv1},
        {"DMK", Dmk(1, true).bytes, Layout::DMK, HexFormat::Dmk},
        {"real", Dmk(1, true, 6400, true).bytes, Layout::RealDiskDMK, HexFormat::DmkRealDisk},
        {"other length", other, Layout::DMK, HexFormat::Dmk},
        {"other length cut", Bytes(other.begin(), other.begin() + 3000), Layout::Unknown,
         HexFormat::None},
    };
    for (const Case& c : cases) {
        const HexBytes file(c.bytes);
        const Layout layout = RecogniseLayout(file.Buffer());
        EXPECT_EQ(layout, c.model) << c.what;
        EXPECT_EQ(hexrules::FormatOf(layout, file), c.format) << c.what;
        EXPECT_EQ(ReadHexFile(file).format, c.format) << c.what;
    }
}

// The headers marked: the model's records, then up to record Int(file length
// / track length) those the file ends before.
TEST(HexRecognitionTest, TrackHeadersFromTheModelsRecords) {
    Bytes b = BareDmk();
    b.resize(16 + 6400 + 6390, 0);
    const HexBytes file(b);
    const HexFile f = ReadHexFile(file);
    ASSERT_EQ(f.format, HexFormat::Dmk);
    EXPECT_EQ(f.trackLength, 6400);
    EXPECT_EQ(disk::ReadDmk(file.Buffer()).tracks.size(), 2u);
    struct Case {
        std::int64_t p;
        std::int64_t start; // of the record p lies in; -1: before the first
        bool header;
    };
    const Case cases[] = {{10, -1, false},          {16, 16, true},       {143, 16, true},
                          {144, 16, false},         {6416, 6416, true},   {12815, 6416, false},
                          {12816, 12816, true},     {12943, 12816, true}, {12944, 12816, false},
                          {1'000'000, 12816, false}};
    for (const Case& c : cases) {
        const HexTrackHeaders::Record r = f.headers.RecordAt(c.p);
        EXPECT_EQ(r.Header(c.p), c.header) << c.p;
        EXPECT_TRUE(c.start < 0 ? r.start > c.p : r.start == c.start) << c.p;
    }
}

TEST_F(HexViewerTest, LinesShowAddressHexAndText) {
    Bytes b(512, 0x41);
    std::copy_n(Bytes{0x20, 0x7F, 0x80, 0xFF, 0x21, 0x00}.begin(), 6, b.begin() + 16);
    Load(b);
    EXPECT_EQ(hex.Text1.Text, "200");
    EXPECT_EQ(Line(0), " 0000000  41 41 41 41  41 41 41 41  41 41 41 41  41 41 41 41  "
                       "AAAAAAAAAAAAAAAA");
    EXPECT_EQ(Line(1), " 0000010  20 7F 80 FF  21 00 41 41  41 41 41 41  41 41 41 41  "
                       ".\x7F..!.AAAAAAAAAA");
    EXPECT_EQ(Line(27).substr(0, 9), " 00001B0 ");
    EXPECT_EQ(hex.surface.TextAt(249, 1560)->colour, colour::Brown);
    EXPECT_EQ(hex.fpa, 448);
    // None of the layouts: no marking, no legend.
    EXPECT_EQ(Legend(), Texts(6));
    EXPECT_EQ(Colours(16, 4), "kkkk");
}

TEST_F(HexViewerTest, RecognitionAndLegend) {
    struct Case {
        Bytes bytes;
        Texts legend;
        std::string colours; // of bytes 0, 16, 17, 256, then of the character of 144
    };
    const Texts dmk = {"DMK", "IDAM:FE", "Track Header in Green", "Track", "Side", "Sector"};
    // 3264-, 6400- and 6528-byte tracks are DMK alike.
    const Case cases[] = {
        {testimg::SampleJv1(), {"JV1", "", "Tracks in Red or Black", "", "", ""}, "rrrkk"},
        {Dmk(1, true, 0x0CC0).bytes, dmk, "mhhkr"},
        {Dmk(1, true, 0x1900).bytes, dmk, "mhhkr"},
        {Dmk(1, true, 0x1980).bytes, dmk, "mhhkr"},
        {Dmk(1, true, 6400, true).bytes, {"", " DMK Real Disk type", "", "", "", ""}, "kkkkr"},
        {BareDmk(2, {0x00, 0x1A}), Texts(6), "kkkkk"},
        {Bytes{}, {"JV3", " Track", "", "Sector", "Dens/DAM/Side ", ""}, "rblbk"},
    };
    for (const Case& c : cases) {
        Load(c.bytes);
        EXPECT_EQ(Legend(), c.legend) << c.legend[1];
        EXPECT_EQ(Colours(0) + Colours(16, 2) + Colours(256) + Colours(144, 1, true), c.colours)
            << c.legend[1];
    }
    // The legend's own colours; a box keeps its colour when its text goes.
    Load(Dmk(1, true).bytes);
    EXPECT_EQ(Letter(hex.Text3.ForeColor), 'b');
    EXPECT_EQ(hex.Text4.ForeColor, 0x008F00u);
    Load(testimg::SampleJv1());
    EXPECT_EQ(hex.Text4.ForeColor, 0x008F00u);
    Load(Jv3(10, 0));
    EXPECT_EQ(std::string() + Letter(hex.Text3.ForeColor) + Letter(hex.Text5.ForeColor) +
                  Letter(hex.Text6.ForeColor),
              "rbl");
}

TEST_F(HexViewerTest, DmkTrackHeadersIdFieldsDataMarksAndGaps) {
    const testimg::DmkImage img = Dmk(2, true);
    Load(img.bytes);
    for (std::int64_t p = 16; p < 144; ++p) {
        EXPECT_EQ(Colours(p), img.bytes[p] == 0 ? "z" : "h") << p;
    }
    // A1 A1 A1 FE tt hh ss nn c1 c2 4E: the mark and four bytes blue, the CRC
    // not, the gap red in hex and text; the data mark 44 bytes on blue.
    const testimg::DmkPlaced& s = img.placed[0][0];
    PageAt(s.idPos);
    EXPECT_EQ(Colours(s.idPos - 1, 9), "kbbbbbkkr");
    EXPECT_EQ(Colours(s.idPos + 7, 1, true), "r");
    EXPECT_EQ(Colours(s.damPos, 2), "bk");
    EXPECT_EQ(hex.Text8.Text, kNoNotice);
    // The second track's header starts at 16 + 6400.
    PageAt(6416);
    EXPECT_EQ(Colours(6416 + 126, 3), "zzr");

    // Hand-made: the mark at 403; data marks up to 10 bytes on are too near,
    // the first after them is marked, the next is not.
    Load(BareDmk(
        400, {0xA1, 0xA1, 0xA1, 0xFE, 1, 0, 3, 1, 0xC1, 0xC2, 0xFB, 0xF8, 0xFA, 0xF8, 0xFB, 0xFA}));
    PageAt(400);
    EXPECT_EQ(Colours(410, 6), "kkkkbk");
}

// A file that ends within 16 bytes of its last record's end shows the next
// record's header past its end; a header counts even when the file ends
// inside the DMK header.
TEST_F(HexViewerTest, TrackHeadersPastTheEndOfTheFile) {
    const std::pair<std::size_t, std::string> cases[] = {
        {6416, "zzk"}, {6400, "zzk"}, {6399, "kkk"}};
    for (const auto& [length, colours] : cases) {
        Bytes b = BareDmk();
        b.resize(length);
        Load(b);
        hex.VScroll1.SetValue(hex.VScroll1.Max);
        EXPECT_EQ(Colours(6416) + Colours(6543) + Colours(6544), colours) << length;
    }
    Load(Bytes{0, 0, 0, 0x19});
    EXPECT_EQ(Colours(15) + Colours(16) + Colours(143) + Colours(144), "mzzk");
}

// ID fields are found by their sync bytes: one its pointer names without them
// is a sector of the model but not marked; one no pointer names is marked.
TEST_F(HexViewerTest, IdFieldsAreFoundByTheirSyncBytesNotByThePointers) {
    const Bytes field = {0xFE, 1, 0, 3, 1, 0xC1, 0xC2};
    Bytes b = BareDmk(416, field);
    b[16] = 0x90; // pointer 0: the field at 400 of the record, double density
    b[17] = 0x81;
    std::fill_n(b.begin() + 413, 3, dmk::kGapDouble);
    std::copy(field.begin(), field.end(), b.begin() + 436);
    std::fill_n(b.begin() + 433, 3, dmk::kSyncDouble);
    const disk::Disk model = disk::ReadDisk(ImageBuffer(b));
    ASSERT_EQ(model.SectorCount(), 1u);
    EXPECT_EQ(model.tracks[0].sectors[0].idPos, 416);
    Load(b);
    EXPECT_EQ(Colours(416, 6) + " " + Colours(436, 6), "kkkkkk bbbbbk");
}

TEST_F(HexViewerTest, DoubledSingleDensityFieldsAndTheNotice) {
    const testimg::DmkImage img = Dmk(2, false);
    Load(img.bytes);
    const testimg::DmkPlaced& s = img.placed[0][0];
    PageAt(s.idPos);
    EXPECT_EQ(Colours(s.idPos, 10), "bbbbbbbbbk");
    EXPECT_EQ(Colours(s.damPos), "b");
    EXPECT_EQ(hex.Text8.Text, kNotice);
    // A page without an ID mark clears the notice.
    PageAt(s.damPos + 2);
    EXPECT_EQ(hex.Text8.Text, kNoNotice);
}

TEST_F(HexViewerTest, IdFieldRunningPastThePageGoesOnOnTheNextPageDrawn) {
    // The mark is the second last byte of the page at 448; the field and the
    // data mark end on the page after.
    Bytes b = BareDmk(448 + 443, {0xA1, 0xA1, 0xA1, 0xFE, 1, 0, 3, 1});
    b[448 + 448 + 20] = 0xFB;
    Load(b);
    PageAt(448);
    EXPECT_EQ(Colours(891, 5), "kkkbb");
    PageAt(896);
    EXPECT_EQ(Colours(896, 4), "bbbk");
    EXPECT_EQ(Colours(916), "b");
}

TEST_F(HexViewerTest, Jv3HeaderEntriesDataAreaAndTheirColourPhase) {
    // Track 0 red, track 1 magenta, free entries green; sector blue, flags green.
    Load(Jv3(10, 10));
    EXPECT_EQ(Colours(27, 6) + Colours(60, 3), "rblmblfbl");
    // A page that reaches 8704 shows the data legend; 256-byte blocks
    // alternate black and red from 8704 on.
    PageAt(8640);
    EXPECT_EQ(Legend(), (Texts{"JV3", "", "Tracks in Red or Black", "", "", ""}));
    EXPECT_EQ(Colours(8702, 3) + Colours(8960), "lfkr"); // 8703: the write-protect byte

    // Track 1 runs past the page: one change of track leaves the phase
    // flipped, and drawing the page again swaps the colours.
    Load(Jv3(10, 200));
    EXPECT_EQ(Colours(0) + Colours(30), "rm");
    hex.Form_Resize();
    EXPECT_EQ(Colours(0) + Colours(30), "mr");
    hex.Form_Resize();
    EXPECT_EQ(hex.marking.clrsave, 1);
    // The window's File > Open starts the phase again.
    Load(Jv3(10, 200));
    EXPECT_EQ(Colours(0), "r");
}

TEST_F(HexViewerTest, ShortOddAndLargeFilesPageToTheirEnd) {
    // Shorter than 256 bytes: the page at 0 stays, zeros after the end.
    Load(Bytes(100, 0x41));
    const std::vector<DrawItem> page = hex.surface.Items();
    hex.VScroll1.SetValue(5);
    EXPECT_EQ(hex.surface.Items(), page);
    const std::string zeros = "00 00 00 00  00 00 00 00  00 00 00 00  00 00 00 00  "
                              "................";
    EXPECT_EQ(Line(7), " 0000070  " + zeros);

    // Empty: length 0, a page of zeros taken for JV3.
    Load({});
    EXPECT_EQ(hex.Text1.Text, "0");
    EXPECT_EQ(Line(27), " 00001B0  " + zeros);

    // 1000 bytes: the last page starts at line 46, also when dragged past it.
    Load(Bytes(1000, 0x41));
    EXPECT_EQ(hex.VScroll1.Max, 46);
    hex.VScroll1.SetValue(50);
    EXPECT_EQ(hex.VScroll1.Value(), 46);
    EXPECT_EQ(Line(16), " 00003E0  41 41 41 41  41 41 41 41  00 00 00 00  00 00 00 00  "
                        "AAAAAAAA........");

    // JV1 of 89,600 bytes: the bar snaps back to line 5584.
    Load(testimg::SampleJv1());
    EXPECT_EQ(hex.Text1.Text, "15E00");
    hex.VScroll1.SetValue(6000);
    EXPECT_EQ(hex.VScroll1.Value(), 5584);
    EXPECT_EQ(hex.stepval, 5584);
    EXPECT_EQ(Line(16), " 0015E00  " + zeros);

    // An 80-track two-sided DMK of a megabyte: lines beyond 16 bits, and its
    // last byte (a gap byte) reached.
    Load(testimg::MakeDmk(testimg::DmkStandardTracks(80, 2, 18, true)).bytes);
    const int last = (1024016 - 256) / 16;
    EXPECT_EQ(hex.VScroll1.Max, last);
    hex.VScroll1.SetValue(last + 1000);
    EXPECT_EQ(hex.VScroll1.Value(), last);
    EXPECT_EQ(Line(15).substr(0, 9), " 00FA000 ");
    EXPECT_EQ(Colours(1024015), "r");
    EXPECT_EQ(Line(16), " 00FA010  " + zeros);
}

TEST_F(HexViewerTest, ResizeDrawsTheSamePageAgain) {
    Load(testimg::SampleJv1());
    hex.VScroll1.SetValue(100);
    const std::vector<DrawItem> page = hex.surface.Items();
    hex.Form_Resize();
    EXPECT_EQ(hex.fpasave2, 1600);
    EXPECT_EQ(hex.surface.Items(), page);

    HexViewerLogic fresh{host, metrics};
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
    EXPECT_EQ(host.shown.back(), WindowId::HexViewerWindow);
    hex.Form_Activate();
    EXPECT_EQ(hex.TxtFilename.Text, first);
    hex.VScroll1.SetValue(10);

    Open(testimg::SampleDmk());
    w.Cmndhexedit_Click();
    hex.Form_Activate();
    EXPECT_EQ(hex.TxtFilename.Text, first);
    EXPECT_EQ(hex.Text2.Text, "JV1");
    EXPECT_EQ(hex.fpasave2, 160);
    EXPECT_TRUE(host.messages.empty());

    // A file the window cannot open: the warning, and the window keeps its file.
    EXPECT_FALSE(hex.MnuOpen(testing::TempDir() + "no_such_image.dmk").IsOpened());
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Text Editor");
    EXPECT_EQ(hex.Text1.Text, "15E00");
    EXPECT_EQ(hex.TxtFilename.Text, first);
}

} // namespace
} // namespace ss
