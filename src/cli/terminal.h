// Lays a window surface and text boxes out for a terminal: plain text, or
// text in the window's colours with 24-bit ANSI escapes.
#pragma once

#include "surface/colours.h"
#include "surface/controls.h"
#include "surface/surface.h"

#include <ostream>
#include <string>
#include <string_view>
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

// Prints the surface's lines (SurfaceLines), one line end after each.
void PrintSurface(std::ostream& out, const Surface& surface, bool colour);

// One line of a window's fields: two blanks, the name, and the text (if any)
// in a column of its own, ten characters on.
void PrintNamed(std::ostream& out, std::string_view name, const std::string& text);

// A text box as a named line: its text without the leading and trailing
// blanks, in its colours when colour is set.
void PrintField(std::ostream& out, std::string_view name, const TextBox& box, bool colour);

// Text with the leading and trailing blanks removed.
std::string Trim(const std::string& text);
std::string_view TrimView(std::string_view text);

// A file name for a line of text output, so that any name stays on its one
// line: a backslash as "\\", a line feed, carriage return or tab as "\n",
// "\r", "\t", any other control byte (below 32, and 127) as "\xHH"; every
// other byte as it is.
std::string EscapeName(std::string_view name);

} // namespace ss::cli
