#include "hex_viewer_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <iterator>

namespace ss {

namespace {
// Eighths of a degree in one notch of a mouse wheel.
constexpr int kWheelNotch = 120;
// Width of the caption-less buttons that frame the page, in pixels.
constexpr int kFrameBar = 4;

// The page's scroll bar, which repaints for a new line only when its handle
// moves or it reaches or leaves an end: over a large file the handle moves a
// pixel in a hundred lines or more, and the bar looks the same in between.
class PageScrollBar : public QScrollBar {
  public:
    using QScrollBar::QScrollBar;

  protected:
    void sliderChange(SliderChange change) override {
        if (change == SliderValueChange && Handle() == paintedHandle_ && !AtEnd() &&
            !paintedAtEnd_ && !style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this)) {
            return; // the bar as painted shows the new line as well
        }
        QScrollBar::sliderChange(change);
    }
    void paintEvent(QPaintEvent* event) override {
        paintedHandle_ = Handle();
        paintedAtEnd_ = AtEnd();
        QScrollBar::paintEvent(event);
    }

  private:
    QRect Handle() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                       this);
    }
    bool AtEnd() const { return value() == minimum() || value() == maximum(); }

    QRect paintedHandle_;
    bool paintedAtEnd_ = true;
};

QLineEdit* TextBoxWidget(const char* name, int chars) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    // A viewer: the boxes can be selected and copied but not changed.
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    const QFontMetrics fm(edit->font());
    edit->setFixedWidth(fm.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 14);
    return edit;
}
} // namespace

HexViewerWindow::HexViewerWindow(QtHost& host, QWidget* parent)
    : WindowFrame("form2", QStringLiteral("hex viewer"), parent), metrics_(SurfaceFont()),
      logic_(host, metrics_) {
    BuildMenus(kHexViewerFilter, 2, MenuHelp::None);
    BuildControls();
    AddKeys();
    ShowFileNameInTitle(logic_.TxtFilename);
    Load(host, WindowId::HexViewerWindow);
}

void HexViewerWindow::BuildControls() {
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("form2Client"));
    QPalette back = central->palette();
    back.setColor(QPalette::Window, ToQColor(colour::HexBackground, back));
    central->setPalette(back);
    central->setAutoFillBackground(true);

    // The page area: eight line heights for the controls above 28 lines,
    // 78 characters wide from 150 twips on, with room for the frame.
    const int lineHeight = metrics_.TextHeight("sample");
    const int widthTwips = hexlayout::kLineLeft * 2 + metrics_.TextWidth(std::string(80, '0'));
    const int heightTwips = (hexlayout::kTopLines + HexLayout::kLinesPerPage + 1) * lineHeight;
    // The legend boxes above the page do not shrink: the page is drawn at
    // its natural size or larger.
    SurfaceWidget* surface = AddSurface(logic_.surface, widthTwips, heightTwips, SurfaceFit::Fixed);
    surface->SetLeastZoom(1.0);

    // The controls stand on the surface's top eight line heights, as the
    // page leaves them free.
    auto* overlay = new QVBoxLayout(surface);
    overlay->setContentsMargins(4, 2, 4, 0);
    frame1_ = BuildFrame1();
    AddPageFrame(surface);
    overlay->addWidget(frame1_);
    overlay->addStretch(1);
    frame1_->raise();
    PlacePage();
    connect(surface, &SurfaceWidget::ZoomChanged, this, &HexViewerWindow::PlacePage);

    vscroll1_ = new PageScrollBar(Qt::Vertical);
    vscroll1_->setObjectName(QStringLiteral("VScroll1"));
    vscroll1_->setToolTip(tr("Line of the page (wheel: 3 lines, Page Up/Down: a page)"));
    Bindings().Bind(logic_.VScroll1, vscroll1_);
    vscroll1_->installEventFilter(this);
    surface->installEventFilter(this);

    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(surface);
    row->addWidget(vscroll1_);
    setCentralWidget(central);
}

QWidget* HexViewerWindow::BuildFrame1() {
    auto* frame1 = new QGroupBox;
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setFlat(true);
    auto* grid = new QGridLayout(frame1);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(1);

    QLineEdit* filename = TextBoxWidget("TxtFilename", 20);
    filename->setMaximumWidth(QWIDGETSIZE_MAX);
    filename->setToolTip(tr("File"));
    Bindings().Bind(logic_.TxtFilename, filename, TextKind::FileName);
    grid->addWidget(filename, 0, 0, 1, 7);
    grid->setHorizontalSpacing(3);

    auto* label1 = new QLabel(QString::fromLatin1(hextext::kLengthCaption));
    label1->setObjectName(QStringLiteral("Label1"));
    grid->addWidget(label1, 1, 0);
    QLineEdit* text1 = TextBoxWidget("Text1", 8);
    text1->setToolTip(tr("File length (hex)"));
    Bindings().Bind(logic_.Text1, text1);
    grid->addWidget(text1, 2, 0);

    // The legend from left to right, and the notice line below it.
    struct Box {
        const char* name;
        TextBox& model;
        int chars;
    };
    const Box legend[] = {{"Text2", logic_.Text2, 3}, {"Text3", logic_.Text3, 17},
                          {"Text5", logic_.Text5, 6}, {"Text6", logic_.Text6, 13},
                          {"Text7", logic_.Text7, 6}, {"Text4", logic_.Text4, 20}};
    int column = 1;
    for (const Box& b : legend) {
        QLineEdit* edit = TextBoxWidget(b.name, b.chars);
        Bindings().Bind(b.model, edit);
        grid->addWidget(edit, 1, column++);
    }
    QLineEdit* text8 = TextBoxWidget("Text8", 20);
    text8->setMaximumWidth(QWIDGETSIZE_MAX);
    text8->setToolTip(tr("Sectors written with doubled bytes"));
    Bindings().Bind(logic_.Text8, text8);
    grid->addWidget(text8, 2, 1, 1, 6);
    return frame1;
}

void HexViewerWindow::AddPageFrame(SurfaceWidget* surface) {
    // Caption-less buttons around the page: they show no text and do nothing.
    const struct {
        const char* name;
        CommandButton& model;
    } bars[] = {
        {"Command1", logic_.Command1},
        {"Command2", logic_.Command2},
        {"Command3", logic_.Command3},
        {"Command4", logic_.Command4},
    };
    for (std::size_t i = 0; i < std::size(bars); ++i) {
        auto* button = new QPushButton(surface);
        button->setObjectName(QLatin1String(bars[i].name));
        button->setFocusPolicy(Qt::NoFocus);
        Bindings().Bind(bars[i].model, button);
        pageFrame_[i] = button;
    }
}

void HexViewerWindow::PlacePage() {
    SurfaceWidget& surface = SurfaceView();
    const int lineHeight = metrics_.TextHeight("sample");
    frame1_->setFixedHeight(
        static_cast<int>(surface.TwipsToPixelsY(hexlayout::kTopLines * lineHeight)) - 4);

    const int left = static_cast<int>(surface.TwipsToPixelsX(hexlayout::kLineLeft)) - kFrameBar - 2;
    const int right = static_cast<int>(surface.TwipsToPixelsX(
                          hexlayout::kLineLeft + metrics_.TextWidth(std::string(79, '0')))) +
                      2;
    const int top =
        static_cast<int>(surface.TwipsToPixelsY(hexlayout::kTopLines * lineHeight)) - kFrameBar - 1;
    const int bottom = static_cast<int>(surface.TwipsToPixelsY(
                           (hexlayout::kTopLines + HexLayout::kLinesPerPage) * lineHeight)) +
                       1;
    // Right, left, below and above the page.
    pageFrame_[0]->setGeometry(QRect(right, top, kFrameBar, bottom - top + kFrameBar));
    pageFrame_[1]->setGeometry(QRect(left, top, kFrameBar, bottom - top + kFrameBar));
    pageFrame_[2]->setGeometry(QRect(left, bottom, right - left + kFrameBar, kFrameBar));
    pageFrame_[3]->setGeometry(QRect(left, top, right - left + kFrameBar, kFrameBar));

    // Wide enough for the page and for the legend, whichever is wider.
    const QMargins margins = surface.layout()->contentsMargins();
    surface.setFixedSize(std::max(surface.sizeHint().width(),
                                  frame1_->sizeHint().width() + margins.left() + margins.right()),
                         surface.sizeHint().height());
}

void HexViewerWindow::AddKeys() {
    // The arrows move the page a line, Page Up and Page Down a page: the
    // bar's own steps, whichever control has the focus.
    const std::pair<QKeySequence, QAbstractSlider::SliderAction> keys[] = {
        {QKeySequence(Qt::Key_Up), QAbstractSlider::SliderSingleStepSub},
        {QKeySequence(Qt::Key_Down), QAbstractSlider::SliderSingleStepAdd},
        {QKeySequence(Qt::Key_PageUp), QAbstractSlider::SliderPageStepSub},
        {QKeySequence(Qt::Key_PageDown), QAbstractSlider::SliderPageStepAdd},
    };
    for (const auto& [key, action] : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, action = action] { vscroll1_->triggerAction(action); });
    }
}

bool HexViewerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel) {
        return WindowFrame::eventFilter(watched, event);
    }
    // Over the page or the bar, each notch of the wheel moves three lines.
    const auto* wheel = static_cast<QWheelEvent*>(event);
    wheelRest_ += wheel->angleDelta().y();
    const int notches = wheelRest_ / kWheelNotch;
    wheelRest_ -= notches * kWheelNotch;
    if (notches != 0) {
        vscroll1_->setValue(vscroll1_->value() - notches * kWheelLines);
    }
    return true;
}

} // namespace ss
