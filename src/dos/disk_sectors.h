// The sectors of a disk as a DOS reads them: by the track, side and sector
// number written in their IDs, from the disk model (image/disk.h), whatever
// track record or header entry holds them and however many copies the image
// keeps.
#pragma once

#include "image/disk.h"
#include "image/image_buffer.h"
#include "sector_source.h"

#include <optional>
#include <vector>

namespace ss::dos {

class DiskSectors : public SectorSource {
  public:
    // The disk and the buffer it was read from must outlive the source and
    // stay unchanged while it is used.
    DiskSectors(const disk::Disk& disk, const ImageBuffer& buf);

    int Cylinders() const override { return cylinders_; }
    int Sides() const override { return sides_; }
    std::optional<TrackShape> Track(int cylinder, int side) const override;
    SectorRead Read(int cylinder, int side, int sector) const override;
    SectorStatus Status(int cylinder, int side, int sector) const override;
    int LowestSector() const override { return lowest_; }

    // The copy of the sector at `at` that Read takes; null when the disk
    // holds none.
    const disk::Sector* Find(const SectorAddress& at) const;
    // A disk of half as many tracks as the image's cylinders, read one
    // track every other cylinder (a 40-track disk in an 80-track drive).
    bool DoubleStepped() const { return doubleStepped_; }

  private:
    struct Chosen {
        SectorAddress at;
        const disk::Sector* sector;
    };
    // The range of chosen_ on one side of one track.
    std::pair<std::vector<Chosen>::const_iterator, std::vector<Chosen>::const_iterator>
    TrackRange(int cylinder, int side) const;

    const ImageBuffer& buf_;
    std::vector<Chosen> chosen_; // one copy of each ID, by ID
    int cylinders_ = 0;
    int sides_ = 1;
    int lowest_ = 255;
    bool doubleStepped_ = false;
};

// What a read of this sector gives, by what the image says of it.
SectorStatus StatusOf(const disk::Sector& s);

} // namespace ss::dos
