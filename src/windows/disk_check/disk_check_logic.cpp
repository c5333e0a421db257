#include "disk_check_logic.h"

#include "surface/numtext.h"

#include <algorithm>

namespace ss {

using check::CellClass;
using namespace checklayout;

namespace {

constexpr Colour Rgb(int r, int g, int b) {
    return static_cast<Colour>(r | g << 8 | b << 16);
}

// Light fills under black numbers, each at least 4.5:1 against them (the
// numbers black, high contrast or not); a missing sector's pale fill has a
// dark frame.
constexpr Colour kCellColours[check::kCellClasses] = {
    Rgb(170, 220, 170), // good
    Rgb(235, 70, 70),   // ID CRC error
    Rgb(255, 150, 40),  // data CRC error
    Rgb(190, 150, 235), // no data
    Rgb(240, 230, 60),  // ID track differs
    Rgb(110, 170, 255), // duplicate ID
    Rgb(235, 235, 235), // missing
};

constexpr int kLegendLine = 285;
constexpr Colour kMissingFrame = Rgb(80, 80, 80);
constexpr Colour kWholeText = Rgb(0, 110, 0); // dark green, 6.5:1 on white
constexpr int kFrame = 30;                    // twips of a missing cell's frame

// A cell's box from (x, y) to (x2, y2), a missing one framed. Cells lie side
// by side, none over another: Box, not Line, whose search for what a box
// covers would make a disk of thousands of sectors take the square of them.
void CellBox(Surface& surface, int x, int y, int x2, int y2, CellClass cls) {
    if (cls == CellClass::Missing) {
        surface.Box(x, y, x2, y2, kMissingFrame);
        surface.Box(x + kFrame, y + kFrame, x2 - kFrame, y2 - kFrame, CellColour(cls));
    } else {
        surface.Box(x, y, x2, y2, CellColour(cls));
    }
}

const char* CrcWord(CrcState c) {
    return c == CrcState::Good ? "ok" : c == CrcState::Bad ? "BAD" : "--";
}

std::string CylinderLabel(int cylinder) {
    std::string t = std::to_string(cylinder);
    return std::string(t.size() < 3 ? 3 - t.size() : 0, ' ') + t;
}

// What a sector's problems are, as the legend names them.
std::string ProblemsText(std::uint8_t problems) {
    std::string text;
    const struct {
        std::uint8_t bit;
        CellClass cls;
    } kinds[] = {
        {check::kIdCrc, CellClass::IdCrcError},    {check::kDataCrc, CellClass::DataCrcError},
        {check::kNoData, CellClass::NoData},       {check::kWrongTrack, CellClass::WrongTrack},
        {check::kDuplicate, CellClass::Duplicate},
    };
    for (const auto& k : kinds) {
        if (problems & k.bit) {
            text += (text.empty() ? "" : "; ") + std::string(check::ClassName(k.cls));
        }
    }
    return text.empty() ? check::ClassName(CellClass::Good) : text;
}

} // namespace

Colour CellColour(CellClass c) {
    return kCellColours[static_cast<int>(c)];
}

DiskCheckLogic::DiskCheckLogic(Host& host, MainWindowLogic& main, const FontMetrics& metrics)
    : surface(metrics, colour::White), host_(host), main_(main) {}

void DiskCheckLogic::Form_Activate() {
    if (main_.ImageGeneration() != generation_) {
        Refresh();
    }
}

void DiskCheckLogic::Refresh() {
    generation_ = main_.ImageGeneration();
    check_ = main_.HasImage() ? check::CheckDisk(main_.DiskModel()) : check::DiskCheck{};
    Draw();
}

int DiskCheckLogic::CellX(const check::Row& row, std::size_t cell) const {
    return kMargin + kLabelWidth + row.head * (blockWidth_ + kHeadGap) +
           static_cast<int>(cell) * kCellWidth;
}

int DiskCheckLogic::CellY(const check::Row& row) const {
    return kMargin + 3 * kRowHeight + row.cylinder * kRowHeight;
}

void DiskCheckLogic::Draw() {
    surface.Cls();
    surface.ForeColor = colour::Black;
    surface.CurrentX = kMargin;
    surface.CurrentY = kMargin;
    if (!main_.HasImage()) {
        surface.Print(kCheckNoImage);
        width_ = 2 * kMargin + surface.TextWidth(kCheckNoImage);
        height_ = 2 * kMargin + kRowHeight;
        blockWidth_ = 0;
        return;
    }
    const check::DiskCheck& c = check_;
    const std::string layout =
        c.layout == Layout::RealDiskDMK ? "DMK (real drive)" : std::string(LayoutName(c.layout));
    const std::string geometry = layout + ", " + std::to_string(c.cylinders) +
                                 (c.cylinders == 1 ? " cylinder, " : " cylinders, ") +
                                 std::to_string(c.heads) + (c.heads == 1 ? " head, " : " heads, ") +
                                 std::to_string(c.counts.sectors) + " sectors";
    const std::string damage = c.counts.Whole() ? std::string("Every sector is there and intact.")
                                                : "Damage: " + check::DamageText(c.counts);
    surface.Print(geometry);
    surface.CurrentX = kMargin;
    surface.CurrentY = kMargin + kRowHeight;
    surface.ForeColor = c.counts.Whole() ? kWholeText : colour::Black;
    surface.Print(damage);
    surface.ForeColor = colour::Black;

    blockWidth_ = std::max(c.longestRow, 1) * kCellWidth;
    const int heads = std::max(c.heads, 1);
    for (int h = 0; h < heads; ++h) {
        surface.CurrentX = kMargin + kLabelWidth + h * (blockWidth_ + kHeadGap);
        surface.CurrentY = kMargin + 2 * kRowHeight;
        surface.Print("Head " + std::to_string(h), true);
    }
    const int cellW = kCellWidth - 45;
    const int cellH = kRowHeight - 30;
    int lastLabel = -1;
    for (const check::Row& row : c.rows) {
        const int y = CellY(row);
        if (row.cylinder != lastLabel) {
            surface.ForeColor = colour::Black;
            surface.CurrentX = kMargin;
            surface.CurrentY = y;
            surface.Print(CylinderLabel(row.cylinder), true);
            lastLabel = row.cylinder;
        }
        for (std::size_t k = 0; k < row.cells.size(); ++k) {
            const check::Cell& cell = row.cells[k];
            const int x = CellX(row, k);
            CellBox(surface, x, y, x + cellW - 1, y + cellH - 1, cell.cls);
            const std::string number = std::to_string(cell.number);
            surface.ForeColor = colour::Black;
            surface.CurrentX = x + (cellW - surface.TextWidth(number)) / 2;
            surface.CurrentY = y + (cellH - surface.TextHeight(number)) / 2;
            surface.Print(number, true);
        }
    }
    const int legendX =
        kMargin + kLabelWidth + heads * blockWidth_ + (heads - 1) * kHeadGap + kLegendGap;
    DrawLegend(legendX, kMargin + 3 * kRowHeight);
    width_ = std::max({legendX + kLegendWidth + kMargin, 2 * kMargin + surface.TextWidth(geometry),
                       2 * kMargin + surface.TextWidth(damage)});
    height_ = std::max(kMargin + 3 * kRowHeight + c.cylinders * kRowHeight,
                       kMargin + 3 * kRowHeight + (check::kCellClasses + 3) * kLegendLine) +
              kMargin;
}

void DiskCheckLogic::DrawLegend(int x, int y) {
    const check::Counts& n = check_.counts;
    const auto entry = [&](const std::string& name, std::int64_t count) {
        surface.ForeColor = colour::Black;
        surface.CurrentX = x + kSwatch + 90;
        surface.CurrentY = y;
        surface.Print(name, true);
        const std::string digits = std::to_string(count);
        surface.CurrentX = x + kLegendWidth - surface.TextWidth(digits);
        surface.Print(digits, true);
    };
    for (int k = 0; k < check::kCellClasses; ++k) {
        const auto cls = static_cast<CellClass>(k);
        CellBox(surface, x, y, x + kSwatch - 1, y + kRowHeight - 31, cls);
        entry(check::ClassName(cls), n.OfClass(cls));
        y += kLegendLine;
    }
    y += kLegendLine / 2;
    entry("Mis-stepped tracks", n.misSteppedTracks);
    y += kLegendLine;
    if (n.endsInsideCylinder >= 0) {
        surface.CurrentX = x;
        surface.CurrentY = y;
        surface.Print("File ends inside cylinder " + std::to_string(n.endsInsideCylinder) +
                          (n.endsInsideHead != 0 ? " head 1" : ""),
                      true);
    }
}

std::optional<DiskCheckLogic::CellRef> DiskCheckLogic::CellAt(int x, int y) const {
    // Cells of an image the main window has since left name none of its sectors.
    if (!main_.HasImage() || blockWidth_ == 0 || main_.ImageGeneration() != generation_) {
        return std::nullopt;
    }
    const int top = kMargin + 3 * kRowHeight;
    if (y < top) {
        return std::nullopt;
    }
    const int cylinder = (y - top) / kRowHeight;
    const int left = x - kMargin - kLabelWidth;
    if (left < 0) {
        return std::nullopt;
    }
    const int head = left / (blockWidth_ + kHeadGap);
    const int within = left - head * (blockWidth_ + kHeadGap);
    if (within >= blockWidth_) {
        return std::nullopt;
    }
    const auto place = static_cast<std::size_t>(within / kCellWidth);
    const auto it =
        std::lower_bound(check_.rows.begin(), check_.rows.end(), std::pair{cylinder, head},
                         [](const check::Row& r, std::pair<int, int> at) {
                             return std::pair{r.cylinder, r.head} < at;
                         });
    if (it == check_.rows.end() || it->cylinder != cylinder || it->head != head ||
        place >= it->cells.size()) {
        return std::nullopt;
    }
    return CellRef{static_cast<std::size_t>(it - check_.rows.begin()), place};
}

void DiskCheckLogic::Click(int x, int y) {
    const std::optional<CellRef> at = CellAt(x, y);
    if (!at) {
        return;
    }
    const check::Row& row = check_.rows[at->row];
    const check::Cell& cell = row.cells[at->cell];
    if (cell.sector < 0) {
        return;
    }
    const disk::Sector& s = main_.DiskModel()
                                .tracks[static_cast<std::size_t>(row.track)]
                                .sectors[static_cast<std::size_t>(cell.sector)];
    if (main_.ShowModelSector(s)) {
        host_.ShowWindow(WindowId::MainWindow);
    }
}

std::string DiskCheckLogic::TipAt(int x, int y) const {
    const std::optional<CellRef> at = CellAt(x, y);
    if (!at) {
        return {};
    }
    const check::Row& row = check_.rows[at->row];
    const check::Cell& cell = row.cells[at->cell];
    const std::string where =
        "Cylinder " + std::to_string(row.cylinder) + ", head " + std::to_string(row.head);
    if (cell.sector < 0) {
        return where + ": no sector " + std::to_string(cell.number) +
               "\nMissing: a gap in the track's sector numbers";
    }
    const disk::Track& t = main_.DiskModel().tracks[static_cast<std::size_t>(row.track)];
    const disk::Sector& s = t.sectors[static_cast<std::size_t>(cell.sector)];
    std::string tip = where + ": sector " + std::to_string(cell.sector + 1) + " of " +
                      std::to_string(t.sectors.size()) + " on the track\n";
    tip += "ID: track " + std::to_string(s.cylinder) + ", side " + std::to_string(s.head) +
           ", sector " + std::to_string(s.sector) + ", size " + std::to_string(s.dataSize) +
           " (code " + std::to_string(s.sizeCode) + ")\n";
    tip += s.doubleDensity ? "Double density, " : "Single density, ";
    if (!s.dataField) {
        tip += "no data mark\n";
    } else if (check_.layout == Layout::DMK || check_.layout == Layout::RealDiskDMK) {
        tip += "data mark " + Hex2(s.dataMark) + "\n";
    } else {
        tip += s.directoryMark ? "directory data mark\n" : "normal data mark\n";
    }
    tip += std::string("CRC: ID ") + CrcWord(s.crc.id) + ", data " + CrcWord(s.crc.data) + "\n";
    return tip + ProblemsText(cell.problems);
}

} // namespace ss
