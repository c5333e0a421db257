// The disk of a DMK image. A 16-byte header (tracks, track length, options,
// real-drive signature), then the track records back to back, each a table
// of 64 ID pointers and the raw track bytes; each pointer gives an ID field's
// place in its record and its density, a zero pointer ends the table; the
// data mark follows the ID field within a search window; single-density
// fields may be stored with every byte twice (dmk.h). Every pointer up to
// the first zero is a sector, in pointer order, duplicates included; a
// pointer to a place the file does not hold is none. The CRC of every ID
// field and of every data field found is checked. Each sector is read a
// second time as the sector map reads it, where that differs.
#include "disk.h"
#include "dmk.h"

#include <algorithm>
#include <array>

namespace ss::disk {

namespace {

CrcState StateOf(dmk::FieldCrc c) {
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

class DmkReader {
  public:
    DmkReader(const ImageBuffer& buf, Disk& d) : buf_(buf), d_(d) {}

    void ReadRecord(int k, Depth depth) {
        const std::int64_t start = dmk::RecordStart(length_, k);
        Track& track = d_.tracks.emplace_back();
        track.cylinder = k / d_.header.dmkHeads;
        track.head = k % d_.header.dmkHeads;
        track.pos = start;
        track.length = std::min(length_, buf_.Size() - start);
        if (track.length < length_) {
            d_.Diagnose(start, [&] {
                return Words("track record ", k, " is cut off by the end of the file");
            });
        }
        if (depth == Depth::Tracks) {
            return;
        }

        // The pointers that name a place the file holds, up to the first zero.
        int count = 0;
        for (int j = 0; j < dmk::kPointers; ++j) {
            const dmk::Pointer p = dmk::IdPointer(buf_, start, j);
            if (p.Ends()) {
                break;
            }
            if (!buf_.Has(start + p.offset)) {
                d_.Diagnose(start + 2LL * j, [&] {
                    return Words("track record ", k, ": ID pointer ", j,
                                 " points past the end of the file");
                });
                continue;
            }
            if (p.offset < dmk::kPointerTableSize || p.offset >= length_) {
                d_.Diagnose(start + 2LL * j, [&] {
                    return Words("track record ", k, ": ID pointer ", j,
                                 " points outside its record");
                });
            }
            pointers_[static_cast<std::size_t>(count)] = p;
            entries_[static_cast<std::size_t>(count++)] = j;
        }
        // The density the sector map takes a record's missing data marks
        // to lie by: the track length's, or the first pointer's.
        const dmk::Header& h = d_.header.dmk;
        const bool mapDensity =
            h.knownTrackLength ? h.doubleDensity : dmk::IdPointer(buf_, start, 0).doubleDensity;
        track.sectors.resize(static_cast<std::size_t>(count));
        for (int n = 0; n < count; ++n) {
            Sector& s = track.sectors[static_cast<std::size_t>(n)];
            const SectorCrc crc = ReadSector(start, entries_[static_cast<std::size_t>(n)],
                                             pointers_[static_cast<std::size_t>(n)], s);
            ReadAsMapped(s, mapDensity, crc);
        }
    }

    std::int64_t length_ = 0;

  private:
    // Reads the sector and gives its CRC states again, for the map's
    // reading to take them without reading back the bytes just stored.
    // Everything is worked out in locals and stored once: the file's bytes
    // are read through a view held in registers.
    SectorCrc ReadSector(std::int64_t start, int j, const dmk::Pointer& p, Sector& s) const {
        const ImageBuffer& buf = buf_;
        const std::int64_t pos = start + p.offset;
        const bool doubled = !p.doubleDensity && dmk::IsDoubledField(buf, pos);
        const int stride = doubled ? 2 : 1;
        const int dataSize = dmk::IdSectorSize(buf, pos, doubled);
        SectorCrc crc;
        crc.id = StateOf(dmk::CheckFieldCrc(buf, pos, dmk::kIdFieldBytes, p.doubleDensity, stride));
        const int m = dmk::DataMarkDistance(buf, pos, doubled);
        std::int64_t markPos = -1;
        std::int64_t dataPos = 0;
        std::uint8_t mark = 0;
        if (m >= 0) {
            markPos = pos + m;
            mark = buf.At(markPos);
            dataPos = markPos + dmk::DataAfterMark(doubled);
            crc.data = StateOf(dmk::CheckFieldCrc(buf, markPos, dataSize, p.doubleDensity, stride));
        } else {
            // No mark in the search window: its last byte stands as the mark
            // and the data are taken to follow the window.
            mark = buf.At(pos + dmk::kMarkSearchLast);
            dataPos = pos + dmk::kMarkSearchLast + 1 + dmk::DataAfterMark(doubled);
        }

        s.idPos = pos;
        s.dataMarkPos = markPos;
        s.dataPos = dataPos;
        s.entry = j;
        s.cylinder = dmk::IdTrack(buf, pos, doubled);
        s.dataSize = static_cast<std::uint16_t>(dataSize);
        s.head = static_cast<std::uint8_t>(dmk::IdSide(buf, pos, doubled));
        s.sector = static_cast<std::uint8_t>(dmk::IdSector(buf, pos, doubled));
        s.sizeCode = static_cast<std::uint8_t>(dmk::IdSizeCode(buf, pos, doubled));
        s.dataMark = mark;
        s.doubleDensity = p.doubleDensity;
        s.doubled = doubled;
        s.idMarkTwice = buf.At(pos + 1) == dmk::kIdAddressMark;
        s.idInRecord = p.offset >= dmk::kPointerTableSize && p.offset < length_;
        s.dataField = m >= 0;
        s.directoryMark = m >= 0 && dmk::IsDirectoryMark(mark);
        s.dataInFile = buf.Has(dataPos, static_cast<std::int64_t>(stride) * (dataSize - 1) + 1);
        s.crc = crc;
        return crc;
    }

    // The sector as the sector map reads it (MapReading); crc: the sector's.
    void ReadAsMapped(Sector& s, bool mapDensity, const SectorCrc& crc) const {
        const ImageBuffer& buf = buf_;
        MapReading& m = s.sectorMap;
        const std::int64_t pos = s.idPos;
        int distance = -1;
        if (s.idMarkTwice == s.doubled) {
            m.cylinder = s.cylinder;
            m.head = s.head;
            m.sector = s.sector;
            m.crc = crc;
            distance = s.dataField ? static_cast<int>(s.dataMarkPos - pos) : -1;
        } else {
            const bool twice = s.idMarkTwice;
            const int stride = twice ? 2 : 1;
            m.cylinder = dmk::IdTrack(buf, pos, twice);
            m.head = static_cast<std::uint8_t>(dmk::IdSide(buf, pos, twice));
            m.sector = static_cast<std::uint8_t>(dmk::IdSector(buf, pos, twice));
            m.crc.id =
                StateOf(dmk::CheckFieldCrc(buf, pos, dmk::kIdFieldBytes, s.doubleDensity, stride));
            distance = dmk::DataMarkDistance(buf, pos, twice);
            if (distance >= 0) {
                m.crc.data = StateOf(dmk::CheckFieldCrc(buf, pos + distance,
                                                        dmk::IdSectorSize(buf, pos, twice),
                                                        s.doubleDensity, stride));
            }
        }
        m.dataField = distance >= 0;
        m.dataMark =
            m.dataField ? buf.At(pos + distance) : dmk::FixedDistanceMark(buf, pos, mapDensity);
        m.directoryMark = dmk::IsDirectoryMark(m.dataMark);
    }

    const ImageBuffer& buf_;
    Disk& d_;
    std::array<dmk::Pointer, dmk::kPointers> pointers_{};
    std::array<int, dmk::kPointers> entries_{};
};

} // namespace

Disk ReadDmk(const ImageBuffer& buf, Depth depth) {
    Disk d;
    ImageHeader& h = d.header;
    h.dmk = dmk::ReadHeader(buf);
    d.layout = h.dmk.realDisk ? Layout::RealDiskDMK : Layout::DMK;
    h.writeProtect = buf.At(dmk::kWriteProtectOffset);
    h.dmkOptions = buf.At(dmk::kOptionsOffset);
    h.dmkHeads = dmk::RecordHeads(h.dmkOptions);
    const std::int64_t length = h.dmk.trackLength;
    if (!h.dmk.IsDmk()) {
        d.Diagnose(0, [] { return std::string("no DMK header"); });
        return d;
    }
    const std::int64_t after = std::max<std::int64_t>(buf.Size() - dmk::kHeaderSize, 0);
    h.dmkRecords = static_cast<int>((after + length - 1) / length);
    if (h.dmkRecords != h.dmk.tracks * h.dmkHeads) {
        d.Diagnose(dmk::kHeaderSize, [&] {
            return Words("the header counts ", h.dmk.tracks, " tracks of ", h.dmkHeads,
                         h.dmkHeads == 1 ? " side" : " sides", ", the file holds ", h.dmkRecords,
                         " track records");
        });
    }
    d.tracks.reserve(static_cast<std::size_t>(h.dmkRecords));
    DmkReader reader(buf, d);
    reader.length_ = length;
    for (int k = 0; k < h.dmkRecords; ++k) {
        reader.ReadRecord(k, depth);
    }
    return d;
}

} // namespace ss::disk
