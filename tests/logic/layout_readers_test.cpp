// The per-layout readers over hand-made bytes: what each reads, and that a
// file too short for a field never reads outside it.
#include "image/dmk.h"
#include "image/jv1.h"
#include "image/jv3.h"
#include "image/newdos.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace ss {
namespace {

using Bytes = std::vector<std::uint8_t>;

// `size` zero bytes with the given bytes put at their positions.
Bytes Put(std::size_t size, std::initializer_list<std::pair<std::size_t, std::uint8_t>> at) {
    Bytes b(size, 0);
    for (const auto& [p, v] : at) {
        b[p] = v;
    }
    return b;
}

TEST(DmkReaders, HeaderFieldsAndTheirFlags) {
    struct Case {
        const char* what;
        Bytes bytes;
        int tracks;
        std::int64_t trackLength;
        bool realDisk, known, doubleDensity;
    };
    const Bytes real =
        Put(16, {{1, 40}, {3, 0x19}, {12, 0x78}, {13, 0x56}, {14, 0x34}, {15, 0x12}});
    const Bytes realCut(real.begin(), real.begin() + 15);
    Bytes realWrong = real;
    realWrong[15] = 0x13;
    const std::vector<Case> cases = {
        {"empty file", {}, 0, 0, false, false, false},
        {"three bytes", {0, 40, 0x00}, 40, 0, false, false, false},
        {"single density", Put(16, {{1, 35}, {2, 0xC0}, {3, 0x0C}}), 35, 3264, false, true, false},
        {"double density", Put(16, {{1, 80}, {3, 0x19}}), 80, 6400, false, true, true},
        {"long double density", Put(4, {{2, 0x80}, {3, 0x19}}), 0, 6528, false, true, true},
        {"unknown length", Put(16, {{2, 0x01}, {3, 0x19}}), 0, 6401, false, false, false},
        {"real drive", real, 40, 6400, true, true, true},
        {"signature cut off", realCut, 40, 6400, false, true, true},
        {"signature wrong", realWrong, 40, 6400, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const dmk::Header h = dmk::ReadHeader(ImageBuffer(c.bytes));
        EXPECT_EQ(h.tracks, c.tracks);
        EXPECT_EQ(h.trackLength, c.trackLength);
        EXPECT_EQ(h.realDisk, c.realDisk);
        EXPECT_EQ(h.knownTrackLength, c.known);
        EXPECT_EQ(h.doubleDensity, c.doubleDensity);
    }
}

TEST(DmkReaders, PointersTheirDensityAndTheEndOfTheTable) {
    // A record at 16: pointers 0x8080 (double, 0x80), 0x0140 (single,
    // 0x140), 0x8000 (density bit on a zero offset), 0x7FFF, then the file ends
    // halfway through pointer 4.
    const Bytes b = Put(16 + 9, {{16, 0x80},
                                 {17, 0x80},
                                 {18, 0x40},
                                 {19, 0x01},
                                 {21, 0x80},
                                 {22, 0xFF},
                                 {23, 0x7F},
                                 {24, 0x12}});
    struct Case {
        int j;
        std::int64_t offset;
        bool doubleDensity, ends;
    };
    const Case cases[] = {
        {0, 0x80, true, false},    {1, 0x140, false, false}, {2, 0, true, true},
        {3, 0x7FFF, false, false}, {4, 0x12, false, false},  {5, 0, false, true},
    };
    const ImageBuffer buf(b);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.j);
        const dmk::Pointer p = dmk::IdPointer(buf, 16, c.j);
        EXPECT_EQ(p.offset, c.offset);
        EXPECT_EQ(p.doubleDensity, c.doubleDensity);
        EXPECT_EQ(p.Ends(), c.ends);
    }
}

TEST(DmkReaders, IdFieldsStoredOnceOrDoubled) {
    struct Case {
        const char* what;
        Bytes field; // from the ID field's first byte
        bool doubled;
        int track, side, sector;
    };
    const std::vector<Case> cases = {
        {"double density", {0xFE, 7, 1, 12, 1, 0xAA, 0xBB}, false, 7, 1, 12},
        {"single, doubled", {0xFE, 0xFE, 7, 7, 1, 1, 12, 12}, true, 7, 1, 12},
        {"single, once (FE then the track)", {0xFE, 0xFE + 1, 0, 3}, false, 0xFF, 0, 3},
        {"cut off after the track", {0xFE, 0xFE, 9}, true, 9, 0, 0},
        {"no mark at all", {0x00, 0xFE, 5, 5, 0, 0, 4, 4}, false, 0xFE, 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b(5 + c.field.size(), 0x4E); // gap before the field
        for (std::size_t k = 0; k < c.field.size(); ++k) {
            b[5 + k] = c.field[k];
        }
        const ImageBuffer buf(b);
        EXPECT_EQ(dmk::IsDoubledField(buf, 5), c.doubled);
        EXPECT_EQ(dmk::IdTrack(buf, 5, c.doubled), c.track);
        EXPECT_EQ(dmk::IdSide(buf, 5, c.doubled), c.side);
        EXPECT_EQ(dmk::IdSector(buf, 5, c.doubled), c.sector);
    }
}

TEST(DmkReaders, DataMarksAndTheirSearchWindow) {
    for (int b = 0; b < 256; ++b) {
        const bool dir = b == 0xF8 || b == 0xFA;
        EXPECT_EQ(dmk::IsDirectoryMark(b), dir) << b;
        EXPECT_EQ(dmk::IsDataMark(b), dir || b == 0xFB) << b;
    }
    struct Case {
        const char* what;
        std::vector<std::pair<int, std::uint8_t>> marks; // distance from the ID field, byte
        bool doubled;
        std::optional<int> found;
        std::size_t size = 100;
    };
    const std::vector<Case> cases = {
        {"none", {}, false, std::nullopt},
        {"mark at 44", {{44, 0xFB}}, false, 44},
        {"first of two", {{30, 0xFA}, {31, 0xF8}}, false, 30},
        {"at the window's first byte", {{10, 0xF8}}, false, 10},
        {"before the window", {{9, 0xFB}}, false, std::nullopt},
        {"at the window's last byte", {{50, 0xFB}}, false, 50},
        {"after the window", {{51, 0xFB}}, false, std::nullopt},
        {"a doubled field's CRC looks like a mark", {{12, 0xFB}, {48, 0xFB}}, true, 48},
        {"doubled, first byte of its window", {{14, 0xF8}}, true, 14},
        {"file ends inside the window", {{40, 0xFB}}, false, std::nullopt, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b(c.size, 0x4E);
        for (const auto& [m, v] : c.marks) {
            if (static_cast<std::size_t>(m) < b.size()) {
                b[static_cast<std::size_t>(m)] = v;
            }
        }
        EXPECT_EQ(dmk::FindDataMark(ImageBuffer(b), 0, c.doubled), c.found);
    }
    // Only the part of the window that the file holds is looked at.
    const ImageBuffer marks(
        Bytes{0xFB, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFA});
    EXPECT_EQ(dmk::FindDataMark(marks, -20, false), 20);
    EXPECT_EQ(dmk::FindDataMark(marks, -45, false), 45);
    EXPECT_EQ(dmk::FindDataMark(marks, -60, false), std::nullopt);
    EXPECT_EQ(dmk::FindDataMark(marks, 9, false), 10);
    EXPECT_EQ(dmk::FindDataMark(marks, 10, false), std::nullopt);
}

TEST(DmkReaders, DataMarkSearchAgreesWithAByteByByteScan) {
    // A mark, or a byte one bit away from one, after an 0xF9 at every
    // distance, in files that end before, inside and after the window.
    const std::uint8_t bytes[] = {0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0x7B, 0xF3};
    const std::size_t sizes[] = {20, 47, 51, 52, 60, 66, 70, 200};
    for (const std::uint8_t v : bytes) {
        for (const std::size_t size : sizes) {
            for (const std::int64_t idPos : {0, 3, 17}) {
                for (std::size_t at = 1; at < 75; ++at) {
                    for (const bool doubled : {false, true}) {
                        Bytes b(size, 0x4E);
                        const auto put = [&](std::size_t p, std::uint8_t x) {
                            if (p < size) {
                                b[p] = x;
                            }
                        };
                        put(at - 1, 0xF9);
                        put(at, v);
                        std::optional<int> expected;
                        const std::int64_t first = doubled ? 14 : 10;
                        for (std::int64_t d = first; d <= 50; ++d) {
                            const std::int64_t p = idPos + d;
                            if (p < static_cast<std::int64_t>(size) &&
                                dmk::IsDataMark(b[static_cast<std::size_t>(p)])) {
                                expected = static_cast<int>(d);
                                break;
                            }
                        }
                        ASSERT_EQ(dmk::FindDataMark(ImageBuffer(b), idPos, doubled), expected)
                            << "byte " << int{v} << " at " << at << ", size " << size << ", ID at "
                            << idPos << (doubled ? ", doubled" : "");
                    }
                }
            }
        }
    }
}

TEST(Jv3Readers, EntriesAndTheirFlagBits) {
    struct Case {
        std::uint8_t track, sector, flags;
        bool free, dd;
        int side;
        bool dir;
    };
    const Case cases[] = {
        {0, 0, 0x00, false, false, 0, false},  {5, 9, 0x80, false, true, 0, false},
        {5, 9, 0x10, false, false, 1, false},  {17, 3, 0x20, false, false, 0, true},
        {17, 3, 0xB0, false, true, 1, true},   {0xFF, 0xFF, 0xFF, true, true, 1, true},
        {40, 1, 0x4F, false, false, 0, false}, {0xFE, 0, 0x60, false, false, 0, true},
    };
    Bytes b;
    for (const Case& c : cases) {
        b.insert(b.end(), {c.track, c.sector, c.flags});
    }
    const ImageBuffer buf(b);
    for (int n = 0; n < static_cast<int>(std::size(cases)); ++n) {
        SCOPED_TRACE(n);
        const Case& c = cases[n];
        const jv3::Entry e = jv3::ReadEntry(buf, n);
        EXPECT_EQ(e.track, c.track);
        EXPECT_EQ(e.sector, c.sector);
        EXPECT_EQ(e.flags, c.flags);
        EXPECT_EQ(e.IsFree(), c.free);
        EXPECT_EQ(e.DoubleDensity(), c.dd);
        EXPECT_EQ(e.DensityBit(), c.dd ? 0x80 : 0);
        EXPECT_EQ(e.Side(), c.side);
        EXPECT_EQ(e.DirectoryMark(), c.dir);
        EXPECT_EQ(e.DirectoryMarkBit(), c.dir ? 0x20 : 0);
    }
}

TEST(Jv3Readers, UsedEntriesAndTheHeaderTest) {
    struct Case {
        const char* what;
        Bytes bytes;
        int used;
        bool header;
    };
    Bytes full(jv3::kHeaderSize, 0x01); // every entry used, write-protect byte 0x01
    Bytes cut(10, 0x02);
    const std::vector<Case> cases = {
        {"empty file", {}, 0, false},
        {"first entry free", Bytes(12, 0xFF), 0, true},
        {"two used, then free", {3, 0, 0, 3, 1, 0, 0xFF, 0, 0, 3, 0, 0}, 2, false},
        {"last entry cut off", cut, 3, true},
        {"nine bytes", Bytes(9, 0), 3, false},
        {"all 2901 used", full, 2901, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ImageBuffer buf(c.bytes);
        EXPECT_EQ(jv3::CountUsedEntries(buf), c.used);
        EXPECT_EQ(jv3::FourEqualTrackBytes(buf), c.header);
    }
    const ImageBuffer shifted(Bytes{9, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    EXPECT_FALSE(jv3::FourEqualTrackBytes(shifted, 0));
    EXPECT_TRUE(jv3::FourEqualTrackBytes(shifted, 1));
    EXPECT_FALSE(jv3::FourEqualTrackBytes(shifted, 4)); // runs past the end
}

TEST(Jv1Readers, SignatureGeometryAndDriveParameterSector) {
    struct Case {
        Bytes bytes;
        bool jv1;
    };
    const Case cases[] = {
        {{}, false},
        {{0x00, 0xFE}, false},
        {{0x00, 0xFE, 0x11}, true},
        {{0x00, 0xFE, 0x12}, false},
        {{0x01, 0xFE, 0x11, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(jv1::HasSignature(ImageBuffer(c.bytes)), c.jv1) << c.bytes.size();
    }
    EXPECT_FALSE(jv1::IsDirectorySector(169));
    EXPECT_TRUE(jv1::IsDirectorySector(170));
    EXPECT_TRUE(jv1::IsDirectorySector(179));
    EXPECT_FALSE(jv1::IsDirectorySector(180));

    Bytes b(jv1::kPdriveSectorOffset + 256, 0);
    EXPECT_FALSE(newdos::HasPdriveMarker(ImageBuffer(b), jv1::kPdriveSectorOffset));
    b[751] = 0xA5;
    EXPECT_TRUE(newdos::HasPdriveMarker(ImageBuffer(b), jv1::kPdriveSectorOffset));
    // A doubled sector reads its byte 239 at 2 * 239 from its first data byte.
    EXPECT_TRUE(newdos::HasPdriveMarker(ImageBuffer(b), 751 - 2 * 239, 2));
    EXPECT_FALSE(newdos::HasPdriveMarker(ImageBuffer(b), 751 - 2 * 239, 1));
    EXPECT_FALSE(newdos::HasPdriveMarker(ImageBuffer(b), 900)); // past the end reads 0
}

} // namespace
} // namespace ss
