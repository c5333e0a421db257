// sectorscope-cli files IMAGE [--all] [--json]: the disk's DOS, name, date and
// free space, then one line a file.
#include "commands.h"
#include "dos/dos_disk.h"
#include "dos_commands.h"
#include "json.h"

#include <ostream>
#include <string>

namespace ss::cli {

namespace {

bool Listed(const dos::DirFile& f, bool all) {
    return all || (!f.system && !f.invisible);
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string s;
    for (const std::string& p : parts) {
        s += (s.empty() ? "" : "; ") + p;
    }
    return s;
}

const char* FamilyWord(dos::Family family) {
    switch (family) {
    case dos::Family::Trsdos23:
        return "trsdos23";
    case dos::Family::Ldos5:
        return "ldos5";
    case dos::Family::Newdos80:
        return "newdos80";
    case dos::Family::Dosplus:
        return "dosplus3";
    case dos::Family::Trsdos13:
        return "trsdos13";
    case dos::Family::Cpm:
        return "cpm";
    case dos::Family::None:
        break;
    }
    return "none";
}

void PrintFiles(std::ostream& out, const dos::Disk& disk, bool all) {
    out << "dos\t" << disk.dos << '\n';
    out << "disk\t" << disk.diskName << '\t' << disk.diskDate << '\n';
    out << "free\t" << disk.freeGranules << ' ' << disk.freeUnit << '\t' << disk.freeBytes
        << " bytes\n";
    for (const std::string& p : disk.problems) {
        out << "problem\t" << p << '\n';
    }
    for (const std::string& n : disk.notices) {
        out << "notice\t" << n << '\n';
    }
    out << "name\tattributes\tsize\ttrack\tside\tsector\tdamage\n";
    for (const dos::DirFile& f : disk.files) {
        if (!Listed(f, all)) {
            continue;
        }
        out << f.name << '\t' << dos::AttributeText(f) << '\t' << f.size << '\t';
        if (f.sectors.empty()) {
            out << "\t\t";
        } else {
            const dos::SectorAddress& a = f.sectors.front();
            out << a.track << '\t' << a.side << '\t' << a.sector;
        }
        out << '\t' << Joined(f.problems) << '\n';
    }
}

Json FileJson(const dos::DirFile& f) {
    Json extents = Json::array();
    for (const dos::Extent& x : f.extents) {
        extents.push_back({{"unit", x.unit}, {"granule", x.granule}, {"count", x.count}});
    }
    Json sectors = Json::array();
    for (const dos::SectorAddress& a : f.sectors) {
        sectors.push_back(AddressJson(a));
    }
    Json file = {
        {"name", f.name},
        {"dec", f.dec},
        {"attributes", f.attributes},
        {"system", f.system},
        {"invisible", f.invisible},
        {"flag5", f.flag5},
        {"protection", f.protection},
        {"lrl", f.lrl},
        {"size", f.size},
        {"ern", f.ern},
        {"eof", f.eof},
        {"date", f.date ? Json(dos::DateText(*f.date)) : Json()},
        {"extents", std::move(extents)},
        {"first", f.sectors.empty() ? Json() : AddressJson(f.sectors.front())},
        {"sectors", std::move(sectors)},
        {"damage", f.problems},
    };
    // CP/M files: their user number and the attributes CP/M has.
    if (f.user >= 0) {
        file["user"] = f.user;
        file["read_only"] = f.readOnly;
        file["archived"] = f.archived;
    }
    return file;
}

void PrintFilesJson(std::ostream& out, const dos::Disk& disk, bool all) {
    Json files = Json::array();
    for (const dos::DirFile& f : disk.files) {
        if (Listed(f, all)) {
            files.push_back(FileJson(f));
        }
    }
    Json listing = {
        {"family", FamilyWord(disk.family)},
        {"dos", disk.Recognised() ? Json(disk.dos) : Json()},
        {"why", disk.Recognised() ? Json() : Json(disk.why)},
        {"version", disk.version},
        {"disk_name", disk.diskName},
        {"disk_date", disk.diskDate},
        {"free_granules", disk.freeGranules},
        {"free_bytes", disk.freeBytes},
    };
    // CP/M counts its free space in blocks.
    if (disk.freeUnit != "granules") {
        listing["free_unit"] = disk.freeUnit;
    }
    listing["problems"] = disk.problems;
    listing["notices"] = disk.notices;
    listing["files"] = std::move(files);
    WriteJson(out, listing);
    out << '\n';
}

int RunFiles(const Invocation& call) {
    Window window;
    if (const auto status = OpenForCommand(window, call.operands[0], *call.err, true)) {
        return *status;
    }
    const dos::Disk& disk = window.logic.DosDisk();
    const bool all = call.Has("--all");
    call.json ? PrintFilesJson(*call.out, disk, all) : PrintFiles(*call.out, disk, all);
    if (!disk.Recognised()) {
        *call.err << "sectorscope-cli: " << kNoDos << disk.why << '\n';
        return kExitMessage;
    }
    return kExitDone;
}

constexpr OptionSpec kFilesOptions[] = {
    {"--all", "", "lists system and invisible files too"},
};

} // namespace

Json AddressJson(const dos::SectorAddress& a) {
    return Json::array({a.track, a.side, a.sector});
}

const Command kFilesCommand{
    "files",
    "FILE",
    "The files on the disk's TRSDOS 1.3 or 2.3, LDOS, DOSPLUS, NEWDOS/80 or\n"
    "CP/M directory:\n"
    "\"dos\", \"disk\" (name, date) and \"free\" lines, a \"problem\" line for each\n"
    "unreadable directory sector, a \"notice\" line where the GAT disagrees\n"
    "with the sectors present (the sectors are followed), a header, then\n"
    "one line a file: name, attributes (S system, I invisible, * bit 5,\n"
    "protection level), size in bytes, first track, side and sector, and its\n"
    "damage. Exits 1 when the disk holds none of these directories.\n"
    "With --json: {\"family\", \"dos\", \"why\", \"version\", \"disk_name\",\n"
    "\"disk_date\", \"free_granules\", \"free_bytes\", \"problems\", \"notices\",\n"
    "\"files\": [...]}.",
    kFilesOptions,
    kJsonOnly,
    RunFiles};

} // namespace ss::cli
