// Opening a window's image file as file number 1, the same in every window.
#pragma once

#include "image_buffer.h"
#include "surface/host.h"

#include <string>

namespace ss {

inline constexpr const char* kOpenFailedMessage =
    "Error encountered while trying to open file, please retry.";
inline constexpr const char* kOpenFailedTitle = "Text Editor";

// Closes whatever was open and opens name for binary reading. When that
// fails: the warning box (for a file too large to be a disk image, a box of
// its own naming the size), everything closed, false.
inline bool OpenFileNumber1(FileNumber1& file1, Host& host, const std::string& name) {
    file1.Close();
    if (!file1.Open(name)) {
        if (file1.TooLarge()) {
            host.MsgBox(TooLargeText(file1.Size()), kMsgOkExclamation, kTooLargeTitle);
        } else {
            host.MsgBox(kOpenFailedMessage, kMsgOkExclamation, kOpenFailedTitle);
        }
        file1.Close();
        return false;
    }
    return true;
}

} // namespace ss
