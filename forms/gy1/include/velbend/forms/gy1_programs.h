// The operator dialog's test programs, written in memory (the dialog starts
// them through StartProgram, program_start.h).  They read the parameters as
// last saved, never the dialog's unsaved edits; only the included angle and
// the tool-setting positions come from the dialog's boxes.
#pragma once
#include <cstdint>

#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"

namespace velbend {

// The cutter lines every slotting test starts with: the cylinder cutter
// brought back, or a motor cutter sent to zero ("M40", "M30") in
// Processing mode.
void WriteCutterPreamble(MachineContext& ctx, ProgramLines& out);

// Slotting test of a cutter with a forward motor: "G90 G01", "G92 X0",
// "M16", the preamble, "M42" "M30" in Processing mode, "G90 G01" and a
// straight front slot.
void WriteForwardSlotTest(MachineContext& ctx, ProgramLines& out);

// Front (Index 0) or back (Index 1) slotting test of a swinging cutter for
// a corner of includedAngle degrees (raised to the blade angle).
void WriteSwingSlotTest(MachineContext& ctx, ProgramLines& out, int Index, double includedAngle);

// Tool setting: Z to zPos and A to aPos (mm) at their automatic feedrates.
void WriteSetToolProgram(MachineContext& ctx, ProgramLines& out, double zPos, double aPos);
// Zero: pressing off, and in Processing mode A and Z seek zero.
void WriteToolZeroProgram(MachineContext& ctx, ProgramLines& out);
// Back: A and Z to 0, pressing off.
void WriteToolBackProgram(MachineContext& ctx, ProgramLines& out);

// The cutter marking line: one straight slotting block with the marking
// flag, inside the cutter rotation when the cutter turns while machining.
void WriteMarkingLine(MachineContext& ctx, ProgramLines& out);

// The new pulse equivalent of a calibration: instructed x old / actual.
// False when actual is 0 (or any value is not a finite number): nothing to
// calculate.
bool CalibratedEquivalent(double instructed, double old, double actual, double& result);

}  // namespace velbend
