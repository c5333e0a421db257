// The commands of sectorscope-cli: each opens an image in a main window
// without a screen and prints what that window shows.
#pragma once

#include "browser/mainform.h"
#include "surface/host.h"
#include "surface/surface.h"

#include <ostream>
#include <string>

namespace ss::cli {

// A main window with no screen: message boxes are recorded and answered at
// once, text is measured with the fixed font metrics.
struct Window {
    RecordingHost host;
    FixedMetrics metrics;
    MainformLogic logic{host, metrics};

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

// File > Open of path in the window.
Opened OpenImage(Window& window, const std::string& path);

// The sector indexes the window can step through: 0 to Totalsecs - 1.
int SectorCount(const Window& window);

// `info`: the disk summary of the window as it was opened, name<TAB>text lines.
void PrintInfo(std::ostream& out, const Window& window);

// `sectors`: a header and one line per sector index, stepping with Next Sec
// from the sector shown (index 0) to the last. With data, a tenth column holds
// the 256 bytes of each dump as hex digits.
void PrintSectors(std::ostream& out, Window& window, bool data);

// `show`: steps with Next Sec from sector index 0 to index, then prints the
// window's fields and its surface lines, in ANSI colour when colour is set.
void PrintShow(std::ostream& out, Window& window, int index, bool colour);

// Text with the leading and trailing blanks removed.
std::string Trim(const std::string& text);

} // namespace ss::cli
