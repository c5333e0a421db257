// Writes a picture of the Files window on a small LDOS disk, one of whose
// files has lost a sector:
//   ss_files_screenshot OUT.png
#include "app/activation.h"
#include "app/files_window.h"
#include "app/main_window.h"
#include "support/dos_disks.h"
#include "support/image_builder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ss_files_screenshot OUT.png\n");
        return 2;
    }
    const QString out = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();

    using namespace ss::testimg;
    DosDiskBuilder b(LdosDdTwoSidedGeometry());
    const auto bytes = [](std::size_t n, char c) { return std::vector<std::uint8_t>(n, c); };
    b.AddFile({"BASIC   CMD", bytes(5632, 'b'), 0x10, 0, 0x06, (14 << 3) | 3});
    b.AddFile({"PAYROLL BAS", bytes(3210, 'p'), 0x10, 0, 0x0B, (2 << 3) | 4});
    b.AddFile({"LETTER  TXT", bytes(1800, 'l'), 0x10, 0, 0x04, (12 << 3) | 3});
    b.AddFile({"ADVENT  CMD", bytes(12800, 'a'), 0x10, 0, 0x01, (30 << 3) | 2});
    b.AddFile({"CONFIG  SYS", bytes(256, 'c'), 0x10 | 0x40 | 0x08 | 0x05});
    b.RemoveSector({3, 0, 17}); // a sector of ADVENT/CMD
    const QString disk = QDir::temp().filePath(QStringLiteral("sectorscope-files.dmk"));
    WriteFile(QFile::encodeName(disk).toStdString(), b.Dmk());

    ss::MainWindow main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main)) {
        return 1;
    }
    main.OpenImage(disk);
    main.Logic().CmndFiles_Click();
    QTest::qWait(50);
    auto* files = main.findChild<ss::FilesWindow*>();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* f = qobject_cast<ss::FilesWindow*>(w)) {
            files = f;
        }
    }
    if (files == nullptr || !QTest::qWaitForWindowExposed(files)) {
        return 1;
    }
    files->findChild<QCheckBox*>(QStringLiteral("ChkAll"))->setChecked(true);
    files->resize(900, 380);
    QTest::qWait(50);
    const bool saved = files->grab().save(out);
    QFile::remove(disk);
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
