// The one check before a motion starts.
//
// Every path that starts a motion of the machine (a program and its lines,
// a test or slotting program, a seek zero with its retract and
// compensation, the jog and the jog step, a dialog's move, step, rotate or
// tool move, an encoder correction) asks MotionAllowed first, and moves
// nothing when it answers false.  It is the only place where a distance is
// held against what the machine can do and a speed against one pulse a
// second, and the only place that words those refusals.  The line checks
// of a program (WordBeyondMachine, ProgramMotionsUsable and the
// interpreter's range check) name a line instead of a value, but ask the
// same predicates below; a program's speeds are asked axis by axis
// (ProgramSpeedsUsable).
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "velbend/geometry/coordinate_bound.h"
#include "velbend/machine/program.h"

namespace velbend {

// What the machine can do: a coordinate or a move within +-kMaxCoordinate mm
// (or degrees), the bound of the outline import as well (coordinate_bound.h);
// every pulse count within the card's signed 32-bit range.

// Where a motion's value comes from, as the operator knows it: what it is
// ("Zero Compensate Distance of axis 4") and where it is changed ("the Axis
// Setup"), in both languages.
struct ValueSource {
    std::string zh, en;
    std::string whereZh, whereEn;
};
// A box of the dialog in which the value is typed; a value of the
// Technological Parameter Setup.
ValueSource DialogBoxSource(const std::string& zh, const std::string& en);
ValueSource TechnologicalSource(const std::string& zh, const std::string& en);

// The speed a motion runs at, as a refusal names it.
enum class SpeedSource {
    Manual,            // the axis's manual speed (the Axis Setup)
    Automatic,         // the axis's automatic speed (the Axis Setup)
    SeekZero,          // the axis's seek-zero speed
    Retract,           // the feed's seek-zero retract (at the main window's jog speed, the axis dialog's manual one)
    ZeroCompensation,  // the axis's zero compensation speed
    JogSpeed,          // the jog speed typed in the main window
    ProgramLines,      // a program's move: its lines' speeds are asked when it starts (ProgramSpeedsUsable)
};

// What a motion is, for the one check before it starts.
struct MotionAsk {
    int axis = 1;  // 1..4
    // mm or degrees, relative; none for an endless jog or search (speed only).
    std::optional<double> distance;
    // Set for a move to an absolute target (a rotate to an angle, the cutter
    // down to its depth): where the axis stands, in pulses; `distance` is
    // then the target, bounded as a coordinate is.
    std::optional<double> standsAt;
    double value = 0;          // what the operator typed or saved, named in a distance refusal
    ValueSource source;        // what that value is and where it is changed
    double feedPerMinute = 0;  // the speed the card will move the axis at
    SpeedSource speed = SpeedSource::Manual;
    bool forwardOnly = false;  // a test's feed must not go behind where it began
};

// True when the motion may start: the axis 1..4, the distance (or target)
// finite and within what the machine can do, and so the pulse count of the
// move to a target; not below 0 with forwardOnly; the speed at least one
// pulse a second (a move of no pulse cannot crawl: its speed is not
// judged).  Else one message (title "错误"/"Wrong") names the value
// and where to change it, or the speed, and the caller moves nothing.  The
// distance is judged before the speed.
bool MotionAllowed(MachineContext& ctx, const MotionAsk& ask);

// The one start of a move of one axis by a distance: MotionAllowed, then
// `beforeMove` (what must happen only once the move is sure, such as the
// material let go), the axis set up at the ask's speed (SetAxisMotion) and
// moved by rnd(distance x PulseEquivalent) pulses, less standsAt where it is
// set (a move to a target).  False, with nothing done, when refused.
bool StartAxisMove(MachineContext& ctx, const MotionAsk& ask, const std::function<void()>& beforeMove = {});

// The predicates MotionAllowed and the line checks share.
// A distance (mm, or degrees) on `axis`: finite, within +-kMaxCoordinate,
// its pulse count (distance x PulseEquivalent) within the card's range.
bool DistanceWithinMachine(MachineContext& ctx, int axis, double distance);
// A move of `pulses` on `axis`: within the card's range and within
// kMaxCoordinate x |PulseEquivalent| pulses either way.
bool PulsesWithinMachine(MachineContext& ctx, int axis, double pulses);
// The card's speed (pulses a second) of `feedPerMinute` on axis n:
// rnd(feed x PulseEquivalent / 60), held within the 32-bit range.
int32_t CardSpeed(MachineContext& ctx, int axis, double feedPerMinute);
// True when `feedPerMinute` on axis n gives the card a speed of at least one
// pulse a second (CardSpeed >= 1): anything slower crawls or stands.
bool SpeedGivesPulses(MachineContext& ctx, int axis, double feedPerMinute);

}  // namespace velbend
