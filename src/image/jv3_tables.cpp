// The main window's sector tables of a JV3 image, from its header entries.
#include "jv3.h"
#include "table_builders.h"

#include <algorithm>
#include <array>
#include <vector>

namespace ss {

namespace {

// A used entry with the position of its data.
struct UsedEntry {
    jv3::Entry e;
    std::int64_t fpa = 0;
};

constexpr int kTrackNumbers = 256;
constexpr int kNoSector = 256;

// What one side of one track holds, over all its entries wherever they stand.
struct TrackSide {
    int count = 0;
    int lowest = kNoSector;
    int highest = -1;
    // Sector indexes the side takes: its sector numbers from the track's
    // lowest on, or its entries when more of them than numbers (a sector written twice).
    int Slots(int trackLowest) const {
        return count == 0 ? 0 : std::max(count, highest - trackLowest + 1);
    }
};

struct TrackInfo {
    std::array<TrackSide, 2> side{};
    int Lowest() const { return std::min(side[0].lowest, side[1].lowest); }
};

// Every used entry, in file order, wherever it stands among the free ones.
std::vector<UsedEntry> UsedEntries(const ImageBuffer& buf) {
    const std::vector<jv3::PlacedEntry> all = jv3::ReadAllEntries(buf);
    std::vector<UsedEntry> used;
    used.reserve(all.size());
    for (const jv3::PlacedEntry& p : all) {
        if (!p.entry.IsFree()) {
            used.push_back(UsedEntry{p.entry, p.dataPos});
        }
    }
    return used;
}

// Per track and side: how many entries, their lowest and highest numbers.
std::array<TrackInfo, kTrackNumbers> CountTracks(const std::vector<UsedEntry>& entries) {
    std::array<TrackInfo, kTrackNumbers> info{};
    for (const UsedEntry& u : entries) {
        TrackSide& ts =
            info[static_cast<std::size_t>(u.e.track)].side[static_cast<std::size_t>(u.e.Side())];
        ++ts.count;
        ts.lowest = std::min(ts.lowest, u.e.sector);
        ts.highest = std::max(ts.highest, u.e.sector);
    }
    return info;
}

// Each track's first sector index, its side-0 slots, and the index slots of
// tracks in ascending order: a track's side-1 sectors follow its side-0
// ones, the next track follows both sides. Tracks without entries take no
// index. Missing slots get the track, side and number they stand for.
void PlaceTracks(ImageState& s, const std::array<TrackInfo, kTrackNumbers>& info) {
    SectorTables& tb = s.tables;
    std::int64_t b = 0;
    for (int t = 0; t < s.tracks; ++t) {
        const TrackInfo& ti = info[static_cast<std::size_t>(t)];
        tb.trkstart.Set(t, static_cast<int>(b));
        tb.trkspt.Set(t, ti.side[0].count);
        if (ti.side[0].count + ti.side[1].count == 0) {
            continue;
        }
        const int lowest = ti.Lowest();
        const int slots0 = ti.side[0].Slots(lowest);
        for (int h = 0; h < 2; ++h) {
            const TrackSide& ts = ti.side[static_cast<std::size_t>(h)];
            const std::int64_t first = b + h * slots0;
            for (int k = 0; k < ts.Slots(lowest); ++k) {
                tb.sectrk.Set(first + k, t);
                tb.secside.Set(first + k, h);
                tb.secno.Set(first + k, lowest + k);
            }
        }
        b += std::max<std::int64_t>(s.sides * slots0, slots0 + ti.side[1].Slots(lowest));
    }
}

// The sector tables, one entry after the other: each sector's index, data
// position, size, mark, density and CRC state; the lowest directory index;
// mixed density.
void FillSectorTables(ImageState& s, const std::vector<UsedEntry>& entries,
                      const std::array<TrackInfo, kTrackNumbers>& info) {
    SectorTables& tb = s.tables;
    std::int64_t m = 100000; // lowest directory index so far
    bool single = false, dual = false;
    for (const UsedEntry& u : entries) {
        const jv3::Entry& e = u.e;
        const TrackInfo& ti = info[static_cast<std::size_t>(e.track)];
        const int lowest = ti.Lowest();
        std::int64_t i = e.sector - lowest + tb.trkstart(e.track);
        if (e.Side() == 1) {
            i += ti.side[0].Slots(lowest);
        }
        tb.secdam.Set(i, e.DirectoryMarkBit());
        tb.secno.Set(i, e.sector);
        tb.sectrk.Set(i, e.track);
        tb.secside.Set(i, e.Side());
        tb.secfpa.Set(i, u.fpa);
        tb.secpresent.Set(i, 1);
        tb.secsize.Set(i, e.Size());
        // A JV3 image keeps no ID field, only whether the data were read with a CRC error.
        tb.seccrc.Set(
            i, SectorCrc{CrcState::NotRecorded, e.CrcError() ? CrcState::Bad : CrcState::Good}
                   .Packed());
        s.secslots = std::max(s.secslots, i + 1);
        if (e.DirectoryMark() && i < m) {
            m = i;
            s.dirstartsec = i;
            s.dirstartsecfnd = 1;
        }
        tb.secdens.Set(i, e.DensityBit());
        (e.DoubleDensity() ? dual : single) = true;
        if (e.CrcError()) {
            ++s.damage.dataCrcErrors;
        }
        if (!s.filebuf.Has(u.fpa, e.Size()) && s.damage.endsInsideTrack < 0) {
            s.damage.endsInsideTrack = e.track;
        }
    }
    s.dens = single && dual ? 3 : dual ? 2 : single ? 1 : 0;
}

// Sector numbers between a track side's lowest and highest that no entry has:
// the slot each such number stands for holds no sector.
void FindMissing(ImageState& s, const std::array<TrackInfo, kTrackNumbers>& info) {
    for (int t = 0; t < s.tracks; ++t) {
        const TrackInfo& ti = info[static_cast<std::size_t>(t)];
        const int lowest = ti.Lowest();
        for (int h = 0; h < 2; ++h) {
            const TrackSide& ts = ti.side[static_cast<std::size_t>(h)];
            const std::int64_t first = s.tables.trkstart(t) + h * ti.side[0].Slots(lowest);
            for (int n = ts.lowest; n <= ts.highest; ++n) {
                if (s.tables.secpresent(first + n - lowest) == 0) {
                    s.damage.missing.push_back({t, h, n});
                }
            }
        }
    }
}

} // namespace

void BuildJv3Tables(ImageState& s) {
    const std::vector<UsedEntry> entries = UsedEntries(s.filebuf);
    const std::array<TrackInfo, kTrackNumbers> info = CountTracks(entries);

    s.tracks = 1;
    s.sides = 1;
    for (const UsedEntry& u : entries) {
        s.tracks = std::max(s.tracks, u.e.track + 1);
        if (u.e.Side() == 1) {
            s.sides = 2;
        }
    }
    PlaceTracks(s, info);
    FillSectorTables(s, entries, info);
    FindMissing(s, info);

    s.Totalsecs = static_cast<int>(entries.size());
    s.spt = s.tables.trkspt(0);
    s.spg = s.spt == 18 ? 6 : 5;
}

} // namespace ss
