// The disk as it lies on the medium, read once from an image file: its tracks
// by physical cylinder and head, each with its sectors in the order they lie,
// and what the file says of every sector (its ID, density, data mark, where
// its bytes are, the states of its CRCs). Sectors are kept as the file has
// them: two with one ID on one track are two sectors, a sector without data
// is still a sector. Positions point into the image's buffer; no data is
// copied.
//
// One reader per layout reads it (ReadJv1, ReadJv3, ReadDmk); they are the
// only code that reads the layouts' bytes, by the facts that jv1.h, jv3.h and
// dmk.h set out. Everything else reads this value.
#pragma once

#include "crc_state.h"
#include "dmk.h"
#include "image_buffer.h"
#include "recognition.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ss::disk {

// DMK: a sector as the sector map window reads it. That window takes an ID
// field as stored doubled whenever the byte after its first is 0xFE
// (Sector::idMarkTwice), whatever the density, and reads its items, searches
// its data mark and checks its CRCs by that. Where its search finds no mark
// it shows the byte at a fixed distance from the ID field (44 bytes in double
// density, 24 in single, by the density the track length stands for, or by
// the record's first ID pointer when the window does not know the length),
// or the byte after that one when it is no mark either. Where idMarkTwice
// and doubled agree, the items and CRC states are the sector's own.
struct MapReading {
    int cylinder = 0;
    std::uint8_t head = 0;
    std::uint8_t sector = 0;
    // The mark the search found, or the byte the window shows without one.
    std::uint8_t dataMark = 0;
    bool dataField = false;     // the search found a mark
    bool directoryMark = false; // dataMark is a directory data mark
    // The ID field's, and the data field's when a mark was found.
    SectorCrc crc;
};

struct Sector {
    // Where the sector's ID lies in the file: DMK the ID field's first 0xFE
    // byte (the pointer's target); JV3 its header entry; JV1, which keeps no
    // IDs, -1.
    std::int64_t idPos = -1;
    // DMK: the data mark the search after the ID field found, -1 when none.
    // JV3 and JV1 keep no data marks: -1.
    std::int64_t dataMarkPos = -1;
    // The first data byte. A DMK sector without a data mark: the byte after
    // the search window, where the main window takes its data to begin.
    std::int64_t dataPos = 0;
    // The sector's place in its layout's own order: DMK the ID pointer
    // (0 to 63), JV3 the header entry (the second table's from 2901 on), JV1
    // the sector index.
    int entry = 0;

    // The ID: track, side and sector number as written, and the size code
    // (DMK: the byte as written, its size taken modulo 4; JV3 and JV1: the
    // code of dataSize). JV3 keeps the side as a flag, so its head is 0 or 1;
    // JV1 keeps no IDs, its sectors are numbered by their place (and so may
    // count more than 255 tracks).
    int cylinder = 0;
    std::uint16_t dataSize = 0; // bytes of data: 128, 256, 512 or 1024
    std::uint8_t head = 0;
    std::uint8_t sector = 0;
    std::uint8_t sizeCode = 0;
    // The data address mark byte. DMK: as found, or when the search found
    // none the last byte it looked at (as the main window shows it). JV3: the
    // mark its entry's data-mark flag bits stand for. JV1, which keeps none:
    // the mark emulators read it with (jv1::DataMarkOf).
    std::uint8_t dataMark = 0;

    bool doubleDensity = false;
    // DMK: a single-density sector stored with every byte twice in a row (its
    // ID field starts FE FE); its ID items and data are every other byte.
    bool doubled = false;
    // DMK: the byte after the ID field's first is 0xFE as well, whatever the
    // density (the sector map's sign of doubled storage).
    bool idMarkTwice = false;
    // DMK: the ID field lies among its record's track bytes (a damaged
    // pointer may point into the pointer table, or into another record).
    bool idInRecord = true;
    // A data field belongs to the sector: DMK a data mark was found; JV3 and
    // JV1 always.
    bool dataField = false;
    // Written with a directory data mark: DMK 0xF8 or 0xFA, JV3 its entry's
    // flag. JV1 keeps no marks: the sectors of the directory track count as
    // marked, as every window takes them.
    bool directoryMark = false;
    // The file holds every data byte (every other one of doubled storage).
    bool dataInFile = false;
    // ID and data. A field the file does not hold whole is NotRecorded.
    SectorCrc crc;
    // DMK: the sector as the sector map reads it. JV3 and JV1: unset.
    MapReading sectorMap;

    // Distance between two data bytes in the file.
    int Stride() const { return doubled ? 2 : 1; }
    // The side the ID names, as a DOS and the main window count it: a side
    // byte of 1 is side 1, any other side 0.
    int Side() const { return head == 1 ? 1 : 0; }
};

struct Track {
    // Where the drive stood: DMK by the record's place in the file, JV3 the
    // track and side of its entries, JV1 the track.
    int cylinder = 0;
    int head = 0;
    // DMK: the track record's first byte and the bytes of it the file holds
    // (the track length, or fewer when the file ends inside it). JV1: the
    // track's first byte and the bytes the file holds of its sectors. JV3,
    // whose entries of one track may stand anywhere: -1 and 0.
    std::int64_t pos = -1;
    std::int64_t length = 0;
    // The sectors in the order they lie: DMK by its ID pointers, JV3 by its
    // header entries, JV1 by number.
    std::vector<Sector> sectors;
};

// Facts of the image file's own header.
struct ImageHeader {
    // DMK byte 0; JV3 the byte after the entries. JV1 has none: 0.
    std::uint8_t writeProtect = 0;
    // DMK: tracks, track length, real-drive signature, the density a known
    // track length stands for.
    dmk::Header dmk;
    std::uint8_t dmkOptions = 0; // DMK byte 4
    int dmkHeads = 0;            // DMK: heads the records take turns on
    int dmkRecords = 0;          // DMK: track records the file holds, a cut-off last one included
    int jv3Tables = 0;           // JV3: 1, or 2 when a second table follows the first's data
    int jv3UsedEntries = 0;
    int jv3FreeEntries = 0;
    // JV1, which keeps no header: what its layout sets for every track, those
    // past the end of the file included: the sectors a track (numbered from
    // 0, sector index = track * jv1SectorsPerTrack + sector) and the track of
    // the directory. Other layouts: 0 and -1.
    int jv1SectorsPerTrack = 0;
    int jv1DirectoryTrack = -1;
    // JV3: for each entry of the first table from 0 up to its last used
    // one (a walk over the header starts from no later entry), 1 when the
    // header test passes read from that entry (its track byte and the next
    // three entries' are equal), as long as the file holds the four; entry
    // 0's is the recognition of the layout. Past the end the test fails.
    std::vector<std::uint8_t> jv3HeaderTest;
    // JV3: the used entries read as those of a disk (jv3::Plausibility); a
    // file of other bytes that passes the header test by chance does not.
    bool jv3Plausible = true;
    bool Jv3HeaderTestAt(std::int64_t entry) const {
        return entry >= 0 && entry < static_cast<std::int64_t>(jv3HeaderTest.size()) &&
               jv3HeaderTest[static_cast<std::size_t>(entry)] != 0;
    }
};

// A sector's place in Disk::tracks.
struct SectorRef {
    int track = 0;
    int sector = 0;
};

// A diagnostic's text from words and whole numbers, made in one allocation
// (a damaged file may have something wrong with every sector).
inline void AppendWord(std::string& text, std::string_view word) {
    text += word;
}
inline void AppendWord(std::string& text, std::int64_t n) {
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}
template <typename... Parts> std::string Words(const Parts&... parts) {
    std::string text;
    text.reserve(96);
    (AppendWord(text, parts), ...);
    return text;
}

// Something the reader met that the image should not hold.
struct Diagnostic {
    std::int64_t pos = 0; // where in the file
    std::string text;
};

struct Disk {
    // A damaged or hostile file may have something wrong with every sector:
    // the first this many are listed, the rest only counted.
    static constexpr std::size_t kListedDiagnostics = 64;

    Layout layout = Layout::Unknown;
    ImageHeader header;
    // DMK: in record order. JV3: by cylinder, then head. JV1: by cylinder.
    std::vector<Track> tracks;
    // JV3: the sectors of the first table's used entries, in the order the
    // entries stand (free ones passed over). DMK and JV1: empty.
    std::vector<SectorRef> headerOrder;
    std::vector<Diagnostic> diagnostics;
    int unlistedDiagnostics = 0;

    std::size_t SectorCount() const;
    const Sector& At(SectorRef r) const {
        return tracks[static_cast<std::size_t>(r.track)]
            .sectors[static_cast<std::size_t>(r.sector)];
    }
    // Lists what text() says of position pos, or counts it when the list is full.
    template <typename Text> void Diagnose(std::int64_t pos, Text&& text) {
        if (diagnostics.size() < kListedDiagnostics) {
            diagnostics.reserve(kListedDiagnostics);
            diagnostics.push_back({pos, text()});
        } else {
            ++unlistedDiagnostics;
        }
    }
};

// How much of the disk a reader reads: all of it (Sectors); all of it when a
// window can show it (Shown: the main window and the sector map refuse a JV3
// file whose entries describe no disk, so its header is read and nothing
// after it); or its layout, its image header and its tracks without their
// sectors (Tracks: for a view of the raw file that needs no more). The
// diagnostics of sectors not read are not made.
enum class Depth { Sectors, Shown, Tracks };

// Recognises the layout as the main window does and reads the image by it.
// A file of no known layout comes back with no tracks; a DMK image for real
// drives is read all the same, its layout saying what it is.
Disk ReadDisk(const ImageBuffer& buf, Depth depth = Depth::Sectors);

// The readers of the three layouts, for a file already known to be one.
Disk ReadJv1(const ImageBuffer& buf, Depth depth = Depth::Sectors);
Disk ReadJv3(const ImageBuffer& buf, Depth depth = Depth::Sectors);
Disk ReadDmk(const ImageBuffer& buf, Depth depth = Depth::Sectors);

// The sector's data at its own size, every Stride()-th byte from dataPos;
// empty when the file does not hold it whole.
std::vector<std::uint8_t> SectorData(const ImageBuffer& buf, const Sector& s);

// The size code of `size` bytes of data (128 << code).
int SizeCodeOf(int size);

} // namespace ss::disk
