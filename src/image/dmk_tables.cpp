// The main window's sector tables of a DMK image, from the ID fields of the
// track records it walks.
#include "dmk.h"
#include "table_builders.h"

#include <algorithm>
#include <array>

namespace ss {

namespace {

// The walk over a DMK image's track records: where it stands and what it read last.
class DmkWalk {
  public:
    DmkWalk(ImageAnalysis& a, std::int64_t trackLength) : a_(a), trackLength_(trackLength) {}

    // Walks one track record into the tables.
    void WalkRecord(const disk::Track& record) {
        SectorTables& tb = a_.tables;
        tb.SetTrackStart(r_, b_);

        // The window reads the ID pointers in order up to the first zero one
        // or one to a place past the end of the file: the model's first
        // sectors, as long as their pointers follow one another.
        const std::vector<disk::Sector>& sectors = record.sectors;
        const int most = static_cast<int>(sectors.size());
        int count = 0;
        while (count < most && sectors[static_cast<std::size_t>(count)].entry == count) {
            ++count;
        }
        counts.push_back(count);

        // The record's sectors take indexes from its lowest sector number
        // on (NumberPlaces).
        NumberPlaces& places = places_;
        places.Clear();
        for (int k = 0; k < count; ++k) {
            places.Count(sectors[static_cast<std::size_t>(k)].sector);
        }
        places.Arrange();
        for (int k = 0; k < count; ++k) {
            const disk::Sector& s = sectors[static_cast<std::size_t>(k)];
            Enter(s, count, b_ + places.Place(s.sector));
        }
        tb.EndGroup();

        // The indexes that no ID field took stand for the track and side of
        // the record's last ID field.
        const int side = lastSideByte == 1 ? 1 : 0;
        NoteNumbers(a_, places, b_, lastTrack, side);
        if (record.length < trackLength_ && a_.damage.endsInsideTrack < 0) {
            a_.damage.endsInsideTrack = count > 0 ? lastTrack : lastTrack + 1;
        }

        if (count > 0 && places.Lowest() == 1) {
            a_.firstSectorOne = true;
        }
        b_ += places.Slots();
        if (lastSideByte == 0) {
            ++r_;
        }
    }

    int lastSideByte = 0; // raw side byte of the last ID field read
    int lastTrack = 0;    // track byte of the last ID field read
    bool anySingle = false;
    bool anyDouble = false;
    std::vector<int> counts; // sectors of each record walked

  private:
    // Enters the sector of one ID field at index i.
    void Enter(const disk::Sector& s, int count, std::int64_t i) {
        lastSideByte = s.head;
        const int side = s.Side();
        if (side == 1) {
            a_.sides = 2;
        }
        lastTrack = s.cylinder;
        a_.tables.SetSectorsOnTrack(s.cylinder, count);

        if (s.directoryMark && i < g_) {
            g_ = i;
            a_.directoryStart = i;
            a_.directoryFound = true;
        }
        a_.tables.Add(IndexedFrom(s, i, s.cylinder, side));

        DiskDamage& damage = a_.damage;
        damage.noDataField += s.dataField ? 0 : 1;
        damage.idCrcErrors += s.crc.id == CrcState::Bad ? 1 : 0;
        damage.dataCrcErrors += s.crc.data == CrcState::Bad ? 1 : 0;
        a_.indexes = std::max(a_.indexes, i + 1);
        (s.doubleDensity ? anyDouble : anySingle) = true;
        ++a_.totalSectors;
    }

    ImageAnalysis& a_;
    NumberPlaces places_; // the record's, cleared for each
    std::int64_t trackLength_;
    std::int64_t b_ = 0;     // sector index of the record's first sector
    std::int64_t g_ = 10000; // lowest directory index so far
    int r_ = 0;              // track slot
};

} // namespace

void BuildDmkTables(const disk::Disk& disk, ImageAnalysis& a) {
    const dmk::Header& header = disk.header.dmk;
    a.tracks = header.tracks;
    a.sides = 1;
    a.totalSectors = 0;

    DmkWalk walk{a, header.trackLength};
    a.tables.Reserve(disk.SectorCount());
    // Every record the header counts (tracks of each side) that the file
    // holds, whatever track numbers their ID fields carry: a drive that
    // stepped wrongly wrote later cylinders' IDs on earlier records.
    const std::size_t records =
        std::min(disk.tracks.size(), static_cast<std::size_t>(header.tracks) *
                                         static_cast<std::size_t>(disk.header.dmkHeads));
    walk.counts.reserve(records);
    for (std::size_t k = 0; k < records; ++k) {
        walk.WalkRecord(disk.tracks[k]);
    }
    a.sectorsPerTrack = MostCommonCount(walk.counts);

    // The density the sectors have; the header's track length says it for
    // an image without a sector.
    if (walk.anySingle || walk.anyDouble) {
        a.density = walk.anySingle && walk.anyDouble ? Density::Dual
                    : walk.anyDouble                 ? Density::Double
                                                     : Density::Single;
    }
    // A track length the program does not know says nothing of the
    // sectors per granule: the density does.
    if (!header.knownTrackLength) {
        a.sectorsPerGranule = a.density == Density::Double ? 6 : 5;
    }
}

} // namespace ss
