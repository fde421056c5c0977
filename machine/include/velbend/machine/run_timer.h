// The run timer: the machine loop of the program.  The main window calls
// Timer2_Timer every 30 ms; tests call it directly and advance the
// simulated card's clock by 30 ms between ticks.
//
// One tick, in order: step-test controls; external feed and retract
// buttons (inputs 18/19) as jog presses and releases; position and speed
// boxes; remaining length and the end of a machining run; IO lamps; the
// second phase of a bend-axis seek zero; the seek-zero continuation
// (compensation move, positions to 0); cylinder cutter sensors; position
// markers on the drawing; handing the next line to RunNcLine when a run is
// on, neither the operator's pause nor a cutter-sensor wait holds it, no
// dwell is pending and the card is idle (with the encoder check of the feed
// first); the end of a test run and of a setup-dialog run; the operator
// dialog's pending feed correction.  A program ends (EndProgram) only when
// it has done all it had to do (ProgramDone) and its axes stand; the test
// frame asks for a measurement only at the end of a test it started.
#pragma once
#include "velbend/machine/program.h"

namespace velbend {

void Timer2_Timer(MachineContext& ctx);

// The operator declares the awaited cutter sensor reached (a click on the
// main window's Label3, at user level 2 only); the next tick takes the
// stroke as ended.
void Label3_Click(MachineContext& ctx);

}  // namespace velbend
