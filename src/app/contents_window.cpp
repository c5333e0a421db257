#include "contents_window.h"

#include "control_binding.h"
#include "help_window.h"
#include "program_settings.h"
#include "surface_widget.h"
#include "window_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QVBoxLayout>

namespace ss {

namespace {

const QString kWindowName = QStringLiteral("formContents");

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

ContentsWindow::ContentsWindow(ContentsLogic logic, const QString& imageName, QWidget* parent,
                               std::function<void()> showCheck)
    : QMainWindow(parent), logic_(std::move(logic)), showCheck_(std::move(showCheck)) {
    setObjectName(kWindowName);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(WindowTitle(Q(logic_.FileName()), imageName));
    BuildControls();
    BuildMenus();
    naturalPoints_ = text_->font().pointSize() > 0 ? text_->font().pointSize() : 10;
    SetZoom(SavedZoom(kWindowName));
    ShowView();
    resize(760, 540);
}

void ContentsWindow::BuildControls() {
    auto* central = new QWidget;
    auto* outer = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    auto* label = new QLabel(tr("&View"));
    views_ = new QComboBox;
    views_->setObjectName(QStringLiteral("CboView"));
    for (const contents::View view : contents::kViews) {
        QString title = Q(contents::ViewTitle(view));
        if (view == logic_.AutoView()) {
            title += tr(" (auto)");
        }
        views_->addItem(title, static_cast<int>(view));
    }
    label->setBuddy(views_);
    connect(views_, &QComboBox::activated, this, [this](int index) {
        SetView(static_cast<contents::View>(views_->itemData(index).toInt()));
    });
    top->addWidget(label);
    top->addWidget(views_);
    top->addStretch(1);
    auto* size = new QLabel(tr("%1 bytes").arg(logic_.Size()));
    size->setObjectName(QStringLiteral("LblSize"));
    top->addWidget(size);
    outer->addLayout(top);

    // The file's damage, then why it does not read as the view asks: above
    // the contents, only when there is something to say.
    damage_ = new QLabel;
    damage_->setObjectName(QStringLiteral("TxtDamage"));
    damage_->setWordWrap(true);
    damage_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    damage_->setStyleSheet(QStringLiteral("color: #c00000"));
    outer->addWidget(damage_);
    error_ = new QLabel;
    error_->setObjectName(QStringLiteral("TxtError"));
    error_->setWordWrap(true);
    error_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    error_->setStyleSheet(QStringLiteral("color: #800000"));
    outer->addWidget(error_);

    text_ = new QPlainTextEdit;
    text_->setObjectName(QStringLiteral("TxtContents"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    outer->addWidget(text_, 1);

    findBar_ = new QWidget;
    findBar_->setObjectName(QStringLiteral("FindBar"));
    auto* find = new QHBoxLayout(findBar_);
    find->setContentsMargins(0, 0, 0, 0);
    auto* findLabel = new QLabel(tr("&Find"));
    findText_ = new QLineEdit;
    findText_->setObjectName(QStringLiteral("TxtFind"));
    findLabel->setBuddy(findText_);
    connect(findText_, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    auto* next = new QPushButton(tr("&Next"));
    next->setObjectName(QStringLiteral("CmndFindNext"));
    connect(next, &QPushButton::clicked, this, [this] { FindNext(); });
    auto* previous = new QPushButton(tr("&Previous"));
    previous->setObjectName(QStringLiteral("CmndFindPrevious"));
    connect(previous, &QPushButton::clicked, this, [this] { FindNext(true); });
    findStatus_ = new QLabel;
    findStatus_->setObjectName(QStringLiteral("LblFind"));
    auto* hide = new QToolButton;
    hide->setText(QStringLiteral("\u00D7"));
    hide->setToolTip(tr("Close the find bar (Esc)"));
    connect(hide, &QToolButton::clicked, findBar_, &QWidget::hide);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), findBar_);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        findBar_->hide();
        text_->setFocus();
    });
    find->addWidget(findLabel);
    find->addWidget(findText_, 1);
    find->addWidget(next);
    find->addWidget(previous);
    find->addWidget(findStatus_);
    find->addWidget(hide);
    findBar_->hide();
    outer->addWidget(findBar_);

    setCentralWidget(central);
}

void ContentsWindow::BuildMenus() {
    const auto add = [this](QMenu* menu, const QString& text, const char* name,
                            const QKeySequence& key, auto slot) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    QMenu* file = menuBar()->addMenu(tr("&File"));
    add(file, tr("&Save As..."), "mnuFileSaveAs", QKeySequence(Qt::CTRL | Qt::Key_S),
        [this] { SaveAs(); });
    if (showCheck_) {
        add(file, tr("Disk Check..."), "mnuFileCheck", QKeySequence(Qt::CTRL | Qt::Key_K),
            [this] { showCheck_(); });
    }
    file->addSeparator();
    add(file, tr("&Close"), "mnuFileClose", QKeySequence(Qt::CTRL | Qt::Key_W),
        [this] { close(); });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    add(edit, tr("&Copy"), "mnuEditCopy", QKeySequence::Copy, [this] { Copy(); });
    add(edit, tr("Select &All"), "mnuEditSelectAll", QKeySequence::SelectAll,
        [this] { text_->selectAll(); });
    edit->addSeparator();
    add(edit, tr("&Find..."), "mnuEditFind", QKeySequence::Find, [this] { ShowFind(); });
    add(edit, tr("Find &Next"), "mnuEditFindNext", QKeySequence::FindNext, [this] { FindNext(); });
    add(edit, tr("Find &Previous"), "mnuEditFindPrevious", QKeySequence::FindPrevious,
        [this] { FindNext(true); });

    QMenu* view = menuBar()->addMenu(tr("&View"));
    auto* group = new QActionGroup(this);
    const Qt::Key digits[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3, Qt::Key_4, Qt::Key_5};
    for (std::size_t n = 0; n < std::size(contents::kViews); ++n) {
        const contents::View v = contents::kViews[n];
        QAction* action = add(view, Q(contents::ViewTitle(v)), "mnuView",
                              QKeySequence(Qt::CTRL | digits[n]), [this, v] { SetView(v); });
        action->setObjectName(QStringLiteral("mnuView") + Q(contents::ViewWord(v)));
        action->setCheckable(true);
        action->setData(static_cast<int>(v));
        group->addAction(action);
    }
    view->addSeparator();
    add(view, tr("Zoom &In"), "mnuViewZoomIn", QKeySequence::ZoomIn,
        [this] { SetZoom(ZoomStepIn(zoom_)); });
    add(view, tr("Zoom &Out"), "mnuViewZoomOut", QKeySequence::ZoomOut,
        [this] { SetZoom(ZoomStepOut(zoom_)); });
    add(view, tr("&Natural Size"), "mnuViewZoomReset", QKeySequence(Qt::CTRL | Qt::Key_0),
        [this] { SetZoom(1.0); });
    // Ctrl+= as well as Ctrl++, as in the other windows.
    auto* equal = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), this);
    connect(equal, &QShortcut::activated, this, [this] { SetZoom(ZoomStepIn(zoom_)); });

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    add(help, tr("&Help"), "mnuHelpItem", QKeySequence::HelpContents, [this] { ShowHelp(this); });
}

void ContentsWindow::SetView(contents::View view) {
    logic_.SetView(view);
    ShowView();
}

void ContentsWindow::ShowView() {
    const contents::View view = logic_.View();
    views_->setCurrentIndex(views_->findData(static_cast<int>(view)));
    for (QAction* action : findChildren<QAction*>()) {
        if (action->isCheckable()) {
            action->setChecked(action->data().toInt() == static_cast<int>(view));
        }
    }
    QStringList damage;
    for (const std::string& d : logic_.Damage()) {
        damage << Q(d);
    }
    damage_->setText(damage.join(QLatin1Char('\n')));
    damage_->setVisible(!damage.isEmpty());
    error_->setText(Q(logic_.Error()));
    error_->setVisible(!logic_.Error().empty());
    QString text = Q(logic_.Text());
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    text_->setPlainText(text);
    findStatus_->clear();
}

void ContentsWindow::SetZoom(double zoom) {
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    QFont font = text_->font();
    font.setPointSizeF(naturalPoints_ * zoom_);
    text_->setFont(font);
    SaveZoom(kWindowName, zoom_);
}

void ContentsWindow::ShowFind() {
    findBar_->show();
    if (text_->textCursor().hasSelection() &&
        !text_->textCursor().selectedText().contains(QChar::ParagraphSeparator)) {
        findText_->setText(text_->textCursor().selectedText());
    }
    findText_->setFocus();
    findText_->selectAll();
}

bool ContentsWindow::FindNext(bool backwards) {
    const QString needle = findText_->text();
    if (needle.isEmpty()) {
        ShowFind();
        return false;
    }
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    bool found = text_->find(needle, flags);
    if (!found) {
        // Round the end: from the other end of the text.
        const QTextCursor kept = text_->textCursor();
        text_->moveCursor(backwards ? QTextCursor::End : QTextCursor::Start);
        found = text_->find(needle, flags);
        if (!found) {
            text_->setTextCursor(kept);
        }
    }
    findStatus_->setText(found ? QString() : tr("Not found"));
    return found;
}

void ContentsWindow::Copy() {
    const QTextCursor cursor = text_->textCursor();
    QApplication::clipboard()->setText(cursor.hasSelection() ? cursor.selection().toPlainText()
                                                             : text_->toPlainText());
}

void ContentsWindow::SaveAs() {
    QString name = Q(logic_.FileName());
    name.replace(QLatin1Char('/'), QLatin1Char('.'));
    name.replace(QLatin1Char(':'), QLatin1Char('_'));
    const QString folder = LastFolder().isEmpty() ? StartFolder() : LastFolder();
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save As"), folder + QLatin1Char('/') + name + QStringLiteral(".txt"));
    if (path.isEmpty()) {
        return;
    }
    SetLastFolder(QFileInfo(path).absolutePath());
    const std::string error = logic_.SaveText(ToFileName(path));
    if (!error.empty()) {
        QMessageBox::warning(this, tr("Save As"), tr("Not saved: %1").arg(Q(error)));
    }
}

} // namespace ss
