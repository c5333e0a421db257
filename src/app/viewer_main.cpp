// sectorscope: a viewer for Model 1 floppy-disk image files (JV1, JV3, DMK).
#include "app/control_binding.h"
#include "app/main_window.h"
#include "app/program_settings.h"
#include "app/surface_widget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>
#include <string>

namespace {

// On an X11 or Wayland desktop Qt opens the display named by DISPLAY or
// WAYLAND_DISPLAY and aborts when neither is set. Unless QT_QPA_PLATFORM
// picks a platform of its own, tell that case apart before Qt starts.
bool NoDisplay() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
           qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

constexpr const char* kNoDisplayAdvice =
    "sectorscope: the viewer needs a graphical session, and none was found\n"
    "(neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
    "Without a display, sectorscope-cli prints what the main window shows, for example:\n"
    "  sectorscope-cli info IMAGE\n"
    "  sectorscope-cli show IMAGE 0\n"
    "See sectorscope-cli --help for all its commands.\n";

} // namespace

int main(int argc, char* argv[]) {
    // Without a display only --help and --version can be answered: a core
    // application serves them, then the program says what to use instead.
    const bool noDisplay = NoDisplay();
    const std::unique_ptr<QCoreApplication> app =
        noDisplay ? std::make_unique<QCoreApplication>(argc, argv)
                  : std::make_unique<QApplication>(argc, argv);
    ss::NameTheProgram();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Viewer for Model 1 floppy-disk image files (JV1, JV3, DMK)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Disk image to open at start-up."),
                                 QStringLiteral("[FILE]"));
    parser.process(*app);
    if (noDisplay) {
        std::fputs(kNoDisplayAdvice, stderr);
        return 1;
    }

    // A relative path names a file of the folder the program was started in:
    // resolve it before the window makes its own folder the current one. The
    // name is taken as the bytes given, not through a text conversion.
    if (parser.positionalArguments().size() > 1) {
        parser.showHelp(1);
    }
    const std::string path = ss::CommandLineFileName(argc, argv);

    ss::SetHighContrast(ss::SavedHighContrast());
    ss::MainWindow window;
    window.show();
    if (!path.empty()) {
        window.OpenChosenFileName(path);
    }
    return QApplication::exec();
}
