#include "hex_recognition.h"

#include "image/disk.h"

#include <algorithm>
#include <limits>

namespace ss {

namespace hexrules {

HexFormat FormatOf(Layout modelLayout, const HexBytes& filebuf) {
    switch (modelLayout) {
    case Layout::DMK:
        return HexFormat::Dmk;
    case Layout::RealDiskDMK:
        return HexFormat::DmkRealDisk;
    case Layout::JV1:
        return HexFormat::Jv1;
    case Layout::JV3:
    case Layout::Unknown:
        break;
    }
    for (int n = 0; n < kJv3TestEntries; ++n) {
        if (filebuf.At(jv3::EntryOffset(n)) != 0) {
            return HexFormat::None;
        }
    }
    return HexFormat::Jv3;
}

} // namespace hexrules

HexTrackHeaders::HexTrackHeaders(const disk::Disk& model, std::int64_t trackLength,
                                 std::int64_t fileend) {
    if (trackLength <= 0) {
        return;
    }
    const std::int64_t last = fileend / trackLength;
    starts_.reserve(static_cast<std::size_t>(last + 1));
    for (std::int64_t k = 0; k <= last; ++k) {
        const auto n = static_cast<std::size_t>(k);
        starts_.push_back(n < model.tracks.size() ? model.tracks[n].pos
                                                  : dmk::RecordStart(trackLength, k));
    }
}

HexTrackHeaders::Record HexTrackHeaders::RecordAt(std::int64_t p) const {
    constexpr std::int64_t kFar = std::numeric_limits<std::int64_t>::max() / 2;
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), p);
    if (after == starts_.begin()) {
        return {kFar, after == starts_.end() ? kFar : *after};
    }
    return {*(after - 1), after == starts_.end() ? kFar : *after};
}

HexFile ReadHexFile(const HexBytes& filebuf) {
    // The layout is the model's recognition. Only a DMK image's model holds
    // more that the viewer marks by (its track length and track records), so
    // only that one is read, and without its sectors.
    HexFile f;
    const Layout layout = RecogniseLayout(filebuf.Buffer());
    f.format = hexrules::FormatOf(layout, filebuf);
    if (layout == Layout::DMK || layout == Layout::RealDiskDMK) {
        const disk::Disk model = disk::ReadDmk(filebuf.Buffer(), disk::Depth::Tracks);
        f.trackLength = model.header.dmk.trackLength;
        if (f.format == HexFormat::Dmk) {
            f.headers = HexTrackHeaders(model, f.trackLength, filebuf.fileend());
        }
    }
    return f;
}

} // namespace ss
