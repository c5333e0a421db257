// The main window: the disk summary, the fields of the shown sector, the
// sector dump and the navigation buttons. The window only forwards events to
// the logic and shows the logic's controls and surface.
#pragma once

#include "qt_host.h"
#include "surface_widget.h"
#include "window_frame.h"
#include "windows/main_window/main_window_logic.h"

class QLineEdit;
class QPushButton;

namespace ss {

// File > Open of the main window's image, from any window that shows it:
// opened in the main window, and every window that follows its image takes
// the file in at once (unless it could not be opened: nothing changed).
OpenResult OpenInMainWindow(MainWindowLogic& logic, QtHost& host, const std::string& name);

class MainWindow : public WindowFrame {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    MainWindowLogic& Logic() { return logic_; }
    QtHost& WindowHost() { return host_; }

  protected:
    // Opens the file, and the windows that show this window's image follow it.
    OpenResult Open(const std::string& name) override;
    void Activate() override { logic_.Form_Activate(); }
    void Resize() override { logic_.Form_Resize(); }

  private:
    void BuildControls();
    QLineEdit* AddTextBox(const char* name, TextBox& model, int chars, const QString& tip = {});
    QPushButton* AddButton(const char* name, CommandButton& model, const QKeySequence& key,
                           const QString& what, void (MainWindowLogic::*handler)());

    QtFontMetrics metrics_;
    QtHost host_;
    MainWindowLogic logic_;
};

} // namespace ss
