// Set-up of the window tests: the model tests' program on the simulated card
// (ProgramTest: home, op, program, sim, Tick, TickUntil), under the
// QApplication that the window tests' main() makes.
#pragma once
#include <memory>

#include <QApplication>
#include <QTest>

#include "velbend/forms/program_test.h"
#include "velbend/ui/widgets.h"

namespace velbend::testing {

class WindowTest : public ProgramTest {
protected:
    // Holds the hold button `name` of a shown dialog until `axis` moves, then
    // destroys the dialog: true when the hold ended while the dialog was
    // still whole (still a D, so its model alive), not later from the
    // teardown of its widgets, and the axis then came to rest.
    template <class D>
    bool HoldEndsBeforeTheModelGoes(std::unique_ptr<D> dialog, const char* name, int axis) {
        auto* held = dialog->template findChild<HoldButton*>(name);
        if (!held) return false;
        QTest::mousePress(held, Qt::LeftButton);
        if (!TickUntil([&] { return Moving(axis); }, 20)) return false;
        QObject* d = dialog.get();
        bool ended = false, whole = false;
        QObject::connect(held, &HoldButton::letGo, [&ended, &whole, d] {
            ended = true;
            whole = qobject_cast<D*>(d) != nullptr;
        });
        dialog.reset();
        return ended && whole && TickUntil([&] { return !Moving(axis); }, 200);
    }
};

}  // namespace velbend::testing
