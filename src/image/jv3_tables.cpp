// The main window's sector tables of a JV3 image, from the sectors of its
// header entries.
#include "table_builders.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace ss {

namespace {

constexpr int kTrackNumbers = 256;

// What one side of one track holds, over all its entries wherever they stand.
struct TrackSide {
    const disk::Track* track = nullptr;
    int count = 0;
    int slots = 0; // the indexes it takes (NumberPlaces)
    int lowest = 0, highest = -1;
};

struct TrackInfo {
    std::array<TrackSide, 2> side{};
};

// Where the sectors of one track side take their indexes.
NumberPlaces PlacesOf(const disk::Track& t) {
    NumberPlaces places;
    for (const disk::Sector& s : t.sectors) {
        places.Count(s.sector);
    }
    places.Arrange();
    return places;
}

// Per track and side: its sectors, how many, the indexes they take.
std::array<TrackInfo, kTrackNumbers> CountTracks(const disk::Disk& disk) {
    std::array<TrackInfo, kTrackNumbers> info{};
    for (const disk::Track& t : disk.tracks) {
        TrackSide& ts =
            info[static_cast<std::size_t>(t.cylinder)].side[static_cast<std::size_t>(t.head)];
        ts.track = &t;
        ts.count = static_cast<int>(t.sectors.size());
        const NumberPlaces places = PlacesOf(t);
        ts.slots = places.Slots();
        ts.lowest = places.Lowest();
        ts.highest = places.Highest();
    }
    return info;
}

// Each track's first sector index and its side-0 sectors: a track's side-1
// sectors follow its side-0 ones, the next track follows both sides. Tracks
// without entries take no index.
void PlaceTracks(ImageAnalysis& a, const std::array<TrackInfo, kTrackNumbers>& info) {
    SectorTables& tb = a.tables;
    std::int64_t b = 0;
    for (int t = 0; t < a.tracks; ++t) {
        const TrackInfo& ti = info[static_cast<std::size_t>(t)];
        tb.SetTrackStart(t, b);
        tb.SetSectorsOnTrack(t, ti.side[0].count);
        const int slots0 = ti.side[0].slots;
        b += std::max<std::int64_t>(a.sides * slots0, slots0 + ti.side[1].slots);
    }
}

// The sectors into the tables, track by track, each side's by index (two
// entries of one number at consecutive indexes); the lowest directory index;
// the damage the entries record.
void FillSectorTables(ImageAnalysis& a, const std::array<TrackInfo, kTrackNumbers>& info) {
    SectorTables& tb = a.tables;
    std::int64_t m = 100000; // lowest directory index so far
    bool single = false, dual = false;
    int firstCutOff = std::numeric_limits<int>::max(); // entry number of the first cut off
    std::vector<int> counts;
    for (int t = 0; t < a.tracks; ++t) {
        const TrackInfo& ti = info[static_cast<std::size_t>(t)];
        for (int h = 0; h < 2; ++h) {
            const TrackSide& ts = ti.side[static_cast<std::size_t>(h)];
            if (ts.track == nullptr) {
                continue;
            }
            counts.push_back(ts.count);
            const std::int64_t first = tb.TrackStart(t) + (h == 1 ? ti.side[0].slots : 0);
            NumberPlaces places = PlacesOf(*ts.track);
            for (const disk::Sector& s : ts.track->sectors) {
                const std::int64_t i = first + places.Place(s.sector);
                tb.Add(IndexedFrom(s, i, t, h));

                a.indexes = std::max(a.indexes, i + 1);
                if (s.directoryMark && i < m) {
                    m = i;
                    a.directoryStart = i;
                    a.directoryFound = true;
                }
                (s.doubleDensity ? dual : single) = true;
                a.damage.dataCrcErrors += s.crc.data == CrcState::Bad ? 1 : 0;
                if (!s.dataInFile && s.entry < firstCutOff) {
                    firstCutOff = s.entry;
                    a.damage.endsInsideTrack = t;
                }
                ++a.totalSectors;
            }
            tb.EndGroup();
            NoteNumbers(a, places, first, t, h);
        }
        // On a two-sided disk a track's side 1 has as many indexes as its
        // side 0: those its sectors do not take stand for the side-1 numbers
        // after its highest (from side 0's lowest when it has none).
        const TrackSide& s0 = ti.side[0];
        const TrackSide& s1 = ti.side[1];
        if (a.sides == 2 && s1.slots < s0.slots) {
            tb.AddRun(tb.TrackStart(t) + s0.slots + s1.slots, s0.slots - s1.slots, t, 1,
                      s1.count == 0 ? s0.lowest : s1.highest + 1);
        }
    }
    a.density = single && dual ? Density::Dual
                : dual         ? Density::Double
                : single       ? Density::Single
                               : Density::None;
    a.sectorsPerTrack = MostCommonCount(counts);
}

} // namespace

void BuildJv3Tables(const disk::Disk& disk, ImageAnalysis& a) {
    const std::array<TrackInfo, kTrackNumbers> info = CountTracks(disk);
    a.tracks = 1;
    a.sides = 1;
    for (const disk::Track& t : disk.tracks) {
        a.tracks = std::max(a.tracks, t.cylinder + 1);
        if (t.head == 1) {
            a.sides = 2;
        }
    }
    PlaceTracks(a, info);
    a.tables.Reserve(disk.SectorCount());
    FillSectorTables(a, info);
    a.sectorsPerGranule = a.sectorsPerTrack == 18 ? 6 : 5;
}

} // namespace ss
