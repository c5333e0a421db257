// The program without a screen, and the commands of the main window: each
// opens an image in a main window and prints what that window shows.
#pragma once

#include "framework.h"
#include "surface/host.h"
#include "surface/surface.h"
#include "windows/main_window/main_window_logic.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace ss::cli {

// The program with no screen: one host that records every message box and
// answers it at once, the fixed font metrics, and the main window. The sector
// map and hex viewer windows are made on the same host and metrics, so that a
// file handed on by the main window reaches them.
struct Window {
    RecordingHost host;
    FixedMetrics metrics;
    MainWindowLogic logic{host, metrics};

    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
};

enum class OpenOutcome {
    Shown,      // analysed, sector index 0 displayed
    Refused,    // the window refused the file with an "Error" box
    CannotOpen, // the file could not be opened ("Text Editor" box)
};

struct Opened {
    OpenOutcome outcome = OpenOutcome::Shown;
    // Refused: the box's text, carriage returns turned into newlines.
    // CannotOpen: a one-line reason.
    std::string message;
};

// File > Open of path in the main window.
Opened OpenImage(Window& window, const std::string& path);

// File > Open of path for a command. A file that cannot be opened is reported
// on err and ends the command with kExitUsage; a refused file, when
// refusalEnds, with its box's text on err and kExitMessage. Otherwise empty:
// the command goes on (a refusal's box stays in host.messages).
std::optional<int> OpenForCommand(Window& window, const std::string& path, std::ostream& err,
                                  bool refusalEnds);

// The texts of every message box raised, on err; kExitMessage when there was
// one, else kExitDone.
int ReportMessages(const Window& window, std::ostream& err);

// The sector indexes the window can step through: 0 to Totalsecs - 1.
int SectorCount(const Window& window);

// Shows sector index directly, as Next Sec would after stepping there from the
// index shown: same fields, same surface, in time independent of the index.
void ShowSector(Window& window, std::int64_t index);

// `info`: the disk summary of the image opened, name<TAB>text lines as the
// window shows them, or one JSON object of the analysis' values.
void PrintInfo(std::ostream& out, const Window& window);
void PrintInfoJson(std::ostream& out, const Window& window);

// `sectors`: a header and one line per sector index from 0 to the last, each
// as the sector display shows that index; or one JSON object
// {"sectors": [...]}. With data, each sector also gets the bytes of its dump
// as hex digits.
void PrintSectors(std::ostream& out, const Window& window, bool data);
void PrintSectorsJson(std::ostream& out, const Window& window, bool data);

// `show`: the window's fields and its surface lines as the window stands, in
// ANSI colour when colour is set; or the window as JSON ("window": "main").
void PrintShow(std::ostream& out, const Window& window, bool colour);
void PrintShowJson(std::ostream& out, const Window& window);

// The commands, for the table of cli_main.cpp.
extern const Command kInfoCommand;
extern const Command kSectorsCommand;
extern const Command kShowCommand;

} // namespace ss::cli
