#include "sector_map_window.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace ss {

namespace {
// The drawing area: 21 rows end near y = 5800 twips; 18 sectors in numeric
// order reach x = 8200.
constexpr int kSurfaceWidthTwips = 9000;
constexpr int kSurfaceHeightTwips = 6000;

// A window shortcut that clicks `button`.
void AddKey(QWidget* window, const QKeySequence& key, const char* name, QAbstractButton* button) {
    auto* shortcut = new QShortcut(key, window);
    shortcut->setObjectName(QLatin1String(name) + QStringLiteral("_Key"));
    QObject::connect(shortcut, &QShortcut::activated, button, &QAbstractButton::click);
}

QString KeyText(const QKeySequence& key) {
    return QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')');
}
} // namespace

SectorMapWindow::SectorMapWindow(QtHost& host, QWidget* parent)
    : WindowFrame("form1", QStringLiteral("sector map"), parent), metrics_(SurfaceFont()),
      logic_(host, metrics_) {
    BuildMenus(kSectorMapFilter, 2, MenuHelp::Shown);
    BuildControls();
    ShowFileNameInTitle(logic_.TxtFilename);
    Load(host, WindowId::SectorMap);
}

QLineEdit* SectorMapWindow::AddTextBox(const char* name, TextBox& model, int chars,
                                       const QString& tip) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('0'))) +
                          14);
    edit->setToolTip(tip);
    Bindings().Bind(model, edit,
                    &model == &logic_.TxtFilename ? TextKind::FileName : TextKind::Plain);
    return edit;
}

QPushButton* SectorMapWindow::AddButton(const char* name, CommandButton& model,
                                        const QKeySequence& key, const QString& what,
                                        void (SectorMapLogic::*handler)()) {
    auto* button = new QPushButton;
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setToolTip(what + KeyText(key));
    Bindings().Bind(model, button, [this, handler] { (logic_.*handler)(); });
    AddKey(this, key, name, button);
    return button;
}

QRadioButton* SectorMapWindow::AddOption(const char* name, OptionButton& model,
                                         const QKeySequence& key,
                                         void (SectorMapLogic::*handler)()) {
    // The option's caption is the text of its label, so a click on the text
    // selects the order too.
    auto* option = new QRadioButton;
    option->setObjectName(QLatin1String(name));
    option->setToolTip(tr("Redraws the page in this order") + KeyText(key));
    Bindings().Bind(model, option, [this, handler] { (logic_.*handler)(); });
    AddKey(this, key, name, option);
    return option;
}

void SectorMapWindow::BuildControls() {
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("form1Client"));
    auto* outer = new QVBoxLayout(central);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(AddTextBox("TxtFilename", logic_.TxtFilename, 40, tr("Image file")), 1);
    fileRow->addWidget(AddTextBox("Text1", logic_.Text1, 4, tr("Image layout")));
    outer->addLayout(fileRow);

    auto* controlRow = new QHBoxLayout;
    auto* options = new QVBoxLayout;
    options->addWidget(AddOption("Option1", logic_.Option1, QKeySequence(Qt::CTRL | Qt::Key_1),
                                 &SectorMapLogic::Option1_Click));
    options->addWidget(AddOption("Option2", logic_.Option2, QKeySequence(Qt::CTRL | Qt::Key_2),
                                 &SectorMapLogic::Option2_Click));
    controlRow->addLayout(options);
    controlRow->addStretch(1);
    controlRow->addWidget(AddButton("Cmndprev", logic_.Cmndprev, QKeySequence(Qt::Key_PageUp),
                                    tr("Previous page"), &SectorMapLogic::Cmndprev_Click));
    controlRow->addWidget(AddButton("Cmndnext", logic_.Cmndnext, QKeySequence(Qt::Key_PageDown),
                                    tr("Next page"), &SectorMapLogic::Cmndnext_Click));
    controlRow->addWidget(AddButton("Cmndfiledisp", logic_.Cmndfiledisp,
                                    QKeySequence(Qt::CTRL | Qt::Key_M), tr("Shows the main window"),
                                    &SectorMapLogic::Cmndfiledisp_Click));
    outer->addLayout(controlRow);

    outer->addWidget(AddSurface(logic_.surface, kSurfaceWidthTwips, kSurfaceHeightTwips), 1);
    setCentralWidget(central);
}

} // namespace ss
