#include "newdos.h"

#include "surface/numtext.h"

namespace ss::newdos {

namespace {

// The bytes of the drive-0 entry that the read-out shows.
namespace entry {
constexpr int kDirStartLump = 0;  // DDSL
constexpr int kTypeFlags = 2;     // TI flags in bits 2..7, the step rate in bits 0..1
constexpr int kTrackCount = 3;    // TC
constexpr int kSectorsPerTrk = 4; // SPT, which also decides TD
constexpr int kGranPerLump = 5;   // GPL
constexpr int kMoreTypeFlags = 7; // bit 2: a TI flag
constexpr int kDirGranules = 9;   // DDGA
} // namespace entry

// First TI letter from the interface-type flags y (the type byte without its
// step-rate bits).
char TiFirstLetter(int y) {
    if (y == 0x14) {
        return 'E';
    }
    if (y == 0x0C) {
        return 'B';
    }
    if (y & 4) {
        return 'A';
    }
    if (y & 8) {
        return 'D';
    }
    if (y & 16) {
        return 'C';
    }
    return '?';
}

// Second TI letter from the flags y and the further flag byte.
char TiSecondLetter(int y, int more) {
    if (y & 32) {
        return 'M';
    }
    if (y & 64) {
        return 'K';
    }
    if (more & 4) {
        return 'L';
    }
    return ' ';
}

// TD letter from the sectors per track: sides and density of the drive.
const char* TdLetter(int sectorsPerTrack) {
    switch (sectorsPerTrack) {
    case 10:
        return "A"; // one side, single density
    case 20:
        return "C"; // two sides, single density
    case 18:
        return "E"; // one side, double density
    default:
        return "G"; // two sides, double density
    }
}

} // namespace

DriveParameters ReadDriveParameters(const std::array<std::uint8_t, kPdriveEntrySize>& bytes) {
    DriveParameters p;
    const int y = bytes[entry::kTypeFlags] & 0xFC;
    p.TI = {TiFirstLetter(y), TiSecondLetter(y, bytes[entry::kMoreTypeFlags])};
    p.TD = TdLetter(bytes[entry::kSectorsPerTrk]);
    p.TC = bytes[entry::kTrackCount];
    p.SPT = bytes[entry::kSectorsPerTrk];
    p.TSR = bytes[entry::kTypeFlags] & 3;
    p.GPL = bytes[entry::kGranPerLump];
    p.DDSL = bytes[entry::kDirStartLump];
    p.DDGA = bytes[entry::kDirGranules];
    return p;
}

std::string DriveParameters::Text() const {
    return "Pdrives:" + std::string(" TI = ") + TI + "  TD = " + TD + "  TC =" + DecBlank(TC) +
           "   SPT =" + DecBlank(SPT) + "  TSR =" + DecBlank(TSR) + "  GPL =" + DecBlank(GPL) +
           "  DDSL =" + DecBlank(DDSL) + "  DDGA =" + DecBlank(DDGA);
}

} // namespace ss::newdos
