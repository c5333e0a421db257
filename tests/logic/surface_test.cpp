#include "surface/contrast.h"
#include "surface/controls.h"
#include "surface/numtext.h"
#include "surface/surface.h"
#include "windows/sector_map/sector_map_logic.h"

#include <gtest/gtest.h>
#include <set>

namespace ss {
namespace {

TEST(NumberTexts, AllFourForms) {
    EXPECT_EQ(DecBlank(40), " 40");
    EXPECT_EQ(DecBlank(0), " 0");
    EXPECT_EQ(DecBlank(-5), "-5");
    EXPECT_EQ(Dec(40), "40");
    EXPECT_EQ(Hex(44800), "AF00");
    EXPECT_EQ(Hex(0), "0");
    EXPECT_EQ(Hex2(10), "0A");
    EXPECT_EQ(Hex2(0xF0), "F0");
    EXPECT_EQ(Hex2(0), "00");
}

TEST(NumberTexts, ShownCharacters) {
    EXPECT_EQ(ShownChar(0x20), '.');
    EXPECT_EQ(ShownChar(0x21), '!');
    EXPECT_EQ(ShownChar(0x7F), '\x7F');
    EXPECT_EQ(ShownChar(0x80), '.');
    EXPECT_EQ(ShownChar(0xFF), '.');
    EXPECT_EQ(ShownChar(0x00), '.');
}

TEST(Surface, PrintKeepsOrEndsTheLine) {
    FixedMetrics m;
    Surface s(m);
    s.CurrentX = 100;
    s.CurrentY = 200;
    s.Print("ab", true);
    EXPECT_EQ(s.CurrentX, 100 + 2 * FixedMetrics::kCharWidth);
    EXPECT_EQ(s.CurrentY, 200);
    s.Print(std::vector<PrintItem>{std::string("n"), std::int64_t{7}, std::int64_t{-3}});
    EXPECT_EQ(s.CurrentX, 0);
    EXPECT_EQ(s.CurrentY, 200 + FixedMetrics::kLineHeight);
    const auto row = s.TextsAt(200);
    ASSERT_EQ(row.size(), 4u);
    EXPECT_EQ(row[2].text, " 7 ");
    EXPECT_EQ(row[3].text, "-3 ");
    EXPECT_EQ(row[3].x, 100 + (2 + 1 + 3) * FixedMetrics::kCharWidth);
    s.Print();
    EXPECT_EQ(s.CurrentY, 200 + 2 * FixedMetrics::kLineHeight);
    s.Cls();
    EXPECT_TRUE(s.Items().empty());
    EXPECT_EQ(s.CurrentX, 0);
    EXPECT_EQ(s.CurrentY, 0);
}

// Printed numbers: a blank or the minus sign, the digits, a blank, on either
// side of 0 to 255, which print from a table.
TEST(Surface, PrintedNumbers) {
    FixedMetrics m;
    Surface s(m);
    const struct {
        std::int64_t n;
        const char* text;
    } cases[] = {{0, " 0 "},
                 {9, " 9 "},
                 {10, " 10 "},
                 {99, " 99 "},
                 {100, " 100 "},
                 {255, " 255 "},
                 {256, " 256 "},
                 {-1, "-1 "},
                 {1000000007, " 1000000007 "},
                 {INT64_MIN, "-9223372036854775808 "}};
    for (const auto& c : cases) {
        s.Cls();
        s.PrintNumber(c.n, true);
        ASSERT_EQ(s.TextsAt(0).size(), 1u);
        EXPECT_EQ(s.TextsAt(0)[0].text, c.text);
        EXPECT_EQ(s.CurrentX,
                  static_cast<int>(std::string(c.text).size()) * FixedMetrics::kCharWidth);
    }
}

TEST(Surface, RedrawingTheSameSpotDoesNotGrowTheList) {
    FixedMetrics m;
    Surface s(m);
    for (int i = 0; i < 100; ++i) {
        s.CurrentX = 180;
        s.CurrentY = 1100;
        s.Print("notice");
        s.Line(750, 2490, 8800, 5600, colour::ButtonFace);
        s.CurrentX = 1100;
        s.CurrentY = 2490;
        s.Print("00", true);
    }
    EXPECT_EQ(s.Items().size(), 3u);
    // A box covers only what lies wholly inside it.
    s.CurrentX = 8700;
    s.CurrentY = 2490;
    s.Print("XYZ", true);
    s.Line(750, 2490, 8800, 5600, colour::ButtonFace);
    EXPECT_NE(s.TextAt(8700, 2490), nullptr);
    EXPECT_EQ(s.TextAt(1100, 2490), nullptr);
}

// The display list as a window expects it, kept the plain way: a text drawn
// on the spot of an identical one takes it out at once, a box takes out what
// lies wholly inside it.
struct PlainList {
    std::vector<DrawItem> items;
    void Text(int x, int y, Colour c, const std::string& text) {
        std::erase_if(items, [&](const DrawItem& item) {
            const auto* t = std::get_if<TextItem>(&item);
            return t != nullptr && t->x == x && t->y == y && t->text == text;
        });
        items.push_back(TextItem{x, y, c, text});
    }
    void Box(const BoxItem& box) {
        std::erase_if(items, [&](const DrawItem& item) {
            if (const auto* t = std::get_if<TextItem>(&item)) {
                return t->x >= box.x1 && t->y >= box.y1 && t->y <= box.y2 &&
                       t->x + FixedMetrics::kCharWidth * static_cast<int>(t->text.size()) <=
                           box.x2 + 1;
            }
            const auto& b = std::get<BoxItem>(item);
            return b.x1 >= box.x1 && b.x2 <= box.x2 && b.y1 >= box.y1 && b.y2 <= box.y2;
        });
        items.emplace_back(std::in_place_type<BoxItem>, box);
    }
};

TEST(Surface, DrawingOverKeepsWhatAPlainListKeeps) {
    // Texts and boxes (Line and Box) on a few spots, drawn over one another in many orders,
    // the list read now and then between (or only at the end, so that it
    // grows and compacts itself unread): the surface must hold the same items
    // in the same order as the plain list whenever it is read.
    const std::string texts[] = {"00", "AB", "00 ", "x"};
    const BoxItem boxes[] = {{0, 0, 400, 400, colour::ButtonFace},
                             {100, 195, 300, 390, colour::Red},
                             {0, 195, 99, 195, colour::Blue}};
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        FixedMetrics m;
        Surface s(m);
        PlainList plain;
        std::uint32_t r = seed;
        const auto next = [&](std::uint32_t n) {
            r = r * 1103515245u + 12345u;
            return (r >> 16) % n;
        };
        const int steps = seed % 2 == 0 ? 3000 : 300;
        for (int step = 0; step < steps; ++step) {
            const std::uint32_t what = next(20);
            if (what < 2) {
                const BoxItem& b = boxes[next(3)];
                s.Line(b.x1, b.y1, b.x2, b.y2, b.colour);
                plain.Box(b);
            } else if (what == 4) {
                // Box: over what is there, nothing taken out.
                const BoxItem& b = boxes[next(3)];
                s.Box(b.x1, b.y1, b.x2, b.y2, b.colour);
                plain.items.emplace_back(std::in_place_type<BoxItem>, b);
            } else if (what == 2 && seed % 4 == 1) {
                s.Cls();
                plain.items.clear();
            } else if (what == 3 && seed % 3 != 0) {
                ASSERT_EQ(s.Items(), plain.items) << "seed " << seed << ", step " << step;
            } else {
                s.CurrentX = static_cast<int>(next(4)) * FixedMetrics::kCharWidth;
                s.CurrentY = static_cast<int>(next(3)) * FixedMetrics::kLineHeight;
                s.ForeColor = next(2) == 0 ? colour::Black : colour::Red;
                const std::string& text = texts[next(4)];
                plain.Text(s.CurrentX, s.CurrentY, s.ForeColor, text);
                s.Print(text, true);
            }
        }
        EXPECT_EQ(s.Items(), plain.items) << "seed " << seed;
    }
}

TEST(Surface, AnUnseenSurfaceKeepsWhatItHadAndStillMovesThePrintPosition) {
    FixedMetrics m;
    Surface s(m);
    s.Print("kept");
    const std::vector<DrawItem> before = s.Items();
    const std::uint64_t revision = s.Revision();
    s.SetUnseen(true);
    s.CurrentX = 100;
    s.Print("abc", true);
    EXPECT_EQ(s.CurrentX, 100 + 3 * FixedMetrics::kCharWidth);
    s.Line(0, 0, 5000, 5000, colour::Red);
    EXPECT_EQ(s.Items(), before);
    EXPECT_EQ(s.Revision(), revision);
    s.SetUnseen(false);
    s.Print("shown", true);
    EXPECT_EQ(s.Items().size(), before.size() + 1);
}

TEST(ScrollBar, ChangeOnlyWhenTheValueChanges) {
    ScrollBar bar;
    int changes = 0;
    int seen = -1;
    bar.Change = [&] {
        ++changes;
        seen = bar.Value();
    };
    bar.SetValue(0);
    EXPECT_EQ(changes, 0);
    bar.SetValue(5);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(seen, 5);
    bar.SetValue(5);
    EXPECT_EQ(changes, 1);
}

TEST(Surface, RasterKeepsByteGroupsApart) {
    FixedMetrics m;
    Surface s(m);
    s.CurrentY = 2490;
    s.CurrentX = 540;
    s.Print("  00", true);
    const int xs[] = {1100, 1420, 1740, 2060, 2480};
    for (int x : xs) {
        s.CurrentX = x;
        s.Print("AB", true);
    }
    s.CurrentX = 6550;
    s.Print("a", true);
    s.CurrentX = 6690;
    s.Print("b", true);
    const auto lines = RasterText(s);
    ASSERT_EQ(lines.size(), 1u);
    std::string out;
    for (const auto& span : lines[0].spans) {
        out.resize(static_cast<std::size_t>(span.column), ' ');
        out += span.text;
    }
    EXPECT_EQ(out.substr(0, 26), "       00  AB AB AB AB  AB");
    EXPECT_EQ(out.substr(out.size() - 2), "ab");
}

} // namespace
} // namespace ss

namespace ss {
namespace {

// The high-contrast look: every colour the sector map draws its numbers in
// stands out from the grey drawing area by 4.5 to 1 or more, and colours that
// told two things apart still do; colours that stand out already are kept.
TEST(HighContrast, EveryMapColourStandsOutAndStaysApart) {
    const Colour grey = colour::LightGrey;
    EXPECT_NEAR(ContrastRatio(colour::Black, colour::White), 21.0, 0.01);
    EXPECT_LT(ContrastRatio(mapcolour::SingleDir, grey), 2.0); // cyan, as the window has it
    const Colour shown[] = {
        mapcolour::SingleDensity, mapcolour::DoubleDensity,
        mapcolour::SingleDir,     mapcolour::DmkDoubleDir,
        mapcolour::Jv3DoubleDir,  mapcolour::DirDoubleLegend,
        mapcolour::RowLabel,      mapcolour::Damaged,
        mapcolour::Missing,       colour::Black,
    };
    std::set<Colour> seen;
    for (const Colour c : shown) {
        SCOPED_TRACE(c);
        const Colour hc = HighContrastColour(c, grey);
        EXPECT_GE(ContrastRatio(hc, grey), kLeastContrast);
        if (ContrastRatio(c, grey) >= kLeastContrast) {
            EXPECT_EQ(hc, c);
        }
        EXPECT_TRUE(seen.insert(hc).second) << "two colours became one";
    }
    // On a dark background a colour is lightened instead.
    EXPECT_GE(ContrastRatio(HighContrastColour(colour::Blue, colour::Black), colour::Black),
              kLeastContrast);
}

} // namespace
} // namespace ss
