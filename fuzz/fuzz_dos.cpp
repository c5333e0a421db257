// Feeds arbitrary bytes to the DOS layer: the main window opens them as an
// image and reads its DOS directory; the Files window lists the files (every
// sort column both ways, with and without system and invisible files) and
// opens some in the main window; the owner of a spread of sectors is asked;
// then every file is extracted into a fresh temporary folder, and some again
// over what is there. Nothing may be written outside that folder: after each
// extraction the folder must hold exactly the files written, each a plain
// file of the size read, and its parent nothing else.

#include "dos/dos_disk.h"
#include "dos/host_names.h"
#include "fuzz_support.h"
#include "windows/files/files_logic.h"
#include "windows/main_window/main_window_logic.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The most files opened in the main window from the Files window, and saved
// a second time over the first: each draws a display or writes a file.
constexpr int kMostOpened = 4;
constexpr int kMostSavedAgain = 4;

[[noreturn]] void Fail() {
    __builtin_trap();
}

// A folder of the process's own under the temporary folder; each input's
// files go into its one subfolder, removed after the input.
class Scratch {
  public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "sectorscope-fuzz-dos-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            Fail();
        }
        parent_ = pattern;
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(parent_, ec);
    }

    fs::path Fresh() const {
        const fs::path out = parent_ / "out";
        std::error_code ec;
        fs::remove_all(out, ec);
        if (!fs::create_directory(out, ec)) {
            Fail();
        }
        return out;
    }
    void Remove() const {
        std::error_code ec;
        fs::remove_all(parent_ / "out", ec);
        if (ec) {
            Fail();
        }
    }

    // The parent holds the one folder, and the folder exactly the files
    // `written` (host name and size), each a plain file.
    void Check(const std::map<std::string, std::uintmax_t>& written) const {
        int entries = 0;
        for (const auto& e : fs::directory_iterator(parent_)) {
            if (e.path().filename() != "out" || !e.is_directory() || e.is_symlink()) {
                Fail();
            }
            ++entries;
        }
        if (entries != 1) {
            Fail();
        }
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(parent_ / "out")) {
            if (e.is_symlink() || !e.is_regular_file()) {
                Fail();
            }
            found.insert(e.path().filename().string());
        }
        std::set<std::string> want;
        for (const auto& [name, size] : written) {
            want.insert(name);
            if (fs::file_size(parent_ / "out" / name) != size) {
                Fail();
            }
        }
        if (found != want) {
            Fail();
        }
    }

  private:
    fs::path parent_;
};

// The Files window's table: every column, each both ways, with and without
// the system and invisible files; then the first rows opened in the main
// window as a double-click does.
void List(ss::FilesLogic& files) {
    files.Form_Activate();
    for (const bool all : {false, true}) {
        files.SetShowAll(all);
        for (int column = 0; column < ss::FilesLogic::Columns; ++column) {
            files.SortBy(column);
            files.SortBy(column);
        }
    }
    const int rows = static_cast<int>(files.Rows().size());
    for (int row = 0; row < std::min(rows, kMostOpened); ++row) {
        files.OpenRow(row);
    }
    files.OpenRow(rows); // past the last row: nothing happens
}

// The owner of each sector the reader placed, and of a spread of others on
// every track side the image holds and just past it: its first, middle and
// last sector and the one after, and sector numbers no track holds.
void AskOwners(const ss::dos::Disk& disk, const ss::dos::SectorSource& source) {
    for (const auto& [at, owner] : disk.owners) {
        (void)ss::dos::OwnerText(disk, at);
    }
    for (int c = 0; c <= source.Cylinders(); ++c) {
        for (int h = 0; h <= source.Sides(); ++h) {
            const auto shape = source.Track(c, h);
            const int lowest = shape ? shape->lowest : 0;
            const int n = shape ? shape->sectors : 0;
            for (const int s : {lowest, lowest + n / 2, lowest + n - 1, lowest + n, 255}) {
                (void)ss::dos::OwnerText(disk, {c, h, s});
            }
        }
    }
}

// Every file of the disk into a fresh folder; then the first few rows of the
// Files window saved again over them, replacing every other one.
void Extract(ss::FilesLogic& files, const ss::dos::Disk& disk,
             const ss::dos::SectorSource& source) {
    static const Scratch scratch;
    const fs::path out = scratch.Fresh();
    std::vector<const ss::dos::DirFile*> all;
    for (const ss::dos::DirFile& f : disk.files) {
        all.push_back(&f);
    }
    std::map<std::string, std::uintmax_t> written;
    for (const ss::dos::Saved& s :
         ss::dos::SaveFiles(source, all, out, [](const std::string&) { return false; })) {
        if (s.result.outcome == ss::dos::WriteOutcome::Written) {
            written[s.hostName] = s.content.bytes.size();
        } else {
            Fail(); // a fresh folder and distinct names: every file is written
        }
    }
    scratch.Check(written);

    std::vector<int> rows;
    for (int r = 0; r < std::min(static_cast<int>(files.Rows().size()), kMostSavedAgain); ++r) {
        rows.push_back(r);
    }
    // The rows' own names: among fewer files a name may need no _2 suffix.
    bool replace = false;
    for (const ss::dos::Saved& s : files.SaveRows(rows, out, [&](const std::string&) {
             replace = !replace;
             return replace;
         })) {
        if (s.result.outcome == ss::dos::WriteOutcome::Failed) {
            Fail();
        }
        if (s.result.outcome == ss::dos::WriteOutcome::Written) {
            written[s.hostName] = s.content.bytes.size();
        }
    }
    scratch.Check(written);
    scratch.Remove();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ss::fuzz::MemoryFile file;
    file.Write(data, size);

    ss::RecordingHost host;
    ss::FixedMetrics metrics;
    ss::MainWindowLogic main(host, metrics);
    main.MnuOpen(file.Path());
    ss::FilesLogic files(host, main);
    List(files);

    const ss::dos::SectorSource* sectors = main.Sectors();
    if (sectors == nullptr) {
        return 0; // no image: the Files window shows nothing to list or save
    }
    const ss::dos::Disk& disk = main.DosDisk();
    AskOwners(disk, *sectors);
    if (disk.Recognised()) {
        Extract(files, disk, *sectors);
    }
    return 0;
}
