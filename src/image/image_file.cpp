#include "image_file.h"

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

// A file descriptor closed when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }

  private:
    int fd_;
};

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
    int opened = -1;
    const OpenCheck check = OpenImageFile(path, opened);
    const Descriptor fd(opened);
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
    const bool readError = ::read(fd.Get(), &byte, 1) < 0;
    const int readErrno = errno;
    return readError ? std::generic_category().message(readErrno) : "the file cannot be read";
}

bool FileNumber1::Open(const std::string& path) {
    Close();
    tooLarge_ = false;
    size_ = 0;
    if (path.empty()) {
        return false;
    }
    int opened = -1;
    const OpenCheck check = OpenImageFile(path, opened);
    const Descriptor fd(opened);
    size_ = check.size;
    tooLarge_ = check.status == OpenCheck::Status::TooLarge;
    if (check.status != OpenCheck::Status::Ok) {
        return false;
    }
    // Read to the end of the file as it is now: a file that changed since it
    // was measured is taken as it reads, and one that grows past the limit
    // while being read is refused like one that was too large from the start.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(check.size));
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false; // a read error: the file cannot be opened
        }
        if (n == 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > kMaxImageBytes) {
            tooLarge_ = true;
            size_ = bytes.size();
            return false;
        }
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
    bytes_.shrink_to_fit();
}

} // namespace ss
