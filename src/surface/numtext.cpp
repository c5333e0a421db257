#include "numtext.h"

namespace ss {

std::string DecBlank(std::int64_t n) {
    return n >= 0 ? " " + std::to_string(n) : std::to_string(n);
}

std::string Dec(std::int64_t n) {
    return std::to_string(n);
}

std::string Hex(std::uint64_t n) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), digits[n & 0xF]);
        n >>= 4;
    } while (n != 0);
    return out;
}

std::string Hex2(std::uint64_t n) {
    std::string h = Hex(n);
    return h.size() == 1 ? "0" + h : h;
}

char ShownChar(std::uint8_t b) {
    return (b > 32 && b < 128) ? static_cast<char>(b) : '.';
}

} // namespace ss
