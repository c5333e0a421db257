#include "surface_widget.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
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
    : fm_(font, device), dpiX_(LogicalDpi(device, true)), dpiY_(LogicalDpi(device, false)) {}

int QtFontMetrics::TextWidth(std::string_view text) const {
    return static_cast<int>(
        std::lround(fm_.horizontalAdvance(ToQString(text)) * kTwipsPerInch / dpiX_));
}

int QtFontMetrics::TextHeight(std::string_view) const {
    return static_cast<int>(std::lround(fm_.height() * kTwipsPerInch / dpiY_));
}

SurfaceWidget::SurfaceWidget(const Surface& surface, int widthTwips, int heightTwips,
                             QWidget* parent)
    : QWidget(parent), surface_(surface), widthTwips_(widthTwips), heightTwips_(heightTwips),
      baseHeightTwips_(heightTwips) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(SurfaceFont());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SurfaceWidget::Refresh() {
    if (surface_.Revision() == shownRevision_) {
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

double SurfaceWidget::TwipsToPixelsX(int twips) const {
    return twips * logicalDpiX() / kTwipsPerInch;
}

double SurfaceWidget::TwipsToPixelsY(int twips) const {
    return twips * logicalDpiY() / kTwipsPerInch;
}

QSize SurfaceWidget::sizeHint() const {
    return QSize(static_cast<int>(std::ceil(TwipsToPixelsX(widthTwips_))),
                 static_cast<int>(std::ceil(TwipsToPixelsY(heightTwips_))));
}

QSize SurfaceWidget::minimumSizeHint() const {
    return sizeHint();
}

void SurfaceWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(surface_.Background(), palette()));
    painter.setFont(font());
    const QFontMetricsF fm(font(), this);

    for (const DrawItem& item : surface_.Items()) {
        if (const auto* box = std::get_if<BoxItem>(&item)) {
            // Both corners belong to the box.
            const double left = TwipsToPixelsX(std::min(box->x1, box->x2));
            const double right = TwipsToPixelsX(std::max(box->x1, box->x2));
            const double top = TwipsToPixelsY(std::min(box->y1, box->y2));
            const double bottom = TwipsToPixelsY(std::max(box->y1, box->y2));
            painter.fillRect(QRectF(QPointF(left, top), QPointF(right + 1.0, bottom + 1.0)),
                             ToQColor(box->colour, palette()));
        } else {
            const auto& text = std::get<TextItem>(item);
            painter.setPen(ToQColor(text.colour, palette()));
            // A text item's position is the top-left corner of its first glyph cell.
            painter.drawText(QPointF(TwipsToPixelsX(text.x), TwipsToPixelsY(text.y) + fm.ascent()),
                             ToQString(text.text));
        }
    }
    shownRevision_ = surface_.Revision();
}

} // namespace ss
