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
    trkstart.Clear();
    trkspt.Clear();
}

int ImageState::DataStride(std::int64_t i) const {
    return (dmkflag == 1 && tables.secdens(i) == 0 && tables.secsingle(i) == 0) ? 2 : 1;
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
}

// A JV1 image needs no tables: its geometry is fixed. Its drive parameters,
// if any, are on track 0 sector 2.
void AnalyseJv1(ImageState& s) {
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
    s.Totalsecs = jv1::kSectors;
    s.tracks = jv1::kTracks;
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
