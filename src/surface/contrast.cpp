#include "contrast.h"

#include <cmath>

namespace ss {

namespace {

constexpr Colour Rgb(int r, int g, int b) {
    return static_cast<Colour>(r | g << 8 | b << 16);
}

double Linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The light colours that are hard to read on the grey drawing area, each
// with a dark one of its own, so that what they tell apart stays apart.
struct Replacement {
    Colour from;
    Colour to;
};
constexpr Replacement kReplacements[] = {
    {Rgb(0, 255, 255), Rgb(0, 80, 90)},    // cyan: single-density directory sectors
    {colour::White, Rgb(100, 0, 150)},     // DMK double-density directory sectors
    {Rgb(255, 240, 240), Rgb(150, 0, 90)}, // JV3 double-density directory sectors
    {colour::Peach, Rgb(0, 85, 0)},        // the legend of double-density directory sectors
    {Rgb(128, 128, 128), Rgb(70, 70, 70)}, // missing sectors
    {colour::Red, Rgb(160, 0, 0)},         // double density
    {colour::Brown, Rgb(110, 45, 0)},      // row labels
};

// The colour scaled towards black (f < 1) or towards white.
Colour Scaled(Colour c, double f, bool darker) {
    const auto channel = [&](int v) {
        const double s = darker ? v * f : 255.0 - (255.0 - v) * f;
        return static_cast<int>(std::lround(s));
    };
    return Rgb(channel(colour::Red8(c)), channel(colour::Green8(c)), channel(colour::Blue8(c)));
}

} // namespace

double Luminance(Colour c) {
    return 0.2126 * Linear(colour::Red8(c)) + 0.7152 * Linear(colour::Green8(c)) +
           0.0722 * Linear(colour::Blue8(c));
}

double ContrastRatio(Colour a, Colour b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

Colour HighContrastColour(Colour ink, Colour back) {
    if (colour::IsSystemColour(ink) || colour::IsSystemColour(back) ||
        ContrastRatio(ink, back) >= kLeastContrast) {
        return ink;
    }
    Colour shown = ink;
    for (const Replacement& r : kReplacements) {
        if (r.from == ink) {
            shown = r.to;
        }
    }
    // On a light background darker, on a dark one lighter, until it stands out.
    const bool darker = Luminance(back) > 0.18;
    for (int step = 1; ContrastRatio(shown, back) < kLeastContrast && step <= 60; ++step) {
        shown = Scaled(shown, 0.93, darker);
    }
    return ContrastRatio(shown, back) >= kLeastContrast ? shown
           : darker                                     ? colour::Black
                                                        : colour::White;
}

} // namespace ss
