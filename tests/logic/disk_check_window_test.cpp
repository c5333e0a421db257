// The Disk Check window without a screen: its cells where the rows and heads
// put them, in their classes' colours; the legend's counts; a click that shows
// the cell's sector in the main window; the tooltips; and the main window's
// refusal of a file.
#include "support/image_builder.h"
#include "surface/contrast.h"
#include "window_fixture.h"
#include "windows/disk_check/disk_check_logic.h"

#include <gtest/gtest.h>

namespace ss::testwindow {
namespace {

using namespace testimg;
using check::CellClass;

class DiskCheckWindowTest : public WindowTest {
  protected:
    DiskCheckLogic check{host, w, metrics};

    // The middle of a cell.
    std::pair<int, int> Centre(std::size_t row, std::size_t cell) {
        const check::Row& r = check.Check().rows[row];
        return {check.CellX(r, cell) + 100, check.CellY(r) + 80};
    }
    // The colour of the box drawn at a point.
    Colour BoxAt(int x, int y) {
        Colour found = check.surface.Background();
        for (const DrawItem& item : check.surface.Items()) {
            if (const auto* b = std::get_if<BoxItem>(&item)) {
                if (x >= b->x1 && x <= b->x2 && y >= b->y1 && y <= b->y2) {
                    found = b->colour;
                }
            }
        }
        return found;
    }
    bool Printed(const std::string& text) {
        for (const DrawItem& item : check.surface.Items()) {
            if (const auto* t = std::get_if<TextItem>(&item); t != nullptr && t->text == text) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(DiskCheckWindowTest, CellsLegendClicksAndTips) {
    // Two sides of three cylinders, four sectors a side numbered from 1; on
    // cylinder 1 head 1 sector 2 has a bad data CRC and sector 3 is gone.
    std::vector<DmkTrack> recs = DmkStandardTracks(3, 2, 4, true, 1);
    recs[3].sectors[1].dataCrc = std::array<std::uint8_t, 2>{0, 0};
    recs[3].sectors.erase(recs[3].sectors.begin() + 2);
    Open(MakeDmk(recs).bytes);
    check.Refresh();

    ASSERT_EQ(check.Check().rows.size(), 6u);
    const check::Row& damaged = check.Check().rows[3];
    EXPECT_EQ(damaged.cylinder, 1);
    EXPECT_EQ(damaged.head, 1);
    // Head 1's block stands right of head 0's, on the same line.
    EXPECT_EQ(check.CellY(check.Check().rows[2]), check.CellY(damaged));
    EXPECT_GT(check.CellX(damaged, 0), check.CellX(check.Check().rows[2], 3));

    const struct {
        std::size_t cell;
        CellClass cls;
    } cells[] = {{0, CellClass::Good},
                 {1, CellClass::DataCrcError},
                 {2, CellClass::Good},
                 {3, CellClass::Missing}};
    for (const auto& c : cells) {
        SCOPED_TRACE(c.cell);
        const auto [x, y] = Centre(3, c.cell);
        EXPECT_EQ(BoxAt(x, y), CellColour(c.cls));
        const std::optional<DiskCheckLogic::CellRef> at = check.CellAt(x, y);
        ASSERT_TRUE(at.has_value());
        EXPECT_EQ(*at, (DiskCheckLogic::CellRef{3, c.cell}));
    }
    EXPECT_FALSE(check.CellAt(Centre(3, 4).first, Centre(3, 4).second).has_value());
    EXPECT_FALSE(check.CellAt(10, 10).has_value());
    // Every cell's number, black, stands out from its fill.
    for (int k = 0; k < check::kCellClasses; ++k) {
        EXPECT_GE(ContrastRatio(colour::Black, CellColour(static_cast<CellClass>(k))),
                  kLeastContrast);
    }
    EXPECT_TRUE(Printed("DMK, 3 cylinders, 2 heads, 23 sectors"));
    EXPECT_TRUE(Printed("Damage: 1 data CRC error, 1 missing"));
    EXPECT_TRUE(Printed("Head 1"));
    EXPECT_TRUE(Printed("Data CRC error"));

    // The tooltip says what the image records of the sector.
    const auto [tx, ty] = Centre(3, 1);
    EXPECT_EQ(check.TipAt(tx, ty), "Cylinder 1, head 1: sector 2 of 3 on the track\n"
                                   "ID: track 1, side 1, sector 2, size 256 (code 1)\n"
                                   "Double density, data mark FB\n"
                                   "CRC: ID ok, data BAD\n"
                                   "Data CRC error");
    const auto [mx, my] = Centre(3, 3);
    EXPECT_EQ(check.TipAt(mx, my),
              "Cylinder 1, head 1: no sector 3\nMissing: a gap in the track's sector numbers");

    // A click shows that sector in the main window and brings it forward; a
    // missing cell has none to show.
    check.Click(tx, ty);
    EXPECT_EQ(w.Txttrk.Text, "1");
    EXPECT_EQ(w.txtside.Text, "1");
    EXPECT_EQ(w.Txtsector.Text, "2");
    EXPECT_EQ(w.Txtcrc.Text.find("BAD") != std::string::npos, true) << w.Txtcrc.Text;
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0], WindowId::MainWindow);
    check.Click(mx, my);
    EXPECT_EQ(host.shown.size(), 1u);

    // Cells drawn for an image the main window has since left show nothing
    // of the new one.
    Open(MakeDmk(DmkStandardTracks(1, 1, 2, true), OneSide()).bytes);
    EXPECT_EQ(check.TipAt(tx, ty), "");
    check.Click(tx, ty);
    EXPECT_EQ(host.shown.size(), 1u);
}

TEST_F(DiskCheckWindowTest, FollowsTheMainWindowAndSaysWhenItHasNoImage) {
    check.Refresh();
    EXPECT_TRUE(Printed(kCheckNoImage));
    Open(MakeDmk(DmkStandardTracks(2, 1, 5, true), OneSide()).bytes);
    check.Form_Activate();
    EXPECT_TRUE(Printed("Every sector is there and intact."));
    const int width = check.Width();
    Open(MakeDmk(DmkStandardTracks(2, 1, 5, true), DmkOptions{-1, dmk::kTrackLengthDouble, 0, true})
             .bytes);
    ASSERT_EQ(opened.outcome, OpenResult::Outcome::Refused);
    check.Form_Activate();
    EXPECT_TRUE(Printed(kCheckNoImage));
    EXPECT_LT(check.Width(), width);
}

} // namespace
} // namespace ss::testwindow
