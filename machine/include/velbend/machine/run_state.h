// Run state: the program line buffer, the run flags, pause and single step,
// the seek-zero state and the run-timer state that every producer of motion
// shares.  One RunState lives in the MachineContext (program.h) for the
// program's whole life and starts at 0 / empty.
//
// Flags: 16-bit integers holding 0 (False) or -1 (True).  Every test of a
// run flag compares it with kTrue exactly (a flag holding 1 is not on).
//
// Loading a program (the contract for every producer: Run, the calibration
// tests, the dialogs' test buttons):
//   1. write G5.dat whole (ProgramLines::WriteTo, line_sink.h) and, when that
//      fails, tell the operator and stop;
//   2. LoadNcProgram(run): fills gNcLines from G5.dat, gNcLineCount := lines,
//      gNcLineIndex := 0; refuses a program of 30000 lines or more;
//   3. start from a machine on which no program has run (ClearProgramFlags),
//      reset what the producer's own run needs (mLastXPulses, ...);
//   4. record who started it (mProgramStarter) and set the producer's own run
//      flag to kTrue (gRunning, gSlotRunning or gTestRunning), only after the
//      buffer is filled.
//
// What each state owns.  Every flag of a program is set while it runs and
// cleared by EndProgram, whatever ends it (its last line, Stop, a dialog's
// Stop, a refused line, the window closing): the operator's pause, the wait
// for a cutter sensor, a dwell, single step, a pending feed check, who
// started it.  A seek zero records who started it (mHomeStarter) and
// forgets it when it ends.
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace velbend {

struct MachineContext;

inline constexpr int16_t kTrue = -1;
inline constexpr int16_t kFalse = 0;

// One length-compensation point: beyond strip position Pos (mm) the offset
// Comp (mm) applies.
struct CompPoint {
    double Pos = 0;
    double Comp = 0;
};

// Who started a program or a seek zero.  A seek-zero button cancels only the
// seek zero of its own window; the Machine Adjust frame asks for a
// measurement only after its own test.
enum class Starter : int16_t {
    None,
    MainWindow,     // Run, the main window's seek-zero buttons
    MachineAdjust,  // the main window's test frame
    MachineSetup,   // the dialogs
    AxisSetup,
    Curvature,
    Operator,
    Program,        // a program's own seek zero (M36, M38, M40, M42)
};

// One correction of the feed by the encoder, made in rounds until the
// encoder shows what it should (feed_correction.h).  Pending is its own
// flag: a correction towards position 0 is one too.
struct EncoderRounds {
    int16_t pending = 0;    // 1 while the correction goes on
    double corrected = 0;   // the error (mm) its last round moved by
    int16_t rounds = 0;     // rounds moved so far
};

struct RunState {
    // A loaded program has fewer lines than this.
    static constexpr int kTooLongLines = 30000;

    // ---- program line buffer ------------------------------------------------
    // The machine program, one line per element in file order, as the bytes
    // read from G5.dat (GBK; the statements are ASCII, comments may not be).
    // Holds exactly gNcLineCount elements after a load.
    std::vector<std::string> gNcLines;
    int16_t gNcLineCount = 0;   // lines loaded
    int16_t gNcLineIndex = 0;   // next line to execute; == gNcLineCount when all handed on

    // ---- run flags (kTrue / kFalse) ----------------------------------------
    int16_t gRunning = 0;       // machining run (Run button)
    int16_t gSlotRunning = 0;   // program started from a setup/operator dialog (slotting tests, marking line)
    int16_t gTestRunning = 0;   // test program (calibration tests, bending test, tool setting)

    // ---- seek zero ---------------------------------------------------------
    // 0 idle; 1..4 axis n searches its zero switch; 5..8 axis n-4 makes its
    // zero-compensation move.  A starter sets gHomeState := n and
    // gHomeStarted := 1 after starting the search move; the run timer counts
    // gHomeStarted down (one tick skipped) and finishes the seek zero.
    int16_t gHomeState = 0;
    int16_t gHomeStarted = 0;
    // Bend-axis seek-zero phase: -1 while the bend axis makes the move that
    // precedes its zero search, else 0.
    int16_t mBendHomePhase = 0;
    // 0 until the bend axis has finished a seek zero; -1 from then on.
    int16_t mBendHomed = 0;
    // 1 when M36 starts the feed-axis seek zero (lets it pass the busy test).
    int16_t mSeekFromProgram = 0;
    // Who started the seek zero in progress (None while gHomeState and
    // mBendHomePhase are 0).
    Starter mHomeStarter = Starter::None;

    // ---- jog ---------------------------------------------------------------
    // Direction of the endless feed jog that a jog press started (1 forward,
    // -1 backward, 0 none); a release stops only the jog of its own press.
    int16_t mJogDirection = 0;
    // 1 when that jog was started by an external button (input 18 or 19),
    // 0 by a screen button: each release stops only its own press's jog.
    int16_t mJogFromInput = 0;
    // mStops at that jog's press (LetGoOfJog, dialog_motion.h).
    uint32_t mJogStops = 0;
    // Stops made so far (every Stop, a refused line's among them): a jog
    // whose press came before the last Stop has been ended by it, and its
    // release must not stop a jog started since (LetGoOfJog).
    uint32_t mStops = 0;

    // ---- cutter cylinder ---------------------------------------------------
    // 1 while a manually started cylinder stroke (output 1 or 2) waits for
    // its end sensor; the run timer switches the output off and clears it.
    int16_t gCylinderBusy = 0;
    // 1 when the operator declared the awaited cylinder sensor reached
    // (Label3 click at user level 2); cleared when used.
    int16_t mSensorOverride = 0;

    // ---- card read-back ----------------------------------------------------
    int32_t gCardRet = 0;       // shared out-parameter of card queries
    int32_t gEncoderCount = 0;  // actual position of axis 1, refreshed every tick

    // ---- operator dialog's feed test --------------------------------------
    double  gPendingComp = 0;   // feed length (mm) to reach on the encoder; 0.1 or less: none
    int16_t gCompWaitTicks = 0; // idle ticks before the next correction
    EncoderRounds mCompCheck;   // the rounds of the correction towards gPendingComp

    // ---- execution ---------------------------------------------------------
    int16_t mPaused = 0;        // 1 while the operator's Pause holds execution
    // The output (1 cutter out, M12; 2 cutter back, M14) whose end sensor the
    // program waits for, 0 none: part of running, apart from the operator's
    // pause, and ended only by that stroke's own sensor.
    int16_t mSensorWait = 0;
    int16_t mDwellTicks = 0;    // ticks to wait before the next line (G04, M34)
    int16_t mStepMode = 0;      // 1 in single-step mode
    // Calibration mode: the test chosen in the test frame (0 none); read at
    // the end of a test run.
    int16_t mDebugMode = 0;
    int16_t mCycleCount = 0;    // cycle counter of the running program, -1 none
    Starter mProgramStarter = Starter::None;  // who started the loaded program
    int32_t mFeedCheckPos = 0;  // command position of axis 1 saved by M34/M35: where the feed is to stand
    EncoderRounds mFeedCheck;   // the M34 check towards mFeedCheckPos under way
    // 1 once the program has said that its feed checks cannot be made (an
    // equivalent is 0): said once, not at every check.
    int16_t mEquivalentTold = 0;

    // ---- interpreter -------------------------------------------------------
    int32_t mLastXPulses = 0;   // X and Y as last commanded, pulses
    int32_t mLastYPulses = 0;
    std::array<std::pair<int32_t, int32_t>, 501> mInterpPoints{};  // XY polyline of one run
    int16_t mInterpCount = 0;   // index of its last point
    std::string mLastNcX, mLastNcY;  // X / Y word texts seen by X_Only
    int16_t mExtFeedInput = 0;       // last values of inputs 18 and 19
    int16_t mExtRetractInput = 0;

    // ---- length compensation of the loaded machining program ---------------
    // Written by Run.  mCompPoints holds the appended points in order;
    // mCompPointLast is their number (the next index to fill), so the
    // points in use are mCompPoints[0 .. mCompPointLast-1].  The table grows
    // as needed.
    double mLengthComp = 0;
    std::vector<CompPoint> mCompPoints;
    int16_t mCompPointLast = 0;
    // Appends (pos, comp) and keeps mCompPointLast in step.
    void AppendCompPoint(double pos, double comp);
};

// True when a run flag equals kTrue (gRunning, gSlotRunning, gTestRunning,
// tested in that order) or a seek zero is active (gHomeState != 0, or the
// bend axis makes the move before its zero search, mBendHomePhase != 0).
// It does not see an axis moving without a program (a held jog, a step):
// whether a command may act is MayAct's answer below, not this one's.
bool IsMachineBusy(const RunState& run);
// True when a run flag (gRunning, gSlotRunning, gTestRunning) equals kTrue.
bool AnyRunFlag(const RunState& run);

// ---- What the machine's state admits ------------------------------------
//
// The one answer to "may this command act now?".  Every handler that starts
// motion or a program, or changes what a program is made from, asks MayAct
// first and does nothing when it says no (its own refusals, messages and
// exceptions come on top: Run while paused resumes, Stop is never refused).
//
//   state         when
//   Idle          none of the rows below
//   Moving        an axis moves without a program: a jog held (screen
//                 button, external input 18 or 19, a dialog's hold), a step,
//                 a rotate, a tool move (Axis_Status != 0 or mJogDirection
//                 != 0, no run flag set); an encoder correction pending
//                 (gPendingComp); a cutter stroke started by hand that its
//                 sensor has not ended (gCylinderBusy with the cutter's
//                 sensors in use)
//   SeekingZero   gHomeState != 0 or the bend axis's move before its search
//   Running       gRunning, gSlotRunning or gTestRunning true, not paused
//                 (a dwell and the wait for a cutter sensor are running)
//   Paused        a run flag true and the operator's Pause (mPaused 1)
//
//   command class   examples                                 admitted in
//   EndMotion       Stop, a jog's release, a seek-zero       every state
//                   button's cancel of its own seek zero,
//                   the cutter-back buttons of the IO and
//                   machine setup dialogs
//   StartMotion     Run, jog presses, seek-zero starts,      Idle
//                   test and calibration buttons, rotate,
//                   step, pressing, cutter out, Machine
//                   Adjust
//   ChangeProgram   Open, Close, Mirror, node edits, picks,  Idle
//                   Cancel Select, Contour offset, the
//                   group switch and copies, every
//                   parameter Save and calibration
//                   correction
//   Look            zoom, pan, List1, the language, opening  every state
//                   a dialog, the IO monitor
enum class MachineState { Idle, Moving, SeekingZero, Running, Paused };
enum class CommandClass { EndMotion, StartMotion, ChangeProgram, Look };

// The state now.  The run flags, the seek zero, a held jog, a pending
// correction and a cutter stroke are read from the run state; only when none
// is on is the card asked (Axis_Status).
MachineState StateOf(MachineContext& ctx);
// The table above.
bool Admits(MachineState state, CommandClass command);
// Admits(StateOf(ctx), command); a class admitted in every state asks
// nothing of the card.
bool MayAct(MachineContext& ctx, CommandClass command);

enum class LoadResult {
    Loaded,    // buffer filled, gNcLineIndex = 0
    Missing,   // G5.dat could not be read: buffer emptied, count 0
    TooLong,   // 30000 lines or more: the buffer holds the first 30000 lines
};
// The end of a program, whatever ends it: the run flags off, the cycle
// count -1, and every flag the program owned cleared (ClearProgramFlags,
// single step, its starter).  The buffer and its index are kept (a run
// ending by itself sets the index back to 0); the seek zero, the axes and
// the outputs are the caller's (DialogStop stops them).
void EndProgram(RunState& run);
// The flags a program owns, as on a machine on which none has run: the
// operator's pause, the wait for a cutter sensor, a dwell, a pending feed
// check, the zero-equivalent message told.  Every loader starts from here; single step, which the operator
// may choose before a start, is left to EndProgram.
void ClearProgramFlags(RunState& run);
// True when the loaded program has nothing left to do of its own: every
// line handed on, no dwell, no sensor wait, no feed check pending, no seek
// zero.
bool ProgramDone(const RunState& run);
// The end of a seek zero (finished, cancelled or stopped): gHomeState,
// gHomeStarted and the bend axis's phase 0, its starter forgotten.
void EndSeekZero(RunState& run);

// Step 2 of the loading contract: G5.dat (default: in the program folder)
// into gNcLines.  Touches nothing else; the caller sets its run flag on
// Loaded and reports the other results (Run shows "Machining Code is too
// long!").
LoadResult LoadNcProgram(RunState& run);
LoadResult LoadNcProgram(RunState& run, const std::filesystem::path& file);

// First moving thing on card 0: 1..4 the first axis whose get_status is not
// 0; 5 an interpolation in progress (get_inp_status == 1); 6 the
// interpolation FIFO still holds moves; 0 everything idle.  The answers go
// through run.gCardRet; a query the card refuses reads as idle.
int16_t Axis_Status(MachineContext& ctx);

// Pause: mPaused := 1.  Nothing is sent to the card; the move in progress
// ends and no further line is handed on, also after a cutter sensor the
// program waits for has answered.  Run resumes.
void Command_Pause_Click(MachineContext& ctx);

// Single step on/off (mStepMode 0 <-> 1).
void StepCommand_Click(MachineContext& ctx);

// How a program ends, whatever kind it is, in two calls and nowhere else:
// - ProgramFinished: it handed on its last line and every axis stands:
//   the index back to 0, EndProgram, and the main window's run display put
//   away (the strip and cutter markers hidden, Check3 free again, the
//   drawing rebuilt).  The caller says the end message.
// - ProgramStopped: it is stopped before that (a refused line, a feed
//   correction that does not converge, Stop): the interpolation FIFO reset,
//   DialogStop, and the same run display put away.
void ProgramFinished(MachineContext& ctx);
void ProgramStopped(MachineContext& ctx);

// Stop: resets the card's interpolation FIFO, then does what the dialogs'
// Stop does (DialogStop: every moving axis decelerated, outputs 0..7 off,
// the zero-switch stop of a search cut short switched off, the program
// ended (EndProgram), the seek zero ended, mSeekFromProgram, mJogDirection,
// gCylinderBusy, the calibration mode mDebugMode and the dialog's encoder
// correction cleared); discards the picked contours (hooks), rebuilds
// the drawing, clears List1, the length captions and the markers,
// mLengthComp and the compensation points, re-enables Check3 and hides the
// test frame.  The buffer's lines are kept.
void Command_Stop_Click(MachineContext& ctx);

}  // namespace velbend
