// Manual jog of the feed axis and the seek-zero buttons of the main window.
//
// Jog: Command_SL feeds the strip forward, Command_TL retracts it; the
// press starts the move (an endless one, or a step of Text3 mm when Check1
// is ticked) and the release stops the endless jog that its own press
// started.  A jog speed or step that gives no pulse, or a step beyond what
// the machine can do (MotionAllowed), is refused with a
// message.  The external feed and retract push-buttons (inputs 18 and 19)
// reach the same jog through the run timer.  The mouse arguments are
// not used (the run timer passes zeros).
//
// Seek zero: Command_XZ (axis 1 feed), Command_Z1 (axis 2 bend, in two
// phases), Command_Z2 (axis 4 swing or forward feed), Command_Z3 (axis 3
// cutter, motor or cylinder).  A handler starts the search move on the
// axis's zero switch and sets gHomeState to the axis number with
// gHomeStarted := 1; the run timer makes the zero-compensation move and
// sets the positions to 0.  Every press and start does nothing unless the
// machine's state admits a start (MayAct, run_state.h); a release always
// stops the jog that its own press started.
#pragma once
#include <cstdint>

#include "velbend/machine/interpreter.h"
#include "velbend/machine/program.h"

namespace velbend {

void Command_SL_MouseDown(MachineContext& ctx, int16_t Button = 0, int16_t Shift = 0, double X = 0,
                          double Y = 0);
void Command_SL_MouseUp(MachineContext& ctx, int16_t Button = 0, int16_t Shift = 0, double X = 0,
                        double Y = 0);
void Command_TL_MouseDown(MachineContext& ctx, int16_t Button = 0, int16_t Shift = 0, double X = 0,
                          double Y = 0);
void Command_TL_MouseUp(MachineContext& ctx, int16_t Button = 0, int16_t Shift = 0, double X = 0,
                        double Y = 0);

// The external feed (dir 1, input 18) and retract (-1, input 19) buttons,
// as the run timer sees them pressed and let go: the same jog as the screen
// buttons, but a release stops only the jog that the external press itself
// started (not a screen button's, nor one from before the first look at the
// inputs).
void ExternalJogPress(MachineContext& ctx, int16_t dir);
void ExternalJogRelease(MachineContext& ctx, int16_t dir);

// Feed axis.  M36 sets mSeekFromProgram := 1 first, which lets the call
// pass the busy test of the running program.
void Command_XZ_Click(MachineContext& ctx);
// Bend axis, button press.  A first seek zero (or one from above 10
// degrees) first moves the axis (back 30 degrees, or to 0); the run timer
// starts the search once that move has ended (ContinueBendSeekZero).
void Command_Z1_Click(MachineContext& ctx);
// The second phase of the bend-axis seek zero: the search on the zero
// switch.  Called by the run timer when the move before it has ended.
void ContinueBendSeekZero(MachineContext& ctx);
// Swing or forward feed (axis 4); refuses with a message while a cylinder
// cutter is not back.  `who`: the window whose button it is (the machine
// setup dialog has the same button).
void Command_Z2_Click(MachineContext& ctx, Starter who = Starter::MainWindow);
// Cutter up/down (axis 3): a motor cutter seeks zero, a cylinder cutter is
// drawn back (output 2) until input 17 reports it back.
void Command_Z3_Click(MachineContext& ctx, Starter who = Starter::MainWindow);

// True when the moves a seek zero of axis n derives from the table are ones
// the machine can do (MotionAllowed): the axis's ZeroCompDistance after
// its switch, and on the feed axis without a switch (gFeedRetract >= 0.5)
// the retract length; else one message names the value and nothing may
// start.  Its moves must give a pulse a second (the search at the
// seek-zero speed, or the feed's retract at `retractFeed` mm/min as given,
// so 0 or a negative speed is refused, and the compensation at its speed
// where it moves), else they would crawl.  Every
// start of a seek zero asks it before anything moves, and so does a program
// holding M36, M38, M40 or M42 before it starts.
bool SeekZeroUsable(MachineContext& ctx, int n, double retractFeed);
// What names axis n's ZeroCompDistance in a refusal.
ValueSource ZeroCompSource(int n);

// The search move of a seek zero on axis n: the stop on the zero switch on
// with the given logic (the switch's active level), the axis set up at the
// absolute value of its SeekZeroFeedrate, a move of direction x 1000000
// pulses, then gHomeState := n, gHomeStarted := 1 and its starter
// recorded.  No busy test; false, with nothing moved, when the seek zero is
// refused (SeekZeroUsable).
bool StartSeekZeroSearch(MachineContext& ctx, int n, int32_t logic, int32_t direction, Starter who);
// The seek zero of a feed without a zero switch: the strip pulled back by
// gFeedRetract at `feed` (per minute), then gHomeState := 1, gHomeStarted :=
// 1 and its starter recorded; the run timer makes the compensation.  No busy
// test; false, with nothing moved, when refused (SeekZeroUsable).
bool StartFeedRetract(MachineContext& ctx, double feed, Starter who);
// The search direction of an axis with its zero switch: +1 when its
// SeekZeroFeedrate is above 0, else -1.
int32_t SeekZeroDirection(const AxisPara& ax);

}  // namespace velbend
