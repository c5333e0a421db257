// The file-open dialog of the windows.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <string_view>

namespace ss {

// The main window's file dialog filter: pairs of a name and a pattern, all
// separated by "|".
inline constexpr const char* kMainformFilter =
    "All Files(*.*)|*.*| Dsk Files(*.dsk)|*.dsk|Dmk Files(*.dmk)|*.dmk|JV3 Files(*.jv3)|*.jv3";

// The dialog's name filters for a "name|pattern|name|pattern…" filter. A name
// that already ends in its pattern in brackets is kept unchanged; any other
// name is followed by " (pattern)" so the dialog filters by the pattern.
QStringList NameFilters(std::string_view filter);

// Shows the modal file-open dialog with the name filters of `filter`, entry
// `selectedEntry` (counted from 1) selected, starting in `directory`. The
// chosen file's path, or nothing when the user cancels.
std::optional<QString> AskOpenFileName(QWidget* parent, std::string_view filter, int selectedEntry,
                                       const QString& directory);

} // namespace ss
