// The hex viewer on the screen: opened from the main window's "Hex Editor"
// button, paged with its real scroll bar, the wheel and the keys, redrawn on
// Resize, keeping its first file; and a picture of it.
#include "app/activation.h"
#include "app/hex_viewer_window.h"
#include "app/main_window.h"
#include "app_test_support.h"
#include "support/sample_disks.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace ss {
namespace {

using apptest::ModalAnswerer;
using apptest::Pump;
using apptest::ShownAsPaintedWhole;
using apptest::WriteImage;

class HexViewerWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { WindowActivation::Reset(); }

    static QString Text(QWidget& w, const char* name) {
        auto* edit = w.findChild<QLineEdit*>(QLatin1String(name));
        EXPECT_NE(edit, nullptr) << name;
        return edit != nullptr ? edit->text() : QString();
    }
    // Presses "Hex Editor" and gives the hex viewer once it is the active window.
    static HexViewerWindow* PressHexEditor(MainWindow& main) {
        QTest::mouseClick(main.findChild<QPushButton*>(QStringLiteral("Cmndhexedit")),
                          Qt::LeftButton);
        HexViewerWindow* hex = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            hex = qobject_cast<HexViewerWindow*>(QApplication::activeWindow());
            return hex != nullptr;
        }));
        Pump(10);
        return hex;
    }
    // The address printed at the start of the page.
    static std::string FirstAddress(HexViewerWindow& hex) {
        const auto lines = RasterText(hex.Logic().surface);
        return lines.empty() || lines[0].spans.size() < 2 ? "" : lines[0].spans[1].text;
    }
    static void Wheel(QWidget* target, int angle) {
        QWheelEvent event(QPointF(20, 20), target->mapToGlobal(QPointF(20, 20)), QPoint(),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
};

TEST_F(HexViewerWindowTest, OpensFromTheMainWindowAndPagesWithTheBarWheelAndKeys) {
    ModalAnswerer answerer;
    MainWindow main;
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    const QString dmk = WriteImage(QStringLiteral("hex.dmk"), testimg::SampleDmk());
    main.OpenImage(dmk);

    HexViewerWindow* hex = PressHexEditor(main);
    ASSERT_NE(hex, nullptr);
    EXPECT_EQ(hex->objectName(), QStringLiteral("form2"));
    EXPECT_TRUE(hex->windowTitle().contains(QStringLiteral("hex.dmk")));
    EXPECT_EQ(Text(*hex, "TxtFilename"), dmk);
    EXPECT_EQ(Text(*hex, "Text1"), QStringLiteral("7D010"));
    EXPECT_EQ(Text(*hex, "Text2"), QStringLiteral("DMK"));
    EXPECT_EQ(Text(*hex, "Text4"), QStringLiteral("Track Header in Green"));
    EXPECT_EQ(hex->menuBar()->actions().size(), 2) << "File and View menus, no Help menu";
    EXPECT_NE(hex->findChild<QAction*>(QStringLiteral("mnuFileOpen")), nullptr);
    EXPECT_EQ(FirstAddress(*hex), "0000000");

    // The real bar: a page per value, and it reaches the last page of the file.
    QScrollBar& bar = hex->ScrollBar();
    EXPECT_EQ(bar.maximum(), (512016 - 256) / 16);
    EXPECT_EQ(bar.pageStep(), 28);
    bar.setValue(401);
    Pump(10);
    EXPECT_EQ(hex->Logic().fpasave2, 6416);
    EXPECT_EQ(FirstAddress(*hex), "0001910");
    bar.setValue(bar.maximum());
    Pump(10);
    EXPECT_EQ(hex->Logic().fpasave2, 512016 - 256);

    // The wheel moves three lines a notch, the arrows one, the page keys 28.
    bar.setValue(100);
    Wheel(hex->findChild<SurfaceWidget*>(), -120);
    EXPECT_EQ(bar.value(), 103);
    Wheel(&bar, 240);
    EXPECT_EQ(bar.value(), 97);
    QTest::keyClick(hex, Qt::Key_PageDown);
    EXPECT_EQ(bar.value(), 125);
    QTest::keyClick(hex, Qt::Key_Down);
    EXPECT_EQ(bar.value(), 126);
    QTest::keyClick(hex, Qt::Key_PageUp);
    QTest::keyClick(hex, Qt::Key_Up);
    EXPECT_EQ(bar.value(), 97);
    EXPECT_EQ(hex->Logic().fpasave2, 97 * 16);

    // Resize draws the same page again.
    const std::uint64_t revision = hex->Logic().surface.Revision();
    hex->resize(hex->width() + 30, hex->height() + 20);
    Pump(30);
    EXPECT_NE(hex->Logic().surface.Revision(), revision);
    EXPECT_EQ(hex->Logic().fpasave2, 97 * 16);

    // A second press after another image was opened keeps the first file.
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    main.OpenImage(WriteImage(QStringLiteral("hex.dsk"), testimg::SampleJv1()));
    EXPECT_EQ(PressHexEditor(main), hex);
    EXPECT_EQ(Text(*hex, "TxtFilename"), dmk);
    EXPECT_EQ(Text(*hex, "Text2"), QStringLiteral("DMK"));
    EXPECT_TRUE(answerer.boxes.empty());

    const QString shotPath = QStringLiteral(SS_APP_TEST_OUTPUT_DIR "/hexviewer-dmk.png");
    EXPECT_TRUE(hex->grab().save(shotPath));
}

TEST_F(HexViewerWindowTest, TheScreenShowsThePageAndTheBarAsAWholePaintLineAfterLine) {
    // A large file, whose bar moves its handle a pixel in many lines, and a
    // small one, whose bar moves it every few lines; each at its start and
    // at its end.
    const std::pair<const char*, std::vector<std::uint8_t>> images[] = {
        {"lines.dmk", testimg::SampleDmk()}, {"lines.dsk", testimg::SampleJv1()}};
    for (const auto& [name, bytes] : images) {
        ModalAnswerer answerer;
        MainWindow main;
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
        main.OpenImage(WriteImage(QLatin1String(name), bytes));
        HexViewerWindow* hex = PressHexEditor(main);
        ASSERT_NE(hex, nullptr);
        QScrollBar& bar = hex->ScrollBar();
        for (const int start : {0, bar.maximum() - 12}) {
            bar.setValue(start);
            Pump(10);
            for (int line = 0; line < 16; ++line) {
                QTest::keyClick(hex, line < 14 ? Qt::Key_Down : Qt::Key_Up);
                Pump(5);
                EXPECT_TRUE(ShownAsPaintedWhole(*hex)) << name << " line " << bar.value();
            }
        }
    }
}

} // namespace
} // namespace ss
