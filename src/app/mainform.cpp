#include "mainform.h"

#include "activation.h"
#include "open_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace ss {

namespace {
// The drawing area: the sector dump reaches x = 8800 and y = 5600 twips.
constexpr int kSurfaceWidthTwips = 9000;
constexpr int kSurfaceHeightTwips = 6000;

const QString kProgramName = QStringLiteral("sectorscope");

QString FromModel(const std::string& text) {
    return QString::fromStdString(text);
}

// A file name as the logic holds it (the bytes the file system knows) and back.
std::string ToFileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
QString FromFileName(const std::string& name) {
    return QFile::decodeName(QByteArray::fromStdString(name));
}

QLabel* Caption(const char* text, const char* forControl) {
    auto* label = new QLabel(QString::fromLatin1(text));
    label->setObjectName(QStringLiteral("Label_") + QLatin1String(forControl));
    return label;
}
} // namespace

Mainform::Mainform(QWidget* parent)
    : QMainWindow(parent), metrics_(SurfaceFont()), logic_(host_, metrics_) {
    setObjectName(QStringLiteral("Mainform"));
    setWindowTitle(kProgramName);

    host_.SetWindow(this);
    host_.SetScreenUpdate([this] { SyncFromModels(); });

    BuildMenus();
    BuildControls();
    SyncFromModels();

    // Load: the program's own folder becomes the current folder, and the
    // window stands in the middle of the screen.
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    CentreOnScreen();
}

Mainform::~Mainform() {
    host_.SetScreenUpdate({});
}

void Mainform::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* open = file->addAction(QStringLiteral("&Open..."));
    open->setObjectName(QStringLiteral("mnuFileOpen"));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, &Mainform::MnuOpen_Click);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuFileExit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &Mainform::MnuExit_Click);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction* helpItem = help->addAction(QStringLiteral("&Help"));
    helpItem->setObjectName(QStringLiteral("mnuHelpItem"));
}

QLineEdit* Mainform::AddTextBox(const char* name, TextBox& model, int chars, const QString& tip) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    // A viewer: the fields can be selected and copied but not changed.
    edit->setReadOnly(true);
    const QFontMetrics fm(edit->font());
    edit->setFixedWidth(fm.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 14);
    if (!tip.isEmpty()) {
        edit->setToolTip(tip);
    }
    textBoxes_.push_back(BoundTextBox{edit, &model, &model == &logic_.TxtFilename});
    return edit;
}

QPushButton* Mainform::AddButton(const char* name, const char* caption, const QKeySequence& key,
                                 const QString& what, void (MainformLogic::*handler)()) {
    auto* button = new QPushButton(QString::fromLatin1(caption));
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setToolTip(what + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
                       QLatin1Char(')'));
    connect(button, &QPushButton::clicked, this,
            [this, handler] { Handle([this, handler] { (logic_.*handler)(); }); });
    // The caption is the button's own text, so the key is a window shortcut.
    auto* shortcut = new QShortcut(key, this);
    shortcut->setObjectName(QLatin1String(name) + QStringLiteral("_Key"));
    connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
    return button;
}

void Mainform::BuildControls() {
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
    list2_ = new QListWidget;
    list2_->setObjectName(QStringLiteral("List2"));
    list2_->setToolTip(tr("Notices about the disk"));
    list2_->setFixedHeight(list2_->fontMetrics().height() * 2 + 8);
    list2_->setMinimumWidth(list2_->fontMetrics().horizontalAdvance(QString(32, QLatin1Char('0'))));
    newdosRow->addWidget(list2_, 1);
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

    // The sector dump on the left, the navigation on the right.
    auto* bottomRow = new QHBoxLayout;
    surfaceView_ = new SurfaceWidget(logic_.surface, kSurfaceWidthTwips, kSurfaceHeightTwips);
    surfaceView_->setObjectName(QStringLiteral("Surface"));
    bottomRow->addWidget(surfaceView_, 1);

    auto* navigation = new QVBoxLayout;
    auto* frame1 = new QGroupBox(QStringLiteral("Sector step"));
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* frame1Layout = new QHBoxLayout(frame1);
    frame1Layout->addWidget(AddButton("CmndNextsec", "Next Sec", QKeySequence(Qt::Key_PageDown),
                                      tr("Next sector"), &MainformLogic::CmndNextsec_Click));
    frame1Layout->addWidget(AddButton("CmndPrevsec", "Prev Sec", QKeySequence(Qt::Key_PageUp),
                                      tr("Previous sector"), &MainformLogic::CmndPrevsec_Click));
    navigation->addWidget(frame1);

    auto* frame2 = new QGroupBox(QStringLiteral("Track Step"));
    frame2->setObjectName(QStringLiteral("Frame2"));
    auto* frame2Layout = new QHBoxLayout(frame2);
    frame2Layout->addWidget(
        AddButton("CmndNexTrack", "Next Track", QKeySequence(Qt::CTRL | Qt::Key_PageDown),
                  tr("First sector of the next track"), &MainformLogic::CmndNexTrack_Click));
    frame2Layout->addWidget(
        AddButton("CmndPrevTrk", "Prev. Track", QKeySequence(Qt::CTRL | Qt::Key_PageUp),
                  tr("First sector of the previous track"), &MainformLogic::CmndPrevTrk_Click));
    navigation->addWidget(frame2);

    auto* gotoRow = new QHBoxLayout;
    combo1_ = new QComboBox;
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setEditable(true);
    combo1_->setInsertPolicy(QComboBox::NoInsert);
    combo1_->setMinimumContentsLength(4);
    combo1_->setToolTip(tr("Track to go to"));
    // The logic reads what the user typed or picked when Goto Track is pressed.
    connect(combo1_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!syncing_) {
            logic_.Combo1.Text = text.toStdString();
        }
    });
    QPushButton* gotoTrk =
        AddButton("CmndGotoTrk", "Goto Track", QKeySequence(Qt::CTRL | Qt::Key_G),
                  tr("First sector of the chosen track"), &MainformLogic::CmndGotoTrk_Click);
    connect(combo1_->lineEdit(), &QLineEdit::returnPressed, gotoTrk, &QPushButton::click);
    gotoRow->addWidget(combo1_, 1);
    gotoRow->addWidget(gotoTrk);
    navigation->addLayout(gotoRow);

    navigation->addWidget(
        AddButton("CmndDirFind", " To Directory", QKeySequence(Qt::CTRL | Qt::Key_D),
                  tr("First directory sector"), &MainformLogic::CmndDirFind_Click));
    navigation->addStretch(1);
    bottomRow->addLayout(navigation);
    outer->addLayout(bottomRow, 1);

    setCentralWidget(central);
}

void Mainform::CentreOnScreen() {
    resize(sizeHint());
    const QScreen* scr = screen();
    if (scr == nullptr) {
        return;
    }
    const QRect area = scr->geometry();
    move(area.left() + area.width() / 2 - width() / 2,
         area.top() + area.height() / 2 - height() / 2);
}

void Mainform::Handle(const std::function<void()>& handler) {
    handler();
    SyncFromModels();
}

void Mainform::OpenImage(const QString& path) {
    Handle([this, &path] { logic_.MnuOpen(ToFileName(path)); });
}

void Mainform::MnuOpen_Click() {
    if (lastFolder_.isEmpty()) {
        lastFolder_ = QDir::currentPath();
    }
    const std::optional<QString> path = AskOpenFileName(this, kMainformFilter, 1, lastFolder_);
    if (!path) {
        return;
    }
    lastFolder_ = QFileInfo(*path).absolutePath();
    OpenImage(*path);
}

void Mainform::MnuExit_Click() {
    QCoreApplication::quit();
}

void Mainform::DoUnLoadPreCheck(int UnloadMode) {
    if (UnloadMode == kUnloadFormControlMenu || UnloadMode == kUnloadAppWindows) {
        QCoreApplication::quit();
    }
}

bool Mainform::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate && WindowActivation::Activated(this)) {
        Handle([this] { logic_.Form_Activate(); });
    }
    return handled;
}

void Mainform::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Handle([this] { logic_.Form_Resize(); });
}

void Mainform::closeEvent(QCloseEvent* event) {
    // The program's windows close only by the user's hand (close box, control
    // menu) or the system's: either way the whole program ends.
    event->accept();
    DoUnLoadPreCheck(kUnloadFormControlMenu);
}

void Mainform::SyncFromModels() {
    if (syncing_) {
        return;
    }
    syncing_ = true;

    for (const BoundTextBox& box : textBoxes_) {
        const QString text =
            box.holdsFileName ? FromFileName(box.model->Text) : FromModel(box.model->Text);
        if (box.widget->text() != text) {
            box.widget->setText(text);
            // Show the start of a text longer than its box.
            box.widget->setCursorPosition(0);
        }
        const QColor back = ToQColor(box.model->BackColor, palette());
        const QColor fore = ToQColor(box.model->ForeColor, palette());
        QPalette pal = box.widget->palette();
        if (pal.color(QPalette::Base) != back || pal.color(QPalette::Text) != fore) {
            pal.setColor(QPalette::Base, back);
            pal.setColor(QPalette::Text, fore);
            box.widget->setPalette(pal);
        }
    }

    QStringList notices;
    for (const std::string& item : logic_.List2.Items) {
        notices << FromModel(item);
    }
    QStringList shownNotices;
    for (int i = 0; i < list2_->count(); ++i) {
        shownNotices << list2_->item(i)->text();
    }
    if (notices != shownNotices) {
        list2_->clear();
        list2_->addItems(notices);
    }

    QStringList tracks;
    for (const std::string& item : logic_.Combo1.Items) {
        tracks << FromModel(item);
    }
    QStringList shownTracks;
    for (int i = 0; i < combo1_->count(); ++i) {
        shownTracks << combo1_->itemText(i);
    }
    if (tracks != shownTracks) {
        combo1_->clear();
        combo1_->addItems(tracks);
    }
    const QString comboText = FromModel(logic_.Combo1.Text);
    if (combo1_->currentText() != comboText) {
        combo1_->setEditText(comboText);
    }

    const QString name = QFileInfo(FromFileName(logic_.TxtFilename.Text)).fileName();
    setWindowTitle(name.isEmpty() ? kProgramName
                                  : kProgramName + QStringLiteral(" \u2014 ") + name);

    surfaceView_->Refresh();
    syncing_ = false;
}

} // namespace ss
