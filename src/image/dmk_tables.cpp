// The main window's sector tables of a DMK image, from the ID fields of its
// track records.
#include "dmk.h"
#include "table_builders.h"

#include <algorithm>
#include <array>
#include <optional>

namespace ss {

namespace {

// One ID field of a track record, as its pointer and first bytes describe it.
struct IdField {
    std::int64_t pos = 0;       // position of the field's first 0xFE byte
    bool doubleDensity = false; // the pointer's density bit
    bool doubled = false;       // single density with every byte stored twice
};

// The walk over a DMK image's track records: where it stands and what it read last.
class DmkWalk {
  public:
    explicit DmkWalk(ImageState& s) : s_(s), buf_(s.filebuf) {}

    // Walks the record at fpa into the tables and moves fpa to the next one.
    void WalkRecord() {
        const std::int64_t record = s_.fpa;
        s_.tables.trkstart.Set(r_, static_cast<int>(b_));

        const int w = ReadIdFields(record);
        s_.spt = count_;
        int lowest = 256;
        int highest = -1;
        for (int k = 0; k < count_; ++k) {
            const int sec = EnterSector(fields_[static_cast<std::size_t>(k)], w);
            lowest = std::min(lowest, sec);
            highest = std::max(highest, sec);
        }
        CheckCrcs();
        // The record's sectors take its sector numbers from w on, or one
        // index each when more of them than numbers (a sector written twice).
        const int slots = count_ == 0 ? 0 : std::max(count_, highest - w + 1);
        MarkGaps(slots, w, lowest, highest);
        if (!buf_.Has(record, s_.trklength) && s_.damage.endsInsideTrack < 0) {
            s_.damage.endsInsideTrack = count_ > 0 ? lastTrack : lastTrack + 1;
        }

        if (w == 1) {
            s_.firstsecnum = 1;
        }
        b_ += slots;
        s_.fpa += s_.trklength;
        if (lastSideByte == 0) {
            ++r_;
        }
    }

    int lastSideByte = 0; // raw side byte of the last ID field read
    int lastTrack = 0;    // track byte of the last ID field read
    bool anySingle = false;
    bool anyDouble = false;

  private:
    // Takes the record's ID fields from its pointers, at most as many as the
    // main window reads; answers the lowest sector number among them (20 when
    // it is higher or there are none). A zero pointer ends the list; so does
    // one to an ID field past the end of the file (a cut-off image).
    int ReadIdFields(std::int64_t record) {
        int w = 20;
        count_ = 0;
        for (int j = 0; j < dmk::kMainWindowPointers; ++j) {
            const dmk::Pointer p = dmk::IdPointer(buf_, record, j);
            const std::int64_t pos = record + p.offset;
            if (p.Ends() || !buf_.Has(pos)) {
                break;
            }
            IdField f;
            f.pos = pos;
            f.doubleDensity = p.doubleDensity;
            f.doubled = !p.doubleDensity && dmk::IsDoubledField(buf_, pos);
            fields_[static_cast<std::size_t>(count_++)] = f;
            w = std::min(w, dmk::IdSector(buf_, pos, f.doubled));
        }
        return w;
    }

    // The indexes of the record's slots that no ID field took: each gets the
    // track, side and number it stands for; a number between the lowest and
    // the highest on the track is a missing sector.
    void MarkGaps(int slots, int w, int lowest, int highest) {
        SectorTables& tb = s_.tables;
        const int side = lastSideByte == 1 ? 1 : 0;
        for (int k = 0; k < slots; ++k) {
            const std::int64_t i = b_ + k;
            if (tb.secpresent(i) == 1) {
                continue;
            }
            tb.sectrk.Set(i, lastTrack);
            tb.secside.Set(i, side);
            tb.secno.Set(i, w + k);
            if (w + k >= lowest && w + k <= highest) {
                s_.damage.missing.push_back({lastTrack, side, w + k});
            }
        }
    }

    static CrcState StateOf(dmk::FieldCrc c) {
        switch (c) {
        case dmk::FieldCrc::Good:
            return CrcState::Good;
        case dmk::FieldCrc::Bad:
            return CrcState::Bad;
        case dmk::FieldCrc::CutOff:
            break;
        }
        return CrcState::NotRecorded;
    }

    // Checks the CRCs of the record's sectors, in the order they were
    // entered: the states into seccrc, the bad ones counted as damage.
    // Taken apart from the walk, one field after the other, the checks run
    // side by side in the processor instead of each holding up the walk.
    void CheckCrcs() {
        for (int k = 0; k < pendingCount_; ++k) {
            const PendingCrc& c = pending_[static_cast<std::size_t>(k)];
            SectorCrc crc;
            crc.id = StateOf(
                dmk::CheckFieldCrc(buf_, c.idPos, dmk::kIdFieldBytes, c.doubleDensity, c.stride));
            if (c.mark >= 0) {
                crc.data = StateOf(
                    dmk::CheckFieldCrc(buf_, c.idPos + c.mark, c.size, c.doubleDensity, c.stride));
            }
            s_.damage.idCrcErrors += crc.id == CrcState::Bad ? 1 : 0;
            s_.damage.dataCrcErrors += crc.data == CrcState::Bad ? 1 : 0;
            s_.tables.seccrc.Set(c.index, crc.Packed());
        }
        pendingCount_ = 0;
    }

    // A sector whose CRCs are still to be checked: its ID field, the
    // distance to its data mark (-1: none found), its size and storage.
    struct PendingCrc {
        std::int64_t index;
        std::int64_t idPos;
        int mark;
        int size;
        int stride;
        bool doubleDensity;
    };
    std::array<PendingCrc, dmk::kMainWindowPointers> pending_{};
    int pendingCount_ = 0;

    // Enters the sector of one ID field into the tables; w is the record's
    // lowest sector number, which takes the record's first index. Answers
    // the sector number.
    int EnterSector(const IdField& f, int w) {
        SectorTables& tb = s_.tables;
        lastSideByte = dmk::IdSide(buf_, f.pos, f.doubled);
        const int side = lastSideByte == 1 ? 1 : 0;
        if (side == 1) {
            s_.sides = 2;
        }
        const int sec = dmk::IdSector(buf_, f.pos, f.doubled);
        const int t = dmk::IdTrack(buf_, f.pos, f.doubled);
        lastTrack = t;
        tb.trkspt.Set(t, s_.spt);
        const std::int64_t i = b_ + sec - w;

        // Without a mark in the search window, the byte looked at last stands
        // as the mark and the data are taken to follow the window.
        const std::optional<int> found = dmk::FindDataMark(buf_, f.pos, f.doubled);
        const int m = found.value_or(dmk::kMarkSearchLast + 1);
        const int mark = buf_.At(f.pos + std::min(m, dmk::kMarkSearchLast));
        const int size = dmk::IdSectorSize(buf_, f.pos, f.doubled);

        if (dmk::IsDirectoryMark(mark) && i < g_) {
            g_ = i;
            s_.dirstartsec = i;
            s_.dirstartsecfnd = 1;
        }
        tb.secdam.Set(i, mark);
        tb.secno.Set(i, sec);
        tb.sectrk.Set(i, t);
        tb.secside.Set(i, side);
        tb.secdens.Set(i, f.doubleDensity ? kDoubleDensityFlag : 0);
        tb.secsingle.Set(i, !f.doubleDensity && !f.doubled ? 1 : 0);
        tb.secfpa.Set(i, f.pos + m + dmk::DataAfterMark(f.doubled));
        tb.secpresent.Set(i, 1);
        tb.secsize.Set(i, size);
        if (!found) {
            ++s_.damage.noDataField;
        }
        pending_[static_cast<std::size_t>(pendingCount_++)] =
            PendingCrc{i, f.pos, found.value_or(-1), size, f.doubled ? 2 : 1, f.doubleDensity};
        s_.secslots = std::max(s_.secslots, i + 1);
        (f.doubleDensity ? anyDouble : anySingle) = true;
        ++s_.Totalsecs;
        return sec;
    }

    ImageState& s_;
    const ImageBuffer& buf_;
    std::int64_t b_ = 0;     // sector index of the record's first sector
    std::int64_t g_ = 10000; // lowest directory index so far
    int r_ = 0;              // track slot
    std::array<IdField, dmk::kMainWindowPointers> fields_{};
    int count_ = 0; // ID fields of the record being walked
};

} // namespace

void BuildDmkTables(ImageState& s) {
    const ImageBuffer& buf = s.filebuf;
    const dmk::Header header = dmk::ReadHeader(buf);
    s.tracks = header.tracks;
    s.fpa = dmk::kHeaderSize;
    s.sides = 1;
    // An image without a track record has no sectors per track, whatever
    // the image before it had.
    s.spt = 0;
    s.Totalsecs = 0;
    s.dirstartsecfnd = 0;

    DmkWalk walk{s};
    // The walk ends on the last track's record, or where the file ends.
    while (buf.Has(s.fpa)) {
        walk.WalkRecord();
        if (walk.lastTrack >= s.tracks - 1) {
            break;
        }
    }

    // A two-sided image ends on the last cylinder's side 0; its side 1 is the
    // record after it. Walk that one too when the file holds it whole, keeping
    // the disk's sectors per track as the side-0 record gave them.
    if (s.sides == 2 && walk.lastSideByte == 0 && walk.lastTrack >= s.tracks - 1 &&
        buf.Has(s.fpa, s.trklength)) {
        const int keptSpt = s.spt;
        const int keptTrack = walk.lastTrack;
        const int keptTrkspt = s.tables.trkspt(keptTrack);
        walk.WalkRecord();
        s.spt = keptSpt;
        s.tables.trkspt.Set(keptTrack, keptTrkspt);
    }

    // A track length the program does not know says nothing of the density:
    // the ID pointers' density bits do.
    if (!header.knownTrackLength) {
        s.dens = walk.anySingle && walk.anyDouble ? 3 : walk.anyDouble ? 2 : 1;
        s.spg = s.dens == 2 ? 6 : 5;
    }
}

} // namespace ss
