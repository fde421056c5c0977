// Starting a program built in memory: the loading contract of run_state.h
// in one place, for the test buttons of the dialogs and the calibration
// tests.
//
//   1. the program must fit the line buffer (fewer than 30000 lines), else
//      "Machining Code is too long!" and nothing is written; every speed it
//      moves an axis at must give a pulse a second (ProgramSpeedsUsable),
//      and every motion it makes must be one the machine can do
//      (ProgramMotionsUsable);
//   2. G5.dat is written whole (atomically); a failed write is reported and
//      nothing starts, so an older G5.dat never runs in its place;
//   3. G5.dat is loaded into gNcLines;
//   4. the program starts from the flags of a machine on which none has run
//      (ClearProgramFlags), mLastXPulses / mLastYPulses at 0; its starter is
//      recorded and the producer's run flag (gSlotRunning, gTestRunning or
//      gRunning) becomes kTrue.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"

namespace velbend {

// True when every axis a line of `program` moves has an automatic speed of
// at least one pulse a second (an axis without a pulse equivalent moves no
// pulse and is not asked; the others ask the motion check, MotionAllowed);
// else its one message names the first axis and speed at fault.  Every
// program asks it before G5.dat is written, so nothing crawls.
bool ProgramSpeedsUsable(MachineContext& ctx, const ProgramLines& program);

// True when every seek zero the program starts (M36 feed, M38 bend, M40
// cutter, M42 swing) may start (SeekZeroUsable: its compensation, and the
// feed's retract, within what the machine can do); else the message of the
// first refused one.  Run asks it, as every program started here does.
bool ProgramSeekZerosUsable(MachineContext& ctx, const ProgramLines& program);
// The check of a program made from table and box values before it starts:
// its seek zeros (ProgramSeekZerosUsable), every word within what the
// machine can do (the interpreter's range check, speeds aside), and the
// feed: no X target behind where the feed began (its "G92 X" value, 0
// before any), no X step beyond +-100000 mm or the card's count.  Else one
// message names the line, its number and the word at fault.
// `fromStart` false: a machining run, whose cutter zones may take the feed
// behind the start of its last piece, is asked only for the machine's range.
bool ProgramMotionsUsable(MachineContext& ctx, const ProgramLines& program, bool fromStart);

// Which run flag a started program sets.
enum class RunFlag { Running, SlotRunning, TestRunning };

// True when the program was written, loaded and its flag set: every
// program starts here, Run's included.  A machining run (RunFlag::Running)
// is asked only for the machine's range, every other program also for a
// feed never behind where it began.  Whether the machine's state admits
// the start is the caller's question (MayAct, before building the program).
// Run sets up what is its own (markers, the bender's ring) once this
// succeeds.
bool StartProgram(MachineContext& ctx, const ProgramLines& program, RunFlag flag, Starter starter);

// G5.dat replaced by `program` (atomically); a failed write is told and
// keeps the old file.
bool WriteProgram(MachineContext& ctx, const std::filesystem::path& g5, const ProgramLines& program);

// Steps 3 and 4 without the flag: loads `g5` into gNcLines with the message of a program too
// long or unreadable; true when loaded, and then mLastXPulses and
// mLastYPulses are 0, the program's flags as on a fresh machine (a program
// starts unpaused, with no dwell, wait or feed check) and its starter
// recorded.
bool LoadWrittenProgram(MachineContext& ctx, const std::filesystem::path& g5, Starter starter);

// The messages of a start that failed.
void ReportProgramTooLong(MachineContext& ctx);
void ReportProgramNotWritten(MachineContext& ctx, const std::string& reason);
void ReportProgramNotRead(MachineContext& ctx);

}  // namespace velbend
