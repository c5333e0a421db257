// Writes a picture of the contents window on a BASIC program of a small LDOS
// disk, opened from the Files window's View button:
//   ss_contents_screenshot OUT.png
#include "app/contents_window.h"
#include "app/files_window.h"
#include "screenshot_support.h"
#include "support/contents_files.h"
#include "support/dos_disks.h"

#include <QPushButton>
#include <QTableWidget>

int main(int argc, char* argv[]) {
    ss::screenshot::PreferOffscreen();
    QApplication app(argc, argv);
    const auto out = ss::screenshot::OutputPaths(argc, argv, 1, "ss_contents_screenshot OUT.png");
    if (!out) {
        return 2;
    }
    ss::testimg::DosDiskBuilder b(ss::testimg::LdosDdTwoSidedGeometry());
    b.AddFile({"PAYROLL BAS", ss::testimg::PayrollProgram()});
    b.AddFile({"CLS     CMD", ss::testimg::ClearScreenModule()});
    const QString disk = QDir::temp().filePath(QStringLiteral("sectorscope-contents.dmk"));
    ss::testimg::WriteFile(QFile::encodeName(disk).toStdString(), b.Dmk());

    ss::MainWindow main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main)) {
        return 1;
    }
    main.OpenImage(disk);
    main.Logic().CmndFiles_Click();
    QTest::qWait(50);
    auto* files = ss::screenshot::TopLevelWindow<ss::FilesWindow>();
    if (files == nullptr) {
        std::fprintf(stderr, "the Files window did not open\n");
        return 1;
    }
    files->Table()->selectRow(1); // PAYROLL/BAS, after CLS/CMD
    files->findChild<QPushButton*>(QStringLiteral("CmndView"))->click();
    QTest::qWait(50);
    ss::ContentsWindow* contents = files->findChild<ss::ContentsWindow*>();
    QFile::remove(disk);
    if (contents == nullptr || !QTest::qWaitForWindowExposed(contents)) {
        std::fprintf(stderr, "the contents window did not open\n");
        return 1;
    }
    contents->resize(640, 360);
    return ss::screenshot::Save(*contents, out->first()) ? 0 : 1;
}
