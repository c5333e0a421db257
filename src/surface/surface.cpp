#include "surface.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_set>

namespace ss {

void Surface::Cls() {
    items_.clear();
    textKeys_.clear();
    CurrentX = 0;
    CurrentY = 0;
    ++revision_;
}

namespace {
std::string TextKey(int x, int y, std::string_view text) {
    std::string key;
    key.reserve(24 + text.size());
    key.append(std::to_string(x)).push_back(',');
    key.append(std::to_string(y)).push_back(',');
    key.append(text);
    return key;
}
} // namespace

void Surface::AddText(std::string text) {
    if (text.empty()) {
        return;
    }
    // A text drawn on the very spot of an identical one covers it glyph for
    // glyph, so the older one can go: the list then does not grow when a
    // window redraws the same line again and again.
    const int x = CurrentX;
    const int y = CurrentY;
    if (!textKeys_.insert(TextKey(x, y, text)).second) {
        std::erase_if(items_, [&](const DrawItem& item) {
            const auto* t = std::get_if<TextItem>(&item);
            return t != nullptr && t->x == x && t->y == y && t->text == text;
        });
    }
    CurrentX += metrics_->TextWidth(text);
    items_.push_back(TextItem{x, y, ForeColor, std::move(text)});
    ++revision_;
}

void Surface::Print(const std::vector<PrintItem>& items, bool stayOnLine) {
    for (const PrintItem& item : items) {
        if (const auto* text = std::get_if<std::string>(&item)) {
            AddText(*text);
        } else {
            const std::int64_t n = std::get<std::int64_t>(item);
            std::string digits = n < 0 ? std::string() : std::string(1, ' ');
            digits.append(std::to_string(n)).push_back(' ');
            AddText(std::move(digits));
        }
    }
    if (!stayOnLine) {
        Print();
    }
}

void Surface::Print(std::string_view text, bool stayOnLine) {
    Print(std::vector<PrintItem>{std::string(text)}, stayOnLine);
}

void Surface::Print() {
    CurrentX = 0;
    CurrentY += metrics_->TextHeight("sample");
}

void Surface::Line(int x1, int y1, int x2, int y2, Colour colour) {
    const int left = std::min(x1, x2);
    const int right = std::max(x1, x2);
    const int top = std::min(y1, y2);
    const int bottom = std::max(y1, y2);
    // The box is opaque: whatever it covers is gone for good. A text counts
    // as covered when its line starts inside the box and the box spans its
    // width; a line that reaches a little below the box (the last dump row
    // does, by a few twips of leading) loses no more than a sliver of blank.
    std::erase_if(items_, [&](const DrawItem& item) {
        if (const auto* t = std::get_if<TextItem>(&item)) {
            return t->x >= left && t->y >= top && t->y <= bottom &&
                   t->x + metrics_->TextWidth(t->text) <= right + 1;
        }
        const auto& b = std::get<BoxItem>(item);
        return std::min(b.x1, b.x2) >= left && std::max(b.x1, b.x2) <= right &&
               std::min(b.y1, b.y2) >= top && std::max(b.y1, b.y2) <= bottom;
    });
    textKeys_.clear();
    for (const DrawItem& item : items_) {
        if (const auto* t = std::get_if<TextItem>(&item)) {
            textKeys_.insert(TextKey(t->x, t->y, t->text));
        }
    }
    items_.emplace_back(std::in_place_type<BoxItem>, x1, y1, x2, y2, colour);
    ++revision_;
}

std::vector<TextItem> Surface::TextsAt(int y) const {
    std::vector<TextItem> out;
    for (const DrawItem& item : items_) {
        if (const auto* t = std::get_if<TextItem>(&item); t != nullptr && t->y == y) {
            out.push_back(*t);
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const TextItem& a, const TextItem& b) { return a.x < b.x; });
    return out;
}

const TextItem* Surface::TextAt(int x, int y) const {
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        if (const auto* t = std::get_if<TextItem>(&*it); t != nullptr && t->x == x && t->y == y) {
            return t;
        }
    }
    return nullptr;
}

std::vector<RasterLine> RasterText(const Surface& surface) {
    std::map<int, std::vector<TextItem>> byRow;
    for (const DrawItem& item : surface.Items()) {
        if (const auto* t = std::get_if<TextItem>(&item)) {
            byRow[t->y].push_back(*t);
        }
    }
    const double charWidth = std::max(1, surface.TextWidth("0"));
    std::vector<RasterLine> lines;
    for (auto& [y, row] : byRow) {
        std::stable_sort(row.begin(), row.end(),
                         [](const TextItem& a, const TextItem& b) { return a.x < b.x; });
        RasterLine line{y, {}};
        int column = 0;   // first free character column
        int endTwips = 0; // right edge of the last item, in twips
        for (const TextItem& t : row) {
            int gap = static_cast<int>(std::lround((t.x - endTwips) / charWidth));
            int start = std::max(column + std::max(gap, 0), 0);
            if (!line.spans.empty() && t.x < endTwips) {
                // Drawn over the item before it: lay it on the same columns.
                start = std::max(
                    0, column - static_cast<int>(std::lround((endTwips - t.x) / charWidth)));
            }
            line.spans.push_back(RasterSpan{start, t.colour, t.text});
            column = std::max(column, start + static_cast<int>(t.text.size()));
            endTwips = std::max(endTwips, t.x + surface.TextWidth(t.text));
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace ss
