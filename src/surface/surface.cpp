#include "surface.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <tuple>

namespace ss {

void Surface::Cls() {
    leftover_ += count_;
    count_ = 0;
    compactAt_ = kCompactMargin;
    twinsPossible_ = false;
    lastText_ = kNoText;
    CurrentX = 0;
    CurrentY = 0;
    ++revision_;
}

void Surface::DropTwins() const {
    // An open-addressing table of list indexes + 1 (0: free), at most half
    // full, filled from the end of the list: a text whose twin is already in
    // it was drawn before that twin. Texts of one position but other
    // characters take the following slots.
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(2 * items_.size(), 16));
    const int shift = 64 - std::countr_zero(size);
    const std::size_t mask = size - 1;
    twinSlots_.assign(size, 0);
    std::size_t dropped = 0;
    for (std::size_t i = items_.size(); i-- > 0;) {
        auto* t = std::get_if<TextItem>(&items_[i]);
        if (t == nullptr) {
            continue;
        }
        // Fibonacci hashing of the packed position: the top bits of its
        // product with 2^64 / golden ratio.
        const std::uint64_t key =
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(t->x)) << 32) |
            static_cast<std::uint32_t>(t->y);
        std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
        for (; twinSlots_[slot] != 0; slot = (slot + 1) & mask) {
            const auto& later = std::get<TextItem>(items_[twinSlots_[slot] - 1]);
            if (later.x == t->x && later.y == t->y && later.text == t->text) {
                break;
            }
        }
        if (twinSlots_[slot] != 0) {
            t->text.clear(); // marked: Print never adds an empty text
            ++dropped;
        } else {
            twinSlots_[slot] = static_cast<std::uint32_t>(i + 1);
        }
    }
    if (dropped != 0) {
        std::erase_if(items_, [](const DrawItem& item) {
            const auto* t = std::get_if<TextItem>(&item);
            return t != nullptr && t->text.empty();
        });
        count_ = items_.size();
    }
    twinsPossible_ = false;
}

void Surface::Compact() const {
    DropLeftovers();
    if (twinsPossible_) {
        DropTwins();
    }
    compactAt_ = 2 * items_.size() + kCompactMargin;
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

namespace {

// The printed texts of 0 to 255 (" 0 " to " 255 "), the numbers windows print
// most: sector, track and side numbers.
constexpr int kSmallNumbers = 256;
constexpr int kSmallNumberWidth = 5;
constexpr std::array<char, kSmallNumbers* kSmallNumberWidth> kSmallNumberTexts = [] {
    std::array<char, kSmallNumbers * kSmallNumberWidth> t{};
    for (int n = 0; n < kSmallNumbers; ++n) {
        char* p = &t[static_cast<std::size_t>(n * kSmallNumberWidth)];
        *p++ = ' ';
        if (n >= 100) {
            *p++ = static_cast<char>('0' + n / 100);
        }
        if (n >= 10) {
            *p++ = static_cast<char>('0' + n / 10 % 10);
        }
        *p++ = static_cast<char>('0' + n % 10);
        *p = ' ';
    }
    return t;
}();

std::string_view SmallNumberText(int n) {
    const std::size_t length = n >= 100 ? 5 : n >= 10 ? 4 : 3;
    return {&kSmallNumberTexts[static_cast<std::size_t>(n * kSmallNumberWidth)], length};
}

} // namespace

void Surface::PrintNumber(std::int64_t n, bool stayOnLine) {
    if (n >= 0 && n < kSmallNumbers) {
        Print(SmallNumberText(static_cast<int>(n)), stayOnLine);
        return;
    }
    // A blank or the minus sign, up to 19 digits, a blank.
    char digits[24];
    char* p = digits;
    if (n >= 0) {
        *p++ = ' ';
    }
    p = std::to_chars(p, digits + sizeof digits - 1, n).ptr;
    *p++ = ' ';
    Print(std::string_view(digits, static_cast<std::size_t>(p - digits)), stayOnLine);
}

void Surface::Print() {
    CurrentX = 0;
    CurrentY += metrics_->TextHeight("sample");
}

void Surface::Line(int x1, int y1, int x2, int y2, Colour colour) {
    if (unseen_) {
        return;
    }
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
    // The items it keeps close up in their order; the covered ones go after
    // the list with the leftovers of the last Cls, to be drawn over in place
    // of making new ones (a display most often clears and prints the same
    // texts again), and the box takes the first place after the kept ones.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < count_; ++k) {
        if (!covered(items_[k])) {
            if (kept != k) {
                std::swap(items_[kept], items_[k]);
            }
            ++kept;
        }
    }
    const BoxItem box{x1, y1, x2, y2, colour};
    if (kept < items_.size()) {
        items_[kept] = box;
    } else {
        items_.emplace_back(std::in_place_type<BoxItem>, box);
    }
    count_ = kept + 1;
    leftover_ = items_.size() - count_;
    ++revision_;
    if (count_ >= compactAt_) {
        Compact();
    }
}

void Surface::Box(int x1, int y1, int x2, int y2, Colour colour) {
    if (unseen_) {
        return;
    }
    const BoxItem box{x1, y1, x2, y2, colour};
    if (leftover_ != 0) {
        items_[count_] = box;
        --leftover_;
    } else {
        items_.emplace_back(std::in_place_type<BoxItem>, box);
    }
    ++count_;
    ++revision_;
    if (count_ >= compactAt_) {
        Compact();
    }
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
    // The texts line by line from the top, each line's in order of x, in the
    // order they were drawn where two start at the same x.
    struct Placed {
        int y, x;
        std::size_t order;
        const TextItem* text;
    };
    std::vector<Placed> texts;
    texts.reserve(surface.Items().size());
    for (const DrawItem& item : surface.Items()) {
        if (const auto* t = std::get_if<TextItem>(&item)) {
            texts.push_back(Placed{t->y, t->x, texts.size(), t});
        }
    }
    std::sort(texts.begin(), texts.end(), [](const Placed& a, const Placed& b) {
        return std::tie(a.y, a.x, a.order) < std::tie(b.y, b.x, b.order);
    });

    const double charWidth = std::max(1, surface.TextWidth("0"));
    std::vector<RasterLine> lines;
    for (std::size_t i = 0; i < texts.size();) {
        RasterLine& line = lines.emplace_back(RasterLine{texts[i].y, {}});
        std::size_t end = i;
        while (end < texts.size() && texts[end].y == line.y) {
            ++end;
        }
        line.spans.reserve(end - i);
        int column = 0;   // first free character column
        int endTwips = 0; // right edge of the last item, in twips
        for (; i < end; ++i) {
            const TextItem& t = *texts[i].text;
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
    }
    return lines;
}

} // namespace ss
