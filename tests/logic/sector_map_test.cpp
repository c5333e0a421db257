// The sector map window: the page drawn for DMK, JV3 and JV1 images, paging,
// redrawing, loading from the main window and refused files.
#include "open_helpers.h"
#include "support/sample_disks.h"
#include "windows/sector_map/sector_map_logic.h"

#include <string>
#include <vector>

namespace ss::maptest {
namespace {

using namespace testimg;
using opentest::SdOnce;

constexpr int kH = FixedMetrics::kLineHeight;
constexpr int kDmkX = maplayout::kDmkFirstColumn;
constexpr int kJv3X = maplayout::kJv3FirstColumn;
constexpr int kJv1X = maplayout::kJv1FirstColumn;

// Top edge of row r (from 0) of a DMK or JV3 page, and of a JV1 page.
int RowY(int r) {
    return 9 * kH + 180 * (r + 1);
}
int Jv1RowY(int r) {
    return 10 * kH + 180 * r;
}

const std::vector<int> kOrder10 = {0, 5, 1, 6, 2, 7, 3, 8, 4, 9};

Jv3Entry Entry(int track, int sector, bool dd = true, bool side1 = false, bool dir = false) {
    Jv3Entry e;
    e.track = track;
    e.sector = sector;
    e.doubleDensity = dd;
    e.side1 = side1;
    e.dirMark = dir;
    return e;
}

// `count` entries for each of the tracks, one side, sectors 0 up.
std::vector<Jv3Entry> Jv3Tracks(int firstTrack, int tracks, int count, bool dir = false) {
    std::vector<Jv3Entry> e;
    for (int t = firstTrack; t < firstTrack + tracks; ++t)
        for (int s = 0; s < count; ++s)
            e.push_back(Entry(t, s, true, false, dir));
    return e;
}

std::vector<std::uint8_t> OneSidedDmk(int tracks, int spt = 10) {
    return MakeDmk(DmkStandardTracks(tracks, 1, spt, true, 0), OneSide()).bytes;
}

class SectorMap : public testwindow::WindowTest {
  protected:
    SectorMapLogic map{host, metrics};

    // File > Open of the sector map window.
    OpenResult Load(const std::vector<std::uint8_t>& bytes) { return map.MnuOpen(TempFile(bytes)); }

    // The main window opens the file, "Sector Display" is pressed and the
    // sector map window becomes the active one.
    void FromMainWindow(const std::vector<std::uint8_t>& bytes) {
        Open(bytes);
        w.Cmndsecdisp_Click();
        map.Form_Activate();
    }

    // The row label at y: every text left of the first sector column.
    std::string Label(int y, int firstColumn) const {
        std::string out;
        for (const TextItem& t : map.surface.TextsAt(y))
            if (t.x < firstColumn)
                out += t.text;
        return out;
    }

    // The sector cells of the row at y in order of x, each the trimmed texts
    // that start within one column pitch (a marker and its digits make one).
    struct Cell {
        int column = 0; // (x - firstColumn) / pitch
        std::string text;
        Colour colour = 0;
        bool operator==(const Cell&) const = default;
    };
    std::vector<Cell> Cells(int y, int firstColumn) const {
        std::vector<Cell> cells;
        int cellX = 0;
        for (const TextItem& t : map.surface.TextsAt(y)) {
            if (t.x < firstColumn)
                continue;
            if (cells.empty() || t.x >= cellX + maplayout::kColumnPitch) {
                cellX = t.x;
                cells.push_back({(t.x - firstColumn) / maplayout::kColumnPitch, "", t.colour});
            }
            cells.back().text += t.text;
            cells.back().colour = t.colour;
        }
        for (Cell& c : cells) {
            c.text.erase(0, c.text.find_first_not_of(' '));
            c.text.erase(c.text.find_last_not_of(' ') + 1);
        }
        return cells;
    }
    std::vector<std::string> CellTexts(int y, int firstColumn) const {
        std::vector<std::string> out;
        for (const Cell& c : Cells(y, firstColumn))
            out.push_back(c.text);
        return out;
    }

    // The labels of every row of a DMK or JV3 page, top to bottom.
    std::vector<std::string> Labels(int firstColumn) const {
        std::vector<std::string> out;
        for (int r = 0; !Label(RowY(r), firstColumn).empty(); ++r)
            out.push_back(Label(RowY(r), firstColumn));
        return out;
    }

    // Standing on page 1: Resize and the order options draw it again as
    // first drawn, Previous draws page 0 as first drawn, and Resize there
    // and Next again draw both again as first drawn.
    void ExpectRedrawnAsFirstDrawn(const std::vector<DrawItem>& page0,
                                   const std::vector<DrawItem>& page1) {
        for (int k = 0; k < 3; ++k) {
            map.Form_Resize();
            map.Option2_Click();
            map.Option1_Click();
        }
        EXPECT_EQ(map.surface.Items(), page1);
        map.Cmndprev_Click();
        EXPECT_EQ(map.surface.Items(), page0);
        map.Form_Resize();
        EXPECT_EQ(map.surface.Items(), page0);
        map.Cmndnext_Click();
        EXPECT_EQ(map.surface.Items(), page1);
    }

    std::vector<std::string> TextsAt(int y) const {
        std::vector<std::string> out;
        for (const TextItem& t : map.surface.TextsAt(y))
            out.push_back(t.text);
        return out;
    }
};

TEST_F(SectorMap, DmkRowsLabelsOrdersAndLegend) {
    FromMainWindow(MakeDmk(DmkStandardTracks(12, 2, 10, true, 0, kOrder10)).bytes);
    EXPECT_EQ(map.TxtFilename.Text, w.Filename);
    EXPECT_EQ(map.Text1.Text, "DMK");
    EXPECT_TRUE(map.Option1.Value);
    EXPECT_EQ(map.Pagenum, 0);

    // 21 records a page, one row each; side 0 labels brown, side 1 black; a
    // blank pads one-digit track numbers.
    const std::vector<std::string> labels = Labels(kDmkX);
    ASSERT_EQ(labels.size(), 21u);
    EXPECT_EQ(labels[0], "Trk  0 : 0 ");
    EXPECT_EQ(labels[19], "Trk  9 : 1 ");
    EXPECT_EQ(labels[20], "Trk 10 : 0 ");
    EXPECT_EQ(map.surface.TextAt(maplayout::kLabelX, RowY(0))->colour, mapcolour::RowLabel);
    EXPECT_EQ(map.surface.TextAt(maplayout::kLabelX, RowY(1))->colour, colour::Black);

    // Numeric order: each number in its own column.
    const std::vector<Cell> numeric = Cells(RowY(3), kDmkX);
    ASSERT_EQ(numeric.size(), 10u);
    for (int s = 0; s < 10; ++s)
        EXPECT_EQ(numeric[static_cast<std::size_t>(s)], (Cell{s, std::to_string(s), colour::Red}));

    // Interleave order: the numbers as they follow one another on the track.
    map.Option2_Click();
    EXPECT_FALSE(map.Option1.Value);
    std::vector<std::string> order;
    for (int s : kOrder10)
        order.push_back(std::to_string(s));
    EXPECT_EQ(CellTexts(RowY(3), kDmkX), order);
    EXPECT_EQ(map.surface.TextAt(kDmkX + 350, RowY(3))->text, " 5 ");

    EXPECT_EQ(TextsAt(5 * kH), (std::vector<std::string>{kMapSingleLegend, kMapSingleDirLegend}));
    EXPECT_EQ(TextsAt(6 * kH),
              (std::vector<std::string>{kMapDoubleLegend, kMapDmkDoubleDirLegend, "FB", "h"}));
    EXPECT_TRUE(map.surface.TextsAt(7 * kH).empty()); // no double-byte sector
}

TEST_F(SectorMap, DmkRecordsThatAreEmptyContinueARowOrHoldManyMarks) {
    auto track = [](int t, int side, int first, int count) {
        DmkTrack r;
        for (int s = first; s < first + count; ++s) {
            DmkSector x;
            x.track = t;
            x.side = side;
            x.sector = s;
            x.data.assign(16, 0xE5);
            r.sectors.push_back(x);
        }
        return r;
    };
    std::vector<DmkTrack> records = {
        track(0, 0, 0, 5),  DmkTrack{}, // no ID marks: no row, but one of the page's 21 records
        track(1, 0, 0, 3),  track(1, 0, 3, 2), // the same track and side: the row goes on
        track(2, 0, 0, 35), track(3, 2, 0, 2), // side byte 2: its own row, shown as side 0
        track(3, 0, 0, 2),
    };
    for (int t = 4; t < 30; ++t)
        records.push_back(track(t, 0, 0, 1));
    Load(MakeDmk(records, OneSide()).bytes);
    map.Option2_Click();

    const std::vector<std::string> labels = Labels(kDmkX);
    ASSERT_EQ(labels.size(), 19u); // 21 records, one without marks, two sharing a row
    EXPECT_EQ(labels[1], "Trk  1 : 0 ");
    EXPECT_EQ(CellTexts(RowY(1), kDmkX), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
    EXPECT_EQ(Cells(RowY(2), kDmkX).size(), 35u); // every ID mark of the record
    EXPECT_EQ(labels[3], "Trk  3 : 0 ");
    EXPECT_EQ(labels[4], "Trk  3 : 0 ");
    EXPECT_EQ(labels[18], "Trk 17 : 0 ");

    map.Cmndnext_Click();
    EXPECT_EQ(map.Pagenum, 1);
    EXPECT_EQ(Labels(kDmkX).front(), "Trk 18 : 0 ");
}

TEST_F(SectorMap, DoubleByteSectorsAndDataMarksFoundInTheField) {
    // Single-density sectors with every byte doubled on a 6400-byte track:
    // their marks lie 48 bytes on, beyond the fixed distance of 44.
    DmkTrack doubled;
    for (int s : kOrder10) {
        DmkSector x;
        x.sector = s;
        x.doubleDensity = false;
        x.dam = s == 5 ? 0xF8 : 0xFB;
        doubled.sectors.push_back(x);
    }
    // The same on a 3264-byte track, stored once: marks 24 bytes on.
    DmkTrack once;
    for (int s = 0; s < 5; ++s) {
        DmkSector x = SdOnce(0, 0, s);
        x.dam = s == 1 ? 0xFA : 0xFB;
        once.sectors.push_back(x);
    }

    struct Case {
        const char* name;
        std::vector<std::uint8_t> image;
        int dirSector;
        std::string numeric, legendMark;
        bool note;
    };
    const Case cases[] = {
        {"doubled", MakeDmk({doubled}, OneSide()).bytes, 5, "*5", "FB", true},
        {"once", MakeDmk({once}, OneSide(3264)).bytes, 1, "1", "FB", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        map.Option1_Click();
        Load(c.image);
        const std::vector<Cell> cells = Cells(RowY(0), kDmkX);
        for (const Cell& cell : cells)
            EXPECT_EQ(cell.colour,
                      cell.column == c.dirSector ? mapcolour::SingleDir : mapcolour::SingleDensity)
                << cell.column;
        EXPECT_EQ(cells[static_cast<std::size_t>(c.dirSector)].text, c.numeric);
        EXPECT_EQ(TextsAt(6 * kH).at(2), c.legendMark);
        EXPECT_EQ(TextsAt(7 * kH), c.note ? std::vector<std::string>{kMapDoubleByteNote}
                                          : std::vector<std::string>{});
        if (c.note) {
            EXPECT_EQ(map.surface.TextAt(200, 7 * kH)->colour, colour::Black);
        }

        // In interleave order the marker is not shown.
        map.Option2_Click();
        EXPECT_EQ(map.surface.TextAt(kDmkX + 350, RowY(0))->text, c.dirSector == 5 ? " 5 " : " 1 ");
    }
}

TEST_F(SectorMap, LegendShowsTheByteAfterTheFixedDistanceWhenNoMarkIsFound) {
    DmkTrack r = DmkStandardTracks(1, 1, 3, true)[0];
    r.sectors[1].dam = 0xF8;
    r.sectors[2].dam = 0x00; // no mark: the window reads 44 on, then 45, the first data byte
    r.sectors[2].data.assign(256, 0x3C);
    Load(MakeDmk({r}, OneSide()).bytes);
    const std::vector<Cell> cells = Cells(RowY(0), kDmkX);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[1].colour, mapcolour::DmkDoubleDir);
    EXPECT_EQ(cells[2].colour, mapcolour::DoubleDensity);
    EXPECT_EQ(TextsAt(6 * kH),
              (std::vector<std::string>{kMapDoubleLegend, kMapDmkDoubleDirLegend, "3C", "h"}));
}

TEST_F(SectorMap, Jv3PageLabelsColoursAndDirectoryCounts) {
    std::vector<Jv3Entry> e;
    for (int t = 0; t < 30; ++t)
        for (int side = 0; side < (t == 2 ? 2 : 1); ++side)
            for (int s : kOrder10)
                e.push_back(Entry(t, s, t > 0, side == 1, t == 17 && side == 0));
    const int dirStart = 17 * 10 + 10; // tracks 0 to 16, with a second side on track 2
    FromMainWindow(MakeJv3(e));

    EXPECT_EQ(map.Text1.Text, "JV3");
    const std::vector<std::string> labels = Labels(kJv3X);
    ASSERT_EQ(labels.size(), 21u);
    EXPECT_EQ(labels[0], "Trk;  0 : 0 ");
    EXPECT_EQ(labels[3], "Trk;  2 : 1 ");
    EXPECT_EQ(labels[20], "Trk; 19 : 0 ");
    // Label colours: black on even tracks, brown on odd; ":" and the side white on side 1.
    EXPECT_EQ(map.surface.TextAt(200, RowY(2))->colour, colour::Black);
    EXPECT_EQ(map.surface.TextAt(200, RowY(1))->colour, mapcolour::RowLabel);
    for (const TextItem& t : map.surface.TextsAt(RowY(3))) {
        if (t.x < kJv3X && (t.text == ":" || t.text == " 1 ")) {
            EXPECT_EQ(t.colour, mapcolour::DmkDoubleDir) << t.text;
        }
    }

    EXPECT_EQ(Cells(RowY(0), kJv3X)[4].colour, mapcolour::SingleDensity);
    EXPECT_EQ(Cells(RowY(1), kJv3X)[4], (Cell{4, "4", mapcolour::DoubleDensity}));
    EXPECT_EQ(Cells(RowY(18), kJv3X)[4].colour, mapcolour::Jv3DoubleDir);
    EXPECT_EQ(TextsAt(6 * kH), (std::vector<std::string>{kMapDoubleLegend, kMapDoubleDirLegend}));
    EXPECT_EQ(map.surface.TextAt(200, 6 * kH + 0)->colour, mapcolour::DoubleDensity);
    EXPECT_EQ(TextsAt(120), std::vector<std::string>{" " + std::to_string(dirStart) + " "});
    EXPECT_EQ(TextsAt(260), std::vector<std::string>{" " + std::to_string(dirStart + 9) + " "});

    // Page 1 ends at the first free entry; Next then does nothing.
    map.Cmndnext_Click();
    EXPECT_EQ(Labels(kJv3X).size(), 10u);
    EXPECT_EQ(map.endflag, 1);
    const std::uint64_t revision = map.surface.Revision();
    map.Cmndnext_Click();
    EXPECT_EQ(map.Pagenum, 1);
    EXPECT_EQ(map.surface.Revision(), revision);
}

TEST_F(SectorMap, Jv3HeaderTestAtAPageStart) {
    // 21 rows of 4 entries, then a track of 2 entries per side or of 2
    // entries alone: a redraw tests the header at the page's start.
    for (const bool secondSide : {true, false}) {
        SCOPED_TRACE(secondSide);
        host.messages.clear();
        std::vector<Jv3Entry> e = Jv3Tracks(0, 21, 4);
        for (int side = 0; side < (secondSide ? 2 : 1); ++side)
            for (int s = 0; s < 2; ++s)
                e.push_back(Entry(21, s, true, side == 1));
        for (const Jv3Entry& x : Jv3Tracks(22, 3, 4))
            e.push_back(x);
        Load(MakeJv3(e));
        map.Cmndnext_Click();
        ASSERT_EQ(map.Pagenum, 1);
        EXPECT_EQ(Labels(kJv3X).front(), "Trk; 21 : 0 ");
        EXPECT_TRUE(host.messages.empty());

        map.Form_Resize();
        if (secondSide) {
            EXPECT_TRUE(host.messages.empty());
            EXPECT_EQ(Labels(kJv3X).front(), "Trk; 21 : 0 ");
        } else {
            ASSERT_EQ(host.messages.size(), 1u);
            EXPECT_EQ(host.messages[0].text, kNoHeaderMessage);
            EXPECT_EQ(host.messages[0].title, "Error");
            EXPECT_TRUE(map.surface.Items().empty());
        }
    }
}

TEST_F(SectorMap, Jv3WithItsFirstEntryFreeDrawsTheLegendAlone) {
    Load(MakeJv3({}));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(map.Text1.Text, "JV3");
    EXPECT_TRUE(Labels(kJv3X).empty());
    EXPECT_EQ(TextsAt(5 * kH).size(), 2u);
    EXPECT_EQ(map.endflag, 1);
}

TEST_F(SectorMap, Jv1HasTwoPagesWithTrack17Coloured) {
    std::vector<std::uint8_t> jv1 = SampleJv1();
    jv1.resize(35 * 2560);
    Load(jv1);
    EXPECT_EQ(map.Text1.Text, "JV1");
    EXPECT_EQ(TextsAt(6 * kH), (std::vector<std::string>{kMapDoubleLegend, kMapDoubleDirLegend}));

    auto rows = [&] {
        std::vector<std::string> out;
        for (int r = 0; !Label(Jv1RowY(r), kJv1X).empty(); ++r)
            out.push_back(Label(Jv1RowY(r), kJv1X));
        return out;
    };
    std::vector<std::string> page0 = rows();
    ASSERT_EQ(page0.size(), 21u);
    EXPECT_EQ(page0[9], "Trk  9 : 0 ");
    EXPECT_EQ(page0[20], "Trk 20 : 0 ");
    EXPECT_EQ(map.surface.TextAt(200, Jv1RowY(0))->colour, mapcolour::RowLabel);
    EXPECT_EQ(CellTexts(Jv1RowY(0), kJv1X),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(Cells(Jv1RowY(16), kJv1X)[9].colour, mapcolour::SingleDensity);
    EXPECT_EQ(Cells(Jv1RowY(17), kJv1X)[9].colour, mapcolour::SingleDir);

    map.Cmndnext_Click();
    std::vector<std::string> page1 = rows();
    ASSERT_EQ(page1.size(), 14u);
    EXPECT_EQ(page1.front(), "Trk 21 : 0 ");
    EXPECT_EQ(page1.back(), "Trk 34 : 0 ");

    // As many tracks as the file holds: 45 and a part-track of three sectors
    // make three pages, the last row as far as the file goes.
    jv1.resize(45 * 2560 + 2 * 256 + 1);
    Load(jv1);
    map.Cmndnext_Click();
    map.Cmndnext_Click();
    EXPECT_EQ(map.Pagenum, 2);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Trk 42 : 0 ", "Trk 43 : 0 ", "Trk 44 : 0 ",
                                                "Trk 45 : 0 "}));
    EXPECT_EQ(CellTexts(Jv1RowY(3), kJv1X), (std::vector<std::string>{"0", "1", "2"}));
    map.Cmndnext_Click();
    EXPECT_EQ(map.Pagenum, 2);
}

TEST_F(SectorMap, PreviousOnPage0AndNextAtTheEndDrawNothing) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> image;
        int pages;
    };
    const Case cases[] = {
        {"DMK", OneSidedDmk(42), 2},
        {"JV3", MakeJv3(Jv3Tracks(0, 30, 4)), 2},
        {"JV1", SampleJv1(), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.image);
        std::uint64_t revision = map.surface.Revision();
        map.Cmndprev_Click();
        EXPECT_EQ(map.Pagenum, 0);
        EXPECT_EQ(map.surface.Revision(), revision);

        for (int p = 1; p < c.pages; ++p)
            map.Cmndnext_Click();
        ASSERT_EQ(map.Pagenum, c.pages - 1);
        revision = map.surface.Revision();
        map.Cmndnext_Click();
        EXPECT_EQ(map.Pagenum, c.pages - 1);
        EXPECT_EQ(map.surface.Revision(), revision);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SectorMap, ActivationReloadsTheMainWindowsFileAtPage0) {
    FromMainWindow(SampleDmk());
    const std::vector<DrawItem> page0 = map.surface.Items();
    map.Cmndnext_Click();
    map.Cmndnext_Click();
    ASSERT_EQ(map.Pagenum, 2);
    map.Form_Activate();
    EXPECT_EQ(map.Pagenum, 0);
    EXPECT_EQ(map.surface.Items(), page0);

    map.Cmndfiledisp_Click();
    EXPECT_EQ(host.shown.back(), WindowId::MainWindow);
}

TEST_F(SectorMap, NothingToLoadOrAFileThatCannotBeOpened) {
    w.Cmndsecdisp_Click(); // no file opened in the main window
    map.Form_Activate();
    EXPECT_EQ(map.openflag, 0);
    map.Form_Resize();
    map.Cmndnext_Click();
    EXPECT_TRUE(map.surface.Items().empty());

    Load(SampleDmk());
    const std::vector<DrawItem> shown = map.surface.Items();
    const std::string name = map.TxtFilename.Text;
    EXPECT_EQ(map.MnuOpen(TempFile({}) + ".missing").outcome, OpenResult::Outcome::CannotOpen);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].title, "Text Editor");
    EXPECT_EQ(map.surface.Items(), shown);
    EXPECT_EQ(map.TxtFilename.Text, name);
}

// ---------------------------------------------------------------- mended faults

TEST_F(SectorMap, PagesBeyondTheTablesOfTwentyOnePagesPageForwardAndBack) {
    // DMK: 460 track records make 22 pages. JV3: 2901 used entries, four to a
    // track in turn over 255 tracks (each track's in three places), make 255
    // rows, one a track, on 13 pages, and the walk stops at the end of the
    // header.
    std::vector<Jv3Entry> full;
    for (int n = 0; n < 2901; ++n)
        full.push_back(Entry(n / 4 % 255, n % 4, true, false, n / 4 % 255 == 17));
    DmkOptions twoSided;
    twoSided.trackLength = 3264;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> image;
        int pages;
        int sectors;
    };
    Case cases[] = {
        {"DMK", MakeDmk(DmkStandardTracks(230, 2, 1, false), twoSided).bytes, 22, 460},
        {"JV3", MakeJv3(full), 13, 2901},
    };
    cases[1].image[8703] = 0x00; // writable: no 0xFF after the last entry
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(c.image);
        map.Option2_Click();
        std::vector<std::vector<DrawItem>> pages = {map.surface.Items()};
        for (int p = 1; p < c.pages + 3; ++p) {
            map.Cmndnext_Click();
            if (map.Pagenum == p)
                pages.push_back(map.surface.Items());
        }
        ASSERT_EQ(pages.size(), static_cast<std::size_t>(c.pages));
        EXPECT_EQ(map.secnum, c.sectors);
        for (int p = c.pages - 2; p >= 0; --p) {
            map.Cmndprev_Click();
            ASSERT_EQ(map.Pagenum, p);
            EXPECT_EQ(map.surface.Items(), pages[static_cast<std::size_t>(p)]) << "page " << p;
        }
        EXPECT_TRUE(host.messages.empty());
    }
}

TEST_F(SectorMap, ARedrawnPageIsThePageFirstDrawn) {
    // The directory runs over tracks 20 and 21, across two JV3 pages.
    std::vector<Jv3Entry> e = Jv3Tracks(0, 20, 4);
    for (const Jv3Entry& x : Jv3Tracks(20, 2, 4, true))
        e.push_back(x);
    for (const Jv3Entry& x : Jv3Tracks(22, 8, 4))
        e.push_back(x);
    Load(MakeJv3(e));
    const std::vector<DrawItem> page0 = map.surface.Items();
    EXPECT_EQ(TextsAt(120), std::vector<std::string>{" 80 "});
    EXPECT_EQ(TextsAt(260), std::vector<std::string>{" 83 "});
    map.Cmndnext_Click();
    const std::vector<DrawItem> page1 = map.surface.Items();
    EXPECT_EQ(TextsAt(260), std::vector<std::string>{" 87 "});

    ExpectRedrawnAsFirstDrawn(page0, page1);
    EXPECT_EQ(map.pagecounters[1], (PageCounters{84, 1, 80, 83}));
}

TEST_F(SectorMap, DmkPagesDrawnAgainShowTheirDamageAsFirstDrawn) {
    // Two images of one layout, 21 records a page, each with a bad ID CRC on
    // page 0 and bad data on page 1, in different places.
    const auto damaged = [](std::size_t badId, std::size_t badData) {
        std::vector<DmkTrack> t = DmkStandardTracks(30, 1, 10, true);
        t[badId].sectors[2].idCrc = std::array<std::uint8_t, 2>{0x12, 0x34};
        t[badData].sectors[7].dataCrc = std::array<std::uint8_t, 2>{0x00, 0x00};
        return MakeDmk(t, OneSide()).bytes;
    };
    const auto colourAt = [&](int row, std::size_t column) {
        return Cells(RowY(row), kDmkX).at(column).colour;
    };
    Load(damaged(1, 22));
    const std::vector<DrawItem> page0 = map.surface.Items();
    EXPECT_EQ(colourAt(1, 2), mapcolour::Damaged);
    EXPECT_EQ(colourAt(3, 2), colour::Red);
    map.Cmndnext_Click();
    const std::vector<DrawItem> page1 = map.surface.Items();
    EXPECT_EQ(colourAt(1, 7), mapcolour::Damaged); // track 22
    EXPECT_EQ(colourAt(4, 7), colour::Red);

    ExpectRedrawnAsFirstDrawn(page0, page1);
    map.Cmndprev_Click();
    EXPECT_EQ(map.surface.Items(), page0);

    // Another file, page 0 drawn from the same place: its own damage,
    // nothing of the last one's.
    Load(damaged(3, 25));
    EXPECT_EQ(colourAt(1, 2), colour::Red);
    EXPECT_EQ(colourAt(3, 2), mapcolour::Damaged);
    map.Cmndnext_Click();
    EXPECT_EQ(colourAt(1, 7), colour::Red);
    EXPECT_EQ(colourAt(4, 7), mapcolour::Damaged);
}

TEST_F(SectorMap, EveryLoadStartsAtPage0) {
    const std::vector<std::uint8_t> jv3 = MakeJv3(Jv3Tracks(0, 30, 4));
    const std::vector<std::uint8_t> jv1 = SampleJv1();
    Load(jv3);
    const std::vector<DrawItem> jv3Page0 = map.surface.Items();
    Load(jv1);
    const std::vector<DrawItem> jv1Page0 = map.surface.Items();

    for (const auto* next : {&jv3, &jv1}) {
        Load(OneSidedDmk(50));
        map.Cmndnext_Click();
        map.Cmndnext_Click();
        ASSERT_EQ(map.Pagenum, 2);
        Load(*next);
        EXPECT_EQ(map.Pagenum, 0);
        EXPECT_EQ(map.pagepsn.size(), 1u);
        EXPECT_EQ(map.surface.Items(), next == &jv3 ? jv3Page0 : jv1Page0);
        const std::uint64_t revision = map.surface.Revision();
        map.Cmndprev_Click();
        EXPECT_EQ(map.surface.Revision(), revision);
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(SectorMap, AfterARefusedLoadTheControlsDrawAndRaiseNothing) {
    DmkOptions real = OneSide();
    real.realDisk = true;
    std::vector<std::uint8_t> noHeader(4000, 0);
    noHeader[3] = 7;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> image;
        const char* message;
    };
    const Case cases[] = {
        {"real disk", MakeDmk(DmkStandardTracks(30, 1, 10, true), real).bytes, kRealDiskMessage},
        {"no header", noHeader, kNoHeaderMessage},
        {"shorter than a header test", {0, 0, 0}, kNoHeaderMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(OneSidedDmk(50));
        map.Cmndnext_Click();
        host.messages.clear();
        EXPECT_EQ(Load(c.image), OpenResult::Refused(c.message));
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, c.message);
        EXPECT_EQ(host.messages[0].title, "Error");
        EXPECT_FALSE(map.HasPage());

        map.Form_Resize();
        map.Option2_Click();
        map.Option1_Click();
        map.Cmndnext_Click();
        map.Cmndprev_Click();
        EXPECT_EQ(host.messages.size(), 1u);
        EXPECT_TRUE(map.surface.Items().empty());

        EXPECT_TRUE(Load(SampleJv3()).IsOpened());
        EXPECT_TRUE(map.HasPage());
        EXPECT_EQ(Labels(kJv3X).size(), 21u);
    }
}

TEST_F(SectorMap, Jv3WalkEndsWithAFileCutShortInsideItsHeader) {
    std::vector<std::uint8_t> cut = MakeJv3(Jv3Tracks(0, 60, 4));
    cut.resize(3 * 100 + 2); // 100 whole entries, then part of one
    Load(cut);
    EXPECT_EQ(Labels(kJv3X).size(), 21u);
    map.Cmndnext_Click();
    EXPECT_EQ(Labels(kJv3X).size(), 4u);
    EXPECT_EQ(map.endflag, 1);
    EXPECT_EQ(map.secnum, 100);
    map.Cmndnext_Click();
    EXPECT_EQ(map.Pagenum, 1);
}

} // namespace
} // namespace ss::maptest
