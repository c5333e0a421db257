#include "surface_widget.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <variant>

namespace ss {

namespace {
QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

double LogicalDpi(const QPaintDevice* device, bool horizontal) {
    if (device != nullptr) {
        return horizontal ? device->logicalDpiX() : device->logicalDpiY();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        return horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    }
    return 96.0;
}

// The zoom keys' steps.
constexpr double kZoomSteps[] = {kMinZoom, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1,     1.25,
                                 1.5,      1.75, 2.0,  2.5, 3.0, 3.5, kMaxZoom};
// A scale this close to a step counts as that step.
constexpr double kZoomSlack = 0.01;
} // namespace

QFont SurfaceFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("Courier New")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setBold(true);
    font.setPointSizeF(8.25);
    return font;
}

QColor ToQColor(Colour c, const QPalette& palette) {
    if (colour::IsSystemColour(c)) {
        return palette.color(QPalette::Button);
    }
    return QColor(colour::Red8(c), colour::Green8(c), colour::Blue8(c));
}

QtFontMetrics::QtFontMetrics(const QFont& font, const QPaintDevice* device)
    : fm_(font, device), dpiX_(LogicalDpi(device, true)), dpiY_(LogicalDpi(device, false)) {
    if (QFontInfo(font).fixedPitch()) {
        charAdvance_ = fm_.horizontalAdvance(QLatin1Char('0'));
    }
    lineHeight_ = static_cast<int>(std::lround(fm_.height() * kTwipsPerInch / dpiY_));
}

int QtFontMetrics::TextWidth(std::string_view text) const {
    // Printable ASCII in a fixed-pitch font: the count of characters times
    // the one advance, as the font would shape it.
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
    });
    const double pixels = charAdvance_ > 0 && ascii
                              ? charAdvance_ * static_cast<double>(text.size())
                              : fm_.horizontalAdvance(ToQString(text));
    return static_cast<int>(std::lround(pixels * kTwipsPerInch / dpiX_));
}

int QtFontMetrics::TextHeight(std::string_view) const {
    return lineHeight_;
}

SurfaceWidget::SurfaceWidget(const Surface& surface, int widthTwips, int heightTwips,
                             QWidget* parent)
    : QWidget(parent), surface_(surface), widthTwips_(widthTwips), heightTwips_(heightTwips),
      baseHeightTwips_(heightTwips) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(SurfaceFont());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

double ZoomStepIn(double scale) {
    for (const double step : kZoomSteps) {
        if (step > scale + kZoomSlack) {
            return step;
        }
    }
    return kMaxZoom;
}

double ZoomStepOut(double scale) {
    for (auto step = std::rbegin(kZoomSteps); step != std::rend(kZoomSteps); ++step) {
        if (*step < scale - kZoomSlack) {
            return *step;
        }
    }
    return kMinZoom;
}

void SurfaceWidget::Refresh() {
    if (holds_ > 0 || surface_.Revision() == shownRevision_) {
        return;
    }
    if (grows_) {
        int bottom = baseHeightTwips_;
        const int line = surface_.TextHeight("0");
        for (const DrawItem& item : surface_.Items()) {
            if (const auto* box = std::get_if<BoxItem>(&item)) {
                bottom = std::max({bottom, box->y1, box->y2});
            } else {
                bottom = std::max(bottom, std::get<TextItem>(item).y + line);
            }
        }
        if (bottom != heightTwips_) {
            heightTwips_ = bottom;
            updateGeometry();
        }
    }
    update();
}

void SurfaceWidget::Hold() {
    ++holds_;
}

void SurfaceWidget::Release() {
    if (holds_ > 0 && --holds_ == 0) {
        Refresh();
    }
}

void SurfaceWidget::SetZoom(double zoom) {
    zoom = std::isfinite(zoom) ? std::clamp(zoom, leastZoom_, kMaxZoom) : 1.0;
    if (zoom == zoom_) {
        return;
    }
    zoom_ = zoom;
    updateGeometry();
    update();
    emit ZoomChanged();
}

void SurfaceWidget::SetLeastZoom(double zoom) {
    leastZoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    SetZoom(zoom_);
}

void SurfaceWidget::SetFit(SurfaceFit fit) {
    fit_ = fit;
    updateGeometry();
    update();
}

double SurfaceWidget::Scale() const {
    if (fit_ == SurfaceFit::Fixed) {
        return zoom_;
    }
    const double naturalWidth = NaturalX(widthTwips_);
    const double naturalHeight = NaturalY(heightTwips_);
    if (naturalWidth <= 0.0 || naturalHeight <= 0.0 || width() <= 0 || height() <= 0) {
        return zoom_;
    }
    return std::min(width() / naturalWidth, height() / naturalHeight);
}

double SurfaceWidget::NaturalX(int twips) const {
    return twips * logicalDpiX() / kTwipsPerInch;
}

double SurfaceWidget::NaturalY(int twips) const {
    return twips * logicalDpiY() / kTwipsPerInch;
}

double SurfaceWidget::TwipsToPixelsX(int twips) const {
    return NaturalX(twips) * Scale();
}

double SurfaceWidget::TwipsToPixelsY(int twips) const {
    return NaturalY(twips) * Scale();
}

QSize SurfaceWidget::SizeAt(double scale) const {
    return QSize(static_cast<int>(std::ceil(NaturalX(widthTwips_) * scale)),
                 static_cast<int>(std::ceil(NaturalY(heightTwips_) * scale)));
}

QSize SurfaceWidget::sizeHint() const {
    return SizeAt(zoom_);
}

QSize SurfaceWidget::minimumSizeHint() const {
    return fit_ == SurfaceFit::FillRoom ? SizeAt(leastZoom_) : SizeAt(zoom_);
}

QFont SurfaceWidget::ScaledFont(double scale) const {
    QFont scaled = font();
    if (scale == 1.0) {
        return scaled;
    }
    // The font at the scale, its characters spaced so that a text keeps the
    // width it has at the natural size times the scale, as the window logic
    // measured it there: the font's own widths do not grow in step.
    scaled.setPointSizeF(scaled.pointSizeF() * scale);
    const QChar sample(QLatin1Char('0'));
    const double wanted = QFontMetricsF(font(), this).horizontalAdvance(sample) * scale;
    const double got = QFontMetricsF(scaled, this).horizontalAdvance(sample);
    scaled.setLetterSpacing(QFont::AbsoluteSpacing, wanted - got);
    return scaled;
}

void SurfaceWidget::PrepareGlyphs(const QFont& scaled) {
    glyphs_ = Glyphs{};
    glyphs_.font = scaled;
    glyphs_.raw = QRawFont::fromFont(scaled);
    if (!glyphs_.raw.isValid()) {
        return;
    }
    QString ascii;
    for (int c = 0; c < 128; ++c) {
        ascii.append(QChar(c >= 32 && c < 127 ? c : ' '));
    }
    const QList<quint32> index = glyphs_.raw.glyphIndexesForString(ascii);
    if (index.size() != 128) {
        return;
    }
    // Every character one cell: the natural advance at the scale, as the
    // scaled font's letter spacing keeps it.
    const double cell = QFontMetricsF(font(), this).horizontalAdvance(QLatin1Char('0')) * Scale();
    for (int c = 0; c < 128; ++c) {
        glyphs_.index[static_cast<std::size_t>(c)] = index[c];
        glyphs_.advance[static_cast<std::size_t>(c)] = cell;
    }
    glyphs_.valid = true;
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (holds_ > 0 && painted_) {
        return; // the last complete frame stays on the screen
    }
    painter.fillRect(rect(), ToQColor(surface_.Background(), palette()));
    if (holds_ > 0) {
        return; // nothing complete to show yet: the background alone
    }
    const QFont scaled = ScaledFont(Scale());
    painter.setFont(scaled);
    const QFontMetricsF fm(scaled, this);
    if (glyphs_.font != scaled) {
        PrepareGlyphs(scaled);
    }

    // Consecutive texts of one colour are drawn as one glyph run, each glyph
    // where the text's own position puts it; a box or a change of colour
    // draws what has gathered first, so the drawing order stays the list's.
    QList<quint32> runGlyphs;
    QList<QPointF> runPositions;
    QColor runColour;
    const auto flush = [&] {
        if (runGlyphs.isEmpty()) {
            return;
        }
        QGlyphRun run;
        run.setRawFont(glyphs_.raw);
        run.setGlyphIndexes(runGlyphs);
        run.setPositions(runPositions);
        painter.setPen(runColour);
        painter.drawGlyphRun(QPointF(0, 0), run);
        runGlyphs.clear();
        runPositions.clear();
    };
    const auto asciiOnly = [](const std::string& text) {
        return std::all_of(text.begin(), text.end(), [](char c) {
            return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
        });
    };

    for (const DrawItem& item : surface_.Items()) {
        if (const auto* box = std::get_if<BoxItem>(&item)) {
            flush();
            // Both corners belong to the box.
            const double left = TwipsToPixelsX(std::min(box->x1, box->x2));
            const double right = TwipsToPixelsX(std::max(box->x1, box->x2));
            const double top = TwipsToPixelsY(std::min(box->y1, box->y2));
            const double bottom = TwipsToPixelsY(std::max(box->y1, box->y2));
            painter.fillRect(QRectF(QPointF(left, top), QPointF(right + 1.0, bottom + 1.0)),
                             ToQColor(box->colour, palette()));
            continue;
        }
        const auto& text = std::get<TextItem>(item);
        const QColor colour = ToQColor(text.colour, palette());
        // A text item's position is the top-left corner of its first glyph cell.
        const QPointF origin(TwipsToPixelsX(text.x), TwipsToPixelsY(text.y) + fm.ascent());
        if (!glyphs_.valid || !asciiOnly(text.text)) {
            flush();
            painter.setPen(colour);
            painter.drawText(origin, ToQString(text.text));
            continue;
        }
        if (colour != runColour) {
            flush();
            runColour = colour;
        }
        double x = origin.x();
        for (const char c : text.text) {
            const auto k = static_cast<std::size_t>(c);
            if (c != ' ') {
                runGlyphs.append(glyphs_.index[k]);
                runPositions.append(QPointF(x, origin.y()));
            }
            x += glyphs_.advance[k];
        }
    }
    flush();
    shownRevision_ = surface_.Revision();
    painted_ = true;
}

} // namespace ss
