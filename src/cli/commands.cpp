#include "commands.h"

#include "surface/numtext.h"
#include "terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace ss::cli {

namespace {

// A text box of the main window under the name the output gives it.
struct Field {
    std::string_view name;
    TextBox MainformLogic::*box;
};

// The disk summary, in the order `info` prints it.
constexpr Field kDiskFields[] = {
    {"format", &MainformLogic::Txtfiletype}, {"tracks", &MainformLogic::Text1},
    {"density", &MainformLogic::Text2},      {"sides", &MainformLogic::Text3},
    {"sectors", &MainformLogic::Text4},      {"granule", &MainformLogic::Text5},
    {"newdos", &MainformLogic::Text7},
};

// The fields of the sector shown, in the order of the `sectors` columns.
constexpr Field kSectorFields[] = {
    {"index", &MainformLogic::Txtsecnum}, {"track", &MainformLogic::Txttrk},
    {"side", &MainformLogic::txtside},    {"sector", &MainformLogic::Txtsector},
    {"spt", &MainformLogic::Txttrkspt},   {"density", &MainformLogic::TxtDens},
    {"type", &MainformLogic::Txtsectype}, {"dam", &MainformLogic::Txtdam},
    {"position", &MainformLogic::Text6},
};

constexpr Field kLumpField = {"lump", &MainformLogic::Txtlumpnum};

std::string Text(const Window& window, const Field& field) {
    return Trim((window.logic.*field.box).Text);
}

// Why a file could not be opened, in the words of the system.
std::string OpenFailureReason(const std::string& path) {
    if (path.empty()) {
        return "cannot open a file without a name";
    }
    const std::string what = "cannot open '" + path + "': ";
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    if (ec) {
        return what + ec.message();
    }
    if (std::filesystem::is_directory(st)) {
        return what + std::strerror(EISDIR);
    }
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        return what + "the file cannot be read whole";
    }
    return what + std::strerror(errno);
}

void AppendHex(std::string& out, const std::array<std::uint8_t, 256>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (const std::uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
}

// One `show` line: the name in a column of its own, then the text.
void PrintNamed(std::ostream& out, std::string_view name, const std::string& text) {
    constexpr std::size_t kNameWidth = 10;
    out << "  " << name;
    if (!text.empty()) {
        out << std::string(kNameWidth - std::min(kNameWidth, name.size()), ' ') << text;
    }
    out << '\n';
}

void PrintBox(std::ostream& out, const Window& window, const Field& field, bool colour) {
    const TextBox& box = window.logic.*field.box;
    PrintNamed(out, field.name, BoxText(Trim(box.Text), box.ForeColor, box.BackColor, colour));
}

} // namespace

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

Opened OpenImage(Window& window, const std::string& path) {
    window.logic.MnuOpen(path);
    for (const RecordingHost::Message& m : window.host.messages) {
        if (m.title == kOpenFailedTitle) {
            return {OpenOutcome::CannotOpen, OpenFailureReason(path)};
        }
        if (m.title == kRefusalTitle) {
            std::string text = m.text;
            std::replace(text.begin(), text.end(), '\r', '\n');
            return {OpenOutcome::Refused, text};
        }
    }
    return {OpenOutcome::Shown, {}};
}

int SectorCount(const Window& window) {
    return std::max(window.logic.img.Totalsecs, 0);
}

void PrintInfo(std::ostream& out, const Window& window) {
    const MainformLogic& w = window.logic;
    for (const Field& field : kDiskFields) {
        out << field.name << '\t' << Text(window, field) << '\n';
    }
    for (const std::string& item : w.List2.Items) {
        out << "notice\t" << Trim(item) << '\n';
    }
    if (w.img.newdosflag == 1) {
        out << "pdrive\t" << Trim(w.img.pdrive) << '\n';
    }
    out << "directory\t" << (w.img.dirstartsecfnd == 0 ? "none" : Dec(w.img.dirstartsec)) << '\n';
}

void PrintSectors(std::ostream& out, Window& window, bool data) {
    std::string line;
    for (const Field& field : kSectorFields) {
        line += field.name;
        line += '\t';
    }
    line.back() = '\n';
    if (data) {
        line.insert(line.size() - 1, "\tdata");
    }
    out << line;

    const int count = SectorCount(window);
    for (int index = 0; index < count; ++index) {
        if (index > 0) {
            window.logic.CmndNextsec_Click();
        }
        line.clear();
        for (const Field& field : kSectorFields) {
            line += Text(window, field);
            line += '\t';
        }
        if (data) {
            AppendHex(line, window.logic.DumpedBytes());
        } else {
            line.pop_back();
        }
        line += '\n';
        out << line;
    }
}

void PrintShow(std::ostream& out, Window& window, int index, bool colour) {
    for (int i = 0; i < index; ++i) {
        window.logic.CmndNextsec_Click();
    }
    const MainformLogic& w = window.logic;

    out << "disk\n";
    PrintNamed(out, "file", w.TxtFilename.Text);
    for (const Field& field : kDiskFields) {
        PrintBox(out, window, field, colour);
    }
    for (const std::string& item : w.List2.Items) {
        PrintNamed(out, "notice", BoxText(Trim(item), colour::Black, colour::White, colour));
    }
    out << "sector\n";
    for (const Field& field : kSectorFields) {
        PrintBox(out, window, field, colour);
    }
    PrintBox(out, window, kLumpField, colour);
    out << '\n';
    for (const std::string& line : SurfaceLines(w.surface, colour)) {
        out << line << '\n';
    }
}

} // namespace ss::cli
