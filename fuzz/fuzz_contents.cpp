// Feeds arbitrary bytes to the contents layer as a file's bytes: the view
// Auto picks, then every view (listing, text, load map, disassembly, hex) as
// the contents window and `cat` show it, as a file of a CP/M disk when the
// input's size is odd.

#include "contents/file_view.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const bool cpm = size % 2 == 1;
    const ss::contents::View chosen = ss::contents::AutoView(bytes, cpm);
    for (const ss::contents::View view : ss::contents::kViews) {
        const ss::contents::ViewText shown = ss::contents::ShowAs(view, bytes, cpm);
        if (view == chosen && !shown.error.empty()) {
            __builtin_trap(); // Auto picks a view only when the file reads as it
        }
    }
    return 0;
}
