#include "analysis.h"

#include "dmk.h"
#include "jv1.h"
#include "newdos.h"
#include "surface/numtext.h"
#include "table_builders.h"

namespace ss {

const char* const kRealDiskMessage = "** ERROR **  This file is a DMK type REAL disk format,\r"
                                     "                     used to access REAL Disks";
const char* const kNoHeaderMessage = "** ERROR **\r"
                                     " This file does not have an EMULATOR Disk format HEADER\r"
                                     "    It may be a Disk file for use with a dedicated program";

void SectorTables::Clear() {
    secfpa.Clear();
    sectrk.Clear();
    secside.Clear();
    secno.Clear();
    secdens.Clear();
    secdam.Clear();
    secsingle.Clear();
    secpresent.Clear();
    secsize.Clear();
    seccrc.Clear();
    trkstart.Clear();
    trkspt.Clear();
}

int ImageState::DataStride(std::int64_t i) const {
    return (dmkflag == 1 && tables.secdens(i) == 0 && tables.secsingle(i) == 0) ? 2 : 1;
}

bool ImageState::IsPresent(std::int64_t i) const {
    if (jv1 == 1) {
        return i >= 0 && i < Totalsecs;
    }
    return tables.secpresent(i) == 1;
}

int ImageState::SectorSize(std::int64_t i) const {
    if (!IsPresent(i)) {
        return 0;
    }
    return jv1 == 1 ? static_cast<int>(jv1::kSectorSize) : tables.secsize(i);
}

std::vector<std::uint8_t> ImageState::SectorData(std::int64_t i) const {
    const int size = SectorSize(i);
    const std::int64_t first = jv1 == 1 ? jv1::SectorOffset(i) : tables.secfpa(i);
    const std::int64_t stride = DataStride(i);
    if (size == 0 || !filebuf.Has(first + stride * (size - 1))) {
        return {};
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    for (int k = 0; k < size; ++k) {
        data[static_cast<std::size_t>(k)] = filebuf.At(first + stride * k);
    }
    return data;
}

SectorCrc ImageState::CrcOf(std::int64_t i) const {
    return jv1 == 1 ? SectorCrc{} : SectorCrc::Unpack(tables.seccrc(i));
}

std::int64_t FindSector(const ImageState& s, int track, int side, int sector) {
    if (s.jv1 == 1) {
        const bool fits = side == 0 && sector >= 0 && sector < jv1::kSectorsPerTrack;
        const std::int64_t i = jv1::SectorIndex(track, sector);
        return fits && s.IsPresent(i) ? i : -1;
    }
    for (std::int64_t i = 0; i < s.secslots; ++i) {
        if (s.IsPresent(i) && s.tables.sectrk(i) == track && s.tables.secside(i) == side &&
            s.tables.secno(i) == sector) {
            return i;
        }
    }
    return -1;
}

std::vector<std::string> DamageNotices(const DiskDamage& damage) {
    // Each missing sector gets a line of its own up to this many; the rest
    // are counted in one line.
    constexpr std::size_t kMissingLines = 8;
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
    for (std::size_t k = 0; k < damage.missing.size() && k < kMissingLines; ++k) {
        const DiskDamage::Missing& m = damage.missing[k];
        lines.push_back("track " + std::to_string(m.track) + (m.side == 1 ? " side 1" : "") +
                        " has no sector " + std::to_string(m.sector));
    }
    if (damage.missing.size() > kMissingLines) {
        const std::size_t more = damage.missing.size() - kMissingLines;
        lines.push_back(std::to_string(more) + (more == 1 ? " more sector" : " more sectors") +
                        " missing");
    }
    if (damage.endsInsideTrack >= 0) {
        lines.push_back("image ends inside track " + std::to_string(damage.endsInsideTrack));
    }
    return lines;
}

void GetSectorInfo(ImageState& s) {
    const std::int64_t i = s.PresSecnum;
    s.Emtype = LayoutName(s.dmkflag == 0 ? Layout::JV3 : Layout::DMK);
    s.fpa = s.tables.secfpa(i);
    if (s.dmkflag == 0) {
        s.datamarkjv = s.tables.secdam(i);
    } else {
        s.datamarkDmk = s.tables.secdam(i);
    }
    s.trkdens = s.tables.secdens(i);
}

namespace {

// The whole file into the buffer; the flags and marks of the last image reset.
void LoadAndReset(ImageState& s, std::vector<std::uint8_t> bytes) {
    s.fileend = static_cast<std::int64_t>(bytes.size());
    s.filebuf = ImageBuffer(std::move(bytes));
    s.fpa = 0;
    s.firstsecnum = 0;
    s.datamarkDmk = 0;
    s.datamarkjv = 0;
    s.dmkflag = 0;
    s.jv3flag = 0;
    s.damage = DiskDamage{};
}

// A JV1 image needs no tables: ten sectors of 256 bytes a track, as many
// tracks as the file holds, a last part-track as far as it goes. Its drive
// parameters, if any, are on track 0 sector 2.
void AnalyseJv1(ImageState& s) {
    const std::int64_t trackBytes = jv1::kSectorsPerTrack * jv1::kSectorSize;
    const std::int64_t sectors = jv1::SectorsOfLength(s.fileend);
    s.tables.Clear();
    s.dens = 1;
    s.dmkflag = 0;
    s.sides = 1;
    s.spt = jv1::kSectorsPerTrack;
    s.sda = " Single/Sided";
    s.dirstartsec = jv1::kDirectoryFirst;
    s.dd = " Single/Density";
    s.PresSecnum = 0;
    s.Emtype = LayoutName(Layout::JV1);
    s.Totalsecs = static_cast<int>(sectors);
    s.secslots = sectors;
    s.tracks = static_cast<int>(jv1::TracksOfLength(s.fileend));
    if (s.fileend % trackBytes != 0) {
        s.damage.endsInsideTrack = static_cast<int>(s.fileend / trackBytes);
    }
    s.dirstartsecfnd = 1;
    s.fpa = jv1::kPdriveSectorOffset;
    s.newdosflag = 0;
    if (newdos::HasPdriveMarker(s.filebuf, s.fpa)) {
        ReadPdriveEntry(s);
        s.spgaa = "   Spg =" + DecBlank(s.spg);
    }
}

// The tables of the last image go before a builder fills them anew.
void StartTables(ImageState& s) {
    s.tables.Clear();
    s.dirstartsec = 0;
    s.secslots = 0;
}

// Density, sides and layout texts of a JV3 or DMK image.
void DescribeDisk(ImageState& s, Layout layout) {
    s.PresSecnum = 0;
    s.dd = " Single/Density";
    if (s.dens == 2) {
        s.dd = " Double/Density";
    }
    if (s.dens == 3) {
        s.dd = " Dual/Density";
    }
    s.sda = s.sides == 2 ? " Double/Sided" : " Single/Sided";
    s.Emtype = LayoutName(layout);
}

// Looks for the drive-parameter marker in sector 2 of track 0, then of
// track 1, and reads the entry where it is found.
void ProbePdrive(ImageState& s) {
    static constexpr int kProbeTracks[] = {0, 1};
    for (int probeTrack : kProbeTracks) {
        s.TrkToFind = probeTrack;
        s.SecToFind = 2;
        s.SideToFind = 0;
        const std::int64_t remembered = s.PresSecnum;
        s.PresSecnum = s.tables.trkstart(s.TrkToFind) + s.SecToFind;
        GetSectorInfo(s);
        const int stride = s.DataStride(s.PresSecnum);
        s.PresSecnum = remembered;
        s.newdosflag = 0;
        if (newdos::HasPdriveMarker(s.filebuf, s.fpa, stride)) {
            ReadPdriveEntry(s, stride);
            return;
        }
    }
}

} // namespace

AnalysisResult AnalyseImage(ImageState& s, std::vector<std::uint8_t> bytes) {
    LoadAndReset(s, std::move(bytes));
    const Layout layout = RecogniseLayout(s.filebuf);
    s.jv1 = layout == Layout::JV1 ? 1 : 0;
    if (layout == Layout::JV1) {
        AnalyseJv1(s);
        return AnalysisResult::Shown;
    }

    // Every other file has its DMK track length taken, whatever its layout.
    const dmk::Header header = dmk::ReadHeader(s.filebuf);
    s.trklength = header.trackLength;
    s.spg = 5;
    switch (layout) {
    case Layout::DMK:
    case Layout::RealDiskDMK:
        s.dmkflag = 1;
        s.dens = header.doubleDensity ? 2 : 1;
        s.spg = header.doubleDensity ? 6 : 5;
        if (layout == Layout::RealDiskDMK) {
            return AnalysisResult::RefusedRealDisk;
        }
        StartTables(s);
        BuildDmkTables(s);
        break;
    case Layout::JV3:
    case Layout::Unknown:
        s.jv3flag = 1;
        s.dirstartsecfnd = 0;
        if (layout == Layout::Unknown) {
            return AnalysisResult::RefusedNoHeader;
        }
        StartTables(s);
        BuildJv3Tables(s);
        break;
    case Layout::JV1:
        break;
    }

    DescribeDisk(s, layout);
    ProbePdrive(s);
    s.spgaa = "   Spg =" + DecBlank(s.spg);
    return AnalysisResult::Shown;
}

} // namespace ss
