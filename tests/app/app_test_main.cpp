// Runs the window tests inside one application object, offscreen unless the
// caller asks for another display, with a home folder of their own.
#include "app/program_settings.h"
#include "temporary_home.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ss::apptest::UseTemporaryHome();
    QApplication app(argc, argv);
    ss::NameTheProgram();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
