#include "open_dialog.h"

#include <QFileDialog>

namespace ss {

QStringList NameFilters(std::string_view filter) {
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()))
            .split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        const QString& pattern = parts[i + 1];
        if (name.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) {
            out << name;
        } else {
            out << name + QStringLiteral(" (") + pattern + QLatin1Char(')');
        }
    }
    return out;
}

std::optional<QString> AskOpenFileName(QWidget* parent, std::string_view filter, int selectedEntry,
                                       const QString& directory) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
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
