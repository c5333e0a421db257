// What every screenshot tool does first: an offscreen application unless a
// display is asked for, the pictures' paths from its arguments, and the main
// window shown with the DMK sample disk open.
#pragma once

#include "app/main_window.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"
#include "temporary_home.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTest>
#include <cstdio>
#include <optional>

namespace ss::screenshot {

// Offscreen unless QT_QPA_PLATFORM names a platform, with a home folder of
// its own so that the user's zoom and recent images stay out of the
// pictures; call before the application is made.
inline void PreferOffscreen() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    apptest::UseTemporaryHome();
}

// The pictures' paths, named from the folder the tool was started in (the
// windows make their program's folder the current one); none, after the
// usage line, when the arguments are not `count` paths.
inline std::optional<QStringList> OutputPaths(int argc, char* argv[], int count,
                                              const char* usage) {
    if (argc != count + 1) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return std::nullopt;
    }
    QStringList paths;
    for (int i = 1; i <= count; ++i) {
        paths << QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
    }
    return paths;
}

// The last top-level window of type W the program shows, or null.
template <class W> W* TopLevelWindow() {
    W* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<W*>(w)) {
            found = t;
        }
    }
    return found;
}

// The DMK sample written to a temporary file and opened in the main window,
// which is shown; the file goes with the object.
class DmkSampleInMainWindow {
  public:
    DmkSampleInMainWindow()
        : disk_(QDir::temp().filePath(QStringLiteral("sectorscope-sample.dmk"))) {
        window.show();
        shown_ = QTest::qWaitForWindowExposed(&window);
        testimg::WriteFile(QFile::encodeName(disk_).toStdString(), testimg::SampleDmk());
        window.OpenImage(disk_);
    }
    ~DmkSampleInMainWindow() { QFile::remove(disk_); }
    bool Shown() const { return shown_; }

    MainWindow window;

  private:
    QString disk_;
    bool shown_ = false;
};

// Lets the window paint, then saves its picture; false (after saying so)
// when the file cannot be written.
inline bool Save(QWidget& window, const QString& path) {
    QTest::qWait(50);
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace ss::screenshot
