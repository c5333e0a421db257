// Shows a window surface on the screen: the background, the filled boxes and
// the printed texts of its display list, at their twip positions.
#pragma once

#include "row_pictures.h"
#include "surface/surface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRawFont>
#include <QRegion>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

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
    // A fixed-pitch font is measured once: every character has the advance
    // of "0" (0 when the font is not fixed-pitch, and every text is measured).
    double charAdvance_ = 0;
    int lineHeight_ = 0;
};

// The high-contrast look: every surface draws its texts in colours that
// stand out from its background by at least 4.5 to 1 (HighContrastColour).
// Setting it repaints every surface.
bool HighContrast();
void SetHighContrast(bool on);

// The scales a surface can be zoomed to, as multiples of its natural size
// (twips at the screen's logical inch).
inline constexpr double kMinZoom = 0.5;
inline constexpr double kMaxZoom = 4.0;
// The next zoom step above or below `scale`, within the two bounds.
double ZoomStepIn(double scale);
double ZoomStepOut(double scale);

// How a surface uses room beyond its zoomed size.
enum class SurfaceFit {
    Fixed,    // drawn at the zoom; the room beyond stays background
    FillRoom, // drawn as large as the room allows, keeping its proportions
};

class SurfaceWidget : public QWidget {
    Q_OBJECT
  public:
    // The surface must outlive the widget. `widthTwips` by `heightTwips` is
    // the part of the surface the window draws on.
    explicit SurfaceWidget(const Surface& surface, int widthTwips, int heightTwips,
                           QWidget* parent = nullptr);

    // Schedules a repaint when the surface has changed since it was last painted.
    void Refresh();
    // While held (calls nest), the widget keeps what it last painted: the
    // logic is in the middle of drawing, and a half-drawn surface is never
    // shown. Releasing the last hold repaints when the surface has changed.
    void Hold();
    void Release();
    // The surface's revision that the last complete paint showed.
    std::uint64_t PaintedRevision() const { return shownRevision_; }
    // Lets the widget grow taller than its given height when something is
    // drawn below it (the main window's dump of a sector longer than 256
    // bytes), so that a scroll area around it can scroll to it.
    void GrowWithContent() { grows_ = true; }
    // A drawing whose size follows what it shows (the Disk Check window's,
    // as large as the disk): the part drawn on from now on. False when it
    // was that size already.
    bool SetDrawnSize(int widthTwips, int heightTwips);
    // The twips of the surface under a point of the widget.
    int PixelsToTwipsX(double x) const;
    int PixelsToTwipsY(double y) const;

    // The zoom asks for the widget's size: the drawn part at `zoom` times its
    // natural size (held within kMinZoom and kMaxZoom).
    void SetZoom(double zoom);
    double Zoom() const { return zoom_; }
    // The least zoom this surface takes (kMinZoom unless set).
    void SetLeastZoom(double zoom);
    void SetFit(SurfaceFit fit);
    SurfaceFit Fit() const { return fit_; }
    // The scale the surface is drawn at: the zoom, or with FillRoom the
    // largest scale at which the drawn part fits the widget.
    double Scale() const;

    double TwipsToPixelsX(int twips) const;
    double TwipsToPixelsY(int twips) const;

    // The bytes of the row pictures kept (see RowPictures), and how many.
    std::size_t RowPictureBytes() const { return rowPictures_.Bytes(); }
    std::size_t RowPictureCount() const { return rowPictures_.Count(); }

    // Paints everything anew, in the look now set.
    void Restyle();
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    void ZoomChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // The scaled font and the glyphs of the printable ASCII characters in it,
    // so that a run of texts in one colour is drawn by one call with each
    // glyph at its own position.
    struct Glyphs {
        double scale = 0.0; // the scale, font and device pixel ratio they were made for
        QFont base;
        double ratio = 0.0;
        std::uint64_t generation = 0; // which glyphs these are, counted from 1
        QFont scaled;
        double ascent = 0.0;
        QRawFont raw;
        std::array<quint32, 128> index{};
        // Every character one cell wide: the natural advance at the scale.
        double cell = 0.0;
        // Where any printable character may put ink, from the top-left
        // corner of its cell.
        QRectF ink;
        bool valid = false; // the glyph runs can be used
        // The character 127 is drawn by its glyph (index[127]), as the
        // text drawing shows it.
        bool del = false;
        // The characters drawn from the glyphs alone (127 once del is known).
        std::array<bool, 256> drawable{};
        // A text row can be painted into a picture and copied: its glyphs
        // land on whole device pixels from a base line rounded to one, as
        // the screen showed them. Then the ink of any printable character
        // lies within these device pixels from the pixel its position falls
        // in (left, top inclusive; right, bottom exclusive).
        bool rows = false;
        // Whether del and rows were worked out (CheckGlyphs), and the paints
        // at this scale before.
        bool checked = false;
        int paints = 0;
        int inkLeft = 0;
        int inkTop = 0;
        int inkRight = 0;
        int inkBottom = 0;
    };
    // Twips to pixels at a scale, worked out as TwipsToPixelsX and Y do,
    // to the last bit.
    struct Mapping {
        double dpiX = 0.0;
        double dpiY = 0.0;
        double scale = 0.0;
        double X(int twips) const { return twips * dpiX / kTwipsPerInch * scale; }
        double Y(int twips) const { return twips * dpiY / kTwipsPerInch * scale; }
    };
    const Glyphs& GlyphsAt(double scale);
    // Whether `text` is drawn from the glyphs alone.
    static bool Drawable(std::string_view text, const Glyphs& glyphs);
    // Works out Glyphs::del and Glyphs::rows at the second paint at the
    // glyphs' scale.
    void CheckGlyphs(Glyphs& glyphs);
    // Whether the character 127 is drawn by its glyph (Glyphs::del).
    void CheckDelete(Glyphs& glyphs);
    // Whether text rows of `glyphs` drawn into pictures show as the screen
    // draws them directly, and where their ink lies (Glyphs::rows).
    void CheckRowPictures(Glyphs& glyphs);
    // Consecutive texts on one line of the display list.
    struct Row {
        std::size_t begin = 0;
        std::size_t end = 0;
        QRect band;         // device pixels on whole logical ones, all their ink within
        int baseLine = 0;   // device pixels
        bool alone = true;  // nothing else is drawn in its band
        bool shown = false; // alone, and in the painted area
        std::uint64_t hash = 0;
        const QImage* picture = nullptr;
    };
    // The rows of the list (rows_) and which are alone.
    void FindRows(const Glyphs& glyphs, Mapping m);
    // A row's band or another item's area, in device pixels.
    struct Area {
        QRect rect;
        std::size_t row; // not a row's index for an item outside the rows
    };
    // Copies the rows alone in `area` from their pictures, made as needed,
    // so that the paint's walk of the list leaves their texts out (skip_).
    void PaintRows(QPainter& painter, const QRect& area, const Glyphs& glyphs, Mapping m);
    Mapping MappingAt(double scale) const;
    // A text's colour as painted: with the high-contrast look, against the
    // surface's background.
    QColor TextColour(Colour c) const;
    // Where painting `item` may put ink, and the whole pixels it may change.
    QRectF InkBounds(const DrawItem& item, const Glyphs& glyphs, Mapping m) const;
    QRect ItemArea(const DrawItem& item, const Glyphs& glyphs, Mapping m) const;
    // Takes in what the surface has drawn since it was last taken in: the
    // area that differs on the screen (all of it the first time).
    QRect TakeChanges();
    // Twips to pixels at the natural size.
    double NaturalX(int twips) const;
    double NaturalY(int twips) const;
    QSize SizeAt(double scale) const;
    QFont ScaledFont(double scale) const;

    const Surface& surface_;
    int widthTwips_;
    int heightTwips_;
    double zoom_ = 1.0;
    double leastZoom_ = kMinZoom;
    SurfaceFit fit_ = SurfaceFit::Fixed;
    int baseHeightTwips_;
    bool grows_ = false;
    std::uint64_t shownRevision_ = ~std::uint64_t{0};
    int holds_ = 0;
    bool painted_ = false;
    Glyphs glyphs_;
    // The display list as last taken in, so that a change repaints only the
    // area of the items that differ: a scroll of the hex viewer's page
    // leaves the controls standing on the surface alone.
    std::vector<DrawItem> taken_;
    std::vector<QRectF> takenInk_; // InkBounds of each
    std::uint64_t takenGeneration_ = 0;
    std::uint64_t glyphGenerations_ = 0;
    Colour takenBackground_ = 0;
    std::uint64_t takenRevision_ = ~std::uint64_t{0};
    bool takenAny_ = false;
    // Taken in but not painted yet.
    QRegion unpainted_;
    PicturePainter* picturePainter_ = nullptr;
    RowPictures rowPictures_;
    QImage::Format pictureFormat_ = QImage::Format_Invalid;
    QColor pictureBackground_;
    // Reused by every paint.
    std::vector<Row> rows_;
    std::vector<Area> areas_;
    std::vector<std::uint8_t> skip_;
};

} // namespace ss
