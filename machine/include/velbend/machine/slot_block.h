// Print_KCaction: the lines of one slotting action (the notch the cutter
// cuts where the strip is to be folded, at a start or end point, or for a
// test), appended to the program being written.
#pragma once
#include <cstdint>

#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"

namespace velbend {

// Rangle  swing angle of the slot in degrees: below 180 cut from the front,
//         180 and above from the back (0.0 / 180.0 for straight slots)
// Ty      1 straight slot, 2 corner slot with a calculated swing, 3 slot at
//         the start or end point of the strip
// FBtype  down distance of a motor cutter: 0 gDownDistFront, 1 gDownDistBack,
//         other none
// EXZflag 1 suppresses the encoder-correction request at the block's start
//         (the cutter marking line)
// Reads the machine setup (gSlotLetters, cutter and swing modes, strokes ...),
// the AutoFeedrate of axes 3 and 4 and the panel's Check3.  Writes lines only.
void Print_KCaction(MachineContext& ctx, ProgramLines& out, double Rangle, int16_t Ty,
                    int16_t FBtype, int16_t EXZflag);

}  // namespace velbend
