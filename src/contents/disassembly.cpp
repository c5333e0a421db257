#include "disassembly.h"

#include "shown_bytes.h"
#include "surface/numtext.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <memory>
#include <string_view>
#include <z80ex/z80ex_dasm.h>

namespace ss::contents {

namespace {

using Memory = std::array<std::uint8_t, 0x10000>;

constexpr int kDataPerLine = 4;

Z80EX_BYTE ReadByte(Z80EX_WORD address, void* memory) {
    return (*static_cast<const Memory*>(memory))[address];
}

int At(int address) {
    return address & 0xFFFF;
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

// A number in hex as assemblers of the machine write it: "0C3A0H", "05H".
std::string HexNumber(std::string_view digits) {
    std::string out;
    if (!digits.empty() && !std::isdigit(static_cast<unsigned char>(digits.front()))) {
        out += '0';
    }
    out += digits;
    out += 'H';
    return out;
}

// z80ex's text in the usual notation. Its numbers are "#3C00" (and
// "0x38" after RST); it names four instructions with underscores
// ("LD_A_I"), writes the indirect jumps as "JP HL", and gives a negative
// index displacement as "+#FFFFFFFB".
std::string Usual(std::string_view text) {
    static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
        {"LD_A_I", "LD A,I"},     {"LD_A_R", "LD A,R"}, {"LD_R_A", "LD R,A"}, {"LD_I_A", "LD I,A"},
        {"IN_F (C)", "IN F,(C)"}, {"JP HL", "JP (HL)"}, {"JP IX", "JP (IX)"}, {"JP IY", "JP (IY)"},
    };
    for (const auto& [theirs, ours] : kNames) {
        if (text == theirs) {
            return std::string(ours);
        }
    }
    std::string out;
    for (std::size_t k = 0; k < text.size();) {
        if (text.compare(k, 8, "+#FFFFFF") == 0 && k + 10 <= text.size()) {
            const int low = std::stoi(std::string(text.substr(k + 8, 2)), nullptr, 16);
            out += '-';
            out += HexNumber(Hex2(static_cast<std::uint64_t>(0x100 - low)));
            k += 10;
            continue;
        }
        const std::size_t prefix = text[k] == '#' ? 1 : text.compare(k, 2, "0x") == 0 ? 2 : 0;
        if (prefix > 0) {
            std::size_t end = k + prefix;
            while (end < text.size() && IsHexDigit(text[end])) {
                ++end;
            }
            std::string digits(text.substr(k + prefix, end - k - prefix));
            for (char& c : digits) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            out += HexNumber(digits);
            k = end;
            continue;
        }
        out += text[k++];
    }
    return out;
}

// Where execution goes after an instruction: on to the next one or not, and
// the address a jump or call may go to.
struct Flow {
    bool continues = true;
    int target = -1;
};

Flow FlowOf(const Memory& m, int address, int length) {
    int k = 0; // prefixes the processor ignores, and DD/FD before E9
    while (k < length - 1 && (m[At(address + k)] == 0xDD || m[At(address + k)] == 0xFD)) {
        ++k;
    }
    const int op = m[At(address + k)];
    const int word = m[At(address + k + 1)] | m[At(address + k + 2)] << 8;
    const int relative = At(address + length + static_cast<std::int8_t>(m[At(address + k + 1)]));
    if (op == 0xED && k == 0) {
        const int ed = m[At(address + 1)];
        return {(ed & 0xC7) != 0x45, -1}; // RETN, RETI
    }
    switch (op) {
    case 0xC3: // JP nn
        return {false, word};
    case 0xCD: // CALL nn
        return {true, word};
    case 0x18: // JR e
        return {false, relative};
    case 0x10: // DJNZ e
    case 0x20: // JR cc,e
    case 0x28:
    case 0x30:
    case 0x38:
        return {true, relative};
    case 0xC9: // RET
    case 0xE9: // JP (HL), (IX), (IY)
        return {false, -1};
    default:
        break;
    }
    switch (op & 0xC7) {
    case 0xC2: // JP cc,nn
    case 0xC4: // CALL cc,nn
        return {true, word};
    case 0xC7: // RST n
        return {true, op & 0x38};
    default:
        return {true, -1};
    }
}

// "DB 48H,49H,00H  ; HI.": the bytes, then as characters.
std::string Data(const Memory& m, int address, int length) {
    std::string text = "DB ";
    std::string characters;
    for (int k = 0; k < length; ++k) {
        const std::uint8_t b = m[At(address + k)];
        text += (k > 0 ? "," : "") + HexNumber(Hex2(b));
        characters += IsPrintable(b) ? static_cast<char>(b) : '.';
    }
    return text + "  ; " + characters;
}

} // namespace

Instruction Disassemble(const Memory& memory, int address) {
    char text[64] = {};
    int states = 0;
    int branchStates = 0;
    Instruction instruction;
    instruction.length =
        z80ex_dasm(text, sizeof text, 0, &states, &branchStates, ReadByte,
                   static_cast<Z80EX_WORD>(At(address)), const_cast<Memory*>(&memory));
    // z80ex counts one byte too many for the DD CB d op and FD CB d op forms.
    const std::uint8_t first = memory[At(address)];
    if ((first == 0xDD || first == 0xFD) && memory[At(address + 1)] == 0xCB) {
        instruction.length = 4;
    }
    instruction.text = Usual(text);
    return instruction;
}

std::vector<DisassemblyLine> Disassemble(const LoadMap& map, std::span<const std::uint8_t> bytes) {
    const auto memory = std::make_unique<LoadedMemory>(Load(map, bytes));
    const Memory& m = memory->bytes;
    const auto& loaded = memory->loaded;
    // Whether an instruction covers each address.
    auto covered = std::make_unique<std::array<bool, 0x10000>>();
    covered->fill(false);
    std::deque<int> entries;
    if (map.transfer) {
        entries.push_back(*map.transfer);
    }
    for (const LoadRecord& r : map.records) {
        if (r.IsBlock()) {
            entries.push_back(r.address);
        }
    }
    std::vector<std::pair<int, Instruction>> decoded;
    while (!entries.empty()) {
        int address = entries.front();
        entries.pop_front();
        for (;;) {
            if (!loaded[At(address)] || (*covered)[At(address)]) {
                break;
            }
            Instruction instruction = Disassemble(m, address);
            bool fits = true;
            for (int k = 0; k < instruction.length; ++k) {
                const int at = At(address + k);
                fits = fits && loaded[at] && !(*covered)[at];
            }
            if (!fits) {
                break; // runs past the loaded bytes or into another instruction
            }
            for (int k = 0; k < instruction.length; ++k) {
                (*covered)[At(address + k)] = true;
            }
            const int length = instruction.length;
            const Flow flow = FlowOf(m, address, length);
            decoded.emplace_back(At(address), std::move(instruction));
            if (flow.target >= 0) {
                entries.push_back(flow.target);
            }
            if (!flow.continues) {
                break;
            }
            address = At(address + length);
        }
    }
    std::sort(decoded.begin(), decoded.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<DisassemblyLine> lines;
    auto next = decoded.begin();
    const auto line = [&](int address, int length, std::string text, bool isCode) {
        DisassemblyLine& l = lines.emplace_back();
        l.address = address;
        l.length = length;
        l.text = std::move(text);
        l.code = isCode;
        for (int k = 0; k < length; ++k) {
            l.bytes[static_cast<std::size_t>(k)] = m[At(address + k)];
        }
    };
    for (int address = 0; address < 0x10000;) {
        if (next != decoded.end() && next->first == address) {
            const int length = next->second.length;
            line(address, length, std::move(next->second.text), true);
            ++next;
            address += length;
            continue;
        }
        int length = 0;
        while (length < kDataPerLine && address + length < 0x10000 && loaded[address + length] &&
               !(*covered)[address + length]) {
            ++length;
        }
        if (length == 0) { // not loaded, or the tail of an instruction that wrapped past FFFF
            ++address;
            continue;
        }
        line(address, length, Data(m, address, length), false);
        address += length;
    }
    return lines;
}

std::vector<std::string> DisassemblyText(const LoadMap& map, std::span<const std::uint8_t> bytes) {
    std::vector<std::string> out;
    int next = -1;
    for (const DisassemblyLine& line : Disassemble(map, bytes)) {
        if (next >= 0 && line.address != next) {
            out.emplace_back();
        }
        std::string text = Hex2(static_cast<std::uint64_t>(line.address >> 8)) +
                           Hex2(static_cast<std::uint64_t>(line.address & 0xFF)) + " ";
        for (std::size_t k = 0; k < line.bytes.size(); ++k) {
            text += ' ';
            text += k < static_cast<std::size_t>(line.length) ? Hex2View(line.bytes[k])
                                                              : std::string_view("  ");
        }
        text += "  ";
        text += line.text;
        out.push_back(std::move(text));
        next = line.address + line.length;
    }
    return out;
}

} // namespace ss::contents
