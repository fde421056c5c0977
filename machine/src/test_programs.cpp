#include "velbend/machine/test_programs.h"

#include <algorithm>
#include <cmath>

#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/machine/bend_step.h"
#include "velbend/machine/cutter_back.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/move_ring.h"
#include "velbend/machine/program_start.h"
#include "velbend/machine/slot_block.h"
#include "velbend/machine/table_save.h"
#include "velbend/params/sysfile.h"

namespace velbend {
namespace {

constexpr double kPi = 3.14159265358979;

std::string L4(double v) { return Format(v, "0.0000"); }
std::string F0(double v) { return Format(v, "0"); }

void HideFrame(MachineContext& ctx) {
    ctx.run.mDebugMode = 0;
    ctx.panel.TshFrameVisible = false;
}

// The lines every test program starts with.  bender: the feed-length and
// arc tests also bring the bender to zero.
void Preamble(MachineContext& ctx, ProgramLines& out, bool bender) {
    const SysPara& s = ctx.sys();
    auto& card = ctx.card;
    WriteCutterBack(ctx, out);
    if (SwingZeroBeforeSlot(s)) out << "M42" << "M30";
    // Bender to zero.
    if (bender && s.gBendMechanisms > 0) {
        if (card.read_bit(0, 8) == 0 && s.gBendMechanisms == 1) {
            out << "G91 Y" + L4(s.gMaxBendAngle / 2) + " F" + F0(ctx.axis(2).AutoFeedrate);
            out << "G90";
        }
        if (s.gRunMode == 0) out << "M38" << "M30";
    }
    // Cutter down/up axis to zero.
    if (s.gCutterUpDownMode == 1 && s.gRunMode == 0) out << "M40" << "M30";
    out << "G90 G01" << "G92 X0";
}

bool ArcTest(MachineContext& ctx, ProgramLines& out, bool positive) {
    const SysPara& s = ctx.sys();
    const double R = s.gTestRadius;
    const double dist = s.gBendToSlotDist;
    const std::string fx = " F" + F0(ctx.axis(1).AutoFeedrate);
    const std::string fy = " F" + F0(ctx.axis(2).AutoFeedrate);
    double bend, back;
    if (positive) {
        bend = s.gSpaceAngleP + WanFuLookup(ctx.params.mWanFuP, ctx.params.gWanFuPLast, R);
        back = s.gSpaceAngleP;
    } else {
        bend = -WanFuLookup(ctx.params.mWanFuN, ctx.params.gWanFuNLast, R) - s.gSpaceAngleN;
        back = -s.gSpaceAngleN;
    }
    const bool pats = !(R > s.gPatBendRThreshold);
    double spacing = 0;
    if (pats) {
        spacing = PatSpacing(ctx.params, R);
        if (!(spacing > 0) || !std::isfinite(R * kPi / spacing)) {
            ctx.op.MsgBox(ctx.Tr("拍弧间距为0，无法生成测试程序！",
                                 "Pat spacing is 0, the test program cannot be made!"),
                          MsgButtons::Ok, MsgIcon::Warning, ctx.TitleWrong());
            return false;
        }
    }
    Preamble(ctx, out, true);
    Print_KCaction(ctx, out, 0.0, 1, 0, 0);
    out << "G01 X" + L4(R * kPi) + fx;
    Print_KCaction(ctx, out, 0.0, 1, 0, 0);
    if (!pats) {
        out << "G01 X" + L4(dist) + fx;
        out << "G01 Y" + L4(bend) + fy;
        out << "G01 X" + L4(R * kPi + dist) + fx;
        out << (positive ? "G05 Y0" : "G01 Y0") + fy;
    } else {
        const double n = std::trunc(R * kPi / spacing);
        for (double j = 0; j <= n; ++j) {
            out << "G01 X" + L4(j * spacing + dist) + fx;
            out << "G05 Y" + L4(bend) + fy;
            out << "G05 Y" + L4(back) + fy;
            if (out.size() >= static_cast<std::size_t>(RunState::kTooLongLines)) break;
        }
        out << "G01 X" + L4(R * kPi + dist) + fx;
        out << "G05 Y0" + fy;
    }
    out << "G01 X" + L4(R * kPi + dist + Val(ctx.panel.Text7)) + fx;
    out << "M30";
    return true;
}

// The table values a test feeds by, checked before it is written: the
// strip is fed forward from where the test began, by a length the machine
// can do.
bool TestValuesUsable(MachineContext& ctx, TestProgram kind) {
    const SysPara& s = ctx.sys();
    MotionAsk ask;
    ask.axis = 1;
    ask.speed = SpeedSource::ProgramLines;
    ask.forwardOnly = true;
    switch (kind) {
        case TestProgram::FeedLength:
            ask.distance = s.gTestLength;
            ask.value = s.gTestLength;
            ask.source = TechnologicalSource("“长度测试加工长度”", "\"Length for Test\"");
            break;
        case TestProgram::PositiveArc:
        case TestProgram::NegativeArc:
            ask.distance = s.gTestRadius * kPi;
            ask.value = s.gTestRadius;
            ask.source = TechnologicalSource("“弯弧测试加工半径”", "\"Radius for Test\"");
            break;
        default:
            return true;
    }
    return MotionAllowed(ctx, ask);
}

// Writes G5.dat, loads it and starts the test run.
void StartTest(MachineContext& ctx, TestProgram kind) {
    auto& run = ctx.run;
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    if (!TestValuesUsable(ctx, kind)) return;
    ProgramLines out;
    if (!WriteTestProgram(ctx, kind, out)) return;
    if (!StartProgram(ctx, out, RunFlag::TestRunning, Starter::MachineAdjust)) return;
    // Whether the encoder corrects this test's feed: only then does its
    // measurement correct the encoder's equivalent.
    const auto& lines = out.lines();
    ctx.mAdjustByEncoder = std::find(lines.begin(), lines.end(), "M34") != lines.end();
    if (kind == TestProgram::NegativeArc) run.mDebugMode = 7;
    ctx.panel.TshFrameVisible = false;
}

// The corrected table is saved at once; the frame closes when it was.  A
// table that could not be saved is put back and the frame stays in its mode
// with the value entered, for another try.
void SaveCorrection(MachineContext& ctx, const SysPara& before, const std::string& saved = {}) {
    if (SaveGroupTable(ctx, before, {}, nullptr, saved)) HideFrame(ctx);
}

// The measured length corrects the equivalent that governed the test's
// feed: the encoder's where the encoder corrected it (its slotting blocks
// carried the encoder's correction), else the feed's pulse equivalent.
void LengthCorrection(MachineContext& ctx) {
    if (!AdmitsChange(ctx)) return;  // a correction changes the table
    SysPara& s = ctx.sys();
    const double v = Val(ctx.panel.Text14);
    if (v < 1 || std::fabs(v - s.gTestLength) > 15) {
        ctx.op.MsgBox(ctx.Tr("长度错误，请重新测量并输入以mm为单位的数值！", "Length Error,Input Against!"),
                      MsgButtons::Ok, MsgIcon::None, "");
        return;
    }
    const bool encoder = ctx.mAdjustByEncoder;
    double& target = encoder ? s.gEncoderEquiv : ctx.axis(1).PulseEquivalent;
    if (!(s.gTestLength > 0) || target == 0) {
        ctx.op.MsgBox(ctx.Tr("测试长度或当量为0，无法修正！", "Test length or equivalent is 0, no adjustment!"),
                      MsgButtons::Ok, MsgIcon::Warning, ctx.TitleWrong());
        return;
    }
    const SysPara before = s;
    target = target * s.gTestLength / v;
    SaveCorrection(ctx, before,
                   (encoder ? ctx.Tr("调整完成，编码器新当量：", "Adjust Finished, Encoder New value:")
                            : ctx.Tr("调整完成，送料轴电机新当量：", "Adjust Finished, Axis New value:")) +
                       Str(target));
}

void SpaceAngleCorrection(MachineContext& ctx, double& angle) {
    if (!AdmitsChange(ctx)) return;  // a correction changes the table
    const SysPara before = ctx.sys();
    angle += Val(ctx.panel.Text14);
    SaveCorrection(ctx, before);
}

}  // namespace

bool WriteTestProgram(MachineContext& ctx, TestProgram kind, ProgramLines& out) {
    const SysPara& s = ctx.sys();
    const std::string fx = " F" + F0(ctx.axis(1).AutoFeedrate);
    switch (kind) {
        case TestProgram::FeedLength:
            Preamble(ctx, out, true);
            Print_KCaction(ctx, out, 0.0, 1, 0, 0);
            out << "G01 X" + L4(s.gTestLength) + fx;
            Print_KCaction(ctx, out, 0.0, 1, 0, 0);
            out << "G01 X" + L4(s.gTestLength + s.gBendToSlotDist + 10) + fx;
            out << "M30";
            return true;
        case TestProgram::PositiveArc:
            return ArcTest(ctx, out, true);
        case TestProgram::NegativeArc:
            return ArcTest(ctx, out, false);
        case TestProgram::FrontSlot:
            Preamble(ctx, out, false);
            Print_KCaction(ctx, out, 0.0, 1, 0, 0);
            return true;
        case TestProgram::BackSlot:
            Preamble(ctx, out, false);
            Print_KCaction(ctx, out, 180.0, 1, 1, 0);
            out << "G01 A0 F" + F0(ctx.axis(4).AutoFeedrate);
            return true;
    }
    return false;
}

void Command4_Click(MachineContext& ctx, int16_t Index) {
    if (Index < 0 || Index > 2) return;
    // The frame steers the end of a running test: not while busy.
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    auto& panel = ctx.panel;
    auto& run = ctx.run;
    panel.Text14Visible = false;
    panel.TshFrameVisible = true;
    switch (Index) {
        case 0:
            run.mDebugMode = 1;
            panel.Label7 = ctx.Tr("准备开始送料加工", "Ready to Feed Material");
            panel.Command5[0] = ctx.Tr("确认", "Enter");
            panel.Command5[1] = ctx.Tr("取消", "Cancel");
            break;
        case 1:
            run.mDebugMode = 2;
            panel.Label7 = ctx.Tr("请选择：", "Please Choise:");
            panel.Command5[0] = ctx.Tr("正向弯弧", "Positive Arc");
            panel.Command5[1] = ctx.Tr("负向弯弧", "Negative Arc");
            break;
        default:
            run.mDebugMode = 3;
            panel.Label7 = ctx.Tr("请选择：", "Please Choise:");
            panel.Command5[0] = ctx.Tr("正面开槽", "Front Slott");
            panel.Command5[1] = ctx.Tr("背面开槽", "Back Slott");
            break;
    }
}

// The measurement asked for belongs to the table its test ran on: after a
// group switch or a Save it would correct another table, so the frame stops
// asking and the operator is told to test again.
bool MeasuredOnThisTable(MachineContext& ctx) {
    if (ctx.mAdjustGroup == ctx.params.gSysGroup && ctx.mAdjustTable == SysParaBytes(ctx.sys())) return true;
    HideFrame(ctx);
    ctx.op.MsgBox(ctx.Tr("测试之后参数已改变，测量值不能用于当前参数，请重新测试！",
                         "The parameters have changed since the test: the measurement cannot correct them, "
                         "please test again!"),
                  MsgButtons::Ok, MsgIcon::Warning, ctx.TitleWrong());
    return false;
}

void Command5_Click(MachineContext& ctx, int16_t Index) {
    auto& run = ctx.run;
    const int16_t mode = run.mDebugMode;
    if (Index == 0 && (mode == 4 || mode == 5 || mode == 7) && MayAct(ctx, CommandClass::ChangeProgram) &&
        !MeasuredOnThisTable(ctx))
        return;
    if (Index == 0) {
        switch (mode) {
            case 1: StartTest(ctx, TestProgram::FeedLength); break;
            case 2: StartTest(ctx, TestProgram::PositiveArc); break;
            case 3: StartTest(ctx, TestProgram::FrontSlot); break;
            case 4: LengthCorrection(ctx); break;
            case 5: SpaceAngleCorrection(ctx, ctx.sys().gSpaceAngleP); break;
            case 7: SpaceAngleCorrection(ctx, ctx.sys().gSpaceAngleN); break;
            default: break;
        }
    } else if (Index == 1) {
        switch (mode) {
            case 2: StartTest(ctx, TestProgram::NegativeArc); break;
            case 3: StartTest(ctx, TestProgram::BackSlot); break;
            case 1: case 4: case 5: case 7: HideFrame(ctx); break;
            default: break;
        }
    }
}

}  // namespace velbend
