// sectorscope-cli check over a folder of images of 100 KB to 1 MB, on every
// core, output discarded: 250, 500 and 1,000 images, so that the time can be
// seen to grow with the images in a straight line. The images are made with
// the test image builders and written once; the page cache holds them when
// the timing starts.
#include "bench_images.h"
#include "cli/check_command.h"
#include "support/dos_disks.h"

#include <benchmark/benchmark.h>
#include <thread>

namespace {

using namespace ss::testimg;
namespace fs = std::filesystem;

// The kinds of image the folder holds, each from 100 KB to 1 MB, whole and
// damaged, with and without a DOS.
std::vector<std::vector<std::uint8_t>> Kinds() {
    std::vector<std::vector<std::uint8_t>> kinds;
    kinds.push_back(MakeDmk(DmkStandardTracks(40, 1, 18, true), OneSide()).bytes);
    kinds.push_back(MakeDmk(DmkStandardTracks(79, 2, 18, true)).bytes);
    kinds.push_back(MakeDmk(DmkStandardTracks(40, 2, 18, true)).bytes);
    std::vector<DmkTrack> damaged = DmkStandardTracks(40, 1, 10, false);
    damaged[7].sectors[3].dataCrc = std::array<std::uint8_t, 2>{0, 0};
    damaged[9].sectors.erase(damaged[9].sectors.begin() + 2);
    kinds.push_back(MakeDmk(damaged, OneSide()).bytes);
    std::vector<Jv3Entry> entries;
    for (int t = 0; t < 40; ++t) {
        for (int s = 0; s < 18; ++s) {
            Jv3Entry e;
            e.track = t;
            e.sector = s;
            e.doubleDensity = true;
            entries.push_back(e);
        }
    }
    kinds.push_back(MakeJv3(entries));
    kinds.push_back(ss::bench::FullJv3());
    kinds.push_back(PatternJv1(40));
    kinds.push_back(PatternJv1(80));
    DosDiskBuilder ldos(LdosDdTwoSidedGeometry());
    for (int k = 0; k < 12; ++k) {
        ldos.AddFile({"FILE" + std::to_string(10 + k) + "  DAT",
                      std::vector<std::uint8_t>(static_cast<std::size_t>(3000 + 700 * k), 'f')});
    }
    ldos.DamageSector(ldos.Locate(60));
    kinds.push_back(ldos.Dmk());
    kinds.push_back(ldos.Jv3());
    return kinds;
}

// The 1,000 images, named in the order they are checked.
std::vector<std::string> WriteImages(const fs::path& dir) {
    const std::vector<std::vector<std::uint8_t>> kinds = Kinds();
    std::vector<std::string> paths;
    for (int k = 0; k < 1000; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "disk%04d.%s", k, k % 3 == 0 ? "dsk" : "dmk");
        paths.push_back((dir / name).string());
        WriteFile(paths.back(), kinds[static_cast<std::size_t>(k) % kinds.size()]);
    }
    return paths;
}

// The images in a temporary folder that goes when the program ends.
struct CheckFolder {
    fs::path dir;
    std::vector<std::string> paths;
    CheckFolder() {
        std::string pattern = (fs::temp_directory_path() / "sectorscope-check-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        dir = pattern;
        paths = WriteImages(dir);
    }
    ~CheckFolder() { fs::remove_all(dir); }
};

const CheckFolder& TheFolder() {
    static const CheckFolder folder;
    return folder;
}

void BM_CheckImages(benchmark::State& state) {
    const CheckFolder& folder = TheFolder();
    const std::vector<std::string> paths(folder.paths.begin(),
                                         folder.paths.begin() + state.range(0));
    std::int64_t bytes = 0;
    for (const std::string& p : paths) {
        bytes += static_cast<std::int64_t>(fs::file_size(p));
    }
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    for (auto _ : state) {
        std::size_t damaged = 0;
        ss::cli::CheckImages(paths, threads, [&](ss::cli::ImageCheck& c) {
            damaged += c.outcome == ss::cli::ImageCheck::Outcome::Damaged ? 1 : 0;
        });
        benchmark::DoNotOptimize(damaged);
    }
    state.counters["images"] = static_cast<double>(paths.size());
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_CheckImages)
    ->ArgName("images")
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

namespace ss::bench {
void WriteCheckImages(const std::string& dir) {
    fs::create_directories(dir);
    WriteImages(dir);
}
} // namespace ss::bench
