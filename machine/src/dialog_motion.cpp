#include "velbend/machine/dialog_motion.h"

#include "velbend/machine/interpreter.h"
#include "velbend/machine/run_state.h"

namespace velbend {
namespace {

constexpr int32_t kEndlessJog = 100000000;

bool ValidAxis(int n) { return n >= 1 && n <= 4; }

// The start of every manual move: refused while busy; the feed axis lets
// the material go first.
bool PrepareManualMove(MachineContext& ctx, int n) {
    if (!ValidAxis(n) || !MayAct(ctx, CommandClass::StartMotion)) return false;
    if (!ManualSpeedUsable(ctx, n)) return false;
    if (n == 1) ctx.card.write_bit(0, 3, 0);
    SetAxisMotion(ctx, n, ctx.axis(n).ManualFeedrate);
    return true;
}

}  // namespace

bool ManualSpeedUsable(MachineContext& ctx, int n) {
    if (SpeedGivesPulses(ctx, n, ctx.axis(n).ManualFeedrate)) return true;
    const std::string zh = "轴" + std::to_string(n) + "的手动速度必须大于0，请检查轴参数！";
    const std::string en = "The manual speed of axis " + std::to_string(n) +
                           " must be greater than 0, please check the axis parameters!";
    ctx.op.MsgBox(ctx.Tr(zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Warning, ctx.TitleWrong());
    return false;
}

bool DialogJogPress(MachineContext& ctx, DialogJogs& jogs, int n, int dir) {
    if (dir != 1 && dir != -1) return false;
    if (!PrepareManualMove(ctx, n)) return false;
    ctx.card.pmove(0, n, dir * kEndlessJog);
    jogs.dir[static_cast<std::size_t>(n)] = static_cast<int16_t>(dir);
    jogs.stops[static_cast<std::size_t>(n)] = ctx.run.mStops;
    return true;
}

void DialogJogRelease(MachineContext& ctx, DialogJogs& jogs, int n, int dir) {
    if (!ValidAxis(n)) return;
    auto& d = jogs.dir[static_cast<std::size_t>(n)];
    if (d == 0 || (dir != 0 && d != dir)) return;
    d = 0;
    // A Stop since the press has ended this jog: whatever moves the axis now
    // is another's.
    if (jogs.stops[static_cast<std::size_t>(n)] != ctx.run.mStops) return;
    ctx.card.dec_stop(0, n);
}

void ReportStepLength(MachineContext& ctx) {
    ctx.op.MsgBox(ctx.Tr("点动步长必须大于0！", "The jog step must be greater than 0!"), MsgButtons::Ok,
                  MsgIcon::Warning, ctx.TitleWrong());
}

bool DialogStepBy(MachineContext& ctx, int n, int dir, double length) {
    if (!ValidAxis(n) || !MayAct(ctx, CommandClass::StartMotion)) return false;
    if (CardInt(length * ctx.axis(n).PulseEquivalent) < 1) {
        ReportStepLength(ctx);
        return false;
    }
    return DialogStep(ctx, n, dir * length);
}

bool DialogStep(MachineContext& ctx, int n, double distance) {
    const std::string a = std::to_string(n);
    return DialogStep(ctx, n, distance, DialogBoxSource("轴" + a + "的单步距离", "step of axis " + a));
}

bool DialogStep(MachineContext& ctx, int n, double distance, const ValueSource& source) {
    if (!ValidAxis(n) || !MayAct(ctx, CommandClass::StartMotion)) return false;
    if (!DistanceUsable(ctx, n, distance, distance, source)) return false;
    if (!PrepareManualMove(ctx, n)) return false;
    ctx.card.pmove(0, n, CardInt(distance * ctx.axis(n).PulseEquivalent));
    return true;
}

bool OwnSeekZero(const RunState& run, int n, Starter who) {
    return ValidAxis(n) && (run.gHomeState == n || run.gHomeState == n + 4) && run.mHomeStarter == who;
}

void CancelSeekZero(MachineContext& ctx, int n) {
    ctx.card.set_stop0_mode(0, n, 0, 0);
    ctx.card.dec_stop(0, n);
    EndSeekZero(ctx.run);
}

}  // namespace velbend
