// Feeds arbitrary bytes to the hex viewer as a file: the load that "Hex
// Editor" starts, a series of scroll-bar values read from the input (the last
// page, past it and before the first among them), Resize, and, when the input
// asks for it, File > Open of the input's back half over the first file.
//
// The pages are drawn on an unseen surface: every page is the same 28 lines
// of texts whatever the file (the tests check them), and keeping them would
// take most of a run; the marking and the paging run in full, and every text
// printed is read at its ends by the metrics.

#include "fuzz_support.h"
#include "windows/hex_viewer/hex_viewer_logic.h"

#include <cstddef>
#include <cstdint>

namespace {

// The most events one run reads from its input: each draws a page, and a
// thousand runs should take under a second.
constexpr std::size_t kEvents = 8;

void Scroll(ss::HexViewerLogic& hex, ss::fuzz::Script& script) {
    // Every page drawn after the first is one the input chose; the last page
    // and Resize are among its events.
    const int last = hex.VScroll1.Max;
    while (!script.Done()) {
        const int step = script.Byte();
        switch (step % 6) {
        case 0: // a line anywhere on the bar
            hex.VScroll1.SetValue(last > 0 ? script.Word() % (last + 1) : 0);
            break;
        case 1: // past the last page: the bar snaps back
            hex.VScroll1.SetValue(last + 1 + step);
            break;
        case 2:
            hex.VScroll1.SetValue(hex.VScroll1.Value() + ss::HexLayout::kLinesPerPage);
            break;
        case 3:
            hex.VScroll1.SetValue(hex.VScroll1.Value() - 1 - step / 6);
            break;
        case 4:
            hex.Form_Resize();
            break;
        default:
            hex.VScroll1.SetValue(-1 - step);
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ss::fuzz::LoadTwice<ss::HexViewerLogic>(data, size, kEvents, Scroll, true);
    return 0;
}
