// Drives a dialog that its opener runs with exec(): `open` is called, and
// once the modal dialog is up, drive(dialog) runs inside its event loop.
// A dialog still shown after drive is rejected, so a test never hangs.
// False when no modal dialog came up.
#pragma once
#include <functional>

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace velbend::testing {

inline bool RunModal(const std::function<void()>& open, const std::function<void(QDialog*)>& drive) {
    bool seen = false;
    QTimer timer;  // dies with this call: nothing fires after it returns
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        seen = true;
        drive(d);
        if (d->isVisible()) d->reject();
    });
    timer.start(0);
    open();
    return seen;
}

}  // namespace velbend::testing
