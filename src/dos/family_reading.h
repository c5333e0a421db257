// What the readers of the DOS families share: sectors read by address with
// the numbering of the track they lie on, names and numbers as text, and the
// checks that a file's granules are its own. Internal to the DOS layer.
#pragma once

#include "dos_disk.h"
#include "sector_source.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ss::dos {

inline constexpr int kSectorBytes = 256;

// Reads the disk's sectors by address, and places relative sectors of an
// allocation on it.
class SectorReader {
  public:
    explicit SectorReader(const SectorSource& source);

    const SectorSource& Source() const { return src_; }

    // The sector at relative sector `rel` of the allocation. Sector numbers
    // count from the track's lowest; a track that lacks sectors counts from
    // the disk's lowest, as its first may be the one lost.
    SectorAddress Locate(const Allocation& a, std::int64_t rel) const;
    int Lowest(int cylinder, int side, int perSide) const;
    // A sector as `size` bytes (cut or filled with zeros), or none when it
    // cannot be read.
    std::optional<std::vector<std::uint8_t>> Bytes(const SectorAddress& at,
                                                   std::size_t size = kSectorBytes) const;

  private:
    const SectorSource& src_;
    int diskLowest_ = 0;
    // The shape of the track side Lowest looked at last.
    mutable int shapeCylinder_ = -1;
    mutable int shapeSide_ = -1;
    mutable std::optional<TrackShape> shape_;
};

// AddressText(at) added to the end of `out`.
void AppendAddressText(std::string& out, const SectorAddress& at);

// Two upper-case hex digits.
std::string Hex2(int v);
// 11 name and extension bytes as "NAME/EXT" (no extension: "NAME"),
// unprintable bytes as '?', the blanks that pad each part dropped; `dot`
// separates the parts instead of '/' when given.
std::string NameText(const std::array<std::uint8_t, 11>& raw, char separator = '/');
// " (and N more granules)", N = count - 1, when count is above 1; else nothing.
std::string AndMore(std::int64_t count);

// The checks that each file's granules are its own. A granule is numbered
// on the whole disk; `granules[f]` lists those holding file f's data.
struct GranuleChecks {
    std::function<std::string(std::int64_t)> text; // "cylinder 5 granule 0"
    std::function<bool(std::int64_t)> markedFree;  // the allocation map says free
    std::function<bool(const DirFile&, const DirFile&, std::int64_t)> sharedByDesign;
};
// Adds a problem to every file that holds a granule marked free, shares one
// with another file (both are told), or names one of its own twice.
void CheckGranules(Disk& disk, const std::vector<std::vector<std::int64_t>>& granules,
                   const GranuleChecks& checks);

// Adds a problem to the file for each of its first kListedDamagedSectors
// sectors that are missing or have a CRC error, "sector 3 (track 5 side 0
// sector 2) is missing", and counts the rest, "and 290 more sectors are
// missing", "and 1 more sector has a CRC error": a file of a badly damaged
// disk would otherwise carry a line for each of hundreds of sectors into
// its listing, its tooltip and the Files window's row.
inline constexpr std::int64_t kListedDamagedSectors = 8;
void NoteDamagedSectors(DirFile& f, const SectorSource& source);

// What each sector is, over the allocation map's in-use and free marks
// already set: each file's sectors; and, with `systemAreas`, the directory's
// (its first the GAT, its second the HIT, the rest entries) and the boot
// sector.
void MarkOwners(Disk& disk, bool systemAreas);

// The readers of the families whose directories are not TRSDOS 2.3's: each
// gives the disk when its family's checks pass, else none.
std::optional<Disk> ReadTrsdos13(const SectorSource& source);
std::optional<Disk> ReadCpm(const SectorSource& source);

} // namespace ss::dos
