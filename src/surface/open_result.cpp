#include "open_result.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ss {

namespace {

OpenCheck Check(int statResult, const struct stat& st) {
    if (statResult != 0) {
        return {OpenCheck::Status::Failed, errno, 0};
    }
    if (S_ISDIR(st.st_mode)) {
        return {OpenCheck::Status::Failed, EISDIR, 0};
    }
    if (!S_ISREG(st.st_mode)) {
        return {OpenCheck::Status::NotRegular, 0, 0};
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > kMaxImageBytes) {
        return {OpenCheck::Status::TooLarge, 0, size};
    }
    return {OpenCheck::Status::Ok, 0, size};
}

// "70000000 bytes (66.8 MiB)".
std::string SizeText(std::uint64_t size) {
    char text[64];
    std::snprintf(text, sizeof text, "%llu bytes (%.1f MiB)", static_cast<unsigned long long>(size),
                  static_cast<double>(size) / (1024.0 * 1024.0));
    return text;
}

constexpr std::uint64_t kMaxImageMiB = kMaxImageBytes / (1024 * 1024);

} // namespace

OpenCheck OpenImageFile(const std::string& path, int& fd) {
    fd = -1;
    // Looked at before it is opened, so that a device is never opened; and
    // again once open, as the name may have changed hands in between.
    struct stat st {};
    OpenCheck check = Check(::stat(path.c_str(), &st), st);
    if (check.status != OpenCheck::Status::Ok) {
        return check;
    }
    // Never blocks, even on a named pipe put there meanwhile.
    const int opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (opened < 0) {
        return {OpenCheck::Status::Failed, errno, 0};
    }
    check = Check(::fstat(opened, &st), st);
    if (check.status != OpenCheck::Status::Ok) {
        ::close(opened);
        return check;
    }
    fd = opened;
    return check;
}

std::string TooLargeText(std::uint64_t size) {
    std::string text = "This file is ";
    text.append(SizeText(size)).append(", too large for a disk image.\r");
    text.append("The viewer opens files of up to ").append(std::to_string(kMaxImageMiB));
    return text.append(" MiB.");
}

std::string CannotOpenReason(const std::string& path) {
    if (path.empty()) {
        return "no file name was given";
    }
    int fd = -1;
    const OpenCheck check = OpenImageFile(path, fd);
    switch (check.status) {
    case OpenCheck::Status::Failed:
        return std::generic_category().message(check.errnum);
    case OpenCheck::Status::NotRegular:
        return "not a regular file (a named pipe, a device or a socket)";
    case OpenCheck::Status::TooLarge:
        return std::string("the file is ")
            .append(SizeText(check.size))
            .append(", larger than any disk image (")
            .append(std::to_string(kMaxImageMiB))
            .append(" MiB at most)");
    case OpenCheck::Status::Ok:
        break;
    }
    char byte = 0;
    errno = 0;
    const bool readError = ::read(fd, &byte, 1) < 0;
    const int readErrno = errno;
    ::close(fd);
    return readError ? std::generic_category().message(readErrno) : "the file cannot be read";
}

} // namespace ss
