// The hex viewer window: the file's path and length, the legend boxes and the
// notice line above a page of 28 lines of hex and text, and the scroll bar
// that pages through the file. The window only forwards events to the logic
// and shows the logic's controls and surface.
#pragma once

#include "qt_host.h"
#include "surface_widget.h"
#include "window_frame.h"
#include "windows/hex_viewer/hex_viewer_logic.h"

#include <array>

class QPushButton;
class QScrollBar;

namespace ss {

// The hex viewer's file dialog filter.
inline constexpr const char* kHexViewerFilter =
    "All Files (*.*)|*.*|Dsk Files (*.dsk)|*.dsk|Dmk Files (*.dmk)|*.dmk";

class HexViewerWindow : public WindowFrame {
    Q_OBJECT
  public:
    explicit HexViewerWindow(QtHost& host, QWidget* parent = nullptr);

    HexViewerLogic& Logic() { return logic_; }
    QScrollBar& ScrollBar() { return *vscroll1_; }

    // Lines the mouse wheel moves per notch, and the arrow keys per press.
    static constexpr int kWheelLines = 3;

  protected:
    OpenResult Open(const std::string& name) override { return logic_.MnuOpen(name); }
    void Activate() override { logic_.Form_Activate(); }
    void Resize() override { logic_.Form_Resize(); }

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    QWidget* BuildFrame1();
    void AddPageFrame(SurfaceWidget* surface);
    // Places the legend, the page's frame and the surface's size for the zoom.
    void PlacePage();
    void AddKeys();

    QtFontMetrics metrics_;
    HexViewerLogic logic_;
    QScrollBar* vscroll1_ = nullptr;
    QWidget* frame1_ = nullptr;
    std::array<QPushButton*, 4> pageFrame_{};
    int wheelRest_ = 0; // wheel turn short of a whole notch, in eighths of a degree
};

} // namespace ss
