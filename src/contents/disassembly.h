// Z80 disassembly of what a load module puts in memory, documented and
// undocumented opcodes, decoded by z80ex's disassembler (Debian's
// libz80ex-dev). Code is followed from the transfer address and from every
// block's start; loaded bytes no path reaches are shown as data.
#pragma once

#include "load_map.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ss::contents {

struct Instruction {
    int length = 1;
    // Zilog mnemonics in capitals, numbers in hex with an H ("LD A,(IX-05H)",
    // "JP 0C3A0H"); "NOP*" for an opcode the processor runs as no operation.
    std::string text;
};

// The instruction at `address`; its bytes are read from `memory` at
// `address` on, wrapping past FFFF as the processor does.
Instruction Disassemble(const std::array<std::uint8_t, 0x10000>& memory, int address);

struct DisassemblyLine {
    int address = 0;
    int length = 0;
    std::array<std::uint8_t, 4> bytes{}; // the first `length` are the line's
    // The instruction, or for bytes not reached as code "DB 48H,49H  ; HI".
    std::string text;
    bool code = false;
};

// Every loaded byte in address order, as instructions where code reaches
// them and as data (up to 4 bytes a line, with their characters) elsewhere.
std::vector<DisassemblyLine> Disassemble(const LoadMap& map, std::span<const std::uint8_t> bytes);

// "5200  DD 21 00 3C  LD IX,3C00H", a blank line between runs of memory
// that do not meet.
std::vector<std::string> DisassemblyText(const LoadMap& map, std::span<const std::uint8_t> bytes);

} // namespace ss::contents
