#include "recognition.h"

#include "dmk.h"
#include "jv1.h"
#include "jv3.h"

namespace ss {

Layout RecogniseLayout(const ImageBuffer& buf) {
    if (jv1::HasSignature(buf)) {
        return Layout::JV1;
    }
    const dmk::Header header = dmk::ReadHeader(buf);
    if (header.IsDmk()) {
        return header.realDisk ? Layout::RealDiskDMK : Layout::DMK;
    }
    return jv3::FourEqualTrackBytes(buf) ? Layout::JV3 : Layout::Unknown;
}

const char* LayoutName(Layout layout) {
    switch (layout) {
    case Layout::JV1:
        return "JV1";
    case Layout::JV3:
        return "JV3";
    case Layout::DMK:
    case Layout::RealDiskDMK:
        return "DMK";
    case Layout::Unknown:
        break;
    }
    return "";
}

} // namespace ss
