// How the main window tells the three layouts apart by their first bytes.
#pragma once

#include "image_buffer.h"

namespace ss {

enum class Layout { JV1, DMK, RealDiskDMK, JV3, Unknown };

// The main window's order of tests: JV1 by its three recognition bytes; else
// DMK by a known track length, a real-drive image being refused; else JV3 when
// its first four entries carry equal track bytes; else no emulator header.
// A file too short for a test fails it.
Layout RecogniseLayout(const ImageBuffer& buf);

// The layout's name as the windows show it: "JV1", "JV3" or "DMK"; empty for
// a file of no known layout.
const char* LayoutName(Layout layout);

} // namespace ss
