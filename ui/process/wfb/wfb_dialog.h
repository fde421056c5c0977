// The curvature-table dialog on screen: the WFB_Form model's boxes, scroll
// bars and buttons.  Typing goes to the model's change handlers; whatever
// the model changes is shown again.
#pragma once
#include <array>

#include "velbend/forms/wfb_form.h"
#include "velbend/ui/dialog.h"

class QLineEdit;
class QScrollBar;
class QPushButton;

namespace velbend {

class HoldButton;

class WfbDialog : public ModalDialog {
    Q_OBJECT
public:
    WfbDialog(Program& program, QWidget* parent);
    ~WfbDialog() override;
    void XianShiCE() override;
    WFB_Form& model() { return model_; }
    // Shows the model's texts, scroll ranges and row marks.
    void Refresh();

protected:
    void LoadFields() override;
    void OnLoseHold() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* Box(const QString& name, QWidget* parent, bool readOnly = false);

    WFB_Form model_;
    std::array<std::array<QLineEdit*, WFB_Form::kRows>, 4> tableBoxes_{};  // Text1..Text4
    std::array<QLineEdit*, WFB_Form::kRows> text9_{}, text10_{};
    std::array<QScrollBar*, 2> scroll_{};
    QLineEdit *text5_, *text6_, *text7_, *text8_;
    bool refreshing_ = false;
};

}  // namespace velbend
