// Writes pictures of the sector map window on the DMK sample disk, opened
// from the main window, in numeric and in interleave order:
//   ss_map_screenshot NUMERIC.png INTERLEAVE.png
#include "app/main_window.h"
#include "app/sector_map_window.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QTest>
#include <cstdio>

namespace {
bool Save(QWidget& window, const QString& path) {
    QTest::qWait(50);
    return window.grab().save(path);
}
} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: ss_map_screenshot NUMERIC.png INTERLEAVE.png\n");
        return 2;
    }
    // Named from the folder the tool was started in: the windows make their
    // program's folder the current one.
    const QString numeric = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const QString interleave = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();

    ss::MainWindow main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main)) {
        return 1;
    }
    const QString disk = QDir::temp().filePath(QStringLiteral("sectorscope-sample.dmk"));
    ss::testimg::WriteFile(QFile::encodeName(disk).toStdString(), ss::testimg::SampleDmk());
    main.OpenImage(disk);
    main.Logic().Cmndsecdisp_Click();
    auto* map = main.findChild<ss::SectorMapWindow*>();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (map == nullptr) {
            map = qobject_cast<ss::SectorMapWindow*>(w);
        }
    }
    if (map == nullptr || !QTest::qWaitForWindowExposed(map)) {
        return 1;
    }
    // Page 1 holds the directory track, cylinder 17.
    map->Logic().Form_Activate();
    map->Logic().Cmndnext_Click();
    map->SyncFromModels();
    bool saved = Save(*map, numeric);
    map->findChild<QRadioButton*>(QStringLiteral("Option2"))->click();
    saved = Save(*map, interleave) && saved;
    QFile::remove(disk);
    if (!saved) {
        std::fprintf(stderr, "cannot write the pictures\n");
        return 1;
    }
    return 0;
}
