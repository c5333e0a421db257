// The disk of a JV1 image. The file is the disk's sectors one after another,
// with no header and nothing but their data (jv1.h): ten single-density
// sectors of 256 bytes a track, one side, as many tracks as the file holds,
// the last as far as it goes. No ID, data mark or CRC is kept, so every
// sector's CRC states are NotRecorded and a sector the file ends inside has
// no data in the file.
#include "disk.h"
#include "jv1.h"

#include <algorithm>

namespace ss::disk {

Disk ReadJv1(const ImageBuffer& buf, Depth depth) {
    Disk d;
    d.layout = Layout::JV1;
    d.header.jv1SectorsPerTrack = jv1::kSectorsPerTrack;
    d.header.jv1DirectoryTrack = jv1::kDirectoryTrack;
    const std::int64_t sectors = jv1::SectorsOfLength(buf.Size());
    const std::int64_t tracks = jv1::TracksOfLength(buf.Size());
    d.tracks.reserve(static_cast<std::size_t>(tracks));
    for (int t = 0; t < tracks; ++t) {
        Track& track = d.tracks.emplace_back();
        track.cylinder = t;
        track.pos = jv1::SectorOffset(jv1::SectorIndex(t, 0));
        track.length = std::min<std::int64_t>(jv1::kSectorsPerTrack * jv1::kSectorSize,
                                              buf.Size() - track.pos);
        if (depth == Depth::Tracks) {
            continue;
        }
        const int onTrack = static_cast<int>(
            std::min<std::int64_t>(jv1::kSectorsPerTrack, sectors - jv1::SectorIndex(t, 0)));
        track.sectors.reserve(static_cast<std::size_t>(onTrack));
        for (int s = 0; s < onTrack; ++s) {
            const std::int64_t i = jv1::SectorIndex(t, s);
            Sector& sec = track.sectors.emplace_back();
            sec.entry = static_cast<int>(i);
            sec.cylinder = t;
            sec.sector = static_cast<std::uint8_t>(s);
            sec.dataSize = static_cast<std::uint16_t>(jv1::kSectorSize);
            sec.sizeCode = static_cast<std::uint8_t>(SizeCodeOf(sec.dataSize));
            sec.dataPos = jv1::SectorOffset(i);
            sec.dataField = true;
            sec.directoryMark = jv1::IsDirectorySector(i);
            sec.dataMark = jv1::DataMarkOf(i);
            sec.dataInFile = buf.Has(sec.dataPos, sec.dataSize);
            if (!sec.dataInFile) {
                d.Diagnose(sec.dataPos,
                           [&] { return Words("the file ends inside track ", t, " sector ", s); });
            }
        }
    }
    return d;
}

} // namespace ss::disk
