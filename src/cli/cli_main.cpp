// sectorscope-cli: prints what the viewer's windows show for a disk image, for
// scripts and for the project's own end-to-end tests. The commands and their
// exit statuses are in the table below and in framework.h.

#include "check_command.h"
#include "commands.h"
#include "dos_commands.h"
#include "framework.h"
#include "hex_command.h"
#include "map_command.h"
#include "sectorscope_version.h"

#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Every command, in the order --help lists them.
const ss::cli::Command* const kCommands[] = {
    &ss::cli::kInfoCommand,    &ss::cli::kSectorsCommand, &ss::cli::kShowCommand,
    &ss::cli::kHexCommand,     &ss::cli::kMapCommand,     &ss::cli::kFilesCommand,
    &ss::cli::kExtractCommand, &ss::cli::kCatCommand,     &ss::cli::kCheckCommand,
};

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "sectorscope-cli " << ss::kVersion << '\n';
        return ss::cli::kExitDone;
    }
    return ss::cli::RunCommandLine(kCommands, args, std::cout, std::cerr,
                                   isatty(STDOUT_FILENO) == 1);
}
