// The directory of TRSDOS 2.3, LDOS 5.x and NEWDOS/80 disks: the granule
// allocation table (GAT), the hash index table (HIT) and the 32-byte entries
// that follow them, eight to a sector.
//
// Directory entry:
//   0       attributes: 0x80 extended entry, 0x40 system, 0x20 a flag kept as
//           it is, 0x10 in use (clear: deleted), 0x08 invisible, 0x07 protection
//   1       LDOS: bits 3..0 month, bits 7..4 flags; extended entry: the DEC
//           of the entry it continues
//   2       LDOS: bits 7..3 day, bits 2..0 year - 1980
//   3       EOF: the byte offset of the end of file in the last sector
//   4       logical record length (0 means 256)
//   5..12   name, 13..15 extension, padded with blanks
//   16..17  update password hash, 18..19 access password hash (low byte first)
//   20..21  ERN, the end record number (low byte first)
//   22..29  four extents of two bytes; a first byte of 0xFF ends them
//   30..31  FE dd: the extended entry at DEC dd holds further extents; FF FF: none
//
// DEC, the directory entry code: (slot << 5) | (directory sector - 2); the
// entry lies in directory sector (DEC & 0x1F) + 2 at (DEC >> 5) * 32. HIT
// byte DEC holds the hash of that entry's name, 0 for a free slot.
//
// GAT: from 0x00 one byte per allocation unit (TRSDOS 2.3 a track, LDOS a
// cylinder, NEWDOS/80 a lump), bit g set when granule g is in use; 0x60 the
// lock-out table, one byte per unit, bit g set when the unit has no granule g
// (so its zero bits count the granules of a unit: FC two, F8 three, C0 six).
// A NEWDOS/80 disk of more than 96 lumps has no lock-out table: its
// allocation bytes run on to 0xBF; 0xCB the DOS version; 0xCC LDOS cylinders - 35; 0xCD LDOS
// flags (0x40 double density, 0x20 two sides, bits 2..0 granules per track
// and side - 1); 0xCE..0xCF master password hash; 0xD0..0xD7 disk name;
// 0xD8..0xDF date; 0xE0.. the AUTO command, ended by 0x0D.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ss::dos {

inline constexpr int kEntrySize = 32;
inline constexpr int kEntriesPerSector = 8;
inline constexpr int kMaxEntrySectors = 32; // DEC & 0x1F
inline constexpr int kNameBytes = 11;       // name and extension

namespace entry {
inline constexpr int kAttributes = 0;
inline constexpr int kDateMonth = 1; // also: the owner's DEC in an extended entry
inline constexpr int kDateDayYear = 2;
inline constexpr int kEof = 3;
inline constexpr int kLrl = 4;
inline constexpr int kName = 5;
inline constexpr int kExt = 13;
inline constexpr int kUpdateHash = 16;
inline constexpr int kAccessHash = 18;
inline constexpr int kErn = 20;
inline constexpr int kExtents = 22;
inline constexpr int kExtentsInEntry = 4;
inline constexpr int kLink = 30;

inline constexpr std::uint8_t kExtended = 0x80;
inline constexpr std::uint8_t kSystem = 0x40;
inline constexpr std::uint8_t kFlag5 = 0x20;
inline constexpr std::uint8_t kInUse = 0x10;
inline constexpr std::uint8_t kInvisible = 0x08;
inline constexpr std::uint8_t kProtection = 0x07;

inline constexpr std::uint8_t kEndOfExtents = 0xFF;
inline constexpr std::uint8_t kLinkMark = 0xFE;
} // namespace entry

namespace gat {
inline constexpr int kLockout = 0x60;
inline constexpr int kUnits = 0x60;               // allocation bytes before the lock-out table
inline constexpr int kUnitsWithoutLockout = 0xC0; // NEWDOS/80 over 96 lumps
inline constexpr int kVersion = 0xCB;
inline constexpr int kLdosCylinders = 0xCC; // + 35
inline constexpr int kLdosFlags = 0xCD;
inline constexpr std::uint8_t kLdosDoubleDensity = 0x40;
inline constexpr std::uint8_t kLdosTwoSided = 0x20;
inline constexpr std::uint8_t kLdosGranulesMask = 0x07; // + 1
inline constexpr int kDiskName = 0xD0;
inline constexpr int kDate = 0xD8;
inline constexpr int kTextSize = 8;
} // namespace gat

// The directory sector of entry DEC (counted from the GAT) and its offset there.
constexpr int DecSector(int dec) {
    return (dec & 0x1F) + 2;
}
constexpr int DecOffset(int dec) {
    return (dec >> 5) * kEntrySize;
}
constexpr int MakeDec(int entrySector, int slot) {
    return (slot << 5) | entrySector;
}

// The HIT hash of 11 name and extension bytes: for each byte, XOR it in and
// rotate left by one; a result of 0 becomes 1 (0 marks a free slot).
constexpr std::uint8_t NameHash(std::span<const std::uint8_t, kNameBytes> name) {
    unsigned h = 0;
    for (const std::uint8_t b : name) {
        h ^= b;
        h = ((h << 1) | (h >> 7)) & 0xFF;
    }
    return h == 0 ? 1 : static_cast<std::uint8_t>(h);
}

} // namespace ss::dos
