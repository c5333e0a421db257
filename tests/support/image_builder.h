// Writes disk image files byte for byte, for the tests and the sample disks.
//
// Three layouts are produced, JV1, JV3 and DMK, laid out as image/jv1.h,
// image/jv3.h and image/dmk.h set out.
//
// Default sector contents: unless a caller supplies data, a sector on track t,
// side h, sector number s gets the pattern
//     byte 0 = t, byte 1 = h, byte 2 = s,
//     byte k (k >= 3) = (t * 7 + h * 3 + s * 11 + k) & 0xFF,
// so a test can tell from any block which sector it came from.
#pragma once

#include "image/dmk.h"
#include "image/jv1.h"
#include "image/jv3.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ss::testimg {

// ---------------------------------------------------------------- patterns

// Byte k of the default pattern for a sector (see the top of this file).
std::uint8_t PatternByte(int track, int side, int sector, std::size_t k);
// The default pattern, `size` bytes long.
std::vector<std::uint8_t> PatternData(int track, int side, int sector, std::size_t size = 256);

// CRC-16-CCITT (polynomial 0x1021, most significant bit first), as the disk
// controller computes it over address marks and fields.
std::uint16_t Crc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc = 0xFFFF);

// Writes `bytes` to `path`; throws std::runtime_error when that fails.
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// ---------------------------------------------------------------- JV1

using Jv1Fill = std::function<void(int track, int sector, std::uint8_t* data256)>;

// A JV1 image of `tracks` tracks. `fill` is called once per sector with the
// sector's 256 bytes (zeroed beforehand); without it every byte is 0x00.
std::vector<std::uint8_t> MakeJv1(int tracks, const Jv1Fill& fill = {});

// A fill for MakeJv1 that writes the default pattern (side 0).
void FillJv1Pattern(int track, int sector, std::uint8_t* data256);

// Puts 0x00 0xFE 0x11 into bytes 0..2 of an image (the way a boot sector of a
// disk with its directory on track 17 starts), e.g.
//     auto img = MakeJv1(35, FillJv1Pattern); SetJv1BootBytes(img);
void SetJv1BootBytes(std::vector<std::uint8_t>& image);

// A JV1 image of `tracks` tracks with the default pattern in every sector and
// the bytes by which the window knows the layout.
std::vector<std::uint8_t> PatternJv1(int tracks = jv1::kTracks);

// ---------------------------------------------------------------- JV3

struct Jv3Entry {
    int track = 0; // 0xFF: a free entry, its sector byte 0xFF
    int sector = 0;
    bool doubleDensity = false;
    bool side1 = false;
    bool dirMark = false;
    // Empty: the default pattern, `size` bytes. Shorter: padded with 0x00.
    // Longer is refused.
    std::vector<std::uint8_t> data = {};
    // Bytes of the data block: 128, 256, 512 or 1024, written as the size
    // code of a used or a free entry.
    int size = 256;
    bool crcError = false; // the flag of a sector read with a CRC error
};

// A free entry whose data block of `size` bytes stays in the image.
Jv3Entry Jv3FreeEntry(int size = 256);

// A JV3 image: entries in the given order, unused entries 0xFF 0xFF 0xFF, the
// write-protect byte 0xFF, then the data blocks in entry order, each as long
// as its entry's size. More than 2901 entries continue in a second table
// after the first one's data: 2901 entries, a padding byte, their data.
// Throws std::runtime_error for more than two tables or oversized data.
std::vector<std::uint8_t> MakeJv3(const std::vector<Jv3Entry>& entries);

// ---------------------------------------------------------------- DMK

// How a single-density sector is kept in the raw track: every byte twice in a
// row (the usual layout of 6400-byte tracks), or every byte once (common in
// 3264-byte tracks).
enum class SdStorage { Doubled, Once };

struct DmkSector {
    int track = 0; // the track byte written into the ID field
    int side = 0;  // the side byte written into the ID field
    int sector = 0;
    bool doubleDensity = true;
    SdStorage sd = SdStorage::Doubled; // only for single density
    std::uint8_t dam = 0xFB;           // data mark: 0xFB normal, 0xF8/0xFA directory
    int sizeCode = 1;                  // size byte of the ID field
    // Empty: the default pattern, 128 << (sizeCode & 3) bytes long.
    // Otherwise exactly these bytes are written as the data field.
    std::vector<std::uint8_t> data = {};
    // Replace the two CRC bytes of the ID field (high byte first); otherwise
    // the correct CRC is written.
    std::optional<std::array<std::uint8_t, 2>> idCrc = {};
    // The same for the CRC after the data field.
    std::optional<std::array<std::uint8_t, 2>> dataCrc = {};
};

struct DmkTrack {
    std::vector<DmkSector> sectors = {}; // in their order on the track (at most 64)
};

// Where a sector ended up, as offsets from the start of the file.
struct DmkPlaced {
    std::int64_t idPos = 0;   // the (first) 0xFE byte of the ID field
    std::int64_t damPos = 0;  // the (first) data mark byte
    std::int64_t dataPos = 0; // the first data byte
};

struct DmkImage {
    std::vector<std::uint8_t> bytes = {};
    std::vector<std::vector<DmkPlaced>> placed = {}; // per record, per sector in track order
};

struct DmkOptions {
    // Header byte 1. -1: records / sides rounded up, where sides is 1 when
    // optionsByte has dmk::kOptionSingleSided and 2 otherwise.
    int tracksByte = -1;
    int trackLength = dmk::kTrackLengthDouble; // bytes per record, pointer table included
    std::uint8_t optionsByte = 0;
    bool realDisk = false; // header bytes 12..15 = 0x78 0x56 0x34 0x12
};

// Options of a one-sided DMK image.
DmkOptions OneSide(int trackLength = dmk::kTrackLengthDouble, int tracksByte = -1);

// A DMK image of the given track records, back to back. Gaps are shrunk when
// the sectors would not fit otherwise; throws std::runtime_error when they
// cannot fit at all, or for more than 64 sectors in a record.
//
// Sector layouts (from the pointer target on):
//   double density:  FE tt hh ss nn c1 c2, 22 x 4E, 12 x 00, A1 A1 A1, mark,
//                    data, CRC   (the mark lies 44 bytes after the FE)
//   single, doubled: every byte twice: FE tt hh ss nn c1 c2, 11 x FF, 6 x 00,
//                    mark, data, CRC   (the mark lies 48 bytes after the FE)
//   single, once:    the same bytes once each (the mark lies 24 bytes after)
DmkImage MakeDmk(const std::vector<DmkTrack>& records, const DmkOptions& options = {});

// Regular tracks: records in the order cylinder 0 side 0, cylinder 0 side 1,
// cylinder 1 side 0, ...; each with `spt` sectors whose ID fields carry the
// cylinder and side. `order` lists the sector numbers in on-track order
// (default firstSector, firstSector + 1, ...); it must hold `spt` numbers.
// Single-density sectors are stored doubled; data is the default pattern.
std::vector<DmkTrack> DmkStandardTracks(int cylinders, int sides, int spt, bool dd,
                                        int firstSector = 0, const std::vector<int>& order = {});

} // namespace ss::testimg
