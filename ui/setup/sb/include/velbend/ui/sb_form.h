// SB_Form: the machine setup dialog (main window button Command10(0)).
// A thin view of SB_Model: it builds the controls under their documented
// names, forwards every edit, click, press and release to the model and
// then shows the model's texts, values and enabled/visible flags.
#pragma once
#include <QString>

#include "velbend/forms/sb_form.h"
#include "velbend/ui/dialog.h"

class QWidget;

namespace velbend {

class SB_Form : public ModalDialog {
    Q_OBJECT
public:
    SB_Form(Program& program, QWidget* parent);
    ~SB_Form() override;

    void XianShiCE() override;
    SB_Model& model() { return model_; }
    // Shows the model's state on the controls.
    void Sync();

protected:
    void LoadFields() override;
    void OnLoseHold() override;

private:
    void Build();
    template <class W>
    W* Make(QWidget* parent, const QString& name, int left, int top, int width, int height);

    SB_Model model_;
    bool syncing_ = false;
};

}  // namespace velbend
