// The images the benchmarks run on, built with the test image builder and
// written to a temporary folder that goes when the program ends.
#pragma once

#include "support/image_builder.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace ss::bench {

using namespace ss::testimg;
namespace fs = std::filesystem;

// DMK, 80 cylinders, two sides, 18 double-density sectors a side, the
// directory marks on cylinder 17 side 0.
inline std::vector<std::uint8_t> LargeDmk() {
    std::vector<DmkTrack> records = DmkStandardTracks(80, 2, 18, true);
    for (DmkSector& s : records[17 * 2].sectors) {
        s.dam = 0xF8;
    }
    return MakeDmk(records).bytes;
}

// JV3 with all 2901 header entries used: tracks 0 to 79 with 18
// double-density sectors on each side, then 21 sectors of track 80.
inline std::vector<std::uint8_t> FullJv3() {
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
        bytes = {LargeDmk(), FullJv3(), PatternJv1()};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            paths.push_back((dir / names[i]).string());
            WriteFile(paths.back(), bytes[i]);
        }
    }
    ~Images() { fs::remove_all(dir); }
};

inline const Images& TheImages() {
    static const Images images;
    return images;
}

// Writes the 1,000 images of 100 KB to 1 MB that BM_CheckImages checks into
// the folder dir (made when missing).
void WriteCheckImages(const std::string& dir);

// Index of each image in TheImages().
enum Image { kLargeDmk, kFullJv3, kJv1 };

} // namespace ss::bench
