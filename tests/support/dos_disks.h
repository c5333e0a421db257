// Small disks written the way TRSDOS 2.3, LDOS 5.x and NEWDOS/80 lay them
// out, for the tests of the directory reader: a boot sector, a GAT, a HIT,
// directory entries and files, on any geometry, then written as a JV1, JV3 or
// DMK image.
//
// Granule n of a disk is made of its relative sectors n * spg .. n * spg +
// spg - 1, the sectors counted from cylinder firstCylinder across both sides
// of each cylinder (side 0's sectors first), each side's numbers from 0.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace ss::testimg {

// A sector of the disk: track (cylinder), side, sector number.
using DosAddress = std::tuple<int, int, int>;

struct DosGeometry {
    int cylinders = 35;
    int sides = 1;
    int sectorsPerSide = 10;
    bool doubleDensity = false;
    int sectorsPerGranule = 5;
    int granulesPerUnit = 2; // per track (TRSDOS 2.3), cylinder (LDOS) or lump (NEWDOS/80)
    int firstCylinder = 0;   // NEWDOS/80 with TI = K: cylinder 0 is outside the granules
    // The boot sector's third byte and the unit that holds the directory.
    int dirUnit = 17;
    int bootByte = 17;
    int dirSectors = 10;            // GAT, HIT and entry sectors
    std::uint8_t version = 0x00;    // GAT byte 0xCB
    std::uint8_t ldosCylinders = 0; // GAT byte 0xCC
    std::uint8_t ldosFlags = 0;     // GAT byte 0xCD
    // NEWDOS/80 drive parameters for drive 0 at sector 2 of track
    // `pdriveTrack`, when set; further drives' entries follow 16 bytes apart.
    std::optional<std::array<std::uint8_t, 10>> pdrive;
    std::vector<std::array<std::uint8_t, 10>> morePdrives = {};
    int pdriveTrack = 0;
    // The names of the first two entries (NEWDOS/80 derivatives rename them).
    std::string bootSysName = "BOOT    SYS";
    std::string dirSysName = "DIR     SYS";
};

// The three families' usual disks.
DosGeometry Trsdos23Geometry();                // 35 x 10 single density, dir on 17
DosGeometry LdosDdTwoSidedGeometry();          // 40 cylinders, 2 x 18 double density
DosGeometry Newdos80Geometry(bool trackZeroK); // 40 cylinders, 2 x 18 DD, GPL 2; K: track 0 SD

struct DosFileSpec {
    std::string name;                            // 11 bytes: name and extension, blank padded
    std::vector<std::uint8_t> bytes;             // the file's contents
    std::uint8_t attributes = 0x10;              // in use
    std::uint8_t lrl = 0;                        // 0 = 256
    std::uint8_t dateMonth = 0, dateDayYear = 0; // LDOS date bytes 1 and 2
    // Granule runs (first absolute granule, count) to place the file in;
    // empty: the next free granules, one run.
    std::vector<std::pair<int, int>> runs = {};
};

class DosDiskBuilder {
  public:
    explicit DosDiskBuilder(const DosGeometry& g);

    // Adds a file and gives its DEC. Up to four runs fit in the entry; more
    // go to extended entries linked from it.
    int AddFile(const DosFileSpec& spec);
    // Writes an entry that is deleted (in-use bit clear, HIT byte 0).
    int AddDeletedEntry(const std::string& name);
    // Changes one byte of the directory entry at DEC, or of the HIT.
    void PatchEntry(int dec, int offset, std::uint8_t value);
    void PatchHit(int dec, std::uint8_t value);
    // Changes one byte of the GAT.
    void PatchGat(int offset, std::uint8_t value);
    // Removes a sector from the disk, as if it could not be read.
    void RemoveSector(const DosAddress& at);
    // Marks a sector as read with a data CRC error: the JV3 entry's CRC flag,
    // a wrong CRC after the DMK data field. Its bytes stay as written.
    void DamageSector(const DosAddress& at) { damaged_.insert(at); }

    // Where relative sector `rel` lies.
    DosAddress Locate(int rel) const;
    // The sectors written, by address.
    const std::map<DosAddress, std::vector<std::uint8_t>>& Sectors() const { return sectors_; }
    const DosGeometry& Geometry() const { return g_; }
    std::vector<DosAddress> DirectorySectors() const;

    std::vector<std::uint8_t> Jv1() const;
    std::vector<std::uint8_t> Jv3() const;
    std::vector<std::uint8_t> Dmk() const;

  private:
    std::vector<std::uint8_t>& SectorAt(const DosAddress& at);
    std::uint8_t* Entry(int dec);
    int NextDec();
    int WriteEntry(const DosFileSpec& spec, int ern, int eof,
                   const std::vector<std::pair<int, int>>& runs);
    void Allocate(int granule);
    void WriteExtents(std::uint8_t* e, const std::vector<std::pair<int, int>>& runs) const;
    bool IsCylinderZeroOutside(int track) const { return track < g_.firstCylinder; }

    DosGeometry g_;
    std::map<DosAddress, std::vector<std::uint8_t>> sectors_;
    int dirRel_ = 0;
    int nextGranule_ = 0;
    int decCursor_ = 0;
    std::vector<bool> used_;
    std::set<DosAddress> damaged_;
};

// A disk given sector by sector, at any size and numbering, written as a JV3
// or DMK image (one density throughout).
struct PlainDisk {
    std::map<DosAddress, std::vector<std::uint8_t>> sectors;
    bool doubleDensity = true;
    int sides = 1;
    // DMK: track t's record stands at cylinder t * step (2: a 40-track disk
    // read in an 80-track drive, the odd cylinders' records empty).
    int step = 1;

    std::vector<std::uint8_t> Jv3() const;
    std::vector<std::uint8_t> Dmk() const;
};

// A Model III TRSDOS 1.3 disk: 18 sectors of 256 bytes a track numbered from
// 1, double density, one side; the directory on track 17 (or `dirTrack`); files placed from
// track 1 on in the order given (or in `runs` of absolute granules, 6 a
// track), each run one extent.
struct Trsdos13File {
    std::string name; // 11 bytes: name and extension, blank padded
    std::vector<std::uint8_t> bytes;
    std::uint8_t attributes = 0x10;
    int month = 0, year = 0; // the entry's bytes 1 and 2
    std::vector<std::pair<int, int>> runs = {};
};
PlainDisk MakeTrsdos13Disk(const std::vector<Trsdos13File>& files, int tracks = 40,
                           int dirTrack = 17);

// CP/M disks of the parameter sets the Model 1, Model III and Genie machines
// use, written out here once more so that the tests do not lean on the
// reader's own table.
struct CpmGeometry {
    int cylinders, sides, sectors, sectorBytes, firstId, side1FirstId, off;
    std::vector<int> skew; // logical sector -> sector ID; empty: none
    int blockBytes, entries, lastBlock;
};
CpmGeometry Cpm40TrackData();  // 40 x 10 x 512, IDs 1-10, skew 2, 2K blocks
CpmGeometry CpmGenie80Track(); // 80 x 2 x 18 x 256, side 1 IDs 18-35, OFF 3, 4K
CpmGeometry Cpm80Track1024();  // 80 x 2 x 5 x 1024, OFF 3, 4K, 256 entries

struct CpmFile {
    int user = 0;
    std::string name; // 11 bytes: name and extension, blank padded
    std::vector<std::uint8_t> bytes;
    bool readOnly = false, system = false;
};

class CpmDiskBuilder {
  public:
    explicit CpmDiskBuilder(const CpmGeometry& g);
    // Writes the file in the next free blocks, its bytes padded with 0x1A to
    // a whole record, and as many directory entries as its blocks need.
    // Gives the index of its first entry.
    int AddFile(const CpmFile& file);
    // Writes a copy of directory entry `index` at the next free entry, its
    // first block number changed to `block`.
    int AddCopyOfEntry(int index, int block);
    const PlainDisk& Disk() const { return disk_; }
    // What the reader gives for `file`: its bytes padded to a whole record.
    static std::vector<std::uint8_t> Padded(const std::vector<std::uint8_t>& bytes);

  private:
    std::uint8_t* EntryAt(int index);
    std::vector<std::uint8_t>& StreamSector(int q);

    CpmGeometry g_;
    PlainDisk disk_;
    int nextBlock_ = 0;
    int nextEntry_ = 0;
};

} // namespace ss::testimg
