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

// A text box of the main window under the name the output gives it.
struct Field {
    std::string_view name;
    TextBox MainWindowLogic::*box;
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
    {"index", &MainWindowLogic::Txtsecnum}, {"track", &MainWindowLogic::Txttrk},
    {"side", &MainWindowLogic::txtside},    {"sector", &MainWindowLogic::Txtsector},
    {"spt", &MainWindowLogic::Txttrkspt},   {"density", &MainWindowLogic::TxtDens},
    {"type", &MainWindowLogic::Txtsectype}, {"dam", &MainWindowLogic::Txtdam},
    {"position", &MainWindowLogic::Text6},
};

constexpr Field kLumpField = {"lump", &MainWindowLogic::Txtlumpnum};
constexpr Field kCrcField = {"crc", &MainWindowLogic::Txtcrc};
constexpr Field kOwnerField = {"owner", &MainWindowLogic::Txtowner};

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

// Every byte of the sector's data as two upper-case hex digits, added to out.
void AppendHexDigits(std::string& out, const SectorBytes& bytes) {
    const std::size_t start = out.size();
    out.resize(start + 2 * static_cast<std::size_t>(bytes.Size()));
    char* p = out.data() + start;
    for (int k = 0; k < bytes.Size(); ++k) {
        const std::string_view pair = Hex2View(bytes[k]);
        *p++ = pair[0];
        *p++ = pair[1];
    }
}

// The word of a density in the JSON output.
std::string_view DensityWord(Density density) {
    switch (density) {
    case Density::Double:
        return "double";
    case Density::Dual:
        return "dual";
    case Density::None:
    case Density::Single:
        break;
    }
    return "single";
}

// The Newdos/80 drive parameters as {"TI": "E", "TD": "E", "TC": 40, ...}:
// numbers as numbers, letters as words.
Json Pdrive(const newdos::DriveParameters& p) {
    return {
        {"TI", std::string(TrimView(p.TI))},
        {"TD", p.TD},
        {"TC", p.TC},
        {"SPT", p.SPT},
        {"TSR", p.TSR},
        {"GPL", p.GPL},
        {"DDSL", p.DDSL},
        {"DDGA", p.DDGA},
    };
}

// The disk summary as the window shows it for an analysis, in the order of
// kDiskFields: the texts of a window that showed no image before (JV1 leaves
// the Newdos/80 field as it was).
std::array<std::string, std::size(kDiskFields)> SummaryTexts(const ImageAnalysis& a) {
    const bool newdos = a.driveParameters.has_value();
    return {
        LayoutName(a.layout),
        TracksText(a.tracks),
        DensityText(a.density),
        SidesText(a.sides),
        SectorsPerCylinderText(a.sectorsPerTrack, a.sides),
        newdos ? GranuleText(a.sectorsPerGranule) : std::string(),
        newdos && a.layout != Layout::JV1 ? kNewdosMarkerText : "",
    };
}

// One sector index as the sector display fills its fields, and as `sectors`
// prints them: the texts, or, for an index without a sector, the index and
// its type alone.
struct SectorLine {
    IndexedSector sector;
    bool directory = false;
    int sectorsOnTrack = 0;
};

SectorLine LineOf(const ImageAnalysis& a, std::int64_t index) {
    SectorLine line{a.At(index), false, 0};
    line.directory = ShownAsDirectory(a, line.sector);
    line.sectorsOnTrack = a.tables.SectorsOnTrack(line.sector.track);
    return line;
}

// The sector's field texts in the order of kSectorFields, as the window's
// boxes hold them, blanks trimmed.
std::array<std::string, std::size(kSectorFields)> FieldTexts(const SectorLine& line) {
    const IndexedSector& s = line.sector;
    if (!s.present) {
        // Where the sector would be: the track, side and number the index stands for.
        return {Dec(s.index), Dec(s.track), Dec(s.side), Dec(s.number), "", "", "missing", "", ""};
    }
    return {
        Dec(s.index),
        Dec(s.track),
        Dec(s.side),
        Dec(s.number),
        Dec(line.sectorsOnTrack),
        std::string(TrimView(DensityField(s))),
        line.directory ? kDirSectorType : kDataSectorType,
        Hex(static_cast<std::uint64_t>(s.dataMark & 0xFFFF)),
        Hex(static_cast<std::uint64_t>(s.dataPos)),
    };
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
    return static_cast<int>(std::max<std::int64_t>(window.logic.Analysis().indexes, 0));
}

void ShowSector(Window& window, std::int64_t index) {
    // Next Sec only adds one to PresSecnum and shows that sector; nothing it
    // shows depends on the sectors passed on the way, and every display
    // draws the same items over the ones before, so one display at the index
    // leaves the window as the steps would.
    MainWindowLogic& w = window.logic;
    if (index != w.PresSecnum) {
        w.PresSecnum = index;
        w.GetDispSector();
    }
}

void PrintInfo(std::ostream& out, const Window& window) {
    const ImageAnalysis& a = window.logic.Analysis();
    const auto texts = SummaryTexts(a);
    for (std::size_t k = 0; k < texts.size(); ++k) {
        out << kDiskFields[k].name << '\t' << TrimView(texts[k]) << '\n';
    }
    for (const std::string& line : NoticeLines(a)) {
        out << "notice\t" << TrimView(line) << '\n';
    }
    if (a.driveParameters) {
        out << "pdrive\t" << a.driveParameters->Text() << '\n';
    }
    out << "directory\t" << (a.directoryFound ? Dec(a.directoryStart) : "none") << '\n';
}

void PrintInfoJson(std::ostream& out, const Window& window) {
    const ImageAnalysis& a = window.logic.Analysis();
    const bool newdos = a.driveParameters.has_value();
    Json notices = Json::array();
    for (const std::string& line : NoticeLines(a)) {
        notices.push_back(TrimView(line));
    }
    WriteJson(out,
              {
                  {"format", LayoutName(a.layout)},
                  {"tracks", a.tracks},
                  {"density", DensityWord(a.density)},
                  {"sides", a.sides},
                  {"sectors_per_track", a.sectorsPerTrack},
                  {"sectors_per_cylinder", static_cast<std::int64_t>(a.sides) * a.sectorsPerTrack},
                  {"granule", newdos ? Json(a.sectorsPerGranule) : Json()},
                  {"newdos", newdos},
                  {"notices", std::move(notices)},
                  {"pdrive", newdos ? Pdrive(*a.driveParameters) : Json()},
                  {"directory", a.directoryFound ? Json(a.directoryStart) : Json()},
              });
    out << '\n';
}

void PrintSectors(std::ostream& out, const Window& window, bool data) {
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

    // Each line is built in the one string.
    const ImageAnalysis& a = window.logic.Analysis();
    for (std::int64_t index = 0; index < SectorCount(window); ++index) {
        const SectorLine sector = LineOf(a, index);
        const IndexedSector& s = sector.sector;
        line.clear();
        for (const std::string& text : FieldTexts(sector)) {
            line += text;
            line += '\t';
        }
        if (data) {
            if (s.present) {
                AppendHexDigits(line, SectorBytes(window.logic.Buffer(), s));
            }
            line += '\t';
        }
        if (s.present) {
            char size[24];
            line.append(size, std::to_chars(size, size + sizeof size, s.size).ptr);
            line += '\t';
            line += CrcWord(s.crc.id);
            line += '/';
            line += CrcWord(s.crc.data);
        } else {
            line += '\t';
        }
        line += '\n';
        out << line;
    }
}

void PrintSectorsJson(std::ostream& out, const Window& window, bool data) {
    // One sector's object at a time: with its bytes, the whole listing of a
    // large image would take a hundred times the file's size as one value.
    out << R"({"sectors":[)";
    std::string_view separator;
    const ImageAnalysis& a = window.logic.Analysis();
    for (std::int64_t index = 0; index < SectorCount(window); ++index) {
        const SectorLine line = LineOf(a, index);
        const IndexedSector& s = line.sector;
        Json sector = Json::object();
        sector["index"] = s.index;
        if (s.present) {
            sector["track"] = s.track;
            sector["side"] = s.side;
            sector["sector"] = s.number;
            sector["spt"] = line.sectorsOnTrack;
            sector["density"] = s.doubleDensity ? "double" : "single";
            sector["type"] = line.directory ? "directory" : "data";
            sector["dam"] = s.dataMark & 0xFFFF;
            sector["position"] = s.dataPos;
        } else {
            sector["track"] = s.track;
            sector["side"] = s.side;
            sector["sector"] = s.number;
            for (const char* name : {"spt", "density"}) {
                sector[name] = nullptr;
            }
            sector["type"] = "missing";
            sector["dam"] = nullptr;
            sector["position"] = nullptr;
        }
        sector["missing"] = !s.present;
        if (data) {
            std::string hex;
            if (s.present) {
                AppendHexDigits(hex, SectorBytes(window.logic.Buffer(), s));
            }
            sector["data"] = s.present ? Json(std::move(hex)) : Json();
        }
        sector["size"] = s.present ? Json(s.size) : Json();
        if (s.present) {
            sector["crc"] = {{"id", CrcWord(s.crc.id)}, {"data", CrcWord(s.crc.data)}};
        } else {
            sector["crc"] = nullptr;
        }
        out << separator;
        WriteJson(out, sector);
        separator = ",";
    }
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
    print(kOwnerField);
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
                        {"Txtowner", &w.Txtowner},
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
    "density, type, dam (the data address mark byte: FB, FA, F9 or F8; JV3\n"
    "the mark its flag bits stand for, JV1 FA on track 17 and FB elsewhere),\n"
    "position, size (bytes) and crc (ID/data, each\n"
    "good, bad or none where the image records none), separated by tabs.\n"
    "An index that no ID field or header entry describes has type \"missing\",\n"
    "the track, side and sector it stands for, and its other fields empty.\n"
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
