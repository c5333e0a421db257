// Pictures of a surface's rows of text: a row painted once is copied whole the
// next times it is shown, wherever it then stands (a scroll of the hex
// viewer's page moves every row a line and brings one new row).
#pragma once

#include "surface/surface.h"

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ss {

// Paints into a picture as a widget on the screen paints: a widget of its
// own, never shown, rendered into the picture, so that glyphs take the form
// (grey or coloured edges) the screen gives a widget's text rather than the
// one it gives a picture's.
class PicturePainter : public QWidget {
  public:
    explicit PicturePainter(QWidget* parent);
    // A picture of `deviceSize` pixels at `ratio` device pixels to the
    // logical one, filled with `background`, then `draw` on it.
    QImage Paint(QSize deviceSize, double ratio, QImage::Format format, const QColor& background,
                 const std::function<void(QPainter&)>& draw);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor background_;
    const std::function<void(QPainter&)>* draw_ = nullptr;
};

// The pictures of rows by their texts, within a budget of bytes. A row is
// known by a hash of its texts (their places along the line, colours and
// characters, whatever the line's height) and where its base line falls
// within a device pixel of its band (`phase`); its picture is used only for
// the very texts it was painted from.
class RowPictures {
  public:
    using Texts = std::span<const DrawItem>;

    void Clear();
    void SetBudget(std::size_t bytes) { budget_ = bytes; }
    std::size_t Bytes() const { return bytes_; }
    std::size_t Count() const { return pictures_.size(); }
    // Starts a paint.
    void NextPaint();
    // The picture of the row, now used by this paint; null when there is none.
    const QImage* Find(std::uint64_t hash, int phase, Texts texts);
    // Whether the last paint showed the row without a picture; this paint
    // shows it, which the next one will know.
    bool ShownBefore(std::uint64_t hash);
    // Keeps the picture of the row when the budget allows, first dropping
    // pictures this paint has not used, those used longest ago first; the
    // picture kept, or null.
    const QImage* Add(std::uint64_t hash, int phase, Texts texts, QImage picture);

  private:
    struct Entry {
        QImage picture;
        int phase = 0;
        std::vector<DrawItem> texts;
        std::uint64_t used = 0;
    };
    std::unordered_map<std::uint64_t, Entry> pictures_;
    std::unordered_set<std::uint64_t> shownLast_;
    std::unordered_set<std::uint64_t> shownNow_;
    std::size_t bytes_ = 0;
    std::size_t budget_ = 0;
    std::uint64_t paint_ = 0;
};

} // namespace ss
