#include "open_result.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

namespace ss {

std::string CannotOpenReason(const std::string& path) {
    namespace fs = std::filesystem;
    if (path.empty()) {
        return "no file name was given";
    }
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) {
        return ec.message();
    }
    if (fs::is_directory(status)) {
        return std::make_error_code(std::errc::is_a_directory).message();
    }
    // A window holds a file length in a 32-bit signed number.
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
        return "the file is larger than 2 GiB";
    }
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::generic_category().message(errno != 0 ? errno : EIO);
    }
    std::fclose(file);
    return "the file cannot be read";
}

} // namespace ss
