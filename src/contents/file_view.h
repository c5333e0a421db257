// The views of a file's contents, each as lines of plain text: the same lines
// the contents window shows and sectorscope-cli cat prints.
#pragma once

#include "basic_listing.h"
#include "load_map.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ss::contents {

enum class View { Listing, Text, LoadMap, Disassembly, Hex };
inline constexpr View kViews[] = {View::Listing, View::Text, View::LoadMap, View::Disassembly,
                                  View::Hex};

// What the file is taken for by Auto: a BASIC listing when the program
// parses, a load map when the load module parses, text when at least 90 in
// 100 of its bytes are printable, else hex.
View AutoView(std::span<const std::uint8_t> bytes, bool cpm);

struct ViewText {
    std::vector<std::string> lines;
    // Why the file does not read as the view asks, where it stops; empty
    // when it does.
    std::string error;
};

// The file as the view shows it; `cpm`: the file is on a CP/M disk (its text
// ends at the first 1A).
ViewText ShowAs(View view, std::span<const std::uint8_t> bytes, bool cpm);

// The lines of a listing ("10 PRINT X") and a load map, bytes outside
// printable ASCII as {XX}.
std::vector<std::string> ListingLines(const BasicListing& listing);
std::vector<std::string> LoadMapLines(const LoadMap& map);

// The view's name in the window ("Listing", "Load map") and as
// sectorscope-cli names it ("basic", "cmd", "disasm").
std::string_view ViewTitle(View view);
std::string_view ViewWord(View view);
std::optional<View> ViewOfWord(std::string_view word);

} // namespace ss::contents
