// Feeds arbitrary bytes to the disk check: the input opened in the main
// window and shown in the Disk Check window (drawn on an unseen surface that
// still measures every text), pointed at and clicked at places read from the
// input, and read by sectorscope-cli check; then the input's back half over
// what the first image left.

#include "cli/check_command.h"
#include "cli/commands.h"
#include "fuzz_support.h"
#include "windows/disk_check/disk_check_logic.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// The most points one run reads from its input.
constexpr std::size_t kEvents = 12;

void CheckImage(ss::cli::Window& window, ss::DiskCheckLogic& check, const std::string& path,
                ss::fuzz::Script script, bool cli) {
    window.logic.MnuOpen(path);
    check.Form_Activate();
    while (!script.Done()) {
        // Anywhere on the drawing and a little beyond it.
        const int x = script.Word() % (check.Width() + 600) - 300;
        const int y = script.Word() % (check.Height() + 600) - 300;
        (void)check.TipAt(x, y);
        if (script.Byte() % 4 == 0) {
            check.Click(x, y);
        }
    }
    if (cli) {
        (void)ss::cli::CheckImageFile(path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ss::fuzz::MemoryFile file;
    static const ss::fuzz::ReadingMetrics reading;
    ss::cli::Window window;
    window.logic.surface.SetUnseen(true);
    ss::DiskCheckLogic check(window.host, window.logic, reading);
    check.surface.SetUnseen(true);

    file.Write(data, size);
    CheckImage(window, check, file.Path(), ss::fuzz::Script(data, size, kEvents), true);

    const std::size_t half = size / 2;
    file.Write(data + half, size - half);
    CheckImage(window, check, file.Path(), ss::fuzz::Script(data, half, kEvents), false);
    return 0;
}
