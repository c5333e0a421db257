#include "row_pictures.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

namespace ss {

PicturePainter::PicturePainter(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    hide();
}

QImage PicturePainter::Paint(QSize deviceSize, double ratio, QImage::Format format,
                             const QColor& background, const std::function<void(QPainter&)>& draw) {
    QImage picture(deviceSize, format);
    if (picture.isNull()) {
        return picture;
    }
    picture.setDevicePixelRatio(ratio);
    resize(static_cast<int>(std::lround(deviceSize.width() / ratio)),
           static_cast<int>(std::lround(deviceSize.height() / ratio)));
    background_ = background;
    draw_ = &draw;
    render(&picture, QPoint(), QRegion(), RenderFlags());
    draw_ = nullptr;
    return picture;
}

void PicturePainter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    if (draw_ != nullptr) {
        (*draw_)(painter);
    }
}

void RowPictures::Clear() {
    pictures_.clear();
    shownLast_.clear();
    shownNow_.clear();
    bytes_ = 0;
}

void RowPictures::NextPaint() {
    ++paint_;
    std::swap(shownLast_, shownNow_);
    shownNow_.clear();
}

namespace {
// The same texts at the same places along a line, whichever its height.
bool SameAlong(const DrawItem& a, const DrawItem& b) {
    const auto& x = std::get<TextItem>(a);
    const auto& y = std::get<TextItem>(b);
    return x.x == y.x && x.colour == y.colour && x.text == y.text;
}
} // namespace

const QImage* RowPictures::Find(std::uint64_t hash, int phase, Texts texts) {
    const auto found = pictures_.find(hash);
    if (found == pictures_.end() || found->second.phase != phase ||
        !std::equal(texts.begin(), texts.end(), found->second.texts.begin(),
                    found->second.texts.end(), SameAlong)) {
        return nullptr;
    }
    found->second.used = paint_;
    return &found->second.picture;
}

bool RowPictures::ShownBefore(std::uint64_t hash) {
    shownNow_.insert(hash);
    return shownLast_.count(hash) != 0;
}

const QImage* RowPictures::Add(std::uint64_t hash, int phase, Texts texts, QImage picture) {
    if (const auto kept = pictures_.find(hash); kept != pictures_.end()) {
        bytes_ -= static_cast<std::size_t>(kept->second.picture.sizeInBytes());
        pictures_.erase(kept);
    }
    const auto size = static_cast<std::size_t>(picture.sizeInBytes());
    while (bytes_ + size > budget_) {
        auto oldest = pictures_.end();
        for (auto it = pictures_.begin(); it != pictures_.end(); ++it) {
            if (it->second.used != paint_ &&
                (oldest == pictures_.end() || it->second.used < oldest->second.used)) {
                oldest = it;
            }
        }
        if (oldest == pictures_.end()) {
            return nullptr; // every picture kept is in use
        }
        bytes_ -= static_cast<std::size_t>(oldest->second.picture.sizeInBytes());
        pictures_.erase(oldest);
    }
    Entry& entry = pictures_[hash];
    entry.picture = std::move(picture);
    entry.phase = phase;
    entry.texts.assign(texts.begin(), texts.end());
    entry.used = paint_;
    bytes_ += size;
    return &entry.picture;
}

} // namespace ss
