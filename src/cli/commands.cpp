#include "commands.h"

#include "json.h"
#include "surface/numtext.h"
#include "terminal.h"
#include "window_json.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string_view>

namespace ss::cli {

namespace {

// How a field's text reads as a JSON value.
enum class Kind {
    Text,       // a string, as shown
    Decimal,    // a number written in decimal
    Hex,        // a number written in hex
    Density,    // "S/D" or "D/D": "single" or "double"
    SectorType, // "Dir Sec." or "Data Sec.": "directory" or "data"
};

// A text box of the main window under the name the output gives it.
struct Field {
    std::string_view name;
    TextBox MainWindowLogic::*box;
    Kind kind = Kind::Text;
};

// The disk summary, in the order `info` prints it.
constexpr Field kDiskFields[] = {
    {"format", &MainWindowLogic::Txtfiletype}, {"tracks", &MainWindowLogic::Text1},
    {"density", &MainWindowLogic::Text2},      {"sides", &MainWindowLogic::Text3},
    {"sectors", &MainWindowLogic::Text4},      {"granule", &MainWindowLogic::Text5},
    {"newdos", &MainWindowLogic::Text7},
};

// The fields of the sector shown, in the order of the `sectors` columns.
constexpr Field kSectorFields[] = {
    {"index", &MainWindowLogic::Txtsecnum, Kind::Decimal},
    {"track", &MainWindowLogic::Txttrk, Kind::Decimal},
    {"side", &MainWindowLogic::txtside, Kind::Decimal},
    {"sector", &MainWindowLogic::Txtsector, Kind::Decimal},
    {"spt", &MainWindowLogic::Txttrkspt, Kind::Decimal},
    {"density", &MainWindowLogic::TxtDens, Kind::Density},
    {"type", &MainWindowLogic::Txtsectype, Kind::SectorType},
    {"dam", &MainWindowLogic::Txtdam, Kind::Hex},
    {"position", &MainWindowLogic::Text6, Kind::Hex},
};

constexpr Field kLumpField = {"lump", &MainWindowLogic::Txtlumpnum};
constexpr Field kCrcField = {"crc", &MainWindowLogic::Txtcrc};

std::string Text(const Window& window, const Field& field) {
    return Trim((window.logic.*field.box).Text);
}

bool ShownIsMissing(const Window& window) {
    return !window.logic.img.IsPresent(window.logic.img.PresSecnum);
}

// The word of a CRC state in the `sectors` output.
std::string_view CrcWord(CrcState state) {
    switch (state) {
    case CrcState::Good:
        return "good";
    case CrcState::Bad:
        return "bad";
    case CrcState::NotRecorded:
        break;
    }
    return "none";
}

// Every byte as two upper-case hex digits, added to out.
void AppendHexDigits(std::string& out, const std::vector<std::uint8_t>& bytes) {
    const std::size_t start = out.size();
    out.resize(start + 2 * bytes.size());
    char* p = out.data() + start;
    for (const std::uint8_t b : bytes) {
        const std::string_view pair = Hex2View(b);
        *p++ = pair[0];
        *p++ = pair[1];
    }
}

std::string HexDigits(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    AppendHexDigits(out, bytes);
    return out;
}

// The word of a density as the window names it: "Single/Density" and "S/D"
// are "single", "Double/Density" and "D/D" "double", "Dual/Density" "dual".
std::string DensityWord(const std::string& text) {
    static constexpr std::pair<std::string_view, std::string_view> kWords[] = {
        {"S/D", "single"},
        {"D/D", "double"},
        {"Single/Density", "single"},
        {"Double/Density", "double"},
        {"Dual/Density", "dual"},
    };
    for (const auto& [shown, word] : kWords) {
        if (text == shown) {
            return std::string(word);
        }
    }
    return text;
}

// A field's text as the value it stands for; a text that does not read as
// its kind stays a string.
Json FieldValue(Kind kind, const std::string& text) {
    if (kind == Kind::Decimal || kind == Kind::Hex) {
        std::int64_t n = 0;
        const char* end = text.data() + text.size();
        const auto [ptr, ec] = std::from_chars(text.data(), end, n, kind == Kind::Hex ? 16 : 10);
        if (!text.empty() && ec == std::errc() && ptr == end) {
            return n;
        }
    } else if (kind == Kind::Density) {
        return DensityWord(text);
    } else if (kind == Kind::SectorType) {
        return text == "Dir Sec." ? "directory" : text == "Data Sec." ? "data" : text;
    }
    return text;
}

// The Newdos/80 drive parameters, "Pdrives: TI = E   TD = E  TC = 40 ...", as
// {"TI": "E", "TD": "E", "TC": 40, ...}: numbers as numbers, letters as words.
Json Pdrive(const std::string& pdrive) {
    std::istringstream words(pdrive.substr(std::min(pdrive.size(), pdrive.find(':') + 1)));
    Json values = Json::object();
    for (std::string name, equals, value; words >> name >> equals >> value;) {
        values[name] = FieldValue(Kind::Decimal, value);
    }
    return values;
}

// Shows every sector index from the one shown (index 0) to the last, as Next
// Sec steps through the image, calling each(window) at each.
template <typename Each> void StepThroughSectors(Window& window, Each each) {
    const int count = SectorCount(window);
    for (int index = 0; index < count; ++index) {
        if (index > 0) {
            window.logic.CmndNextsec_Click();
        }
        each();
    }
}

} // namespace

Opened OpenImage(Window& window, const std::string& path) {
    const OpenResult result = window.logic.MnuOpen(path);
    switch (result.outcome) {
    case OpenResult::Outcome::CannotOpen:
        return {OpenOutcome::CannotOpen,
                "cannot open '" + EscapeName(path) + "': " + result.message};
    case OpenResult::Outcome::Refused: {
        std::string text = result.message;
        std::replace(text.begin(), text.end(), '\r', '\n');
        return {OpenOutcome::Refused, text};
    }
    case OpenResult::Outcome::Opened:
        break;
    }
    return {OpenOutcome::Shown, {}};
}

std::optional<int> OpenForCommand(Window& window, const std::string& path, std::ostream& err,
                                  bool refusalEnds) {
    const Opened opened = OpenImage(window, path);
    if (opened.outcome == OpenOutcome::CannotOpen) {
        err << "sectorscope-cli: " << opened.message << '\n';
        return kExitUsage;
    }
    if (opened.outcome == OpenOutcome::Refused && refusalEnds) {
        PrintMessageText(err, opened.message);
        return kExitMessage;
    }
    return std::nullopt;
}

int ReportMessages(const Window& window, std::ostream& err) {
    for (const RecordingHost::Message& m : window.host.messages) {
        PrintMessageText(err, m.text);
    }
    return window.host.messages.empty() ? kExitDone : kExitMessage;
}

int SectorCount(const Window& window) {
    return static_cast<int>(std::max<std::int64_t>(window.logic.img.secslots, 0));
}

void ShowSector(Window& window, std::int64_t index) {
    // Next Sec only adds one to PresSecnum and shows that sector; nothing it
    // shows depends on the sectors passed on the way, and every display
    // draws the same items over the ones before, so one display at the index
    // leaves the window as the steps would.
    MainWindowLogic& w = window.logic;
    if (index != w.img.PresSecnum) {
        w.img.PresSecnum = index;
        w.GetDispSector();
    }
}

void PrintInfo(std::ostream& out, const Window& window) {
    const MainWindowLogic& w = window.logic;
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

void PrintInfoJson(std::ostream& out, const Window& window) {
    const MainWindowLogic& w = window.logic;
    const ImageState& img = w.img;
    const bool newdos = img.newdosflag == 1;
    Json notices = Json::array();
    for (const std::string& item : w.List2.Items) {
        notices.push_back(Trim(item));
    }
    WriteJson(out, {
                       {"format", Trim(img.Emtype)},
                       {"tracks", img.tracks},
                       {"density", DensityWord(Trim(img.dd))},
                       {"sides", img.sides},
                       {"sectors_per_track", img.spt},
                       {"sectors_per_cylinder", static_cast<std::int64_t>(img.sides) * img.spt},
                       {"granule", newdos ? Json(img.spg) : Json()},
                       {"newdos", newdos},
                       {"notices", std::move(notices)},
                       {"pdrive", newdos ? Pdrive(img.pdrive) : Json()},
                       {"directory", img.dirstartsecfnd == 0 ? Json() : Json(img.dirstartsec)},
                   });
    out << '\n';
}

void PrintSectors(std::ostream& out, Window& window, bool data) {
    std::string line;
    for (const Field& field : kSectorFields) {
        line += field.name;
        line += '\t';
    }
    if (data) {
        line += "data\t";
    }
    line += "size\tcrc\n";
    out << line;

    // Each line is built in the one string, without a string per field.
    StepThroughSectors(window, [&] {
        const ImageState& img = window.logic.img;
        const bool missing = ShownIsMissing(window);
        line.clear();
        for (const Field& field : kSectorFields) {
            line += missing && field.kind == Kind::SectorType
                        ? std::string_view("missing")
                        : TrimView((window.logic.*field.box).Text);
            line += '\t';
        }
        if (data) {
            AppendHexDigits(line, window.logic.DumpedBytes());
            line += '\t';
        }
        if (!missing) {
            const SectorCrc crc = img.CrcOf(img.PresSecnum);
            char size[24];
            line.append(
                size, std::to_chars(size, size + sizeof size, img.SectorSize(img.PresSecnum)).ptr);
            line += '\t';
            line += CrcWord(crc.id);
            line += '/';
            line += CrcWord(crc.data);
        } else {
            line += '\t';
        }
        line += '\n';
        out << line;
    });
}

void PrintSectorsJson(std::ostream& out, Window& window, bool data) {
    // One sector's object at a time: with its bytes, the whole listing of a
    // large image would take a hundred times the file's size as one value.
    out << R"({"sectors":[)";
    std::string_view separator;
    StepThroughSectors(window, [&] {
        const ImageState& img = window.logic.img;
        const bool missing = ShownIsMissing(window);
        Json sector = Json::object();
        for (const Field& field : kSectorFields) {
            Json& value = sector[std::string(field.name)];
            const std::string text = Text(window, field);
            if (missing && field.kind == Kind::SectorType) {
                value = "missing";
            } else if (!(missing && text.empty())) {
                value = FieldValue(field.kind, text);
            }
        }
        sector["missing"] = missing;
        if (data) {
            sector["data"] = missing ? Json() : Json(HexDigits(window.logic.DumpedBytes()));
        }
        sector["size"] = missing ? Json() : Json(img.SectorSize(img.PresSecnum));
        if (missing) {
            sector["crc"] = nullptr;
        } else {
            const SectorCrc crc = img.CrcOf(img.PresSecnum);
            sector["crc"] = {{"id", CrcWord(crc.id)}, {"data", CrcWord(crc.data)}};
        }
        out << separator;
        WriteJson(out, sector);
        separator = ",";
    });
    out << "]}\n";
}

void PrintShow(std::ostream& out, const Window& window, bool colour) {
    const MainWindowLogic& w = window.logic;
    const auto print = [&](const Field& field) {
        PrintField(out, field.name, w.*field.box, colour);
    };
    out << "disk\n";
    PrintNamed(out, "file", EscapeName(w.TxtFilename.Text));
    std::for_each(std::begin(kDiskFields), std::end(kDiskFields), print);
    for (const std::string& item : w.List2.Items) {
        PrintNamed(out, "notice", BoxText(Trim(item), colour::Black, colour::White, colour));
    }
    out << "sector\n";
    std::for_each(std::begin(kSectorFields), std::end(kSectorFields), print);
    print(kLumpField);
    print(kCrcField);
    out << '\n';
    PrintSurface(out, w.surface, colour);
}

void PrintShowJson(std::ostream& out, const Window& window) {
    const MainWindowLogic& w = window.logic;
    WriteWindowJson(out, "main",
                    {
                        {"TxtFilename", &w.TxtFilename},
                        {"Text1", &w.Text1},
                        {"Text2", &w.Text2},
                        {"Text3", &w.Text3},
                        {"Text4", &w.Text4},
                        {"Text5", &w.Text5},
                        {"Text6", &w.Text6},
                        {"Text7", &w.Text7},
                        {"Txtfiletype", &w.Txtfiletype},
                        {"Txttrk", &w.Txttrk},
                        {"txtside", &w.txtside},
                        {"Txtsector", &w.Txtsector},
                        {"Txttrkspt", &w.Txttrkspt},
                        {"TxtDens", &w.TxtDens},
                        {"Txtsecnum", &w.Txtsecnum},
                        {"Txtsectype", &w.Txtsectype},
                        {"Txtdam", &w.Txtdam},
                        {"Txtlumpnum", &w.Txtlumpnum},
                        {"Txtcrc", &w.Txtcrc},
                        {"List2", &w.List2},
                        {"Combo1", &w.Combo1},
                    },
                    w.surface, window.host.messages);
}

namespace {

int RunInfo(const Invocation& call) {
    Window window;
    if (const auto status = OpenForCommand(window, call.operands[0], *call.err, true)) {
        return *status;
    }
    call.json ? PrintInfoJson(*call.out, window) : PrintInfo(*call.out, window);
    return kExitDone;
}

int RunSectors(const Invocation& call) {
    Window window;
    // The listing prints the fields and the bytes of each sector, never the
    // surface: the window's dump need not be kept.
    window.logic.surface.SetUnseen(true);
    if (const auto status = OpenForCommand(window, call.operands[0], *call.err, true)) {
        return *status;
    }
    const bool data = call.Has("--data");
    call.json ? PrintSectorsJson(*call.out, window, data) : PrintSectors(*call.out, window, data);
    return kExitDone;
}

int RunShow(const Invocation& call) {
    const std::string& indexText = call.operands[1];
    const std::int64_t index = ParseWhole(indexText, "INDEX");
    Window window;
    if (const auto status = OpenForCommand(window, call.operands[0], *call.err, true)) {
        return *status;
    }
    const int count = SectorCount(window);
    if (count == 0) {
        throw UsageError{"this image has no sector index to show"};
    }
    if (index < 0 || index >= count) {
        throw UsageError{"sector index " + indexText + " is outside 0.." +
                         std::to_string(count - 1) + " of this image"};
    }
    ShowSector(window, index);
    call.json ? PrintShowJson(*call.out, window) : PrintShow(*call.out, window, call.colour);
    return kExitDone;
}

constexpr OptionSpec kSectorsOptions[] = {
    {"--data", "",
     "adds every byte of each sector's dump as two upper-case hex\n"
     "digits (512 for a 256-byte sector): a \"data\" column before size\n"
     "and crc, or a \"data\" member"},
};

} // namespace

const Command kInfoCommand{
    "info",
    "FILE",
    "The disk summary after opening FILE, one \"name<TAB>text\" line each:\n"
    "format, tracks, density, sides, sectors, granule, newdos, then one\n"
    "\"notice\" line per notice of the window, \"pdrive\" (Newdos/80 disks only)\n"
    "and \"directory\" (the first directory sector index, or \"none\").\n"
    "With --json: {\"format\", \"tracks\", \"density\", \"sides\", \"sectors_per_track\",\n"
    "\"sectors_per_cylinder\", \"granule\", \"newdos\", \"notices\", \"pdrive\",\n"
    "\"directory\"}, numbers as numbers, densities as \"single\", \"double\", \"dual\".",
    {},
    kJsonOnly,
    RunInfo};

const Command kSectorsCommand{
    "sectors",
    "FILE",
    "A header line, then one line per sector index from 0 to the last, as\n"
    "Next Sec steps through the image: index, track, side, sector, spt,\n"
    "density, type, dam, position, size (bytes) and crc (ID/data, each\n"
    "good, bad or none where the image records none), separated by tabs.\n"
    "An index that no ID field or header entry describes has type \"missing\"\n"
    "and empty fields.\n"
    "With --json: {\"sectors\": [{\"index\", \"track\", ..., \"position\",\n"
    "\"missing\", \"size\", \"crc\": {\"id\", \"data\"}}, ...]}, dam and position as\n"
    "numbers, type as \"data\", \"directory\" or \"missing\".",
    kSectorsOptions,
    kJsonOnly,
    RunSectors};

const Command kShowCommand{
    "show",
    "FILE INDEX",
    "The window's fields and its sector dump with sector index INDEX shown\n"
    "(0 to the last sector index), as Next Sec leaves the window there.\n"
    "With --json: {\"window\": \"main\", \"fields\", \"surface\", \"messages\"}, the\n"
    "window's controls by name, its display list in twips and drawing order,\n"
    "and the message boxes raised.",
    {},
    kJsonAndColour,
    RunShow};

} // namespace ss::cli
