// Writes a picture of the main window on the DMK sample disk, showing a
// directory sector with its coloured entries:
//   ss_app_screenshot OUT.png
#include "app/mainform.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <QApplication>
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
        std::fprintf(stderr, "usage: ss_app_screenshot OUT.png\n");
        return 2;
    }
    // Named from the folder the tool was started in: the window makes its
    // program's folder the current one.
    const QString out = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();

    ss::Mainform window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    const QString disk = QDir::temp().filePath(QStringLiteral("sectorscope-sample.dmk"));
    ss::testimg::WriteFile(QFile::encodeName(disk).toStdString(), ss::testimg::SampleDmk());
    window.OpenImage(disk);
    // The first directory sectors hold the granule and hash tables; the third
    // holds file entries, which the window colours.
    window.Logic().CmndDirFind_Click();
    window.Logic().CmndNextsec_Click();
    window.Logic().CmndNextsec_Click();
    window.SyncFromModels();
    QTest::qWait(50);
    const bool saved = window.grab().save(out);
    QFile::remove(disk);
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
