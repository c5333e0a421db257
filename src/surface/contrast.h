// Contrast between colours, as the WCAG measures it, and the colours the
// high-contrast look draws texts in: a text colour that stands out from its
// background by less than 4.5 to 1 is replaced by one that stands out by at
// least that, each replacement telling the same things apart.
#pragma once

#include "colours.h"

namespace ss {

inline constexpr double kLeastContrast = 4.5;

// The relative luminance of a 0x00BBGGRR colour, 0 (black) to 1 (white).
double Luminance(Colour c);
// (lighter + 0.05) / (darker + 0.05): 1 for two equal colours, 21 for black on white.
double ContrastRatio(Colour a, Colour b);
// The colour a text of colour `ink` takes on `back` in the high-contrast
// look: `ink` when it stands out by kLeastContrast or more; else a darker
// colour of its kind (the light ones the sector map draws each a colour of
// their own), or a lighter one on a dark background. System colours stay.
Colour HighContrastColour(Colour ink, Colour back);

} // namespace ss
