// sectorscope-cli check IMAGE... [-r] [--json]: is every sector of each image
// there and intact? One line per image, checked on every core, printed in the
// order given.
#pragma once

#include "check/disk_check.h"
#include "framework.h"

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace ss::cli {

// A file of the DOS directory that the damage reaches, and why.
struct DamagedFile {
    std::string name;
    std::vector<std::string> why;
};

// The check of one image file.
struct ImageCheck {
    enum class Outcome { Whole, Damaged, Unreadable };
    std::string path;
    Outcome outcome = Outcome::Unreadable;
    std::string error; // Unreadable: why
    check::DiskCheck check;
    std::string dos; // the DOS recognised, or empty
    std::vector<DamagedFile> files;
};

// Reads and checks the image at path, and where a DOS is recognised the
// files its damage reaches.
ImageCheck CheckImageFile(const std::string& path);

// The images the operands name: a file as it is; a folder's files with the
// extensions of disk images (.dsk, .dmk, .jv1, .jv3, any case) by name, and
// with `recursive` those of its folders as well. A name that is neither is
// kept, for its check to say why it cannot be read. Folders that hold no
// image are added to `emptyFolders` when it is given.
std::vector<std::string> ImagesToCheck(const std::vector<std::string>& operands, bool recursive,
                                       std::vector<std::string>* emptyFolders = nullptr);

// Checks every path on `threads` threads and hands each check to `take` in
// the order of the paths, as soon as it and all before it are done.
// `progress` is called now and then, on the calling thread, with the checks
// done so far.
void CheckImages(const std::vector<std::string>& paths, unsigned threads,
                 const std::function<void(ImageCheck&)>& take,
                 const std::function<void(std::size_t)>& progress = {});

extern const Command kCheckCommand;

} // namespace ss::cli
