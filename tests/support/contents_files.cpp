#include "contents_files.h"

namespace ss::testimg {

namespace {
void PutWord(Bytes& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}
} // namespace

Bytes BasicProgram(const std::vector<BasicLineSpec>& lines, int base) {
    Bytes out{0xFF};
    for (const BasicLineSpec& line : lines) {
        const int next = base + static_cast<int>(out.size() - 1 + 4 + line.body.size() + 1);
        PutWord(out, next);
        PutWord(out, line.number);
        out.insert(out.end(), line.body.begin(), line.body.end());
        out.push_back(0);
    }
    PutWord(out, 0);
    return out;
}

Bytes PayrollProgram() {
    return BasicProgram({
        {10, "\x84:\xB2 \"WEEKLY PAYROLL\":\xB2"}, // CLS:PRINT "...":PRINT
        {20, "\x89 \"NUMBER OF EMPLOYEES\";N"},    // INPUT
        {30, "\x8A N$(N),H(N),R(N)"},              // DIM
        {40, "\x81 I\xD5"
             "1 \xBD N"},             // FOR I=1 TO N
        {50, "\x8B N$(I),H(I),R(I)"}, // READ
        {60, "P\xD5H(I)\xCFR(I):\x8F H(I)\xD4"
             "40 \xCA P\xD5P\xCD(H(I)\xCE"
             "40)\xCFR(I)\xD0"
             "2"},
        {70, "\xB2 N$(I);\xBC"
             "20);\xBF \"$$###.##\";P"},                  // PRINT ...;TAB(20);USING
        {80, "T\xD5T\xCDP:\x87 I:\x93\xFB TOTAL SO FAR"}, // T=T+P:NEXT I' ...
        {90, "\xB2:\xB2 \"TOTAL\";\xBC"
             "20);\xBF \"$$####.##\";T"},
        {100, "\x80"},                                            // END
        {110, "\x88 \"SMITH, J.\",42,6.5,\"JONES, M.\",38,7.25"}, // DATA
        {120, "\x93 HOURS OVER 40 ARE PAID AT TIME AND A HALF"},  // REM
    });
}

Bytes ClearScreenModule() {
    const Bytes code = {
        0x21, 0x00, 0x3C, // LD HL,3C00H: the screen
        0x11, 0x01, 0x3C, // LD DE,3C01H
        0x01, 0xFF, 0x03, // LD BC,03FFH
        0x36, 0x20,       // LD (HL),20H
        0xED, 0xB0,       // LDIR
        0xC3, 0x2D, 0x40, // JP 402DH: back to the DOS
    };
    const std::string note = "CLEARS THE SCREEN";
    Bytes block = code;
    block.insert(block.end(), note.begin(), note.end());
    return Joined({CmdRecord(0x05, "CLS"), CmdRecord(0x1F, "(C) 1983 SECTORSCOPE"),
                   CmdBlock(0x5200, block), CmdTransfer(0x5200)});
}

Bytes CmdBlock(int address, const Bytes& data) {
    Bytes out{0x01, static_cast<std::uint8_t>((data.size() + 2) & 0xFF)};
    PutWord(out, address);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes CmdTransfer(int address) {
    Bytes out{0x02, 0x02};
    PutWord(out, address);
    return out;
}

Bytes CmdRecord(int type, const std::string& data) {
    Bytes out{static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(data.size() & 0xFF)};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Joined(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

} // namespace ss::testimg
