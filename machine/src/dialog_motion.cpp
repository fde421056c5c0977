#include "velbend/machine/dialog_motion.h"

#include "velbend/machine/interpreter.h"
#include "velbend/machine/run_state.h"

namespace velbend {
namespace {

bool ValidAxis(int n) { return n >= 1 && n <= 4; }

// The start of a hold-to-jog: refused while busy or when the motion check
// refuses its speed; the feed axis lets the material go first.
bool PrepareManualJog(MachineContext& ctx, int n, bool letMaterialGo) {
    if (!ValidAxis(n) || !MayAct(ctx, CommandClass::StartMotion)) return false;
    if (!MotionAllowed(ctx, ManualMotion(ctx, n))) return false;
    if (n == 1 && letMaterialGo) ctx.card.write_bit(0, 3, 0);
    SetAxisMotion(ctx, n, ctx.axis(n).ManualFeedrate);
    return true;
}

}  // namespace

MotionAsk ManualMotion(MachineContext& ctx, int n, std::optional<double> distance, const ValueSource& source) {
    MotionAsk ask;
    ask.axis = n;
    ask.distance = distance;
    ask.value = distance.value_or(0);
    ask.source = source;
    if (ValidAxis(n)) ask.feedPerMinute = ctx.axis(n).ManualFeedrate;
    ask.speed = SpeedSource::Manual;
    return ask;
}

void HoldJog(MachineContext& ctx, int16_t& held, uint32_t& stopsAtPress, int n, int dir) {
    ctx.card.pmove(0, n, dir * kEndlessJog);
    held = static_cast<int16_t>(dir);
    stopsAtPress = ctx.run.mStops;
}

bool LetGoOfJog(MachineContext& ctx, int16_t& held, uint32_t stopsAtPress, int n, int dir) {
    if (held == 0 || (dir != 0 && held != dir)) return false;
    held = 0;
    // A Stop since the press has ended this jog: whatever moves the axis now
    // is another's.
    if (stopsAtPress != ctx.run.mStops) return false;
    ctx.card.dec_stop(0, n);
    return true;
}

bool DialogJogPress(MachineContext& ctx, DialogJogs& jogs, int n, int dir, bool letMaterialGo) {
    if (dir != 1 && dir != -1) return false;
    if (!PrepareManualJog(ctx, n, letMaterialGo)) return false;
    const auto i = static_cast<std::size_t>(n);
    HoldJog(ctx, jogs.dir[i], jogs.stops[i], n, dir);
    return true;
}

void DialogJogRelease(MachineContext& ctx, DialogJogs& jogs, int n, int dir) {
    if (!ValidAxis(n)) return;
    const auto i = static_cast<std::size_t>(n);
    LetGoOfJog(ctx, jogs.dir[i], jogs.stops[i], n, dir);
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
    return StartAxisMove(ctx, ManualMotion(ctx, n, distance, source), [&] {
        if (n == 1) ctx.card.write_bit(0, 3, 0);
    });
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
