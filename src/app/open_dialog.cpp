#include "open_dialog.h"

#include <QFileDialog>

namespace ss {

namespace {
// One pattern of a filter as the dialog must read it.
QString DialogPattern(const QString& pattern) {
    if (pattern == QStringLiteral("*.*")) {
        return QStringLiteral("*");
    }
    QString out;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper()) {
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        } else {
            out += c;
        }
    }
    return out;
}
} // namespace

QStringList NameFilters(std::string_view filter) {
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()))
            .split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        // Several patterns of one entry are separated by ";".
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << DialogPattern(pattern.trimmed());
        }
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

std::optional<QString> AskOpenFileName(QWidget* parent, std::string_view filter, int selectedEntry,
                                       const QString& directory) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDirectory(directory);
    const QStringList filters = NameFilters(filter);
    dialog.setNameFilters(filters);
    if (selectedEntry >= 1 && selectedEntry <= filters.size()) {
        dialog.selectNameFilter(filters[selectedEntry - 1]);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace ss
