#include "velbend/forms/jjz_form.h"

#include <cmath>
#include <cstdlib>
#include <deque>
#include <vector>

#include "velbend/common/numtext.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_start.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/slot_block.h"

namespace velbend {
namespace {

constexpr int kFirstAxisLine = 19;  // line of axis 1's PulseEquivalent
constexpr int kEncoderEquivLine = 74;

int AxisLine(int n, int row) { return kFirstAxisLine + 7 * (n - 1) + (row - 1); }

const char* const kFeedTitle[2] = {" 送料轴脉冲当量校准", " Feeding Axis Pulse Equivalent Adjust"};
const char* const kEncoderTitle[2] = {" 编码器脉冲当量校准", " Encoder Pulse Equivalent Adjust"};

const char* const kRowCaption[7][2] = {
    {"脉冲当量：", "Pulse Equivalent："},
    {"回零速度：", "SeekZero Feedrate："},
    {"手动速度：", "Manual Feedrate："},
    {"加速度：", "Acceleration："},
    {"回零摆正：", "Zero Compensate Distance："},
    {"摆正速度：", "Zero Compensate Feedrate："},
    {"自动速度：", "Auto Feedrate："},
};
const char* const kAxisButton[4][2] = {
    {"正转", "Forward Rotate"}, {"反转", "Reverse Rotate"}, {"单步移动", "Step to"}, {"回零", "SeekZero"}};

// Names built once and kept for the program's life (the tables point into them).
const char* Name(std::string s) {
    static std::deque<std::string> names;
    names.push_back(std::move(s));
    return names.back().c_str();
}

std::vector<Caption> BuildCaptions() {
    std::vector<Caption> t = {
        {"Command0(0)", "保存", "Save"},
        {"Command0(1)", "返回", "Return"},
        {"Command5", "停止移动", "Stop"},
        {"Frame1", "X轴-送料", "X Axis-Feeding"},
        {"Frame2", "Y轴-弯弧", "Y Axis-Bending"},
        {"Frame3", "Z轴-上下刀", "Z Axis-UpDown"},
        {"Frame4", "A轴-摆角（进刀）", "A Axis-Swing（Forward）"},
        {"Label5(0)", "脉冲当量：", "Pulse Equivalent："},
        {"Label5(1)", "计数：", "Count："},
        {"Command6", "清零", "Clear"},
        {"Frame5", "送料轴编码器", "X-Encoder"},
        {"Label6(0)", "原当量：", "Old Pulse Equivalent："},
        {"Label6(1)", "新当量：", "New Pulse Equivalent："},
        {"Label6(2)", "指令距离：", "Instruct Length："},
        {"Label6(3)", "实际距离：", "Actual Length："},
        {"Label6(4)", "编码器计数：", "Encoder Count："},
        {"Command7(0)", "切刀划线", "Slotting"},
        {"Command7(1)", "夹具夹紧", "Pressing"},
        {"Command7(2)", "计算新当量", "Calculate"},
        {"Command7(3)", "重置原当量", "Reset"},
        {"Command7(4)", "移动", "Move"},
        {"Command7(5)", "关闭", "Close"},
        {"Command7(6)", "清零", "Clear"},
        {"Check2", "锁定", "锁定"},
    };
    for (int n = 1; n <= 4; ++n) {
        for (int i = 0; i < 4; ++i)
            t.push_back({Name(Indexed("Command" + std::to_string(n), i)), kAxisButton[i][0], kAxisButton[i][1]});
        for (int k = 0; k < 7; ++k)
            t.push_back({Name(Indexed("Label" + std::to_string(n), k)), kRowCaption[k][0], kRowCaption[k][1]});
    }
    return t;
}

std::vector<JJZ_Model::Unit> BuildUnits() {
    // Unit of rows 1..7 and of the step box, per axis (none for row 4).
    const char* const units[4][8] = {
        {"mm", "pulse/mm", "mm/min", "mm/min", nullptr, "mm", "mm/min", "mm/min"},
        {"deg", "pulse/deg", "deg/min", "deg/min", nullptr, "deg", "deg/min", "deg/min"},
        {"mm", "pulse/mm", "mm/min", "mm/min", nullptr, "mm", "mm/min", "mm/min"},
        {"deg", "pulse/deg(mm)", "deg(mm)/min", "deg(mm)/min", nullptr, "deg(mm)", "deg(mm)/min", "deg(mm)/min"},
    };
    std::vector<JJZ_Model::Unit> u;
    for (int n = 1; n <= 4; ++n) {
        for (int k : {1, 2, 3, 5, 6, 7, 0})
            u.push_back({units[n - 1][k], Name(Indexed("Text" + std::to_string(n), k))});
    }
    u.push_back({"pulse/mm", "Text5(0)"});
    u.push_back({"pulse/mm", "Text6(0)"});
    u.push_back({"pulse/mm", "Text6(1)"});
    u.push_back({"mm", "Text6(2)"});
    u.push_back({"mm", "Text6(3)"});
    return u;
}

bool ValidBox(int box, int index) {
    if (box >= 1 && box <= 4) return index >= 0 && index <= 7;
    if (box == 5) return index == 0 || index == 1;
    if (box == 6) return index >= 0 && index <= 4;
    return false;
}

}  // namespace

JJZ_Model::JJZ_Model(Program& program) : p_(program), work_(program.params.gSysParaTable) {
    for (auto& a : commandEnabled_) a.fill(true);
}

std::span<const Caption> JJZ_Model::Captions() {
    static const std::vector<Caption> table = BuildCaptions();
    return table;
}

std::span<const JJZ_Model::Unit> JJZ_Model::Units() {
    static const std::vector<Unit> table = BuildUnits();
    return table;
}

std::string JJZ_Model::Title() const {
    return DialogTitle(p_.Tr("电机综合设置", "Axis Setup"), p_.params);
}

std::string& JJZ_Model::Box(int box, int index) {
    static std::string none;
    if (!ValidBox(box, index)) {
        none.clear();
        return none;
    }
    return text_[static_cast<std::size_t>(box)][static_cast<std::size_t>(index)];
}

const std::string& JJZ_Model::Text(int box, int index) const {
    return const_cast<JJZ_Model*>(this)->Box(box, index);
}

void JJZ_Model::SetText(int box, int index, std::string_view text) {
    if (!ValidBox(box, index)) return;
    Box(box, index) = std::string(text);
    Change(box, index);
}

void JJZ_Model::Change(int box, int index) {
    int line = 0;
    if (box >= 1 && box <= 4 && index >= 1 && index <= kRows) line = AxisLine(box, index);
    else if (box == 5 && index == 0) line = kEncoderEquivLine;
    if (line == 0) return;
    // A value beyond the row's range is refused with a message; the box
    // then shows the value that is kept.
    if (!TakeFieldText(work_, line, Text(box, index), p_.op(), p_.language()))
        Box(box, index) = FieldText(SysParaValue(work_, line));
}

void JJZ_Model::Form_Load() {
    const SysPara& stored = p_.params.gSysParaTable;
    for (int n = 1; n <= kAxes; ++n) {
        SetText(n, 0, "0");
        for (int k = 1; k <= kRows; ++k) SetText(n, k, FieldText(SysParaValue(stored, AxisLine(n, k))));
    }
    SetText(5, 0, FieldText(stored.gEncoderEquiv));
    // Exactly the stored values, whatever the change handlers made of the texts.
    work_ = stored;

    const int16_t level = p_.params.gUserLevel;
    saveEnabled_ = true;
    frameEnabled_.fill(true);
    for (auto& a : commandEnabled_) a.fill(true);
    if (level != 1 && level != 2) {
        // The machine user: nothing can be edited or moved from here.
        saveEnabled_ = false;
        for (int f = 1; f <= 5; ++f) frameEnabled_[static_cast<std::size_t>(f)] = false;
    } else if (level == 1) {
        for (int n = 2; n <= 4; ++n) {
            commandEnabled_[static_cast<std::size_t>(n)][0] = false;
            commandEnabled_[static_cast<std::size_t>(n)][1] = false;
        }
    }
    if (stored.gXEncoderPort < 0.5) frameEnabled_[5] = false;
    mEncoderOffset = 0;
    frame6Visible_ = false;
}

bool JJZ_Model::CommandEnabled(int n, int16_t Index) const {
    if (n < 1 || n > kAxes || Index < 0 || Index > 3) return false;
    return frameEnabled_[static_cast<std::size_t>(n)] &&
           commandEnabled_[static_cast<std::size_t>(n)][static_cast<std::size_t>(Index)];
}

bool JJZ_Model::PositionBoxesVisible() const { return p_.ctx.secondBuild; }

bool JJZ_Model::Command0_Click(int16_t Index) {
    if (Index == 1) return true;
    if (Index != 0 || !saveEnabled_) return false;
    SysPara& t = p_.params.gSysParaTable;
    const SysPara before = t;
    for (int n = 1; n <= kAxes; ++n) t.gAxisPara[static_cast<std::size_t>(n)] = work_.gAxisPara[static_cast<std::size_t>(n)];
    t.gEncoderEquiv = work_.gEncoderEquiv;
    SaveGroupTable(p_, before);
    return false;
}

// ---- motion ---------------------------------------------------------------------

void JJZ_Model::Command_MouseDown(int n, int16_t Index) {
    if (!CommandEnabled(n, Index)) return;
    MachineContext& ctx = p_.ctx;
    switch (Index) {
        case 0: DialogJogPress(ctx, jogs_, n, 1); break;
        case 1: DialogJogPress(ctx, jogs_, n, -1); break;
        case 2: DialogStep(ctx, n, Val(Text(n, 0))); break;
        case 3: SeekZero(n); break;
        default: break;
    }
}

void JJZ_Model::Command_MouseUp(int n, int16_t Index) {
    if (Index == 0 || Index == 1) DialogJogRelease(p_.ctx, jogs_, n, Index == 0 ? 1 : -1);
}

void JJZ_Model::ReleaseJogs() {
    for (int n = 1; n <= 4; ++n) DialogJogRelease(p_.ctx, jogs_, n);
}

void JJZ_Model::SeekZero(int n) {
    MachineContext& ctx = p_.ctx;
    RunState& run = ctx.run;
    const AxisPara& ax = ctx.axis(n);
    if (n == 1 && ctx.sys().gFeedRetract >= 0.5) {
        // No zero switch: the strip is pulled back by the retract length.
        // Never while busy, so it cannot take over another axis's seek zero.
        if (MayAct(ctx, CommandClass::StartMotion))
            StartFeedRetract(ctx, std::abs(static_cast<int>(ax.ManualFeedrate)), Starter::AxisSetup);
        return;
    }
    // A second press cancels the seek zero that this dialog started; one that
    // a program or another window started is not its to cut short.
    if (OwnSeekZero(run, n, Starter::AxisSetup)) {
        CancelSeekZero(ctx, n);
        return;
    }
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    if (n == 1) {
        // On the switch already: back off it and stop where it is left.
        if (ctx.card.read_bit(0, 2) == 1)
            StartSeekZeroSearch(ctx, 1, 0, 1, Starter::AxisSetup);
        else
            StartSeekZeroSearch(ctx, 1, 1, -1, Starter::AxisSetup);
        return;
    }
    if (n == 4 && ctx.card.read_bit(0, 17) == 1 && ctx.sys().gCutterUpDownMode == 0) {
        ctx.op.MsgBox(ctx.Tr("切刀未在原位，请先回切刀！", "Cutter is not at zero position!"), MsgButtons::Ok,
                      MsgIcon::None, "");
        return;
    }
    StartSeekZeroSearch(ctx, n, 0, SeekZeroDirection(ax), Starter::AxisSetup);
}

void JJZ_Model::Command5_Click() { DialogStop(p_.ctx); }

void JJZ_Model::ClearCount() {
    mEncoderOffset = static_cast<int32_t>(-static_cast<int64_t>(p_.ctx.run.gEncoderCount));
}

void JJZ_Model::Command6_Click() {
    if (frameEnabled_[5]) ClearCount();
}

void JJZ_Model::Timer1_Timer() {
    MachineContext& ctx = p_.ctx;
    const std::string count = std::to_string(static_cast<int64_t>(mEncoderOffset) + ctx.run.gEncoderCount);
    Box(5, 1) = count;
    if (Check2 != 1) Box(6, 4) = count;
    if (!ctx.secondBuild) return;
    for (int n = 1; n <= kAxes; ++n) {
        int32_t p = 0;
        ctx.card.get_command_pos(0, n, &p);
        const double pe = ctx.axis(n).PulseEquivalent;
        // No pulse equivalent, no position: the box reads 0.
        pos_[static_cast<std::size_t>(n)] = pe == 0 ? "0.00" : Format(p / pe, "0.00");
    }
}

// ---- calibration panel --------------------------------------------------------------

bool JJZ_Model::FeedMode() const {
    return text7_ == kFeedTitle[0] || text7_ == kFeedTitle[1];
}

void JJZ_Model::Label1_Click(int16_t Index) {
    if (Index != 0 || !frameEnabled_[1]) return;
    text7_ = kFeedTitle[p_.language() == 0 ? 0 : 1];
    Box(6, 0) = Text(1, 1);
    for (int i = 1; i <= 3; ++i) Box(6, i).clear();
    moveEquiv_.reset();
    countVisible_ = false;
    clearVisible_ = false;
    frame6Visible_ = true;
}

void JJZ_Model::Label5_Click(int16_t Index) {
    if (Index != 0 || !frameEnabled_[5]) return;
    text7_ = kEncoderTitle[p_.language() == 0 ? 0 : 1];
    Box(6, 0) = Text(5, 0);
    for (int i = 1; i <= 4; ++i) Box(6, i).clear();
    moveEquiv_.reset();
    countVisible_ = true;
    ClearCount();
    frame6Visible_ = true;
}

void JJZ_Model::Tell(const char* zh, const char* en) {
    p_.op().MsgBox(p_.Tr(zh, en), MsgButtons::Ok, MsgIcon::Warning, p_.ctx.TitleTips());
}

void JJZ_Model::Calculate() {
    const double actual = Val(Text(6, 3));
    // The feed is scaled from the equivalent its Move ran on (the stored
    // one; before any Move of this opening, the one a Move would run on), not
    // from the old-equivalent box, which a Reset sets to the unsaved result:
    // a further round before Save then checks the result instead of
    // compounding it.
    const double old = moveEquiv_.value_or(p_.ctx.axis(1).PulseEquivalent);
    const double r = FeedMode() ? Val(Text(6, 2)) * old / actual : Val(Text(6, 4)) / actual;
    if (actual == 0 || !std::isfinite(r)) {
        Tell("实际距离无效，无法计算新当量！", "Invalid Actual Length, no new pulse equivalent!");
        return;
    }
    Box(6, 1) = Str(r);
}

void JJZ_Model::ApplyNewEquivalent() {
    const std::string t = Text(6, 1);
    if (!NewEquivalentUsable(p_.op(), p_.language(), t)) return;
    if (FeedMode())
        SetText(1, 1, t);
    else
        SetText(5, 0, t);
    Box(6, 0) = t;
}

void JJZ_Model::MarkingLine() {
    MachineContext& ctx = p_.ctx;
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    const bool rotate = ctx.sys().gCutterRotateMode == 1;
    ProgramLines out;
    out << "G90 G01";
    if (rotate) out << "M10";
    Print_KCaction(ctx, out, 0.0, 3, 0, 1);
    if (rotate) out << "M11";
    StartProgram(ctx, out, RunFlag::SlotRunning, Starter::AxisSetup);
}

void JJZ_Model::Command7_Click(int16_t Index) {
    if (!frame6Visible_) return;
    MachineContext& ctx = p_.ctx;
    switch (Index) {
        case 0: MarkingLine(); break;
        case 1:  // the pressing clamps the strip a program feeds
            if (MayAct(ctx, CommandClass::StartMotion)) ctx.card.write_bit(0, 3, ctx.card.get_out(0, 3) == 0 ? 1 : 0);
            break;
        case 2: Calculate(); break;
        case 3: ApplyNewEquivalent(); break;
        case 4:
            if (DialogStep(ctx, 1, Val(Text(6, 2)), DialogBoxSource("指令距离", "Instruct Length")))
                moveEquiv_ = ctx.axis(1).PulseEquivalent;
            break;
        case 5: frame6Visible_ = false; break;
        case 6: ClearCount(); break;
        default: break;
    }
}

}  // namespace velbend
