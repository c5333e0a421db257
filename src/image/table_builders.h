// Internal to the image layer: the steps that AnalyseImage runs to fill the
// main window's sector tables from the disk model. Windows include
// analysis.h, never this header.
#pragma once

#include "analysis.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ss {

// Where the sectors of one track side (a JV3 track side, a DMK track record)
// take their indexes: from the side's lowest sector number on, each number
// one index, or as many as sectors carry it (a sector written twice takes
// the index after the first). A number between the lowest and the highest
// that no sector carries keeps its one index: a missing sector.
class NumberPlaces {
  public:
    static constexpr int kNumbers = 256;

    // Forgets the side counted, ready for the next: only the numbers it
    // counted are cleared, so one object serves every side of a disk.
    void Clear() {
        for (int n = lowest_; n <= highest_; ++n) {
            count_[static_cast<std::size_t>(n)] = 0;
        }
        lowest_ = kNumbers;
        highest_ = -1;
        slots_ = 0;
    }
    // Counts a sector numbered n; then Place() the same sectors in their order.
    void Count(int n) {
        if (count_[static_cast<std::size_t>(n)]++ == 0) {
            lowest_ = n < lowest_ ? n : lowest_;
            highest_ = n > highest_ ? n : highest_;
        }
    }
    // After the counting: the first index of each number, from 0.
    void Arrange() {
        int next = 0;
        for (int n = lowest_; n <= highest_; ++n) {
            first_[static_cast<std::size_t>(n)] = next;
            const int c = count_[static_cast<std::size_t>(n)];
            next += c > 1 ? c : 1;
        }
        slots_ = next;
    }
    // The index, from the side's first, of the next sector numbered n.
    int Place(int n) { return first_[static_cast<std::size_t>(n)]++; }
    // The indexes the side takes; its lowest and highest number (lowest above
    // highest when it has no sector); how many sectors carry number n; the
    // index of a number from the lowest to the highest that no sector
    // carries.
    int Slots() const { return slots_; }
    int Lowest() const { return lowest_; }
    int Highest() const { return highest_; }
    int CountOf(int n) const { return count_[static_cast<std::size_t>(n)]; }
    int FirstOf(int n) const { return first_[static_cast<std::size_t>(n)]; }

  private:
    std::array<std::uint16_t, kNumbers> count_{};
    // Set by Arrange from the lowest number to the highest, and only read
    // there: left unset elsewhere, as a track side is counted twice an image.
    std::array<int, kNumbers> first_;
    int lowest_ = kNumbers;
    int highest_ = -1;
    int slots_ = 0;
};

// A sector of the model as the main window's tables keep it, at `index`,
// counted on `track` and `side` as the window counts them.
inline IndexedSector IndexedFrom(const disk::Sector& s, std::int64_t index, int track, int side) {
    IndexedSector e;
    e.index = index;
    e.present = true;
    e.track = track;
    e.side = side;
    e.number = s.sector;
    e.dataPos = s.dataPos;
    e.dataMark = s.dataMark;
    e.doubleDensity = s.doubleDensity;
    e.directory = s.directoryMark;
    e.size = s.dataSize;
    e.stride = s.Stride();
    e.crc = s.crc;
    return e;
}

// Enters what a track side's numbers show into the tables and the damage:
// an index run for each number no sector carries (a missing sector, with
// its notice), and a notice for each number more than one sector carries.
// `first` is the side's first index.
void NoteNumbers(ImageAnalysis& a, const NumberPlaces& places, std::int64_t first, int track,
                 int side);

// The most common of the sector counts of a disk's track sides that have
// sectors (on a tie the one met first); 0 when none has.
int MostCommonCount(const std::vector<int>& counts);

// The sector tables and geometry of a JV3 image, from the model's sectors.
void BuildJv3Tables(const disk::Disk& disk, ImageAnalysis& a);
// The sector tables and geometry of a DMK image, walking the model's track
// records as the window walks them.
void BuildDmkTables(const disk::Disk& disk, ImageAnalysis& a);

} // namespace ss
