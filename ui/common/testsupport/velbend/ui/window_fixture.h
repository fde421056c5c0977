// Set-up of the window tests: the model tests' program on the simulated card
// (ProgramTest: home, op, program, sim, Tick, TickUntil), under the
// QApplication that the window tests' main() makes.
#pragma once
#include <memory>

#include <QApplication>

#include "velbend/forms/program_test.h"
#include "velbend/ui/widgets.h"

namespace velbend::testing {

class WindowTest : public ProgramTest {
protected:
    // Destroys a dialog while `held` is held down: true when the hold ended
    // while the dialog was still whole (still a D, so its model alive), not
    // later, from the teardown of its widgets.
    template <class D>
    static bool HoldEndsBeforeTheModelGoes(std::unique_ptr<D> dialog, HoldButton* held) {
        QObject* d = dialog.get();
        bool ended = false, whole = false;
        QObject::connect(held, &HoldButton::letGo, [&ended, &whole, d] {
            ended = true;
            whole = qobject_cast<D*>(d) != nullptr;
        });
        dialog.reset();
        return ended && whole;
    }
};

}  // namespace velbend::testing
