// sectorscope: a viewer for Model 1 floppy-disk image files (JV1, JV3, DMK).
#include "app/mainform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sectorscope"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Viewer for Model 1 floppy-disk image files (JV1, JV3, DMK)."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Disk image to open at start-up."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);

    // A relative path names a file of the folder the program was started in:
    // resolve it before the window makes its own folder the current one.
    const QStringList args = parser.positionalArguments();
    if (args.size() > 1) {
        parser.showHelp(1);
    }
    const QString path = args.isEmpty() ? QString() : QFileInfo(args.first()).absoluteFilePath();

    ss::Mainform window;
    window.show();
    if (!path.isEmpty()) {
        window.OpenImage(path);
    }
    return QApplication::exec();
}
