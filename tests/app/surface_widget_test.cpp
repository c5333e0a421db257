// Painting a window surface: the font, twips to pixels, colours, repaints.
#include "app/surface_widget.h"
#include "app_test_support.h"

#include <QEvent>
#include <QFontInfo>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace ss {
namespace {

using apptest::Pump;
using apptest::ShownAsPaintedWhole;

TEST(SurfaceFontTest, IsABoldFixedPitchFontMeasuredInTwips) {
    const QFont font = SurfaceFont();
    const QFontInfo info(font);
    EXPECT_TRUE(info.fixedPitch()) << info.family().toStdString();
    EXPECT_TRUE(info.bold());
    EXPECT_NEAR(info.pointSizeF(), 8.25, 0.3);

    const QtFontMetrics metrics(font);
    // Columns line up by character count.
    EXPECT_EQ(metrics.TextWidth("iiii"), metrics.TextWidth("WWWW"));
    EXPECT_NEAR(metrics.TextWidth("0123456789"), 10 * metrics.TextWidth("0"), 5);
    // 8.25 points are 165 twips; a line is that and some leading.
    EXPECT_GE(metrics.TextHeight("sample"), 165);
    EXPECT_LE(metrics.TextHeight("sample"), 300);
}

class CountingSurfaceWidget : public SurfaceWidget {
  public:
    using SurfaceWidget::SurfaceWidget;
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        SurfaceWidget::paintEvent(event);
    }
};

TEST(SurfaceWidgetTest, PaintsBoxesAndTextsAtTheirTwipPositions) {
    const QtFontMetrics metrics(SurfaceFont());
    Surface surface(metrics, colour::LightGrey);
    surface.Line(2880, 1440, 1440, 720, colour::Orange); // corners in either order
    surface.Line(3600, 720, 4320, 1440, colour::ButtonFace);
    surface.CurrentX = 720;
    surface.CurrentY = 2160;
    surface.ForeColor = colour::Blue;
    surface.Print("HHHH");

    SurfaceWidget view(surface, 6000, 3000);
    const QImage image = view.grab().toImage();
    const double dpiX = view.logicalDpiX();
    const double dpiY = view.logicalDpiY();
    ASSERT_GE(image.width(), static_cast<int>(6000 * dpiX / 1440));
    ASSERT_GE(image.height(), static_cast<int>(3000 * dpiY / 1440));
    auto at = [&](int xTwips, int yTwips) {
        return image.pixelColor(static_cast<int>(xTwips * dpiX / 1440),
                                static_cast<int>(yTwips * dpiY / 1440));
    };

    EXPECT_EQ(at(2160, 1080), QColor(255, 128, 0)) << "0x00BBGGRR: red in the low byte";
    EXPECT_EQ(at(1380, 1080), QColor(192, 192, 192)) << "left of the box";
    EXPECT_EQ(at(2160, 660), QColor(192, 192, 192)) << "above the box";
    EXPECT_EQ(at(2160, 1500), QColor(192, 192, 192)) << "below the box";
    EXPECT_EQ(at(3960, 1080), view.palette().color(QPalette::Button));

    // The text's glyphs start at its top-left corner and lie within one line.
    const int left = static_cast<int>(720 * dpiX / 1440);
    const int top = static_cast<int>(2160 * dpiY / 1440);
    const int lineHeight = static_cast<int>(metrics.TextHeight("sample") * dpiY / 1440) + 1;
    int minX = image.width();
    int minY = image.height();
    int maxY = -1;
    bool pureBlue = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (p.blue() > p.red() + 60 && p.blue() > p.green() + 60) {
                minX = std::min(minX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
                pureBlue = pureBlue || (p.red() < 40 && p.green() < 40 && p.blue() > 215);
            }
        }
    }
    EXPECT_TRUE(pureBlue);
    EXPECT_NEAR(minX, left, 2);
    EXPECT_GE(minY, top);
    EXPECT_LE(maxY, top + lineHeight);
}

// The high-contrast look paints a cyan number of the sector map dark on the
// grey; the default look paints it cyan, as it always has.
TEST(SurfaceWidgetTest, HighContrastPaintsHardToReadTextsDarkerOnlyWhenOn) {
    const QtFontMetrics metrics(SurfaceFont());
    Surface surface(metrics, colour::LightGrey);
    surface.ForeColor = 16776960; // cyan
    surface.CurrentX = 100;
    surface.CurrentY = 100;
    surface.Print("8888");
    SurfaceWidget view(surface, 1500, 600);
    const auto inks = [&] {
        std::set<QRgb> seen;
        const QImage image = view.grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                seen.insert(image.pixel(x, y) & 0xFFFFFF);
            }
        }
        return seen;
    };
    ASSERT_FALSE(HighContrast());
    EXPECT_TRUE(inks().count(0x00FFFF) == 1) << "cyan as given";
    SetHighContrast(true);
    const std::set<QRgb> high = inks();
    SetHighContrast(false);
    EXPECT_EQ(high.count(0x00FFFF), 0u);
    EXPECT_EQ(high.count(0x00505A), 1u) << "the dark teal that replaces cyan";
    EXPECT_TRUE(inks().count(0x00FFFF) == 1) << "back to cyan";
}

TEST(SurfaceWidgetTest, RepaintsOnlyWhenTheSurfaceHasChanged) {
    const QtFontMetrics metrics(SurfaceFont());
    Surface surface(metrics);
    CountingSurfaceWidget view(surface, 3000, 1000);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    Pump(20);
    const int shown = view.paints;
    ASSERT_GE(shown, 1);

    view.Refresh();
    Pump(20);
    EXPECT_EQ(view.paints, shown);

    surface.Print("changed");
    view.Refresh();
    Pump(20);
    EXPECT_EQ(view.paints, shown + 1);
}

// A page of rows as the hex viewer prints them, from row `first` on: byte
// values in changing colours, then the bytes as characters (a byte 127 as
// that character, in every seventh row a character beyond ASCII), the first
// rows over a box when asked for.
void DrawPage(Surface& surface, int first, bool box) {
    surface.Cls();
    if (box) {
        surface.Line(1400, 700, 2000, 900, colour::Orange);
    }
    const Colour colours[] = {colour::Red, colour::Blue, colour::Black, colour::Green};
    for (int row = 0; row < 12; ++row) {
        surface.CurrentX = 300;
        surface.CurrentY = 600 + row * surface.TextHeight("0");
        std::string shown;
        for (int k = 0; k < 8; ++k) {
            const int n = ((first + row) * 8 + k) % 100;
            surface.ForeColor = colours[(n / 3) % 4];
            surface.Print(std::to_string(n + 10) + " ", true);
            shown += static_cast<char>(n == 47 ? 127 : 40 + n);
        }
        surface.ForeColor = colour::Black;
        surface.Print(shown, true);
        if ((first + row) % 7 == 0) {
            surface.Print("\xc3\xa9", true);
        }
        surface.Print();
    }
}

TEST(SurfaceWidgetTest, RepaintsWhatChangedAsAWholePaintWould) {
    const QtFontMetrics metrics(SurfaceFont());
    Surface surface(metrics, colour::HexBackground);
    DrawPage(surface, 0, true);
    CountingSurfaceWidget view(surface, 6000, 4000);
    // A control standing on the surface above the rows.
    auto* control = new QPushButton(QStringLiteral("control"), &view);
    control->setGeometry(4, 4, 80, 20);
    int controlPaints = 0;
    struct Counter : QObject {
        int* paints;
        explicit Counter(int* p) : paints(p) {}
        bool eventFilter(QObject*, QEvent* e) override {
            *paints += e->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
    } counter(&controlPaints);
    control->installEventFilter(&counter);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    Pump(20);
    ASSERT_TRUE(ShownAsPaintedWhole(view));

    // Each change, and whether the control stays clear of what it repaints.
    const struct {
        const char* what;
        std::function<void()> change;
        bool clear;
    } changes[] = {
        {"scrolled a row", [&] { DrawPage(surface, 1, true); }, true},
        {"the box gone", [&] { DrawPage(surface, 1, false); }, true},
        {"one text recoloured",
         [&] {
             surface.CurrentX = 300;
             surface.CurrentY = 600 + 5 * surface.TextHeight("0");
             surface.ForeColor = colour::Magenta;
             surface.Print("99", true);
         },
         true},
        {"a box over texts", [&] { surface.Line(200, 500, 1500, 1200, colour::LightBlue); }, true},
        {"a text under the control",
         [&] {
             surface.Cls();
             surface.Print("short");
         },
         false},
        {"scrolled back", [&] { DrawPage(surface, 0, true); }, false},
        {"zoomed", [&] { view.SetZoom(1.5); }, false},
        {"scrolled when zoomed", [&] { DrawPage(surface, 3, true); }, true},
        {"scrolled on when zoomed", [&] { DrawPage(surface, 4, true); }, true},
        {"scrolled back when zoomed", [&] { DrawPage(surface, 3, true); }, true},
    };
    std::size_t pictures = 0;
    for (const auto& c : changes) {
        const int paints = view.paints;
        const int before = controlPaints;
        c.change();
        view.Refresh();
        Pump(20);
        EXPECT_EQ(view.paints, paints + 1) << c.what;
        EXPECT_EQ(controlPaints == before, c.clear) << c.what;
        EXPECT_TRUE(ShownAsPaintedWhole(view)) << c.what;
        pictures = std::max(pictures, view.RowPictureCount());
    }
    // The rows that came again were copied from their pictures (the whole
    // paints above never use them), at both zooms.
    EXPECT_GT(pictures, 5u);
    EXPECT_GT(view.RowPictureCount(), 0u);
}

TEST(SurfaceWidgetTest, WhatAHoldKeptFromBeingPaintedIsPaintedAfterIt) {
    const QtFontMetrics metrics(SurfaceFont());
    Surface surface(metrics);
    DrawPage(surface, 0, true);
    SurfaceWidget view(surface, 6000, 4000);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    Pump(20);

    // The window grows while the logic draws: its new area waits for the
    // drawing, then shows it together with the rest.
    view.Hold();
    DrawPage(surface, 0, false);
    view.resize(view.size() + QSize(40, 30));
    Pump(20);
    view.Release();
    Pump(20);
    EXPECT_TRUE(ShownAsPaintedWhole(view));
    EXPECT_EQ(view.PaintedRevision(), surface.Revision());

    // Unchanged drawing: the area asked for during the hold is painted all the same.
    view.Hold();
    view.resize(view.size() + QSize(40, 30));
    Pump(20);
    view.Release();
    Pump(20);
    EXPECT_TRUE(ShownAsPaintedWhole(view));
}

TEST(SurfaceWidgetTest, RowPicturesStayWithinAboutTwoWindowsWorth) {
    const QtFontMetrics metrics(SurfaceFont());
    Surface surface(metrics);
    SurfaceWidget view(surface, 5000, 3500);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    // Scrolled a row at a time through a hundred different rows: each comes
    // again in the next paint and gets a picture.
    for (int first = 0; first < 100; ++first) {
        DrawPage(surface, first, false);
        view.Refresh();
        Pump(1);
    }
    const double ratio = view.devicePixelRatioF();
    const double window = view.width() * ratio * view.height() * ratio * 4;
    EXPECT_GT(view.RowPictureCount(), 10u);
    EXPECT_LE(static_cast<double>(view.RowPictureBytes()), 2 * window);
    EXPECT_TRUE(ShownAsPaintedWhole(view));
}

} // namespace
} // namespace ss
