// Model III TRSDOS 1.3 disks: double density, one side, 18 sectors of 256
// bytes a track numbered from 1, granules of 3 sectors, 6 a track.
//
// Boot sector (track 0, first sector): byte 0 0xFE, byte 1 the directory's
// cylinder (0x11).
// Directory cylinder, by sector number counted from its first: +0 the GAT,
// +1 the HIT, +2..+17 sixteen entry sectors of five 48-byte entries (80
// entries; bytes 240..255 hold the trailer "(c) 1980 Tandy"). Entry i lies
// in entry sector i div 5 at (i mod 5) * 48; HIT byte i holds the hash of its
// name (the same hash as TRSDOS 2.3's), 0 for a free entry.
//
// Entry:
//   0       attributes: 0x10 in use, 0x40 system, 0x08 invisible, 0x07 protection
//   1       month, 2 year - 1900 (0 on copied files)
//   3       EOF: bytes in the last, partial sector
//   4       logical record length (0 means 256)
//   5..15   name and extension, blank padded
//   16..19  update and access password hashes
//   20..21  number of whole sectors (low byte first)
//   22..47  13 extents of 2 bytes: track, then (first granule << 5) | granule
//           count; a track byte of 0xFF ends them. An extent runs on into the
//           next track.
// Size in bytes: whole sectors * 256 + EOF.
// GAT: byte t for track t, bits 0..5 the granules in use.
// The system's own overlays are not in the directory: a listing shows the
// directory's files only.
#include "directory.h"
#include "family_reading.h"

#include <algorithm>
#include <string_view>

namespace ss::dos {

namespace {

constexpr std::uint8_t kBootMark = 0xFE;
constexpr int kBootDirByte = 1;
constexpr int kSectorsPerTrack = 18;
constexpr int kGranuleSectors = 3;
constexpr int kGranulesPerTrack = 6;
constexpr int kEntrySectors = 16;
constexpr int kEntriesPerSector = 5;
constexpr int kEntries = kEntrySectors * kEntriesPerSector;
constexpr int kEntryBytes = 48;
constexpr int kTrailerOffset = 240;
constexpr std::string_view kTrailer = "(c) 1980 Tandy";
constexpr int kMaxTracks = 96;

namespace field {
constexpr int kAttributes = 0;
constexpr int kMonth = 1;
constexpr int kYear = 2;
constexpr int kEof = 3;
constexpr int kLrl = 4;
constexpr int kName = 5;
constexpr int kUpdateHash = 16;
constexpr int kAccessHash = 18;
constexpr int kSectors = 20;
constexpr int kExtents = 22;
constexpr int kExtentCount = 13;
constexpr std::uint8_t kEndOfExtents = 0xFF;
} // namespace field

using SectorBytes = std::optional<std::vector<std::uint8_t>>;

int Word(const std::uint8_t* b) {
    return b[0] + 256 * b[1];
}

class Trsdos13Reader {
  public:
    explicit Trsdos13Reader(const SectorSource& source) : rd_(source) {}

    std::optional<Disk> Read();

  private:
    const std::uint8_t* EntryAt(int i) const {
        const SectorBytes& s = dir_[static_cast<std::size_t>(2 + i / kEntriesPerSector)];
        return s ? s->data() + (i % kEntriesPerSector) * kEntryBytes : nullptr;
    }
    bool Live(int i) const {
        const std::uint8_t* e = EntryAt(i);
        return e != nullptr && (e[field::kAttributes] & entry::kInUse) != 0 &&
               (*dir_[1])[static_cast<std::size_t>(i)] != 0;
    }
    std::array<std::uint8_t, kNameBytes> NameBytes(int i) const {
        std::array<std::uint8_t, kNameBytes> raw{};
        std::copy_n(EntryAt(i) + field::kName, kNameBytes, raw.begin());
        return raw;
    }
    DirFile ReadEntry(int i, std::vector<std::int64_t>& granules) const;

    SectorReader rd_;
    Allocation alloc_;
    std::vector<SectorBytes> dir_;
};

std::optional<Disk> Trsdos13Reader::Read() {
    const SectorSource& src = rd_.Source();
    const auto track0 = src.Track(0, 0);
    if (!track0) {
        return std::nullopt;
    }
    Disk disk;
    disk.boot = {0, 0, track0->lowest};
    const SectorBytes boot = rd_.Bytes(disk.boot);
    if (!boot || (*boot)[0] != kBootMark) {
        return std::nullopt;
    }
    const int dirTrack = (*boot)[kBootDirByte];
    const auto shape = src.Track(dirTrack, 0);
    if (!shape) {
        return std::nullopt;
    }
    alloc_ = Allocation{kGranuleSectors,
                        kGranulesPerTrack,
                        kSectorsPerTrack,
                        1,
                        0,
                        std::min(src.Cylinders(), kMaxTracks)};
    const int first = rd_.Lowest(dirTrack, 0, kSectorsPerTrack);
    for (int k = 0; k < 2 + kEntrySectors; ++k) {
        disk.directory.push_back({dirTrack, 0, first + k});
        dir_.push_back(rd_.Bytes(disk.directory.back()));
    }
    if (!dir_[0] || !dir_[1]) {
        return std::nullopt;
    }
    // The directory is TRSDOS 1.3's when its entry sectors carry the trailer
    // or its live entries' names hash as the HIT says.
    bool trailer = false;
    int matching = 0;
    for (int k = 2; k < 2 + kEntrySectors; ++k) {
        const SectorBytes& s = dir_[static_cast<std::size_t>(k)];
        trailer = trailer ||
                  (s && std::equal(kTrailer.begin(), kTrailer.end(), s->begin() + kTrailerOffset));
    }
    for (int i = 0; i < kEntries; ++i) {
        matching += Live(i) && NameHash(NameBytes(i)) == (*dir_[1])[static_cast<std::size_t>(i)];
    }
    if (!trailer && matching == 0) {
        return std::nullopt;
    }

    disk.family = Family::Trsdos13;
    disk.dos = FamilyName(disk.family);
    disk.allocation = alloc_;
    for (std::size_t k = 0; k < dir_.size(); ++k) {
        if (!dir_[k]) {
            disk.problems.push_back("directory sector " + std::to_string(k) + " (" +
                                    AddressText(disk.directory[k]) + ") cannot be read");
        }
    }
    std::vector<std::vector<std::int64_t>> granules;
    for (int i = 0; i < kEntries; ++i) {
        if (Live(i)) {
            granules.emplace_back();
            disk.files.push_back(ReadEntry(i, granules.back()));
        }
    }

    const std::vector<std::uint8_t>& gat = *dir_[0];
    const auto used = [&](std::int64_t g) {
        return (gat[static_cast<std::size_t>(g / kGranulesPerTrack)] &
                (1 << (g % kGranulesPerTrack))) != 0;
    };
    GranuleChecks checks;
    checks.text = [](std::int64_t g) {
        return "track " + std::to_string(g / kGranulesPerTrack) + " granule " +
               std::to_string(g % kGranulesPerTrack);
    };
    checks.markedFree = [&](std::int64_t g) { return !used(g); };
    checks.sharedByDesign = [](const DirFile&, const DirFile&, std::int64_t) { return false; };
    CheckGranules(disk, granules, checks);

    // Free space and what each sector is: the GAT, then the files, the
    // directory and the boot sector over it.
    for (std::int64_t g = 0; g < std::int64_t{alloc_.units} * kGranulesPerTrack; ++g) {
        disk.freeGranules += used(g) ? 0 : 1;
        for (int k = 0; k < kGranuleSectors; ++k) {
            disk.owners.SetKind(rd_.Locate(alloc_, g * kGranuleSectors + k),
                                used(g) ? Owner::Kind::InUse : Owner::Kind::Free);
        }
    }
    disk.freeBytes = std::int64_t{disk.freeGranules} * kGranuleSectors * kSectorBytes;
    MarkOwners(disk, true);
    return disk;
}

DirFile Trsdos13Reader::ReadEntry(int i, std::vector<std::int64_t>& granules) const {
    const std::uint8_t* e = EntryAt(i);
    DirFile f;
    f.dec = i;
    f.rawName = NameBytes(i);
    f.name = NameText(f.rawName);
    f.attributes = e[field::kAttributes];
    f.system = (f.attributes & entry::kSystem) != 0;
    f.invisible = (f.attributes & entry::kInvisible) != 0;
    f.flag5 = (f.attributes & entry::kFlag5) != 0;
    f.protection = f.attributes & entry::kProtection;
    f.lrl = e[field::kLrl] == 0 ? 256 : e[field::kLrl];
    f.eof = e[field::kEof];
    f.ern = Word(e + field::kSectors);
    f.size = std::int64_t{f.ern} * kSectorBytes + f.eof;
    f.updateHash = Word(e + field::kUpdateHash);
    f.accessHash = Word(e + field::kAccessHash);
    const int month = e[field::kMonth];
    if (month >= 1 && month <= 12 && e[field::kYear] != 0) {
        f.date = Date{1900 + e[field::kYear], month, 0};
    }
    const int hash = NameHash(f.rawName);
    const int hit = (*dir_[1])[static_cast<std::size_t>(i)];
    if (hash != hit) {
        f.problems.push_back("name hash " + Hex2(hash) + " does not match the HIT byte " +
                             Hex2(hit));
    }

    // The file's sectors: as many as its size needs, granule by granule.
    const std::int64_t needed = (f.size + kSectorBytes - 1) / kSectorBytes;
    const std::int64_t diskGranules = std::int64_t{alloc_.units} * kGranulesPerTrack;
    bool past = false;
    for (int x = 0; x < field::kExtentCount && !past; ++x) {
        const std::uint8_t* p = e + field::kExtents + 2 * x;
        if (p[0] == field::kEndOfExtents) {
            break;
        }
        Extent ext{p[0], p[1] >> 5, p[1] & 0x1F};
        f.extents.push_back(ext);
        const std::int64_t start = std::int64_t{ext.unit} * kGranulesPerTrack + ext.granule;
        for (int n = 0; n < ext.count && std::ssize(f.sectors) < needed; ++n) {
            if (ext.granule >= kGranulesPerTrack || start + n >= diskGranules) {
                f.problems.push_back("extent " + std::to_string(x + 1) + " (track " +
                                     std::to_string(ext.unit) + ", granule " +
                                     std::to_string(ext.granule) + ") lies past the disk");
                past = true;
                break;
            }
            granules.push_back(start + n);
            for (int k = 0; k < kGranuleSectors && std::ssize(f.sectors) < needed; ++k) {
                f.sectors.push_back(rd_.Locate(alloc_, (start + n) * kGranuleSectors + k));
            }
        }
    }
    if (!past && std::ssize(f.sectors) < needed) {
        f.problems.push_back("the extents hold " + std::to_string(f.sectors.size()) +
                             " sectors of the " + std::to_string(needed) + " the size needs");
    }
    NoteDamagedSectors(f, rd_.Source());
    return f;
}

} // namespace

std::optional<Disk> ReadTrsdos13(const SectorSource& source) {
    return Trsdos13Reader(source).Read();
}

} // namespace ss::dos
