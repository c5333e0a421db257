// fuzz_seeds DIR: writes a starting corpus for the fuzz targets into DIR: the
// sample disks, small images of every layout and track length the windows
// know, the refused kinds, and disks of each DOS family the directory reader
// knows, whole and damaged; a BASIC program and a load module for the
// contents of files.
#include "support/contents_files.h"
#include "support/dos_disks.h"
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

// A file's contents: a pattern that differs from file to file.
std::vector<std::uint8_t> Contents(std::size_t n, int seed) {
    std::vector<std::uint8_t> b(n);
    for (std::size_t k = 0; k < n; ++k) {
        b[k] = static_cast<std::uint8_t>(k * 7 + static_cast<std::size_t>(seed) * 31 + k / 256);
    }
    return b;
}

// The DOS disks are the families' own geometries on few cylinders, the
// directory near the start, so that each image fits in the fuzzer's input
// length and its directory is read from the first input on.

// TRSDOS 2.3: the directory stays on track 17; a file in five pieces (one
// extended entry), a deleted entry, a system file.
ss::testimg::DosDiskBuilder Trsdos23() {
    ss::testimg::DosGeometry g = Trsdos23Geometry();
    g.cylinders = 18;
    DosDiskBuilder b(g);
    b.AddFile({"HELLO   TXT", Contents(300, 1)});
    b.AddDeletedEntry("OLD     BAS");
    DosFileSpec pieces{"PIECES  DAT", Contents(5 * 5 * 256 - 56, 2), 0x10 | 0x08 | 0x05, 80};
    pieces.runs = {{4, 1}, {8, 1}, {12, 1}, {16, 1}, {20, 1}};
    b.AddFile(pieces);
    b.AddFile({"SYSTEM  SYS", Contents(256, 3), 0x10 | 0x40 | 0x20});
    return b;
}

// LDOS 5.1, double density, two sides, four cylinders, the directory on
// cylinder 3: a dated file across sides and cylinders.
ss::testimg::DosGeometry SmallLdos() {
    ss::testimg::DosGeometry g = LdosDdTwoSidedGeometry();
    g.cylinders = 4;
    g.dirUnit = 3;
    g.bootByte = 3;
    return g;
}

ss::testimg::DosDiskBuilder Ldos() {
    DosDiskBuilder b(SmallLdos());
    DosFileSpec across{"ACROSS  DAT", Contents(2 * 6 * 256 - 10, 4)};
    across.dateMonth = 0x04;
    across.dateDayYear = (12 << 3) | 3;
    across.runs = {{11, 2}}; // cylinder 1's last granule and cylinder 2's first
    b.AddFile(across);
    b.AddFile({"SMALL   BAS", Contents(700, 5)});
    return b;
}

// NEWDOS/80, double density, two sides, drive parameters for this disk, the
// directory at lump 7; with K track 0 is single density and outside the
// granules.
ss::testimg::DosDiskBuilder Newdos80(bool k) {
    ss::testimg::DosGeometry g = Newdos80Geometry(k);
    g.cylinders = 4;
    g.dirUnit = 7;
    g.bootByte = 7;
    (*g.pdrive)[0] = 7; // DDSL
    (*g.pdrive)[3] = 4; // tracks
    DosDiskBuilder b(g);
    b.AddFile({"GAME    CMD", Contents(1000, 6)});
    return b;
}

// A NEWDOS/80 data disk: no drive parameters, four granules a lump.
ss::testimg::DosDiskBuilder Newdos80Data() {
    ss::testimg::DosGeometry g = Newdos80Geometry(false);
    g.cylinders = 4;
    g.pdrive.reset();
    g.granulesPerUnit = 4;
    g.dirUnit = 4;
    g.bootByte = 4;
    DosDiskBuilder b(g);
    b.AddFile({"DATA    TXT", Contents(700, 7)});
    return b;
}

void WriteDosDisks(const std::string& dir) {
    Write(dir, "dos-trsdos23.dsk", Trsdos23().Jv1());
    Write(dir, "dos-trsdos23.jv3", Trsdos23().Jv3());
    Write(dir, "dos-ldos.dmk", Ldos().Dmk());
    Write(dir, "dos-ldos.jv3", Ldos().Jv3());
    Write(dir, "dos-newdos80.dmk", Newdos80(false).Dmk());
    Write(dir, "dos-newdos80-k.dmk", Newdos80(true).Dmk());
    Write(dir, "dos-newdos80-k.jv3", Newdos80(true).Jv3());
    Write(dir, "dos-newdos80-data.dmk", Newdos80Data().Dmk());

    // A derivative that renames BOOT/SYS and DIR/SYS, its drive parameters
    // on track 1.
    {
        ss::testimg::DosGeometry g = Newdos80Geometry(false);
        g.cylinders = 4;
        g.dirUnit = g.bootByte = 7;
        (*g.pdrive)[0] = 7;
        g.bootSysName = "HDOS    SYS";
        g.dirSysName = "INHALT  SYS";
        g.pdriveTrack = 1;
        DosDiskBuilder b(g);
        b.AddFile({"GAME    CMD", Contents(1000, 8)});
        Write(dir, "dos-newdos80-derivative.jv3", b.Jv3());
    }
    // LDOS whose GAT configuration byte says one granule a side.
    {
        ss::testimg::DosGeometry g = SmallLdos();
        g.ldosFlags = 0x40;
        DosDiskBuilder b(g);
        b.AddFile({"NEXT    BAS", Contents(300, 9)});
        Write(dir, "dos-ldos-gat-byte.jv3", b.Jv3());
    }

    // Damaged disks, each hurt one way.
    struct Damage {
        const char* name;
        void (*hurt)(DosDiskBuilder& b, int dec);
    };
    static const Damage kDamage[] = {
        // The file's second sector is gone; another is read with a CRC error.
        {"dos-damaged-sector",
         [](DosDiskBuilder& b, int) {
             b.RemoveSector({1, 0, 1});
             b.DamageSector({1, 1, 13});
         }},
        {"dos-damaged-hit", [](DosDiskBuilder& b, int dec) { b.PatchHit(dec, 0x5A); }},
        // Cylinder 60 of a four-cylinder disk.
        {"dos-damaged-past", [](DosDiskBuilder& b, int dec) { b.PatchEntry(dec, 22, 60); }},
        // The file's granule also claimed by another file.
        {"dos-damaged-shared",
         [](DosDiskBuilder& b, int) {
             b.AddFile({"TWO     DAT", Contents(1000, 11), 0x10, 0, 0, 0, {{6, 1}}});
         }},
    };
    for (const Damage& d : kDamage) {
        DosDiskBuilder b(SmallLdos());
        const int dec = b.AddFile({"ONE     DAT", Contents(3 * 256, 10), 0x10, 0, 0, 0, {{6, 1}}});
        b.AddFile({"BAD     DAT", Contents(2 * 256, 12), 0x10, 0, 0, 0, {{11, 1}}});
        d.hurt(b, dec);
        Write(dir, std::string(d.name) + ".dmk", b.Dmk());
        Write(dir, std::string(d.name) + ".jv3", b.Jv3());
    }

    // TRSDOS 1.3 with its directory on track 2, so that it lies within the
    // fuzzer's input length.
    const ss::testimg::PlainDisk trsdos13 = ss::testimg::MakeTrsdos13Disk(
        {{"HELLO   TXT", Contents(300, 13), 0x10, 4, 83},
         {"ACROSS  BAS", Contents(8 * 256 + 1, 14), 0x10, 0, 0, {{3 * 6 + 5, 3}}}},
        5, 2);
    Write(dir, "dos-trsdos13.jv3", trsdos13.Jv3());
    Write(dir, "dos-trsdos13.dmk", trsdos13.Dmk());
    // CP/M whose directory lies near the start: the 40-track data format
    // (from cylinder 0) and the Genie format (from cylinder 3).
    for (const auto& [name, geometry] :
         {std::pair{"dos-cpm-40.dmk", ss::testimg::Cpm40TrackData()},
          std::pair{"dos-cpm-genie.dmk", ss::testimg::CpmGenie80Track()}}) {
        ss::testimg::CpmDiskBuilder b(geometry);
        const int first = b.AddFile({0, "README  TXT", Contents(300, 15)});
        b.AddFile({3, "BIG     DAT", Contents(20000, 16), true, true});
        b.AddCopyOfEntry(first, geometry.lastBlock);
        Write(dir, name, b.Disk().Dmk());
    }
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
        // PRINT "HI":IF A THEN 10 ELSE 20:DATA 1,"A:B":' note
        Write(dir, "program.bas",
              BasicProgram({{10, "\xB2 \"HI\":\x8F A \xCA 10 :\x95 20"},
                            {20, "\x88 1,\"A:B\":\x93\xFB note"}}));
        Write(
            dir, "module.cmd",
            Joined({CmdRecord(0x05, "PROG"),
                    CmdBlock(0x5200, {0x21, 0x00, 0x3C, 0xDD, 0xCB, 0x02, 0x06, 0x18, 0xF7, 0xC9}),
                    CmdBlock(0x5208, {0xC3, 0x00, 0x52}), CmdTransfer(0x5200)}));
        // The sample disks; the fuzzer takes as much of each as its input
        // length allows.
        Write(dir, "sample.dmk", SampleDmk());
        Write(dir, "sample.jv3", SampleJv3());
        // A DMK header with no track after it.
        std::vector<std::uint8_t> headerOnly = SmallDmk(true, 6400, 0, false);
        headerOnly.resize(16);
        Write(dir, "header-only.dmk", headerOnly);
        WriteDosDisks(dir);
    } catch (const std::exception& e) {
        std::cerr << "fuzz_seeds: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
