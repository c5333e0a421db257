// What every window of the program has around its own controls: the File
// menu (and Help where the window has one), the file-open dialog, the
// drawing surface, the Activate and Resize events, centring at load, the
// title with the file's name, and ending the program when it is closed.
//
// A window derives from WindowFrame, builds its controls in its constructor
// (binding their models through Bindings()), ends the constructor with
// Load(), and hands its events to its logic:
//
//   class SectorMapWindow : public WindowFrame {
//     public:
//       explicit SectorMapWindow(QtHost& host)
//           : WindowFrame("form1", "sectorscope sector map"), logic_(host, metrics_) {
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

#include <QMainWindow>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

namespace ss {

// Why a window is about to close.
inline constexpr int kUnloadFormControlMenu = 0; // the close box or the control menu
inline constexpr int kUnloadAppWindows = 3;      // the system's task manager

// The program's name, first in every window title.
inline constexpr const char* kProgramName = "sectorscope";

enum class MenuHelp { None, Shown };

class WindowFrame : public QMainWindow {
    Q_OBJECT
  public:
    // `objectName` names the window ("Mainform", "form1", "form2"); `title`
    // is its title bar text, followed by the open file's name once there is one.
    WindowFrame(const char* objectName, QString title, QWidget* parent = nullptr);
    ~WindowFrame() override;

    ControlBindings& Bindings() { return bindings_; }
    // The drawing surface (after AddSurface).
    SurfaceWidget& SurfaceView() { return *surfaceView_; }

    // File > Open once the file name is known: the window's open, and then
    // the screen shows what it did.
    OpenResult OpenImage(const QString& path);
    // The same for a file name given as the bytes the file system knows.
    OpenResult OpenFileName(const std::string& name);
    // Shows the window's controls, surface and title as the logic left them.
    void SyncFromModels();
    // Ends the program when the window is closed by the user or the system.
    void DoUnLoadPreCheck(int UnloadMode);

  public slots:
    // File > Open: asks for a file and opens it; a cancelled dialog does nothing.
    void MnuOpen_Click();
    // File > Exit: ends the program.
    void MnuExit_Click();

  protected:
    // The File menu "&Open...", "-", "E&xit", and the Help menu "&Help" when
    // asked for. The open dialog offers `filter` ("name|pattern|..."), entry
    // `selectedEntry` (from 1) selected.
    void BuildMenus(std::string_view filter, int selectedEntry, MenuHelp help);
    // The surface widget showing `surface` (which must outlive the window),
    // sized for the given twips.
    SurfaceWidget* AddSurface(const Surface& surface, int widthTwips, int heightTwips);
    // The title bar shows the last part of the file name that `fileName` holds.
    void ShowFileNameInTitle(const TextBox& fileName);
    // The window's Load, at the end of its constructor: joins `host`'s
    // windows, shows the models, makes the program's own folder the current
    // one and centres the window on the screen.
    void Load(QtHost& host, WindowId id);
    // Runs a handler of the logic, then shows what it did.
    void Handle(const std::function<void()>& handler);

    // The window's events, handed to its logic.
    virtual OpenResult Open(const std::string& name) = 0;
    virtual void Activate() {}
    virtual void Resize() {}

    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CentreOnScreen();

    ControlBindings bindings_;
    QString title_;
    const TextBox* fileName_ = nullptr;
    SurfaceWidget* surfaceView_ = nullptr;
    std::string filter_;
    int selectedEntry_ = 1;
    QString lastFolder_;
    bool syncing_ = false;
};

} // namespace ss
