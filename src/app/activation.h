// Which of the program's own windows was active last.
//
// A window's Activate event means that it became the active one among the
// program's own windows. A message box or file dialog that closes hands the
// activation back to the window below it; that is no new activation, and
// treating it as one would redraw (or raise the same box again) every time a
// box is answered.
#pragma once

#include <QPointer>
#include <QWidget>

namespace ss {

class WindowActivation {
  public:
    // Called when `window` (one of the program's own windows) receives the
    // toolkit's activation. True when that is an Activate event: the first
    // activation, or one that follows another of the program's own windows.
    static bool Activated(QWidget* window);
    // The program's own window that was active last, or null.
    static QWidget* LastActive();
    // Forgets the last active window, as at start-up.
    static void Reset();

  private:
    static QPointer<QWidget>& Last();
};

} // namespace ss
