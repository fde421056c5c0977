#include "velbend/machine/run_state.h"

#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/machine/cutter_back.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/program.h"

namespace velbend {

void RunState::AppendCompPoint(double pos, double comp) {
    if (static_cast<std::size_t>(mCompPointLast) < mCompPoints.size())
        mCompPoints.resize(static_cast<std::size_t>(mCompPointLast));
    mCompPoints.push_back(CompPoint{pos, comp});
    mCompPointLast = static_cast<int16_t>(mCompPoints.size());
}

bool AnyRunFlag(const RunState& run) {
    return run.gRunning == kTrue || run.gSlotRunning == kTrue || run.gTestRunning == kTrue;
}

bool IsMachineBusy(const RunState& run) { return AnyRunFlag(run) || run.gHomeState != 0 || run.mBendHomePhase != 0; }

namespace {

// A cutter stroke started by hand that its end sensor has still to end (the
// run timer watches the sensors only while the cylinder is detected by them).
bool CutterStrokePending(const MachineContext& ctx) {
    return ctx.run.gCylinderBusy == 1 && CylinderEndsOnSensors(ctx.sys());
}

}  // namespace

MachineState StateOf(MachineContext& ctx) {
    const auto& run = ctx.run;
    if (AnyRunFlag(run)) return run.mPaused == 1 ? MachineState::Paused : MachineState::Running;
    if (run.gHomeState != 0 || run.mBendHomePhase != 0) return MachineState::SeekingZero;
    if (run.mJogDirection != 0 || run.gPendingComp > 0.1 || CutterStrokePending(ctx) || Axis_Status(ctx) != 0)
        return MachineState::Moving;
    return MachineState::Idle;
}

void ClearProgramFlags(RunState& run) {
    run.mPaused = 0;
    run.mSensorWait = 0;
    run.mDwellTicks = 0;
    run.mFeedCheckPos = 0;
    run.mFeedCheck = {};
    run.mEquivalentTold = 0;
}

void EndProgram(RunState& run) {
    run.gRunning = kFalse;
    run.gSlotRunning = kFalse;
    run.gTestRunning = kFalse;
    run.mCycleCount = -1;
    run.mStepMode = 0;
    run.mProgramStarter = Starter::None;
    ClearProgramFlags(run);
}

bool ProgramDone(const RunState& run) {
    return run.gNcLineIndex == run.gNcLineCount && run.mDwellTicks == 0 && run.mSensorWait == 0 &&
           run.mFeedCheck.pending == 0 && run.gHomeState == 0 && run.mBendHomePhase == 0;
}

void EndSeekZero(RunState& run) {
    run.gHomeState = 0;
    run.gHomeStarted = 0;
    run.mBendHomePhase = 0;
    run.mHomeStarter = Starter::None;
}

bool Admits(MachineState state, CommandClass command) {
    switch (command) {
        case CommandClass::EndMotion:
        case CommandClass::Look:
            return true;
        case CommandClass::StartMotion:
        case CommandClass::ChangeProgram:
            return state == MachineState::Idle;
    }
    return false;
}

bool MayAct(MachineContext& ctx, CommandClass command) {
    if (command == CommandClass::EndMotion || command == CommandClass::Look) return true;
    return Admits(StateOf(ctx), command);
}

LoadResult LoadNcProgram(RunState& run) { return LoadNcProgram(run, ProgramFile("G5.dat")); }

LoadResult LoadNcProgram(RunState& run, const std::filesystem::path& file) {
    run.gNcLines.clear();
    run.gNcLineCount = 0;
    run.gNcLineIndex = 0;
    auto reader = LineReader::Open(file);
    if (!reader) return LoadResult::Missing;
    while (auto line = reader->Next()) {
        run.gNcLines.emplace_back(*line);
        run.gNcLineCount = static_cast<int16_t>(run.gNcLines.size());
        // A program reaching 30000 lines is refused; the buffer keeps the
        // lines read so far.
        if (run.gNcLines.size() >= static_cast<std::size_t>(RunState::kTooLongLines))
            return LoadResult::TooLong;
    }
    return LoadResult::Loaded;
}

int16_t Axis_Status(MachineContext& ctx) {
    auto& run = ctx.run;
    // A refused query (no card) answers nothing: it reads as idle, never as
    // whatever gCardRet held before.
    for (int16_t n = 1; n <= 4; ++n) {
        run.gCardRet = 0;
        ctx.card.get_status(0, n, &run.gCardRet);
        if (run.gCardRet != 0) return n;
    }
    run.gCardRet = 0;
    ctx.card.get_inp_status(0, &run.gCardRet);
    if (run.gCardRet == 1) return 5;
    if (ctx.card.read_fifo_empty(0) == 0) return 6;
    return 0;
}

void Command_Pause_Click(MachineContext& ctx) { ctx.run.mPaused = 1; }

void StepCommand_Click(MachineContext& ctx) { ctx.run.mStepMode = ctx.run.mStepMode == 0 ? 1 : 0; }

namespace {

// The main window's display of a run, put away at its end.
void PutRunDisplayAway(MachineContext& ctx) {
    auto& panel = ctx.panel;
    panel.Shape2.Visible = false;
    panel.Shape3.Visible = false;
    if (panel.Check3 == 1) panel.Check3Enabled = true;
}

}  // namespace

void ProgramFinished(MachineContext& ctx) {
    ctx.run.gNcLineIndex = 0;
    EndProgram(ctx.run);
    PutRunDisplayAway(ctx);
    if (ctx.hooks.BuildDisplayList) ctx.hooks.BuildDisplayList(0);
}

void ProgramStopped(MachineContext& ctx) {
    // Files: every writer here writes whole files at once; nothing is open.
    ctx.card.reset_fifo(0);
    // The axes, the outputs and the run, seek-zero, test and calibration
    // state stop as the dialogs' Stop stops them.
    DialogStop(ctx);
    PutRunDisplayAway(ctx);
}

void Command_Stop_Click(MachineContext& ctx) {
    auto& run = ctx.run;
    ProgramStopped(ctx);

    if (ctx.hooks.DiscardPicks) ctx.hooks.DiscardPicks();
    if (ctx.hooks.BuildDisplayList) ctx.hooks.BuildDisplayList(0);

    auto& panel = ctx.panel;
    panel.List1.clear();
    panel.Label4[1].clear();
    panel.Label4[2].clear();

    run.mLengthComp = 0.0;
    run.mCompPointLast = 0;
    run.mCompPoints.clear();

    panel.TshFrameVisible = false;
}

}  // namespace velbend
