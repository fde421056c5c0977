#include "velbend/forms/gy1_programs.h"

#include <cmath>

#include "velbend/common/numtext.h"
#include "velbend/machine/cutter_back.h"
#include "velbend/machine/slot_block.h"

namespace velbend {
namespace {

std::string F0(double v) { return Format(v, "0"); }
std::string F3(double v) { return Format(v, "0.000"); }

void StartLines(ProgramLines& out) { out << "G90 G01" << "G92 X0" << "M16"; }

}  // namespace

void WriteCutterPreamble(MachineContext& ctx, ProgramLines& out) {
    const SysPara& s = ctx.sys();
    if (!WriteCutterBack(ctx, out) && s.gCutterUpDownMode == 1 && s.gRunMode == 0) out << "M40" << "M30";
}

void WriteForwardSlotTest(MachineContext& ctx, ProgramLines& out) {
    StartLines(out);
    WriteCutterPreamble(ctx, out);
    if (ctx.sys().gRunMode == 0) out << "M42" << "M30";
    out << "G90 G01";
    Print_KCaction(ctx, out, 0.0, 1, 0, 0);
}

void WriteSwingSlotTest(MachineContext& ctx, ProgramLines& out, int Index, double includedAngle) {
    const SysPara& s = ctx.sys();
    StartLines(out);
    WriteCutterPreamble(ctx, out);
    if (SwingZeroBeforeSlot(s)) out << "M42" << "M30";
    out << "G90 G01";
    const double W = includedAngle < s.gCutterAngle ? s.gCutterAngle : includedAngle;
    const double S = (W - s.gCutterAngle) / 2;
    if (s.gCutterRotateMode == 1) out << "M10";
    if (Index == 0) {
        if (s.gSwingModeP == 0) Print_KCaction(ctx, out, S, 2, 0, 0);
        else if (s.gSwingModeP == 1) Print_KCaction(ctx, out, 0.0, 1, 0, 0);
    } else if (s.gSlotSides == 0) {
        if (s.gSwingModeN == 0) Print_KCaction(ctx, out, S + 180, 2, 1, 0);
        else if (s.gSwingModeN == 1) Print_KCaction(ctx, out, 180.0, 1, 1, 0);
        out << "A0 F" + Format(ctx.axis(4).AutoFeedrate, "0.0");
    } else if (s.gSlotSides == 1) {
        if (s.gSwingModeN == 0) Print_KCaction(ctx, out, S, 2, 1, 0);
        else if (s.gSwingModeN == 1) Print_KCaction(ctx, out, 0.0, 1, 1, 0);
    }
    if (s.gCutterRotateMode == 1) out << "M11";
}

void WriteSetToolProgram(MachineContext& ctx, ProgramLines& out, double zPos, double aPos) {
    StartLines(out);
    out << "Z" + F3(zPos) + " F" + F0(ctx.axis(3).AutoFeedrate);
    out << "A" + F3(aPos) + " F" + F0(ctx.axis(4).AutoFeedrate);
}

void WriteToolZeroProgram(MachineContext& ctx, ProgramLines& out) {
    out << "G90 G01" << "G92 X0" << "M17";
    if (ctx.sys().gRunMode == 0) out << "M42" << "M30" << "M40" << "M30";
}

void WriteToolBackProgram(MachineContext& ctx, ProgramLines& out) {
    out << "G90 G01" << "G92 X0";
    out << "A0 F" + F0(ctx.axis(4).AutoFeedrate);
    out << "Z0 F" + F0(ctx.axis(3).AutoFeedrate);
    out << "M17";
}

void WriteMarkingLine(MachineContext& ctx, ProgramLines& out) {
    const bool turning = ctx.sys().gCutterRotateMode == 1;
    out << "G90 G01";
    if (turning) out << "M10";
    Print_KCaction(ctx, out, 0.0, 1, 0, 1);
    if (turning) out << "M11";
}

bool CalibratedEquivalent(double instructed, double old, double actual, double& result) {
    if (actual == 0) return false;
    const double v = instructed * old / actual;
    if (!std::isfinite(v)) return false;
    result = v;
    return true;
}

}  // namespace velbend
