// Motion buttons of the setup dialogs (axis setup, machine setup): the
// hold-to-jog and the step of one axis, and the cancel of an axis's own
// seek zero by a second press (the dialogs' Stop: dialog_stop.h).
//
// Every move is set up from the stored axis record (never a dialog's
// unsaved edits): speed rnd(feedrate x PulseEquivalent / 60), start speed
// 1000, acceleration rnd(Acceleration x 10000).  Every start is refused
// unless the machine's state admits it (MayAct); the cancel of the seek zero
// the dialog itself started and Stop never are.  A release stops only the jog that its own
// press started.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "velbend/machine/interpreter.h"
#include "velbend/machine/program.h"

namespace velbend {

// The jogs that the presses of one dialog started: per axis 1..4 the
// direction (1 forward, -1 reverse) or 0.
struct DialogJogs {
    std::array<int16_t, 5> dir{};
    std::array<uint32_t, 5> stops{};  // RunState::mStops at each press
};

// True when axis n's ManualFeedrate gives at least one pulse a second;
// else the operator is told (one message) and nothing may move by hand.
// Every hand move of the dialogs asks it before it starts.
bool ManualSpeedUsable(MachineContext& ctx, int n);

// Press of a hold-to-jog button of axis n (1..4), dir 1 forward or -1
// reverse: the axis set up at its ManualFeedrate and a move of
// dir x 100000000 pulses; on the feed axis (1) the material pressing
// (output 3) goes off first.  False, with nothing done, while busy.
bool DialogJogPress(MachineContext& ctx, DialogJogs& jogs, int n, int dir);
// Release of that button (by any mouse button): dec_stop(0, n) when the
// press of this axis and direction started a jog; dir 0 (the window's hold
// ending) lets go of the axis's jog whichever button started it.
void DialogJogRelease(MachineContext& ctx, DialogJogs& jogs, int n, int dir = 0);

// A relative move of axis n by rnd(distance x PulseEquivalent) pulses at its
// ManualFeedrate (negative distances go backwards); on the feed axis the
// material pressing goes off first.  False while busy, and refused with a
// message naming the step box (or `source`), nothing moved, when the
// distance is not one the machine can do (DistanceUsable).
bool DialogStep(MachineContext& ctx, int n, double distance);
bool DialogStep(MachineContext& ctx, int n, double distance, const ValueSource& source);

// A step of a forward (dir 1) or reverse (-1) button: `length` mm the
// pressed way; a length that gives no pulse (0, negative, not a number) is
// refused with a message, as is the main window's jog step.
bool DialogStepBy(MachineContext& ctx, int n, int dir, double length);
void ReportStepLength(MachineContext& ctx);

// True while a seek zero of axis n (gHomeState n or n + 4) that `who`
// started runs: the only one a seek-zero button of that window cancels.
bool OwnSeekZero(const RunState& run, int n, Starter who);
// The cancel of axis n's seek zero: the stop on the zero switch off,
// dec_stop(0, n), the seek zero ended (EndSeekZero).
void CancelSeekZero(MachineContext& ctx, int n);

}  // namespace velbend
