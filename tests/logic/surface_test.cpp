#include "surface/controls.h"
#include "surface/numtext.h"
#include "surface/surface.h"

#include <gtest/gtest.h>

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
