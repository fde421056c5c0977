// AboutMe_Form: the about box, opened from the main window's 关于我们 menu
// entry (DialogKind::About).  Four lines from cinf.ini in the language of
// the moment it opens, under the closing line; Esc closes it.
#pragma once
#include "velbend/forms/about_form.h"
#include "velbend/ui/dialog.h"

class QLabel;

namespace velbend {

class AboutMe_Form : public ModalDialog {
    Q_OBJECT
public:
    AboutMe_Form(Program& program, QWidget* parent);

    void XianShiCE() override;

protected:
    void LoadFields() override;

private:
    QLabel* labels_[5] = {};
};

}  // namespace velbend
