#include "form1.h"

#include "image/analysis.h"
#include "image/open_file.h"
#include "surface/numtext.h"

namespace ss {

namespace {

// DMK layout.
constexpr std::int64_t kDmkHeaderSize = 16;
constexpr std::int64_t kDmkTrackLengthOffset = 2;
constexpr std::int64_t kDmkRealDiskOffset = 12;
constexpr std::uint8_t kDmkRealDiskSignature[] = {0x78, 0x56, 0x34, 0x12};
constexpr int kDmkPointers = 31; // the most ID marks the window takes from a record
constexpr std::uint8_t kIdAddressMark = 0xFE;
constexpr std::uint8_t kMarkData = 0xFB;
constexpr std::uint8_t kMarkDirectoryF8 = 0xF8;
constexpr std::uint8_t kMarkDirectoryFA = 0xFA;
constexpr int kMarkSearchFirst = 10;
constexpr int kMarkSearchFirstDoubled = 14; // a doubled field's CRC fills 10 to 13
constexpr int kMarkSearchLast = 50;

// The DMK track lengths the window accepts, with the fixed distance from an
// ID address mark to its data mark.
struct MapTrackLength {
    std::int64_t length;
    int damindx;
};
constexpr MapTrackLength kMapTrackLengths[] = {{6400, 44}, {6528, 44}, {3264, 24}};

// JV3 layout.
constexpr int kJv3Entries = 2901;
constexpr int kJv3EntrySize = 3;
constexpr std::int64_t kJv3LastEntry = kJv3EntrySize * (kJv3Entries - 1); // 8700
constexpr int kJv3FreeTrack = 0xFF;
constexpr int kJv3FlagDoubleDensity = 0x80;
constexpr int kJv3FlagDirectoryMark = 0x20;
constexpr int kJv3FlagSide1 = 0x10;

// JV1 layout.
constexpr std::uint8_t kJv1Signature[] = {0x00, 0xFE, 0x11};
constexpr int kJv1Tracks = 35;
constexpr int kJv1SectorsPerTrack = 10;
constexpr int kJv1DirectoryTrack = 17;

// Pages.
constexpr int kDmkRecordsPerPage = 21;
constexpr int kJv3RowsPerPage = 21;
constexpr int kJv1RowsPerPage = 21;

// The side byte a new row is compared with at the start of a page: no real
// side byte, so the first sector always starts a row.
constexpr int kDmkNoSide = 250;
constexpr int kJv3NoSide = 200;

constexpr bool IsDataMark(int b) {
    return b == kMarkData || b == kMarkDirectoryF8 || b == kMarkDirectoryFA;
}
constexpr bool IsDirectoryMark(int b) {
    return b == kMarkDirectoryF8 || b == kMarkDirectoryFA;
}

bool StartsWith(const ImageBuffer& buf, std::int64_t at, const std::uint8_t* bytes, int count) {
    if (!buf.Has(at, count)) {
        return false;
    }
    for (int k = 0; k < count; ++k) {
        if (buf.At(at + k) != bytes[k]) {
            return false;
        }
    }
    return true;
}

// The JV3 header test: the track bytes of the four entries from `at` on are
// equal. A file that does not hold the four fails it.
bool Jv3HeaderTest(const ImageBuffer& buf, std::int64_t at) {
    if (!buf.Has(at, 3 * kJv3EntrySize + 1)) {
        return false;
    }
    for (int n = 1; n < 4; ++n) {
        if (buf.At(at + kJv3EntrySize * n) != buf.At(at)) {
            return false;
        }
    }
    return true;
}

// The data mark of the sector whose ID address mark lies at p: the first
// 0xF8, 0xFA or 0xFB in the search window; when there is none, the byte at the
// fixed distance, or the one after it when that is no mark either.
int DataMarkAt(const ImageBuffer& buf, std::int64_t p, bool doubled, int damindx) {
    for (int d = doubled ? kMarkSearchFirstDoubled : kMarkSearchFirst; d <= kMarkSearchLast; ++d) {
        if (IsDataMark(buf.At(p + d))) {
            return buf.At(p + d);
        }
    }
    const int mark = buf.At(p + damindx);
    return IsDataMark(mark) ? mark : buf.At(p + damindx + 1);
}

} // namespace

Form1Logic::Form1Logic(Host& host, const FontMetrics& metrics)
    : surface(metrics, colour::LightGrey), host_(host) {}

bool Form1Logic::OpenFile(const std::string& name) {
    return OpenFileNumber1(file1_, host_, name);
}

void Form1Logic::StartLoad(const std::string& name) {
    Filename = name;
    if (!OpenFile(Filename)) {
        return; // the window keeps what it showed
    }
    TxtFilename.Text = Filename;
    openflag = 1;
    ReadAndCheckFile();
}

void Form1Logic::MnuOpen(const std::string& name) {
    StartLoad(name);
}

void Form1Logic::Form_Activate() {
    if (!host_.SharedFilename.empty()) {
        StartLoad(host_.SharedFilename);
    }
}

void Form1Logic::ReadAndCheckFile() {
    std::vector<std::uint8_t> bytes = file1_.ReadAllAndClose();
    fileend = static_cast<std::int64_t>(bytes.size());
    filebuf = ImageBuffer(std::move(bytes));

    fpa = 0;
    secnum = 0;
    startchk = 0;
    dirstartsec = 0;
    direndsec = 0;
    surface.Cls();
    dmkflag = 0;
    // Every load starts at page 0 with a fresh page table, whatever the layout.
    Pagenum = 0;
    pagepsn.clear();
    pagecounters.clear();
    endflag = 0;
    pageShown_ = false;

    if (StartsWith(filebuf, 0, kJv1Signature, 3)) {
        jv1 = 1;
        pageShown_ = DrawPage();
        return;
    }
    jv1 = 0;

    trkindex = filebuf.At(kDmkTrackLengthOffset) + 256 * filebuf.At(kDmkTrackLengthOffset + 1);
    for (const MapTrackLength& known : kMapTrackLengths) {
        if (trkindex == known.length) {
            dmkflag = 1;
            damindx = known.damindx;
        }
    }

    if (dmkflag == 1) {
        if (StartsWith(filebuf, kDmkRealDiskOffset, kDmkRealDiskSignature, 4)) {
            host_.MsgBox(kRealDiskMessage, kMsgOk, kRefusalTitle);
            return;
        }
        filepsn = kDmkHeaderSize;
        fpa = kDmkHeaderSize;
    } else {
        filepsn = 0;
        fpa = 0;
    }
    pageShown_ = DrawPage();
}

void Form1Logic::DrawSectorPage() {
    DrawPage();
}

bool Form1Logic::DrawPage() {
    surface.Cls();
    if (dmkflag != 0) {
        DrawDmkPage();
        return true;
    }
    if (jv1 != 0) {
        DrawJv1Page();
        return true;
    }
    return DrawJv3Page();
}

void Form1Logic::SavePageStart(std::int64_t start) {
    const auto page = static_cast<std::size_t>(Pagenum);
    if (pagepsn.size() <= page) {
        pagepsn.resize(page + 1);
        pagecounters.resize(page + 1);
    }
    pagepsn[page] = start;
    pagecounters[page] = PageCounters{secnum, startchk, dirstartsec, direndsec};
}

void Form1Logic::RestorePageStart() {
    const auto page = static_cast<std::size_t>(Pagenum);
    if (page >= pagepsn.size()) {
        return;
    }
    filepsn = fpa = pagepsn[page];
    const PageCounters& c = pagecounters[page];
    secnum = c.secnum;
    startchk = c.startchk;
    dirstartsec = c.dirstartsec;
    direndsec = c.direndsec;
}

void Form1Logic::PrintRowLabel(const char* text, int track, int y) {
    surface.CurrentX = maplayout::kLabelX;
    surface.CurrentY = y;
    surface.Print({std::string(text), std::string(track < 10 ? " " : ""), std::int64_t{track}},
                  true);
}

void Form1Logic::PrintDensityLegend(int lineHeight) {
    surface.CurrentX = maplayout::kLabelX;
    surface.CurrentY = maplayout::kSingleLegendLine * lineHeight;
    surface.ForeColor = mapcolour::SingleDensity;
    surface.Print(kMapSingleLegend, true);
    surface.ForeColor = mapcolour::SingleDir;
    surface.Print(kMapSingleDirLegend);
    surface.CurrentX = maplayout::kLabelX;
    surface.CurrentY = maplayout::kDoubleLegendLine * lineHeight;
    surface.ForeColor = mapcolour::DoubleDensity;
    surface.Print(kMapDoubleLegend, true);
}

void Form1Logic::DrawDmkPage() {
    const int h = surface.TextHeight("sample");
    const bool numeric = Option1.Value;
    SavePageStart(fpa);
    endflag = 0;
    Text1.Text = "DMK";

    int prevTrack = 0;
    int prevSide = kDmkNoSide;
    int records = 0;
    int y = maplayout::kRowsTopLines * h;
    int x = maplayout::kDmkFirstColumn;
    int datamark = 0;
    bool lastDoubled = false;

    while (fpa < fileend) {
        const std::int64_t t = fpa;
        // The record's ID-mark offsets, up to the first 0 or one whose ID
        // field lies beyond the end of the file.
        spt = kDmkPointers;
        for (int i = 0; i < kDmkPointers; ++i) {
            const int offset = (filebuf.At(t + 2 * i + 1) & 0x7F) * 256 + filebuf.At(t + 2 * i);
            idoffset[static_cast<std::size_t>(i)] = offset;
            if (offset == 0 || !filebuf.Has(t + offset)) {
                spt = i;
                break;
            }
        }

        for (int j = 0; j < spt; ++j) {
            const std::int64_t p = t + idoffset[static_cast<std::size_t>(j)];
            const bool doubleDensity = (filebuf.At(t + 2 * j + 1) & 0x80) != 0;
            // A Model 1 double-byte sector stores every byte of its ID field twice.
            const bool doubled = filebuf.At(p + 1) == kIdAddressMark;
            const int track = filebuf.At(p + (doubled ? 2 : 1));
            const int sideByte = filebuf.At(p + (doubled ? 4 : 2));
            const int sector = filebuf.At(p + (doubled ? 6 : 3));
            const int sideShown = sideByte == 1 ? 1 : 0;

            if (track != prevTrack || sideByte != prevSide) {
                x = maplayout::kDmkFirstColumn;
                y += maplayout::kRowPitch;
                surface.ForeColor = sideShown == 0 ? mapcolour::RowLabel : colour::Black;
                PrintRowLabel("Trk", track, y);
                surface.Print({std::string(":"), std::int64_t{sideShown}});
            }

            datamark = DataMarkAt(filebuf, p, doubled, damindx);
            if (IsDirectoryMark(datamark)) {
                surface.ForeColor = doubleDensity ? mapcolour::DmkDoubleDir : mapcolour::SingleDir;
            } else {
                surface.ForeColor =
                    doubleDensity ? mapcolour::DoubleDensity : mapcolour::SingleDensity;
            }

            surface.CurrentY = y;
            if (numeric) {
                surface.CurrentX = maplayout::kDmkFirstColumn + maplayout::kColumnPitch * sector;
                sptab = Dec(sector);
                surface.Print({std::string(doubled ? "*" : " "), sptab});
            } else {
                surface.CurrentX = x;
                surface.Print({std::int64_t{sector}});
                x += maplayout::kColumnPitch;
            }
            lastDoubled = doubled;
            ++secnum;
            prevTrack = track;
            prevSide = sideByte;
        }

        ++records;
        fpa = t + trkindex;
        if (records >= kDmkRecordsPerPage) {
            break;
        }
    }

    PrintDensityLegend(h);
    surface.ForeColor = mapcolour::DmkDoubleDir;
    surface.Print({std::string(kMapDmkDoubleDirLegend), Hex(static_cast<std::uint64_t>(datamark)),
                   std::string("h")});
    if (lastDoubled) {
        surface.CurrentX = maplayout::kLabelX;
        surface.CurrentY = maplayout::kNoteLine * h;
        surface.ForeColor = colour::Black;
        surface.Print(kMapDoubleByteNote);
    }
}

bool Form1Logic::DrawJv3Page() {
    if (!Jv3HeaderTest(filebuf, fpa)) {
        host_.MsgBox(kNoHeaderMessage, kMsgOk, kRefusalTitle);
        return false;
    }
    const int h = surface.TextHeight("sample");
    const bool numeric = Option1.Value;
    SavePageStart(filepsn);
    endflag = 0;

    PrintDensityLegend(h);
    surface.ForeColor = mapcolour::DirDoubleLegend;
    surface.Print(kMapDoubleDirLegend, true);
    Text1.Text = "JV3";

    int prevTrack = 0;
    int prevSide = kJv3NoSide;
    int rows = 0;
    int y = maplayout::kRowsTopLines * h;
    int x = maplayout::kJv3FirstColumn;

    for (;;) {
        // The header ends after its last entry, and the file may end sooner.
        if (filepsn > kJv3LastEntry || !filebuf.Has(filepsn, kJv3EntrySize)) {
            endflag = 1;
            break;
        }
        const int flags = filebuf.At(filepsn + 2);
        const int sideBits = flags & kJv3FlagSide1;
        const int sideShown = sideBits == kJv3FlagSide1 ? 1 : 0;
        const int track = filebuf.At(filepsn);
        if (track == kJv3FreeTrack) {
            endflag = 1;
            break;
        }
        if (track != prevTrack || sideBits != prevSide) {
            x = maplayout::kJv3FirstColumn;
            y += maplayout::kRowPitch;
            if (++rows > kJv3RowsPerPage) {
                break;
            }
            surface.ForeColor = track % 2 == 0 ? colour::Black : mapcolour::RowLabel;
            PrintRowLabel("Trk;", track, y);
            surface.ForeColor = sideShown == 1 ? mapcolour::DmkDoubleDir : colour::Black;
            surface.Print({std::string(":"), std::int64_t{sideShown}});
        }

        const bool doubleDensity = (flags & kJv3FlagDoubleDensity) != 0;
        const bool directory = (flags & kJv3FlagDirectoryMark) != 0;
        if (directory) {
            surface.ForeColor = doubleDensity ? mapcolour::Jv3DoubleDir : mapcolour::SingleDir;
            if (startchk == 1) {
                ++direndsec;
            } else {
                dirstartsec = direndsec = secnum;
                startchk = 1;
            }
        } else {
            surface.ForeColor = doubleDensity ? mapcolour::DoubleDensity : mapcolour::SingleDensity;
        }

        const int sector = filebuf.At(filepsn + 1);
        surface.CurrentY = y;
        if (numeric) {
            surface.CurrentX = maplayout::kJv3FirstColumn + maplayout::kColumnPitch * sector;
            surface.Print({std::int64_t{sector}});
        } else {
            surface.CurrentX = x;
            surface.Print({std::int64_t{sector}});
            x += maplayout::kColumnPitch;
        }
        prevTrack = track;
        prevSide = sideBits;
        filepsn += kJv3EntrySize;
        ++secnum;
    }

    if (dirstartsec > 0) {
        surface.CurrentX = maplayout::kDirCountX;
        surface.CurrentY = maplayout::kDirStartY;
        surface.Print({dirstartsec});
        surface.CurrentX = maplayout::kDirCountX;
        surface.CurrentY = maplayout::kDirEndY;
        surface.Print({direndsec});
    }
    return true;
}

void Form1Logic::DrawJv1Page() {
    const int h = surface.TextHeight("sample");
    SavePageStart(fpa);
    endflag = 0;
    PrintDensityLegend(h);
    surface.ForeColor = mapcolour::DirDoubleLegend;
    surface.Print(kMapDoubleDirLegend);
    Text1.Text = "JV1";

    int y = maplayout::kJv1FirstRowLine * h;
    int rows = 0;
    int track = Pagenum == 1 ? kJv1RowsPerPage : 0;
    for (;;) {
        surface.ForeColor = mapcolour::RowLabel;
        PrintRowLabel("Trk", track, y);
        surface.Print({std::string(":"), std::int64_t{0}}, true);
        surface.ForeColor =
            track == kJv1DirectoryTrack ? mapcolour::SingleDir : mapcolour::SingleDensity;
        for (int s = 0; s < kJv1SectorsPerTrack; ++s) {
            surface.CurrentX = maplayout::kJv1FirstColumn + maplayout::kColumnPitch * s;
            surface.CurrentY = y;
            surface.Print({std::int64_t{s}}, true);
        }
        if (++rows >= kJv1RowsPerPage || ++track >= kJv1Tracks) {
            break;
        }
        surface.Print();
        y += maplayout::kRowPitch;
    }
}

void Form1Logic::Redraw() {
    if (!pageShown_) {
        return;
    }
    RestorePageStart();
    DrawPage();
}

void Form1Logic::Form_Resize() {
    if (openflag == 1) {
        Redraw();
    }
}

void Form1Logic::Option1_Click() {
    Option1.Value = true;
    Option2.Value = false;
    if (openflag != 0) {
        Redraw();
    }
}

void Form1Logic::Option2_Click() {
    Option1.Value = false;
    Option2.Value = true;
    if (openflag != 0) {
        Redraw();
    }
}

void Form1Logic::Cmndnext_Click() {
    if (!(fpa < fileend && openflag != 0 && endflag != 1) || !pageShown_) {
        return;
    }
    Pagenum += 1;
    if (jv1 == 1 && Pagenum > 1) {
        Pagenum = 1;
        return;
    }
    // A page that fails the JV3 header test is not shown: stay on the one before.
    if (!DrawPage()) {
        Pagenum -= 1;
    }
}

void Form1Logic::Cmndprev_Click() {
    if (openflag == 0 || !pageShown_) {
        return;
    }
    Pagenum -= 1;
    if (Pagenum < 0) {
        Pagenum = 0;
        return;
    }
    RestorePageStart();
    DrawPage();
}

void Form1Logic::Cmndfiledisp_Click() {
    host_.ShowWindow(WindowId::Mainform);
}

} // namespace ss
