// The Files window: the DOS, name, date and free space of the main window's
// disk, a sortable table of its files, and Save As. The window only forwards
// events to its logic and shows what the logic holds.
#pragma once

#include "qt_host.h"
#include "window_frame.h"
#include "windows/files/files_logic.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace ss {

class FilesWindow : public WindowFrame {
    Q_OBJECT
  public:
    FilesWindow(QtHost& host, MainWindowLogic& main, QWidget* parent = nullptr);

    FilesLogic& Logic() { return logic_; }
    QTableWidget* Table() { return table_; }
    // Shows the logic's rows in the table.
    void ShowTable();
    // Save As: asks for a folder, then saves the selected files into it.
    void SaveAs();
    // View (also Enter in the table and its context menu): a contents window
    // for each selected file.
    void ViewSelected();
    // Shows the main window's image again, at once.
    void Follow();

  protected:
    // File > Open here opens the image in the main window, whose disk this shows.
    OpenResult Open(const std::string& name) override;
    void Activate() override;

  private:
    void BuildControls();
    std::vector<int> SelectedRows() const;

    // The disk's fields as wide as their texts.
    void FitFields();

    QtHost& qtHost_;
    MainWindowLogic& main_;
    FilesLogic logic_;
    QTableWidget* table_ = nullptr;
    QCheckBox* all_ = nullptr;
    QLabel* noDos_ = nullptr;
    std::vector<QLineEdit*> fields_;
};

} // namespace ss
