// What is on a disk written by a DOS the reader knows (TRSDOS 2.3 and 1.3,
// LDOS, DOSPLUS, NEWDOS/80 and its derivatives, CP/M): the DOS,
// the disk's name, date and free space, and its files, each with its
// attributes, size, extents and the ordered list of its sectors. Anything the
// reader cannot place is reported with the file (or the disk), never hidden.
#pragma once

#include "sector_source.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ss::dos {

enum class Family { None, Trsdos23, Ldos5, Newdos80, Dosplus, Trsdos13, Cpm };

// How granules lie on the disk, the same rule for the three families: the
// disk's sectors counted from cylinder `firstCylinder` on, across both sides
// of each cylinder; granule n is made of relative sectors
// n * sectorsPerGranule to n * sectorsPerGranule + sectorsPerGranule - 1.
// An allocation unit (TRSDOS 2.3 track, LDOS cylinder, NEWDOS/80 lump) holds
// granulesPerUnit granules.
struct Allocation {
    int sectorsPerGranule = 5;
    int granulesPerUnit = 2;
    int sectorsPerCylinder = 10; // both sides
    int sides = 1;
    int firstCylinder = 0; // NEWDOS/80: 1 when track 0 is in the other density
    int units = 0;         // allocation units on the disk

    int SectorsPerSide() const { return sectorsPerCylinder / sides; }
};

// An LDOS date.
struct Date {
    int year = 0; // LDOS 1980..1987, TRSDOS 1.3 1900 + its byte
    int month = 0;
    int day = 0; // 0: the disk keeps the month and year only (TRSDOS 1.3)
};

// One extent of a file, as the entry holds it.
struct Extent {
    int unit = 0;    // first byte: cylinder, track or lump
    int granule = 0; // granule within the unit
    int count = 0;   // granules
};

struct DirFile {
    int dec = 0;
    std::array<std::uint8_t, 11> rawName{}; // name and extension bytes as on disk
    std::string name;                       // "NAME/EXT", unprintable bytes as '?'
                                            // (CP/M: "NAME.EXT", "3:NAME.EXT" for user 3)
    int user = -1;                          // CP/M: the user number; -1 elsewhere
    bool readOnly = false;                  // CP/M: the read-only bit
    bool archived = false;                  // CP/M: the archive bit
    int sectorBytes = 256;                  // the size of the file's sectors
    int attributes = 0;                     // byte 0
    bool system = false;
    bool invisible = false;
    bool flag5 = false; // bit 5 of the attributes
    int protection = 0;
    int lrl = 256;
    int eof = 0;
    int ern = 0;
    std::int64_t size = 0;
    std::optional<Date> date; // LDOS only
    int updateHash = 0;
    int accessHash = 0;
    std::vector<Extent> extents;        // the entry's and its extended entries'
    std::vector<SectorAddress> sectors; // ERN of them, in file order
    std::vector<std::string> problems;  // what could not be placed or read

    bool Damaged() const { return !problems.empty(); }
};

// What a sector of the disk is to the DOS.
struct Owner {
    enum class Kind { None, Boot, Gat, Hit, Directory, File, Free, InUse };
    Kind kind = Kind::None;
    int file = -1; // index into Disk::files (File)
    int nth = 0;   // which of the file's sectors, from 0
};

// What each sector of a disk is to its DOS, by address. A reader lays owners
// over one another in the order its DOS's rules give (the GAT's granules,
// then the files, the directory and the boot sector over them). Each address
// takes one entry, so that a disk whose files claim thousands of sectors many
// times over costs one entry per sector. While a reader sets owners they
// stand in a row per track side, indexed by sector number (a file's sectors
// follow one another on a track); an address no disk has (a track past 255,
// a sector number past 1023, a negative one) is kept apart in a tree. Once the reading is done the
// entries are put in address order (Settle).
class OwnerTable {
  public:
    using Entry = std::pair<SectorAddress, Owner>;

    // The owner of `at` from now on, wholly, or only its kind (the file and
    // place set before stay).
    void Set(const SectorAddress& at, const Owner& owner) { Slot(at) = owner; }
    void SetKind(const SectorAddress& at, Owner::Kind kind) { Slot(at).kind = kind; }
    // Puts the entries in address order. Then Find and the iteration read them.
    void Settle();

    // The owner of `at`; Owner{} when none names it.
    Owner Find(const SectorAddress& at) const;
    // The addresses named, in order, with their owners.
    std::vector<Entry>::const_iterator begin() const { return entries_.begin(); }
    std::vector<Entry>::const_iterator end() const { return entries_.end(); }
    std::size_t size() const { return entries_.size(); }

  private:
    static constexpr int kRowTracks = 256;
    static constexpr int kRowSides = 4;
    static constexpr int kRowSectors = 1024;
    // A row's first size: the sectors of most tracks.
    static constexpr std::size_t kRowStart = 32;

    // The entry of `at`, made (no owner, Kind::None) when it has none.
    Owner& Slot(const SectorAddress& at) {
        if (at.track < 0 || at.track >= kRowTracks || at.side < 0 || at.side >= kRowSides ||
            at.sector < 0 || at.sector >= kRowSectors) {
            return odd_[at];
        }
        const auto key = static_cast<std::size_t>(at.track * kRowSides + at.side);
        if (key >= rows_.size()) {
            rows_.resize(key + 1);
        }
        std::vector<Owner>& row = rows_[key];
        const auto sector = static_cast<std::size_t>(at.sector);
        if (sector >= row.size()) {
            row.resize(std::max(sector + 1, std::max(kRowStart, 2 * row.size())));
        }
        return row[sector];
    }

    // By track side (track * kRowSides + side), then sector number; an
    // owner of Kind::None names nothing.
    std::vector<std::vector<Owner>> rows_;
    // Addresses outside the rows.
    std::map<SectorAddress, Owner> odd_;
    // Every entry, in address order, once settled.
    std::vector<Entry> entries_;
};

struct Disk {
    Family family = Family::None;
    // "TRSDOS 2.3", "LDOS 5.1", "NEWDOS/80 2.0", "HDOS 2.0 (NEWDOS/80)" for a
    // derivative that renames BOOT/SYS; empty for None.
    std::string dos;
    std::string version; // from the GAT, "5.1"; empty when it does not read as one
    std::string why;     // Family::None: why no directory was found
    std::string diskName;
    std::string diskDate;
    int freeGranules = 0; // free allocation units: granules, or CP/M blocks
    std::int64_t freeBytes = 0;
    std::string freeUnit = "granules";
    Allocation allocation;
    SectorAddress boot;
    std::vector<SectorAddress> directory; // [0] the GAT, [1] the HIT, then the entries
    std::vector<DirFile> files;           // every live entry, in DEC order
    std::vector<std::string> problems;    // the disk's own: unreadable directory sectors
    // Where the GAT's description of the disk disagrees with the sectors
    // present and the reader followed the sectors: said, never a file's damage.
    std::vector<std::string> notices;

    bool Recognised() const { return family != Family::None; }
    Owner OwnerOf(const SectorAddress& at) const;

    OwnerTable owners;
};

// Recognises the DOS of the disk and reads its directory.
Disk ReadDisk(const SectorSource& source);

// The name of a family: "TRSDOS 2.3", "LDOS 5.x", "NEWDOS/80".
const char* FamilyName(Family family);

// What an owner is, as the main window names it: "BASIC/CMD, sector 3 of 12",
// "directory", "GAT", "HIT", "boot", "free", "in use, no file"; empty when
// the disk has no DOS the reader knows or the sector is none of these.
std::string OwnerText(const Disk& disk, const SectorAddress& at);

// A file's bytes: its sectors in order, the last cut at the file's size.
// Sectors the image does not hold are filled with zeros and listed in
// `missing`; sectors read with a CRC error keep the bytes read and are listed
// in `crcErrors`.
struct FileBytes {
    std::vector<std::uint8_t> bytes;
    std::vector<SectorAddress> missing;
    std::vector<SectorAddress> crcErrors;
    bool Complete() const { return missing.empty() && crcErrors.empty(); }
};
FileBytes ReadFile(const SectorSource& source, const DirFile& file);

// The files a name typed by a user stands for: "NAME/EXT" as the Files
// window shows it, "NAME.EXT" as the host file is called, or "NAME" alone,
// each regardless of case. An exact match wins; "NAME" alone stands for every
// file of that name whatever its extension (one file: the name is enough).
std::vector<const DirFile*> FilesNamed(const Disk& disk, const std::string& given);

// "track 17 side 0 sector 3".
std::string AddressText(const SectorAddress& at);
// Several, ", " between them.
std::string AddressesText(const std::vector<SectorAddress>& at);
// A date as "12-Apr-83", or "Apr-83" without a day.
std::string DateText(const Date& date);
// The attributes as four characters: S (system) or -, I (invisible) or -,
// * (bit 5) or -, and the protection level 0..7. CP/M files: three, S
// (system), R (read-only) and A (archived), each or -.
std::string AttributeText(const DirFile& file);

} // namespace ss::dos
