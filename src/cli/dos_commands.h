// The commands on a disk's DOS directory: `files` lists the files, `extract`
// copies them to the host.
#pragma once

#include "framework.h"

namespace ss::cli {

// What both say of a disk of no DOS family they read, before the reason.
inline constexpr const char* kNoDos = "no TRSDOS, LDOS, DOSPLUS, NEWDOS/80 or CP/M disk: ";

extern const Command kFilesCommand;
extern const Command kExtractCommand;

} // namespace ss::cli
