// The sectors of the main window's analysed image, by track, side and sector
// number: the one place where the DOS layer meets the image layer's tables.
#pragma once

#include "image/analysis.h"
#include "sector_source.h"

#include <cstdint>
#include <map>
#include <optional>

namespace ss::dos {

class ImageSectors : public SectorSource {
  public:
    // The image must outlive the source and stay unchanged while it is used.
    explicit ImageSectors(const ImageState& img);

    int Cylinders() const override { return cylinders_; }
    int Sides() const override { return sides_; }
    std::optional<TrackShape> Track(int cylinder, int side) const override;
    SectorRead Read(int cylinder, int side, int sector) const override;

    // The main window's sector index of the sector at `at`; none when the
    // image holds no such sector.
    std::optional<std::int64_t> IndexOf(const SectorAddress& at) const;

  private:
    const ImageState& img_;
    std::map<SectorAddress, std::int64_t> index_;
    int cylinders_ = 0;
    int sides_ = 1;
};

} // namespace ss::dos
