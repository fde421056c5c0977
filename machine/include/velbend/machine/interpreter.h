// The line interpreter: executes one line of the machine program G5.dat on
// the motion card (card 0).
//
// A line is split into eight words X Y Z A G M F P (either case); a letter
// makes its word current, a blank ends the current word (what follows up to
// the next word letter is dropped), ";" ends the line, every other character
// is appended to the current word.  A letter seen twice extends its word
// ("G90 G01" gives G "9001").  Values are Val of the word text.
//
// Order: G92 sets positions; else G04 sets the dwell; else the M action;
// then the coordinate words: X alone (merging the X-only lines that follow
// into one move), X with Y (two single-axis moves or an interpolated XY run
// through the card's FIFO: at most 451 points, fewer where the feed's ramps
// need so many slices that points and ramps would not fit the FIFO's 512
// segments), else the first present of Y, Z, A.  Every
// coordinate is an absolute target; G90/G91/G01/G05 and F have no effect.
// Positions are pulses: value x PulseEquivalent, rounded half to even.
//
// Range check: a line is refused before any of it is executed when a word
// it carries lies beyond what the machine can do:
//   - Y, Z, A: a value that is not finite or beyond +-100000 (mm, or
//     degrees on the bend axis: the bound of the outline import), or whose
//     pulse count (value x PulseEquivalent) is beyond the card's 32-bit
//     range; and the relative count of a move the line makes (target minus
//     the last commanded Y, or the card's command position of Z or A)
//     beyond that range;
//   - X: the strip's absolute feed position, which grows over a whole job
//     (one "G92 X0" at its start), so its value is bounded only by the
//     card's 32-bit pulse range; the step of a move the line makes from the
//     last commanded X must lie within +-100000 mm and its pulse count
//     within the card's range;
//   - F: not finite, or a speed |F| x PulseEquivalent / 60 beyond the card's
//     32-bit range for an axis the line names (axis 1 when it names none);
//   - P of a G04 line: a dwell of more than 32767 ticks either way.
// The run then stops as the dialogs' Stop stops it (DialogStop: moving axes
// decelerated, outputs 0..7 off, run flags and seek zero cleared; also the
// pending feed check, the dwell and the cycle count), the markers are hidden,
// and one message (critical, title "错误"/"Wrong") names the line by its
// number and text and the word at fault.  Nothing of the line is done (the
// check comes before its M action), nothing moves.  The look-ahead never
// merges a line that would be refused, nor an X target too far from the last
// X for one move: the lines before it run, and it is refused when its
// turn comes.  G92 and G04 lines move nothing: only their values are checked.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "velbend/machine/motion_check.h"
#include "velbend/machine/program.h"

namespace velbend {

// The eight words of a line.  has* tells whether the letter occurred.
struct NcWords {
    std::string X, Y, Z, A, G, M, F, P;
    bool hasX = false, hasY = false, hasZ = false, hasA = false;
    bool hasG = false, hasM = false, hasF = false, hasP = false;
};
NcWords SplitNcWords(std::string_view line);
// True when the line moves axis n (1..4) by a coordinate word (a G92 or G04
// line moves nothing); MovesAnyAxis for any of them.  A moving line whose F
// word is 0 or below is refused when its turn comes.
bool MovesAxis(const NcWords& w, int axis);
bool MovesAnyAxis(const NcWords& w);

// A value for the card: rounded half to even, held within the 32-bit range
// (NaN gives 0).  Program words never reach the clamp: the range check
// refuses them first.
int32_t CardInt(double v);

// What the machine can do: motion_check.h (kMaxCoordinate, the pulse range).
// True when `pulses` is finite and, rounded, within the card's 32-bit range.
bool CardCountOk(double pulses);
// The first word of `line` beyond what the machine can do, as the line has
// it (the range check of RunNcLine, its speed test aside), or nothing.
std::optional<std::string> WordBeyondMachine(MachineContext& ctx, std::string_view line);

// Executes one line.  May advance gNcLineIndex (merged lines, M36/M38/M40/
// M42); the run timer adds one after it returns.
void RunNcLine(MachineContext& ctx, std::string_view line);

// Classifies a line for the look-ahead: its X word text when it has an X
// word and neither a Y nor a G word, else "NUM".  Empties mLastNcX and
// mLastNcY, and sets them to the X and Y texts of a line with X and Y and no
// G word.
std::string X_Only(MachineContext& ctx, std::string_view line);

// Axis set-up shared by the program's moves: speed (per minute, converted
// with the axis's PulseEquivalent), start speed and acceleration x 10000.
void SetAxisMotion(MachineContext& ctx, int axis, double feedPerMinute, int32_t startSpeed = 1000);

// The message shown when a feed correction needs a pulse or encoder
// equivalent that is 0 (the correction is refused).
void ReportZeroEquivalent(MachineContext& ctx);
// The same for the feed checks of a program: told once, at its first check
// (mEquivalentTold); the program runs on uncorrected.
void ReportZeroEquivalentInProgram(MachineContext& ctx);

}  // namespace velbend
