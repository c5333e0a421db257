// The Disk Check window in Qt, and what the desktop does around it: opened by
// the main window's button and Ctrl+K, it follows the main window's image at
// once, a click on a cell shows that sector in the main window, and it closes
// alone, as the Files window does; the high-contrast look, kept across runs;
// the main window opening at the size Ctrl+0 gives.
#include "app/activation.h"
#include "app/disk_check_window.h"
#include "app/files_window.h"
#include "app/main_window.h"
#include "app/program_settings.h"
#include "app/sector_map_window.h"
#include "app_test_support.h"
#include "support/image_builder.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace ss {
namespace {

using namespace apptest;
using namespace testimg;

template <typename W> W* FindWindow(const char* name) {
    for (int i = 0; i < 50; ++i) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String(name) && w->isVisible()) {
                return qobject_cast<W*>(w);
            }
        }
        Pump(10);
    }
    return nullptr;
}

QString Field(QWidget& w, const char* name) {
    return w.findChild<QLineEdit*>(QLatin1String(name))->text();
}

std::vector<std::uint8_t> DamagedDmk() {
    std::vector<DmkTrack> recs = DmkStandardTracks(3, 1, 6, true);
    recs[2].sectors[4].dataCrc = std::array<std::uint8_t, 2>{0, 0};
    return MakeDmk(recs, OneSide()).bytes;
}

// Runs the event loop while `act` closes a window: whether the program
// went on (the loop ended by the test, not by the close).
bool ProgramGoesOnAfter(const std::function<void()>& act) {
    QTimer::singleShot(0, act);
    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    end.start(300);
    const bool goesOn = QApplication::exec() == 7;
    end.stop();
    return goesOn;
}

TEST(DiskCheckWindowTest, FollowsTheMainWindowShowsClickedSectorsAndClosesAlone) {
    WindowActivation::Reset();
    MainWindow main;
    MakeActive(main);
    const QString damaged = WriteImage(QStringLiteral("check-damaged.dmk"), DamagedDmk());
    ASSERT_TRUE(main.OpenImage(damaged).IsOpened());
    main.findChild<QPushButton*>(QStringLiteral("CmndCheck"))->click();
    auto* check = FindWindow<DiskCheckWindow>("formCheck");
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->windowTitle().startsWith(QStringLiteral("check-damaged.dmk")));
    EXPECT_EQ(check->Logic().Check().counts.dataCrcErrors, 1);

    // A click on the damaged cell (cylinder 2, fifth on the track).
    SurfaceWidget& surface = check->SurfaceView();
    const check::Row& row = check->Logic().Check().rows[2];
    const QPoint at(static_cast<int>(surface.TwipsToPixelsX(check->Logic().CellX(row, 4) + 120)),
                    static_cast<int>(surface.TwipsToPixelsY(check->Logic().CellY(row) + 90)));
    QTest::mouseClick(&surface, Qt::LeftButton, {}, at);
    Pump(20);
    EXPECT_EQ(Field(main, "Txttrk"), QStringLiteral("2"));
    EXPECT_EQ(Field(main, "Txtsector"), QStringLiteral("4"));

    // Another image in the main window: the check follows at once.
    const QString whole = WriteImage(QStringLiteral("check-whole.dmk"),
                                     MakeDmk(DmkStandardTracks(2, 1, 5, true), OneSide()).bytes);
    ASSERT_TRUE(main.OpenImage(whole).IsOpened());
    EXPECT_TRUE(check->Logic().Check().counts.Whole());
    EXPECT_TRUE(check->windowTitle().startsWith(QStringLiteral("check-whole.dmk")));
    // The window fits the new disk's drawing: shown at its natural size.
    Pump(20);
    EXPECT_NEAR(check->SurfaceView().Scale(), 1.0, 0.02);

    // Every window's File menu has it, on Ctrl+K.
    QtHost host;
    SectorMapWindow map(host);
    for (WindowFrame* w : std::initializer_list<WindowFrame*>{&main, check, &map}) {
        QAction* item = w->findChild<QAction*>(QStringLiteral("mnuFileCheck"));
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->text(), QStringLiteral("Disk Check..."));
        EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
    }

    // Closing it, or the Files window, leaves the program running.
    main.findChild<QPushButton*>(QStringLiteral("CmndFiles"))->click();
    auto* files = FindWindow<FilesWindow>("formFiles");
    ASSERT_NE(files, nullptr);
    EXPECT_TRUE(ProgramGoesOnAfter([check] { check->close(); }));
    EXPECT_FALSE(check->isVisible());
    EXPECT_TRUE(ProgramGoesOnAfter([files] { files->close(); }));
    EXPECT_FALSE(files->isVisible());
    EXPECT_TRUE(main.isVisible());
    // A sector map window still ends it.
    map.show();
    EXPECT_FALSE(ProgramGoesOnAfter([&map] { map.close(); }));
}

TEST(DiskCheckWindowTest, HighContrastIsKeptAndTheDefaultLookUnchanged) {
    SetHighContrast(false);
    SaveHighContrast(false);
    MainWindow main;
    QAction* item = main.findChild<QAction*>(QStringLiteral("mnuViewContrast"));
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(HighContrast());
    EXPECT_TRUE(SavedHighContrast());
    // Another window shows the look set.
    QtHost host;
    SectorMapWindow map(host);
    EXPECT_TRUE(map.findChild<QAction*>(QStringLiteral("mnuViewContrast"))->isChecked());
    item->trigger();
    EXPECT_FALSE(HighContrast());
    EXPECT_FALSE(SavedHighContrast());
}

TEST(DiskCheckWindowTest, TheMainWindowOpensAtTheSizeCtrl0Gives) {
    WindowActivation::Reset();
    SaveZoom(QStringLiteral("Mainform"), 1.0);
    MainWindow main;
    MakeActive(main);
    Pump(20);
    const QSize opened = main.size();
    // Readable: the dump drawn at its natural size, or as near to it as
    // the screen allows.
    const QSize screen = main.screen()->availableGeometry().size();
    const bool bounded = main.frameGeometry().width() >= screen.width() - 8 ||
                         main.frameGeometry().height() >= screen.height() - 8;
    EXPECT_GE(main.SurfaceView().Scale(), bounded ? 0.9 : 0.99);
    main.ZoomReset();
    Pump(20);
    EXPECT_EQ(main.size(), opened);
}

} // namespace
} // namespace ss
