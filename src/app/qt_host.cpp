#include "qt_host.h"

#include "activation.h"

#include <QApplication>

namespace ss {

namespace {
// Icon bits of a message box's buttons value.
constexpr int kIconMask = 0x70;
constexpr int kIconCritical = 16;
constexpr int kIconQuestion = 32;
constexpr int kIconExclamation = 48;
constexpr int kIconInformation = 64;

QMessageBox::Icon IconOf(int buttons) {
    switch (buttons & kIconMask) {
    case kIconCritical:
        return QMessageBox::Critical;
    case kIconQuestion:
        return QMessageBox::Question;
    case kIconExclamation:
        return QMessageBox::Warning;
    case kIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

std::unique_ptr<QMessageBox> QtHost::MakeMessageBox(std::string_view text, int buttons,
                                                    std::string_view title, QWidget* parent) {
    QString body = ToQString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    auto box = std::make_unique<QMessageBox>(parent);
    box->setWindowTitle(ToQString(title));
    box->setTextFormat(Qt::PlainText);
    box->setText(body);
    box->setIcon(IconOf(buttons));
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

QtHost::~QtHost() {
    DeleteWindows();
}

void QtHost::AddWindow(WindowId id, QWidget* window, std::function<void()> screenUpdate) {
    windows_.push_back(Window{id, window, std::move(screenUpdate)});
}

void QtHost::SetWindowMaker(WindowId id, WindowMaker make) {
    makers_[id] = std::move(make);
}

void QtHost::FollowImages(QObject* window, std::function<void()> follow) {
    followers_.push_back(Follower{window, std::move(follow)});
}

void QtHost::ImageChanged() {
    // A window closed meanwhile has nothing to follow with.
    const std::vector<Follower> followers = followers_;
    for (const Follower& f : followers) {
        if (!f.window.isNull()) {
            f.follow();
        }
    }
}

void QtHost::DeleteWindows() {
    // Newest first: a window made later may lean on one made before it.
    while (!made_.empty()) {
        made_.pop_back();
    }
}

void QtHost::MsgBox(std::string_view text, int buttons, std::string_view title) {
    UpdateScreen();
    std::unique_ptr<QMessageBox> box = MakeMessageBox(text, buttons, title, BoxParent());
    box->exec();
}

void QtHost::Yield() {
    UpdateScreen();
    QApplication::processEvents();
}

void QtHost::ShowWindow(WindowId id) {
    QWidget* window = Find(id);
    if (window == nullptr) {
        const auto maker = makers_.find(id);
        if (maker == makers_.end()) {
            return; // no such window in this program
        }
        made_.push_back(maker->second(*this));
        window = made_.back().get();
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void QtHost::UpdateScreen() const {
    for (const Window& w : windows_) {
        if (!w.widget.isNull() && w.screenUpdate) {
            w.screenUpdate();
        }
    }
}

QWidget* QtHost::BoxParent() const {
    QWidget* active = WindowActivation::LastActive();
    QWidget* first = nullptr;
    for (const Window& w : windows_) {
        if (w.widget.isNull()) {
            continue;
        }
        if (w.widget == active) {
            return active;
        }
        if (first == nullptr) {
            first = w.widget.data();
        }
    }
    return first;
}

QWidget* QtHost::Find(WindowId id) const {
    for (const Window& w : windows_) {
        if (w.id == id && !w.widget.isNull()) {
            return w.widget.data();
        }
    }
    return nullptr;
}

} // namespace ss
