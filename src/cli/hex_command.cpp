#include "hex_command.h"

#include "terminal.h"
#include "window_json.h"

#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>

namespace ss::cli {

int LineOfOffset(std::int64_t offset) {
    const std::int64_t line = HexLayout::LineOf(offset);
    return line > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                  : static_cast<int>(line);
}

void ShowHexPages(HexWindows& windows, const std::vector<std::int64_t>& offsets) {
    windows.main.logic.Cmndhexedit_Click();
    // Shown for the first time, the window becomes the active one.
    windows.hex.Form_Activate();
    for (const std::int64_t offset : offsets) {
        windows.hex.VScroll1.SetValue(LineOfOffset(offset));
    }
}

void PrintHex(std::ostream& out, const HexViewerLogic& hex, bool colour) {
    PrintSurface(out, hex.surface, colour);
    out << '\n';
    PrintField(out, "format", hex.Text2, colour);
    // The legend boxes from left to right as the window lays them out.
    std::string legend;
    for (const TextBox* box : {&hex.Text3, &hex.Text5, &hex.Text6, &hex.Text7, &hex.Text4}) {
        const std::string text = Trim(box->Text);
        if (!text.empty()) {
            legend += (legend.empty() ? "" : "  ") +
                      BoxText(text, box->ForeColor, box->BackColor, colour);
        }
    }
    PrintNamed(out, "legend", legend);
    PrintField(out, "notice", hex.Text8, colour);
}

void PrintHexJson(std::ostream& out, const HexWindows& windows) {
    const HexViewerLogic& w = windows.hex;
    const TextBox* const boxes[] = {&w.Text1, &w.Text2, &w.Text3, &w.Text4,
                                    &w.Text5, &w.Text6, &w.Text7, &w.Text8};
    static constexpr std::string_view kBoxNames[] = {"Text1", "Text2", "Text3", "Text4",
                                                     "Text5", "Text6", "Text7", "Text8"};
    std::vector<WindowField> fields = {{"TxtFilename", &w.TxtFilename}};
    for (std::size_t k = 0; k < std::size(boxes); ++k) {
        fields.push_back({kBoxNames[k], boxes[k]});
    }
    fields.push_back({"VScroll1", &w.VScroll1});
    WriteWindowJson(out, "hex", fields, w.surface, windows.main.host.messages);
}

namespace {

// The offsets of every --offset, each a comma-separated list.
std::vector<std::int64_t> Offsets(const Invocation& call) {
    std::vector<std::int64_t> offsets;
    for (const std::string& list : call.Values("--offset")) {
        std::istringstream items(list);
        for (std::string item; std::getline(items, item, ',');) {
            const std::int64_t n = ParseWhole(item, "an offset");
            if (n < 0) {
                throw UsageError{"an offset must be 0 or more, not '" + item + "'"};
            }
            offsets.push_back(n);
        }
        if (list.empty() || list.back() == ',') {
            throw UsageError{"an offset must be a whole number, not ''"};
        }
    }
    return offsets;
}

int RunHex(const Invocation& call) {
    const std::vector<std::int64_t> offsets = Offsets(call);
    HexWindows windows;
    // The main window may refuse the file; the hex viewer shows any file.
    if (const auto status = OpenForCommand(windows.main, call.operands[0], *call.err, false)) {
        return *status;
    }
    ShowHexPages(windows, offsets);
    if (call.json) {
        PrintHexJson(*call.out, windows);
    } else {
        PrintHex(*call.out, windows.hex, call.colour);
        ReportMessages(windows.main, *call.err);
    }
    return kExitDone;
}

constexpr OptionSpec kHexOptions[] = {
    {"--offset", "N[,N...]",
     "sets the scroll bar to line N / 16 for each N\n"
     "in turn; past the last page it snaps back"},
};

} // namespace

const Command kHexCommand{
    "hex",
    "FILE",
    "The hex viewer after the main window opened FILE and \"Hex Editor\" was\n"
    "pressed: the page of 28 lines of 16 bytes at offset 0, or at the line of\n"
    "each --offset in turn, then the format, the legend and the notice line.\n"
    "The main window may refuse FILE (its message goes to stderr); the hex\n"
    "viewer shows any file. With --json: {\"window\": \"hex\", \"fields\",\n"
    "\"surface\", \"messages\"}, with the fields TxtFilename, Text1 to Text8 and\n"
    "VScroll1, and every message box raised, the main window's included.",
    kHexOptions,
    kJsonAndColour,
    RunHex};

} // namespace ss::cli
