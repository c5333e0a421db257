#include "terminal.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <optional>

namespace ss::cli {

namespace {

struct Cell {
    char ch = ' ';
    Colour colour = colour::Black;
};

// The character as a terminal should draw it: the window's font has a glyph
// for 0x7F, a terminal would swallow it and shift the rest of the line.
void AppendShown(std::string& out, char ch, bool colour) {
    if (colour && ch == '\x7F') {
        out += "\u2302";
    } else {
        out += ch;
    }
}

// Adds the escape that starts with `lead` ("\x1b[38;2;" or "\x1b[48;2;") and
// sets the 24-bit colour c; nothing for a system colour.
void AppendAnsi(std::string& out, std::string_view lead, Colour c) {
    if (colour::IsSystemColour(c)) {
        return;
    }
    char text[32];
    char* p = std::copy(lead.begin(), lead.end(), text);
    for (const int v : {colour::Red8(c), colour::Green8(c), colour::Blue8(c)}) {
        p = std::to_chars(p, text + sizeof text, v).ptr;
        *p++ = ';';
    }
    p[-1] = 'm';
    out.append(text, p);
}

constexpr std::string_view kForegroundLead = "\x1b[38;2;";
constexpr std::string_view kBackgroundLead = "\x1b[48;2;";

} // namespace

std::string AnsiForeground(Colour c) {
    std::string out;
    AppendAnsi(out, kForegroundLead, c);
    return out;
}

std::string AnsiBackground(Colour c) {
    std::string out;
    AppendAnsi(out, kBackgroundLead, c);
    return out;
}

std::string BoxText(const std::string& text, Colour fore, Colour back, bool colour) {
    if (!colour || text.empty()) {
        return text;
    }
    return AnsiForeground(fore) + AnsiBackground(back) + text + kAnsiReset;
}

std::vector<std::string> SurfaceLines(const Surface& surface, bool colour) {
    const std::vector<RasterLine> raster = RasterText(surface);
    std::size_t width = 0;
    for (const RasterLine& line : raster) {
        for (const RasterSpan& span : line.spans) {
            width = std::max(width, static_cast<std::size_t>(span.column) + span.text.size());
        }
    }

    const std::string background = AnsiBackground(surface.Background());
    auto finish = [&](std::string body) { return colour ? background + body + kAnsiReset : body; };

    std::vector<std::string> out;
    const int lineHeight = surface.TextHeight("sample");
    int previousY = 0;
    std::vector<Cell> cells;
    for (const RasterLine& line : raster) {
        if (!out.empty() && line.y - previousY > lineHeight) {
            out.push_back(finish(colour ? std::string(width, ' ') : std::string()));
        }
        previousY = line.y;

        cells.assign(width, Cell{});
        for (const RasterSpan& span : line.spans) {
            for (std::size_t i = 0; i < span.text.size(); ++i) {
                cells[static_cast<std::size_t>(span.column) + i] = Cell{span.text[i], span.colour};
            }
        }

        std::string body;
        if (colour) {
            std::optional<Colour> current;
            for (const Cell& cell : cells) {
                if (cell.colour != current) {
                    AppendAnsi(body, kForegroundLead, cell.colour);
                    current = cell.colour;
                }
                AppendShown(body, cell.ch, true);
            }
        } else {
            body.reserve(cells.size());
            for (const Cell& cell : cells) {
                body += cell.ch;
            }
            body.erase(body.find_last_not_of(' ') + 1);
        }
        out.push_back(finish(std::move(body)));
    }
    return out;
}

void PrintSurface(std::ostream& out, const Surface& surface, bool colour) {
    for (const std::string& line : SurfaceLines(surface, colour)) {
        out << line << '\n';
    }
}

void PrintNamed(std::ostream& out, std::string_view name, const std::string& text) {
    constexpr std::size_t kNameWidth = 10;
    out << "  " << name;
    if (!text.empty()) {
        out << std::string(kNameWidth - std::min(kNameWidth, name.size()), ' ') << text;
    }
    out << '\n';
}

void PrintField(std::ostream& out, std::string_view name, const TextBox& box, bool colour) {
    PrintNamed(out, name, BoxText(Trim(box.Text), box.ForeColor, box.BackColor, colour));
}

std::string Trim(const std::string& text) {
    return std::string(TrimView(text));
}

std::string_view TrimView(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string EscapeName(std::string_view name) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (const char ch : name) {
        const auto b = static_cast<unsigned char>(ch);
        switch (ch) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (b < 32 || b == 127) {
                out += "\\x";
                out += kDigits[b >> 4];
                out += kDigits[b & 0xF];
            } else {
                out += ch;
            }
        }
    }
    return out;
}

} // namespace ss::cli
