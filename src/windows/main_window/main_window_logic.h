// The main window's logic: opening an image and keeping its analysis, the
// sector display and the navigation commands, drawn on a toolkit-neutral
// surface and control models.
#pragma once

#include "dos/disk_sectors.h"
#include "dos/dos_disk.h"
#include "image/analysis.h"
#include "image/disk.h"
#include "image/image_buffer.h"
#include "image/image_file.h"
#include "image/open_file.h"
#include "surface/controls.h"
#include "surface/host.h"
#include "surface/open_result.h"
#include "surface/surface.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ss {

// Twip positions of the sector display.
namespace mainlayout {
inline constexpr int kNoticeX = 180;
inline constexpr int kNoticeY = 1100;
inline constexpr int kDumpTop = 2490;
inline constexpr int kDumpLeft = 750;
inline constexpr int kDumpRight = 8800;
inline constexpr int kDumpBottom = 5600;
inline constexpr int kRowLabelX = 540;
// Hex column of byte k (1 to 16): a wider gap after every fourth byte.
constexpr int HexColumn(int k) {
    return 1100 + 320 * (k - 1) + 100 * ((k - 1) / 4);
}
// Text column of byte k (1 to 16).
constexpr int TextColumn(int k) {
    return 6550 + 140 * (k - 1);
}
} // namespace mainlayout

inline constexpr const char* kNoDirectoryNotice =
    " ***********  No Directory was found on this disk ***********";
inline constexpr const char* kNoDirectoryMessage = "No Directory was found on this disk";
inline constexpr const char* kDualDensityNotice = "    This Disk has Dual Density";
inline constexpr const char* kFirstSectorOneNotice = "This files Track Sectors start at 1";
inline constexpr const char* kNewdosMarkerText = "         Newdos/80";
inline constexpr const char* kMissingSectorType = "No Sector";
inline constexpr const char* kMissingSectorNotice =
    " No ID field or header entry describes this sector index: it has no data";
inline constexpr const char* kDirSectorType = "Dir Sec.";
inline constexpr const char* kDataSectorType = "Data Sec.";
// trkdens of a double-density sector; a single-density one holds 0.
inline constexpr int kDoubleDensityFlag = 128;

// The disk summary's texts, as the window builds them from the analysis.
std::string TracksText(int tracks);                     // Text1: " 40 Track"
std::string DensityText(Density density);               // dd: " Single/Density", ...
std::string SidesText(int sides);                       // sda: " Single/Sided" or " Double/Sided"
std::string SectorsPerCylinderText(int spt, int sides); // sptab: "  Sec/Cyl. = 36 (18 * 2)"
std::string GranuleText(int sectorsPerGranule);         // spgaa: "   Spg = 5"
// The notice list as the window shows it once the image's first sector is
// shown: the sectors numbered from 1 or the dual density, then the damage.
std::vector<std::string> NoticeLines(const ImageAnalysis& a);
// Whether the display takes the sector at an index for a directory sector:
// by its data mark, or, on an image whose track sectors are numbered from 1,
// by where it lies (the 18 indexes from the directory's first).
bool ShownAsDirectory(const ImageAnalysis& a, const IndexedSector& s);
// "D/D  " or "S/D  ", as the density field shows a sector.
const char* DensityField(const IndexedSector& s);

class MainWindowLogic {
  public:
    MainWindowLogic(Host& host, const FontMetrics& metrics);

    // Controls of the window.
    TextBox TxtFilename;
    TextBox Text1, Text2, Text3, Text4, Text5, Text6, Text7;
    TextBox Txtfiletype, Txttrk, txtside, Txtsector, Txttrkspt, TxtDens, Txtsecnum, Txtsectype,
        Txtdam, Txtlumpnum;
    // What the shown sector is to the disk's DOS: a file's sector, "directory",
    // "GAT", "HIT", "boot", "free"; empty when no DOS directory was read.
    TextBox Txtowner;
    // The CRC states of the sector's ID field and data field.
    TextBox Txtcrc;
    ListBox List2;
    ComboBox Combo1;
    CommandButton CmndNextsec{"Next Sec"}, CmndPrevsec{"Prev Sec"}, CmndNexTrack{"Next Track"},
        CmndPrevTrk{"Prev. Track"}, CmndGotoTrk{"Goto Track"}, CmndDirFind{" To Directory"},
        CmndFiles{"Files..."}, CmndCheck{"Disk Check..."};
    CommandButton Cmndsecdisp{"Sector Display"};
    CommandButton Cmndhexedit{"Hex Editor"};
    Surface surface;

    // The window's own variables: the file, the sector index on display and
    // what the display found of it, and the disk summary's texts.
    std::string Filename;
    int openflag = 0;
    std::int64_t PresSecnum = 0; // the sector index on display
    int TrkToFind = 0;           // its track, sector and side
    int SecToFind = 0;
    int SideToFind = 0;
    std::int64_t fpa = 0; // the position of its first data byte
    int datamarkjv = 0;   // its data mark: JV3 and JV1
    int datamarkDmk = 0;  // DMK
    int trkdens = 0;      // 0 single density, kDoubleDensityFlag double
    int track = 0;
    int disktrk = 0;
    std::string dd, sda, spgaa, sptab;
    std::string Emtype; // the layout's name
    std::string pdrive; // the drive-parameter read-out

    // File > Open once the dialog has handed back a name: opened and shown,
    // refused with its message, or not opened and why.
    OpenResult MnuOpen(const std::string& name);
    // Opens name as file number 1; false (after the warning box) when it cannot.
    bool OpenFile(const std::string& name);
    // Reads file number 1 whole and analyses it; ends by showing sector index 0.
    // Refused files come back with the text of their box.
    OpenResult AnalyseImage();
    // Shows the sector whose index is PresSecnum.
    void GetDispSector();

    // Navigation commands.
    void CmndNextsec_Click();
    void CmndPrevsec_Click();
    void CmndNexTrack_Click();
    void CmndPrevTrk_Click();
    void CmndGotoTrk_Click();
    void CmndDirFind_Click();

    // The buttons to the secondary windows: hand the file on and show the
    // sector map ("Sector Display") or the hex viewer ("Hex Editor").
    void Cmndsecdisp_Click();
    void Cmndhexedit_Click();
    // File > Files... and its button: shows the files window on this window's disk.
    void CmndFiles_Click();
    // File > Disk Check... and its button: shows the check of this window's disk.
    void CmndCheck_Click();

    // The analysis of the image shown last (kept when a later file is
    // refused), and the bytes of that image.
    const ImageAnalysis& Analysis() const { return analysis_; }
    const ImageBuffer& Buffer() const { return filebuf_; }
    // The disk of the image shown, the DOS directory read from it (both empty
    // after a refusal), and its sectors by track, side and sector as the DOS
    // reads them (none after a refusal).
    const disk::Disk& DiskModel() const { return model_; }
    const dos::Disk& DosDisk() const { return disk_; }
    const dos::SectorSource* Sectors() const { return sectors_ ? &*sectors_ : nullptr; }
    // Counts the images analysed, so other windows can tell a new one.
    int ImageGeneration() const { return generation_; }
    // Shows the sector at `at` (the first sector index that carries its ID);
    // false when the window has no index for it.
    bool ShowSectorAt(const dos::SectorAddress& at);
    // Shows a sector of DiskModel(): the index that holds it, else the
    // first index with its ID; false when the window has none for it.
    bool ShowModelSector(const disk::Sector& s);
    // The text of the box that refused the file opened last (lines separated
    // by carriage returns); empty when it was not refused.
    const std::string& Refusal() const { return refusal_; }

    // Window events.
    void Form_Activate();
    void Form_Resize();

    // True while the window shows an analysed image: false before the first
    // open and after a file was refused, until the next successful open.
    bool HasImage() const { return imageShown_; }
    // The data bytes that the last dump showed, in order: the whole sector
    // (none for an index without a sector).
    const std::vector<std::uint8_t>& DumpedBytes() const { return dumped_; }
    // The lowest edge, in twips, of anything the sector display has drawn
    // since the surface was last cleared: a sector of more than 256 bytes
    // grows the dump below the window's usual surface.
    int DumpBottom() const { return dumpBottom_; }

  private:
    // The steps of GetDispSector, in the order it takes them.
    void ShowNoDirectoryNotice();
    void ShowDiskSummary();
    void LocateSector(const IndexedSector& s);
    void ShowSectorIdentity();
    void TakeDataPosition(const IndexedSector& s);
    void ShowDensity();
    bool ClassifySector(const IndexedSector& s);
    void ShowTypeFields(bool dirSector);
    void ShowCrc(const IndexedSector& s);
    void ShowMissingSector();
    void ClearDumpArea(int rows, bool present);
    void AddNotices();
    // The dump of the sector's data bytes, row by row.
    void DumpSector(const IndexedSector& s, bool dirSector, int rows);
    void DumpRow(const SectorBytes& bytes, int r, bool coloured, int& entryFirst);
    void StepToTrack();

    Host& host_;
    FileNumber1 file1_;
    bool imageShown_ = false;
    std::string refusal_;
    ImageBuffer filebuf_;
    disk::Disk model_;
    ImageAnalysis analysis_;
    std::optional<dos::DiskSectors> sectors_;
    dos::Disk disk_;
    int generation_ = 0;
    std::vector<std::uint8_t> dumped_;
    int dumpBottom_ = 0;
    // The last display since the surface was cleared was of an index
    // without a sector: its notice stands left of the dump area.
    bool missingShown_ = false;
    // The notice lines naming the damage the analysis found.
    std::vector<std::string> damageNotices_;
};

// The track that Goto Track reads from the combo box text: the leading number
// rounded to the nearest whole number, a half to the even neighbour; 0 when
// the text does not start with a number. Empty when the number does not fit a
// track (negative or beyond 16 bits).
std::optional<int> LeadingTrackNumber(std::string_view text);

} // namespace ss
