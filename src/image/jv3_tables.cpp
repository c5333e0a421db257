// The main window's sector tables of a JV3 image, from the sectors of its
// header entries.
#include "table_builders.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace ss {

namespace {

// The model's tracks of each track number: side 0 and side 1, or none.
using TrackSides = std::array<std::array<const disk::Track*, 2>, 256>;

// What one side of a track holds once its sectors are placed.
struct PlacedSide {
    int count = 0;
    int slots = 0; // the indexes it takes (NumberPlaces)
    int lowest = 0, highest = -1;
};

// Track by track, each track's first sector index, its side-0 sectors and
// its sectors into the tables, each side's by index (two entries of one
// number at consecutive indexes); the lowest directory index; the damage the
// entries record. A track's side-1 sectors follow its side-0 ones, the next
// track follows both sides; tracks without entries take no index.
void FillSectorTables(ImageAnalysis& a, const TrackSides& sides, NumberPlaces& places) {
    SectorTables& tb = a.tables;
    std::int64_t m = 100000; // lowest directory index so far
    std::int64_t b = 0;      // the track's first index
    bool single = false, dual = false;
    int firstCutOff = std::numeric_limits<int>::max(); // entry number of the first cut off
    std::vector<int> counts;
    counts.reserve(2 * static_cast<std::size_t>(a.tracks));
    for (int t = 0; t < a.tracks; ++t) {
        tb.SetTrackStart(t, b);
        std::array<PlacedSide, 2> placed{};
        for (int h = 0; h < 2; ++h) {
            const disk::Track* track =
                sides[static_cast<std::size_t>(t)][static_cast<std::size_t>(h)];
            if (track == nullptr) {
                continue;
            }
            places.Clear();
            for (const disk::Sector& s : track->sectors) {
                places.Count(s.sector);
            }
            places.Arrange();
            PlacedSide& ps = placed[static_cast<std::size_t>(h)];
            ps = {static_cast<int>(track->sectors.size()), places.Slots(), places.Lowest(),
                  places.Highest()};
            counts.push_back(ps.count);
            const std::int64_t first = b + (h == 1 ? placed[0].slots : 0);
            for (const disk::Sector& s : track->sectors) {
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
        tb.SetSectorsOnTrack(t, placed[0].count);
        // On a two-sided disk a track's side 1 has as many indexes as its
        // side 0: those its sectors do not take stand for the side-1 numbers
        // after its highest (from side 0's lowest when it has none).
        const PlacedSide& s0 = placed[0];
        const PlacedSide& s1 = placed[1];
        if (a.sides == 2 && s1.slots < s0.slots) {
            tb.AddRun(b + s0.slots + s1.slots, s0.slots - s1.slots, t, 1,
                      s1.count == 0 ? s0.lowest : s1.highest + 1);
        }
        b += std::max<std::int64_t>(a.sides * s0.slots, s0.slots + s1.slots);
    }
    a.density = single && dual ? Density::Dual
                : dual         ? Density::Double
                : single       ? Density::Single
                               : Density::None;
    a.sectorsPerTrack = MostCommonCount(counts);
}

} // namespace

void BuildJv3Tables(const disk::Disk& disk, ImageAnalysis& a) {
    TrackSides sides{};
    a.tracks = 1;
    a.sides = 1;
    for (const disk::Track& t : disk.tracks) {
        sides[static_cast<std::size_t>(t.cylinder)][static_cast<std::size_t>(t.head)] = &t;
        a.tracks = std::max(a.tracks, t.cylinder + 1);
        if (t.head == 1) {
            a.sides = 2;
        }
    }
    a.tables.Reserve(disk.SectorCount());
    NumberPlaces places;
    FillSectorTables(a, sides, places);
    a.sectorsPerGranule = a.sectorsPerTrack == 18 ? 6 : 5;
}

} // namespace ss
