#include "family_reading.h"

#include <algorithm>
#include <set>

namespace ss::dos {

SectorReader::SectorReader(const SectorSource& source) : src_(source) {
    diskLowest_ = src_.LowestSector();
    if (diskLowest_ == 255) {
        diskLowest_ = 0;
    }
}

SectorAddress SectorReader::Locate(const Allocation& a, std::int64_t rel) const {
    const int perSide = std::max(1, a.SectorsPerSide());
    const int perCylinder = std::max(1, a.sectorsPerCylinder);
    SectorAddress at;
    at.track = a.firstCylinder + static_cast<int>(rel / perCylinder);
    const int s = static_cast<int>(rel % perCylinder);
    at.side = s / perSide;
    at.sector = Lowest(at.track, at.side, perSide) + s % perSide;
    return at;
}

int SectorReader::Lowest(int cylinder, int side, int perSide) const {
    // A file's sectors, a granule's, a directory's follow one another on a
    // track: its shape is looked up once for them.
    if (cylinder != shapeCylinder_ || side != shapeSide_) {
        shapeCylinder_ = cylinder;
        shapeSide_ = side;
        shape_ = src_.Track(cylinder, side);
    }
    const std::optional<TrackShape>& shape = shape_;
    if (!shape) {
        return diskLowest_;
    }
    if (shape->sectors < perSide && diskLowest_ < shape->lowest) {
        return diskLowest_;
    }
    return shape->lowest;
}

std::optional<std::vector<std::uint8_t>> SectorReader::Bytes(const SectorAddress& at,
                                                             std::size_t size) const {
    SectorRead r = src_.Read(at.track, at.side, at.sector);
    if (!r.Readable()) {
        return std::nullopt;
    }
    r.bytes.resize(size, 0);
    return r.bytes;
}

std::string Hex2(int v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(v >> 4) & 0x0F], kDigits[v & 0x0F]};
}

std::string NameText(const std::array<std::uint8_t, 11>& raw, char separator) {
    auto part = [&](int from, int count) {
        std::string s;
        for (int k = from; k < from + count; ++k) {
            const std::uint8_t b = raw[static_cast<std::size_t>(k)];
            s += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '?';
        }
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    };
    const std::string name = part(0, 8);
    const std::string ext = part(8, 3);
    return ext.empty() ? name : name + separator + ext;
}

std::string AndMore(std::int64_t count) {
    if (count < 2) {
        return {};
    }
    return " (and " + std::to_string(count - 1) + " more granule" + (count > 2 ? "s" : "") + ")";
}

namespace {

// The granules that files name, numbered densely from 0 (a granule's number
// on the disk may be anything a damaged directory says): by its offset from
// the lowest when they lie close together, else by its place among them all.
class GranuleNumbers {
  public:
    explicit GranuleNumbers(const std::vector<std::vector<std::int64_t>>& granules) {
        std::int64_t count = 0;
        for (const auto& list : granules) {
            for (const std::int64_t g : list) {
                lowest_ = count == 0 ? g : std::min(lowest_, g);
                highest_ = count == 0 ? g : std::max(highest_, g);
                ++count;
            }
        }
        if (count > 0 && highest_ - lowest_ > 4 * count + kCloseTogether) {
            for (const auto& list : granules) {
                sorted_.insert(sorted_.end(), list.begin(), list.end());
            }
            std::sort(sorted_.begin(), sorted_.end());
            sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
        }
    }
    std::size_t Count() const {
        return sorted_.empty() ? static_cast<std::size_t>(highest_ - lowest_ + 1) : sorted_.size();
    }
    std::size_t Of(std::int64_t g) const {
        if (sorted_.empty()) {
            return static_cast<std::size_t>(g - lowest_);
        }
        return static_cast<std::size_t>(std::lower_bound(sorted_.begin(), sorted_.end(), g) -
                                        sorted_.begin());
    }

  private:
    static constexpr std::int64_t kCloseTogether = 1 << 16;
    std::int64_t lowest_ = 0;
    std::int64_t highest_ = -1;
    std::vector<std::int64_t> sorted_;
};

} // namespace

void CheckGranules(Disk& disk, const std::vector<std::vector<std::int64_t>>& granules,
                   const GranuleChecks& checks) {
    // By each granule's dense number: the first file that claims it, and the
    // last file that named it and whether that file named it twice.
    const GranuleNumbers numbers(granules);
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::size_t> claimedBy(numbers.Count(), kNone);
    std::vector<std::size_t> namedBy(numbers.Count(), kNone);
    std::vector<std::uint8_t> twice(numbers.Count(), 0);
    std::set<std::pair<std::size_t, std::size_t>> told;
    for (std::size_t f = 0; f < disk.files.size() && f < granules.size(); ++f) {
        DirFile& file = disk.files[f];
        std::int64_t freeGranules = 0;
        std::string firstFree;
        // Granules the file's own extents name more than once: their bytes
        // would stand twice in the file.
        std::int64_t repeated = 0;
        std::string firstRepeated;
        for (const std::int64_t g : granules[f]) {
            if (checks.markedFree(g) && freeGranules++ == 0) {
                firstFree = checks.text(g);
            }
            const std::size_t n = numbers.Of(g);
            if (namedBy[n] != f) {
                namedBy[n] = f;
                twice[n] = 0;
            } else if (twice[n] == 0) {
                twice[n] = 1;
                if (repeated++ == 0) {
                    firstRepeated = checks.text(g);
                }
            }
            if (claimedBy[n] == kNone) {
                claimedBy[n] = f;
            }
            if (claimedBy[n] == f) {
                continue;
            }
            DirFile& other = disk.files[claimedBy[n]];
            if (checks.sharedByDesign(file, other, g) || !told.insert({claimedBy[n], f}).second) {
                continue;
            }
            const std::string where = checks.text(g);
            other.problems.push_back(where + " is also claimed by " + file.name);
            file.problems.push_back(where + " is also claimed by " + other.name);
        }
        if (freeGranules > 0) {
            file.problems.push_back(firstFree + " holds the file but is free in the GAT" +
                                    AndMore(freeGranules));
        }
        if (repeated > 0) {
            file.problems.push_back(firstRepeated + " is named more than once in the extents" +
                                    AndMore(repeated));
        }
    }
}

void NoteDamagedSectors(DirFile& f, const SectorSource& source) {
    std::int64_t listed = 0;
    std::int64_t moreMissing = 0;
    std::int64_t moreCrc = 0;
    for (std::size_t k = 0; k < f.sectors.size(); ++k) {
        const SectorAddress& at = f.sectors[k];
        const SectorStatus status = source.Status(at.track, at.side, at.sector);
        if (status != SectorStatus::Missing && status != SectorStatus::CrcError) {
            continue;
        }
        if (listed == kListedDamagedSectors) {
            ++(status == SectorStatus::Missing ? moreMissing : moreCrc);
            continue;
        }
        ++listed;
        std::string line;
        line.reserve(64);
        line += "sector ";
        line += std::to_string(k + 1);
        line += " (";
        AppendAddressText(line, at);
        line += status == SectorStatus::Missing ? ") is missing" : ") has a CRC error";
        f.problems.push_back(std::move(line));
    }
    if (moreMissing > 0) {
        f.problems.push_back(
            "and " + std::to_string(moreMissing) +
            (moreMissing == 1 ? " more sector is missing" : " more sectors are missing"));
    }
    if (moreCrc > 0) {
        f.problems.push_back(
            "and " + std::to_string(moreCrc) +
            (moreCrc == 1 ? " more sector has a CRC error" : " more sectors have a CRC error"));
    }
}

void MarkOwners(Disk& disk, bool systemAreas) {
    for (std::size_t f = 0; f < disk.files.size(); ++f) {
        const auto& sectors = disk.files[f].sectors;
        for (std::size_t k = 0; k < sectors.size(); ++k) {
            disk.owners.Set(sectors[k],
                            Owner{Owner::Kind::File, static_cast<int>(f), static_cast<int>(k)});
        }
    }
    if (!systemAreas) {
        return;
    }
    for (std::size_t k = 0; k < disk.directory.size(); ++k) {
        disk.owners.SetKind(disk.directory[k], k == 0   ? Owner::Kind::Gat
                                               : k == 1 ? Owner::Kind::Hit
                                                        : Owner::Kind::Directory);
    }
    disk.owners.Set(disk.boot, Owner{Owner::Kind::Boot, -1, 0});
}

} // namespace ss::dos
