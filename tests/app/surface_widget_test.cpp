// Painting a window surface: the font, twips to pixels, colours, repaints.
#include "app/surface_widget.h"
#include "app_test_support.h"

#include <QEvent>
#include <QFontInfo>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace ss {
namespace {

using apptest::Pump;

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

} // namespace
} // namespace ss
