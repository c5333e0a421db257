// The Files window in Qt: opened from the main window's button and File
// menu, its table sorted by a header click, system files on request, and a
// double-click that shows the file's first sector in the main window.
#include "app/activation.h"
#include "app/files_window.h"
#include "app/main_window.h"
#include "app_test_support.h"
#include "support/dos_disks.h"
#include "support/image_builder.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace ss {
namespace {

using namespace apptest;

FilesWindow* ActiveFilesWindow() {
    auto* files = qobject_cast<FilesWindow*>(WindowActivation::LastActive());
    for (int i = 0; i < 50 && files == nullptr; ++i) {
        Pump(10);
        files = qobject_cast<FilesWindow*>(WindowActivation::LastActive());
    }
    return files;
}

QStringList Column(QTableWidget& table, int column) {
    QStringList texts;
    for (int r = 0; r < table.rowCount(); ++r) {
        texts << table.item(r, column)->text();
    }
    return texts;
}

TEST(FilesWindowTest, ListsSortsAndShowsAFileInTheMainWindow) {
    WindowActivation::Reset();
    testimg::DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    b.AddFile({"ZED     TXT", std::vector<std::uint8_t>(2000, 'z')});
    b.AddFile({"ALPHA   CMD", std::vector<std::uint8_t>(300, 'a')});
    const QString path = WriteImage(QStringLiteral("files.dmk"), b.Dmk());
    MainWindow main;
    MakeActive(main);
    ASSERT_TRUE(main.OpenImage(path).IsOpened());
    // The owner of sector index 0, the boot sector.
    EXPECT_EQ(main.findChild<QLineEdit*>(QStringLiteral("Txtowner"))->text(),
              QStringLiteral("boot"));
    EXPECT_EQ(main.findChild<QAction*>(QStringLiteral("mnuFileFiles"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_L));

    main.findChild<QPushButton*>(QStringLiteral("CmndFiles"))->click();
    FilesWindow* files = ActiveFilesWindow();
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->findChild<QLineEdit*>(QStringLiteral("TxtDos"))->text(),
              QStringLiteral("LDOS 5.1"));
    QTableWidget& table = *files->Table();
    EXPECT_EQ(Column(table, FilesLogic::Name), (QStringList{"ALPHA/CMD", "ZED/TXT"}));
    table.horizontalHeader()->sectionClicked(FilesLogic::Size);
    table.horizontalHeader()->sectionClicked(FilesLogic::Size);
    EXPECT_EQ(Column(table, FilesLogic::Name), (QStringList{"ZED/TXT", "ALPHA/CMD"}));
    files->findChild<QCheckBox*>(QStringLiteral("ChkAll"))->setChecked(true);
    EXPECT_EQ(table.rowCount(), 4);
    files->findChild<QCheckBox*>(QStringLiteral("ChkAll"))->setChecked(false);

    table.cellDoubleClicked(0, 0);
    Pump(20);
    EXPECT_EQ(main.findChild<QLineEdit*>(QStringLiteral("Txtowner"))->text(),
              QStringLiteral("ZED/TXT, sector 1 of 8"));
    EXPECT_EQ(main.findChild<QLineEdit*>(QStringLiteral("Txttrk"))->text(), QStringLiteral("1"));

    // A disk of none of the families: why, once, wrapped in a field of its own.
    QLabel* why = files->findChild<QLabel*>(QStringLiteral("TxtNoDos"));
    ASSERT_NE(why, nullptr);
    EXPECT_TRUE(why->isHidden());
    ASSERT_TRUE(
        main.OpenImage(WriteImage(QStringLiteral("blank.dsk"), testimg::PatternJv1())).IsOpened());
    MakeActive(*files);
    EXPECT_FALSE(why->isHidden());
    EXPECT_TRUE(why->wordWrap());
    EXPECT_EQ(why->text().toStdString(), "Not a TRSDOS, LDOS, DOSPLUS, NEWDOS/80 or CP/M disk: no "
                                         "directory was found where the boot sector points");
}

TEST(FilesWindowTest, FollowsTheMainWindowAtOnceZoomsAndFitsItsFields) {
    WindowActivation::Reset();
    testimg::DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    b.AddFile({"LONGNAMETXT", std::vector<std::uint8_t>(2000, 'z')});
    const QString ldos = WriteImage(QStringLiteral("follow.dmk"), b.Dmk());
    MainWindow main;
    MakeActive(main);
    ASSERT_TRUE(main.OpenImage(ldos).IsOpened());
    main.findChild<QPushButton*>(QStringLiteral("CmndFiles"))->click();
    FilesWindow* files = ActiveFilesWindow();
    ASSERT_NE(files, nullptr);
    EXPECT_TRUE(files->windowTitle().startsWith(QStringLiteral("follow.dmk")));

    // The Free field shows its whole text; the columns fit, the damage takes the rest.
    auto* free = files->findChild<QLineEdit*>(QStringLiteral("TxtFree"));
    EXPECT_GE(free->width(), free->fontMetrics().horizontalAdvance(free->text()));
    QHeaderView& header = *files->Table()->horizontalHeader();
    EXPECT_EQ(header.sectionResizeMode(FilesLogic::Name), QHeaderView::ResizeToContents);
    EXPECT_EQ(header.sectionResizeMode(FilesLogic::Damage), QHeaderView::Stretch);

    // Ctrl+Plus and Ctrl+0 zoom its text.
    const qreal natural = files->Table()->font().pointSizeF();
    files->ZoomIn();
    EXPECT_GT(files->Table()->font().pointSizeF(), natural);
    EXPECT_GT(files->Zoom(), 1.0);
    files->ZoomReset();
    EXPECT_EQ(files->Table()->font().pointSizeF(), natural);

    // The main window opens another image while the Files window stays in
    // the back: its title and table follow at once.
    const QString blank = WriteImage(QStringLiteral("follow.dsk"), testimg::PatternJv1());
    ASSERT_TRUE(main.OpenImage(blank).IsOpened());
    EXPECT_TRUE(files->windowTitle().startsWith(QStringLiteral("follow.dsk")));
    EXPECT_EQ(files->Table()->rowCount(), 0);

    // A refused file: the window says why it has nothing to show.
    ModalAnswerer answerer;
    const std::string letter = "Dear reader, this is a letter and no disk image at all.";
    const QString text = WriteImage(QStringLiteral("follow.txt"),
                                    std::vector<std::uint8_t>(letter.begin(), letter.end()));
    EXPECT_EQ(main.OpenImage(text).outcome, OpenResult::Outcome::Refused);
    EXPECT_TRUE(files->windowTitle().startsWith(QStringLiteral("follow.txt")));
    QLabel* why = files->findChild<QLabel*>(QStringLiteral("TxtNoDos"));
    EXPECT_FALSE(why->isHidden());
    EXPECT_EQ(why->text().toStdString(),
              "The main window refused this file: ** ERROR ** This file does not have an "
              "EMULATOR Disk format HEADER It may be a Disk file for use with a dedicated "
              "program");
}

} // namespace
} // namespace ss
