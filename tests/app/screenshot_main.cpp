// Writes a picture of the main window on the DMK sample disk, showing a
// directory sector with its coloured entries:
//   ss_app_screenshot OUT.png
#include "app/mainform.h"
#include "app_test_support.h"
#include "support/sample_disks.h"

#include <QApplication>
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
    const QString out = QString::fromLocal8Bit(argv[1]);

    ss::Mainform window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    window.OpenImage(
        ss::apptest::WriteImage(QStringLiteral("sample.dmk"), ss::testimg::SampleDmk()));
    // The first directory sectors hold the granule and hash tables; the third
    // holds file entries, which the window colours.
    window.Logic().CmndDirFind_Click();
    window.Logic().CmndNextsec_Click();
    window.Logic().CmndNextsec_Click();
    window.SyncFromModels();
    QTest::qWait(50);
    if (!window.grab().save(out)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
