// The Disk Check window's logic: the whole disk the main window shows on one
// surface, a row per cylinder with a block of cells for each head, one cell
// per sector in the order the sectors lie on the track, coloured by what is
// wrong with it; a legend with the counts beside it. A click on a cell shows
// its sector in the main window; a tooltip says what the image records of it.
#pragma once

#include "check/disk_check.h"
#include "surface/colours.h"
#include "surface/host.h"
#include "surface/surface.h"
#include "windows/main_window/main_window_logic.h"

#include <optional>
#include <string>

namespace ss {

// Twip measures of the drawing.
namespace checklayout {
inline constexpr int kMargin = 120;
inline constexpr int kCellWidth = 330;  // room for "255" and a gap
inline constexpr int kRowHeight = 225;  // a line of the surface font and a gap
inline constexpr int kLabelWidth = 480; // the cylinder number before each row
inline constexpr int kHeadGap = 300;    // between the blocks of two heads
inline constexpr int kLegendGap = 480;  // between the cells and the legend
inline constexpr int kLegendWidth = 3300;
inline constexpr int kSwatch = 240; // a legend entry's colour box
} // namespace checklayout

// The colour of each class of cell, under its number in black.
Colour CellColour(check::CellClass c);

inline constexpr const char* kCheckNoImage = "The main window shows no image.";

class DiskCheckLogic {
  public:
    DiskCheckLogic(Host& host, MainWindowLogic& main, const FontMetrics& metrics);

    Surface surface;

    // Checks the main window's disk again when it shows another image.
    void Form_Activate();
    // Checks the main window's disk and draws it.
    void Refresh();

    const check::DiskCheck& Check() const { return check_; }
    // The size of the drawing, in twips.
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The cell at a point of the surface: its row and its place in the row.
    struct CellRef {
        std::size_t row = 0;
        std::size_t cell = 0;
        bool operator==(const CellRef&) const = default;
    };
    std::optional<CellRef> CellAt(int x, int y) const;
    // Where a cell is drawn: its top-left corner.
    int CellX(const check::Row& row, std::size_t cell) const;
    int CellY(const check::Row& row) const;
    // A click at a point: the cell's sector in the main window, brought to
    // the front. A missing cell, or no cell, does nothing.
    void Click(int x, int y);
    // What the image records of the cell at a point, in lines; empty
    // where there is no cell.
    std::string TipAt(int x, int y) const;

  private:
    void Draw();
    void DrawLegend(int x, int y);

    Host& host_;
    MainWindowLogic& main_;
    int generation_ = -1;
    check::DiskCheck check_;
    int width_ = 0;
    int height_ = 0;
    int blockWidth_ = 0; // the cells of one head
};

} // namespace ss
