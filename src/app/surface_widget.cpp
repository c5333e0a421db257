#include "surface_widget.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPaintEvent>
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

// Printable ASCII alone: drawn from the surface font's own glyphs.
bool AsciiOnly(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
    });
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
    const double pixels = charAdvance_ > 0 && AsciiOnly(text)
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
    if (holds_ > 0) {
        return;
    }
    if (surface_.Revision() == takenRevision_) {
        // Unchanged, but what a hold kept from being painted is painted now.
        if (!unpainted_.isEmpty()) {
            update(unpainted_);
        }
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
    unpainted_ += TakeChanges();
    if (!unpainted_.isEmpty()) {
        update(unpainted_);
    }
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

const SurfaceWidget::Glyphs& SurfaceWidget::GlyphsAt(double scale) {
    if (glyphs_.scale == scale && glyphs_.base == font()) {
        return glyphs_;
    }
    glyphs_ = Glyphs{};
    glyphs_.scale = scale;
    glyphs_.base = font();
    glyphs_.scaled = ScaledFont(scale);
    const QFontMetricsF fm(glyphs_.scaled, this);
    glyphs_.ascent = fm.ascent();
    glyphs_.cell = QFontMetricsF(font(), this).horizontalAdvance(QLatin1Char('0')) * scale;
    glyphs_.raw = QRawFont::fromFont(glyphs_.scaled);
    if (!glyphs_.raw.isValid()) {
        return glyphs_;
    }
    QString ascii;
    for (int c = 0; c < 128; ++c) {
        ascii.append(QChar(c >= 32 && c < 127 ? c : ' '));
    }
    const QList<quint32> index = glyphs_.raw.glyphIndexesForString(ascii);
    if (index.size() != 128) {
        return glyphs_;
    }
    for (int c = 0; c < 128; ++c) {
        glyphs_.index[static_cast<std::size_t>(c)] = index[c];
        // A glyph's box is measured from its origin on the base line.
        glyphs_.ink |= glyphs_.raw.boundingRect(index[c]).translated(0.0, glyphs_.ascent);
    }
    glyphs_.valid = true;
    return glyphs_;
}

SurfaceWidget::Mapping SurfaceWidget::MappingAt(double scale) const {
    return {static_cast<double>(logicalDpiX()), static_cast<double>(logicalDpiY()), scale};
}

QRect SurfaceWidget::ItemArea(const DrawItem& item, const Glyphs& glyphs, Mapping m) const {
    if (const auto* box = std::get_if<BoxItem>(&item)) {
        // As painted below, a pixel more on every side for the rounding.
        return QRectF(QPointF(m.X(std::min(box->x1, box->x2)), m.Y(std::min(box->y1, box->y2))),
                      QPointF(m.X(std::max(box->x1, box->x2)) + 1.0,
                              m.Y(std::max(box->y1, box->y2)) + 1.0))
            .toAlignedRect()
            .adjusted(-1, -1, 1, 1);
    }
    const auto& text = std::get<TextItem>(item);
    const double x = m.X(text.x);
    const double y = m.Y(text.y);
    if (glyphs.valid && AsciiOnly(text.text)) {
        // From the first to the last character with ink, and two pixels more
        // for the glyphs' placement on whole pixels and their edges.
        const std::size_t first = text.text.find_first_not_of(' ');
        if (first == std::string::npos) {
            return QRect();
        }
        const std::size_t last = text.text.find_last_not_of(' ');
        return QRectF(QPointF(x + static_cast<double>(first) * glyphs.cell + glyphs.ink.left(),
                              y + glyphs.ink.top()),
                      QPointF(x + static_cast<double>(last) * glyphs.cell + glyphs.ink.right(),
                              y + glyphs.ink.bottom()))
            .toAlignedRect()
            .adjusted(-2, -2, 2, 2);
    }
    // Other characters may come from other fonts: a line height of room on
    // every side.
    const QFontMetricsF fm(glyphs.scaled, this);
    const double line = fm.height();
    const double width = fm.horizontalAdvance(ToQString(text.text));
    return QRectF(QPointF(x - line, y - line), QPointF(x + width + line, y + 2.0 * line))
        .toAlignedRect();
}

QRect SurfaceWidget::TakeChanges() {
    const std::vector<DrawItem>& items = surface_.Items();
    QRect changed;
    if (!takenAny_ || surface_.Background() != takenBackground_) {
        changed = rect();
    } else {
        const Glyphs& glyphs = GlyphsAt(Scale());
        const Mapping m = MappingAt(Scale());
        const std::size_t common = std::min(items.size(), taken_.size());
        for (std::size_t i = 0; i < common; ++i) {
            if (items[i] != taken_[i]) {
                changed |= ItemArea(taken_[i], glyphs, m);
                changed |= ItemArea(items[i], glyphs, m);
            }
        }
        for (std::size_t i = common; i < taken_.size(); ++i) {
            changed |= ItemArea(taken_[i], glyphs, m);
        }
        for (std::size_t i = common; i < items.size(); ++i) {
            changed |= ItemArea(items[i], glyphs, m);
        }
        changed &= rect();
    }
    taken_ = items;
    takenBackground_ = surface_.Background();
    takenRevision_ = surface_.Revision();
    takenAny_ = true;
    return changed;
}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (holds_ > 0) {
        // The last complete frame stays on the screen (the background alone
        // before the first); the area asked for is painted after the hold,
        // as the window may have lost it meanwhile.
        unpainted_ += event->region();
        if (!painted_) {
            painter.fillRect(event->rect(), ToQColor(surface_.Background(), palette()));
        }
        return;
    }
    const QRect area = event->rect();
    painter.fillRect(area, ToQColor(surface_.Background(), palette()));
    if (surface_.Revision() != takenRevision_) {
        // Drawn without a Refresh: what changed beyond this paint is painted next.
        const QRegion rest = QRegion(TakeChanges()) - event->region();
        if (!rest.isEmpty()) {
            unpainted_ += rest;
            update(rest);
        }
    }
    const double scale = Scale();
    const Glyphs& glyphs = GlyphsAt(scale);
    const Mapping m = MappingAt(scale);
    painter.setFont(glyphs.scaled);

    // Consecutive texts of one colour are drawn as one glyph run, each glyph
    // where the text's own position puts it; a box or a change of colour
    // draws what has gathered first, so the drawing order stays the list's.
    // Items that cannot reach the painted area are left out.
    QList<quint32> runGlyphs;
    QList<QPointF> runPositions;
    QColor runColour;
    const auto flush = [&] {
        if (runGlyphs.isEmpty()) {
            return;
        }
        QGlyphRun run;
        run.setRawFont(glyphs.raw);
        run.setGlyphIndexes(runGlyphs);
        run.setPositions(runPositions);
        painter.setPen(runColour);
        painter.drawGlyphRun(QPointF(0, 0), run);
        runGlyphs.clear();
        runPositions.clear();
    };
    // Only texts whose line meets the painted area.
    const double inkTop = glyphs.ink.top() - 2.0;
    const double inkBottom = glyphs.ink.bottom() + 2.0;
    Colour lastColour = surface_.Background();
    QColor colour = ToQColor(lastColour, palette());

    for (const DrawItem& item : surface_.Items()) {
        if (const auto* box = std::get_if<BoxItem>(&item)) {
            flush();
            // Both corners belong to the box.
            const double left = m.X(std::min(box->x1, box->x2));
            const double right = m.X(std::max(box->x1, box->x2));
            const double top = m.Y(std::min(box->y1, box->y2));
            const double bottom = m.Y(std::max(box->y1, box->y2));
            painter.fillRect(QRectF(QPointF(left, top), QPointF(right + 1.0, bottom + 1.0)),
                             ToQColor(box->colour, palette()));
            continue;
        }
        const auto& text = std::get<TextItem>(item);
        const double top = m.Y(text.y);
        if (top + inkBottom < area.top() || top + inkTop > area.bottom() + 1) {
            continue;
        }
        if (text.colour != lastColour) {
            lastColour = text.colour;
            colour = ToQColor(lastColour, palette());
        }
        // A text item's position is the top-left corner of its first glyph cell.
        const QPointF origin(m.X(text.x), top + glyphs.ascent);
        if (!glyphs.valid || !AsciiOnly(text.text)) {
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
            if (c != ' ') {
                runGlyphs.append(glyphs.index[static_cast<std::size_t>(c)]);
                runPositions.append(QPointF(x, origin.y()));
            }
            x += glyphs.cell;
        }
    }
    flush();
    painted_ = true;
    unpainted_ -= event->region();
    if ((unpainted_ & visibleRegion()).isEmpty()) {
        unpainted_ = QRegion();
        shownRevision_ = takenRevision_;
    }
}

} // namespace ss
