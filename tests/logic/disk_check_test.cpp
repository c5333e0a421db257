// The disk check on hand-made images with each kind of damage: the class of
// every cell, row by row, and the counts.
#include "check/disk_check.h"
#include "image/disk.h"
#include "support/image_builder.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ss::check {
namespace {

using namespace testimg;
using Bytes = std::vector<std::uint8_t>;

// A row as one letter a cell: Good, Id CRC, Data CRC, No data, Wrong track,
// dUplicate, Missing; "c/h:" before it.
std::string RowText(const Row& r) {
    static const char kLetters[] = "GIDNWUM";
    std::string t = std::to_string(r.cylinder) + "/" + std::to_string(r.head) + ":";
    for (const Cell& c : r.cells) {
        t += kLetters[static_cast<int>(c.cls)];
    }
    return t;
}

DiskCheck Check(const Bytes& bytes) {
    const ImageBuffer buf(bytes);
    return CheckDisk(disk::ReadDisk(buf));
}

Bytes Dmk(const std::function<void(std::vector<DmkTrack>&)>& damage, int cylinders = 2) {
    std::vector<DmkTrack> recs = DmkStandardTracks(cylinders, 1, 5, true);
    damage(recs);
    return MakeDmk(recs, OneSide()).bytes;
}

struct Case {
    const char* what;
    Bytes image;
    std::vector<std::string> rows;
    std::string damage; // DamageText
    std::int64_t good;
};

TEST(DiskCheck, ClassesEverySectorAndCountsTheDamage) {
    const std::array<std::uint8_t, 2> badCrc{0, 0};
    std::vector<Jv3Entry> jv3;
    for (int t = 0; t < 2; ++t) {
        for (int s = 0; s < 4; ++s) {
            Jv3Entry e;
            e.track = t;
            e.sector = s;
            e.crcError = t == 1 && s == 2;
            jv3.push_back(e);
        }
    }
    Bytes jv3Cut = MakeJv3(jv3);
    jv3Cut.resize(jv3Cut.size() - 100); // part of the last sector
    Bytes jv1Cut = PatternJv1(3);
    jv1Cut.resize(jv1Cut.size() - 256 * 4);

    const Case cases[] = {
        {"whole", Dmk([](auto&) {}), {"0/0:GGGGG", "1/0:GGGGG"}, "whole", 10},
        {"ID CRC",
         Dmk([&](auto& r) { r[1].sectors[3].idCrc = badCrc; }),
         {"0/0:GGGGG", "1/0:GGGIG"},
         "1 ID CRC error",
         9},
        {"data CRC, twice",
         Dmk([&](auto& r) {
             r[0].sectors[0].dataCrc = badCrc;
             r[1].sectors[4].dataCrc = badCrc;
         }),
         {"0/0:DGGGG", "1/0:GGGGD"},
         "2 data CRC errors",
         8},
        {"missing numbers go after the track's sectors",
         Dmk([](auto& r) {
             r[0].sectors.erase(r[0].sectors.begin() + 1, r[0].sectors.begin() + 3);
         }),
         {"0/0:GGGMM", "1/0:GGGGG"},
         "2 missing",
         8},
        {"a duplicate ID marks both copies; damage shows first",
         Dmk([&](auto& r) {
             r[1].sectors[4].sector = 2;
             r[1].sectors[4].dataCrc = badCrc;
         }),
         {"0/0:GGGGG", "1/0:GGUGD"},
         "1 data CRC error, 2 duplicates",
         8},
        {"an ID of another track: a mis-stepped reading",
         Dmk([](auto& r) {
             for (DmkSector& s : r[1].sectors) {
                 s.track = 2;
             }
         }),
         {"0/0:GGGGG", "1/0:WWWWW"},
         "1 mis-stepped track",
         5},
        {"an ID field without a data mark",
         Dmk([](auto& r) { r[0].sectors[2].dam = 0x00; }),
         {"0/0:GGNGG", "1/0:GGGGG"},
         "1 sector without data",
         9},
        {"JV3: a flagged CRC error, the file cut inside track 1",
         jv3Cut,
         {"0/0:GGGG", "1/0:GGDN"},
         "1 data CRC error, 1 sector without data, file ends inside cylinder 1",
         6},
        {"JV1 cut inside its last track",
         jv1Cut,
         {"0/0:GGGGGGGGGG", "1/0:GGGGGGGGGG", "2/0:GGGGGG"},
         "file ends inside cylinder 2",
         26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DiskCheck check = Check(c.image);
        std::vector<std::string> rows;
        for (const Row& r : check.rows) {
            rows.push_back(RowText(r));
        }
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(DamageText(check.counts), c.damage);
        EXPECT_EQ(check.counts.good, c.good);
        EXPECT_EQ(check.counts.Whole(), c.damage == "whole");
    }
}

TEST(DiskCheck, RowsByCylinderAndHeadWithTheirGeometry) {
    const Bytes two = MakeDmk(DmkStandardTracks(3, 2, 4, false, 1)).bytes;
    const DiskCheck check = Check(two);
    EXPECT_EQ(check.layout, Layout::DMK);
    EXPECT_EQ(check.cylinders, 3);
    EXPECT_EQ(check.heads, 2);
    EXPECT_EQ(check.counts.sectors, 24);
    EXPECT_EQ(check.longestRow, 4);
    ASSERT_EQ(check.rows.size(), 6u);
    EXPECT_EQ(RowText(check.rows[3]), "1/1:GGGG");
    EXPECT_EQ(check.rows[3].track, 3);
    // Cells keep the place each sector has on its track.
    EXPECT_EQ(check.rows[3].cells[2].sector, 2);
    EXPECT_EQ(check.rows[3].cells[2].number, 3);

    Bytes text(100);
    for (std::size_t k = 0; k < text.size(); ++k) {
        text[k] = static_cast<std::uint8_t>('a' + k % 26);
    }
    const DiskCheck none = Check(text);
    EXPECT_TRUE(none.rows.empty());
    EXPECT_EQ(none.layout, Layout::Unknown);
}

} // namespace
} // namespace ss::check
