// A home folder of the test program's own for as long as it runs, so that
// the windows' settings (zoom, recent images, the last folder) never read or
// touch the user's.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace ss::apptest {

// Points HOME and XDG_CONFIG_HOME at a fresh folder; call it before the
// application object is made.
inline void UseTemporaryHome() {
    static QTemporaryDir home;
    const QByteArray path = QFile::encodeName(home.path());
    qputenv("HOME", path);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QDir(home.path()).filePath(".config")));
}

} // namespace ss::apptest
