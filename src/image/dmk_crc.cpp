#include "crc16.h"
#include "dmk.h"

namespace ss::dmk {

FieldCrc CheckFieldCrc(const ImageBuffer& buf, std::int64_t markPos, int count, bool doubleDensity,
                       int stride) {
    const std::int64_t logical = 1 + count + kCrcBytes;
    if (!buf.Has(markPos, (logical - 1) * stride + 1)) {
        return FieldCrc::CutOff;
    }
    const std::uint16_t preset = doubleDensity ? crc16::AfterDoubleDensitySync() : crc16::kPreset;
    // Over the field and its own CRC, high byte first, the CRC comes out 0.
    const std::uint16_t rest =
        crc16::Update(preset, buf.Bytes().data() + markPos, static_cast<std::size_t>(logical),
                      static_cast<std::size_t>(stride));
    return rest == 0 ? FieldCrc::Good : FieldCrc::Bad;
}

} // namespace ss::dmk
