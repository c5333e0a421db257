// Speed of the Qt windows with the real surface font, on the offscreen
// platform: a key press to the painted frame in each of the three windows,
// and, as whole-process measures, start-up to the first complete frame and
// the peak memory with the large DMK open in all three windows.
//
//   ss_bench_gui [benchmark options]   key to painted frame (Google Benchmark)
//   ss_bench_gui --startup FILE        opens FILE as `sectorscope FILE` does and
//                                      ends at the first complete frame
//   ss_bench_gui --peak-memory FILE    opens FILE in the three windows, prints
//                                      the peak resident memory in KiB
//   ss_bench_gui --presses N [WINDOW]  each window's key (or that of WINDOW:
//                                      main, hex, map) N times, untimed, for a
//                                      profiler
//   ss_bench_gui --pictures DIR ZOOM [REFDIR]
//                                      the three windows on each benchmark
//                                      image and sample disk at ZOOM, before
//                                      and after keys, as PNG files in DIR;
//                                      compared with REFDIR's (a build before
//                                      a change of the painting) when given

#include "app/control_binding.h"
#include "app/hex_viewer_window.h"
#include "app/main_window.h"
#include "app/sector_map_window.h"
#include "app/temporary_home.h"
#include "bench_images.h"
#include "support/sample_disks.h"

#include <QApplication>
#include <QBackingStore>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace {

using ss::bench::kLargeDmk;
using ss::bench::TheImages;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

template <typename W> W* FindWindow(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name)) {
            return qobject_cast<W*>(w);
        }
    }
    return nullptr;
}

// The main window on the large DMK with both other windows open, all shown.
struct Program {
    ss::MainWindow main;
    ss::SectorMapWindow* map = nullptr;
    ss::HexViewerWindow* hex = nullptr;

    explicit Program(const std::string& path = TheImages().paths[kLargeDmk]) {
        main.show();
        main.OpenFileName(path);
        main.findChild<QPushButton*>(QStringLiteral("Cmndsecdisp"))->click();
        main.findChild<QPushButton*>(QStringLiteral("Cmndhexedit"))->click();
        map = FindWindow<ss::SectorMapWindow>("form1");
        hex = FindWindow<ss::HexViewerWindow>("form2");
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
        }
    }
};

// Made on first use, gone before the application.
std::unique_ptr<Program> theProgram;
Program& TheProgram() {
    if (!theProgram) {
        theProgram = std::make_unique<Program>();
    }
    return *theProgram;
}

// Makes `window` the active one, as the user's click on it would, so that
// its keys reach it.
void Activate(QWidget& window) {
    QApplication::setActiveWindow(&window);
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

// A key press in a window that paints a new frame, and how the window is
// brought back where the press paints a new frame again.
struct KeyPress {
    QWidget* window;
    std::function<void()> press;
    std::function<void()> reset;
};

KeyPress MainPageDown(Program& p) {
    ss::MainWindowLogic& logic = p.main.Logic();
    return {&p.main, [&p] { QTest::keyClick(&p.main, Qt::Key_PageDown); },
            [&logic] {
                if (logic.PresSecnum >= logic.Analysis().totalSectors - 1) {
                    logic.PresSecnum = 0;
                }
            }};
}

KeyPress HexScrollStep(Program& p) {
    auto* bar = p.hex->findChild<QScrollBar*>(QStringLiteral("VScroll1"));
    return {p.hex, [bar] { QTest::keyClick(bar, Qt::Key_Down); },
            [bar] {
                if (bar->value() >= bar->maximum()) {
                    bar->setValue(0);
                }
            }};
}

KeyPress MapNext(Program& p) {
    ss::SectorMapLogic& logic = p.map->Logic();
    auto* prev = p.map->findChild<QPushButton*>(QStringLiteral("Cmndprev"));
    return {p.map, [&p] { QTest::keyClick(p.map, Qt::Key_PageDown); },
            [&logic, prev] {
                while (!(logic.fpa < logic.fileend && logic.endflag != 1) && logic.Pagenum > 0) {
                    prev->click();
                }
            }};
}

// Presses the key and lets the window run its events until the press has
// painted (or a hundred rounds went by without a paint). Out of line, so that
// a profiler can count it alone (callgrind --toggle-collect).
[[gnu::noinline]] void PressUntilPainted(const KeyPress& key, const PaintCounter& counter) {
    const int before = counter.paints;
    key.press();
    for (int i = 0; i < 100 && counter.paints == before; ++i) {
        QApplication::processEvents();
    }
}

// Times the press up to the frame it paints; the reset is not timed. Reports
// the paints per press, those that come after the first included.
void KeyToFrame(benchmark::State& state, const KeyPress& key) {
    Activate(*key.window);
    PaintCounter counter(key.window->findChild<QWidget*>(QStringLiteral("Surface")));
    int timedPaints = 0;
    for (auto _ : state) {
        const int before = counter.paints;
        PressUntilPainted(key, counter);
        state.PauseTiming();
        // Whatever the press left to paint, it paints now.
        QApplication::processEvents();
        timedPaints += counter.paints - before;
        key.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["paints_per_key"] =
        benchmark::Counter(static_cast<double>(timedPaints), benchmark::Counter::kAvgIterations);
}

void BM_KeyToFrame_MainPageDown(benchmark::State& state) {
    KeyToFrame(state, MainPageDown(TheProgram()));
}
BENCHMARK(BM_KeyToFrame_MainPageDown)->Unit(benchmark::kMicrosecond);

void BM_KeyToFrame_HexScrollStep(benchmark::State& state) {
    KeyToFrame(state, HexScrollStep(TheProgram()));
}
BENCHMARK(BM_KeyToFrame_HexScrollStep)->Unit(benchmark::kMicrosecond);

void BM_KeyToFrame_MapNext(benchmark::State& state) {
    KeyToFrame(state, MapNext(TheProgram()));
}
BENCHMARK(BM_KeyToFrame_MapNext)->Unit(benchmark::kMicrosecond);

// The key presses of the window `which` (main, hex or map; all three when
// empty) `count` times each, untimed, for a profiler to count (callgrind gives
// the same counts run after run, which a shared machine's clock does not).
void Presses(int count, const std::string& which) {
    Program& p = TheProgram();
    const std::pair<const char*, KeyPress> keys[] = {
        {"main", MainPageDown(p)}, {"hex", HexScrollStep(p)}, {"map", MapNext(p)}};
    for (const auto& [name, key] : keys) {
        if (!which.empty() && which != name) {
            continue;
        }
        Activate(*key.window);
        PaintCounter counter(key.window->findChild<QWidget*>(QStringLiteral("Surface")));
        for (int i = 0; i < count; ++i) {
            PressUntilPainted(key, counter);
            QApplication::processEvents();
            key.reset();
            QApplication::processEvents();
        }
    }
}

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// The same pixels in both pictures, whatever their formats.
bool SamePixels(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// The three windows on every image at `zoom`, as opened and after a few keys:
// each window's picture painted whole goes to `dir`, is held against what the
// screen shows after the keys' repaints of what changed, and against the
// picture of the same name in `refDir` when there is one. The count of
// differences found.
int Pictures(const QString& dir, double zoom, const QString& refDir) {
    QDir().mkpath(dir);
    // The images in a folder of a fixed name, as the windows show its path.
    const ss::bench::fs::path folder =
        ss::bench::fs::temp_directory_path() / "sectorscope-pictures";
    ss::bench::fs::create_directories(folder);
    const std::pair<const char*, std::vector<std::uint8_t>> bytes[] = {
        {"large-dmk", TheImages().bytes[ss::bench::kLargeDmk]},
        {"full-jv3", TheImages().bytes[ss::bench::kFullJv3]},
        {"plain-jv1", TheImages().bytes[ss::bench::kJv1]},
        {"sample-jv1", ss::testimg::SampleJv1()},
        {"sample-dmk", ss::testimg::SampleDmk()},
        {"sample-jv3", ss::testimg::SampleJv3()}};
    std::vector<std::pair<std::string, std::string>> images;
    for (const auto& [name, image] : bytes) {
        const std::string path = (folder / name).string();
        ss::testimg::WriteFile(path, image);
        images.emplace_back(name, path);
    }
    int failures = 0;
    for (const auto& [name, path] : images) {
        Program p(path);
        for (ss::WindowFrame* w :
             {static_cast<ss::WindowFrame*>(&p.main), static_cast<ss::WindowFrame*>(p.map),
              static_cast<ss::WindowFrame*>(p.hex)}) {
            w->SetZoom(zoom);
        }
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
        }
        auto* bar = p.hex->findChild<QScrollBar*>(QStringLiteral("VScroll1"));
        // Keys for each state after the first, in the main window, the
        // sector map and the hex viewer's scroll bar.
        const std::vector<std::vector<std::pair<QWidget*, int>>> steps = {
            {},
            {{&p.main, Qt::Key_PageDown},
             {&p.main, Qt::Key_PageDown},
             {p.map, Qt::Key_PageDown},
             {bar, Qt::Key_Down},
             {bar, Qt::Key_Down},
             {bar, Qt::Key_PageDown},
             {bar, Qt::Key_Down}},
            {{&p.main, Qt::Key_PageUp}, {p.map, Qt::Key_PageUp}, {bar, Qt::Key_Up}},
        };
        for (std::size_t state = 0; state < steps.size(); ++state) {
            for (const auto& [target, key] : steps[state]) {
                Activate(*target->window());
                QTest::keyClick(target, static_cast<Qt::Key>(key));
                for (int i = 0; i < 10; ++i) {
                    QApplication::processEvents();
                }
            }
            const std::pair<const char*, QWidget*> windows[] = {
                {"main", &p.main}, {"map", p.map}, {"hex", p.hex}};
            for (const auto& [role, window] : windows) {
                const QString file = QStringLiteral("%1-%2-%3.png")
                                         .arg(QString::fromStdString(name), QLatin1String(role))
                                         .arg(state);
                const QImage whole = window->grab().toImage();
                // What the window's backing store holds: the screen's picture.
                const auto* store =
                    dynamic_cast<const QImage*>(window->backingStore()->paintDevice());
                const QImage shown =
                    store != nullptr ? store->copy(QRect(QPoint(0, 0), whole.size())) : QImage();
                const bool asShown = SamePixels(whole, shown);
                const bool asBefore =
                    refDir.isEmpty() || SamePixels(whole, QImage(QDir(refDir).filePath(file)));
                if (!asShown) {
                    shown.save(QDir(dir).filePath(QStringLiteral("screen-") + file));
                }
                if (!asShown || !asBefore) {
                    ++failures;
                    std::printf("%s:%s%s\n", qPrintable(file), asShown ? "" : " not as the screen",
                                asBefore ? "" : " not as the reference");
                }
                whole.save(QDir(dir).filePath(file));
            }
        }
    }
    ss::bench::fs::remove_all(folder);
    std::printf("%d pictures differ\n", failures);
    return failures;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--pictures") {
        // The zoom kept by the windows stays out of the user's settings.
        ss::apptest::UseTemporaryHome();
    }
    QApplication app(argc, argv);
    if ((argc == 3 || argc == 4) && std::string(argv[1]) == "--presses") {
        Presses(std::stoi(argv[2]), argc == 4 ? argv[3] : "");
        theProgram.reset();
        return 0;
    }
    if (argc >= 4 && std::string(argv[1]) == "--pictures") {
        return Pictures(QString::fromLocal8Bit(argv[2]), std::stod(argv[3]),
                        argc >= 5 ? QString::fromLocal8Bit(argv[4]) : QString()) == 0
                   ? 0
                   : 1;
    }
    if (argc == 3 && std::string(argv[1]) == "--startup") {
        // As main() of sectorscope, up to the first frame painted with the
        // image shown whole.
        ss::MainWindow window;
        auto& view = window.SurfaceView();
        PaintCounter counter(&view);
        window.show();
        window.OpenFileName(ss::CommandLineFileName(argc - 1, argv + 1));
        const ss::Surface& surface = window.Logic().surface;
        while (view.PaintedRevision() != surface.Revision()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        // Paints before the complete one show the background alone.
        std::printf("paints %d\n", counter.paints);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "--peak-memory") {
        ss::MainWindow main;
        main.show();
        main.OpenFileName(argv[2]);
        main.findChild<QPushButton*>(QStringLiteral("Cmndsecdisp"))->click();
        main.findChild<QPushButton*>(QStringLiteral("Cmndhexedit"))->click();
        for (int i = 0; i < 50; ++i) {
            QApplication::processEvents();
        }
        std::printf("%ld\n", PeakResidentKiB());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theProgram.reset();
    return 0;
}
