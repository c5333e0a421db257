// Feeds arbitrary bytes to the main window as an image file: File > Open,
// the display of sector indexes across the image and a navigation sequence
// with Goto Track texts read from the input, drawn on an unseen surface whose
// metrics read every text printed; then, when the input's script asks for
// them, a second image (the input's back half) over what the first one left,
// and the sector shown last drawn on a kept surface and laid out for a
// terminal.
#include "cli/terminal.h"
#include "fuzz_support.h"
#include "windows/main_window/main_window_logic.h"

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

// The main window as the command-line program keeps it, measured by metrics
// that read each text it prints.
struct Window {
    ss::RecordingHost host;
    ss::fuzz::ReadingMetrics metrics;
    ss::MainWindowLogic logic{host, metrics};
};

void ShowIndexes(ss::MainWindowLogic& w) {
    const std::int64_t count = std::max<std::int64_t>(w.Analysis().indexes, 0);
    const std::int64_t shown = std::min<std::int64_t>(count, kMaxDisplays);
    for (std::int64_t k = 1; k < shown; ++k) {
        w.PresSecnum = shown == count ? k : (count - 1) * k / (shown - 1);
        w.GetDispSector();
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

void ShowImage(ss::MainWindowLogic& w, const std::string& path, ss::fuzz::Script script,
               bool everyIndex) {
    w.MnuOpen(path);
    // A refused file: the window keeps running; its commands must stay safe.
    if (everyIndex) {
        ShowIndexes(w);
    }
    Navigate(w, script);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ss::fuzz::MemoryFile file;
    Window window;
    ss::MainWindowLogic& w = window.logic;
    w.surface.SetUnseen(true);

    // The script's first byte says whether a second image follows and
    // whether the last display is laid out (one run in four each); the rest
    // are the first image's events.
    ss::fuzz::Script script(data, size, kEvents + 1);
    const std::uint8_t choice = script.Byte();
    const bool again = (choice & 3) == 0;
    const bool laidOut = (choice & 12) == 0;
    file.Write(data, size);
    ShowImage(w, file.Path(), script, true);

    if (again) {
        // A second image over the state the first one left: the back half.
        const std::size_t half = size / 2;
        file.Write(data + half, size - half);
        ShowImage(w, file.Path(), ss::fuzz::Script(data, half, kEvents), false);
    }

    if (laidOut) {
        w.surface.SetUnseen(false);
        w.GetDispSector();
        (void)ss::cli::SurfaceLines(w.surface, true);
    }
    return 0;
}
