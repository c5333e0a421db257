// The toolkit's services for the window logic: modal message boxes, letting
// waiting events run, showing the other windows.
#pragma once

#include "surface/host.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

namespace ss {

class QtHost : public Host {
  public:
    QtHost() = default;

    // The window that owns the message boxes.
    void SetWindow(QWidget* window) { window_ = window; }
    // Brings the window's widgets up to date with the logic's controls; run
    // before a message box appears or waiting events run, so the screen shows
    // what the logic has done so far.
    void SetScreenUpdate(std::function<void()> update) { screenUpdate_ = std::move(update); }

    void MsgBox(std::string_view text, int buttons, std::string_view title) override;
    void Yield() override;
    void ShowWindow(WindowId id) override;

    // The box MsgBox shows: its title, the text with each carriage return as a
    // line break, an OK button alone, and the icon the buttons value asks for.
    static std::unique_ptr<QMessageBox> MakeMessageBox(std::string_view text, int buttons,
                                                       std::string_view title,
                                                       QWidget* parent = nullptr);

  private:
    void UpdateScreen() const;

    QPointer<QWidget> window_;
    std::function<void()> screenUpdate_;
};

} // namespace ss
