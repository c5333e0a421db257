// Sample disk images that look like real preserved Model 1 system disks: a
// boot sector, a Newdos/80 drive-parameter sector, a directory track with
// granule table, hash table and file entries, and file contents (machine code
// load modules, BASIC listings, text), the rest 0xE5 format filler.
//
//   SampleJv1  JV1, 35 tracks of 10 single-density sectors. Track 0 sector 2
//              (offset 512) holds the drive parameters; the directory is track
//              17: sector 0 granule table, sector 1 hash table, sectors 2..9
//              entries (file offsets 170 * 256 .. 179 * 256 + 255).
//   SampleDmk  DMK, 40 cylinders, two sides, 18 double-density sectors per side
//              numbered 0..17 in interleaved order, 6400-byte tracks. Drive
//              parameters at cylinder 0 side 0 sector 2; the directory is
//              cylinder 17 side 0 (data mark 0xF8): sector 0 granule table,
//              sector 1 hash table, sectors 2..17 entries.
//   SampleJv3  JV3, one side: track 0 has 10 single-density sectors 0..9,
//              tracks 1..39 have 18 double-density sectors 0..17 (entries in
//              interleaved order). The directory is track 17 (directory mark
//              flag set): sector 0 granule table, 1 hash table, 2..17 entries.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ss::testimg {

std::vector<std::uint8_t> SampleJv1();
std::vector<std::uint8_t> SampleDmk();
std::vector<std::uint8_t> SampleJv3();

// How a sample DOS lays out its files.
struct SampleDosGeometry {
    int tracks = 35;           // tracks (cylinders) the granule table counts
    int sectorsPerTrack = 10;  // sectors per track (per cylinder on two sides)
    int sectorsPerGranule = 5; // granules per track = sectorsPerTrack / this
    int dirTrack = 17;         //
    int dirEntrySectors = 8;   // directory sectors after the granule and hash tables
};

// The sectors of a sample directory track: [0] granule allocation table,
// [1] hash index table, [2..] entry sectors of eight 32-byte entries each.
// Each is 256 bytes.
std::vector<std::vector<std::uint8_t>> SampleDirectory(const SampleDosGeometry& geometry);

// A Newdos/80 drive-parameter sector: ten 10-byte drive entries from offset 0
// (drive 0 = `drive0`), and 0xA5 at offset 239.
std::vector<std::uint8_t> SamplePdriveSector(const std::array<std::uint8_t, 10>& drive0);

} // namespace ss::testimg
