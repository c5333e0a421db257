// A file read as text: its lines, and how much of it is printable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ss::contents {

struct TextLines {
    // Each line's bytes without its line end, tabs laid out as blanks to the
    // next column that is a multiple of 8; other bytes as stored.
    std::vector<std::string> lines;
    std::size_t end = 0; // where the text ends: the file's size, or a CP/M file's first 1A
};

// CR ends a line, and an LF after it is part of that line end; an LF on its
// own ends a line too (the machine's screen starts a new line for either).
// A CP/M file's text ends at its first 1A (the records after it are padding).
TextLines ReadText(std::span<const std::uint8_t> bytes, bool cpm);

// Of the bytes up to the text's end, the share (0..1) that are printable
// ASCII, CR, LF or tab; 0 for no bytes.
double PrintableShare(std::span<const std::uint8_t> bytes, bool cpm);

} // namespace ss::contents
