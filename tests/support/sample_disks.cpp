#include "support/sample_disks.h"

#include "image/newdos.h"
#include "support/image_builder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace ss::testimg {

namespace {

constexpr std::uint8_t kFiller = 0xE5; // what the format program leaves in every sector

std::uint8_t Lo(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

// A small deterministic generator so the samples come out the same every time.
class Lcg {
  public:
    explicit Lcg(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    std::uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

  private:
    std::uint32_t state_;
};

std::uint32_t Seed(const std::string& s) {
    std::uint32_t h = 2166136261u;
    for (char c : s)
        h = (h ^ static_cast<std::uint8_t>(c)) * 16777619u;
    return h;
}

// ---------------------------------------------------------------- file contents

enum class Kind { Code, Basic, Text };

// Machine code as a load module: a module-name record, then load records of
// 128 bytes (01 len addr_lo addr_hi data...), then the entry record.
std::vector<std::uint8_t> CodeFile(const std::string& name, std::size_t target) {
    static const std::uint8_t ops[] = {0x21, 0x3E, 0xCD, 0xC9, 0x7E, 0x23, 0x10, 0xFE, 0x20,
                                       0x28, 0x18, 0xE5, 0xD5, 0xC5, 0xE1, 0xD1, 0xC1, 0x77,
                                       0x2B, 0x0D, 0x11, 0x01, 0xC3, 0x3A, 0x32, 0xB7, 0xAF};
    static const char* const messages[] = {
        "DISK BASIC VER 2.0", "FILE NOT FOUND",          "EDITOR ASSEMBLER", "READY",
        "DISK ERROR",         "PRESS ENTER TO CONTINUE", "PROGRAM NOT FOUND"};
    Lcg rng(Seed(name));
    std::vector<std::uint8_t> out;
    std::string shortName = name.substr(0, name.find(' '));
    out.push_back(0x05);
    out.push_back(Lo(static_cast<int>(shortName.size())));
    out.insert(out.end(), shortName.begin(), shortName.end());

    int addr = 0x5200;
    while (out.size() + 130 + 4 <= target) {
        out.push_back(0x01);
        out.push_back(0x82); // 128 data bytes plus the two address bytes
        out.push_back(Lo(addr));
        out.push_back(Lo(addr >> 8));
        std::vector<std::uint8_t> block;
        while (block.size() < 128) {
            const int what = rng.Below(20);
            if (what == 0) {
                // A message whose last letter has bit 7 set, as print loops expect.
                std::string m = messages[rng.Below(7)];
                for (std::size_t i = 0; i < m.size(); ++i)
                    block.push_back(static_cast<std::uint8_t>(m[i]) |
                                    (i + 1 == m.size() ? 0x80 : 0x00));
            } else if (what == 1) {
                block.insert(block.end(), 6 + static_cast<std::size_t>(rng.Below(10)), 0x00);
            } else {
                block.push_back(ops[rng.Below(static_cast<int>(sizeof ops))]);
                if (what < 10)
                    block.push_back(Lo(static_cast<int>(rng.Next())));
                if (what < 5)
                    block.push_back(Lo(0x52 + rng.Below(0x20)));
            }
        }
        block.resize(128);
        out.insert(out.end(), block.begin(), block.end());
        addr += 128;
    }
    out.insert(out.end(), {0x02, 0x02, 0x00, 0x52});
    return out;
}

// A BASIC program saved as an ASCII listing, one line per carriage return.
std::vector<std::uint8_t> BasicFile(const std::string& name, std::size_t target) {
    static const char* const body[] = {
        "CLS: PRINT @ 10, \"%s\"",
        "CLEAR 1000: DEFINT I-N",
        "INPUT \"EMPLOYEE NAME\";N$",
        "INPUT \"HOURS WORKED\";H",
        "IF H>40 THEN P=(H-40)*R*1.5+40*R ELSE P=H*R",
        "PRINT N$;TAB(20);USING \"$$###.##\";P",
        "FOR I=1 TO 10: READ A$(I): NEXT I",
        "OPEN \"O\",1,\"DATA/DAT\": PRINT #1,N$;\",\";P: CLOSE 1",
        "IF INKEY$=\"\" THEN %d",
        "GOSUB %d",
        "RETURN",
        "DATA MONDAY,TUESDAY,WEDNESDAY,THURSDAY,FRIDAY",
        "SET(X,Y): X=X+1: IF X>127 THEN X=0: Y=Y+1",
        "GOTO %d",
    };
    Lcg rng(Seed(name));
    std::string title = name.substr(0, name.find(' '));
    std::string text;
    int line = 10;
    text += std::to_string(line) + " REM *** " + title + " ***\r";
    while (text.size() + 64 < target) {
        line += 10;
        std::string l = body[rng.Below(static_cast<int>(sizeof body / sizeof body[0]))];
        const std::size_t s = l.find("%s");
        if (s != std::string::npos)
            l.replace(s, 2, title);
        const std::size_t d = l.find("%d");
        if (d != std::string::npos)
            l.replace(d, 2, std::to_string(10 + 10 * rng.Below(line / 10)));
        text += std::to_string(line) + " " + l + "\r";
    }
    return {text.begin(), text.end()};
}

// Plain text, lines ending in a carriage return.
std::vector<std::uint8_t> TextFile(const std::string& name, std::size_t target) {
    static const char* const lines[] = {
        "DEAR MR. HARRIS,",
        "THANK YOU FOR YOUR ORDER OF THE 12TH. THE DISKS WILL BE SHIPPED",
        "BY THE END OF THE MONTH, TOGETHER WITH THE MANUALS YOU ASKED FOR.",
        "THE PRICE LIST IS ENCLOSED. PLEASE NOTE THE NEW ADDRESS.",
        "IF YOU HAVE ANY QUESTIONS, DO NOT HESITATE TO CALL.",
        "",
        "SINCERELY,",
    };
    Lcg rng(Seed(name));
    std::string text;
    std::size_t i = 0;
    while (text.size() + 70 < target) {
        text += lines[i % (sizeof lines / sizeof lines[0])];
        text += '\r';
        i += 1 + static_cast<std::size_t>(rng.Below(2));
    }
    return {text.begin(), text.end()};
}

// ---------------------------------------------------------------- the sample DOS

struct FileInfo {
    const char* name; // 8 characters, blank padded
    const char* ext;  // 3 characters
    std::uint8_t attr;
    Kind kind;
    std::uint16_t updatePw;
    std::uint16_t accessPw;
};

enum FileId { Boot, Dir, Sys0, Sys1, Basic, OldGame, Edtasm, Superzap, Letter, Payroll, Advent };

constexpr std::uint16_t kBlankPw = 0x4296; // hash of an all-blank password
constexpr std::uint16_t kSysPw = 0xEF5C;

const FileInfo kFiles[] = {
    {"BOOT    ", "SYS", 0x5E, Kind::Code, kSysPw, kSysPw},
    {"DIR     ", "SYS", 0x5E, Kind::Code, kSysPw, kSysPw},
    {"SYS0    ", "SYS", 0x5E, Kind::Code, kSysPw, kSysPw},
    {"SYS1    ", "SYS", 0x5E, Kind::Code, kSysPw, kSysPw},
    {"BASIC   ", "CMD", 0x10, Kind::Code, kBlankPw, kBlankPw},
    {"OLDGAME ", "BAS", 0x00, Kind::Basic, 0x317F, kBlankPw}, // deleted
    {"EDTASM  ", "CMD", 0x10, Kind::Code, kBlankPw, kBlankPw},
    {"SUPERZAP", "CMD", 0x10, Kind::Code, kBlankPw, kBlankPw},
    {"LETTER  ", "TXT", 0x10, Kind::Text, 0xD17F, kBlankPw},
    {"PAYROLL ", "BAS", 0x10, Kind::Basic, kBlankPw, kBlankPw},
    {"ADVENT  ", "CMD", 0x10, Kind::Code, kBlankPw, kBlankPw},
};
constexpr int kFileCount = static_cast<int>(sizeof kFiles / sizeof kFiles[0]);

// The order files were written to the disk, in granules; BASIC/CMD was
// rewritten several times and ended up in six pieces.
const std::pair<FileId, int> kAllocation[] = {
    {Sys0, 3},  {Sys1, 1},   {Basic, 2}, {Edtasm, 3},  {Basic, 2}, {OldGame, 2}, {Superzap, 2},
    {Basic, 1}, {Letter, 1}, {Basic, 1}, {Payroll, 2}, {Basic, 1}, {Advent, 4},  {Basic, 1},
};

// Where each file's entry sits in the directory: entry sector index, slot.
struct Slot {
    int file; // FileId, or -1 for the extension entry of BASIC/CMD
    int sector;
    int slot;
};
const Slot kSlots[] = {
    {Boot, 0, 0},   {Dir, 0, 1},     {Sys0, 0, 2},
    {Sys1, 0, 3},   {Basic, 0, 4},   /* 0, 5 free */ {OldGame, 0, 6},
    {-1, 0, 7},     {Edtasm, 1, 0},  {Superzap, 1, 1},
    {Letter, 1, 2}, {Payroll, 1, 3}, {Advent, 1, 4},
};

int Dec(int sector, int slot) {
    return (slot << 5) | sector;
}

// The file-name hash kept in the hash index table.
std::uint8_t NameHash(const std::uint8_t* name11) {
    std::uint8_t h = 0;
    for (int i = 0; i < 11; ++i) {
        h ^= name11[i];
        h = static_cast<std::uint8_t>((h << 1) | (h >> 7));
    }
    return h == 0 ? 1 : h;
}

struct Extent {
    int granule; // counted from track 0 granule 0
    int count;
};

class SampleDos {
  public:
    explicit SampleDos(const SampleDosGeometry& g) : g_(g) {
        gpt_ = g.sectorsPerTrack / g.sectorsPerGranule;
        if (gpt_ < 1 || gpt_ > 8 || g.tracks > 96 || g.dirEntrySectors > 32 ||
            g.dirEntrySectors + 2 > g.sectorsPerTrack)
            throw std::runtime_error("sample disk geometry out of range");
        owner_.assign(static_cast<std::size_t>(g.tracks * gpt_), -1);
        extents_.resize(kFileCount);

        // Track 0 belongs to the boot file, the directory track to DIR/SYS.
        extents_[Boot].push_back({0, gpt_});
        extents_[Dir].push_back({g.dirTrack * gpt_, gpt_});
        for (int i = 0; i < gpt_; ++i) {
            owner_[static_cast<std::size_t>(i)] = Boot;
            owner_[static_cast<std::size_t>(g.dirTrack * gpt_ + i)] = Dir;
        }
        int next = gpt_; // track 1, granule 0
        for (const auto& [file, count] : kAllocation) {
            const int dirStart = g.dirTrack * gpt_;
            if (next < dirStart + gpt_ && next + count > dirStart)
                next = dirStart + gpt_;
            if (next + count > g.tracks * gpt_)
                throw std::runtime_error("sample files do not fit on the disk");
            extents_[file].push_back({next, count});
            for (int i = 0; i < count; ++i)
                owner_[static_cast<std::size_t>(next + i)] = file;
            next += count;
        }

        const std::size_t sectorBytes = 256;
        contents_.resize(kFileCount);
        for (int f = 0; f < kFileCount; ++f) {
            if (f == Boot || f == Dir)
                continue;
            int granules = 0;
            for (const Extent& e : extents_[f])
                granules += e.count;
            const std::size_t room =
                static_cast<std::size_t>(granules * g.sectorsPerGranule) * sectorBytes;
            // Leave most of the last granule's last sector unused, as real files do.
            const std::size_t target = room - sectorBytes / 2 - (static_cast<std::size_t>(f) * 13);
            const std::string name = std::string(kFiles[f].name) + kFiles[f].ext;
            switch (kFiles[f].kind) {
            case Kind::Code:
                contents_[f] = CodeFile(name, target);
                break;
            case Kind::Basic:
                contents_[f] = BasicFile(name, target);
                break;
            case Kind::Text:
                contents_[f] = TextFile(name, target);
                break;
            }
        }
        BuildDirectory();
    }

    const std::vector<std::vector<std::uint8_t>>& Directory() const { return dir_; }

    // The 256 bytes of logical sector `sector` (counted across both sides of a
    // cylinder) of track `track`.
    std::vector<std::uint8_t> Sector(int track, int sector) const {
        if (track == 0)
            return BootTrackSector(sector);
        if (track == g_.dirTrack)
            return sector < static_cast<int>(dir_.size()) ? dir_[static_cast<std::size_t>(sector)]
                                                          : Filler();
        const int gInTrack = sector / g_.sectorsPerGranule;
        if (track < 0 || track >= g_.tracks || gInTrack >= gpt_)
            return Filler();
        const int granule = track * gpt_ + gInTrack;
        const int f = owner_[static_cast<std::size_t>(granule)];
        if (f < 0)
            return Filler();
        int index = 0; // sector number within the file
        for (const Extent& e : extents_[f]) {
            if (granule >= e.granule && granule < e.granule + e.count) {
                index +=
                    (granule - e.granule) * g_.sectorsPerGranule + sector % g_.sectorsPerGranule;
                break;
            }
            index += e.count * g_.sectorsPerGranule;
        }
        const std::vector<std::uint8_t>& c = contents_[static_cast<std::size_t>(f)];
        const std::size_t from = static_cast<std::size_t>(index) * 256;
        if (from >= c.size())
            return Filler();
        std::vector<std::uint8_t> out(256, 0x00);
        std::memcpy(out.data(), c.data() + from, std::min<std::size_t>(256, c.size() - from));
        return out;
    }

  private:
    static std::vector<std::uint8_t> Filler() { return std::vector<std::uint8_t>(256, kFiller); }

    std::vector<std::uint8_t> BootTrackSector(int sector) const {
        std::vector<std::uint8_t> code = CodeFile("BOOT" + std::to_string(sector), 600);
        std::vector<std::uint8_t> out(code.begin() + 8, code.begin() + 8 + 256);
        if (sector == 0) {
            // The boot loader: 00 FE then the directory track, then code that
            // reads the system in, and its complaint when there is none.
            static const std::uint8_t head[] = {0x00, 0xFE, 0x00, 0xF3, 0x31, 0xE0, 0x41,
                                                0x3E, 0x01, 0xD3, 0xF4, 0x21, 0x00, 0x43};
            std::memcpy(out.data(), head, sizeof head);
            out[2] = Lo(g_.dirTrack);
            static const char msg[] = "NO SYSTEM";
            std::memcpy(out.data() + 0xE0, msg, sizeof msg - 1);
            out[0xE0 + sizeof msg - 2] |= 0x80;
        }
        return out;
    }

    void PutEntry(std::vector<std::uint8_t>& sec, int slot, int f, int fxdeDec) const {
        std::uint8_t* e = sec.data() + slot * 32;
        const FileInfo& info = kFiles[f];
        const std::vector<Extent>& ext = extents_[static_cast<std::size_t>(f)];
        int records = 0;
        int eof = 0;
        if (f == Boot || f == Dir) {
            records = (f == Dir ? static_cast<int>(dir_.size()) : g_.sectorsPerTrack);
        } else {
            const std::size_t size = contents_[static_cast<std::size_t>(f)].size();
            records = static_cast<int>((size + 255) / 256);
            eof = static_cast<int>(size % 256);
        }
        e[0] = info.attr;
        e[1] = 0x00;
        e[2] = Lo(0x40 | (f % 12)); // month and year the file was written
        e[3] = Lo(eof);
        e[4] = 0x00; // record length 256
        std::memcpy(e + 5, info.name, 8);
        std::memcpy(e + 13, info.ext, 3);
        e[16] = Lo(info.updatePw);
        e[17] = Lo(info.updatePw >> 8);
        e[18] = Lo(info.accessPw);
        e[19] = Lo(info.accessPw >> 8);
        e[20] = Lo(records);
        e[21] = Lo(records >> 8);
        std::memset(e + 22, 0xFF, 10);
        // Four extents fit in the entry; more go to an extension entry, linked
        // from the fifth pair (0xFE, its directory entry code).
        const std::size_t inEntry = ext.size() > 5 ? 4 : ext.size();
        for (std::size_t i = 0; i < inEntry; ++i)
            PutExtent(e + 22 + i * 2, ext[i]);
        if (ext.size() > 5) {
            e[30] = 0xFE;
            e[31] = Lo(fxdeDec);
        }
    }

    void PutExtent(std::uint8_t* p, const Extent& x) const {
        p[0] = Lo(x.granule / gpt_);
        p[1] = Lo(((x.granule % gpt_) << 5) | (x.count - 1));
    }

    void BuildDirectory() {
        const std::size_t n = static_cast<std::size_t>(2 + g_.dirEntrySectors);
        dir_.assign(n, std::vector<std::uint8_t>(256, 0x00));

        // Entry sectors: free entries are zero with unused extents (0xFF).
        for (std::size_t s = 2; s < n; ++s)
            for (int slot = 0; slot < 8; ++slot)
                std::memset(dir_[s].data() + slot * 32 + 22, 0xFF, 10);
        int basicDec = 0, fxdeDec = 0;
        for (const Slot& sl : kSlots) {
            if (sl.file == Basic)
                basicDec = Dec(sl.sector, sl.slot);
            if (sl.file < 0)
                fxdeDec = Dec(sl.sector, sl.slot);
        }
        std::vector<std::uint8_t>& hit = dir_[1];
        for (const Slot& sl : kSlots) {
            std::vector<std::uint8_t>& sec = dir_[static_cast<std::size_t>(2 + sl.sector)];
            if (sl.file >= 0) {
                PutEntry(sec, sl.slot, sl.file, fxdeDec);
                if (kFiles[sl.file].attr & 0x10)
                    hit[static_cast<std::size_t>(Dec(sl.sector, sl.slot))] =
                        NameHash(sec.data() + sl.slot * 32 + 5);
            } else {
                // Extension entry: the remaining extents of BASIC/CMD.
                std::uint8_t* e = sec.data() + sl.slot * 32;
                e[0] = 0x90;
                e[1] = Lo(basicDec);
                const std::vector<Extent>& ext = extents_[Basic];
                for (std::size_t i = 4; i < ext.size() && i < 9; ++i)
                    PutExtent(e + 22 + (i - 4) * 2, ext[i]);
            }
        }

        // Granule allocation table: one byte per track, a set bit per granule
        // in use; bits for granules a track does not have are set as well.
        std::vector<std::uint8_t>& gat = dir_[0];
        const std::uint8_t absent = Lo(0xFF << gpt_);
        std::memset(gat.data(), 0xFF, 0x60);
        std::memset(gat.data() + 0x60, 0xFF, 0x60);
        for (int t = 0; t < g_.tracks; ++t) {
            std::uint8_t used = absent;
            for (int i = 0; i < gpt_; ++i) {
                const int f = owner_[static_cast<std::size_t>(t * gpt_ + i)];
                if (f >= 0 && (kFiles[f].attr & 0x10))
                    used = Lo(used | (1 << i));
            }
            gat[static_cast<std::size_t>(t)] = used;
            gat[static_cast<std::size_t>(0x60 + t)] = absent; // lockout table
        }
        gat[0xCE] = 0xE0; // master password hash
        gat[0xCF] = 0x42;
        std::memcpy(gat.data() + 0xD0, "SAMPLE  ", 8);
        std::memcpy(gat.data() + 0xD8, "04/12/83", 8);
        std::memcpy(gat.data() + 0xE0, "BASIC\r", 6);
    }

    SampleDosGeometry g_;
    int gpt_ = 0;
    std::vector<int> owner_; // file of each granule, -1 free
    std::vector<std::vector<Extent>> extents_;
    std::vector<std::vector<std::uint8_t>> contents_;
    std::vector<std::vector<std::uint8_t>> dir_;
};

// Interleaved on-track order of 18 double-density sectors.
const std::vector<int> kInterleave18 = {0, 6, 12, 1, 7,  13, 2, 8,  14,
                                        3, 9, 15, 4, 10, 16, 5, 11, 17};

} // namespace

std::vector<std::vector<std::uint8_t>> SampleDirectory(const SampleDosGeometry& geometry) {
    return SampleDos(geometry).Directory();
}

std::vector<std::uint8_t> SamplePdriveSector(const std::array<std::uint8_t, 10>& drive0) {
    std::vector<std::uint8_t> sec(256, 0x00);
    // Drive 0 as given; the others set up for common drives: 35 and 40 track
    // single density, 40 and 80 track double density on two sides.
    static const std::array<std::uint8_t, 10> others[] = {
        {17, 0, 0x14, 35, 10, 2, 0, 0, 0, 2},
        {17, 0, 0x14, 40, 10, 2, 0, 0, 0, 2},
        {17, 0, 0x24, 40, 36, 2, 0, 0, 0, 2},
        {17, 0, 0x34, 80, 36, 2, 0, 0, 0, 2},
    };
    std::memcpy(sec.data(), drive0.data(), 10);
    for (int d = 1; d < 10; ++d)
        std::memcpy(sec.data() + d * 10, others[(d - 1) % 4].data(), 10);
    sec[newdos::kPdriveMarkerOffset] = newdos::kPdriveMarker;
    return sec;
}

std::vector<std::uint8_t> SampleJv1() {
    SampleDosGeometry g; // 35 tracks, 10 sectors, 2 granules of 5
    const SampleDos dos(g);
    const std::vector<std::uint8_t> pdrive =
        SamplePdriveSector({17, 0, 0x14, 40, 10, 2, 0, 0, 0, 2});
    return MakeJv1(g.tracks, [&](int track, int sector, std::uint8_t* data) {
        const std::vector<std::uint8_t> s =
            (track == 0 && sector == 2) ? pdrive : dos.Sector(track, sector);
        std::memcpy(data, s.data(), 256);
    });
}

std::vector<std::uint8_t> SampleDmk() {
    SampleDosGeometry g;
    g.tracks = 40;
    g.sectorsPerTrack = 36; // both sides of a cylinder
    g.sectorsPerGranule = 6;
    g.dirEntrySectors = 16;
    const SampleDos dos(g);
    const std::vector<std::uint8_t> pdrive =
        SamplePdriveSector({17, 0, 0x24, 40, 36, 2, 0, 0, 0, 2});

    std::vector<DmkTrack> records = DmkStandardTracks(40, 2, 18, true, 0, kInterleave18);
    for (DmkTrack& t : records) {
        for (DmkSector& s : t.sectors) {
            const bool dir = s.track == g.dirTrack && s.side == 0;
            s.dam = dir ? dmk::kMarkDirectoryF8 : dmk::kMarkData;
            s.data = (s.track == 0 && s.side == 0 && s.sector == 2)
                         ? pdrive
                         : dos.Sector(s.track, s.side * 18 + s.sector);
        }
    }
    return MakeDmk(records).bytes;
}

std::vector<std::uint8_t> SampleJv3() {
    SampleDosGeometry g;
    g.tracks = 40;
    g.sectorsPerTrack = 18;
    g.sectorsPerGranule = 6;
    g.dirEntrySectors = 16;
    const SampleDos dos(g);

    std::vector<Jv3Entry> entries;
    for (int s = 0; s < 10; ++s) {
        Jv3Entry e;
        e.track = 0;
        e.sector = s;
        e.data = dos.Sector(0, s);
        entries.push_back(std::move(e));
    }
    for (int t = 1; t < g.tracks; ++t) {
        for (int s : kInterleave18) {
            Jv3Entry e;
            e.track = t;
            e.sector = s;
            e.doubleDensity = true;
            e.dirMark = t == g.dirTrack;
            e.data = dos.Sector(t, s);
            entries.push_back(std::move(e));
        }
    }
    return MakeJv3(entries);
}

} // namespace ss::testimg
