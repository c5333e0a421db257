// The windows as a desktop program: a file dropped on any window opens
// there, the titles, the zoom kept from run to run, where the file dialog
// starts, the recent images in the File menu, Help and About.
#include "app/activation.h"
#include "app/files_window.h"
#include "app/help_window.h"
#include "app/hex_viewer_window.h"
#include "app/main_window.h"
#include "app/program_settings.h"
#include "app/sector_map_window.h"
#include "app_test_support.h"
#include "sectorscope_version.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>

namespace ss {
namespace {

using apptest::MakeActive;
using apptest::ModalAnswerer;
using apptest::Pump;
using apptest::WriteImage;

class Desktop : public ::testing::Test {
  protected:
    // Each test starts as a first run, and leaves none of its settings to
    // the other window tests.
    void SetUp() override {
        WindowActivation::Reset();
        QSettings().clear();
    }
    void TearDown() override { QSettings().clear(); }

    static QString Text(QWidget& w, const char* name) {
        auto* edit = w.findChild<QLineEdit*>(QLatin1String(name));
        EXPECT_NE(edit, nullptr) << name;
        return edit != nullptr ? edit->text() : QString();
    }

    // Drags `urls` onto `target` and drops them there, as a file manager
    // does; whether the target took the drag.
    static bool Drop(QWidget* target, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        Pump(30);
        return enter.isAccepted();
    }

    // The File menu's captions as it opens, "-" for a separator.
    static QStringList FileMenu(QWidget& w) {
        auto* menu = w.findChild<QMenu*>(QStringLiteral("mnuFile"));
        EXPECT_NE(menu, nullptr);
        emit menu->aboutToShow();
        QStringList captions;
        for (const QAction* a : menu->actions()) {
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        return captions;
    }

    static QAction* Action(QWidget& w, const QString& name) {
        auto* action = w.findChild<QAction*>(name);
        EXPECT_NE(action, nullptr) << name.toStdString();
        return action;
    }
};

TEST_F(Desktop, AFileDroppedOnAnyWindowOpensThereAndOtherDropsChangeNothing) {
    ModalAnswerer answerer;
    MainWindow main;
    MakeActive(main);
    QtHost host;
    SectorMapWindow map(host);
    HexViewerWindow hex(host);
    FilesWindow files(main.WindowHost(), main.Logic());
    const QString dmk = WriteImage(QStringLiteral("dropped.dmk"), testimg::SampleDmk());
    const QString dsk = WriteImage(QStringLiteral("dropped.dsk"), testimg::SampleJv1());
    QTemporaryDir folder;

    const struct {
        const char* what;
        WindowFrame& window;
        // Where the drop lands: a text field, which would otherwise take the
        // file's address as text, or the drawing.
        QWidget* target;
        QString role;
        // The field that names the file the drop opened.
        std::function<QString()> shown;
    } windows[] = {
        {"main window", main, main.findChild<QLineEdit*>(QStringLiteral("TxtFilename")),
         QStringLiteral("main window"), [&] { return Text(main, "TxtFilename"); }},
        {"sector map", map, &map.SurfaceView(), QStringLiteral("sector map"),
         [&] { return Text(map, "TxtFilename"); }},
        {"hex viewer", hex, hex.findChild<QLineEdit*>(QStringLiteral("Text1")),
         QStringLiteral("hex viewer"), [&] { return Text(hex, "TxtFilename"); }},
        // The Files window shows the main window's disk: its open is the main window's.
        {"files", files, &files, QStringLiteral("files"),
         [&] { return Text(main, "TxtFilename"); }},
    };
    for (const auto& w : windows) {
        const QString image = &w.window == &main ? dmk : dsk;
        main.OpenImage(image == dmk ? dsk : dmk); // the files window's disk, not the one dropped
        EXPECT_TRUE(Drop(w.target, {QUrl::fromLocalFile(image)})) << w.what;
        EXPECT_EQ(w.shown(), image) << w.what;
        EXPECT_EQ(w.window.windowTitle(), QFileInfo(image).fileName() + QStringLiteral(" \u2014 ") +
                                              w.role + QStringLiteral(" \u2014 sectorscope"))
            << w.what;

        const std::uint64_t revision = main.Logic().surface.Revision();
        const std::vector<QList<QUrl>> refused = {
            {QUrl::fromLocalFile(folder.path())},
            {QUrl::fromLocalFile(dmk), QUrl::fromLocalFile(dsk)},
            {QUrl(QStringLiteral("https://example.org/disk.dmk"))},
            {QUrl::fromLocalFile(QDir(folder.path()).filePath(QStringLiteral("none.dsk")))},
        };
        for (const QList<QUrl>& urls : refused) {
            EXPECT_FALSE(Drop(w.target, urls)) << w.what << " " << urls.size();
            EXPECT_EQ(w.shown(), image) << w.what;
        }
        EXPECT_EQ(main.Logic().surface.Revision(), revision) << w.what;
    }
    EXPECT_TRUE(answerer.boxes.empty());
    // The text field kept its own text: the drop was the window's.
    EXPECT_EQ(Text(hex, "Text1"), QStringLiteral("15E00")) << "the length of the JV1 sample";
}

TEST_F(Desktop, ZoomScalesTheDrawingIsKeptAndAResizedMainWindowFillsWithIt) {
    double kept = 0.0;
    {
        MainWindow w;
        MakeActive(w);
        SurfaceWidget& surface = w.SurfaceView();
        EXPECT_EQ(surface.Zoom(), 1.0);
        const double before = surface.Scale();
        const QSize size = w.size();
        QTest::keyClick(&w, Qt::Key_Minus, Qt::ControlModifier);
        Pump(50);
        EXPECT_EQ(surface.Zoom(), ZoomStepOut(before));
        EXPECT_LT(surface.Scale(), before);
        EXPECT_LT(w.height(), size.height()) << "the window shrinks with its drawing";
        EXPECT_NEAR(surface.TwipsToPixelsX(1440), surface.logicalDpiX() * surface.Scale(), 1e-6);
        kept = surface.Zoom();
        EXPECT_EQ(SavedZoom(QStringLiteral("Mainform")), kept);
    }
    {
        // The next run starts at the zoom kept; Ctrl+0 goes back to the natural size.
        MainWindow w;
        MakeActive(w);
        SurfaceWidget& surface = w.SurfaceView();
        EXPECT_EQ(surface.Zoom(), kept);
        QTest::keyClick(&w, Qt::Key_0, Qt::ControlModifier);
        Pump(50);
        EXPECT_EQ(surface.Zoom(), 1.0);
        EXPECT_EQ(SavedZoom(QStringLiteral("Mainform")), 1.0);

        // A window made larger by hand draws the sector larger, keeping its proportions.
        const double natural = surface.Scale();
        w.resize(w.size() + QSize(400, 300));
        Pump(50);
        EXPECT_GT(surface.Scale(), natural + 0.2);
        EXPECT_EQ(surface.Zoom(), 1.0);
        w.OpenImage(WriteImage(QStringLiteral("zoomed.dmk"), testimg::SampleDmk()));
        Pump(20);
        EXPECT_TRUE(w.grab().save(QStringLiteral(SS_APP_TEST_OUTPUT_DIR "/main-enlarged.png")));
        const QImage shot = surface.grab().toImage();
        const int dumpRight = static_cast<int>(surface.TwipsToPixelsX(8800));
        EXPECT_LE(dumpRight, shot.width());
        EXPECT_GT(dumpRight, shot.width() * 9 / 10) << "the dump reaches across the room";
    }

    // The hex viewer, whose legend boxes above the page do not shrink, zooms
    // from its natural size up, its page frame and size with it.
    QtHost host;
    HexViewerWindow hex(host);
    MakeActive(hex);
    SurfaceWidget& page = hex.SurfaceView();
    const QSize natural = page.size();
    QTest::keyClick(&hex, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(page.Zoom(), 1.0);
    const QRect bar = hex.findChild<QPushButton*>(QStringLiteral("Command3"))->geometry();
    QTest::keyClick(&hex, Qt::Key_Plus, Qt::ControlModifier);
    Pump(50);
    EXPECT_EQ(page.Zoom(), ZoomStepIn(1.0));
    EXPECT_GT(page.height(), natural.height());
    EXPECT_GT(hex.findChild<QPushButton*>(QStringLiteral("Command3"))->geometry().bottom(),
              bar.bottom())
        << "the frame below the page moves down with it";
    EXPECT_EQ(SavedZoom(QStringLiteral("form2")), page.Zoom());
    hex.OpenImage(WriteImage(QStringLiteral("zoomed.dmk"), testimg::SampleDmk()));
    Pump(20);
    EXPECT_TRUE(hex.grab().save(QStringLiteral(SS_APP_TEST_OUTPUT_DIR "/hexviewer-zoomed.png")));
}

TEST_F(Desktop, TheFileDialogStartsInTheImagesFolderElseTheLastOneElseTheStartFolder) {
    QTemporaryDir last;
    const QString image = WriteImage(QStringLiteral("dialog.dsk"), testimg::SampleJv1());
    ModalAnswerer answerer;
    QString seen;
    answerer.onFileDialog = [&](QFileDialog& dialog) {
        seen = dialog.directory().absolutePath();
        dialog.reject();
    };
    MainWindow w;
    MakeActive(w);
    auto startsIn = [&](WindowFrame& window) {
        seen.clear();
        Action(window, QStringLiteral("mnuFileOpen"))->trigger();
        Pump(20);
        return seen;
    };

    EXPECT_EQ(startsIn(w), QDir(StartFolder()).absolutePath()) << "a first run";
    SetLastFolder(last.path());
    EXPECT_EQ(startsIn(w), QDir(last.path()).absolutePath());
    ASSERT_TRUE(w.OpenChosenFile(image).IsOpened());
    const QString imageFolder = QFileInfo(image).absolutePath();
    EXPECT_EQ(startsIn(w), imageFolder);

    // Another window without an image, in this run or the next, starts
    // where the last file was chosen.
    QtHost host;
    SectorMapWindow map(host);
    EXPECT_EQ(LastFolder(), imageFolder);
    EXPECT_EQ(startsIn(map), imageFolder);
    EXPECT_EQ(answerer.fileDialogs, 4);
}

TEST_F(Desktop, RecentImagesStandBetweenTheSeparatorAndExitInEveryWindow) {
    ModalAnswerer answerer;
    MainWindow w;
    MakeActive(w);
    const QString first = WriteImage(QStringLiteral("first.dsk"), testimg::SampleJv1());
    const QString second = WriteImage(QStringLiteral("second & more.dmk"), testimg::SampleDmk());
    std::string letter;
    while (letter.size() < 4000) {
        letter += "This is a letter, not a disk image.\n";
    }
    const QString notAnImage = WriteImage(QStringLiteral("letter.txt"),
                                          std::vector<std::uint8_t>(letter.begin(), letter.end()));
    EXPECT_EQ(FileMenu(w), (QStringList{QStringLiteral("&Open..."), QStringLiteral("Files..."),
                                        QStringLiteral("Disk Check..."), QStringLiteral("-"),
                                        QStringLiteral("E&xit")}));

    w.OpenChosenFile(first);
    w.OpenChosenFile(second);
    w.OpenChosenFile(notAnImage); // refused: no recent image
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(RecentFiles(), (QStringList{second, first}));
    EXPECT_EQ(FileMenu(w),
              (QStringList{QStringLiteral("&Open..."), QStringLiteral("Files..."),
                           QStringLiteral("Disk Check..."), QStringLiteral("-"),
                           QStringLiteral("&1 second && more.dmk"), QStringLiteral("&2 first.dsk"),
                           QStringLiteral("-"), QStringLiteral("E&xit")}));

    // Another window lists them too and opens one in itself.
    QtHost host;
    SectorMapWindow map(host);
    EXPECT_EQ(FileMenu(map),
              (QStringList{QStringLiteral("&Open..."), QStringLiteral("Disk Check..."),
                           QStringLiteral("-"), QStringLiteral("&1 second && more.dmk"),
                           QStringLiteral("&2 first.dsk"), QStringLiteral("-"),
                           QStringLiteral("E&xit")}));
    Action(map, QStringLiteral("mnuFileRecent2"))->trigger();
    Pump(20);
    EXPECT_EQ(Text(map, "TxtFilename"), first);
    EXPECT_EQ(Text(w, "TxtFilename"), notAnImage);
    EXPECT_EQ(RecentFiles(), (QStringList{first, second}));

    // An image gone since: the box says so and the list forgets it.
    QFile::remove(second);
    FileMenu(w);
    Action(w, QStringLiteral("mnuFileRecent2"))->trigger();
    Pump(20);
    ASSERT_EQ(answerer.boxes.size(), 2u);
    EXPECT_EQ(answerer.boxes[1].title, QStringLiteral("Text Editor"));
    EXPECT_TRUE(answerer.boxes[1].text.contains(second));
    EXPECT_EQ(RecentFiles(), QStringList{first});

    // The list keeps the newest images.
    for (int i = 0; i < kMaxRecentFiles + 2; ++i) {
        AddRecentFile(QStringLiteral("/disks/%1.dsk").arg(i));
    }
    EXPECT_EQ(RecentFiles().size(), kMaxRecentFiles);
    EXPECT_EQ(RecentFiles().constFirst(), QStringLiteral("/disks/%1.dsk").arg(kMaxRecentFiles + 1));
}

TEST_F(Desktop, HelpShowsKeysFieldsAndEachWindowsColoursAndAboutTheVersion) {
    // The legends show the colours the windows draw with.
    const QString html = HelpHtml();
    for (const char* part : {"name=\"Mainform\"", "name=\"form1\"", "name=\"form2\"", "Page Down",
                             "Ctrl+Plus", "Sec Dens", "DAM", "Lump",
                             "#ff8080",    // pink: a directory sector in the main window
                             "#00ffff",    // cyan: a single-density directory sector in the map
                             "#009000"}) { // green: the flags of a JV3 entry in the hex viewer
        EXPECT_TRUE(html.contains(QLatin1String(part))) << part;
    }

    ModalAnswerer answerer;
    MainWindow w;
    MakeActive(w);
    Action(w, QStringLiteral("mnuHelpItem"))->trigger();
    auto* help = w.findChild<QTextBrowser*>(QStringLiteral("HelpWindow"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowActive(help));
    EXPECT_TRUE(help->isWindow());
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Help \u2014 sectorscope"));
    EXPECT_EQ(Action(w, QStringLiteral("mnuHelpItem"))->shortcut(),
              QKeySequence(QKeySequence::HelpContents));

    help->resize(720, 900);
    EXPECT_TRUE(help->grab().save(QStringLiteral(SS_APP_TEST_OUTPUT_DIR "/help.png")));

    // The sector map's Help shows the same window again.
    help->close();
    QtHost host;
    SectorMapWindow map(host);
    Action(map, QStringLiteral("mnuHelpItem"))->trigger();
    EXPECT_TRUE(QTest::qWaitForWindowActive(help));
    EXPECT_EQ(map.findChild<QTextBrowser*>(), nullptr);
    help->close();

    Action(w, QStringLiteral("mnuHelpAbout"))->trigger();
    Pump(20);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].title, QStringLiteral("About sectorscope"));
    EXPECT_TRUE(
        answerer.boxes[0].text.startsWith(QStringLiteral("sectorscope ") + QLatin1String(kVersion)))
        << answerer.boxes[0].text.toStdString();
}

} // namespace
} // namespace ss
