// The main window showing sectors of JV1 images: summary and sector fields,
// the hex-and-text dump and the colours of directory entries.
#include "display_helpers.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace ss {
namespace {

using windowtest::kHexX;
using windowtest::MainWindowTest;
using windowtest::RowY;
using windowtest::TextX;
using windowtest::TwoHex;

using testimg::PatternJv1;

class Jv1Display : public MainWindowTest {};

TEST_F(Jv1Display, SummaryFieldsAndOneYieldPerDisplay) {
    Open(PatternJv1());
    EXPECT_EQ(host.yields, 1);
    EXPECT_EQ(w.Text1.Text, " 35 Track");
    EXPECT_EQ(w.Text2.Text, " Single/Density");
    EXPECT_EQ(w.Text2.ForeColor, colour::Green);
    EXPECT_EQ(w.Text3.Text, " Single/Sided");
    EXPECT_EQ(w.Text3.ForeColor, colour::Green);
    EXPECT_EQ(w.Text4.Text, "  Sec/Cyl. = 10 ( 10 * 1)");
    EXPECT_EQ(w.Text5.Text, "");
    EXPECT_EQ(w.Txtfiletype.Text, "JV1");
    EXPECT_EQ(w.Txtfiletype.BackColor, colour::LightOrange);
    std::vector<std::string> tracks;
    for (int t = 0; t < 35; ++t) {
        tracks.push_back(" " + std::to_string(t));
    }
    EXPECT_EQ(w.Combo1.Items, tracks);
    // A JV1 disk always has its directory: no notice.
    EXPECT_EQ(w.surface.TextAt(180, 1100), nullptr);

    w.Form_Activate();
    EXPECT_EQ(host.yields, 2);
    w.Form_Resize();
    EXPECT_EQ(host.yields, 3);
    Show(12);
    EXPECT_EQ(host.yields, 4);
}

TEST_F(Jv1Display, SectorFieldsAroundTheDirectoryTrack) {
    Open(PatternJv1());
    EXPECT_EQ(w.Txtsecnum.Text, "0");
    EXPECT_EQ(w.Txttrk.Text, "0");
    EXPECT_EQ(w.Txtsector.Text, "0");
    EXPECT_EQ(w.Text6.Text, "0");

    struct Case {
        int index;
        const char* trk;
        const char* sec;
        bool dir;
        const char* pos;
    };
    for (const Case& c : {Case{169, "16", "9", false, "A900"}, Case{170, "17", "0", true, "AA00"},
                          Case{175, "17", "5", true, "AF00"}, Case{179, "17", "9", true, "B300"},
                          Case{180, "18", "0", false, "B400"}}) {
        SCOPED_TRACE(c.index);
        Show(c.index);
        EXPECT_EQ(w.Txtsecnum.Text, std::to_string(c.index));
        EXPECT_EQ(w.Txttrk.Text, c.trk);
        EXPECT_EQ(w.Txtsector.Text, c.sec);
        EXPECT_EQ(w.txtside.Text, "0");
        EXPECT_EQ(w.txtside.BackColor, colour::Peach);
        EXPECT_EQ(w.Txttrkspt.Text, "10");
        EXPECT_EQ(w.Txttrkspt.BackColor, colour::Lime);
        EXPECT_EQ(w.TxtDens.Text, "S/D  ");
        EXPECT_EQ(w.TxtDens.BackColor, colour::Lime);
        EXPECT_EQ(w.Text6.Text, c.pos);
        EXPECT_EQ(w.Txtsectype.Text, c.dir ? "Dir Sec." : "Data Sec.");
        EXPECT_EQ(w.Txtdam.Text, c.dir ? "FA" : "FB"); // the marks emulators read JV1 with
        const Colour back = c.dir ? colour::Pink : colour::Peach;
        EXPECT_EQ(w.Txtsecnum.BackColor, back);
        EXPECT_EQ(w.Txtsectype.BackColor, back);
        EXPECT_EQ(w.Txtfiletype.Text, "JV1");
        EXPECT_EQ(w.disktrk, std::stoi(c.trk));
    }
}

TEST_F(Jv1Display, DumpShowsTheSectorBytesInTheirColumns) {
    const auto image = PatternJv1();
    Open(image);
    Show(176);
    Show(175);
    const std::size_t base = 175 * 256;
    ASSERT_EQ(w.DumpedBytes().size(), 256u);
    for (std::size_t j = 0; j < 256; ++j) {
        ASSERT_EQ(w.DumpedBytes()[j], image[base + j]) << "byte " << j;
    }

    static const char* const kLabels[16] = {"  00", "  10", "  20", "  30", "  40", "  50",
                                            "  60", "  70", "  80", "  90", "  A0", "  B0",
                                            "  C0", "  D0", "  E0", "  F0"};
    for (int r = 1; r <= 16; ++r) {
        SCOPED_TRACE(r);
        const TextItem* label = w.surface.TextAt(540, RowY(r));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text, kLabels[r - 1]);
        EXPECT_EQ(label->colour, colour::Brown);
        for (int k = 1; k <= 16; ++k) {
            const std::uint8_t b = image[base + 16 * (r - 1) + (k - 1)];
            const TextItem* hex = HexAt(r, k);
            ASSERT_NE(hex, nullptr) << "column " << k;
            EXPECT_EQ(hex->text, TwoHex(b));
            const TextItem* ch = CharAt(r, k);
            ASSERT_NE(ch, nullptr) << "column " << k;
            EXPECT_EQ(ch->text, std::string(1, b > 32 && b < 128 ? static_cast<char>(b) : '.'));
        }
        // The previous sector's dump is gone: a label and 32 items per row.
        if (r < 16) {
            EXPECT_EQ(w.surface.TextsAt(RowY(r)).size(), 33u);
        }
    }
    // The dump area is cleared with a box of the button-face colour first.
    bool cleared = false;
    for (const DrawItem& item : w.surface.Items()) {
        if (const auto* box = std::get_if<BoxItem>(&item)) {
            cleared = cleared || (*box == BoxItem{750, 2490, 8800, 5600, colour::ButtonFace});
        }
    }
    EXPECT_TRUE(cleared);
    EXPECT_EQ(w.fpa,
              static_cast<std::int64_t>(base)); // the dump leaves the data position as it was
}

TEST_F(Jv1Display, TextColumnShowsOnlyCharactersFrom33To127) {
    auto image = testimg::MakeJv1(35, [](int track, int sector, std::uint8_t* d) {
        if (track == 1 && sector == 0) {
            const std::uint8_t row[16] = {0x20, 0x21, 0x41, 0x7E, 0x7F, 0x80, 0xFF, 0x00,
                                          0x1F, 0x30, 0x61, 0xA0, 0xE5, 0x2E, 0x5C, 0x01};
            std::memcpy(d, row, 16);
        }
    });
    testimg::SetJv1BootBytes(image);
    Open(image);
    Show(10);
    const char* const expected[16] = {".", "!", "A", "~", "\x7F", ".", ".",  ".",
                                      ".", "0", "a", ".", ".",    ".", "\\", "."};
    for (int k = 1; k <= 16; ++k) {
        SCOPED_TRACE(k);
        ASSERT_NE(CharAt(1, k), nullptr);
        EXPECT_EQ(CharAt(1, k)->text, expected[k - 1]);
        EXPECT_EQ(CharAt(1, k)->colour, colour::Black);
    }
}

// One directory sector: entry 0 an ordinary entry, entry 1 an entry whose
// first byte is 0x90, entry 2 a free entry (first byte 0) with live bytes,
// entries 3 to 7 all 0xFF.
void FillDirectorySector(std::uint8_t* d) {
    std::memset(d, 0xFF, 256);
    std::uint8_t* e0 = d;
    e0[0] = 0x10;
    for (int o = 1; o < 20; ++o) {
        e0[o] = static_cast<std::uint8_t>(0x40 + o);
    }
    e0[20] = 0xFF;
    e0[21] = 0x00;
    e0[22] = 0xFF;
    for (int o = 23; o < 32; ++o) {
        e0[o] = static_cast<std::uint8_t>(o == 23 ? 0x00 : 0x10 + o);
    }
    std::uint8_t* e1 = d + 32;
    std::memcpy(e1, e0, 32);
    e1[0] = 0x90;
    e1[20] = 0x34;
    e1[21] = 0x12;
    std::uint8_t* e2 = d + 64;
    std::memcpy(e2, e0, 32);
    e2[0] = 0x00;
}

TEST_F(Jv1Display, DirectoryEntriesColouredFromTheThirdDirectorySectorOn) {
    auto image = testimg::MakeJv1(35, [](int track, int sector, std::uint8_t* d) {
        if ((track == 16 && sector == 9) || track == 17 || (track == 18 && sector == 0)) {
            FillDirectorySector(d);
        }
    });
    testimg::SetJv1BootBytes(image);
    Open(image);

    // Expected colours of entry 0, entry 1 and the 0xFF entries.
    std::array<Colour, 32> plain{}, flagged{}, filler{};
    plain[0] = flagged[0] = filler[0] = colour::BrightGreen;
    plain[20] = plain[21] = filler[20] = filler[21] = colour::Blue;
    for (int o = 23; o < 32; ++o) {
        plain[o] = colour::Red;
        flagged[o] = colour::Magenta;
    }

    for (int index : {169, 170, 171, 172, 179, 180}) {
        SCOPED_TRACE(index);
        Show(index);
        const bool coloured = index >= 172 && index <= 179;
        for (int e = 0; e < 8; ++e) {
            for (int o = 0; o < 32; ++o) {
                Colour want = colour::Black;
                if (coloured && e != 2) {
                    want = e == 0 ? plain[o] : (e == 1 ? flagged[o] : filler[o]);
                }
                EXPECT_EQ(EntryColour(e, o), want) << "entry " << e << " offset " << o;
            }
        }
        for (int r = 1; r <= 16; ++r) {
            for (int k = 1; k <= 16; ++k) {
                const TextItem* ch = CharAt(r, k);
                ASSERT_NE(ch, nullptr);
                EXPECT_EQ(ch->colour, colour::Black);
            }
        }
    }
}

TEST_F(Jv1Display, ShortImageShowsZerosPastTheEndOfTheFile) {
    auto image = PatternJv1(18);
    image.resize(175 * 256 + 10);
    Open(image);
    Show(175);
    EXPECT_EQ(w.Text6.Text, "AF00");
    for (int j = 0; j < 256; ++j) {
        const std::uint8_t want = j < 10 ? image[175 * 256 + j] : 0;
        ASSERT_EQ(w.DumpedBytes()[j], want) << "byte " << j;
    }
    ASSERT_NE(HexAt(1, 11), nullptr);
    EXPECT_EQ(HexAt(1, 11)->text, "00");
    EXPECT_EQ(CharAt(1, 11)->text, ".");
    EXPECT_EQ(HexAt(16, 16)->text, "00");

    // The file ends inside sector 175: it is the last, on the part-track 17.
    EXPECT_EQ(w.Analysis().totalSectors, 176);
    EXPECT_EQ(w.Text1.Text, " 18 Track");
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 175);

    // Three bytes are a JV1 image too; its first sector is those three bytes.
    Open({0x00, 0xFE, 0x11});
    EXPECT_EQ(HexAt(1, 1)->text, "00");
    EXPECT_EQ(HexAt(1, 2)->text, "FE");
    EXPECT_EQ(HexAt(1, 3)->text, "11");
    EXPECT_EQ(HexAt(1, 4)->text, "00");
    EXPECT_EQ(CharAt(1, 2)->text, ".");
    EXPECT_EQ(HexAt(16, 16)->text, "00");
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 0);
}

TEST_F(Jv1Display, NewdosDiskShowsItsGranuleSize) {
    auto image = PatternJv1();
    image[512 + 5] = 3;
    image[751] = 0xA5;
    w.Text7.Text = "shown before";
    w.Txtlumpnum.Text = "9";
    Open(image);
    EXPECT_TRUE(w.Analysis().driveParameters.has_value());
    EXPECT_EQ(w.Analysis().sectorsPerGranule, 5);
    EXPECT_EQ(w.Analysis().driveParameters->SectorsPerLump(), 15);
    EXPECT_EQ(w.Text5.Text, "   Spg = 5");
    EXPECT_EQ(w.Text7.Text, "shown before");
    EXPECT_EQ(w.Txtlumpnum.Text, "9");
    // A JV1 disk prints no drive-parameter line.
    EXPECT_EQ(w.surface.TextAt(180, 1100), nullptr);
    Show(47);
    EXPECT_EQ(w.Txtlumpnum.Text, "9");
    EXPECT_EQ(w.Text5.Text, "   Spg = 5");

    // The next disk without the marker empties the granule text.
    Open(PatternJv1());
    EXPECT_FALSE(w.Analysis().driveParameters.has_value());
    EXPECT_EQ(w.Text5.Text, "");
    EXPECT_EQ(w.Text7.Text, "shown before");
}

TEST_F(Jv1Display, SampleDiskDirectory) {
    const auto image = testimg::SampleJv1();
    Open(image);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(w.Analysis().driveParameters.has_value());
    EXPECT_EQ(w.Analysis().driveParameters->SectorsPerLump(), 10);
    EXPECT_EQ(w.Text5.Text, "   Spg = 5");

    // The hash table sector is never coloured.
    Show(171);
    EXPECT_EQ(w.Txtsectype.Text, "Dir Sec.");
    for (int e = 0; e < 8; ++e) {
        for (int o = 0; o < 32; ++o) {
            EXPECT_EQ(EntryColour(e, o), colour::Black);
        }
    }

    // The first live entry of the first entry sector.
    Show(172);
    const std::size_t base = 172 * 256;
    int live = -1;
    for (int e = 0; e < 8 && live < 0; ++e) {
        if (image[base + 32 * e] != 0) {
            live = e;
        }
    }
    ASSERT_GE(live, 0);
    const std::uint8_t* entry = &image[base + 32 * live];
    EXPECT_EQ(EntryColour(live, 0), colour::BrightGreen);
    const Colour extent = entry[0] == 0x90 ? colour::Black : colour::Blue;
    EXPECT_EQ(EntryColour(live, 20), extent);
    EXPECT_EQ(EntryColour(live, 21), extent);
    for (int o = 22; o < 32; ++o) {
        const Colour want =
            entry[o] == 0xFF ? colour::Black : (entry[0] == 0x90 ? colour::Magenta : colour::Red);
        EXPECT_EQ(EntryColour(live, o), want) << "offset " << o;
        EXPECT_EQ(HexAt(2 * live + 2, o - 15)->text, TwoHex(entry[o]));
    }
}

TEST_F(Jv1Display, NoDirectoryNoticeOnEveryRedrawWithoutGrowingTheList) {
    // A JV3 disk without any directory data mark.
    std::vector<testimg::Jv3Entry> entries;
    for (int t = 0; t < 3; ++t) {
        for (int s = 0; s < 10; ++s) {
            entries.push_back({.track = t, .sector = s});
        }
    }
    Open(testimg::MakeJv3(entries));
    ASSERT_FALSE(w.Analysis().directoryFound);
    const std::string notice = " ***********  No Directory was found on this disk ***********";
    const TextItem* t = w.surface.TextAt(180, 1100);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->text, notice);
    EXPECT_EQ(t->colour, colour::Red);

    w.surface.Cls();
    w.Form_Activate();
    t = w.surface.TextAt(180, 1100);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->text, notice);

    const std::size_t size = w.surface.Items().size();
    for (int i = 0; i < 50; ++i) {
        w.Form_Activate();
        w.Form_Resize();
    }
    EXPECT_EQ(w.surface.Items().size(), size);
}

// The yield of a display lets waiting events run; one of them may open a file
// that is refused. The display that yielded must then not go on drawing the
// new file's bytes through the old image's tables.
TEST(DisplayYield, ARefusalDuringTheYieldStopsTheOuterDisplay) {
    struct OpeningHost : RecordingHost {
        MainWindowLogic* window = nullptr;
        std::string refusedPath;
        void Yield() override {
            RecordingHost::Yield();
            if (!refusedPath.empty()) {
                const std::string path = std::exchange(refusedPath, {});
                window->MnuOpen(path);
            }
        }
    };
    const std::string good = ::testing::TempDir() + "sectorscope_yield_good.dsk";
    const std::string bad = ::testing::TempDir() + "sectorscope_yield_bad.img";
    testimg::WriteFile(good, testimg::SampleJv1());
    std::vector<std::uint8_t> noHeader(64);
    for (std::size_t i = 0; i < noHeader.size(); ++i) {
        noHeader[i] = static_cast<std::uint8_t>(i + 1); // no two track bytes alike
    }
    testimg::WriteFile(bad, noHeader);

    OpeningHost host;
    FixedMetrics metrics;
    MainWindowLogic w(host, metrics);
    host.window = &w;
    w.MnuOpen(good);
    ASSERT_TRUE(w.HasImage());
    const std::string shownSector = w.Txtsecnum.Text;

    host.refusedPath = bad;
    w.PresSecnum = 175;
    w.GetDispSector();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Error");
    EXPECT_FALSE(w.HasImage());
    EXPECT_TRUE(w.surface.Items().empty());
    // Nothing of the image before stands under the refused file's name.
    EXPECT_NE(shownSector, "");
    EXPECT_EQ(w.Txtsecnum.Text, "");
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

} // namespace
} // namespace ss
