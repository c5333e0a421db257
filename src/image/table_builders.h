// Internal to the image layer: the steps that AnalyseImage runs to fill the
// main window's sector tables and drive-parameter read-out. Windows include
// analysis.h, never this header.
#pragma once

#include "analysis.h"

namespace ss {

// Walks the JV3 header entries into the sector tables and the disk geometry.
void BuildJv3Tables(ImageState& s);
// Walks the DMK track records into the sector tables and the disk geometry.
void BuildDmkTables(ImageState& s);
// Reads the drive-parameter entry at fpa; stride is the distance between two
// of the sector's data bytes in filebuf (2 when they are stored doubled).
void ReadPdriveEntry(ImageState& s, int stride = 1);

} // namespace ss
