// The Disk Check window: the whole disk the main window shows, a cell for
// every sector, coloured by its damage. The window forwards clicks and
// tooltips to its logic and shows its surface; it follows the main window's
// image at once and closes alone.
#pragma once

#include "qt_host.h"
#include "window_frame.h"
#include "windows/disk_check/disk_check_logic.h"

namespace ss {

class DiskCheckWindow : public WindowFrame {
    Q_OBJECT
  public:
    DiskCheckWindow(QtHost& host, MainWindowLogic& main, QWidget* parent = nullptr);

    DiskCheckLogic& Logic() { return logic_; }
    // Checks the main window's disk again and shows it.
    void Follow();

  protected:
    // File > Open here opens the image in the main window, whose disk this shows.
    OpenResult Open(const std::string& name) override;
    void Activate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ShowDrawing();

    QtFontMetrics metrics_;
    QtHost& qtHost_;
    MainWindowLogic& main_;
    DiskCheckLogic logic_;
};

} // namespace ss
