// The frame every window shares and the host that makes the secondary
// windows: menus, the open dialog's filter, the open outcome, the title,
// Activate, centring, the shared file name and where message boxes stand.
// Exit and the close box are the main window's tests: the frame has them once.
#include "app/activation.h"
#include "app/main_window.h"
#include "app/window_frame.h"
#include "app_test_support.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace ss {
namespace {

using apptest::MakeActive;
using apptest::ModalAnswerer;
using apptest::Pump;

constexpr const char* kTwoEntryFilter = "All Files (*.*)|*.*|Dsk Files (*.dsk)|*.dsk";

// A window of the program built on the frame, with a logic that only counts.
class SecondWindow : public WindowFrame {
  public:
    explicit SecondWindow(QtHost& host)
        : WindowFrame("form2", QStringLiteral("second")), surface(metrics, colour::HexBackground),
          host_(host) {
        BuildMenus(kTwoEntryFilter, 2, MenuHelp::None);
        auto* central = new QWidget;
        auto* layout = new QVBoxLayout(central);
        auto* edit = new QLineEdit;
        edit->setObjectName(QStringLiteral("TxtFilename"));
        Bindings().Bind(TxtFilename, edit, TextKind::FileName);
        layout->addWidget(edit);
        layout->addWidget(AddSurface(surface, 3000, 1500));
        setCentralWidget(central);
        ShowFileNameInTitle(TxtFilename);
        Load(host, WindowId::HexViewerWindow);
    }

    FixedMetrics metrics;
    Surface surface;
    TextBox TxtFilename;
    OpenResult answer;
    std::vector<std::string> opened;
    int activations = 0;
    // The shared file name as the last Activate found it.
    std::string seenShared;

  protected:
    OpenResult Open(const std::string& name) override {
        opened.push_back(name);
        if (answer.IsOpened()) {
            TxtFilename.Text = name;
        }
        return answer;
    }
    void Activate() override {
        ++activations;
        seenShared = host_.SharedFilename;
    }

  private:
    QtHost& host_;
};

class Frame : public ::testing::Test {
  protected:
    void SetUp() override { WindowActivation::Reset(); }
};

TEST_F(Frame, MenusDialogTitleAndTheOpenOutcome) {
    QtHost host;
    SecondWindow w(host);
    EXPECT_EQ(w.findChild<QAction*>(QStringLiteral("mnuHelpItem")), nullptr);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("second \u2014 sectorscope"));

    // Load centred the window on its screen.
    const QRect screen = w.screen()->geometry();
    EXPECT_NEAR(w.x() + w.width() / 2, screen.center().x(), 2);
    EXPECT_NEAR(w.y() + w.height() / 2, screen.center().y(), 2);

    ModalAnswerer answerer;
    const QString path = apptest::WriteImage(QStringLiteral("frame.dsk"), {0, 0xFE, 0x11});
    QString selected;
    answerer.onFileDialog = [&](QFileDialog& dialog) {
        selected = dialog.selectedNameFilter();
        dialog.selectFile(path);
        static_cast<QDialog&>(dialog).accept();
    };
    MakeActive(w);
    w.findChild<QAction*>(QStringLiteral("mnuFileOpen"))->trigger();
    Pump(20);
    EXPECT_TRUE(selected.startsWith(QStringLiteral("Dsk Files (*.dsk)"))) << selected.toStdString();
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(w.opened[0], ToFileName(path));
    EXPECT_EQ(w.findChild<QLineEdit*>(QStringLiteral("TxtFilename"))->text(), path);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("frame.dsk \u2014 second \u2014 sectorscope"));

    // The outcome comes back as the window's open gave it.
    w.answer = OpenResult::Refused("** ERROR **  no");
    EXPECT_EQ(w.OpenImage(QStringLiteral("other.dsk")), w.answer);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("frame.dsk \u2014 second \u2014 sectorscope"));
}

TEST_F(Frame, TheHostMakesASecondaryWindowOnceAndSharesTheFileName) {
    MainWindow main;
    MakeActive(main);
    int made = 0;
    SecondWindow* second = nullptr;
    main.WindowHost().SetWindowMaker(WindowId::HexViewerWindow, [&](QtHost& host) {
        ++made;
        auto w = std::make_unique<SecondWindow>(host);
        second = w.get();
        return w;
    });

    main.Logic().Filename = "/disks/first.dsk";
    main.Logic().Cmndhexedit_Click();
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(second));
    Pump(10);
    EXPECT_EQ(second->activations, 1);
    EXPECT_EQ(second->seenShared, "/disks/first.dsk");

    // A message box of the logic stands over the window active last.
    QWidget* boxParent = nullptr;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxParent = box->parentWidget();
            box->accept();
        }
    });
    poll.start(5);
    main.WindowHost().MsgBox("over the second window", kMsgOk, "Note");
    EXPECT_EQ(boxParent, second);

    main.Logic().Filename = "/disks/second.dsk";
    MakeActive(main);
    main.Logic().Cmndhexedit_Click();
    Pump(20);
    EXPECT_EQ(made, 1) << "the window is made once";
    EXPECT_EQ(second->activations, 2);
    EXPECT_EQ(second->seenShared, "/disks/second.dsk");

    // The main window shows itself again without a maker.
    main.WindowHost().ShowWindow(WindowId::MainWindow);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
}

} // namespace
} // namespace ss
