#include "velbend/machine/slot_export.h"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/machine/line_sink.h"
#include "velbend/machine/program_writer.h"

namespace velbend {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

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

    ProgramLines out;
    out << "G90 G17" << "G00 Z5" << "G00 X-5 Y0" << "S" + std::string(speed) + " M03";
    const std::string cutLine = "G01 Z-" + std::string(depth) + " F" + std::string(feed);
    const std::string acrossLine = "X" + Format(Val(width) + 5, "0.000");
    auto slot = [&](double at) {
        out << "G00 Y" + Format(at, "0.000") << cutLine << acrossLine << "G00 Z5" << "G00 X-5";
    };

    // The slots stand where the program Run writes cuts them: at the strip
    // positions of its corner lines and of the path's end.
    const StripPositions at = ProgramStripPositions(ctx, lines);
    std::size_t corner = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const CtrPLine r = ParseCtrPLine(lines[i]);
        if (r.Spline) {
            if (i + 1 == lines.size()) slot(at.end);
        } else if (r.Kind == 2 || r.Kind == 5) {
            if (r.Kind == 2 && std::fabs(r.B) > s.gSlotThreshold && corner < at.corners.size())
                slot(at.corners[corner]);
            ++corner;
        }
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
