// Slotting G-code export for an engraving machine.
#pragma once
#include "velbend/machine/program.h"

namespace velbend {

// Menu "开槽程序" / "Slotting Program": shows the output frame when CtrP.dat
// holds a path, else tells the operator there is nothing to output.
void 开槽程序_Click(MachineContext& ctx);

// The frame's Output button: writes the slotting program named by Text8 in
// the program folder from CtrP.dat, with Text9(0..3) (depth, width, spindle
// speed, feed): one slot at every corner turning more than gSlotThreshold
// and one at the path's end, each where the program Run writes for the path
// cuts it (ProgramStripPositions).  Refuses an empty or non-numeric depth,
// width, speed or feed with a message.  True when the file was written.
bool WriteSlotProgram(MachineContext& ctx);
// Command2(Index): 0 Output (WriteSlotProgram, then hide the frame),
// 1 Cancel (hide the frame).
void Command2_Click(MachineContext& ctx, int16_t Index);

}  // namespace velbend
