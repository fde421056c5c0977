// GY1_Form: the operator's technological-parameter dialog (user level 0).
// A thin view of GY1_Model (forms/gy1): it creates the controls from the
// model's layout, forwards typing, clicks and the feed jog's press and
// release, runs the 200 ms encoder-count timer, and shows the model's
// controls again after each of them.
#pragma once
#include <map>
#include <string>

#include "velbend/forms/gy1.h"
#include "velbend/ui/dialog.h"

class QTimer;

namespace velbend {

class GY1_Form : public ModalDialog {
    Q_OBJECT
public:
    GY1_Form(Program& program, QWidget* parent);
    ~GY1_Form() override;

    GY1_Model& model() { return model_; }
    void XianShiCE() override;
    // The encoder-count display (Timer1, every 200 ms while open).
    void Timer1_Timer();

protected:
    void LoadFields() override;
    void OnLoseHold() override;

private:
    void Build();
    void Connect(QWidget* w, const std::string& name);
    void Click(const std::string& base, int index);
    // The down-distance boxes sit in the blanks of their captions, wherever
    // the font puts them.
    void PlaceCaptionBoxes();
    // The model's controls onto the widgets.
    void Show();

    GY1_Model model_;
    QTimer* timer1_ = nullptr;
    std::map<std::string, QWidget*, std::less<>> widgets_;
    bool showing_ = false;
};

}  // namespace velbend
