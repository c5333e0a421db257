// The sector map window's logic: for one image file, the sector numbers of
// each track, in the order their ID fields follow one another on the track
// (interleave order) or each in the column of its own number (numeric order),
// coloured by density and directory status, 21 rows a page.
//
// The window reads the file into its own disk model and walks that by its own
// rules (a DMK sector as the model's MapReading gives it); it does not use the
// main window's analysis.
#pragma once

#include "image/disk.h"
#include "image/image_buffer.h"
#include "image/image_file.h"
#include "surface/controls.h"
#include "surface/host.h"
#include "surface/open_result.h"
#include "surface/surface.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ss {

// Twip positions of the sector map.
namespace maplayout {
inline constexpr int kLabelX = 200;
inline constexpr int kRowPitch = 180;
inline constexpr int kColumnPitch = 350;
inline constexpr int kDmkFirstColumn = 1900;
inline constexpr int kJv3FirstColumn = 2100;
inline constexpr int kJv1FirstColumn = 1600;
// The JV3 directory counts in the window's corner.
inline constexpr int kDirCountX = 60;
inline constexpr int kDirStartY = 120;
inline constexpr int kDirEndY = 260;
// Legend lines and the first row, in line heights.
inline constexpr int kSingleLegendLine = 5;
inline constexpr int kDoubleLegendLine = 6;
inline constexpr int kNoteLine = 7;
inline constexpr int kDamageLegendLine = 8; // only on a page that shows damage
inline constexpr int kRowsTopLines = 9;     // DMK and JV3: the first row one pitch below
inline constexpr int kJv1FirstRowLine = 10; // JV1: the first row itself
} // namespace maplayout

// Colours of the sector map (0x00BBGGRR).
namespace mapcolour {
inline constexpr Colour SingleDensity = colour::Blue;    // 0, 0, 255
inline constexpr Colour DoubleDensity = colour::Red;     // 255, 0, 0
inline constexpr Colour SingleDir = 16776960;            // 0, 255, 255; also JV1 track 17
inline constexpr Colour DmkDoubleDir = colour::White;    // also the JV3 side-1 ":" and side
inline constexpr Colour Jv3DoubleDir = 15790335;         // 255, 240, 240
inline constexpr Colour DirDoubleLegend = colour::Peach; // JV1 and JV3 "Dir.Secs. D/D"
inline constexpr Colour RowLabel = colour::Brown;        // 192, 64, 0
inline constexpr Colour Damaged = colour::Magenta;       // 255, 0, 255: a field's CRC is bad
inline constexpr Colour Missing = 0x808080;              // 128, 128, 128: no sector has the number
} // namespace mapcolour

// The window's own texts.
inline constexpr const char* kMapSingleLegend = "  Single Density";
inline constexpr const char* kMapSingleDirLegend = "       Dir.Secs. S/D";
inline constexpr const char* kMapDoubleLegend = "  Double Density";
inline constexpr const char* kMapDmkDoubleDirLegend = "      Possible Dir.Secs. D/D    ";
inline constexpr const char* kMapDoubleDirLegend = "       Dir.Secs. D/D";
inline constexpr const char* kMapDoubleByteNote =
    " A  *  in front of the Sector shows a Model 1 Double Byte Sector";
inline constexpr const char* kMapDamagedLegend = "  CRC error";
inline constexpr const char* kMapMissingLegend = "     Missing sector";
inline constexpr const char* kMapNumericCaption = "Display Sec's Numeric order";
inline constexpr const char* kMapInterleaveCaption = "Display Sec's Interleave order";

// The counters of the walk as they stood when a page was first drawn.
struct PageCounters {
    int secnum = 0;
    int startchk = 0;
    std::int64_t dirstartsec = 0;
    std::int64_t direndsec = 0;
    bool operator==(const PageCounters&) const = default;
};

class SectorMapLogic {
  public:
    SectorMapLogic(Host& host, const FontMetrics& metrics);

    // Controls of the window. Option1 (numeric order) is selected at Load.
    TextBox TxtFilename;
    TextBox Text1;
    OptionButton Option1{kMapNumericCaption, true};
    OptionButton Option2{kMapInterleaveCaption, false};
    CommandButton Cmndnext{"Next"};
    CommandButton Cmndprev{"Previous"};
    CommandButton Cmndfiledisp{"File Display Mode"};
    Surface surface;

    // The file and the window's state.
    std::string Filename;
    int openflag = 0;
    ImageBuffer filebuf;
    std::int64_t fileend = 0;
    int jv1 = 0;
    int dmkflag = 0;
    int endflag = 0;
    std::int64_t filepsn = 0; // JV3: the row (track side) the walk goes on from
    // DMK: where the next track record starts in the file; JV3: the header
    // entry the header test reads from.
    std::int64_t fpa = 0;
    int Pagenum = 0;
    std::int64_t trkindex = 0; // DMK track length
    int secnum = 0;            // sector entries drawn so far (32 bits: it does not wrap)
    int startchk = 0;
    std::int64_t dirstartsec = 0;
    std::int64_t direndsec = 0;
    std::string sptab;
    // Per page drawn, from 0 up without a limit: where it starts (fpa for DMK,
    // filepsn for JV3) and the counters at its start (pagecounters[p].secnum
    // is the page's pagesecnum).
    std::vector<std::int64_t> pagepsn;
    std::vector<PageCounters> pagecounters;

    // File > Open once the dialog has handed back a name: drawn, refused with
    // the text of its box, or not opened and why.
    OpenResult MnuOpen(const std::string& name);
    // Opens name as file number 1; false (after the warning box) when it cannot.
    bool OpenFile(const std::string& name);
    // Reads file number 1 whole into the window's disk model, recognises JV1,
    // DMK or JV3 and draws page 0;
    // a refused file comes back with the text of its box.
    OpenResult ReadAndCheckFile();
    // Clears the surface and draws the page the state selects.
    void DrawSectorPage();

    // Window events and controls.
    void Form_Activate();
    void Form_Resize();
    void Option1_Click();
    void Option2_Click();
    void Cmndnext_Click();
    void Cmndprev_Click();
    void Cmndfiledisp_Click();

    // True while the window shows a page of a loaded file: false before the
    // first load and after a load that raised a message box, until the next
    // load that draws a page.
    bool HasPage() const { return pageShown_; }

  private:
    OpenResult StartLoad(const std::string& name);
    void Redraw();
    // Draws the page; false when the JV3 header test failed and the box was raised.
    bool DrawPage();
    void DrawDmkPage();
    bool DrawJv3Page();
    void DrawJv1Page();
    void PrintRowLabel(const char* text, int track, int y);
    // One row's sector numbers as the walk draws them, so that the numbers
    // between its lowest and highest that no sector has can be shown too.
    struct RowNumbers {
        int firstColumn = 0;
        int y = 0;
        int x = 0; // interleave order: the next column
        std::array<bool, 256> seen{};
        int lowest = 256;
        int highest = -1;
        void Start(int column, int top) { *this = RowNumbers{column, top, column}; }
        void Add(int sector);
    };
    // Draws the row's missing numbers: in numeric order each in its column,
    // in interleave order after the row's last number.
    void DrawMissing(const RowNumbers& row, bool numeric);
    void PrintDamageLegend(int lineHeight);
    bool damageShown_ = false; // the page being drawn shows a damaged or missing sector
    void PrintDensityLegend(int lineHeight);
    void SavePageStart(std::int64_t start);
    void RestorePageStart();

    // Where the walk stands: what a page is drawn from, and what drawing it
    // leaves.
    struct WalkState {
        std::int64_t fpa = 0;
        std::int64_t filepsn = 0;
        int secnum = 0;
        int startchk = 0;
        std::int64_t dirstartsec = 0;
        std::int64_t direndsec = 0;
        bool operator==(const WalkState&) const = default;
    };
    WalkState Walk() const;
    void SetWalk(const WalkState& w);
    // A page as the walk draws it: the page, the order and where it starts.
    struct ShownPage {
        int Pagenum = 0;
        bool numeric = true;
        WalkState start;
        bool operator==(const ShownPage&) const = default;
    };
    // The page last drawn, the walk as drawing it left it, and the surface's
    // revision right after. Drawing the same page again while the surface
    // has not changed since would draw every text where it already is
    // (Resize, an order option clicked again): the walk takes its end from
    // here instead. A load forgets it.
    struct Shown {
        ShownPage page;
        WalkState after;
        int endflag = 0;
        std::uint64_t revision = 0;
    };
    std::optional<Shown> shown_;

    // The disk of the file last loaded (filebuf), read once at its load.
    bool diskRead_ = false;
    disk::Disk disk_;

    Host& host_;
    FileNumber1 file1_;
    bool pageShown_ = false;
};

} // namespace ss
