#include "files_window.h"

#include "contents_window.h"
#include "main_window.h"
#include "open_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ss {

namespace {
QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

FilesWindow::FilesWindow(QtHost& host, MainWindowLogic& main, QWidget* parent)
    : WindowFrame("formFiles", QStringLiteral("files"), parent), qtHost_(host), main_(main),
      logic_(host, main) {
    CloseAlone();
    BuildMenus(kMainformFilter, 1, MenuHelp::None);
    BuildControls();
    AddZoomKeys();
    connect(this, &WindowFrame::FontZoomed, this, &FilesWindow::ShowTable);
    ShowFileNameInTitle(logic_.TxtFilename);
    logic_.Refresh();
    ShowTable();
    host.FollowImages(this, [this] { Follow(); });
    Load(host, WindowId::Files);
    resize(760, 420);
}

void FilesWindow::Follow() {
    Handle([this] { logic_.Refresh(); });
    ShowTable();
}

void FilesWindow::BuildControls() {
    auto* central = new QWidget;
    auto* outer = new QVBoxLayout(central);

    auto* grid = new QGridLayout;
    struct Field {
        const char* name;
        const char* caption;
        TextBox& model;
    };
    const Field fields[] = {
        {"TxtDos", "DOS", logic_.TxtDos},
        {"TxtDiskname", "Disk name", logic_.TxtDiskname},
        {"TxtDiskdate", "Date", logic_.TxtDiskdate},
        {"TxtFree", "Free", logic_.TxtFree},
    };
    int column = 0;
    for (const Field& f : fields) {
        auto* label = new QLabel(QString::fromLatin1(f.caption));
        auto* edit = new QLineEdit;
        edit->setObjectName(QLatin1String(f.name));
        edit->setReadOnly(true);
        Bindings().Bind(f.model, edit);
        fields_.push_back(edit);
        grid->addWidget(label, 0, column);
        grid->addWidget(edit, 1, column);
        ++column;
    }
    // The disk's name takes what room is left over.
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid);

    // Why the disk has no directory the window reads: the whole text,
    // wrapped, and only when there is one.
    noDos_ = new QLabel;
    noDos_->setObjectName(QStringLiteral("TxtNoDos"));
    noDos_->setWordWrap(true);
    noDos_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    noDos_->setVisible(false);
    outer->addWidget(noDos_);

    auto* list1 = new QListWidget;
    list1->setObjectName(QStringLiteral("List1"));
    list1->setWordWrap(true);
    list1->setFixedHeight(list1->fontMetrics().height() * 3 + 8);
    Bindings().Bind(logic_.List1, list1);
    outer->addWidget(list1);

    table_ = new QTableWidget(0, FilesLogic::Columns);
    table_->setObjectName(QStringLiteral("TableFiles"));
    QStringList titles;
    for (const char* t : FilesLogic::kColumnTitles) {
        titles << QString::fromLatin1(t);
    }
    table_->setHorizontalHeaderLabels(titles);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->setVisible(false);
    // Every column as wide as its contents; the damage, last, takes the rest.
    for (int c = 0; c < FilesLogic::Columns; ++c) {
        table_->horizontalHeader()->setSectionResizeMode(
            c, c == FilesLogic::Damage ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    }
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSortIndicatorShown(true);
    table_->horizontalHeader()->setSectionsClickable(true);
    connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        logic_.SortBy(column);
        ShowTable();
    });
    connect(table_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { Handle([this, row] { logic_.OpenRow(row); }); });
    // Enter, and the table's context menu, show what the files hold.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), table_);
        enter->setContext(Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, &FilesWindow::ViewSelected);
    }
    table_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* view = new QAction(tr("&View"), table_);
    view->setObjectName(QStringLiteral("mnuTableView"));
    connect(view, &QAction::triggered, this, &FilesWindow::ViewSelected);
    table_->addAction(view);
    auto* first = new QAction(tr("Show the &First Sector"), table_);
    first->setObjectName(QStringLiteral("mnuTableFirst"));
    connect(first, &QAction::triggered, this, [this] {
        if (const std::vector<int> rows = SelectedRows(); !rows.empty()) {
            Handle([this, row = rows.front()] { logic_.OpenRow(row); });
        }
    });
    table_->addAction(first);
    auto* saveRows = new QAction(Q(logic_.CmndSave.Caption), table_);
    saveRows->setObjectName(QStringLiteral("mnuTableSave"));
    connect(saveRows, &QAction::triggered, this, &FilesWindow::SaveAs);
    table_->addAction(saveRows);
    outer->addWidget(table_, 1);

    auto* buttons = new QHBoxLayout;
    all_ = new QCheckBox(Q(logic_.ChkAll.Caption));
    all_->setObjectName(QStringLiteral("ChkAll"));
    connect(all_, &QCheckBox::toggled, this, [this](bool on) {
        logic_.SetShowAll(on);
        ShowTable();
    });
    buttons->addWidget(all_);
    buttons->addStretch(1);
    auto* viewButton = new QPushButton(Q(logic_.CmndView.Caption));
    viewButton->setObjectName(QStringLiteral("CmndView"));
    viewButton->setToolTip(tr("Show what the selected files hold (Enter)"));
    connect(viewButton, &QPushButton::clicked, this, &FilesWindow::ViewSelected);
    buttons->addWidget(viewButton);
    auto* save = new QPushButton(Q(logic_.CmndSave.Caption));
    save->setObjectName(QStringLiteral("CmndSave"));
    save->setToolTip(tr("Save the selected files' bytes in a folder"));
    connect(save, &QPushButton::clicked, this, &FilesWindow::SaveAs);
    buttons->addWidget(save);
    outer->addLayout(buttons);
    setCentralWidget(central);
}

void FilesWindow::ShowTable() {
    const std::vector<FilesLogic::Row>& rows = logic_.Rows();
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const FilesLogic::Row& row = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < FilesLogic::Columns; ++c) {
            auto* item = new QTableWidgetItem(Q(row.cells[static_cast<std::size_t>(c)]));
            if (c == FilesLogic::Size || c == FilesLogic::Lrl) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            if (row.damaged) {
                item->setForeground(QColor(192, 0, 0));
            }
            table_->setItem(r, c, item);
        }
    }
    table_->horizontalHeader()->setSortIndicator(
        logic_.SortColumn(), logic_.SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    table_->resizeRowsToContents();
    all_->setChecked(logic_.ChkAll.Value);
    noDos_->setText(Q(logic_.TxtNoDos.Text));
    noDos_->setVisible(!logic_.TxtNoDos.Text.empty());
    SyncFromModels();
    FitFields();
}

void FilesWindow::FitFields() {
    for (QLineEdit* edit : fields_) {
        // The text, the frame and the margins a line edit draws around it.
        const int text = edit->fontMetrics().horizontalAdvance(edit->text());
        const int least = edit->fontMetrics().horizontalAdvance(QString(8, QLatin1Char('0')));
        edit->setMinimumWidth(std::max(text, least) + 2 * edit->fontMetrics().averageCharWidth() +
                              12);
    }
}

std::vector<int> FilesWindow::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FilesWindow::ViewSelected() {
    const QString image = QFileInfo(FromFileName(logic_.TxtFilename.Text)).fileName();
    for (const int row : SelectedRows()) {
        std::optional<ContentsLogic> contents = logic_.ContentsOfRow(row);
        if (!contents) {
            // The rows of an image the main window has since left: the
            // table of the image it shows now instead.
            Activate();
            return;
        }
        auto* window = new ContentsWindow(std::move(*contents), image, this,
                                          [this] { qtHost_.ShowWindow(WindowId::DiskCheck); });
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void FilesWindow::SaveAs() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Save the files in"));
    if (folder.isEmpty()) {
        return;
    }
    Handle([&] {
        logic_.SaveRows(rows, ToFileName(folder), [this](const std::string& name) {
            return QMessageBox::question(
                       this, tr("Save As"), tr("%1 is already there. Replace it?").arg(Q(name)),
                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
        });
    });
}

OpenResult FilesWindow::Open(const std::string& name) {
    return OpenInMainWindow(main_, qtHost_, name);
}

void FilesWindow::Activate() {
    logic_.Form_Activate();
    ShowTable();
}

} // namespace ss
