// The Newdos/80 drive-parameter read-out of the main window.
#include "newdos.h"

#include "surface/numtext.h"
#include "table_builders.h"

#include <string>

namespace ss {

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
std::string TiFirstLetter(int y) {
    if (y == 0x14) {
        return "E";
    }
    if (y == 0x0C) {
        return "B";
    }
    if (y & 4) {
        return "A";
    }
    if (y & 8) {
        return "D";
    }
    if (y & 16) {
        return "C";
    }
    return "?";
}

// Second TI letter from the flags y and the further flag byte.
std::string TiSecondLetter(int y, int more) {
    if (y & 32) {
        return "M";
    }
    if (y & 64) {
        return "K";
    }
    if (more & 4) {
        return "L";
    }
    return " ";
}

// TD letter from the sectors per track: sides and density of the drive.
std::string TdLetter(int sectorsPerTrack) {
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

void ReadPdriveEntry(ImageState& s, int stride) {
    const ImageBuffer& buf = s.filebuf;
    const std::int64_t a = s.fpa;
    auto byte = [&](int k) { return buf.At(a + static_cast<std::int64_t>(stride) * k); };

    s.newdosflag = 1;
    s.spg = 5;
    s.spl = 5 * byte(entry::kGranPerLump);

    const int y = byte(entry::kTypeFlags) & 0xFC;
    s.pdrive = "Pdrives:" + std::string(" TI = ") + TiFirstLetter(y) +
               TiSecondLetter(y, byte(entry::kMoreTypeFlags)) +
               "  TD = " + TdLetter(byte(entry::kSectorsPerTrk)) +
               "  TC =" + DecBlank(byte(entry::kTrackCount)) +
               "   SPT =" + DecBlank(byte(entry::kSectorsPerTrk)) +
               "  TSR =" + DecBlank(byte(entry::kTypeFlags) & 3) +
               "  GPL =" + DecBlank(byte(entry::kGranPerLump)) +
               "  DDSL =" + DecBlank(byte(entry::kDirStartLump)) +
               "  DDGA =" + DecBlank(byte(entry::kDirGranules));
    s.fpa = a + static_cast<std::int64_t>(entry::kSectorsPerTrk) * stride;
}

} // namespace ss
