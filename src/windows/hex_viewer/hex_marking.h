// How the hex viewer colours the bytes of a page: it marks the structure of
// the file's layout byte by byte, by what it knows of the file
// (hex_recognition.h). The marking state that carries from one page to the
// next lives here for the life of the window.
#pragma once

#include "hex_bytes.h"
#include "hex_recognition.h"
#include "surface/colours.h"

#include <cstdint>

namespace ss {

// Colours of the hex viewer (0x00BBGGRR).
namespace hexcolour {
inline constexpr Colour HeaderZero = 0x00CF00;   // 0, 207, 0: a 0 byte of a DMK track header
inline constexpr Colour HeaderByte = 0x007F00;   // 0, 127, 0: any other track header byte
inline constexpr Colour LegendHeader = 0x008F00; // 0, 143, 0: "Track Header in Green"
inline constexpr Colour FreeEntry = 0x008000;    // 0, 128, 0: track byte of a free JV3 entry
inline constexpr Colour Jv3Flags = 0x009000;     // 0, 144, 0: flags byte of a JV3 entry
inline constexpr Colour Address = colour::Brown; // 192, 64, 0: the address of a line
inline constexpr Colour LengthBack = 0xC0C0FF;   // 255, 192, 192: file length and notice boxes
inline constexpr Colour FileNameBack = colour::LightOrange; // 255, 192, 128
} // namespace hexcolour

class HexMarking {
  public:
    // State that carries from page to page, whatever page is drawn next.
    // fpasave is the exception: every page starts it at its own first byte.
    std::int64_t fpasave = 0;  // JV3: the position the next track byte is compared with
    int clrsave = 0;           // JV3: colour phase of the track bytes, 0 or 1
    std::int64_t idamflag = 0; // DMK: 0 outside an ID field, else bytes since its mark + 1
    std::int64_t fpasave1 = 0; // DMK: position of the last ID address mark found
    int doublebyte = 0;        // DMK: the current ID field has every byte doubled

    // Starts a page at pageStart: what the viewer knows of the file holds for
    // the whole page (and must outlive it); the data-mark search and the
    // double-byte notice start off.
    void BeginPage(const HexFile& file, std::int64_t pageStart);

    // The colour of the hex digits of byte p, of value b, moving the marking
    // state on. Called once for every byte of a page, in order.
    Colour HexColour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b);
    // The colour of byte b in the text column.
    Colour TextColour(std::uint8_t b) const {
        return gapsRed_ && hexrules::IsGap(b) ? colour::Red : colour::Black;
    }

    HexFormat Format() const { return format_; }
    // On when this page found an ID address mark and the last one it found
    // was written with doubled bytes.
    bool DoubleByteNotice() const { return doubleByteNotice_; }

  private:
    Colour DmkColour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b);
    Colour Jv3Colour(const HexBytes& filebuf, std::int64_t p, std::uint8_t b);
    bool InTrackHeader(std::int64_t p);

    const HexFile* file_ = nullptr;
    HexFormat format_ = HexFormat::None;
    bool gapsRed_ = false; // DMK pages show gap bytes red in the text column
    bool dataMarkSearch_ = false;
    bool doubleByteNotice_ = false;
    // The DMK track record the last byte marked lies in (none yet on this
    // page: the next position is outside it). A page crosses few records.
    HexTrackHeaders::Record record_;
};

} // namespace ss
