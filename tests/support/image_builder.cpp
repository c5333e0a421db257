#include "support/image_builder.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace ss::testimg {

namespace {

std::uint8_t Lo(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

} // namespace

// ---------------------------------------------------------------- patterns

std::uint8_t PatternByte(int track, int side, int sector, std::size_t k) {
    switch (k) {
    case 0:
        return Lo(track);
    case 1:
        return Lo(side);
    case 2:
        return Lo(sector);
    default:
        return Lo(track * 7 + side * 3 + sector * 11 + static_cast<int>(k & 0xFF));
    }
}

std::vector<std::uint8_t> PatternData(int track, int side, int sector, std::size_t size) {
    std::vector<std::uint8_t> out(size);
    for (std::size_t k = 0; k < size; ++k)
        out[k] = PatternByte(track, side, sector, k);
    return out;
}

std::uint16_t Crc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc) {
    for (std::size_t i = 0; i < size; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
    }
    return crc;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot create " + path);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

// ---------------------------------------------------------------- JV1

std::vector<std::uint8_t> MakeJv1(int tracks, const Jv1Fill& fill) {
    if (tracks < 0)
        throw std::runtime_error("MakeJv1: negative track count");
    const std::size_t perTrack = jv1::kSectorsPerTrack * jv1::kSectorSize;
    std::vector<std::uint8_t> image(static_cast<std::size_t>(tracks) * perTrack, 0);
    if (fill) {
        for (int t = 0; t < tracks; ++t)
            for (int s = 0; s < jv1::kSectorsPerTrack; ++s)
                fill(t, s,
                     image.data() +
                         static_cast<std::size_t>(jv1::SectorOffset(jv1::SectorIndex(t, s))));
    }
    return image;
}

void FillJv1Pattern(int track, int sector, std::uint8_t* data256) {
    for (std::size_t k = 0; k < jv1::kSectorSize; ++k)
        data256[k] = PatternByte(track, 0, sector, k);
}

void SetJv1BootBytes(std::vector<std::uint8_t>& image) {
    if (image.size() < jv1::kSignature.size())
        image.resize(jv1::kSignature.size());
    std::copy(jv1::kSignature.begin(), jv1::kSignature.end(), image.begin());
}

std::vector<std::uint8_t> PatternJv1(int tracks) {
    std::vector<std::uint8_t> image = MakeJv1(tracks, FillJv1Pattern);
    SetJv1BootBytes(image);
    return image;
}

// ---------------------------------------------------------------- JV3

Jv3Entry Jv3FreeEntry(int size) {
    Jv3Entry e;
    e.track = jv3::kFreeTrack;
    e.sector = jv3::kFreeTrack;
    e.size = size;
    return e;
}

namespace {

// The flags byte of an entry: the size code as a used or a free entry writes it.
std::uint8_t Jv3Flags(const Jv3Entry& e) {
    const bool free = e.track == jv3::kFreeTrack;
    int n = 0; // 128 << n bytes
    while ((128 << n) < e.size && n < 3)
        ++n;
    if ((128 << n) != e.size)
        throw std::runtime_error("MakeJv3: a sector of " + std::to_string(e.size) + " bytes");
    std::uint8_t flags = static_cast<std::uint8_t>(free ? (n ^ 2) : (n ^ 1));
    if (free)
        return static_cast<std::uint8_t>(flags | 0xFC);
    if (e.doubleDensity)
        flags |= jv3::kFlagDoubleDensity;
    if (e.dirMark)
        flags |= jv3::kFlagDirectoryMark;
    if (e.side1)
        flags |= jv3::kFlagSide1;
    if (e.crcError)
        flags |= jv3::kFlagCrcError;
    return flags;
}

} // namespace

std::vector<std::uint8_t> MakeJv3(const std::vector<Jv3Entry>& entries) {
    if (entries.size() > 2 * static_cast<std::size_t>(jv3::kEntries))
        throw std::runtime_error("MakeJv3: " + std::to_string(entries.size()) +
                                 " entries, two JV3 tables hold at most 5802");
    std::vector<std::uint8_t> image;
    for (std::size_t first = 0; first < entries.size() || first == 0; first += jv3::kEntries) {
        const std::size_t end = std::min(entries.size(), first + jv3::kEntries);
        std::vector<std::uint8_t> header(jv3::kHeaderSize, jv3::kFreeTrack);
        std::vector<std::uint8_t> data;
        for (std::size_t i = first; i < end; ++i) {
            const Jv3Entry& e = entries[i];
            const std::size_t at =
                static_cast<std::size_t>(jv3::EntryOffset(static_cast<int>(i - first)));
            header[at] = Lo(e.track);
            header[at + 1] = Lo(e.sector);
            header[at + 2] = Jv3Flags(e);
            if (e.data.size() > static_cast<std::size_t>(e.size))
                throw std::runtime_error("MakeJv3: sector data longer than its size");
            std::vector<std::uint8_t> block = e.data.empty()
                                                  ? PatternData(e.track, e.side1 ? 1 : 0, e.sector,
                                                                static_cast<std::size_t>(e.size))
                                                  : e.data;
            block.resize(static_cast<std::size_t>(e.size), 0x00);
            data.insert(data.end(), block.begin(), block.end());
        }
        image.insert(image.end(), header.begin(), header.end());
        image.insert(image.end(), data.begin(), data.end());
        if (entries.empty())
            break;
    }
    return image;
}

// ---------------------------------------------------------------- DMK

namespace {

// Logical (not yet doubled) byte counts of a sector without its trailing gap.
std::size_t DataLength(const DmkSector& s) {
    return s.data.empty() ? static_cast<std::size_t>(128) << (s.sizeCode & 3) : s.data.size();
}

int Mult(const DmkSector& s) {
    return (s.doubleDensity || s.sd == SdStorage::Once) ? 1 : 2;
}

std::uint8_t GapByte(const DmkSector& s) {
    return s.doubleDensity ? dmk::kGapDouble : dmk::kGapSingle;
}

std::size_t FixedLength(const DmkSector& s) {
    // DD: 12 sync + 3 A1 + 7 ID + 22 gap + 12 sync + 3 A1 + mark + data + 2 CRC
    // SD:  6 sync +        7 ID + 11 gap +  6 sync +        mark + data + 2 CRC
    return (s.doubleDensity ? 62 : 33) + DataLength(s);
}

// Writes the raw bytes of one track record, pointer table included.
class RecordWriter {
  public:
    RecordWriter(std::vector<std::uint8_t>& rec) : rec_(rec) {}

    std::size_t Pos() const { return pos_; }
    void Seek(std::size_t p) { pos_ = p; }

    // Puts `count` copies of `b`, each written `mult` times.
    void Put(std::uint8_t b, std::size_t count, int mult) {
        for (std::size_t i = 0; i < count * static_cast<std::size_t>(mult); ++i)
            rec_[pos_++] = b;
    }
    void PutBytes(const std::vector<std::uint8_t>& bytes, int mult) {
        for (std::uint8_t b : bytes)
            Put(b, 1, mult);
    }

  private:
    std::vector<std::uint8_t>& rec_;
    std::size_t pos_ = 0;
};

struct SectorSpots {
    std::size_t id, dam, data;
};

SectorSpots WriteSector(RecordWriter& w, const DmkSector& s) {
    const int m = Mult(s);
    std::vector<std::uint8_t> data =
        s.data.empty() ? PatternData(s.track, s.side, s.sector, DataLength(s)) : s.data;
    SectorSpots spots{};
    std::vector<std::uint8_t> id;
    if (s.doubleDensity) {
        w.Put(0x00, 12, 1);
        w.Put(dmk::kSyncDouble, 3, 1);
        id = {dmk::kSyncDouble, dmk::kSyncDouble, dmk::kSyncDouble};
    } else {
        w.Put(dmk::kSyncSingle, 6, m);
    }
    spots.id = w.Pos();
    const std::vector<std::uint8_t> fields = {dmk::kIdAddressMark, Lo(s.track), Lo(s.side),
                                              Lo(s.sector), Lo(s.sizeCode)};
    id.insert(id.end(), fields.begin(), fields.end());
    const std::uint16_t idCrc = Crc16(id.data(), id.size());
    std::array<std::uint8_t, 2> idCrcBytes = {static_cast<std::uint8_t>(idCrc >> 8),
                                              static_cast<std::uint8_t>(idCrc & 0xFF)};
    if (s.idCrc)
        idCrcBytes = *s.idCrc;
    w.PutBytes(fields, m);
    w.PutBytes({idCrcBytes[0], idCrcBytes[1]}, m);

    std::vector<std::uint8_t> mark;
    if (s.doubleDensity) {
        w.Put(dmk::kGapDouble, 22, 1);
        w.Put(0x00, 12, 1);
        w.Put(dmk::kSyncDouble, 3, 1);
        mark = {dmk::kSyncDouble, dmk::kSyncDouble, dmk::kSyncDouble};
    } else {
        w.Put(dmk::kGapSingle, 11, m);
        w.Put(dmk::kSyncSingle, 6, m);
    }
    spots.dam = w.Pos();
    w.Put(s.dam, 1, m);
    spots.data = w.Pos();
    w.PutBytes(data, m);
    mark.push_back(s.dam);
    std::uint16_t dataCrc = Crc16(mark.data(), mark.size());
    dataCrc = Crc16(data.data(), data.size(), dataCrc);
    std::array<std::uint8_t, 2> dataCrcBytes = {static_cast<std::uint8_t>(dataCrc >> 8),
                                                static_cast<std::uint8_t>(dataCrc & 0xFF)};
    if (s.dataCrc)
        dataCrcBytes = *s.dataCrc;
    w.PutBytes({dataCrcBytes[0], dataCrcBytes[1]}, m);
    return spots;
}

} // namespace

DmkOptions OneSide(int trackLength, int tracksByte) {
    DmkOptions options;
    options.optionsByte = dmk::kOptionSingleSided;
    options.trackLength = trackLength;
    options.tracksByte = tracksByte;
    return options;
}

DmkImage MakeDmk(const std::vector<DmkTrack>& records, const DmkOptions& options) {
    const int len = options.trackLength;
    if (len < dmk::kPointerTableSize)
        throw std::runtime_error("MakeDmk: track length " + std::to_string(len) +
                                 " is shorter than the pointer table");
    const int sides = (options.optionsByte & dmk::kOptionSingleSided) ? 1 : 2;
    const int tracksByte = options.tracksByte >= 0
                               ? options.tracksByte
                               : (static_cast<int>(records.size()) + sides - 1) / sides;
    if (tracksByte > 255)
        throw std::runtime_error("MakeDmk: " + std::to_string(tracksByte) +
                                 " tracks do not fit in the header byte");

    DmkImage img;
    img.bytes.assign(dmk::kHeaderSize, 0);
    img.bytes[dmk::kTracksOffset] = Lo(tracksByte);
    img.bytes[dmk::kTrackLengthOffset] = Lo(len);
    img.bytes[dmk::kTrackLengthOffset + 1] = Lo(len >> 8);
    img.bytes[dmk::kOptionsOffset] = options.optionsByte;
    if (options.realDisk)
        std::copy(dmk::kRealDiskSignature.begin(), dmk::kRealDiskSignature.end(),
                  img.bytes.begin() + dmk::kRealDiskOffset);

    const std::size_t avail = static_cast<std::size_t>(len) - dmk::kPointerTableSize;
    for (std::size_t r = 0; r < records.size(); ++r) {
        const std::vector<DmkSector>& secs = records[r].sectors;
        if (secs.size() > static_cast<std::size_t>(dmk::kPointers))
            throw std::runtime_error("MakeDmk: record " + std::to_string(r) + " has " +
                                     std::to_string(secs.size()) + " sectors, at most 64 fit");
        std::vector<std::uint8_t> rec(static_cast<std::size_t>(len), 0);
        std::vector<DmkPlaced> placed;
        RecordWriter w(rec);
        w.Seek(dmk::kPointerTableSize);

        if (secs.empty()) {
            w.Put((options.optionsByte & dmk::kOptionSingleDensity) ? dmk::kGapSingle
                                                                    : dmk::kGapDouble,
                  avail, 1);
        } else {
            // Work out the gaps: a leading gap before the first sector and the
            // same gap (in undoubled bytes) after every sector. Start from
            // roomy gaps and shrink them until the track fits.
            std::size_t fixedRaw = 0, multSum = 0;
            for (const DmkSector& s : secs) {
                fixedRaw += FixedLength(s) * static_cast<std::size_t>(Mult(s));
                multSum += static_cast<std::size_t>(Mult(s));
            }
            const DmkSector& first = secs.front();
            const std::size_t m0 = static_cast<std::size_t>(Mult(first));
            const std::size_t preferredGap = first.doubleDensity ? 54 : 27;
            std::size_t lead = first.doubleDensity ? 32 : 16;
            std::size_t gap = 0;
            bool fits = false;
            for (std::size_t tryLead : {lead, std::size_t{2}}) {
                if (tryLead * m0 + fixedRaw > avail)
                    continue;
                const std::size_t g =
                    std::min(preferredGap, (avail - tryLead * m0 - fixedRaw) / multSum);
                lead = tryLead;
                gap = g;
                fits = true;
                if (g >= 8)
                    break;
            }
            if (!fits || gap < 1)
                throw std::runtime_error(
                    "MakeDmk: the " + std::to_string(secs.size()) + " sectors of record " +
                    std::to_string(r) + " need " + std::to_string(fixedRaw + 2 * m0 + multSum) +
                    " bytes but a track of length " + std::to_string(len) + " holds only " +
                    std::to_string(avail) + " after the pointer table");

            w.Put(GapByte(first), lead, Mult(first));
            for (std::size_t i = 0; i < secs.size(); ++i) {
                const DmkSector& s = secs[i];
                const SectorSpots spots = WriteSector(w, s);
                if (spots.id > dmk::kPointerOffsetMask)
                    throw std::runtime_error("MakeDmk: ID field beyond what a pointer can hold");
                const std::uint16_t ptr = static_cast<std::uint16_t>(
                    spots.id | (s.doubleDensity ? dmk::kPointerDoubleDensity : 0u));
                rec[i * 2] = Lo(ptr);
                rec[i * 2 + 1] = Lo(ptr >> 8);
                const std::int64_t base = dmk::RecordStart(len, static_cast<std::int64_t>(r));
                placed.push_back({base + static_cast<std::int64_t>(spots.id),
                                  base + static_cast<std::int64_t>(spots.dam),
                                  base + static_cast<std::int64_t>(spots.data)});
                w.Put(GapByte(s), gap, Mult(s));
            }
            // Whatever is left up to the end of the record is gap as well.
            w.Put(GapByte(secs.back()), rec.size() - w.Pos(), 1);
        }
        img.bytes.insert(img.bytes.end(), rec.begin(), rec.end());
        img.placed.push_back(std::move(placed));
    }
    return img;
}

std::vector<DmkTrack> DmkStandardTracks(int cylinders, int sides, int spt, bool dd, int firstSector,
                                        const std::vector<int>& order) {
    std::vector<int> numbers = order;
    if (numbers.empty()) {
        for (int i = 0; i < spt; ++i)
            numbers.push_back(firstSector + i);
    } else if (static_cast<int>(numbers.size()) != spt) {
        throw std::runtime_error("DmkStandardTracks: the sector order lists " +
                                 std::to_string(numbers.size()) + " sectors, not " +
                                 std::to_string(spt));
    }
    std::vector<DmkTrack> records;
    for (int c = 0; c < cylinders; ++c) {
        for (int h = 0; h < sides; ++h) {
            DmkTrack t;
            for (int n : numbers) {
                DmkSector s;
                s.track = c;
                s.side = h;
                s.sector = n;
                s.doubleDensity = dd;
                t.sectors.push_back(s);
            }
            records.push_back(std::move(t));
        }
    }
    return records;
}

} // namespace ss::testimg
