// The Stop button of the setup and process dialogs, and the card and run
// part of the main window's Stop.  Whatever started the motion (a program,
// a jog, a seek zero, a test), it decelerates every axis that moves,
// switches outputs 0..7 off, switches off the stop on the zero switch of a
// search it cuts short, ends the program (EndProgram: run flags, pause,
// sensor wait, dwell, single step, feed check, starter) and the seek zero
// (EndSeekZero), and clears a pending cylinder stroke, a jog record, the
// calibration mode and a pending feed correction.  It never asks whether
// the machine is busy.
#pragma once
#include "velbend/machine/program.h"

namespace velbend {

void DialogStop(MachineContext& ctx);

}  // namespace velbend
