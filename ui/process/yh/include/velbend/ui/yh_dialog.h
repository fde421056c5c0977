// YH_Form: user levels and passwords, a thin view of YhForm
// (velbend/forms/yh_form.h).  Opened by the main window's Command10(5)
// (DialogKind::Users).  The dialog sees Enter and Esc before its controls.
#pragma once
#include "velbend/forms/yh_form.h"
#include "velbend/ui/dialog.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velbend {

class YH_Form : public ModalDialog {
    Q_OBJECT
public:
    YH_Form(Program& program, QWidget* parent);

    void XianShiCE() override;
    YhForm& model() { return model_; }

protected:
    void LoadFields() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Runs a handler of the model, then shows what it left.
    template <class F>
    void Handle(F&& f) {
        f();
        Sync();
    }
    void Sync();
    void EnterPressed();

    YhForm model_;
    QGroupBox* user_ = nullptr;
    QGroupBox* passIn_ = nullptr;
    QGroupBox* passEdit_ = nullptr;
    QRadioButton* option_[3] = {};
    QLineEdit* text_[4] = {};   // Text1 .. Text4
    QPushButton* command5_ = nullptr;
};

}  // namespace velbend
