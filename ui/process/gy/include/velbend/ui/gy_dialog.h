// GY_Form: the technological-parameter dialog of the maker levels, a thin
// view of GyForm (velbend/forms/gy_form.h).  Opened by the main window's
// Command10(3) at user levels 1 and 2 (DialogKind::TechMaker).
#pragma once
#include <array>

#include "velbend/forms/gy_form.h"
#include "velbend/ui/dialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velbend {

class GY_Form : public ModalDialog {
    Q_OBJECT
public:
    GY_Form(Program& program, QWidget* parent);

    void XianShiCE() override;
    GyForm& model() { return model_; }

protected:
    void LoadFields() override;

private:
    void Text1_Change(int index);

    GyForm model_;
    std::array<QLineEdit*, kGyBoxes> text1_{};
    QGroupBox* frame1_ = nullptr;
    QRadioButton* option1_ = nullptr;
    QRadioButton* option2_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
};

}  // namespace velbend
