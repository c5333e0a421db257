// `sectorscope-cli map`: the sector map window as it stands after the main
// window opened a file and its "Sector Display" button was pressed.
#pragma once

#include "framework.h"

namespace ss::cli {

extern const Command kMapCommand;

} // namespace ss::cli
