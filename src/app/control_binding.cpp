#include "control_binding.h"

#include "surface_widget.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <filesystem>
#include <string>

namespace ss {

std::string ToFileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromFileName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

std::string CommandLineFileName(int argc, char* argv[]) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (!options || arg.empty() || arg[0] != '-') {
            std::error_code ec;
            const std::filesystem::path absolute = std::filesystem::absolute(arg, ec);
            return ec ? arg : absolute.string();
        }
    }
    return {};
}

namespace {
QString ToQString(const std::string& text, TextKind kind = TextKind::Plain) {
    return kind == TextKind::FileName ? FromFileName(text) : QString::fromStdString(text);
}

std::string FromQString(const QString& text, TextKind kind = TextKind::Plain) {
    return kind == TextKind::FileName ? ToFileName(text) : text.toStdString();
}

// Brings a widget's items from those it shows (`shown`, `count` of them) to
// `want`: the items both share at the start stay, the rest are removed from
// the end, and the new ones are appended. A list that only grows costs only
// the new items.
template <typename RemoveLast, typename Append>
void UpdateItems(std::vector<std::string>& shown, const std::vector<std::string>& want, int count,
                 RemoveLast removeLast, Append append) {
    const auto firstDiffering =
        std::mismatch(want.begin(), want.end(), shown.begin(), shown.end()).first;
    const auto keep = static_cast<int>(std::min<std::ptrdiff_t>(
        std::distance(want.begin(), firstDiffering), static_cast<std::ptrdiff_t>(count)));
    for (int i = count; i > keep; --i) {
        removeLast();
    }
    QStringList added;
    for (auto it = want.begin() + keep; it != want.end(); ++it) {
        added << ToQString(*it);
    }
    if (!added.isEmpty()) {
        append(added);
    }
    shown = want;
}
} // namespace

// One model bound to one widget.
class ControlBindings::Binding {
  public:
    virtual ~Binding() = default;
    // Shows the model on the widget, writing only what changed.
    virtual void Push() = 0;
};

namespace {

class TextBoxBinding final : public ControlBindings::Binding {
  public:
    TextBoxBinding(ControlBindings& owner, TextBox& model, QLineEdit* widget, TextKind kind)
        : model_(model), widget_(widget), kind_(kind) {
        // textEdited comes from the user's typing only, never from setText.
        QObject::connect(widget, &QLineEdit::textEdited, &owner, [this](const QString& text) {
            model_.Text = FromQString(text, kind_);
            text_ = model_.Text;
        });
    }

    void Push() override {
        if (widget_.isNull()) {
            return;
        }
        if (first_ || model_.Text != text_) {
            widget_->setText(ToQString(model_.Text, kind_));
            // Show the start of a text longer than its box.
            widget_->setCursorPosition(0);
            text_ = model_.Text;
        }
        if (first_ || model_.BackColor != back_ || model_.ForeColor != fore_) {
            QPalette pal = widget_->palette();
            pal.setColor(QPalette::Base, ToQColor(model_.BackColor, pal));
            pal.setColor(QPalette::Text, ToQColor(model_.ForeColor, pal));
            widget_->setPalette(pal);
            back_ = model_.BackColor;
            fore_ = model_.ForeColor;
        }
        first_ = false;
    }

  private:
    TextBox& model_;
    QPointer<QLineEdit> widget_;
    TextKind kind_;
    bool first_ = true;
    std::string text_;
    Colour back_ = 0;
    Colour fore_ = 0;
};

class ListBoxBinding final : public ControlBindings::Binding {
  public:
    ListBoxBinding(ListBox& model, QListWidget* widget) : model_(model), widget_(widget) {}

    void Push() override {
        if (widget_.isNull() || model_.Items == shown_) {
            return;
        }
        QListWidget* w = widget_.data();
        UpdateItems(
            shown_, model_.Items, w->count(), [w] { delete w->takeItem(w->count() - 1); },
            [w](const QStringList& items) { w->addItems(items); });
    }

  private:
    ListBox& model_;
    QPointer<QListWidget> widget_;
    std::vector<std::string> shown_;
};

class ComboBoxBinding final : public ControlBindings::Binding {
  public:
    ComboBoxBinding(ControlBindings& owner, ComboBox& model, QComboBox* widget)
        : owner_(owner), model_(model), widget_(widget) {
        auto take = [this](const QString& text) {
            if (!owner_.Syncing()) {
                model_.Text = FromQString(text);
                text_ = model_.Text;
            }
        };
        if (widget->isEditable()) {
            QObject::connect(widget, &QComboBox::editTextChanged, &owner, take);
        } else {
            QObject::connect(widget, &QComboBox::currentTextChanged, &owner, take);
        }
    }

    void Push() override {
        if (widget_.isNull()) {
            return;
        }
        QComboBox* w = widget_.data();
        const bool itemsChanged = model_.Items != items_;
        if (itemsChanged) {
            UpdateItems(
                items_, model_.Items, w->count(), [w] { w->removeItem(w->count() - 1); },
                [w](const QStringList& items) { w->addItems(items); });
        }
        // Adding to an empty list or removing the current item changes the
        // edit field: put the model's text back.
        if (itemsChanged || first_ || model_.Text != text_) {
            const QString text = ToQString(model_.Text);
            if (w->currentText() != text) {
                if (w->isEditable()) {
                    w->setEditText(text);
                } else {
                    w->setCurrentIndex(w->findText(text));
                }
            }
            text_ = model_.Text;
        }
        first_ = false;
    }

  private:
    ControlBindings& owner_;
    ComboBox& model_;
    QPointer<QComboBox> widget_;
    bool first_ = true;
    std::vector<std::string> items_;
    std::string text_;
};

// Shows a button's caption when it differs from the one last shown.
void PushCaption(QAbstractButton* widget, const std::string& caption, std::string& shown,
                 bool first) {
    if (first || caption != shown) {
        widget->setText(ToQString(caption));
        shown = caption;
    }
}

class OptionButtonBinding final : public ControlBindings::Binding {
  public:
    OptionButtonBinding(ControlBindings& owner, OptionButton& model, QRadioButton* widget,
                        const std::function<void()>& click)
        : model_(model), widget_(widget) {
        // Selecting one button of a group deselects the others, whoever
        // selected it: the models of the group follow their widgets, also
        // while Sync selects one. Setting a Value raises nothing, so no loop.
        QObject::connect(widget, &QRadioButton::toggled, &owner,
                         [this](bool checked) { model_.Value = checked; });
        if (click) {
            QObject::connect(widget, &QRadioButton::clicked, &owner, click);
        }
    }

    void Push() override {
        if (widget_.isNull()) {
            return;
        }
        PushCaption(widget_, model_.Caption, caption_, first_);
        if (widget_->isChecked() != model_.Value) {
            // A group may have no button selected: an exclusive button would
            // refuse to be deselected.
            const bool exclusive = widget_->autoExclusive();
            widget_->setAutoExclusive(exclusive && model_.Value);
            widget_->setChecked(model_.Value);
            widget_->setAutoExclusive(exclusive);
        }
        first_ = false;
    }

  private:
    OptionButton& model_;
    QPointer<QRadioButton> widget_;
    bool first_ = true;
    std::string caption_;
};

class ScrollBarBinding final : public ControlBindings::Binding {
  public:
    ScrollBarBinding(ScrollBar& model, QScrollBar* widget) : model_(model), widget_(widget) {}

    void Push() override {
        if (widget_.isNull()) {
            return;
        }
        if (first_ || model_.Min != min_ || model_.Max != max_) {
            widget_->setRange(model_.Min, model_.Max);
            min_ = model_.Min;
            max_ = model_.Max;
        }
        if (first_ || model_.SmallChange != small_ || model_.LargeChange != large_) {
            widget_->setSingleStep(model_.SmallChange);
            widget_->setPageStep(model_.LargeChange);
            small_ = model_.SmallChange;
            large_ = model_.LargeChange;
        }
        // A value outside the range shows at the nearer end of the bar.
        if (widget_->value() != model_.Value()) {
            widget_->setValue(model_.Value());
        }
        first_ = false;
    }

  private:
    ScrollBar& model_;
    QPointer<QScrollBar> widget_;
    bool first_ = true;
    int min_ = 0;
    int max_ = 0;
    int small_ = 0;
    int large_ = 0;
};

class CommandButtonBinding final : public ControlBindings::Binding {
  public:
    CommandButtonBinding(ControlBindings& owner, CommandButton& model, QPushButton* widget,
                         const std::function<void()>& click)
        : model_(model), widget_(widget) {
        if (click) {
            QObject::connect(widget, &QPushButton::clicked, &owner, click);
        }
    }

    void Push() override {
        if (widget_.isNull()) {
            return;
        }
        PushCaption(widget_, model_.Caption, caption_, first_);
        first_ = false;
    }

  private:
    CommandButton& model_;
    QPointer<QPushButton> widget_;
    bool first_ = true;
    std::string caption_;
};

} // namespace

ControlBindings::ControlBindings(QObject* parent) : QObject(parent) {}

ControlBindings::~ControlBindings() = default;

void ControlBindings::SetAfterEvent(std::function<void()> afterEvent) {
    afterEvent_ = std::move(afterEvent);
}

template <typename B, typename... Args> void ControlBindings::Add(Args&&... args) {
    bindings_.push_back(std::make_unique<B>(std::forward<Args>(args)...));
    // Show the model at once, as it is when bound.
    const bool wasSyncing = syncing_;
    syncing_ = true;
    bindings_.back()->Push();
    syncing_ = wasSyncing;
}

void ControlBindings::RunEvent(const std::function<void()>& handler) {
    if (handler) {
        handler();
    }
    if (afterEvent_) {
        afterEvent_();
    }
}

void ControlBindings::Bind(TextBox& model, QLineEdit* widget, TextKind kind) {
    Add<TextBoxBinding>(*this, model, widget, kind);
}

void ControlBindings::Bind(ListBox& model, QListWidget* widget) {
    Add<ListBoxBinding>(model, widget);
}

void ControlBindings::Bind(ComboBox& model, QComboBox* widget) {
    Add<ComboBoxBinding>(*this, model, widget);
}

void ControlBindings::Bind(OptionButton& model, QRadioButton* widget,
                           std::function<void()> onClick) {
    std::function<void()> click;
    if (onClick) {
        click = [this, onClick = std::move(onClick)] {
            if (!syncing_) {
                RunEvent(onClick);
            }
        };
    }
    Add<OptionButtonBinding>(*this, model, widget, click);
}

void ControlBindings::Bind(ScrollBar& model, QScrollBar* widget) {
    Add<ScrollBarBinding>(model, widget);
    connect(widget, &QScrollBar::valueChanged, this, [this, &model](int value) {
        if (!syncing_) {
            RunEvent([&model, value] { model.SetValue(value); });
        }
    });
}

void ControlBindings::Bind(CommandButton& model, QPushButton* widget,
                           std::function<void()> onClick) {
    std::function<void()> click;
    if (onClick) {
        click = [this, onClick = std::move(onClick)] { RunEvent(onClick); };
    }
    Add<CommandButtonBinding>(*this, model, widget, click);
}

void ControlBindings::Sync() {
    if (syncing_) {
        return;
    }
    syncing_ = true;
    for (const std::unique_ptr<Binding>& binding : bindings_) {
        binding->Push();
    }
    syncing_ = false;
}

} // namespace ss
