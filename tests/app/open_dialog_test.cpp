// The file dialog's filters pick the files their names promise.
#include "app/open_dialog.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace ss {
namespace {

// The patterns of a dialog name filter "name (p1 p2 …)".
QStringList PatternsOf(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    return filter.mid(open + 1, filter.size() - open - 2).split(QLatin1Char(' '));
}

// Whether the dialog shows `file` under `filter`: it matches file names
// with the case of the file system, which on this system tells case apart.
bool Shows(const QString& filter, const QString& file) {
    for (const QString& pattern : PatternsOf(filter)) {
        if (QRegularExpression::fromWildcard(pattern, Qt::CaseSensitive).match(file).hasMatch()) {
            return true;
        }
    }
    return false;
}

TEST(OpenDialogFilters, KeepTheNamesAndMatchWhatTheyPromise) {
    const QStringList filters = NameFilters(kMainformFilter);
    ASSERT_EQ(filters.size(), 4);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("All Files(*.*) (")));
    EXPECT_TRUE(filters[1].startsWith(QStringLiteral(" Dsk Files(*.dsk) (")));
    EXPECT_TRUE(filters[2].startsWith(QStringLiteral("Dmk Files(*.dmk) (")));
    EXPECT_TRUE(filters[3].startsWith(QStringLiteral("JV3 Files(*.jv3) (")));

    // "All Files" is every file, also one without an extension.
    for (const char* file : {"disk", "GAME.DSK", "a.dmk", "b.jv3", "notes.txt"}) {
        EXPECT_TRUE(Shows(filters[0], QLatin1String(file))) << file;
    }
    // Extensions match in any letter case, and only at the end of the name.
    EXPECT_TRUE(Shows(filters[1], QStringLiteral("game.dsk")));
    EXPECT_TRUE(Shows(filters[1], QStringLiteral("GAME.DSK")));
    EXPECT_TRUE(Shows(filters[1], QStringLiteral("Game.Dsk")));
    EXPECT_FALSE(Shows(filters[1], QStringLiteral("game.dmk")));
    EXPECT_FALSE(Shows(filters[1], QStringLiteral("game.dsk.bak")));
    EXPECT_TRUE(Shows(filters[2], QStringLiteral("LDOS.DMK")));
    EXPECT_FALSE(Shows(filters[2], QStringLiteral("ldos.dsk")));
    EXPECT_TRUE(Shows(filters[3], QStringLiteral("sys.JV3")));
    EXPECT_FALSE(Shows(filters[3], QStringLiteral("sys.jv1")));
}

TEST(OpenDialogFilters, SeveralPatternsAndOddEntries) {
    const QStringList filters = NameFilters("Images|*.dsk;*.dmk|Unpaired|");
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(Shows(filters[0], QStringLiteral("a.DMK")));
    EXPECT_TRUE(Shows(filters[0], QStringLiteral("a.dsk")));
    EXPECT_FALSE(Shows(filters[0], QStringLiteral("a.jv3")));
    EXPECT_TRUE(NameFilters("Name only").isEmpty());
}

} // namespace
} // namespace ss
