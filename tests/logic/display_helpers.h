// A main window driven the way a user drives it: images are written to a
// temporary file and opened through File > Open.
#pragma once

#include "window_fixture.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace ss::windowtest {

// Top edge of dump row r (1 to 16) with the fixed font metrics.
inline int RowY(int r) {
    return 2490 + (r - 1) * FixedMetrics::kLineHeight;
}

// Left edges of the 16 hex and text columns of a dump row.
inline constexpr std::array<int, 16> kHexX = {1100, 1420, 1740, 2060, 2480, 2800, 3120, 3440,
                                              3860, 4180, 4500, 4820, 5240, 5560, 5880, 6200};
inline int TextX(int k) {
    return 6550 + 140 * (k - 1);
}

inline std::string TwoHex(unsigned b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", b & 0xFFu);
    return buf;
}

class MainWindowTest : public testwindow::WindowTest {
  protected:
    // Text, background and text colour of every text box the display fills.
    std::vector<std::tuple<std::string, Colour, Colour>> Boxes() const {
        std::vector<std::tuple<std::string, Colour, Colour>> out;
        for (const TextBox* b :
             {&w.Text1, &w.Text2, &w.Text3, &w.Text4, &w.Text5, &w.Text6, &w.Text7, &w.Txtfiletype,
              &w.Txttrk, &w.txtside, &w.Txtsector, &w.Txttrkspt, &w.TxtDens, &w.Txtsecnum,
              &w.Txtsectype, &w.Txtdam, &w.Txtlumpnum}) {
            out.emplace_back(b->Text, b->BackColor, b->ForeColor);
        }
        return out;
    }

    // The hex text of byte k (1 to 16) of dump row r.
    const TextItem* HexAt(int r, int k) const { return w.surface.TextAt(kHexX[k - 1], RowY(r)); }
    // The text-column character of byte k of dump row r.
    const TextItem* CharAt(int r, int k) const { return w.surface.TextAt(TextX(k), RowY(r)); }

    // The colour the hex text of directory-entry byte o (0 to 31) of entry e
    // (0 to 7) is drawn in.
    Colour EntryColour(int e, int o) const {
        const TextItem* t = HexAt(2 * e + 1 + o / 16, o % 16 + 1);
        EXPECT_NE(t, nullptr) << "entry " << e << " offset " << o;
        return t != nullptr ? t->colour : 0xFFFFFFFFu;
    }
};

} // namespace ss::windowtest
