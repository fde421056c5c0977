// Set-up of the window tests: the model tests' program on the simulated card
// (ProgramTest: home, op, program, sim, Tick, TickUntil), under the
// QApplication that the window tests' main() makes.
#pragma once
#include <QApplication>

#include "velbend/forms/program_test.h"

namespace velbend::testing {

class WindowTest : public ProgramTest {};

}  // namespace velbend::testing
