// Captions that do not fit their control at the window's font.  A label or
// a check box takes a smaller font, down to 6.5 pt, until its whole caption
// shows in the room it has: its own width, up to the next control to its
// right on the same line.  A push button breaks its caption at blanks onto
// more lines (it paints them itself) and takes a smaller font where that is
// still needed.  A caption that fits keeps the window's font.
#pragma once
#include <QObject>

class QWidget;

namespace velbend {

class CaptionFitter : public QObject {
public:
    using QObject::QObject;
    // Fits the caption of `w` (a label, check box or push button; other
    // widgets are left alone) to its current size and neighbours.
    void Fit(QWidget* w);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace velbend
