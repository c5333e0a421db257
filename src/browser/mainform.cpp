#include "mainform.h"

#include "surface/numtext.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace ss {

namespace {
constexpr const char* kDirSector = "Dir Sec.";
constexpr const char* kDataSector = "Data Sec.";

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}
} // namespace

MainformLogic::MainformLogic(Host& host, const FontMetrics& metrics)
    : surface(metrics, colour::LightGrey), host_(host) {
    // The Newdos/80 marker field shows red text.
    Text7.ForeColor = colour::Red;
}

bool MainformLogic::OpenFile(const std::string& name) {
    return OpenFileNumber1(file1_, host_, name);
}

OpenResult MainformLogic::MnuOpen(const std::string& name) {
    Filename = name;
    if (!OpenFile(Filename)) {
        return OpenResult::CannotOpen(CannotOpenReason(Filename));
    }
    TxtFilename.Text = Filename;
    openflag = 1;
    return AnalyseImage();
}

OpenResult MainformLogic::AnalyseImage() {
    std::vector<std::uint8_t> bytes = file1_.ReadAllAndClose();
    surface.Cls();
    List2.Clear();
    Combo1.Clear();

    sectors_.reset();
    disk_ = dos::Disk{};
    ++generation_;
    switch (ss::AnalyseImage(img, std::move(bytes))) {
    case AnalysisResult::RefusedRealDisk:
        imageShown_ = false;
        host_.MsgBox(kRealDiskMessage, kMsgOk, kRefusalTitle);
        return OpenResult::Refused(kRealDiskMessage);
    case AnalysisResult::RefusedNoHeader:
        imageShown_ = false;
        host_.MsgBox(kNoHeaderMessage, kMsgOk, kRefusalTitle);
        return OpenResult::Refused(kNoHeaderMessage);
    case AnalysisResult::Shown:
        break;
    }

    imageShown_ = true;
    sectors_.emplace(img);
    disk_ = dos::ReadDisk(*sectors_);
    for (int t = 0; t < img.tracks; ++t) {
        Combo1.AddItem(DecBlank(t));
    }
    if (img.jv1 == 0 && img.dens == 3) {
        List2.Clear();
        List2.AddItem(kDualDensityNotice);
    }
    GetDispSector();
    return OpenResult::Opened();
}

void MainformLogic::GetDispSector() {
    // After a refusal the state is half of one image and half of another:
    // show nothing until the next image is analysed.
    if (!imageShown_) {
        return;
    }
    const SectorTables& tb = img.tables;

    // No-directory notice.
    if (img.dirstartsecfnd == 0) {
        surface.CurrentX = mainlayout::kNoticeX;
        surface.CurrentY = mainlayout::kNoticeY;
        surface.ForeColor = colour::Red;
        surface.Print(kNoDirectoryNotice);
    }

    host_.Yield();
    // What ran meanwhile may have opened a file that was refused.
    if (!imageShown_) {
        return;
    }
    surface.ForeColor = colour::Black;

    // Disk summary.
    sptab = "  Sec/Cyl. =" + DecBlank(static_cast<std::int64_t>(img.sides) * img.spt) + " (" +
            DecBlank(img.spt) + " *" + DecBlank(img.sides) + ")";
    Text1.Text = DecBlank(img.tracks) + " Track";
    Text2.ForeColor = img.dd == " Single/Density" ? colour::Green : colour::Red;
    Text2.Text = img.dd;
    Text3.ForeColor = img.sda == " Single/Sided" ? colour::Green : colour::Red;
    Text3.Text = img.sda;
    Text4.Text = sptab;
    Text5.Text.clear();
    if (img.newdosflag == 1) {
        Text5.Text = img.spgaa;
    }

    // Where the sector lies.
    const std::int64_t p = img.PresSecnum;
    if (img.jv1 == 1) {
        img.TrkToFind = static_cast<int>(FloorDiv(p, 10));
        img.SecToFind = static_cast<int>(p - 10 * static_cast<std::int64_t>(img.TrkToFind));
        img.SideToFind = 0;
    } else {
        Text7.Text.clear();
        if (img.newdosflag == 1) {
            Text7.Text = kNewdosMarkerText;
        }
        Txtlumpnum.Text.clear();
        if (img.newdosflag == 1) {
            surface.CurrentX = mainlayout::kNoticeX;
            surface.CurrentY = mainlayout::kNoticeY;
            surface.ForeColor = colour::Blue;
            surface.Print(img.pdrive);
            // A lump of no sectors has no number: the field stays empty.
            if (img.spl != 0) {
                Txtlumpnum.Text = Dec(FloorDiv(p, img.spl));
            }
        }
        img.TrkToFind = tb.sectrk(p);
        img.SecToFind = tb.secno(p);
        img.SideToFind = tb.secside(p);
    }
    disktrk = img.TrkToFind;

    // Identity fields.
    Txtsecnum.Text = Dec(p);
    Txttrk.Text = Dec(img.TrkToFind);
    Txtsector.Text = Dec(img.SecToFind);
    txtside.BackColor = img.SideToFind == 1 ? colour::LightBlue : colour::Peach;
    txtside.Text = Dec(img.SideToFind);
    Txttrkspt.Text = Dec(tb.trkspt(disktrk));
    Txtfiletype.Text = img.Emtype;
    if (img.Emtype == "DMK") {
        Txtfiletype.BackColor = colour::Pink;
    } else if (img.Emtype == "JV3") {
        Txtfiletype.BackColor = colour::BrightGreen;
    } else if (img.Emtype == "JV1") {
        Txtfiletype.BackColor = colour::LightOrange;
    }
    if (img.jv1 == 1) {
        Txttrkspt.Text = "10";
    }

    // Data position, data mark and density.
    img.datamarkjv = 0;
    if (img.jv1 == 1) {
        img.fpa = p * 256;
        img.trkdens = 0;
        if (p >= 170 && p < 180) {
            img.datamarkjv = 32;
        }
    }
    if (img.dmkflag == 1) {
        img.Emtype = "DMK";
        img.fpa = tb.secfpa(p);
        img.datamarkDmk = tb.secdam(p);
        img.trkdens = tb.secdens(p);
    }
    if (img.jv3flag == 1) {
        img.Emtype = "JV3";
        img.fpa = tb.secfpa(p);
        img.datamarkjv = tb.secdam(p);
        img.trkdens = tb.secdens(p);
    }

    // Density field.
    const bool doubleDensity = img.trkdens == 128;
    TxtDens.BackColor = doubleDensity ? colour::Orange : colour::Lime;
    Txttrkspt.BackColor = TxtDens.BackColor;
    TxtDens.Text = doubleDensity ? "D/D  " : "S/D  ";

    // Sector type from the data mark.
    const std::string damText = img.dmkflag == 1
                                    ? Hex(static_cast<std::uint64_t>(img.datamarkDmk & 0xFFFF))
                                    : Hex(static_cast<std::uint64_t>(img.datamarkjv & 0xFFFF));
    bool dirSector = img.datamarkDmk == 0xF8 || img.datamarkDmk == 0xFA || img.datamarkjv == 32;
    Txtsecnum.BackColor = dirSector ? colour::Pink : colour::Peach;

    // Track sectors numbered from 1: the directory is taken to start on track
    // 17, counting both sides of every cylinder before it.
    if (img.firstsecnum == 1) {
        List2.Clear();
        List2.AddItem(kFirstSectorOneNotice);
        img.dirstartsec = static_cast<std::int64_t>(img.spt) * img.sides * 17;
        dirSector = img.dirstartsec <= p && p <= img.dirstartsec + 17;
        if (dirSector) {
            Txtsecnum.BackColor = colour::Pink;
        }
    }

    // Type, mark and position fields.
    Txtsectype.BackColor = dirSector ? colour::Pink : colour::Peach;
    Txtsectype.Text = dirSector ? kDirSector : kDataSector;
    Txtdam.Text = damText;
    Text6.Text = Hex(static_cast<std::uint64_t>(img.fpa));
    Txtowner.Text = dos::OwnerText(disk_, {img.TrkToFind, img.SideToFind, img.SecToFind});

    surface.Line(mainlayout::kDumpLeft, mainlayout::kDumpTop, mainlayout::kDumpRight,
                 mainlayout::kDumpBottom, colour::ButtonFace);
    DumpSector(dirSector);
}

void MainformLogic::DumpSector(bool dirSector) {
    const std::int64_t p = img.PresSecnum;
    const int stride = img.DataStride(p);
    const bool coloured = dirSector && p >= img.dirstartsec + 2;
    int entryFirst = 0;

    surface.CurrentY = mainlayout::kDumpTop;
    for (int r = 1; r <= 16; ++r) {
        surface.ForeColor = colour::Brown;
        surface.CurrentX = mainlayout::kRowLabelX;
        surface.Print("  " + Hex2(static_cast<std::uint64_t>((r - 1) * 16)), true);
        surface.ForeColor = colour::Black;
        for (int k = 1; k <= 16; ++k) {
            const std::uint8_t b = img.filebuf.At(img.fpa);
            dumped_[static_cast<std::size_t>((r - 1) * 16 + k - 1)] = b;
            if (r % 2 == 1 && k == 1) {
                entryFirst = b;
            }
            img.fpa += stride;

            Colour c = colour::Black;
            if (coloured && entryFirst != 0) {
                const int o = (r % 2 == 1) ? k - 1 : 16 + k - 1;
                if (o >= 22 && o <= 31 && b != 0xFF) {
                    c = entryFirst == 0x90 ? colour::Magenta : colour::Red;
                }
                if ((o == 20 || o == 21) && entryFirst != 0x90) {
                    c = colour::Blue;
                }
                if (o == 0 && b != 0) {
                    c = colour::BrightGreen;
                }
            }
            surface.CurrentX = mainlayout::HexColumn(k);
            surface.ForeColor = c;
            surface.Print(Hex2(b), true);
            surface.CurrentX = mainlayout::TextColumn(k);
            surface.ForeColor = colour::Black;
            surface.Print(std::string(1, ShownChar(b)), true);
        }
        surface.Print();
    }
}

void MainformLogic::CmndNextsec_Click() {
    img.PresSecnum += 1;
    if (img.PresSecnum > img.Totalsecs - 1) {
        img.PresSecnum = img.Totalsecs - 1;
        return;
    }
    GetDispSector();
}

void MainformLogic::CmndPrevsec_Click() {
    img.PresSecnum -= 1;
    if (img.PresSecnum < 0) {
        img.PresSecnum = 0;
        return;
    }
    GetDispSector();
}

void MainformLogic::CmndNexTrack_Click() {
    track = disktrk + 1;
    if (track > img.tracks - 1) {
        track = img.tracks - 1;
        return;
    }
    img.PresSecnum = img.jv1 == 1 ? track * 10LL : img.tables.trkstart(track);
    GetDispSector();
}

void MainformLogic::CmndPrevTrk_Click() {
    track = disktrk - 1;
    if (track < 0) {
        track = 0;
        return;
    }
    img.PresSecnum = img.jv1 == 1 ? track * 10LL : img.tables.trkstart(track);
    GetDispSector();
}

void MainformLogic::CmndGotoTrk_Click() {
    if (openflag != 1) {
        return;
    }
    const std::optional<int> wanted = LeadingTrackNumber(Combo1.Text);
    if (!wanted) {
        return; // a negative or oversized number is ignored like one beyond the last track
    }
    track = *wanted;
    if (track > img.tracks - 1) {
        return;
    }
    if (img.jv1 == 1) {
        img.PresSecnum = track * 10LL;
    } else {
        std::int64_t sum = 0;
        for (int t = 0; t < track; ++t) {
            sum += static_cast<std::int64_t>(img.tables.trkspt(t)) * img.sides;
        }
        img.PresSecnum = sum;
    }
    GetDispSector();
}

void MainformLogic::CmndDirFind_Click() {
    if (openflag == 0) {
        return;
    }
    img.PresSecnum = img.dirstartsec;
    if (img.dirstartsecfnd != 0) {
        GetDispSector();
    } else {
        host_.MsgBox(kNoDirectoryMessage, kMsgOk, kRefusalTitle);
    }
}

void MainformLogic::Form_Activate() {
    if (openflag == 1) {
        GetDispSector();
    }
}

void MainformLogic::Cmndsecdisp_Click() {
    host_.SharedFilename = Filename;
    host_.ShowWindow(WindowId::SectorMap);
}

void MainformLogic::Cmndhexedit_Click() {
    host_.SharedFilename = Filename;
    host_.ShowWindow(WindowId::HexViewer);
}

void MainformLogic::CmndFiles_Click() {
    host_.SharedFilename = Filename;
    host_.ShowWindow(WindowId::Files);
}

bool MainformLogic::ShowSectorAt(const dos::SectorAddress& at) {
    const std::optional<std::int64_t> index = sectors_ ? sectors_->IndexOf(at) : std::nullopt;
    if (!imageShown_ || !index) {
        return false;
    }
    img.PresSecnum = *index;
    GetDispSector();
    return true;
}

void MainformLogic::Form_Resize() {
    if (openflag == 1) {
        GetDispSector();
    }
}

std::optional<int> LeadingTrackNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    // The longest prefix that reads as a decimal number: sign, digits,
    // fraction, exponent.
    std::size_t j = i;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
        ++j;
    }
    std::size_t digits = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
        ++j;
        ++digits;
    }
    if (j < text.size() && text[j] == '.') {
        ++j;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            ++j;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
        std::size_t e = j + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) {
            ++e;
        }
        if (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) {
            while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) {
                ++e;
            }
            j = e;
        }
    }
    const std::string number(text.substr(i, j - i));
    const double value = std::strtod(number.c_str(), nullptr);
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    if (!(rounded >= 0 && rounded <= std::numeric_limits<std::int16_t>::max())) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

} // namespace ss
