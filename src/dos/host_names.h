// Files of a disk written to the host: safe names and writes that never
// leave the chosen folder nor replace a file unasked.
#pragma once

#include "dos_disk.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace ss::dos {

// The host name of a directory entry's 11 name and extension bytes:
// "NAME.EXT", the blanks that pad each part dropped, every other byte that is
// not an ASCII letter, digit or one of -_$#@! replaced by '_'. No extension
// gives "NAME"; an empty name "_". So a name is never empty, ".", "..", and
// never holds a path separator.
std::string HostName(const std::array<std::uint8_t, 11>& raw);

// Host names for several entries, in their order: a name already given
// (compared regardless of case, for hosts that ignore it) becomes
// NAME_2.EXT, NAME_3.EXT, ... whichever is still free.
std::vector<std::string> DistinctHostNames(const std::vector<std::array<std::uint8_t, 11>>& raws);

enum class WriteOutcome {
    Written,
    Exists, // the file was there and replace was not asked for: left alone
    Failed,
};

struct WriteResult {
    WriteOutcome outcome = WriteOutcome::Failed;
    std::string error; // Failed: why
};

// Writes `bytes` as file `name` of `folder`. `name` must be a plain name
// (HostName's); anything else fails. Without `replace` an existing file (or
// link) is left as it is; with it, the new file takes the old one's place
// without writing through a link.
WriteResult WriteHostFile(const std::filesystem::path& folder, const std::string& name,
                          const std::vector<std::uint8_t>& bytes, bool replace);

// One file of a disk saved to the host.
struct Saved {
    const DirFile* file = nullptr;
    std::string hostName;
    FileBytes content;
    WriteResult result;
};

// Saves the files' bytes into `folder` under distinct host names. A file
// already there is replaced only when `replace(hostName)` says so. Damaged
// files are written as far as they can be read.
std::vector<Saved> SaveFiles(const SectorSource& source, const std::vector<const DirFile*>& files,
                             const std::filesystem::path& folder,
                             const std::function<bool(const std::string& hostName)>& replace);

} // namespace ss::dos
