// Helpers for driving the real windows in tests: answering the modal boxes
// and dialogs they raise, waiting for events, writing sample disks.
#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <vector>

namespace ss::apptest {

// A message box as the user saw it.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttonCount = 0;
};

// Watches for modal message boxes and file dialogs while it lives: notes each
// message box and presses its OK button; hands each file dialog to
// `onFileDialog` (which must accept or reject it).
class ModalAnswerer : public QObject {
  public:
    ModalAnswerer();
    std::vector<SeenBox> boxes;
    std::function<void(QFileDialog&)> onFileDialog;
    int fileDialogs = 0;

  private:
    void Poll();
    QTimer timer_;
};

// Lets the application run its events for `ms` milliseconds.
void Pump(int ms);

// Shows the window, makes it the active one and lets the events of that run;
// a test failure when it does not become active.
void MakeActive(QWidget& w);

// Whether what the screen shows of a window (its backing store) is the window
// painted whole: repaints of the parts that changed must leave the same
// picture.
bool ShownAsPaintedWhole(QWidget& window);

// Writes `bytes` as a file in a folder that lives as long as the test program.
QString WriteImage(const QString& name, const std::vector<std::uint8_t>& bytes);

} // namespace ss::apptest
