// How the hex viewer lays a file out in lines and pages: pure arithmetic on
// offsets and line numbers, with no screen and no bytes behind it.
//
// Line numbers and counts are 64-bit, so every file the program can open
// (up to 2 GiB) pages to its end; the scroll bar's 32-bit value covers them.
#pragma once

#include <cstdint>

namespace ss {

class HexLayout {
  public:
    static constexpr int kBytesPerLine = 16;
    static constexpr int kLinesPerPage = 28;
    static constexpr int kPageBytes = kBytesPerLine * kLinesPerPage; // 448
    // The paging never starts a page later than this many bytes before the
    // end of the file; a shorter file does not page at all.
    static constexpr int kTailBytes = 256;

    // File offset of the first byte of a line.
    static constexpr std::int64_t LineStart(std::int64_t line) { return line * kBytesPerLine; }
    // The line that holds a file offset.
    static constexpr std::int64_t LineOf(std::int64_t offset) { return offset / kBytesPerLine; }
    // Whether the file is long enough to page through at all.
    static constexpr bool Pages(std::int64_t fileend) { return fileend >= kTailBytes; }
    // The last line a page may start at: the largest whose start is not above
    // fileend - 256; 0 for a file too short to page.
    static constexpr std::int64_t LastPageLine(std::int64_t fileend) {
        return Pages(fileend) ? LineOf(fileend - kTailBytes) : 0;
    }
};

} // namespace ss
