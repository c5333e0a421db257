// The six navigation buttons of the main window, at every limit.
#include "open_helpers.h"
#include "support/sample_disks.h"

namespace ss::opentest {
namespace {

using namespace testimg;

using Navigation = ViewerTest;

Jv3Entry Plain(int track, int sector) {
    Jv3Entry e;
    e.track = track;
    e.sector = sector;
    return e;
}

TEST_F(Navigation, BeforeAnyFileIsOpen) {
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, -1);
    w.CmndPrevsec_Click();
    EXPECT_EQ(w.PresSecnum, 0);
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.track, -1);
    w.CmndPrevTrk_Click();
    EXPECT_EQ(w.track, 0);
    w.Combo1.Text = " 0";
    w.CmndGotoTrk_Click();
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 0);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(Draws(), 0);
    EXPECT_TRUE(w.surface.Items().empty());
    EXPECT_TRUE(w.Txtsecnum.Text.empty());
}

TEST_F(Navigation, SectorStepsStopAtBothEnds) {
    Open(SampleDmk());
    const Shown first = Fields();
    int draws = Draws();
    w.CmndPrevsec_Click();
    EXPECT_EQ(w.PresSecnum, 0);
    EXPECT_EQ(Draws(), draws);
    EXPECT_EQ(Fields(), first);

    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 1);
    EXPECT_EQ(Draws(), draws + 1);
    EXPECT_EQ(w.Txtsecnum.Text, "1");
    EXPECT_EQ(w.Txtsector.Text, "1");

    Show(1438);
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 1439);
    EXPECT_EQ(Where(), "39/1/17");
    const Shown last = Fields();
    draws = Draws();
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 1439);
    EXPECT_EQ(Draws(), draws);
    EXPECT_EQ(Fields(), last);
    w.CmndPrevsec_Click();
    EXPECT_EQ(w.PresSecnum, 1438);
    EXPECT_EQ(Fields().sec, "16");
}

TEST_F(Navigation, TrackStepsLandOnSideZeroOfTheNextTrack) {
    Open(PatternJv1());
    Show(57);
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.PresSecnum, 60);
    EXPECT_EQ(w.Txttrk.Text, "6");
    Show(57);
    w.CmndPrevTrk_Click();
    EXPECT_EQ(w.PresSecnum, 40);
    Show(345);
    int draws = Draws();
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.track, 34);
    EXPECT_EQ(w.PresSecnum, 345);
    EXPECT_EQ(Draws(), draws);
    Show(5);
    draws = Draws();
    w.CmndPrevTrk_Click();
    EXPECT_EQ(w.track, 0);
    EXPECT_EQ(w.PresSecnum, 5);
    EXPECT_EQ(Draws(), draws);

    // From a side-1 sector of track 5 of a two-sided disk.
    Open(SampleDmk());
    Show(5 * 36 + 18 + 3);
    EXPECT_EQ(w.txtside.Text, "1");
    w.CmndPrevTrk_Click();
    EXPECT_EQ(w.PresSecnum, 4 * 36);
    EXPECT_EQ(Where(), "4/0/0");
    Show(5 * 36 + 18 + 3);
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.PresSecnum, 6 * 36);
    EXPECT_EQ(Where(), "6/0/0");
    Show(39 * 36 + 20);
    draws = Draws();
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.track, 39);
    EXPECT_EQ(Draws(), draws);

    // A one-sided JV3 whose track 0 holds fewer sectors than the others.
    Open(SampleJv3());
    Show(3);
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.PresSecnum, 10);
    w.CmndNexTrack_Click();
    EXPECT_EQ(w.PresSecnum, 28);
    w.CmndPrevTrk_Click();
    EXPECT_EQ(w.PresSecnum, 10);
}

TEST_F(Navigation, GotoTrackReadsTheLeadingNumber) {
    // Goes to the track typed into the combo box from sector index `from`;
    // answers the index shown afterwards, or -1 when nothing was drawn.
    const auto go = [&](std::int64_t from, const std::string& text) -> std::int64_t {
        Show(from);
        const int draws = Draws();
        w.Combo1.Text = text;
        w.CmndGotoTrk_Click();
        if (Draws() == draws) {
            EXPECT_EQ(w.PresSecnum, from) << text;
            return -1;
        }
        return w.PresSecnum;
    };

    Open(PatternJv1());
    EXPECT_EQ(go(57, " 12"), 120);
    EXPECT_EQ(w.Txttrk.Text, "12");
    EXPECT_EQ(go(57, "abc"), 0);
    EXPECT_EQ(go(57, ""), 0);
    EXPECT_EQ(go(57, "2.5"), 20);
    EXPECT_EQ(go(57, "3.5"), 40);
    EXPECT_EQ(go(57, " 34"), 340);
    EXPECT_EQ(go(57, "35"), -1);
    EXPECT_EQ(go(57, "-1"), -1);
    EXPECT_EQ(go(57, "-20"), -1);
    EXPECT_EQ(go(57, "99999"), -1);

    Open(SampleDmk());
    EXPECT_EQ(go(100, " 12"), 432);
    EXPECT_EQ(Where(), "12/0/0");
    EXPECT_EQ(go(100, "3.5"), 144);
    EXPECT_EQ(go(100, "2.5"), 72);
    EXPECT_EQ(go(100, " 39"), 1404);
    EXPECT_EQ(go(100, "zero"), 0);
    EXPECT_EQ(go(100, " 40"), -1);
    EXPECT_EQ(go(100, "-3"), -1);
    EXPECT_EQ(go(100, "40000"), -1);

    Open(SampleJv3());
    EXPECT_EQ(go(5, " 2"), 28);
    EXPECT_EQ(Where(), "2/0/0");
}

TEST_F(Navigation, ToDirectory) {
    Open(SampleDmk());
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 612);
    EXPECT_EQ(w.Txtsectype.Text, "Dir Sec.");
    EXPECT_EQ(Where(), "17/0/0");

    Open(PatternJv1());
    w.CmndDirFind_Click();
    EXPECT_EQ(w.PresSecnum, 170);
    EXPECT_EQ(w.Txtsectype.Text, "Dir Sec.");
    EXPECT_TRUE(host.messages.empty());

    // No directory mark anywhere: a message, and the display stays as it was.
    std::vector<Jv3Entry> e;
    for (int t = 0; t < 35; ++t)
        for (int s = 0; s < 10; ++s)
            e.push_back(Plain(t, s));
    Open(MakeJv3(e));
    Show(57);
    const Shown before = Fields();
    const std::size_t items = w.surface.Items().size();
    const int draws = Draws();
    w.CmndDirFind_Click();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "No Directory was found on this disk");
    EXPECT_EQ(host.messages[0].buttons, 0);
    EXPECT_EQ(host.messages[0].title, "Error");
    EXPECT_EQ(Draws(), draws);
    EXPECT_EQ(Fields(), before);
    EXPECT_EQ(w.surface.Items().size(), items);
    EXPECT_EQ(w.PresSecnum, 0);
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 1);

    // Sectors numbered from 1 without a directory mark: the step commands
    // count on from the directory index that the display worked out.
    DmkOptions opt;
    opt.optionsByte = dmk::kOptionSingleSided;
    Open(MakeDmk(DmkStandardTracks(35, 1, 10, true, 1), opt).bytes);
    w.CmndDirFind_Click();
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(w.PresSecnum, 170);
    EXPECT_EQ(w.Txtsecnum.Text, "0");
    w.CmndNextsec_Click();
    EXPECT_EQ(w.PresSecnum, 171);
    EXPECT_EQ(Where(), "17/0/2");
}

} // namespace
} // namespace ss::opentest
