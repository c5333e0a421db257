#include "disk.h"

#include <bit>

namespace ss::disk {

std::size_t Disk::SectorCount() const {
    std::size_t n = 0;
    for (const Track& t : tracks) {
        n += t.sectors.size();
    }
    return n;
}

Disk ReadDisk(const ImageBuffer& buf, Depth depth) {
    const Layout layout = RecogniseLayout(buf);
    switch (layout) {
    case Layout::JV1:
        return ReadJv1(buf, depth);
    case Layout::JV3:
        return ReadJv3(buf, depth);
    case Layout::DMK:
    case Layout::RealDiskDMK:
        return ReadDmk(buf, depth);
    case Layout::Unknown:
        break;
    }
    return Disk{};
}

std::vector<std::uint8_t> SectorData(const ImageBuffer& buf, const Sector& s) {
    const std::int64_t stride = s.Stride();
    if (s.dataSize <= 0 || !buf.Has(s.dataPos, stride * (s.dataSize - 1) + 1)) {
        return {};
    }
    const std::uint8_t* p = buf.Bytes().data() + s.dataPos;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(s.dataSize));
    for (std::size_t k = 0; k < data.size(); ++k) {
        data[k] = p[k * static_cast<std::size_t>(stride)];
    }
    return data;
}

int SizeCodeOf(int size) {
    return size >= 128 ? std::countr_zero(static_cast<unsigned>(size / 128)) : 0;
}

} // namespace ss::disk
