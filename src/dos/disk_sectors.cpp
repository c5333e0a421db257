#include "disk_sectors.h"

#include <algorithm>
#include <cstdint>

namespace ss::dos {

namespace {

// A double-stepped image: on most even cylinders 2t from 2 on, the sectors'
// IDs say track t rather than 2t. (Its odd cylinders hold nothing, or stale
// copies of an earlier format that the disk's own drive never reads.)
bool IsDoubleStepped(const disk::Disk& d) {
    int half = 0;
    int same = 0;
    for (const disk::Track& t : d.tracks) {
        if (t.cylinder < 2 || t.cylinder % 2 != 0) {
            continue;
        }
        bool h = false;
        bool s = false;
        for (const disk::Sector& sec : t.sectors) {
            h = h || sec.cylinder == t.cylinder / 2;
            s = s || sec.cylinder == t.cylinder;
        }
        half += h ? 1 : 0;
        same += s ? 1 : 0;
    }
    return half >= 2 && half > same;
}

// The order in which the copies of one ID are taken, in one number: by ID,
// then a copy that can be read before one that cannot, one on the cylinder
// the disk's own drive reads for the ID's track before one elsewhere, one
// without a CRC error before one with, and then as they lie in the file.
struct Candidate {
    std::uint64_t key;
    const disk::Sector* sector;
};

constexpr int kOrderBits = 31;
constexpr int kSectorBits = 8;
constexpr int kSideBits = 1;

std::uint64_t KeyOf(const disk::Sector& s, bool preferred, std::uint64_t order) {
    const auto id = (static_cast<std::uint64_t>(s.cylinder) << (kSideBits + kSectorBits)) |
                    (static_cast<std::uint64_t>(s.Side()) << kSectorBits) | s.sector;
    const SectorStatus status = StatusOf(s);
    std::uint64_t rank = status == SectorStatus::Missing ? 4u : 0u;
    rank |= preferred ? 0u : 2u;
    rank |= status == SectorStatus::CrcError ? 1u : 0u;
    return (id << (3 + kOrderBits)) | (rank << kOrderBits) | order;
}

SectorAddress AddressOf(const disk::Sector& s) {
    return SectorAddress{s.cylinder, s.Side(), s.sector};
}

} // namespace

SectorStatus StatusOf(const disk::Sector& s) {
    if (!s.dataField || !s.dataInFile) {
        return SectorStatus::Missing;
    }
    // An ID field whose CRC the image checked, without a data field it could
    // check: the sector has no data.
    if (s.crc.id != CrcState::NotRecorded && s.crc.data == CrcState::NotRecorded) {
        return SectorStatus::Missing;
    }
    if (s.crc.AnyBad()) {
        return SectorStatus::CrcError;
    }
    return s.crc.data == CrcState::Good ? SectorStatus::Good : SectorStatus::NotRecorded;
}

DiskSectors::DiskSectors(const disk::Disk& disk, const ImageBuffer& buf)
    : buf_(buf), doubleStepped_(IsDoubleStepped(disk)) {
    std::vector<Candidate> all;
    all.reserve(disk.SectorCount());
    const auto byKey = [](const Candidate& a, const Candidate& b) { return a.key < b.key; };
    std::uint64_t order = 0;
    for (const disk::Track& t : disk.tracks) {
        if (doubleStepped_ && t.cylinder % 2 != 0) {
            continue;
        }
        const std::size_t first = all.size();
        for (const disk::Sector& s : t.sectors) {
            // A damaged pointer's target lies on no track of this record.
            if (!s.idInRecord) {
                continue;
            }
            const int wanted = doubleStepped_ ? 2 * s.cylinder : s.cylinder;
            all.push_back({KeyOf(s, t.cylinder == wanted, order++), &s});
        }
        const auto run = all.begin() + static_cast<std::ptrdiff_t>(first);
        if (!std::is_sorted(run, all.end(), byKey)) {
            std::sort(run, all.end(), byKey);
        }
    }
    // Most images hold their tracks in order already: then each track in
    // order is all in order.
    if (!std::is_sorted(all.begin(), all.end(), byKey)) {
        std::sort(all.begin(), all.end(), byKey);
    }
    chosen_.reserve(all.size());
    for (const Candidate& c : all) {
        const SectorAddress at = AddressOf(*c.sector);
        if (chosen_.empty() || chosen_.back().at != at) {
            chosen_.push_back({at, c.sector});
            cylinders_ = std::max(cylinders_, at.track + 1);
            sides_ = std::max(sides_, at.side + 1);
            lowest_ = std::min(lowest_, at.sector);
        }
    }
}

std::pair<std::vector<DiskSectors::Chosen>::const_iterator,
          std::vector<DiskSectors::Chosen>::const_iterator>
DiskSectors::TrackRange(int cylinder, int side) const {
    const auto before = [](const Chosen& c, const SectorAddress& at) { return c.at < at; };
    const auto first =
        std::lower_bound(chosen_.begin(), chosen_.end(), SectorAddress{cylinder, side, 0}, before);
    const auto last =
        std::lower_bound(first, chosen_.end(), SectorAddress{cylinder, side + 1, 0}, before);
    return {first, last};
}

std::optional<TrackShape> DiskSectors::Track(int cylinder, int side) const {
    const auto [first, last] = TrackRange(cylinder, side);
    if (first == last) {
        return std::nullopt;
    }
    TrackShape shape;
    shape.sectors = static_cast<int>(last - first);
    shape.lowest = first->at.sector;
    shape.doubleDensity = first->sector->doubleDensity;
    return shape;
}

const disk::Sector* DiskSectors::Find(const SectorAddress& at) const {
    const auto it =
        std::lower_bound(chosen_.begin(), chosen_.end(), at,
                         [](const Chosen& c, const SectorAddress& a) { return c.at < a; });
    return it != chosen_.end() && it->at == at ? it->sector : nullptr;
}

SectorStatus DiskSectors::Status(int cylinder, int side, int sector) const {
    const disk::Sector* s = Find({cylinder, side, sector});
    return s == nullptr ? SectorStatus::Missing : StatusOf(*s);
}

SectorRead DiskSectors::Read(int cylinder, int side, int sector) const {
    SectorRead read;
    const disk::Sector* s = Find({cylinder, side, sector});
    if (s == nullptr) {
        return read;
    }
    read.status = StatusOf(*s);
    if (read.status != SectorStatus::Missing) {
        read.bytes = disk::SectorData(buf_, *s);
    }
    return read;
}

} // namespace ss::dos
