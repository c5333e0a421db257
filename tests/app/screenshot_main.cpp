// Writes a picture of the main window on the DMK sample disk, showing a
// directory sector with its coloured entries:
//   ss_app_screenshot OUT.png
#include "screenshot_support.h"

int main(int argc, char* argv[]) {
    ss::screenshot::PreferOffscreen();
    QApplication app(argc, argv);
    const auto out = ss::screenshot::OutputPaths(argc, argv, 1, "ss_app_screenshot OUT.png");
    if (!out) {
        return 2;
    }
    ss::screenshot::DmkSampleInMainWindow sample;
    if (!sample.Shown()) {
        return 1;
    }
    // The first directory sectors hold the granule and hash tables; the third
    // holds file entries, which the window colours.
    ss::MainWindowLogic& logic = sample.window.Logic();
    logic.CmndDirFind_Click();
    logic.CmndNextsec_Click();
    logic.CmndNextsec_Click();
    sample.window.SyncFromModels();
    return ss::screenshot::Save(sample.window, out->first()) ? 0 : 1;
}
