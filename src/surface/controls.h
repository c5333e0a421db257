// Control models: what a window's text boxes, lists, buttons and scroll bar
// hold. The window logic writes them; the toolkit layer shows them.
#pragma once

#include "colours.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ss {

struct TextBox {
    std::string Text;
    Colour BackColor = colour::White;
    Colour ForeColor = colour::Black;
};

struct ListBox {
    std::vector<std::string> Items;
    void Clear() { Items.clear(); }
    void AddItem(std::string text) { Items.push_back(std::move(text)); }
};

// A combo box with a list and an edit field the user may type anything into.
struct ComboBox {
    std::vector<std::string> Items;
    std::string Text;
    void Clear() {
        Items.clear();
        Text.clear();
    }
    void AddItem(std::string text) { Items.push_back(std::move(text)); }
};

struct OptionButton {
    std::string Caption;
    bool Value = false;
};

struct CommandButton {
    std::string Caption;
};

// A vertical scroll bar. Setting Value to another value raises Change at once,
// before the setter returns; setting the value it already has raises nothing.
class ScrollBar {
  public:
    int Min = 0;
    int Max = 32767;
    int SmallChange = 1;
    int LargeChange = 1;
    std::function<void()> Change;

    int Value() const { return value_; }
    void SetValue(int v) {
        if (v == value_) {
            return;
        }
        value_ = v;
        if (Change) {
            Change();
        }
    }

  private:
    int value_ = 0;
};

} // namespace ss
