#include "load_map.h"

#include "shown_bytes.h"
#include "surface/numtext.h"

#include <algorithm>
#include <memory>

namespace ss::contents {

namespace {

constexpr int kBlock = 0x01;
constexpr int kTransfer = 0x02;
constexpr int kName = 0x05;
constexpr int kCopyright = 0x1F;

bool Skipped(int type) {
    switch (type) {
    case 0x04:
    case 0x06:
    case 0x07:
    case 0x08:
    case 0x0A:
    case 0x0C:
    case 0x0E:
    case 0x10:
        return true;
    default:
        return false;
    }
}

std::string Where(std::size_t offset) {
    return "at offset " + OffsetText(offset) + ": ";
}

// The earlier blocks each block writes over, found through the block that
// last wrote each address.
void FindOverlaps(std::vector<LoadRecord>& records) {
    auto writer = std::make_unique<std::array<int, 0x10000>>();
    writer->fill(-1);
    for (std::size_t r = 0; r < records.size(); ++r) {
        LoadRecord& block = records[r];
        if (!block.IsBlock()) {
            continue;
        }
        for (int k = 0; k < block.length; ++k) {
            int& last = (*writer)[(block.address + k) & 0xFFFF];
            if (last >= 0 && (block.overlaps.empty() || block.overlaps.back() != last)) {
                block.overlaps.push_back(last);
            }
            last = static_cast<int>(r);
        }
        std::sort(block.overlaps.begin(), block.overlaps.end());
        block.overlaps.erase(std::unique(block.overlaps.begin(), block.overlaps.end()),
                             block.overlaps.end());
    }
}

} // namespace

int LoadMap::Blocks() const {
    return static_cast<int>(std::count_if(records.begin(), records.end(),
                                          [](const LoadRecord& r) { return r.IsBlock(); }));
}

LoadMap ReadLoadMap(std::span<const std::uint8_t> bytes) {
    LoadMap map;
    const std::size_t size = bytes.size();
    std::size_t pos = 0;
    while (pos < size) {
        const int type = bytes[pos];
        if (type != kBlock && type != kTransfer && type != kName && type != kCopyright &&
            !Skipped(type)) {
            map.error = Where(pos) + "record type " + Hex2(static_cast<std::uint64_t>(type)) +
                        " is not one the loader knows";
            break;
        }
        if (pos + 2 > size) {
            map.error = Where(pos) + "the file ends before the length of a record of type " +
                        Hex2(static_cast<std::uint64_t>(type));
            break;
        }
        const int lengthByte = bytes[pos + 1];
        int length = lengthByte == 0 ? 256 : lengthByte;
        if (type == kBlock && lengthByte < 3) {
            length = 256 + lengthByte;
        }
        if (type == kTransfer && length != 2) {
            map.error =
                Where(pos) + "a transfer record of length " + std::to_string(length) + ", not 2";
            break;
        }
        if (pos + 2 + static_cast<std::size_t>(length) > size) {
            map.error = Where(pos) + "the record of type " +
                        Hex2(static_cast<std::uint64_t>(type)) + " and length " +
                        std::to_string(length) + " is cut off by the end of the file, " +
                        std::to_string(size - pos - 2) + " bytes after its length";
            break;
        }
        const std::size_t data = pos + 2;
        if (type == kTransfer) {
            map.transfer = bytes[data] | bytes[data + 1] << 8;
            map.trailing = size - (data + 2);
            break;
        }
        LoadRecord& record = map.records.emplace_back();
        record.type = type;
        record.offset = pos;
        record.length = length;
        record.dataOffset = data;
        if (type == kBlock) {
            record.address = bytes[data] | bytes[data + 1] << 8;
            record.length = length - 2;
            record.dataOffset = data + 2;
        } else if (type == kName || type == kCopyright) {
            std::string& text = type == kName ? map.name : map.copyright;
            text.append(reinterpret_cast<const char*>(bytes.data() + data),
                        static_cast<std::size_t>(length));
        }
        pos = data + static_cast<std::size_t>(length);
    }
    if (map.error.empty() && !map.transfer) {
        map.error = size == 0 ? "not a load module: the file is empty"
                              : Where(pos) + "the file ends without a transfer address";
    }
    FindOverlaps(map.records);
    return map;
}

LoadedMemory Load(const LoadMap& map, std::span<const std::uint8_t> bytes) {
    LoadedMemory memory;
    for (const LoadRecord& r : map.records) {
        if (!r.IsBlock() || r.dataOffset + static_cast<std::size_t>(r.length) > bytes.size()) {
            continue;
        }
        for (int k = 0; k < r.length; ++k) {
            const auto at = static_cast<std::size_t>((r.address + k) & 0xFFFF);
            memory.bytes[at] = bytes[r.dataOffset + static_cast<std::size_t>(k)];
            memory.loaded[at] = true;
        }
    }
    return memory;
}

} // namespace ss::contents
