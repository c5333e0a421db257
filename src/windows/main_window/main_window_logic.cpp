#include "main_window_logic.h"

#include "surface/numtext.h"

#include <algorithm>
#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace ss {

namespace {

// The dump: 16 bytes a row, a directory entry every two rows; 16 rows for a
// 256-byte sector, as many more or fewer as the sector's size needs.
constexpr int kDumpRows = 16;
constexpr int kDumpColumns = 16;

// On an image whose track sectors are numbered from 1, the sector indexes
// from the directory's first to 17 past it count as directory sectors.
constexpr int kFirstSecnumDirLast = 17;

// A 32-byte directory entry: its first byte holds the attributes (0 for an
// unused entry, 0x90 for an extension entry of a file), bytes 20 and 21 the
// end-of-file record, bytes 22 to 31 the extents (0xFF where unused).
namespace direntry {
constexpr int kAttributes = 0;
constexpr int kEndRecordFirst = 20;
constexpr int kEndRecordLast = 21;
constexpr int kExtentsFirst = 22;
constexpr int kExtentsLast = 31;
constexpr int kExtension = 0x90;
constexpr int kNoExtent = 0xFF;
} // namespace direntry

// The colour of the hex text of byte b at offset o of a directory entry whose
// first byte is entryFirst: an entry in use shows its attributes, end-of-file
// record and extents in colour.
Colour EntryByteColour(int o, int b, int entryFirst) {
    using namespace direntry;
    Colour c = colour::Black;
    if (entryFirst == 0) {
        return c;
    }
    if (o >= kExtentsFirst && o <= kExtentsLast && b != kNoExtent) {
        c = entryFirst == kExtension ? colour::Magenta : colour::Red;
    }
    if (o >= kEndRecordFirst && o <= kEndRecordLast && entryFirst != kExtension) {
        c = colour::Blue;
    }
    if (o == kAttributes && b != 0) {
        c = colour::BrightGreen;
    }
    return c;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}
} // namespace

std::string TracksText(int tracks) {
    return DecBlank(tracks) + " Track";
}

std::string DensityText(Density density) {
    switch (density) {
    case Density::Double:
        return " Double/Density";
    case Density::Dual:
        return " Dual/Density";
    case Density::None:
    case Density::Single:
        break;
    }
    return " Single/Density";
}

std::string SidesText(int sides) {
    return sides == 2 ? " Double/Sided" : " Single/Sided";
}

std::string SectorsPerCylinderText(int spt, int sides) {
    return "  Sec/Cyl. =" + DecBlank(static_cast<std::int64_t>(sides) * spt) + " (" +
           DecBlank(spt) + " *" + DecBlank(sides) + ")";
}

std::string GranuleText(int sectorsPerGranule) {
    return "   Spg =" + DecBlank(sectorsPerGranule);
}

std::vector<std::string> NoticeLines(const ImageAnalysis& a) {
    std::vector<std::string> lines;
    if (a.firstSectorOne) {
        lines.push_back(kFirstSectorOneNotice);
    } else if (a.layout != Layout::JV1 && a.density == Density::Dual) {
        lines.push_back(kDualDensityNotice);
    }
    for (std::string& line : DamageNotices(a.damage)) {
        lines.push_back(std::move(line));
    }
    return lines;
}

bool ShownAsDirectory(const ImageAnalysis& a, const IndexedSector& s) {
    if (a.firstSectorOne) {
        return a.directoryStart <= s.index && s.index <= a.directoryStart + kFirstSecnumDirLast;
    }
    return s.directory;
}

const char* DensityField(const IndexedSector& s) {
    return s.doubleDensity ? "D/D  " : "S/D  ";
}

MainWindowLogic::MainWindowLogic(Host& host, const FontMetrics& metrics)
    : surface(metrics, colour::LightGrey), host_(host) {
    // The Newdos/80 marker field shows red text.
    Text7.ForeColor = colour::Red;
}

bool MainWindowLogic::OpenFile(const std::string& name) {
    return OpenFileNumber1(file1_, host_, name);
}

OpenResult MainWindowLogic::MnuOpen(const std::string& name) {
    Filename = name;
    if (!OpenFile(Filename)) {
        return OpenResult::CannotOpen(CannotOpenReason(Filename));
    }
    TxtFilename.Text = Filename;
    openflag = 1;
    return AnalyseImage();
}

OpenResult MainWindowLogic::AnalyseImage() {
    ImageBuffer buf(file1_.ReadAllAndClose());
    surface.Cls();
    dumpBottom_ = 0;
    missingShown_ = false;
    List2.Clear();
    Combo1.Clear();
    fpa = 0;
    datamarkDmk = 0;
    datamarkjv = 0;

    sectors_.reset();
    model_ = disk::Disk{};
    disk_ = dos::Disk{};
    ++generation_;
    disk::Disk model = disk::ReadDisk(buf, disk::Depth::Shown);
    ImageAnalysis analysis = ss::AnalyseImage(buf, model);
    if (analysis.outcome != AnalysisResult::Shown) {
        // Nothing of the image shown before may stand under the new file's name.
        imageShown_ = false;
        for (TextBox* box : {&Text1, &Text2, &Text3, &Text4, &Text5, &Text6, &Text7, &Txtfiletype,
                             &Txttrk, &txtside, &Txtsector, &Txttrkspt, &TxtDens, &Txtsecnum,
                             &Txtsectype, &Txtdam, &Txtlumpnum, &Txtcrc, &Txtowner}) {
            box->Text.clear();
            box->BackColor = TextBox{}.BackColor;
        }
        dumped_.clear();
        damageNotices_.clear();
    }
    switch (analysis.outcome) {
    case AnalysisResult::RefusedRealDisk:
        refusal_ = kRealDiskMessage;
        host_.MsgBox(kRealDiskMessage, kMsgOk, kRefusalTitle);
        return OpenResult::Refused(kRealDiskMessage);
    case AnalysisResult::RefusedNoHeader:
        // A file without a header is refused on the way to being read as a
        // JV3 image, which starts by forgetting the directory found before:
        // To Directory then finds none. (A refused real-disk image leaves it.)
        analysis_.directoryFound = false;
        refusal_ = kNoHeaderMessage;
        host_.MsgBox(kNoHeaderMessage, kMsgOk, kRefusalTitle);
        return OpenResult::Refused(kNoHeaderMessage);
    case AnalysisResult::Shown:
        break;
    }

    imageShown_ = true;
    refusal_.clear();
    filebuf_ = std::move(buf);
    model_ = std::move(model);
    analysis_ = std::move(analysis);
    sectors_.emplace(model_, filebuf_);
    disk_ = dos::ReadDisk(*sectors_);

    const ImageAnalysis& a = analysis_;
    PresSecnum = 0;
    dd = DensityText(a.density);
    sda = SidesText(a.sides);
    Emtype = LayoutName(a.layout);
    spgaa = GranuleText(a.sectorsPerGranule);
    pdrive = a.driveParameters ? a.driveParameters->Text() : std::string();
    for (int t = 0; t < a.tracks; ++t) {
        Combo1.AddItem(DecBlank(t));
    }
    if (a.layout != Layout::JV1 && a.density == Density::Dual) {
        List2.Clear();
        List2.AddItem(kDualDensityNotice);
    }
    damageNotices_ = DamageNotices(a.damage);
    AddNotices();
    GetDispSector();
    return OpenResult::Opened();
}

void MainWindowLogic::AddNotices() {
    for (const std::string& line : damageNotices_) {
        List2.AddItem(line);
    }
}

void MainWindowLogic::GetDispSector() {
    // After a refusal the state is half of one image and half of another:
    // show nothing until the next image is analysed.
    if (!imageShown_) {
        return;
    }
    ShowNoDirectoryNotice();
    host_.Yield();
    // What ran meanwhile may have opened a file that was refused.
    if (!imageShown_) {
        return;
    }
    surface.ForeColor = colour::Black;

    const IndexedSector s = analysis_.At(PresSecnum);
    ShowDiskSummary();
    LocateSector(s);
    ShowSectorIdentity();
    TakeDataPosition(s);
    ShowDensity();
    const bool dirSector = ClassifySector(s);
    ShowTypeFields(dirSector);
    ShowCrc(s);
    const int rows = s.size / kDumpColumns;
    ClearDumpArea(rows, s.present);
    if (s.present) {
        DumpSector(s, dirSector, rows);
    } else {
        ShowMissingSector();
    }
}

void MainWindowLogic::ShowNoDirectoryNotice() {
    if (!analysis_.directoryFound) {
        surface.CurrentX = mainlayout::kNoticeX;
        surface.CurrentY = mainlayout::kNoticeY;
        surface.ForeColor = colour::Red;
        surface.Print(kNoDirectoryNotice);
    }
}

void MainWindowLogic::ShowDiskSummary() {
    const ImageAnalysis& a = analysis_;
    sptab = SectorsPerCylinderText(a.sectorsPerTrack, a.sides);
    Text1.Text = TracksText(a.tracks);
    Text2.ForeColor = dd == DensityText(Density::Single) ? colour::Green : colour::Red;
    Text2.Text = dd;
    Text3.ForeColor = sda == SidesText(1) ? colour::Green : colour::Red;
    Text3.Text = sda;
    Text4.Text = sptab;
    Text5.Text.clear();
    if (a.driveParameters) {
        Text5.Text = spgaa;
    }
}

// Track, sector and side of the sector on display, with the Newdos/80
// fields on the way (not for JV1).
void MainWindowLogic::LocateSector(const IndexedSector& s) {
    const ImageAnalysis& a = analysis_;
    if (a.layout != Layout::JV1) {
        Text7.Text.clear();
        if (a.driveParameters) {
            Text7.Text = kNewdosMarkerText;
        }
        Txtlumpnum.Text.clear();
        if (a.driveParameters) {
            surface.CurrentX = mainlayout::kNoticeX;
            surface.CurrentY = mainlayout::kNoticeY;
            surface.ForeColor = colour::Blue;
            surface.Print(pdrive);
            // A lump of no sectors has no number: the field stays empty.
            const int spl = a.driveParameters->SectorsPerLump();
            if (spl != 0) {
                Txtlumpnum.Text = Dec(FloorDiv(PresSecnum, spl));
            }
        }
    }
    TrkToFind = s.track;
    SecToFind = s.number;
    SideToFind = s.side;
    disktrk = TrkToFind;
}

void MainWindowLogic::ShowSectorIdentity() {
    Txtsecnum.Text = Dec(PresSecnum);
    Txttrk.Text = Dec(TrkToFind);
    Txtsector.Text = Dec(SecToFind);
    txtside.BackColor = SideToFind == 1 ? colour::LightBlue : colour::Peach;
    txtside.Text = Dec(SideToFind);
    Txttrkspt.Text = Dec(analysis_.tables.SectorsOnTrack(disktrk));
    Txtfiletype.Text = Emtype;
    if (Emtype == LayoutName(Layout::DMK)) {
        Txtfiletype.BackColor = colour::Pink;
    } else if (Emtype == LayoutName(Layout::JV3)) {
        Txtfiletype.BackColor = colour::BrightGreen;
    } else if (Emtype == LayoutName(Layout::JV1)) {
        Txtfiletype.BackColor = colour::LightOrange;
    }
}

// Data position, data mark and density of the sector on display.
void MainWindowLogic::TakeDataPosition(const IndexedSector& s) {
    datamarkjv = 0;
    fpa = s.dataPos;
    trkdens = s.doubleDensity ? kDoubleDensityFlag : 0;
    if (analysis_.layout == Layout::DMK) {
        datamarkDmk = s.dataMark;
    } else {
        datamarkjv = s.dataMark;
    }
}

void MainWindowLogic::ShowDensity() {
    const bool doubleDensity = trkdens == kDoubleDensityFlag;
    TxtDens.BackColor = doubleDensity ? colour::Orange : colour::Lime;
    Txttrkspt.BackColor = TxtDens.BackColor;
    TxtDens.Text = doubleDensity ? "D/D  " : "S/D  ";
}

// Whether the sector on display is a directory sector: by its data mark, or,
// on an image whose track sectors are numbered from 1, by where it lies.
bool MainWindowLogic::ClassifySector(const IndexedSector& s) {
    Txtsecnum.BackColor = s.directory ? colour::Pink : colour::Peach;
    if (!analysis_.firstSectorOne) {
        return s.directory;
    }
    // Track sectors numbered from 1: the directory is taken to start on the
    // directory track, counting both sides of every cylinder before it, and
    // to span the 18 sector indexes from there.
    List2.Clear();
    List2.AddItem(kFirstSectorOneNotice);
    AddNotices();
    const bool dirSector = ShownAsDirectory(analysis_, s);
    if (dirSector) {
        Txtsecnum.BackColor = colour::Pink;
    }
    return dirSector;
}

void MainWindowLogic::ShowTypeFields(bool dirSector) {
    const int mark = analysis_.layout == Layout::DMK ? datamarkDmk : datamarkjv;
    Txtsectype.BackColor = dirSector ? colour::Pink : colour::Peach;
    Txtsectype.Text = dirSector ? kDirSectorType : kDataSectorType;
    Txtdam.Text = Hex(static_cast<std::uint64_t>(mark & 0xFFFF));
    Text6.Text = Hex(static_cast<std::uint64_t>(fpa));
    Txtowner.Text = dos::OwnerText(disk_, {TrkToFind, SideToFind, SecToFind});
}

namespace {
const char* CrcWord(CrcState state) {
    switch (state) {
    case CrcState::Good:
        return "ok";
    case CrcState::Bad:
        return "BAD";
    case CrcState::NotRecorded:
        break;
    }
    return "--";
}
} // namespace

// The CRC states of the sector's two fields: "ok", "BAD", or "--" where the
// image records none.
void MainWindowLogic::ShowCrc(const IndexedSector& s) {
    const SectorCrc crc = s.crc;
    Txtcrc.Text = std::string("ID ") + CrcWord(crc.id) + "  Data " + CrcWord(crc.data);
    const bool bad = crc.id == CrcState::Bad || crc.data == CrcState::Bad;
    Txtcrc.BackColor = bad ? colour::Pink : colour::Peach;
}

// An index that no ID field or entry describes: the track, side and number
// it stands for, the fields of a sector's own empty, its type "No Sector",
// and one notice line where the dump would be.
void MainWindowLogic::ShowMissingSector() {
    for (TextBox* box : {&Txttrkspt, &TxtDens, &Txtdam, &Text6, &Txtcrc, &Txtowner}) {
        box->Text.clear();
        box->BackColor = TextBox{}.BackColor;
    }
    Txtsectype.Text = kMissingSectorType;
    Txtsectype.BackColor = colour::Pink;
    dumped_.clear();
    surface.CurrentX = mainlayout::kRowLabelX;
    surface.CurrentY = mainlayout::kDumpTop;
    surface.ForeColor = colour::Red;
    surface.Print(kMissingSectorNotice);
}

// Clears the dump area, down to the lowest row any dump since the last
// clearing of the surface has drawn. The row labels left of it go too when
// no sector is to be dumped, and when the notice of one without a sector
// stands there.
void MainWindowLogic::ClearDumpArea(int rows, bool present) {
    const int extra = std::max(0, rows - kDumpRows) * surface.TextHeight("0");
    dumpBottom_ = std::max({dumpBottom_, mainlayout::kDumpBottom, mainlayout::kDumpBottom + extra});
    const bool labels = !present || missingShown_;
    missingShown_ = !present;
    surface.Line(labels ? mainlayout::kRowLabelX : mainlayout::kDumpLeft, mainlayout::kDumpTop,
                 mainlayout::kDumpRight, dumpBottom_, colour::ButtonFace);
}

void MainWindowLogic::DumpSector(const IndexedSector& s, bool dirSector, int rows) {
    // The first two directory sectors (granule and hash tables) hold no entries.
    const bool coloured = dirSector && PresSecnum >= analysis_.directoryStart + 2;
    const SectorBytes bytes(filebuf_, s);
    int entryFirst = 0;
    dumped_.assign(static_cast<std::size_t>(rows * kDumpColumns), 0);
    surface.CurrentY = mainlayout::kDumpTop;
    for (int r = 1; r <= rows; ++r) {
        DumpRow(bytes, r, coloured, entryFirst);
    }
}

// Row r (from 1) of the dump: its offset label, then each byte as hex and as
// a character. entryFirst carries the first byte of the directory entry that
// the row belongs to from its odd row to its even one.
void MainWindowLogic::DumpRow(const SectorBytes& bytes, int r, bool coloured, int& entryFirst) {
    surface.ForeColor = colour::Brown;
    surface.CurrentX = mainlayout::kRowLabelX;
    // The row's first offset after two blanks: Hex2, so 3 digits from 256 on.
    const auto offset = static_cast<std::uint64_t>((r - 1) * kDumpColumns);
    if (offset < 256) {
        const std::string_view digits = Hex2View(static_cast<std::uint8_t>(offset));
        const char label[4] = {' ', ' ', digits[0], digits[1]};
        surface.Print(std::string_view(label, sizeof label), true);
    } else {
        std::string label(2, ' ');
        label += Hex2(offset);
        surface.Print(label, true);
    }
    surface.ForeColor = colour::Black;
    for (int k = 1; k <= kDumpColumns; ++k) {
        const int at = (r - 1) * kDumpColumns + k - 1;
        const std::uint8_t b = bytes[at];
        dumped_[static_cast<std::size_t>(at)] = b;
        if (r % 2 == 1 && k == 1) {
            entryFirst = b;
        }

        const int o = (r % 2 == 1) ? k - 1 : kDumpColumns + k - 1;
        surface.CurrentX = mainlayout::HexColumn(k);
        surface.ForeColor = coloured ? EntryByteColour(o, b, entryFirst) : colour::Black;
        surface.Print(Hex2View(b), true);
        surface.CurrentX = mainlayout::TextColumn(k);
        surface.ForeColor = colour::Black;
        surface.Print(ShownView(b), true);
    }
    surface.Print();
}

void MainWindowLogic::CmndNextsec_Click() {
    PresSecnum += 1;
    if (PresSecnum > analysis_.indexes - 1) {
        PresSecnum = analysis_.indexes - 1;
        return;
    }
    GetDispSector();
}

void MainWindowLogic::CmndPrevsec_Click() {
    PresSecnum -= 1;
    if (PresSecnum < 0) {
        PresSecnum = 0;
        return;
    }
    GetDispSector();
}

void MainWindowLogic::CmndNexTrack_Click() {
    track = disktrk + 1;
    if (track > analysis_.tracks - 1) {
        track = analysis_.tracks - 1;
        return;
    }
    StepToTrack();
}

void MainWindowLogic::CmndPrevTrk_Click() {
    track = disktrk - 1;
    if (track < 0) {
        track = 0;
        return;
    }
    StepToTrack();
}

// The first sector of `track`, unless the image holds no sector there (a
// track the header counts but the file does not hold).
void MainWindowLogic::StepToTrack() {
    const SectorTables& tables = analysis_.tables;
    if (!tables.HasTrackStart(track) || tables.TrackStart(track) >= analysis_.indexes) {
        return;
    }
    PresSecnum = tables.TrackStart(track);
    GetDispSector();
}

void MainWindowLogic::CmndGotoTrk_Click() {
    if (openflag != 1) {
        return;
    }
    const std::optional<int> wanted = LeadingTrackNumber(Combo1.Text);
    if (!wanted) {
        return; // a negative or oversized number is ignored like one beyond the last track
    }
    track = *wanted;
    if (track > analysis_.tracks - 1) {
        return;
    }
    // The sectors of both sides of every track before it.
    std::int64_t index = 0;
    for (int t = 0; t < track; ++t) {
        index += static_cast<std::int64_t>(analysis_.tables.SectorsOnTrack(t)) * analysis_.sides;
    }
    // A track the header counts but the file does not hold has no sector to show.
    if (index >= analysis_.indexes) {
        return;
    }
    PresSecnum = index;
    GetDispSector();
}

void MainWindowLogic::CmndDirFind_Click() {
    if (openflag == 0) {
        return;
    }
    PresSecnum = analysis_.directoryStart;
    if (analysis_.directoryFound) {
        GetDispSector();
    } else {
        host_.MsgBox(kNoDirectoryMessage, kMsgOk, kRefusalTitle);
    }
}

void MainWindowLogic::Form_Activate() {
    if (openflag == 1) {
        GetDispSector();
    }
}

void MainWindowLogic::Cmndsecdisp_Click() {
    host_.SharedFilename = Filename;
    host_.ShowWindow(WindowId::SectorMap);
}

void MainWindowLogic::Cmndhexedit_Click() {
    host_.SharedFilename = Filename;
    host_.ShowWindow(WindowId::HexViewerWindow);
}

void MainWindowLogic::CmndFiles_Click() {
    host_.SharedFilename = Filename;
    host_.ShowWindow(WindowId::Files);
}

void MainWindowLogic::CmndCheck_Click() {
    host_.SharedFilename = Filename;
    host_.ShowWindow(WindowId::DiskCheck);
}

bool MainWindowLogic::ShowSectorAt(const dos::SectorAddress& at) {
    if (!imageShown_) {
        return false;
    }
    const std::int64_t index = FindSector(analysis_, at.track, at.side, at.sector);
    if (index < 0) {
        return false;
    }
    PresSecnum = index;
    GetDispSector();
    return true;
}

bool MainWindowLogic::ShowModelSector(const disk::Sector& s) {
    if (!imageShown_) {
        return false;
    }
    std::int64_t index = -1;
    for (std::size_t k = 0; k < analysis_.tables.SectorCount() && index < 0; ++k) {
        const IndexedSector e = analysis_.tables.Sector(k);
        if (e.dataPos == s.dataPos && e.number == s.sector) {
            index = e.index;
        }
    }
    if (index < 0) {
        index = FindSector(analysis_, s.cylinder, s.Side(), s.sector);
    }
    if (index < 0) {
        return false;
    }
    PresSecnum = index;
    GetDispSector();
    return true;
}

void MainWindowLogic::Form_Resize() {
    if (openflag == 1) {
        GetDispSector();
    }
}

std::optional<int> LeadingTrackNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    // The longest prefix that reads as a decimal number: sign, digits,
    // fraction, exponent.
    std::size_t j = i;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
        ++j;
    }
    std::size_t digits = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
        ++j;
        ++digits;
    }
    if (j < text.size() && text[j] == '.') {
        ++j;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            ++j;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
        std::size_t e = j + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
            ++e;
        }
        if (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) {
            while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) {
                ++e;
            }
            j = e;
        }
    }
    const std::string number(text.substr(i, j - i));
    const double value = std::strtod(number.c_str(), nullptr);
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    if (!(rounded >= 0 && rounded <= std::numeric_limits<std::int16_t>::max())) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

} // namespace ss
