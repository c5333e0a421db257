#include "plain_text.h"

#include "shown_bytes.h"

#include <algorithm>

namespace ss::contents {

namespace {

constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kCpmEnd = 0x1A;
constexpr std::size_t kTabStop = 8;

std::size_t TextEnd(std::span<const std::uint8_t> bytes, bool cpm) {
    if (!cpm) {
        return bytes.size();
    }
    return static_cast<std::size_t>(std::find(bytes.begin(), bytes.end(), kCpmEnd) - bytes.begin());
}

} // namespace

TextLines ReadText(std::span<const std::uint8_t> bytes, bool cpm) {
    TextLines text;
    text.end = TextEnd(bytes, cpm);
    std::string line;
    bool open = false; // a line has begun that no line end has closed
    for (std::size_t k = 0; k < text.end; ++k) {
        const std::uint8_t b = bytes[k];
        if (b == kCr || b == kLf) {
            if (b == kLf && k > 0 && bytes[k - 1] == kCr) {
                continue;
            }
            text.lines.push_back(std::move(line));
            line.clear();
            open = false;
            continue;
        }
        open = true;
        if (b == kTab) {
            line.append(kTabStop - line.size() % kTabStop, ' ');
        } else {
            line += static_cast<char>(b);
        }
    }
    if (open) {
        text.lines.push_back(std::move(line));
    }
    return text;
}

double PrintableShare(std::span<const std::uint8_t> bytes, bool cpm) {
    const std::size_t end = TextEnd(bytes, cpm);
    if (end == 0) {
        return 0;
    }
    const auto printable = std::count_if(bytes.begin(), bytes.begin() + end, [](std::uint8_t b) {
        return IsPrintable(b) || b == kCr || b == kLf || b == kTab;
    });
    return static_cast<double>(printable) / static_cast<double>(end);
}

} // namespace ss::contents
