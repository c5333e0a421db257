#include "app_test_support.h"

#include "support/image_builder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBackingStore>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace ss::apptest {

ModalAnswerer::ModalAnswerer() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::Poll);
    timer_.start();
}

void ModalAnswerer::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) {
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes.push_back(SeenBox{box->windowTitle(), box->text(), box->icon(),
                                static_cast<int>(box->buttons().size())});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->reject();
        }
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        ++fileDialogs;
        if (onFileDialog) {
            onFileDialog(*dialog);
        } else {
            dialog->reject();
        }
    }
}

void Pump(int ms) {
    QTest::qWait(ms);
}

void MakeActive(QWidget& w) {
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) {
        ADD_FAILURE() << "the window did not become active";
        return;
    }
    Pump(10);
}

bool ShownAsPaintedWhole(QWidget& window) {
    const QImage whole = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto* store = dynamic_cast<const QImage*>(window.backingStore()->paintDevice());
    if (store == nullptr) {
        ADD_FAILURE() << "no picture of the screen on this platform";
        return false;
    }
    return store->copy(QRect(QPoint(0, 0), whole.size())).convertToFormat(QImage::Format_RGB32) ==
           whole;
}

QString WriteImage(const QString& name, const std::vector<std::uint8_t>& bytes) {
    static QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(name);
    testimg::WriteFile(QFile::encodeName(path).toStdString(), bytes);
    return path;
}

} // namespace ss::apptest
