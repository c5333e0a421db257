// Speed of the main window's work on large images: the analysis, File > Open
// with the first display, one sector display, and the `sectors` walk of
// sectorscope-cli over a whole image.

#include "cli/commands.h"
#include "image/analysis.h"
#include "sectormap/form1.h"
#include "support/image_builder.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace ss::testimg;
namespace fs = std::filesystem;

// DMK, 80 cylinders, two sides, 18 double-density sectors a side, the
// directory marks on cylinder 17 side 0.
std::vector<std::uint8_t> LargeDmk() {
    std::vector<DmkTrack> records = DmkStandardTracks(80, 2, 18, true);
    for (DmkSector& s : records[17 * 2].sectors) {
        s.dam = 0xF8;
    }
    return MakeDmk(records).bytes;
}

// JV3 with all 2901 header entries used: tracks 0 to 79 with 18
// double-density sectors on each side, then 21 sectors of track 80.
std::vector<std::uint8_t> FullJv3() {
    std::vector<Jv3Entry> entries;
    auto add = [&](int t, int side, int s) {
        Jv3Entry e;
        e.track = t;
        e.sector = s;
        e.side1 = side == 1;
        e.doubleDensity = true;
        e.dirMark = t == 17;
        entries.push_back(e);
    };
    for (int t = 0; t < 80; ++t) {
        for (int side = 0; side < 2; ++side) {
            for (int s = 0; s < 18; ++s) {
                add(t, side, s);
            }
        }
    }
    for (int s = 0; s < 18; ++s) {
        add(80, 0, s);
    }
    for (int s = 0; s < 3; ++s) {
        add(80, 1, s);
    }
    return MakeJv3(entries);
}

std::vector<std::uint8_t> Jv1() {
    std::vector<std::uint8_t> image = MakeJv1(35, FillJv1Pattern);
    SetJv1BootBytes(image);
    return image;
}

struct Images {
    std::vector<std::vector<std::uint8_t>> bytes;
    std::vector<std::string> paths;
    fs::path dir;

    Images() {
        std::string pattern = (fs::temp_directory_path() / "sectorscope-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        dir = pattern;
        const char* names[] = {"large.dmk", "full.jv3", "plain.dsk"};
        bytes = {LargeDmk(), FullJv3(), Jv1()};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            paths.push_back((dir / names[i]).string());
            WriteFile(paths.back(), bytes[i]);
        }
    }
    ~Images() { fs::remove_all(dir); }
};

const Images& TheImages() {
    static const Images images;
    return images;
}

// Argument of the per-image benchmarks.
enum Image { kLargeDmk, kFullJv3, kJv1 };

void PerImage(benchmark::internal::Benchmark* b) {
    b->ArgName("image")->Arg(kLargeDmk)->Arg(kFullJv3)->Arg(kJv1);
}

// Counts what is written and keeps nothing.
class CountingBuf : public std::streambuf {
  public:
    std::size_t count = 0;

  protected:
    int_type overflow(int_type c) override {
        ++count;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char*, std::streamsize n) override {
        count += static_cast<std::size_t>(n);
        return n;
    }
};

void BM_AnalyseImage(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = TheImages().bytes[state.range(0)];
    for (auto _ : state) {
        state.PauseTiming();
        ss::ImageState img;
        std::vector<std::uint8_t> copy = bytes;
        state.ResumeTiming();
        benchmark::DoNotOptimize(ss::AnalyseImage(img, std::move(copy)));
        benchmark::DoNotOptimize(img.Totalsecs);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_AnalyseImage)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

// File > Open in a fresh window: read, analyse, show sector index 0.
void BM_OpenAndShow(benchmark::State& state) {
    const std::string& path = TheImages().paths[state.range(0)];
    for (auto _ : state) {
        ss::cli::Window window;
        if (ss::cli::OpenImage(window, path).outcome != ss::cli::OpenOutcome::Shown) {
            state.SkipWithError("the image was not shown");
            break;
        }
        benchmark::DoNotOptimize(window.logic.DumpedBytes());
    }
}
BENCHMARK(BM_OpenAndShow)->Apply(PerImage)->Unit(benchmark::kMillisecond);

// GetDispSector of one directory entry sector (coloured dump) of the large
// DMK, shown again and again as Activate and Resize do.
void BM_GetDispSector(benchmark::State& state) {
    ss::cli::Window window;
    ss::cli::OpenImage(window, TheImages().paths[kLargeDmk]);
    ss::MainformLogic& w = window.logic;
    const std::int64_t sector = w.img.dirstartsec + 2;
    for (auto _ : state) {
        w.img.PresSecnum = sector;
        w.GetDispSector();
        benchmark::DoNotOptimize(w.DumpedBytes());
    }
}
BENCHMARK(BM_GetDispSector)->Unit(benchmark::kMicrosecond);

// `sectorscope-cli show IMAGE INDEX` at the first and at the last sector index
// of the large DMK: open, go to the index, print the fields and the dump.
void BM_ShowIndex(benchmark::State& state) {
    const std::string& path = TheImages().paths[kLargeDmk];
    for (auto _ : state) {
        ss::cli::Window window;
        ss::cli::OpenImage(window, path);
        const int index = state.range(0) == 0 ? 0 : ss::cli::SectorCount(window) - 1;
        ss::cli::ShowSector(window, index);
        CountingBuf buf;
        std::ostream out(&buf);
        ss::cli::PrintShow(out, window, false);
        benchmark::DoNotOptimize(buf.count);
    }
}
BENCHMARK(BM_ShowIndex)->ArgName("last")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// `sectorscope-cli sectors --data` over the whole image, output discarded.
void BM_SectorsWalk(benchmark::State& state) {
    const std::string& path = TheImages().paths[state.range(0)];
    std::size_t sectors = 0;
    for (auto _ : state) {
        ss::cli::Window window;
        ss::cli::OpenImage(window, path);
        CountingBuf buf;
        std::ostream out(&buf);
        ss::cli::PrintSectors(out, window, true);
        sectors = static_cast<std::size_t>(ss::cli::SectorCount(window));
        benchmark::DoNotOptimize(buf.count);
    }
    state.counters["sectors"] = static_cast<double>(sectors);
    state.counters["sectors_per_s"] = benchmark::Counter(
        static_cast<double>(sectors), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SectorsWalk)->Apply(PerImage)->Unit(benchmark::kMillisecond)->Iterations(1);

// DrawSectorPage of the sector map's first page, redrawn again and again as
// Resize and the order options do.
void BM_DrawSectorPage(benchmark::State& state) {
    ss::RecordingHost host;
    ss::FixedMetrics metrics;
    ss::Form1Logic map(host, metrics);
    map.MnuOpen(TheImages().paths[state.range(0)]);
    if (!map.HasPage()) {
        state.SkipWithError("the image was not drawn");
        return;
    }
    for (auto _ : state) {
        map.Form_Resize();
        benchmark::DoNotOptimize(map.surface.Items().size());
    }
}
BENCHMARK(BM_DrawSectorPage)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
