#include "hex_viewer_logic.h"

#include "image/open_file.h"
#include "surface/numtext.h"

#include <array>
#include <utility>

namespace ss {

namespace {
// The address of a line: upper-case hex, at least 7 digits, written at the
// end of buf.
std::string_view AddressText(std::int64_t offset, std::array<char, 16>& buf) {
    constexpr int kMinDigits = 7;
    auto n = static_cast<std::uint64_t>(offset);
    char* const end = buf.data() + buf.size();
    char* p = end;
    do {
        *--p = Hex2View(static_cast<std::uint8_t>(n & 0xF))[1];
        n >>= 4;
    } while (n != 0 || end - p < kMinDigits);
    return {p, static_cast<std::size_t>(end - p)};
}

// The blanks after the hex digits of column k (1 to 16): two after every
// fourth column inside the line, one elsewhere.
std::string_view Separator(int k) {
    return (k % 4 == 0 && k < HexLayout::kBytesPerLine) ? "  " : " ";
}
} // namespace

HexViewerLogic::HexViewerLogic(Host& host, const FontMetrics& metrics)
    : surface(metrics, colour::HexBackground), host_(host), structure_(ReadHexFile(filebuf)) {
    TxtFilename.BackColor = hexcolour::FileNameBack;
    Text1.BackColor = hexcolour::LengthBack;
    Text8.BackColor = hexcolour::LengthBack;
    for (TextBox* box : {&Text2, &Text3, &Text4, &Text5, &Text6, &Text7}) {
        box->BackColor = colour::HexBackground;
    }
    VScroll1.Max = 0;
    VScroll1.SmallChange = 1;
    VScroll1.LargeChange = HexLayout::kLinesPerPage;
    VScroll1.Change = [this] { VScroll1_Change(); };
}

bool HexViewerLogic::OpenFile(const std::string& name) {
    return OpenFileNumber1(file1_, host_, name);
}

bool HexViewerLogic::LoadFile(const std::string& name) {
    Filename = name;
    if (!OpenFile(Filename)) {
        return false;
    }
    TxtFilename.Text = Filename;
    openflag = 1;
    filebuf = HexBytes(file1_.ReadAllAndClose());
    structure_ = ReadHexFile(filebuf);
    Text1.Text = Hex(static_cast<std::uint64_t>(fileend()));
    // The bar reaches the last line a page may start at, however long the file.
    VScroll1.Max = static_cast<int>(HexLayout::LastPageLine(fileend()));
    fpa = 0;
    return true;
}

void HexViewerLogic::Form_Activate() {
    if (host_.SharedFilename.empty() || openflag != 0) {
        return;
    }
    if (!LoadFile(host_.SharedFilename)) {
        return;
    }
    stepval = 0;
    VScroll1.SetValue(0);
    fpa = 0;
    DispHexPage();
}

OpenResult HexViewerLogic::MnuOpen(const std::string& name) {
    if (!LoadFile(name)) {
        return OpenResult::CannotOpen(CannotOpenReason(name));
    }
    VScroll1.SetValue(0);
    fpa = 0;
    marking.clrsave = 0;
    DispHexPage();
    return OpenResult::Opened();
}

void HexViewerLogic::VScroll1_Change() {
    stepval = VScroll1.Value();
    if (!HexLayout::Pages(fileend())) {
        return;
    }
    const std::int64_t last = HexLayout::LastPageLine(fileend());
    if (stepval > last) {
        // Past the last page: the bar snaps back, and that Change draws it.
        VScroll1.SetValue(static_cast<int>(last));
        return;
    }
    if (stepval < 0) {
        VScroll1.SetValue(0);
        return;
    }
    fpa = HexLayout::LineStart(stepval);
    if (fpa < fileend()) {
        DispHexPage();
    }
}

void HexViewerLogic::Form_Resize() {
    if (openflag == 1) {
        fpa = fpasave2;
        DispHexPage();
    }
}

void HexViewerLogic::DispHexPage() {
    fpasave2 = fpa;
    trklength = structure_.trackLength;
    const HexFormat format = structure_.format;
    marking.BeginPage(structure_, fpa);

    surface.Cls();
    surface.CurrentY = hexlayout::kTopLines * surface.TextHeight("sample");
    std::array<char, 16> address;
    std::array<std::uint8_t, HexLayout::kBytesPerLine> bytes;
    for (int line = 0; line < HexLayout::kLinesPerPage; ++line) {
        surface.ForeColor = hexcolour::Address;
        surface.CurrentX = hexlayout::kLineLeft;
        surface.Print(" ", true);
        surface.Print(AddressText(fpa, address), true);
        surface.Print("  ", true);
        surface.ForeColor = colour::Black;
        filebuf.Read(fpa, bytes);
        for (int k = 1; k <= HexLayout::kBytesPerLine; ++k) {
            const std::uint8_t b = bytes[static_cast<std::size_t>(k - 1)];
            surface.ForeColor = marking.HexColour(filebuf, fpa + k - 1, b);
            surface.Print(Hex2View(b), true);
            surface.Print(Separator(k), true);
        }
        surface.Print(" ", true);
        for (const std::uint8_t b : bytes) {
            surface.ForeColor = marking.TextColour(b);
            surface.Print(ShownView(b), true);
        }
        fpa += HexLayout::kBytesPerLine;
        surface.Print();
    }

    SetLegend(format, fpasave2);
    Text8.Text = marking.DoubleByteNotice() ? std::string(hextext::kDoubleByteNotice)
                                            : std::string(hextext::kNoticeBlanks, ' ');
}

void HexViewerLogic::SetLegend(HexFormat format, std::int64_t pageStart) {
    for (TextBox* box : {&Text2, &Text3, &Text4, &Text5, &Text6, &Text7}) {
        box->Text.clear();
    }
    switch (format) {
    case HexFormat::Dmk:
        Text2.Text = hextext::kDmk;
        Text3 = TextBox{hextext::kIdam, colour::HexBackground, colour::Blue};
        Text4 = TextBox{hextext::kTrackHeader, colour::HexBackground, hexcolour::LegendHeader};
        Text5 = TextBox{hextext::kTrack, colour::HexBackground, colour::Blue};
        Text6 = TextBox{hextext::kSide, colour::HexBackground, colour::Blue};
        Text7.Text = hextext::kSector;
        Text7.ForeColor = colour::Blue;
        break;
    case HexFormat::DmkRealDisk:
        Text3.Text = hextext::kRealDisk;
        break;
    case HexFormat::Jv1:
        Text2.Text = hextext::kJv1;
        Text4.Text = hextext::kTracksRedBlack;
        break;
    case HexFormat::Jv3:
        // Every byte of the page inside the header gives the header legend
        // its colours; what the window shows is the legend of the last byte,
        // and a box keeps its colour after its text is gone.
        if (hexrules::InJv3Header(pageStart)) {
            Text3.ForeColor = colour::Red;
            Text5.ForeColor = colour::Blue;
            Text6.ForeColor = hexcolour::Jv3Flags;
        }
        Text2.Text = hextext::kJv3;
        if (hexrules::InJv3Header(pageStart + HexLayout::kPageBytes - 1)) {
            Text3.Text = hextext::kJv3Track;
            Text5.Text = hextext::kSector;
            Text6.Text = hextext::kJv3Flags;
        } else {
            Text4.Text = hextext::kTracksRedBlack;
        }
        break;
    case HexFormat::None:
        break;
    }
}

} // namespace ss
