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

// The dialog's name filters for a "name|pattern|name|pattern…" filter. Each
// entry is the name followed by the pattern as this system's file dialog must
// read it to match the same files the name promises: "*.*" means every file
// (also one without an extension) and extensions match in any letter case, so
// "*.dsk" becomes "*.[dD][sS][kK]". The dialog hides these details and shows
// the names.
QStringList NameFilters(std::string_view filter);

// Shows the modal file-open dialog with the name filters of `filter`, entry
// `selectedEntry` (counted from 1) selected, starting in `directory`. The
// chosen file's path, or nothing when the user cancels.
std::optional<QString> AskOpenFileName(QWidget* parent, std::string_view filter, int selectedEntry,
                                       const QString& directory);

} // namespace ss
