#include "map_command.h"

#include "commands.h"
#include "terminal.h"
#include "window_json.h"
#include "windows/sector_map/sector_map_logic.h"

#include <string>

namespace ss::cli {

namespace {

// The events --press runs, one letter each.
struct KeyEvent {
    char key;
    void (SectorMapLogic::*handler)();
};
constexpr KeyEvent kKeyEvents[] = {
    {'n', &SectorMapLogic::Cmndnext_Click}, {'p', &SectorMapLogic::Cmndprev_Click},
    {'r', &SectorMapLogic::Form_Resize},    {'i', &SectorMapLogic::Option2_Click},
    {'u', &SectorMapLogic::Option1_Click},  {'a', &SectorMapLogic::Form_Activate},
};

const KeyEvent* FindKey(char key) {
    for (const KeyEvent& e : kKeyEvents) {
        if (e.key == key) {
            return &e;
        }
    }
    return nullptr;
}

// The texts of `surface` whose line lies below (rows) or above the legend's
// last line, on a surface of their own.
Surface TextsOf(const Surface& surface, bool rows) {
    const int lastLegendY = maplayout::kNoteLine * surface.TextHeight("sample");
    Surface part(surface.Metrics(), surface.Background());
    for (const DrawItem& item : surface.Items()) {
        const auto* t = std::get_if<TextItem>(&item);
        if (t != nullptr && (t->y > lastLegendY) == rows) {
            part.CurrentX = t->x;
            part.CurrentY = t->y;
            part.ForeColor = t->colour;
            part.Print(t->text, true);
        }
    }
    return part;
}

void PrintMap(std::ostream& out, const SectorMapLogic& map, bool colour) {
    PrintNamed(out, "file", EscapeName(map.TxtFilename.Text));
    PrintField(out, "format", map.Text1, colour);
    PrintNamed(out, "order", map.Option1.Value ? "numeric" : "interleave");
    out << '\n';
    PrintSurface(out, TextsOf(map.surface, true), colour);
    out << '\n';
    PrintSurface(out, TextsOf(map.surface, false), colour);
}

int RunMap(const Invocation& call) {
    const std::string order = call.Value("--order").value_or("numeric");
    if (order != "numeric" && order != "interleave") {
        throw UsageError{"--order takes numeric or interleave, not '" + order + "'"};
    }
    std::int64_t pages = 0;
    if (const std::optional<std::string> page = call.Value("--page")) {
        pages = ParseWhole(*page, "--page");
        if (pages < 0) {
            throw UsageError{"--page must not be negative"};
        }
    }
    const std::string keys = call.Value("--press").value_or("");
    for (const char key : keys) {
        if (FindKey(key) == nullptr) {
            throw UsageError{"--press takes the letters n, p, r, i, u and a, not '" +
                             std::string(1, key) + "'"};
        }
    }

    Window window;
    if (const auto status = OpenForCommand(window, call.operands[0], *call.err, false)) {
        return *status;
    }
    SectorMapLogic map(window.host, window.metrics);
    // "Sector Display" hands the file on and shows the window, which then
    // becomes the active one.
    window.logic.Cmndsecdisp_Click();
    map.Form_Activate();
    if (order == "interleave") {
        map.Option2_Click();
    }
    for (std::int64_t i = 0; i < pages; ++i) {
        const int before = map.Pagenum;
        const std::size_t boxes = window.host.messages.size();
        map.Cmndnext_Click();
        if (map.Pagenum == before && window.host.messages.size() == boxes) {
            break; // at the end: the presses left would do nothing either
        }
    }
    for (const char key : keys) {
        (map.*FindKey(key)->handler)();
    }

    if (call.json) {
        WriteWindowJson(*call.out, "map",
                        {
                            {"TxtFilename", &map.TxtFilename},
                            {"Text1", &map.Text1},
                            {"Option1", &map.Option1},
                            {"Option2", &map.Option2},
                        },
                        map.surface, window.host.messages);
    } else {
        PrintMap(*call.out, map, call.colour);
    }
    return ReportMessages(window, *call.err);
}

constexpr OptionSpec kMapOptions[] = {
    {"--order", "KIND",
     "numeric (the default) or interleave, which clicks\n"
     "the option \"Display Sec's Interleave order\""},
    {"--page", "N", "then presses Next N times"},
    {"--press", "KEYS",
     "then runs one event per letter: n Next,\n"
     "p Previous, r Resize, i the interleave option,\n"
     "u the numeric option, a the window activated again"},
};

} // namespace

const Command kMapCommand{
    "map",
    "FILE",
    "The sector map window after the main window opened FILE and its\n"
    "\"Sector Display\" button was pressed: the page's rows, each track's\n"
    "sector numbers in their columns, then the legend lines.\n"
    "With --json: {\"window\": \"map\", \"fields\", \"surface\", \"messages\"}, the\n"
    "fields TxtFilename, Text1, Option1 and Option2, and every message box\n"
    "raised, the main window's included.",
    kMapOptions,
    kJsonAndColour,
    RunMap};

} // namespace ss::cli
