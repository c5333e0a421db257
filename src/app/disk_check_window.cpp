#include "disk_check_window.h"

#include "main_window.h"
#include "open_dialog.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QToolTip>

namespace ss {

DiskCheckWindow::DiskCheckWindow(QtHost& host, MainWindowLogic& main, QWidget* parent)
    : WindowFrame("formCheck", QStringLiteral("disk check"), parent), metrics_(SurfaceFont()),
      qtHost_(host), main_(main), logic_(host, main, metrics_) {
    CloseAlone();
    BuildMenus(kMainformFilter, 1, MenuHelp::Shown);
    logic_.Refresh();
    // The drawing grows with the window and the zoom keys, keeping its shape.
    SurfaceWidget* surface = AddSurface(logic_.surface, logic_.Width(), logic_.Height());
    surface->setMouseTracking(true);
    surface->installEventFilter(this);
    surface->setToolTip(tr("Point at a sector for what the image records of it; click to "
                           "show it in the main window"));
    setCentralWidget(surface);
    ShowFileNameInTitle(main_.TxtFilename);
    host.FollowImages(this, [this] { Follow(); });
    OpenAtDrawingSize();
    Load(host, WindowId::DiskCheck);
}

void DiskCheckWindow::ShowDrawing() {
    // A disk of another shape: the window takes the size it asks for.
    if (SurfaceView().SetDrawnSize(logic_.Width(), logic_.Height()) && isVisible()) {
        FitToDrawing();
    }
    SyncFromModels();
}

void DiskCheckWindow::Follow() {
    Handle([this] { logic_.Refresh(); });
    ShowDrawing();
}

OpenResult DiskCheckWindow::Open(const std::string& name) {
    return OpenInMainWindow(main_, qtHost_, name);
}

void DiskCheckWindow::Activate() {
    logic_.Form_Activate();
    ShowDrawing();
}

bool DiskCheckWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &SurfaceView()) {
        const SurfaceWidget& s = SurfaceView();
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const std::string tip =
                logic_.TipAt(s.PixelsToTwipsX(help->pos().x()), s.PixelsToTwipsY(help->pos().y()));
            if (tip.empty()) {
                QToolTip::showText(help->globalPos(), s.toolTip(), &SurfaceView());
            } else {
                QToolTip::showText(help->globalPos(), QString::fromStdString(tip), &SurfaceView());
            }
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                const int x = s.PixelsToTwipsX(mouse->position().x());
                const int y = s.PixelsToTwipsY(mouse->position().y());
                logic_.Click(x, y);
                return true;
            }
        }
    }
    return WindowFrame::eventFilter(watched, event);
}

} // namespace ss
