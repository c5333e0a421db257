// The main window's sector tables of a DMK image, from the ID fields of the
// track records it walks.
#include "dmk.h"
#include "table_builders.h"

#include <algorithm>
#include <array>
#include <bitset>

namespace ss {

namespace {

constexpr int kSectorNumbers = 256;

// The walk over a DMK image's track records: where it stands and what it read last.
class DmkWalk {
  public:
    DmkWalk(ImageAnalysis& a, std::int64_t trackLength) : a_(a), trackLength_(trackLength) {}

    // Walks one track record into the tables.
    void WalkRecord(const disk::Track& record) {
        SectorTables& tb = a_.tables;
        tb.SetTrackStart(r_, b_);

        // The window reads the ID pointers in order up to the first zero one
        // or one to a place past the end of the file, at most
        // kMainWindowPointers of them: the model's first sectors, as long as
        // their pointers follow one another.
        const std::vector<disk::Sector>& sectors = record.sectors;
        const int most = std::min<int>(dmk::kMainWindowPointers, static_cast<int>(sectors.size()));
        int count = 0;
        while (count < most && sectors[static_cast<std::size_t>(count)].entry == count) {
            ++count;
        }
        a_.sectorsPerTrack = count;
        // The record's lowest sector number takes its first index, or 20
        // when that is lower.
        int w = 20;
        for (int k = 0; k < count; ++k) {
            w = std::min<int>(w, sectors[static_cast<std::size_t>(k)].sector);
        }

        int lowest = kSectorNumbers;
        int highest = -1;
        std::bitset<kSectorNumbers> numbers;
        for (int k = 0; k < count; ++k) {
            const disk::Sector& s = sectors[static_cast<std::size_t>(k)];
            Enter(s, count, w);
            lowest = std::min<int>(lowest, s.sector);
            highest = std::max<int>(highest, s.sector);
            numbers.set(s.sector);
        }
        // Two sectors of one index: the later one's ID field takes it.
        tb.EndGroup();

        // The record's sectors take its sector numbers from w on, or one
        // index each when more of them than numbers (a sector written
        // twice). The indexes that no ID field took stand for the track and
        // side of the record's last ID field; a number between the lowest
        // and the highest on the track is a missing sector.
        const int slots = count == 0 ? 0 : std::max(count, highest - w + 1);
        const int side = lastSideByte == 1 ? 1 : 0;
        tb.AddRun(b_, slots, lastTrack, side, w);
        for (int n = lowest; n <= highest; ++n) {
            if (!numbers.test(static_cast<std::size_t>(n))) {
                a_.damage.AddMissing({lastTrack, side, n});
            }
        }
        if (record.length < trackLength_ && a_.damage.endsInsideTrack < 0) {
            a_.damage.endsInsideTrack = count > 0 ? lastTrack : lastTrack + 1;
        }

        if (w == 1) {
            a_.firstSectorOne = true;
        }
        b_ += slots;
        if (lastSideByte == 0) {
            ++r_;
        }
    }

    int lastSideByte = 0; // raw side byte of the last ID field read
    int lastTrack = 0;    // track byte of the last ID field read
    bool anySingle = false;
    bool anyDouble = false;

  private:
    // Enters the sector of one ID field; w is the record's lowest sector
    // number, which takes the record's first index.
    void Enter(const disk::Sector& s, int count, int w) {
        lastSideByte = s.head;
        const int side = s.Side();
        if (side == 1) {
            a_.sides = 2;
        }
        lastTrack = s.cylinder;
        a_.tables.SetSectorsOnTrack(s.cylinder, count);
        const std::int64_t i = b_ + s.sector - w;

        if (s.directoryMark && i < g_) {
            g_ = i;
            a_.directoryStart = i;
            a_.directoryFound = true;
        }
        IndexedSector e;
        e.index = i;
        e.present = true;
        e.track = s.cylinder;
        e.side = side;
        e.number = s.sector;
        e.dataPos = s.dataPos;
        e.dataMark = s.dataMark;
        e.doubleDensity = s.doubleDensity;
        e.directory = s.directoryMark;
        e.size = s.dataSize;
        e.stride = s.Stride();
        e.crc = s.crc;
        a_.tables.Add(e);

        DiskDamage& damage = a_.damage;
        damage.noDataField += s.dataField ? 0 : 1;
        damage.idCrcErrors += s.crc.id == CrcState::Bad ? 1 : 0;
        damage.dataCrcErrors += s.crc.data == CrcState::Bad ? 1 : 0;
        a_.indexes = std::max(a_.indexes, i + 1);
        (s.doubleDensity ? anyDouble : anySingle) = true;
        ++a_.totalSectors;
    }

    ImageAnalysis& a_;
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
    // An image without a track record has no sectors per track.
    a.sectorsPerTrack = 0;
    a.totalSectors = 0;

    DmkWalk walk{a, header.trackLength};
    a.tables.Reserve(disk.SectorCount());
    // The walk ends on the last track's record, or where the file ends.
    std::size_t next = 0;
    while (next < disk.tracks.size()) {
        walk.WalkRecord(disk.tracks[next++]);
        if (walk.lastTrack >= a.tracks - 1) {
            break;
        }
    }

    // A two-sided image ends on the last cylinder's side 0; its side 1 is the
    // record after it. Walk that one too when the file holds it whole, keeping
    // the disk's sectors per track as the side-0 record gave them.
    if (a.sides == 2 && walk.lastSideByte == 0 && walk.lastTrack >= a.tracks - 1 &&
        next < disk.tracks.size() && disk.tracks[next].length == header.trackLength) {
        const int keptSpt = a.sectorsPerTrack;
        const int keptTrack = walk.lastTrack;
        const int keptTrkspt = a.tables.SectorsOnTrack(keptTrack);
        walk.WalkRecord(disk.tracks[next]);
        a.sectorsPerTrack = keptSpt;
        a.tables.SetSectorsOnTrack(keptTrack, keptTrkspt);
    }

    // A track length the program does not know says nothing of the density:
    // the ID pointers' density bits do.
    if (!header.knownTrackLength) {
        a.density = walk.anySingle && walk.anyDouble ? Density::Dual
                    : walk.anyDouble                 ? Density::Double
                                                     : Density::Single;
        a.sectorsPerGranule = a.density == Density::Double ? 6 : 5;
    }
}

} // namespace ss
