#include "velbend/machine/slot_export.h"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/geometry/path_length.h"
#include "velbend/geometry/plane.h"
#include "velbend/machine/line_sink.h"

namespace velbend {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Cutter compensation of a turn B (degrees); 0 outside 0.1 < B < 179.9.
double Comp(const SysPara& s, double B) { return CutterZone(B, s.gMillRadius, s.gMillRadiusCoef); }

bool CtrPHoldsPath() {
    auto bytes = ReadFileBytes(ProgramFile("CtrP.dat"));
    return bytes && !SplitLines(*bytes).empty();
}

}  // namespace

void 开槽程序_Click(MachineContext& ctx) {
    if (!CtrPHoldsPath()) {
        ctx.op.MsgBox(ctx.Tr("尚未选择加工路径，不能输出！", "No Choise, Can't Output!"), MsgButtons::Ok,
                      MsgIcon::None, "");
        return;
    }
    ctx.panel.OutFrameVisible = true;
}

void Command2_Click(MachineContext& ctx, int16_t Index) {
    if (Index == 0) {
        // A refused input keeps the frame open so the operator can mend it.
        if (WriteSlotProgram(ctx)) ctx.panel.OutFrameVisible = false;
    } else if (Index == 1) {
        ctx.panel.OutFrameVisible = false;
    }
}

bool WriteSlotProgram(MachineContext& ctx) {
    const SysPara& s = ctx.sys();
    const auto& panel = ctx.panel;
    const std::string_view depth = Trim(panel.Text9[0]);
    const std::string_view width = Trim(panel.Text9[1]);
    const std::string_view speed = Trim(panel.Text9[2]);
    const std::string_view feed = Trim(panel.Text9[3]);
    if (!IsNumeric(depth) || !IsNumeric(width) || !IsNumeric(speed) || !IsNumeric(feed) || depth.empty() ||
        width.empty() || speed.empty() || feed.empty()) {
        ctx.op.MsgBox(ctx.Tr("开槽深度、材料宽度、主轴转速和进给速度必须填写数字！",
                             "Slot depth, material width, spindle speed and feedrate must be numbers!"),
                      MsgButtons::Ok, MsgIcon::Warning, ctx.TitleTips());
        return false;
    }
    const std::string_view name = Trim(panel.Text8);
    if (name.empty()) {
        ctx.op.MsgBox(ctx.Tr("请输入输出文件名！", "Please enter the output file name!"), MsgButtons::Ok,
                      MsgIcon::Warning, ctx.TitleTips());
        return false;
    }

    std::string bytes;
    if (auto b = ReadFileBytes(ProgramFile("CtrP.dat"))) bytes = std::move(*b);
    const auto lines = SplitLines(bytes);

    // Arc direction by the kind of the open outline.
    const ArcRule rule = ArcRuleOf(panel.Label4[0]);
    const bool dxf = rule == ArcRule::Dxf;
    const bool nc = rule == ArcRule::Nc;
    auto direction = [&](double xs, double ys, double xm, double ym, double xe, double ye) -> int {
        if (dxf) {
            if (ctx.hooks.Cal_arcdir) return ctx.hooks.Cal_arcdir(xs, ys, xm, ym, xe, ye);
            return CoreAlgorithm::ArcDirection(SplinePoint{xs, ys}, SplinePoint{xm, ym}, SplinePoint{xe, ye});
        }
        if (nc) {
            if (ctx.hooks.TurnAngle) return ctx.hooks.TurnAngle(xs, ys, xm, ym, xe, ye);
            return TurnAngle(xs, ys, xm, ym, xe, ye);
        }
        return -1;
    };

    ProgramLines out;
    out << "G90 G17" << "G00 Z5" << "G00 X-5 Y0" << "S" + std::string(speed) + " M03";
    const std::string cutLine = "G01 Z-" + std::string(depth) + " F" + std::string(feed);
    const std::string acrossLine = "X" + Format(Val(width) + 5, "0.000");
    auto slot = [&](double at) {
        out << "G00 Y" + Format(at, "0.000") << cutLine << acrossLine << "G00 Z5" << "G00 X-5";
    };

    double L = 0;       // running strip length
    double p = 0;       // compensation owed from the previous slot
    bool havePrev = false;
    double Xp = 0, Yp = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CtrPLine r = ParseCtrPLine(lines[i]);
        const bool last = i + 1 == lines.size();
        if (r.Spline) {
            const double B = r.B, A = r.A;
            if (last) {
                const double c = Comp(s, B);
                L = L - p - c;
                slot(L);
                p = 0;
            } else if (A != 0 || !havePrev) {
                // A contour header: the contour starts afresh; the jump from
                // the previous contour is no strip.
                havePrev = false;
                p = Comp(s, B);
            }
            continue;
        }
        const double X = r.X, Y = r.Y;
        const int kind = r.Kind;
        const double A = r.A, B = r.B, C = r.C;
        if (kind == 2) {
            if (std::fabs(B) > s.gSlotThreshold) {
                const double c = Comp(s, B);
                L = L - p - c;
                slot(L);
                p = c;
            }
            continue;
        }
        if (!havePrev) {
            havePrev = true;
            Xp = X;
            Yp = Y;
            continue;
        }
        double len = std::hypot(X - Xp, Y - Yp) + C;
        if (kind == 0 && A > 0.1) {
            // The next line gives the arc's third point, whatever the line
            // is: the values of its fields 0 and 1; it is processed in its
            // turn.
            double Xn = 0, Yn = 0;
            if (!last) {
                const BlankFields<2> g(lines[i + 1]);
                Xn = Val(g[0]);
                Yn = Val(g[1]);
            }
            const int d = direction(Xp, Yp, X, Y, Xn, Yn);
            if (d < 0)
                len = len * (1 + s.gArcCompP / A);
            else if (d > 0)
                len = len * (1 - s.gArcCompN / A);
        }
        L += len;
        Xp = X;
        Yp = Y;
    }
    out << "G00 X0 Y0" << "M05" << "M30";

    std::string error;
    if (!out.WriteTo(ProgramFile(name), &error)) {
        const std::string zh = "无法写入文件 " + std::string(name) + "：" + error;
        const std::string en = "Cannot write the file " + std::string(name) + ": " + error;
        ctx.op.MsgBox(ctx.Tr(zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Critical, ctx.TitleWrong());
        return false;
    }
    return true;
}

}  // namespace velbend
