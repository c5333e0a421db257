#include "support/dos_disks.h"

#include "support/image_builder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace ss::testimg {

namespace {

constexpr std::uint8_t kFiller = 0xE5;
constexpr int kSectorBytes = 256;
constexpr int kEntry = 32;
constexpr std::uint8_t kSystemFile = 0x5E; // system, in use, invisible, protection 6

std::uint8_t Lo(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

// The hash kept in the HIT, written out here once more so that the tests do
// not lean on the reader's own.
std::uint8_t Hash(const std::uint8_t* name11) {
    int h = 0;
    for (int i = 0; i < 11; ++i) {
        h ^= name11[i];
        h = ((h << 1) | (h >> 7)) & 0xFF;
    }
    return Lo(h == 0 ? 1 : h);
}

std::string Padded(const std::string& name) {
    std::string s = name;
    s.resize(11, ' ');
    return s;
}

} // namespace

DosGeometry Trsdos23Geometry() {
    return DosGeometry{};
}

DosGeometry LdosDdTwoSidedGeometry() {
    DosGeometry g;
    g.cylinders = 40;
    g.sides = 2;
    g.sectorsPerSide = 18;
    g.doubleDensity = true;
    g.sectorsPerGranule = 6;
    g.granulesPerUnit = 6; // 3 a side
    g.dirUnit = 20;
    g.bootByte = 20;
    g.dirSectors = 34;
    g.version = 0x51;
    g.ldosCylinders = 5;
    g.ldosFlags = 0x40 | 0x20 | 2;
    return g;
}

DosGeometry Newdos80Geometry(bool trackZeroK) {
    DosGeometry g;
    g.cylinders = 40;
    g.sides = 2;
    g.sectorsPerSide = 18;
    g.doubleDensity = true;
    g.sectorsPerGranule = 5;
    g.granulesPerUnit = 2;
    g.firstCylinder = trackZeroK ? 1 : 0;
    g.dirUnit = 70; // relative sector 700: cylinder 19 (or 20 with K), side 0, sector 16
    g.bootByte = 70;
    g.dirSectors = 12;
    g.version = 0x20;
    // DDSL 70, TI A (+K), 40 tracks, 36 sectors, GPL 2, DDGA 3
    g.pdrive = std::array<std::uint8_t, 10>{
        70, 0, Lo(0x04 | (trackZeroK ? 0x40 : 0)), 40, 36, 2, 0, 0, 0, 3};
    return g;
}

DosDiskBuilder::DosDiskBuilder(const DosGeometry& g) : g_(g) {
    for (int c = 0; c < g.cylinders; ++c) {
        // Track 0 of a K disk is in the other density.
        const int perSide =
            IsCylinderZeroOutside(c) ? (g.doubleDensity ? 10 : 18) : g.sectorsPerSide;
        for (int h = 0; h < g.sides; ++h) {
            for (int s = 0; s < perSide; ++s) {
                sectors_[{c, h, s}] = std::vector<std::uint8_t>(kSectorBytes, kFiller);
            }
        }
    }
    const int relSectors = (g.cylinders - g.firstCylinder) * g.sides * g.sectorsPerSide;
    used_.assign(static_cast<std::size_t>(relSectors / g.sectorsPerGranule), false);
    dirRel_ = g.dirUnit * g.granulesPerUnit * g.sectorsPerGranule;

    std::vector<std::uint8_t>& boot = SectorAt({0, 0, 0});
    boot[0] = 0x00;
    boot[1] = 0xFE;
    boot[2] = Lo(g.bootByte);
    if (g.pdrive) {
        std::vector<std::uint8_t>& p = SectorAt({g.pdriveTrack, 0, 2});
        std::fill(p.begin(), p.end(), 0);
        std::copy(g.pdrive->begin(), g.pdrive->end(), p.begin());
        for (std::size_t k = 0; k < g.morePdrives.size(); ++k) {
            std::copy(g.morePdrives[k].begin(), g.morePdrives[k].end(), p.begin() + 16 * (k + 1));
        }
        p[239] = 0xA5;
    }

    // The directory: a GAT, a HIT, and entry sectors of free entries.
    for (int k = 0; k < g.dirSectors; ++k) {
        std::vector<std::uint8_t>& s = SectorAt(Locate(dirRel_ + k));
        std::fill(s.begin(), s.end(), 0);
        if (k >= 2) {
            for (int slot = 0; slot < 8; ++slot) {
                std::memset(s.data() + slot * kEntry + 22, 0xFF, 10);
            }
        }
    }
    std::vector<std::uint8_t>& gat = SectorAt(Locate(dirRel_));
    const int units = static_cast<int>(used_.size()) / g.granulesPerUnit;
    const std::uint8_t absent = Lo(0xFF << g.granulesPerUnit);
    if (units > 0x60) {
        // Over 96 units (NEWDOS/80 lumps) the allocation bytes run on to
        // 0xBF, with no lock-out table.
        for (int u = 0; u < 0xC0; ++u) {
            gat[static_cast<std::size_t>(u)] = u < units ? absent : 0xFF;
        }
    }
    for (int u = 0; u < 0x60 && units <= 0x60; ++u) {
        gat[static_cast<std::size_t>(u)] = u < units ? absent : 0xFF;
        gat[static_cast<std::size_t>(0x60 + u)] = u < units ? absent : 0xFF;
    }
    gat[0xCB] = g.version;
    gat[0xCC] = g.ldosCylinders;
    gat[0xCD] = g.ldosFlags;
    std::memcpy(gat.data() + 0xD0, "TESTDISK", 8);
    std::memcpy(gat.data() + 0xD8, "01/02/85", 8);
    std::memcpy(gat.data() + 0xE0, "BASIC\r", 6);

    // BOOT/SYS holds the first unit, DIR/SYS the directory's granules; both
    // entries only, their sectors keep the boot sector and the directory.
    for (int n = 0; n < g.granulesPerUnit; ++n) {
        Allocate(n);
    }
    DosFileSpec bootSys{g.bootSysName, {}, kSystemFile};
    WriteEntry(bootSys, g.granulesPerUnit * g.sectorsPerGranule, 0, {{0, g.granulesPerUnit}});
    const int dirGranules = (g.dirSectors + g.sectorsPerGranule - 1) / g.sectorsPerGranule;
    for (int n = 0; n < dirGranules; ++n) {
        Allocate(g.dirUnit * g.granulesPerUnit + n);
    }
    DosFileSpec dirSys{g.dirSysName, {}, kSystemFile};
    WriteEntry(dirSys, g.dirSectors, 0, {{g.dirUnit * g.granulesPerUnit, dirGranules}});
}

std::vector<std::uint8_t>& DosDiskBuilder::SectorAt(const DosAddress& at) {
    auto it = sectors_.find(at);
    if (it == sectors_.end()) {
        throw std::runtime_error("DosDiskBuilder: no such sector");
    }
    return it->second;
}

DosAddress DosDiskBuilder::Locate(int rel) const {
    const int perCylinder = g_.sides * g_.sectorsPerSide;
    const int s = rel % perCylinder;
    return {g_.firstCylinder + rel / perCylinder, s / g_.sectorsPerSide, s % g_.sectorsPerSide};
}

std::vector<DosAddress> DosDiskBuilder::DirectorySectors() const {
    std::vector<DosAddress> out;
    for (int k = 0; k < g_.dirSectors; ++k) {
        out.push_back(Locate(dirRel_ + k));
    }
    return out;
}

std::uint8_t* DosDiskBuilder::Entry(int dec) {
    return SectorAt(Locate(dirRel_ + (dec & 0x1F) + 2)).data() + (dec >> 5) * kEntry;
}

int DosDiskBuilder::NextDec() {
    const std::vector<std::uint8_t>& hit = SectorAt(Locate(dirRel_ + 1));
    for (; decCursor_ < 256; ++decCursor_) {
        if ((decCursor_ & 0x1F) < g_.dirSectors - 2 &&
            hit[static_cast<std::size_t>(decCursor_)] == 0) {
            return decCursor_++;
        }
    }
    throw std::runtime_error("DosDiskBuilder: the directory is full");
}

void DosDiskBuilder::Allocate(int granule) {
    if (granule < 0 || granule >= static_cast<int>(used_.size())) {
        throw std::runtime_error("DosDiskBuilder: granule past the disk");
    }
    used_[static_cast<std::size_t>(granule)] = true;
    std::vector<std::uint8_t>& gat = SectorAt(Locate(dirRel_));
    gat[static_cast<std::size_t>(granule / g_.granulesPerUnit)] |=
        Lo(1 << (granule % g_.granulesPerUnit));
}

void DosDiskBuilder::WriteExtents(std::uint8_t* e,
                                  const std::vector<std::pair<int, int>>& runs) const {
    for (std::size_t i = 0; i < runs.size() && i < 4; ++i) {
        e[22 + 2 * i] = Lo(runs[i].first / g_.granulesPerUnit);
        e[23 + 2 * i] = Lo(((runs[i].first % g_.granulesPerUnit) << 5) | (runs[i].second - 1));
    }
}

int DosDiskBuilder::AddFile(const DosFileSpec& spec) {
    const int sectors = static_cast<int>((spec.bytes.size() + kSectorBytes - 1) / kSectorBytes);
    const int granules = (sectors + g_.sectorsPerGranule - 1) / g_.sectorsPerGranule;
    std::vector<std::pair<int, int>> runs = spec.runs;
    if (runs.empty()) {
        for (int n = 0; n < granules; ++n) {
            while (nextGranule_ < static_cast<int>(used_.size()) &&
                   used_[static_cast<std::size_t>(nextGranule_)]) {
                ++nextGranule_;
            }
            if (!runs.empty() && runs.back().first + runs.back().second == nextGranule_) {
                ++runs.back().second;
            } else {
                runs.push_back({nextGranule_, 1});
            }
            ++nextGranule_;
        }
    }
    // The bytes, granule by granule in run order.
    int k = 0;
    for (const auto& [first, count] : runs) {
        for (int n = 0; n < count; ++n) {
            Allocate(first + n);
            for (int j = 0; j < g_.sectorsPerGranule; ++j, ++k) {
                const std::size_t from = static_cast<std::size_t>(k) * kSectorBytes;
                if (from >= spec.bytes.size()) {
                    continue;
                }
                std::vector<std::uint8_t>& s =
                    SectorAt(Locate((first + n) * g_.sectorsPerGranule + j));
                const std::size_t len =
                    std::min<std::size_t>(kSectorBytes, spec.bytes.size() - from);
                std::fill(s.begin(), s.end(), 0);
                std::memcpy(s.data(), spec.bytes.data() + from, len);
            }
        }
    }

    return WriteEntry(spec, sectors, static_cast<int>(spec.bytes.size() % kSectorBytes), runs);
}

int DosDiskBuilder::WriteEntry(const DosFileSpec& spec, int ern, int eof,
                               const std::vector<std::pair<int, int>>& runs) {
    const int dec = NextDec();
    std::uint8_t* e = Entry(dec);
    const std::string name = Padded(spec.name);
    e[0] = spec.attributes;
    e[1] = spec.dateMonth;
    e[2] = spec.dateDayYear;
    e[3] = Lo(eof);
    e[4] = spec.lrl;
    std::memcpy(e + 5, name.data(), 11);
    e[16] = e[18] = 0x96;
    e[17] = e[19] = 0x42;
    e[20] = Lo(ern);
    e[21] = Lo(ern >> 8);
    WriteExtents(e, runs);
    PatchHit(dec, Hash(e + 5));

    // Runs beyond four go to extended entries, four each.
    int owner = dec;
    for (std::size_t from = 4; from < runs.size(); from += 4) {
        const int x = NextDec();
        std::uint8_t* xe = Entry(x);
        std::uint8_t* oe = Entry(owner);
        oe[30] = 0xFE;
        oe[31] = Lo(x);
        xe[0] = 0x90;
        xe[1] = Lo(owner);
        WriteExtents(
            xe, std::vector<std::pair<int, int>>(
                    runs.begin() + static_cast<std::ptrdiff_t>(from),
                    runs.begin() + static_cast<std::ptrdiff_t>(std::min(from + 4, runs.size()))));
        PatchHit(x, Hash(xe + 5));
        owner = x;
    }
    return dec;
}

int DosDiskBuilder::AddDeletedEntry(const std::string& name) {
    const int dec = AddFile(DosFileSpec{name, std::vector<std::uint8_t>(300, 0x55), 0x00});
    PatchHit(dec, 0);
    return dec;
}

void DosDiskBuilder::PatchEntry(int dec, int offset, std::uint8_t value) {
    Entry(dec)[offset] = value;
}

void DosDiskBuilder::PatchHit(int dec, std::uint8_t value) {
    SectorAt(Locate(dirRel_ + 1))[static_cast<std::size_t>(dec)] = value;
}

void DosDiskBuilder::PatchGat(int offset, std::uint8_t value) {
    SectorAt(Locate(dirRel_))[static_cast<std::size_t>(offset)] = value;
}

void DosDiskBuilder::RemoveSector(const DosAddress& at) {
    sectors_.erase(at);
}

std::vector<std::uint8_t> DosDiskBuilder::Jv1() const {
    if (g_.sides != 1 || g_.sectorsPerSide != 10 || g_.doubleDensity) {
        throw std::runtime_error(
            "DosDiskBuilder: JV1 holds one side of ten single-density sectors");
    }
    return MakeJv1(g_.cylinders, [&](int track, int sector, std::uint8_t* data) {
        const auto it = sectors_.find({track, 0, sector});
        if (it != sectors_.end()) {
            std::memcpy(data, it->second.data(), kSectorBytes);
        }
    });
}

std::vector<std::uint8_t> DosDiskBuilder::Jv3() const {
    const std::vector<DosAddress> dir = DirectorySectors();
    std::vector<Jv3Entry> entries;
    for (const auto& [at, bytes] : sectors_) {
        const auto [t, h, s] = at;
        Jv3Entry e;
        e.track = t;
        e.sector = s;
        e.side1 = h == 1;
        e.doubleDensity = g_.doubleDensity != IsCylinderZeroOutside(t);
        e.dirMark = std::find(dir.begin(), dir.end(), at) != dir.end();
        e.data = bytes;
        entries.push_back(std::move(e));
    }
    std::vector<std::uint8_t> image = MakeJv3(entries);
    // Entries stand in the header in the order written, three bytes each.
    std::size_t n = 0;
    for (const auto& [at, bytes] : sectors_) {
        if (damaged_.count(at) != 0) {
            image[n * jv3::kEntrySize + 2] |= jv3::kFlagCrcError;
        }
        ++n;
    }
    return image;
}

std::vector<std::uint8_t> DosDiskBuilder::Dmk() const {
    const std::vector<DosAddress> dir = DirectorySectors();
    std::vector<DmkTrack> records(static_cast<std::size_t>(g_.cylinders * g_.sides));
    for (const auto& [at, bytes] : sectors_) {
        const auto [t, h, s] = at;
        DmkSector sec;
        sec.track = t;
        sec.side = h;
        sec.sector = s;
        sec.doubleDensity = g_.doubleDensity != IsCylinderZeroOutside(t);
        const bool isDir = std::find(dir.begin(), dir.end(), at) != dir.end();
        sec.dam = isDir ? (sec.doubleDensity ? 0xF8 : 0xFA) : 0xFB;
        sec.data = bytes;
        if (damaged_.count(at) != 0) {
            sec.dataCrc = std::array<std::uint8_t, 2>{0x00, 0x00};
        }
        records[static_cast<std::size_t>(t * g_.sides + h)].sectors.push_back(std::move(sec));
    }
    return MakeDmk(records, g_.sides == 1 ? OneSide() : DmkOptions{}).bytes;
}

std::vector<std::uint8_t> PlainDisk::Jv3() const {
    std::vector<Jv3Entry> entries;
    for (const auto& [at, bytes] : sectors) {
        const auto [t, h, n] = at;
        Jv3Entry e;
        e.track = t;
        e.sector = n;
        e.side1 = h == 1;
        e.doubleDensity = doubleDensity;
        e.size = static_cast<int>(bytes.size());
        e.data = bytes;
        entries.push_back(std::move(e));
    }
    return MakeJv3(entries);
}

std::vector<std::uint8_t> PlainDisk::Dmk() const {
    int cylinders = 0;
    for (const auto& [at, bytes] : sectors) {
        cylinders = std::max(cylinders, std::get<0>(at) + 1);
    }
    std::vector<DmkTrack> records(static_cast<std::size_t>(((cylinders - 1) * step + 1) * sides));
    for (const auto& [at, bytes] : sectors) {
        const auto [t, h, n] = at;
        DmkSector sec;
        sec.track = t;
        sec.side = h;
        sec.sector = n;
        sec.doubleDensity = doubleDensity;
        sec.sizeCode = bytes.size() == 128    ? 0
                       : bytes.size() == 512  ? 2
                       : bytes.size() == 1024 ? 3
                                              : 1;
        sec.data = bytes;
        records[static_cast<std::size_t>(t * step * sides + h)].sectors.push_back(std::move(sec));
    }
    return MakeDmk(records, sides == 1 ? OneSide() : DmkOptions{}).bytes;
}

PlainDisk MakeTrsdos13Disk(const std::vector<Trsdos13File>& files, int tracks, int dirTrack) {
    const int kDirTrack = dirTrack;
    PlainDisk d;
    for (int t = 0; t < tracks; ++t) {
        for (int n = 1; n <= 18; ++n) {
            d.sectors[{t, 0, n}] = std::vector<std::uint8_t>(kSectorBytes, kFiller);
        }
    }
    const auto sector = [&](int t, int n) -> std::vector<std::uint8_t>& {
        return d.sectors.at({t, 0, n});
    };
    sector(0, 1)[0] = 0xFE;
    sector(0, 1)[1] = kDirTrack;
    std::vector<std::uint8_t>& gat = sector(kDirTrack, 1);
    std::fill(gat.begin(), gat.end(), 0xFF);
    for (int t = 0; t < tracks; ++t) {
        gat[static_cast<std::size_t>(t)] = t == 0 || t == kDirTrack ? 0x3F : 0x00;
    }
    std::fill(sector(kDirTrack, 2).begin(), sector(kDirTrack, 2).end(), 0);
    for (int n = 3; n <= 18; ++n) {
        std::vector<std::uint8_t>& s = sector(kDirTrack, n);
        std::fill(s.begin(), s.end(), 0);
        std::memcpy(s.data() + 240, "(c) 1980 Tandy", 14);
    }
    int next = 6; // track 1's first granule
    for (std::size_t i = 0; i < files.size(); ++i) {
        const Trsdos13File& f = files[i];
        const int sectors = static_cast<int>((f.bytes.size() + kSectorBytes - 1) / kSectorBytes);
        std::vector<std::pair<int, int>> runs = f.runs;
        if (runs.empty()) {
            while (next / 6 == kDirTrack) {
                next += 6;
            }
            runs = {{next, std::max(1, (sectors + 2) / 3)}};
            next += runs[0].second;
        }
        int k = 0;
        for (const auto& [first, count] : runs) {
            for (int g = first; g < first + count; ++g) {
                gat[static_cast<std::size_t>(g / 6)] |= Lo(1 << (g % 6));
                for (int j = 0; j < 3; ++j, ++k) {
                    const std::size_t from = static_cast<std::size_t>(k) * kSectorBytes;
                    if (from < f.bytes.size()) {
                        std::vector<std::uint8_t>& s =
                            sector((g * 3 + j) / 18, (g * 3 + j) % 18 + 1);
                        std::fill(s.begin(), s.end(), 0);
                        std::memcpy(s.data(), f.bytes.data() + from,
                                    std::min<std::size_t>(kSectorBytes, f.bytes.size() - from));
                    }
                }
            }
        }
        std::uint8_t* e = sector(kDirTrack, static_cast<int>(3 + i / 5)).data() + (i % 5) * 48;
        const std::string name = Padded(f.name);
        e[0] = f.attributes;
        e[1] = Lo(f.month);
        e[2] = Lo(f.year);
        e[3] = Lo(static_cast<int>(f.bytes.size() % kSectorBytes));
        std::memcpy(e + 5, name.data(), 11);
        e[16] = e[18] = 0x96;
        e[17] = e[19] = 0x42;
        e[20] = Lo(static_cast<int>(f.bytes.size() / kSectorBytes));
        e[21] = Lo(static_cast<int>(f.bytes.size() / kSectorBytes) >> 8);
        std::memset(e + 22, 0xFF, 26);
        for (std::size_t x = 0; x < runs.size() && x < 13; ++x) {
            e[22 + 2 * x] = Lo(runs[x].first / 6);
            e[23 + 2 * x] = Lo(((runs[x].first % 6) << 5) | runs[x].second);
        }
        sector(kDirTrack, 2)[i] = Hash(e + 5);
    }
    return d;
}

CpmGeometry Cpm40TrackData() {
    return {40, 1, 10, 512, 1, 1, 0, {1, 3, 5, 7, 9, 2, 4, 6, 8, 10}, 2048, 128, 99};
}

CpmGeometry CpmGenie80Track() {
    return {80, 2, 18, 256, 0, 18, 3, {}, 4096, 128, 172};
}

CpmGeometry Cpm80Track1024() {
    return {80, 2, 5, 1024, 0, 0, 3, {}, 4096, 256, 191};
}

CpmDiskBuilder::CpmDiskBuilder(const CpmGeometry& g) : g_(g) {
    disk_.sides = g.sides;
    for (int c = 0; c < g.cylinders; ++c) {
        for (int h = 0; h < g.sides; ++h) {
            for (int n = 0; n < g.sectors; ++n) {
                const int id = (h == 0 ? g.firstId : g.side1FirstId) + n;
                disk_.sectors[{c, h, id}] =
                    std::vector<std::uint8_t>(static_cast<std::size_t>(g.sectorBytes), 0xE5);
            }
        }
    }
    nextBlock_ = (g.entries * 32 + g.blockBytes - 1) / g.blockBytes;
}

std::vector<std::uint8_t>& CpmDiskBuilder::StreamSector(int q) {
    const int track = q / g_.sectors;
    const int logical = q % g_.sectors;
    const int side = track % g_.sides;
    const int id = g_.skew.empty() ? (side == 0 ? g_.firstId : g_.side1FirstId) + logical
                                   : g_.skew[static_cast<std::size_t>(logical)];
    return disk_.sectors.at({g_.off + track / g_.sides, side, id});
}

std::uint8_t* CpmDiskBuilder::EntryAt(int index) {
    const int perSector = g_.sectorBytes / 32;
    return StreamSector(index / perSector).data() + (index % perSector) * 32;
}

std::vector<std::uint8_t> CpmDiskBuilder::Padded(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> out = bytes;
    out.resize((bytes.size() + 127) / 128 * 128, 0x1A);
    return out;
}

int CpmDiskBuilder::AddFile(const CpmFile& file) {
    const std::vector<std::uint8_t> data = Padded(file.bytes);
    const int records = static_cast<int>(data.size() / 128);
    const int blocks = static_cast<int>((data.size() + g_.blockBytes - 1) / g_.blockBytes);
    const int perSector = g_.sectorBytes;
    for (int b = 0; b < blocks; ++b) {
        for (int k = 0; k < g_.blockBytes / perSector; ++k) {
            const std::size_t from = static_cast<std::size_t>(b) * g_.blockBytes +
                                     static_cast<std::size_t>(k) * perSector;
            if (from < data.size()) {
                std::vector<std::uint8_t>& s =
                    StreamSector((nextBlock_ + b) * (g_.blockBytes / perSector) + k);
                std::copy_n(
                    data.begin() + static_cast<std::ptrdiff_t>(from),
                    std::min<std::size_t>(static_cast<std::size_t>(perSector), data.size() - from),
                    s.begin());
            }
        }
    }
    const bool wide = g_.lastBlock > 255;
    const int pointers = wide ? 8 : 16;
    const int recordsPerEntry = pointers * g_.blockBytes / 128;
    const int first = nextEntry_;
    for (int e = 0; e == 0 || e * recordsPerEntry < records; ++e) {
        std::uint8_t* entry = EntryAt(nextEntry_++);
        std::fill(entry, entry + 32, 0);
        entry[0] = Lo(file.user);
        const std::string name = testimg::Padded(file.name);
        std::memcpy(entry + 1, name.data(), 11);
        entry[9] |= file.readOnly ? 0x80 : 0;
        entry[10] |= file.system ? 0x80 : 0;
        const int end = std::min(records, (e + 1) * recordsPerEntry);
        const int x = end == 0 ? 0 : (end - 1) / 128;
        entry[12] = Lo(x % 32);
        entry[14] = Lo(x / 32);
        entry[15] = Lo(end - x * 128);
        for (int p = 0; p < pointers; ++p) {
            const int b = e * pointers + p;
            if (b < blocks) {
                const int number = nextBlock_ + b;
                entry[16 + (wide ? 2 * p : p)] = Lo(number);
                if (wide) {
                    entry[17 + 2 * p] = Lo(number >> 8);
                }
            }
        }
    }
    nextBlock_ += blocks;
    return first;
}

int CpmDiskBuilder::AddCopyOfEntry(int index, int block) {
    std::array<std::uint8_t, 32> copy{};
    std::memcpy(copy.data(), EntryAt(index), 32);
    copy[16] = Lo(block);
    if (g_.lastBlock > 255) {
        copy[17] = Lo(block >> 8);
    }
    std::memcpy(EntryAt(nextEntry_), copy.data(), 32);
    return nextEntry_++;
}

} // namespace ss::testimg
