// Internal to the image layer: the steps that AnalyseImage runs to fill the
// main window's sector tables from the disk model. Windows include
// analysis.h, never this header.
#pragma once

#include "analysis.h"

namespace ss {

// The sector tables and geometry of a JV3 image, from the model's sectors.
void BuildJv3Tables(const disk::Disk& disk, ImageAnalysis& a);
// The sector tables and geometry of a DMK image, walking the model's track
// records as the window walks them.
void BuildDmkTables(const disk::Disk& disk, ImageAnalysis& a);

} // namespace ss
