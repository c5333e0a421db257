#include "dos_disk.h"

#include "directory.h"
#include "image/newdos.h"

#include <algorithm>
#include <set>

namespace ss::dos {

namespace {

constexpr int kSectorBytes = 256;
constexpr std::uint8_t kBootFirst = 0x00;
constexpr std::uint8_t kBootSecond = 0xFE;
constexpr int kBootDirByte = 2;
constexpr int kTrsdosDirTrack = 17;
constexpr int kTrsdosSectors = 10;
constexpr int kTrsdosDirSectors = 10;
constexpr int kNewdosGranuleSectors = 5;
constexpr int kNewdosMinGpl = 2;
constexpr int kNewdosMaxGpl = 8;
constexpr int kLdosCylinderBase = 35;
constexpr int kMaxDirSectors = 2 + kMaxEntrySectors;
constexpr std::array<std::uint8_t, kNameBytes> kDirSysName = {'D', 'I', 'R', ' ', ' ', ' ',
                                                              ' ', ' ', 'S', 'Y', 'S'};

// NEWDOS/80 drive parameters, drive 0: the bytes the reader uses.
namespace pdrive {
constexpr int kDirLump = 0;
constexpr int kTypeFlags = 2;
constexpr std::uint8_t kTrackZeroOther = 0x40; // TI "K": track 0 in the other density
constexpr int kSectorsPerTrack = 4;
constexpr int kGranulesPerLump = 5;
} // namespace pdrive

int Word(const std::vector<std::uint8_t>& b, int at) {
    return b[static_cast<std::size_t>(at)] + 256 * b[static_cast<std::size_t>(at) + 1];
}

std::span<const std::uint8_t, kNameBytes> NameOf(const std::uint8_t* entryBytes) {
    return std::span<const std::uint8_t, kNameBytes>(entryBytes + entry::kName, kNameBytes);
}

// A candidate directory: where the family's rules put it.
struct Layout {
    Family family = Family::None;
    Allocation alloc;
    std::int64_t dirRel = 0; // relative sector of the GAT
    int dirSectors = 0;
};

class Reader {
  public:
    explicit Reader(const SectorSource& source) : src_(source) {
        diskLowest_ = 255;
        for (int c = 0; c < src_.Cylinders(); ++c) {
            for (int h = 0; h < src_.Sides(); ++h) {
                if (const auto shape = src_.Track(c, h)) {
                    diskLowest_ = std::min(diskLowest_, shape->lowest);
                }
            }
        }
        if (diskLowest_ == 255) {
            diskLowest_ = 0;
        }
    }

    const SectorSource& Source() const { return src_; }

    // The sector at relative sector `rel` of the allocation. Sector numbers
    // count from the track's lowest; a track that lacks sectors counts from
    // the disk's lowest, as its first may be the one lost.
    SectorAddress Locate(const Allocation& a, std::int64_t rel) const {
        const int perSide = std::max(1, a.SectorsPerSide());
        const int perCylinder = std::max(1, a.sectorsPerCylinder);
        SectorAddress at;
        at.track = a.firstCylinder + static_cast<int>(rel / perCylinder);
        const int s = static_cast<int>(rel % perCylinder);
        at.side = s / perSide;
        at.sector = Lowest(at.track, at.side, perSide) + s % perSide;
        return at;
    }

    int Lowest(int cylinder, int side, int perSide) const {
        const auto shape = src_.Track(cylinder, side);
        if (!shape) {
            return diskLowest_;
        }
        if (shape->sectors < perSide && diskLowest_ < shape->lowest) {
            return diskLowest_;
        }
        return shape->lowest;
    }

    // A sector as 256 bytes, or none when it cannot be read.
    std::optional<std::vector<std::uint8_t>> Bytes(const SectorAddress& at) const {
        SectorRead r = src_.Read(at.track, at.side, at.sector);
        if (!r.Readable()) {
            return std::nullopt;
        }
        r.bytes.resize(kSectorBytes, 0);
        return r.bytes;
    }

  private:
    const SectorSource& src_;
    int diskLowest_ = 0;
};

std::string VersionText(int v) {
    const int hi = v >> 4;
    const int lo = v & 0x0F;
    if (hi < 1 || hi > 9 || lo > 9) {
        return {};
    }
    return std::to_string(hi) + "." + std::to_string(lo);
}

// GAT text fields: printable bytes, trailing blanks dropped.
std::string GatText(const std::vector<std::uint8_t>& gat, int at) {
    std::string s;
    for (int k = 0; k < gat::kTextSize; ++k) {
        const std::uint8_t b = gat[static_cast<std::size_t>(at + k)];
        s += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '?';
    }
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string NameText(const std::array<std::uint8_t, kNameBytes>& raw) {
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
    return ext.empty() ? name : name + "/" + ext;
}

std::string Hex2(int v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(v >> 4) & 0x0F], kDigits[v & 0x0F]};
}

// The entry at DEC in the directory sectors read, or none when its sector
// could not be read.
const std::uint8_t* EntryAt(const std::vector<std::optional<std::vector<std::uint8_t>>>& dir,
                            int dec) {
    const auto k = static_cast<std::size_t>(DecSector(dec));
    if (k >= dir.size() || !dir[k]) {
        return nullptr;
    }
    return dir[k]->data() + DecOffset(dec);
}

bool LiveEntry(const std::uint8_t* e, const std::vector<std::uint8_t>& hit, int dec) {
    const int attr = e[entry::kAttributes];
    return (attr & entry::kInUse) != 0 && (attr & entry::kExtended) == 0 &&
           hit[static_cast<std::size_t>(dec)] != 0;
}

class DiskReader {
  public:
    explicit DiskReader(const SectorSource& source) : rd_(source) {}

    Disk Read();

  private:
    std::optional<Layout> Recognise(const std::vector<std::uint8_t>& boot, Disk& disk);
    std::optional<Layout> NewdosFromPdrive(int dirLump);
    std::optional<Layout> NewdosSearch(int dirLump);
    // Completes a NEWDOS/80 layout: the directory's length from DIR/SYS.
    // None unless DIR/SYS is found where the layout puts the directory.
    std::optional<Layout> CheckNewdos(Layout layout);
    // Live entries of the first directory sectors whose hashes match the HIT.
    int Score(const Layout& layout);
    std::vector<std::optional<std::vector<std::uint8_t>>> ReadDirectory(const Layout& layout,
                                                                        int sectors) const;
    void ReadEntries(Disk& disk, const Layout& layout);
    void PlaceFile(DirFile& file, const Allocation& a);
    void CountFree(Disk& disk, const std::vector<std::uint8_t>& gat);
    void MapOwners(Disk& disk, const std::optional<std::vector<std::uint8_t>>& gat);

    Reader rd_;
    std::string unitName_ = "cylinder"; // what an extent's first byte counts
    std::vector<std::optional<std::vector<std::uint8_t>>> dir_;
};

Disk DiskReader::Read() {
    Disk disk;
    const SectorSource& src = rd_.Source();
    const auto track0 = src.Track(0, 0);
    if (!track0) {
        disk.why = "the image holds no sector on track 0";
        return disk;
    }
    disk.boot = {0, 0, track0->lowest};
    const auto boot = rd_.Bytes(disk.boot);
    if (!boot || (*boot)[0] != kBootFirst || (*boot)[1] != kBootSecond) {
        disk.why = boot ? "the boot sector does not start 00 FE" : "the boot sector cannot be read";
        return disk;
    }
    const std::optional<Layout> layout = Recognise(*boot, disk);
    if (!layout) {
        disk.why = "no TRSDOS 2.3, LDOS 5.x or NEWDOS/80 directory was found where the boot "
                   "sector points";
        return disk;
    }
    disk.family = layout->family;
    unitName_ = disk.family == Family::Trsdos23   ? "track"
                : disk.family == Family::Newdos80 ? "lump"
                                                  : "cylinder";
    disk.allocation = layout->alloc;
    ReadEntries(disk, *layout);
    return disk;
}

std::optional<Layout> DiskReader::Recognise(const std::vector<std::uint8_t>& boot, Disk& disk) {
    const int dirByte = boot[kBootDirByte];
    const SectorSource& src = rd_.Source();

    // NEWDOS/80 system disks carry their drive parameters.
    if (auto l = NewdosFromPdrive(dirByte)) {
        return l;
    }

    // LDOS: the directory cylinder from the boot sector, its GAT naming version 5.
    {
        const int cylinder = dirByte & 0x7F;
        const int lowest = rd_.Lowest(cylinder, 0, 1);
        const auto gat = rd_.Bytes({cylinder, 0, lowest});
        const auto shape = src.Track(cylinder, 0);
        if (gat && shape && ((*gat)[gat::kVersion] >> 4) == 5) {
            const int flags = (*gat)[gat::kLdosFlags];
            const int perSideGranules = (flags & gat::kLdosGranulesMask) + 1;
            Layout l;
            l.family = Family::Ldos5;
            l.alloc.sides = (flags & gat::kLdosTwoSided) != 0 ? 2 : 1;
            l.alloc.sectorsPerCylinder = shape->sectors * l.alloc.sides;
            l.alloc.sectorsPerGranule = std::max(1, shape->sectors / perSideGranules);
            l.alloc.granulesPerUnit = perSideGranules * l.alloc.sides;
            l.alloc.units = (*gat)[gat::kLdosCylinders] + kLdosCylinderBase;
            l.dirRel = static_cast<std::int64_t>(cylinder) * l.alloc.sectorsPerCylinder;
            l.dirSectors = std::min(l.alloc.sectorsPerCylinder, kMaxDirSectors);
            if (Score(l) > 0) {
                return l;
            }
            disk.problems.push_back("the GAT names LDOS, but its directory does not read as one");
        }
    }

    // TRSDOS 2.3: one side, single density, ten sectors a track, directory on track 17.
    if (dirByte == kTrsdosDirTrack) {
        const auto shape = src.Track(kTrsdosDirTrack, 0);
        if (shape && !shape->doubleDensity) {
            Layout l;
            l.family = Family::Trsdos23;
            l.alloc =
                Allocation{5, 2, kTrsdosSectors, 1, 0, std::min(src.Cylinders(), gat::kUnits)};
            l.dirRel = static_cast<std::int64_t>(kTrsdosDirTrack) * kTrsdosSectors;
            l.dirSectors = kTrsdosDirSectors;
            if (Score(l) > 0) {
                return l;
            }
        }
    }

    // A NEWDOS/80 data disk has no drive parameters: find its GAT.
    return NewdosSearch(dirByte);
}

std::optional<Layout> DiskReader::NewdosFromPdrive(int dirLump) {
    const SectorSource& src = rd_.Source();
    for (int track : {0, 1}) {
        const auto shape = src.Track(track, 0);
        if (!shape) {
            continue;
        }
        const auto p = rd_.Bytes({track, 0, shape->lowest + 2});
        if (!p || (*p)[newdos::kPdriveMarkerOffset] != newdos::kPdriveMarker) {
            continue;
        }
        const int spt = (*p)[pdrive::kSectorsPerTrack];
        const int gpl = (*p)[pdrive::kGranulesPerLump];
        if (spt == 0 || gpl == 0) {
            return std::nullopt;
        }
        Layout l;
        l.family = Family::Newdos80;
        l.alloc.sectorsPerGranule = kNewdosGranuleSectors;
        l.alloc.granulesPerUnit = gpl;
        l.alloc.sectorsPerCylinder = spt;
        // The drive's TD: 10 and 18 sectors are one side, others two.
        l.alloc.sides = (spt == 10 || spt == 18) ? 1 : 2;
        l.alloc.firstCylinder = ((*p)[pdrive::kTypeFlags] & pdrive::kTrackZeroOther) != 0 ? 1 : 0;
        // The boot sector's lump first, then the parameters' own.
        for (int lump : {dirLump, static_cast<int>((*p)[pdrive::kDirLump])}) {
            l.dirRel = static_cast<std::int64_t>(lump) * gpl * kNewdosGranuleSectors;
            if (auto checked = CheckNewdos(l)) {
                return checked;
            }
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Layout> DiskReader::NewdosSearch(int dirLump) {
    const SectorSource& src = rd_.Source();
    const int sides = std::max(1, src.Sides());
    const auto shape = src.Track(src.Cylinders() > 1 ? 1 : 0, 0);
    if (!shape) {
        return std::nullopt;
    }
    for (int first : {0, 1}) {
        for (int gpl = kNewdosMinGpl; gpl <= kNewdosMaxGpl; ++gpl) {
            Layout l;
            l.family = Family::Newdos80;
            l.alloc.sectorsPerGranule = kNewdosGranuleSectors;
            l.alloc.granulesPerUnit = gpl;
            l.alloc.sectorsPerCylinder = shape->sectors * sides;
            l.alloc.sides = sides;
            l.alloc.firstCylinder = first;
            l.dirRel = static_cast<std::int64_t>(dirLump) * gpl * kNewdosGranuleSectors;
            if (auto checked = CheckNewdos(l)) {
                return checked;
            }
        }
    }
    return std::nullopt;
}

std::optional<Layout> DiskReader::CheckNewdos(Layout l) {
    Allocation& a = l.alloc;
    const int cylinders = std::max(0, rd_.Source().Cylinders() - a.firstCylinder);
    a.units =
        static_cast<int>(static_cast<std::int64_t>(cylinders) * a.sectorsPerCylinder /
                         (static_cast<std::int64_t>(a.granulesPerUnit) * a.sectorsPerGranule));
    // DIR/SYS lies in the first entry sectors; its extent starts at the GAT.
    const auto first = ReadDirectory(l, 4);
    if (!first[1]) {
        return std::nullopt;
    }
    for (int dec = 0; dec < 256; ++dec) {
        if (DecSector(dec) > 3) {
            continue;
        }
        const std::uint8_t* e = EntryAt(first, dec);
        if (e == nullptr || !LiveEntry(e, *first[1], dec)) {
            continue;
        }
        const auto name = NameOf(e);
        if (!std::equal(name.begin(), name.end(), kDirSysName.begin()) ||
            NameHash(name) != (*first[1])[static_cast<std::size_t>(dec)]) {
            continue;
        }
        const int unit = e[entry::kExtents];
        const int granule = e[entry::kExtents + 1] >> 5;
        const std::int64_t start =
            (static_cast<std::int64_t>(unit) * a.granulesPerUnit + granule) * a.sectorsPerGranule;
        if (start != l.dirRel) {
            continue;
        }
        const int ern = Word(std::vector<std::uint8_t>(e, e + kEntrySize), entry::kErn);
        l.dirSectors = std::clamp(ern, 3, kMaxDirSectors);
        return l;
    }
    return std::nullopt;
}

std::vector<std::optional<std::vector<std::uint8_t>>>
DiskReader::ReadDirectory(const Layout& layout, int sectors) const {
    std::vector<std::optional<std::vector<std::uint8_t>>> dir;
    for (int k = 0; k < sectors; ++k) {
        dir.push_back(rd_.Bytes(rd_.Locate(layout.alloc, layout.dirRel + k)));
    }
    return dir;
}

int DiskReader::Score(const Layout& layout) {
    const auto dir = ReadDirectory(layout, layout.dirSectors);
    if (dir.size() < 3 || !dir[1]) {
        return 0;
    }
    int score = 0;
    for (int dec = 0; dec < 256; ++dec) {
        const std::uint8_t* e = EntryAt(dir, dec);
        if (e != nullptr && LiveEntry(e, *dir[1], dec) &&
            NameHash(NameOf(e)) == (*dir[1])[static_cast<std::size_t>(dec)]) {
            ++score;
        }
    }
    return score;
}

void DiskReader::ReadEntries(Disk& disk, const Layout& layout) {
    const Allocation& a = layout.alloc;
    dir_ = ReadDirectory(layout, layout.dirSectors);
    for (int k = 0; k < layout.dirSectors; ++k) {
        disk.directory.push_back(rd_.Locate(a, layout.dirRel + k));
        if (!dir_[static_cast<std::size_t>(k)]) {
            disk.problems.push_back("directory sector " + std::to_string(k) + " (" +
                                    AddressText(disk.directory.back()) + ") cannot be read");
        } else if (rd_.Source()
                       .Read(disk.directory.back().track, disk.directory.back().side,
                             disk.directory.back().sector)
                       .status == SectorStatus::CrcError) {
            disk.problems.push_back("directory sector " + std::to_string(k) + " (" +
                                    AddressText(disk.directory.back()) + ") has a CRC error");
        }
    }
    const auto& gat = dir_[0];
    if (gat) {
        disk.version = VersionText((*gat)[gat::kVersion]);
        disk.diskName = GatText(*gat, gat::kDiskName);
        disk.diskDate = GatText(*gat, gat::kDate);
        CountFree(disk, *gat);
    }
    disk.dos = FamilyName(disk.family);
    if (disk.family == Family::Ldos5 && !disk.version.empty()) {
        disk.dos = "LDOS " + disk.version;
    } else if (disk.family == Family::Newdos80 && !disk.version.empty()) {
        disk.dos += " " + disk.version;
    }

    const auto& hit = dir_[1];
    if (hit) {
        for (int dec = 0; dec < 256; ++dec) {
            const std::uint8_t* e = EntryAt(dir_, dec);
            if (e == nullptr || !LiveEntry(e, *hit, dec)) {
                continue;
            }
            DirFile f;
            f.dec = dec;
            std::copy_n(e + entry::kName, kNameBytes, f.rawName.begin());
            f.name = NameText(f.rawName);
            f.attributes = e[entry::kAttributes];
            f.system = (f.attributes & entry::kSystem) != 0;
            f.invisible = (f.attributes & entry::kInvisible) != 0;
            f.flag5 = (f.attributes & entry::kFlag5) != 0;
            f.protection = f.attributes & entry::kProtection;
            f.lrl = e[entry::kLrl] == 0 ? 256 : e[entry::kLrl];
            f.eof = e[entry::kEof];
            const std::vector<std::uint8_t> bytes(e, e + kEntrySize);
            f.ern = Word(bytes, entry::kErn);
            f.size = f.eof == 0 ? std::int64_t{f.ern} * 256
                                : std::max(0, f.ern - 1) * std::int64_t{256} + f.eof;
            f.updateHash = Word(bytes, entry::kUpdateHash);
            f.accessHash = Word(bytes, entry::kAccessHash);
            if (disk.family == Family::Ldos5) {
                const Date d{1980 + (e[entry::kDateDayYear] & 0x07), e[entry::kDateMonth] & 0x0F,
                             e[entry::kDateDayYear] >> 3};
                if (d.month >= 1 && d.month <= 12 && d.day >= 1) {
                    f.date = d;
                }
            }
            const int hash = NameHash(NameOf(e));
            if (hash != (*hit)[static_cast<std::size_t>(dec)]) {
                f.problems.push_back("name hash " + Hex2(hash) + " does not match the HIT byte " +
                                     Hex2((*hit)[static_cast<std::size_t>(dec)]));
            }
            PlaceFile(f, a);
            disk.files.push_back(std::move(f));
        }
    }
    MapOwners(disk, gat);
}

void DiskReader::PlaceFile(DirFile& f, const Allocation& a) {
    // The entry's extents, then those of each extended entry it links to.
    std::set<int> seen{f.dec};
    const std::uint8_t* e = EntryAt(dir_, f.dec);
    int owner = f.dec;
    while (e != nullptr) {
        bool ended = false;
        for (int x = 0; x < entry::kExtentsInEntry && !ended; ++x) {
            const int first = e[entry::kExtents + 2 * x];
            const int second = e[entry::kExtents + 2 * x + 1];
            if (first == entry::kEndOfExtents) {
                ended = true;
            } else {
                f.extents.push_back({first, second >> 5, (second & 0x1F) + 1});
            }
        }
        if (ended || e[entry::kLink] != entry::kLinkMark) {
            break;
        }
        const int next = e[entry::kLink + 1];
        const std::uint8_t* x = EntryAt(dir_, next);
        if (!seen.insert(next).second) {
            f.problems.push_back("extended entry " + Hex2(next) + " links back to an earlier one");
            break;
        }
        if (x == nullptr) {
            f.problems.push_back("extended entry " + Hex2(next) + " cannot be read");
            break;
        }
        if ((x[entry::kAttributes] & entry::kExtended) == 0 || x[entry::kDateMonth] != owner) {
            f.problems.push_back("the entry at " + Hex2(next) + " is not an extended entry of " +
                                 Hex2(owner));
            break;
        }
        owner = next;
        e = x;
    }

    // The file's sectors: ERN of them, granule by granule in extent order.
    const std::int64_t granules = static_cast<std::int64_t>(a.units) * a.granulesPerUnit;
    bool past = false;
    for (std::size_t x = 0; x < f.extents.size() && !past; ++x) {
        const Extent& ext = f.extents[x];
        const std::int64_t start =
            static_cast<std::int64_t>(ext.unit) * a.granulesPerUnit + ext.granule;
        for (int n = 0; n < ext.count && std::ssize(f.sectors) < f.ern; ++n) {
            if (ext.granule >= a.granulesPerUnit || start + n >= granules) {
                f.problems.push_back("extent " + std::to_string(x + 1) + " (" + unitName_ + " " +
                                     std::to_string(ext.unit) + ", granule " +
                                     std::to_string(ext.granule) + ") lies past the disk");
                past = true;
                break;
            }
            for (int k = 0; k < a.sectorsPerGranule && std::ssize(f.sectors) < f.ern; ++k) {
                f.sectors.push_back(rd_.Locate(a, (start + n) * a.sectorsPerGranule + k));
            }
        }
    }
    if (!past && std::ssize(f.sectors) < f.ern) {
        f.problems.push_back("the extents hold " + std::to_string(f.sectors.size()) +
                             " sectors of the " + std::to_string(f.ern) + " the entry counts");
    }
    for (std::size_t k = 0; k < f.sectors.size(); ++k) {
        const SectorAddress& at = f.sectors[k];
        const SectorRead r = rd_.Source().Read(at.track, at.side, at.sector);
        const std::string which = "sector " + std::to_string(k + 1) + " (" + AddressText(at) + ")";
        if (r.status == SectorStatus::Missing) {
            f.problems.push_back(which + " is missing");
        } else if (r.status == SectorStatus::CrcError) {
            f.problems.push_back(which + " has a CRC error");
        }
    }
}

void DiskReader::CountFree(Disk& disk, const std::vector<std::uint8_t>& gat) {
    const Allocation& a = disk.allocation;
    const int units = std::min(a.units, gat::kUnits);
    for (int u = 0; u < units; ++u) {
        const int used =
            gat[static_cast<std::size_t>(u)] | gat[static_cast<std::size_t>(gat::kLockout + u)];
        for (int g = 0; g < a.granulesPerUnit && g < 8; ++g) {
            if ((used & (1 << g)) == 0) {
                ++disk.freeGranules;
            }
        }
    }
    disk.freeBytes = std::int64_t{disk.freeGranules} * a.sectorsPerGranule * kSectorBytes;
}

void DiskReader::MapOwners(Disk& disk, const std::optional<std::vector<std::uint8_t>>& gat) {
    const Allocation& a = disk.allocation;
    if (gat) {
        const int units = std::min(a.units, gat::kUnits);
        for (int u = 0; u < units; ++u) {
            for (int g = 0; g < a.granulesPerUnit && g < 8; ++g) {
                const bool used = ((*gat)[static_cast<std::size_t>(u)] & (1 << g)) != 0;
                const std::int64_t first =
                    (static_cast<std::int64_t>(u) * a.granulesPerUnit + g) * a.sectorsPerGranule;
                for (int k = 0; k < a.sectorsPerGranule; ++k) {
                    disk.owners[rd_.Locate(a, first + k)].kind =
                        used ? Owner::Kind::InUse : Owner::Kind::Free;
                }
            }
        }
    }
    for (std::size_t f = 0; f < disk.files.size(); ++f) {
        const auto& sectors = disk.files[f].sectors;
        for (std::size_t k = 0; k < sectors.size(); ++k) {
            disk.owners[sectors[k]] =
                Owner{Owner::Kind::File, static_cast<int>(f), static_cast<int>(k)};
        }
    }
    for (std::size_t k = 0; k < disk.directory.size(); ++k) {
        disk.owners[disk.directory[k]].kind = k == 0   ? Owner::Kind::Gat
                                              : k == 1 ? Owner::Kind::Hit
                                                       : Owner::Kind::Directory;
    }
    disk.owners[disk.boot] = Owner{Owner::Kind::Boot, -1, 0};
}

} // namespace

Owner Disk::OwnerOf(const SectorAddress& at) const {
    const auto it = owners.find(at);
    return it == owners.end() ? Owner{} : it->second;
}

Disk ReadDisk(const SectorSource& source) {
    return DiskReader(source).Read();
}

const char* FamilyName(Family family) {
    switch (family) {
    case Family::Trsdos23:
        return "TRSDOS 2.3";
    case Family::Ldos5:
        return "LDOS 5.x";
    case Family::Newdos80:
        return "NEWDOS/80";
    case Family::None:
        break;
    }
    return "";
}

std::string OwnerText(const Disk& disk, const SectorAddress& at) {
    if (!disk.Recognised()) {
        return {};
    }
    const Owner o = disk.OwnerOf(at);
    switch (o.kind) {
    case Owner::Kind::Boot:
        return "boot";
    case Owner::Kind::Gat:
        return "GAT";
    case Owner::Kind::Hit:
        return "HIT";
    case Owner::Kind::Directory:
        return "directory";
    case Owner::Kind::Free:
        return "free";
    case Owner::Kind::InUse:
        return "in use, no file";
    case Owner::Kind::File: {
        const DirFile& f = disk.files[static_cast<std::size_t>(o.file)];
        return f.name + ", sector " + std::to_string(o.nth + 1) + " of " +
               std::to_string(f.sectors.size());
    }
    case Owner::Kind::None:
        break;
    }
    return {};
}

FileBytes ReadFile(const SectorSource& source, const DirFile& file) {
    FileBytes out;
    for (const SectorAddress& at : file.sectors) {
        SectorRead r = source.Read(at.track, at.side, at.sector);
        if (!r.Readable()) {
            out.missing.push_back(at);
        } else if (r.status == SectorStatus::CrcError) {
            out.crcErrors.push_back(at);
        }
        r.bytes.resize(kSectorBytes, 0);
        out.bytes.insert(out.bytes.end(), r.bytes.begin(), r.bytes.end());
    }
    if (std::ssize(out.bytes) > file.size) {
        out.bytes.resize(static_cast<std::size_t>(file.size));
    }
    return out;
}

std::string AddressText(const SectorAddress& at) {
    return "track " + std::to_string(at.track) + " side " + std::to_string(at.side) + " sector " +
           std::to_string(at.sector);
}

std::string DateText(const Date& date) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::string day = (date.day < 10 ? "0" : "") + std::to_string(date.day);
    const std::string year = std::to_string(date.year % 100);
    return day + "-" + kMonths[(date.month - 1) % 12] + "-" + (year.size() < 2 ? "0" : "") + year;
}

std::string AttributeText(const DirFile& file) {
    std::string s;
    s += file.system ? 'S' : '-';
    s += file.invisible ? 'I' : '-';
    s += file.flag5 ? '*' : '-';
    s += static_cast<char>('0' + file.protection);
    return s;
}

} // namespace ss::dos
