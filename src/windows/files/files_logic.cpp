#include "files_logic.h"

#include <algorithm>

namespace ss {

const char* const FilesLogic::kColumnTitles[Columns] = {"Name", "Attributes",   "Size",  "LRL",
                                                        "Date", "First sector", "Damage"};

namespace {
// A box's text on one line: its lines' words with one blank between them.
std::string OneLine(const std::string& text) {
    std::string line;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\r' || c == '\n') {
            blank = !line.empty();
        } else {
            if (blank) {
                line += ' ';
                blank = false;
            }
            line += c;
        }
    }
    return line;
}
} // namespace

FilesLogic::FilesLogic(Host& host, MainWindowLogic& main) : host_(host), main_(main) {}

void FilesLogic::Form_Activate() {
    if (main_.ImageGeneration() != generation_) {
        Refresh();
    }
}

void FilesLogic::Refresh() {
    generation_ = main_.ImageGeneration();
    const dos::Disk& disk = main_.DosDisk();
    // The file the main window names, refused or not.
    TxtFilename.Text =
        main_.HasImage() || !main_.Refusal().empty() ? main_.Filename : std::string();
    TxtDos.Text = disk.dos;
    TxtDiskname.Text = disk.diskName;
    TxtDiskdate.Text = disk.diskDate;
    TxtFree.Text = disk.Recognised()
                       ? std::to_string(disk.freeBytes) + " bytes free (" +
                             std::to_string(disk.freeGranules) + " " + disk.freeUnit + ")"
                       : std::string();
    TxtNoDos.Text = main_.HasImage() && !disk.Recognised() ? kFilesNoDos + disk.why
                    : !main_.HasImage() && !main_.Refusal().empty()
                        ? kFilesRefused + OneLine(main_.Refusal())
                        : std::string();
    List1.Clear();
    for (const std::string& p : disk.problems) {
        List1.AddItem(p);
    }
    for (const std::string& n : disk.notices) {
        List1.AddItem(n);
    }
    FillRows();
}

void FilesLogic::SortBy(int column) {
    if (column < 0 || column >= Columns) {
        return;
    }
    descending_ = column == sortColumn_ ? !descending_ : false;
    sortColumn_ = column;
    FillRows();
}

void FilesLogic::SetShowAll(bool all) {
    ChkAll.Value = all;
    FillRows();
}

void FilesLogic::FillRows() {
    const dos::Disk& disk = main_.DosDisk();
    rows_.clear();
    std::vector<int> order;
    for (std::size_t k = 0; k < disk.files.size(); ++k) {
        const dos::DirFile& f = disk.files[k];
        if (ChkAll.Value || (!f.system && !f.invisible)) {
            order.push_back(static_cast<int>(k));
        }
    }
    // Numbers sort as numbers, the rest as text; ties keep directory order.
    const auto key = [&](int k) {
        const dos::DirFile& f = disk.files[static_cast<std::size_t>(k)];
        switch (sortColumn_) {
        case Size:
            return std::pair<std::int64_t, std::string>{f.size, {}};
        case Lrl:
            return std::pair<std::int64_t, std::string>{f.lrl, {}};
        case Date:
            return std::pair<std::int64_t, std::string>{
                f.date ? f.date->year * 400 + f.date->month * 32 + f.date->day : 0, {}};
        case First:
            return std::pair<std::int64_t, std::string>{
                f.sectors.empty()
                    ? -1
                    : (f.sectors[0].track * 2 + f.sectors[0].side) * 256 + f.sectors[0].sector,
                {}};
        case Attributes:
            return std::pair<std::int64_t, std::string>{0, dos::AttributeText(f)};
        case Damage:
            return std::pair<std::int64_t, std::string>{
                static_cast<std::int64_t>(f.problems.size()), {}};
        default:
            return std::pair<std::int64_t, std::string>{0, f.name};
        }
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return descending_ ? key(b) < key(a) : key(a) < key(b); });
    for (const int k : order) {
        const dos::DirFile& f = disk.files[static_cast<std::size_t>(k)];
        Row row;
        row.file = k;
        row.damaged = f.Damaged();
        std::string damage;
        for (const std::string& p : f.problems) {
            damage += (damage.empty() ? "" : "; ") + p;
        }
        const std::string first = f.sectors.empty() ? std::string()
                                                    : std::to_string(f.sectors[0].track) + "/" +
                                                          std::to_string(f.sectors[0].side) + "/" +
                                                          std::to_string(f.sectors[0].sector);
        row.cells = {f.name,
                     dos::AttributeText(f),
                     std::to_string(f.size),
                     std::to_string(f.lrl),
                     f.date ? dos::DateText(*f.date) : std::string(),
                     first,
                     damage};
        rows_.push_back(std::move(row));
    }
}

void FilesLogic::OpenRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    const dos::DirFile& f =
        main_.DosDisk().files[static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)].file)];
    if (!f.sectors.empty() && main_.ShowSectorAt(f.sectors.front())) {
        host_.ShowWindow(WindowId::MainWindow);
    }
}

std::optional<ContentsLogic> FilesLogic::ContentsOfRow(int row) const {
    const dos::SectorSource* sectors = main_.Sectors();
    // Rows of an image the main window no longer shows name none of its files.
    if (row < 0 || row >= static_cast<int>(rows_.size()) || sectors == nullptr ||
        main_.ImageGeneration() != generation_) {
        return std::nullopt;
    }
    const dos::Disk& disk = main_.DosDisk();
    const dos::DirFile& f =
        disk.files[static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)].file)];
    return ContentsLogic(f, dos::ReadFile(*sectors, f), disk.family == dos::Family::Cpm);
}

std::vector<dos::Saved>
FilesLogic::SaveRows(const std::vector<int>& rows, const std::filesystem::path& folder,
                     const std::function<bool(const std::string&)>& replace) {
    const dos::SectorSource* sectors = main_.Sectors();
    std::vector<const dos::DirFile*> files;
    for (const int r : rows) {
        if (r >= 0 && r < static_cast<int>(rows_.size())) {
            files.push_back(
                &main_.DosDisk()
                     .files[static_cast<std::size_t>(rows_[static_cast<std::size_t>(r)].file)]);
        }
    }
    if (sectors == nullptr || files.empty()) {
        return {};
    }
    std::vector<dos::Saved> saved = dos::SaveFiles(*sectors, files, folder, replace);
    std::string text;
    for (const dos::Saved& s : saved) {
        text += s.file->name + ": ";
        switch (s.result.outcome) {
        case dos::WriteOutcome::Written:
            text += "saved as " + s.hostName;
            if (!s.content.missing.empty()) {
                text += ", " + std::to_string(s.content.missing.size()) +
                        " missing sectors written as zeros";
            }
            if (!s.content.crcErrors.empty()) {
                text +=
                    ", " + std::to_string(s.content.crcErrors.size()) + " sectors with CRC errors";
            }
            break;
        case dos::WriteOutcome::Exists:
            text += s.hostName + " kept as it was";
            break;
        case dos::WriteOutcome::Failed:
            text += "not saved: " + s.result.error;
            break;
        }
        text += '\r';
    }
    text.pop_back();
    host_.MsgBox(text, kMsgOk, kFilesSaveTitle);
    return saved;
}

} // namespace ss
