// JJZ_Form: the axis setup dialog (Command10(1) of the main window).  A thin
// view of JJZ_Model: the boxes, buttons and frames are named as the model
// names them, every handler forwards to the model and the widgets then show
// what the model holds.  The axis buttons act on the press of any mouse
// button; forward and reverse are press-and-hold buttons whose hold ends on
// the release of any mouse button and whenever the dialog hides, closes or
// loses the focus.
#pragma once
#include <array>

#include <QTimer>

#include "velbend/forms/jjz_form.h"
#include "velbend/ui/dialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velbend {

class JJZ_Form : public ModalDialog {
    Q_OBJECT
public:
    JJZ_Form(Program& program, QWidget* parent);
    ~JJZ_Form() override;

    void XianShiCE() override;
    JJZ_Model& model() { return model_; }

    // The 200 ms dialog timer's tick (the QTimer calls it; tests may too).
    void Timer1_Timer();

protected:
    void LoadFields() override;
    void OnLoseHold() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    // Shows what the model holds.
    void Refresh();
    void TextEdited(int box, int index, const QString& text);

    JJZ_Model model_;
    QTimer timer1_;
    bool refreshing_ = false;
    // Boxes [array][index]: 1..4 axis frames, 5 encoder frame, 6 panel.
    std::array<std::array<QLineEdit*, 8>, 7> text_{};
    std::array<QGroupBox*, 7> frame_{};
    std::array<std::array<QPushButton*, 4>, 5> command_{};
    std::array<QLineEdit*, 5> pos_{};
    QPushButton* save_ = nullptr;
    QLineEdit* text7_ = nullptr;
    QLabel* label6_4_ = nullptr;
    QLabel* label1_0_ = nullptr;
    QLabel* label5_0_ = nullptr;
    QCheckBox* check2_ = nullptr;
    QPushButton* clear7_ = nullptr;
};

}  // namespace velbend
