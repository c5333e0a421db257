#include "sector_map_logic.h"

#include "image/analysis.h"
#include "image/open_file.h"
#include "surface/numtext.h"

#include <algorithm>
#include <charconv>

namespace ss {

namespace {

// The most ID marks the window takes from one DMK track record: all a
// record's pointer table holds.
constexpr std::size_t kMapPointers = dmk::kPointers;

// Pages.
constexpr int kDmkRecordsPerPage = 21;
constexpr int kJv3RowsPerPage = 21;
constexpr int kJv1RowsPerPage = 21;

// The side a new row is compared with at the start of a page: no real side,
// so the first sector always starts a row.
constexpr int kNoSide = -1;

// The sectors of a DMK track record the window takes: those of its ID
// pointers up to the first that ends the table or names a place past the end
// of the file (the model passes over such a pointer, so the first sector
// whose pointer is not the next one), at most kMapPointers.
std::size_t MappedSectors(const disk::Track& record) {
    const std::size_t most = std::min(record.sectors.size(), kMapPointers);
    std::size_t n = 0;
    while (n < most && record.sectors[n].entry == static_cast<int>(n)) {
        ++n;
    }
    return n;
}

} // namespace

SectorMapLogic::SectorMapLogic(Host& host, const FontMetrics& metrics)
    : surface(metrics, colour::LightGrey), host_(host) {}

bool SectorMapLogic::OpenFile(const std::string& name) {
    return OpenFileNumber1(file1_, host_, name);
}

OpenResult SectorMapLogic::StartLoad(const std::string& name) {
    Filename = name;
    if (!OpenFile(Filename)) {
        return OpenResult::CannotOpen(
            CannotOpenReason(Filename)); // the window keeps what it showed
    }
    TxtFilename.Text = Filename;
    openflag = 1;
    return ReadAndCheckFile();
}

OpenResult SectorMapLogic::MnuOpen(const std::string& name) {
    return StartLoad(name);
}

void SectorMapLogic::Form_Activate() {
    if (!host_.SharedFilename.empty()) {
        StartLoad(host_.SharedFilename);
    }
}

OpenResult SectorMapLogic::ReadAndCheckFile() {
    {
        std::vector<std::uint8_t> bytes = file1_.ReadAllAndClose();
        fileend = static_cast<std::int64_t>(bytes.size());
        // The window reloads its file each time it is activated: the same
        // bytes make the same disk.
        if (!diskRead_ || bytes != filebuf.Bytes()) {
            filebuf = ImageBuffer(std::move(bytes));
            disk_ = disk::ReadDisk(filebuf, disk::Depth::Shown);
            diskRead_ = true;
        }
    }

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
    shown_.reset();

    if (disk_.layout == Layout::JV1) {
        jv1 = 1;
        pageShown_ = DrawPage();
        return OpenResult::Opened();
    }
    jv1 = 0;

    trkindex = disk_.header.dmk.trackLength;
    if (disk_.layout == Layout::DMK || disk_.layout == Layout::RealDiskDMK) {
        dmkflag = 1;
        if (disk_.layout == Layout::RealDiskDMK) {
            host_.MsgBox(kRealDiskMessage, kMsgOk, kRefusalTitle);
            return OpenResult::Refused(kRealDiskMessage);
        }
        // The first track record, or past the end when the file holds none.
        fpa = disk_.tracks.empty() ? fileend : disk_.tracks.front().pos;
    }
    filepsn = 0;
    pageShown_ = DrawPage();
    return pageShown_ ? OpenResult::Opened() : OpenResult::Refused(kNoHeaderMessage);
}

void SectorMapLogic::DrawSectorPage() {
    DrawPage();
}

SectorMapLogic::WalkState SectorMapLogic::Walk() const {
    return WalkState{fpa, filepsn, secnum, startchk, dirstartsec, direndsec};
}

void SectorMapLogic::SetWalk(const WalkState& w) {
    fpa = w.fpa;
    filepsn = w.filepsn;
    secnum = w.secnum;
    startchk = w.startchk;
    dirstartsec = w.dirstartsec;
    direndsec = w.direndsec;
}

bool SectorMapLogic::DrawPage() {
    const ShownPage page{Pagenum, Option1.Value, Walk()};
    // The surface still shows what this walk would draw (nothing has been
    // drawn since it drew the same page from the same state): the walk
    // ends as it ended then, and the page stays as it is.
    if (shown_ && shown_->page == page && shown_->revision == surface.Revision()) {
        SavePageStart(dmkflag == 0 && jv1 == 0 ? filepsn : fpa);
        SetWalk(shown_->after);
        endflag = shown_->endflag;
        Text1.Text = LayoutName(disk_.layout);
        return true;
    }
    shown_.reset();
    surface.Cls();
    if (dmkflag != 0) {
        DrawDmkPage();
    } else if (jv1 != 0) {
        DrawJv1Page();
    } else if (!DrawJv3Page()) {
        return false;
    }
    shown_ = Shown{page, Walk(), endflag, surface.Revision()};
    return true;
}

void SectorMapLogic::SavePageStart(std::int64_t start) {
    const auto page = static_cast<std::size_t>(Pagenum);
    if (pagepsn.size() <= page) {
        pagepsn.resize(page + 1);
        pagecounters.resize(page + 1);
    }
    pagepsn[page] = start;
    pagecounters[page] = PageCounters{secnum, startchk, dirstartsec, direndsec};
}

void SectorMapLogic::RestorePageStart() {
    const auto page = static_cast<std::size_t>(Pagenum);
    if (page >= pagepsn.size()) {
        return;
    }
    filepsn = fpa = pagepsn[page];
    if (dmkflag == 0 && jv1 == 0) {
        // JV3: the page starts at a row; the header test reads from its
        // first entry (from entry 0 on the first page).
        const auto row = static_cast<std::size_t>(filepsn);
        fpa = row == 0 || row >= disk_.tracks.size() || disk_.tracks[row].sectors.empty()
                  ? 0
                  : disk_.tracks[row].sectors.front().entry;
    }
    const PageCounters& c = pagecounters[page];
    secnum = c.secnum;
    startchk = c.startchk;
    dirstartsec = c.dirstartsec;
    direndsec = c.direndsec;
}

void SectorMapLogic::PrintRowLabel(const char* text, int track, int y) {
    surface.CurrentX = maplayout::kLabelX;
    surface.CurrentY = y;
    surface.Print(text, true);
    surface.Print(track < 10 ? " " : "", true);
    surface.PrintNumber(track, true);
}

void SectorMapLogic::PrintDensityLegend(int lineHeight) {
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

void SectorMapLogic::DrawDmkPage() {
    const int h = surface.TextHeight("sample");
    const bool numeric = Option1.Value;
    SavePageStart(fpa);
    endflag = 0;
    Text1.Text = "DMK";

    int prevTrack = 0;
    int prevSide = kNoSide;
    int records = 0;
    int y = maplayout::kRowsTopLines * h;
    int x = maplayout::kDmkFirstColumn;
    int datamark = 0;
    bool lastDoubled = false;
    damageShown_ = false;
    RowNumbers row;
    bool rowOpen = false;

    // The records the header counts (tracks of each side) that the file holds.
    const std::vector<disk::Track>& tracks = disk_.tracks;
    const auto counted =
        tracks.begin() + static_cast<std::ptrdiff_t>(std::min(
                             tracks.size(), static_cast<std::size_t>(disk_.header.dmk.tracks) *
                                                static_cast<std::size_t>(disk_.header.dmkHeads)));
    auto record =
        std::lower_bound(tracks.begin(), counted, fpa,
                         [](const disk::Track& t, std::int64_t pos) { return t.pos < pos; });
    for (; record != counted; ++record) {
        const std::size_t mapped = MappedSectors(*record);
        for (std::size_t j = 0; j < mapped; ++j) {
            const disk::Sector& s = record->sectors[j];
            const disk::MapReading& m = s.sectorMap;
            // A Model 1 double-byte sector stores every byte of its ID field
            // twice: the window knows one by the second of its two 0xFE bytes.
            const bool doubled = s.idMarkTwice;
            const int track = m.cylinder;
            const int sideByte = m.head;
            const int sector = m.sector;
            const int sideShown = sideByte == 1 ? 1 : 0;

            if (track != prevTrack || sideByte != prevSide) {
                if (rowOpen) {
                    DrawMissing(row, numeric);
                }
                x = maplayout::kDmkFirstColumn;
                y += maplayout::kRowPitch;
                row.Start(x, y);
                rowOpen = true;
                surface.ForeColor = sideShown == 0 ? mapcolour::RowLabel : colour::Black;
                PrintRowLabel("Trk", track, y);
                surface.Print(":", true);
                surface.PrintNumber(sideShown);
            }

            datamark = m.dataMark;
            if (m.crc.AnyBad()) {
                surface.ForeColor = mapcolour::Damaged;
                damageShown_ = true;
            } else if (m.directoryMark) {
                surface.ForeColor =
                    s.doubleDensity ? mapcolour::DmkDoubleDir : mapcolour::SingleDir;
            } else {
                surface.ForeColor =
                    s.doubleDensity ? mapcolour::DoubleDensity : mapcolour::SingleDensity;
            }

            surface.CurrentY = y;
            if (numeric) {
                surface.CurrentX = maplayout::kDmkFirstColumn + maplayout::kColumnPitch * sector;
                // Its digits written into the kept text: a page has hundreds.
                char digits[8];
                sptab.assign(digits, std::to_chars(digits, digits + sizeof digits, sector).ptr);
                surface.Print(doubled ? "*" : " ", true);
                surface.Print(sptab);
            } else {
                surface.CurrentX = x;
                surface.PrintNumber(sector);
                x += maplayout::kColumnPitch;
            }
            row.Add(sector);
            row.x = x;
            lastDoubled = doubled;
            ++secnum;
            prevTrack = track;
            prevSide = sideByte;
        }

        ++records;
        fpa = record->pos + trkindex;
        if (records >= kDmkRecordsPerPage) {
            break;
        }
    }
    // Past the last record the header counts there is no further page.
    if (record == counted || std::next(record) == counted) {
        endflag = 1;
    }

    if (rowOpen) {
        DrawMissing(row, numeric);
    }
    PrintDensityLegend(h);
    surface.ForeColor = mapcolour::DmkDoubleDir;
    surface.Print(kMapDmkDoubleDirLegend, true);
    surface.Print(Hex(static_cast<std::uint64_t>(datamark)), true);
    surface.Print("h");
    PrintDamageLegend(h);
    if (lastDoubled) {
        surface.CurrentX = maplayout::kLabelX;
        surface.CurrentY = maplayout::kNoteLine * h;
        surface.ForeColor = colour::Black;
        surface.Print(kMapDoubleByteNote);
    }
}

bool SectorMapLogic::DrawJv3Page() {
    if (!disk_.header.jv3Plausible || !disk_.header.Jv3HeaderTestAt(fpa)) {
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

    int rows = 0;
    int y = maplayout::kRowsTopLines * h;
    int x = maplayout::kJv3FirstColumn;
    damageShown_ = false;
    RowNumbers row;
    bool rowOpen = false;

    // One row per track side, in track and side order, with all its sectors
    // in the order of their header entries, wherever the entries stand (a
    // track formatted again is written where free entries are). filepsn is
    // the row the page goes on from.
    const std::vector<disk::Track>& tracks = disk_.tracks;
    for (;; ++filepsn) {
        if (filepsn >= static_cast<std::int64_t>(tracks.size())) {
            endflag = 1;
            break;
        }
        if (rowOpen) {
            DrawMissing(row, numeric);
        }
        x = maplayout::kJv3FirstColumn;
        y += maplayout::kRowPitch;
        if (++rows > kJv3RowsPerPage) {
            rowOpen = false;
            break;
        }
        const disk::Track& t = tracks[static_cast<std::size_t>(filepsn)];
        row.Start(x, y);
        rowOpen = true;
        surface.ForeColor = t.cylinder % 2 == 0 ? colour::Black : mapcolour::RowLabel;
        PrintRowLabel("Trk;", t.cylinder, y);
        surface.ForeColor = t.head == 1 ? mapcolour::DmkDoubleDir : colour::Black;
        surface.Print(":", true);
        surface.PrintNumber(t.head);

        for (const disk::Sector& s : t.sectors) {
            if (s.directoryMark) {
                surface.ForeColor =
                    s.doubleDensity ? mapcolour::Jv3DoubleDir : mapcolour::SingleDir;
                if (startchk == 1) {
                    ++direndsec;
                } else {
                    dirstartsec = direndsec = secnum;
                    startchk = 1;
                }
            } else {
                surface.ForeColor =
                    s.doubleDensity ? mapcolour::DoubleDensity : mapcolour::SingleDensity;
            }
            if (s.crc.data == CrcState::Bad) {
                surface.ForeColor = mapcolour::Damaged;
                damageShown_ = true;
            }

            const int sector = s.sector;
            surface.CurrentY = y;
            if (numeric) {
                surface.CurrentX = maplayout::kJv3FirstColumn + maplayout::kColumnPitch * sector;
                surface.PrintNumber(sector);
            } else {
                surface.CurrentX = x;
                surface.PrintNumber(sector);
                x += maplayout::kColumnPitch;
            }
            row.Add(sector);
            row.x = x;
            ++secnum;
        }
    }
    if (rowOpen) {
        DrawMissing(row, numeric);
    }
    PrintDamageLegend(h);

    if (dirstartsec > 0) {
        surface.CurrentX = maplayout::kDirCountX;
        surface.CurrentY = maplayout::kDirStartY;
        surface.PrintNumber(dirstartsec);
        surface.CurrentX = maplayout::kDirCountX;
        surface.CurrentY = maplayout::kDirEndY;
        surface.PrintNumber(direndsec);
    }
    return true;
}

void SectorMapLogic::DrawJv1Page() {
    const int h = surface.TextHeight("sample");
    SavePageStart(fpa);
    endflag = 0;
    PrintDensityLegend(h);
    surface.ForeColor = mapcolour::DirDoubleLegend;
    surface.Print(kMapDoubleDirLegend);
    Text1.Text = "JV1";

    // As many tracks as the file holds, a last part-track as far as it goes.
    const int tracks = static_cast<int>(disk_.tracks.size());
    int y = maplayout::kJv1FirstRowLine * h;
    int rows = 0;
    int track = Pagenum * kJv1RowsPerPage;
    while (track < tracks) {
        const disk::Track& t = disk_.tracks[static_cast<std::size_t>(track)];
        surface.ForeColor = mapcolour::RowLabel;
        PrintRowLabel("Trk", t.cylinder, y);
        surface.Print(":", true);
        surface.PrintNumber(0, true);
        // The directory track's row in the colour of directory sectors.
        const bool directory = !t.sectors.empty() && t.sectors.front().directoryMark;
        surface.ForeColor = directory ? mapcolour::SingleDir : mapcolour::SingleDensity;
        for (std::size_t s = 0; s < t.sectors.size(); ++s) {
            surface.CurrentX =
                maplayout::kJv1FirstColumn + maplayout::kColumnPitch * static_cast<int>(s);
            surface.CurrentY = y;
            surface.PrintNumber(t.sectors[s].sector, true);
        }
        if (++rows >= kJv1RowsPerPage || ++track >= tracks) {
            break;
        }
        surface.Print();
        y += maplayout::kRowPitch;
    }
}

void SectorMapLogic::RowNumbers::Add(int sector) {
    seen[static_cast<std::size_t>(sector & 0xFF)] = true;
    lowest = std::min(lowest, sector);
    highest = std::max(highest, sector);
}

void SectorMapLogic::DrawMissing(const RowNumbers& row, bool numeric) {
    int x = row.x;
    for (int n = row.lowest + 1; n < row.highest; ++n) {
        if (row.seen[static_cast<std::size_t>(n)]) {
            continue;
        }
        damageShown_ = true;
        surface.ForeColor = mapcolour::Missing;
        surface.CurrentY = row.y;
        if (numeric) {
            surface.CurrentX = row.firstColumn + maplayout::kColumnPitch * n;
        } else {
            surface.CurrentX = x;
            x += maplayout::kColumnPitch;
        }
        surface.PrintNumber(n);
    }
}

// The colours of damaged and missing sectors, on a page that shows one.
void SectorMapLogic::PrintDamageLegend(int lineHeight) {
    if (!damageShown_) {
        return;
    }
    surface.CurrentX = maplayout::kLabelX;
    surface.CurrentY = maplayout::kDamageLegendLine * lineHeight;
    surface.ForeColor = mapcolour::Damaged;
    surface.Print(kMapDamagedLegend, true);
    surface.ForeColor = mapcolour::Missing;
    surface.Print(kMapMissingLegend);
}

void SectorMapLogic::Redraw() {
    if (!pageShown_) {
        return;
    }
    RestorePageStart();
    DrawPage();
}

void SectorMapLogic::Form_Resize() {
    if (openflag == 1) {
        Redraw();
    }
}

void SectorMapLogic::Option1_Click() {
    Option1.Value = true;
    Option2.Value = false;
    if (openflag != 0) {
        Redraw();
    }
}

void SectorMapLogic::Option2_Click() {
    Option1.Value = false;
    Option2.Value = true;
    if (openflag != 0) {
        Redraw();
    }
}

void SectorMapLogic::Cmndnext_Click() {
    if (!(fpa < fileend && openflag != 0 && endflag != 1) || !pageShown_) {
        return;
    }
    Pagenum += 1;
    const int lastJv1Page =
        std::max(static_cast<int>(disk_.tracks.size()) - 1, 0) / kJv1RowsPerPage;
    if (jv1 == 1 && Pagenum > lastJv1Page) {
        Pagenum = lastJv1Page;
        return;
    }
    // A page that fails the JV3 header test is not shown: stay on the one before.
    if (!DrawPage()) {
        Pagenum -= 1;
    }
}

void SectorMapLogic::Cmndprev_Click() {
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

void SectorMapLogic::Cmndfiledisp_Click() {
    host_.ShowWindow(WindowId::MainWindow);
}

} // namespace ss
