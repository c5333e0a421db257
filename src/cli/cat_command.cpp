// sectorscope-cli cat IMAGE NAME [--as VIEW] [--json]: what a file of the
// disk's DOS directory holds, as the contents window shows it: a BASIC
// listing, text, a load map, a disassembly or hex.
#include "commands.h"
#include "contents/basic_listing.h"
#include "contents/disassembly.h"
#include "contents/file_view.h"
#include "contents/load_map.h"
#include "contents/plain_text.h"
#include "contents/shown_bytes.h"
#include "dos/dos_disk.h"
#include "dos_commands.h"
#include "json.h"
#include "surface/numtext.h"

#include <ostream>
#include <string>
#include <vector>

namespace ss::cli {

namespace {

using contents::View;

Json Addresses(const std::vector<dos::SectorAddress>& at) {
    Json list = Json::array();
    for (const dos::SectorAddress& a : at) {
        list.push_back(AddressJson(a));
    }
    return list;
}

Json ErrorValue(const std::string& error) {
    return error.empty() ? Json() : Json(error);
}

void AddListing(Json& out, std::span<const std::uint8_t> bytes) {
    const contents::BasicListing listing = contents::ListBasic(bytes);
    Json lines = Json::array();
    for (const contents::BasicLine& line : listing.lines) {
        lines.push_back({{"number", line.number}, {"text", contents::Shown(line.text)}});
    }
    out["lines"] = std::move(lines);
    out["error"] = ErrorValue(listing.error);
}

void AddLoadMap(Json& out, std::span<const std::uint8_t> bytes) {
    const contents::LoadMap map = contents::ReadLoadMap(bytes);
    Json blocks = Json::array();
    for (const contents::LoadRecord& r : map.records) {
        Json block = {{"type", r.type}};
        if (r.IsBlock()) {
            block["address"] = r.address;
        }
        block["length"] = r.length;
        block["offset"] = r.offset;
        if (r.IsBlock()) {
            block["overlaps"] = r.overlaps;
        }
        blocks.push_back(std::move(block));
    }
    out["blocks"] = std::move(blocks);
    out["transfer"] = map.transfer ? Json(*map.transfer) : Json();
    out["name"] = contents::Shown(map.name);
    out["copyright"] = contents::Shown(map.copyright);
    out["after_transfer"] = map.trailing;
    out["error"] = ErrorValue(map.error);
}

void AddDisassembly(Json& out, std::span<const std::uint8_t> bytes) {
    const contents::LoadMap map = contents::ReadLoadMap(bytes);
    Json lines = Json::array();
    for (const contents::DisassemblyLine& line : contents::Disassemble(map, bytes)) {
        std::string hex;
        for (int k = 0; k < line.length; ++k) {
            hex += Hex2View(line.bytes[static_cast<std::size_t>(k)]);
        }
        lines.push_back(
            {{"address", line.address}, {"bytes", hex}, {"text", line.text}, {"code", line.code}});
    }
    out["lines"] = std::move(lines);
    out["error"] = ErrorValue(map.error);
}

// The file's contents as one JSON object: the file, the view, what the view
// reads, the damage.
Json ContentsJson(const dos::DirFile& file, const dos::FileBytes& content, View view, bool cpm) {
    const std::span<const std::uint8_t> bytes(content.bytes);
    Json out = {{"file", file.name}, {"view", contents::ViewWord(view)}, {"size", bytes.size()}};
    switch (view) {
    case View::Listing:
        AddListing(out, bytes);
        break;
    case View::LoadMap:
        AddLoadMap(out, bytes);
        break;
    case View::Disassembly:
        AddDisassembly(out, bytes);
        break;
    case View::Text: {
        Json lines = Json::array();
        for (const std::string& line : contents::ReadText(bytes, cpm).lines) {
            lines.push_back(contents::Shown(line));
        }
        out["lines"] = std::move(lines);
        out["error"] = nullptr;
        break;
    }
    case View::Hex: {
        std::string hex;
        for (const std::uint8_t b : bytes) {
            hex += Hex2View(b);
        }
        out["hex"] = std::move(hex);
        out["error"] = nullptr;
        break;
    }
    }
    out["damage"] = {{"missing", Addresses(content.missing)},
                     {"crc_errors", Addresses(content.crcErrors)},
                     {"problems", file.problems}};
    return out;
}

int RunCat(const Invocation& call) {
    const std::string asked = call.Value("--as").value_or("auto");
    const std::optional<View> chosen = contents::ViewOfWord(asked);
    if (!chosen && asked != "auto") {
        throw UsageError{"--as takes auto, basic, text, cmd, disasm or hex, not " + asked};
    }
    // An image that cannot be opened, read as an image or holds no directory
    // gives no file to show: the same status as a file that cannot be opened.
    Window window;
    const Opened opened = OpenImage(window, call.operands[0]);
    if (opened.outcome == OpenOutcome::CannotOpen) {
        *call.err << "sectorscope-cli: " << opened.message << '\n';
        return kExitUsage;
    }
    if (opened.outcome == OpenOutcome::Refused) {
        PrintMessageText(*call.err, opened.message);
        return kExitUsage;
    }
    const dos::Disk& disk = window.logic.DosDisk();
    if (!disk.Recognised()) {
        *call.err << "sectorscope-cli: " << kNoDos << disk.why << '\n';
        return kExitUsage;
    }
    const dos::DirFile* file = FileNamed(disk, call.operands[1], *call.err);
    if (file == nullptr) {
        return kExitUsage;
    }
    const dos::FileBytes content = dos::ReadFile(*window.logic.Sectors(), *file);
    const bool cpm = disk.family == dos::Family::Cpm;
    const View view = chosen.value_or(contents::AutoView(content.bytes, cpm));

    std::string error;
    if (call.json) {
        const Json out = ContentsJson(*file, content, view, cpm);
        error = out["error"].is_null() ? "" : out["error"].get<std::string>();
        WriteJson(*call.out, out);
        *call.out << '\n';
    } else {
        const contents::ViewText shown = contents::ShowAs(view, content.bytes, cpm);
        std::string text;
        for (const std::string& line : shown.lines) {
            text += line;
            text += '\n';
        }
        *call.out << text;
        error = shown.error;
    }
    // The damage first: it is often why the file does not read.
    const bool damaged = PrintDamage(*call.err, *file, content, "shown");
    if (!error.empty()) {
        *call.err << "sectorscope-cli: " << file->name << ": " << error << '\n';
    }
    return damaged || !error.empty() ? kExitMessage : kExitDone;
}

constexpr OptionSpec kCatOptions[] = {
    {"--as", "VIEW",
     "auto (the default), basic, text, cmd, disasm or hex; auto\n"
     "is basic for a BASIC program, cmd for a load module, text\n"
     "when mostly printable, else hex"},
};

} // namespace

const Command kCatCommand{
    "cat",
    "FILE NAME",
    "What the file NAME of the disk's DOS directory (named as for extract)\n"
    "holds, as the contents window shows it: the listing of a BASIC program\n"
    "(\"10 PRINT X\"), text, the load map of a /CMD load module (one line a\n"
    "record: offset, type, load address, last address, bytes, the earlier\n"
    "records it writes over; name, copyright, transfer address, bytes after\n"
    "it), its Z80 disassembly followed from the transfer address and each\n"
    "block's start (\"5200  21 00 3C     LD HL,3C00H\", bytes no path reaches\n"
    "as DB), or hex. Bytes outside printable ASCII are written {XX}.\n"
    "Exits 1 when the file is damaged or does not read as the view asks,\n"
    "saying why (and which sectors) on stderr; 2 when there is no file to\n"
    "show: the image cannot be opened or read, holds no DOS directory, or\n"
    "NAME names no file or several.\n"
    "With --json: {\"file\", \"view\", \"size\", then for basic \"lines\":\n"
    "[{\"number\", \"text\"}], for cmd \"blocks\": [{\"type\", \"address\",\n"
    "\"length\", \"offset\", \"overlaps\"}], \"transfer\", \"name\", \"copyright\",\n"
    "\"after_transfer\", for disasm \"lines\": [{\"address\", \"bytes\", \"text\",\n"
    "\"code\"}], for text \"lines\": [...], for hex \"hex\"; \"error\", \"damage\":\n"
    "{\"missing\", \"crc_errors\", \"problems\"}}.",
    kCatOptions,
    kJsonOnly,
    RunCat};

} // namespace ss::cli
