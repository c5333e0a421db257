// What became of a window's File > Open, as a value the caller can act on.
#pragma once

#include <string>
#include <utility>

namespace ss {

struct OpenResult {
    enum class Outcome {
        Opened,     // the file was read and shown
        Refused,    // the window refused the file with an "Error" box
        CannotOpen, // the file could not be opened (the "Text Editor" warning)
    };
    Outcome outcome = Outcome::Opened;
    // Refused: the text of the refusal box, its lines separated by carriage
    // returns. CannotOpen: why the file could not be opened, in one line.
    std::string message;

    static OpenResult Opened() { return {}; }
    static OpenResult Refused(std::string text) { return {Outcome::Refused, std::move(text)}; }
    static OpenResult CannotOpen(std::string reason) {
        return {Outcome::CannotOpen, std::move(reason)};
    }
    bool IsOpened() const { return outcome == Outcome::Opened; }

    friend bool operator==(const OpenResult&, const OpenResult&) = default;
};

} // namespace ss
