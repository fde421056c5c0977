// Starting a program built in memory: the loading contract of run_state.h
// in one place, for the test buttons of the dialogs and the calibration
// tests.
//
//   1. the program must fit the line buffer (fewer than 30000 lines), else
//      "Machining Code is too long!" and nothing is written;
//   2. G5.dat is written whole (atomically); a failed write is reported and
//      nothing starts, so an older G5.dat never runs in its place;
//   3. G5.dat is loaded into gNcLines;
//   4. the producer's run flag (gSlotRunning, gTestRunning or gRunning)
//      becomes kTrue, and mLastXPulses / mLastYPulses start at 0.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"

namespace velbend {

// Which run flag a started program sets.
enum class RunFlag { Running, SlotRunning, TestRunning };

// True when the program was written, loaded and its flag set.  The busy
// test is the caller's (IsMachineBusy before building the program).
bool StartProgram(MachineContext& ctx, const ProgramLines& program, RunFlag flag);

// Steps 3 and 4 without the flag, for a producer that writes G5.dat
// itself (Run): loads `g5` into gNcLines with the message of a program too
// long or unreadable; true when loaded, and then mLastXPulses and
// mLastYPulses are 0 and mPaused is 0 (a program starts unpaused).
bool LoadWrittenProgram(MachineContext& ctx, const std::filesystem::path& g5);

// The messages of a start that failed.
void ReportProgramTooLong(MachineContext& ctx);
void ReportProgramNotWritten(MachineContext& ctx, const std::string& reason);
void ReportProgramNotRead(MachineContext& ctx);

}  // namespace velbend
