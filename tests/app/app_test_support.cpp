#include "app_test_support.h"

#include "support/image_builder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
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

QString WriteImage(const QString& name, const std::vector<std::uint8_t>& bytes) {
    static QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(name);
    testimg::WriteFile(QFile::encodeName(path).toStdString(), bytes);
    return path;
}

} // namespace ss::apptest
