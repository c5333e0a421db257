#include "image_buffer.h"

#include <cstdint>
#include <fstream>
#include <limits>

namespace ss {

bool FileNumber1::Open(const std::string& path) {
    Close();
    if (path.empty()) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0 || length > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (length > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), length)) {
        return false; // a folder, or a file that vanished while we read it
    }
    bytes_ = std::move(bytes);
    path_ = path;
    open_ = true;
    return true;
}

std::vector<std::uint8_t> FileNumber1::ReadAllAndClose() {
    std::vector<std::uint8_t> out = std::move(bytes_);
    Close();
    return out;
}

void FileNumber1::Close() {
    open_ = false;
    path_.clear();
    bytes_.clear();
}

} // namespace ss
