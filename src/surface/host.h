// The services only a toolkit has, as the window logic asks for them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ss {

// Buttons of a message box.
inline constexpr int kMsgOk = 0;             // an OK button alone
inline constexpr int kMsgOkExclamation = 48; // OK with an exclamation icon

enum class WindowId { MainWindow, SectorMap, HexViewerWindow, Files, DiskCheck };

class Host {
  public:
    virtual ~Host() = default;
    // The path of the image that the main window last handed on to a
    // secondary window; empty until then. One for the whole program.
    std::string SharedFilename;

    // A modal message box; returns when the user presses OK. Line breaks in
    // the text are single carriage returns.
    virtual void MsgBox(std::string_view text, int buttons, std::string_view title) = 0;
    // Lets the events waiting for the windows run to their end.
    virtual void Yield() = 0;
    // Shows a window modelessly, creating it on first use.
    virtual void ShowWindow(WindowId id) = 0;
};

// A host with no screen: answers every message box at once and remembers it.
class RecordingHost : public Host {
  public:
    struct Message {
        std::string text;
        int buttons = 0;
        std::string title;
    };
    std::vector<Message> messages;
    std::vector<WindowId> shown;
    int yields = 0;

    void MsgBox(std::string_view text, int buttons, std::string_view title) override {
        messages.push_back(Message{std::string(text), buttons, std::string(title)});
    }
    void Yield() override { ++yields; }
    void ShowWindow(WindowId id) override { shown.push_back(id); }
};

} // namespace ss
