// Run: writes the machine program G5.dat from the control path CtrP.dat,
// loads it and starts the machining run.
#pragma once
#include "velbend/machine/program.h"

namespace velbend {

// The Run button.  Resumes a paused run; otherwise checks the axes are at
// zero, makes sure CtrP.dat holds a path, refreshes the length captions,
// writes G5.dat, loads it (refusing 30000 lines or more) and sets gRunning.
void Command_Run_Click(MachineContext& ctx);

}  // namespace velbend
