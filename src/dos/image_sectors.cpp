#include "image_sectors.h"

#include "image/jv1.h"

#include <algorithm>

namespace ss::dos {

namespace {
constexpr int kSectorBytes = 256;
} // namespace

ImageSectors::ImageSectors(const ImageState& img) : img_(img) {
    if (img.jv1 == 1) {
        for (int t = 0; t < img.tracks; ++t) {
            for (int s = 0; s < jv1::kSectorsPerTrack; ++s) {
                index_[{t, 0, s}] = jv1::SectorIndex(t, s);
            }
        }
    } else {
        // A table entry never written has no data position: JV3 data start
        // after the header and DMK data after a track's pointer table.
        const auto entries = static_cast<std::int64_t>(img.tables.secfpa.Size());
        for (std::int64_t i = 0; i < entries; ++i) {
            if (img.tables.secfpa(i) > 0) {
                index_[{img.tables.sectrk(i), img.tables.secside(i), img.tables.secno(i)}] = i;
            }
        }
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
    const std::int64_t first = img_.jv1 == 1 ? jv1::SectorOffset(*i) : img_.tables.secfpa(*i);
    const int stride = img_.jv1 == 1 ? 1 : img_.DataStride(*i);
    // A sector cut off by the end of the file is not there to be read.
    if (!img_.filebuf.Has(first + static_cast<std::int64_t>(stride) * (kSectorBytes - 1))) {
        return read;
    }
    read.bytes.resize(kSectorBytes);
    for (int k = 0; k < kSectorBytes; ++k) {
        read.bytes[static_cast<std::size_t>(k)] = img_.filebuf.At(first + std::int64_t{stride} * k);
    }
    read.status = SectorStatus::Unknown;
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
