// The commands on a disk's DOS directory: `files` lists the files, `extract`
// copies them to the host.
#pragma once

#include "framework.h"

namespace ss::cli {

extern const Command kFilesCommand;
extern const Command kExtractCommand;

} // namespace ss::cli
