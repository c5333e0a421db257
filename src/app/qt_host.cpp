#include "qt_host.h"

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

void QtHost::MsgBox(std::string_view text, int buttons, std::string_view title) {
    UpdateScreen();
    std::unique_ptr<QMessageBox> box = MakeMessageBox(text, buttons, title, window_.data());
    box->exec();
}

void QtHost::Yield() {
    UpdateScreen();
    QApplication::processEvents();
}

void QtHost::ShowWindow(WindowId) {
    // The sector map and hex viewer windows do not exist yet.
}

void QtHost::UpdateScreen() const {
    if (screenUpdate_) {
        screenUpdate_();
    }
}

} // namespace ss
