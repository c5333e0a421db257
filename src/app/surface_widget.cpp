#include "surface_widget.h"

#include "surface/contrast.h"

#include <QApplication>
#include <QBackingStore>
#include <QFontInfo>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPaintEngine>
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

// Printable ASCII alone.
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
    picturePainter_ = new PicturePainter(this);
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

bool SurfaceWidget::SetDrawnSize(int widthTwips, int heightTwips) {
    if (widthTwips == widthTwips_ && heightTwips == heightTwips_) {
        return false;
    }
    widthTwips_ = widthTwips;
    heightTwips_ = baseHeightTwips_ = heightTwips;
    updateGeometry();
    update();
    return true;
}

int SurfaceWidget::PixelsToTwipsX(double x) const {
    const double perTwip = TwipsToPixelsX(static_cast<int>(kTwipsPerInch)) / kTwipsPerInch;
    return perTwip > 0.0 ? static_cast<int>(std::floor(x / perTwip)) : 0;
}

int SurfaceWidget::PixelsToTwipsY(double y) const {
    const double perTwip = TwipsToPixelsY(static_cast<int>(kTwipsPerInch)) / kTwipsPerInch;
    return perTwip > 0.0 ? static_cast<int>(std::floor(y / perTwip)) : 0;
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

namespace {
// The pixel a position falls in.
int PixelOf(double v) {
    const int i = static_cast<int>(v);
    return static_cast<double>(i) > v ? i - 1 : i;
}
int AlignDown(int v, int step) {
    return v - (((v % step) + step) % step);
}
int AlignUp(int v, int step) {
    return AlignDown(v + step - 1, step);
}
// A hash of a row's texts, to find its picture by.
std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
    return (hash ^ value) * 0x100000001b3ULL;
}
std::uint64_t RowHash(std::span<const DrawItem> texts) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const DrawItem& item : texts) {
        const auto& text = std::get<TextItem>(item);
        hash = Mix(hash, static_cast<std::uint32_t>(text.x));
        hash = Mix(hash, text.colour);
        hash = Mix(hash, text.text.size());
        for (const char c : text.text) {
            hash = Mix(hash, static_cast<unsigned char>(c));
        }
    }
    return hash;
}
// Where a rectangle's bounds reach, grown by the rectangles added.
struct Reach {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    bool any = false;
    void Add(const QRectF& r) {
        if (r.isEmpty()) {
            return;
        }
        if (!any) {
            left = r.left();
            top = r.top();
            right = r.right();
            bottom = r.bottom();
            any = true;
            return;
        }
        left = std::min(left, r.left());
        top = std::min(top, r.top());
        right = std::max(right, r.right());
        bottom = std::max(bottom, r.bottom());
    }
    // The whole pixels it meets, and two more on every side for the glyphs'
    // placement on whole pixels and their edges.
    QRect Pixels() const {
        if (!any) {
            return QRect();
        }
        return QRectF(QPointF(left, top), QPointF(right, bottom))
            .toAlignedRect()
            .adjusted(-2, -2, 2, 2);
    }
};
} // namespace

bool SurfaceWidget::Drawable(std::string_view text, const Glyphs& glyphs) {
    return std::all_of(text.begin(), text.end(),
                       [&](char c) { return glyphs.drawable[static_cast<unsigned char>(c)]; });
}

const SurfaceWidget::Glyphs& SurfaceWidget::GlyphsAt(double scale) {
    const double ratio = devicePixelRatioF();
    if (glyphs_.scale == scale && glyphs_.ratio == ratio && glyphs_.base == font()) {
        return glyphs_;
    }
    rowPictures_.Clear();
    glyphs_ = Glyphs{};
    glyphs_.generation = ++glyphGenerations_;
    glyphs_.scale = scale;
    glyphs_.ratio = ratio;
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
        ascii.append(QChar(c >= 32 ? c : ' '));
    }
    const QList<quint32> index = glyphs_.raw.glyphIndexesForString(ascii);
    if (index.size() != 128) {
        return glyphs_;
    }
    for (int c = 0; c < 128; ++c) {
        glyphs_.index[static_cast<std::size_t>(c)] = index[c];
        if (c < 127) {
            // A glyph's box is measured from its origin on the base line.
            glyphs_.ink |= glyphs_.raw.boundingRect(index[c]).translated(0.0, glyphs_.ascent);
        }
    }
    glyphs_.valid = true;
    for (int c = 32; c < 127; ++c) {
        glyphs_.drawable[static_cast<std::size_t>(c)] = true;
    }
    return glyphs_;
}

void SurfaceWidget::CheckGlyphs(Glyphs& glyphs) {
    // A few pictures drawn and compared: worth it where the scale holds for
    // more than a paint (not while a window that fills its room is being
    // resized), and done once for it.
    if (glyphs.checked || !glyphs.valid || ++glyphs.paints < 2) {
        return;
    }
    glyphs.checked = true;
    CheckDelete(glyphs);
    glyphs.drawable[127] = glyphs.del;
    CheckRowPictures(glyphs);
}

void SurfaceWidget::CheckDelete(Glyphs& glyphs) {
    // Binary data shows a byte 127 as that character, which the font may
    // draw as its mark of a missing character, or a fallback font as
    // something else: drawn as its glyph only where that is what the text
    // drawing shows, at fractions of a pixel off the pixel grid as texts fall.
    // Only at whole ratios of device pixels, where the window's own offset
    // within its picture is whole device pixels too.
    if (glyphs.ratio != 1.0 && glyphs.ratio != 2.0) {
        return;
    }
    const QString del(QChar(127));
    constexpr int kSamples = 8;
    const double slot = 3.0 * glyphs.cell;
    const double line = std::ceil(QFontMetricsF(glyphs.scaled, this).height());
    const auto at = [&](int i) {
        return QPointF(glyphs.cell + i * slot + i / double(kSamples),
                       2.0 * line + (i % 4) / 4.0 + 0.1);
    };
    const QSize size(
        QSizeF((kSamples + 1) * slot * glyphs.ratio, 4.0 * line * glyphs.ratio).toSize());
    const QImage text = picturePainter_->Paint(size, glyphs.ratio, QImage::Format_RGB32, Qt::white,
                                               [&](QPainter& painter) {
                                                   painter.setFont(glyphs.scaled);
                                                   painter.setPen(Qt::black);
                                                   for (int i = 0; i < kSamples; ++i) {
                                                       painter.drawText(at(i), del);
                                                   }
                                               });
    const QImage glyph = picturePainter_->Paint(size, glyphs.ratio, QImage::Format_RGB32, Qt::white,
                                                [&](QPainter& painter) {
                                                    QList<quint32> indexes;
                                                    QList<QPointF> positions;
                                                    for (int i = 0; i < kSamples; ++i) {
                                                        indexes.append(glyphs.index[127]);
                                                        positions.append(at(i));
                                                    }
                                                    QGlyphRun run;
                                                    run.setRawFont(glyphs.raw);
                                                    run.setGlyphIndexes(indexes);
                                                    run.setPositions(positions);
                                                    painter.setPen(Qt::black);
                                                    painter.drawGlyphRun(QPointF(0, 0), run);
                                                });
    glyphs.del = !text.isNull() && text == glyph;
    if (glyphs.del) {
        glyphs.ink |= glyphs.raw.boundingRect(glyphs.index[127]).translated(0.0, glyphs.ascent);
    }
}

void SurfaceWidget::CheckRowPictures(Glyphs& glyphs) {
    // Whole device pixels are whole logical ones only at whole ratios; at
    // 1 and 2 the positions scale without rounding.
    const double ratio = glyphs.ratio;
    if (ratio != 1.0 && ratio != 2.0) {
        return;
    }
    // Every character with ink alone in a slot four cells wide, a fraction
    // of a pixel into it as positions in twips fall, on base lines at a
    // quarter, a half and three quarters of a pixel: drawn there, and drawn
    // on the base lines rounded as pictures draw them, the pictures must
    // agree.
    std::vector<quint32> characters;
    for (int c = 33; c < 128; ++c) {
        if (glyphs.drawable[static_cast<std::size_t>(c)]) {
            characters.push_back(glyphs.index[static_cast<std::size_t>(c)]);
        }
    }
    const auto count = static_cast<int>(characters.size());
    const double slot = 4.0 * glyphs.cell;
    const double line = std::ceil(QFontMetricsF(glyphs.scaled, this).height());
    const double fractions[] = {0.5, 0.25, 0.75};
    const QSize size(QSizeF((count + 1) * slot * ratio, 8.0 * line * ratio).toSize());
    const auto xAt = [&](int i) { return glyphs.cell + 0.3 + i * slot; };
    const auto baseLine = [&](int k) { return (2 + 2 * k) * line + fractions[k]; };
    const auto rounded = [&](int k) { return PixelOf(baseLine(k) * ratio + 0.5); };
    const auto sample = [&](bool snapped) {
        return picturePainter_->Paint(
            size, ratio, QImage::Format_RGB32, Qt::white, [&](QPainter& painter) {
                QList<quint32> indexes;
                QList<QPointF> positions;
                for (int k = 0; k < 3; ++k) {
                    const double y = snapped ? rounded(k) / ratio : baseLine(k);
                    for (int i = 0; i < count; ++i) {
                        indexes.append(characters[std::size_t(i)]);
                        positions.append(QPointF(xAt(i), y));
                    }
                }
                QGlyphRun run;
                run.setRawFont(glyphs.raw);
                run.setGlyphIndexes(indexes);
                run.setPositions(positions);
                painter.setPen(Qt::black);
                painter.drawGlyphRun(QPointF(0, 0), run);
            });
    };
    const QImage exact = sample(false);
    if (exact.isNull() || exact != sample(true)) {
        return;
    }
    // The ink of each character on the first base line (within a line of
    // it), from the pixel its position falls in: the glyphs are the same on
    // every base line.
    int inkLeft = size.width();
    int inkRight = -size.width();
    int inkTop = size.height();
    int inkBottom = -size.height();
    const int top = rounded(0) - static_cast<int>(line * ratio);
    const int bottom = rounded(0) + static_cast<int>(line * ratio);
    const std::vector<QRgb> blank(static_cast<std::size_t>(size.width()), QColor(Qt::white).rgb());
    for (int y = std::max(0, top); y < std::min(size.height(), bottom); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(exact.constScanLine(y));
        if (std::equal(blank.begin(), blank.end(), pixels)) {
            continue;
        }
        inkTop = std::min(inkTop, y - rounded(0));
        inkBottom = std::max(inkBottom, y + 1 - rounded(0));
        for (int i = 0; i < count; ++i) {
            const int origin = PixelOf(xAt(i) * ratio);
            const int from = std::max(0, origin - static_cast<int>(1.5 * glyphs.cell * ratio));
            const int to = std::min(
                size.width(), origin + static_cast<int>(std::ceil(2.5 * glyphs.cell * ratio)));
            for (int x = from; x < to; ++x) {
                if (pixels[x] != blank[0]) {
                    inkLeft = std::min(inkLeft, x - origin);
                    break;
                }
            }
            for (int x = to - 1; x >= from; --x) {
                if (pixels[x] != blank[0]) {
                    inkRight = std::max(inkRight, x + 1 - origin);
                    break;
                }
            }
        }
    }
    if (inkLeft >= inkRight || inkTop >= inkBottom) {
        return;
    }
    glyphs.rows = true;
    glyphs.inkLeft = inkLeft;
    glyphs.inkTop = inkTop;
    glyphs.inkRight = inkRight;
    glyphs.inkBottom = inkBottom;
}

SurfaceWidget::Mapping SurfaceWidget::MappingAt(double scale) const {
    return {static_cast<double>(logicalDpiX()), static_cast<double>(logicalDpiY()), scale};
}

QRectF SurfaceWidget::InkBounds(const DrawItem& item, const Glyphs& glyphs, Mapping m) const {
    if (const auto* box = std::get_if<BoxItem>(&item)) {
        // As painted below: both corners belong to the box.
        return QRectF(
            QPointF(m.X(std::min(box->x1, box->x2)), m.Y(std::min(box->y1, box->y2))),
            QPointF(m.X(std::max(box->x1, box->x2)) + 1.0, m.Y(std::max(box->y1, box->y2)) + 1.0));
    }
    const auto& text = std::get<TextItem>(item);
    const double x = m.X(text.x);
    const double y = m.Y(text.y);
    if (Drawable(text.text, glyphs)) {
        // From the first to the last character with ink.
        const std::size_t first = text.text.find_first_not_of(' ');
        if (first == std::string::npos) {
            return QRectF();
        }
        const std::size_t last = text.text.find_last_not_of(' ');
        return QRectF(QPointF(x + static_cast<double>(first) * glyphs.cell + glyphs.ink.left(),
                              y + glyphs.ink.top()),
                      QPointF(x + static_cast<double>(last) * glyphs.cell + glyphs.ink.right(),
                              y + glyphs.ink.bottom()));
    }
    // Other characters may come from other fonts: their ink as the fonts
    // measure it (none for a character with no glyph to show).
    return QFontMetricsF(glyphs.scaled, this)
        .tightBoundingRect(ToQString(text.text))
        .translated(x, y + glyphs.ascent);
}

QRect SurfaceWidget::ItemArea(const DrawItem& item, const Glyphs& glyphs, Mapping m) const {
    Reach reach;
    reach.Add(InkBounds(item, glyphs, m));
    return reach.Pixels();
}

QRect SurfaceWidget::TakeChanges() {
    const std::vector<DrawItem>& items = surface_.Items();
    const Glyphs& glyphs = GlyphsAt(Scale());
    const Mapping m = MappingAt(Scale());
    const auto takeAll = [&] {
        taken_ = items;
        takenInk_.resize(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            takenInk_[i] = InkBounds(items[i], glyphs, m);
        }
    };
    QRect changed;
    if (!takenAny_ || surface_.Background() != takenBackground_) {
        changed = rect(); // all of it
        takeAll();
    } else {
        if (glyphs.generation != takenGeneration_) {
            // A new scale or font repainted everything: where the list
            // taken in lies now.
            for (std::size_t i = 0; i < taken_.size(); ++i) {
                takenInk_[i] = InkBounds(taken_[i], glyphs, m);
            }
        }
        // Where the items that differ were and are now; the list taken in
        // becomes the surface's.
        Reach reach;
        const std::size_t common = std::min(items.size(), taken_.size());
        for (std::size_t i = 0; i < common; ++i) {
            if (items[i] != taken_[i]) {
                reach.Add(takenInk_[i]);
                taken_[i] = items[i];
                takenInk_[i] = InkBounds(items[i], glyphs, m);
                reach.Add(takenInk_[i]);
            }
        }
        for (std::size_t i = common; i < taken_.size(); ++i) {
            reach.Add(takenInk_[i]);
        }
        taken_.resize(common);
        takenInk_.resize(common);
        for (std::size_t i = common; i < items.size(); ++i) {
            taken_.push_back(items[i]);
            takenInk_.push_back(InkBounds(items[i], glyphs, m));
            reach.Add(takenInk_.back());
        }
        changed = reach.Pixels() & rect();
    }
    takenBackground_ = surface_.Background();
    takenRevision_ = surface_.Revision();
    takenGeneration_ = glyphs.generation;
    takenAny_ = true;
    return changed;
}

namespace {
bool highContrast = false;
} // namespace

bool HighContrast() {
    return highContrast;
}

void SetHighContrast(bool on) {
    if (on == highContrast) {
        return;
    }
    highContrast = on;
    for (QWidget* w : QApplication::allWidgets()) {
        if (auto* surface = qobject_cast<SurfaceWidget*>(w)) {
            surface->Restyle();
        }
    }
}

QColor SurfaceWidget::TextColour(Colour c) const {
    return ToQColor(highContrast ? HighContrastColour(c, surface_.Background()) : c, palette());
}

void SurfaceWidget::Restyle() {
    rowPictures_.Clear();
    update();
}

void SurfaceWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        rowPictures_.Clear(); // the button face may have another colour
    }
    QWidget::changeEvent(event);
}

void SurfaceWidget::FindRows(const Glyphs& glyphs, Mapping m) {
    const std::vector<DrawItem>& items = surface_.Items();
    const int r = static_cast<int>(glyphs.ratio);
    rows_.clear();
    // The rows' bands and the areas of everything else drawn.
    std::vector<Area>& areas = areas_;
    areas.clear();
    const std::size_t none = items.size();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto* text = std::get_if<TextItem>(&items[i]);
        if (text == nullptr || !Drawable(text->text, glyphs)) {
            const QRect a = ItemArea(items[i], glyphs, m);
            if (!a.isEmpty()) {
                areas.push_back({QRect(a.topLeft() * r, a.size() * r), none});
            }
            continue;
        }
        if (rows_.empty() || rows_.back().end != i ||
            std::get<TextItem>(items[i - 1]).y != text->y) {
            Row row;
            row.begin = i;
            row.baseLine = PixelOf((m.Y(text->y) + glyphs.ascent) * glyphs.ratio + 0.5);
            rows_.push_back(row);
        }
        Row& row = rows_.back();
        row.end = i + 1;
        const std::size_t first = text->text.find_first_not_of(' ');
        if (first == std::string::npos) {
            continue;
        }
        const std::size_t last = text->text.find_last_not_of(' ');
        const double x = m.X(text->x);
        const int left =
            PixelOf((x + static_cast<double>(first) * glyphs.cell) * glyphs.ratio) + glyphs.inkLeft;
        const int right =
            PixelOf((x + static_cast<double>(last) * glyphs.cell) * glyphs.ratio) + glyphs.inkRight;
        if (row.band.isEmpty()) {
            row.band = QRect(QPoint(left, row.baseLine + glyphs.inkTop),
                             QPoint(right - 1, row.baseLine + glyphs.inkBottom - 1));
        } else {
            row.band.setLeft(std::min(row.band.left(), left));
            row.band.setRight(std::max(row.band.right(), right - 1));
        }
    }
    for (std::size_t k = 0; k < rows_.size(); ++k) {
        Row& row = rows_[k];
        if (row.band.isEmpty()) {
            continue; // blanks alone
        }
        // A pixel more on every side, on whole logical pixels.
        row.band.setCoords(AlignDown(row.band.left() - 1, r), AlignDown(row.band.top() - 1, r),
                           AlignUp(row.band.right() + 2, r) - 1,
                           AlignUp(row.band.bottom() + 2, r) - 1);
        areas.push_back({row.band, k});
    }
    // A row is alone when no other area meets its band.
    std::sort(areas.begin(), areas.end(),
              [](const Area& a, const Area& b) { return a.rect.top() < b.rect.top(); });
    for (std::size_t a = 0; a < areas.size(); ++a) {
        for (std::size_t b = a + 1;
             b < areas.size() && areas[b].rect.top() <= areas[a].rect.bottom(); ++b) {
            if (areas[a].rect.intersects(areas[b].rect)) {
                for (const std::size_t k : {areas[a].row, areas[b].row}) {
                    if (k < rows_.size()) {
                        rows_[k].alone = false;
                    }
                }
            }
        }
    }
}

void SurfaceWidget::PaintRows(QPainter& painter, const QRect& area, const Glyphs& glyphs,
                              Mapping m) {
    // Pictures are copies of the screen's pixels: only when painting the
    // window's own picture of the screen in memory, as raster windows keep
    // (not a picture of the widget taken with grab or render, which is
    // painted directly).
    QBackingStore* store = backingStore();
    const QPaintDevice* device = painter.paintEngine()->paintDevice();
    const auto* screen = dynamic_cast<const QImage*>(device);
    if (!glyphs.rows || screen == nullptr || store == nullptr || store->paintDevice() != device) {
        return;
    }
    const QColor background = ToQColor(surface_.Background(), palette());
    if (screen->format() != pictureFormat_ || background != pictureBackground_) {
        rowPictures_.Clear();
        pictureFormat_ = screen->format();
        pictureBackground_ = background;
    }
    const int r = static_cast<int>(glyphs.ratio);
    // Room for about two windows' worth, eight MiB at the most.
    const auto windowBytes = static_cast<std::size_t>(width()) *
                             static_cast<std::size_t>(height()) * static_cast<std::size_t>(r * r) *
                             4;
    rowPictures_.SetBudget(std::min<std::size_t>(2 * windowBytes, std::size_t{8} << 20));
    rowPictures_.NextPaint();
    FindRows(glyphs, m);

    // The rows alone in the painted area and the pictures kept of them.
    const std::vector<DrawItem>& items = surface_.Items();
    const QRect deviceArea(area.topLeft() * r, area.size() * r);
    const auto textsOf = [&](const Row& row) {
        return RowPictures::Texts(items.data() + row.begin, row.end - row.begin);
    };
    std::size_t shown = 0;
    std::size_t found = 0;
    for (Row& row : rows_) {
        row.picture = nullptr;
        row.shown = row.alone && !row.band.isEmpty() && row.band.intersects(deviceArea) &&
                    row.band.left() >= 0 && row.band.top() >= 0;
        if (row.shown) {
            ++shown;
            row.hash = RowHash(textsOf(row));
            row.picture = rowPictures_.Find(row.hash, row.baseLine % r, textsOf(row));
            found += row.picture != nullptr ? 1 : 0;
        }
    }
    // The others get pictures when the page moves (most rows have pictures),
    // or when they were shown by the last paint; otherwise they are drawn as
    // the rest of the list is.
    const bool moving = found * 2 >= shown;
    for (Row& row : rows_) {
        if (!row.shown || row.picture != nullptr ||
            !(moving || rowPictures_.ShownBefore(row.hash))) {
            continue;
        }
        const double left = row.band.left() / glyphs.ratio;
        const double baseLine = (row.baseLine - row.band.top()) / glyphs.ratio;
        const auto draw = [&](QPainter& p) {
            // The texts' glyphs as the list walk places them, from the
            // band's corner, one run for each colour in turn.
            QList<quint32> indexes;
            QList<QPointF> positions;
            QColor runColour;
            Colour last = surface_.Background();
            QColor colour = background;
            const auto flush = [&] {
                if (indexes.isEmpty()) {
                    return;
                }
                QGlyphRun run;
                run.setRawFont(glyphs.raw);
                run.setGlyphIndexes(indexes);
                run.setPositions(positions);
                p.setPen(runColour);
                p.drawGlyphRun(QPointF(0, 0), run);
                indexes.clear();
                positions.clear();
            };
            for (std::size_t i = row.begin; i < row.end; ++i) {
                const auto& text = std::get<TextItem>(items[i]);
                if (text.colour != last) {
                    last = text.colour;
                    colour = TextColour(last);
                }
                if (colour != runColour) {
                    flush();
                    runColour = colour;
                }
                double x = m.X(text.x);
                for (const char c : text.text) {
                    if (c != ' ') {
                        indexes.append(glyphs.index[static_cast<unsigned char>(c)]);
                        positions.append(QPointF(x - left, baseLine));
                    }
                    x += glyphs.cell;
                }
            }
            flush();
        };
        row.picture = rowPictures_.Add(row.hash, row.baseLine % r, textsOf(row),
                                       picturePainter_->Paint(row.band.size(), glyphs.ratio,
                                                              pictureFormat_, background, draw));
    }
    for (const Row& row : rows_) {
        if (row.picture != nullptr) {
            painter.drawImage(QPoint(row.band.left() / r, row.band.top() / r), *row.picture);
            std::fill(skip_.begin() + static_cast<std::ptrdiff_t>(row.begin),
                      skip_.begin() + static_cast<std::ptrdiff_t>(row.end), std::uint8_t{1});
        }
    }
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
    CheckGlyphs(glyphs_);
    const Mapping m = MappingAt(scale);
    painter.setFont(glyphs.scaled);
    const std::vector<DrawItem>& items = surface_.Items();
    skip_.assign(items.size(), 0);
    PaintRows(painter, area, glyphs, m);

    // The rest of the list in its order. Consecutive texts of one colour are
    // drawn as one glyph run, each glyph where the text's own position puts
    // it; a box or a change of colour draws what has gathered first. Texts
    // whose line misses the painted area are left out.
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
    const double inkTop = glyphs.ink.top() - 2.0;
    const double inkBottom = glyphs.ink.bottom() + 2.0;
    Colour lastColour = surface_.Background();
    QColor colour = TextColour(lastColour);

    for (std::size_t i = 0; i < items.size(); ++i) {
        if (skip_[i] != 0) {
            continue;
        }
        const DrawItem& item = items[i];
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
            colour = TextColour(lastColour);
        }
        // A text item's position is the top-left corner of its first glyph cell.
        const QPointF origin(m.X(text.x), top + glyphs.ascent);
        if (!Drawable(text.text, glyphs)) {
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
                runGlyphs.append(glyphs.index[static_cast<unsigned char>(c)]);
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
