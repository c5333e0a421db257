// sectorscope-cli extract IMAGE NAME... [-o DIR] [--force]: copies files of
// the disk's DOS directory to the host. The image is only read.
#include "commands.h"
#include "dos/dos_disk.h"
#include "dos/host_names.h"
#include "dos_commands.h"
#include "terminal.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ss::cli {

const dos::DirFile* FileNamed(const dos::Disk& disk, const std::string& given, std::ostream& err) {
    const std::vector<const dos::DirFile*> found = dos::FilesNamed(disk, given);
    if (found.empty()) {
        err << "sectorscope-cli: no file " << given << " on this disk\n";
        return nullptr;
    }
    if (found.size() > 1) {
        std::string names;
        for (const dos::DirFile* f : found) {
            names += (names.empty() ? "" : ", ") + f->name;
        }
        err << "sectorscope-cli: " << given << " names several files: " << names << '\n';
        return nullptr;
    }
    return found.front();
}

bool PrintDamage(std::ostream& err, const dos::DirFile& file, const dos::FileBytes& content,
                 std::string_view zeros) {
    if (!content.missing.empty()) {
        err << "sectorscope-cli: " << file.name << ": sectors missing, " << zeros
            << " as zeros: " << dos::AddressesText(content.missing) << '\n';
    }
    if (!content.crcErrors.empty()) {
        err << "sectorscope-cli: " << file.name
            << ": sectors with CRC errors: " << dos::AddressesText(content.crcErrors) << '\n';
    }
    for (const std::string& p : file.problems) {
        err << "sectorscope-cli: " << file.name << ": " << p << '\n';
    }
    return file.Damaged() || !content.Complete();
}

namespace {

int RunExtract(const Invocation& call) {
    const bool everything = call.Has("--all");
    if (call.operands.size() < 2 && !everything) {
        throw UsageError{"extract takes FILE and NAME... or --all"};
    }
    Window window;
    if (const auto status = OpenForCommand(window, call.operands[0], *call.err, true)) {
        return *status;
    }
    const dos::Disk& disk = window.logic.DosDisk();
    if (!disk.Recognised()) {
        *call.err << "sectorscope-cli: " << kNoDos << disk.why << '\n';
        return kExitMessage;
    }

    int status = kExitDone;
    // Each file once: every file of the disk with --all, else the names in
    // the order given.
    std::vector<const dos::DirFile*> chosen;
    if (everything) {
        for (const dos::DirFile& f : disk.files) {
            chosen.push_back(&f);
        }
    }
    for (std::size_t k = 1; k < call.operands.size() && !everything; ++k) {
        const dos::DirFile* found = FileNamed(disk, call.operands[k], *call.err);
        if (found == nullptr) {
            status = kExitMessage;
        } else if (std::find(chosen.begin(), chosen.end(), found) == chosen.end()) {
            chosen.push_back(found);
        }
    }

    const std::filesystem::path folder = call.Value("-o").value_or(".");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder)) {
        *call.err << "sectorscope-cli: cannot make the folder " << folder.string() << '\n';
        return kExitOutput;
    }
    const bool force = call.Has("--force");
    const auto saved = dos::SaveFiles(*window.logic.Sectors(), chosen, folder,
                                      [force](const std::string&) { return force; });
    for (const dos::Saved& s : saved) {
        const std::string path = (folder / s.hostName).string();
        switch (s.result.outcome) {
        case dos::WriteOutcome::Exists:
            *call.err << "sectorscope-cli: " << path << " exists; --force replaces it\n";
            status = std::max(status, kExitMessage);
            continue;
        case dos::WriteOutcome::Failed:
            *call.err << "sectorscope-cli: cannot write " << s.result.error << '\n';
            status = kExitOutput;
            continue;
        case dos::WriteOutcome::Written:
            break;
        }
        *call.out << s.file->name << '\t' << EscapeName(path) << '\t' << s.content.bytes.size()
                  << '\n';
        if (PrintDamage(*call.err, *s.file, s.content, "written")) {
            status = std::max(status, kExitMessage);
        }
    }
    return status;
}

constexpr OptionSpec kExtractOptions[] = {
    {"--all", "", "copies every file of the disk, system and invisible ones too"},
    {"-o", "DIR", "writes into DIR (made when missing) instead of the current folder"},
    {"--force", "", "replaces files that are already there"},
};

} // namespace

const Command kExtractCommand{
    "extract",
    "FILE [NAME...]",
    "Copies each named file of the disk's DOS directory (NAME/EXT, NAME.EXT\n"
    "or NAME, case ignored), or with --all every file, to the host as\n"
    "NAME.EXT, every byte that is not a letter,\n"
    "digit or one of -_$#@! written as _; names that meet get _2, _3, ...\n"
    "Prints \"NAME/EXT<TAB>path<TAB>bytes\" for each file written. An existing\n"
    "file is kept unless --force is given. Exits 1 when a name is not on the\n"
    "disk, a file is kept or damaged (after writing what could be read, the\n"
    "missing sectors as zeros, and saying which they were); exits 3 when\n"
    "the folder cannot be made or a file cannot be written.",
    kExtractOptions,
    kNoSharedOptions,
    RunExtract};

} // namespace ss::cli
