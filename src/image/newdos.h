// Newdos/80 drive parameters, a content of the guest disk in any layout: a
// sector whose byte 239 is 0xA5 holds the table of drive parameters, the first
// 10 bytes of its data being the entry of drive 0.
#pragma once

#include "image_buffer.h"

#include <cstdint>

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

} // namespace ss::newdos
