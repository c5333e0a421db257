// Control models bound to real widgets: what Sync shows, what the user's
// doing writes back, and that neither side echoes the other.
#include "app/control_binding.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

namespace ss {
namespace {

QColor Rgb(Colour c) {
    return QColor(colour::Red8(c), colour::Green8(c), colour::Blue8(c));
}

QStringList Items(const QListWidget& w) {
    QStringList out;
    for (int i = 0; i < w.count(); ++i) {
        out << w.item(i)->text();
    }
    return out;
}

class Binding : public ::testing::Test {
  protected:
    Binding() {
        bindings.SetAfterEvent([this] {
            ++afterEvents;
            bindings.Sync();
        });
    }
    QWidget window;
    ControlBindings bindings;
    int afterEvents = 0;

    template <typename W> W* Make() { return new W(&window); }
};

TEST_F(Binding, TextBoxShowsTextAndColoursAndWritesOnlyWhatChanged) {
    TextBox model;
    model.Text = "A very long text that does not fit";
    model.BackColor = colour::Peach;
    model.ForeColor = colour::Red;
    auto* edit = Make<QLineEdit>();
    QSignalSpy written(edit, &QLineEdit::textChanged);
    bindings.Bind(model, edit);
    EXPECT_EQ(edit->text(), QString::fromStdString(model.Text));
    EXPECT_EQ(edit->cursorPosition(), 0) << "the start of the text shows";
    EXPECT_EQ(edit->palette().color(QPalette::Base), Rgb(colour::Peach));
    EXPECT_EQ(edit->palette().color(QPalette::Text), Rgb(colour::Red));

    bindings.Sync();
    bindings.Sync();
    EXPECT_EQ(written.count(), 1) << "an unchanged model writes nothing";

    model.Text = "12";
    model.BackColor = colour::ButtonFace;
    bindings.Sync();
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
    EXPECT_EQ(edit->palette().color(QPalette::Base), edit->palette().color(QPalette::Button));
    EXPECT_EQ(written.count(), 2);

    // The user types: the model follows, and Sync writes nothing back.
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("7x"));
    EXPECT_EQ(model.Text, "7x");
    const int before = written.count();
    bindings.Sync();
    EXPECT_EQ(written.count(), before);
    EXPECT_EQ(afterEvents, 0) << "typing is no event of the window";
}

TEST_F(Binding, ListBoxFollowsItsModelAndKeepsTheItemsItShares) {
    ListBox model;
    model.AddItem("one");
    auto* list = Make<QListWidget>();
    bindings.Bind(model, list);
    QListWidgetItem* first = list->item(0);

    model.AddItem("two");
    bindings.Sync();
    EXPECT_EQ(Items(*list), (QStringList{"one", "two"}));
    EXPECT_EQ(list->item(0), first) << "a growing list only appends";

    model.Items = {"one", "three"};
    bindings.Sync();
    EXPECT_EQ(Items(*list), (QStringList{"one", "three"}));
    model.Clear();
    bindings.Sync();
    EXPECT_EQ(list->count(), 0);
}

TEST_F(Binding, ComboBoxShowsItemsAndTextAndTakesWhatTheUserTypesOrPicks) {
    ComboBox model;
    auto* combo = Make<QComboBox>();
    combo->setEditable(true);
    bindings.Bind(model, combo);
    for (const char* t : {" 0", " 1", " 2"}) {
        model.AddItem(t);
    }
    bindings.Sync();
    ASSERT_EQ(combo->count(), 3);
    // Filling the list does not put its first item into the edit field.
    EXPECT_EQ(combo->currentText(), QString());
    EXPECT_EQ(model.Text, "");

    QTest::keyClicks(combo->lineEdit(), QStringLiteral("12"));
    EXPECT_EQ(model.Text, "12");
    combo->setCurrentIndex(2); // as a pick from the list
    EXPECT_EQ(model.Text, " 2");
    EXPECT_EQ(combo->count(), 3);

    model.Text = "5";
    bindings.Sync();
    EXPECT_EQ(combo->currentText(), QStringLiteral("5"));

    // A fixed list: the text selects the item.
    ComboBox fixedModel;
    fixedModel.Items = {"a", "b"};
    fixedModel.Text = "b";
    auto* fixed = Make<QComboBox>();
    bindings.Bind(fixedModel, fixed);
    EXPECT_EQ(fixed->currentIndex(), 1);
    fixed->setCurrentIndex(0);
    EXPECT_EQ(fixedModel.Text, "a");
}

TEST_F(Binding, OptionButtonsOfAGroupFollowClicksAndTheLogic) {
    OptionButton option1{"Numeric", true};
    OptionButton option2{"Interleave", false};
    auto* group = Make<QWidget>();
    auto* layout = new QVBoxLayout(group);
    auto* radio1 = new QRadioButton;
    auto* radio2 = new QRadioButton;
    layout->addWidget(radio1);
    layout->addWidget(radio2);
    std::vector<int> clicks;
    bindings.Bind(option1, radio1, [&] { clicks.push_back(1); });
    bindings.Bind(option2, radio2, [&] {
        clicks.push_back(2);
        // The handler sees the group as the user left it.
        EXPECT_TRUE(option2.Value);
        EXPECT_FALSE(option1.Value);
    });
    EXPECT_EQ(radio1->text(), QStringLiteral("Numeric"));
    EXPECT_TRUE(radio1->isChecked());
    EXPECT_FALSE(radio2->isChecked());

    window.show();
    QTest::mouseClick(radio2, Qt::LeftButton);
    EXPECT_EQ(clicks, std::vector<int>{2});
    EXPECT_EQ(afterEvents, 1);
    EXPECT_TRUE(radio2->isChecked());

    // The logic selects the other one, then neither: no Click either time.
    option1.Value = true;
    bindings.Sync();
    EXPECT_TRUE(radio1->isChecked());
    EXPECT_FALSE(radio2->isChecked());
    EXPECT_FALSE(option2.Value) << "the group's models follow their widgets";
    option1.Value = false;
    bindings.Sync();
    EXPECT_FALSE(radio1->isChecked());
    EXPECT_FALSE(radio2->isChecked());
    EXPECT_EQ(clicks, std::vector<int>{2});
}

TEST_F(Binding, ScrollBarRangeAndValueWithOneChangePerMove) {
    ScrollBar model;
    model.Max = 5584;
    model.SmallChange = 1;
    model.LargeChange = 28;
    std::vector<int> changes;
    model.Change = [&] {
        changes.push_back(model.Value());
        // Past the last line, the handler puts the bar back, as the hex
        // viewer does; that raises Change again from within.
        if (model.Value() > 5000) {
            model.SetValue(5000);
        }
    };
    auto* bar = Make<QScrollBar>();
    bindings.Bind(model, bar);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 5584);
    EXPECT_EQ(bar->singleStep(), 1);
    EXPECT_EQ(bar->pageStep(), 28);

    // The logic sets the value: one Change, and Sync echoes none.
    model.SetValue(10);
    bindings.Sync();
    EXPECT_EQ(bar->value(), 10);
    EXPECT_EQ(changes, std::vector<int>{10});

    // The user pages down and drags past the end.
    changes.clear();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(changes, std::vector<int>{38});
    bar->setValue(5500);
    EXPECT_EQ(changes, (std::vector<int>{38, 5500, 5000}));
    EXPECT_EQ(model.Value(), 5000);
    EXPECT_EQ(bar->value(), 5000) << "the bar shows where the handler put it";
    EXPECT_EQ(afterEvents, 2);
    bindings.Sync();
    EXPECT_EQ(changes.size(), 3u);

    // A smaller range: the bar keeps the value within it, the model keeps its own.
    model.Max = 100;
    model.LargeChange = 10;
    bindings.Sync();
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->pageStep(), 10);
    EXPECT_EQ(bar->value(), 100);
    EXPECT_EQ(model.Value(), 5000);
    EXPECT_EQ(changes.size(), 3u);
}

TEST_F(Binding, CommandButtonShowsItsCaptionAndRunsItsClick) {
    CommandButton next{"Next"};
    CommandButton frame; // a button without caption that does nothing
    auto* nextButton = Make<QPushButton>();
    auto* frameButton = Make<QPushButton>();
    int clicks = 0;
    bindings.Bind(next, nextButton, [&] { ++clicks; });
    bindings.Bind(frame, frameButton);
    EXPECT_EQ(nextButton->text(), QStringLiteral("Next"));
    EXPECT_EQ(frameButton->text(), QString());

    nextButton->click();
    frameButton->click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(afterEvents, 1);

    next.Caption = "Previous";
    bindings.Sync();
    EXPECT_EQ(nextButton->text(), QStringLiteral("Previous"));
}

TEST_F(Binding, AWidgetDestroyedFirstIsLeftAlone) {
    TextBox model;
    auto* edit = Make<QLineEdit>();
    bindings.Bind(model, edit);
    delete edit;
    model.Text = "after";
    bindings.Sync(); // must not touch the destroyed widget
    SUCCEED();
}

} // namespace
} // namespace ss
