// How the DOS layer reads a disk: sector by track, side and sector number,
// never by position in the image file. The disk model gives one source
// (disk_sectors.h); tests give their own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace ss::dos {

// What became of a sector read.
enum class SectorStatus {
    Good,        // read, and the image says its CRCs were right
    NotRecorded, // read; the image keeps no CRC state for it (JV1)
    CrcError,    // read, but the image marks its ID or data CRC as bad
    Missing,     // the image holds no such sector, or no data field for it
};

struct SectorRead {
    std::vector<std::uint8_t> bytes; // the sector's data, at its own size; empty when missing
    SectorStatus status = SectorStatus::Missing;

    bool Readable() const { return status != SectorStatus::Missing; }
};

// The sectors of one side of a track as the image holds them.
struct TrackShape {
    int sectors = 0;            // how many
    int lowest = 0;             // the lowest sector number
    bool doubleDensity = false; // density of its lowest-numbered sector
};

class SectorSource {
  public:
    virtual ~SectorSource() = default;
    // Cylinders (tracks of side 0) and sides the image holds.
    virtual int Cylinders() const = 0;
    virtual int Sides() const = 0;
    // The shape of one side of a track; none when the image holds no sector there.
    virtual std::optional<TrackShape> Track(int cylinder, int side) const = 0;
    // The sector whose ID says this track, side and sector number.
    virtual SectorRead Read(int cylinder, int side, int sector) const = 0;
    // What a read of that sector would give, without its bytes.
    virtual SectorStatus Status(int cylinder, int side, int sector) const {
        return Read(cylinder, side, sector).status;
    }
    // The lowest sector number of any track side the source holds; 255 when
    // it holds none. Sources that know it cheaper than a walk over every
    // track give it themselves.
    virtual int LowestSector() const {
        int lowest = 255;
        for (int c = 0; c < Cylinders(); ++c) {
            for (int h = 0; h < Sides(); ++h) {
                if (const auto shape = Track(c, h)) {
                    lowest = std::min(lowest, shape->lowest);
                }
            }
        }
        return lowest;
    }
};

// Where a sector lies on the disk.
struct SectorAddress {
    int track = 0;
    int side = 0;
    int sector = 0;

    auto operator<=>(const SectorAddress&) const = default;
};

} // namespace ss::dos
