#include "hex_marking.h"

namespace ss {

using namespace hexrules;

void HexMarking::BeginPage(const HexFile& file, std::int64_t pageStart) {
    file_ = &file;
    format_ = file.format;
    gapsRed_ = format_ == HexFormat::Dmk || format_ == HexFormat::DmkRealDisk;
    fpasave = pageStart;
    dataMarkSearch_ = false;
    doubleByteNotice_ = false;
    record_ = {};
}

Colour HexMarking::HexColour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b) {
    switch (format_) {
    case HexFormat::Dmk:
        return p >= dmk::kHeaderSize ? DmkColour(filebuf, p, b) : colour::Magenta;
    case HexFormat::Jv3:
        return Jv3Colour(filebuf, p, b);
    case HexFormat::Jv1:
        return OddBlock(p) ? colour::Black : colour::Red;
    case HexFormat::DmkRealDisk:
    case HexFormat::None:
        break;
    }
    return colour::Black;
}

bool HexMarking::InTrackHeader(std::int64_t p) {
    if (p < record_.start || p >= record_.end) {
        record_ = file_->headers.RecordAt(p);
    }
    return record_.Header(p);
}

Colour HexMarking::DmkColour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b) {
    Colour c = colour::Black;
    const bool header = InTrackHeader(p);
    if (header) {
        c = b == 0 ? hexcolour::HeaderZero : hexcolour::HeaderByte;
    }
    if (!header && IsGap(b)) {
        c = colour::Red;
    }

    // Outside an ID field and its data-mark search, only an ID mark starts
    // anything.
    if (idamflag == 0 && !dataMarkSearch_ && b != dmk::kIdAddressMark) {
        return c;
    }
    if (b == dmk::kIdAddressMark && IsIdMarkAfterSync(filebuf, p)) {
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

    // The data mark is marked only on the page where the ID field ends.
    if (dataMarkSearch_ && IsDataMarkAfter(p, fpasave1, b)) {
        c = colour::Blue;
        dataMarkSearch_ = false;
    }
    return c;
}

Colour HexMarking::Jv3Colour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b) {
    Colour c = colour::Black;
    const bool dataArea = !InJv3Header(p);
    switch (Jv3EntryByte(p)) {
    case Jv3Byte::Track: // its colour flips with every change of track
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
    case Jv3Byte::Sector:
        c = colour::Blue;
        break;
    case Jv3Byte::Flags:
        c = hexcolour::Jv3Flags;
        break;
    }
    if (dataArea) {
        c = OddBlock(p) ? colour::Red : colour::Black;
    }
    return c;
}

} // namespace ss
