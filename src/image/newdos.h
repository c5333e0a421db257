// Newdos/80 drive parameters, a content of the guest disk in any layout: a
// sector whose byte 239 is 0xA5 holds the table of drive parameters, the first
// 10 bytes of its data being the entry of drive 0.
#pragma once

#include "image_buffer.h"

#include <array>
#include <cstdint>
#include <string>

namespace ss::newdos {

inline constexpr std::uint8_t kPdriveMarker = 0xA5;
inline constexpr std::int64_t kPdriveMarkerOffset = 239;
inline constexpr int kPdriveEntrySize = 10;

// True when the sector whose data starts at dataPos carries the marker;
// stride is the distance between two of its data bytes in the file (2 when
// they are stored doubled).
inline bool HasPdriveMarker(const ImageBuffer& buf, std::int64_t dataPos, int stride = 1) {
    return buf.At(dataPos + stride * kPdriveMarkerOffset) == kPdriveMarker;
}

// The entry of drive 0, as the main window reads it out.
struct DriveParameters {
    std::string TI = "? "; // interface type: two letters, the second a blank when none
    std::string TD = "G";  // sides and density of the drive: A, C, E or G
    int TC = 0;            // tracks
    int SPT = 0;           // sectors per track
    int TSR = 0;           // track stepping rate code
    int GPL = 0;           // granules per lump
    int DDSL = 0;          // the lump the directory starts in
    int DDGA = 0;          // granules the directory takes

    // A lump is five sectors a granule.
    int SectorsPerLump() const { return 5 * GPL; }
    // The read-out: "Pdrives: TI = E   TD = E  TC = 40   SPT = 18  TSR = 0 ...".
    std::string Text() const;
    bool operator==(const DriveParameters&) const = default;
};

// The parameters that the entry's ten bytes give.
DriveParameters ReadDriveParameters(const std::array<std::uint8_t, kPdriveEntrySize>& entry);

} // namespace ss::newdos
