#include "velbend/machine/jog.h"

#include <cmath>
#include <cstdlib>

#include "velbend/common/numtext.h"
#include "velbend/machine/cutter_back.h"
#include "velbend/machine/dialog_motion.h"
#include "velbend/machine/interpreter.h"

namespace velbend {
namespace {

constexpr int32_t kSearch = 1000000;

// fromInput: the press of an external button (input 18 or 19) rather than
// of a screen button; each release stops only the jog of its own press.
void JogPress(MachineContext& ctx, int16_t dir, bool fromInput) {
    auto& run = ctx.run;
    auto& card = ctx.card;
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    int32_t s = 0;
    if (card.get_status(0, 1, &s) > 0) return;  // no card
    const auto& ax = ctx.axis(1);
    // A speed or a step that gives no pulse would creep, or step the other
    // way: refused before anything moves.
    const bool stepping = ctx.panel.Check1 != 0;
    const double length = Val(ctx.panel.Text3);
    MotionAsk ask;
    ask.axis = 1;
    ask.feedPerMinute = Val(ctx.panel.Text2);
    ask.speed = SpeedSource::JogSpeed;
    if (stepping) {
        ask.distance = length;
        ask.value = length;
        ask.source = {"点动步长", "jog step", "主窗口", "the main window"};
    }
    const int32_t step = stepping ? CardInt(length * ax.PulseEquivalent) : 0;
    if (stepping && step < 1) {
        // Judged for its speed first: a step of no pulse is told as such.
        ask.distance.reset();
        if (MotionAllowed(ctx, ask)) ReportStepLength(ctx);
        return;
    }
    if (!MotionAllowed(ctx, ask)) return;
    card.write_bit(0, 3, 0);  // material pressing off
    card.set_startv(0, 1, 1000);
    card.set_speed(0, 1, CardSpeed(ctx, 1, ask.feedPerMinute));
    card.set_acc(0, 1, CardInt(ax.Acceleration * 10000.0));
    if (!stepping) {
        HoldJog(ctx, run.mJogDirection, run.mJogStops, 1, dir);
        run.mJogFromInput = fromInput ? 1 : 0;
    } else {
        card.pmove(0, 1, dir * step);
        run.mJogDirection = 0;
    }
}

void JogRelease(MachineContext& ctx, int16_t dir, bool fromInput) {
    auto& run = ctx.run;
    // Only the endless jog that the press of this button started is
    // stopped, whatever the machine does now; a step move runs to its end.
    if (run.mJogFromInput != (fromInput ? 1 : 0)) return;
    LetGoOfJog(ctx, run.mJogDirection, run.mJogStops, 1, dir);
    if (run.mJogDirection == 0) run.mJogFromInput = 0;
}

}  // namespace

ValueSource ZeroCompSource(int n) {
    const std::string a = std::to_string(n);
    return {"轴" + a + "的回零摆正距离", "Zero Compensate Distance of axis " + a, "电机综合设置", "the Axis Setup"};
}

bool SeekZeroUsable(MachineContext& ctx, int n, double retractFeed) {
    if (n < 1 || n > 4) return false;
    const AxisPara& ax = ctx.axis(n);
    const double retract = ctx.sys().gFeedRetract;
    MotionAsk first;
    first.axis = n;
    if (n == 1 && retract >= 0.5) {
        // The retract runs at the speed as given: one below a pulse a second
        // (0, negative) would pull the strip back for ever or the wrong way.
        first.distance = -retract;
        first.value = retract;
        first.source = TechnologicalSource("送料回零的退料长度", "retract length of the feed's seek zero");
        first.feedPerMinute = retractFeed;
        first.speed = SpeedSource::Retract;
    } else {
        // The search: its direction is the sign of the seek-zero speed.
        first.feedPerMinute = std::fabs(static_cast<double>(static_cast<int>(ax.SeekZeroFeedrate)));
        first.speed = SpeedSource::SeekZero;
    }
    if (!MotionAllowed(ctx, first)) return false;
    MotionAsk comp;
    comp.axis = n;
    comp.distance = static_cast<double>(ax.ZeroCompDistance);
    comp.value = ax.ZeroCompDistance;
    comp.source = ZeroCompSource(n);
    comp.feedPerMinute = ax.ZeroCompFeedrate;
    comp.speed = SpeedSource::ZeroCompensation;
    return MotionAllowed(ctx, comp);
}

int32_t SeekZeroDirection(const AxisPara& ax) { return ax.SeekZeroFeedrate > 0 ? 1 : -1; }

bool StartFeedRetract(MachineContext& ctx, double feed, Starter who) {
    auto& run = ctx.run;
    if (!SeekZeroUsable(ctx, 1, feed)) return false;
    SetAxisMotion(ctx, 1, feed);
    ctx.card.pmove(0, 1, CardInt(-ctx.sys().gFeedRetract * ctx.axis(1).PulseEquivalent));
    run.gHomeState = 1;
    run.gHomeStarted = 1;
    run.mHomeStarter = who;
    return true;
}

bool StartSeekZeroSearch(MachineContext& ctx, int n, int32_t logic, int32_t direction, Starter who) {
    auto& run = ctx.run;
    const auto& ax = ctx.axis(n);
    if (!SeekZeroUsable(ctx, n, 0)) return false;
    ctx.card.set_stop0_mode(0, n, 1, logic);
    SetAxisMotion(ctx, n, std::abs(static_cast<int>(ax.SeekZeroFeedrate)));
    ctx.card.pmove(0, n, direction * kSearch);
    run.gHomeState = static_cast<int16_t>(n);
    run.gHomeStarted = 1;
    run.mHomeStarter = who;
    return true;
}

void Command_SL_MouseDown(MachineContext& ctx, int16_t, int16_t, double, double) { JogPress(ctx, 1, false); }
void Command_SL_MouseUp(MachineContext& ctx, int16_t, int16_t, double, double) { JogRelease(ctx, 1, false); }
void Command_TL_MouseDown(MachineContext& ctx, int16_t, int16_t, double, double) { JogPress(ctx, -1, false); }
void Command_TL_MouseUp(MachineContext& ctx, int16_t, int16_t, double, double) { JogRelease(ctx, -1, false); }
void ExternalJogPress(MachineContext& ctx, int16_t dir) { JogPress(ctx, dir, true); }
void ExternalJogRelease(MachineContext& ctx, int16_t dir) { JogRelease(ctx, dir, true); }

void Command_XZ_Click(MachineContext& ctx) {
    auto& run = ctx.run;
    if (run.mSeekFromProgram != 1 && !MayAct(ctx, CommandClass::StartMotion)) return;
    const Starter who = run.mSeekFromProgram == 1 ? Starter::Program : Starter::MainWindow;
    run.mSeekFromProgram = 0;
    if (ctx.sys().gFeedRetract < 0.5) {
        if (run.gHomeState != 0) return;
        // On the switch already: back off it and stop when it is left.
        if (ctx.card.read_bit(0, 2) == 1)
            StartSeekZeroSearch(ctx, 1, 0, 1, who);
        else
            StartSeekZeroSearch(ctx, 1, 1, -1, who);
        return;
    }
    // No zero switch: pull the strip back by the retract length, at the
    // jog speed typed in the panel.
    StartFeedRetract(ctx, Val(ctx.panel.Text2), who);
}

void Command_Z1_Click(MachineContext& ctx) {
    auto& run = ctx.run;
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    if (run.gHomeState != 0) return;
    const auto& ax = ctx.axis(2);
    if (ax.PulseEquivalent == 0) {
        ctx.op.MsgBox(ctx.Tr("弯弧轴脉冲当量为0，无法回零！",
                             "Pulse equivalent of the bending axis is 0, no seek zero!"),
                      MsgButtons::Ok, MsgIcon::Warning, ctx.TitleWrong());
        return;
    }
    // Its compensation is checked before the move that comes before the search.
    if (!SeekZeroUsable(ctx, 2, 0)) return;
    int32_t c = 0;
    ctx.card.get_command_pos(0, 2, &c);
    const double p = c / ax.PulseEquivalent;
    if (run.mBendHomePhase == 0 && (run.mBendHomed == 0 || (run.mBendHomed == kTrue && p > 10))) {
        run.mBendHomePhase = kTrue;
        run.mHomeStarter = Starter::MainWindow;
        SetAxisMotion(ctx, 2, std::abs(static_cast<int>(ax.SeekZeroFeedrate)));
        ctx.card.pmove(0, 2, run.mBendHomed == kTrue ? -c : CardInt(-30.0 * ax.PulseEquivalent));
        return;
    }
    run.mBendHomePhase = 0;
    StartSeekZeroSearch(ctx, 2, 0, SeekZeroDirection(ax), Starter::MainWindow);
}

void ContinueBendSeekZero(MachineContext& ctx) {
    auto& run = ctx.run;
    if (run.mBendHomePhase != kTrue) return;
    run.mBendHomePhase = 0;
    StartSeekZeroSearch(ctx, 2, 0, SeekZeroDirection(ctx.axis(2)), run.mHomeStarter);
}

void Command_Z2_Click(MachineContext& ctx, Starter who) {
    auto& run = ctx.run;
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    if (ctx.card.read_bit(0, 17) == 1 && ctx.sys().gCutterUpDownMode == 0) {
        ctx.op.MsgBox(ctx.Tr("切刀未在原位，请先回切刀！", "Cutter is not at zero position!"),
                      MsgButtons::Ok, MsgIcon::None, "");
        return;
    }
    if (run.gHomeState != 0) return;
    StartSeekZeroSearch(ctx, 4, 0, SeekZeroDirection(ctx.axis(4)), who);
}

void Command_Z3_Click(MachineContext& ctx, Starter who) {
    auto& run = ctx.run;
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    const int16_t mode = ctx.sys().gCutterUpDownMode;
    if (mode == 1) {
        if (run.gHomeState != 0) return;
        StartSeekZeroSearch(ctx, 3, 0, SeekZeroDirection(ctx.axis(3)), who);
    } else if (mode == 0) {
        StartCylinderStroke(ctx, 2);  // cutter back
    }
}

}  // namespace velbend
