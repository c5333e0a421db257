#include "numtext.h"

namespace ss {

std::string DecBlank(std::int64_t n) {
    return n >= 0 ? " " + std::to_string(n) : std::to_string(n);
}

std::string Dec(std::int64_t n) {
    return std::to_string(n);
}

namespace {
constexpr char kHexDigits[] = "0123456789ABCDEF";
}

std::string Hex(std::uint64_t n) {
    char buf[16];
    char* const end = buf + sizeof buf;
    char* p = end;
    do {
        *--p = kHexDigits[n & 0xF];
        n >>= 4;
    } while (n != 0);
    return std::string(p, end);
}

std::string Hex2(std::uint64_t n) {
    if (n < 256) {
        return std::string(Hex2View(static_cast<std::uint8_t>(n)));
    }
    return Hex(n);
}

char ShownChar(std::uint8_t b) {
    return ShownView(b)[0];
}

} // namespace ss
