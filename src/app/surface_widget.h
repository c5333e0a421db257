// Shows a window surface on the screen: the background, the filled boxes and
// the printed texts of its display list, at their twip positions.
#pragma once

#include "surface/surface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QWidget>
#include <cstdint>

namespace ss {

// Twips to the logical inch.
inline constexpr double kTwipsPerInch = 1440.0;

// The surface font: a bold 8.25-point monospace, Courier New or the
// metric-compatible Liberation Mono, whichever the machine has.
QFont SurfaceFont();

// The colour a 24-bit colour number (0x00BBGGRR) stands for; the button-face
// marker becomes the toolkit's button colour of `palette`.
QColor ToQColor(Colour c, const QPalette& palette);

// Text measures of a real font in twips, for the window logic's line heights
// and print positions.
class QtFontMetrics final : public FontMetrics {
  public:
    // Measures `font` as it is drawn on `device` (the primary screen when null).
    explicit QtFontMetrics(const QFont& font, const QPaintDevice* device = nullptr);
    int TextWidth(std::string_view text) const override;
    int TextHeight(std::string_view text) const override;

  private:
    QFontMetricsF fm_;
    double dpiX_;
    double dpiY_;
};

class SurfaceWidget : public QWidget {
    Q_OBJECT
  public:
    // The surface must outlive the widget.
    explicit SurfaceWidget(const Surface& surface, int widthTwips, int heightTwips,
                           QWidget* parent = nullptr);

    // Schedules a repaint when the surface has changed since it was last painted.
    void Refresh();
    // Lets the widget grow taller than its given height when something is
    // drawn below it (the main window's dump of a sector longer than 256
    // bytes), so that a scroll area around it can scroll to it.
    void GrowWithContent() { grows_ = true; }

    double TwipsToPixelsX(int twips) const;
    double TwipsToPixelsY(int twips) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const Surface& surface_;
    int widthTwips_;
    int heightTwips_;
    int baseHeightTwips_;
    bool grows_ = false;
    std::uint64_t shownRevision_ = ~std::uint64_t{0};
};

} // namespace ss
