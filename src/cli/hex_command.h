// `sectorscope-cli hex`: the hex viewer as the main window's "Hex Editor"
// button leaves it, paged with its scroll bar.
#pragma once

#include "commands.h"
#include "framework.h"
#include "windows/hex_viewer/hex_viewer_logic.h"

#include <cstdint>
#include <ostream>
#include <vector>

namespace ss::cli {

// The main window and the hex viewer on one host, with no screen.
struct HexWindows {
    Window main;
    HexViewerLogic hex{main.host, main.metrics};
};

// The scroll-bar value an offset asks for: the line that holds it. An offset
// beyond what the bar can hold asks for its largest value, past every file's
// end, where the bar snaps back to the last page as for any offset past it.
int LineOfOffset(std::int64_t offset);

// Presses "Hex Editor" in the main window (which has opened its file or not),
// lets the hex viewer take the file on its first activation, then sets the
// scroll bar to the line of each offset in turn.
void ShowHexPages(HexWindows& windows, const std::vector<std::int64_t>& offsets);

// The page as the window shows it, then the legend and the notice; in the
// window's colours when colour is set. Or the window as JSON ("window": "hex").
void PrintHex(std::ostream& out, const HexViewerLogic& hex, bool colour);
void PrintHexJson(std::ostream& out, const HexWindows& windows);

extern const Command kHexCommand;

} // namespace ss::cli
