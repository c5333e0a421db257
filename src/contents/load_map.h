// The load map of a /CMD load module: where its blocks load, where it starts,
// its name and copyright, read record by record the way the DOS loader does.
//
// A record is a type byte, a length byte and that many bytes (0 meaning 256):
//   01  a load block: the address (2 bytes, low first) and the data; the
//       length counts the address, and 0, 1, 2 mean 256, 257, 258, so a block
//       holds 1 to 256 bytes
//   02  the transfer address (length 2): loading stops there
//   05  the module's name
//   1F  copyright text
//   04, 06, 07, 08, 0A, 0C, 0E, 10  skipped by the loader
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ss::contents {

struct LoadRecord {
    int type = 0;
    std::size_t offset = 0;     // of the type byte in the file
    int length = 0;             // the data bytes (a load block's, its address not counted)
    std::size_t dataOffset = 0; // of the data in the file
    int address = 0;            // a load block's
    // Load blocks: the earlier blocks (indexes into LoadMap::records) some of
    // whose bytes this one writes over.
    std::vector<int> overlaps;

    bool IsBlock() const { return type == 0x01; }
    // The last address a load block writes (the loader wraps past FFFF).
    int Last() const { return (address + length - 1) & 0xFFFF; }
};

struct LoadMap {
    // Every record before the transfer address, in file order: load blocks,
    // name, copyright and the records the loader skips.
    std::vector<LoadRecord> records;
    std::optional<int> transfer;
    std::string name;         // raw bytes of the 05 record(s)
    std::string copyright;    // raw bytes of the 1F record(s)
    std::size_t trailing = 0; // bytes after the transfer record
    // Empty when the module loads to its transfer address; else where reading
    // stopped and why (an unknown record type, a record cut off by the end of
    // the file, no transfer address).
    std::string error;

    bool Parsed() const { return error.empty(); }
    int Blocks() const;
};

LoadMap ReadLoadMap(std::span<const std::uint8_t> bytes);

// Memory as the load map leaves it: every block's bytes at their addresses,
// later blocks over earlier ones.
struct LoadedMemory {
    std::array<std::uint8_t, 0x10000> bytes{};
    std::array<bool, 0x10000> loaded{};
};
LoadedMemory Load(const LoadMap& map, std::span<const std::uint8_t> bytes);

} // namespace ss::contents
