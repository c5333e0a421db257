#include "program_settings.h"

#include "sectorscope_version.h"

#include <QDir>
#include <QGuiApplication>
#include <QSettings>

namespace ss {

namespace {
const QString kLastFolderKey = QStringLiteral("files/lastFolder");
const QString kRecentFilesKey = QStringLiteral("files/recent");
const QString kHighContrastKey = QStringLiteral("view/highContrast");

QString ZoomKey(const QString& window) {
    return QStringLiteral("zoom/") + window;
}
} // namespace

void NameTheProgram() {
    StartFolder();
    QCoreApplication::setOrganizationName(QStringLiteral("sectorscope"));
    QCoreApplication::setApplicationName(QStringLiteral("sectorscope"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    // The desktop entry's name, so that the desktop shows its icon for the windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.sectorscope.Sectorscope"));
}

QString StartFolder() {
    static const QString folder = QDir::currentPath();
    return folder;
}

QString LastFolder() {
    return QSettings().value(kLastFolderKey).toString();
}

void SetLastFolder(const QString& folder) {
    QSettings().setValue(kLastFolderKey, folder);
}

QStringList RecentFiles() {
    QStringList files = QSettings().value(kRecentFilesKey).toStringList();
    files.removeAll(QString());
    files.removeDuplicates();
    while (files.size() > kMaxRecentFiles) {
        files.removeLast();
    }
    return files;
}

void AddRecentFile(const QString& path) {
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kMaxRecentFiles) {
        files.removeLast();
    }
    QSettings().setValue(kRecentFilesKey, files);
}

void RemoveRecentFile(const QString& path) {
    QStringList files = RecentFiles();
    if (files.removeAll(path) > 0) {
        QSettings().setValue(kRecentFilesKey, files);
    }
}

bool SavedHighContrast() {
    return QSettings().value(kHighContrastKey, false).toBool();
}

void SaveHighContrast(bool on) {
    QSettings().setValue(kHighContrastKey, on);
}

double SavedZoom(const QString& window) {
    bool ok = false;
    const double zoom = QSettings().value(ZoomKey(window), 1.0).toDouble(&ok);
    return ok ? zoom : 1.0;
}

void SaveZoom(const QString& window, double zoom) {
    QSettings().setValue(ZoomKey(window), zoom);
}

} // namespace ss
