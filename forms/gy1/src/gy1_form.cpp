#include <stdexcept>

#include "velbend/common/numtext.h"
#include "velbend/forms/gy1.h"
#include "velbend/forms/gy1_programs.h"
#include "velbend/machine/dialog_motion.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/feed_correction.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_start.h"
#include "velbend/params/sysfile.h"

namespace velbend {
namespace {

// What the slotting and tool-setting buttons start.
enum SlotProgram { kForwardSlot, kFrontSlot, kBackSlot, kSetTool, kToolZero, kToolBack, kMarkingLine };

}  // namespace

GY1_Model::GY1_Model(Program& program) : program_(program) {
    controls_["Form"];
    for (const GY1_Place& p : GY1_Layout(program_.ctx.secondBuild)) {
        GY1_Control& c = controls_[p.name];
        c.Text = p.text;
        c.Visible = p.visible;
        c.Enabled = p.enabled;
    }
    C("Check3").Value = 1;  // "Lock Total Depth" starts ticked
}

GY1_Control& GY1_Model::C(std::string_view name) {
    auto it = controls_.find(name);
    if (it == controls_.end()) throw std::out_of_range("GY1_Form has no control " + std::string(name));
    return it->second;
}

void GY1_Model::SetText(std::string_view name, std::string text) {
    GY1_Control& c = C(name);
    if (c.Text == text) return;
    c.Text = std::move(text);
    if (name.starts_with("Text1(")) Text1_Change(std::stoi(std::string(name.substr(6))));
    else if (name.starts_with("Text5(")) Text5_Change(std::stoi(std::string(name.substr(6))));
}

void GY1_Model::SetValue(std::string_view name, int16_t value) {
    GY1_Control& c = C(name);
    if (c.Value == value) return;
    c.Value = value;
    if (name == "Check1") Check1_Click();
    else if (name == "Check4") Check4_Click();
    else if (name == "Check5") Check5_Click();
}

// ---- loading ----------------------------------------------------------------

void GY1_Model::Form_Load() {
    const SysPara& s = ctx().sys();
    const MainPanel& panel = ctx().panel;

    C("Frame3").Visible = s.gAxisKindA != 0;
    C("Frame4").Visible = s.gAxisKindA == 0;
    C("Text1(5)").Enabled = s.gCutterUpDownMode != 0;
    C("Text1(6)").Enabled = s.gCutterUpDownMode != 0;

    mFeedEquiv = ctx().axis(1).PulseEquivalent;
    mEncoderEquiv = s.gEncoderEquiv;
    SetText("Text1(2)", panel.Text7);
    mArcPowerP = s.gSpaceAngleP;
    mArcPowerN = s.gSpaceAngleN;
    mDownDistFront = s.gDownDistFront;
    mDownDistBack = s.gDownDistBack;
    mToolPosZ = ctx().axis(3).ZeroCompDistance;

    // Setting the box while loading never alters the working copy.
    if (C("Check1").Value != mSeekZeroBeforeForward) mSkipCheckClick = 1;
    SetValue("Check1", mSeekZeroBeforeForward);
    mSeekZeroBeforeForward = s.gSeekZeroBeforeForward;

    mCutStrokes = s.gCutStrokes;
    mCutOffStroke = s.gCutOffStroke;
    mCutTimes = s.gCutTimes;
    mArcCompP = s.gArcCompP;
    mArcCompN = s.gArcCompN;
    mSplicePause = s.gSplicePause;

    SetText("Text1(0)", FieldText(ctx().axis(1).PulseEquivalent));
    SetText("Text1(1)", FieldText(s.gEncoderEquiv));
    SetText("Text1(3)", FieldText(s.gSpaceAngleP));
    SetText("Text1(4)", FieldText(s.gSpaceAngleN));
    SetText("Text1(5)", FieldText(s.gDownDistFront));
    SetText("Text1(6)", FieldText(s.gDownDistBack));
    SetText("Text1(7)", FieldText(mArcCompN));
    SetText("Text1(8)", FieldText(mArcCompP));
    SetText("Text1(9)", Str(mSplicePause));
    SetText("Text1(10)", FieldText(mDownDistFront));
    SetValue("Check1", mSeekZeroBeforeForward);

    for (int i = 0; i < 3; ++i) {
        SetText(Indexed("Text5", i), FieldText(mCutStrokes[static_cast<std::size_t>(i)]));
        C("Text5", i).Enabled = !(i + 1 > mCutTimes);
    }
    SetText("Text5(3)", FieldText(mCutOffStroke));
    SetText("Text5(4)", FieldText(0.0 - ctx().axis(4).ZeroCompDistance));
    SetText("Text5(5)", Str(mCutTimes));

    XianShiCE();

    if (s.gXEncoderPort < 0.5) {
        C("Command1(1)").Enabled = false;
        C("Text1(1)").Enabled = false;
    }
    if (s.gCutterUpDownMode == 0) {
        C("Text1(10)").Enabled = false;
        C("Check3").Enabled = false;
    }
    if (s.gCutterUpDownMode == 0 || s.gAxisKindA == 0) C("Command1(3)").Enabled = false;
    if (s.gBendMechanisms == 0) C("Frame2").Enabled = false;

    if (ctx().secondBuild) {
        SetValue("Check5", panel.Check2);
        SetValue("Check4", panel.Check3);
        C("Check4").Enabled = panel.Check3Enabled;
    }
}

void GY1_Model::XianShiCE() {
    const int16_t lang = program_.language();
    for (const Caption& c : GY1_Captions()) {
        auto it = controls_.find(std::string_view(c.name));
        if (it != controls_.end()) it->second.Text = CaptionText(c, lang);
    }
    C("Form").Text = DialogTitle(C("Form").Text, program_.params);
}

// ---- field rules -------------------------------------------------------------

void GY1_Model::TakeShort(int16_t& copy, std::string_view box) {
    const std::string& text = C(box).Text;
    if (auto v = ToInteger(Val(text))) {
        copy = *v;
        if (auto it = refused_.find(box); it != refused_.end()) refused_.erase(it);
    } else {
        refused_[std::string(box)] = text;
    }
}

void GY1_Model::Text1_Change(int Index) {
    const double v = Val(C("Text1", Index).Text);
    switch (Index) {
        case 0: mFeedEquiv = v; break;
        case 1: mEncoderEquiv = v; break;
        case 3: mArcPowerP = v; break;
        case 4: mArcPowerN = v; break;
        case 5: mDownDistFront = v; break;
        case 6: mDownDistBack = v; break;
        case 7: mArcCompN = v; break;
        case 8: mArcCompP = v; break;
        case 9: TakeShort(mSplicePause, "Text1(9)"); break;
        case 10: {
            // One box for both down distances, in the forward-motor layout
            // only: the swing layout keeps its own two boxes.
            if (!C("Frame3").Visible) break;
            const double zeroZ = ctx().axis(3).ZeroCompDistance;
            mDownDistFront = v;
            mDownDistBack = v;
            mToolPosZ = C("Check3").Value == 1 ? zeroZ + ctx().sys().gDownDistFront - v : zeroZ;
            break;
        }
        default: break;  // Text1(2) is read by Save
    }
}

void GY1_Model::Text5_Change(int Index) {
    if (Index >= 0 && Index <= 2) {
        mCutStrokes[static_cast<std::size_t>(Index)] = Val(C("Text5", Index).Text);
    } else if (Index == 3) {
        mCutOffStroke = Val(C("Text5(3)").Text);
    } else if (Index == 5) {
        TakeShort(mCutTimes, "Text5(5)");
    }
}

void GY1_Model::Check1_Click() {
    if (mSkipCheckClick == 1) {
        mSkipCheckClick = 0;
        return;
    }
    mSeekZeroBeforeForward = C("Check1").Value == 1 ? 1 : 0;
}

void GY1_Model::Check4_Click() { ctx().panel.Check3 = C("Check4").Value; }
void GY1_Model::Check5_Click() { ctx().panel.Check2 = C("Check5").Value; }

// ---- Save, Return, Stop ---------------------------------------------------------

bool GY1_Model::Command2_Click(int Index) {
    if (Index == 1) return true;
    MachineContext& m = ctx();
    if (Index == 2) {
        // Every axis, the outputs, the run and seek-zero flags and the feed
        // correction of a measuring move; the feed jog ends with them, so a
        // later release stops nothing else.
        DialogStop(m);
        return false;
    }
    if (Index != 0) return false;

    // A 16-bit box that does not fit: nothing is saved, the box keeps its text.
    if (!refused_.empty()) {
        ReportOutOfRange(m.op, program_.language(), refused_.begin()->second);
        return false;
    }
    SysPara& s = m.sys();
    if (C("Frame3").Visible) {
        const double zeroZ = m.axis(3).ZeroCompDistance;
        mToolPosZ = C("Check3").Value == 1 ? zeroZ + s.gDownDistFront - mDownDistFront : zeroZ;
    }
    const SysPara before = s;
    const std::string text7Before = m.panel.Text7;
    m.axis(1).PulseEquivalent = mFeedEquiv;
    s.gEncoderEquiv = mEncoderEquiv;
    m.panel.Text7 = C("Text1(2)").Text;
    s.gSpaceAngleP = mArcPowerP;
    s.gSpaceAngleN = mArcPowerN;
    s.gDownDistFront = mDownDistFront;
    s.gDownDistBack = mDownDistBack;
    m.axis(3).ZeroCompDistance = mToolPosZ;
    s.gArcCompP = mArcCompP;
    s.gArcCompN = mArcCompN;
    s.gSplicePause = mSplicePause;
    s.gSeekZeroBeforeForward = mSeekZeroBeforeForward;
    s.gCutStrokes = mCutStrokes;
    s.gCutOffStroke = mCutOffStroke;
    s.gCutTimes = mCutTimes;
    // A failed write puts the table back (and the edits stay in the dialog
    // for another try); the main window's length goes back with it.
    SaveGroupTable(program_, before, [&] { m.panel.Text7 = text7Before; });
    return false;
}

// ---- encoder count -----------------------------------------------------------------

void GY1_Model::Timer1_Timer() {
    if (C("Check2").Value == 1) return;
    C("Text6(4)").Text = std::to_string(program_.memory.mEncoderOffset + ctx().run.gEncoderCount);
}

// ---- test programs -----------------------------------------------------------------

namespace {
// The ask of a tool move to a typed position: a program's move, its speed
// judged with the program's lines.
MotionAsk ToolPosition(int axis, double position, const ValueSource& source) {
    MotionAsk ask;
    ask.axis = axis;
    ask.distance = position;
    ask.value = position;
    ask.source = source;
    ask.speed = SpeedSource::ProgramLines;
    return ask;
}
}  // namespace

void GY1_Model::StartSlotProgram(int kind) {
    MachineContext& m = ctx();
    if (!MayAct(m, CommandClass::StartMotion)) return;
    ProgramLines out;
    RunFlag flag = RunFlag::SlotRunning;
    switch (kind) {
        case kForwardSlot: WriteForwardSlotTest(m, out); break;
        case kFrontSlot: WriteSwingSlotTest(m, out, 0, Val(C("Text6(5)").Text)); break;
        case kBackSlot: WriteSwingSlotTest(m, out, 1, Val(C("Text6(5)").Text)); break;
        case kSetTool: {
            // The positions typed are where the axes go: checked first.
            const double z = Val(C("Text2(0)").Text), a = Val(C("Text2(1)").Text);
            if (!MotionAllowed(m, ToolPosition(3, z, DialogBoxSource("上下刀对刀位置", "Up-Down Position"))) ||
                !MotionAllowed(m, ToolPosition(4, a, DialogBoxSource("进刀对刀位置", "Forward Position"))))
                return;
            WriteSetToolProgram(m, out, z, a);
            flag = RunFlag::TestRunning;
            break;
        }
        case kToolZero:
            WriteToolZeroProgram(m, out);
            flag = RunFlag::TestRunning;
            break;
        case kToolBack:
            WriteToolBackProgram(m, out);
            flag = RunFlag::TestRunning;
            break;
        default: WriteMarkingLine(m, out); break;
    }
    StartProgram(m, out, flag, Starter::Operator);
}

namespace {
// The material pressing clamps the strip a program feeds: switched only
// while the machine admits a start.
void TogglePressing(MachineContext& m) {
    if (MayAct(m, CommandClass::StartMotion)) m.card.write_bit(0, 3, m.card.get_out(0, 3) == 0 ? 1 : 0);
}
}  // namespace

void GY1_Model::Command1_Click(int Index) {
    switch (Index) {
        case 0:
        case 1: {
            const bool feed = Index == 0;
            const bool zh = program_.language() == 0;
            C("Text7").Text = feed ? (zh ? kFeedPanelTitleZh : kFeedPanelTitleEn)
                                   : (zh ? kEncoderPanelTitleZh : kEncoderPanelTitleEn);
            C("Text6(0)").Text = C("Text1", Index).Text;
            for (int i = 1; i <= 3; ++i) C("Text6", i).Text.clear();
            moveEquiv_.reset();
            if (!feed) C("Text6(4)").Text.clear();
            for (const char* n : {"Text6(4)", "Label6(4)", "Command7(8)", "Check2"}) C(n).Visible = !feed;
            C("Frame6").Visible = true;
            break;
        }
        case 2: StartSlotProgram(kForwardSlot); break;
        case 3: C("Frame5").Visible = true; break;
        case 4: TogglePressing(ctx()); break;
        default: break;
    }
}

void GY1_Model::Command3_Click(int Index) { StartSlotProgram(Index == 0 ? kFrontSlot : kBackSlot); }

void GY1_Model::Command4_Click(int Index) {
    switch (Index) {
        case 0: StartSlotProgram(kSetTool); break;
        case 1: StartSlotProgram(kToolZero); break;
        case 2: C("Frame5").Visible = false; break;
        case 3: StartSlotProgram(kToolBack); break;
        default: break;
    }
}

bool GY1_Model::FeedPanel() {
    const std::string& t = C("Text7").Text;
    return t == kFeedPanelTitleZh || t == kFeedPanelTitleEn;
}

void GY1_Model::Command7_Click(int Index) {
    switch (Index) {
        case 0: StartSlotProgram(kMarkingLine); break;
        case 1: TogglePressing(ctx()); break;
        case 2: {
            const std::string& actual = C("Text6(3)").Text;
            double v = 0;
            if (actual.empty() || Val(actual) == 0) break;
            const double old =
                moveEquiv_.value_or(FeedPanel() ? ctx().axis(1).PulseEquivalent : ctx().sys().gEncoderEquiv);
            if (CalibratedEquivalent(Val(C("Text6(2)").Text), old, Val(actual), v))
                C("Text6(1)").Text = Str(v);
            break;
        }
        case 3: ApplyCalibrationResult(); break;
        case 4: CalibrationMove(); break;
        case 5: C("Frame6").Visible = false; break;
        case 8: program_.memory.mEncoderOffset = -static_cast<int64_t>(ctx().run.gEncoderCount); break;
        default: break;  // 6 and 7 act while held
    }
}

void GY1_Model::ApplyCalibrationResult() {
    const std::string result = C("Text6(1)").Text;
    // A Reset before any Calculate would put an equivalent of 0 in force.
    if (!NewEquivalentUsable(program_.op(), program_.language(), result)) return;
    SetText(FeedPanel() ? "Text1(0)" : "Text1(1)", result);
    SetText("Text6(0)", result);
}

void GY1_Model::CalibrationMove() {
    MachineContext& m = ctx();
    if (!MayAct(m, CommandClass::StartMotion)) return;
    const bool feed = FeedPanel();
    const auto& ax = m.axis(1);
    if (ax.PulseEquivalent == 0) {
        m.op.MsgBox(m.Tr("送料轴脉冲当量为0，无法移动！", "Pulse equivalent of the feed axis is 0, cannot move!"),
                    MsgButtons::Ok, MsgIcon::Warning, m.TitleWrong());
        return;
    }
    if (!feed && m.sys().gEncoderEquiv == 0) {
        ReportZeroEquivalent(m);
        return;
    }
    const double instructed = Val(C("Text6(2)").Text);
    const MotionAsk move = ManualMotion(m, 1, instructed, DialogBoxSource("指令距离", "Instruct Length"));
    if (!MotionAllowed(m, move)) return;
    if (!feed) {
        // The encoder's correction after the move feeds at the automatic
        // speed: one that would crawl refuses the Move before it starts.
        MotionAsk correction;
        correction.axis = 1;
        correction.feedPerMinute = ax.AutoFeedrate;
        correction.speed = SpeedSource::Automatic;
        if (!MotionAllowed(m, correction)) return;
    }
    // The counters start from 0 and the material is let go for the move.
    StartAxisMove(m, move, [&] {
        m.card.set_command_pos(0, 1, 0);
        m.card.set_actual_pos(0, 1, 0);
        m.card.write_bit(0, 3, 0);
    });
    moveEquiv_ = feed ? ax.PulseEquivalent : m.sys().gEncoderEquiv;
    if (!feed) StartDialogCorrection(m, instructed);
}

void GY1_Model::Command7_MouseDown(int Index) {
    if (Index != 6 && Index != 7) return;
    DialogJogPress(ctx(), jogs_, 1, Index == 6 ? 1 : -1, false);
}

void GY1_Model::Command7_MouseUp(int Index) {
    if (Index != 6 && Index != 7) return;
    // Only the jog that this button's own press started is stopped (not a
    // program's feed after a refused press, nor another button's jog).
    DialogJogRelease(ctx(), jogs_, 1, Index == 6 ? 1 : -1);
}

void GY1_Model::ReleaseJogs() { DialogJogRelease(ctx(), jogs_, 1); }

}  // namespace velbend
