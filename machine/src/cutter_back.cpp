#include "velbend/machine/cutter_back.h"

#include "velbend/common/numtext.h"

namespace velbend {

bool CylinderEndsOnSensors(const SysPara& s) { return s.gCutterUpDownMode == 0 && s.gPositionDetectMode == 0; }

void StartCylinderStroke(MachineContext& ctx, int output) {
    ctx.card.write_bit(0, output == 1 ? 2 : 1, 0);
    ctx.card.write_bit(0, output, 1);
    ctx.run.gCylinderBusy = CylinderEndsOnSensors(ctx.sys()) ? 1 : 0;
}

bool WriteCutterBack(MachineContext& ctx, ProgramLines& out) {
    const SysPara& s = ctx.sys();
    if (ctx.card.read_bit(0, 17) == 0 || s.gCutterUpDownMode != 0 || s.gRunMode != 0) return false;
    out << "M14";
    if (s.gPositionDetectMode == 0)
        out << "M00";
    else
        out << "G04 P" + Format(s.gPositionDetectDelay, "0");
    out << "M15";
    return true;
}

bool SwingZeroBeforeSlot(const SysPara& s) {
    if (s.gRunMode != 0) return false;
    if (s.gAxisKindA == 1) return s.gSeekZeroBeforeForward == 0;
    return s.gAxisKindA == 0 && (s.gSwingModeP == 0 || s.gSwingModeN == 0 || s.gSlotSides == 0);
}

}  // namespace velbend
