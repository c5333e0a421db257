// The hex viewer window's logic: it reads a file into its own buffer, shows
// its path and length, pages through it 28 lines at a time with the scroll
// bar, and draws each page with the layout's structure marked in colour.
#pragma once

#include "hex_bytes.h"
#include "hex_layout.h"
#include "hex_marking.h"
#include "image/image_file.h"
#include "surface/controls.h"
#include "surface/host.h"
#include "surface/open_result.h"
#include "surface/surface.h"

#include <cstdint>
#include <string>

namespace ss {

// Twip positions of a page.
namespace hexlayout {
inline constexpr int kLineLeft = 150; // CurrentX of every line
inline constexpr int kTopLines = 8;   // line heights above the first line, kept for the controls
} // namespace hexlayout

// The system's texts of the hex viewer.
namespace hextext {
inline constexpr const char* kLengthCaption = "File Length ";
inline constexpr const char* kDmk = "DMK";
inline constexpr const char* kIdam = "IDAM:FE";
inline constexpr const char* kTrackHeader = "Track Header in Green";
inline constexpr const char* kTrack = "Track";
inline constexpr const char* kSide = "Side";
inline constexpr const char* kSector = "Sector";
inline constexpr const char* kRealDisk = " DMK Real Disk type";
inline constexpr const char* kJv1 = "JV1";
inline constexpr const char* kTracksRedBlack = "Tracks in Red or Black";
inline constexpr const char* kJv3 = "JV3";
inline constexpr const char* kJv3Track = " Track";
inline constexpr const char* kJv3Flags = "Dens/DAM/Side ";
inline constexpr const char* kDoubleByteNotice = "These Sectors are Model 1 Double Byte sectors";
inline constexpr int kNoticeBlanks = 41;
} // namespace hextext

class HexViewerLogic {
  public:
    HexViewerLogic(Host& host, const FontMetrics& metrics);
    HexViewerLogic(const HexViewerLogic&) = delete;
    HexViewerLogic& operator=(const HexViewerLogic&) = delete;

    // Controls of the window. Text2 names the layout, Text3 to Text7 are the
    // legend, Text8 the double-byte notice.
    TextBox TxtFilename;
    TextBox Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8;
    ScrollBar VScroll1; // the page's first line
    // Caption-less buttons that frame the page: right, left, below, above.
    CommandButton Command1, Command2, Command3, Command4;
    Surface surface;

    // Window state.
    std::string Filename;
    int openflag = 0;
    HexBytes filebuf;           // the file; loaded with structure_
    std::int64_t fpa = 0;       // page start handed to DispHexPage; then the next byte
    std::int64_t stepval = 0;   // the scroll-bar value last taken
    std::int64_t fpasave2 = 0;  // first position of the last page drawn
    std::int64_t trklength = 0; // DMK track length, taken again for every page
    HexMarking marking;         // the colour marking carried from page to page

    std::int64_t fileend() const { return filebuf.fileend(); }

    // Activate: loads SharedFilename on the first activation that has one.
    void Form_Activate();
    // File > Open once the dialog has handed back a name. The hex viewer
    // shows any file it can open.
    OpenResult MnuOpen(const std::string& name);
    // Opens name as file number 1; false (after the warning box) when it cannot.
    bool OpenFile(const std::string& name);
    // Change of VScroll1: draws the page that starts at the bar's line.
    void VScroll1_Change();
    // Resize: draws the last page again.
    void Form_Resize();
    // Draws the 28 lines of the page that starts at fpa and sets the legend.
    void DispHexPage();

  private:
    // Opens the file and reads it whole into the buffer, showing its path
    // and length; false when it cannot be opened, the window keeping its file.
    bool LoadFile(const std::string& name);
    // The legend boxes for a page of the given format and first byte.
    void SetLegend(HexFormat format, std::int64_t pageStart);

    Host& host_;
    FileNumber1 file1_;
    HexFile structure_; // what the viewer knows of filebuf's structure
};

} // namespace ss
