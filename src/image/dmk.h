// DMK disk images: raw track images, each headed by a table of pointers to its
// ID address marks.
//
// Header, 16 bytes:
//   0       write-protect byte: 0x00, or 0xFF for a write-protected image
//   1       number of tracks (cylinders)
//   2..3    track length, little-endian: the size in bytes of every track
//           record, pointer table included
//   4       option bits: 0x10 single-sided (the records are then one side's
//           tracks; otherwise side 0 and side 1 of each cylinder in turn),
//           0x40 single density (not read)
//   5..11   reserved (not read)
//   12..15  78 56 34 12: the image stands for a real drive ("REAL disk")
//
// Track records follow the header back to back, record k at
// 16 + k * track length. Its place in the file gives the cylinder and head
// the drive stood on (record k is cylinder k / 2, head k % 2, or cylinder k
// on a single-sided image); the track and side its sectors belong to are
// those written in its ID fields, which may differ (a 40-track disk read in
// an 80-track drive has track t on cylinder 2t).
//
// Track record:
//   0..127  64 ID-address-mark pointers of 2 bytes, little-endian. Bit 15 set:
//           the ID field is double density. Bits 0..14: offset of the ID
//           field's 0xFE byte from the start of the record. A pointer whose
//           offset is 0 ends the table.
//   128..   the raw track bytes.
//
// ID field, double density, one byte per byte:
//   +0 FE   +1 track   +2 side   +3 sector   +4 size code   +5, +6 CRC
// ID field, single density: usually every byte stored twice in a row
// (FE FE tt tt hh hh ss ss ...), so track, side and sector lie at +2, +4, +6;
// two 0xFE bytes at the pointed offset are the sign of that doubled storage.
//
// Data field: the data address mark follows the ID field (0xFB ordinary data,
// 0xF8 and 0xFA the directory), then the sector's data, right after the mark
// (after both copies of a doubled mark; doubled data is itself doubled).
#pragma once

#include "image_buffer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace ss::dmk {

// ---------------------------------------------------------------- header

inline constexpr std::int64_t kHeaderSize = 16;
// Each track record starts with a table of 64 ID pointers (below).
inline constexpr std::int64_t kPointerTableSize = 128;
inline constexpr std::int64_t kTracksOffset = 1;
inline constexpr std::int64_t kTrackLengthOffset = 2;
inline constexpr std::int64_t kWriteProtectOffset = 0;
inline constexpr std::int64_t kOptionsOffset = 4;
inline constexpr std::uint8_t kOptionSingleSided = 0x10;
inline constexpr std::uint8_t kOptionSingleDensity = 0x40;
inline constexpr std::int64_t kRealDiskOffset = 12;
inline constexpr std::array<std::uint8_t, 4> kRealDiskSignature = {0x78, 0x56, 0x34, 0x12};

// Track lengths a DMK header may give: tools write many besides the three
// below (0x18EC, 0x2940, ...).
inline constexpr std::int64_t kTrackLengthMin = 0x0100;
inline constexpr std::int64_t kTrackLengthMax = 0x4000;
// Byte 0 of a DMK header: 0x00, or 0xFF for a write-protected image.
inline constexpr std::uint8_t kWritable = 0x00;
inline constexpr std::uint8_t kWriteProtected = 0xFF;

// The track lengths the program knows, with the density each stands for.
inline constexpr std::int64_t kTrackLengthSingle = 0x0CC0; // 3264
inline constexpr std::int64_t kTrackLengthDouble = 0x1900; // 6400
// A longer double-density track (6528), known to the sector map and the hex
// viewer; the main window takes it as double density too.
inline constexpr std::int64_t kTrackLengthDoubleLong = 0x1980;

struct KnownTrackLength {
    std::int64_t length;
    bool doubleDensity;
};
inline constexpr std::array<KnownTrackLength, 3> kKnownTrackLengths = {{
    {kTrackLengthSingle, false},
    {kTrackLengthDouble, true},
    {kTrackLengthDoubleLong, true},
}};

// The known track length `length`, or none.
constexpr std::optional<KnownTrackLength> FindTrackLength(std::int64_t length) {
    for (const KnownTrackLength& k : kKnownTrackLengths) {
        if (k.length == length) {
            return k;
        }
    }
    return std::nullopt;
}

// The header as read up front. A file too short to hold a field reads it as 0
// (and without the signature).
struct Header {
    int tracks = 0;                // byte 1: tracks (cylinders) of the disk
    std::int64_t trackLength = 0;  // bytes 2..3: bytes per track record, pointers included
    bool realDisk = false;         // bytes 12..15 hold the real-drive signature
    bool knownTrackLength = false; // trackLength is one of kKnownTrackLengths
    bool doubleDensity = false;    // ... and stands for double density
    // Another track length from kTrackLengthMin to kTrackLengthMax: a DMK
    // image whose density only its ID pointers tell, when its write-protect
    // byte is 0x00 or 0xFF, it counts at least one track, the file holds its
    // first track record whole and
    // that record's first pointer is 0 or points past the pointer table into
    // the record. (So a JV3 image whose first track is 1 to 64, or a few
    // bytes of something else, do not read as one.)
    bool otherTrackLength = false;
    bool IsDmk() const { return knownTrackLength || otherTrackLength; }
};

inline Header ReadHeader(const ImageBuffer& buf) {
    Header h;
    h.tracks = buf.At(kTracksOffset);
    if (buf.Has(kTrackLengthOffset, 2)) {
        h.trackLength = buf.At(kTrackLengthOffset) + 256 * buf.At(kTrackLengthOffset + 1);
    }
    h.realDisk = buf.Has(kRealDiskOffset, 4);
    for (std::size_t k = 0; k < kRealDiskSignature.size() && h.realDisk; ++k) {
        h.realDisk =
            buf.At(kRealDiskOffset + static_cast<std::int64_t>(k)) == kRealDiskSignature[k];
    }
    if (const auto known = FindTrackLength(h.trackLength)) {
        h.knownTrackLength = true;
        h.doubleDensity = known->doubleDensity;
    } else if (h.trackLength >= kTrackLengthMin && h.trackLength <= kTrackLengthMax &&
               buf.Has(kHeaderSize, h.trackLength)) {
        const std::uint8_t protect = buf.At(kWriteProtectOffset);
        const std::int64_t first = buf.At(kHeaderSize) + 256 * (buf.At(kHeaderSize + 1) & 0x7F);
        h.otherTrackLength = (protect == kWritable || protect == kWriteProtected) && h.tracks > 0 &&
                             (first == 0 || (first >= kPointerTableSize && first < h.trackLength));
    }
    return h;
}

// Heads the track records take turns on, by the header's option bits: 1 on
// a single-sided image, else 2.
constexpr int RecordHeads(std::uint8_t options) {
    return (options & kOptionSingleSided) != 0 ? 1 : 2;
}

// Start of track record k.
constexpr std::int64_t RecordStart(std::int64_t trackLength, std::int64_t k) {
    return kHeaderSize + k * trackLength;
}

// ---------------------------------------------------------------- ID pointers

inline constexpr int kPointers = 64;
static_assert(kPointers * 2 == kPointerTableSize);
inline constexpr unsigned kPointerDoubleDensity = 0x8000;
inline constexpr unsigned kPointerOffsetMask = 0x7FFF;

struct Pointer {
    std::int64_t offset = 0;    // of the ID field's first 0xFE from the record's start
    bool doubleDensity = false; // bit 15
    // A zero offset ends the table, whatever the density bit says.
    bool Ends() const { return offset == 0; }
};

// Pointer j (0 to 63) of the track record that starts at recordStart.
inline Pointer IdPointer(const ImageBuffer& buf, std::int64_t recordStart, int j) {
    const std::int64_t p = recordStart + 2LL * j;
    const unsigned raw = buf.At(p) + 256u * buf.At(p + 1);
    return Pointer{static_cast<std::int64_t>(raw & kPointerOffsetMask),
                   (raw & kPointerDoubleDensity) != 0};
}

// ---------------------------------------------------------------- ID fields

inline constexpr std::uint8_t kIdAddressMark = 0xFE;
// The bytes before an address mark: 0xA1 sync bytes in double density, 0x00
// in single density; gap bytes between the fields.
inline constexpr std::uint8_t kSyncDouble = 0xA1;
inline constexpr std::uint8_t kSyncSingle = 0x00;
inline constexpr int kSyncBytes = 3;
inline constexpr std::uint8_t kGapDouble = 0x4E;
inline constexpr std::uint8_t kGapSingle = 0xFF;

// Where the items of an ID field lie from its first 0xFE byte.
struct IdOffsets {
    int track;
    int side;
    int sector;
    int sizeCode;
};
inline constexpr IdOffsets kIdOnce = {1, 2, 3, 4};    // double density, or single stored once
inline constexpr IdOffsets kIdDoubled = {2, 4, 6, 8}; // single density, every byte twice

constexpr const IdOffsets& IdOffsetsFor(bool doubled) {
    return doubled ? kIdDoubled : kIdOnce;
}

// True when the ID field at idPos is stored doubled: it starts FE FE.
inline bool IsDoubledField(const ImageBuffer& buf, std::int64_t idPos) {
    return buf.At(idPos) == kIdAddressMark && buf.At(idPos + 1) == kIdAddressMark;
}

// Track, side and sector number bytes of the ID field at idPos, honouring
// doubled storage.
inline int IdTrack(const ImageBuffer& buf, std::int64_t idPos, bool doubled) {
    return buf.At(idPos + IdOffsetsFor(doubled).track);
}
inline int IdSide(const ImageBuffer& buf, std::int64_t idPos, bool doubled) {
    return buf.At(idPos + IdOffsetsFor(doubled).side);
}
inline int IdSector(const ImageBuffer& buf, std::int64_t idPos, bool doubled) {
    return buf.At(idPos + IdOffsetsFor(doubled).sector);
}
// The size code byte of the ID field at idPos, as written.
inline int IdSizeCode(const ImageBuffer& buf, std::int64_t idPos, bool doubled) {
    return buf.At(idPos + IdOffsetsFor(doubled).sizeCode);
}
// Bytes of data the ID field announces: 128 << N for its size code N, taken modulo 4.
inline int IdSectorSize(const ImageBuffer& buf, std::int64_t idPos, bool doubled) {
    return 128 << (buf.At(idPos + IdOffsetsFor(doubled).sizeCode) & 3);
}

// ---------------------------------------------------------------- data marks

inline constexpr std::uint8_t kMarkData = 0xFB;        // ordinary data
inline constexpr std::uint8_t kMarkDirectoryF8 = 0xF8; // directory data
inline constexpr std::uint8_t kMarkDirectoryFA = 0xFA; // directory data

constexpr bool IsDirectoryMark(int b) {
    return b == kMarkDirectoryF8 || b == kMarkDirectoryFA;
}
constexpr bool IsDataMark(int b) {
    return b == kMarkData || IsDirectoryMark(b);
}

// The data mark is searched from these distances after the ID field's first
// byte up to kMarkSearchLast, both included. A doubled field's CRC fills
// distances 10 to 13, so its search starts after them.
inline constexpr int kMarkSearchFirst = 10;
inline constexpr int kMarkSearchFirstDoubled = 14;
inline constexpr int kMarkSearchLast = 50;

// The sector map's fixed distance from an ID field's first byte to its data
// mark, by density, for a sector whose search found none: where the mark of
// a double-density track lies, and of a single-density one stored once.
inline constexpr int kFixedMarkDistanceDouble = 44;
inline constexpr int kFixedMarkDistanceSingle = 24;

// The byte the sector map shows for the data mark of the ID field at idPos
// whose search found none: the one at the fixed distance, or the one after
// it when that is no mark.
inline std::uint8_t FixedDistanceMark(const ImageBuffer& buf, std::int64_t idPos,
                                      bool doubleDensity) {
    const std::int64_t at =
        idPos + (doubleDensity ? kFixedMarkDistanceDouble : kFixedMarkDistanceSingle);
    const std::uint8_t mark = buf.At(at);
    return IsDataMark(mark) ? mark : buf.At(at + 1);
}

// Distance from idPos to the first data mark in the search window, or -1.
// Positions outside the file read as 0, never a mark: only the part of the
// window that the file holds is scanned.
int DataMarkDistance(const ImageBuffer& buf, std::int64_t idPos, bool doubled);

// The same, or none.
inline std::optional<int> FindDataMark(const ImageBuffer& buf, std::int64_t idPos, bool doubled) {
    const int d = DataMarkDistance(buf, idPos, doubled);
    return d >= 0 ? std::optional<int>(d) : std::nullopt;
}

// Distance from a data mark to the sector's first data byte.
constexpr int DataAfterMark(bool doubled) {
    return doubled ? 2 : 1;
}

// ---------------------------------------------------------------- CRCs

// Bytes of an ID field after its mark: track, side, sector, size code.
inline constexpr int kIdFieldBytes = 4;
inline constexpr int kCrcBytes = 2;

enum class FieldCrc { Good, Bad, CutOff };

// Checks the CRC of the field whose address mark lies at markPos and holds
// `count` bytes after it, followed by its two CRC bytes: a double-density
// field's CRC runs over the three 0xA1 sync bytes, the mark and the bytes;
// a single-density one's from the mark. A doubled field (stride 2) is read
// undoubled. CutOff when the file does not hold the whole field.
FieldCrc CheckFieldCrc(const ImageBuffer& buf, std::int64_t markPos, int count, bool doubleDensity,
                       int stride);

} // namespace ss::dmk
