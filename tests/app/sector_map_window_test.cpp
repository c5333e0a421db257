// The sector map window in Qt: opened from the main window's "Sector
// Display", its order options and page buttons, "File Display Mode", and a
// refused file whose box is raised once.
#include "app/activation.h"
#include "app/main_window.h"
#include "app/sector_map_window.h"
#include "app_test_support.h"
#include "support/image_builder.h"
#include "support/sample_disks.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace ss {
namespace {

using namespace apptest;

class SectorMapWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { WindowActivation::Reset(); }

    // Presses "Sector Display" in the main window and gives the sector map
    // window once it is the active one.
    static SectorMapWindow* PressSectorDisplay(MainWindow& main) {
        main.findChild<QPushButton*>(QStringLiteral("Cmndsecdisp"))->click();
        auto* map = qobject_cast<SectorMapWindow*>(WindowActivation::LastActive());
        for (int i = 0; i < 50 && map == nullptr; ++i) {
            Pump(10);
            map = qobject_cast<SectorMapWindow*>(WindowActivation::LastActive());
        }
        return map;
    }

    // The texts of the first row of the page, in order of x.
    static std::string FirstRow(SectorMapWindow& map) {
        const int y = 9 * map.Logic().surface.TextHeight("sample") + maplayout::kRowPitch;
        std::string row;
        for (const TextItem& t : map.Logic().surface.TextsAt(y)) {
            row += t.text;
        }
        return row;
    }
};

TEST_F(SectorMapWindowTest, OpensFromTheMainWindowSwitchesOrderAndPages) {
    const QString path = WriteImage(QStringLiteral("map.dmk"), testimg::SampleDmk());
    MainWindow main;
    MakeActive(main);
    ASSERT_TRUE(main.OpenImage(path).IsOpened());

    SectorMapWindow* map = PressSectorDisplay(main);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->objectName(), QStringLiteral("form1"));
    EXPECT_EQ(map->findChild<QLineEdit*>(QStringLiteral("TxtFilename"))->text(), path);
    EXPECT_EQ(map->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), QStringLiteral("DMK"));
    auto* option1 = map->findChild<QRadioButton*>(QStringLiteral("Option1"));
    auto* option2 = map->findChild<QRadioButton*>(QStringLiteral("Option2"));
    EXPECT_TRUE(option1->isChecked());
    EXPECT_EQ(option1->text(), QStringLiteral("Display Sec's Numeric order"));
    EXPECT_EQ(option2->text(), QStringLiteral("Display Sec's Interleave order"));
    const std::string numeric = FirstRow(*map);
    EXPECT_EQ(numeric.rfind("Trk  0 : 0  0 1 2 3", 0), 0u) << numeric;

    option2->click();
    EXPECT_TRUE(map->Logic().Option2.Value);
    EXPECT_FALSE(option1->isChecked());
    EXPECT_EQ(FirstRow(*map).rfind("Trk  0 : 0  0  6  12  1 ", 0), 0u) << FirstRow(*map);

    auto* next = map->findChild<QPushButton*>(QStringLiteral("Cmndnext"));
    EXPECT_EQ(next->text(), QStringLiteral("Next"));
    next->click();
    EXPECT_EQ(map->Logic().Pagenum, 1);
    EXPECT_EQ(FirstRow(*map).rfind("Trk 10 : 1 ", 0), 0u) << FirstRow(*map);
    // A resize draws the same page again.
    map->resize(map->size() + QSize(40, 20));
    Pump(20);
    EXPECT_EQ(map->Logic().Pagenum, 1);
    EXPECT_EQ(FirstRow(*map).rfind("Trk 10 : 1 ", 0), 0u);
    map->findChild<QPushButton*>(QStringLiteral("Cmndprev"))->click();
    EXPECT_EQ(map->Logic().Pagenum, 0);

    // "File Display Mode" brings the main window back; coming back here loads
    // the main window's file again, at page 0.
    next->click();
    map->findChild<QPushButton*>(QStringLiteral("Cmndfiledisp"))->click();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    EXPECT_EQ(PressSectorDisplay(main), map) << "the window is made once";
    EXPECT_EQ(map->Logic().Pagenum, 0);
    EXPECT_TRUE(option2->isChecked());
}

TEST_F(SectorMapWindowTest, ARefusedFilesBoxIsRaisedOnce) {
    testimg::DmkOptions real;
    real.realDisk = true;
    const QString path =
        WriteImage(QStringLiteral("real.dmk"),
                   testimg::MakeDmk(testimg::DmkStandardTracks(3, 2, 10, true), real).bytes);
    ModalAnswerer answerer;
    MainWindow main;
    MakeActive(main);
    main.OpenImage(path);
    Pump(20);
    ASSERT_EQ(answerer.boxes.size(), 1u) << "the main window's refusal";

    SectorMapWindow* map = PressSectorDisplay(main);
    ASSERT_NE(map, nullptr);
    Pump(50);         // the box is answered
    MakeActive(*map); // and the window has the focus back
    ASSERT_EQ(answerer.boxes.size(), 2u);
    EXPECT_EQ(answerer.boxes[1].title, QStringLiteral("Error"));
    EXPECT_TRUE(
        answerer.boxes[1].text.startsWith(QStringLiteral("** ERROR **  This file is a DMK")));
    EXPECT_TRUE(map->Logic().surface.Items().empty());

    // Its controls, a resize and the window's own box going away raise nothing more.
    map->findChild<QPushButton*>(QStringLiteral("Cmndnext"))->click();
    map->findChild<QRadioButton*>(QStringLiteral("Option2"))->click();
    map->resize(map->size() + QSize(30, 30));
    Pump(100);
    EXPECT_EQ(answerer.boxes.size(), 2u);
}

} // namespace
} // namespace ss
