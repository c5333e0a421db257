// The contents window: what one file of the Files window holds, as a BASIC
// listing, text, load map, disassembly or hex, in a fixed-pitch font, with
// the file's damage above it. The view can be switched; the text zoomed,
// searched (Ctrl+F), copied and saved. Closing it closes only this window.
#pragma once

#include "windows/contents/contents_logic.h"

#include <QMainWindow>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
#include <functional>

class QWidget;

namespace ss {

class ContentsWindow : public QMainWindow {
    Q_OBJECT
  public:
    // `imageName`: the image file's name, for the title. `showCheck`, when
    // given, opens the Disk Check window (File > Disk Check..., Ctrl+K).
    ContentsWindow(ContentsLogic logic, const QString& imageName, QWidget* parent = nullptr,
                   std::function<void()> showCheck = {});

    ContentsLogic& Logic() { return logic_; }
    QPlainTextEdit* TextView() { return text_; }

    void SetView(contents::View view);
    // The text's size as a multiple of its natural size (kept for the next
    // window), and the steps of the zoom keys.
    void SetZoom(double zoom);
    double Zoom() const { return zoom_; }
    // Find: shows the find bar; the next or previous place holding its text,
    // case ignored, going round the end; false when there is none.
    void ShowFind();
    bool FindNext(bool backwards = false);
    // Copy: the selected text, or all of it when none is selected.
    void Copy();
    // Save As: asks for a file and writes the text shown into it.
    void SaveAs();

  private:
    void BuildMenus();
    void BuildControls();
    void ShowView();

    ContentsLogic logic_;
    std::function<void()> showCheck_;
    double zoom_ = 1.0;
    int naturalPoints_ = 10;
    QComboBox* views_ = nullptr;
    QLabel* damage_ = nullptr;
    QLabel* error_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QWidget* findBar_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QLabel* findStatus_ = nullptr;
};

} // namespace ss
