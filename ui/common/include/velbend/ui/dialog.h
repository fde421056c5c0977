// The modal dialogs' common ground.
//
// ModalDialog: a QDialog that
//   - loads the window icon, then captions itself (XianShiCE) and fills its
//     fields: the subclass calls Load() at the end of its constructor, which
//     calls the virtuals in that order;
//   - closes on Esc, seen before any of its controls; has no default
//     button (Enter acts only where a window's handler says so);
//   - ends every press-and-hold button's hold when it hides, closes, or
//     loses the focus (its window deactivated), so no axis keeps running
//     because a release was missed.  A dialog whose hold buttons reach its
//     own members (its model) also calls OnLoseHold() from its destructor:
//     its widgets go only after those members, and a hold still on then
//     would be released into a model that is gone.
// A dialog is created fresh at each opening and run with exec(); the
// main window's machine loop keeps ticking meanwhile.
//
// The dialogs register an opener per main-window button; the main window
// asks for it (a button whose dialog is not registered stays disabled).
#pragma once
#include <functional>

#include <QDialog>

#include "velbend/forms/program.h"

namespace velbend {

class ModalDialog : public QDialog {
    Q_OBJECT
public:
    ModalDialog(Program& program, QWidget* parent);

    Program& program() { return program_; }

    // Re-captions the dialog in the current language.
    virtual void XianShiCE() {}

protected:
    // Icon, captions, fields, in that order.
    void Load();
    virtual void LoadFields() {}
    // Called when the dialog hides, closes or is deactivated, and from the
    // destructor of a dialog with hold buttons: the jog buttons' holds end
    // here (HoldButton::letGo runs their release).
    virtual void OnLoseHold();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    Program& program_;
};

// The dialogs the main window opens.  The numbers of the setup buttons
// Command10(0..5) come first.
enum class DialogKind {
    MachineSetup = 0,   // SB_Form
    AxisSetup = 1,      // JJZ_Form
    IO = 2,             // IO_Form
    TechMaker = 3,      // GY_Form (user levels 1 and 2)
    Curvature = 4,      // WFB_Form
    Users = 5,          // YH_Form
    TechOperator = 6,   // GY1_Form (user level 0)
    About = 7,          // AboutMe_Form
};

using DialogOpener = std::function<void(Program&, QWidget* parent)>;
// Registers the opener of a dialog (done once by each dialog's library).
bool RegisterDialog(DialogKind kind, DialogOpener opener);
// The opener, or nullptr when the dialog is not part of this program.
const DialogOpener* FindDialog(DialogKind kind);

}  // namespace velbend
