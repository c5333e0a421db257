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
