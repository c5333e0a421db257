// Speed of the main window's work on large images: the analysis, File > Open
// with the first display, one sector display, and the `sectors` walk of
// sectorscope-cli over a whole image.

#include "bench_images.h"
#include "cli/commands.h"
#include "contents/basic_listing.h"
#include "contents/file_view.h"
#include "dos/disk_sectors.h"
#include "image/analysis.h"
#include "image/crc16.h"
#include "image/disk.h"
#include "image/image_buffer.h"
#include "image/image_file.h"
#include "support/contents_files.h"
#include "windows/hex_viewer/hex_viewer_logic.h"
#include "windows/sector_map/sector_map_logic.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <streambuf>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using ss::bench::TheImages;

// Argument of the per-image benchmarks.
using ss::bench::kFullJv3;
using ss::bench::kJv1;
using ss::bench::kLargeDmk;

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

// The main window's analysis of the image (layout, sector tables, geometry,
// drive parameters), computed from the disk model read beforehand.
void BM_AnalyseImage(benchmark::State& state) {
    const ss::ImageBuffer buf(TheImages().bytes[state.range(0)]);
    const ss::disk::Disk d = ss::disk::ReadDisk(buf);
    for (auto _ : state) {
        const ss::ImageAnalysis a = ss::AnalyseImage(buf, d);
        benchmark::DoNotOptimize(a.totalSectors);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.Size()));
}
BENCHMARK(BM_AnalyseImage)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

// The disk model and the main window's analysis of it, from the image's
// bytes: all that File > Open understands of the image before the DOS layer
// reads its directory.
void BM_ReadAndAnalyse(benchmark::State& state) {
    const ss::ImageBuffer buf(TheImages().bytes[state.range(0)]);
    for (auto _ : state) {
        const ss::disk::Disk d = ss::disk::ReadDisk(buf);
        const ss::ImageAnalysis a = ss::AnalyseImage(buf, d);
        benchmark::DoNotOptimize(a.totalSectors);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.Size()));
}
BENCHMARK(BM_ReadAndAnalyse)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

// The disk model read from the image's bytes: every track, sector, data mark
// and CRC state (held, like the analysis, against reading the file).
void BM_ReadDisk(benchmark::State& state) {
    const ss::ImageBuffer buf(TheImages().bytes[state.range(0)]);
    for (auto _ : state) {
        const ss::disk::Disk d = ss::disk::ReadDisk(buf);
        benchmark::DoNotOptimize(d.tracks.data());
    }
    state.counters["sectors"] = static_cast<double>(ss::disk::ReadDisk(buf).SectorCount());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.Size()));
}
BENCHMARK(BM_ReadDisk)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

// The DOS layer's sector source over the disk model: one copy of every ID
// chosen and ordered for look-up, as every File > Open builds it.
void BM_DiskSectors(benchmark::State& state) {
    const ss::ImageBuffer buf(TheImages().bytes[state.range(0)]);
    const ss::disk::Disk d = ss::disk::ReadDisk(buf);
    for (auto _ : state) {
        const ss::dos::DiskSectors source(d, buf);
        benchmark::DoNotOptimize(source.Cylinders());
    }
}
BENCHMARK(BM_DiskSectors)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

// The CRC check of every field of the large DMK, the way the analysis takes
// it: each field's bytes, mark to CRC, from the preset after the sync bytes.
// Arguments: `id` 0 the data fields (2880 of 259 bytes), 1 the ID fields
// (7 bytes, always by table); `way` the crc16::Way (0 table, 1, 2, 3
// carry-less in 128, 256, 512-bit registers), skipped where the processor
// lacks it.
void BM_FieldCrcs(benchmark::State& state) {
    const auto way = static_cast<ss::crc16::Way>(state.range(1));
    if (way > ss::crc16::FastestWay()) {
        state.SkipWithError("this processor lacks the way");
        return;
    }
    const ss::ImageBuffer buf(TheImages().bytes[kLargeDmk]);
    const ss::ImageAnalysis a = ss::AnalyseImage(buf, ss::disk::ReadDisk(buf));
    const bool data = state.range(0) == 0;
    struct Field {
        std::int64_t mark;
        std::size_t size;
    };
    std::vector<Field> fields;
    for (std::size_t k = 0; k < a.tables.SectorCount(); ++k) {
        const ss::IndexedSector s = a.tables.Sector(k);
        fields.push_back(data ? Field{s.dataPos - 1, static_cast<std::size_t>(s.size) + 3}
                              : Field{s.dataPos - 45, 7});
    }
    const std::uint8_t* bytes = buf.Bytes().data();
    std::size_t total = 0;
    for (const Field& f : fields) {
        total += f.size;
    }
    unsigned good = 0;
    for (auto _ : state) {
        good = 0;
        for (const Field& f : fields) {
            good += ss::crc16::UpdateBy(way, ss::crc16::kAfterDoubleDensitySync, bytes + f.mark,
                                        f.size) == 0;
        }
        benchmark::DoNotOptimize(good);
    }
    state.counters["good"] = good;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * total));
}
BENCHMARK(BM_FieldCrcs)
    ->ArgNames({"id", "way"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({0, 3})
    ->Args({1, 0})
    ->Unit(benchmark::kMicrosecond);

// Reading the same file into memory, as a window's open does: the measure
// the analysis is held against.
void BM_ReadFile(benchmark::State& state) {
    const std::string& path = TheImages().paths[state.range(0)];
    for (auto _ : state) {
        ss::FileNumber1 file;
        if (!file.Open(path)) {
            state.SkipWithError("the image was not read");
            break;
        }
        benchmark::DoNotOptimize(file.ReadAllAndClose().size());
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations() * TheImages().bytes[state.range(0)].size()));
}
BENCHMARK(BM_ReadFile)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

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
    ss::MainWindowLogic& w = window.logic;
    const std::int64_t sector = w.Analysis().directoryStart + 2;
    for (auto _ : state) {
        w.PresSecnum = sector;
        w.GetDispSector();
        benchmark::DoNotOptimize(w.DumpedBytes());
    }
}
BENCHMARK(BM_GetDispSector)->Unit(benchmark::kMicrosecond);

// DispHexPage of one page of the hex viewer in the middle of an image, drawn
// again and again as Resize does: DMK marking, JV3 marking or JV1 blocks.
void BM_DispHexPage(benchmark::State& state) {
    ss::RecordingHost host;
    ss::FixedMetrics metrics;
    ss::HexViewerLogic hex{host, metrics};
    hex.MnuOpen(TheImages().paths[state.range(0)]);
    hex.VScroll1.SetValue(static_cast<int>(hex.VScroll1.Max / 2));
    for (auto _ : state) {
        hex.Form_Resize();
        benchmark::DoNotOptimize(hex.surface.Items().size());
    }
}
BENCHMARK(BM_DispHexPage)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

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

// DrawSectorPage of the sector map's first page, drawn anew in the other
// order each time, as the order options redraw it (a Resize over the very
// page shown leaves it as it is and draws nothing).
void BM_DrawSectorPage(benchmark::State& state) {
    ss::RecordingHost host;
    ss::FixedMetrics metrics;
    ss::SectorMapLogic map(host, metrics);
    map.MnuOpen(TheImages().paths[state.range(0)]);
    if (!map.HasPage()) {
        state.SkipWithError("the image was not drawn");
        return;
    }
    bool interleave = false;
    for (auto _ : state) {
        interleave = !interleave;
        if (interleave) {
            map.Option2_Click();
        } else {
            map.Option1_Click();
        }
        benchmark::DoNotOptimize(map.surface.Items().size());
    }
}
BENCHMARK(BM_DrawSectorPage)->Apply(PerImage)->Unit(benchmark::kMicrosecond);

// Every page of the sector map on the large DMK: Next from the first page to
// the end, as a user pages through it. The load that shows the first page
// (the file read and the disk model) is left out of the time: the model's
// read and the start-up have rows of their own.
void BM_SectorMapAllPages(benchmark::State& state) {
    ss::RecordingHost host;
    ss::FixedMetrics metrics;
    ss::SectorMapLogic map(host, metrics);
    int presses = 0;
    for (auto _ : state) {
        state.PauseTiming();
        map.MnuOpen(TheImages().paths[kLargeDmk]);
        state.ResumeTiming();
        presses = 0;
        while (map.fpa < map.fileend && map.endflag != 1) {
            map.Cmndnext_Click();
            ++presses;
        }
        benchmark::DoNotOptimize(map.surface.Items().size());
    }
    state.counters["pages"] = presses + 1;
    state.counters["presses"] = presses;
}
BENCHMARK(BM_SectorMapAllPages)->Unit(benchmark::kMicrosecond);

// A 48 KB BASIC program listed, as the contents window and `cat` show it:
// every line found and spelt out, then written as text.
void BM_ListBasic48K(benchmark::State& state) {
    // PRINT "HELLO, WORLD";A$(I);TAB(20);CHR$(65):FOR J=1 TO 10:NEXT J:GOSUB 100
    const std::string body = "\xB2 \"HELLO, WORLD\";A$(I);\xBC"
                             "20);\xF7(65):\x81 J\xD5"
                             "1 \xBD 10:\x87 J:\x91 100";
    std::vector<ss::testimg::BasicLineSpec> lines;
    const std::size_t lineBytes = 4 + body.size() + 1;
    for (std::size_t size = 3; size < 48 * 1024; size += lineBytes) {
        lines.push_back({static_cast<int>(10 * (lines.size() + 1)), body});
    }
    const ss::testimg::Bytes program = ss::testimg::BasicProgram(lines);
    for (auto _ : state) {
        const ss::contents::BasicListing listing = ss::contents::ListBasic(program);
        benchmark::DoNotOptimize(ss::contents::ListingLines(listing).data());
    }
    state.counters["lines"] = static_cast<double>(lines.size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * program.size()));
}
BENCHMARK(BM_ListBasic48K)->Unit(benchmark::kMicrosecond);

} // namespace

// With --write-images DIR the program writes the benchmark images into DIR
// (large.dmk, full.jv3, plain.dsk, and the images `check` is timed on in
// DIR/check) for timing whole processes, and ends.
int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write-images") {
        const char* names[] = {"large.dmk", "full.jv3", "plain.dsk"};
        for (std::size_t i = 0; i < std::size(names); ++i) {
            ss::testimg::WriteFile(std::string(argv[2]) + "/" + names[i], TheImages().bytes[i]);
        }
        ss::bench::WriteCheckImages(std::string(argv[2]) + "/check");
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
