// The main window's analysis of an image: layout, geometry, sector tables,
// directory and Newdos/80 drive parameters.
#pragma once

#include "crc_state.h"
#include "image_buffer.h"
#include "recognition.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace ss {

// A sector table indexed by sector index or track. It grows to whatever index
// the image's own data gives, so no sector that the image describes is lost;
// a read of an index never written answers 0.
template <typename T> class Table {
  public:
    T operator()(std::int64_t i) const {
        return (i >= 0 && i < static_cast<std::int64_t>(v_.size()))
                   ? v_[static_cast<std::size_t>(i)]
                   : T{};
    }
    void Set(std::int64_t i, T value) {
        if (i < 0) {
            return;
        }
        const auto k = static_cast<std::size_t>(i);
        if (k >= v_.size()) {
            Grow(k);
        }
        v_[k] = value;
        size_ = std::max(size_, k + 1);
    }
    void Clear() {
        v_.clear();
        size_ = 0;
    }
    // One past the highest index written.
    std::size_t Size() const { return size_; }

  private:
    // Room up to index k at least, doubling: the indexes come mostly one
    // after the other. The room past size_ holds T{}, which is what a read
    // of an index never written answers anyway.
    [[gnu::noinline]] void Grow(std::size_t k) {
        constexpr std::size_t kFirstRoom = 64;
        v_.resize(std::max({k + 1, 2 * v_.size(), kFirstRoom}), T{});
    }

    std::vector<T> v_;
    std::size_t size_ = 0;
};

// secdens of a double-density sector; a single-density one holds 0.
inline constexpr int kDoubleDensityFlag = 128;

struct SectorTables {
    Table<std::int64_t> secfpa; // position in filebuf of the sector's first data byte
    Table<int> sectrk;          // track number as written in the ID field
    Table<int> secside;         // side, 0 or 1
    Table<int> secno;           // sector number as written
    Table<int> secdens;         // 0 single density, 128 double density
    Table<int> secdam;          // JV3: 0 or 32; DMK: the data-mark byte
    // DMK: 1 when the sector's single-density ID field is stored once (not
    // doubled), so its data bytes follow one another.
    Table<int> secsingle;
    // 1 where an ID field or header entry describes the index; 0 at an index
    // that none does (a gap in a damaged track). Such an index still carries
    // the track, side and sector number it stands for in sectrk, secside and
    // secno, so that the track steps and the damage notices can name it.
    Table<int> secpresent;
    Table<int> secsize;  // bytes of data: 128, 256, 512 or 1024
    Table<int> seccrc;   // SectorCrc::Packed() of the sector
    Table<int> trkstart; // sector index of the first sector of track (slot) t
    Table<int> trkspt;   // sectors on one side of track t

    void Clear();
};

// What the analysis found wrong with the disk, for the notice list.
struct DiskDamage {
    int idCrcErrors = 0;   // sectors whose ID field's CRC does not match
    int dataCrcErrors = 0; // sectors whose data field's CRC does not match (JV3: flagged)
    int noDataField = 0;   // DMK ID fields without a data mark after them
    // Track, side and number of each sector missing from its track: numbers
    // between a track side's lowest and highest that no ID field or entry has.
    struct Missing {
        int track, side, sector;
    };
    std::vector<Missing> missing;
    int endsInsideTrack = -1; // the track inside which the file ends, or -1
    bool Any() const {
        return idCrcErrors + dataCrcErrors + noDataField > 0 || !missing.empty() ||
               endsInsideTrack >= 0;
    }
};

// The notice lines that name the damage, in the order the notice list shows them.
std::vector<std::string> DamageNotices(const DiskDamage& damage);

// The image-state variables of the main window. Every value is 0 (strings
// empty) when the window is created and keeps its value from one analysis to
// the next unless the analysis sets it.
struct ImageState {
    ImageBuffer filebuf;
    std::int64_t fileend = 0;
    std::int64_t fpa = 0;

    int jv1 = 0;
    int jv3flag = 0;
    int dmkflag = 0;
    std::int64_t trklength = 0;
    int dens = 0;
    std::string dd;
    int sides = 0;
    std::string sda;
    std::string Emtype;
    int tracks = 0;
    int spt = 0;
    int spg = 0;
    std::string spgaa;
    int spl = 0;
    int Totalsecs = 0;
    int firstsecnum = 0;
    std::int64_t dirstartsec = 0;
    int dirstartsecfnd = 0;
    int newdosflag = 0;
    std::string pdrive;
    std::int64_t PresSecnum = 0;
    int TrkToFind = 0;
    int SecToFind = 0;
    int SideToFind = 0;

    int datamarkjv = 0;
    int datamarkDmk = 0;
    int trkdens = 0;

    SectorTables tables;
    // Number of sector indexes the browser steps through: one past the
    // highest index an ID field or header entry describes (JV1: the sectors
    // the file holds). Equal to Totalsecs on a well-formed image.
    std::int64_t secslots = 0;
    DiskDamage damage;

    // True when sector index i is one the image describes.
    bool IsPresent(std::int64_t i) const;
    // Bytes of data of sector index i (0 for a missing one).
    int SectorSize(std::int64_t i) const;
    SectorCrc CrcOf(std::int64_t i) const;

    // Distance between two data bytes of sector index i in filebuf: 2 for a
    // DMK single-density sector whose bytes are stored doubled, else 1.
    int DataStride(std::int64_t i) const;
    // The data of sector index i at its own size, taken every DataStride-th
    // byte from its first data byte; empty for a missing sector and for one
    // the file does not hold whole.
    std::vector<std::uint8_t> SectorData(std::int64_t i) const;
};

enum class AnalysisResult {
    Shown,           // analysed; the caller shows sector index 0
    RefusedRealDisk, // a DMK image for access to real drives
    RefusedNoHeader, // no emulator disk header
};

// The refusal texts, line breaks as single carriage returns.
extern const char* const kRealDiskMessage;
extern const char* const kNoHeaderMessage;
inline constexpr const char* kRefusalTitle = "Error";

// Takes the file's bytes into the state and analyses them. Draws nothing: the
// caller clears the window, fills its lists and shows the first sector.
AnalysisResult AnalyseImage(ImageState& s, std::vector<std::uint8_t> bytes);

// Track and density of one sector index: sets Emtype, fpa, the data mark and trkdens.
void GetSectorInfo(ImageState& s);

// The sector index of the sector with this track, side and number as the
// image describes it (the first such when it is written twice), or -1.
std::int64_t FindSector(const ImageState& s, int track, int side, int sector);

} // namespace ss
