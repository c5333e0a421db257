#include "main_window.h"

#include "disk_check_window.h"
#include "files_window.h"
#include "hex_viewer_window.h"
#include "open_dialog.h"
#include "sector_map_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace ss {

namespace {
// The drawing area: the sector dump reaches x = 8800 and y = 5600 twips.
constexpr int kSurfaceWidthTwips = 9000;
constexpr int kSurfaceHeightTwips = 6000;

QLabel* Caption(const char* text, const char* forControl) {
    auto* label = new QLabel(QString::fromLatin1(text));
    label->setObjectName(QStringLiteral("Label_") + QLatin1String(forControl));
    return label;
}
} // namespace

MainWindow::MainWindow(QWidget* parent)
    : WindowFrame("Mainform", QStringLiteral("main window"), parent), metrics_(SurfaceFont()),
      logic_(host_, metrics_) {
    BuildMenus(kMainformFilter, 1, MenuHelp::Shown);
    host_.SetWindowMaker(WindowId::HexViewerWindow,
                         [](QtHost& host) { return std::make_unique<HexViewerWindow>(host); });
    // File > Files..., after Open.
    if (auto* file = findChild<QMenu*>(QStringLiteral("mnuFile"))) {
        auto* files = new QAction(QString::fromStdString(logic_.CmndFiles.Caption), this);
        files->setObjectName(QStringLiteral("mnuFileFiles"));
        files->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
        connect(files, &QAction::triggered, this,
                [this] { Handle([this] { logic_.CmndFiles_Click(); }); });
        file->insertAction(file->actions().value(1), files);
    }
    BuildControls();
    ShowFileNameInTitle(logic_.TxtFilename);
    OpenAtDrawingSize();
    Load(host_, WindowId::MainWindow);
    host_.SetWindowMaker(WindowId::SectorMap,
                         [](QtHost& host) { return std::make_unique<SectorMapWindow>(host); });
    host_.SetWindowMaker(WindowId::Files, [this](QtHost& host) {
        return std::make_unique<FilesWindow>(host, logic_);
    });
    host_.SetWindowMaker(WindowId::DiskCheck, [this](QtHost& host) {
        return std::make_unique<DiskCheckWindow>(host, logic_);
    });
}

OpenResult OpenInMainWindow(MainWindowLogic& logic, QtHost& host, const std::string& name) {
    const OpenResult result = logic.MnuOpen(name);
    if (result.outcome != OpenResult::Outcome::CannotOpen) {
        host.ImageChanged();
    }
    return result;
}

OpenResult MainWindow::Open(const std::string& name) {
    return OpenInMainWindow(logic_, host_, name);
}

MainWindow::~MainWindow() {
    // The windows the host made lean on this one's host: they go first.
    host_.DeleteWindows();
}

QLineEdit* MainWindow::AddTextBox(const char* name, TextBox& model, int chars, const QString& tip) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    // A viewer: the fields can be selected and copied but not changed.
    edit->setReadOnly(true);
    const QFontMetrics fm(edit->font());
    edit->setFixedWidth(fm.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 14);
    if (!tip.isEmpty()) {
        edit->setToolTip(tip);
    }
    Bindings().Bind(model, edit,
                    &model == &logic_.TxtFilename ? TextKind::FileName : TextKind::Plain);
    return edit;
}

QPushButton* MainWindow::AddButton(const char* name, CommandButton& model, const QKeySequence& key,
                                   const QString& what, void (MainWindowLogic::*handler)()) {
    auto* button = new QPushButton;
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setToolTip(what + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
                       QLatin1Char(')'));
    Bindings().Bind(model, button, [this, handler] { (logic_.*handler)(); });
    // The caption is the button's own text, so the key is a window shortcut.
    auto* shortcut = new QShortcut(key, this);
    shortcut->setObjectName(QLatin1String(name) + QStringLiteral("_Key"));
    connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
    return button;
}

void MainWindow::BuildControls() {
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("MainformClient"));
    auto* outer = new QVBoxLayout(central);

    // The file and the disk summary.
    auto* fileRow = new QHBoxLayout;
    QLineEdit* filename = AddTextBox("TxtFilename", logic_.TxtFilename, 40, tr("Image file"));
    filename->setMinimumWidth(filename->width());
    filename->setMaximumWidth(QWIDGETSIZE_MAX);
    fileRow->addWidget(filename, 1);
    fileRow->addWidget(Caption("File Type", "Txtfiletype"));
    fileRow->addWidget(AddTextBox("Txtfiletype", logic_.Txtfiletype, 4, tr("Image layout")));
    outer->addLayout(fileRow);

    auto* summaryRow = new QHBoxLayout;
    summaryRow->addWidget(AddTextBox("Text1", logic_.Text1, 10, tr("Tracks")));
    summaryRow->addWidget(AddTextBox("Text2", logic_.Text2, 16, tr("Density")));
    summaryRow->addWidget(AddTextBox("Text3", logic_.Text3, 14, tr("Sides")));
    summaryRow->addWidget(AddTextBox("Text4", logic_.Text4, 25, tr("Sectors per cylinder")));
    summaryRow->addStretch(1);
    outer->addLayout(summaryRow);

    auto* newdosRow = new QHBoxLayout;
    newdosRow->addWidget(AddTextBox("Text5", logic_.Text5, 22, tr("Sectors per granule")));
    newdosRow->addWidget(AddTextBox("Text7", logic_.Text7, 18, tr("Disk operating system")));
    auto* list2 = new QListWidget;
    list2->setObjectName(QStringLiteral("List2"));
    list2->setToolTip(tr("Notices about the disk"));
    list2->setFixedHeight(list2->fontMetrics().height() * 2 + 8);
    list2->setMinimumWidth(list2->fontMetrics().horizontalAdvance(QString(32, QLatin1Char('0'))));
    Bindings().Bind(logic_.List2, list2);
    newdosRow->addWidget(list2, 1);
    outer->addLayout(newdosRow);

    // The fields of the shown sector, each under its caption.
    auto* sectorGrid = new QGridLayout;
    struct Field {
        const char* name;
        TextBox& model;
        const char* caption;
        int chars;
        QString tip;
    };
    const Field fields[] = {
        {"Txttrk", logic_.Txttrk, "Trk", 3, tr("Track")},
        {"txtside", logic_.txtside, "Side", 2, tr("Side")},
        {"Txtsector", logic_.Txtsector, "Sec.", 3, tr("Sector number")},
        {"Txttrkspt", logic_.Txttrkspt, "Spt", 3, tr("Sectors on the track")},
        {"TxtDens", logic_.TxtDens, "Sec\nDens", 5, tr("Sector density")},
        {"Txtsecnum", logic_.Txtsecnum, "Sec", 4, tr("Sector index")},
        {"Txtsectype", logic_.Txtsectype, nullptr, 9, tr("Sector type")},
        {"Txtdam", logic_.Txtdam, "DAM", 3, tr("Data address mark (hex)")},
        {"Txtlumpnum", logic_.Txtlumpnum, "Lump", 4, tr("Lump number")},
        {"Text6", logic_.Text6, nullptr, 7, tr("File position of the sector's data (hex)")},
        {"Txtcrc", logic_.Txtcrc, "CRC", 16,
         tr("CRC of the sector's ID field and data field: ok, BAD, or -- where the image "
            "records none")},
    };
    int column = 0;
    for (const Field& f : fields) {
        if (f.caption != nullptr) {
            sectorGrid->addWidget(Caption(f.caption, f.name), 0, column,
                                  Qt::AlignLeft | Qt::AlignBottom);
        }
        sectorGrid->addWidget(AddTextBox(f.name, f.model, f.chars, f.tip), 1, column);
        ++column;
    }
    sectorGrid->setColumnStretch(column, 1);
    outer->addLayout(sectorGrid);

    // What the sector is to the disk's DOS.
    auto* ownerRow = new QHBoxLayout;
    ownerRow->addWidget(Caption("Owner", "Txtowner"));
    QLineEdit* owner = AddTextBox("Txtowner", logic_.Txtowner, 36,
                                  tr("The file (and which of its sectors), directory, GAT, HIT, "
                                     "boot or free"));
    ownerRow->addWidget(owner);
    ownerRow->addStretch(1);
    outer->addLayout(ownerRow);

    // The sector dump on the left, the navigation on the right.
    auto* bottomRow = new QHBoxLayout;
    // The dump of a sector longer than 256 bytes reaches below the surface:
    // the surface grows and scrolls.
    SurfaceWidget* surface = AddSurface(logic_.surface, kSurfaceWidthTwips, kSurfaceHeightTwips);
    surface->GrowWithContent();
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("SurfaceScroll"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(surface);
    bottomRow->addWidget(scroll, 1);

    auto* navigation = new QVBoxLayout;
    auto* frame1 = new QGroupBox(QStringLiteral("Sector step"));
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* frame1Layout = new QHBoxLayout(frame1);
    frame1Layout->addWidget(AddButton("CmndNextsec", logic_.CmndNextsec,
                                      QKeySequence(Qt::Key_PageDown), tr("Next sector"),
                                      &MainWindowLogic::CmndNextsec_Click));
    frame1Layout->addWidget(AddButton("CmndPrevsec", logic_.CmndPrevsec,
                                      QKeySequence(Qt::Key_PageUp), tr("Previous sector"),
                                      &MainWindowLogic::CmndPrevsec_Click));
    navigation->addWidget(frame1);

    auto* frame2 = new QGroupBox(QStringLiteral("Track Step"));
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* frame2Layout = new QHBoxLayout(frame2);
    frame2Layout->addWidget(
        AddButton("CmndNexTrack", logic_.CmndNexTrack, QKeySequence(Qt::CTRL | Qt::Key_PageDown),
                  tr("First sector of the next track"), &MainWindowLogic::CmndNexTrack_Click));
    frame2Layout->addWidget(
        AddButton("CmndPrevTrk", logic_.CmndPrevTrk, QKeySequence(Qt::CTRL | Qt::Key_PageUp),
                  tr("First sector of the previous track"), &MainWindowLogic::CmndPrevTrk_Click));
    navigation->addWidget(frame2);

    auto* gotoRow = new QHBoxLayout;
    auto* combo1 = new QComboBox;
    combo1->setObjectName(QStringLiteral("Combo1"));
    combo1->setEditable(true);
    combo1->setInsertPolicy(QComboBox::NoInsert);
    combo1->setMinimumContentsLength(4);
    combo1->setToolTip(tr("Track to go to"));
    // The logic reads what the user typed or picked when Goto Track is pressed.
    Bindings().Bind(logic_.Combo1, combo1);
    QPushButton* gotoTrk =
        AddButton("CmndGotoTrk", logic_.CmndGotoTrk, QKeySequence(Qt::CTRL | Qt::Key_G),
                  tr("First sector of the chosen track"), &MainWindowLogic::CmndGotoTrk_Click);
    connect(combo1->lineEdit(), &QLineEdit::returnPressed, gotoTrk, &QPushButton::click);
    gotoRow->addWidget(combo1, 1);
    gotoRow->addWidget(gotoTrk);
    navigation->addLayout(gotoRow);

    navigation->addWidget(
        AddButton("CmndDirFind", logic_.CmndDirFind, QKeySequence(Qt::CTRL | Qt::Key_D),
                  tr("First directory sector"), &MainWindowLogic::CmndDirFind_Click));
    navigation->addWidget(AddButton(
        "Cmndsecdisp", logic_.Cmndsecdisp, QKeySequence(Qt::CTRL | Qt::Key_M),
        tr("Each track's sector numbers, page by page"), &MainWindowLogic::Cmndsecdisp_Click));
    navigation->addWidget(
        AddButton("Cmndhexedit", logic_.Cmndhexedit, QKeySequence(Qt::CTRL | Qt::Key_H),
                  tr("The file in the hex viewer"), &MainWindowLogic::Cmndhexedit_Click));
    // The Files window; its key is the File menu's.
    auto* cmndFiles = new QPushButton;
    cmndFiles->setObjectName(QStringLiteral("CmndFiles"));
    cmndFiles->setAutoDefault(false);
    cmndFiles->setToolTip(tr("The files on the disk (Ctrl+L)"));
    Bindings().Bind(logic_.CmndFiles, cmndFiles, [this] { logic_.CmndFiles_Click(); });
    navigation->addWidget(cmndFiles);
    // The Disk Check window; its key is the File menu's.
    auto* cmndCheck = new QPushButton;
    cmndCheck->setObjectName(QStringLiteral("CmndCheck"));
    cmndCheck->setAutoDefault(false);
    cmndCheck->setToolTip(tr("Every sector of the disk at a glance, good or damaged (Ctrl+K)"));
    Bindings().Bind(logic_.CmndCheck, cmndCheck, [this] { logic_.CmndCheck_Click(); });
    navigation->addWidget(cmndCheck);
    navigation->addStretch(1);
    bottomRow->addLayout(navigation);
    outer->addLayout(bottomRow, 1);

    setCentralWidget(central);
}

} // namespace ss
