#include "velbend/forms/wfb_form.h"

#include <algorithm>
#include <cmath>

#include "velbend/common/numtext.h"
#include "velbend/machine/dialog_motion.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_start.h"
#include "velbend/params/pfjj.h"

namespace velbend {

namespace {

constexpr Caption kCaptions[] = {
    {"Command1", "保存", "Save"},
    {"Command2", "返回", "Return"},
    {"Command3", "弯弧回零", "Bending SeekZero"},
    {"Command4", "弯弧转动", "Bending Rotate"},
    {"Command5", "进料", "Feeding"},
    {"Command6", "退料", "Return Material"},
    {"Label2", "联动次数：", "Times："},
    {"Label3", "联动角度：", "Angle："},
    {"Label4", "拍弧间距：", "Pat Step："},
    {"Command7", "拍弯测试", "Pat Bending"},
    {"Command8", "停止", "Stop"},
    {"Frame5", "拍弧间距", "Pat Bending Space"},
    {"Text9(0)", "半径小于", " R <"},
    {"Text9(14)", "其它", "Others"},
    {"Text10(0)", "拍弧间距", "Space"},
    {"Command9(0)", "增加行", "Add Line"},
    {"Command9(2)", "增加行", "Add Line"},
    {"Command9(1)", "删除行", "Del Line"},
    {"Command9(3)", "删除行", "Del Line"},
    {"Frame1", "[+ angle]", "[+ angle]"},
    {"Frame2", "[- angle]", "[- angle]"},
    {"Label1", "deg", "deg"},
};

// A number as the spacing boxes show it: shortest form, no leading blank,
// a zero before the point ("40", "0.5", "-0.5").
std::string PlainNumber(double v) {
    std::string s = Str(v);
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
    if (!s.empty() && s[0] == '.') s.insert(0, "0");
    if (s.size() > 1 && s[0] == '-' && s[1] == '.') s.insert(1, "0");
    return s;
}

std::string F4(double v) { return Format(v, "0.0000"); }

}  // namespace

std::span<const Caption> WfbCaptions() { return kCaptions; }

WFB_Form::WFB_Form(Program& program) : p_(program) {
    Text2Back.fill(kOtherRow);
    Text4Back.fill(kOtherRow);
}

int WFB_Form::ScrollMax(int table) const {
    const int last = table == 0 ? mLastP : mLastN;
    return std::max(0, last - (kRows - 1));
}

void WFB_Form::XianShiCE() {
    const auto& st = p_.params;
    title = st.gLanguage == 0 ? "曲率表设置-" : "Curvature Setup-";
    if (st.gWanFuGroup >= 0 && st.gWanFuGroup < 10)
        title += st.gWanFuGroupNames[static_cast<std::size_t>(st.gWanFuGroup)];
    Text9[0] = FindCaption(kCaptions, "Text9(0)", st.gLanguage);
    Text9[kRows - 1] = FindCaption(kCaptions, "Text9(14)", st.gLanguage);
    Text10[0] = FindCaption(kCaptions, "Text10(0)", st.gLanguage);
}

void WFB_Form::Form_Load() {
    auto& st = p_.params;
    XianShiCE();
    mLastP = std::clamp<int16_t>(st.gWanFuPLast, 0, kMaxTableRows - 1);
    mLastN = std::clamp<int16_t>(st.gWanFuNLast, 0, kMaxTableRows - 1);
    mCopyP = {};
    mCopyN = {};
    for (int16_t r = 0; r <= mLastP; ++r) TranWanFuP(st, 0, r, mCopyP[r].Value, mCopyP[r].Key);
    for (int16_t r = 0; r <= mLastN; ++r) TranWanFuN(st, 0, r, mCopyN[r].Value, mCopyN[r].Key);
    VScroll1 = VScroll2 = 0;
    ShowRows(0);
    ShowRows(1);
    for (int i = 1; i <= kRows - 2; ++i) {
        if (i < st.gPfjjLast) {
            Text9[i] = PlainNumber(st.gPfjjTable[static_cast<std::size_t>(i - 1)].RadiusLimit);
            Text10[i] = PlainNumber(st.gPfjjTable[static_cast<std::size_t>(i - 1)].Spacing);
        } else {
            Text9[i].clear();
            Text10[i].clear();
        }
    }
    const int others = std::clamp<int>(st.gPfjjLast - 1, 0, 10);
    Text10[kRows - 1] = PlainNumber(st.gPfjjTable[static_cast<std::size_t>(others)].Spacing);
    mCurLineP = mCurLineN = 0;
    ShowDQline();
}

void WFB_Form::ShowDQline() {
    for (int i = 0; i < kRows; ++i) {
        Text2Back[i] = i == mCurLineP ? kCurrentRow : kOtherRow;
        Text4Back[i] = i == mCurLineN ? kCurrentRow : kOtherRow;
    }
}

void WFB_Form::SetBox(int table, int column, int index, const std::string& text) {
    auto& boxes = table == 0 ? (column == 0 ? Text1 : Text2) : (column == 0 ? Text3 : Text4);
    if (boxes[index] == text) return;
    boxes[index] = text;
    TableText_Change(table, column, index, text);  // setting a text runs its change handler
}

void WFB_Form::ShowRows(int table) {
    const auto& copy = table == 0 ? mCopyP : mCopyN;
    const int scroll = table == 0 ? VScroll1 : VScroll2;
    for (int i = 0; i < kRows; ++i) {
        const int r = i + scroll;
        const WanFuRow row = r < kMaxTableRows ? copy[static_cast<std::size_t>(r)] : WanFuRow{};
        SetBox(table, 0, i, Format(row.Value, "0.00"));
        SetBox(table, 1, i, Format(row.Key, "0.00"));
    }
}

void WFB_Form::TableText_Change(int table, int column, int index, const std::string& text) {
    auto& boxes = table == 0 ? (column == 0 ? Text1 : Text2) : (column == 0 ? Text3 : Text4);
    if (index < 0 || index >= kRows) return;
    boxes[index] = text;
    const int r = index + (table == 0 ? VScroll1 : VScroll2);
    if (r >= kMaxTableRows) return;
    auto& row = (table == 0 ? mCopyP : mCopyN)[static_cast<std::size_t>(r)];
    (column == 0 ? row.Value : row.Key) = Val(text);
}

void WFB_Form::TableText_Click(int table, int index) {
    if (index < 0 || index >= kRows) return;
    (table == 0 ? mCurLineP : mCurLineN) = static_cast<int16_t>(index);
    ShowDQline();
}

void WFB_Form::VScroll_Change(int table, int value) {
    (table == 0 ? VScroll1 : VScroll2) = std::clamp(value, 0, ScrollMax(table));
    ShowRows(table);
}

void WFB_Form::Refuse(const char* text) { p_.op().MsgBox(text, MsgButtons::Ok, MsgIcon::None, ""); }

void WFB_Form::Command9_Click(int index) {
    if (index < 0 || index > 3) return;
    const int table = index / 2;
    const bool add = index % 2 == 0;
    auto& copy = table == 0 ? mCopyP : mCopyN;
    int16_t& last = table == 0 ? mLastP : mLastN;
    int& scroll = table == 0 ? VScroll1 : VScroll2;
    const int r = (table == 0 ? mCurLineP : mCurLineN) + scroll;
    if (add) {
        if (last >= kMaxTableRows - 1) {
            p_.op().MsgBox(p_.Tr("曲率表最多201行，不能再增加！", "A curvature table holds at most 201 rows!"),
                           MsgButtons::Ok, MsgIcon::Warning, p_.ctx.TitleTips());
            return;
        }
        const int old = last;
        ++last;
        for (int k = old; k >= r + 1; --k) copy[static_cast<std::size_t>(k + 1)] = copy[static_cast<std::size_t>(k)];
        if (r + 1 < kMaxTableRows) copy[static_cast<std::size_t>(r + 1)] = WanFuRow{};
    } else {
        if (last <= 0) {
            p_.op().MsgBox(p_.Tr("曲率表至少保留一行！", "A curvature table keeps at least one row!"),
                           MsgButtons::Ok, MsgIcon::Warning, p_.ctx.TitleTips());
            return;
        }
        const int old = last;
        // The row named by the current mark goes; beyond the last row, the last one.
        const int gone = std::min(r, old);
        for (int k = gone + 1; k <= old; ++k) copy[static_cast<std::size_t>(k - 1)] = copy[static_cast<std::size_t>(k)];
        copy[static_cast<std::size_t>(old)] = WanFuRow{};
        --last;
        scroll = std::min(scroll, ScrollMax(table));
    }
    ShowRows(table);
}

bool WFB_Form::Command1_Click() {
    // Nothing is checked or written while the machine admits no change.
    if (!AdmitsProgramChange(p_)) return false;
    auto& st = p_.params;
    const auto radius = [&](int i) { return Val(Text9[static_cast<std::size_t>(i)]); };
    const auto spacing = [&](int i) { return Val(Text10[static_cast<std::size_t>(i)]); };
    int i = 1;
    for (; i < kRows; ++i) {
        const double r = i == kRows - 1 ? 0.0 : radius(i);  // the Others label reads as 0
        if (r == 0) break;
        for (int j = 1; j < i; ++j) {
            if (radius(j) > r) {
                Refuse("保存失败！拍弧间距半径设置必须逐个增大");
                return false;
            }
        }
        if (spacing(i) < 0.1) {
            Refuse("保存失败！拍弧间距设置值太小");
            return false;
        }
    }
    if (i == 1) {
        Refuse("保存失败！拍弧间距半径设置数据不能为空");
        return false;
    }
    if (spacing(kRows - 1) < 0.5) {
        Refuse("保存失败！拍弧间距其它半径间距设置不能小于0.5");
        return false;
    }
    if (i - 1 > kMaxRadiusRows) {
        Refuse(p_.Tr("保存失败！拍弧间距半径最多设置10行", "Save failed! At most 10 pat-arc radius rows."));
        return false;
    }

    // The spacing file first; the table in memory follows its file.
    ParamStore next = st;
    next.gPfjjLast = static_cast<int16_t>(i);
    for (int k = 0; k <= i - 2; ++k)
        next.gPfjjTable[static_cast<std::size_t>(k)] = {radius(k + 1), spacing(k + 1)};
    next.gPfjjTable[static_cast<std::size_t>(i - 1)] = {0, spacing(kRows - 1)};
    if (!SavePfjj(next, st.gWanFuGroup)) {
        p_.op().MsgBox(p_.Tr("曲率表保存失败：", "Save failed: ") + PfjjFileName(st.gWanFuGroup), MsgButtons::Ok,
                       MsgIcon::Critical, p_.ctx.TitleWrong());
        return false;
    }
    st.gPfjjTable = next.gPfjjTable;
    st.gPfjjLast = next.gPfjjLast;

    // Then both curvature tables with their row counts, into memory once
    // both files are written.
    for (int16_t r = 0; r <= mLastP; ++r) TranWanFuP(next, 1, r, mCopyP[r].Value, mCopyP[r].Key);
    for (int16_t r = 0; r <= mLastN; ++r) TranWanFuN(next, 1, r, mCopyN[r].Value, mCopyN[r].Key);
    next.gWanFuPLast = mLastP;
    next.gWanFuNLast = mLastN;
    if (!SaveWanFuBiao(next, st.gWanFuGroup, 0, p_.op(), PfjjFileName(st.gWanFuGroup))) return false;
    st.mWanFuP = next.mWanFuP;
    st.mWanFuN = next.mWanFuN;
    st.gWanFuPLast = next.gWanFuPLast;
    st.gWanFuNLast = next.gWanFuNLast;
    return true;
}

// ---- bending tests ----------------------------------------------------------

void WFB_Form::Command3_Click() {
    auto& ctx = p_.ctx;
    // A second press cancels the seek zero that this dialog started; one that
    // a program (M38) or another window started is not its to cut short.
    if (OwnSeekZero(ctx.run, 2, Starter::Curvature)) {
        CancelSeekZero(ctx, 2);
    } else if (MayAct(ctx, CommandClass::StartMotion)) {
        StartSeekZeroSearch(ctx, 2, 0, SeekZeroDirection(ctx.axis(2)), Starter::Curvature);
    }
}

void WFB_Form::Command4_Click() {
    auto& ctx = p_.ctx;
    if (!MayAct(ctx, CommandClass::StartMotion)) return;
    ctx.card.get_command_pos(0, 2, &ctx.run.gCardRet);
    const double pulses = Val(Text5) * ctx.axis(2).PulseEquivalent - ctx.run.gCardRet;
    if (!ToLong(pulses)) {
        ReportOutOfRange(p_.op(), p_.language(), Text5);
        return;
    }
    const double angle = Val(Text5);
    MotionAsk ask = ManualMotion(ctx, 2, angle, DialogBoxSource("弯弧转动角度", "Bending Rotate angle"));
    ask.standsAt = ctx.run.gCardRet;
    StartAxisMove(ctx, ask);
}

void WFB_Form::StartJog(int16_t dir) {
    // While one is held the machine moves: a second press starts nothing.
    DialogJogPress(p_.ctx, jogs_, 1, dir, false);
}

void WFB_Form::EndJog(int16_t dir) {
    // Only the move of this button's own press is stopped.
    DialogJogRelease(p_.ctx, jogs_, 1, dir);
}

void WFB_Form::Command5_MouseDown() { StartJog(1); }
void WFB_Form::Command5_MouseUp() { EndJog(1); }
void WFB_Form::Command6_MouseDown() { StartJog(-1); }
void WFB_Form::Command6_MouseUp() { EndJog(-1); }
void WFB_Form::ReleaseJogs() { DialogJogRelease(p_.ctx, jogs_, 1); }

bool WFB_Form::BuildPatProgram(ProgramLines& out) {
    const auto& s = p_.params.gSysParaTable;
    const int16_t mech = s.gBendMechanisms;
    if (mech != 1 && mech != 2) return false;
    const double a = Val(Text7);
    const double step = Val(Text8);
    const auto n = ToInteger(Val(Text6) - 1);
    if (!n) {
        ReportOutOfRange(p_.op(), p_.language(), Text6);
        return false;
    }
    const std::string fx = Format(s.gAxisPara[1].AutoFeedrate, "0");
    const std::string fy = Format(s.gAxisPara[2].AutoFeedrate, "0");
    const std::string fy4 = " F0000" + Format(s.gAxisPara[2].AutoFeedrate, "0000");
    const std::string dwell = "G04 P" + Format(s.gBendMechDelay, "0");
    const double max = s.gMaxBendAngle;
    double x = 0;
    out << "G90 G01" << "G92 X0";
    if (mech == 2) {
        const double b0 = a >= 0 ? s.gSpaceAngleP : -s.gSpaceAngleN;
        out << "Y" + F4(b0) + " F" + fy;
        x += step;
        for (int k = 0; k <= *n; ++k) {
            double y = s.gPatBendCoefP * a;
            if (a >= 0) {
                y += s.gSpaceAngleP;
                if (y > max) y = max;
            } else {
                y -= s.gSpaceAngleN;
                if (std::abs(y) > max) y = -max;
            }
            out << "G01 X" + F4(x) + " F" + fx;
            out << "G05 Y" + F4(y) + fy4;
            out << "G05 Y" + F4(b0) + fy4;
            x += step;
        }
        out << "G01 X" + F4(x) + " F" + fx;
        out << "G01 Y0 F" + fy;
        return true;
    }
    out << "M19" << dwell;
    if (a >= 0) out << "Y0 F" + fy << "M18" << dwell << "Y" + F4(s.gSpaceAngleP) + " F" + fy;
    else out << "Y" + F4(max) + " F" + fy << "M18" << dwell << "Y" + F4(s.gSpaceAngleN) + " F" + fy;
    x += step;
    const double b1 = a >= 0 ? s.gSpaceAngleP : s.gSpaceAngleN;
    for (int k = 0; k <= *n; ++k) {
        double y = s.gPatBendCoefP * a;
        if (a >= 0) {
            y += s.gSpaceAngleP;
            if (y > max) y = max;
        } else {
            y += s.gSpaceAngleN;
            if (y < 0) y = 0;
        }
        out << "G01 X" + F4(x) + " F" + fx;
        out << "G05 Y" + F4(y) + fy4;
        out << "G05 Y" + F4(b1) + fy4;
        x += step;
    }
    out << "G01 X" + F4(x) + " F" + fx;
    if (a >= 0) out << "Y0 F" + fy << "M19" << dwell;
    else out << "Y" + F4(max) + " F" + fy << "M19" << dwell << "Y0 F" + fy;
    return true;
}

bool WFB_Form::Command7_Click() {
    if (!MayAct(p_.ctx, CommandClass::StartMotion)) return false;
    ProgramLines out;
    if (!BuildPatProgram(out)) return false;
    return StartProgram(p_.ctx, out, RunFlag::TestRunning, Starter::Curvature);
}

void WFB_Form::Command8_Click() {
    // Stop decelerates the held feed with every other moving axis; its
    // release has nothing left to stop.
    DialogStop(p_.ctx);
}

}  // namespace velbend
