// What the fuzz targets share: the input written to a file that a window
// opens by its path, and the events a window receives, read from the input.
#pragma once

#include "surface/host.h"
#include "surface/surface.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__clang__)
#define SS_FUZZ_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define SS_FUZZ_NO_COVERAGE
#endif

namespace ss::fuzz {

// An in-memory file the window opens by path, like any image on disk.
class MemoryFile {
  public:
    MemoryFile() : fd_(memfd_create("sectorscope-fuzz", 0)) {
        if (fd_ < 0) {
            __builtin_trap();
        }
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    ~MemoryFile() { close(fd_); }

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

// Metrics of FixedMetrics' sizes that read the first and the last character
// of every text they measure: a window drawing on an unseen surface keeps no
// text, and the sanitizers still see whether each text it prints lies in
// memory it may read.
class ReadingMetrics final : public FontMetrics {
  public:
    // The measuring is no part of what is fuzzed: no coverage is traced in it.
    SS_FUZZ_NO_COVERAGE int TextWidth(std::string_view text) const override {
        const char* const p = text.data();
        const std::size_t n = text.size();
        if (n != 0) {
            sink_ = p[0];
            sink_ = p[n - 1];
        }
        return FixedMetrics::kCharWidth * static_cast<int>(n);
    }
    int TextHeight(std::string_view) const override { return FixedMetrics::kLineHeight; }

  private:
    mutable volatile char sink_ = 0;
};

// The events of one run: the last bytes of the input (at most `most` of
// them), read from the end backwards. The whole input stays the file, so an
// image in the corpus stays that image, and a change to its tail changes what
// the user does with it. Past its bytes the script reads 0.
class Script {
  public:
    Script(const std::uint8_t* data, std::size_t size, std::size_t most)
        : data_(data), size_(std::min(size, most)), end_(size) {}

    bool Done() const { return read_ >= size_; }
    std::uint8_t Byte() {
        if (Done()) {
            return 0;
        }
        ++read_;
        return data_[end_ - read_];
    }
    std::uint16_t Word() {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    // Up to `most` bytes as a text.
    std::string Text(std::size_t most) {
        std::string text;
        for (std::size_t n = Byte() % (most + 1); n > 0 && !Done(); --n) {
            text.push_back(static_cast<char>(Byte()));
        }
        return text;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t end_;
    std::size_t read_ = 0;
};

// One run of a secondary window: the window loads the input as the file the
// main window shares and `events` acts on it with a script from the input's
// tail. When the script's first byte asks for it (one run in four), File >
// Open then loads the input's back half over it and `events` acts again with
// a script from the front half. With `unseen`, the window draws on an unseen
// surface (Surface::SetUnseen) measured by ReadingMetrics.
template <class Window, class Events>
void LoadTwice(const std::uint8_t* data, std::size_t size, std::size_t most, Events events,
               bool unseen = false) {
    static MemoryFile file;
    file.Write(data, size);

    RecordingHost host;
    FixedMetrics fixed;
    ReadingMetrics reading;
    Window window(host, unseen ? static_cast<const FontMetrics&>(reading) : fixed);
    window.surface.SetUnseen(unseen);
    host.SharedFilename = file.Path();
    window.Form_Activate();
    Script script(data, size, most + 1);
    const bool again = (script.Byte() & 3) == 0;
    events(window, script);
    if (!again) {
        return;
    }

    const std::size_t half = size / 2;
    file.Write(data + half, size - half);
    host.SharedFilename.clear();
    window.MnuOpen(file.Path());
    Script second(data, half, most);
    events(window, second);
}

} // namespace ss::fuzz
