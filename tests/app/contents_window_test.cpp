// The contents window in Qt: opened from the Files window by the View
// button, Enter and the table's menu, on files of a TRSDOS-type disk and a
// CP/M disk; the view switched, the text zoomed, searched, copied and saved;
// a damaged file's lost sectors named above the contents.
#include "app/activation.h"
#include "app/contents_window.h"
#include "app/files_window.h"
#include "app/main_window.h"
#include "app_test_support.h"
#include "support/contents_files.h"
#include "support/dos_disks.h"
#include "support/image_builder.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace ss {
namespace {

using namespace apptest;

class ContentsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { WindowActivation::Reset(); }

    // The image opened in the main window and the Files window shown on it.
    FilesWindow& Files(const std::vector<std::uint8_t>& image) {
        EXPECT_TRUE(main_.OpenImage(WriteImage(QStringLiteral("contents.dmk"), image)).IsOpened());
        main_.findChild<QPushButton*>(QStringLiteral("CmndFiles"))->click();
        Pump(20);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* f = qobject_cast<FilesWindow*>(w)) {
                files_ = f;
            }
        }
        MakeActive(*files_);
        return *files_;
    }

    // Selects the file's row and opens its contents as `how` does.
    ContentsWindow* View(const QString& name, const std::function<void()>& how) {
        QTableWidget& table = *files_->Table();
        for (int r = 0; r < table.rowCount(); ++r) {
            if (table.item(r, FilesLogic::Name)->text() == name) {
                table.setCurrentCell(r, 0);
                table.selectRow(r);
            }
        }
        const QList<ContentsWindow*> before = files_->findChildren<ContentsWindow*>();
        how();
        Pump(20);
        for (ContentsWindow* w : files_->findChildren<ContentsWindow*>()) {
            if (!before.contains(w)) {
                return w;
            }
        }
        return nullptr;
    }
    ContentsWindow* ViewByButton(const QString& name) {
        return View(
            name, [this] { files_->findChild<QPushButton*>(QStringLiteral("CmndView"))->click(); });
    }

    static QString Shown(ContentsWindow& w) { return w.TextView()->toPlainText(); }
    static QAction* Action(ContentsWindow& w, const char* name) {
        return w.findChild<QAction*>(QLatin1String(name));
    }

    MainWindow main_;
    FilesWindow* files_ = nullptr;
};

TEST_F(ContentsWindowTest, OpensOnAFileInTheViewAutoPicks) {
    testimg::DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    b.AddFile({"PAYROLL BAS", testimg::PayrollProgram()});
    b.AddFile({"CLS     CMD", testimg::ClearScreenModule()});
    b.AddFile({"BROKEN  BAS", std::vector<std::uint8_t>(600, 0xFF)});
    b.RemoveSector({1, 0, 13}); // BROKEN/BAS's second sector
    Files(b.Dmk());

    ContentsWindow* listing = ViewByButton(QStringLiteral("PAYROLL/BAS"));
    ASSERT_NE(listing, nullptr);
    EXPECT_EQ(listing->windowTitle(),
              QStringLiteral("contents.dmk \u2014 PAYROLL/BAS \u2014 sectorscope"));
    // File > Disk Check... (Ctrl+K) opens the Disk Check window, as in every window.
    QAction* check = Action(*listing, "mnuFileCheck");
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
    check->trigger();
    Pump(20);
    bool checkShown = false;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        checkShown =
            checkShown || (w->objectName() == QStringLiteral("formCheck") && w->isVisible());
    }
    EXPECT_TRUE(checkShown);
    const QStringList lines = Shown(*listing).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], QStringLiteral("10 CLS:PRINT \"WEEKLY PAYROLL\":PRINT"));
    EXPECT_EQ(lines[7], QStringLiteral("80 T=T+P:NEXT I' TOTAL SO FAR"));
    EXPECT_EQ(listing->findChild<QComboBox*>(QStringLiteral("CboView"))->currentText(),
              QStringLiteral("Listing (auto)"));
    EXPECT_TRUE(QFontInfo(listing->TextView()->font()).fixedPitch());
    EXPECT_TRUE(listing->findChild<QLabel*>(QStringLiteral("TxtDamage"))->isHidden());
    EXPECT_TRUE(listing->findChild<QLabel*>(QStringLiteral("TxtError"))->isHidden());

    // The view switched from the menu: the combo box follows, and a view the
    // file does not read as says why above the contents.
    Action(*listing, "mnuViewhex")->trigger();
    EXPECT_TRUE(Shown(*listing).startsWith(QStringLiteral("0000  FF ")));
    EXPECT_EQ(listing->findChild<QComboBox*>(QStringLiteral("CboView"))->currentText(),
              QStringLiteral("Hex"));
    Action(*listing, "mnuViewcmd")->trigger();
    QLabel* error = listing->findChild<QLabel*>(QStringLiteral("TxtError"));
    EXPECT_FALSE(error->isHidden());
    EXPECT_EQ(error->text(),
              QStringLiteral("at offset 0000: record type FF is not one the loader knows"));
    Action(*listing, "mnuViewbasic")->trigger();
    EXPECT_TRUE(error->isHidden());

    // Enter in the table; the load module's disassembly.
    MakeActive(*files_);
    ContentsWindow* module = View(QStringLiteral("CLS/CMD"), [this] {
        files_->Table()->setFocus();
        QTest::keyClick(files_->Table(), Qt::Key_Return);
    });
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(Shown(*module).startsWith(QStringLiteral("record  offset  type")));
    module->findChild<QComboBox*>(QStringLiteral("CboView"))->activated(3);
    EXPECT_TRUE(Shown(*module).startsWith(QStringLiteral("5200  21 00 3C     LD HL,3C00H")));

    // The table's menu, on a damaged file: its lost sector named above.
    ContentsWindow* broken = View(QStringLiteral("BROKEN/BAS"), [this] {
        files_->Table()->findChild<QAction*>(QStringLiteral("mnuTableView"))->trigger();
    });
    ASSERT_NE(broken, nullptr);
    QLabel* damage = broken->findChild<QLabel*>(QStringLiteral("TxtDamage"));
    EXPECT_FALSE(damage->isHidden());
    EXPECT_TRUE(damage->text().startsWith(QStringLiteral("Sectors missing, shown as zeros: ")));

    // Closing a contents window leaves the others and the program.
    broken->close();
    Pump(20);
    EXPECT_EQ(files_->findChildren<ContentsWindow*>().size(), 2);
    EXPECT_TRUE(files_->isVisible());
}

TEST_F(ContentsWindowTest, ZoomFindCopyAndSaveAs) {
    testimg::DosDiskBuilder b(testimg::LdosDdTwoSidedGeometry());
    b.AddFile({"PAYROLL BAS", testimg::PayrollProgram()});
    Files(b.Dmk());
    ContentsWindow* w = ViewByButton(QStringLiteral("PAYROLL/BAS"));
    ASSERT_NE(w, nullptr);
    MakeActive(*w);

    const qreal natural = w->TextView()->font().pointSizeF();
    QTest::keyClick(w, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(w->TextView()->font().pointSizeF(), natural);
    QTest::keyClick(w, Qt::Key_0, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(w->TextView()->font().pointSizeF(), natural);

    QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier);
    QLineEdit* find = w->findChild<QLineEdit*>(QStringLiteral("TxtFind"));
    ASSERT_TRUE(find->isVisible());
    QTest::keyClicks(find, QStringLiteral("tab("));
    QTest::keyClick(find, Qt::Key_Return);
    QTextCursor at = w->TextView()->textCursor();
    EXPECT_EQ(at.selectedText(), QStringLiteral("TAB("));
    EXPECT_EQ(at.blockNumber(), 6); // line 70
    EXPECT_TRUE(w->FindNext());     // line 90, then round to line 70 again
    EXPECT_EQ(w->TextView()->textCursor().blockNumber(), 8);
    EXPECT_TRUE(w->FindNext());
    EXPECT_EQ(w->TextView()->textCursor().blockNumber(), 6);
    find->setText(QStringLiteral("GOSUB"));
    EXPECT_FALSE(w->FindNext());
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("LblFind"))->text(),
              QStringLiteral("Not found"));

    // Copy with nothing selected: the whole text.
    w->TextView()->moveCursor(QTextCursor::Start);
    Action(*w, "mnuEditCopy")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), Shown(*w));

    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("payroll.txt"));
    ModalAnswerer answerer;
    answerer.onFileDialog = [&](QFileDialog& dialog) {
        dialog.selectFile(saved);
        static_cast<QDialog&>(dialog).accept();
    };
    Action(*w, "mnuFileSaveAs")->trigger();
    Pump(20);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), Shown(*w) + QLatin1Char('\n'));
    EXPECT_TRUE(answerer.boxes.empty());
}

TEST_F(ContentsWindowTest, CpmTextEndsAtItsFirst1A) {
    testimg::CpmDiskBuilder b(testimg::CpmGenie80Track());
    const std::string notes = "ONE\r\nTWO\r\n";
    b.AddFile({0, "NOTES   TXT", std::vector<std::uint8_t>(notes.begin(), notes.end())});
    Files(b.Disk().Dmk());
    ContentsWindow* w = ViewByButton(QStringLiteral("NOTES.TXT"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Shown(*w), QStringLiteral("ONE\nTWO"));
    EXPECT_EQ(w->findChild<QComboBox*>(QStringLiteral("CboView"))->currentText(),
              QStringLiteral("Text (auto)"));
}

} // namespace
} // namespace ss
