// The machine tests of the machine setup dialog: slotting test programs,
// bending and feeding jogs and steps, the cutter buttons, seek zero and
// Stop.  Every one reads the saved table, never the dialog's working copy.
#include <cmath>

#include "velbend/common/numtext.h"
#include "velbend/forms/sb_form.h"
#include "velbend/machine/cutter_back.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_start.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/slot_block.h"

namespace velbend {
namespace {

// A seek-zero button of axis 2 (Y), 3 (Z) or 4 (A).  A second press while
// the seek zero that this dialog started on that axis runs cancels it, busy
// or not.  A seek zero that a running program (M40, M42) or another window
// started is not cut short here: the program would go on with the axis not
// at zero.  Stop ends it.
void SeekZero(MachineContext& ctx, int a) {
    if (OwnSeekZero(ctx.run, a, Starter::MachineSetup)) {
        CancelSeekZero(ctx, a);
        return;
    }
    switch (a) {
        case 4:  // refuses while busy or with a cylinder cutter not back
            Command_Z2_Click(ctx, Starter::MachineSetup);
            break;
        case 3:  // only a motor cutter seeks zero here
            if (ctx.sys().gCutterUpDownMode == 1) Command_Z3_Click(ctx, Starter::MachineSetup);
            break;
        default:
            if (!MayAct(ctx, CommandClass::StartMotion)) return;
            StartSeekZeroSearch(ctx, a, 0, SeekZeroDirection(ctx.axis(a)), Starter::MachineSetup);
            break;
    }
}

}  // namespace

void BuildSlotTest(MachineContext& ctx, int16_t Index, std::string_view includedAngle, ProgramLines& out) {
    const SysPara& s = ctx.sys();
    const bool processing = s.gRunMode == 0;
    out << "G90 G01" << "G92 X0" << "M16";
    WriteCutterBack(ctx, out);  // a cylinder cutter that is not back is drawn back first
    if (Index != 4 && SwingZeroBeforeSlot(s)) out << "M42" << "M30";
    if (s.gCutterUpDownMode == 1 && processing) out << "M40" << "M30";
    out << "G90 G01";

    // The included angle of the corner, never below the blade angle.
    double A = std::fabs(Val(includedAngle));
    if (A < s.gCutterAngle) A = s.gCutterAngle;
    const bool straight = std::fabs(180 - A) < s.gSlotThreshold;
    const bool rotate = s.gCutterRotateMode == 1;
    auto on = [&] { if (rotate) out << "M10"; };
    auto off = [&] { if (rotate) out << "M11"; };
    // The passes; a test that cuts nothing (a straight corner, a swing mode
    // of neither kind) still lets the material go at its end, or it would
    // never end.
    bool cutAny = false;
    auto cut = [&](double angle, int16_t ty, int16_t fb, int16_t exz) {
        Print_KCaction(ctx, out, angle, ty, fb, exz);
        cutAny = true;
    };
    switch (Index) {
        case 0:
            if (straight) break;
            on();
            if (s.gSwingModeP == 0) cut((A - s.gCutterAngle) / 2, 2, 0, 0);
            else if (s.gSwingModeP == 1) cut(0, 1, 0, 0);
            off();
            break;
        case 1:
        case 2: {
            const double half = (Index == 1 ? 1 : -1) * s.gCutterAngle / 2;
            on();
            if (s.gSwingModeP == 0) cut(half, 3, 0, 0);
            else if (s.gSwingModeP == 1) cut(0, 3, 0, 0);
            off();
            break;
        }
        case 4:
            on();
            if (!straight) {
                const double swing = (A - s.gCutterAngle) / 2;
                if (s.gSlotSides == 0) {
                    if (s.gSwingModeN == 0) cut(swing + 180, 2, 1, 0);
                    else if (s.gSwingModeN == 1) cut(180, 1, 1, 0);
                } else if (s.gSlotSides == 1) {
                    if (s.gSwingModeN == 0) cut(swing, 2, 1, 0);
                    else if (s.gSwingModeN == 1) cut(0, 1, 1, 0);
                }
            }
            off();
            break;
        default:
            break;
    }
    if (!cutAny) out << "M17";
}

void SB_Model::Command3_Click(int16_t Index) {
    MachineContext& ctx = program_.ctx;
    if (Index == 3) {
        SeekZero(ctx, 4);
        return;
    }
    if (Index < 0 || Index > 4 || !MayAct(ctx, CommandClass::StartMotion)) return;
    ProgramLines out;
    BuildSlotTest(ctx, Index, Text("Text6"), out);
    StartProgram(ctx, out, RunFlag::SlotRunning, Starter::MachineSetup);
}

void SB_Model::Command4_MouseDown(int16_t Index) {
    MachineContext& ctx = program_.ctx;
    if (Index == 2) {
        SeekZero(ctx, 2);
        return;
    }
    if (Index != 0 && Index != 1) return;
    const int dir = Index == 0 ? 1 : -1;
    if (Checked("Check2") == 0) DialogJogPress(ctx, jogs_, 2, dir);
    else DialogStepBy(ctx, 2, dir, Val(Text("Text7")));
}

void SB_Model::Command4_MouseUp(int16_t Index) {
    // Only the jog of this button's own press stops; a step runs to its end.
    if (Index == 0 || Index == 1) DialogJogRelease(program_.ctx, jogs_, 2, Index == 0 ? 1 : -1);
}

void SB_Model::Command5_MouseDown(int16_t Index) {
    MachineContext& ctx = program_.ctx;
    if (Index == 2) {
        // Pressing toggles the material pressing.  Not while a program runs:
        // letting the strip go mid-program would spoil it.  A test that waits
        // for the pressing to end is ended by Stop.
        if (MayAct(ctx, CommandClass::StartMotion)) ctx.card.write_bit(0, 3, ctx.card.get_out(0, 3) == 0 ? 1 : 0);
        return;
    }
    if (Index != 0 && Index != 1) return;
    const int dir = Index == 0 ? 1 : -1;
    // Both let the material go first (done by the feed axis's start).
    if (Checked("Check3") == 0) DialogJogPress(ctx, jogs_, 1, dir);
    else DialogStepBy(ctx, 1, dir, Val(Text("Text8")));
}

void SB_Model::Command5_MouseUp(int16_t Index) {
    if (Index == 0 || Index == 1) DialogJogRelease(program_.ctx, jogs_, 1, Index == 0 ? 1 : -1);
}

void SB_Model::Command6_Click(int16_t Index) {
    MachineContext& ctx = program_.ctx;
    auto& card = ctx.card;
    const int16_t mode = ctx.sys().gCutterUpDownMode;
    // Cutter Back ends a motion and acts in every state; Cutter Out starts
    // one and waits for an idle machine.
    if (Index == 1 && !MayAct(ctx, CommandClass::StartMotion)) return;
    if (mode == 0) {
        // A cylinder: the other output off first; where the sensors tell
        // the stroke's end, the run timer ends it on its sensor.
        if (Index == 0 || Index == 1) StartCylinderStroke(ctx, Index == 0 ? 2 : 1);
        return;
    }
    if (mode != 1) return;
    if (Index == 2) {
        SeekZero(ctx, 3);
        return;
    }
    if (Index != 0 && Index != 1) return;
    const double depth = ctx.sys().gDownDistFront;
    int32_t p = 0;
    card.get_command_pos(0, 3, &p);
    // Out: down to the front depth; Back: to 0; both at the manual speed.
    MotionAsk ask = ManualMotion(ctx, 3, Index == 0 ? 0 : depth,
                                 TechnologicalSource("“下刀行程”", "\"Down Distance\""));
    ask.standsAt = p;
    StartAxisMove(ctx, ask);
}

void SB_Model::Command7_Click() { DialogStop(program_.ctx); }

void SB_Model::ReleaseJogs() {
    DialogJogRelease(program_.ctx, jogs_, 1);
    DialogJogRelease(program_.ctx, jogs_, 2);
}

}  // namespace velbend
