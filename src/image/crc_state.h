// What an image says of the CRC of a sector's ID field and of its data field.
#pragma once

#include <cstdint>

namespace ss {

// Nothing (JV1, a JV3 ID field, a field cut off by the end of the file), that
// it was good, or that it was bad.
enum class CrcState : std::uint8_t { NotRecorded = 0, Good = 1, Bad = 2 };

// The CRC states of a sector's ID field and data field.
struct SectorCrc {
    CrcState id = CrcState::NotRecorded;
    CrcState data = CrcState::NotRecorded;
    bool operator==(const SectorCrc&) const = default;
    bool AnyBad() const { return id == CrcState::Bad || data == CrcState::Bad; }
    // Both states in one number, as the main window's tables keep them.
    int Packed() const { return static_cast<int>(id) | static_cast<int>(data) << 2; }
    static SectorCrc Unpack(int v) {
        return SectorCrc{static_cast<CrcState>(v & 3), static_cast<CrcState>((v >> 2) & 3)};
    }
};

} // namespace ss
