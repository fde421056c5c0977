#include "velbend/machine/run_timer.h"

#include <cmath>

#include "velbend/common/numtext.h"
#include "velbend/machine/cutter_back.h"
#include "velbend/machine/feed_correction.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/params/sysfile.h"

namespace velbend {
namespace {

void Message(MachineContext& ctx, const char* zh, const char* en) {
    ctx.op.MsgBox(ctx.Tr(zh, en), MsgButtons::Ok, MsgIcon::None, "");
}

// Axis position in mm (or degrees) from pulses; 0 while the axis has no
// pulse equivalent.
double ToLength(MachineContext& ctx, int axis, double pulses) {
    double pe = ctx.axis(axis).PulseEquivalent;
    return pe == 0 ? 0.0 : pulses / pe;
}

// 1. Step-test controls.
void StepControls(MachineContext& ctx) {
    auto& panel = ctx.panel;
    if (ctx.sys().gRunMode == 1) {
        if (!panel.StepTextVisible) {
            panel.StepCommandVisible = true;
            panel.StepTextVisible = true;
        }
        panel.StepCommandCaption = "单步测试" + Format(ctx.run.mStepMode, "0");
    } else if (panel.StepTextVisible) {
        panel.StepCommandVisible = false;
        panel.StepTextVisible = false;
        // Step mode goes with its button: no later run waits for a step.
        ctx.run.mStepMode = 0;
    }
}

// 2. External feed and retract buttons (active low).
void ExternalButtons(MachineContext& ctx) {
    auto& run = ctx.run;
    const int16_t in18 = static_cast<int16_t>(ctx.card.read_bit(0, 18));
    const int16_t in19 = static_cast<int16_t>(ctx.card.read_bit(0, 19));
    if (in18 != run.mExtFeedInput) {
        if (in18 == 0) ExternalJogPress(ctx, 1);
        else ExternalJogRelease(ctx, 1);
        run.mExtFeedInput = in18;
    }
    if (in19 != run.mExtRetractInput) {
        if (in19 == 0) ExternalJogPress(ctx, -1);
        else ExternalJogRelease(ctx, -1);
        run.mExtRetractInput = in19;
    }
}

// 3. Position and speed boxes.
void PositionBoxes(MachineContext& ctx) {
    auto& run = ctx.run;
    auto& panel = ctx.panel;
    std::string* boxes[4] = {&panel.TextX, &panel.TextY, &panel.TextZ, &panel.TextA};
    for (int n = 1; n <= 4; ++n) {
        ctx.card.get_command_pos(0, n, &run.gCardRet);
        *boxes[n - 1] = Format(ToLength(ctx, n, run.gCardRet), "0.00");
    }
    ctx.card.get_speed(0, 1, &run.gCardRet);
    panel.TextF = Format(ToLength(ctx, 1, run.gCardRet) * 60.0, "0.0");
}

// 4. Remaining length.  It counts down from the job length that Run
// recorded, whatever the caption says by now (the piece count may have been
// changed meanwhile).
void RemainingLength(MachineContext& ctx) {
    auto& run = ctx.run;
    auto& panel = ctx.panel;
    ctx.card.get_actual_pos(0, 1, &run.gEncoderCount);
    ctx.card.get_command_pos(0, 1, &run.gCardRet);
    const double fed = ToLength(ctx, 1, run.gCardRet);
    if (panel.Label4[2].empty()) {
        panel.Label4[3].clear();
    } else {
        const double job = run.gRunning == kTrue ? ctx.writer.mJobLength : Val(panel.Label4[2]);
        double d = job - fed;
        std::string text = Format(d, "0.0000") + "  mm";
        if (std::fabs(run.mLengthComp) > 0.01) text += "  补偿长度 " + Format(-run.mLengthComp, "0.0000");
        panel.Label4[3] = std::move(text);
    }
}

// 5. IO lamps.
void Lamps(MachineContext& ctx) {
    auto& lamps = ctx.panel.Shape1;
    lamps[0] = ctx.card.get_out(0, 0) != 0 ? MainPanel::kLampRed : MainPanel::kWindowBackground;
    lamps[1] = ctx.card.get_out(0, 3) != 0 ? MainPanel::kLampRed : MainPanel::kWindowBackground;
    const int zeroSwitch[4] = {2, 8, 14, 20};
    for (int i = 0; i < 4; ++i)
        lamps[static_cast<std::size_t>(i + 2)] =
            ctx.card.read_bit(0, zeroSwitch[i]) == 1 ? MainPanel::kWindowBackground : MainPanel::kLampGreen;
}

// 7. Seek-zero continuation.
void SeekZeroContinuation(MachineContext& ctx) {
    auto& run = ctx.run;
    if (run.gHomeStarted > 0) {
        --run.gHomeStarted;
        return;
    }
    if (run.gHomeState < 1 || run.gHomeState > 8) return;
    const int n = (run.gHomeState - 1) % 4 + 1;
    ctx.card.get_status(0, n, &run.gCardRet);
    if (run.gCardRet != 0) return;
    const auto& ax = ctx.axis(n);
    auto compensation = [&] {
        SetAxisMotion(ctx, n, ax.ZeroCompFeedrate);
        ctx.card.pmove(0, n, CardInt(ax.ZeroCompDistance * ax.PulseEquivalent));
    };
    if (n == 1 && ctx.sys().gFeedRetract >= 0.5) {
        // The feed axis without a zero switch: no stop mode, no zeroing.
        compensation();
        EndSeekZero(run);
        return;
    }
    if (run.gHomeState <= 4) {
        ctx.card.set_stop0_mode(0, n, 0, 0);
        compensation();
        run.gHomeState = static_cast<int16_t>(n + 4);
    } else {
        ctx.card.set_command_pos(0, n, 0);
        ctx.card.set_actual_pos(0, n, 0);
        EndSeekZero(run);
        if (n == 2) run.mBendHomed = kTrue;
    }
}

// 8. Cylinder cutter: the end sensor of a stroke releases the program and
// the manual stroke that wait for that stroke (not for the other one): a
// Cutter Back pressed while the program waits for its own cutter back ends
// both.  An operator's pause stays.
void CylinderSensors(MachineContext& ctx) {
    auto& run = ctx.run;
    const auto& sys = ctx.sys();
    if (!CylinderEndsOnSensors(sys)) return;
    const int outputs[2] = {1, 2};
    const int sensors[2] = {16, 17};
    for (int i = 0; i < 2; ++i) {
        if (ctx.card.get_out(0, outputs[i]) != 1) continue;
        if (ctx.card.read_bit(0, sensors[i]) != 0 && run.mSensorOverride != 1) continue;
        run.mSensorOverride = 0;
        if (run.mSensorWait == outputs[i] || run.gCylinderBusy == 1) ctx.card.write_bit(0, outputs[i], 0);
        if (run.mSensorWait == outputs[i]) run.mSensorWait = 0;
        run.gCylinderBusy = 0;
    }
}

// 9. Position markers.  L is the fed length in mm; returns it moved onto
// the outline (pieces and length compensation taken into account).  A
// machining run's pieces are those Run recorded.
double OutlineLength(MachineContext& ctx, double L) {
    const auto& run = ctx.run;
    const auto& panel = ctx.panel;
    const auto& w = ctx.writer;
    const bool recorded = run.gRunning == kTrue;
    const double c = recorded ? w.mRunPieces : Val(panel.Text5);
    double tail = run.mLengthComp;
    if (c >= 2) {
        const double s = recorded ? w.mRunSplice : Val(panel.Text4);
        const double P = (recorded ? w.mRunPieceLength : Val(panel.Label4[1])) - run.mLengthComp / c;
        if ((c - 1) * s + c * P > L && L > P && P + s > 0) {
            while (L > P) L -= P + s;
        }
        tail = run.mLengthComp / c;
    }
    const auto& pts = run.mCompPoints;
    const std::size_t used = std::min<std::size_t>(pts.size(), static_cast<std::size_t>(
                                                                    run.mCompPointLast < 0 ? 0 : run.mCompPointLast));
    for (std::size_t k = 0; k < used; ++k) {
        if (pts[k].Pos > L) return k > 0 ? L + pts[k - 1].Comp : L;
    }
    return L + tail;
}

void PlaceMarker(MachineContext& ctx, PanelMarker& m, double L) {
    const auto& panel = ctx.panel;
    const auto& table = ctx.mPathTable;
    const std::size_t count =
        std::min<std::size_t>(table.size(), static_cast<std::size_t>(ctx.mPathPointCount < 0 ? 0 : ctx.mPathPointCount));
    m.Width = 12;
    m.Height = 12;
    if (count == 0 || panel.gViewWidth <= 0 || panel.gViewAspect <= 0) return;
    const double sx = panel.Picture1Width / panel.gViewWidth;
    const double sy = panel.Picture1Height / (panel.gViewAspect * panel.gViewWidth);
    std::size_t at = 0;
    for (std::size_t i = 1; i < count; ++i) {
        if (table[i].Length - 0.01 <= L) at = i;
        else break;
    }
    m.Left = (table[at].X - panel.gViewCenterX) * sx + panel.Picture1Width / 2 - m.Width / 2;
    m.Top = panel.Picture1Height / 2 - (table[at].Y - panel.gViewCenterY) * sy - m.Width / 2 - 4;
}

void Markers(MachineContext& ctx) {
    if (ctx.axis(1).PulseEquivalent == 0) return;
    ctx.card.get_command_pos(0, 1, &ctx.run.gCardRet);
    const double fed = ctx.run.gCardRet / ctx.axis(1).PulseEquivalent;
    PlaceMarker(ctx, ctx.panel.Shape2, OutlineLength(ctx, fed));
    double cutter = fed - ctx.sys().gBendToSlotDist;
    if (cutter < 0) cutter = 0;
    PlaceMarker(ctx, ctx.panel.Shape3, OutlineLength(ctx, cutter));
}

// 10. Handing on a line.
void HandOnLine(MachineContext& ctx) {
    auto& run = ctx.run;
    auto& panel = ctx.panel;
    if (!AnyRunFlag(run) || run.mPaused != 0 || run.mSensorWait != 0) return;
    if (Axis_Status(ctx) != 0) return;
    // A program's first moves of the bend axis start from where the axis
    // really stands.
    if (run.gNcLineIndex == 0) {
        ctx.card.get_command_pos(0, 2, &run.gCardRet);
        run.mLastYPulses = run.gCardRet;
    }
    if (run.mDwellTicks > 0) {
        --run.mDwellTicks;
        return;
    }
    if (run.gHomeState != 0) return;

    // A pending feed check is finished even after the last line was handed
    // on: a program ending in M34 must still come to its end, wherever the
    // feed stands (a strip fed back behind its start included).
    if (FeedCheckTick(ctx)) return;
    if (run.gNcLineIndex >= run.gNcLineCount) return;

    auto lineAt = [&](int16_t i) -> const std::string& {
        static const std::string kEmpty;
        return i >= 0 && static_cast<std::size_t>(i) < run.gNcLines.size() ? run.gNcLines[static_cast<std::size_t>(i)]
                                                                           : kEmpty;
    };
    if (lineAt(run.gNcLineIndex) == "G01") {
        ++run.gNcLineIndex;
        if (run.gNcLineIndex >= run.gNcLineCount) return;
    }
    const std::string line = lineAt(run.gNcLineIndex);
    if (run.mStepMode == 1) {
        panel.StepText = line + "      " + "0.000" + "      " + Format(run.mDebugMode, "0.000");
        return;
    }
    if (line == "M16") {
        ++run.mCycleCount;
        if (ctx.hooks.BuildDisplayList) ctx.hooks.BuildDisplayList(0);
    } else if (line == "M100") {
        --run.mCycleCount;
    }
    RunNcLine(ctx, line);
    if (run.gNcLineIndex < run.gNcLineCount) ++run.gNcLineIndex;
    if (panel.StepTextVisible) run.mStepMode = 1;
}

// 11. The end of a program, whatever kind: once it has handed on its last
// line, has nothing left of its own (dwell, sensor wait, feed check, seek
// zero) and every axis stands.  Its kind only chooses what follows: a
// machining run compares the strip it fed with the job length Run recorded
// (the comparison chooses the message, never whether it ends; its last
// moves, such as the swing back to 0, are its own); the Machine Adjust
// frame asks for the measured result where its own test needs one; any
// other test or a dialog's program just ends.  The pressing a dialog's
// program let go of is off by then; one that a program leaves on stays on,
// and the program ends all the same (nothing else would switch it off).
void ProgramEnd(MachineContext& ctx) {
    auto& run = ctx.run;
    auto& panel = ctx.panel;
    if (!AnyRunFlag(run) || !ProgramDone(run) || Axis_Status(ctx) != 0) return;
    if (run.gRunning == kTrue) {
        const double job = ctx.writer.mJobLength;
        ctx.card.get_command_pos(0, 1, &run.gCardRet);
        const double fed = ToLength(ctx, 1, run.gCardRet);
        // The strip the program fed, with what it left out on purpose
        // (cutter zones, length compensations): the job length when the
        // two agree.
        const double fedLength = fed + run.mLengthComp;
        const bool agree = std::fabs(job - fed - run.mLengthComp) < 0.1;
        ProgramFinished(ctx);
        if (agree) {
            Message(ctx, "加工完成！", "Work Finished！");
        } else {
            const std::string a = Format(fedLength, "0.0000"), b = Format(job, "0.0000");
            const std::string zh = "加工结束，但送料长度" + a + " mm与加工长度" + b + " mm不符！";
            const std::string en =
                "Work ended, but the fed length " + a + " mm differs from the job length " + b + " mm!";
            Message(ctx, zh.c_str(), en.c_str());
        }
        return;
    }
    if (run.gTestRunning != kTrue) {
        ProgramFinished(ctx);
        Message(ctx, "开槽完成！", "Work Finished！");
        return;
    }
    const bool frameTest = run.mProgramStarter == Starter::MachineAdjust;
    ProgramFinished(ctx);
    auto ask = [&](const char* zh, const char* en) {
        ctx.mAdjustGroup = ctx.params.gSysGroup;
        ctx.mAdjustTable = SysParaBytes(ctx.sys());
        panel.Label7 = ctx.Tr(zh, en);
        panel.Command5[0] = ctx.Tr("确认", "Enter");
        panel.Command5[1] = ctx.Tr("取消", "Cancel");
        panel.Text14Visible = true;
    };
    switch (frameTest ? run.mDebugMode : 0) {
        case 0:
            Message(ctx, "动作完成！", "Work Finished！");
            break;
        case 1:
            ask("请输入加工送料的实测长度：", "Please Input Actual Length：");
            run.mDebugMode = 4;
            panel.TshFrameVisible = true;
            panel.Text14.clear();
            break;
        case 2:
        case 7:
            ask("请对比加工结果，输入弯弧力度调整值：", "Please Input Adjust Value of Arc Power：");
            if (run.mDebugMode == 2) run.mDebugMode = 5;
            panel.TshFrameVisible = true;
            panel.Text14.clear();
            break;
        case 3:
            Message(ctx, "动作完成，请检查开槽深度并调整！", "Work Finished, Please Check Depth, Then Adjust!");
            run.mDebugMode = 0;
            break;
        default:
            break;
    }
}

}  // namespace

void Label3_Click(MachineContext& ctx) {
    if (ctx.params.gUserLevel == 2) ctx.run.mSensorOverride = 1;
}

void Timer2_Timer(MachineContext& ctx) {
    auto& run = ctx.run;
    StepControls(ctx);
    ExternalButtons(ctx);
    if (!ctx.secondBuild) PositionBoxes(ctx);
    RemainingLength(ctx);
    if (!ctx.secondBuild) Lamps(ctx);
    if (run.mBendHomePhase == kTrue) {
        ctx.card.get_status(0, 2, &run.gCardRet);
        if (run.gCardRet == 0) ContinueBendSeekZero(ctx);
    }
    SeekZeroContinuation(ctx);
    CylinderSensors(ctx);
    Markers(ctx);
    HandOnLine(ctx);
    ProgramEnd(ctx);
    DialogCorrectionTick(ctx);
}

}  // namespace velbend
