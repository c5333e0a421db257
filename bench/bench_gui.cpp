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

#include "app/control_binding.h"
#include "app/form1.h"
#include "app/hexviewer.h"
#include "app/mainform.h"
#include "bench_images.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
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
    ss::Mainform main;
    ss::Form1* map = nullptr;
    ss::HexViewer* hex = nullptr;

    Program() {
        main.show();
        main.OpenFileName(TheImages().paths[kLargeDmk]);
        main.findChild<QPushButton*>(QStringLiteral("Cmndsecdisp"))->click();
        main.findChild<QPushButton*>(QStringLiteral("Cmndhexedit"))->click();
        map = FindWindow<ss::Form1>("form1");
        hex = FindWindow<ss::HexViewer>("form2");
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

// Times `press` up to the frame it paints; `reset` (untimed) brings the window
// back where a press paints a new frame. Reports the paints per press, those
// that come after the first included.
template <typename Press, typename Reset>
void KeyToFrame(benchmark::State& state, QWidget& window, Press press, Reset reset) {
    Activate(window);
    PaintCounter counter(window.findChild<QWidget*>(QStringLiteral("Surface")));
    int timedPaints = 0;
    for (auto _ : state) {
        const int before = counter.paints;
        press();
        for (int i = 0; i < 100 && counter.paints == before; ++i) {
            QApplication::processEvents();
        }
        state.PauseTiming();
        // Whatever the press left to paint, it paints now.
        QApplication::processEvents();
        timedPaints += counter.paints - before;
        reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["paints_per_key"] =
        benchmark::Counter(static_cast<double>(timedPaints), benchmark::Counter::kAvgIterations);
}

void BM_KeyToFrame_MainPageDown(benchmark::State& state) {
    Program& p = TheProgram();
    ss::MainformLogic& logic = p.main.Logic();
    KeyToFrame(
        state, p.main, [&] { QTest::keyClick(&p.main, Qt::Key_PageDown); },
        [&] {
            if (logic.img.PresSecnum >= logic.img.Totalsecs - 1) {
                logic.img.PresSecnum = 0;
            }
        });
}
BENCHMARK(BM_KeyToFrame_MainPageDown)->Unit(benchmark::kMicrosecond);

void BM_KeyToFrame_HexScrollStep(benchmark::State& state) {
    Program& p = TheProgram();
    auto* bar = p.hex->findChild<QScrollBar*>(QStringLiteral("VScroll1"));
    KeyToFrame(
        state, *p.hex, [&] { QTest::keyClick(bar, Qt::Key_Down); },
        [&] {
            if (bar->value() >= bar->maximum()) {
                bar->setValue(0);
            }
        });
}
BENCHMARK(BM_KeyToFrame_HexScrollStep)->Unit(benchmark::kMicrosecond);

void BM_KeyToFrame_MapNext(benchmark::State& state) {
    Program& p = TheProgram();
    ss::Form1Logic& logic = p.map->Logic();
    auto* prev = p.map->findChild<QPushButton*>(QStringLiteral("Cmndprev"));
    KeyToFrame(
        state, *p.map, [&] { QTest::keyClick(p.map, Qt::Key_PageDown); },
        [&] {
            while (!(logic.fpa < logic.fileend && logic.endflag != 1) && logic.Pagenum > 0) {
                prev->click();
            }
        });
}
BENCHMARK(BM_KeyToFrame_MapNext)->Unit(benchmark::kMicrosecond);

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--startup") {
        // As main() of sectorscope, up to the first frame painted with the
        // image shown whole.
        ss::Mainform window;
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
        ss::Mainform main;
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
