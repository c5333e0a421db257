// sectorscope-cli: prints what the main window shows for a disk image, for
// scripts and for the project's own end-to-end tests.
//
// Exit status: 0 done; 1 the window refused the file (its message on stderr);
// 2 the file could not be opened, or the command line was wrong; 3 stdout
// could not be written.

#include "commands.h"
#include "sectorscope_version.h"

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace ss::cli;

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;
constexpr int kExitOutput = 3;

constexpr const char* kHelp =
    R"(Usage: sectorscope-cli COMMAND [OPTIONS] FILE [INDEX]

Opens a JV1, JV3 or DMK disk image in the viewer's main window, without a
screen, and prints what the window shows.

Commands:
  info FILE
      The disk summary after opening FILE, one "name<TAB>text" line each:
      format, tracks, density, sides, sectors, granule, newdos, then one
      "notice" line per notice of the window, "pdrive" (Newdos/80 disks only)
      and "directory" (the first directory sector index, or "none").

  sectors [--data] FILE
      A header line, then one line per sector index from 0 to the last, as
      Next Sec steps through the image: index, track, side, sector, spt,
      density, type, dam, position, separated by tabs.
      --data  adds a "data" column: the 256 bytes of the sector's dump as
              512 upper-case hex digits.

  show [--color=WHEN] FILE INDEX
      The window's fields and its sector dump after stepping with Next Sec
      from sector index 0 to INDEX (0 to the last sector index).
      --color=WHEN  always, never or auto (default): colour in the window's
                    colours when stdout is a terminal and NO_COLOR is unset.

Options:
  -h, --help  Shows this text.
  --version   Shows the program's version.
  --          Ends the options (for a FILE whose name starts with "-").

Exit status:
  0  done
  1  the window refused the file; stdout stays empty, the window's message
     goes to stderr
  2  the file cannot be opened, or the command line is wrong; one line on
     stderr says why
  3  the output could not be written
)";

struct UsageError {
    std::string reason;
};

enum class ColourMode { Auto, Always, Never };

struct CommandLine {
    std::string command;
    std::vector<std::string> operands;
    bool data = false;
    std::optional<ColourMode> colourMode;
    bool help = false;
    bool version = false;
};

// "-" alone and negative numbers are operands, not options.
bool IsOption(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9');
}

CommandLine Parse(int argc, char** argv) {
    CommandLine cl;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || !IsOption(arg)) {
            (cl.command.empty() ? cl.command : cl.operands.emplace_back()) = arg;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            cl.help = true;
        } else if (arg == "--version") {
            cl.version = true;
        } else if (arg == "--data") {
            cl.data = true;
        } else if (arg.starts_with("--color=")) {
            const std::string_view when = arg.substr(8);
            if (when == "always") {
                cl.colourMode = ColourMode::Always;
            } else if (when == "never") {
                cl.colourMode = ColourMode::Never;
            } else if (when == "auto") {
                cl.colourMode = ColourMode::Auto;
            } else {
                throw UsageError{"--color takes always, never or auto, not '" + std::string(when) +
                                 "'"};
            }
        } else {
            throw UsageError{"unknown option '" + std::string(arg) + "'"};
        }
    }
    return cl;
}

void ExpectOperands(const CommandLine& cl, std::size_t count, const char* what) {
    if (cl.operands.size() != count) {
        throw UsageError{cl.command + " takes " + what};
    }
}

void RefuseOption(const CommandLine& cl, bool given, const char* option) {
    if (given) {
        throw UsageError{std::string(option) + " does not apply to " + cl.command};
    }
}

int ParseIndex(const std::string& text) {
    int index = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, index);
    if (text.empty() || ec != std::errc() || ptr != end) {
        throw UsageError{"INDEX must be a whole number, not '" + text + "'"};
    }
    return index;
}

bool UseColour(ColourMode mode) {
    if (mode != ColourMode::Auto) {
        return mode == ColourMode::Always;
    }
    const char* noColour = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    return isatty(STDOUT_FILENO) == 1 && (noColour == nullptr || *noColour == '\0') &&
           !(term != nullptr && std::string_view(term) == "dumb");
}

// Opens the file; on failure reports it and gives the exit status.
std::optional<int> Open(Window& window, const std::string& path) {
    const Opened opened = OpenImage(window, path);
    switch (opened.outcome) {
    case OpenOutcome::Shown:
        return std::nullopt;
    case OpenOutcome::Refused:
        std::cerr << opened.message << '\n';
        return kExitRefused;
    case OpenOutcome::CannotOpen:
        std::cerr << "sectorscope-cli: " << opened.message << '\n';
        return kExitUsage;
    }
    return kExitUsage;
}

int Run(int argc, char** argv) {
    const CommandLine cl = Parse(argc, argv);
    if (cl.help || cl.command == "help") {
        std::cout << kHelp;
        return 0;
    }
    if (cl.version) {
        std::cout << "sectorscope-cli " << ss::kVersion << '\n';
        return 0;
    }
    if (cl.command.empty()) {
        throw UsageError{"no command given"};
    }

    Window window;
    if (cl.command == "info") {
        ExpectOperands(cl, 1, "one FILE");
        RefuseOption(cl, cl.data, "--data");
        RefuseOption(cl, cl.colourMode.has_value(), "--color");
        if (const auto status = Open(window, cl.operands[0])) {
            return *status;
        }
        PrintInfo(std::cout, window);
    } else if (cl.command == "sectors") {
        ExpectOperands(cl, 1, "one FILE");
        RefuseOption(cl, cl.colourMode.has_value(), "--color");
        if (const auto status = Open(window, cl.operands[0])) {
            return *status;
        }
        PrintSectors(std::cout, window, cl.data);
    } else if (cl.command == "show") {
        ExpectOperands(cl, 2, "FILE and INDEX");
        RefuseOption(cl, cl.data, "--data");
        const int index = ParseIndex(cl.operands[1]);
        const bool colour = UseColour(cl.colourMode.value_or(ColourMode::Auto));
        if (const auto status = Open(window, cl.operands[0])) {
            return *status;
        }
        const int count = SectorCount(window);
        if (count == 0) {
            throw UsageError{"this image has no sector index to show"};
        }
        if (index < 0 || index >= count) {
            throw UsageError{"sector index " + cl.operands[1] + " is outside 0.." +
                             std::to_string(count - 1) + " of this image"};
        }
        PrintShow(std::cout, window, index, colour);
    } else {
        throw UsageError{"unknown command '" + cl.command + "'"};
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "sectorscope-cli: the output could not be written\n";
        return kExitOutput;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    try {
        return Run(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "sectorscope-cli: " << e.reason << " (see sectorscope-cli --help)\n";
        return kExitUsage;
    }
}
