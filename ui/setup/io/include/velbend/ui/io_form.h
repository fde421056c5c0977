// IO_Form: the IO map and monitor (main window button Command10(2)).  A
// thin view of IO_Model: a square lamp before each signal's caption, the
// 200 ms poll, the five output buttons and the clickable output captions.
#pragma once
#include <QLabel>

#include "velbend/forms/io_form.h"
#include "velbend/ui/dialog.h"

class QTimer;

namespace velbend {

// A caption that reports a left click (the output captions Label21(i)).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
};

class IO_Form : public ModalDialog {
    Q_OBJECT
public:
    IO_Form(Program& program, QWidget* parent);

    void XianShiCE() override;
    IO_Model& model() { return model_; }
    QTimer* Timer1() { return timer_; }
    // Colours the lamps from the model.
    void ShowLamps();
    // The colour a lamp shows.
    QColor LampColor(Lamp l) const;

protected:
    void LoadFields() override;

private:
    IO_Model model_;
    QTimer* timer_ = nullptr;
};

}  // namespace velbend
