#include "window_frame.h"

#include "activation.h"
#include "open_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QScreen>

namespace ss {

WindowFrame::WindowFrame(const char* objectName, QString title, QWidget* parent)
    : QMainWindow(parent), title_(std::move(title)) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(title_);
    bindings_.SetAfterEvent([this] { SyncFromModels(); });
}

WindowFrame::~WindowFrame() = default;

void WindowFrame::BuildMenus(std::string_view filter, int selectedEntry, MenuHelp help) {
    filter_ = std::string(filter);
    selectedEntry_ = selectedEntry;

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* open = file->addAction(QStringLiteral("&Open..."));
    open->setObjectName(QStringLiteral("mnuFileOpen"));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, &WindowFrame::MnuOpen_Click);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuFileExit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &WindowFrame::MnuExit_Click);

    if (help == MenuHelp::Shown) {
        QMenu* helpMenu = menuBar()->addMenu(tr("&Help"));
        helpMenu->setObjectName(QStringLiteral("mnuHelp"));
        QAction* helpItem = helpMenu->addAction(QStringLiteral("&Help"));
        helpItem->setObjectName(QStringLiteral("mnuHelpItem"));
    }
}

SurfaceWidget* WindowFrame::AddSurface(const Surface& surface, int widthTwips, int heightTwips) {
    surfaceView_ = new SurfaceWidget(surface, widthTwips, heightTwips, this);
    surfaceView_->setObjectName(QStringLiteral("Surface"));
    return surfaceView_;
}

void WindowFrame::ShowFileNameInTitle(const TextBox& fileName) {
    fileName_ = &fileName;
}

void WindowFrame::Load(QtHost& host, WindowId id) {
    host.AddWindow(id, this, [this] { SyncFromModels(); });
    SyncFromModels();
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    CentreOnScreen();
}

void WindowFrame::CentreOnScreen() {
    resize(sizeHint());
    const QScreen* scr = screen();
    if (scr == nullptr) {
        return;
    }
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

void WindowFrame::MnuOpen_Click() {
    if (lastFolder_.isEmpty()) {
        lastFolder_ = QDir::currentPath();
    }
    const std::optional<QString> path = AskOpenFileName(this, filter_, selectedEntry_, lastFolder_);
    if (!path) {
        return;
    }
    lastFolder_ = QFileInfo(*path).absolutePath();
    OpenImage(*path);
}

void WindowFrame::MnuExit_Click() {
    QCoreApplication::quit();
}

void WindowFrame::DoUnLoadPreCheck(int UnloadMode) {
    if (UnloadMode == kUnloadFormControlMenu || UnloadMode == kUnloadAppWindows) {
        QCoreApplication::quit();
    }
}

bool WindowFrame::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate && WindowActivation::Activated(this)) {
        Handle([this] { Activate(); });
    }
    return handled;
}

void WindowFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Handle([this] { Resize(); });
}

void WindowFrame::closeEvent(QCloseEvent* event) {
    // The program's windows close only by the user's hand (close box, control
    // menu) or the system's: either way the whole program ends.
    event->accept();
    DoUnLoadPreCheck(kUnloadFormControlMenu);
}

void WindowFrame::SyncFromModels() {
    if (syncing_) {
        return;
    }
    syncing_ = true;
    bindings_.Sync();
    if (fileName_ != nullptr) {
        const QString name = QFileInfo(FromFileName(fileName_->Text)).fileName();
        const QString title = name.isEmpty() ? title_ : title_ + QStringLiteral(" \u2014 ") + name;
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
