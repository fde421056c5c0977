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
#include <optional>
#include <string>

#include "velbend/machine/interpreter.h"
#include "velbend/machine/program.h"

namespace velbend {

// The move of a hold-to-jog: it runs until its release (or a Stop).
inline constexpr int32_t kEndlessJog = 100000000;

// The jogs that the presses of one dialog started: per axis 1..4 the
// direction (1 forward, -1 reverse) or 0.
struct DialogJogs {
    std::array<int16_t, 5> dir{};
    std::array<uint32_t, 5> stops{};  // RunState::mStops at each press
};

// The one press and release of every hold-to-jog (the main window's, the
// dialogs'), on a record of the press: `held` its direction (0 none) and
// `stopsAtPress` the Stops counted then (RunState::mStops).  HoldJog starts
// the endless move of axis n the pressed way (dir 1 or -1, the axis set up
// by the caller) and records it.  LetGoOfJog is the release rule: a release
// stops only the jog that its own press started, the press of direction
// `dir` (0: the window's hold ending, whichever button it was), and nothing
// once a Stop has ended that jog, since what moves the axis then is
// another's; the record is let go either way.  True when it stopped the axis.
void HoldJog(MachineContext& ctx, int16_t& held, uint32_t& stopsAtPress, int n, int dir);
bool LetGoOfJog(MachineContext& ctx, int16_t& held, uint32_t stopsAtPress, int n, int dir);

// The motion check's ask (MotionAllowed) of a hand move of axis n by
// `distance` (none for a hold-to-jog) at its ManualFeedrate, the distance
// named by `source`: every hand move of the dialogs asks it before it
// starts, so a manual speed of less than a pulse a second moves nothing.
MotionAsk ManualMotion(MachineContext& ctx, int n, std::optional<double> distance = std::nullopt,
                       const ValueSource& source = {});

// Press of a hold-to-jog button of axis n (1..4), dir 1 forward or -1
// reverse: the axis set up at its ManualFeedrate and a move of
// dir x kEndlessJog pulses; on the feed axis (1) the material pressing
// (output 3) goes off first unless `letMaterialGo` is false (the curvature
// and operator dialogs' feed jogs leave it).  False, with nothing done,
// while busy or when the motion check refuses its speed.
bool DialogJogPress(MachineContext& ctx, DialogJogs& jogs, int n, int dir, bool letMaterialGo = true);
// Release of that button (by any mouse button): dec_stop(0, n) when the
// press of this axis and direction started a jog; dir 0 (the window's hold
// ending) lets go of the axis's jog whichever button started it.
void DialogJogRelease(MachineContext& ctx, DialogJogs& jogs, int n, int dir = 0);

// A relative move of axis n by rnd(distance x PulseEquivalent) pulses at its
// ManualFeedrate (negative distances go backwards); on the feed axis the
// material pressing goes off first.  False while busy, and refused with a
// message naming the step box (or `source`), nothing moved, when the
// distance is not one the machine can do (MotionAllowed).
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
