// Binds a window's control models to their widgets once; Sync then shows the
// models on the widgets, and what the user does on a widget reaches the model
// and the window's handlers.
//
//   ControlBindings bindings;
//   bindings.SetAfterEvent([this] { SyncFromModels(); });
//   bindings.Bind(logic.TxtFilename, filenameEdit, TextKind::FileName);
//   bindings.Bind(logic.VScroll1, scrollBar);             // user moves: Change
//   bindings.Bind(logic.Cmndnext, nextButton, [this] { logic.Cmndnext_Click(); });
//   ...
//   logic.SomeEvent();
//   bindings.Sync();                                     // only what changed
//
// Sync writes to a widget only what differs from what it last showed, and the
// widget's own change signals that this writing raises are not taken as the
// user's doing, so no model event runs twice and nothing loops.
#pragma once

#include "surface/controls.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace ss {

// How a text box's text is held: readable text, or a file name in the bytes
// that the file system knows it by.
enum class TextKind { Plain, FileName };

// A file name as the logic holds it (the bytes the file system knows) and back.
std::string ToFileName(const QString& path);
QString FromFileName(const std::string& name);
// The file named on the command line (argv after the toolkit took its own
// options out), as the bytes given, made absolute against the current
// folder: a name that is not valid text in the locale's encoding opens all
// the same. Empty when no file is named.
std::string CommandLineFileName(int argc, char* argv[]);

class ControlBindings : public QObject {
  public:
    explicit ControlBindings(QObject* parent = nullptr);
    ~ControlBindings() override;

    // Runs after each event that a bound widget hands to the window (a click,
    // a scroll-bar Change), so the window can show what the handler did.
    void SetAfterEvent(std::function<void()> afterEvent);

    // Text, back and fore colour; an editable box writes what the user types
    // into the model's Text.
    void Bind(TextBox& model, QLineEdit* widget, TextKind kind = TextKind::Plain);
    // The items.
    void Bind(ListBox& model, QListWidget* widget);
    // The items and the edit field's text; what the user types or picks goes
    // into the model's Text.
    void Bind(ComboBox& model, QComboBox* widget);
    // Caption and Value. A click of the user selects the button (the others
    // of its group lose their Value) and then runs `onClick`.
    void Bind(OptionButton& model, QRadioButton* widget, std::function<void()> onClick = {});
    // Min, Max, SmallChange (arrow step), LargeChange (page step) and Value.
    // When the user moves the bar, the model's SetValue raises its Change.
    void Bind(ScrollBar& model, QScrollBar* widget);
    // Caption; a click runs `onClick` (nothing when empty).
    void Bind(CommandButton& model, QPushButton* widget, std::function<void()> onClick = {});

    // Shows every model on its widget, writing only what changed.
    void Sync();
    // True while Sync writes to the widgets.
    bool Syncing() const { return syncing_; }

    class Binding;

  private:
    template <typename B, typename... Args> void Add(Args&&... args);
    // Runs a handler of the window for a widget event, then the after-event step.
    void RunEvent(const std::function<void()>& handler);

    std::vector<std::unique_ptr<Binding>> bindings_;
    std::function<void()> afterEvent_;
    bool syncing_ = false;
};

} // namespace ss
