#include "surface.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>

namespace ss {

void Surface::PositionIndex::Clear() {
    std::fill(table_.begin(), table_.end(), Entry{});
    used_ = 0;
}

std::size_t Surface::PositionIndex::Slot(std::uint64_t key) const {
    // Fibonacci hashing of the packed position: the top bits of its product
    // with 2^64 / golden ratio; the table size is a power of 2.
    const std::size_t mask = table_.size() - 1;
    std::size_t i = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
    while (table_[i].used && table_[i].key != key) {
        i = (i + 1) & mask;
    }
    return i;
}

void Surface::PositionIndex::Grow() {
    std::vector<Entry> old = std::move(table_);
    table_.assign(old.empty() ? 1024 : old.size() * 2, Entry{});
    shift_ = 64 - std::countr_zero(table_.size());
    for (const Entry& e : old) {
        if (e.used) {
            table_[Slot(e.key)] = e;
        }
    }
}

Surface::PositionIndex::Entry& Surface::PositionIndex::At(int x, int y) {
    const std::uint64_t key = Key(x, y);
    if (table_.empty()) {
        Grow();
    }
    std::size_t i = Slot(key);
    if (!table_[i].used) {
        // At most half full, so that a probe ends soon.
        if (2 * (used_ + 1) > table_.size()) {
            Grow();
            i = Slot(key);
        }
        table_[i] = Entry{key, 0, 0, true};
        ++used_;
    }
    return table_[i];
}

void Surface::Cls() {
    items_.clear();
    alive_.clear();
    dropped_ = 0;
    textsAt_.Clear();
    CurrentX = 0;
    CurrentY = 0;
    ++revision_;
}

void Surface::Drop(std::size_t i) const {
    alive_[i] = 0;
    ++dropped_;
    if (const auto* t = std::get_if<TextItem>(&items_[i])) {
        --textsAt_.At(t->x, t->y).count;
    }
}

void Surface::Compact() const {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (alive_[i] != 0) {
            if (kept != i) {
                items_[kept] = std::move(items_[i]);
            }
            ++kept;
        }
    }
    items_.resize(kept);
    alive_.assign(kept, 1);
    dropped_ = 0;
    textsAt_.Clear();
    for (std::size_t i = 0; i < kept; ++i) {
        if (const auto* t = std::get_if<TextItem>(&items_[i])) {
            PositionIndex::Entry& e = textsAt_.At(t->x, t->y);
            ++e.count;
            e.last = static_cast<std::uint32_t>(i);
        }
    }
}

void Surface::AddText(std::string text) {
    if (text.empty()) {
        return;
    }
    // A text drawn on the very spot of an identical one covers it glyph for
    // glyph, so the older one can go: the list then does not grow when a
    // window redraws the same line again and again.
    const int x = CurrentX;
    const int y = CurrentY;
    const auto twin = [&](std::size_t i) {
        const auto* t = std::get_if<TextItem>(&items_[i]);
        return alive_[i] != 0 && t != nullptr && t->x == x && t->y == y && t->text == text;
    };
    PositionIndex::Entry* here = &textsAt_.At(x, y);
    if (here->count == 1 && twin(here->last)) {
        Drop(here->last);
    } else if (here->count != 0) {
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (twin(i)) {
                Drop(i); // finds the position's entry again, makes none
            }
        }
    }
    ++here->count;
    here->last = static_cast<std::uint32_t>(items_.size());
    CurrentX += metrics_->TextWidth(text);
    items_.push_back(TextItem{x, y, ForeColor, std::move(text)});
    alive_.push_back(1);
    ++revision_;
    // The list may hold a few times the items that are alive: a window that
    // draws the same page over and over compacts it every few pages.
    if (dropped_ > 4 * (items_.size() - dropped_) + 1024) {
        Compact();
    }
}

void Surface::Print(const std::vector<PrintItem>& items, bool stayOnLine) {
    for (const PrintItem& item : items) {
        if (const auto* text = std::get_if<std::string>(&item)) {
            AddText(*text);
        } else {
            PrintNumber(std::get<std::int64_t>(item), true);
        }
    }
    if (!stayOnLine) {
        Print();
    }
}

void Surface::Print(std::string_view text, bool stayOnLine) {
    AddText(std::string(text));
    if (!stayOnLine) {
        Print();
    }
}

void Surface::PrintNumber(std::int64_t n, bool stayOnLine) {
    std::string digits = n < 0 ? std::string() : std::string(1, ' ');
    digits.append(std::to_string(n)).push_back(' ');
    Print(digits, stayOnLine);
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
    const auto covered = [&](const DrawItem& item) {
        if (const auto* t = std::get_if<TextItem>(&item)) {
            return t->x >= left && t->y >= top && t->y <= bottom &&
                   t->x + metrics_->TextWidth(t->text) <= right + 1;
        }
        const auto& b = std::get<BoxItem>(item);
        return std::min(b.x1, b.x2) >= left && std::max(b.x1, b.x2) <= right &&
               std::min(b.y1, b.y2) >= top && std::max(b.y1, b.y2) <= bottom;
    };
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (alive_[i] != 0 && covered(items_[i])) {
            Drop(i);
        }
    }
    items_.emplace_back(std::in_place_type<BoxItem>, BoxItem{x1, y1, x2, y2, colour});
    alive_.push_back(1);
    ++revision_;
}

std::vector<TextItem> Surface::TextsAt(int y) const {
    std::vector<TextItem> out;
    for (const DrawItem& item : Items()) {
        if (const auto* t = std::get_if<TextItem>(&item); t != nullptr && t->y == y) {
            out.push_back(*t);
        }
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const TextItem& a, const TextItem& b) { return a.x < b.x; });
    return out;
}

const TextItem* Surface::TextAt(int x, int y) const {
    const std::vector<DrawItem>& items = Items();
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
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
