// fuzz_seeds DIR: writes a starting corpus for the fuzz targets into DIR: the
// sample disks, small images of every layout and track length the windows
// know, and the refused kinds.
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <exception>
#include <iostream>
#include <string>

namespace {

using namespace ss::testimg;

void Write(const std::string& dir, const std::string& name, const std::vector<std::uint8_t>& b) {
    WriteFile(dir + "/" + name, b);
}

std::vector<std::uint8_t> SmallJv3() {
    std::vector<Jv3Entry> entries;
    for (int t = 0; t < 3; ++t) {
        for (int side = 0; side < 2; ++side) {
            for (int s = 0; s < (t == 0 ? 10 : 18); ++s) {
                Jv3Entry e;
                e.track = t;
                e.sector = s;
                e.side1 = side == 1;
                e.doubleDensity = t > 0;
                e.dirMark = t == 2;
                entries.push_back(e);
            }
        }
    }
    return MakeJv3(entries);
}

std::vector<std::uint8_t> SmallDmk(bool dd, int trackLength, int firstSector, bool real) {
    DmkOptions options;
    options.trackLength = trackLength;
    options.realDisk = real;
    std::vector<DmkTrack> records = DmkStandardTracks(3, 2, dd ? 18 : 10, dd, firstSector);
    records[2].sectors[0].dam = 0xF8;
    if (!dd) {
        for (DmkTrack& t : records) {
            for (DmkSector& s : t.sectors) {
                s.sd = trackLength == 3264 ? SdStorage::Once : SdStorage::Doubled;
            }
        }
    }
    return MakeDmk(records, options).bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: fuzz_seeds DIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    try {
        std::vector<std::uint8_t> jv1 = MakeJv1(4, FillJv1Pattern);
        SetJv1BootBytes(jv1);
        Write(dir, "short.dsk", jv1);
        Write(dir, "sample.dsk", SampleJv1());
        Write(dir, "small.jv3", SmallJv3());
        Write(dir, "dd.dmk", SmallDmk(true, 6400, 0, false));
        Write(dir, "from1.dmk", SmallDmk(true, 6400, 1, false));
        Write(dir, "sd.dmk", SmallDmk(false, 6400, 0, false));
        Write(dir, "sd3264.dmk", SmallDmk(false, 3264, 0, false));
        Write(dir, "real.dmk", SmallDmk(true, 6400, 0, true));
        Write(dir, "dd6528.dmk", SmallDmk(true, 6528, 0, false));
        Write(dir, "noheader.bin", std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
        // The sample disks; the fuzzer takes as much of each as its input
        // length allows.
        Write(dir, "sample.dmk", SampleDmk());
        Write(dir, "sample.jv3", SampleJv3());
        // A DMK header with no track after it.
        std::vector<std::uint8_t> headerOnly = SmallDmk(true, 6400, 0, false);
        headerOnly.resize(16);
        Write(dir, "header-only.dmk", headerOnly);
    } catch (const std::exception& e) {
        std::cerr << "fuzz_seeds: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
