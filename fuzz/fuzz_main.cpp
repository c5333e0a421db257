// Feeds arbitrary bytes to the main window as an image file: File > Open,
// the display of sector indexes across the image, a navigation sequence and
// Goto Track texts read from the input, the terminal layout of the surface,
// then a second image (the input's back half) over what the first one left.

#include "cli/commands.h"
#include "cli/terminal.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// The most events one run reads from its input: each draws a page or a
// display, and a run should take a few milliseconds.
constexpr std::size_t kEvents = 8;

// The most sector displays one image gets; an image of more sectors has
// this many indexes shown, spread evenly from the first to the last.
constexpr int kMaxDisplays = 6;

void ShowIndexes(ss::cli::Window& window) {
    const int count = ss::cli::SectorCount(window);
    const int shown = std::min(count, kMaxDisplays);
    for (int k = 1; k < shown; ++k) {
        const std::int64_t index =
            shown == count ? k : static_cast<std::int64_t>(count - 1) * k / (shown - 1);
        ss::cli::ShowSector(window, index);
    }
}

void Navigate(ss::MainWindowLogic& w, ss::fuzz::Script& script) {
    while (!script.Done()) {
        switch (script.Byte() % 10) {
        case 0:
            w.CmndNextsec_Click();
            break;
        case 1:
            w.CmndPrevsec_Click();
            break;
        case 2:
            w.CmndNexTrack_Click();
            break;
        case 3:
            w.CmndPrevTrk_Click();
            break;
        case 4:
            w.Combo1.Text = script.Text(8);
            w.CmndGotoTrk_Click();
            break;
        case 5:
            if (!w.Combo1.Items.empty()) {
                w.Combo1.Text = w.Combo1.Items[script.Byte() % w.Combo1.Items.size()];
                w.CmndGotoTrk_Click();
            }
            break;
        case 6:
            w.CmndDirFind_Click();
            break;
        case 7:
            w.Form_Activate();
            break;
        case 8:
            w.Form_Resize();
            break;
        default:
            w.PresSecnum = script.Word() - 64;
            w.GetDispSector();
            break;
        }
    }
}

void ShowImage(ss::cli::Window& window, const std::string& path, ss::fuzz::Script script,
               bool everyIndex) {
    ss::MainWindowLogic& w = window.logic;
    w.MnuOpen(path);
    // A refused file: the window keeps running; its commands must stay safe.
    if (everyIndex) {
        ShowIndexes(window);
    }
    Navigate(w, script);
    (void)ss::cli::SurfaceLines(w.surface, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ss::fuzz::MemoryFile file;
    ss::cli::Window window;

    file.Write(data, size);
    ShowImage(window, file.Path(), ss::fuzz::Script(data, size, kEvents), true);

    // A second image over the state the first one left: the back half.
    const std::size_t half = size / 2;
    file.Write(data + half, size - half);
    ShowImage(window, file.Path(), ss::fuzz::Script(data, half, kEvents), false);
    return 0;
}
