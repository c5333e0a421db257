// The toolkit's services for the window logic: modal message boxes, letting
// waiting events run, showing the other windows. One host serves all the
// windows of the program, so they share its SharedFilename.
#pragma once

#include "surface/host.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace ss {

class QtHost : public Host {
  public:
    // Makes a window the first time ShowWindow asks for it.
    using WindowMaker = std::function<std::unique_ptr<QWidget>(QtHost&)>;

    QtHost() = default;
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    // A window of the program. `screenUpdate` brings its widgets up to date
    // with its logic's controls; every window's runs before a message box
    // appears or waiting events run, so the screen shows what the logic has
    // done so far. Message boxes stand over the window that was active last.
    void AddWindow(WindowId id, QWidget* window, std::function<void()> screenUpdate);
    // How ShowWindow makes the window `id` on first use; the host keeps the
    // window until it is destroyed itself or DeleteWindows runs.
    void SetWindowMaker(WindowId id, WindowMaker make);
    // Destroys the windows the host made.
    void DeleteWindows();

    // A window that shows the main window's image (the Files and Disk Check
    // windows): `follow` runs each time the main window has opened a file,
    // as long as `window` is there.
    void FollowImages(QObject* window, std::function<void()> follow);
    // The main window has opened a file (shown or refused): every window
    // that follows it takes it in at once.
    void ImageChanged();

    void MsgBox(std::string_view text, int buttons, std::string_view title) override;
    void Yield() override;
    void ShowWindow(WindowId id) override;

    // The box MsgBox shows: its title, the text with each carriage return as a
    // line break, an OK button alone, and the icon the buttons value asks for.
    static std::unique_ptr<QMessageBox> MakeMessageBox(std::string_view text, int buttons,
                                                       std::string_view title,
                                                       QWidget* parent = nullptr);

  private:
    struct Window {
        WindowId id;
        QPointer<QWidget> widget;
        std::function<void()> screenUpdate;
    };

    void UpdateScreen() const;
    QWidget* BoxParent() const;
    QWidget* Find(WindowId id) const;

    struct Follower {
        QPointer<QObject> window;
        std::function<void()> follow;
    };

    std::vector<Window> windows_;
    std::vector<Follower> followers_;
    std::map<WindowId, WindowMaker> makers_;
    std::vector<std::unique_ptr<QWidget>> made_;
};

} // namespace ss
