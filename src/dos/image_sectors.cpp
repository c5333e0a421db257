#include "image_sectors.h"

#include "image/jv1.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace ss::dos {

namespace {

// What the image says of a sector it holds whole.
SectorStatus StatusOf(SectorCrc crc) {
    // An ID field whose CRC the image checked, without a data field to check:
    // the sector has no data.
    if (crc.id != CrcState::NotRecorded && crc.data == CrcState::NotRecorded) {
        return SectorStatus::Missing;
    }
    if (crc.id == CrcState::Bad || crc.data == CrcState::Bad) {
        return SectorStatus::CrcError;
    }
    return crc.data == CrcState::Good ? SectorStatus::Good : SectorStatus::NotRecorded;
}

} // namespace

ImageSectors::ImageSectors(const ImageState& img) : img_(img) {
    // The image's own sector indexes; a sector written twice is found at its
    // first index, as the main window finds it.
    for (std::int64_t i = 0; i < img.secslots; ++i) {
        if (!img.IsPresent(i)) {
            continue;
        }
        const SectorAddress at =
            img.jv1 == 1
                ? SectorAddress{static_cast<int>(i / jv1::kSectorsPerTrack), 0,
                                static_cast<int>(i % jv1::kSectorsPerTrack)}
                : SectorAddress{img.tables.sectrk(i), img.tables.secside(i), img.tables.secno(i)};
        index_.emplace(at, i);
    }
    for (const auto& [at, i] : index_) {
        cylinders_ = std::max(cylinders_, at.track + 1);
        sides_ = std::max(sides_, at.side + 1);
    }
}

std::optional<TrackShape> ImageSectors::Track(int cylinder, int side) const {
    auto it = index_.lower_bound({cylinder, side, 0});
    if (it == index_.end() || it->first.track != cylinder || it->first.side != side) {
        return std::nullopt;
    }
    TrackShape shape;
    shape.lowest = it->first.sector;
    shape.doubleDensity = img_.jv1 == 0 && img_.tables.secdens(it->second) == kDoubleDensityFlag;
    for (; it != index_.end() && it->first.track == cylinder && it->first.side == side; ++it) {
        ++shape.sectors;
    }
    return shape;
}

SectorRead ImageSectors::Read(int cylinder, int side, int sector) const {
    SectorRead read;
    const std::optional<std::int64_t> i = IndexOf({cylinder, side, sector});
    if (!i) {
        return read;
    }
    // A sector cut off by the end of the file is not there to be read.
    std::vector<std::uint8_t> data = img_.SectorData(*i);
    if (data.empty()) {
        return read;
    }
    read.status = StatusOf(img_.CrcOf(*i));
    if (read.status != SectorStatus::Missing) {
        read.bytes = std::move(data);
    }
    return read;
}

std::optional<std::int64_t> ImageSectors::IndexOf(const SectorAddress& at) const {
    const auto it = index_.find(at);
    if (it == index_.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace ss::dos
