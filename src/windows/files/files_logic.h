// The Files window's logic: the DOS, name, date and free space of the disk
// the main window shows, and a table of its files that can be sorted, shown
// with or without system and invisible files, opened in the main window and
// saved to a folder.
#pragma once

#include "dos/host_names.h"
#include "surface/controls.h"
#include "surface/host.h"
#include "windows/contents/contents_logic.h"
#include "windows/main_window/main_window_logic.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ss {

inline constexpr const char* kFilesNoDos = "Not a TRSDOS, LDOS, DOSPLUS, NEWDOS/80 or CP/M disk: ";
inline constexpr const char* kFilesSaveTitle = "Save As";
inline constexpr const char* kFilesRefused = "The main window refused this file: ";

class FilesLogic {
  public:
    // The columns of the table, in order.
    enum Column { Name, Attributes, Size, Lrl, Date, First, Damage, Columns };
    static const char* const kColumnTitles[Columns];

    struct Row {
        std::vector<std::string> cells; // one per column
        bool damaged = false;
        int file = 0; // index into the disk's files
    };

    FilesLogic(Host& host, MainWindowLogic& main);

    TextBox TxtFilename, TxtDos, TxtDiskname, TxtDiskdate, TxtFree;
    // Why no directory was read, in full (the main window's refusal of the
    // file among the reasons): empty when one was.
    TextBox TxtNoDos;
    // The disk's own problems, then where the GAT disagrees with the sectors.
    ListBox List1;
    OptionButton ChkAll{"Show system and invisible files"};
    CommandButton CmndSave{"Save As..."};
    CommandButton CmndView{"View"};

    // Reads the main window's disk again when it shows another image.
    void Form_Activate();
    // Fills the window from the main window's disk.
    void Refresh();
    // Sorts by a column; the same column again reverses the order.
    void SortBy(int column);
    int SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return descending_; }
    void SetShowAll(bool all);

    const std::vector<Row>& Rows() const { return rows_; }
    // Double-click on a row: the file's first sector in the main window.
    void OpenRow(int row);
    // View (also Enter and the table's menu): the row's file read from the
    // disk, for a contents window of its own; none for a row not there.
    std::optional<ContentsLogic> ContentsOfRow(int row) const;
    // Save As: the rows' files into folder; a file already there is replaced
    // when `replace` says so. Ends with a box saying what was written.
    std::vector<dos::Saved> SaveRows(const std::vector<int>& rows,
                                     const std::filesystem::path& folder,
                                     const std::function<bool(const std::string&)>& replace);

  private:
    void FillRows();

    Host& host_;
    MainWindowLogic& main_;
    int generation_ = -1;
    int sortColumn_ = Name;
    bool descending_ = false;
    std::vector<Row> rows_;
};

} // namespace ss
