// The Z80 disassembly: every opcode group compared with binutils' objdump for
// the Z80, instruction by instruction; and how code is followed through a
// load module's memory.
#include "contents/disassembly.h"
#include "contents/file_view.h"
#include "contents/load_map.h"
#include "support/contents_files.h"
#include "support/image_builder.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace ss::contents {
namespace {

using testimg::Bytes;
using testimg::CmdBlock;
using testimg::CmdTransfer;
using testimg::Joined;

constexpr const char* kObjdump = "z80-unknown-coff-objdump";

// Every opcode of every group once, each followed by the bytes 12 34 (both
// one-byte instructions, so whatever operands an opcode takes, the next
// opcode still starts an instruction): unprefixed, CB, ED, DD and FD with
// and without CB (positive and negative displacements).
Bytes EveryOpcode() {
    const auto prefix = [](int p) { return p == 0xCB || p == 0xDD || p == 0xED || p == 0xFD; };
    Bytes out;
    for (int op = 0; op < 256; ++op) {
        if (!prefix(op)) {
            out.insert(out.end(), {std::uint8_t(op), 0x12, 0x34});
        }
    }
    for (int op = 0; op < 256; ++op) {
        out.insert(out.end(), {0xCB, std::uint8_t(op)});
        out.insert(out.end(), {0xED, std::uint8_t(op), 0x12, 0x34});
    }
    for (const std::uint8_t p : {0xDD, 0xFD}) {
        for (int op = 0; op < 256; ++op) {
            if (!prefix(op)) {
                out.insert(out.end(),
                           {p, std::uint8_t(op), std::uint8_t(op & 1 ? 0x85 : 0x12), 0x34});
            }
            out.insert(out.end(), {p, 0xCB, std::uint8_t(op & 1 ? 0x85 : 0x12), std::uint8_t(op)});
        }
    }
    return out;
}

struct Theirs {
    int length = 0;
    std::string text;
};

// objdump's lines "   1a:\tdd 7e 05    \tld a,(ix+5)" by address.
std::map<int, Theirs> Objdump(const std::string& path) {
    const std::string command =
        std::string(kObjdump) + " -D -b binary -m z80-full '" + path + "' 2>/dev/null";
    std::map<int, Theirs> lines;
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        return lines;
    }
    static const std::regex kLine(R"(^\s*([0-9a-f]+):\t([0-9a-f ]+)\t(.*)$)");
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        std::string line(buffer);
        line.erase(line.find_last_not_of("\r\n") + 1);
        std::smatch m;
        if (std::regex_match(line, m, kLine)) {
            std::istringstream bytes(m[2].str());
            int count = 0;
            for (std::string b; bytes >> b;) {
                ++count;
            }
            lines[std::stoi(m[1].str(), nullptr, 16)] = {count, m[3].str()};
        }
    }
    return lines;
}

// An instruction's text in one form for both: lower case, numbers in
// decimal (objdump writes 0x12 and displacements in decimal, the disassembly
// 12H), no blanks; objdump's name "sli" for the undocumented shift is "sll";
// the undocumented DD CB forms that also load a register, "ld b,rlc (ix+5)"
// here and "rlc (ix+5),b" there, in objdump's order.
std::string Normal(const std::string& text) {
    std::string out;
    for (std::size_t k = 0; k < text.size();) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[k])));
        const bool starts = std::isdigit(static_cast<unsigned char>(c)) &&
                            (k == 0 || !std::isalnum(static_cast<unsigned char>(text[k - 1])));
        if (!starts) {
            out += c == ' ' ? "" : std::string(1, c);
            ++k;
            continue;
        }
        std::size_t end = k;
        int base = 10;
        if (text.compare(k, 2, "0x") == 0) {
            k += 2;
            end = k;
            base = 16;
        }
        while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end]))) {
            ++end;
        }
        if (end < text.size() && (text[end] == 'H' || text[end] == 'h')) {
            base = 16;
        }
        out += std::to_string(std::stol(text.substr(k, end - k), nullptr, base));
        k = end + (base == 16 && end < text.size() && std::tolower(text[end]) == 'h' ? 1 : 0);
    }
    out = std::regex_replace(out, std::regex("^sli"), "sll");
    static const std::regex kLoadToo(
        R"(^ld([abcdehl]),((rlc|rrc|rl|rr|sla|sra|sll|srl|res|set).*))");
    return std::regex_replace(out, kLoadToo, "$2,$1");
}

TEST(Disassembly, EveryOpcodeGroupAsObjdumpReadsIt) {
    if (std::system((std::string("command -v ") + kObjdump + " >/dev/null 2>&1").c_str()) != 0) {
        GTEST_SKIP() << kObjdump << " (Debian package binutils-z80) is not installed, so the "
                     << "disassembly is not compared with it; scripts/setup-debian.sh installs it";
    }
    const Bytes program = EveryOpcode();
    const std::string path =
        (std::filesystem::path(::testing::TempDir()) / ("opcodes-" + std::to_string(getpid())))
            .string();
    testimg::WriteFile(path, program);
    const std::map<int, Theirs> theirs = Objdump(path);
    std::filesystem::remove(path);
    ASSERT_FALSE(theirs.empty()) << kObjdump << " gave no instructions";

    std::array<std::uint8_t, 0x10000> memory{};
    std::copy(program.begin(), program.end(), memory.begin());
    // Where objdump leaves an ED opcode undecoded, the processor runs it as
    // one of these (or as no operation).
    const std::set<std::string> edTwins = {"nop*", "neg", "retn", "reti", "im0", "im1", "im2"};
    int compared = 0;
    int edUndecoded = 0;
    const int size = static_cast<int>(program.size());
    for (int at = 0; at < size;) {
        const Instruction ours = Disassemble(memory, at);
        const std::string mine = Normal(ours.text);
        const auto here = theirs.find(at);
        const auto after = theirs.find(at + 1);
        std::string why;
        if (here == theirs.end()) {
            why = "objdump has no instruction here";
        } else if (here->second.length == ours.length) {
            const bool same = Normal(here->second.text) == mine;
            const bool edTwin = here->second.text.rfind("defb 0xed", 0) == 0 && edTwins.count(mine);
            edUndecoded += edTwin ? 1 : 0;
            why = same || edTwin ? "" : "objdump: " + here->second.text;
        } else if ((here->second.text == "defb 0xdd" || here->second.text == "defb 0xfd") &&
                   after != theirs.end() && after->second.length == ours.length - 1 &&
                   Normal(after->second.text) == mine) {
            // A DD or FD the processor ignores: objdump shows it as a byte
            // of its own before the instruction it leads.
        } else {
            why = "objdump: " + here->second.text + " (" + std::to_string(here->second.length) +
                  " bytes)";
        }
        EXPECT_EQ(why, "") << "at " << at << ": " << ours.text << " (" << ours.length << " bytes)";
        ++compared;
        at += ours.length;
    }
    EXPECT_GT(compared, 3000);
    // Of the ED opcodes with no documented meaning, 184 run as no operation
    // and 12 repeat NEG, RETN, RETI or IM.
    EXPECT_LE(edUndecoded, 196);
}

TEST(Disassembly, FollowsCodeFromTransferAndBlockStarts) {
    const Bytes code = {
        0x21, 0x00, 0x3C,       // 5200 LD HL,3C00H
        0xCD, 0x10, 0x52,       // 5203 CALL 5210H
        0x18, 0xFE,             // 5206 JR 5206H
        1,    2,    3,    4,    // 5208 data: nothing jumps here
        5,    0,    0,    0,    // 520C
        0x3E, 0x41,             // 5210 LD A,41H
        0xDD, 0x77, 0xFB,       // 5212 LD (IX-05H),A
        0xDD, 0xCB, 0x02, 0x06, // 5215 RLC (IX+02H)
        0xC9,                   // 5219 RET
        0xFF,                   // 521A data after the RET
    };
    const Bytes module =
        Joined({CmdBlock(0x5200, code), CmdBlock(0x6000, {0x10, 0xFE, 0x3E}), CmdTransfer(0x5200)});
    EXPECT_EQ(ShowAs(View::Disassembly, module, false).lines,
              (std::vector<std::string>{
                  "5200  21 00 3C     LD HL,3C00H", "5203  CD 10 52     CALL 5210H",
                  "5206  18 FE        JR 5206H", "5208  01 02 03 04  DB 01H,02H,03H,04H  ; ....",
                  "520C  05 00 00 00  DB 05H,00H,00H,00H  ; ....", "5210  3E 41        LD A,41H",
                  "5212  DD 77 FB     LD (IX-05H),A", "5215  DD CB 02 06  RLC (IX+02H)",
                  "5219  C9           RET", "521A  FF           DB 0FFH  ; .", "",
                  "6000  10 FE        DJNZ 6000H",
                  "6002  3E           DB 3EH  ; >", // LD A,n cut off by the block's end
              }));
    EXPECT_EQ(ShowAs(View::Disassembly, Bytes{0x41, 0x42}, false).error,
              "at offset 0000: record type 41 is not one the loader knows");
}

} // namespace
} // namespace ss::contents
