// Feeds arbitrary bytes to the sector map window as a file: the load that
// "Sector Display" starts, both orders, a sequence of presses read from the
// input (Next, Previous, Resize, the two options, Activate again), and, when
// the input asks for it, File > Open of the input's back half over the first
// file. The pages are drawn on an unseen surface whose metrics read every
// text printed.

#include "fuzz_support.h"
#include "windows/sector_map/sector_map_logic.h"

#include <cstddef>
#include <cstdint>

namespace {

// The most events one run reads from its input: each draws a page or a
// display, and a run should take a few milliseconds.
constexpr std::size_t kEvents = 16;

void Press(ss::SectorMapLogic& map, ss::fuzz::Script& script) {
    map.Option2_Click();
    map.Cmndnext_Click();
    map.Option1_Click();
    while (!script.Done()) {
        switch (script.Byte() % 7) {
        case 0:
        case 1:
            map.Cmndnext_Click();
            break;
        case 2:
            map.Cmndprev_Click();
            break;
        case 3:
            map.Form_Resize();
            break;
        case 4:
            map.Option2_Click();
            break;
        case 5:
            map.Option1_Click();
            break;
        default:
            map.Form_Activate();
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ss::fuzz::LoadTwice<ss::SectorMapLogic>(data, size, kEvents, Press, true);
    return 0;
}
