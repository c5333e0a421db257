// The contents window's logic: what one file of the Files window holds, in
// the view Auto picks or the one chosen (Listing, Text, Load map,
// Disassembly, Hex), the damage of the file above it, and the text shown
// saved to a file.
#pragma once

#include "contents/file_view.h"
#include "dos/dos_disk.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ss {

class ContentsLogic {
  public:
    // The file as read from its disk; `cpm`: the disk is a CP/M disk.
    ContentsLogic(const dos::DirFile& file, dos::FileBytes content, bool cpm);

    const std::string& FileName() const { return name_; }
    std::size_t Size() const { return content_.bytes.size(); }
    contents::View AutoView() const { return auto_; }
    contents::View View() const { return view_; }
    void SetView(contents::View view);

    // The lines of the view, bytes outside printable ASCII as {XX}.
    const std::vector<std::string>& Lines() const { return shown_.lines; }
    // Why the file does not read as the view asks; empty when it does.
    const std::string& Error() const { return shown_.error; }
    // What is wrong with the file: its missing sectors (shown as zeros), the
    // sectors read with CRC errors, and the directory's other problems with
    // it (a granule free in the GAT or claimed by another file, ...).
    const std::vector<std::string>& Damage() const { return damage_; }
    // The lines, each ended by a line feed.
    std::string Text() const;

    // Save As of the text shown; empty when written, else why not.
    std::string SaveText(const std::filesystem::path& path) const;

  private:
    std::string name_;
    dos::FileBytes content_;
    bool cpm_ = false;
    contents::View auto_;
    contents::View view_;
    contents::ViewText shown_;
    std::vector<std::string> damage_;
};

} // namespace ss
