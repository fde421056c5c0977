// The feed's correction by the encoder, one rule for every path that makes
// one: a program's M34 check (and the single correction of M35) and the
// operator dialog's correction after its encoder-panel Move.
//
// The encoder on the strip says how far the strip really went; the feed
// axis is moved by what is missing, at its automatic speed, round after
// round until the two agree within EncoderTolerance.  A correction goes on
// only while it converges: each round must leave at most half of the error
// the round before moved by (kCorrectionShare; a pulse more, since rounds
// move whole pulses), and it makes at most
// kCorrectionRounds rounds.  So the strip one correction moves is less than
// twice its first error, however the encoder fails.  One that does not
// converge (a strip slipping on the wheel, an encoder counting backwards or
// on another equivalent) stops: a program is stopped as a refused line
// stops it, the dialog's correction ends; one message names the encoder,
// the error left and where the strip stands.
#pragma once
#include <cstdint>

#include "velbend/machine/program.h"
#include "velbend/machine/run_state.h"

namespace velbend {

inline constexpr double kCorrectionShare = 0.5;
inline constexpr int kCorrectionRounds = 16;

// Tolerance of the encoder checks (mm): the encoder precision, at least two
// pulses of the feed axis.
double EncoderTolerance(MachineContext& ctx);

enum class CorrectionStep {
    Done,     // the encoder shows `wanted` within the tolerance; or the one round of a correction without a check
    Going,    // a round was started; ask again once the feed stands
    Stopped,  // it did not converge, or its move was refused: stopped, the operator told
};

// One round of correction `r` towards `wanted` mm on the encoder; the feed
// axis stands.  `checkAgain` false makes the round the last (M35).  Both
// equivalents must not be 0 (the callers refuse that first).
CorrectionStep EncoderCorrectionRound(MachineContext& ctx, EncoderRounds& r, double wanted, bool checkAgain);

// M34 (checkAgain) and M35: the feed's command position is where the strip
// is to stand; its first round is made at once, the run timer makes the
// others (FeedCheckTick).
void StartFeedCheck(MachineContext& ctx, bool checkAgain);
// The run timer's turn for a program's pending check, with every axis
// standing and the dwell over: true while the check still holds the
// program (a round moving, or the check stopped the program).
bool FeedCheckTick(MachineContext& ctx);

// The operator dialog's correction after its Move of `wanted` mm (pending
// while gPendingComp is beyond 0.1 mm), and its turn in the run timer.
void StartDialogCorrection(MachineContext& ctx, double wanted);
void DialogCorrectionTick(MachineContext& ctx);

}  // namespace velbend
