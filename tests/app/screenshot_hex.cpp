// Writes a picture of the hex viewer on the DMK sample disk, opened from the
// main window's "Hex Editor" button, at the page of the first ID field:
//   ss_app_screenshot_hex OUT.png
#include "app/hex_viewer_window.h"
#include "screenshot_support.h"

#include <QPushButton>
#include <QScrollBar>

int main(int argc, char* argv[]) {
    ss::screenshot::PreferOffscreen();
    QApplication app(argc, argv);
    const auto out = ss::screenshot::OutputPaths(argc, argv, 1, "ss_app_screenshot_hex OUT.png");
    if (!out) {
        return 2;
    }
    ss::screenshot::DmkSampleInMainWindow sample;
    if (!sample.Shown()) {
        return 1;
    }
    QTest::mouseClick(sample.window.findChild<QPushButton*>(QStringLiteral("Cmndhexedit")),
                      Qt::LeftButton);
    ss::HexViewerWindow* hex = nullptr;
    if (!QTest::qWaitFor([&] {
            hex = qobject_cast<ss::HexViewerWindow*>(QApplication::activeWindow());
            return hex != nullptr;
        })) {
        std::fprintf(stderr, "the hex viewer did not open\n");
        return 1;
    }
    // The page from the end of the first track header on: gap bytes, the
    // first ID field and its data mark.
    hex->ScrollBar().setValue(8);
    return ss::screenshot::Save(*hex, out->first()) ? 0 : 1;
}
