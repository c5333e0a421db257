#include "shown_bytes.h"

#include "surface/numtext.h"

namespace ss::contents {

void AppendShown(std::string& out, std::string_view raw) {
    std::size_t start = 0;
    for (std::size_t k = 0; k < raw.size(); ++k) {
        const auto b = static_cast<std::uint8_t>(raw[k]);
        if (!IsPrintable(b)) {
            out.append(raw.substr(start, k - start));
            out += '{';
            out += Hex2View(b);
            out += '}';
            start = k + 1;
        }
    }
    out.append(raw.substr(start));
}

std::string Shown(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    AppendShown(out, raw);
    return out;
}

std::string OffsetText(std::size_t offset) {
    std::string digits = Hex(offset);
    return std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

} // namespace ss::contents
