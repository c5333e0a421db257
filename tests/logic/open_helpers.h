// Opening images in a main window the way a user does (a file on disk, then
// File > Open), and reading back what the window shows for one sector.
#pragma once

#include "window_fixture.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace ss::opentest {

// What the identity fields of the window show for the sector on display.
struct Shown {
    std::string trk, side, sec, spt, dens, dam, type, pos;
    bool operator==(const Shown&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Shown& s) {
    return os << "{trk " << s.trk << ", side " << s.side << ", sec " << s.sec << ", spt " << s.spt
              << ", dens '" << s.dens << "', dam " << s.dam << ", " << s.type << ", pos " << s.pos
              << "}";
}

inline std::string HexText(std::int64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
    return buf;
}

class ViewerTest : public testwindow::WindowTest {
  protected:
    // Shows sector index i and checks its fields and the first bytes of its dump.
    void Check(std::int64_t i, const Shown& want, const std::vector<std::uint8_t>& data) {
        Show(i);
        EXPECT_EQ(Fields(), want) << "index " << i;
        EXPECT_EQ(Dumped(data.size()), data) << "index " << i;
    }

    // Track, side and sector number shown, as "track/side/sector".
    std::string Where() const {
        return w.Txttrk.Text + "/" + w.txtside.Text + "/" + w.Txtsector.Text;
    }

    Shown Fields() const {
        return Shown{w.Txttrk.Text,  w.txtside.Text, w.Txtsector.Text,  w.Txttrkspt.Text,
                     w.TxtDens.Text, w.Txtdam.Text,  w.Txtsectype.Text, w.Text6.Text};
    }

    // The first n bytes the dump showed.
    std::vector<std::uint8_t> Dumped(std::size_t n = 256) const {
        const auto& d = w.DumpedBytes();
        return std::vector<std::uint8_t>(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(n));
    }

    // The line printed where the no-directory notice and the drive read-out go.
    const TextItem* NoticeLine() const { return w.surface.TextAt(180, 1100); }

    // Number of times the sector display has drawn (it yields once per call).
    int Draws() const { return host.yields; }
};

// Bytes [from, from + n) of an image, 0 past its end.
inline std::vector<std::uint8_t> FileBytes(const std::vector<std::uint8_t>& file, std::int64_t from,
                                           std::size_t n, int step = 1) {
    std::vector<std::uint8_t> out;
    for (std::size_t k = 0; k < n; ++k) {
        const std::int64_t p = from + static_cast<std::int64_t>(k) * step;
        out.push_back(p < static_cast<std::int64_t>(file.size()) ? file[static_cast<std::size_t>(p)]
                                                                 : 0);
    }
    return out;
}

inline std::string Dec(std::int64_t v) {
    return std::to_string(v);
}

// A single-density sector kept once per byte, as many 3264-byte-track images hold them.
inline testimg::DmkSector SdOnce(int track, int side, int sector) {
    testimg::DmkSector s;
    s.track = track;
    s.side = side;
    s.sector = sector;
    s.doubleDensity = false;
    s.sd = testimg::SdStorage::Once;
    return s;
}

} // namespace ss::opentest
