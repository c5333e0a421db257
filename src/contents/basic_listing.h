// The listing of a tokenized Level II / Disk BASIC program: byte FF, then
// lines of a next-line pointer (2 bytes, low first), the line number (2 bytes,
// low first), the tokenized body and a 0x00; a pointer of 0000 ends the
// program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ss::contents {

struct BasicLine {
    int number = 0;
    // The body as LIST writes it: keywords spelt out, every other byte as
    // stored (so bytes outside printable ASCII still need showing).
    std::string text;
    std::size_t offset = 0; // of the line's pointer in the file
};

struct BasicListing {
    std::vector<BasicLine> lines;
    // Empty when the program ends with its 0000 pointer; else where the
    // listing stops and why.
    std::string error;
    std::size_t end = 0;      // the offset after the end pointer, or where the listing stopped
    std::size_t trailing = 0; // bytes after the end pointer

    bool Parsed() const { return error.empty(); }
};

// Lists the program. The lines are found by their 0x00 terminators, never by
// the stored pointers, which are often stale in files saved after editing.
BasicListing ListBasic(std::span<const std::uint8_t> bytes);

// A keyword as listed, for a token byte 0x80..0xFB; empty for other bytes.
// 0xD1, the exponent operator the machine shows as an up arrow, is "^".
std::string_view BasicKeyword(std::uint8_t token);

} // namespace ss::contents
