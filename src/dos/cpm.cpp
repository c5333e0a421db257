// CP/M 2.2 and 3 disks of the Model 1, Model III and Genie machines. CP/M
// keeps no description of the disk on it: the format is one of a table of
// known parameter sets, picked by the geometry the image shows and confirmed
// by a directory that reads as one.
//
// The data area starts at cylinder OFF and is a stream of the physical
// sectors in logical order: track by track (on two-sided formats side 0 then
// side 1 of each cylinder), within a track by the format's skew table
// (logical sector -> sector ID). Block b is bytes b * BLS onwards of that
// stream; the directory fills the first blocks, DRM + 1 entries of 32 bytes.
//
// Directory entry:
//   0       user number 0..15; 0xE5 free; CP/M 3: 0x20 disk label, 0x21 time
//           stamps (neither is a file)
//   1..11   name and extension; the high bits of bytes 9, 10, 11 are the
//           read-only, system and archive attributes
//   12 EX, 13 S1, 14 S2, 15 RC
//   16..31  block numbers: 16 bytes, or 8 words (low byte first) when the
//           disk has more than 256 blocks; 0 = none
// A file is the entries of one user and name; logical extent X = S2 * 32 +
// EX orders them. Its size is (X of the last * 128 + that entry's RC)
// records of 128 bytes: CP/M keeps no byte count.
#include "family_reading.h"

#include <algorithm>
#include <map>
#include <set>

namespace ss::dos {

namespace {

constexpr int kNameBytes = 11; // name and extension
constexpr int kRecordBytes = 128;
constexpr int kEntryBytes = 32;
constexpr std::uint8_t kFree = 0xE5;
constexpr int kMaxUser = 15;
constexpr int kLabel = 0x20;      // CP/M 3 disk label
constexpr int kTimeStamps = 0x21; // CP/M 3 time stamps
constexpr int kRecordsPerExtent = 128;
constexpr int kMaxExtentByte = 31;

namespace field {
constexpr int kUser = 0;
constexpr int kName = 1;
constexpr int kReadOnly = 9; // high bits of the extension bytes
constexpr int kSystem = 10;
constexpr int kArchived = 11;
constexpr int kEx = 12;
constexpr int kS2 = 14;
constexpr int kRc = 15;
constexpr int kBlocks = 16;
constexpr std::uint8_t kAttributeBit = 0x80;
} // namespace field

// One parameter set, as found on real disks.
struct Format {
    const char* name;
    int cylinders;
    int sides;
    int sectors;     // a side
    int sectorBytes; // 128, 256, 512 or 1024
    int firstId;     // side 0's lowest sector ID
    int side1FirstId;
    int off;               // reserved cylinders before the data area
    std::vector<int> skew; // logical sector -> sector ID; empty: firstId + logical
    int blockBytes;        // BLS
    int entries;           // DRM + 1
    int lastBlock;         // DSM
};

const std::vector<Format>& Formats() {
    static const std::vector<Format> formats = {
        {"40-track one-sided, 512-byte sectors",
         40,
         1,
         10,
         512,
         1,
         1,
         0,
         {1, 3, 5, 7, 9, 2, 4, 6, 8, 10},
         2048,
         128,
         99},
        {"Genie 80-track two-sided, 256-byte sectors",
         80,
         2,
         18,
         256,
         0,
         18,
         3,
         {},
         4096,
         128,
         172},
        {"80-track two-sided, 1024-byte sectors", 80, 2, 5, 1024, 0, 0, 3, {}, 4096, 256, 191},
    };
    return formats;
}

using Entry = std::array<std::uint8_t, kEntryBytes>;

class CpmReader {
  public:
    CpmReader(const SectorSource& source, const Format& format) : rd_(source), f_(format) {}

    // The disk when this format's directory reads as one, else none.
    std::optional<Disk> Read();

  private:
    int SectorsPerBlock() const { return f_.blockBytes / f_.sectorBytes; }
    int DirectoryBlocks() const {
        return (f_.entries * kEntryBytes + f_.blockBytes - 1) / f_.blockBytes;
    }
    bool WideBlockNumbers() const { return f_.lastBlock > 255; }
    // The physical sector of the data area's stream sector q.
    SectorAddress StreamSector(std::int64_t q) const {
        const std::int64_t track = q / f_.sectors;
        const int logical = static_cast<int>(q % f_.sectors);
        SectorAddress at;
        at.track = f_.off + static_cast<int>(track / f_.sides);
        at.side = static_cast<int>(track % f_.sides);
        at.sector = !f_.skew.empty() ? f_.skew[static_cast<std::size_t>(logical)]
                                     : (at.side == 0 ? f_.firstId : f_.side1FirstId) + logical;
        return at;
    }
    SectorAddress BlockSector(std::int64_t block, int k) const {
        return StreamSector(block * SectorsPerBlock() + k);
    }
    bool GeometryFits() const;
    bool Plausible(const Entry& e) const;
    std::vector<int> Blocks(const Entry& e) const;

    SectorReader rd_;
    const Format& f_;
};

bool CpmReader::GeometryFits() const {
    const SectorSource& src = rd_.Source();
    if (src.Sides() != f_.sides) {
        return false;
    }
    for (int side = 0; side < f_.sides; ++side) {
        const auto shape = src.Track(f_.off, side);
        const int first = side == 0 ? f_.firstId : f_.side1FirstId;
        if (!shape || shape->sectors != f_.sectors || shape->lowest != first) {
            return false;
        }
    }
    const SectorRead r = src.Read(f_.off, 0, StreamSector(0).sector);
    return r.Readable() && std::ssize(r.bytes) == f_.sectorBytes;
}

std::vector<int> CpmReader::Blocks(const Entry& e) const {
    std::vector<int> blocks;
    for (int k = field::kBlocks; k < kEntryBytes; k += WideBlockNumbers() ? 2 : 1) {
        const int b = WideBlockNumbers() ? e[static_cast<std::size_t>(k)] +
                                               256 * e[static_cast<std::size_t>(k) + 1]
                                         : e[static_cast<std::size_t>(k)];
        if (b != 0) {
            blocks.push_back(b);
        }
    }
    return blocks;
}

// A live entry that could be CP/M's: printable name, extent and record
// counts in range, blocks past the directory and within the disk.
bool CpmReader::Plausible(const Entry& e) const {
    if (e[field::kUser] == kLabel || e[field::kUser] == kTimeStamps) {
        return true;
    }
    for (int k = field::kName; k < field::kName + kNameBytes; ++k) {
        const int c = e[static_cast<std::size_t>(k)] & 0x7F;
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
    }
    if (e[field::kEx] > kMaxExtentByte || e[field::kRc] > kRecordsPerExtent) {
        return false;
    }
    const std::vector<int> blocks = Blocks(e);
    return std::all_of(blocks.begin(), blocks.end(),
                       [&](int b) { return b >= DirectoryBlocks() && b <= f_.lastBlock; });
}

std::optional<Disk> CpmReader::Read() {
    if (!GeometryFits()) {
        return std::nullopt;
    }
    Disk disk;
    std::vector<Entry> entries;
    std::vector<bool> readable;
    const int perSector = f_.sectorBytes / kEntryBytes;
    const int dirSectors = (f_.entries + perSector - 1) / perSector;
    for (int k = 0; k < dirSectors; ++k) {
        disk.directory.push_back(StreamSector(k));
        const auto bytes =
            rd_.Bytes(disk.directory.back(), static_cast<std::size_t>(f_.sectorBytes));
        if (!bytes) {
            disk.problems.push_back("directory sector " + std::to_string(k) + " (" +
                                    AddressText(disk.directory.back()) + ") cannot be read");
        }
        for (int j = 0; j < perSector && std::ssize(entries) < f_.entries; ++j) {
            Entry e;
            e.fill(kFree);
            if (bytes) {
                std::copy_n(bytes->begin() + j * kEntryBytes, kEntryBytes, e.begin());
            }
            entries.push_back(e);
        }
    }
    // The probe: the first directory sector's entries free or plausible, at
    // least one of them live.
    int live = 0;
    for (int j = 0; j < perSector && j < std::ssize(entries); ++j) {
        const Entry& e = entries[static_cast<std::size_t>(j)];
        if (e[field::kUser] == kFree) {
            continue;
        }
        if (e[field::kUser] > kTimeStamps || !Plausible(e)) {
            return std::nullopt;
        }
        live += e[field::kUser] <= kMaxUser ? 1 : 0;
    }
    if (live == 0) {
        return std::nullopt;
    }

    disk.family = Family::Cpm;
    disk.dos = std::string("CP/M (") + f_.name + ")";
    disk.freeUnit = "blocks";
    disk.allocation =
        Allocation{SectorsPerBlock(), 1, f_.sectors * f_.sides, f_.sides, f_.off, f_.lastBlock + 1};

    // Files: the entries of one user and name, by logical extent; a second
    // entry for an extent already read is passed over, as CP/M's own search
    // takes the first.
    struct Extent {
        int x;
        int index;
    };
    std::map<std::pair<int, std::array<std::uint8_t, kNameBytes>>, std::vector<Extent>> byName;
    std::vector<std::pair<int, std::array<std::uint8_t, kNameBytes>>> order;
    for (int i = 0; i < std::ssize(entries); ++i) {
        const Entry& e = entries[static_cast<std::size_t>(i)];
        if (e[field::kUser] > kMaxUser) {
            continue;
        }
        std::array<std::uint8_t, kNameBytes> name{};
        for (int k = 0; k < kNameBytes; ++k) {
            name[static_cast<std::size_t>(k)] =
                e[static_cast<std::size_t>(field::kName + k)] & 0x7F;
        }
        const auto key = std::make_pair(static_cast<int>(e[field::kUser]), name);
        const int x = e[field::kS2] * (kMaxExtentByte + 1) + e[field::kEx];
        auto& extents = byName[key];
        if (extents.empty()) {
            order.push_back(key);
        }
        if (std::any_of(extents.begin(), extents.end(),
                        [&](const Extent& other) { return other.x == x; })) {
            disk.notices.push_back("directory entry " + std::to_string(i) + " repeats extent " +
                                   std::to_string(x) + " of an earlier entry: the first is read");
            continue;
        }
        extents.push_back({x, i});
    }

    std::vector<std::vector<std::int64_t>> granules;
    for (const auto& key : order) {
        auto extents = byName[key];
        std::stable_sort(extents.begin(), extents.end(),
                         [](const Extent& a, const Extent& b) { return a.x < b.x; });
        const Entry& first = entries[static_cast<std::size_t>(extents.front().index)];
        const Entry& last = entries[static_cast<std::size_t>(extents.back().index)];
        DirFile f;
        f.dec = extents.front().index;
        f.rawName = key.second;
        f.user = key.first;
        f.name =
            (f.user == 0 ? std::string() : std::to_string(f.user) + ":") + NameText(f.rawName, '.');
        f.readOnly = (first[field::kReadOnly] & field::kAttributeBit) != 0;
        f.system = (first[field::kSystem] & field::kAttributeBit) != 0;
        f.archived = (first[field::kArchived] & field::kAttributeBit) != 0;
        f.sectorBytes = f_.sectorBytes;
        f.lrl = kRecordBytes;
        f.ern = extents.back().x * kRecordsPerExtent + last[field::kRc];
        f.size = std::int64_t{f.ern} * kRecordBytes;
        const std::int64_t needed = (f.size + f_.sectorBytes - 1) / f_.sectorBytes;
        std::vector<std::int64_t> blocks;
        for (const Extent& x : extents) {
            for (const int b : Blocks(entries[static_cast<std::size_t>(x.index)])) {
                f.extents.push_back({b, 0, 1});
                if (b < DirectoryBlocks() || b > f_.lastBlock) {
                    f.problems.push_back("block " + std::to_string(b) +
                                         " lies outside the data area");
                    continue;
                }
                blocks.push_back(b);
                for (int k = 0; k < SectorsPerBlock() && std::ssize(f.sectors) < needed; ++k) {
                    f.sectors.push_back(BlockSector(b, k));
                }
            }
        }
        if (std::ssize(f.sectors) < needed) {
            f.problems.push_back("the blocks hold " + std::to_string(f.sectors.size()) +
                                 " sectors of the " + std::to_string(needed) + " its records need");
        }
        NoteDamagedSectors(f, rd_.Source());
        granules.push_back(std::move(blocks));
        disk.files.push_back(std::move(f));
    }
    GranuleChecks checks;
    checks.text = [](std::int64_t b) { return "block " + std::to_string(b); };
    checks.markedFree = [](std::int64_t) { return false; };
    checks.sharedByDesign = [](const DirFile&, const DirFile&, std::int64_t) { return false; };
    CheckGranules(disk, granules, checks);

    // Free blocks, and what each sector of the data area is.
    std::set<std::int64_t> used;
    for (const auto& blocks : granules) {
        used.insert(blocks.begin(), blocks.end());
    }
    for (int b = 0; b <= f_.lastBlock; ++b) {
        const bool directory = b < DirectoryBlocks();
        if (!directory && used.count(b) == 0) {
            ++disk.freeGranules;
        }
        for (int k = 0; k < SectorsPerBlock(); ++k) {
            disk.owners.SetKind(BlockSector(b, k), directory
                                                       ? Owner::Kind::Directory
                                                       : (used.count(b) != 0 ? Owner::Kind::InUse
                                                                             : Owner::Kind::Free));
        }
    }
    disk.freeBytes = std::int64_t{disk.freeGranules} * f_.blockBytes;
    MarkOwners(disk, false);
    return disk;
}

} // namespace

std::optional<Disk> ReadCpm(const SectorSource& source) {
    for (const Format& format : Formats()) {
        if (auto disk = CpmReader(source, format).Read()) {
            return disk;
        }
    }
    return std::nullopt;
}

} // namespace ss::dos
