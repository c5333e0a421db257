#include "contents_logic.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace ss {

ContentsLogic::ContentsLogic(const dos::DirFile& file, dos::FileBytes content, bool cpm)
    : name_(file.name), content_(std::move(content)), cpm_(cpm),
      auto_(contents::AutoView(content_.bytes, cpm)), view_(auto_) {
    if (!content_.missing.empty()) {
        damage_.push_back("Sectors missing, shown as zeros: " +
                          dos::AddressesText(content_.missing));
    }
    if (!content_.crcErrors.empty()) {
        damage_.push_back("Sectors read with CRC errors: " +
                          dos::AddressesText(content_.crcErrors));
    }
    // The directory's problems with the file, but for those about the
    // sectors just named.
    for (const std::string& problem : file.problems) {
        bool named = false;
        for (const auto* list : {&content_.missing, &content_.crcErrors}) {
            for (const dos::SectorAddress& at : *list) {
                named = named || problem.find(dos::AddressText(at)) != std::string::npos;
            }
        }
        if (!named) {
            damage_.push_back(problem);
        }
    }
    shown_ = contents::ShowAs(view_, content_.bytes, cpm_);
}

void ContentsLogic::SetView(contents::View view) {
    if (view != view_) {
        view_ = view;
        shown_ = contents::ShowAs(view_, content_.bytes, cpm_);
    }
}

std::string ContentsLogic::Text() const {
    std::size_t size = 0;
    for (const std::string& line : shown_.lines) {
        size += line.size() + 1;
    }
    std::string text;
    text.reserve(size);
    for (const std::string& line : shown_.lines) {
        text += line;
        text += '\n';
    }
    return text;
}

std::string ContentsLogic::SaveText(const std::filesystem::path& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return path.string() + ": " + std::strerror(errno);
    }
    const std::string text = Text();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        return path.string() + ": the text could not be written whole";
    }
    return {};
}

} // namespace ss
