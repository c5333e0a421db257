#include "image_buffer.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace ss {

namespace {

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
