// The commands on a disk's DOS directory: `files` lists the files, `extract`
// copies them to the host, `cat` shows what one holds.
#pragma once

#include "dos/dos_disk.h"
#include "framework.h"
#include "json.h"

#include <ostream>
#include <string>
#include <string_view>

namespace ss::cli {

// What both say of a disk of no DOS family they read, before the reason.
inline constexpr const char* kNoDos = "no TRSDOS, LDOS, DOSPLUS, NEWDOS/80 or CP/M disk: ";

// A sector's address as [track, side, sector].
Json AddressJson(const dos::SectorAddress& a);

// The one file a name given on the command line stands for (as
// dos::FilesNamed); when it names none or several, says so on err and gives
// nullptr.
const dos::DirFile* FileNamed(const dos::Disk& disk, const std::string& given, std::ostream& err);

// Says on err which of the file's sectors are missing (`zeros`: what became
// of them, "written" as zeros) or read with CRC errors, and the directory's
// problems with it; true when there was any.
bool PrintDamage(std::ostream& err, const dos::DirFile& file, const dos::FileBytes& content,
                 std::string_view zeros);

extern const Command kFilesCommand;
extern const Command kExtractCommand;
extern const Command kCatCommand;

} // namespace ss::cli
