// What every window of the program has around its own controls: the File
// menu with the recent images (and Help where the window has one), the
// file-open dialog, opening a file dropped on the window, the drawing surface
// and its zoom keys, the Activate and Resize events, centring at load, the
// title with the window's role and the file's name, and ending the program
// when one of the three first windows is closed.
//
// A window derives from WindowFrame, builds its controls in its constructor
// (binding their models through Bindings()), ends the constructor with
// Load(), and hands its events to its logic:
//
//   class SectorMapWindow : public WindowFrame {
//     public:
//       explicit SectorMapWindow(QtHost& host)
//           : WindowFrame("form1", "sector map"), logic_(host, metrics_) {
//           BuildMenus(kSectorMapFilter, 2, MenuHelp::Shown);
//           ... AddSurface(logic_.surface, w, h); Bindings().Bind(logic_.Text1, edit); ...
//           ShowFileNameInTitle(logic_.TxtFilename);
//           Load(host, WindowId::SectorMap);
//       }
//     protected:
//       OpenResult Open(const std::string& name) override { return logic_.MnuOpen(name); }
//       void Activate() override { logic_.Form_Activate(); }
//       void Resize() override { logic_.Form_Resize(); }
//   };
#pragma once

#include "control_binding.h"
#include "qt_host.h"
#include "surface/open_result.h"
#include "surface_widget.h"

#include <QFont>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QMenu;
class QMimeData;

namespace ss {

// Why a window is about to close.
inline constexpr int kUnloadFormControlMenu = 0; // the close box or the control menu
inline constexpr int kUnloadAppWindows = 3;      // the system's task manager

// The program's name, first in every window title.
inline constexpr const char* kProgramName = "sectorscope";

enum class MenuHelp { None, Shown };

// A window's title: the open file's name (when there is one), the window's
// role and the program's name, so that windows on different images can be
// told apart in the task bar.
QString WindowTitle(const QString& role, const QString& fileName);

// The file a drag carries when it carries exactly one local file that is not
// a folder; nothing for several files, a folder, a remote address or text.
std::optional<QString> DroppedFile(const QMimeData& data);

class WindowFrame : public QMainWindow {
    Q_OBJECT
  public:
    // `objectName` names the window ("Mainform", "form1", "form2"); `role`
    // says in its title what the window shows ("sector map").
    WindowFrame(const char* objectName, QString role, QWidget* parent = nullptr);
    ~WindowFrame() override;

    ControlBindings& Bindings() { return bindings_; }
    // The drawing surface (after AddSurface).
    SurfaceWidget& SurfaceView() { return *surfaceView_; }

    // The window's open of a file, and then the screen shows what it did.
    OpenResult OpenImage(const QString& path);
    // The same for a file name given as the bytes the file system knows.
    OpenResult OpenFileName(const std::string& name);
    // A file the user chose (in the file dialog, the recent images, by a
    // drop or on the command line): the window opens it, the dialogs start
    // in its folder from now on, and an image that opened heads the recent
    // images.
    OpenResult OpenChosenFile(const QString& path);
    // The same for a name given as the bytes the file system knows (the
    // command line's), which need not be valid text.
    OpenResult OpenChosenFileName(const std::string& name);
    // The folder the file dialog starts in: that of the image open in the
    // window, else the one last used, else the one the program was started from.
    QString DialogFolder() const;
    // The drawing's zoom: the next step up or down, or the natural size. The
    // window grows or shrinks with its drawing as far as the screen allows,
    // and the zoom is kept for the next run.
    void ZoomIn();
    void ZoomOut();
    void ZoomReset();
    void SetZoom(double zoom);
    // Shows the window's controls, surface and title as the logic left them.
    void SyncFromModels();
    // Ends the program when the window is closed by the user or the system.
    void DoUnLoadPreCheck(int UnloadMode);
    // The zoom shown: the surface's, or that of the window's fonts.
    double Zoom() const;

  signals:
    // The fonts of a window without a surface were zoomed.
    void FontZoomed();

  public slots:
    // File > Open: asks for a file and opens it; a cancelled dialog does nothing.
    void MnuOpen_Click();
    // File > Exit: ends the program.
    void MnuExit_Click();
    // File > Disk Check...: the check of the main window's disk.
    void MnuCheck_Click();
    // View > High contrast: the look of every window, kept for the next run.
    void MnuContrast_Click(bool on);
    // Help > Help: the help window at this window's section.
    void MnuHelp_Click();
    // Help > About: the program's version.
    void MnuAbout_Click();

  protected:
    // The File menu "&Open...", "-", "E&xit", and the Help menu "&Help" when
    // asked for. The open dialog offers `filter` ("name|pattern|..."), entry
    // `selectedEntry` (from 1) selected.
    void BuildMenus(std::string_view filter, int selectedEntry, MenuHelp help);
    // The surface widget showing `surface` (which must outlive the window),
    // sized for the given twips at the window's zoom as last kept; `fit`
    // says whether the drawing grows into the room the window gives it.
    SurfaceWidget* AddSurface(const Surface& surface, int widthTwips, int heightTwips,
                              SurfaceFit fit = SurfaceFit::FillRoom);
    // Ctrl+Plus, Ctrl+Minus and Ctrl+0 zoom the window: its surface, or
    // without one its fonts (AddSurface calls it).
    void AddZoomKeys();
    // The window takes the size its drawing asks for at its zoom, as the
    // zoom keys size it.
    void FitToDrawing() { FitWindowToSurface(); }
    // The window opens at the size its drawing asks for at its zoom, as
    // Ctrl+0 and the other zoom keys size it.
    void OpenAtDrawingSize() { fitAtFirstShow_ = true; }
    // Closing the window closes it alone, the program going on.
    void CloseAlone() { closesAlone_ = true; }
    // The title bar shows the last part of the file name that `fileName` holds.
    void ShowFileNameInTitle(const TextBox& fileName);
    // The window's Load, at the end of its constructor: joins `host`'s
    // windows, shows the models, takes file drops on all its widgets, makes
    // the program's own folder the current one and centres the window on the
    // screen.
    void Load(QtHost& host, WindowId id);
    // Runs a handler of the logic, then shows what it did.
    void Handle(const std::function<void()>& handler);

    // The window's events, handed to its logic.
    virtual OpenResult Open(const std::string& name) = 0;
    virtual void Activate() {}
    virtual void Resize() {}

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CentreOnScreen();
    // The recent images between the File menu's separator and Exit.
    void ListRecentFiles();
    // A drag or drop over the window; true when the window took it.
    bool TakeDrag(QEvent* event);
    void FitWindowToSurface();
    // The fonts of a window without a surface at `zoom` times their size.
    void ZoomFonts(double zoom);

    ControlBindings bindings_;
    QString role_;
    const TextBox* fileName_ = nullptr;
    SurfaceWidget* surfaceView_ = nullptr;
    std::string filter_;
    int selectedEntry_ = 1;
    QMenu* fileMenu_ = nullptr;
    QtHost* host_ = nullptr;
    bool syncing_ = false;
    bool closesAlone_ = false;
    bool fitAtFirstShow_ = false;
    bool zoomKeys_ = false;
    // The zoom of a window without a surface, and its font at zoom 1.
    double fontZoom_ = 1.0;
    QFont baseFont_;
};

} // namespace ss
