// What became of a window's File > Open, as a value the caller can act on.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace ss {

struct OpenResult {
    enum class Outcome {
        Opened,     // the file was read and shown
        Refused,    // the window refused the file with an "Error" box
        CannotOpen, // the file could not be opened (the "Text Editor" warning)
    };
    Outcome outcome = Outcome::Opened;
    // Refused: the text of the refusal box, its lines separated by carriage
    // returns. CannotOpen: why the file could not be opened, in one line.
    std::string message;

    static OpenResult Opened() { return {}; }
    static OpenResult Refused(std::string text) { return {Outcome::Refused, std::move(text)}; }
    static OpenResult CannotOpen(std::string reason) {
        return {Outcome::CannotOpen, std::move(reason)};
    }
    bool IsOpened() const { return outcome == Outcome::Opened; }

    friend bool operator==(const OpenResult&, const OpenResult&) = default;
};

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

} // namespace ss
