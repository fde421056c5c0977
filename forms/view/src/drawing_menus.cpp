// The file, view, node and output menus; the contour offset with its length
// captions and segment list; the machine core's hooks into the drawing.
#include "velbend/forms/drawing_menus.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>

#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/forms/dialog_common.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/geometry/area.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/geometry/outline_import.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/slot_export.h"

namespace velbend {

namespace {

bool Running(const Program& p) { return p.ctx.run.gRunning == kTrue; }

// Nothing picked and no range being picked: the node menus may act.
bool NoPicks(const DrawingModel& d) { return d.pick.mSelCount == 0 && d.pick.mSelection[0].Kind == 0; }

// A node menu: nothing while a range is picked or open (as the menu itself
// rules), and, said in one message, nothing unless the machine is idle.
bool NodeMenuMayAct(Program& p, const DrawingModel& d) { return NoPicks(d) && AdmitsProgramChange(p); }

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
bool EndsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

enum class OutlineKind { None, Dxf, Nc, Plt };

// The kind of an outline file by its name's ending, compared in lower case.
OutlineKind KindOf(const std::string& name) {
    const std::string low = Lower(name);
    if (EndsWith(low, "dxf")) return OutlineKind::Dxf;
    if (EndsWith(low, "nc")) return OutlineKind::Nc;
    if (EndsWith(low, "plt")) return OutlineKind::Plt;
    return OutlineKind::None;
}

// Reads the outline file `name` of kind `kind` (one of the three) into
// PointForDisplay.dat, a DXF file through `core`.  askZ: an NC file asks for
// its machining plane (into zPlane).  False when the file was refused (the
// operator was told).
bool ImportOutline(Program& p, CoreAlgorithm& core, double& zPlane, const std::string& name, OutlineKind kind,
                   bool askZ) {
    const int16_t lang = p.language();
    switch (kind) {
        case OutlineKind::Dxf:
            return core.ReadDXF(name, p.op(), lang) && core.DisplayPointGen(p.op(), lang);
        case OutlineKind::Nc:
            if (askZ) {
                auto z = p.op().InputBox(p.Tr("请输入加工平面Z坐标：", "Please Input Z Coordinate:"), "", "");
                zPlane = Val(z.value_or(""));
            }
            return ImportNcFile(name, zPlane, p.ctx.sys().gSlotThreshold, p.op(), lang);
        case OutlineKind::Plt:
            return ImportPltFile(name, p.ctx.sys().gSlotThreshold, p.op(), lang);
        case OutlineKind::None:
            break;
    }
    return false;
}

// Puts the display file back as `bytes` held it (none: no file).
void RestoreDisplayFile(Program& p, const std::filesystem::path& file, const std::optional<std::string>& bytes) {
    if (ReadFileBytes(file) == bytes) return;
    std::string error;
    if (bytes) {
        if (WriteFileAtomic(file, *bytes, &error)) return;
    } else {
        std::error_code ec;
        if (std::filesystem::remove(file, ec) || !ec) return;
        error = ec.message();
    }
    p.op().MsgBox(std::string(p.Tr("无法恢复 PointForDisplay.dat：", "Cannot restore PointForDisplay.dat: ")) + error,
                  MsgButtons::Ok, MsgIcon::Warning, p.Tr("操作提示", "Operation Tips"));
}

// Shows the outline file `name` (of one of the three outline kinds):
// imports it, thins it, removes duplicate lines, mirrors it when `mirror`,
// and loads the tables (keepView 0: the view fitted).  False when refused:
// the display file, the tables, the view, the geometry engine and the NC
// plane stay as they were.
bool ShowOutline(Program& p, DrawingModel& d, const std::string& name, bool askZ, bool mirror, int16_t keepView) {
    const std::filesystem::path file = ProgramFile("PointForDisplay.dat");
    const std::optional<std::string> shown = ReadFileBytes(file);
    CoreAlgorithm core = d.Core();
    double zPlane = d.gNcZPlane;
    const OutlineKind kind = KindOf(name);
    const int16_t lang = p.language();
    const bool ok = ImportOutline(p, core, zPlane, name, kind, askZ) && ThinDisplayPoints(p.op(), lang) &&
                    RemoveDuplicateLines(p.op(), lang) && (!mirror || MirrorDisplayY(p.op(), lang));
    if (ok && LoadDisplayPoints(p, d, keepView)) {
        d.Core() = std::move(core);
        d.gNcZPlane = zPlane;
        return true;
    }
    RestoreDisplayFile(p, file, shown);
    return false;
}

// Nothing picked: no range (nor one being picked), no path markers, empty
// control points, List1 and length captions.  The drawing is not rebuilt.
void ForgetPicks(Program& p, DrawingModel& d) {
    d.pick.mSelection.fill(SelEntry{});
    d.pick.mSelCount = 0;
    d.mMarkers.clear();
    d.Core().ControlPointCls();
    auto& panel = p.ctx.panel;
    panel.List1.clear();
    panel.Label4[1].clear();
    panel.Label4[2].clear();
}

}  // namespace

// ---- 文件 ----

std::string OpenFileFilter() { return "DXF文件(*.dxf),G代码(*.nc),PLT文件(*.plt) (*.dxf *.nc *.plt)"; }

void 打开_Click(Program& p, DrawingModel& d) {
    if (!AdmitsProgramChange(p)) return;
    const std::optional<std::string> answer = p.op().OpenFileDialog("", OpenFileFilter(), "");
    if (!answer || answer->empty()) return;
    const std::string name = *answer;
    // A refused file leaves the outline shown as it was, picks and all.
    if (KindOf(name) == OutlineKind::None) {
        p.op().MsgBox(p.Tr("不能打开此文件：只能打开 DXF、NC 或 PLT 文件！",
                           "This file cannot be opened: only DXF, NC and PLT files can be opened!"),
                      MsgButtons::Ok, MsgIcon::Warning, p.Tr("操作提示", "Operation Tips"));
        return;
    }
    if (!ShowOutline(p, d, name, true, false, 0)) return;
    ClearPicks(d.pick);
    d.mMirrorY = 0;
    DiscardPicks(p, d);
    p.ctx.panel.Label4[0] = name;
}

void 关闭_Click(Program& p, DrawingModel& d) {
    if (!AdmitsProgramChange(p)) return;
    auto& panel = p.ctx.panel;
    d.list.Lines.clear();
    Redraw(d);
    panel.Label4[0].clear();
    ClearPicks(d.pick);
    ForgetPicks(p, d);
    panel.Shape2.Visible = false;
    panel.Shape3.Visible = false;
    // The closed outline can no longer be drawn or picked.
    d.tables = DisplayTables{};
}

void 字形PLT_Click(Program& p, DrawingModel& d) { ExportShapePlt(p.ctx.panel.Label4[0], p.op(), p.language()); }

// ---- 视图 ----

void 字形Y镜向_Click(Program& p, DrawingModel& d) {
    // A closed outline stays closed: its display file is not shown again.
    if (p.ctx.panel.Label4[0].empty()) return;
    if (!AdmitsProgramChange(p)) return;
    // The picked path, CtrP.dat and List1 were made from the outline as it
    // stands: it is mirrored only with nothing picked.
    if (!NoPicks(d)) {
        p.op().MsgBox(p.Tr("字形已有选择，不能镜向！请先按停止取消选择。",
                           "Contours are picked: press Stop to drop the picks, then mirror!"),
                      MsgButtons::Ok, MsgIcon::Warning, p.Tr("操作提示", "Operation Tips"));
        return;
    }
    if (!MirrorDisplayY(p.op(), p.language())) return;
    MirrorNodeEdits(d.pick);
    d.mMirrorY = d.mMirrorY == 0 ? 1 : 0;
    LoadDisplayPoints(p, d, 0);
    BuildDisplayList(p, d, 0);
}

void 还原视图_Click(Program& p, DrawingModel& d) {
    if (p.ctx.panel.Label4[0].empty() || Running(p)) return;
    SetView(p, d, d.mHomeCenterX, d.mHomeCenterY, d.mHomeWidth);
    Redraw(d);
}

void 取消选择_Click(Program& p, DrawingModel& d) {
    if (!MayAct(p.ctx, CommandClass::ChangeProgram)) return;
    // The last picked range goes while at least two are in
    // PointForControl.dat (the only one stays).  A range being picked goes
    // with it rather than be left open on the dropped range's contour.
    const std::optional<std::string> picked = ReadFileBytes(ProgramFile("PointForControl.dat"));
    if (picked && CountControlBlocks(*picked) >= 2 && d.pick.mSelection[0].Kind != 0) {
        const int16_t n = d.pick.mSelCount;
        if (n >= 0 && n < kMaxSelections) d.pick.mSelection[n] = SelEntry{};
        CancelSelect(d.pick, p.op(), p.language());
    }
    BuildDisplayList(p, d, 0);
    Command1_Click(p, d);
}

std::string SelectAreaMessage(const std::string& areaText, int16_t language) {
    const std::string S = Str(Val(areaText) / 1000000);
    if (language == 0) return "选择字形总面积约为 " + S + " 平方米";
    return "Select Area is about " + S + " square meter";
}

void 查看选择面积_Click(Program& p, DrawingModel& d) {
    const int16_t lang = p.language();
    const std::optional<std::string> a = GetSelectArea(ProgramFile("CtrP.dat"), p.op(), lang);
    if (!a) return;
    p.op().MsgBox(SelectAreaMessage(*a, lang), MsgButtons::Ok, MsgIcon::Information, p.Tr("提示", "Info"));
}

// ---- 节点 ----

void 增加节点_Click(Program& p, DrawingModel& d) {
    if (CanEditNodes(d.tables, d.pick) && MayAct(p.ctx, CommandClass::ChangeProgram)) d.mMousePointer = 2;
}

void 删除节点_Click(Program& p, DrawingModel& d) {
    if (CanEditNodes(d.tables, d.pick) && MayAct(p.ctx, CommandClass::ChangeProgram)) d.mMousePointer = 12;
}

void 取消删除_Click(Program& p, DrawingModel& d) {
    d.mMousePointer = 0;
    if (!NodeMenuMayAct(p, d)) return;
    d.pick.mDeleteCount = 0;
    BuildDisplayList(p, d, 0);
}

void 取消前一个删除_Click(Program& p, DrawingModel& d) {
    d.mMousePointer = 0;
    if (!NodeMenuMayAct(p, d)) return;
    UndoDeleteNode(d.pick);
    BuildDisplayList(p, d, 0);
}

void 取消增加_Click(Program& p, DrawingModel& d) {
    d.mMousePointer = 0;
    const std::string name = p.ctx.panel.Label4[0];
    // A file of no outline kind is not read again; a refused one leaves the
    // outline shown as it was.
    if (name.empty() || KindOf(name) == OutlineKind::None || !NodeMenuMayAct(p, d)) return;
    if (!ShowOutline(p, d, name, false, d.mMirrorY == 1, 1)) return;
    d.pick.mAddedNodeCount = 0;
    BuildDisplayList(p, d, 0);
}

void 取消前一个增加_Click(Program& p, DrawingModel& d) {
    d.mMousePointer = 0;
    // Without an open outline there is nothing to reload (a closed one is
    // not shown again).
    if (p.ctx.panel.Label4[0].empty() || !NodeMenuMayAct(p, d)) return;
    UndoAddedNode(d.pick, p.op(), p.language());
    LoadDisplayPoints(p, d, 1);
    BuildDisplayList(p, d, 0);
}

// ---- contour offset and lengths ----

bool CalcPathLength(Program& p, DrawingModel& d, double& total) {
    std::string ctrp;
    if (!ReadCtrPFile(ctrp, p.op(), p.language())) return false;
    auto& panel = p.ctx.panel;
    PathLength len =
        CalcPathLength(ctrp, p.ctx.sys(), Val(panel.Text4), ArcRuleOf(panel.Label4[0]), p.ctx.secondBuild);
    total = len.Total;
    d.mPathCount = len.mSplineLineCount;
    p.ctx.mPathTable = std::move(len.mPathTable);
    p.ctx.mPathPointCount = len.mPathPointCount;
    return true;
}

void RefreshLengthCaptions(Program& p, DrawingModel& d, double total) {
    auto& panel = p.ctx.panel;
    if (d.mPathCount <= 0) {
        panel.Label4[1].clear();
        panel.Label4[2].clear();
        return;
    }
    SetLengthCaptions(panel, total, d.mPathCount, p.ctx.sys().gBendToSlotDist);
}

void FillSegmentList(Program& p, DrawingModel& d) {
    std::string ctrp;
    if (!ReadCtrPFile(ctrp, p.op(), p.language())) return;
    p.ctx.panel.List1 = FillSegmentList(ctrp, p.ctx.sys(), ArcRuleOf(p.ctx.panel.Label4[0]), p.ctx.secondBuild);
}

namespace {

// BuildCtrPFile with the offset of Text6 and the deleted nodes; the drawing
// follows a rewritten path.
CtrPBuild RebuildCtrP(Program& p, DrawingModel& d) {
    const CtrPBuild r = BuildCtrPFile(
        CtrPSettingsOf(p.ctx.sys(), p.ctx.panel.Text6),
        std::span<const NodeRecord>(d.pick.mDeletedNodes.data(),
                                    static_cast<size_t>(std::clamp<int>(d.pick.mDeleteCount, 0, kMaxDeletedNodes))),
        p.op(), p.language());
    if (r == CtrPBuild::Written) BuildDisplayList(p, d, 0);
    return r;
}

}  // namespace

void ContourOffset(Program& p, DrawingModel& d) {
    const std::optional<std::string> picked = ReadFileBytes(ProgramFile("PointForControl.dat"));
    if (picked && !picked->empty() && RebuildCtrP(p, d) == CtrPBuild::Written) {
        double L = 0;
        if (CalcPathLength(p, d, L)) RefreshLengthCaptions(p, d, L);
    }
    FillSegmentList(p, d);
}

void Command1_Click(Program& p, DrawingModel& d) {
    // Its other callers (a pick, Cancel Select) are refused in these states
    // already: the message is the button's.
    if (AdmitsProgramChange(p)) ContourOffset(p, d);
}

void DiscardPicks(Program& p, DrawingModel& d) {
    ForgetPicks(p, d);
    BuildDisplayList(p, d, 0);
}

void Text5_Change(Program& p, DrawingModel& d) {
    double L = 0;
    if (CalcPathLength(p, d, L)) RefreshLengthCaptions(p, d, L);
}

void InstallDrawingHooks(Program& p, DrawingModel& d) {
    auto& hooks = p.ctx.hooks;
    hooks.BuildDisplayList = [&p, &d](int16_t selected) { BuildDisplayList(p, d, selected); };
    hooks.BuildCtrPFile = [&p, &d] { RebuildCtrP(p, d); };
    hooks.CalcPathLength = [&p, &d](double& total, int16_t& splineLines) {
        if (!CalcPathLength(p, d, total)) return false;
        splineLines = d.mPathCount;
        return true;
    };
    hooks.DiscardPicks = [&p, &d] { ForgetPicks(p, d); };
}

}  // namespace velbend
