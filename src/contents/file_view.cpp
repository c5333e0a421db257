#include "file_view.h"

#include "disassembly.h"
#include "hex_dump.h"
#include "plain_text.h"
#include "shown_bytes.h"
#include "surface/numtext.h"

namespace ss::contents {

namespace {

constexpr double kMostlyPrintable = 0.9;

struct ViewNames {
    View view;
    std::string_view title;
    std::string_view word;
};
constexpr ViewNames kNames[] = {
    {View::Listing, "Listing", "basic"}, {View::Text, "Text", "text"},
    {View::LoadMap, "Load map", "cmd"},  {View::Disassembly, "Disassembly", "disasm"},
    {View::Hex, "Hex", "hex"},
};

const ViewNames& NamesOf(View view) {
    for (const ViewNames& n : kNames) {
        if (n.view == view) {
            return n;
        }
    }
    return kNames[0];
}

std::string Hex4(int value) {
    std::string s = Hex(static_cast<std::uint64_t>(value));
    return std::string(s.size() < 4 ? 4 - s.size() : 0, '0') + s;
}

std::string RightAligned(const std::string& s, std::size_t width) {
    return std::string(s.size() < width ? width - s.size() : 0, ' ') + s;
}

std::string LeftAligned(const std::string& s, std::size_t width) {
    return s + std::string(s.size() < width ? width - s.size() : 0, ' ');
}

std::string RecordNote(const LoadRecord& r) {
    switch (r.type) {
    case 0x01: {
        std::string note;
        for (const int earlier : r.overlaps) {
            note += (note.empty() ? "over record " : ", ") + std::to_string(earlier + 1);
        }
        return note;
    }
    case 0x05:
        return "name";
    case 0x1F:
        return "copyright";
    default:
        return "skipped";
    }
}

} // namespace

View AutoView(std::span<const std::uint8_t> bytes, bool cpm) {
    if (ListBasic(bytes).Parsed()) {
        return View::Listing;
    }
    if (ReadLoadMap(bytes).Parsed()) {
        return View::LoadMap;
    }
    if (PrintableShare(bytes, cpm) >= kMostlyPrintable) {
        return View::Text;
    }
    return View::Hex;
}

std::vector<std::string> ListingLines(const BasicListing& listing) {
    std::vector<std::string> lines;
    lines.reserve(listing.lines.size());
    for (const BasicLine& line : listing.lines) {
        std::string text = std::to_string(line.number);
        text += ' ';
        AppendShown(text, line.text);
        lines.push_back(std::move(text));
    }
    return lines;
}

std::vector<std::string> LoadMapLines(const LoadMap& map) {
    std::vector<std::string> lines;
    lines.push_back("record  offset  type  load  last  bytes  ");
    int number = 0;
    for (const LoadRecord& r : map.records) {
        std::string line = RightAligned(std::to_string(++number), 6) + "  " +
                           LeftAligned(OffsetText(r.offset), 6) + "  " + Hex2(r.type) + "    ";
        line += r.IsBlock() ? Hex4(r.address) + "  " + Hex4(r.Last()) : std::string(10, ' ');
        line += "  " + RightAligned(std::to_string(r.length), 5) + "  " + RecordNote(r);
        lines.push_back(std::move(line));
        lines.back().erase(lines.back().find_last_not_of(' ') + 1);
    }
    lines.front().erase(lines.front().find_last_not_of(' ') + 1);
    if (!map.name.empty()) {
        lines.push_back("name       " + Shown(map.name));
    }
    if (!map.copyright.empty()) {
        lines.push_back("copyright  " + Shown(map.copyright));
    }
    if (map.transfer) {
        lines.push_back("transfer   " + Hex4(*map.transfer));
    }
    if (map.trailing > 0) {
        lines.push_back("after the transfer record: " + std::to_string(map.trailing) + " bytes");
    }
    return lines;
}

ViewText ShowAs(View view, std::span<const std::uint8_t> bytes, bool cpm) {
    ViewText shown;
    switch (view) {
    case View::Listing: {
        const BasicListing listing = ListBasic(bytes);
        shown.lines = ListingLines(listing);
        shown.error = listing.error;
        break;
    }
    case View::Text:
        for (const std::string& line : ReadText(bytes, cpm).lines) {
            shown.lines.push_back(Shown(line));
        }
        break;
    case View::LoadMap: {
        const LoadMap map = ReadLoadMap(bytes);
        shown.lines = LoadMapLines(map);
        shown.error = map.error;
        break;
    }
    case View::Disassembly: {
        const LoadMap map = ReadLoadMap(bytes);
        shown.lines = DisassemblyText(map, bytes);
        shown.error = map.error;
        break;
    }
    case View::Hex:
        shown.lines = HexLines(bytes);
        break;
    }
    return shown;
}

std::string_view ViewTitle(View view) {
    return NamesOf(view).title;
}

std::string_view ViewWord(View view) {
    return NamesOf(view).word;
}

std::optional<View> ViewOfWord(std::string_view word) {
    for (const ViewNames& n : kNames) {
        if (n.word == word) {
            return n.view;
        }
    }
    return std::nullopt;
}

} // namespace ss::contents
