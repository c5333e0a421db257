// Feeds arbitrary bytes to the main window as an image file: File > Open, the
// display of every sector, the navigation commands, a second image opened
// over the first, and the terminal layout of the surface.

#include "cli/commands.h"
#include "cli/terminal.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// An in-memory file the window opens by path, like any image on disk.
class MemoryFile {
  public:
    MemoryFile() : fd_(memfd_create("sectorscope-fuzz", 0)) {
        if (fd_ < 0) {
            __builtin_trap();
        }
    }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }
    void Write(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd_, 0) != 0) {
            __builtin_trap();
        }
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) {
                __builtin_trap();
            }
            done += static_cast<std::size_t>(n);
        }
    }

  private:
    int fd_;
};

void Navigate(ss::MainformLogic& w) {
    // Past both ends.
    w.CmndPrevsec_Click();
    w.CmndPrevsec_Click();
    for (int i = 0; i < 3; ++i) {
        w.CmndNextsec_Click();
    }
    // Track steps over the whole image, a few back.
    const int tracks = w.img.tracks > 0 ? w.img.tracks : 0;
    for (int i = 0; i <= tracks && i < 300; ++i) {
        w.CmndNexTrack_Click();
    }
    for (int i = 0; i < 3; ++i) {
        w.CmndPrevTrk_Click();
    }
    // Goto Track with some of the listed tracks and with texts a user might type.
    const std::size_t listed = w.Combo1.Items.size();
    for (const std::size_t i : {std::size_t{0}, std::size_t{1}, listed / 2, listed - 1}) {
        if (i < listed) {
            w.Combo1.Text = w.Combo1.Items[i];
            w.CmndGotoTrk_Click();
        }
    }
    for (const char* text :
         {"", "abc", " 12", "2.5", "-1", "1e3", "99999", "80", "161", "162", "32767.4", "1e400"}) {
        w.Combo1.Text = text;
        w.CmndGotoTrk_Click();
    }
    w.CmndDirFind_Click();
    w.CmndNextsec_Click();
    w.CmndPrevTrk_Click();
    w.Form_Activate();
    w.Form_Resize();
}

void ShowImage(ss::cli::Window& window, const std::string& path, int maxSteps) {
    ss::MainformLogic& w = window.logic;
    w.MnuOpen(path);
    // A refused file: the window keeps running; its commands must stay safe.
    const int count = ss::cli::SectorCount(window);
    for (int i = 1; i < count && i <= maxSteps; ++i) {
        w.CmndNextsec_Click();
    }
    Navigate(w);
    (void)ss::cli::SurfaceLines(w.surface, true);
    (void)ss::cli::SurfaceLines(w.surface, false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile file;
    ss::cli::Window window;

    file.Write(data, size);
    ShowImage(window, file.Path(), 1 << 20);

    // A second image over the state the first one left: the back half.
    const std::size_t half = size / 2;
    file.Write(data + half, size - half);
    ShowImage(window, file.Path(), 64);
    return 0;
}
