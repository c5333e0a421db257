#include "disk_check.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <tuple>

namespace ss::check {

namespace {

struct ClassText {
    const char* name;
    const char* key;
};
constexpr std::array<ClassText, kCellClasses> kClassTexts = {{
    {"Good", "good"},
    {"ID CRC error", "id-crc"},
    {"Data CRC error", "data-crc"},
    {"No data", "no-data"},
    {"ID track differs", "wrong-track"},
    {"Duplicate ID", "duplicate"},
    {"Missing", "missing"},
}};

// The cell's colour goes by its first problem, damage before place.
CellClass FirstProblem(std::uint8_t problems) {
    if (problems & kIdCrc) {
        return CellClass::IdCrcError;
    }
    if (problems & kDataCrc) {
        return CellClass::DataCrcError;
    }
    if (problems & kNoData) {
        return CellClass::NoData;
    }
    if (problems & kWrongTrack) {
        return CellClass::WrongTrack;
    }
    if (problems & kDuplicate) {
        return CellClass::Duplicate;
    }
    return CellClass::Good;
}

// Whether the file ends inside the track: its record cut short (DMK), a
// sector whose data it does not hold, or fewer sectors than every track has
// (JV1).
bool CutOff(const disk::Disk& disk, const disk::Track& t) {
    if (disk.layout == Layout::DMK || disk.layout == Layout::RealDiskDMK) {
        if (t.length < disk.header.dmk.trackLength) {
            return true;
        }
    }
    if (disk.layout == Layout::JV1 &&
        static_cast<int>(t.sectors.size()) < disk.header.jv1SectorsPerTrack) {
        return true;
    }
    return std::any_of(t.sectors.begin(), t.sectors.end(),
                       [](const disk::Sector& s) { return !s.dataInFile; });
}

// Marks the sectors of a track side that carry an ID another of its sectors
// carries too. IDs whose CRC is bad say nothing reliable and take no part.
void MarkDuplicates(const disk::Track& t, std::vector<Cell>& cells) {
    using Key = std::tuple<int, int, int, int>; // ID track, side, sector; place
    std::vector<Key> keys;
    keys.reserve(t.sectors.size());
    for (std::size_t k = 0; k < t.sectors.size(); ++k) {
        const disk::Sector& s = t.sectors[k];
        if (s.crc.id != CrcState::Bad) {
            keys.emplace_back(s.cylinder, s.head, s.sector, static_cast<int>(k));
        }
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i + 1;
        while (j < keys.size() && std::get<0>(keys[j]) == std::get<0>(keys[i]) &&
               std::get<1>(keys[j]) == std::get<1>(keys[i]) &&
               std::get<2>(keys[j]) == std::get<2>(keys[i])) {
            ++j;
        }
        if (j - i > 1) {
            for (std::size_t m = i; m < j; ++m) {
                cells[static_cast<std::size_t>(std::get<3>(keys[m]))].problems |= kDuplicate;
            }
        }
        i = j;
    }
}

} // namespace

const char* ClassName(CellClass c) {
    return kClassTexts[static_cast<std::size_t>(c)].name;
}

const char* ClassKey(CellClass c) {
    return kClassTexts[static_cast<std::size_t>(c)].key;
}

std::int64_t Counts::OfClass(CellClass c) const {
    switch (c) {
    case CellClass::Good:
        return good;
    case CellClass::IdCrcError:
        return idCrcErrors;
    case CellClass::DataCrcError:
        return dataCrcErrors;
    case CellClass::NoData:
        return noData;
    case CellClass::WrongTrack:
        return wrongTrack;
    case CellClass::Duplicate:
        return duplicates;
    case CellClass::Missing:
        return missing;
    }
    return 0;
}

DiskCheck CheckDisk(const disk::Disk& disk) {
    DiskCheck check;
    check.layout = disk.layout;
    Counts& n = check.counts;
    check.rows.reserve(disk.tracks.size());
    for (std::size_t ti = 0; ti < disk.tracks.size(); ++ti) {
        const disk::Track& t = disk.tracks[ti];
        check.cylinders = std::max(check.cylinders, t.cylinder + 1);
        check.heads = std::max(check.heads, t.head + 1);
        Row& row = check.rows.emplace_back();
        row.cylinder = t.cylinder;
        row.head = t.head;
        row.track = static_cast<int>(ti);
        row.cells.resize(t.sectors.size());

        std::bitset<256> numbers;
        int lowest = 256;
        int highest = -1;
        bool misStepped = false;
        for (std::size_t k = 0; k < t.sectors.size(); ++k) {
            const disk::Sector& s = t.sectors[k];
            Cell& c = row.cells[k];
            c.sector = static_cast<int>(k);
            c.number = s.sector;
            c.problems |= s.crc.id == CrcState::Bad ? kIdCrc : 0;
            c.problems |= s.crc.data == CrcState::Bad ? kDataCrc : 0;
            c.problems |= !s.dataField || !s.dataInFile ? kNoData : 0;
            if (s.crc.id != CrcState::Bad && s.cylinder != t.cylinder) {
                c.problems |= kWrongTrack;
                misStepped = true;
            }
            numbers.set(s.sector);
            lowest = std::min<int>(lowest, s.sector);
            highest = std::max<int>(highest, s.sector);
        }
        MarkDuplicates(t, row.cells);
        for (Cell& c : row.cells) {
            c.cls = FirstProblem(c.problems);
            n.good += c.problems == 0 ? 1 : 0;
            n.idCrcErrors += (c.problems & kIdCrc) ? 1 : 0;
            n.dataCrcErrors += (c.problems & kDataCrc) ? 1 : 0;
            n.noData += (c.problems & kNoData) ? 1 : 0;
            n.wrongTrack += (c.problems & kWrongTrack) ? 1 : 0;
            n.duplicates += (c.problems & kDuplicate) ? 1 : 0;
        }
        n.sectors += static_cast<std::int64_t>(t.sectors.size());
        for (int m = lowest + 1; m < highest; ++m) {
            if (!numbers.test(static_cast<std::size_t>(m))) {
                row.cells.push_back(Cell{CellClass::Missing, 0, -1, m});
                ++n.missing;
            }
        }
        n.misSteppedTracks += misStepped ? 1 : 0;
        if (n.endsInsideCylinder < 0 && CutOff(disk, t)) {
            n.endsInsideCylinder = t.cylinder;
            n.endsInsideHead = t.head;
        }
        check.longestRow = std::max(check.longestRow, static_cast<int>(row.cells.size()));
    }
    std::stable_sort(check.rows.begin(), check.rows.end(), [](const Row& a, const Row& b) {
        return std::tie(a.cylinder, a.head) < std::tie(b.cylinder, b.head);
    });
    return check;
}

std::string DamageText(const Counts& n) {
    std::string text;
    const auto add = [&](std::int64_t count, const char* one, const char* many) {
        if (count > 0) {
            text += text.empty() ? "" : ", ";
            text += std::to_string(count) + " " + (count == 1 ? one : many);
        }
    };
    add(n.idCrcErrors, "ID CRC error", "ID CRC errors");
    add(n.dataCrcErrors, "data CRC error", "data CRC errors");
    add(n.noData, "sector without data", "sectors without data");
    add(n.missing, "missing", "missing");
    add(n.duplicates, "duplicate", "duplicates");
    add(n.misSteppedTracks, "mis-stepped track", "mis-stepped tracks");
    if (n.endsInsideCylinder >= 0) {
        text += text.empty() ? "" : ", ";
        text += "file ends inside cylinder " + std::to_string(n.endsInsideCylinder) +
                (n.endsInsideHead != 0 ? " head " + std::to_string(n.endsInsideHead) : "");
    }
    return text.empty() ? "whole" : text;
}

} // namespace ss::check
