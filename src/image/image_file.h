// Reading an image file from disk, bounded and safe: only a regular file of
// at most kMaxImageBytes is opened, never blocking and never a device; the
// reasons a file cannot be opened, for a person; and file number 1, the one
// file handle a window reads its image through.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ss {

// The largest file a window reads: well above any disk image (a DMK image of
// 96 cylinders, two sides and the longest tracks is under 1.3 MiB), and a
// bound on the memory an unsuitable file can take.
inline constexpr std::uint64_t kMaxImageBytes = 64ull * 1024 * 1024;

// What a file opened for reading turned out to be.
struct OpenCheck {
    enum class Status {
        Ok,         // a regular file of at most kMaxImageBytes
        Failed,     // errnum says why (a folder: EISDIR)
        NotRegular, // a named pipe, a device or a socket: never read
        TooLarge,   // a regular file over kMaxImageBytes; size says how large
    };
    Status status = Status::Ok;
    int errnum = 0;
    std::uint64_t size = 0;
};
// Opens path for reading if it is a regular file of at most kMaxImageBytes,
// never blocking (a named pipe with no writer included) and never opening
// anything else. fd is the open descriptor when the status is Ok, else -1.
OpenCheck OpenImageFile(const std::string& path, int& fd);

// The box for a file over kMaxImageBytes, raised instead of the warning of a
// file that cannot be opened: its title, and its text naming the size.
inline constexpr const char* kTooLargeTitle = "File too large";
std::string TooLargeText(std::uint64_t size);

// Why the file `path` cannot be opened for reading, in one line for a person:
// what the file system says about it, or that it is a folder, not a regular
// file, too large or unreadable. Never blocks.
std::string CannotOpenReason(const std::string& path);

// File number 1: the one file handle a window uses. Opening closes whatever
// was open; the file is read whole and closed as soon as it has been read.
class FileNumber1 {
  public:
    // Opens a regular file for binary reading and reads it; false when it
    // cannot be opened or read, is not a regular file, or is larger than
    // kMaxImageBytes (then TooLarge() says so, before anything was read).
    bool Open(const std::string& path);
    bool IsOpen() const { return open_; }
    // The last Open refused the file for its size, which Size() gives.
    bool TooLarge() const { return tooLarge_; }
    std::uint64_t Size() const { return size_; }
    // Reads the whole file and closes it.
    std::vector<std::uint8_t> ReadAllAndClose();
    void Close();

  private:
    bool open_ = false;
    bool tooLarge_ = false;
    std::uint64_t size_ = 0;
    std::string path_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace ss
