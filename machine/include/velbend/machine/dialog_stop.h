// The Stop button of the setup and process dialogs.  Whatever started the
// motion (a program, a jog, a seek zero, a test), it decelerates every axis
// that moves, switches off the stop on the zero switch of a search it cuts
// short, switches outputs 0..7 off and clears the run flags, the seek-zero
// state with the bend axis's pre-move phase, a pending cylinder stroke, a
// jog record, the calibration mode and a pending feed correction.  It never asks whether the machine is busy.
#pragma once
#include "velbend/machine/program.h"

namespace velbend {

void DialogStop(MachineContext& ctx);

}  // namespace velbend
