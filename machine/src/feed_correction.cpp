#include "velbend/machine/feed_correction.h"

#include <cmath>
#include <string>

#include "velbend/common/numtext.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/motion_check.h"

namespace velbend {
namespace {

bool EquivalentsUsable(MachineContext& ctx) {
    return ctx.axis(1).PulseEquivalent != 0 && ctx.sys().gEncoderEquiv != 0;
}

// What the encoder says the strip went (mm).
double EncoderLength(MachineContext& ctx) {
    int32_t seen = 0;
    ctx.card.get_actual_pos(0, 1, &seen);
    ctx.run.gCardRet = seen;
    return seen / ctx.sys().gEncoderEquiv;
}

// A correction that does not converge: stopped as Stop stops the machine
// (a program with it), then told.
void StopDiverging(MachineContext& ctx, double left) {
    int32_t at = 0;
    ctx.card.get_command_pos(0, 1, &at);
    const std::string e = Format(std::fabs(left), "0.000");
    const std::string p = Format(at / ctx.axis(1).PulseEquivalent, "0.000");
    ProgramStopped(ctx);
    const std::string zh = "送料编码器的读数与送料不符：修正后仍差" + e + " mm，已停止，送料停在" + p +
                           " mm处，请检查编码器及其当量！";
    const std::string en = "The feed encoder does not follow the feed: still " + e +
                           " mm off after the correction, so it stopped; the strip stands at " + p +
                           " mm, please check the encoder and its equivalent!";
    ctx.op.MsgBox(ctx.Tr(zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Critical, ctx.TitleWrong());
}

}  // namespace

double EncoderTolerance(MachineContext& ctx) {
    const double byPulses = 2.0 / ctx.axis(1).PulseEquivalent;
    return byPulses > ctx.sys().gEncoderPrecision ? byPulses : ctx.sys().gEncoderPrecision;
}

CorrectionStep EncoderCorrectionRound(MachineContext& ctx, EncoderRounds& r, double wanted, bool checkAgain) {
    const double e = wanted - EncoderLength(ctx);
    if (std::fabs(e) <= EncoderTolerance(ctx)) {
        r = {};
        return CorrectionStep::Done;
    }
    // A pulse of slack: the rounds move whole pulses.
    const double pulse = 1.0 / std::fabs(ctx.axis(1).PulseEquivalent);
    const bool converging = std::fabs(e) <= kCorrectionShare * std::fabs(r.corrected) + pulse;
    if (r.rounds > 0 && (!converging || r.rounds >= kCorrectionRounds)) {
        r = {};
        StopDiverging(ctx, e);
        return CorrectionStep::Stopped;
    }
    MotionAsk ask;
    ask.axis = 1;
    ask.distance = e;
    ask.value = e;
    ask.source = TechnologicalSource("编码器的送料修正", "encoder's feed correction");
    ask.feedPerMinute = ctx.axis(1).AutoFeedrate;
    ask.speed = SpeedSource::Automatic;
    if (!StartAxisMove(ctx, ask)) {
        r = {};
        ProgramStopped(ctx);
        return CorrectionStep::Stopped;
    }
    r.corrected = e;
    ++r.rounds;
    r.pending = checkAgain ? 1 : 0;
    if (!checkAgain) r = {};
    return checkAgain ? CorrectionStep::Going : CorrectionStep::Done;
}

void StartFeedCheck(MachineContext& ctx, bool checkAgain) {
    auto& run = ctx.run;
    run.mFeedCheck = {};
    ctx.card.get_command_pos(0, 1, &run.mFeedCheckPos);
    if (!EquivalentsUsable(ctx)) {
        ReportZeroEquivalentInProgram(ctx);
        return;
    }
    const double wanted = run.mFeedCheckPos / ctx.axis(1).PulseEquivalent;
    if (EncoderCorrectionRound(ctx, run.mFeedCheck, wanted, checkAgain) == CorrectionStep::Going)
        run.mDwellTicks = 6;
}

bool FeedCheckTick(MachineContext& ctx) {
    auto& run = ctx.run;
    if (run.mFeedCheck.pending == 0) return false;
    if (!EquivalentsUsable(ctx)) {
        run.mFeedCheck = {};
        ReportZeroEquivalentInProgram(ctx);
        return true;
    }
    const double wanted = run.mFeedCheckPos / ctx.axis(1).PulseEquivalent;
    switch (EncoderCorrectionRound(ctx, run.mFeedCheck, wanted, true)) {
        case CorrectionStep::Done:
            // The command position is where the program put the strip, so
            // its later moves count from there.
            ctx.card.set_command_pos(0, 1, run.mFeedCheckPos);
            return false;
        case CorrectionStep::Going:
            run.mDwellTicks = 3;
            return true;
        case CorrectionStep::Stopped:
            break;
    }
    return true;
}

void StartDialogCorrection(MachineContext& ctx, double wanted) {
    auto& run = ctx.run;
    run.gPendingComp = wanted;
    run.gCompWaitTicks = 5;
    run.mCompCheck = {};
}

void DialogCorrectionTick(MachineContext& ctx) {
    auto& run = ctx.run;
    if (!(run.gPendingComp > 0.1)) return;
    if (Axis_Status(ctx) != 0) return;
    if (run.gCompWaitTicks > 0) {
        --run.gCompWaitTicks;
        return;
    }
    if (!EquivalentsUsable(ctx)) {
        run.mCompCheck = {};
        run.gPendingComp = 0;
        ReportZeroEquivalent(ctx);
        return;
    }
    switch (EncoderCorrectionRound(ctx, run.mCompCheck, run.gPendingComp, true)) {
        case CorrectionStep::Going:
            run.gCompWaitTicks = 1;
            break;
        case CorrectionStep::Done:
        case CorrectionStep::Stopped:
            run.mCompCheck = {};
            run.gPendingComp = 0;
            break;
    }
}

}  // namespace velbend
