// The cylinder cutter driven by outputs: a stroke started by hand, and the
// lines that the slotting test programs of the dialogs share with one
// another: bringing the cutter back before the first slot, and whether the
// swing or forward axis seeks zero first.
#pragma once
#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"
#include "velbend/params/syspara.h"

namespace velbend {

// True when the end of a cylinder stroke is told by the end sensors (inputs
// 16 and 17): a cylinder driven by outputs (gCutterUpDownMode 0) detected by
// sensors (gPositionDetectMode 0).  Only then does a stroke wait for
// anything, and only then does the run timer end one.
bool CylinderEndsOnSensors(const SysPara& s);

// A stroke of the cylinder started by hand: output 1 (cutter out) or 2
// (cutter back) on, the other one switched off first.  It is pending
// (gCylinderBusy 1) until its end sensor ends it where the sensors tell its
// end; timed by a delay, nothing waits for it and it is pending not at all.
void StartCylinderStroke(MachineContext& ctx, int output);

// When a cylinder cutter driven by outputs (gCutterUpDownMode 0) is not back
// (input 17 reads non-zero) in Processing mode (gRunMode 0): "M14", then
// "M00" (wait for the sensor, gPositionDetectMode 0) or "G04 P" with
// gPositionDetectDelay ("0"), then "M15".  True when the lines were written.
bool WriteCutterBack(MachineContext& ctx, ProgramLines& out);

// True when a slotting program brings axis 4 to zero ("M42", "M30") before
// its slot: Processing mode, and either a swinging fourth axis
// (gAxisKindA 0) that swings on some side (gSwingModeP, gSwingModeN or
// gSlotSides 0) or a forward axis (gAxisKindA 1) that is not sent to zero
// before every forward anyway (gSeekZeroBeforeForward 0).
bool SwingZeroBeforeSlot(const SysPara& s);

}  // namespace velbend
