#include "velbend/machine/motion_check.h"

#include <cmath>

#include "velbend/common/numtext.h"
#include "velbend/machine/interpreter.h"

namespace velbend {
namespace {

// A value as a message shows it: Str without its leading blank.
std::string ValueText(double v) {
    std::string t = Str(v);
    if (!t.empty() && t.front() == ' ') t.erase(0, 1);
    return t;
}

void Tell(MachineContext& ctx, const std::string& zh, const std::string& en) {
    ctx.op.MsgBox(ctx.Tr(zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Warning, ctx.TitleWrong());
}

void ReportDistance(MachineContext& ctx, const MotionAsk& ask, bool behind) {
    const ValueSource& s = ask.source;
    const std::string v = ValueText(ask.value);
    Tell(ctx,
         s.zh + "（" + v + "）" + (behind ? "会使送料后退" : "超出机床的范围") + "，没有移动，请在" + s.whereZh +
             "中修改！",
         "The " + s.en + " (" + v + ")" +
             (behind ? " would feed the strip backwards" : " is beyond what the machine can do") +
             "; nothing moved, please change it in " + s.whereEn + "!");
}

void ReportSpeed(MachineContext& ctx, const MotionAsk& ask) {
    const std::string a = std::to_string(ask.axis);
    const std::string v = ValueText(ask.feedPerMinute);
    const char* zh = nullptr;
    const char* en = nullptr;
    switch (ask.speed) {
        case SpeedSource::JogSpeed:
            Tell(ctx, "点动速度必须大于0！", "The jog speed must be greater than 0!");
            return;
        case SpeedSource::Manual:
            Tell(ctx, "轴" + a + "的手动速度必须大于0，请检查轴参数！",
                 "The manual speed of axis " + a + " must be greater than 0, please check the axis parameters!");
            return;
        case SpeedSource::Automatic:
            Tell(ctx, "轴" + a + "的自动速度" + v + "不足每秒一个脉冲，请检查轴参数！",
                 "The automatic speed " + v + " of axis " + a +
                     " gives less than one pulse a second, please check the axis parameters!");
            return;
        case SpeedSource::SeekZero: zh = "回零速度"; en = "seek-zero speed"; break;
        case SpeedSource::Retract: zh = "退料速度"; en = "retract speed"; break;
        case SpeedSource::ZeroCompensation: zh = "回零摆正速度"; en = "zero compensation speed"; break;
        case SpeedSource::ProgramLines: return;
    }
    Tell(ctx, "轴" + a + "的" + zh + "（" + v + "）不足每秒一个脉冲，没有移动，请检查轴参数！",
         std::string("The ") + en + " (" + v + ") of axis " + a +
             " gives less than one pulse a second; nothing moved, please check the axis parameters!");
}

}  // namespace

ValueSource DialogBoxSource(const std::string& zh, const std::string& en) {
    return {zh, en, "本对话框", "this dialog"};
}

ValueSource TechnologicalSource(const std::string& zh, const std::string& en) {
    return {zh, en, "工艺参数设置", "the Technological Parameter Setup"};
}

bool PulsesWithinMachine(MachineContext& ctx, int axis, double pulses) {
    return CardCountOk(pulses) && std::fabs(pulses) <= kMaxCoordinate * std::fabs(ctx.axis(axis).PulseEquivalent);
}

bool DistanceWithinMachine(MachineContext& ctx, int axis, double distance) {
    return std::isfinite(distance) && std::fabs(distance) <= kMaxCoordinate &&
           PulsesWithinMachine(ctx, axis, distance * ctx.axis(axis).PulseEquivalent);
}

int32_t CardSpeed(MachineContext& ctx, int axis, double feedPerMinute) {
    return CardInt(feedPerMinute * ctx.axis(axis).PulseEquivalent / 60.0);
}

bool SpeedGivesPulses(MachineContext& ctx, int axis, double feedPerMinute) {
    return CardSpeed(ctx, axis, feedPerMinute) >= 1;
}

bool MotionAllowed(MachineContext& ctx, const MotionAsk& ask) {
    if (ask.axis < 1 || ask.axis > 4) return false;
    if (ask.distance) {
        const double d = *ask.distance;
        const double pulses = d * ctx.axis(ask.axis).PulseEquivalent - ask.standsAt.value_or(0);
        const bool behind = ask.forwardOnly && d < 0;
        if (behind || !DistanceWithinMachine(ctx, ask.axis, d) || !CardCountOk(pulses)) {
            ReportDistance(ctx, ask, behind);
            return false;
        }
        if (CardInt(pulses) == 0) return true;
    }
    if (ask.speed != SpeedSource::ProgramLines && !SpeedGivesPulses(ctx, ask.axis, ask.feedPerMinute)) {
        ReportSpeed(ctx, ask);
        return false;
    }
    return true;
}

bool StartAxisMove(MachineContext& ctx, const MotionAsk& ask, const std::function<void()>& beforeMove) {
    if (!ask.distance || !MotionAllowed(ctx, ask)) return false;
    if (beforeMove) beforeMove();
    const double pulses = *ask.distance * ctx.axis(ask.axis).PulseEquivalent - ask.standsAt.value_or(0);
    SetAxisMotion(ctx, ask.axis, ask.feedPerMinute);
    ctx.card.pmove(0, ask.axis, CardInt(pulses));
    return true;
}

}  // namespace velbend
