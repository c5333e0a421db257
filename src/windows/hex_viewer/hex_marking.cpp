#include "hex_marking.h"

#include "image/dmk.h"
#include "image/jv1.h"
#include "image/jv3.h"

namespace ss {

namespace {
// An ID field counts 2 at its mark and one more for every byte after it; the
// blue marking ends when the count reaches the field's length, so it covers
// the mark up to the size code: the mark and 4 bytes, or with every byte
// doubled the mark pair and 8 bytes.
constexpr std::int64_t IdFieldLength(bool doubled) {
    return dmk::IdOffsetsFor(doubled).sizeCode + 3;
}
static_assert(IdFieldLength(false) == 7 && IdFieldLength(true) == 11);

// The JV3 header entries whose track bytes must all be 0.
constexpr int kJv3ZeroEntries = 6;

bool IsGap(std::uint8_t b) {
    return b == dmk::kGapSingle || b == dmk::kGapDouble;
}
// Whether the three bytes before p are all `b`.
bool ThreeBefore(const HexBytes& filebuf, std::int64_t p, std::uint8_t b) {
    return filebuf.At(p - 1) == b && filebuf.At(p - 2) == b && filebuf.At(p - 3) == b;
}
// Red for odd-numbered 256-byte blocks, counted from the start of the file.
bool OddBlock(std::int64_t p) {
    return (p / jv1::kSectorSize) % 2 == 1;
}
} // namespace

std::int64_t HexTrackLength(const HexBytes& filebuf) {
    return dmk::ReadHeader(filebuf.Buffer()).trackLength;
}

bool InJv3Header(std::int64_t p) {
    return p < jv3::kHeaderSize;
}

HexFormat ClassifyHexFile(const HexBytes& filebuf) {
    const dmk::Header header = dmk::ReadHeader(filebuf.Buffer());
    // Any track length a DMK header may give; one of the three the program
    // knows wins over the JV1 bytes, another does not. (The buffer's zero
    // positions behind the file do not count towards its first record.)
    const bool otherDmk = header.otherTrackLength && !jv1::HasSignature(filebuf.Buffer()) &&
                          filebuf.fileend() >= dmk::kHeaderSize + header.trackLength;
    if (header.knownTrackLength || otherDmk) {
        return header.realDisk ? HexFormat::DmkRealDisk : HexFormat::Dmk;
    }
    if (jv1::HasSignature(filebuf.Buffer())) {
        return HexFormat::Jv1;
    }
    for (int n = 0; n < kJv3ZeroEntries; ++n) {
        if (filebuf.At(jv3::EntryOffset(n)) != 0) {
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
    trackStart_ = kNoTrack;
}

Colour HexMarking::HexColour(const HexBytes& filebuf, std::int64_t p) {
    const std::uint8_t b = filebuf.At(p);
    Colour c = colour::Black;
    if (format_ == HexFormat::Dmk && p >= dmk::kHeaderSize) {
        c = DmkColour(filebuf, p, b);
    }
    if (format_ == HexFormat::Jv3) {
        c = Jv3Colour(filebuf, p, b);
    }
    if (format_ == HexFormat::Dmk && p < dmk::kHeaderSize) {
        c = colour::Magenta;
    }
    if (format_ == HexFormat::Jv1) {
        c = OddBlock(p) ? colour::Black : colour::Red;
    }
    return c;
}

Colour HexMarking::TextColour(std::uint8_t b) const {
    const bool dmk = format_ == HexFormat::Dmk || format_ == HexFormat::DmkRealDisk;
    return dmk && IsGap(b) ? colour::Red : colour::Black;
}

bool HexMarking::InTrackHeader(std::int64_t fileend, std::int64_t p) {
    // Headers of tracks 0 to Int(fileend / trklength) count, the last one
    // possibly lying past the end of the file. The track of p is worked out
    // again only when p leaves the one before: a page crosses few tracks.
    if (p < trackStart_ || p >= trackStart_ + trklength_) {
        const std::int64_t t = (p - dmk::kHeaderSize) / trklength_;
        trackStart_ = dmk::RecordStart(trklength_, t);
        trackCounts_ = t <= fileend / trklength_;
    }
    return trackCounts_ && p - trackStart_ < dmk::kPointerTableSize;
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
    if (b == dmk::kIdAddressMark &&
        (ThreeBefore(filebuf, p, dmk::kSyncDouble) || ThreeBefore(filebuf, p, dmk::kSyncSingle))) {
        idamflag = 1;
        fpasave1 = p;
    }
    if (idamflag == 1) {
        const bool doubled = dmk::IsDoubledField(filebuf.Buffer(), p);
        if (doubled) {
            doublebyte = 1;
        }
        doubleByteNotice_ = doubled;
    }
    const std::int64_t fieldLength = IdFieldLength(doublebyte == 1);
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
    if (dataMarkSearch_ && p > fpasave1 + dmk::kMarkSearchFirst && dmk::IsDataMark(b)) {
        c = colour::Blue;
        dataMarkSearch_ = false;
    }
    return c;
}

Colour HexMarking::Jv3Colour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b) {
    Colour c = colour::Black;
    const bool dataArea = !InJv3Header(p);
    switch (p % jv3::kEntrySize) {
    case 0: // the track byte: its colour flips with every change of track
        if (b != filebuf.At(fpasave)) {
            fpasave = p;
            clrsave = 1 - clrsave;
        }
        c = clrsave == 1 ? colour::Magenta : colour::Red;
        if (dataArea) {
            c = colour::Black;
        }
        if (b == jv3::kFreeTrack) {
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
        c = OddBlock(p) ? colour::Red : colour::Black;
    }
    return c;
}

} // namespace ss
