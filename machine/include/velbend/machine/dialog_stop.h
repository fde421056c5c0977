// The Stop button of the setup and process dialogs.  Whatever started the
// motion (a program, a jog, a seek zero, a test), it decelerates every axis
// that moves, switches off the stop on the zero switch of a search it cuts
// short, switches outputs 0..7 off and clears the run flags, the seek-zero
// state with the bend axis's pre-move phase, a pending cylinder stroke and
// a jog record.  It never asks whether the machine is busy.
#pragma once
#include "velbend/machine/program.h"

namespace velbend {

void DialogStop(MachineContext& ctx);

}  // namespace velbend
