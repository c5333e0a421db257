// Writes a picture of the Disk Check window on a two-sided DMK image with
// each kind of damage:
//   ss_check_screenshot OUT.png
#include "app/disk_check_window.h"
#include "screenshot_support.h"

#include <array>

int main(int argc, char* argv[]) {
    ss::screenshot::PreferOffscreen();
    QApplication app(argc, argv);
    const auto out = ss::screenshot::OutputPaths(argc, argv, 1, "ss_check_screenshot OUT.png");
    if (!out) {
        return 2;
    }

    using namespace ss::testimg;
    // 40 cylinders, two sides of 18 sectors in a 2:1 interleave.
    std::vector<int> order;
    for (int k = 0; k < 18; ++k) {
        order.push_back(k % 2 == 0 ? k / 2 : 9 + k / 2);
    }
    std::vector<DmkTrack> recs = DmkStandardTracks(40, 2, 18, true, 0, order);
    const std::array<std::uint8_t, 2> bad{0, 0};
    recs[5 * 2].sectors[3].dataCrc = bad;
    recs[5 * 2].sectors[11].dataCrc = bad;
    recs[12 * 2 + 1].sectors[7].idCrc = bad;
    recs[20 * 2].sectors.erase(recs[20 * 2].sectors.begin() + 6);
    recs[27 * 2 + 1].sectors[9].sector = recs[27 * 2 + 1].sectors[2].sector;
    for (DmkSector& s : recs[33 * 2].sectors) {
        s.track = 34; // the head stepped one cylinder too far
    }
    recs[38 * 2 + 1].sectors[14].dam = 0x00;
    const QString disk = QDir::temp().filePath(QStringLiteral("damaged-disk.dmk"));
    WriteFile(QFile::encodeName(disk).toStdString(), MakeDmk(recs).bytes);

    ss::MainWindow main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main)) {
        return 1;
    }
    main.OpenImage(disk);
    main.Logic().CmndCheck_Click();
    QTest::qWait(50);
    auto* check = ss::screenshot::TopLevelWindow<ss::DiskCheckWindow>();
    const bool saved = check != nullptr && QTest::qWaitForWindowExposed(check) &&
                       ss::screenshot::Save(*check, out->front());
    QFile::remove(disk);
    return saved ? 0 : 1;
}
