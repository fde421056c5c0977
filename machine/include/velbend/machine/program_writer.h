// Run: writes the machine program G5.dat from the control path CtrP.dat,
// loads it and starts the machining run.
#pragma once
#include <string_view>
#include <vector>

#include "velbend/machine/program.h"

namespace velbend {

// Where the strip stands in the program Run writes for the control path
// `lines` (the lines of CtrP.dat), one piece fed from 0: at each corner line
// (kind 2 or 5, in the order of the file) and at the path's end.  The
// slotting export places its slots there, so that they stand where the
// program cuts them, arcs, cutter zones, length compensations and splices
// counted alike.  Written on a copy of the context: nothing of the machine,
// its run, its messages or its files changes.
struct StripPositions {
    std::vector<double> corners;
    double end = 0;
};
StripPositions ProgramStripPositions(const MachineContext& ctx, const std::vector<std::string_view>& lines);

// The Run button.  Resumes a paused run; otherwise, when the machine's
// state admits a start, refuses an encoder-corrected run whose feed or
// encoder equivalent is 0 (one message), checks the axes are at zero, makes
// sure CtrP.dat holds a path, refreshes the length captions, writes G5.dat,
// loads it (refusing 30000 lines or more) and sets gRunning.  Without a path
// it starts nothing and leaves G5.dat empty.
void Command_Run_Click(MachineContext& ctx);

// The length captions of a control path of strip length `total` (mm) with
// `splineLines` "SPLINE" lines: Label4(1) the piece without the splices
// between its contours, Label4(2) the whole job (pieces of Text5 with the
// splices of Text4 between them, the end feed of Text7 and
// gBendToSlotDist), each as "0.0000" followed by "  mm".
void SetLengthCaptions(MainPanel& panel, double total, int16_t splineLines, double bendToSlotDist);

}  // namespace velbend
