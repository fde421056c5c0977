// Calibration and debug test programs of the main window's "Machine Adjust"
// frame (Command4: feed length, arc power, slot depth) with the in-window
// test frame TshFrame (prompt Label7, buttons Command5(0)/(1), entry Text14).
//
// mDebugMode holds the frame's state:
//   0 closed; 1 feed test offered or running; 2 arc test offered or the
//   positive arc test running; 3 slot test offered or running; 4 waiting for
//   the measured length; 5 waiting for the positive arc correction; 7 the
//   negative arc test running or waiting for its correction.
// The run timer moves 1 -> 4, 2 -> 5, keeps 7 and ends 3 when a test run
// that the frame started ends.  A correction changes one parameter (the
// feed's pulse equivalent or the encoder equivalent, or a space angle) and
// saves the table at once, through the one save of a table change
// (table_save.h): only while the machine admits a change, and a table that
// cannot be saved goes back (the frame then stays for another try).
#pragma once
#include <cstdint>

#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"

namespace velbend {

// Opens the frame for test Index 0 (feed length), 1 (arc power) or 2 (slot
// depth).  Does nothing while the machine is busy.
void Command4_Click(MachineContext& ctx, int16_t Index);

// The frame's two buttons; what they do depends on mDebugMode.  Starting a
// test program is refused while the machine is busy.
void Command5_Click(MachineContext& ctx, int16_t Index);

// The programs themselves (written, not started).  kind: 0 feed length,
// 1 positive arc, 2 negative arc, 3 front slot, 4 back slot.  False, with a
// message, when the program cannot be made (a pat spacing of 0).
enum class TestProgram { FeedLength, PositiveArc, NegativeArc, FrontSlot, BackSlot };
bool WriteTestProgram(MachineContext& ctx, TestProgram kind, ProgramLines& out);

}  // namespace velbend
