#include "activation.h"

namespace ss {

QPointer<QWidget>& WindowActivation::Last() {
    static QPointer<QWidget> last;
    return last;
}

bool WindowActivation::Activated(QWidget* window) {
    QPointer<QWidget>& last = Last();
    if (last == window) {
        return false;
    }
    last = window;
    return true;
}

QWidget* WindowActivation::LastActive() {
    return Last().data();
}

void WindowActivation::Reset() {
    Last().clear();
}

} // namespace ss
