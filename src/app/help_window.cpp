#include "help_window.h"

#include "sectorscope_version.h"
#include "surface/colours.h"
#include "surface/contrast.h"
#include "surface_widget.h"
#include "window_frame.h"
#include "windows/disk_check/disk_check_logic.h"
#include "windows/hex_viewer/hex_marking.h"
#include "windows/main_window/main_window_logic.h"
#include "windows/sector_map/sector_map_logic.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTextBrowser>

namespace ss {

namespace {

QString HtmlColour(Colour c) {
    return ToQColor(c, QGuiApplication::palette()).name();
}

QString Escaped(const char* text) {
    return QString::fromLatin1(text).toHtmlEscaped();
}

// A legend row: `sample` as the window shows it, in `ink` on `back`, and what
// it means.
QString LegendRow(Colour ink, Colour back, const QString& sample, const QString& meaning) {
    if (HighContrast()) {
        ink = HighContrastColour(ink, back);
    }
    return QStringLiteral("<tr><td bgcolor=\"%1\"><font color=\"%2\"><b><tt>%3</tt></b></font>"
                          "</td><td>%4</td></tr>")
        .arg(HtmlColour(back), HtmlColour(ink), sample, meaning);
}

// A row of two cells: a key or a field, and what it does or shows.
QString Row(const QString& what, const QString& meaning) {
    return QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(what, meaning);
}

QString Table(const QString& rows) {
    return QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">") + rows +
           QStringLiteral("</table>");
}

QString Section(const char* anchor, const QString& title) {
    return QStringLiteral("<h2><a name=\"%1\"></a>%2</h2>").arg(QLatin1String(anchor), title);
}

QString OpeningSection() {
    return Section("open", QStringLiteral("Opening an image")) +
           QStringLiteral(
               "<p>Each window opens images of its own: <b>File &gt; Open...</b> (Ctrl+O), one of "
               "the recent images listed in the File menu, or a single image file dropped "
               "anywhere on the window. The file dialog starts in the folder of the image open "
               "in that window, else in the folder last used, else in the folder the program "
               "was started from. <tt>sectorscope IMAGE</tt> opens an image in the main window "
               "at start, as the file manager does when you open an image with sectorscope.</p>"
               "<p>A file that cannot be opened gives a box titled &quot;Text Editor&quot; that "
               "names the file and the reason (no such file, permission denied, a folder...). "
               "The main window refuses, with a box titled &quot;Error&quot;, DMK images made "
               "for real drives and files without an emulator header; the window then shows "
               "nothing until the next image.</p>") +
           Table(Row(QStringLiteral("Ctrl+O"), QStringLiteral("File &gt; Open...")) +
                 Row(QStringLiteral("Ctrl+Q"),
                     QStringLiteral("File &gt; Exit: ends the program; so does closing the "
                                    "main window, the sector map or the hex viewer (the Files, "
                                    "Disk Check and contents windows close alone)")) +
                 Row(QStringLiteral("Ctrl+K"),
                     QStringLiteral("File &gt; Disk Check...: every sector of the main "
                                    "window's disk at a glance")) +
                 Row(QStringLiteral("Ctrl+Plus, Ctrl+Minus"),
                     QStringLiteral("draw the window larger or smaller; the window grows or "
                                    "shrinks with its drawing, and keeps the zoom for the next "
                                    "run (the Files window: its text)")) +
                 Row(QStringLiteral("Ctrl+0"), QStringLiteral("the drawing at its natural size")) +
                 Row(QStringLiteral("View &gt; High contrast"),
                     QStringLiteral("draws the texts of every window, and the colours of this "
                                    "help, in colours that stand out from their background by "
                                    "at least 4.5 to 1; kept for the next run")) +
                 Row(QStringLiteral("F1"), QStringLiteral("this help"))) +
           QStringLiteral("<p>Making the main window or the sector map window larger by hand "
                          "makes its drawing larger too.</p>");
}

QString MainWindowSection() {
    const Colour grey = colour::LightGrey;
    const Colour face = colour::ButtonFace;
    return Section("Mainform", QStringLiteral("The main window")) +
           QStringLiteral(
               "<p>The disk summary at the top, the fields of the sector on display, and its 256 "
               "bytes below: each row is an offset, 16 bytes in hex and the same bytes as "
               "characters (a byte from 33 to 127 as itself, any other as a dot).</p>") +
           Table(Row(QStringLiteral("Page Down, Page Up"),
                     QStringLiteral("Next Sec, Prev Sec: the next or previous sector")) +
                 Row(QStringLiteral("Ctrl+Page Down, Ctrl+Page Up"),
                     QStringLiteral("Next Track, Prev. Track: the first sector of the next or "
                                    "previous track")) +
                 Row(QStringLiteral("Ctrl+G, or Return in the track list"),
                     QStringLiteral("Goto Track: the first sector of the track typed or picked "
                                    "in the track list")) +
                 Row(QStringLiteral("Ctrl+D"),
                     QStringLiteral("To Directory: the first directory sector")) +
                 Row(QStringLiteral("Ctrl+M"),
                     QStringLiteral("Sector Display: the sector map window on this image")) +
                 Row(QStringLiteral("Ctrl+H"),
                     QStringLiteral("Hex Editor: the hex viewer on this image")) +
                 Row(QStringLiteral("Ctrl+L"),
                     QStringLiteral("Files... (also File &gt; Files...): the files on the disk, "
                                    "for TRSDOS, LDOS, DOSPLUS, NEWDOS/80 and CP/M disks; damaged "
                                    "files in red"))) +
           QStringLiteral("<h3>Fields</h3>") +
           Table(
               Row(QStringLiteral("File name"), QStringLiteral("the image file open")) +
               Row(QStringLiteral("File Type"),
                   QStringLiteral("the layout of the image: JV1, JV3 or DMK")) +
               Row(QStringLiteral("Tracks"), QStringLiteral("the number of tracks, &quot;40 "
                                                            "Track&quot;")) +
               Row(QStringLiteral("Density"),
                   QStringLiteral("Single/Density or Double/Density when every sector is of "
                                  "that density, Dual/Density when both occur")) +
               Row(QStringLiteral("Sides"), QStringLiteral("Single/Sided or Double/Sided")) +
               Row(QStringLiteral("Sec/Cyl."),
                   QStringLiteral("sectors per cylinder: sectors per track (the most common "
                                  "count over the disk's tracks) times sides")) +
               Row(QStringLiteral("Spg"), QStringLiteral("sectors per granule (Newdos/80 disks)")) +
               Row(Escaped(kNewdosMarkerText).trimmed(),
                   QStringLiteral("the disk holds a Newdos/80 drive-parameter sector; the "
                                  "drive parameters (Pdrives: TI, TD, TC, SPT, TSR, GPL, DDSL, "
                                  "DDGA) then stand above the dump")) +
               Row(QStringLiteral("Notices"), Escaped(kDualDensityNotice).trimmed() +
                                                  QStringLiteral("; ") +
                                                  Escaped(kFirstSectorOneNotice)) +
               Row(QStringLiteral("Trk, Side, Sec."),
                   QStringLiteral("the track, side and sector number of the sector on "
                                  "display, as its ID field gives them; for an index without "
                                  "a sector, the ones it stands for")) +
               Row(QStringLiteral("Spt"), QStringLiteral("sectors on this track")) +
               Row(QStringLiteral("Sec Dens"), QStringLiteral("the sector's density: S/D "
                                                              "single, D/D double")) +
               Row(QStringLiteral("Sec"),
                   QStringLiteral("the sector index: the window's count of sectors over the "
                                  "whole image, from 0 (for JV1, 10 &times; track + sector)")) +
               Row(QStringLiteral("Dir Sec. / Data Sec."),
                   QStringLiteral("whether the sector belongs to the directory")) +
               Row(QStringLiteral("DAM"),
                   QStringLiteral("the sector's data address mark, in hex: FB data, F8 or FA "
                                  "directory (JV3 from its flag bits; JV1, which keeps none, "
                                  "FA on track 17 and FB elsewhere, as emulators read it)")) +
               Row(QStringLiteral("Lump"),
                   QStringLiteral("the Newdos/80 lump that holds the sector")) +
               Row(QStringLiteral("File position"),
                   QStringLiteral("where the sector's data starts in the image file, in "
                                  "hex")) +
               Row(QStringLiteral("Owner"),
                   QStringLiteral("what the sector is to the disk's DOS: a file and which of "
                                  "its sectors, the directory, GAT, HIT, boot, free"))) +
           QStringLiteral("<h3>Colours</h3>") +
           Table(LegendRow(colour::Black, colour::Pink, QStringLiteral("DMK"),
                           QStringLiteral("File Type: a DMK image")) +
                 LegendRow(colour::Black, colour::BrightGreen, QStringLiteral("JV3"),
                           QStringLiteral("File Type: a JV3 image")) +
                 LegendRow(colour::Black, colour::LightOrange, QStringLiteral("JV1"),
                           QStringLiteral("File Type: a JV1 image")) +
                 LegendRow(colour::Green, colour::White, QStringLiteral("Single/Density"),
                           QStringLiteral("Density and Sides: single")) +
                 LegendRow(colour::Red, colour::White, QStringLiteral("Double/Sided"),
                           QStringLiteral("Density and Sides: double or dual")) +
                 LegendRow(colour::Black, colour::Peach, QStringLiteral("0"),
                           QStringLiteral("Side 0")) +
                 LegendRow(colour::Black, colour::LightBlue, QStringLiteral("1"),
                           QStringLiteral("Side 1")) +
                 LegendRow(colour::Black, colour::Lime, QStringLiteral("S/D"),
                           QStringLiteral("Sec Dens and Spt: a single-density sector")) +
                 LegendRow(colour::Black, colour::Orange, QStringLiteral("D/D"),
                           QStringLiteral("Sec Dens and Spt: a double-density sector")) +
                 LegendRow(colour::Black, colour::Pink, QStringLiteral("Dir Sec."),
                           QStringLiteral("Sec and the sector type: a directory sector")) +
                 LegendRow(colour::Black, colour::Peach, QStringLiteral("Data Sec."),
                           QStringLiteral("Sec and the sector type: any other sector")) +
                 LegendRow(colour::Red, grey, QStringLiteral("No Directory was found"),
                           QStringLiteral("above the dump: the disk has no directory")) +
                 LegendRow(colour::Blue, grey, QStringLiteral("Pdrives: TI = A"),
                           QStringLiteral("above the dump: the Newdos/80 drive parameters")) +
                 LegendRow(colour::Brown, face, QStringLiteral("  00"),
                           QStringLiteral("the dump: the offset of each row")) +
                 LegendRow(colour::BrightGreen, face, QStringLiteral("5E"),
                           QStringLiteral("a directory entry's attribute byte")) +
                 LegendRow(colour::Blue, face, QStringLiteral("1A"),
                           QStringLiteral("a directory entry's end-of-file record bytes")) +
                 LegendRow(colour::Red, face, QStringLiteral("22"),
                           QStringLiteral("a directory entry's extents")) +
                 LegendRow(colour::Magenta, face, QStringLiteral("22"),
                           QStringLiteral("the extents of an extension entry (first byte 90)"))) +
           QStringLiteral("<p>Directory entries are coloured from the third directory sector on; "
                          "the first two hold the granule and hash tables.</p>");
}

QString SectorMapSection() {
    const Colour grey = colour::LightGrey;
    return Section("form1", QStringLiteral("The sector map window")) +
           QStringLiteral(
               "<p><b>Sector Display</b> in the main window opens it on the main window's image; "
               "it reads the file again each time it becomes the active window. Each row is "
               "one track side: the track and side, then the sector numbers in numeric order "
               "(each in its own column; a * marks a sector whose ID field is stored with every "
               "byte doubled) or in the order they lie on the track.</p>") +
           Table(Row(QStringLiteral("Page Down, Page Up"),
                     QStringLiteral("Next, Previous: the next or previous page")) +
                 Row(QStringLiteral("Ctrl+1, Ctrl+2"), Escaped(kMapNumericCaption) +
                                                           QStringLiteral(", ") +
                                                           Escaped(kMapInterleaveCaption)) +
                 Row(QStringLiteral("Ctrl+M"),
                     QStringLiteral("File Display Mode: back to the main window"))) +
           QStringLiteral("<h3>Colours</h3>") +
           Table(LegendRow(mapcolour::RowLabel, grey, QStringLiteral("Trk  0 : 0"),
                           QStringLiteral("a row: track and side")) +
                 LegendRow(mapcolour::SingleDensity, grey, QStringLiteral("5"),
                           QStringLiteral("a single-density sector")) +
                 LegendRow(mapcolour::DoubleDensity, grey, QStringLiteral("5"),
                           QStringLiteral("a double-density sector")) +
                 LegendRow(mapcolour::SingleDir, grey, QStringLiteral("5"),
                           QStringLiteral("a single-density directory sector")) +
                 LegendRow(mapcolour::DmkDoubleDir, grey, QStringLiteral("5"),
                           QStringLiteral("a double-density directory sector of a DMK image")) +
                 LegendRow(mapcolour::Jv3DoubleDir, grey, QStringLiteral("5"),
                           QStringLiteral("a double-density directory sector of a JV3 image")));
}

QString HexViewerSection() {
    const Colour back = colour::HexBackground;
    return Section("form2", QStringLiteral("The hex viewer")) +
           QStringLiteral(
               "<p><b>Hex Editor</b> in the main window opens it on the main window's image the "
               "first time; it keeps that file until you open another one in it. It pages "
               "through the raw file, 28 lines of 16 bytes: the address, the bytes in hex and "
               "as characters. The boxes above the page name the layout and the colours that "
               "mark it.</p>") +
           Table(
               Row(QStringLiteral("Down, Up"), QStringLiteral("a line further or back")) +
               Row(QStringLiteral("Page Down, Page Up"), QStringLiteral("a page further or back")) +
               Row(QStringLiteral("Mouse wheel"), QStringLiteral("three lines a notch")) +
               Row(QStringLiteral("Scroll bar"), QStringLiteral("any line of the file"))) +
           QStringLiteral("<h3>Colours</h3>") +
           Table(LegendRow(hexcolour::Address, back, QStringLiteral("0001910"),
                           QStringLiteral("the address of a line")) +
                 LegendRow(colour::Magenta, back, QStringLiteral("00 28"),
                           QStringLiteral("DMK: the file header (16 bytes)")) +
                 LegendRow(hexcolour::HeaderByte, back, QStringLiteral("80 01"),
                           QStringLiteral("DMK: a track header, the pointers to the ID "
                                          "address marks")) +
                 LegendRow(hexcolour::HeaderZero, back, QStringLiteral("00"),
                           QStringLiteral("DMK: an unused track header pointer")) +
                 LegendRow(colour::Blue, back, QStringLiteral("FE 00 00 01"),
                           QStringLiteral("DMK: an ID field (mark, track, side, sector, ...) "
                                          "and the data address mark after it")) +
                 LegendRow(colour::Red, back, QStringLiteral("4E FF"),
                           QStringLiteral("DMK: gap bytes, in hex and as characters")) +
                 LegendRow(colour::Red, back, QStringLiteral("E5"),
                           QStringLiteral("JV1 and JV3 data: every other 256-byte sector, "
                                          "the others in black")) +
                 LegendRow(colour::Red, back, QStringLiteral("11"),
                           QStringLiteral("JV3 header: the track byte of an entry, red and "
                                          "magenta by turns as the track changes")) +
                 LegendRow(hexcolour::FreeEntry, back, QStringLiteral("FF"),
                           QStringLiteral("JV3 header: a free entry")) +
                 LegendRow(colour::Blue, back, QStringLiteral("01"),
                           QStringLiteral("JV3 header: the sector number of an entry")) +
                 LegendRow(hexcolour::Jv3Flags, back, QStringLiteral("A0"),
                           QStringLiteral("JV3 header: the flags (density, data mark, side)")));
}

QString DiskCheckSection() {
    QString legend;
    const char* const meanings[check::kCellClasses] = {
        "every field the image records of the sector is good",
        "the ID field's CRC does not match: its track, side and number may be wrong",
        "the data field's CRC does not match (JV3: the image flags it)",
        "an ID field without a data field, or data the file does not hold whole",
        "the ID names another track than the cylinder it was read on: a mis-stepped or "
        "double-stepped reading",
        "another sector of the track side carries the same ID",
        "no sector carries this number, though lower and higher ones on the track side do",
    };
    for (int k = 0; k < check::kCellClasses; ++k) {
        const auto cls = static_cast<check::CellClass>(k);
        legend +=
            LegendRow(colour::Black, CellColour(cls), QStringLiteral("&nbsp;5&nbsp;"),
                      QStringLiteral("<b>%1</b>: %2")
                          .arg(QLatin1String(check::ClassName(cls)), QLatin1String(meanings[k])));
    }
    return Section("formCheck", QStringLiteral("The Disk Check window")) +
           QStringLiteral(
               "<p><b>Disk Check...</b> in the main window (also Ctrl+K, and File &gt; Disk "
               "Check... in every window) shows the whole of the main window's disk on one "
               "screen, and follows it when it opens another image. Each line is a cylinder, "
               "with a block of cells for each head; each cell is a sector, in the order the "
               "sectors lie on the track, with its number; the cells of missing numbers come "
               "after the track's sectors. A cell is coloured by its first problem; the "
               "legend beside the cells counts each problem (a sector may have several). "
               "Point at a cell for the sector's ID, size, data mark and CRC states; click "
               "it to show the sector in the main window. The drawing grows with the window "
               "and with Ctrl+Plus, Ctrl+Minus and Ctrl+0; closing the window closes only "
               "it. <tt>sectorscope-cli check</tt> prints the same counts for any number of "
               "images.</p>") +
           Table(legend);
}

QString ContentsSection() {
    return Section("formContents", QStringLiteral("The contents window")) +
           QStringLiteral(
               "<p><b>View</b> in the Files window (also Enter, or View in the table's menu) "
               "opens a window on what each selected file holds; closing it closes only that "
               "window. The view is the one the file reads as: the <b>Listing</b> of a BASIC "
               "program, the <b>Load map</b> of a /CMD load module, <b>Text</b> when the file "
               "is mostly printable, else <b>Hex</b>; it is marked (auto) in the View list, and "
               "any other can be chosen there or in the View menu. Bytes outside printable ASCII "
               "are shown as {XX}, their value in hex. A damaged file names its missing sectors "
               "(shown as zeros) and those read with CRC errors above the contents; a file that "
               "does not read as the view asks says where it stops and why.</p>") +
           Table(Row(QStringLiteral("Listing"),
                     QStringLiteral("the program as LIST shows it: keywords spelt out, ^ for the "
                                    "exponent operator; lines found by their ends, not by the "
                                    "stored pointers")) +
                 Row(QStringLiteral("Text"),
                     QStringLiteral("CR or LF ends a line; tabs to every 8th column; a CP/M "
                                    "file ends at its first 1A")) +
                 Row(QStringLiteral("Load map"),
                     QStringLiteral("one line a record: offset, type, load address and last "
                                    "address of a block, its bytes, and the earlier blocks it "
                                    "writes over; the name, copyright, transfer address and the "
                                    "bytes after it")) +
                 Row(QStringLiteral("Disassembly"),
                     QStringLiteral("the Z80 code the load map puts in memory, followed from the "
                                    "transfer address and each block's start; bytes no path "
                                    "reaches as DB lines; NOP* runs as no operation")) +
                 Row(QStringLiteral("Hex"), QStringLiteral("16 bytes a line with their "
                                                           "characters"))) +
           Table(Row(QStringLiteral("Ctrl+1 ... Ctrl+5"),
                     QStringLiteral("Listing, Text, Load map, Disassembly, Hex")) +
                 Row(QStringLiteral("Ctrl+F, F3, Shift+F3"),
                     QStringLiteral("Find: the find bar; the next or previous place holding "
                                    "its text, case ignored (Esc closes the bar)")) +
                 Row(QStringLiteral("Ctrl+C"),
                     QStringLiteral("Copy: the selected text (Edit &gt; Copy with nothing "
                                    "selected: all of it)")) +
                 Row(QStringLiteral("Ctrl+S"),
                     QStringLiteral("Save As...: the text shown, into a file you choose")) +
                 Row(QStringLiteral("Ctrl+Plus, Ctrl+Minus, Ctrl+0"),
                     QStringLiteral("the text larger, smaller, at its natural size")) +
                 Row(QStringLiteral("Ctrl+W"), QStringLiteral("closes the window")));
}

} // namespace

QString HelpHtml() {
    return QStringLiteral("<html><body><h1>%1</h1>").arg(QLatin1String(kProgramName)) +
           QStringLiteral(
               "<p>A read-only viewer for floppy-disk images of the Model 1 home "
               "computer: JV1, JV3 and DMK. Sections: <a href=\"#open\">Opening an "
               "image</a>, <a href=\"#Mainform\">the main window</a>, "
               "<a href=\"#form1\">the sector map window</a>, <a href=\"#form2\">the hex "
               "viewer</a>, <a href=\"#formCheck\">the Disk Check window</a>, "
               "<a href=\"#formContents\">the contents window</a>.</p>") +
           OpeningSection() + MainWindowSection() + SectorMapSection() + HexViewerSection() +
           DiskCheckSection() + ContentsSection() + QStringLiteral("</body></html>");
}

QTextBrowser* ShowHelp(QWidget* window) {
    static QPointer<QTextBrowser> help;
    if (help.isNull()) {
        help = new QTextBrowser(window);
        help->setWindowFlag(Qt::Window);
        help->setObjectName(QStringLiteral("HelpWindow"));
        help->setWindowTitle(QStringLiteral("Help \u2014 ") + QLatin1String(kProgramName));
        help->setOpenLinks(true);
        help->resize(720, 640);
    }
    // In the look now set.
    help->setHtml(HelpHtml());
    help->show();
    help->raise();
    help->activateWindow();
    help->scrollToAnchor(window->objectName());
    return help;
}

QString AboutText() {
    return QStringLiteral("%1 %2\n\nA read-only viewer for floppy-disk image files of the Model "
                          "1 home computer, in the JV1, JV3 and DMK layouts.\n\nWithout a "
                          "display, sectorscope-cli prints what the windows show.")
        .arg(QLatin1String(kProgramName), QLatin1String(kVersion));
}

void ShowAbout(QWidget* parent) {
    QMessageBox::about(parent, QStringLiteral("About ") + QLatin1String(kProgramName), AboutText());
}

} // namespace ss
