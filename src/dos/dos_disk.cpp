#include "dos_disk.h"

#include "directory.h"
#include "family_reading.h"
#include "image/newdos.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <set>

namespace ss::dos {

namespace {

constexpr std::uint8_t kBootFirst = 0x00;
constexpr std::uint8_t kBootSecond = 0xFE;
constexpr std::uint8_t kTrsdos13BootFirst = 0xFE; // Model III TRSDOS 1.3
constexpr int kBootDirByte = 2;
constexpr int kTrsdosDirTrack = 17;
constexpr int kTrsdosSectors = 10;
constexpr int kTrsdosDirSectors = 10;
constexpr int kNewdosGranuleSectors = 5;
constexpr int kNewdosMinGpl = 2;
constexpr int kNewdosMaxGpl = 8;
constexpr int kLdosCylinderBase = 35;
// The GAT's version byte (0xCB) names the DOS in its high digit.
constexpr int kLdosMajor = 5;
constexpr int kDosplusMajor = 3;
constexpr int kMaxDirSectors = 2 + kMaxEntrySectors;
// NEWDOS/80 keeps BOOT/SYS and DIR/SYS in the first two entries (DEC 0 and
// 1); its derivatives rename them, so they are known by place, not by name.
constexpr int kBootSysDec = 0;
constexpr int kDirSysDec = 1;
// Granule sizes of LDOS-style disks: single density 5 sectors, double 6,
// with 2 or 3 granules a track side when the GAT cannot be followed.
constexpr int kSingleGranuleSectors = 5;
constexpr int kDoubleGranuleSectors = 6;
constexpr int kSingleGranulesPerSide = 2;
constexpr int kDoubleGranulesPerSide = 3;

// NEWDOS/80 drive parameters: a system disk keeps one entry for each of its
// drives, 16 bytes apart, in the sector that carries the 0xA5 marker. The
// bytes the reader uses:
namespace pdrive {
constexpr int kEntryStride = 16;
constexpr int kEntries = 10; // drives 0 to 9
constexpr int kDirLump = 0;  // DDSL
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

// How many allocation units the GAT maps: up to 96 before the lock-out
// table; a NEWDOS/80 disk of more lumps maps them on to byte 0xBF.
int MapUnits(const Disk& disk) {
    const int units = disk.allocation.units;
    if (disk.family == Family::Newdos80 && units > gat::kUnits) {
        return std::min(units, gat::kUnitsWithoutLockout);
    }
    return std::min(units, gat::kUnits);
}

// The DOS as the disk names it: the family with the GAT's version; a
// NEWDOS/80 derivative by the name it gives BOOT/SYS ("HDOS/SYS").
std::string DosText(const Disk& disk) {
    std::string dos = FamilyName(disk.family);
    if (disk.family == Family::Ldos5 || disk.family == Family::Dosplus) {
        return disk.version.empty()
                   ? dos
                   : (disk.family == Family::Ldos5 ? "LDOS " : "DOSPLUS ") + disk.version;
    }
    if (disk.family != Family::Newdos80) {
        return dos;
    }
    const std::string version = disk.version.empty() ? std::string() : " " + disk.version;
    for (const DirFile& f : disk.files) {
        if (f.dec != kBootSysDec) {
            continue;
        }
        const std::string name = f.name.substr(0, f.name.find('/'));
        const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        });
        if (plain && name != "BOOT") {
            return name + version + " (" + dos + ")";
        }
    }
    return dos + version;
}

std::string SidesWord(int sides) {
    return sides == 1 ? "one side" : "two sides";
}

// The granules of an LDOS-style disk (LDOS, DOSPLUS). Image tools write some
// GATs whose configuration byte (0xCD) is wrong, so the sectors present and
// the lock-out table decide:
// - sides: 0xCD bit 5, but one side when the image has no side 1, and the
//   other count when only that one fits the lock-out table;
// - granules a cylinder: the lock-out table's zero bits, when they make
//   granules of the density's size (5 single, 6 double) of the cylinder's
//   sectors; else the density's usual 2 x 5 or 3 x 6 a side.
// Where 0xCD says otherwise a notice says what was followed.
Allocation GranuleGeometry(const std::vector<std::uint8_t>& gat, const TrackShape& dirTrack,
                           bool imageHasSideOne, std::vector<std::string>& notices) {
    const int flags = gat[gat::kLdosFlags];
    const int perSide = dirTrack.sectors;
    const int granuleSectors =
        dirTrack.doubleDensity ? kDoubleGranuleSectors : kSingleGranuleSectors;
    const int lockout = gat[gat::kLockout];
    const int lockoutGranules = 8 - std::popcount(static_cast<unsigned>(lockout));
    const auto fits = [&](int sides) {
        return lockoutGranules > 0 && perSide * sides == lockoutGranules * granuleSectors;
    };

    const int gatSides = (flags & gat::kLdosTwoSided) != 0 ? 2 : 1;
    int sides = gatSides;
    if (sides == 2 && !imageHasSideOne) {
        sides = 1;
        notices.push_back("the GAT says the disk has two sides, but the image holds no side 1: "
                          "read as one side");
    } else if (!fits(sides) && imageHasSideOne && fits(3 - sides)) {
        sides = 3 - sides;
        notices.push_back("the GAT says the disk has " + SidesWord(gatSides) +
                          ", but its lock-out table counts the granules of " + SidesWord(sides) +
                          ": read as " + SidesWord(sides));
    }

    Allocation a;
    a.sides = sides;
    a.sectorsPerGranule = granuleSectors;
    if (fits(sides)) {
        a.granulesPerUnit = lockoutGranules;
    } else {
        a.granulesPerUnit =
            (dirTrack.doubleDensity ? kDoubleGranulesPerSide : kSingleGranulesPerSide) * sides;
        notices.push_back("the GAT's lock-out table (" + Hex2(lockout) + ") does not fit " +
                          std::to_string(perSide) + " sectors a side: read as the density's " +
                          std::to_string(a.granulesPerUnit / sides) + " granules of " +
                          std::to_string(granuleSectors) + " sectors a side");
    }
    a.sectorsPerCylinder = a.granulesPerUnit * a.sectorsPerGranule;
    const int gatPerSide = (flags & gat::kLdosGranulesMask) + 1;
    if (gatPerSide * sides != a.granulesPerUnit) {
        notices.push_back("the GAT's configuration byte (" + Hex2(flags) + ") says " +
                          std::to_string(gatPerSide) + " granule" + (gatPerSide == 1 ? "" : "s") +
                          " a side; read as " + std::to_string(a.granulesPerUnit / sides) +
                          " granules of " + std::to_string(a.sectorsPerGranule) +
                          " sectors a side, as the sectors present give");
    }
    return a;
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
    // Places the file's sectors; gives the granules that hold them.
    std::vector<std::int64_t> PlaceFile(DirFile& file, const Allocation& a);
    // A file is whole only when every granule holding it is marked in use
    // in the GAT and no other file's data lies in it.
    void CrossCheck(Disk& disk, const std::optional<std::vector<std::uint8_t>>& gat,
                    const std::vector<std::vector<std::int64_t>>& granules) const;
    std::string GranuleText(const Allocation& a, std::int64_t granule) const;
    void CountFree(Disk& disk, const std::vector<std::uint8_t>& gat);
    void MapOwners(Disk& disk, const std::optional<std::vector<std::uint8_t>>& gat);

    SectorReader rd_;
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
    if (boot && (*boot)[0] == kTrsdos13BootFirst) {
        if (auto trsdos13 = ReadTrsdos13(src)) {
            return std::move(*trsdos13);
        }
    }
    if (!boot || (*boot)[0] != kBootFirst || (*boot)[1] != kBootSecond) {
        disk.why = boot ? "the boot sector does not start 00 FE" : "the boot sector cannot be read";
        return disk;
    }
    const std::optional<Layout> layout = Recognise(*boot, disk);
    if (!layout) {
        disk.why = "no directory was found where the boot sector points";
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

    // LDOS and DOSPLUS: the directory cylinder from the boot sector, its GAT
    // naming version 5 (LDOS) or 3 (DOSPLUS, which lays its disks out as LDOS).
    {
        const int cylinder = dirByte & 0x7F;
        const int lowest = rd_.Lowest(cylinder, 0, 1);
        const auto gat = rd_.Bytes({cylinder, 0, lowest});
        const auto shape = src.Track(cylinder, 0);
        const int major = gat ? (*gat)[gat::kVersion] >> 4 : 0;
        if (gat && shape && (major == kLdosMajor || major == kDosplusMajor)) {
            std::vector<std::string> notices;
            Layout l;
            l.family = major == kLdosMajor ? Family::Ldos5 : Family::Dosplus;
            l.alloc = GranuleGeometry(*gat, *shape, src.Sides() > 1, notices);
            l.alloc.units = (*gat)[gat::kLdosCylinders] + kLdosCylinderBase;
            l.dirRel = static_cast<std::int64_t>(cylinder) * l.alloc.sectorsPerCylinder;
            l.dirSectors = std::min(l.alloc.sectorsPerCylinder, kMaxDirSectors);
            if (Score(l) > 0) {
                disk.notices = std::move(notices);
                return l;
            }
            disk.problems.push_back(std::string("the GAT names ") +
                                    (major == kLdosMajor ? "LDOS" : "DOSPLUS") +
                                    ", but its directory does not read as one");
        }
    }

    // TRSDOS 2.3: one side, single density, ten sectors a track, directory on
    // track 17. Its GAT's lock-out table gives two granules of five sectors,
    // as the density's usual geometry does when it cannot be followed, so the
    // geometry is that one whatever the GAT holds.
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
    // Every drive's entry, on track 0 or track 1, sector 2.
    struct Entry {
        int ddsl, typeFlags, spt, gpl;
    };
    std::vector<Entry> entries;
    for (int track : {0, 1}) {
        const auto shape = src.Track(track, 0);
        if (!shape) {
            continue;
        }
        const auto p = rd_.Bytes({track, 0, shape->lowest + 2});
        if (!p || (*p)[newdos::kPdriveMarkerOffset] != newdos::kPdriveMarker) {
            continue;
        }
        for (int k = 0; k < pdrive::kEntries; ++k) {
            const auto at = [&](int offset) {
                return (*p)[static_cast<std::size_t>(k * pdrive::kEntryStride + offset)];
            };
            const int spt = at(pdrive::kSectorsPerTrack);
            const int gpl = at(pdrive::kGranulesPerLump);
            if (spt != 0 && gpl >= kNewdosMinGpl && gpl <= kNewdosMaxGpl) {
                entries.push_back({at(pdrive::kDirLump), at(pdrive::kTypeFlags), spt, gpl});
            }
        }
        break;
    }
    // The directory is where the boot sector says: the entry of the drive
    // whose directory lump (DDSL) is the boot sector's describes this disk.
    // Drive 0's entry may be another drive's kind of disk.
    const std::optional<Entry> drive0 =
        entries.empty() ? std::nullopt : std::optional<Entry>(entries.front());
    std::stable_partition(entries.begin(), entries.end(),
                          [&](const Entry& e) { return e.ddsl == dirLump; });
    const auto layoutOf = [&](const Entry& e, int lump) {
        Layout l;
        l.family = Family::Newdos80;
        l.alloc.sectorsPerGranule = kNewdosGranuleSectors;
        l.alloc.granulesPerUnit = e.gpl;
        l.alloc.sectorsPerCylinder = e.spt;
        // The drive's TD: 10 and 18 sectors are one side, others two.
        l.alloc.sides = (e.spt == 10 || e.spt == 18) ? 1 : 2;
        l.alloc.firstCylinder = (e.typeFlags & pdrive::kTrackZeroOther) != 0 ? 1 : 0;
        l.dirRel = static_cast<std::int64_t>(lump) * e.gpl * kNewdosGranuleSectors;
        return l;
    };
    for (const Entry& e : entries) {
        if (auto checked = CheckNewdos(layoutOf(e, dirLump))) {
            return checked;
        }
    }
    // A boot sector that points elsewhere: the first drive's own directory lump.
    if (drive0 && drive0->ddsl != dirLump) {
        return CheckNewdos(layoutOf(*drive0, drive0->ddsl));
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
    // DIR/SYS is entry 1 (renamed on derivatives); its first extent starts at
    // the GAT and its ERN is the directory's length. A disk that moved it is
    // still read when an entry of the first two entry sectors starts there.
    const auto first = ReadDirectory(l, 4);
    if (!first[1]) {
        return std::nullopt;
    }
    std::vector<int> decs{kDirSysDec};
    for (int dec = 0; dec < 256; ++dec) {
        if (dec != kDirSysDec && DecSector(dec) <= 3) {
            decs.push_back(dec);
        }
    }
    for (const int dec : decs) {
        const std::uint8_t* e = EntryAt(first, dec);
        if (e == nullptr || !LiveEntry(e, *first[1], dec) ||
            NameHash(NameOf(e)) != (*first[1])[static_cast<std::size_t>(dec)] ||
            e[entry::kExtents] == entry::kEndOfExtents) {
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
    const auto& hit = dir_[1];
    std::vector<std::vector<std::int64_t>> granules;
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
            if (disk.family == Family::Ldos5 || disk.family == Family::Dosplus) {
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
            granules.push_back(PlaceFile(f, a));
            disk.files.push_back(std::move(f));
        }
    }
    CrossCheck(disk, gat, granules);
    disk.dos = DosText(disk);
    MapOwners(disk, gat);
}

std::vector<std::int64_t> DiskReader::PlaceFile(DirFile& f, const Allocation& a) {
    std::vector<std::int64_t> granules;
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
    const std::int64_t diskGranules = static_cast<std::int64_t>(a.units) * a.granulesPerUnit;
    bool past = false;
    for (std::size_t x = 0; x < f.extents.size() && !past; ++x) {
        const Extent& ext = f.extents[x];
        const std::int64_t start =
            static_cast<std::int64_t>(ext.unit) * a.granulesPerUnit + ext.granule;
        for (int n = 0; n < ext.count && std::ssize(f.sectors) < f.ern; ++n) {
            if (ext.granule >= a.granulesPerUnit || start + n >= diskGranules) {
                f.problems.push_back("extent " + std::to_string(x + 1) + " (" + unitName_ + " " +
                                     std::to_string(ext.unit) + ", granule " +
                                     std::to_string(ext.granule) + ") lies past the disk");
                past = true;
                break;
            }
            if (std::ssize(f.sectors) < f.ern) {
                granules.push_back(start + n);
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
    NoteDamagedSectors(f, rd_.Source());
    return granules;
}

std::string DiskReader::GranuleText(const Allocation& a, std::int64_t granule) const {
    return unitName_ + " " + std::to_string(granule / a.granulesPerUnit) + " granule " +
           std::to_string(granule % a.granulesPerUnit);
}

void DiskReader::CrossCheck(Disk& disk, const std::optional<std::vector<std::uint8_t>>& gat,
                            const std::vector<std::vector<std::int64_t>>& granules) const {
    const Allocation& a = disk.allocation;
    const int mapUnits = MapUnits(disk);
    GranuleChecks checks;
    checks.text = [&](std::int64_t g) { return GranuleText(a, g); };
    checks.markedFree = [&](std::int64_t g) {
        const std::int64_t unit = g / a.granulesPerUnit;
        const int bit = static_cast<int>(g % a.granulesPerUnit);
        return gat && unit < mapUnits && bit < 8 &&
               ((*gat)[static_cast<std::size_t>(unit)] & (1 << bit)) == 0;
    };
    // LDOS 5.3.1 single-density disks give cylinder 0's granule 1 to both
    // BOOT/SYS and SYS7/SYS.
    checks.sharedByDesign = [&](const DirFile& x, const DirFile& y, std::int64_t g) {
        const std::set<std::string> pair{x.name, y.name};
        return disk.family == Family::Ldos5 && g / a.granulesPerUnit == 0 &&
               pair == std::set<std::string>{"BOOT/SYS", "SYS7/SYS"};
    };
    CheckGranules(disk, granules, checks);
}

void DiskReader::CountFree(Disk& disk, const std::vector<std::uint8_t>& gat) {
    const Allocation& a = disk.allocation;
    const int units = MapUnits(disk);
    const bool lockout = units <= gat::kUnits;
    for (int u = 0; u < units; ++u) {
        const int used = gat[static_cast<std::size_t>(u)] |
                         (lockout ? gat[static_cast<std::size_t>(gat::kLockout + u)] : 0);
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
        const int units = MapUnits(disk);
        for (int u = 0; u < units; ++u) {
            for (int g = 0; g < a.granulesPerUnit && g < 8; ++g) {
                const bool used = ((*gat)[static_cast<std::size_t>(u)] & (1 << g)) != 0;
                const std::int64_t first =
                    (static_cast<std::int64_t>(u) * a.granulesPerUnit + g) * a.sectorsPerGranule;
                for (int k = 0; k < a.sectorsPerGranule; ++k) {
                    disk.owners.SetKind(rd_.Locate(a, first + k),
                                        used ? Owner::Kind::InUse : Owner::Kind::Free);
                }
            }
        }
    }
    MarkOwners(disk, true);
}

} // namespace

void OwnerTable::Settle() {
    // The rows give their entries in address order; the odd ones, in order
    // too, are merged in.
    entries_.clear();
    for (std::size_t key = 0; key < rows_.size(); ++key) {
        const std::vector<Owner>& row = rows_[key];
        for (std::size_t sector = 0; sector < row.size(); ++sector) {
            if (row[sector].kind != Owner::Kind::None) {
                entries_.push_back({{static_cast<int>(key / kRowSides),
                                     static_cast<int>(key % kRowSides), static_cast<int>(sector)},
                                    row[sector]});
            }
        }
    }
    if (!odd_.empty()) {
        const auto before = [](const Entry& x, const Entry& y) { return x.first < y.first; };
        const auto middle = static_cast<std::ptrdiff_t>(entries_.size());
        entries_.insert(entries_.end(), odd_.begin(), odd_.end());
        std::inplace_merge(entries_.begin(), entries_.begin() + middle, entries_.end(), before);
    }
    rows_ = {};
    odd_ = {};
}

Owner OwnerTable::Find(const SectorAddress& at) const {
    const auto it =
        std::lower_bound(entries_.begin(), entries_.end(), at,
                         [](const Entry& e, const SectorAddress& a) { return e.first < a; });
    return it != entries_.end() && it->first == at ? it->second : Owner{};
}

Owner Disk::OwnerOf(const SectorAddress& at) const {
    return owners.Find(at);
}

Disk ReadDisk(const SectorSource& source) {
    Disk disk = DiskReader(source).Read();
    // CP/M writes no description of its disks: tried when no TRS-80 DOS was
    // recognised.
    if (!disk.Recognised()) {
        if (auto cpm = ReadCpm(source)) {
            disk = std::move(*cpm);
        }
    }
    disk.owners.Settle();
    return disk;
}

const char* FamilyName(Family family) {
    switch (family) {
    case Family::Trsdos23:
        return "TRSDOS 2.3";
    case Family::Ldos5:
        return "LDOS 5.x";
    case Family::Dosplus:
        return "DOSPLUS 3.x";
    case Family::Trsdos13:
        return "TRSDOS 1.3";
    case Family::Cpm:
        return "CP/M";
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
        r.bytes.resize(static_cast<std::size_t>(file.sectorBytes), 0);
        out.bytes.insert(out.bytes.end(), r.bytes.begin(), r.bytes.end());
    }
    if (std::ssize(out.bytes) > file.size) {
        out.bytes.resize(static_cast<std::size_t>(file.size));
    }
    return out;
}

void AppendAddressText(std::string& out, const SectorAddress& at) {
    out += "track ";
    out += std::to_string(at.track);
    out += " side ";
    out += std::to_string(at.side);
    out += " sector ";
    out += std::to_string(at.sector);
}

std::string AddressText(const SectorAddress& at) {
    std::string text;
    text.reserve(40);
    AppendAddressText(text, at);
    return text;
}

std::string AddressesText(const std::vector<SectorAddress>& at) {
    std::string s;
    for (const SectorAddress& a : at) {
        s += (s.empty() ? "" : ", ") + AddressText(a);
    }
    return s;
}

std::string DateText(const Date& date) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::string day = (date.day < 10 ? "0" : "") + std::to_string(date.day);
    const std::string year = std::to_string(date.year % 100);
    const std::string monthYear = std::string(kMonths[std::clamp(date.month, 1, 12) - 1]) + "-" +
                                  (year.size() < 2 ? "0" : "") + year;
    // TRSDOS 1.3 keeps the month and year only.
    return date.day == 0 ? monthYear : day + "-" + monthYear;
}

std::string AttributeText(const DirFile& file) {
    std::string s;
    if (file.user >= 0) {
        s += file.system ? 'S' : '-';
        s += file.readOnly ? 'R' : '-';
        s += file.archived ? 'A' : '-';
        return s;
    }
    s += file.system ? 'S' : '-';
    s += file.invisible ? 'I' : '-';
    s += file.flag5 ? '*' : '-';
    s += static_cast<char>('0' + file.protection);
    return s;
}

namespace {

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

} // namespace

std::vector<const DirFile*> FilesNamed(const Disk& disk, const std::string& given) {
    const auto all = [&](const auto& test) {
        std::vector<const DirFile*> found;
        for (const DirFile& f : disk.files) {
            if (test(f)) {
                found.push_back(&f);
            }
        }
        return found;
    };
    if (auto exact = all([&](const DirFile& f) { return f.name == given; }); !exact.empty()) {
        return exact;
    }
    // Regardless of case, and of whether the extension follows a '/' (as the
    // Files window shows TRS-80 names) or a '.' (as CP/M and the host do).
    const auto normal = [](const std::string& name) {
        std::string s = Upper(name);
        if (const std::size_t dot = s.rfind('.');
            dot != std::string::npos && s.find('/') == std::string::npos) {
            s[dot] = '/';
        }
        return s;
    };
    const std::string wanted = normal(given);
    if (auto named = all([&](const DirFile& f) { return normal(f.name) == wanted; });
        !named.empty() || wanted.find('/') != std::string::npos) {
        return named;
    }
    return all([&](const DirFile& f) {
        const std::string name = normal(f.name);
        return name.substr(0, name.find('/')) == wanted;
    });
}

} // namespace ss::dos
