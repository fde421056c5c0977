// Small pieces every window uses: press-and-hold buttons, captions applied
// from a caption table, twip rectangles, the window icon.
#pragma once
#include <span>

#include <QPushButton>
#include <QRect>
#include <QString>

#include "velbend/forms/dialog_common.h"

class QWidget;

namespace velbend {

// A button that acts while it is held: held() on a press of any mouse
// button, letGo() on the release of any mouse button, and on Release()
// (which a window calls when it hides, loses focus or closes).  letGo()
// comes once per held(), never without one.
class HoldButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    bool IsHeld() const { return held_; }
    // Ends a hold as a release would (nothing when not held).
    void Release();

signals:
    void held();
    void letGo();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    bool held_ = false;
};

// Releases every held HoldButton below `root`.
void ReleaseHeldButtons(QWidget* root);

// 15 twips are one pixel.
inline int Twips(double twips) { return static_cast<int>(twips / 15.0 + (twips >= 0 ? 0.5 : -0.5)); }
inline QRect TwipsRect(double left, double top, double width, double height) {
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline QString Q(const char* s) { return QString::fromUtf8(s); }

// Captions of a table in the given language onto the controls below `root`
// found by objectName (buttons, labels, group boxes, check boxes, menu
// actions and menus); the name "Form" sets the window title.  Names that
// the window does not have are passed over.
void ApplyCaptions(QWidget* root, std::span<const Caption> table, int16_t language);

// The window icon 公司图标.ico from the program folder (nothing when missing).
void LoadWindowIcon(QWidget* w);

// Sets the text of a widget that shows text (QLabel, QAbstractButton,
// QLineEdit, QGroupBox); false for other widgets.
bool SetWidgetText(QWidget* w, const QString& text);

}  // namespace velbend
