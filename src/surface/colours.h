// Colour numbers as the windows use them: 0x00BBGGRR, red in the low byte.
#pragma once

#include <cstdint>

namespace ss {

using Colour = std::uint32_t;

namespace colour {
inline constexpr Colour Black = 0;             // 0, 0, 0
inline constexpr Colour Red = 255;             // 255, 0, 0
inline constexpr Colour Green = 40960;         // 0, 160, 0
inline constexpr Colour BrightGreen = 65280;   // 0, 255, 0
inline constexpr Colour Blue = 16711680;       // 0, 0, 255
inline constexpr Colour Magenta = 16711935;    // 255, 0, 255
inline constexpr Colour Brown = 16576;         // 192, 64, 0
inline constexpr Colour Peach = 12640511;      // 255, 224, 192
inline constexpr Colour LightBlue = 16757584;  // 80, 179, 255
inline constexpr Colour Pink = 8421631;        // 255, 128, 128
inline constexpr Colour LightOrange = 8438015; // 255, 192, 128
inline constexpr Colour Lime = 65440;          // 160, 255, 0
inline constexpr Colour Orange = 33023;        // 255, 128, 0
inline constexpr Colour White = 0xFFFFFF;
inline constexpr Colour LightGrey = 0xC0C0C0;     // background of the main and sector map windows
inline constexpr Colour HexBackground = 0xC0E0FF; // background of the hex viewer (255, 224, 192)

// The system's button-face colour: not a 24-bit number but a marker that the
// toolkit resolves to the colour it gives button surfaces.
inline constexpr Colour ButtonFace = 0x8000000F;

inline constexpr bool IsSystemColour(Colour c) {
    return (c & 0x80000000u) != 0;
}
inline constexpr int Red8(Colour c) {
    return static_cast<int>(c & 0xFF);
}
inline constexpr int Green8(Colour c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int Blue8(Colour c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
} // namespace colour

} // namespace ss
