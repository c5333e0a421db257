// The main window's analysis of an image, read from the disk model: layout,
// geometry, the sector indexes the window steps through, directory and
// Newdos/80 drive parameters. One value per image; the window keeps its own
// cursor and texts.
#pragma once

#include "crc_state.h"
#include "disk.h"
#include "image_buffer.h"
#include "newdos.h"
#include "recognition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ss {

// What the main window knows of one sector index: the sector an ID field or
// header entry put there, or, at an index none did (a gap in a damaged
// track), the track, side and number the index stands for.
struct IndexedSector {
    std::int64_t index = 0;
    std::int64_t dataPos = 0; // the first data byte; 0 without a sector
    int track = 0;            // as written in the ID field (JV1: by its place)
    int side = 0;             // 0 or 1
    int number = 0;           // sector number as written
    // The data address mark byte (disk::Sector::dataMark): DMK as found (the
    // last byte the search looked at when it found none), JV3 as its flags
    // give it, JV1 as emulators read it.
    int dataMark = 0;
    int size = 0;   // bytes of data: 128, 256, 512 or 1024; 0 without a sector
    int stride = 1; // distance between two data bytes in the file
    SectorCrc crc;
    bool present = false;
    bool doubleDensity = false;
    // Written with a directory data mark (JV1: on the directory track, with
    // or without a sector there).
    bool directory = false;
};

// A sector's data bytes as the main window reads them: every stride-th byte
// from its first, a byte past the end of the file reading 0.
class SectorBytes {
  public:
    SectorBytes(const ImageBuffer& buf, const IndexedSector& s)
        : buf_(&buf), first_(s.dataPos), stride_(s.stride), size_(s.size) {}
    std::uint8_t operator[](int k) const {
        return buf_->At(first_ + static_cast<std::int64_t>(stride_) * k);
    }
    int Size() const { return size_; }

  private:
    const ImageBuffer* buf_;
    std::int64_t first_;
    int stride_;
    int size_;
};

// The window's sector indexes. A track side (JV3) or track record (DMK) takes
// a run of indexes from its lowest sector number to its highest, one for
// each number, or as many as sectors carry it: two sectors of one number
// take consecutive indexes in their order on the track. JV1 numbers its
// sectors by their place. Only the sectors and runs are kept, so a
// hostile file of a few sectors spread over many numbers costs no more than
// its sectors.
class SectorTables {
  public:
    // What stands at index i.
    IndexedSector At(std::int64_t i) const;
    // The sectors, one per index: SectorCount() of them, the k-th in index
    // order by Sector(k).
    std::size_t SectorCount() const { return sectors_.size(); }
    IndexedSector Sector(std::size_t k) const { return Unpack(sectors_[k]); }
    // The first index of track slot t (trkstart): JV3 the track, DMK the
    // slot that moves on after each side-0 record; 0 for one never set.
    std::int64_t TrackStart(int t) const;
    // True when the walk set the first index of track slot t.
    bool HasTrackStart(int t) const;
    // Sectors on one side of track t (trkspt), as the tables count them.
    int SectorsOnTrack(int t) const;

    // For the builders. Room for n sectors.
    void Reserve(std::size_t n) { sectors_.reserve(n); }
    // The next sector of a group (one track side, one track record), whose
    // indexes lie above those of the groups before it and within 256 of
    // one another.
    void Add(const IndexedSector& s) {
        sectors_.push_back(Packed{
            s.dataPos, static_cast<std::int32_t>(s.index), static_cast<std::uint16_t>(s.track),
            static_cast<std::uint16_t>(s.size), static_cast<std::uint8_t>(s.number),
            static_cast<std::uint8_t>(s.dataMark), static_cast<std::uint8_t>(s.stride),
            static_cast<std::uint8_t>(s.crc.Packed()), static_cast<std::uint8_t>(s.side),
            static_cast<std::uint8_t>((s.doubleDensity ? kDoubleDensity : 0) |
                                      (s.directory ? kDirectory : 0))});
    }
    // Ends the group: its sectors in index order, a later one with the same
    // index taking the earlier one's place.
    void EndGroup();
    // Indexes first to first + count - 1 stand for track, side and the
    // numbers from number on, where no sector is.
    void AddRun(std::int64_t first, std::int64_t count, int track, int side, int number);
    void SetTrackStart(int t, std::int64_t index) { SetAt(trackStart_, t, index); }
    // Set for every sector a DMK record holds: inline.
    void SetSectorsOnTrack(int t, int count) { SetAt(trackSectors_, t, count); }
    // JV1: index = track * sectorsPerTrack + sector, on side 0, for every
    // index; the directory track's indexes count as directory sectors.
    void SetPositional(int sectorsPerTrack, int directoryTrack);

  private:
    // A sector as the tables keep it: an image of at most kMaxImageBytes
    // has its indexes in 32 bits, its tracks (JV1's included) in 16.
    struct Packed {
        std::int64_t dataPos;
        std::int32_t index;
        std::uint16_t track;
        std::uint16_t size;
        std::uint8_t number;
        std::uint8_t dataMark;
        std::uint8_t stride;
        std::uint8_t crc; // SectorCrc::Packed()
        std::uint8_t side;
        std::uint8_t flags; // kDoubleDensity, kDirectory
    };
    static constexpr std::uint8_t kDoubleDensity = 1;
    static constexpr std::uint8_t kDirectory = 2;
    static IndexedSector Unpack(const Packed& p);
    // Sets track t's value in a per-track table, tracks never set reading 0;
    // the table grows out of line, for a track number never met before.
    template <typename T> static void SetAt(std::vector<T>& v, int t, T value) {
        const auto k = static_cast<std::size_t>(t);
        if (k >= v.size()) {
            Grow(v, k);
        }
        v[k] = value;
    }
    template <typename T> [[gnu::noinline]] static void Grow(std::vector<T>& v, std::size_t k) {
        v.resize(k + 1, T{});
    }

    struct Run {
        std::int64_t first;
        std::int64_t count;
        int track, side, number;
    };
    std::vector<Packed> sectors_;
    std::vector<Run> runs_;
    std::vector<std::int64_t> trackStart_;
    std::vector<int> trackSectors_;
    // A group's indexes lie within this many from its lowest: one for each
    // sector number.
    static constexpr std::size_t kGroupIndexes = 256;
    std::vector<Packed> scratch_;
    std::size_t groupStart_ = 0;
    int positional_ = 0;
    int directoryTrack_ = -1;
};

// What the analysis found wrong with the disk, for the notice list.
struct DiskDamage {
    // Missing sectors get a notice line each up to this many; the rest are counted.
    static constexpr std::size_t kListedMissing = 8;

    int idCrcErrors = 0;   // sectors whose ID field's CRC does not match
    int dataCrcErrors = 0; // sectors whose data field's CRC does not match (JV3: flagged)
    int noDataField = 0;   // DMK ID fields without a data mark after them
    // Track, side and number of each sector missing from its track: numbers
    // between a track side's lowest and highest that no ID field or entry
    // has. The first kListedMissing; missingCount counts them all.
    struct Missing {
        int track, side, sector;
        bool operator==(const Missing&) const = default;
    };
    std::vector<Missing> missing;
    std::int64_t missingCount = 0;
    // Sector numbers that more than one sector of a track side carries, with
    // how many do: the first kListedMissing; duplicateCount counts them all.
    struct Duplicate {
        int track, side, sector, count;
        bool operator==(const Duplicate&) const = default;
    };
    std::vector<Duplicate> duplicates;
    std::int64_t duplicateCount = 0;
    int endsInsideTrack = -1; // the track inside which the file ends, or -1

    void AddMissing(const Missing& m) {
        if (missing.size() < kListedMissing) {
            missing.push_back(m);
        }
        ++missingCount;
    }
    void AddDuplicate(const Duplicate& d) {
        if (duplicates.size() < kListedMissing) {
            duplicates.push_back(d);
        }
        ++duplicateCount;
    }
    bool Any() const {
        return idCrcErrors + dataCrcErrors + noDataField > 0 || missingCount > 0 ||
               duplicateCount > 0 || endsInsideTrack >= 0;
    }
};

// The notice lines that name the damage, in the order the notice list shows them.
std::vector<std::string> DamageNotices(const DiskDamage& damage);

enum class AnalysisResult {
    Shown,           // analysed; the window shows sector index 0
    RefusedRealDisk, // a DMK image for access to real drives
    RefusedNoHeader, // no emulator disk header
};

enum class Density { None, Single, Double, Dual };

// The analysis of one image.
struct ImageAnalysis {
    AnalysisResult outcome = AnalysisResult::RefusedNoHeader;
    Layout layout = Layout::Unknown;
    // DMK: the header's track length.
    std::int64_t trackLength = 0;
    // By the sectors: Single or Double when every sector is of that density,
    // Dual when both occur. JV1 single; a DMK image without a sector by its
    // header's track length; JV3 without a used entry None.
    Density density = Density::Single;
    int sides = 1;
    int tracks = 0;
    // JV1 10; JV3 and DMK the most common count of sectors on a track side
    // (track 0 often has another).
    int sectorsPerTrack = 0;
    // 5 or 6 (5 whenever drive parameters are found).
    int sectorsPerGranule = 5;
    // Sectors entered into the tables (every ID field or entry, those that
    // another one with the same index displaced included).
    int totalSectors = 0;
    // The indexes the window steps through: one past the highest one a
    // sector has (JV1: the sectors the file holds).
    std::int64_t indexes = 0;
    // DMK: a track record's sectors are numbered from 1.
    bool firstSectorOne = false;
    // The first directory sector index, and whether one was found. On an
    // image whose sectors are numbered from 1 the window takes the directory
    // to start on track 17, counting both sides of every cylinder before it.
    std::int64_t directoryStart = 0;
    bool directoryFound = false;
    // The Newdos/80 drive parameters, when a sector of them was found.
    std::optional<newdos::DriveParameters> driveParameters;
    SectorTables tables;
    DiskDamage damage;

    IndexedSector At(std::int64_t i) const { return tables.At(i); }
};

// The refusal texts, line breaks as single carriage returns.
extern const char* const kRealDiskMessage;
extern const char* const kNoHeaderMessage;
inline constexpr const char* kRefusalTitle = "Error";

// The main window's analysis of the image whose bytes are buf and whose disk
// model `disk` is (disk::ReadDisk of the same bytes). A refused file comes
// back with its outcome, its layout and (DMK) its header's track length and
// density.
ImageAnalysis AnalyseImage(const ImageBuffer& buf, const disk::Disk& disk);

// The sector index of the sector with this track, side and number as the
// image describes it (the first such when it is written twice), or -1.
std::int64_t FindSector(const ImageAnalysis& a, int track, int side, int sector);

} // namespace ss
