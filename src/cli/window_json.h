// A window as JSON data: its named controls, its surface's display list in
// drawing order and the message boxes raised, in the one shape that every
// window command of sectorscope-cli prints with --json:
//
//   {"window": NAME,
//    "fields": {NAME: {"text", "fore", "back"} | {"value": ...} | {"items", "text"}, ...},
//    "surface": [{"text", "x", "y", "color"} | {"box": [x1, y1, x2, y2], "color"}, ...],
//    "messages": [{"title", "text", "buttons"}, ...]}
//
// Colours are the windows' 0x00BBGGRR numbers, positions twips.
#pragma once

#include "surface/controls.h"
#include "surface/host.h"
#include "surface/surface.h"

#include <ostream>
#include <string_view>
#include <variant>
#include <vector>

namespace ss::cli {

// One control of a window under the name the window gives it. A text box
// writes {"text", "fore", "back"}; an option button {"value": true|false}; a
// scroll bar {"value": N}; a list box {"items": [...]}; a combo box
// {"items": [...], "text": ...}. Texts are written as the control holds them,
// blanks included.
struct WindowField {
    using Control = std::variant<const TextBox*, const OptionButton*, const ScrollBar*,
                                 const ListBox*, const ComboBox*>;
    std::string_view name;
    Control control;
};

// Writes the window as one JSON object followed by a line end.
void WriteWindowJson(std::ostream& out, std::string_view window,
                     const std::vector<WindowField>& fields, const Surface& surface,
                     const std::vector<RecordingHost::Message>& messages);

} // namespace ss::cli
