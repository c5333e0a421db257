#include "hex_dump.h"

#include "shown_bytes.h"
#include "surface/numtext.h"

#include <algorithm>

namespace ss::contents {

namespace {
constexpr std::size_t kPerLine = 16;
} // namespace

std::vector<std::string> HexLines(std::span<const std::uint8_t> bytes) {
    std::vector<std::string> lines;
    lines.reserve((bytes.size() + kPerLine - 1) / kPerLine);
    const std::size_t digits = OffsetText(bytes.empty() ? 0 : bytes.size() - 1).size();
    for (std::size_t at = 0; at < bytes.size(); at += kPerLine) {
        const std::size_t n = std::min(kPerLine, bytes.size() - at);
        std::string line = OffsetText(at);
        line.insert(0, digits - line.size(), '0');
        line += ' ';
        for (std::size_t k = 0; k < kPerLine; ++k) {
            line += ' ';
            line += k < n ? Hex2View(bytes[at + k]) : std::string_view("  ");
        }
        line += "  ";
        for (std::size_t k = 0; k < n; ++k) {
            const std::uint8_t b = bytes[at + k];
            line += IsPrintable(b) ? static_cast<char>(b) : '.';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace ss::contents
