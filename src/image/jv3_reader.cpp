// The disk of a JV3 image. Its header is a table of 3-byte sector entries
// (track, sector number, flags: density, side, directory mark, CRC error,
// size), then the sectors' data blocks in the order of the entries; free
// entries may stand anywhere among the used ones, and a second table may
// follow the first one's data (jv3.h). The sectors of one track are gathered
// from wherever their entries stand, in entry order. JV3 keeps no ID fields
// and only the data-mark bits of the flags: a sector's ID CRC is NotRecorded,
// its data CRC Bad when the entry's flag says it was read with an error, else
// Good; a sector whose data the file ends inside has no data CRC to speak of
// (NotRecorded, as for DMK), whatever its flag says. The first table's sectors
// are listed in entry order too, and the header test is taken from every
// entry, as the sector map walks and tests the header.
#include "disk.h"
#include "jv3.h"

#include <array>

namespace ss::disk {

namespace {

constexpr int kTrackBytes = 256;
constexpr int kHeads = 2;

// Fills the sector in place: built apart and copied in, its fields would be
// written and read back in pieces of different widths, which stalls.
void FillSector(Sector& s, const ImageBuffer& buf, const jv3::PlacedEntry& p) {
    const jv3::Entry& e = p.entry;
    s.idPos = p.entryPos;
    s.dataPos = p.dataPos;
    s.entry = p.number;
    s.dataSize = static_cast<std::uint16_t>(e.Size());
    s.cylinder = e.track;
    s.head = static_cast<std::uint8_t>(e.Side());
    s.sector = static_cast<std::uint8_t>(e.sector);
    s.sizeCode = static_cast<std::uint8_t>(SizeCodeOf(s.dataSize));
    s.doubleDensity = e.DoubleDensity();
    s.dataField = true;
    s.dataMark = e.DataMark();
    s.directoryMark = e.DirectoryMark();
    s.dataInFile = buf.Has(p.dataPos, e.Size());
    const CrcState data = !s.dataInFile  ? CrcState::NotRecorded
                          : e.CrcError() ? CrcState::Bad
                                         : CrcState::Good;
    s.crc = SectorCrc{CrcState::NotRecorded, data};
}

} // namespace

Disk ReadJv3(const ImageBuffer& buf, Depth depth) {
    Disk d;
    d.layout = Layout::JV3;
    d.header.writeProtect = buf.At(jv3::kWriteProtectOffset);
    if (!buf.Has(0, jv3::kHeaderSize)) {
        d.Diagnose(buf.Size(), [] { return std::string("the file ends inside the header"); });
    }

    // First pass: each track and side's sectors counted, so that each
    // track's sectors take one allocation, and the entries judged. The
    // header is a few kilobytes: walking it twice costs less than keeping
    // its used entries aside.
    std::array<int, kTrackBytes * kHeads> count{};
    int entries = 0;     // entries the file holds, used and free
    int usedEntries = 0; // of both tables
    int firstTable = 0;  // used entries of the first table
    int lastOfFirst = 0; // the first table's last used entry (0 when none)
    int lastUsed = -1;   // the last used entry of both tables
    int tracks = 0;
    jv3::Plausibility plausibility;
    jv3::ForEachEntry(buf, [&](const jv3::PlacedEntry& p) {
        entries = p.number + 1;
        if (p.entry.IsFree()) {
            return;
        }
        ++usedEntries;
        lastUsed = p.number;
        plausibility.Add(p, buf.Size());
        int& n = count[static_cast<std::size_t>(p.entry.track * kHeads + p.entry.Side())];
        tracks += n == 0 ? 1 : 0;
        ++n;
        if (p.number < jv3::kEntries) {
            ++firstTable;
            lastOfFirst = p.number;
        }
    });
    d.header.jv3Plausible = plausibility.Plausible();
    if (!d.header.jv3Plausible) {
        d.Diagnose(0, [] { return std::string("the header entries do not describe a disk"); });
    }
    d.header.jv3Tables = (entries + jv3::kEntries - 1) / jv3::kEntries;
    d.header.jv3UsedEntries = usedEntries;
    d.header.jv3FreeEntries = entries - d.header.jv3UsedEntries;
    // A walk over the header can start from no entry after the last used one.
    d.header.jv3HeaderTest = jv3::HeaderTestAtEachEntry(buf, lastOfFirst + 1);
    if (depth == Depth::Shown && !d.header.jv3Plausible) {
        return d;
    }

    // Each track side's sectors made at once, then filled in entry order
    // through a cursor per side.
    std::array<int, kTrackBytes * kHeads> trackOf{};
    std::array<Sector*, kTrackBytes * kHeads> next{};
    d.tracks.reserve(static_cast<std::size_t>(tracks));
    for (std::size_t k = 0; k < count.size(); ++k) {
        if (count[k] == 0) {
            continue;
        }
        trackOf[k] = static_cast<int>(d.tracks.size());
        Track& t = d.tracks.emplace_back();
        t.cylinder = static_cast<int>(k) / kHeads;
        t.head = static_cast<int>(k) % kHeads;
        if (depth != Depth::Tracks) {
            t.sectors.resize(static_cast<std::size_t>(count[k]));
            next[k] = t.sectors.data();
        }
    }
    if (depth == Depth::Tracks) {
        return d;
    }
    d.headerOrder.reserve(static_cast<std::size_t>(firstTable));
    // Second pass: the used entries' sectors, each into its track, up to the
    // last used entry (an image written from the header's start leaves the
    // rest of it free).
    jv3::ForEachEntry(
        buf,
        [&](const jv3::PlacedEntry& p) {
            if (p.entry.IsFree()) {
                return;
            }
            const std::size_t k = static_cast<std::size_t>(p.entry.track * kHeads + p.entry.Side());
            Sector& s = *next[k]++;
            if (p.number < jv3::kEntries) {
                const Track& t = d.tracks[static_cast<std::size_t>(trackOf[k])];
                d.headerOrder.push_back({trackOf[k], static_cast<int>(&s - t.sectors.data())});
            }
            FillSector(s, buf, p);
            if (!s.dataInFile) {
                d.Diagnose(s.dataPos, [&] {
                    return Words("the file ends inside the data of track ", s.cylinder, " side ",
                                 s.head, " sector ", s.sector);
                });
            }
        },
        lastUsed + 1);
    return d;
}

} // namespace ss::disk
