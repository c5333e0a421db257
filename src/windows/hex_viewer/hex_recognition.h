// What the hex viewer knows of the structure of the file it shows.
//
// The viewer takes from the disk model what the model knows of the file: the
// layout, where the model recognises one the viewer marks (DMK, DMK for real
// drives, JV1); the DMK track length; and where the track records the file
// holds begin. It reads them once, when it loads the file.
//
// Its own rules, all kept in this unit, are those by which it marks bytes the
// model does not describe, or describes otherwise. The viewer shows the raw
// file: it marks what the bytes look like wherever they lie, so that a
// damaged or unusual file shows its structure, where the model keeps only
// what the file's own tables (ID pointers, header entries) name:
// - JV3 is known by its first 16 bytes: the track bytes of the six entries
//   that lie there are all 0 (the model asks for four equal track bytes).
// - DMK track headers count up to record Int(file length / track length),
//   so the header of one record past the file's last may be marked.
// - An ID field is found by its mark after three sync bytes, not by an ID
//   pointer: a field no pointer names is marked, one whose pointer names it
//   without sync bytes before it is not.
// - The data mark marked is the first after the ID field, more than
//   kMarkSearchFirst bytes after its mark with no end to the search, on the
//   page where the field ends (the model searches a window).
// - Every byte of the JV3 header is marked by its place in the grid of
//   3-byte entries, free entries and the write-protect byte included; the
//   JV3 data area and a JV1 image in alternate 256-byte blocks counted from
//   the start of the file, not by sectors.
#pragma once

#include "hex_bytes.h"
#include "image/dmk.h"
#include "image/jv1.h"
#include "image/jv3.h"
#include "image/recognition.h"

#include <cstdint>
#include <vector>

namespace ss {

namespace disk {
struct Disk;
}

// The layout a page is marked as.
enum class HexFormat { None, Dmk, DmkRealDisk, Jv1, Jv3 };

namespace hexrules {

// The viewer tells a layout the model does not by the file's first bytes:
// JV3 by the track bytes of the entries that lie there.
inline constexpr std::int64_t kRecognitionBytes = 16;
inline constexpr int kJv3TestEntries = 6;
static_assert(jv3::EntryOffset(kJv3TestEntries - 1) < kRecognitionBytes &&
              jv3::EntryOffset(kJv3TestEntries) >= kRecognitionBytes);

// The page format: the model's layout where it is one the viewer marks, else
// JV3 by the viewer's own test, else none. Missing bytes read as 0, so an
// empty file is JV3.
HexFormat FormatOf(Layout modelLayout, const HexBytes& filebuf);

// Whether byte p is an ID address mark the viewer marks: 0xFE after three
// 0xA1 sync bytes (double density), or after three 0x00 (single density,
// where the sync bytes are not kept).
inline bool IsIdMarkAfterSync(const HexBytes& filebuf, std::int64_t p) {
    const auto syncBefore = [&](std::uint8_t sync) {
        for (int k = 1; k <= dmk::kSyncBytes; ++k) {
            if (filebuf.At(p - k) != sync) {
                return false;
            }
        }
        return true;
    };
    return filebuf.At(p) == dmk::kIdAddressMark &&
           (syncBefore(dmk::kSyncDouble) || syncBefore(dmk::kSyncSingle));
}

// The blue marking of an ID field counts 2 at its mark and one more for every
// byte after it, and ends when the count reaches this length, one byte after
// the size code: it covers the mark and 4 bytes, or with every byte doubled
// the mark pair and 8 bytes.
constexpr std::int64_t IdFieldLength(bool doubled) {
    constexpr int kCountAtMark = 2;
    return kCountAtMark + dmk::IdOffsetsFor(doubled).sizeCode + 1;
}
static_assert(IdFieldLength(false) == 7 && IdFieldLength(true) == 11);

// Whether byte b at p is the data mark marked after the ID mark at idMark.
constexpr bool IsDataMarkAfter(std::int64_t p, std::int64_t idMark, std::uint8_t b) {
    return p > idMark + dmk::kMarkSearchFirst && dmk::IsDataMark(b);
}

// Gap bytes, red outside the track headers.
constexpr bool IsGap(std::uint8_t b) {
    return b == dmk::kGapSingle || b == dmk::kGapDouble;
}

// Whether position p lies in the header of a JV3 image (its first 8704
// bytes, the write-protect byte included).
constexpr bool InJv3Header(std::int64_t p) {
    return p < jv3::kHeaderSize;
}

// The byte of its 3-byte header entry that position p is, by p's place in
// the grid; the write-protect byte stands where a track byte would.
enum class Jv3Byte { Track, Sector, Flags };
constexpr Jv3Byte Jv3EntryByte(std::int64_t p) {
    static_assert(jv3::kWriteProtectOffset % jv3::kEntrySize == 0);
    switch (p % jv3::kEntrySize) {
    case 0:
        return Jv3Byte::Track;
    case 1:
        return Jv3Byte::Sector;
    default:
        return Jv3Byte::Flags;
    }
}

// Whether p lies in an odd-numbered 256-byte block counted from the start of
// the file (JV1 sectors, JV3 data blocks; the JV3 header is whole blocks).
constexpr bool OddBlock(std::int64_t p) {
    static_assert(jv1::kSectorSize == jv3::kDataBlockSize &&
                  jv3::kHeaderSize % jv3::kDataBlockSize == 0);
    return (p / jv3::kDataBlockSize) % 2 == 1;
}

} // namespace hexrules

// The DMK track headers the viewer marks: those of the records the model
// read, and after them, up to record Int(file length / track length), those
// of records the file ends before.
class HexTrackHeaders {
  public:
    HexTrackHeaders() = default;
    HexTrackHeaders(const disk::Disk& model, std::int64_t trackLength, std::int64_t fileend);

    // The marked record that position p lies in, from its first byte to the
    // next record's: its header is its first dmk::kPointerTableSize bytes.
    // p past the last marked record lies in that one (beyond its header);
    // p before the first in none (start above p).
    struct Record {
        std::int64_t start = 0;
        std::int64_t end = 0;
        bool Header(std::int64_t p) const {
            return p >= start && p - start < dmk::kPointerTableSize;
        }
    };
    Record RecordAt(std::int64_t p) const;

  private:
    std::vector<std::int64_t> starts_; // in file order
};

// What the viewer knows of the file it shows, worked out once as it loads.
struct HexFile {
    HexFormat format = HexFormat::None;
    std::int64_t trackLength = 0; // DMK: the model's track length; else 0
    HexTrackHeaders headers;      // DMK pages: the headers marked
};

// Reads the model of the file in filebuf and takes what the viewer needs.
HexFile ReadHexFile(const HexBytes& filebuf);

} // namespace ss
