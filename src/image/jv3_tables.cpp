// The main window's sector tables of a JV3 image, from its header entries.
#include "jv3.h"
#include "table_builders.h"

#include <algorithm>
#include <array>
#include <vector>

namespace ss {

namespace {

// Any entry of side 1 makes the disk two-sided.
int CountSides(const std::vector<jv3::Entry>& entries) {
    for (const jv3::Entry& e : entries) {
        if (e.Side() == 1) {
            return 2;
        }
    }
    return 1;
}

// Tracks and per-track counts from the side-0 entries: a track starts where
// the track number changes, its first sector index after both sides of the
// track before it.
void CountTracks(ImageState& s, const std::vector<jv3::Entry>& entries) {
    SectorTables& tb = s.tables;
    int p = 0; // previous track
    int k = 0; // sectors counted on it so far
    int b = 0; // sector index where it starts
    for (const jv3::Entry& e : entries) {
        if (e.Side() != 0) {
            continue;
        }
        if (e.track != p) {
            ++s.tracks;
            b += s.sides * k;
            tb.trkstart.Set(e.track, b);
            k = 0;
            p = e.track;
        }
        tb.trkspt.Set(e.track, k + 1);
        ++k;
    }
}

// Each track's lowest sector number over both sides, so that a track
// numbered from 1 starts at its trkstart slot like one numbered from 0.
std::array<int, 256> LowestSectors(const std::vector<jv3::Entry>& entries) {
    std::array<int, 256> lowest;
    lowest.fill(256);
    for (const jv3::Entry& e : entries) {
        lowest[static_cast<std::size_t>(e.track)] =
            std::min(lowest[static_cast<std::size_t>(e.track)], e.sector);
    }
    return lowest;
}

// The sector tables, one entry after the other: each sector's index, data
// position, mark and density; the lowest directory index; mixed density.
void FillSectorTables(ImageState& s, const std::vector<jv3::Entry>& entries,
                      const std::array<int, 256>& lowest) {
    SectorTables& tb = s.tables;
    std::int64_t m = 100000;                           // lowest directory index so far
    int q = jv3::ReadEntry(s.filebuf, 0).DensityBit(); // previous density bit
    int v = 0;                                         // density code of the last entry
    for (int n = 0; n < static_cast<int>(entries.size()); ++n) {
        const jv3::Entry& e = entries[static_cast<std::size_t>(n)];
        std::int64_t i =
            e.sector - lowest[static_cast<std::size_t>(e.track)] + tb.trkstart(e.track);
        if (e.Side() == 1) {
            i += tb.trkspt(e.track);
        }
        tb.secdam.Set(i, e.DirectoryMarkBit());
        tb.secno.Set(i, e.sector);
        tb.sectrk.Set(i, e.track);
        tb.secside.Set(i, e.Side());
        tb.secfpa.Set(i, jv3::DataOffset(n));
        if (e.DirectoryMark() && i < m) {
            m = i;
            s.dirstartsec = i;
            s.dirstartsecfnd = 1;
        }
        const int d = e.DensityBit();
        v = e.DoubleDensity() ? 2 : 1;
        tb.secdens.Set(i, d);
        if (d != q) {
            s.dens = 3;
        }
        q = d;
    }
    if (s.dens != 3) {
        s.dens = v;
    }
}

} // namespace

void BuildJv3Tables(ImageState& s) {
    std::vector<jv3::Entry> entries(static_cast<std::size_t>(jv3::CountUsedEntries(s.filebuf)));
    for (std::size_t n = 0; n < entries.size(); ++n) {
        entries[n] = jv3::ReadEntry(s.filebuf, static_cast<int>(n));
    }

    s.tracks = 1;
    s.sides = CountSides(entries);
    s.dens = 0;
    CountTracks(s, entries);
    FillSectorTables(s, entries, LowestSectors(entries));

    s.Totalsecs = static_cast<int>(entries.size());
    s.spt = s.tables.trkspt(0);
    s.spg = s.spt == 18 ? 6 : 5;
}

} // namespace ss
