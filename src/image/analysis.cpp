#include "analysis.h"

#include "jv1.h"
#include "table_builders.h"

#include <algorithm>
#include <array>

namespace ss {

const char* const kRealDiskMessage = "** ERROR **  This file is a DMK type REAL disk format,\r"
                                     "                     used to access REAL Disks";
const char* const kNoHeaderMessage = "** ERROR **\r"
                                     " This file does not have an EMULATOR Disk format HEADER\r"
                                     "    It may be a Disk file for use with a dedicated program";

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

// Where the Model 1 DOSes keep the directory.
constexpr int kDirectoryTrack = 17;

} // namespace

IndexedSector SectorTables::Unpack(const Packed& p) {
    IndexedSector s;
    s.index = p.index;
    s.dataPos = p.dataPos;
    s.track = p.track;
    s.side = p.side;
    s.number = p.number;
    s.dataMark = p.dataMark;
    s.size = p.size;
    s.stride = p.stride;
    s.crc = SectorCrc::Unpack(p.crc);
    s.present = true;
    s.doubleDensity = (p.flags & kDoubleDensity) != 0;
    s.directory = (p.flags & kDirectory) != 0;
    return s;
}

IndexedSector SectorTables::At(std::int64_t i) const {
    const auto it =
        std::lower_bound(sectors_.begin(), sectors_.end(), i,
                         [](const Packed& s, std::int64_t index) { return s.index < index; });
    if (it != sectors_.end() && it->index == i) {
        return Unpack(*it);
    }
    IndexedSector s;
    s.index = i;
    if (positional_ > 0) {
        s.track = static_cast<int>(FloorDiv(i, positional_));
        s.number = static_cast<int>(i - static_cast<std::int64_t>(positional_) * s.track);
        s.directory = s.track == directoryTrack_;
        s.dataMark = s.directory ? jv1::kDirectoryDataMark : jv1::kOrdinaryDataMark;
        return s;
    }
    const auto run =
        std::upper_bound(runs_.begin(), runs_.end(), i,
                         [](std::int64_t index, const Run& r) { return index < r.first; });
    if (run != runs_.begin()) {
        const Run& r = *std::prev(run);
        if (i < r.first + r.count) {
            s.track = r.track;
            s.side = r.side;
            s.number = static_cast<int>(r.number + (i - r.first));
        }
    }
    return s;
}

std::int64_t SectorTables::TrackStart(int t) const {
    if (positional_ > 0) {
        return static_cast<std::int64_t>(positional_) * t;
    }
    return HasTrackStart(t) ? trackStart_[static_cast<std::size_t>(t)] : 0;
}

bool SectorTables::HasTrackStart(int t) const {
    return positional_ > 0 || (t >= 0 && static_cast<std::size_t>(t) < trackStart_.size());
}

int SectorTables::SectorsOnTrack(int t) const {
    if (positional_ > 0) {
        return positional_;
    }
    return t >= 0 && static_cast<std::size_t>(t) < trackSectors_.size()
               ? trackSectors_[static_cast<std::size_t>(t)]
               : 0;
}

void SectorTables::EndGroup() {
    const auto first = sectors_.begin() + static_cast<std::ptrdiff_t>(groupStart_);
    const auto end = sectors_.end();
    const bool ascending = std::adjacent_find(first, end, [](const Packed& x, const Packed& y) {
                               return x.index >= y.index;
                           }) == end;
    if (ascending) {
        groupStart_ = sectors_.size();
        return;
    }
    const auto [low, high] = std::minmax_element(
        first, end, [](const Packed& x, const Packed& y) { return x.index < y.index; });
    if (high->index - low->index < static_cast<std::int64_t>(kGroupIndexes)) {
        // A group's indexes lie within the 256 from its lowest on (one per
        // sector number): the last sector of each index, in index order.
        const std::int64_t lowest = low->index;
        std::array<std::int32_t, kGroupIndexes> last;
        last.fill(-1);
        for (auto it = first; it != end; ++it) {
            last[static_cast<std::size_t>(it->index - lowest)] =
                static_cast<std::int32_t>(it - first);
        }
        scratch_.clear();
        for (const std::int32_t k : last) {
            if (k >= 0) {
                scratch_.push_back(first[k]);
            }
        }
        sectors_.resize(groupStart_);
        sectors_.insert(sectors_.end(), scratch_.begin(), scratch_.end());
    } else {
        std::stable_sort(first, end,
                         [](const Packed& x, const Packed& y) { return x.index < y.index; });
        // Of the sectors of one index, the last one stays.
        auto out = first;
        for (auto it = first; it != sectors_.end(); ++it) {
            if (std::next(it) == sectors_.end() || std::next(it)->index != it->index) {
                *out++ = *it;
            }
        }
        sectors_.erase(out, sectors_.end());
    }
    groupStart_ = sectors_.size();
}

void SectorTables::AddRun(std::int64_t first, std::int64_t count, int track, int side, int number) {
    if (count > 0) {
        runs_.push_back(Run{first, count, track, side, number});
    }
}

void SectorTables::SetPositional(int sectorsPerTrack, int directoryTrack) {
    positional_ = sectorsPerTrack;
    directoryTrack_ = directoryTrack;
}

std::int64_t FindSector(const ImageAnalysis& a, int track, int side, int sector) {
    for (std::size_t k = 0; k < a.tables.SectorCount(); ++k) {
        const IndexedSector s = a.tables.Sector(k);
        if (s.track == track && s.side == side && s.number == sector) {
            return s.index;
        }
    }
    return -1;
}

std::vector<std::string> DamageNotices(const DiskDamage& damage) {
    std::vector<std::string> lines;
    const auto count = [&](int n, const char* one, const char* many) {
        if (n == 1) {
            lines.push_back(std::string("1 sector ") + one);
        } else if (n > 1) {
            lines.push_back(std::to_string(n) + " sectors " + many);
        }
    };
    count(damage.idCrcErrors, "with an ID CRC error", "with ID CRC errors");
    count(damage.dataCrcErrors, "with a data CRC error", "with data CRC errors");
    count(damage.noDataField, "without a data field", "without a data field");
    for (const DiskDamage::Missing& m : damage.missing) {
        lines.push_back("track " + std::to_string(m.track) + (m.side == 1 ? " side 1" : "") +
                        " has no sector " + std::to_string(m.sector));
    }
    const std::int64_t more =
        damage.missingCount - static_cast<std::int64_t>(damage.missing.size());
    if (more > 0) {
        lines.push_back(std::to_string(more) + (more == 1 ? " more sector" : " more sectors") +
                        " missing");
    }
    for (const DiskDamage::Duplicate& d : damage.duplicates) {
        lines.push_back("track " + std::to_string(d.track) + (d.side == 1 ? " side 1" : "") +
                        " has " + (d.count == 2 ? std::string("two") : std::to_string(d.count)) +
                        " sectors numbered " + std::to_string(d.sector));
    }
    const std::int64_t moreTwice =
        damage.duplicateCount - static_cast<std::int64_t>(damage.duplicates.size());
    if (moreTwice > 0) {
        lines.push_back(std::to_string(moreTwice) +
                        (moreTwice == 1 ? " more sector number" : " more sector numbers") +
                        " written more than once");
    }
    if (damage.endsInsideTrack >= 0) {
        lines.push_back("image ends inside track " + std::to_string(damage.endsInsideTrack));
    }
    return lines;
}

void NoteNumbers(ImageAnalysis& a, const NumberPlaces& places, std::int64_t first, int track,
                 int side) {
    for (int n = places.Lowest(); n <= places.Highest(); ++n) {
        const int count = places.CountOf(n);
        if (count == 0) {
            a.tables.AddRun(first + places.FirstOf(n), 1, track, side, n);
            a.damage.AddMissing({track, side, n});
        } else if (count > 1) {
            a.damage.AddDuplicate({track, side, n, count});
        }
    }
}

int MostCommonCount(const std::vector<int>& counts) {
    // Counts of one track side lie from 1 to 64 (DMK) or to a few thousand
    // (a hostile JV3): tally them by value.
    std::vector<int> times;
    std::vector<std::size_t> firstMet;
    int best = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        const int c = counts[k];
        if (c <= 0) {
            continue;
        }
        const auto v = static_cast<std::size_t>(c);
        if (v >= times.size()) {
            times.resize(v + 1, 0);
            firstMet.resize(v + 1, 0);
        }
        if (times[v]++ == 0) {
            firstMet[v] = k;
        }
        const auto b = static_cast<std::size_t>(best);
        if (best == 0 || times[v] > times[b] ||
            (times[v] == times[b] && firstMet[v] < firstMet[b])) {
            best = c;
        }
    }
    return best;
}

namespace {

// The drive parameters of the sector whose data start at dataPos, when its
// byte 239 carries the marker.
std::optional<newdos::DriveParameters> ProbeSector(const ImageBuffer& buf, std::int64_t dataPos,
                                                   int stride) {
    if (!newdos::HasPdriveMarker(buf, dataPos, stride)) {
        return std::nullopt;
    }
    std::array<std::uint8_t, newdos::kPdriveEntrySize> entry{};
    for (std::size_t k = 0; k < entry.size(); ++k) {
        entry[k] = buf.At(dataPos + stride * static_cast<std::int64_t>(k));
    }
    return newdos::ReadDriveParameters(entry);
}

void TakeDriveParameters(ImageAnalysis& a, std::optional<newdos::DriveParameters> found) {
    if (found) {
        a.driveParameters = std::move(found);
        a.sectorsPerGranule = 5;
    }
}

// A JV1 image needs no tables: its sectors lie by their index, ten a track,
// as many tracks as the file holds, a last part-track as far as it goes. Its
// drive parameters, if any, are on track 0 sector 2.
void AnalyseJv1(const ImageBuffer& buf, const disk::Disk& disk, ImageAnalysis& a) {
    const int spt = disk.header.jv1SectorsPerTrack;
    a.tables.SetPositional(spt, disk.header.jv1DirectoryTrack);
    std::int64_t sectors = 0;
    a.tables.Reserve(disk.SectorCount());
    for (const disk::Track& track : disk.tracks) {
        for (const disk::Sector& s : track.sectors) {
            a.tables.Add(IndexedFrom(s, s.entry, s.cylinder, 0));
            ++sectors;
        }
    }
    a.tables.EndGroup();
    a.density = Density::Single;
    a.sides = 1;
    a.sectorsPerTrack = spt;
    a.directoryStart = static_cast<std::int64_t>(disk.header.jv1DirectoryTrack) * spt;
    a.directoryFound = true;
    a.totalSectors = static_cast<int>(sectors);
    a.indexes = sectors;
    a.tracks = static_cast<int>(disk.tracks.size());
    if (!disk.tracks.empty()) {
        const disk::Track& last = disk.tracks.back();
        if (last.sectors.size() < static_cast<std::size_t>(spt) ||
            !last.sectors.back().dataInFile) {
            a.damage.endsInsideTrack = last.cylinder;
        }
        for (const disk::Sector& s : disk.tracks.front().sectors) {
            if (s.sector == 2) {
                TakeDriveParameters(a, ProbeSector(buf, s.dataPos, 1));
            }
        }
    }
}

// Looks for the drive-parameter marker in sector index 2 of track slot 0,
// then of slot 1, and reads the entry where it is found. An index without a
// sector reads from the file's first byte; on a DMK image as doubled single
// density, its density and storage reading as none.
void ProbeDriveParameters(const ImageBuffer& buf, ImageAnalysis& a) {
    static constexpr int kProbeTracks[] = {0, 1};
    constexpr int kProbeSector = 2;
    for (int probeTrack : kProbeTracks) {
        const IndexedSector s = a.At(a.tables.TrackStart(probeTrack) + kProbeSector);
        const int stride = s.present ? s.stride : (a.layout == Layout::DMK ? 2 : 1);
        if (auto found = ProbeSector(buf, s.dataPos, stride)) {
            TakeDriveParameters(a, std::move(found));
            return;
        }
    }
}

} // namespace

ImageAnalysis AnalyseImage(const ImageBuffer& buf, const disk::Disk& disk) {
    ImageAnalysis a;
    a.layout = disk.layout;
    const dmk::Header& header = disk.header.dmk;
    switch (disk.layout) {
    case Layout::Unknown:
        a.outcome = AnalysisResult::RefusedNoHeader;
        return a;
    case Layout::RealDiskDMK:
    case Layout::DMK:
        a.trackLength = header.trackLength;
        a.density = header.doubleDensity ? Density::Double : Density::Single;
        a.sectorsPerGranule = header.doubleDensity ? 6 : 5;
        if (disk.layout == Layout::RealDiskDMK) {
            a.outcome = AnalysisResult::RefusedRealDisk;
            return a;
        }
        BuildDmkTables(disk, a);
        ProbeDriveParameters(buf, a);
        break;
    case Layout::JV3:
        // Entries that describe no disk: a file of other bytes.
        if (!disk.header.jv3Plausible) {
            a.outcome = AnalysisResult::RefusedNoHeader;
            return a;
        }
        BuildJv3Tables(disk, a);
        ProbeDriveParameters(buf, a);
        break;
    case Layout::JV1:
        AnalyseJv1(buf, disk, a);
        break;
    }
    if (a.firstSectorOne) {
        a.directoryStart = static_cast<std::int64_t>(a.sectorsPerTrack) * a.sides * kDirectoryTrack;
    }
    a.outcome = AnalysisResult::Shown;
    return a;
}

} // namespace ss
