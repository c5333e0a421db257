// Writes a picture of the hex viewer on the DMK sample disk, opened from the
// main window's "Hex Editor" button, at the page of the first ID field:
//   ss_app_screenshot_hex OUT.png
#include "app/hexviewer.h"
#include "app/mainform.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ss_app_screenshot_hex OUT.png\n");
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
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Cmndhexedit")),
                      Qt::LeftButton);
    auto* hex = qobject_cast<ss::HexViewer*>(QApplication::activeWindow());
    if (hex == nullptr && !QTest::qWaitFor([&] {
            hex = qobject_cast<ss::HexViewer*>(QApplication::activeWindow());
            return hex != nullptr;
        })) {
        std::fprintf(stderr, "the hex viewer did not open\n");
        return 1;
    }
    // The page from the end of the first track header on: gap bytes, the
    // first ID field and its data mark.
    hex->ScrollBar().setValue(8);
    QTest::qWait(50);
    const bool saved = hex->grab().save(out);
    QFile::remove(disk);
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
