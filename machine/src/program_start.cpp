#include "velbend/machine/program_start.h"

#include "velbend/common/codepage.h"
#include "velbend/common/numtext.h"
#include "velbend/common/progdir.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/run_state.h"

namespace velbend {

void ReportProgramTooLong(MachineContext& ctx) {
    ctx.op.MsgBox(ctx.Tr("加工程序超长，请减少加工循环或缩短选择字形！", "Machining Code is too long!"),
                  MsgButtons::Ok, MsgIcon::None, "");
}

void ReportProgramNotWritten(MachineContext& ctx, const std::string& reason) {
    std::string text = ctx.Tr("无法写入加工程序 G5.dat！", "Cannot write the machining program G5.dat!");
    if (!reason.empty()) text += " " + reason;
    ctx.op.MsgBox(text, MsgButtons::Ok, MsgIcon::Critical, ctx.TitleWrong());
}

void ReportProgramNotRead(MachineContext& ctx) {
    ctx.op.MsgBox(ctx.Tr("无法读取加工程序 G5.dat！", "Cannot read the machining program G5.dat!"),
                  MsgButtons::Ok, MsgIcon::Critical, ctx.TitleWrong());
}

bool ProgramSpeedsUsable(MachineContext& ctx, const ProgramLines& program) {
    for (const std::string& line : program.lines()) {
        const NcWords w = SplitNcWords(line);
        for (int n = 1; n <= 4; ++n) {
            // An axis without a pulse equivalent gets no pulse from any
            // word: nothing of it can crawl.
            if (!MovesAxis(w, n) || ctx.axis(n).PulseEquivalent == 0) continue;
            // The card moves the axis at its automatic speed (the lines' F
            // words are that speed as written).
            MotionAsk ask;
            ask.axis = n;
            ask.feedPerMinute = ctx.axis(n).AutoFeedrate;
            ask.speed = SpeedSource::Automatic;
            if (!MotionAllowed(ctx, ask)) return false;
        }
    }
    return true;
}

bool ProgramSeekZerosUsable(MachineContext& ctx, const ProgramLines& program) {
    for (const std::string& line : program.lines()) {
        const NcWords w = SplitNcWords(line);
        if (!w.hasM) continue;
        const std::string& m = w.M;
        const int n = m == "36" ? 1 : m == "38" ? 2 : m == "40" ? 3 : m == "42" ? 4 : 0;
        // A program's feed seek zero retracts at the main window's jog speed.
        if (n != 0 && !SeekZeroUsable(ctx, n, Val(ctx.panel.Text2))) return false;
    }
    return true;
}

namespace {

// The refusal of a line before its program starts: its number, the word at
// fault and the line.
void RefuseBeforeStart(MachineContext& ctx, std::size_t index, const std::string& line, const std::string& word,
                       bool behind) {
    const std::string n = std::to_string(index + 1), w = GbkToUtf8(word), text = GbkToUtf8(line);
    const std::string zh = "程序第" + n + "行" + (behind ? "会使送料后退" : "超出机床的范围") + "（" + w +
                           "），程序未启动：" + text;
    const std::string en = "Line " + n + " of the program " +
                           (behind ? "would feed the strip backwards" : "is beyond what the machine can do") + " (" +
                           w + "); nothing started: " + text;
    ctx.op.MsgBox(ctx.Tr(zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Critical, ctx.TitleWrong());
}

}  // namespace

bool ProgramMotionsUsable(MachineContext& ctx, const ProgramLines& program, bool fromStart) {
    if (!ProgramSeekZerosUsable(ctx, program)) return false;
    // The feed as the interpreter follows it: "G92 X.." sets where it
    // begins, every other X is a target reached from the last one.
    double start = 0, last = 0;
    const auto& lines = program.lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const NcWords w = SplitNcWords(lines[i]);
        if (auto word = WordBeyondMachine(ctx, lines[i])) {
            RefuseBeforeStart(ctx, i, lines[i], *word, false);
            return false;
        }
        if (!w.hasX) continue;
        const double x = Val(w.X);
        if (w.G == "92") {
            start = last = x;
            continue;
        }
        if (!MovesAxis(w, 1)) continue;
        const bool behind = fromStart && x < start;
        if (behind || !DistanceWithinMachine(ctx, 1, x - last)) {
            RefuseBeforeStart(ctx, i, lines[i], "X" + w.X, behind);
            return false;
        }
        last = x;
    }
    return true;
}

bool LoadWrittenProgram(MachineContext& ctx, const std::filesystem::path& g5, Starter starter) {
    auto& run = ctx.run;
    switch (LoadNcProgram(run, g5)) {
        case LoadResult::Loaded:
            break;
        case LoadResult::TooLong:
            ReportProgramTooLong(ctx);
            return false;
        case LoadResult::Missing:
            ReportProgramNotRead(ctx);
            return false;
    }
    run.mLastXPulses = 0;
    run.mLastYPulses = 0;
    // A program starts as on a fresh machine, whatever a Pause pressed
    // before it (or an earlier program) left.
    ClearProgramFlags(run);
    run.mProgramStarter = starter;
    return true;
}

bool WriteProgram(MachineContext& ctx, const std::filesystem::path& g5, const ProgramLines& program) {
    std::string error;
    if (program.WriteTo(g5, &error)) return true;
    ReportProgramNotWritten(ctx, error);
    return false;
}

bool StartProgram(MachineContext& ctx, const ProgramLines& program, RunFlag flag, Starter starter) {
    auto& run = ctx.run;
    if (program.size() >= static_cast<std::size_t>(RunState::kTooLongLines)) {
        ReportProgramTooLong(ctx);
        return false;
    }
    // A machining run's cutter zones may take the feed behind the start of
    // its last piece: it is asked only for the machine's range.
    const bool fromStart = flag != RunFlag::Running;
    if (!ProgramSpeedsUsable(ctx, program) || !ProgramMotionsUsable(ctx, program, fromStart)) return false;
    const auto g5 = ProgramFile("G5.dat");
    if (!WriteProgram(ctx, g5, program)) return false;
    if (!LoadWrittenProgram(ctx, g5, starter)) return false;
    switch (flag) {
        case RunFlag::Running: run.gRunning = kTrue; break;
        case RunFlag::SlotRunning: run.gSlotRunning = kTrue; break;
        case RunFlag::TestRunning: run.gTestRunning = kTrue; break;
    }
    return true;
}

}  // namespace velbend
