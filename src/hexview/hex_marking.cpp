#include "hex_marking.h"

namespace ss {

namespace {
// Layout facts the page reads.
constexpr std::int64_t kDmkHeaderSize = 16;
constexpr std::int64_t kDmkPointerTableSize = 128; // the track header of a DMK record
constexpr std::int64_t kDmkTrackLengthSingle = 0x0CC0;
constexpr std::int64_t kDmkTrackLengthDouble = 0x1900;
constexpr std::int64_t kDmkTrackLengthDoubleLong = 0x1980;
constexpr std::uint8_t kDmkRealDiskMark[4] = {0x78, 0x56, 0x34, 0x12}; // at offsets 12 to 15
constexpr std::int64_t kDmkRealDiskOffset = 12;
constexpr std::uint8_t kIdAddressMark = 0xFE;
constexpr std::uint8_t kMfmSync = 0xA1;
constexpr std::uint8_t kDataMarkDeleted = 0xF8;
constexpr std::uint8_t kDataMarkDirectory = 0xFA;
constexpr std::uint8_t kDataMarkNormal = 0xFB;
constexpr std::uint8_t kJv1Signature[3] = {0x00, 0xFE, 0x11};
constexpr std::int64_t kSectorSize = 256; // JV1 sectors and JV3 data blocks
constexpr std::int64_t kJv3HeaderSize = 8704;
constexpr std::int64_t kJv3EntrySize = 3;
constexpr std::uint8_t kJv3FreeEntry = 0xFF;

// Gap bytes of a raw track: 0xFF fills single-density gaps, 0x4E double-density ones.
constexpr std::uint8_t kGapSingle = 0xFF;
constexpr std::uint8_t kGapDouble = 0x4E;

// An ID field counts from 2 at its mark; the marking ends when the count
// reaches the field's length: the mark and 4 bytes (track, side, sector,
// size), or the mark pair and 8 bytes when every byte is doubled.
constexpr std::int64_t kIdFieldLength = 7;
constexpr std::int64_t kIdFieldLengthDoubled = 11;
// The data mark is looked for only more than this many bytes after the ID mark.
constexpr std::int64_t kDataMarkDistance = 10;
// The JV3 header entries whose track bytes must all be 0.
constexpr std::int64_t kJv3ZeroTrackBytes[6] = {0, 3, 6, 9, 12, 15};

bool IsGap(std::uint8_t b) {
    return b == kGapSingle || b == kGapDouble;
}
bool IsDataMark(std::uint8_t b) {
    return b == kDataMarkDeleted || b == kDataMarkDirectory || b == kDataMarkNormal;
}
bool IsDmkTrackLength(std::int64_t trklength) {
    return trklength == kDmkTrackLengthDouble || trklength == kDmkTrackLengthSingle ||
           trklength == kDmkTrackLengthDoubleLong;
}
// Whether the three bytes before p are all `b`.
bool ThreeBefore(const HexBytes& filebuf, std::int64_t p, std::uint8_t b) {
    return filebuf.At(p - 1) == b && filebuf.At(p - 2) == b && filebuf.At(p - 3) == b;
}
} // namespace

std::int64_t HexTrackLength(const HexBytes& filebuf) {
    return filebuf.At(3) * 256 + filebuf.At(2);
}

bool InJv3Header(std::int64_t p) {
    return p < kJv3HeaderSize;
}

HexFormat ClassifyHexFile(const HexBytes& filebuf) {
    const bool dmk = IsDmkTrackLength(HexTrackLength(filebuf));
    bool realDisk = true;
    for (int k = 0; k < 4; ++k) {
        realDisk = realDisk && filebuf.At(kDmkRealDiskOffset + k) == kDmkRealDiskMark[k];
    }
    bool jv1 = true;
    for (int k = 0; k < 3; ++k) {
        jv1 = jv1 && filebuf.At(k) == kJv1Signature[k];
    }
    if (dmk) {
        return realDisk ? HexFormat::DmkRealDisk : HexFormat::Dmk;
    }
    if (jv1) {
        return HexFormat::Jv1;
    }
    for (std::int64_t p : kJv3ZeroTrackBytes) {
        if (filebuf.At(p) != 0) {
            return HexFormat::None;
        }
    }
    return HexFormat::Jv3;
}

void HexMarking::BeginPage(HexFormat format, std::int64_t trklength, std::int64_t pageStart) {
    format_ = format;
    trklength_ = trklength;
    fpasave = pageStart;
    dataMarkSearch_ = false;
    doubleByteNotice_ = false;
}

Colour HexMarking::HexColour(const HexBytes& filebuf, std::int64_t p) {
    const std::uint8_t b = filebuf.At(p);
    Colour c = colour::Black;
    if (format_ == HexFormat::Dmk && p >= kDmkHeaderSize) {
        c = DmkColour(filebuf, p, b);
    }
    if (format_ == HexFormat::Jv3) {
        c = Jv3Colour(filebuf, p, b);
    }
    if (format_ == HexFormat::Dmk && p < kDmkHeaderSize) {
        c = colour::Magenta;
    }
    if (format_ == HexFormat::Jv1) {
        c = (p / kSectorSize) % 2 == 0 ? colour::Red : colour::Black;
    }
    return c;
}

Colour HexMarking::TextColour(std::uint8_t b) const {
    const bool dmk = format_ == HexFormat::Dmk || format_ == HexFormat::DmkRealDisk;
    return dmk && IsGap(b) ? colour::Red : colour::Black;
}

bool HexMarking::InTrackHeader(std::int64_t fileend, std::int64_t p) const {
    // Headers of tracks 0 to Int(fileend / trklength) count, the last one
    // possibly lying past the end of the file.
    const std::int64_t t = (p - kDmkHeaderSize) / trklength_;
    return t <= fileend / trklength_ && (p - kDmkHeaderSize) % trklength_ < kDmkPointerTableSize;
}

Colour HexMarking::DmkColour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b) {
    Colour c = colour::Black;
    const bool header = InTrackHeader(filebuf.fileend(), p);
    if (header) {
        c = b == 0 ? hexcolour::HeaderZero : hexcolour::HeaderByte;
    }
    if (!header && IsGap(b)) {
        c = colour::Red;
    }

    // ID address mark: FE after three A1 sync bytes, or after three zeros
    // (single density, where the sync bytes are not kept).
    if (b == kIdAddressMark && (ThreeBefore(filebuf, p, kMfmSync) || ThreeBefore(filebuf, p, 0))) {
        idamflag = 1;
        fpasave1 = p;
    }
    if (idamflag == 1) {
        const bool doubled = filebuf.At(p) == kIdAddressMark && filebuf.At(p + 1) == kIdAddressMark;
        if (doubled) {
            doublebyte = 1;
        }
        doubleByteNotice_ = doubled;
    }
    const std::int64_t fieldLength = doublebyte == 1 ? kIdFieldLengthDoubled : kIdFieldLength;
    if (idamflag > 0) {
        ++idamflag;
    }
    if (idamflag == fieldLength) {
        idamflag = 0;
        dataMarkSearch_ = true;
        doublebyte = 0;
    }
    if (idamflag > 0 && idamflag < fieldLength) {
        c = colour::Blue;
    }

    // The first data mark after the ID field, on the page where the field ends.
    if (dataMarkSearch_ && p > fpasave1 + kDataMarkDistance && IsDataMark(b)) {
        c = colour::Blue;
        dataMarkSearch_ = false;
    }
    return c;
}

Colour HexMarking::Jv3Colour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b) {
    Colour c = colour::Black;
    const bool dataArea = !InJv3Header(p);
    switch (p % kJv3EntrySize) {
    case 0: // the track byte: its colour flips with every change of track
        if (b != filebuf.At(fpasave)) {
            fpasave = p;
            clrsave = 1 - clrsave;
        }
        c = clrsave == 1 ? colour::Magenta : colour::Red;
        if (dataArea) {
            c = colour::Black;
        }
        if (b == kJv3FreeEntry) {
            c = hexcolour::FreeEntry;
        }
        break;
    case 1: // the sector number
        c = colour::Blue;
        break;
    default: // the flags
        c = hexcolour::Jv3Flags;
        break;
    }
    if (dataArea) {
        c = (p / kSectorSize) % 2 == 0 ? colour::Black : colour::Red;
    }
    return c;
}

} // namespace ss
