// A window's drawing surface as a retained display list in twips.
//
// The window logic draws here exactly as it would on a window: a print
// position, a text colour, Print with the line-end rule, filled boxes. The
// surface keeps what was drawn so a window can repaint it at any time (a
// covered window comes back intact), and so tests and the command-line program
// can read what a window shows without a screen.
#pragma once

#include "colours.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ss {

// Measures text in the surface font, in twips.
class FontMetrics {
  public:
    virtual ~FontMetrics() = default;
    virtual int TextWidth(std::string_view text) const = 0;
    virtual int TextHeight(std::string_view text) const = 0;
};

// Fixed metrics of the surface font (a bold 8.25-point monospace at 96 dots to
// the inch): used by tests and the command-line program so that their
// positions do not depend on the fonts of the machine.
class FixedMetrics final : public FontMetrics {
  public:
    static constexpr int kCharWidth = 99;
    static constexpr int kLineHeight = 195;
    int TextWidth(std::string_view text) const override {
        return kCharWidth * static_cast<int>(text.size());
    }
    int TextHeight(std::string_view) const override { return kLineHeight; }
};

struct TextItem {
    int x = 0;
    int y = 0;
    Colour colour = colour::Black;
    std::string text;
    bool operator==(const TextItem&) const = default;
};

// A filled box from (x1, y1) to (x2, y2), corners included in either order.
struct BoxItem {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    Colour colour = colour::Black;
    bool operator==(const BoxItem&) const = default;
};

using DrawItem = std::variant<TextItem, BoxItem>;

// One item of a Print list: a text prints unchanged, a number prints as its
// digits with a blank before (a minus sign instead when negative) and after.
using PrintItem = std::variant<std::string, std::int64_t>;

class Surface {
  public:
    explicit Surface(const FontMetrics& metrics, Colour background = colour::LightGrey)
        : metrics_(&metrics), background_(background) {}

    // Print position and text colour, read and set by the window logic.
    int CurrentX = 0;
    int CurrentY = 0;
    Colour ForeColor = colour::Black;

    // Clears the surface and puts the print position at (0, 0).
    void Cls();

    // Draws the items one after another from the print position. With
    // stayOnLine (a list ending in ";") the position stays after the last
    // item; otherwise it moves to the start of the next line.
    void Print(const std::vector<PrintItem>& items, bool stayOnLine = false);
    void Print(std::string_view text, bool stayOnLine = false) {
        AddText(text);
        if (!stayOnLine) {
            Print();
        }
    }
    // Print of one numeric item: a blank (or the minus sign), the digits, a blank.
    void PrintNumber(std::int64_t n, bool stayOnLine = false);
    // A bare Print: only moves to the next line.
    void Print();

    int TextHeight(std::string_view text) const { return metrics_->TextHeight(text); }
    int TextWidth(std::string_view text) const { return metrics_->TextWidth(text); }

    // Line (x1, y1)-(x2, y2), colour, BF: fills the box with the colour.
    void Line(int x1, int y1, int x2, int y2, Colour colour);
    // The same box drawn over what is there, taking nothing out of the list:
    // for a drawing of thousands of boxes that cover nothing drawn before
    // them whole (the Disk Check window's cells), in time independent of
    // what the list holds.
    void Box(int x1, int y1, int x2, int y2, Colour colour);

    Colour Background() const { return background_; }
    const std::vector<DrawItem>& Items() const {
        if (twinsPossible_ || leftover_ != 0) {
            Compact();
        }
        return items_;
    }
    // Grows with every change; a window repaints when it has moved on.
    std::uint64_t Revision() const { return revision_; }
    const FontMetrics& Metrics() const { return *metrics_; }
    void SetMetrics(const FontMetrics& metrics) { metrics_ = &metrics; }
    // For a window no one looks at (a command that prints only its fields):
    // while unseen, Print only moves the print position and Line draws
    // nothing; the list stays as it was.
    void SetUnseen(bool unseen) { unseen_ = unseen; }

    // The text items whose top edge is at y, in order of x (later draws win
    // where two start at the same x).
    std::vector<TextItem> TextsAt(int y) const;
    // The topmost text item drawn at exactly (x, y), or nullptr.
    const TextItem* TextAt(int x, int y) const;

  private:
    // Inline: windows print hundreds of short texts a display.
    void AddText(std::string_view text) {
        if (text.empty()) {
            return;
        }
        if (unseen_) {
            CurrentX += metrics_->TextWidth(text);
            return;
        }
        // The window has most likely just set one of the two: read each on
        // its own, as one wide read of both would wait for that store.
        const int x = CurrentX;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        const int y = CurrentY;
        const std::int64_t at = ReadingOrder(x, y);
        if (at > lastText_) {
            lastText_ = at;
        } else {
            twinsPossible_ = true;
        }
        CurrentX = x + metrics_->TextWidth(text);
        TextItem& item =
            leftover_ != 0 ? ReusedText()
                           : std::get<TextItem>(items_.emplace_back(std::in_place_type<TextItem>));
        ++count_;
        item.x = x;
        item.y = y;
        item.colour = ForeColor;
        item.text.append(text);
        ++revision_;
        if (count_ >= compactAt_) {
            Compact();
        }
    }
    // The first item left from before the last Cls, as an empty text to
    // draw anew.
    TextItem& ReusedText() {
        --leftover_;
        DrawItem& item = items_[count_];
        if (auto* t = std::get_if<TextItem>(&item)) {
            t->text.clear();
            return *t;
        }
        return item.emplace<TextItem>();
    }
    // Takes the items left from before the last Cls out of the list.
    void DropLeftovers() const {
        if (leftover_ != 0) {
            items_.resize(count_);
            leftover_ = 0;
        }
    }
    // Of the texts drawn on the very spot of an identical one, takes all but
    // the last out of the list.
    void DropTwins() const;
    // Takes the leftovers and the twins out, and sets when the list is due
    // again.
    void Compact() const;

    const FontMetrics* metrics_;
    Colour background_;
    // The display list. A box takes what it covers out at once. A text drawn
    // on the very spot of an identical one covers it glyph for glyph, so the
    // older one goes too, but only at the next Compact: finding it at once
    // would cost a look-up for every text. Compact runs before the list is
    // read, and when the list has grown to twice what the last one left plus
    // a margin (a window that redraws the same texts over and over, unread).
    //
    // Only the first count_ items are the list: Cls, and Line for what its
    // box covers, keep the leftover_ items after them, to be drawn over in
    // place of making new ones (a page drawn after Cls is most often the same
    // texts with other characters), and Compact takes out those that are
    // left over.
    mutable std::vector<DrawItem> items_;
    mutable std::size_t count_ = 0;
    mutable std::size_t leftover_ = 0;
    static constexpr std::size_t kCompactMargin = 1024;
    mutable std::size_t compactAt_ = kCompactMargin;
    // Whether a text may have been drawn on the spot of another since the
    // last Compact. A text whose position comes after every text's since Cls
    // in reading order (lower down, or further right on the same line) has
    // none under it: a page printed line by line, left to right, never sets it.
    mutable bool twinsPossible_ = false;
    // A print position as one number in reading order: y in the high half,
    // x from 0 up in the low half.
    static std::int64_t ReadingOrder(int x, int y) {
        constexpr std::int64_t kHalf = std::int64_t{1} << 32;
        return y * kHalf + (std::int64_t{x} + kHalf / 2);
    }
    static constexpr std::int64_t kNoText = INT64_MIN; // below every position but the first
    std::int64_t lastText_ = kNoText; // the latest position in reading order since Cls
    bool unseen_ = false;
    mutable std::vector<std::uint32_t> twinSlots_; // DropTwins' table, kept for its memory
    std::uint64_t revision_ = 0;
};

// Text spans of one printed line, for showing a surface in a terminal: each
// span starts at a character column worked out from its twip position.
struct RasterSpan {
    int column = 0;
    Colour colour = colour::Black;
    std::string text;
};
struct RasterLine {
    int y = 0;
    std::vector<RasterSpan> spans;
};

// Lays the surface's text out as character lines: items with the same top edge
// form one line; the blanks between two items are the twip gap between them
// in whole characters of the font (so a dump row keeps its byte groups).
std::vector<RasterLine> RasterText(const Surface& surface);

} // namespace ss
