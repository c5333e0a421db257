// JV1 disk images (offered as "Dsk" files): no header, the disk's sectors one
// after another. One side, single density, 10 sectors of 256 bytes a track,
// tracks from 0 up, sectors 0 to 9 in order within a track; sector index
// i = 10 * track + sector lies at 256 * i.
//
// The program takes a JV1 image as long as it is: whole tracks of 10 sectors,
// then a last part-track as far as the file goes; the directory is on track 17. It knows one by its
// first three bytes 00 FE 11, the way a boot sector of such a disk starts (0x11 = 17, the directory
// track).
#pragma once

#include "image_buffer.h"

#include <array>
#include <cstdint>

namespace ss::jv1 {

inline constexpr int kSectorsPerTrack = 10;
inline constexpr std::int64_t kSectorSize = 256;
// The usual disk: 35 tracks.
inline constexpr int kTracks = 35;
inline constexpr int kSectors = kTracks * kSectorsPerTrack;

// Sectors a file of `length` bytes holds, a last part-sector counted.
constexpr std::int64_t SectorsOfLength(std::int64_t length) {
    return (length + kSectorSize - 1) / kSectorSize;
}
// Tracks a file of `length` bytes holds, a last part-track counted.
constexpr std::int64_t TracksOfLength(std::int64_t length) {
    return (SectorsOfLength(length) + kSectorsPerTrack - 1) / kSectorsPerTrack;
}
inline constexpr int kDirectoryTrack = 17;
inline constexpr std::array<std::uint8_t, 3> kSignature = {0x00, 0xFE, 0x11};

// Sector index of sector s of track t.
constexpr std::int64_t SectorIndex(int track, int sector) {
    return static_cast<std::int64_t>(kSectorsPerTrack) * track + sector;
}

// File position of sector index i.
constexpr std::int64_t SectorOffset(std::int64_t i) {
    return kSectorSize * i;
}

// The first sector index of the directory track and the one after its last.
inline constexpr std::int64_t kDirectoryFirst = SectorIndex(kDirectoryTrack, 0);
inline constexpr std::int64_t kDirectoryEnd = SectorIndex(kDirectoryTrack + 1, 0);

constexpr bool IsDirectorySector(std::int64_t i) {
    return i >= kDirectoryFirst && i < kDirectoryEnd;
}

// The layout keeps no data marks: emulators read the directory track with the
// directory mark 0xFA and every other sector with the ordinary mark 0xFB.
inline constexpr std::uint8_t kDirectoryDataMark = 0xFA;
inline constexpr std::uint8_t kOrdinaryDataMark = 0xFB;
constexpr std::uint8_t DataMarkOf(std::int64_t i) {
    return IsDirectorySector(i) ? kDirectoryDataMark : kOrdinaryDataMark;
}

// Where a Newdos/80 disk keeps its drive parameters: track 0, sector 2.
inline constexpr std::int64_t kPdriveSectorOffset = SectorOffset(SectorIndex(0, 2));
static_assert(kPdriveSectorOffset == 512);

// True when the file starts with the three recognition bytes.
inline bool HasSignature(const ImageBuffer& buf) {
    if (!buf.Has(0, static_cast<std::int64_t>(kSignature.size()))) {
        return false;
    }
    for (std::size_t k = 0; k < kSignature.size(); ++k) {
        if (buf.At(static_cast<std::int64_t>(k)) != kSignature[k]) {
            return false;
        }
    }
    return true;
}

} // namespace ss::jv1
