// Lays a window surface and text boxes out for a terminal: plain text, or
// text in the window's colours with 24-bit ANSI escapes.
#pragma once

#include "surface/colours.h"
#include "surface/surface.h"

#include <string>
#include <vector>

namespace ss::cli {

// The escape that sets the text colour (foreground) or the background to a
// 0x00BBGGRR colour; empty for the toolkit's system colours.
std::string AnsiForeground(Colour c);
std::string AnsiBackground(Colour c);
inline constexpr const char* kAnsiReset = "\x1b[0m";

// A text in a text box's colours (plain text when colour is off).
std::string BoxText(const std::string& text, Colour fore, Colour back, bool colour);

// The surface's text as character lines, from RasterText: items drawn over
// others replace them character for character; a gap of more than one line
// height between two lines becomes one empty line. With colour, every line is
// padded to the widest and painted on the surface's background.
std::vector<std::string> SurfaceLines(const Surface& surface, bool colour);

} // namespace ss::cli
