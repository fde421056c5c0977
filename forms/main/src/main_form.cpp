#include "velbend/forms/main_form.h"

#include <unistd.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "velbend/common/codepage.h"
#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/forms/drawing_menus.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/forms/main_captions.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/run_timer.h"
#include "velbend/params/curvature.h"
#include "velbend/params/pfjj.h"
#include "velbend/params/sysfile.h"

namespace velbend {
namespace {

// A callback that one window model installed in the program; its owner
// tells that model's destructor which callbacks are still its own.
template <class Fn>
struct Owned {
    const MainFormModel* owner;
    Fn fn;
    template <class... A>
    auto operator()(A&&... a) const {
        return fn(std::forward<A>(a)...);
    }
};

template <class Sig>
void Own(const MainFormModel& m, std::function<Sig>& f) {
    if (f) f = Owned<std::function<Sig>>{&m, std::move(f)};
}

template <class Sig>
void Release(const MainFormModel& m, std::function<Sig>& f) {
    const auto* o = f.template target<Owned<std::function<Sig>>>();
    if (o && o->owner == &m) f = nullptr;
}

// The geometry engine's parameters and the emptied control-point files.
void GeometryHandOff(MainFormModel& m) {
    HandOnGeometry(m.program.params.gSysParaTable, m.program.tranParas);
}

void ClearPicks(MainFormModel& m) {
    m.drawing.Core().ControlPointCls();
    m.panel().List1.clear();
}

// The first line of the optional title file (GBK on disk).
std::string ReadTitleText() {
    auto bytes = ReadFileBytes(ProgramFile("Caption"));
    if (!bytes) return {};
    std::string first;
    bool done = false;
    ForEachLine(*bytes, [&](std::string_view line) {
        if (!done) first = std::string(line);
        done = true;
    });
    return GbkToUtf8(first);
}

// The cutter radius box shows the table's value.
void ShowTableRadius(MainFormModel& m) { Text15_Change(m, Str(m.program.params.gSysParaTable.gMillRadius)); }

// A check-box value from a formtext.ini item: ticked only for 1.
int16_t CheckValue(double v) { return RoundHalfEven(v) == 1 ? 1 : 0; }

}  // namespace

MainFormModel::~MainFormModel() {
    auto& hooks = program.ctx.hooks;
    Release(*this, program.tranParas);
    Release(*this, hooks.BuildDisplayList);
    Release(*this, hooks.BuildCtrPFile);
    Release(*this, hooks.CalcPathLength);
    Release(*this, hooks.DiscardPicks);
}

// ---- start-up ------------------------------------------------------------

void SetUpCard(MainFormModel& m) {
    auto& ctx = m.ctx();
    ctx.run.gCardRet = ctx.card.initial();
    // The program's default title (an empty one), in Chinese whatever the language.
    if (ctx.run.gCardRet < 1) ctx.op.MsgBox("Tarvik卡未正确安装", MsgButtons::Ok, MsgIcon::None, "");
    for (int a = 1; a <= 4; ++a) {
        ctx.card.set_command_pos(0, a, 0);
        ctx.card.set_actual_pos(0, a, 1);
    }
    for (int a = 1; a <= 4; ++a) ctx.card.set_startv(0, a, 1000);
    for (int a = 1; a <= 4; ++a) {
        // Clamped to the 32-bit range first; the library clamps further.
        double acc = RoundHalfEven(ctx.axis(a).Acceleration * 10000);
        if (!(acc >= INT32_MIN)) acc = INT32_MIN;
        if (acc > INT32_MAX) acc = INT32_MAX;
        ctx.card.set_acc(0, a, static_cast<int32_t>(acc));
    }
}

void Form_Load(MainFormModel& m) {
    auto& prog = m.program;
    auto& st = prog.params;
    auto& panel = m.panel();
    auto& sys = st.gSysParaTable;
    const bool cs7 = m.secondBuild();
    // This window's engine takes the geometry values of every save (a
    // window opened again on the same program replaces the old hand-off).
    prog.tranParas = [&m](double conDet, double lineDis, double pjAngle, int16_t comp, double half,
                          double maxAngle) {
        m.drawing.Core().TranParas(conDet, lineDis, pjAngle, comp, half, maxAngle);
    };
    Own(m, prog.tranParas);
    if (cs7) m.List1Visible = true;
    // Design values of the slotting-output frame: depth, width, spindle
    // speed and feed.
    panel.Text9 = {"1", "30", "5000", "500"};

    // Files that the last run left half written: a curvature pair is
    // completed or undone first (its new files are no temporary files), then
    // the temporary files of interrupted writes go.
    RecoverWanFuFiles(st, prog.op());
    RemoveWriteLeftovers(ProgramFolder());
    RemoveWriteLeftovers(ProgramFile("SysPara"));
    // 2-4: title text, groups and their names (icon: the view).
    m.titleText = ReadTitleText();
    ReadParaGroup(st, prog.op());   // "缺少参数组配置文件！" and the group numbers 0..9
    FillGroupNames(st, m.group);
    // 6: the drawing view.
    panel.gViewWidth = 200;
    InstallDrawingHooks(prog, m.drawing);
    auto& hooks = prog.ctx.hooks;
    Own(m, hooks.BuildDisplayList);
    Own(m, hooks.BuildCtrPFile);
    Own(m, hooks.CalcPathLength);
    Own(m, hooks.DiscardPicks);
    // 8-11: options, curvature and spacing tables, system parameters.
    SelectCurrentGroups(st, m.group);
    LoadWanFuTables(st, st.gWanFuGroup, prog.op());
    LoadPfjj(st, st.gWanFuGroup, prog.op());
    LoadSysPara(st, st.gSysGroup, prog.op());
    // 12-14: geometry engine, List1, current directory.
    GeometryHandOff(m);
    ClearPicks(m);
    std::error_code ec;
    std::filesystem::current_path(ProgramFolder(), ec);
    // 15: jog speed.
    panel.Text2 = Str(static_cast<int>(prog.ctx.axis(1).ManualFeedrate));
    // 16: the card.
    SetUpCard(m);
    // 17-19: machine options.
    if (!cs7 && sys.gCutterUpDownMode == 0) {
        for (const char* n : {"Label1(5)", "TextZ", "Label0(2)"}) m.Control(n).enabled = false;
    }
    if (sys.gFeedRetract > 0.5) {
        panel.Check4 = 0;
        m.Control("Check4").enabled = false;
    }
    if (sys.gBendMechanisms == 0) {
        if (!cs7) {
            m.Control("Command_Z1").enabled = false;
            for (const char* n : {"Label1(4)", "TextY", "Label0(1)"}) m.Control(n).enabled = false;
        }
    }
    // 20-22.
    sys.gRunMode = 0;
    ClearPicks(m);
    panel.Shape2.Visible = false;
    panel.Shape3.Visible = false;
    // 25-27: settings, captions, encoder.
    ReadFormText(m);
    XianShiCE(m);
    if (sys.gXEncoderPort < 0.5) {
        panel.Check3 = 0;
        panel.Check3Enabled = false;
    }
    // 28: the machine loop.
    panel.Timer2Interval = 30;
    m.loaded = true;
}

void Form_Activate(MainFormModel& m) {
    auto& st = m.program.params;
    const auto& sys = st.gSysParaTable;
    const bool zh = st.gLanguage == 0;
    const bool cs7 = m.secondBuild();
    if (sys.gAxisKindA == 1) {
        m.SetCaption("Command_Z2", zh ? "进 刀 回 零" : "Forward SeekZero");
        if (!cs7) {
            m.SetCaption("Label0(3)", "mm");
            m.SetCaption("Label1(6)", zh ? "进刀距离：" : "Forward Distance：");
            m.SetCaption("Label3(3)", zh ? "进刀零位开关" : "ForWard Zero Switch");
        }
    } else {
        m.SetCaption("Command_Z2", zh ? "摆 刀 回 零" : "Swing SeekZero");
        if (!cs7) {
            m.SetCaption("Label0(3)", "deg");
            m.SetCaption("Label1(6)", zh ? "摆刀角度：" : "Swing Angle：");
            m.SetCaption("Label3(3)", zh ? "摆刀零位开关" : "Swing Zero Switch");
        }
        if (sys.gSwingModeP == 1 && sys.gSlotSides == 1) m.Control("Command_Z2").enabled = false;
    }
    if (sys.gCutterUpDownMode == 0) {
        if (!cs7) {
            for (const char* n : {"Label1(5)", "Label0(2)", "TextZ"}) m.Control(n).enabled = false;
        }
    } else {
        m.Control("Command_Z3").enabled = true;
        if (!cs7) {
            for (const char* n : {"Label1(5)", "Label0(2)", "TextZ"}) m.Control(n).enabled = true;
        }
    }
    m.panel().Text2 = Str(static_cast<int>(m.ctx().axis(1).ManualFeedrate));
    if (sys.gBendMechanisms == 0) m.Control("Command10(4)").enabled = false;
    // The group frame stays open under a dialog: the users dialog may have
    // changed the level that its copy buttons belong to.
    CopyButtonsFollowLevel(st, m.group);
}

void Form_Unload(MainFormModel& m) {
    auto& ctx = m.ctx();
    // Nothing may move once the window is gone: a held jog, a dialog's move,
    // a program or a seek zero is stopped first.
    if (StateOf(ctx) != MachineState::Idle) Command_Stop_Click(ctx);
    std::string error;
    if (!WriteFormText(m, &error)) {
        ctx.op.MsgBox(std::string(ctx.Tr("无法保存 formtext.ini：", "Cannot save formtext.ini: ")) + error,
                      MsgButtons::Ok, MsgIcon::Warning, ctx.TitleWrong());
    }
    auto& st = m.program.params;
    SaveSysPara(st, st.gSysGroup, 1, m.program.op(), m.program.tranParas);
}

// ---- formtext.ini ----------------------------------------------------------

void ReadFormText(MainFormModel& m) {
    auto& panel = m.panel();
    auto& st = m.program.params;
    // Each item on its own line, as shut-down writes them: a comma typed into
    // a box ends its item there, and the rest of that line is dropped rather
    // than taken for the items after it.
    const std::optional<std::string> bytes = ReadFileBytes(ProgramFile(kFormTextFile));
    const std::vector<std::string_view> lines = bytes ? SplitLines(*bytes) : std::vector<std::string_view>{};
    // Item i is there while the file has anything but blanks and line ends
    // from its line on.
    auto present = [&](size_t i) {
        for (size_t j = i; j < lines.size(); ++j)
            if (!ItemReader(std::string(lines[j])).AtEnd()) return true;
        return false;
    };
    size_t next = 0;
    auto text = [&](std::string& target) {
        if (!present(next)) return;
        target = GbkToUtf8(ItemReader(std::string(lines[next++])).NextItem().value_or(""));
    };
    auto number = [&](auto&& apply) {
        if (!present(next)) return;
        apply(ItemReader(std::string(lines[next++])).NextNumber().value_or(0));
    };
    text(panel.Text3);
    text(panel.Text4);
    text(panel.Text7);
    ShowTableRadius(m);
    number([&](double v) { panel.Check2 = CheckValue(v); });
    number([&](double v) { panel.Check3 = CheckValue(v); });
    std::string offset;
    if (present(next)) {
        text(offset);
        if (st.gSysParaTable.gSaveContourOffset == 1) panel.Text6 = Format(Val(offset), "0.00");
    }
    number([&](double v) { panel.Check4 = CheckValue(v); });
    number([&](double v) {
        auto lang = ToInteger(v);
        st.gLanguage = lang ? *lang : (RoundHalfEven(v) == 0 ? 0 : 1);
    });
}

std::string FormTextBytes(const MainFormModel& m) {
    const auto& panel = m.program.ctx.panel;
    auto num = [](int v) { return Str(v) + " "; };
    TextBuilder b;
    b.LineUtf8(panel.Text3).LineUtf8(panel.Text4).LineUtf8(panel.Text7);
    b.Line(num(panel.Check2)).Line(num(panel.Check3));
    b.LineUtf8(panel.Text6);
    b.Line(num(panel.Check4)).Line(num(m.program.params.gLanguage));
    return b.bytes();
}

bool WriteFormText(const MainFormModel& m, std::string* error) {
    return WriteFileAtomic(ProgramFile(kFormTextFile), FormTextBytes(m), error);
}

// ---- captions ---------------------------------------------------------------

void XianShiCE(MainFormModel& m) {
    const int16_t lang = m.program.params.gLanguage;
    const bool cs7 = m.secondBuild();
    m.SetCaption("Form", MainTitle(m.titleText, cs7, lang));
    for (const auto& c : MainCaptions()) {
        if (cs7 && c.firstBuildOnly) continue;
        m.SetCaption(c.caption.name, CaptionText(c.caption, lang));
    }
    if (lang != 0) {
        if (m.Text1 == "控制") m.Text1 = "Control";
        if (m.Text1 == "设置") m.Text1 = "Setup";
    } else {
        if (m.Text1 == "Control") m.Text1 = "控制";
        if (m.Text1 == "Setup") m.Text1 = "设置";
    }
    Form_Activate(m);
}

namespace {

// The captions change language; what the operator typed stays: the jog
// speed that activation takes from the axis table is the one typed.
void SwitchLanguage(MainFormModel& m, int16_t language) {
    m.program.params.gLanguage = language;
    const std::string typed = m.panel().Text2;
    XianShiCE(m);
    m.panel().Text2 = typed;
}

}  // namespace

void Chinese_Click(MainFormModel& m) { SwitchLanguage(m, 0); }

void English_Click(MainFormModel& m) { SwitchLanguage(m, 1); }

// ---- small handlers ----------------------------------------------------------

void Label3_Click(MainFormModel& m, int16_t) {
    auto& ctx = m.ctx();
    if (m.secondBuild() || m.program.params.gUserLevel != 2) return;
    // Only a stroke in progress can be declared ended; a flag armed now
    // would end the next stroke before its sensor.
    if (ctx.card.get_out(0, 1) != 1 && ctx.card.get_out(0, 2) != 1) return;
    Label3_Click(ctx);
}

void Text15_Change(MainFormModel& m, const std::string& text) {
    auto& table = m.program.params.gSysParaTable;
    const double radius = Val(text);
    if (radius == table.gMillRadius) {
        m.Text15 = text;
        return;
    }
    // The radius is a parameter of the table that programs are made from: it
    // changes only on an idle machine (the box shows the radius in force
    // again), and picked contours get their path made again with it, so
    // that what the window shows is what the next Run makes.
    if (!AdmitsProgramChange(m.program)) {
        m.Text15 = Str(table.gMillRadius);
        return;
    }
    m.Text15 = text;
    table.gMillRadius = radius;
    if (m.drawing.pick.mSelCount > 0) ContourOffset(m.program, m.drawing);
}

void TabStrip1_Click(MainFormModel& m, int tab) {
    if (m.ctx().run.gRunning == kTrue) return;
    const bool zh = m.program.params.gLanguage == 0;
    if (tab == 1) {
        m.tab1 = 1;
        m.Frame4Visible = false;
        m.Text1 = zh ? "控制" : "Control";
    } else if (tab == 2) {
        m.tab1 = 2;
        m.Frame4Visible = true;
        m.Text1 = zh ? "设置" : "Setup";
    }
}

void TabStrip2_Click(MainFormModel& m, int tab) {
    if (m.secondBuild()) return;
    if (tab == 1) {
        m.tab2 = 1;
        m.Frame6Visible = true;
        m.List1Visible = false;
        if (m.ctx().hooks.BuildDisplayList) m.ctx().hooks.BuildDisplayList(0);
    } else if (tab == 2) {
        m.tab2 = 2;
        m.Frame6Visible = false;
        m.List1Visible = true;
    }
}

void SetupDialogClosed(MainFormModel& m, const std::string& tableBefore) {
    if (SysParaBytes(m.program.params.gSysParaTable) == tableBefore) return;
    ShowTableRadius(m);
    // A Save is admitted only with the machine idle; what a dialog may have
    // started since (a test, a slotting program) does not run on the path.
    if (m.drawing.pick.mSelCount > 0) ContourOffset(m.program, m.drawing);
}

void ReleaseJogs(MainFormModel& m) {
    Command_SL_MouseUp(m.ctx(), 1);
    Command_TL_MouseUp(m.ctx(), 1);
}

std::string DialogOpening(MainFormModel& m) {
    ReleaseJogs(m);
    return SysParaBytes(m.program.params.gSysParaTable);
}

void DialogClosed(MainFormModel& m, const std::string& tableBefore) {
    SetupDialogClosed(m, tableBefore);
    Form_Activate(m);
}

std::optional<int> Command10Dialog(int index, int16_t userLevel) {
    if (index < 0 || index > 5) return std::nullopt;
    if (index == 3 && userLevel == 0) return 6;
    return index;
}

// ---- parameter groups ---------------------------------------------------------

void 切换参数组_Click(MainFormModel& m) { OpenGroupFrame(m.program.params, m.group); }

void 当前参数组_Click(MainFormModel& m) { ShowCurrentGroups(m.program.params, m.program.op()); }

bool Command3_Click(MainFormModel& m, int16_t Index) {
    GroupSwitchHooks hooks;
    hooks.tranParas = m.program.tranParas;
    // The picked contours go: the window shows the outline with nothing picked.
    hooks.controlPointCls = [&m] { DiscardPicks(m.program, m.drawing); };
    // The switch and the copies change what a program is made from.
    const bool busy = !MayAct(m.ctx(), CommandClass::ChangeProgram);
    if (busy && (Index == 3 || Index == 4)) {
        // The copies rewrite every group's files while a program runs on them.
        auto& ctx = m.ctx();
        ctx.op.MsgBox(ctx.Tr("设备正在运行，不能复制参数组！",
                             "The machine is busy: the parameters cannot be copied now!"),
                      MsgButtons::Ok, MsgIcon::Warning, ctx.TitleTips());
        return false;
    }
    const bool ok = GroupFrameCommand(Index, m.program.params, m.group, m.program.op(), busy, hooks);
    if (ok && Index == 1) {
        std::error_code ec;
        std::filesystem::current_path(ProgramFolder(), ec);
        ShowTableRadius(m);
    }
    return ok;
}

// ---- layout -------------------------------------------------------------------

bool Resize(MainFormModel& m, double clientW, double clientH, double outerW, double outerH) {
    if (m.layout.px.empty()) m.layout = DesignLayout(m.secondBuild());
    if (!Form_Resize(m.layout, clientW, clientH, outerW, outerH, m.secondBuild())) return false;
    int w = 0, h = 0;
    PictureSize(m.layout, w, h);
    GLResize(m.program, m.drawing, w, h);
    Redraw(m.drawing);
    return true;
}

}  // namespace velbend
