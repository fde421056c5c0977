#include "velbend/machine/slot_block.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "velbend/common/numtext.h"

namespace velbend {
namespace {

std::string F4(double v) { return Format(v, "0.0000"); }
std::string F0(double v) { return Format(v, "0"); }
double Sign(double v) { return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0); }

}  // namespace

void Print_KCaction(MachineContext& ctx, ProgramLines& out, double Rangle, int16_t Ty,
                    int16_t FBtype, int16_t EXZflag) {
    const SysPara& s = ctx.sys();
    const std::string feedA = F0(ctx.axis(4).AutoFeedrate);
    const std::string feedZ = Format(ctx.axis(3).AutoFeedrate, "0000");
    const std::string& letters = s.gSlotLetters;

    // 1. Encoder correction before the cut.
    if (ctx.panel.Check3 == 1 && EXZflag != 1 && s.gXEncoderPort >= 1) {
        out << "G04 P400" << "M34";
    } else {
        out << "G04 P200";
    }
    // 2. Material pressing on.
    out << "M16";
    // 3. Seek zero of the forward-feed axis before the cut.
    if (s.gAxisKindA == 1 && s.gSeekZeroBeforeForward == 1 && s.gRunMode == 0)
        out << "M42" << "M30" << "G90 G01";
    // 4. Swing to the side of the slot first.
    if (!letters.empty() && (letters[0] == 'N' || letters[0] == 'P'))
        out << (Rangle < 180 ? "A0 F" : "A180 F") + feedA;
    // 5. Cutter rotation on.
    if (s.gCutterRotateMode == 0) out << "M10";

    // 6. Passes; the stroke list holds three entries, so at most three
    // ordinary passes are cut.
    const int cuts = std::clamp<int>(s.gCutTimes, 0, 3);
    int n = cuts;
    if (s.gCutOffStroke != 0 && s.gAxisKindA == 1 && Ty == 3) n = n + 1;

    // 7. Swing limits.
    if (Rangle < 180) {
        if (std::fabs(Rangle) > s.gMaxSwingAngleP) Rangle = Sign(Rangle) * s.gMaxSwingAngleP;
    } else {
        double d = Rangle - 180;
        if (std::fabs(d) > s.gMaxSwingAngleN) d = Sign(d) * s.gMaxSwingAngleN;
        Rangle = 180 + d;
    }

    // The wait of a cylinder stroke: a delay, or the sensor (M00) when
    // machining (nothing in test mode).
    auto cylinderWait = [&] {
        if (s.gPositionDetectMode != 0)
            out << "G04 P" + F0(s.gPositionDetectDelay);
        else if (s.gRunMode == 0)
            out << "M00";
    };
    auto swingAsP = [&](int e) {
        if (e == 1 || std::fabs(Rangle) >= 90)
            out << "A" + F4(Rangle) + " F" + feedA;
        else
            out << "A" + F4(-Rangle) + " F" + feedA;
    };

    // 8. The letters of the slotting sequence, pass by pass.
    for (int k = 1; k <= n; ++k) {
        for (char c : letters) {
            switch (c) {
            case 'P':
                swingAsP((s.gInvertEndSwing >= 1 && Ty == 3) ? 0 : 1);
                break;
            case 'N':
                if (Ty == 1) {
                    out << "A" + F4(Rangle) + " F" + feedA;
                } else if (Ty == 2) {
                    double a = Rangle < 180 ? -Rangle : 360 - Rangle;
                    out << "A" + F4(a) + " F" + feedA;
                } else if (Ty == 3) {
                    swingAsP(s.gInvertEndSwing >= 1 ? 0 : 1);
                }
                break;
            case 'U':
                if (s.gCutterUpDownMode == 0) {
                    out << "M14";
                    cylinderWait();
                    out << "M15";
                } else if (s.gCutterUpDownMode == 1) {
                    out << "G05 Z0 F00000000" + feedZ << "G01";
                }
                break;
            case 'D':
                if (s.gCutterUpDownMode == 0) {
                    out << "M12";
                    cylinderWait();
                    out << "M13";
                } else if (s.gCutterUpDownMode == 1) {
                    if (FBtype == 0)
                        out << "G05 Z" + F4(s.gDownDistFront) + " F00000000" + feedZ;
                    else if (FBtype == 1)
                        out << "G05 Z" + F4(s.gDownDistBack) + " F00000000" + feedZ;
                    out << "G01";
                }
                break;
            case 'F':
                if (k > cuts)
                    out << "A" + F4(s.gCutOffStroke) + " F" + feedA + " ;切断";
                else
                    out << "A" + F4(s.gCutStrokes[static_cast<std::size_t>(k - 1)]) + " F" + feedA +
                               " ;第" + Str(k) + "刀";
                break;
            case 'B':
                if (s.gCutterUpDownMode == 1 || k == n) out << "A0 F" + feedA;
                break;
            default:
                break;
            }
        }
    }

    // 9. Cutter rotation off.
    if (s.gCutterRotateMode == 0) out << "M11";

    // 10. Swing axis back.
    if (s.gAxisKindA == 0) {
        if (s.gSlotSides == 0) {
            if (Rangle < 90 && s.gSwingModeP == 0)
                out << "A0 F" + feedA;
            else if (Rangle >= 90 && s.gSwingModeN == 0)
                out << "A180 F" + feedA;
        } else if (s.gSlotSides == 1) {
            if (s.gSwingModeP == 0) out << "A0 F" + feedA;
        }
    }

    // 11. Pressing off.
    out << "M17" << "G04 P500";
}

}  // namespace velbend
