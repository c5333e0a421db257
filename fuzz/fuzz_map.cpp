// Feeds arbitrary bytes to the sector map window as a file: the load that
// "Sector Display" starts, both orders, a sequence of presses read from the
// input (Next, Previous, Resize, the two options, Activate again), and
// File > Open of the input's back half over the first file.

#include "fuzz_support.h"
#include "sectormap/form1.h"

#include <cstddef>
#include <cstdint>

namespace {

// The most events one run reads from its input: each draws a page or a
// display, and a run should take a few milliseconds.
constexpr std::size_t kEvents = 16;

void Press(ss::Form1Logic& map, ss::fuzz::Script& script) {
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
    static ss::fuzz::MemoryFile file;
    file.Write(data, size);

    ss::RecordingHost host;
    ss::FixedMetrics metrics;
    ss::Form1Logic map(host, metrics);
    host.SharedFilename = file.Path();
    map.Form_Activate();
    ss::fuzz::Script script(data, size, kEvents);
    Press(map, script);

    const std::size_t half = size / 2;
    file.Write(data + half, size - half);
    host.SharedFilename.clear();
    map.MnuOpen(file.Path());
    ss::fuzz::Script again(data, half, kEvents);
    Press(map, again);
    return 0;
}
