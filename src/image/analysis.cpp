#include "analysis.h"

#include "surface/numtext.h"

#include <algorithm>

namespace ss {

const char* const kRealDiskMessage = "** ERROR **  This file is a DMK type REAL disk format,\r"
                                     "                     used to access REAL Disks";
const char* const kNoHeaderMessage = "** ERROR **\r"
                                     " This file does not have an EMULATOR Disk format HEADER\r"
                                     "    It may be a Disk file for use with a dedicated program";

namespace {

constexpr std::int64_t kJv3HeaderSize = 8704;
constexpr int kJv3Entries = 2901;
constexpr std::int64_t kDmkHeaderSize = 16;
constexpr int kDmkMaxPointers = 31;
constexpr std::uint8_t kNewdosMarker = 0xA5;
constexpr int kNewdosMarkerOffset = 239;

bool IsJv1(const ImageBuffer& b) {
    return b.Has(0, 3) && b.At(0) == 0x00 && b.At(1) == 0xFE && b.At(2) == 0x11;
}

// Track length from DMK header bytes 2 and 3; 0 when the file is too short to hold them.
std::int64_t TrackLength(const ImageBuffer& b) {
    return b.Has(0, 4) ? b.At(2) + 256 * b.At(3) : 0;
}

bool IsDmkTrackLength(std::int64_t len) {
    return len == 6400 || len == 6528 || len == 3264;
}

bool IsRealDisk(const ImageBuffer& b) {
    return b.Has(12, 4) && b.At(12) == 0x78 && b.At(13) == 0x56 && b.At(14) == 0x34 &&
           b.At(15) == 0x12;
}

bool HasJv3Header(const ImageBuffer& b) {
    return b.Has(0, 10) && b.At(3) == b.At(0) && b.At(6) == b.At(0) && b.At(9) == b.At(0);
}

} // namespace

void SectorTables::Clear() {
    secfpa.Clear();
    sectrk.Clear();
    secside.Clear();
    secno.Clear();
    secdens.Clear();
    secdam.Clear();
    secsingle.Clear();
    trkstart.Clear();
    trkspt.Clear();
}

int ImageState::DataStride(std::int64_t i) const {
    return (dmkflag == 1 && tables.secdens(i) == 0 && tables.secsingle(i) == 0) ? 2 : 1;
}

Layout RecogniseLayout(const ImageBuffer& buf) {
    if (IsJv1(buf)) {
        return Layout::JV1;
    }
    if (IsDmkTrackLength(TrackLength(buf))) {
        return IsRealDisk(buf) ? Layout::RealDiskDMK : Layout::DMK;
    }
    return HasJv3Header(buf) ? Layout::JV3 : Layout::Unknown;
}

void GetSectorInfo(ImageState& s) {
    const std::int64_t i = s.PresSecnum;
    s.Emtype = s.dmkflag == 0 ? "JV3" : "DMK";
    s.fpa = s.tables.secfpa(i);
    if (s.dmkflag == 0) {
        s.datamarkjv = s.tables.secdam(i);
    } else {
        s.datamarkDmk = s.tables.secdam(i);
    }
    s.trkdens = s.tables.secdens(i);
}

void ReadPdriveEntry(ImageState& s, int stride) {
    const ImageBuffer& buf = s.filebuf;
    const std::int64_t a = s.fpa;
    auto entry = [&](int k) { return buf.At(a + static_cast<std::int64_t>(stride) * k); };

    s.newdosflag = 1;
    s.spg = 5;
    s.spl = 5 * entry(5);

    const int y = entry(2) & 0xFC;
    std::string first = "?";
    if (y == 0x14) {
        first = "E";
    } else if (y == 0x0C) {
        first = "B";
    } else if (y & 4) {
        first = "A";
    } else if (y & 8) {
        first = "D";
    } else if (y & 16) {
        first = "C";
    }
    std::string second = " ";
    if (y & 32) {
        second = "M";
    } else if (y & 64) {
        second = "K";
    } else if (entry(7) & 4) {
        second = "L";
    }
    std::string td = "G";
    switch (entry(4)) {
    case 10:
        td = "A";
        break;
    case 20:
        td = "C";
        break;
    case 18:
        td = "E";
        break;
    default:
        break;
    }
    s.pdrive = "Pdrives:" + std::string(" TI = ") + first + second + "  TD = " + td +
               "  TC =" + DecBlank(entry(3)) + "   SPT =" + DecBlank(entry(4)) +
               "  TSR =" + DecBlank(entry(2) & 3) + "  GPL =" + DecBlank(entry(5)) +
               "  DDSL =" + DecBlank(entry(0)) + "  DDGA =" + DecBlank(entry(9));
    s.fpa = a + 4LL * stride;
}

void BuildJv3Tables(ImageState& s) {
    const ImageBuffer& buf = s.filebuf;
    SectorTables& tb = s.tables;

    // The used entries end at the first free one, after the 2901st, or where
    // the file ends: an entry the file does not hold is not there.
    int used = 0;
    while (used < kJv3Entries && buf.Has(3LL * used, 3) && buf.At(3LL * used) != 0xFF) {
        ++used;
    }
    auto trackOf = [&](int n) { return static_cast<int>(buf.At(3LL * n)); };
    auto sectorOf = [&](int n) { return static_cast<int>(buf.At(3LL * n + 1)); };
    auto flagsOf = [&](int n) { return static_cast<int>(buf.At(3LL * n + 2)); };
    auto sideOf = [&](int n) { return (flagsOf(n) & 0x10) ? 1 : 0; };

    s.tracks = 1;
    s.sides = 1;
    s.dens = 0;

    // Sides: any entry of side 1 makes the disk two-sided.
    for (int n = 0; n < used; ++n) {
        if (sideOf(n) == 1) {
            s.sides = 2;
            break;
        }
    }

    // Tracks and per-track counts, from the side-0 entries.
    {
        int p = 0;
        int k = 0;
        int b = 0;
        for (int n = 0; n < used; ++n) {
            if (sideOf(n) != 0) {
                continue;
            }
            const int t = trackOf(n);
            if (t != p) {
                ++s.tracks;
                b += s.sides * k;
                tb.trkstart.Set(t, b);
                k = 0;
                p = t;
            }
            tb.trkspt.Set(t, k + 1);
            ++k;
        }
    }

    // Each track's lowest sector number over both sides, so that a track
    // numbered from 1 starts at its trkstart slot like one numbered from 0.
    int lowest[256];
    std::fill(std::begin(lowest), std::end(lowest), 256);
    for (int n = 0; n < used; ++n) {
        lowest[trackOf(n)] = std::min(lowest[trackOf(n)], sectorOf(n));
    }

    // Sector tables.
    int n = 0;
    std::int64_t m = 100000;
    int q = flagsOf(0) & 0x80;
    int v = 0;
    for (; n < used; ++n) {
        const int t = trackOf(n);
        const int sec = sectorOf(n);
        const int f = flagsOf(n);
        const int side = sideOf(n);
        std::int64_t i = sec - lowest[t] + tb.trkstart(t);
        if (side == 1) {
            i += tb.trkspt(t);
        }
        tb.secdam.Set(i, f & 0x20);
        tb.secno.Set(i, sec);
        tb.sectrk.Set(i, t);
        tb.secside.Set(i, side);
        tb.secfpa.Set(i, kJv3HeaderSize + 256LL * n);
        if ((f & 0x20) == 32 && i < m) {
            m = i;
            s.dirstartsec = i;
            s.dirstartsecfnd = 1;
        }
        const int d = f & 0x80;
        v = d == 128 ? 2 : 1;
        tb.secdens.Set(i, d);
        if (d != q) {
            s.dens = 3;
        }
        q = d;
    }

    s.Totalsecs = n;
    if (s.dens != 3) {
        s.dens = v;
    }
    s.spt = tb.trkspt(0);
    s.spg = s.spt == 18 ? 6 : 5;
}

namespace {

// The walk over a DMK image's track records: where it stands and what it read last.
struct DmkWalk {
    ImageState& s;
    std::int64_t b = 0;     // sector index of the record's first sector
    std::int64_t g = 10000; // lowest directory index so far
    int r = 0;              // track slot
    int lastSideByte = 0;   // raw side byte of the last ID field read
    int lastTrack = 0;      // track byte of the last ID field read

    struct Field {
        std::int64_t pos = 0; // position of the ID field's first 0xFE byte
        int dens = 0;         // 128 double density, 0 single
        bool doubled = false; // single-density field with every byte stored twice
    };

    // Offsets inside an ID field: a doubled single-density field holds each
    // byte twice; double-density fields and single-density fields stored once
    // hold them once.
    static int TrackOffset(const Field& f) { return f.doubled ? 2 : 1; }
    static int SideOffset(const Field& f) { return f.doubled ? 4 : 2; }
    static int SectorOffset(const Field& f) { return f.doubled ? 6 : 3; }

    void WalkRecord() {
        const ImageBuffer& buf = s.filebuf;
        SectorTables& tb = s.tables;
        const std::int64_t record = s.fpa;

        int w = 20;
        tb.trkstart.Set(r, static_cast<int>(b));

        Field fields[kDmkMaxPointers];
        int count = 0;
        for (int j = 0; j < kDmkMaxPointers; ++j) {
            const std::int64_t p = record + 2LL * j;
            Field f;
            f.pos = record + (buf.At(p) + 256 * (buf.At(p + 1) & 0x7F));
            // A zero pointer ends the list; so does a pointer to an ID field
            // that lies past the end of the file (a cut-off image).
            if (f.pos == record || !buf.Has(f.pos)) {
                break;
            }
            f.dens = buf.At(p + 1) & 0x80;
            f.doubled = f.dens == 0 && buf.At(f.pos) == 0xFE && buf.At(f.pos + 1) == 0xFE;
            fields[count++] = f;
            w = std::min(w, static_cast<int>(buf.At(f.pos + SectorOffset(f))));
        }
        s.spt = count;

        for (int k = 0; k < count; ++k) {
            const Field& f = fields[k];
            const std::int64_t e = f.pos;
            lastSideByte = buf.At(e + SideOffset(f));
            const int side = lastSideByte == 1 ? 1 : 0;
            if (side == 1) {
                s.sides = 2;
            }
            const int sec = buf.At(e + SectorOffset(f));
            const int t = buf.At(e + TrackOffset(f));
            lastTrack = t;
            tb.trkspt.Set(t, s.spt);
            const std::int64_t i = b + sec - w;

            // The data mark: the first 0xF8, 0xFA or 0xFB from offset 10 on
            // (14 on for a doubled field, whose CRC fills offsets 10 to 13).
            int m = f.doubled ? 14 : 10;
            for (; m <= 50; ++m) {
                const int byte = buf.At(e + m);
                if (byte == 0xF8 || byte == 0xFA || byte == 0xFB) {
                    break;
                }
            }
            const int mark = buf.At(e + std::min(m, 50));

            if ((mark == 0xF8 || mark == 0xFA) && i < g) {
                g = i;
                s.dirstartsec = i;
                s.dirstartsecfnd = 1;
            }
            tb.secdam.Set(i, mark);
            tb.secno.Set(i, sec);
            tb.sectrk.Set(i, t);
            tb.secside.Set(i, side);
            tb.secdens.Set(i, f.dens);
            tb.secsingle.Set(i, f.dens == 0 && !f.doubled ? 1 : 0);
            tb.secfpa.Set(i, e + m + (f.doubled ? 2 : 1));
            ++s.Totalsecs;
        }

        if (w == 1) {
            s.firstsecnum = 1;
        }
        b += count;
        s.fpa += s.trklength;
        if (lastSideByte == 0) {
            ++r;
        }
    }
};

} // namespace

void BuildDmkTables(ImageState& s) {
    const ImageBuffer& buf = s.filebuf;
    s.tracks = buf.At(1);
    s.fpa = kDmkHeaderSize;
    s.sides = 1;
    s.Totalsecs = 0;
    s.dirstartsecfnd = 0;

    DmkWalk walk{s};
    // The walk ends on the last track's record, or where the file ends.
    while (buf.Has(s.fpa)) {
        walk.WalkRecord();
        if (walk.lastTrack >= s.tracks - 1) {
            break;
        }
    }

    // A two-sided image ends on the last cylinder's side 0; its side 1 is the
    // record after it. Walk that one too when the file holds it whole, keeping
    // the disk's sectors per track as the side-0 record gave them.
    if (s.sides == 2 && walk.lastSideByte == 0 && walk.lastTrack >= s.tracks - 1 &&
        buf.Has(s.fpa, s.trklength)) {
        const int keptSpt = s.spt;
        const int keptTrack = walk.lastTrack;
        const int keptTrkspt = s.tables.trkspt(keptTrack);
        walk.WalkRecord();
        s.spt = keptSpt;
        s.tables.trkspt.Set(keptTrack, keptTrkspt);
    }
}

AnalysisResult AnalyseImage(ImageState& s, std::vector<std::uint8_t> bytes) {
    // Load.
    s.fileend = static_cast<std::int64_t>(bytes.size());
    s.filebuf = ImageBuffer(std::move(bytes));
    const ImageBuffer& buf = s.filebuf;
    SectorTables& tb = s.tables;

    // Clear and reset.
    s.fpa = 0;
    s.firstsecnum = 0;
    s.datamarkDmk = 0;
    s.datamarkjv = 0;
    s.dmkflag = 0;
    s.jv3flag = 0;
    s.jv1 = IsJv1(buf) ? 1 : 0;

    if (s.jv1 == 1) {
        tb.Clear();
        s.dens = 1;
        s.dmkflag = 0;
        s.sides = 1;
        s.spt = 10;
        s.sda = " Single/Sided";
        s.dirstartsec = 170;
        s.dd = " Single/Density";
        s.PresSecnum = 0;
        s.Emtype = "JV1";
        s.Totalsecs = 350;
        s.tracks = 35;
        s.dirstartsecfnd = 1;
        s.fpa = 512;
        s.newdosflag = 0;
        if (buf.At(s.fpa + kNewdosMarkerOffset) == kNewdosMarker) {
            ReadPdriveEntry(s);
            s.spgaa = "   Spg =" + DecBlank(s.spg);
        }
        return AnalysisResult::Shown;
    }

    s.trklength = TrackLength(buf);
    s.spg = 5;
    if (s.trklength == 6400 || s.trklength == 6528) {
        s.dmkflag = 1;
        s.dens = 2;
        s.spg = 6;
    } else if (s.trklength == 3264) {
        s.dmkflag = 1;
        s.dens = 1;
        s.spg = 5;
    }

    if (s.dmkflag == 1) {
        if (IsRealDisk(buf)) {
            return AnalysisResult::RefusedRealDisk;
        }
        tb.Clear();
        s.dirstartsec = 0;
        BuildDmkTables(s);
    } else {
        s.jv3flag = 1;
        s.dirstartsecfnd = 0;
        if (!HasJv3Header(buf)) {
            return AnalysisResult::RefusedNoHeader;
        }
        tb.Clear();
        s.dirstartsec = 0;
        BuildJv3Tables(s);
    }

    // Common tail.
    s.PresSecnum = 0;
    s.dd = " Single/Density";
    if (s.dens == 2) {
        s.dd = " Double/Density";
    }
    if (s.dens == 3) {
        s.dd = " Dual/Density";
    }
    s.sda = s.sides == 2 ? " Double/Sided" : " Single/Sided";
    s.Emtype = s.dmkflag == 1 ? "DMK" : "JV3";

    // Probe track 0 sector 2, then track 1 sector 2, for the drive-parameter marker.
    static constexpr int kProbeTracks[] = {0, 1};
    for (int probeTrack : kProbeTracks) {
        s.TrkToFind = probeTrack;
        s.SecToFind = 2;
        s.SideToFind = 0;
        const std::int64_t remembered = s.PresSecnum;
        s.PresSecnum = tb.trkstart(s.TrkToFind) + s.SecToFind;
        GetSectorInfo(s);
        const int stride = s.DataStride(s.PresSecnum);
        s.PresSecnum = remembered;
        s.newdosflag = 0;
        if (buf.At(s.fpa + static_cast<std::int64_t>(stride) * kNewdosMarkerOffset) ==
            kNewdosMarker) {
            ReadPdriveEntry(s, stride);
            break;
        }
    }

    s.spgaa = "   Spg =" + DecBlank(s.spg);
    return AnalysisResult::Shown;
}

} // namespace ss
