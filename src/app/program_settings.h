// What the program keeps between runs, in the user's settings file (Qt's
// settings under the program's organisation and application names): the
// folder last used in a file dialog, the recently opened images, each
// window's zoom and the high-contrast look.
#pragma once

#include <QString>
#include <QStringList>

namespace ss {

// The most images the recent-files list holds.
inline constexpr int kMaxRecentFiles = 8;

// Names the program for the toolkit once, at start: the organisation and
// application names that place its settings, its version and its desktop
// entry. The program and its window tests call it.
void NameTheProgram();

// The folder the program was started from, as it was on the first call
// (NameTheProgram makes that call, before a window makes the program's own
// folder the current one).
QString StartFolder();

// The folder of the file last chosen in any window, or empty.
QString LastFolder();
void SetLastFolder(const QString& folder);

// The images opened last, the newest first, each path once.
QStringList RecentFiles();
void AddRecentFile(const QString& path);
void RemoveRecentFile(const QString& path);

// Whether View > High contrast was on when last set.
bool SavedHighContrast();
void SaveHighContrast(bool on);

// The zoom of the window named `window` (its object name) as last set, or 1.
double SavedZoom(const QString& window);
void SaveZoom(const QString& window, double zoom);

} // namespace ss
