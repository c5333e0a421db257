// Opening a window's image file as file number 1, the same in every window.
#pragma once

#include "image_file.h"
#include "surface/host.h"

#include <string>

namespace ss {

inline constexpr const char* kOpenFailedMessage =
    "Error encountered while trying to open file, please retry.";
inline constexpr const char* kOpenFailedTitle = "Text Editor";

// The text of the box for a file that cannot be opened: the warning, then the
// file's name and why it cannot be opened, each on a line of its own.
inline std::string OpenFailedText(const std::string& name, const std::string& reason) {
    return std::string(kOpenFailedMessage) + "\rFile: " + name + "\rReason: " + reason;
}

// Closes whatever was open and opens name for binary reading. When that
// fails: the warning box naming the file and the reason (for a file too
// large to be a disk image, a box of its own naming the size), everything
// closed, false.
inline bool OpenFileNumber1(FileNumber1& file1, Host& host, const std::string& name) {
    file1.Close();
    if (!file1.Open(name)) {
        if (file1.TooLarge()) {
            host.MsgBox(TooLargeText(file1.Size()), kMsgOkExclamation, kTooLargeTitle);
        } else {
            host.MsgBox(OpenFailedText(name, CannotOpenReason(name)), kMsgOkExclamation,
                        kOpenFailedTitle);
        }
        file1.Close();
        return false;
    }
    return true;
}

} // namespace ss
