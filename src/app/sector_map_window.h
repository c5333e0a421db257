// The sector map window: the file, its format, the two order options, Next,
// Previous and "File Display Mode", and the page of sector numbers below. The
// window only forwards events to the logic and shows its controls and surface.
#pragma once

#include "qt_host.h"
#include "surface_widget.h"
#include "window_frame.h"
#include "windows/sector_map/sector_map_logic.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ss {

// The sector map's file dialog filter: one entry, without a pattern of its
// own, so the dialog lists every file.
inline constexpr const char* kSectorMapFilter = "All Files (*.*)";

class SectorMapWindow : public WindowFrame {
    Q_OBJECT
  public:
    explicit SectorMapWindow(QtHost& host, QWidget* parent = nullptr);

    SectorMapLogic& Logic() { return logic_; }

  protected:
    OpenResult Open(const std::string& name) override { return logic_.MnuOpen(name); }
    void Activate() override { logic_.Form_Activate(); }
    void Resize() override { logic_.Form_Resize(); }

  private:
    void BuildControls();
    QLineEdit* AddTextBox(const char* name, TextBox& model, int chars, const QString& tip);
    QPushButton* AddButton(const char* name, CommandButton& model, const QKeySequence& key,
                           const QString& what, void (SectorMapLogic::*handler)());
    QRadioButton* AddOption(const char* name, OptionButton& model, const QKeySequence& key,
                            void (SectorMapLogic::*handler)());

    QtFontMetrics metrics_;
    SectorMapLogic logic_;
};

} // namespace ss
