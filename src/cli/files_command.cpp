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
    case dos::Family::None:
        break;
    }
    return "none";
}

void PrintFiles(std::ostream& out, const dos::Disk& disk, bool all) {
    out << "dos\t" << disk.dos << '\n';
    out << "disk\t" << disk.diskName << '\t' << disk.diskDate << '\n';
    out << "free\t" << disk.freeGranules << " granules\t" << disk.freeBytes << " bytes\n";
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

void Address(JsonWriter& json, const dos::SectorAddress& a) {
    json.BeginArray().Number(a.track).Number(a.side).Number(a.sector).EndArray();
}

void PrintFilesJson(std::ostream& out, const dos::Disk& disk, bool all) {
    JsonWriter json(out);
    json.BeginObject();
    json.Key("family").String(FamilyWord(disk.family));
    json.Key("dos");
    disk.Recognised() ? json.String(disk.dos) : json.Null();
    json.Key("why");
    disk.Recognised() ? json.Null() : json.String(disk.why);
    json.Key("version").String(disk.version);
    json.Key("disk_name").String(disk.diskName);
    json.Key("disk_date").String(disk.diskDate);
    json.Key("free_granules").Number(disk.freeGranules);
    json.Key("free_bytes").Number(disk.freeBytes);
    json.Key("problems").BeginArray();
    for (const std::string& p : disk.problems) {
        json.String(p);
    }
    json.EndArray();
    json.Key("notices").BeginArray();
    for (const std::string& n : disk.notices) {
        json.String(n);
    }
    json.EndArray();
    json.Key("files").BeginArray();
    for (const dos::DirFile& f : disk.files) {
        if (!Listed(f, all)) {
            continue;
        }
        json.BeginObject();
        json.Key("name").String(f.name);
        json.Key("dec").Number(f.dec);
        json.Key("attributes").Number(f.attributes);
        json.Key("system").Bool(f.system);
        json.Key("invisible").Bool(f.invisible);
        json.Key("flag5").Bool(f.flag5);
        json.Key("protection").Number(f.protection);
        json.Key("lrl").Number(f.lrl);
        json.Key("size").Number(f.size);
        json.Key("ern").Number(f.ern);
        json.Key("eof").Number(f.eof);
        json.Key("date");
        f.date ? json.String(dos::DateText(*f.date)) : json.Null();
        json.Key("extents").BeginArray();
        for (const dos::Extent& x : f.extents) {
            json.BeginObject().Key("unit").Number(x.unit).Key("granule").Number(x.granule);
            json.Key("count").Number(x.count).EndObject();
        }
        json.EndArray();
        json.Key("first");
        f.sectors.empty() ? json.Null() : (Address(json, f.sectors.front()), json);
        json.Key("sectors").BeginArray();
        for (const dos::SectorAddress& a : f.sectors) {
            Address(json, a);
        }
        json.EndArray();
        json.Key("damage").BeginArray();
        for (const std::string& p : f.problems) {
            json.String(p);
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray().EndObject();
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
        *call.err << "sectorscope-cli: no TRSDOS 2.3, LDOS 5.x or NEWDOS/80 disk: " << disk.why
                  << '\n';
        return kExitMessage;
    }
    return kExitDone;
}

constexpr OptionSpec kFilesOptions[] = {
    {"--all", "", "lists system and invisible files too"},
};

} // namespace

const Command kFilesCommand{
    "files",
    "FILE",
    "The files on the disk's TRSDOS 2.3, LDOS 5.x or NEWDOS/80 directory:\n"
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
