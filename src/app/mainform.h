// The main window: the disk summary, the fields of the shown sector, the
// sector dump and the navigation buttons. The window only forwards events to
// the logic and shows the logic's controls and surface.
#pragma once

#include "browser/mainform.h"
#include "qt_host.h"
#include "surface_widget.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ss {

// Why a window is about to close.
inline constexpr int kUnloadFormControlMenu = 0; // the close box or the control menu
inline constexpr int kUnloadAppWindows = 3;      // the system's task manager

class Mainform : public QMainWindow {
    Q_OBJECT
  public:
    explicit Mainform(QWidget* parent = nullptr);
    ~Mainform() override;

    MainformLogic& Logic() { return logic_; }
    QtHost& WindowHost() { return host_; }
    SurfaceWidget& SurfaceView() { return *surfaceView_; }

    // File > Open once the file name is known: opens and analyses the file,
    // or shows the open-failure box.
    void OpenImage(const QString& path);
    // Shows the window's controls and surface as the logic left them.
    void SyncFromModels();
    // Ends the program when the window is closed by the user or the system.
    void DoUnLoadPreCheck(int UnloadMode);

  public slots:
    // File > Open: asks for a file and opens it; a cancelled dialog does nothing.
    void MnuOpen_Click();
    // File > Exit: ends the program.
    void MnuExit_Click();

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    struct BoundTextBox {
        QLineEdit* widget;
        const TextBox* model;
        bool holdsFileName;
    };

    void BuildMenus();
    void BuildControls();
    QLineEdit* AddTextBox(const char* name, TextBox& model, int chars, const QString& tip = {});
    QPushButton* AddButton(const char* name, const char* caption, const QKeySequence& key,
                           const QString& what, void (MainformLogic::*handler)());
    void Handle(const std::function<void()>& handler);
    void CentreOnScreen();

    QtFontMetrics metrics_;
    QtHost host_;
    MainformLogic logic_;

    SurfaceWidget* surfaceView_ = nullptr;
    std::vector<BoundTextBox> textBoxes_;
    QListWidget* list2_ = nullptr;
    QComboBox* combo1_ = nullptr;
    QString lastFolder_;
    bool syncing_ = false;
};

} // namespace ss
