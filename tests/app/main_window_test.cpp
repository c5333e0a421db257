// The main window on the screen: its fields, buttons, keys, menus, message
// boxes and window events, driven as a user drives them.
#include "app/activation.h"
#include "app/main_window.h"
#include "app_test_support.h"
#include "image/analysis.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace ss {
namespace {

using apptest::MakeActive;
using apptest::ModalAnswerer;
using apptest::Pump;
using apptest::WriteImage;

QColor Rgb(Colour c) {
    return QColor(colour::Red8(c), colour::Green8(c), colour::Blue8(c));
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { WindowActivation::Reset(); }

    static QLineEdit* Field(MainWindow& w, const char* name) {
        auto* edit = w.findChild<QLineEdit*>(QLatin1String(name));
        EXPECT_NE(edit, nullptr) << name;
        return edit;
    }
    static QString Text(MainWindow& w, const char* name) {
        QLineEdit* edit = Field(w, name);
        return edit != nullptr ? edit->text() : QString();
    }
    static QColor Back(MainWindow& w, const char* name) {
        return Field(w, name)->palette().color(QPalette::Base);
    }
    static QColor Fore(MainWindow& w, const char* name) {
        return Field(w, name)->palette().color(QPalette::Text);
    }
    static QPushButton* Button(MainWindow& w, const char* name) {
        auto* button = w.findChild<QPushButton*>(QLatin1String(name));
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
    static void Click(MainWindow& w, const char* name) {
        QTest::mouseClick(Button(w, name), Qt::LeftButton);
        Pump(10);
    }
    static QAction* Action(MainWindow& w, const char* name) {
        auto* action = w.findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    static void TypeTrack(MainWindow& w, const QString& text) {
        auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
        ASSERT_NE(combo, nullptr);
        combo->lineEdit()->clear();
        QTest::keyClicks(combo->lineEdit(), text);
    }
};

// True when some pixel in `area` has nearly the colour `c`.
bool HasColourIn(const QImage& image, const QRect& area, const QColor& c, int tolerance = 24) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) <= tolerance &&
                std::abs(p.green() - c.green()) <= tolerance &&
                std::abs(p.blue() - c.blue()) <= tolerance) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(MainWindowTest, ShowsTheJv1SampleAndStepsWithTheButtons) {
    ModalAnswerer answerer;
    MainWindow w;
    MakeActive(w);
    const QString path = WriteImage(QStringLiteral("sample.dsk"), testimg::SampleJv1());
    w.OpenImage(path);
    Pump(20);

    // The disk and the first sector, on the widgets themselves.
    EXPECT_EQ(Text(w, "TxtFilename"), path);
    EXPECT_TRUE(w.windowTitle().contains(QStringLiteral("sample.dsk")));
    EXPECT_EQ(Text(w, "Txtfiletype"), QStringLiteral("JV1"));
    EXPECT_EQ(Back(w, "Txtfiletype"), Rgb(colour::LightOrange));
    EXPECT_EQ(Text(w, "Text1"), QStringLiteral(" 35 Track"));
    EXPECT_EQ(Text(w, "Text2"), QStringLiteral(" Single/Density"));
    EXPECT_EQ(Fore(w, "Text2"), Rgb(colour::Green));
    EXPECT_EQ(Text(w, "Text4"), QStringLiteral("  Sec/Cyl. = 10 ( 10 * 1)"));
    EXPECT_EQ(Text(w, "Txtsecnum"), QStringLiteral("0"));
    EXPECT_EQ(Text(w, "Txttrk"), QStringLiteral("0"));
    EXPECT_EQ(Text(w, "txtside"), QStringLiteral("0"));
    EXPECT_EQ(Back(w, "txtside"), Rgb(colour::Peach));
    EXPECT_EQ(Text(w, "Txttrkspt"), QStringLiteral("10"));
    EXPECT_EQ(Text(w, "TxtDens"), QStringLiteral("S/D  "));
    EXPECT_EQ(Back(w, "TxtDens"), Rgb(colour::Lime));
    EXPECT_EQ(Text(w, "Txtsectype"), QStringLiteral("Data Sec."));
    EXPECT_EQ(Text(w, "Text6"), QStringLiteral("0"));
    EXPECT_TRUE(Field(w, "Txtsecnum")->isReadOnly());
    auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 35);
    EXPECT_EQ(combo->itemText(12), QStringLiteral(" 12"));
    // A fresh track list has an empty edit field, on the screen and in the
    // text that Goto Track reads.
    EXPECT_EQ(combo->currentText(), QString());
    EXPECT_EQ(w.Logic().Combo1.Text, "");

    // Resize and Activate of the window each draw the sector again.
    std::uint64_t revision = w.Logic().surface.Revision();
    w.resize(w.width() + 40, w.height() + 24);
    Pump(30);
    EXPECT_NE(w.Logic().surface.Revision(), revision) << "a resize redraws";
    {
        MainWindow other;
        MakeActive(other);
        revision = w.Logic().surface.Revision();
        MakeActive(w);
        EXPECT_NE(w.Logic().surface.Revision(), revision) << "coming back from another window";
    }

    // The navigation buttons.
    Click(w, "CmndNextsec");
    EXPECT_EQ(Text(w, "Txtsecnum"), QStringLiteral("1"));
    Click(w, "CmndNexTrack");
    EXPECT_EQ(Text(w, "Txtsecnum"), QStringLiteral("10"));
    EXPECT_EQ(Text(w, "Txttrk"), QStringLiteral("1"));
    Click(w, "CmndPrevsec");
    EXPECT_EQ(Text(w, "Txtsecnum"), QStringLiteral("9"));
    TypeTrack(w, QStringLiteral(" 12"));
    EXPECT_EQ(w.Logic().Combo1.Text, " 12");
    Click(w, "CmndGotoTrk");
    EXPECT_EQ(Text(w, "Txtsecnum"), QStringLiteral("120"));
    EXPECT_EQ(Text(w, "Txttrk"), QStringLiteral("12"));
    Click(w, "CmndPrevTrk");
    EXPECT_EQ(Text(w, "Txtsecnum"), QStringLiteral("110"));
    Click(w, "CmndDirFind");
    EXPECT_EQ(Text(w, "Txtsecnum"), QStringLiteral("170"));
    EXPECT_EQ(Text(w, "Txtsectype"), QStringLiteral("Dir Sec."));
    // JV1 keeps no marks: its directory track reads with the directory mark.
    EXPECT_EQ(Text(w, "Txtdam"), QStringLiteral("FA"));
    EXPECT_EQ(Back(w, "Txtsecnum"), Rgb(colour::Pink));
    EXPECT_EQ(Text(w, "Text6"), QStringLiteral("AA00"));
    EXPECT_TRUE(answerer.boxes.empty());

    // The dump on the screen: grey surface, the button-coloured dump area,
    // the brown row labels and the black bytes where the twips put them.
    Pump(20);
    const SurfaceWidget& view = w.SurfaceView();
    const QImage shot = const_cast<SurfaceWidget&>(view).grab().toImage();
    auto px = [&](int twips) { return static_cast<int>(view.TwipsToPixelsX(twips)); };
    auto py = [&](int twips) { return static_cast<int>(view.TwipsToPixelsY(twips)); };
    const int line = w.Logic().surface.TextHeight("sample");
    EXPECT_EQ(shot.pixelColor(px(200), py(400)), Rgb(colour::LightGrey));
    EXPECT_EQ(shot.pixelColor(px(1020), py(2490) + 2), view.palette().color(QPalette::Button));
    const QRect label(px(540), py(2490), px(540 + 420) - px(540), py(2490 + line) - py(2490));
    EXPECT_TRUE(HasColourIn(shot, label, Rgb(colour::Brown)));
    EXPECT_FALSE(HasColourIn(shot, label, QColor(0, 64, 192), 40)) << "red and blue swapped";
    const QRect firstByte(px(1100), py(2490), px(1300) - px(1100), py(2490 + line) - py(2490));
    EXPECT_TRUE(HasColourIn(shot, firstByte, Rgb(colour::Black)));

    const QString shotPath = QStringLiteral(SS_APP_TEST_OUTPUT_DIR "/mainform-jv1.png");
    ASSERT_TRUE(w.grab().save(shotPath));
    EXPECT_FALSE(QImage(shotPath).isNull());
}

TEST_F(MainWindowTest, KeysDriveTheNavigationWithoutClashing) {
    ModalAnswerer answerer;
    MainWindow w;
    MakeActive(w);
    w.OpenImage(WriteImage(QStringLiteral("keys.dsk"), testimg::SampleJv1()));
    Pump(20);

    auto press = [&](int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(&w, static_cast<Qt::Key>(key), mods);
        Pump(10);
        return Text(w, "Txtsecnum");
    };
    EXPECT_EQ(press(Qt::Key_PageDown), QStringLiteral("1"));
    EXPECT_EQ(press(Qt::Key_PageDown), QStringLiteral("2"));
    EXPECT_EQ(press(Qt::Key_PageUp), QStringLiteral("1"));
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), QStringLiteral("10"));
    EXPECT_EQ(press(Qt::Key_PageDown, Qt::ControlModifier), QStringLiteral("20"));
    EXPECT_EQ(press(Qt::Key_PageUp, Qt::ControlModifier), QStringLiteral("10"));
    EXPECT_EQ(press(Qt::Key_D, Qt::ControlModifier), QStringLiteral("170"));
    TypeTrack(w, QStringLiteral(" 12"));
    EXPECT_EQ(press(Qt::Key_G, Qt::ControlModifier), QStringLiteral("120"));
    // Return in the track box goes to the typed track as well.
    TypeTrack(w, QStringLiteral("3"));
    auto* combo = w.findChild<QComboBox*>(QStringLiteral("Combo1"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    Pump(10);
    EXPECT_EQ(Text(w, "Txtsecnum"), QStringLiteral("30"));
    EXPECT_EQ(combo->count(), 35) << "typing a track adds nothing to the list";

    // The captions stay the window's own; the keys are told in the tooltips.
    EXPECT_EQ(Button(w, "CmndNextsec")->text(), QStringLiteral("Next Sec"));
    EXPECT_EQ(Button(w, "CmndPrevsec")->text(), QStringLiteral("Prev Sec"));
    EXPECT_EQ(Button(w, "CmndNexTrack")->text(), QStringLiteral("Next Track"));
    EXPECT_EQ(Button(w, "CmndPrevTrk")->text(), QStringLiteral("Prev. Track"));
    EXPECT_EQ(Button(w, "CmndGotoTrk")->text(), QStringLiteral("Goto Track"));
    EXPECT_EQ(Button(w, "CmndDirFind")->text(), QStringLiteral(" To Directory"));
    EXPECT_TRUE(Button(w, "CmndGotoTrk")->toolTip().contains(QStringLiteral("G")));
    EXPECT_TRUE(answerer.boxes.empty());
}

TEST_F(MainWindowTest, ActivateRedrawsOnlyWhenComingFromAnotherOfItsWindows) {
    ModalAnswerer answerer;
    MainWindow w;
    MakeActive(w);
    w.OpenImage(WriteImage(QStringLiteral("activate.dsk"), testimg::SampleJv1()));
    Pump(20);
    const std::uint64_t before = w.Logic().surface.Revision();

    // A message box and a cancelled file dialog come and go over the window:
    // getting the focus back from them is no Activate.
    QMessageBox box(&w);
    box.setText(QStringLiteral("over the window"));
    box.exec();
    MakeActive(w);
    Action(w, "mnuFileOpen")->trigger();
    MakeActive(w);
    EXPECT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.fileDialogs, 1);
    EXPECT_EQ(w.Logic().surface.Revision(), before);

    // Another window of the program, then this one again: Activate redraws.
    MainWindow other;
    MakeActive(other);
    MakeActive(w);
    EXPECT_NE(w.Logic().surface.Revision(), before);
}

TEST_F(MainWindowTest, RefusedFilesRaiseOneBoxAndNoRedrawFollows) {
    ModalAnswerer answerer;
    MainWindow w;
    MakeActive(w);
    w.OpenImage(WriteImage(QStringLiteral("before.dsk"), testimg::SampleJv1()));
    Pump(20);
    ASSERT_FALSE(w.Logic().surface.Items().empty());

    auto expectOneRefusal = [&](const char* message) {
        ASSERT_EQ(answerer.boxes.size(), 1u);
        const apptest::SeenBox& box = answerer.boxes.front();
        EXPECT_EQ(box.title, QStringLiteral("Error"));
        EXPECT_EQ(box.text,
                  QString::fromLatin1(message).replace(QLatin1Char('\r'), QLatin1Char('\n')));
        EXPECT_TRUE(box.text.startsWith(QStringLiteral("** ERROR **")));
        EXPECT_TRUE(box.text.contains(QLatin1Char('\n')));
        EXPECT_FALSE(box.text.contains(QLatin1Char('\r')));
        EXPECT_EQ(box.icon, QMessageBox::NoIcon);
        EXPECT_EQ(box.buttonCount, 1);

        // The window is activated, resized and left to run: no second box,
        // and the surface that the refused open cleared stays empty.
        MainWindow other;
        MakeActive(other);
        MakeActive(w);
        w.resize(w.width() + 10, w.height());
        Pump(300);
        EXPECT_EQ(answerer.boxes.size(), 1u);
        EXPECT_TRUE(w.Logic().surface.Items().empty());
        answerer.boxes.clear();
    };

    std::string text;
    while (text.size() < 4000) {
        text += "This is a letter, not a disk image.\n";
    }
    w.OpenImage(WriteImage(QStringLiteral("letter.txt"),
                           std::vector<std::uint8_t>(text.begin(), text.end())));
    expectOneRefusal(kNoHeaderMessage);

    std::vector<std::uint8_t> realDisk = testimg::SampleDmk();
    const std::uint8_t marker[] = {0x78, 0x56, 0x34, 0x12};
    std::copy(std::begin(marker), std::end(marker), realDisk.begin() + 12);
    w.OpenImage(WriteImage(QStringLiteral("real.dmk"), realDisk));
    expectOneRefusal(kRealDiskMessage);
}

TEST_F(MainWindowTest, AFileThatCannotBeOpenedGivesTheWarningAndKeepsTheDisk) {
    ModalAnswerer answerer;
    MainWindow w;
    MakeActive(w);
    const QString path = WriteImage(QStringLiteral("kept.dsk"), testimg::SampleJv1());
    w.OpenImage(path);
    Pump(20);
    const std::uint64_t revision = w.Logic().surface.Revision();

    const QString missing =
        QDir(QDir::tempPath()).filePath(QStringLiteral("no-such-folder/no-such.dsk"));
    w.OpenImage(missing);
    Pump(50);
    ASSERT_EQ(answerer.boxes.size(), 1u);
    EXPECT_EQ(answerer.boxes[0].title, QStringLiteral("Text Editor"));
    // The warning on its first line, then the file and the system's reason.
    EXPECT_EQ(answerer.boxes[0].text,
              QStringLiteral("Error encountered while trying to open file, please retry.\nFile: ") +
                  missing + QStringLiteral("\nReason: No such file or directory"));
    EXPECT_EQ(answerer.boxes[0].icon, QMessageBox::Warning);
    EXPECT_EQ(answerer.boxes[0].buttonCount, 1);
    EXPECT_EQ(Text(w, "TxtFilename"), path);
    EXPECT_EQ(Text(w, "Txtfiletype"), QStringLiteral("JV1"));
    EXPECT_EQ(w.Logic().surface.Revision(), revision);
}

TEST_F(MainWindowTest, OpenMenuOffersTheFiltersAndCancelDoesNothing) {
    ModalAnswerer answerer;
    MainWindow w;
    MakeActive(w);
    const QString dmk = WriteImage(QStringLiteral("sample.dmk"), testimg::SampleDmk());

    QStringList filters;
    QString selected;
    QStringList shown;
    answerer.onFileDialog = [&](QFileDialog& dialog) {
        filters = dialog.nameFilters();
        selected = dialog.selectedNameFilter();
        if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            for (int i = 0; i < types->count(); ++i) {
                shown << types->itemText(i);
            }
        }
        dialog.selectFile(dmk);
        static_cast<QDialog&>(dialog).accept();
    };
    Action(w, "mnuFileOpen")->trigger();
    Pump(20);
    // The dialog keeps each filter with its blanks simplified, so the blank
    // before "Dsk" goes; it shows the names alone, the first one selected.
    ASSERT_EQ(filters.size(), 4);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("All Files(*.*) (")));
    EXPECT_TRUE(filters[1].startsWith(QStringLiteral("Dsk Files(*.dsk) (")));
    EXPECT_TRUE(filters[2].startsWith(QStringLiteral("Dmk Files(*.dmk) (")));
    EXPECT_TRUE(filters[3].startsWith(QStringLiteral("JV3 Files(*.jv3) (")));
    EXPECT_EQ(shown, (QStringList{
                         QStringLiteral("All Files(*.*)"), QStringLiteral("Dsk Files(*.dsk)"),
                         QStringLiteral("Dmk Files(*.dmk)"), QStringLiteral("JV3 Files(*.jv3)")}));
    EXPECT_EQ(selected, shown.value(0));
    EXPECT_EQ(Text(w, "TxtFilename"), dmk);
    EXPECT_EQ(Text(w, "Txtfiletype"), QStringLiteral("DMK"));
    EXPECT_EQ(Text(w, "Text1"), QStringLiteral(" 40 Track"));
    EXPECT_EQ(Text(w, "Text3"), QStringLiteral(" Double/Sided"));
    EXPECT_EQ(Fore(w, "Text3"), Rgb(colour::Red));

    // Cancel: no message box, nothing changes.
    answerer.onFileDialog = [](QFileDialog& dialog) { dialog.reject(); };
    const std::uint64_t revision = w.Logic().surface.Revision();
    Action(w, "mnuFileOpen")->trigger();
    Pump(20);
    EXPECT_EQ(answerer.fileDialogs, 2);
    EXPECT_TRUE(answerer.boxes.empty());
    EXPECT_EQ(Text(w, "TxtFilename"), dmk);
    EXPECT_EQ(w.Logic().surface.Revision(), revision);

    EXPECT_EQ(Action(w, "mnuFileOpen")->text(), QStringLiteral("&Open..."));
    EXPECT_EQ(Action(w, "mnuFileExit")->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(Action(w, "mnuHelpItem")->text(), QStringLiteral("&Help"));
}

TEST_F(MainWindowTest, ExitAndTheCloseBoxEndTheProgram) {
    MainWindow w;
    w.show();
    // A second window keeps Qt's own "last window closed" rule out of it.
    QWidget bystander;
    bystander.show();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });

    watchdog.start(5000);
    QTimer::singleShot(0, &w, [&] { Action(w, "mnuFileExit")->trigger(); });
    EXPECT_EQ(QApplication::exec(), 0);
    watchdog.stop();

    w.show();
    bystander.show();
    watchdog.start(5000);
    QTimer::singleShot(0, &w, [&] { w.close(); });
    EXPECT_EQ(QApplication::exec(), 0);
    watchdog.stop();
}

TEST(Program, HelpOptionPrintsTheUsage) {
    QProcess program;
    program.start(QStringLiteral(SS_SECTORSCOPE_EXE), {QStringLiteral("--help")});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    EXPECT_TRUE(out.contains(QStringLiteral("[FILE]"))) << out.toStdString();
}

} // namespace
} // namespace ss

namespace ss {
namespace {

TEST(MainWindowDump, ALongSectorGrowsTheSurfaceWhichScrolls) {
    WindowActivation::Reset();
    testimg::DmkTrack t;
    for (int code : {1, 3}) {
        testimg::DmkSector s;
        s.sector = static_cast<int>(t.sectors.size());
        s.sizeCode = code;
        t.sectors.push_back(s);
    }
    MainWindow w;
    w.show();
    apptest::Pump(10);
    w.OpenImage(apptest::WriteImage(QStringLiteral("long.dmk"),
                                    testimg::MakeDmk({t}, testimg::OneSide()).bytes));
    apptest::Pump(10);
    auto* crc = w.findChild<QLineEdit*>(QStringLiteral("Txtcrc"));
    ASSERT_NE(crc, nullptr);
    EXPECT_EQ(crc->text(), QStringLiteral("ID ok  Data ok"));
    auto* scroll = w.findChild<QScrollArea*>(QStringLiteral("SurfaceScroll"));
    ASSERT_NE(scroll, nullptr);
    const int before = w.SurfaceView().height();
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());

    // Sector 1 holds 1024 bytes: 64 dump rows.
    QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("CmndNextsec")), Qt::LeftButton);
    apptest::Pump(10);
    const int line = w.Logic().surface.TextHeight("0");
    EXPECT_GE(w.SurfaceView().height(),
              static_cast<int>(w.SurfaceView().TwipsToPixelsY(2490 + 64 * line)));
    EXPECT_GT(w.SurfaceView().height(), before);
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
}

} // namespace
} // namespace ss
