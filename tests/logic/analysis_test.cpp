// The main window's analysis as a value: what it finds of each layout, the
// drive parameters it reads, and its sector tables, which keep only the
// sectors an image has however far apart their indexes lie.
#include "image/analysis.h"
#include "open_helpers.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace ss {
namespace {

using namespace testimg;

ImageAnalysis Analyse(const std::vector<std::uint8_t>& bytes) {
    const ImageBuffer buf(bytes);
    return AnalyseImage(buf, disk::ReadDisk(buf));
}

TEST(DriveParametersTest, FieldsOfTheFirstEntry) {
    struct Case {
        std::array<std::uint8_t, newdos::kPdriveEntrySize> entry;
        const char *ti, *td;
        int tc, spt, tsr, gpl, ddsl, ddga, lump;
    };
    const std::vector<Case> cases = {
        {{17, 0, 0x14, 40, 18, 2, 0, 0, 0, 2}, "E ", "E", 40, 18, 0, 2, 17, 2, 10},
        {{17, 9, 0x17, 35, 10, 3, 9, 0, 9, 2}, "E ", "A", 35, 10, 3, 3, 17, 2, 15},
        {{0, 0, 0x0C, 80, 20, 1, 0, 4, 0, 4}, "BL", "C", 80, 20, 0, 1, 0, 4, 5},
        {{255, 0, 0x24, 40, 36, 2, 0, 0, 0, 255}, "AM", "G", 40, 36, 0, 2, 255, 255, 10},
        {{1, 0, 0x44, 40, 36, 0, 0, 4, 0, 2}, "AK", "G", 40, 36, 0, 0, 1, 2, 0},
        {{1, 0, 0x10, 40, 36, 2, 0, 4, 0, 2}, "CL", "G", 40, 36, 0, 2, 1, 2, 10},
        {{1, 0, 0x02, 40, 36, 2, 0, 0, 0, 2}, "? ", "G", 40, 36, 2, 2, 1, 2, 10},
    };
    for (const Case& c : cases) {
        const newdos::DriveParameters p = newdos::ReadDriveParameters(c.entry);
        SCOPED_TRACE(p.Text());
        EXPECT_EQ(p.TI, c.ti);
        EXPECT_EQ(p.TD, c.td);
        EXPECT_EQ((std::array{p.TC, p.SPT, p.TSR, p.GPL, p.DDSL, p.DDGA, p.SectorsPerLump()}),
                  (std::array{c.tc, c.spt, c.tsr, c.gpl, c.ddsl, c.ddga, c.lump}));
    }
    EXPECT_EQ(newdos::ReadDriveParameters(cases[3].entry).Text(),
              "Pdrives: TI = AM  TD = G  TC = 40   SPT = 36  TSR = 0  GPL = 2  DDSL = 255  DDGA = "
              "255");
}

// A JV3 image of `tracks` tracks and `sides` sides of `spt` sectors, those of
// track 0 in single density when `mixed`; a directory mark on the first
// sector of `dirTrack` (none when -1).
std::vector<std::uint8_t> Jv3Disk(int tracks, int sides, int spt, bool mixed, int dirTrack) {
    std::vector<Jv3Entry> e;
    for (int t = 0; t < tracks; ++t) {
        for (int h = 0; h < sides; ++h) {
            for (int s = 0; s < spt; ++s) {
                e.push_back({.track = t,
                             .sector = s,
                             .doubleDensity = !(mixed && t == 0),
                             .side1 = h == 1,
                             .dirMark = t == dirTrack && h == 0 && s == 0});
            }
        }
    }
    return MakeJv3(e);
}

TEST(ImageAnalysisTest, WhatEachLayoutGives) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        Layout layout;
        Density density;
        int sides, tracks, spt, spg, total;
        std::int64_t indexes, dirStart;
        bool dirFound, firstOne;
        int endsInside = -1;
    };
    std::vector<std::uint8_t> shortJv1 = PatternJv1(1);
    shortJv1.resize(1000);
    // A track length the window does not know: the pointers tell the density.
    std::vector<DmkTrack> mixed = DmkStandardTracks(2, 1, 8, true);
    mixed[0].sectors[3].doubleDensity = false;
    DmkOptions unknown = OneSide(0x1000);

    const std::vector<Case> cases = {
        {"JV1", PatternJv1(), Layout::JV1, Density::Single, 1, 35, 10, 5, 350, 350, 170, true,
         false},
        {"JV1 of 1000 bytes", shortJv1, Layout::JV1, Density::Single, 1, 1, 10, 5, 4, 4, 170, true,
         false, 0},
        {"JV3, two sides", Jv3Disk(3, 2, 18, false, 1), Layout::JV3, Density::Double, 2, 3, 18, 6,
         108, 108, 36, true, false},
        {"JV3 of two densities", Jv3Disk(3, 1, 10, true, -1), Layout::JV3, Density::Dual, 1, 3, 10,
         5, 30, 30, 0, false, false},
        {"JV3 without a used entry", MakeJv3({}), Layout::JV3, Density::None, 1, 1, 0, 5, 0, 0, 0,
         false, false},
        // Every record the header counts is walked, cylinder 2 side 1 the last.
        {"DMK, two sides", MakeDmk(DmkStandardTracks(3, 2, 18, true)).bytes, Layout::DMK,
         Density::Double, 2, 3, 18, 6, 108, 108, 0, false, false},
        // The density its sectors have, whatever its track length stands for.
        {"DMK numbered from 1", MakeDmk(DmkStandardTracks(3, 1, 10, false, 1), OneSide()).bytes,
         Layout::DMK, Density::Single, 1, 3, 10, 6, 30, 30, 170, false, true},
        {"DMK of an unknown track length", MakeDmk(mixed, unknown).bytes, Layout::DMK,
         Density::Dual, 1, 2, 8, 5, 16, 16, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ImageAnalysis a = Analyse(c.bytes);
        EXPECT_EQ(a.outcome, AnalysisResult::Shown);
        EXPECT_EQ(a.layout, c.layout);
        EXPECT_EQ(a.density, c.density);
        EXPECT_EQ(
            (std::array{a.sides, a.tracks, a.sectorsPerTrack, a.sectorsPerGranule, a.totalSectors}),
            (std::array{c.sides, c.tracks, c.spt, c.spg, c.total}));
        EXPECT_EQ(a.indexes, c.indexes);
        EXPECT_EQ(a.directoryStart, c.dirStart);
        EXPECT_EQ(a.directoryFound, c.dirFound);
        EXPECT_EQ(a.firstSectorOne, c.firstOne);
        EXPECT_EQ(a.damage.endsInsideTrack, c.endsInside);
        EXPECT_FALSE(a.driveParameters.has_value());
        EXPECT_EQ(a.tables.SectorCount(), static_cast<std::size_t>(c.indexes));
    }
    std::vector<std::uint8_t> plain(64, 0x12);
    plain[0] = 0x01;
    EXPECT_EQ(Analyse(plain).outcome, AnalysisResult::RefusedNoHeader);
}

TEST(SectorTablesTest, EachGroupInIndexOrderTheLaterOfOneIndexKept) {
    struct Case {
        const char* what;
        std::vector<std::int64_t> indexes; // in the order added; each tagged by its place
        std::vector<std::pair<std::int64_t, std::int64_t>> kept; // index, tag
    };
    const std::vector<Case> cases = {
        {"in order", {4, 5, 6}, {{4, 0}, {5, 1}, {6, 2}}},
        {"interleaved", {4, 9, 5, 10, 6}, {{4, 0}, {5, 2}, {6, 4}, {9, 1}, {10, 3}}},
        {"written twice", {4, 5, 4, 6, 5}, {{4, 2}, {5, 4}, {6, 3}}},
        {"the same index thrice", {7, 7, 7}, {{7, 2}}},
        {"the widest group", {255, 0, 255}, {{0, 1}, {255, 2}}},
        {"wider than any group", {300, 0, 300, 1}, {{0, 1}, {1, 3}, {300, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SectorTables tables;
        IndexedSector before;
        before.index = -1; // a group before, left as it is
        tables.Add(before);
        tables.EndGroup();
        for (std::size_t k = 0; k < c.indexes.size(); ++k) {
            IndexedSector s;
            s.index = 1000 + c.indexes[k];
            s.dataPos = static_cast<std::int64_t>(k);
            tables.Add(s);
        }
        tables.EndGroup();
        std::vector<std::pair<std::int64_t, std::int64_t>> kept;
        for (std::size_t k = 1; k < tables.SectorCount(); ++k) {
            kept.emplace_back(tables.Sector(k).index - 1000, tables.Sector(k).dataPos);
        }
        EXPECT_EQ(kept, c.kept);
        EXPECT_EQ(tables.Sector(0).index, -1);
    }
}

TEST(SectorTablesTest, WhereAnIndexWithoutASectorStands) {
    SectorTables runs;
    runs.AddRun(10, 5, 3, 1, 2); // indexes 10 to 14: track 3, side 1, numbers 2 to 6
    runs.AddRun(15, 0, 9, 0, 0); // takes no index
    runs.AddRun(20, 2, 4, 0, 20);
    SectorTables jv1;
    jv1.SetPositional(10, 17);
    struct Case {
        const SectorTables& tables;
        std::int64_t index;
        int track, side, number;
        bool directory;
    };
    for (const Case& c : {Case{runs, 10, 3, 1, 2, false}, Case{runs, 14, 3, 1, 6, false},
                          Case{runs, 15, 0, 0, 0, false}, Case{runs, 21, 4, 0, 21, false},
                          Case{runs, 9, 0, 0, 0, false}, Case{runs, 22, 0, 0, 0, false},
                          Case{jv1, 35, 3, 0, 5, false}, Case{jv1, 175, 17, 0, 5, true},
                          Case{jv1, -1, -1, 0, 9, false}, Case{jv1, 4000, 400, 0, 0, false}}) {
        SCOPED_TRACE(c.index);
        const IndexedSector s = c.tables.At(c.index);
        EXPECT_FALSE(s.present);
        EXPECT_EQ((std::array{s.track, s.side, s.number}), (std::array{c.track, c.side, c.number}));
        EXPECT_EQ(s.directory, c.directory);
        EXPECT_EQ(s.dataMark, &c.tables != &jv1 ? 0 : c.directory ? 0xFA : 0xFB);
        EXPECT_EQ(s.size, 0);
    }
    EXPECT_EQ(jv1.TrackStart(7), 70);
    EXPECT_EQ(jv1.SectorsOnTrack(400), 10);
    EXPECT_TRUE(jv1.HasTrackStart(400));
    EXPECT_FALSE(runs.HasTrackStart(0));
    EXPECT_EQ(runs.TrackStart(0), 0);
}

// A hostile image: every track side holds sectors 0 and 255 and nothing
// between, so the window steps through 256 indexes a track side, almost all
// of them gaps. The tables hold only the sectors.
TEST(ImageAnalysisTest, TablesHoldOnlyTheSectorsOfAnImageOfGaps) {
    std::vector<Jv3Entry> e;
    for (int t = 0; t < 255; ++t) {
        for (int h = 0; h < 2; ++h) {
            for (int s : {255, 0}) {
                e.push_back({.track = t, .sector = s, .side1 = h == 1, .size = 128});
            }
        }
    }
    const ImageAnalysis jv3 = Analyse(MakeJv3(e));
    EXPECT_EQ(jv3.indexes, 255 * 2 * 256);
    EXPECT_EQ(jv3.tables.SectorCount(), 255u * 2 * 2);
    EXPECT_EQ(jv3.damage.missingCount, 255 * 2 * 254);
    EXPECT_EQ(jv3.damage.missing.size(), DiskDamage::kListedMissing);
    const std::vector<std::string> notices = DamageNotices(jv3.damage);
    ASSERT_EQ(notices.size(), DiskDamage::kListedMissing + 1);
    EXPECT_EQ(notices[0], "track 0 has no sector 1");
    EXPECT_EQ(notices.back(), std::to_string(255 * 2 * 254 - 8) + " more sectors missing");
    // Track 200 side 1: its sector 255 at the side's last index, a gap before it.
    const std::int64_t side1 = 200 * 512 + 256;
    EXPECT_TRUE(jv3.At(side1 + 255).present);
    EXPECT_EQ(jv3.At(side1 + 255).number, 255);
    const IndexedSector gap = jv3.At(side1 + 100);
    EXPECT_FALSE(gap.present);
    EXPECT_EQ((std::array{gap.track, gap.side, gap.number}), (std::array{200, 1, 100}));
    EXPECT_EQ(FindSector(jv3, 254, 1, 255), jv3.indexes - 1);
    EXPECT_EQ(FindSector(jv3, 254, 1, 254), -1);

    // The same of a DMK image: 60 records of sectors 0 and 255.
    std::vector<DmkTrack> recs(60);
    for (int t = 0; t < 60; ++t) {
        for (int s : {255, 0}) {
            DmkSector x = opentest::SdOnce(t, 0, s);
            x.sizeCode = 0;
            recs[static_cast<std::size_t>(t)].sectors.push_back(x);
        }
    }
    const ImageAnalysis dmk = Analyse(MakeDmk(recs, OneSide(dmk::kTrackLengthSingle)).bytes);
    EXPECT_EQ(dmk.indexes, 60 * 256);
    EXPECT_EQ(dmk.tables.SectorCount(), 60u * 2);
    EXPECT_EQ(dmk.damage.missingCount, 60 * 254);
    EXPECT_EQ(dmk.At(59 * 256 + 7).track, 59);
    EXPECT_EQ(dmk.At(59 * 256 + 7).number, 7);
}

// The notice list that `info` reports is the window's own.
using Notices = opentest::ViewerTest;

TEST_F(Notices, NoticeLinesAreTheWindowsList) {
    std::vector<DmkTrack> damaged = DmkStandardTracks(3, 1, 10, true, 1);
    damaged[1].sectors.erase(damaged[1].sectors.begin() + 4);
    damaged[2].sectors[0].dataCrc = std::array<std::uint8_t, 2>{0, 0};
    std::vector<std::uint8_t> cut = PatternJv1(20);
    cut.resize(cut.size() - 100);
    for (const auto& bytes : {SampleJv1(), SampleJv3(), SampleDmk(), Jv3Disk(3, 1, 10, true, -1),
                              MakeDmk(damaged, OneSide()).bytes, cut}) {
        Open(bytes);
        EXPECT_EQ(w.List2.Items, NoticeLines(w.Analysis()));
        Show(w.Analysis().indexes - 1);
        EXPECT_EQ(w.List2.Items, NoticeLines(w.Analysis()));
    }
}

} // namespace
} // namespace ss
