#include "window_frame.h"

#include "activation.h"
#include "help_window.h"
#include "open_dialog.h"
#include "program_settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace ss {

namespace {
const char* const kRecentFileProperty = "recentFile";
} // namespace

QString WindowTitle(const QString& role, const QString& fileName) {
    const QString dash = QStringLiteral(" \u2014 ");
    const QString program = QLatin1String(kProgramName);
    const QString title = role.isEmpty() ? program : role + dash + program;
    return fileName.isEmpty() ? title : fileName + dash + title;
}

std::optional<QString> DroppedFile(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.constFirst().isLocalFile()) {
        return std::nullopt;
    }
    const QFileInfo file(urls.constFirst().toLocalFile());
    if (!file.exists() || file.isDir()) {
        return std::nullopt;
    }
    return file.absoluteFilePath();
}

WindowFrame::WindowFrame(const char* objectName, QString role, QWidget* parent)
    : QMainWindow(parent), role_(std::move(role)) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(WindowTitle(role_, {}));
    setAcceptDrops(true);
    // Taken before Load makes the program's own folder the current one.
    StartFolder();
    bindings_.SetAfterEvent([this] { SyncFromModels(); });
}

WindowFrame::~WindowFrame() = default;

void WindowFrame::BuildMenus(std::string_view filter, int selectedEntry, MenuHelp help) {
    filter_ = std::string(filter);
    selectedEntry_ = selectedEntry;

    QMenu* file = menuBar()->addMenu(tr("&File"));
    fileMenu_ = file;
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* open = file->addAction(QStringLiteral("&Open..."));
    open->setObjectName(QStringLiteral("mnuFileOpen"));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, &WindowFrame::MnuOpen_Click);
    QAction* check = file->addAction(QStringLiteral("Disk Check..."));
    check->setObjectName(QStringLiteral("mnuFileCheck"));
    check->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(check, &QAction::triggered, this, &WindowFrame::MnuCheck_Click);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuFileExit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &WindowFrame::MnuExit_Click);
    // The list follows what any window opened, each time the menu opens.
    connect(file, &QMenu::aboutToShow, this, &WindowFrame::ListRecentFiles);
    ListRecentFiles();

    // View > High contrast, for the whole program and kept for the next run.
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("mnuView"));
    QAction* contrast = view->addAction(tr("&High contrast"));
    contrast->setObjectName(QStringLiteral("mnuViewContrast"));
    contrast->setCheckable(true);
    contrast->setChecked(HighContrast());
    connect(contrast, &QAction::toggled, this, &WindowFrame::MnuContrast_Click);
    // Set in another window meanwhile.
    connect(view, &QMenu::aboutToShow, contrast,
            [contrast] { contrast->setChecked(HighContrast()); });

    if (help == MenuHelp::Shown) {
        QMenu* helpMenu = menuBar()->addMenu(tr("&Help"));
        helpMenu->setObjectName(QStringLiteral("mnuHelp"));
        QAction* helpItem = helpMenu->addAction(QStringLiteral("&Help"));
        helpItem->setObjectName(QStringLiteral("mnuHelpItem"));
        helpItem->setShortcut(QKeySequence::HelpContents);
        connect(helpItem, &QAction::triggered, this, &WindowFrame::MnuHelp_Click);
        QAction* about = helpMenu->addAction(tr("&About %1").arg(QLatin1String(kProgramName)));
        about->setObjectName(QStringLiteral("mnuHelpAbout"));
        connect(about, &QAction::triggered, this, &WindowFrame::MnuAbout_Click);
    }
}

void WindowFrame::ListRecentFiles() {
    for (QAction* action : fileMenu_->actions()) {
        if (action->property(kRecentFileProperty).isValid()) {
            fileMenu_->removeAction(action);
            action->setObjectName(QString());
            action->deleteLater();
        }
    }
    const QStringList files = RecentFiles();
    if (files.isEmpty()) {
        return;
    }
    // Exit stays last: the images stand between the separator and Exit,
    // with a separator of their own before Exit.
    QAction* exit = fileMenu_->actions().constLast();
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        QString name = QFileInfo(path).fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name), fileMenu_);
        action->setObjectName(QStringLiteral("mnuFileRecent%1").arg(i + 1));
        action->setProperty(kRecentFileProperty, path);
        action->setToolTip(path);
        action->setStatusTip(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenChosenFile(path); });
        fileMenu_->insertAction(exit, action);
    }
    QAction* separator = fileMenu_->insertSeparator(exit);
    separator->setProperty(kRecentFileProperty, QString());
}

SurfaceWidget* WindowFrame::AddSurface(const Surface& surface, int widthTwips, int heightTwips,
                                       SurfaceFit fit) {
    surfaceView_ = new SurfaceWidget(surface, widthTwips, heightTwips, this);
    surfaceView_->setObjectName(QStringLiteral("Surface"));
    surfaceView_->SetFit(fit);
    surfaceView_->SetZoom(SavedZoom(objectName()));
    AddZoomKeys();
    return surfaceView_;
}

void WindowFrame::AddZoomKeys() {
    if (zoomKeys_) {
        return;
    }
    zoomKeys_ = true;
    if (surfaceView_ == nullptr) {
        baseFont_ = font();
        if (const double kept = SavedZoom(objectName()); kept != 1.0) {
            ZoomFonts(kept);
        }
    }
    const struct {
        QKeySequence key;
        const char* name;
        void (WindowFrame::*zoom)();
    } keys[] = {
        {QKeySequence::ZoomIn, "ZoomIn", &WindowFrame::ZoomIn},
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), "ZoomInEqual", &WindowFrame::ZoomIn},
        {QKeySequence::ZoomOut, "ZoomOut", &WindowFrame::ZoomOut},
        {QKeySequence(Qt::CTRL | Qt::Key_0), "ZoomReset", &WindowFrame::ZoomReset},
    };
    for (const auto& k : keys) {
        auto* shortcut = new QShortcut(k.key, this);
        shortcut->setObjectName(QLatin1String(k.name) + QStringLiteral("_Key"));
        connect(shortcut, &QShortcut::activated, this, k.zoom);
    }
}

void WindowFrame::ZoomFonts(double zoom) {
    // A window of text fields and tables: its fonts grow and shrink.
    fontZoom_ = std::isfinite(zoom) ? std::clamp(zoom, kMinZoom, kMaxZoom) : 1.0;
    QFont zoomed = baseFont_;
    zoomed.setPointSizeF(baseFont_.pointSizeF() * fontZoom_);
    setFont(zoomed);
}

double WindowFrame::Zoom() const {
    return surfaceView_ != nullptr ? surfaceView_->Zoom() : fontZoom_;
}

void WindowFrame::ZoomIn() {
    SetZoom(ZoomStepIn(surfaceView_ != nullptr ? surfaceView_->Scale() : fontZoom_));
}

void WindowFrame::ZoomOut() {
    SetZoom(ZoomStepOut(surfaceView_ != nullptr ? surfaceView_->Scale() : fontZoom_));
}

void WindowFrame::ZoomReset() {
    SetZoom(1.0);
}

void WindowFrame::SetZoom(double zoom) {
    if (surfaceView_ == nullptr) {
        if (!zoomKeys_) {
            return;
        }
        ZoomFonts(zoom);
        SaveZoom(objectName(), fontZoom_);
        emit FontZoomed();
        return;
    }
    surfaceView_->SetZoom(zoom);
    SaveZoom(objectName(), surfaceView_->Zoom());
    FitWindowToSurface();
}

void WindowFrame::FitWindowToSurface() {
    if (isMaximized() || isFullScreen()) {
        return; // the window keeps its size; the drawing fits it
    }
    // The layouts take in the surface's new size first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // A drawing that fills its room takes what the window gains or loses; a
    // window around a drawing of fixed size takes the size it asks for.
    QSize size = surfaceView_->Fit() == SurfaceFit::Fixed
                     ? sizeHint()
                     : this->size() + (surfaceView_->sizeHint() - surfaceView_->size());
    QRect area;
    if (const QScreen* scr = screen()) {
        area = scr->availableGeometry();
        const QSize frame = frameGeometry().size() - geometry().size();
        size = size.boundedTo(area.size() - frame);
    }
    resize(size.expandedTo(minimumSizeHint()));
    if (area.isValid() && !area.contains(frameGeometry())) {
        // Back onto the screen, as much of the window as fits.
        const QRect f = frameGeometry();
        move(std::clamp(f.left(), area.left(), std::max(area.left(), area.right() - f.width())),
             std::clamp(f.top(), area.top(), std::max(area.top(), area.bottom() - f.height())));
    }
}

void WindowFrame::ShowFileNameInTitle(const TextBox& fileName) {
    fileName_ = &fileName;
}

void WindowFrame::Load(QtHost& host, WindowId id) {
    host_ = &host;
    host.AddWindow(id, this, [this] { SyncFromModels(); });
    SyncFromModels();
    // A file dropped on any of the window's widgets is the window's, also
    // on a text field that would otherwise take the file's address as text.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    CentreOnScreen();
}

void WindowFrame::CentreOnScreen() {
    resize(sizeHint());
    const QScreen* scr = screen();
    if (scr == nullptr) {
        return;
    }
    // A zoom kept from a larger screen: the window as large as this one allows.
    resize(size().boundedTo(scr->availableGeometry().size()).expandedTo(minimumSizeHint()));
    const QRect area = scr->geometry();
    move(area.left() + area.width() / 2 - width() / 2,
         area.top() + area.height() / 2 - height() / 2);
}

void WindowFrame::Handle(const std::function<void()>& handler) {
    // What the handler draws reaches the screen once it has drawn all of it.
    if (surfaceView_ != nullptr) {
        surfaceView_->Hold();
    }
    handler();
    if (surfaceView_ != nullptr) {
        surfaceView_->Release();
    }
    SyncFromModels();
}

OpenResult WindowFrame::OpenImage(const QString& path) {
    return OpenFileName(ToFileName(path));
}

OpenResult WindowFrame::OpenFileName(const std::string& name) {
    OpenResult result;
    Handle([this, &name, &result] { result = Open(name); });
    return result;
}

OpenResult WindowFrame::OpenChosenFile(const QString& path) {
    return OpenChosenFileName(ToFileName(path));
}

OpenResult WindowFrame::OpenChosenFileName(const std::string& name) {
    const QFileInfo file(FromFileName(name));
    if (file.absoluteDir().exists()) {
        SetLastFolder(file.absolutePath());
    }
    const OpenResult result = OpenFileName(name);
    if (result.IsOpened()) {
        AddRecentFile(file.absoluteFilePath());
    } else if (result.outcome == OpenResult::Outcome::CannotOpen) {
        RemoveRecentFile(file.absoluteFilePath());
    }
    return result;
}

QString WindowFrame::DialogFolder() const {
    if (fileName_ != nullptr && !fileName_->Text.empty()) {
        const QFileInfo image(FromFileName(fileName_->Text));
        if (image.absoluteDir().exists()) {
            return image.absolutePath();
        }
    }
    const QString last = LastFolder();
    if (!last.isEmpty() && QFileInfo(last).isDir()) {
        return last;
    }
    return StartFolder();
}

void WindowFrame::MnuOpen_Click() {
    const std::optional<QString> path =
        AskOpenFileName(this, filter_, selectedEntry_, DialogFolder());
    if (path) {
        OpenChosenFile(*path);
    }
}

void WindowFrame::MnuExit_Click() {
    QCoreApplication::quit();
}

void WindowFrame::MnuContrast_Click(bool on) {
    if (on != HighContrast()) {
        SetHighContrast(on);
        SaveHighContrast(on);
    }
}

void WindowFrame::MnuCheck_Click() {
    if (host_ != nullptr) {
        host_->ShowWindow(WindowId::DiskCheck);
    }
}

void WindowFrame::MnuHelp_Click() {
    ShowHelp(this);
}

void WindowFrame::MnuAbout_Click() {
    ShowAbout(this);
}

void WindowFrame::DoUnLoadPreCheck(int UnloadMode) {
    if (UnloadMode == kUnloadFormControlMenu || UnloadMode == kUnloadAppWindows) {
        QCoreApplication::quit();
    }
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return TakeDrag(event);
    default:
        return QMainWindow::eventFilter(watched, event);
    }
}

bool WindowFrame::TakeDrag(QEvent* event) {
    auto* drag = static_cast<QDropEvent*>(event);
    if (!drag->mimeData()->hasUrls()) {
        return false; // plain text, for a text field that takes it
    }
    const std::optional<QString> file = DroppedFile(*drag->mimeData());
    if (!file) {
        drag->ignore();
        return true;
    }
    drag->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        // Opened once the drop is over, so that a message box does not hold
        // up the program the file came from.
        QTimer::singleShot(0, this, [this, path = *file] { OpenChosenFile(path); });
    }
    return true;
}

bool WindowFrame::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate && WindowActivation::Activated(this)) {
        Handle([this] { Activate(); });
    }
    return handled;
}

void WindowFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (fitAtFirstShow_ && surfaceView_ != nullptr && !event->spontaneous()) {
        fitAtFirstShow_ = false;
        // The size the zoom keys give: the drawing whole at the zoom kept,
        // not shrunk to what the layouts first offer it; centred again.
        FitWindowToSurface();
        if (const QScreen* scr = screen()) {
            const QRect area = scr->availableGeometry();
            const QRect f = frameGeometry();
            move(area.left() + std::max(0, (area.width() - f.width()) / 2),
                 area.top() + std::max(0, (area.height() - f.height()) / 2));
        }
    }
}

void WindowFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Handle([this] { Resize(); });
}

void WindowFrame::closeEvent(QCloseEvent* event) {
    // The program's windows close only by the user's hand (close box, control
    // menu) or the system's: either way the whole program ends, but for the
    // windows that close alone.
    event->accept();
    if (!closesAlone_) {
        DoUnLoadPreCheck(kUnloadFormControlMenu);
    }
}

void WindowFrame::SyncFromModels() {
    if (syncing_) {
        return;
    }
    syncing_ = true;
    bindings_.Sync();
    if (fileName_ != nullptr) {
        const QString title =
            WindowTitle(role_, QFileInfo(FromFileName(fileName_->Text)).fileName());
        if (windowTitle() != title) {
            setWindowTitle(title);
        }
    }
    if (surfaceView_ != nullptr) {
        surfaceView_->Refresh();
    }
    syncing_ = false;
}

} // namespace ss
