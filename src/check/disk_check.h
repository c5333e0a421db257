// Is the disk whole? Every sector of a disk model classed as good or by what
// is wrong with it, track side by track side, and the counts of each kind of
// damage. Computed from the model's fields alone, one value per disk, for the
// Disk Check window and for sectorscope-cli check.
#pragma once

#include "image/disk.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ss::check {

// What a cell shows: the sector is good, or its first problem in this order.
enum class CellClass : std::uint8_t {
    Good,
    IdCrcError,   // the ID field's CRC does not match
    DataCrcError, // the data field's CRC does not match (JV3: flagged)
    NoData,       // an ID field without a data field, or data the file does not hold whole
    WrongTrack,   // the ID's track is not the cylinder the drive stood on
    Duplicate,    // another sector of the track side carries the same ID
    Missing,      // a number between the track side's lowest and highest that no sector has
};
inline constexpr int kCellClasses = 7;

// The problems of one sector, a cell showing the first of them.
enum Problem : std::uint8_t {
    kIdCrc = 1,
    kDataCrc = 2,
    kNoData = 4,
    kWrongTrack = 8,
    kDuplicate = 16,
};

// The class's name in the legend ("ID CRC error"), and as a word for scripts
// ("id-crc").
const char* ClassName(CellClass c);
const char* ClassKey(CellClass c);

struct Cell {
    CellClass cls = CellClass::Good;
    std::uint8_t problems = 0; // Problem bits
    // The sector's place on its track (Track::sectors), or -1 for a missing one.
    int sector = -1;
    // A missing cell: the sector number nothing carries.
    int number = 0;
};

// One physical track side: its sectors in the order they lie, then a cell
// for each missing number, lowest first.
struct Row {
    int cylinder = 0;
    int head = 0;
    int track = 0; // the track's place in Disk::tracks
    std::vector<Cell> cells;
};

struct Counts {
    std::int64_t sectors = 0; // sectors on the disk
    std::int64_t good = 0;    // sectors with no problem
    // Sectors with each problem (a sector may have several), and missing
    // numbers.
    std::int64_t idCrcErrors = 0;
    std::int64_t dataCrcErrors = 0;
    std::int64_t noData = 0;
    std::int64_t wrongTrack = 0;
    std::int64_t duplicates = 0;
    std::int64_t missing = 0;
    // Track sides with a sector whose ID names another track.
    int misSteppedTracks = 0;
    // The first track side inside which the file ends (cylinder, head), or -1.
    int endsInsideCylinder = -1;
    int endsInsideHead = 0;

    bool Whole() const {
        return idCrcErrors + dataCrcErrors + noData + wrongTrack + duplicates + missing == 0 &&
               endsInsideCylinder < 0;
    }
    // Cells of each class, in CellClass order.
    std::int64_t OfClass(CellClass c) const;
};

struct DiskCheck {
    Layout layout = Layout::Unknown;
    int cylinders = 0;     // one past the highest cylinder
    int heads = 0;         // one past the highest head
    std::vector<Row> rows; // by cylinder, then head
    Counts counts;
    int longestRow = 0; // the most cells in one row
};

// The check of a disk read by disk::ReadDisk.
DiskCheck CheckDisk(const disk::Disk& disk);

// The damage in a few words, for one line of text: "whole", or the counts
// that are not zero ("2 ID CRC errors, 1 missing, file ends inside cylinder 39").
std::string DamageText(const Counts& counts);

} // namespace ss::check
