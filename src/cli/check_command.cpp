#include "check_command.h"

#include "dos/disk_sectors.h"
#include "dos/dos_disk.h"
#include "image/image_file.h"
#include "json.h"
#include "terminal.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

namespace ss::cli {

namespace fs = std::filesystem;

namespace {

bool HasImageExtension(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".dsk" || ext == ".dmk" || ext == ".jv1" || ext == ".jv3";
}

// The files of the DOS directory the damage reaches: those the directory
// itself finds fault with, and those with a sector missing or read with a
// CRC error.
std::vector<DamagedFile> DamagedFiles(const dos::Disk& dosDisk, const dos::SectorSource& source) {
    std::vector<DamagedFile> files;
    for (const dos::DirFile& f : dosDisk.files) {
        const dos::FileBytes content = dos::ReadFile(source, f);
        if (!f.Damaged() && content.Complete()) {
            continue;
        }
        // The directory's reading names the sectors it found missing or
        // damaged; the file's bytes say so where it did not.
        DamagedFile d{f.name, f.problems};
        if (d.why.empty() && !content.missing.empty()) {
            d.why.push_back("sectors missing: " + dos::AddressesText(content.missing));
        }
        if (f.problems.empty() && !content.crcErrors.empty()) {
            d.why.push_back("sectors with CRC errors: " + dos::AddressesText(content.crcErrors));
        }
        files.push_back(std::move(d));
    }
    return files;
}

std::string LayoutText(Layout layout) {
    return layout == Layout::RealDiskDMK ? "DMK (real drive)" : LayoutName(layout);
}

void PrintLine(std::ostream& out, const ImageCheck& c) {
    out << EscapeName(c.path) << '\t';
    if (c.outcome == ImageCheck::Outcome::Unreadable) {
        out << c.error << '\n';
        return;
    }
    const check::DiskCheck& k = c.check;
    out << LayoutText(k.layout) << '\t' << k.cylinders << 'x' << k.heads << '\t' << k.counts.sectors
        << " sectors\t"
        << (k.counts.Whole() && !c.files.empty() ? "every sector whole"
                                                 : check::DamageText(k.counts));
    if (!c.files.empty()) {
        out << "\tfiles damaged:";
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            out << (i > 0 ? ", " : " ") << c.files[i].name;
        }
    }
    out << '\n';
}

Json CheckJson(const ImageCheck& c) {
    Json j;
    j["file"] = c.path;
    static const char* const kOutcomes[] = {"whole", "damaged", "unreadable"};
    j["status"] = kOutcomes[static_cast<int>(c.outcome)];
    if (c.outcome == ImageCheck::Outcome::Unreadable) {
        j["error"] = c.error;
        return j;
    }
    const check::DiskCheck& k = c.check;
    const check::Counts& n = k.counts;
    j["layout"] = LayoutText(k.layout);
    j["cylinders"] = k.cylinders;
    j["heads"] = k.heads;
    j["sectors"] = n.sectors;
    Json damage;
    damage["id_crc_errors"] = n.idCrcErrors;
    damage["data_crc_errors"] = n.dataCrcErrors;
    damage["without_data"] = n.noData;
    damage["missing"] = n.missing;
    damage["duplicates"] = n.duplicates;
    damage["wrong_track"] = n.wrongTrack;
    damage["mis_stepped_tracks"] = n.misSteppedTracks;
    damage["ends_inside"] = n.endsInsideCylinder < 0 ? Json(nullptr)
                                                     : Json{{"cylinder", n.endsInsideCylinder},
                                                            {"head", n.endsInsideHead}};
    j["damage"] = std::move(damage);
    Json sectors = Json::array();
    for (const check::Row& r : k.rows) {
        for (std::size_t place = 0; place < r.cells.size(); ++place) {
            const check::Cell& cell = r.cells[place];
            if (cell.cls == check::CellClass::Good) {
                continue;
            }
            Json s;
            s["cylinder"] = r.cylinder;
            s["head"] = r.head;
            s["place"] = cell.sector; // -1: missing, it has none
            s["sector"] = cell.number;
            s["class"] = check::ClassKey(cell.cls);
            sectors.push_back(std::move(s));
        }
    }
    j["damaged_sectors"] = std::move(sectors);
    j["dos"] = c.dos.empty() ? Json(nullptr) : Json(c.dos);
    Json files = Json::array();
    for (const DamagedFile& f : c.files) {
        files.push_back(Json{{"name", f.name}, {"problems", f.why}});
    }
    j["damaged_files"] = std::move(files);
    return j;
}

// A progress bar on a terminal, drawn over itself.
class ProgressBar {
  public:
    ProgressBar(std::ostream& err, std::size_t total) : err_(err), total_(total) {}
    ~ProgressBar() {
        if (shown_) {
            err_ << "\r\x1b[K" << std::flush;
        }
    }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Shown once the work has taken more than a second.
    void Update(std::size_t done) {
        if (!shown_ && std::chrono::steady_clock::now() - start_ < std::chrono::seconds(1)) {
            return;
        }
        shown_ = true;
        constexpr std::size_t kWidth = 30;
        const std::size_t filled = total_ == 0 ? kWidth : done * kWidth / total_;
        err_ << "\rchecking [" << std::string(filled, '#') << std::string(kWidth - filled, ' ')
             << "] " << done << '/' << total_ << std::flush;
    }

  private:
    std::ostream& err_;
    std::size_t total_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    bool shown_ = false;
};

int RunCheck(const Invocation& call) {
    std::vector<std::string> emptyFolders;
    const std::vector<std::string> paths =
        ImagesToCheck(call.operands, call.Has("-r"), &emptyFolders);
    // A folder of no images is said, not passed over as if all were whole:
    // most likely the wrong folder, or one whose images lie deeper (-r).
    for (const std::string& folder : emptyFolders) {
        *call.err << "sectorscope-cli: no disk images (.dsk, .dmk, .jv1, .jv3) in '"
                  << EscapeName(folder) << "'"
                  << (call.Has("-r") ? "" : " (-r looks in its folders)") << '\n';
    }
    std::optional<ProgressBar> bar;
    if (call.err == &std::cerr && isatty(STDERR_FILENO) == 1) {
        bar.emplace(*call.err, paths.size());
    }
    bool damaged = false;
    bool unreadable = false;
    Json images = Json::array();
    CheckImages(
        paths, std::max(1u, std::thread::hardware_concurrency()),
        [&](ImageCheck& c) {
            damaged |= c.outcome == ImageCheck::Outcome::Damaged;
            unreadable |= c.outcome == ImageCheck::Outcome::Unreadable;
            if (call.json) {
                images.push_back(CheckJson(c));
                return;
            }
            if (bar) {
                *call.err << "\r\x1b[K";
            }
            PrintLine(*call.out, c);
        },
        [&](std::size_t done) {
            if (bar) {
                bar->Update(done);
            }
        });
    bar.reset();
    if (call.json) {
        WriteJson(*call.out, Json{{"images", std::move(images)}});
        *call.out << '\n';
    }
    return unreadable || !emptyFolders.empty() ? kExitUsage : damaged ? kExitMessage : kExitDone;
}

constexpr OptionSpec kCheckOptions[] = {
    {"-r", "", "walks the folders given into their folders as well"},
};

} // namespace

ImageCheck CheckImageFile(const std::string& path) {
    ImageCheck c;
    c.path = path;
    FileNumber1 file;
    if (!file.Open(path)) {
        c.error = "cannot be read: " + CannotOpenReason(path);
        return c;
    }
    const ImageBuffer buf(file.ReadAllAndClose());
    const disk::Disk model = disk::ReadDisk(buf);
    if (model.layout == Layout::Unknown) {
        c.error = "not a JV1, JV3 or DMK image";
        return c;
    }
    c.check = check::CheckDisk(model);
    const dos::DiskSectors sectors(model, buf);
    const dos::Disk dosDisk = dos::ReadDisk(sectors);
    if (dosDisk.Recognised()) {
        c.dos = dosDisk.dos;
        c.files = DamagedFiles(dosDisk, sectors);
    }
    c.outcome = c.check.counts.Whole() && c.files.empty() ? ImageCheck::Outcome::Whole
                                                          : ImageCheck::Outcome::Damaged;
    return c;
}

std::vector<std::string> ImagesToCheck(const std::vector<std::string>& operands, bool recursive,
                                       std::vector<std::string>* emptyFolders) {
    std::vector<std::string> paths;
    for (const std::string& given : operands) {
        std::error_code ec;
        if (!fs::is_directory(given, ec)) {
            paths.push_back(given);
            continue;
        }
        std::vector<std::string> found;
        const auto take = [&](const fs::directory_entry& e) {
            std::error_code fileEc;
            if (e.is_regular_file(fileEc) && HasImageExtension(e.path())) {
                found.push_back(e.path().string());
            }
        };
        constexpr auto kOptions = fs::directory_options::skip_permission_denied;
        if (recursive) {
            for (auto it = fs::recursive_directory_iterator(given, kOptions, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
                take(*it);
            }
        } else {
            for (auto it = fs::directory_iterator(given, kOptions, ec);
                 !ec && it != fs::directory_iterator(); it.increment(ec)) {
                take(*it);
            }
        }
        if (found.empty() && emptyFolders != nullptr) {
            emptyFolders->push_back(given);
        }
        std::sort(found.begin(), found.end());
        paths.insert(paths.end(), found.begin(), found.end());
    }
    return paths;
}

void CheckImages(const std::vector<std::string>& paths, unsigned threads,
                 const std::function<void(ImageCheck&)>& take,
                 const std::function<void(std::size_t)>& progress) {
    std::vector<std::optional<ImageCheck>> done(paths.size());
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable ready;
    std::size_t finished = 0;
    const auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < paths.size();) {
            ImageCheck c;
            try {
                c = CheckImageFile(paths[i]);
            } catch (const std::exception& e) {
                // Out of memory, say: that image is not read, the others are.
                c.path = paths[i];
                c.error = std::string("cannot be read: ") + e.what();
            }
            const std::lock_guard lock(mutex);
            done[i] = std::move(c);
            ++finished;
            ready.notify_one();
        }
    };
    std::vector<std::jthread> workers;
    const std::size_t count = std::min<std::size_t>(threads, paths.size());
    for (std::size_t t = 0; t < count; ++t) {
        workers.emplace_back(work);
    }
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::unique_lock lock(mutex);
        while (!done[i]) {
            ready.wait_for(lock, std::chrono::milliseconds(100));
            if (progress) {
                const std::size_t f = finished;
                lock.unlock();
                progress(f);
                lock.lock();
            }
        }
        ImageCheck c = std::move(*done[i]);
        done[i].reset();
        lock.unlock();
        take(c);
    }
}

const Command kCheckCommand{
    "check",
    "IMAGE...",
    "Is every sector of each image there and intact? One line per image,\n"
    "in the order given, tab-separated: the image, its layout, cylinders x\n"
    "heads, its sectors, and \"whole\" or the damage found: ID CRC errors,\n"
    "data CRC errors, sectors without data, missing sectors (numbers\n"
    "between a track side's lowest and highest that no sector has),\n"
    "duplicates (sectors sharing an ID on one track side), mis-stepped\n"
    "tracks (IDs naming another track), and the cylinder inside which the\n"
    "file ends; then, where a DOS is recognised, \"files damaged:\" and the\n"
    "files the damage reaches. A folder stands for its images (.dsk, .dmk,\n"
    ".jv1, .jv3). Images are checked on every core; a progress bar shows on\n"
    "stderr when it is a terminal and the work takes more than a second.\n"
    "Exits 0 when every image is whole, 1 when any is damaged, 2 when any\n"
    "cannot be read or a folder given holds no image.\n"
    "With --json: {\"images\": [{\"file\", \"status\" (\"whole\", \"damaged\" or\n"
    "\"unreadable\"), \"error\", \"layout\", \"cylinders\", \"heads\", \"sectors\",\n"
    "\"damage\": {...}, \"damaged_sectors\": [{\"cylinder\", \"head\", \"place\",\n"
    "\"sector\", \"class\"}], \"dos\", \"damaged_files\": [{\"name\", \"problems\"}]}]}.",
    kCheckOptions,
    kJsonOnly,
    RunCheck};

} // namespace ss::cli
