// The main window's sector tables of a JV3 image, from the sectors of its
// header entries.
#include "table_builders.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <limits>
#include <vector>

namespace ss {

namespace {

constexpr int kTrackNumbers = 256;
constexpr int kSectorNumbers = 256;

// What one side of one track holds, over all its entries wherever they stand.
struct TrackSide {
    const disk::Track* track = nullptr;
    int count = 0;
    int lowest = kSectorNumbers;
    int highest = -1;
    std::bitset<kSectorNumbers> numbers;
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

// Per track and side: its sectors, how many, their lowest and highest numbers.
std::array<TrackInfo, kTrackNumbers> CountTracks(const disk::Disk& disk) {
    std::array<TrackInfo, kTrackNumbers> info{};
    for (const disk::Track& t : disk.tracks) {
        TrackSide& ts =
            info[static_cast<std::size_t>(t.cylinder)].side[static_cast<std::size_t>(t.head)];
        ts.track = &t;
        for (const disk::Sector& s : t.sectors) {
            ++ts.count;
            ts.lowest = std::min<int>(ts.lowest, s.sector);
            ts.highest = std::max<int>(ts.highest, s.sector);
            ts.numbers.set(s.sector);
        }
    }
    return info;
}

// Each track's first sector index and its side-0 sectors, and the index
// runs of tracks in ascending order: a track's side-1 sectors follow its
// side-0 ones, the next track follows both sides. Tracks without entries
// take no index.
void PlaceTracks(ImageAnalysis& a, const std::array<TrackInfo, kTrackNumbers>& info) {
    SectorTables& tb = a.tables;
    std::int64_t b = 0;
    for (int t = 0; t < a.tracks; ++t) {
        const TrackInfo& ti = info[static_cast<std::size_t>(t)];
        tb.SetTrackStart(t, b);
        tb.SetSectorsOnTrack(t, ti.side[0].count);
        if (ti.side[0].count + ti.side[1].count == 0) {
            continue;
        }
        const int lowest = ti.Lowest();
        const int slots0 = ti.side[0].Slots(lowest);
        for (int h = 0; h < 2; ++h) {
            tb.AddRun(b + h * slots0, ti.side[static_cast<std::size_t>(h)].Slots(lowest), t, h,
                      lowest);
        }
        b += std::max<std::int64_t>(a.sides * slots0, slots0 + ti.side[1].Slots(lowest));
    }
}

// The sectors into the tables, track by track, each side's by index (a later
// entry of one index taking the earlier one's place); the lowest directory
// index; the damage the entries record.
void FillSectorTables(ImageAnalysis& a, const std::array<TrackInfo, kTrackNumbers>& info) {
    SectorTables& tb = a.tables;
    std::int64_t m = 100000; // lowest directory index so far
    bool single = false, dual = false;
    int firstCutOff = std::numeric_limits<int>::max(); // entry number of the first cut off
    for (int t = 0; t < a.tracks; ++t) {
        const TrackInfo& ti = info[static_cast<std::size_t>(t)];
        const int lowest = ti.Lowest();
        for (int h = 0; h < 2; ++h) {
            const TrackSide& ts = ti.side[static_cast<std::size_t>(h)];
            if (ts.track == nullptr) {
                continue;
            }
            const std::int64_t first = tb.TrackStart(t) + (h == 1 ? ti.side[0].Slots(lowest) : 0);
            for (const disk::Sector& s : ts.track->sectors) {
                const std::int64_t i = first + s.sector - lowest;
                IndexedSector e;
                e.index = i;
                e.present = true;
                e.track = t;
                e.side = h;
                e.number = s.sector;
                e.dataPos = s.dataPos;
                e.dataMark = s.directoryMark ? kDirectoryFlagMark : 0;
                e.doubleDensity = s.doubleDensity;
                e.directory = s.directoryMark;
                e.size = s.dataSize;
                e.crc = s.crc;
                tb.Add(e);

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
        }
    }
    a.density = single && dual ? Density::Dual
                : dual         ? Density::Double
                : single       ? Density::Single
                               : Density::None;
}

// Sector numbers between a track side's lowest and highest that no entry has:
// the index each such number stands for holds no sector.
void FindMissing(ImageAnalysis& a, const std::array<TrackInfo, kTrackNumbers>& info) {
    for (int t = 0; t < a.tracks; ++t) {
        const TrackInfo& ti = info[static_cast<std::size_t>(t)];
        for (int h = 0; h < 2; ++h) {
            const TrackSide& ts = ti.side[static_cast<std::size_t>(h)];
            for (int n = ts.lowest; n <= ts.highest; ++n) {
                if (!ts.numbers.test(static_cast<std::size_t>(n))) {
                    a.damage.AddMissing({t, h, n});
                }
            }
        }
    }
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
    FindMissing(a, info);

    a.sectorsPerTrack = a.tables.SectorsOnTrack(0);
    a.sectorsPerGranule = a.sectorsPerTrack == 18 ? 6 : 5;
}

} // namespace ss
