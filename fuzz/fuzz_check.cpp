// Feeds arbitrary bytes to the disk check: the input opened in the main
// window and shown in the Disk Check window, pointed at and clicked at places
// read from the input, the check's line and JSON for sectorscope-cli; then
// the input's back half over what the first image left.

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
                ss::fuzz::Script script) {
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
    (void)ss::cli::CheckImageFile(path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ss::fuzz::MemoryFile file;
    ss::cli::Window window;
    ss::DiskCheckLogic check(window.host, window.logic, window.metrics);

    file.Write(data, size);
    CheckImage(window, check, file.Path(), ss::fuzz::Script(data, size, kEvents));

    const std::size_t half = size / 2;
    file.Write(data + half, size - half);
    CheckImage(window, check, file.Path(), ss::fuzz::Script(data, half, kEvents));
    return 0;
}
