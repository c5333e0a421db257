// JV3 disk images: a table of 3-byte sector headers, then the sector data.
//
// Header, 8704 (0x2200) bytes:
//   0..8702  2901 sector-header entries of 3 bytes, entry n at 3 * n
//   8703     write-protect byte (not an entry)
//
// Sector-header entry:
//   +0  track number; 0xFF marks a free entry. Used and free entries may
//       stand in any order: a track formatted again is written at the end of
//       the table, and its old entries become free.
//   +1  sector number as written in the sector's ID field
//   +2  flags:
//         0x80  double density (clear: single density)
//         0x60  data-mark bits; 0x20 set marks a sector written with the
//               directory data mark. The mark they stand for: single
//               density 0x00 FB, 0x20 FA, 0x40 F9, 0x60 F8; double density
//               0x00 FB, 0x20 F8 (0x40 is not used there)
//         0x10  side 1 (clear: side 0)
//         0x08  the sector was read with a CRC error
//         0x04  non-IBM sector
//         0x03  size code: in a used entry 0 = 256, 1 = 128, 2 = 1024,
//               3 = 512 bytes; in a free entry 0 = 512, 1 = 1024, 2 = 128,
//               3 = 256
//
// Sector data: from 8704 on, one block per entry in the order of the
// entries, each as long as its entry's size. An image of more sectors than
// one table holds continues after that data with a second block: 2901 more
// entries, one padding byte, their data.
#pragma once

#include "image_buffer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace ss::jv3 {

inline constexpr int kEntries = 2901;
inline constexpr int kEntrySize = 3;
inline constexpr std::int64_t kHeaderSize = 8704;
static_assert(kEntries * kEntrySize + 1 == kHeaderSize, "the entries and the write-protect byte");
inline constexpr std::int64_t kWriteProtectOffset = kHeaderSize - 1;
inline constexpr std::int64_t kDataBlockSize = 256;
inline constexpr std::uint8_t kFreeTrack = 0xFF;

inline constexpr std::uint8_t kFlagDoubleDensity = 0x80;
inline constexpr std::uint8_t kFlagDataMarkBits = 0x60;
inline constexpr std::uint8_t kFlagDirectoryMark = 0x20;
inline constexpr std::uint8_t kFlagSide1 = 0x10;
inline constexpr std::uint8_t kFlagCrcError = 0x08;
inline constexpr std::uint8_t kFlagNonIbm = 0x04;
inline constexpr std::uint8_t kFlagSizeCode = 0x03;

struct Entry {
    int track = 0;
    int sector = 0;
    int flags = 0;

    bool IsFree() const { return track == kFreeTrack; }
    bool DoubleDensity() const { return (flags & kFlagDoubleDensity) != 0; }
    int Side() const { return (flags & kFlagSide1) != 0 ? 1 : 0; }
    bool DirectoryMark() const { return (flags & kFlagDirectoryMark) != 0; }
    // The flag bits themselves: 0 or 0x80, and 0 or 0x20.
    int DensityBit() const { return flags & kFlagDoubleDensity; }
    int DirectoryMarkBit() const { return flags & kFlagDirectoryMark; }
    bool CrcError() const { return (flags & kFlagCrcError) != 0; }
    // The data address mark byte the data-mark bits stand for.
    std::uint8_t DataMark() const {
        static constexpr std::uint8_t kSingle[4] = {0xFB, 0xFA, 0xF9, 0xF8};
        if (DoubleDensity()) {
            return DirectoryMark() ? 0xF8 : 0xFB;
        }
        return kSingle[(flags & kFlagDataMarkBits) >> 5];
    }
    // Bytes of data the entry's block holds, used or free.
    int Size() const {
        // 128 << n: a used entry's code 0 is 256 bytes (n = 1), a free one's 512 (n = 2).
        const int code = flags & kFlagSizeCode;
        return 128 << (IsFree() ? code ^ 2 : code ^ 1);
    }
};

constexpr std::int64_t EntryOffset(int n) {
    return static_cast<std::int64_t>(kEntrySize) * n;
}

// Position of the data block of the n-th entry when every block before it
// holds 256 bytes.
constexpr std::int64_t DataOffset(int n) {
    return kHeaderSize + kDataBlockSize * n;
}

// Entry n as its bytes read; bytes the file does not hold read as 0.
inline Entry ReadEntry(const ImageBuffer& buf, int n) {
    const std::int64_t p = EntryOffset(n);
    return Entry{buf.At(p), buf.At(p + 1), buf.At(p + 2)};
}

// True when the file holds all of entry n and n is one of the 2901.
inline bool HasEntry(const ImageBuffer& buf, int n) {
    return n >= 0 && n < kEntries && buf.Has(EntryOffset(n), kEntrySize);
}

// One entry as a walk over the whole image meets it, with the position of
// its data block.
struct PlacedEntry {
    Entry entry;
    int number = 0;            // from 0; the second table's from kEntries on
    std::int64_t entryPos = 0; // position of its three bytes
    std::int64_t dataPos = 0;
};

// Calls f(const PlacedEntry&) for every entry the file holds, used and free,
// in file order: the 2901 of the first table, then, when the file holds a
// second table after the first one's data, the entries of that one. An entry
// the file does not hold whole ends the walk, and so does entry number `end`
// when given.
template <class F> void ForEachEntry(const ImageBuffer& buf, F&& f, int end = 2 * kEntries) {
    constexpr int kTables = 2;
    const std::uint8_t* bytes = buf.Bytes().data();
    std::int64_t table = 0;
    for (int k = 0; k < kTables; ++k) {
        if (k > 0 && !buf.Has(table, kHeaderSize)) {
            return;
        }
        // The entries to walk of this table: those the file holds, before `end`.
        const std::int64_t held = std::min<std::int64_t>(
            {kEntries, (buf.Size() - table) / kEntrySize, std::int64_t{end} - k * kEntries});
        std::int64_t data = table + kHeaderSize;
        for (int n = 0; n < held; ++n) {
            const std::int64_t p = table + EntryOffset(n);
            const PlacedEntry placed{Entry{bytes[p], bytes[p + 1], bytes[p + 2]}, k * kEntries + n,
                                     p, data};
            f(placed);
            data += placed.entry.Size();
        }
        if (held < kEntries) {
            return;
        }
        table = data;
    }
}

// The same entries in a list.
inline std::vector<PlacedEntry> ReadAllEntries(const ImageBuffer& buf) {
    std::vector<PlacedEntry> out;
    out.reserve(kEntries);
    ForEachEntry(buf, [&](const PlacedEntry& p) { out.push_back(p); });
    return out;
}

// What a table's used entries say of themselves, to tell a JV3 image from a
// file of other bytes whose first four track bytes happen to be equal (a raw
// dump of a disk's sectors, say): count every used entry with Add, then ask
// Plausible. A real image gives double-density sectors only the two marks
// that density has and seldom writes one sector number twice on a track
// side; when most of the data its entries describe lies past the end of the
// file (an image cut off early), its entries are still those of a disk: each
// track side's together, its tracks numbered from 0 without wide gaps. The
// bytes of sectors read as entries are none of this.
class Plausibility {
  public:
    void Add(const PlacedEntry& p, std::int64_t fileSize) {
        const Entry& e = p.entry;
        ++used_;
        described_ += e.Size();
        beyond_ += std::clamp<std::int64_t>(p.dataPos + e.Size() - fileSize, 0, e.Size());
        // Double density knows only FB and F8: the 0x40 bit stays clear.
        if (e.DoubleDensity() && (e.flags & kFlagSingleDensityMarks) != 0) {
            ++foreignMarks_;
        }
        const std::size_t side =
            static_cast<std::size_t>(e.track) << 1 | static_cast<std::size_t>(e.Side());
        const std::size_t id = side << 8 | static_cast<std::size_t>(e.sector);
        const std::uint64_t bit = std::uint64_t{1} << (id % 64);
        std::uint64_t& word = seen_[id / 64];
        repeated_ += (word & bit) != 0 ? 1 : 0;
        word |= bit;
        if (static_cast<int>(side) != lastSide_) {
            ++runs_;
            lastSide_ = static_cast<int>(side);
        }
        sides_ += sideSeen_[side] ? 0 : 1;
        sideSeen_[side] = true;
        tracks_ += trackSeen_[static_cast<std::size_t>(e.track)] ? 0 : 1;
        trackSeen_[static_cast<std::size_t>(e.track)] = true;
        highestTrack_ = std::max(highestTrack_, e.track);
    }
    bool Plausible() const {
        // A few entries say too little to judge by.
        if (used_ < kFewestJudged) {
            return true;
        }
        // Signs alone: more than one entry in eight with a mark double
        // density does not have, more than three in four repeating an
        // earlier one's track, side and number.
        const bool foreign = foreignMarks_ * 8 > used_ || repeated_ * 4 > used_ * 3;
        // Signs with most of the data missing: a few such entries, a track
        // side's entries in more than one place for every other side, track
        // numbers more than twice as far apart as there are tracks.
        const bool scattered = foreignMarks_ * 32 > used_ || repeated_ * 16 > used_ ||
                               runs_ * 2 > sides_ * 3 || highestTrack_ + 1 > tracks_ * 2;
        const bool mostlyMissing = beyond_ * 2 > described_;
        return !foreign && !(mostlyMissing && scattered);
    }

  private:
    static constexpr int kFlagSingleDensityMarks = 0x40;
    static constexpr std::int64_t kFewestJudged = 32;
    std::int64_t used_ = 0;
    std::int64_t described_ = 0;
    std::int64_t beyond_ = 0;
    std::int64_t foreignMarks_ = 0;
    std::int64_t repeated_ = 0;
    std::int64_t runs_ = 0;
    int lastSide_ = -1;
    std::int64_t sides_ = 0;
    std::int64_t tracks_ = 0;
    int highestTrack_ = 0;
    // One bit for each track, side and sector number.
    std::array<std::uint64_t, (std::size_t{1} << 17) / 64> seen_{};
    std::array<bool, 512> sideSeen_{};
    std::array<bool, 256> trackSeen_{};
};

// The number of used entries: they end at the first free one, after the
// 2901st, or where the file ends (an entry the file does not hold is not there).
inline int CountUsedEntries(const ImageBuffer& buf) {
    int used = 0;
    while (HasEntry(buf, used) && !ReadEntry(buf, used).IsFree()) {
        ++used;
    }
    return used;
}

// The header test: the track bytes of the four entries from `at` on are
// equal. False when the file does not hold all four.
// The bytes the test reads: three entries and the track byte of a fourth.
inline constexpr std::int64_t kHeaderTestBytes = 3 * kEntrySize + 1;
inline bool FourEqualTrackBytes(const ImageBuffer& buf, std::int64_t at = 0) {
    if (!buf.Has(at, kHeaderTestBytes)) {
        return false;
    }
    const std::uint8_t t = buf.At(at);
    for (int n = 1; n < 4; ++n) {
        if (buf.At(at + EntryOffset(n)) != t) {
            return false;
        }
    }
    return true;
}

// The header test read from each of the first `entries` entries of the first
// table, as far as the file holds the bytes it reads: FourEqualTrackBytes at
// each entry, 1 where it holds.
inline std::vector<std::uint8_t> HeaderTestAtEachEntry(const ImageBuffer& buf,
                                                       int entries = kEntries) {
    const std::int64_t size = buf.Size();
    if (size < kHeaderTestBytes || entries <= 0) {
        return {};
    }
    const auto tests = static_cast<std::size_t>(std::min<std::int64_t>(
        std::min(entries, kEntries), (size - kHeaderTestBytes) / kEntrySize + 1));
    // The test at n holds when the track bytes of entries n and n + 1, n + 1
    // and n + 2, n + 2 and n + 3 are equal: count the equal pairs in a row,
    // from the last pair the tests read back to the first.
    std::vector<std::uint8_t> out(tests);
    std::uint8_t* test = out.data();
    const std::uint8_t* bytes = buf.Bytes().data();
    int run = 0;
    for (std::size_t n = tests + 2; n-- > 0;) {
        const std::size_t p = kEntrySize * n;
        run = bytes[p] == bytes[p + kEntrySize] ? run + 1 : 0;
        if (n < tests) {
            test[n] = run >= 3 ? 1 : 0;
        }
    }
    return out;
}

} // namespace ss::jv3
