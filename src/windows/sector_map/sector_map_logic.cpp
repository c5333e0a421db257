#include "sector_map_logic.h"

#include "image/analysis.h"
#include "image/dmk.h"
#include "image/jv1.h"
#include "image/jv3.h"
#include "image/open_file.h"
#include "surface/numtext.h"

#include <algorithm>
#include <optional>

namespace ss {

namespace {

// The most ID marks the window takes from one DMK track record.
constexpr int kMapPointers = 31;
// The fixed distance from an ID address mark to its data mark, by the density
// the DMK track length stands for.
constexpr int kDamDistanceDouble = 44;
constexpr int kDamDistanceSingle = 24;

// Pages.
constexpr int kDmkRecordsPerPage = 21;
constexpr int kJv3RowsPerPage = 21;
constexpr int kJv1RowsPerPage = 21;

// The side byte a new row is compared with at the start of a page: no real
// side byte, so the first sector always starts a row.
constexpr int kDmkNoSide = 250;
constexpr int kJv3NoSide = 200;

// The data mark of the sector whose ID address mark lies at p: the first
// 0xF8, 0xFA or 0xFB in the search window (found); when there is none, the
// byte at the fixed distance, or the one after it when that is no mark either.
int DataMarkAt(const ImageBuffer& buf, std::int64_t p, std::optional<int> found, int damindx) {
    if (found) {
        return buf.At(p + *found);
    }
    const int mark = buf.At(p + damindx);
    return dmk::IsDataMark(mark) ? mark : buf.At(p + damindx + 1);
}

// True when the CRC of the ID field at p, or of the data field whose mark
// the search found, does not match.
bool DmkSectorDamaged(const ImageBuffer& buf, std::int64_t p, bool doubleDensity, bool doubled,
                      std::optional<int> found) {
    const int stride = doubled ? 2 : 1;
    if (dmk::CheckFieldCrc(buf, p, dmk::kIdFieldBytes, doubleDensity, stride) ==
        dmk::FieldCrc::Bad) {
        return true;
    }
    return found && dmk::CheckFieldCrc(buf, p + *found, dmk::IdSectorSize(buf, p, doubled),
                                       doubleDensity, stride) == dmk::FieldCrc::Bad;
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
    looks_.clear();
    looksStart_ = -1;

    if (jv1::HasSignature(filebuf)) {
        jv1 = 1;
        pageShown_ = DrawPage();
        return OpenResult::Opened();
    }
    jv1 = 0;

    const dmk::Header header = dmk::ReadHeader(filebuf);
    trkindex = header.trackLength;
    if (header.IsDmk()) {
        dmkflag = 1;
        damindx = header.doubleDensity ? kDamDistanceDouble : kDamDistanceSingle;
        // A track length the window does not know says nothing of the
        // density: each track's first ID pointer does.
        damindxByTrack_ = !header.knownTrackLength;
    }

    if (dmkflag == 1) {
        if (header.realDisk) {
            host_.MsgBox(kRealDiskMessage, kMsgOk, kRefusalTitle);
            return OpenResult::Refused(kRealDiskMessage);
        }
        filepsn = dmk::kHeaderSize;
        fpa = dmk::kHeaderSize;
    } else {
        filepsn = 0;
        fpa = 0;
    }
    pageShown_ = DrawPage();
    return pageShown_ ? OpenResult::Opened() : OpenResult::Refused(kNoHeaderMessage);
}

void SectorMapLogic::DrawSectorPage() {
    DrawPage();
}

bool SectorMapLogic::DrawPage() {
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
    const PageCounters& c = pagecounters[page];
    secnum = c.secnum;
    startchk = c.startchk;
    dirstartsec = c.dirstartsec;
    direndsec = c.direndsec;
}

void SectorMapLogic::PrintRowLabel(const char* text, int track, int y) {
    surface.CurrentX = maplayout::kLabelX;
    surface.CurrentY = y;
    surface.Print({std::string(text), std::string(track < 10 ? " " : ""), std::int64_t{track}},
                  true);
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

SectorMapLogic::SectorLook SectorMapLogic::LookAt(std::int64_t p, bool doubleDensity,
                                                  bool doubled) const {
    const std::optional<int> found = dmk::FindDataMark(filebuf, p, doubled);
    return SectorLook{static_cast<std::uint8_t>(DataMarkAt(filebuf, p, found, damindx)),
                      DmkSectorDamaged(filebuf, p, doubleDensity, doubled, found)};
}

void SectorMapLogic::DrawDmkPage() {
    const int h = surface.TextHeight("sample");
    const bool numeric = Option1.Value;
    SavePageStart(fpa);
    if (looksStart_ != fpa) {
        looks_.clear();
        looksStart_ = fpa;
    }
    std::size_t drawn = 0; // sectors of the page drawn so far
    endflag = 0;
    Text1.Text = "DMK";

    int prevTrack = 0;
    int prevSide = kDmkNoSide;
    int records = 0;
    int y = maplayout::kRowsTopLines * h;
    int x = maplayout::kDmkFirstColumn;
    int datamark = 0;
    bool lastDoubled = false;
    damageShown_ = false;
    RowNumbers row;
    bool rowOpen = false;

    while (fpa < fileend) {
        const std::int64_t t = fpa;
        if (damindxByTrack_) {
            damindx = dmk::IdPointer(filebuf, t, 0).doubleDensity ? kDamDistanceDouble
                                                                  : kDamDistanceSingle;
        }
        // The record's ID-mark offsets, up to the first 0 or one whose ID
        // field lies beyond the end of the file.
        spt = kMapPointers;
        for (int i = 0; i < kMapPointers; ++i) {
            const std::int64_t offset = dmk::IdPointer(filebuf, t, i).offset;
            idoffset[static_cast<std::size_t>(i)] = static_cast<int>(offset);
            if (offset == 0 || !filebuf.Has(t + offset)) {
                spt = i;
                break;
            }
        }

        for (int j = 0; j < spt; ++j) {
            const dmk::Pointer pointer = dmk::IdPointer(filebuf, t, j);
            const std::int64_t p = t + pointer.offset;
            // A Model 1 double-byte sector stores every byte of its ID field
            // twice: the window knows one by the second of its two 0xFE bytes.
            const bool doubled = filebuf.At(p + 1) == dmk::kIdAddressMark;
            const int track = dmk::IdTrack(filebuf, p, doubled);
            const int sideByte = dmk::IdSide(filebuf, p, doubled);
            const int sector = dmk::IdSector(filebuf, p, doubled);
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

            if (drawn == looks_.size()) {
                looks_.push_back(LookAt(p, pointer.doubleDensity, doubled));
            }
            const SectorLook look = looks_[drawn++];
            datamark = look.datamark;
            if (look.damaged) {
                surface.ForeColor = mapcolour::Damaged;
                damageShown_ = true;
            } else if (dmk::IsDirectoryMark(datamark)) {
                surface.ForeColor =
                    pointer.doubleDensity ? mapcolour::DmkDoubleDir : mapcolour::SingleDir;
            } else {
                surface.ForeColor =
                    pointer.doubleDensity ? mapcolour::DoubleDensity : mapcolour::SingleDensity;
            }

            surface.CurrentY = y;
            if (numeric) {
                surface.CurrentX = maplayout::kDmkFirstColumn + maplayout::kColumnPitch * sector;
                sptab = Dec(sector);
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
        fpa = t + trkindex;
        if (records >= kDmkRecordsPerPage) {
            break;
        }
    }

    if (rowOpen) {
        DrawMissing(row, numeric);
    }
    PrintDensityLegend(h);
    surface.ForeColor = mapcolour::DmkDoubleDir;
    surface.Print({std::string(kMapDmkDoubleDirLegend), Hex(static_cast<std::uint64_t>(datamark)),
                   std::string("h")});
    PrintDamageLegend(h);
    if (lastDoubled) {
        surface.CurrentX = maplayout::kLabelX;
        surface.CurrentY = maplayout::kNoteLine * h;
        surface.ForeColor = colour::Black;
        surface.Print(kMapDoubleByteNote);
    }
}

bool SectorMapLogic::DrawJv3Page() {
    if (!jv3::FourEqualTrackBytes(filebuf, fpa)) {
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
    damageShown_ = false;
    RowNumbers row;
    bool rowOpen = false;

    for (;;) {
        // The header ends after its last entry, and the file may end sooner.
        // Free entries may stand between used ones (a track formatted again
        // is written at the end of the table): the walk passes over them.
        int n = static_cast<int>(filepsn / jv3::kEntrySize);
        while (jv3::HasEntry(filebuf, n) && jv3::ReadEntry(filebuf, n).IsFree()) {
            ++n;
        }
        if (!jv3::HasEntry(filebuf, n)) {
            endflag = 1;
            break;
        }
        const jv3::Entry entry = jv3::ReadEntry(filebuf, n);
        const int sideBits = entry.flags & jv3::kFlagSide1;
        const int sideShown = entry.Side();
        const int track = entry.track;
        if (track != prevTrack || sideBits != prevSide) {
            if (rowOpen) {
                DrawMissing(row, numeric);
            }
            x = maplayout::kJv3FirstColumn;
            y += maplayout::kRowPitch;
            if (++rows > kJv3RowsPerPage) {
                rowOpen = false;
                break;
            }
            row.Start(x, y);
            rowOpen = true;
            surface.ForeColor = track % 2 == 0 ? colour::Black : mapcolour::RowLabel;
            PrintRowLabel("Trk;", track, y);
            surface.ForeColor = sideShown == 1 ? mapcolour::DmkDoubleDir : colour::Black;
            surface.Print(":", true);
            surface.PrintNumber(sideShown);
        }

        const bool doubleDensity = entry.DoubleDensity();
        if (entry.DirectoryMark()) {
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
        if (entry.CrcError()) {
            surface.ForeColor = mapcolour::Damaged;
            damageShown_ = true;
        }

        const int sector = entry.sector;
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
        prevTrack = track;
        prevSide = sideBits;
        filepsn = jv3::EntryOffset(n + 1);
        ++secnum;
    }
    if (rowOpen) {
        DrawMissing(row, numeric);
    }
    PrintDamageLegend(h);

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

void SectorMapLogic::DrawJv1Page() {
    const int h = surface.TextHeight("sample");
    SavePageStart(fpa);
    endflag = 0;
    PrintDensityLegend(h);
    surface.ForeColor = mapcolour::DirDoubleLegend;
    surface.Print(kMapDoubleDirLegend);
    Text1.Text = "JV1";

    // As many tracks as the file holds, a last part-track as far as it goes.
    const std::int64_t sectors = jv1::SectorsOfLength(fileend);
    const int tracks = static_cast<int>(jv1::TracksOfLength(fileend));
    int y = maplayout::kJv1FirstRowLine * h;
    int rows = 0;
    int track = Pagenum * kJv1RowsPerPage;
    while (track < tracks) {
        surface.ForeColor = mapcolour::RowLabel;
        PrintRowLabel("Trk", track, y);
        surface.Print({std::string(":"), std::int64_t{0}}, true);
        surface.ForeColor =
            track == jv1::kDirectoryTrack ? mapcolour::SingleDir : mapcolour::SingleDensity;
        const std::int64_t onTrack =
            std::min<std::int64_t>(jv1::kSectorsPerTrack, sectors - jv1::SectorIndex(track, 0));
        for (int s = 0; s < onTrack; ++s) {
            surface.CurrentX = maplayout::kJv1FirstColumn + maplayout::kColumnPitch * s;
            surface.CurrentY = y;
            surface.PrintNumber(s, true);
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
        surface.Print({std::int64_t{n}});
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
    const int lastJv1Page = static_cast<int>(
        std::max<std::int64_t>(jv1::TracksOfLength(fileend) - 1, 0) / kJv1RowsPerPage);
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
