#include "checks.h"

#include <cmath>
#include <cstdio>

#include <algorithm>
#include <span>

#include "velbend/geometry/ctrpath.h"
#include "velbend/machine/run_state.h"
#include "velbend/params/sysfile.h"

namespace velbend::sequences {
namespace {

std::string RunText(const RunState& r) {
    char b[320];
    std::snprintf(b, sizeof b,
                  "run=%d slot=%d test=%d line=%d/%d home=%d bendPhase=%d paused=%d wait=%d dwell=%d step=%d jog=%d "
                  "cylinder=%d pendingComp=%g feedCheck=%d adjust=%d",
                  r.gRunning, r.gSlotRunning, r.gTestRunning, r.gNcLineIndex, r.gNcLineCount, r.gHomeState,
                  r.mBendHomePhase, r.mPaused, r.mSensorWait, r.mDwellTicks, r.mStepMode, r.mJogDirection, r.gCylinderBusy,
                  r.gPendingComp, r.mFeedCheckPos, r.mDebugMode);
    return b;
}

// The window name a seek zero is recorded under.
const char* Starter(Win w) {
    switch (w) {
        case Win::Jjz: return "jjz";
        case Win::Sb: return "sb";
        case Win::Wfb: return "wfb";
        case Win::Gy1: return "gy1";
        case Win::Io: return "io";
        default: return "main";
    }
}

}  // namespace

Snapshot Snapshot::Take(World& w) {
    Snapshot s;
    s.outputs = w.Outputs();
    for (int n = 1; n <= 4; ++n) {
        s.moving[static_cast<std::size_t>(n)] = w.AxisMoving(n);
        s.pos[static_cast<std::size_t>(n)] = w.CommandPos(n);
    }
    s.moving[0] = w.AnyAxisMoving();
    s.run = RunText(w.run());
    s.table = SysParaBytes(w.table());
    s.path = w.home.Read("PointForControl.dat") + "|" + w.home.Read("CtrP.dat");
    s.picks = w.m.drawing.pick.mSelCount;
    return s;
}

std::string Snapshot::Diff(const Snapshot& a, const Snapshot& b) {
    std::string d;
    auto add = [&](const std::string& what) { d += (d.empty() ? "" : "; ") + what; };
    if (a.outputs != b.outputs) add("outputs " + std::to_string(a.outputs) + " -> " + std::to_string(b.outputs));
    for (int n = 0; n <= 4; ++n) {
        const auto i = static_cast<std::size_t>(n);
        if (a.moving[i] != b.moving[i]) add("axis " + std::to_string(n) + (b.moving[i] ? " set moving" : " stopped"));
        if (a.pos[i] != b.pos[i]) add("axis " + std::to_string(n) + " position " + std::to_string(a.pos[i]) + " -> " + std::to_string(b.pos[i]));
    }
    if (a.run != b.run) add("run state [" + a.run + "] -> [" + b.run + "]");
    if (a.table != b.table) add("the parameter table");
    if (a.path != b.path) add("the picked path");
    if (a.picks != b.picks) add("the picks " + std::to_string(a.picks) + " -> " + std::to_string(b.picks));
    return d;
}

const char* SeenName(Seen s) {
    switch (s) {
        case Seen::Idle: return "idle";
        case Seen::Moving: return "moving";
        case Seen::SeekingZero: return "seeking zero";
        case Seen::Running: return "running";
        case Seen::Paused: return "paused";
    }
    return "?";
}

Checker::Checker(World& w, const std::vector<std::string>& ignore) : w_(w), ignore_(ignore) {
    outputsBefore_ = w.Outputs();
}

Seen Checker::State() {
    const RunState& r = w_.run();
    if (AnyRunFlag(r)) return operatorPause_ ? Seen::Paused : Seen::Running;
    if (r.gHomeState != 0 || r.mBendHomePhase != 0) return Seen::SeekingZero;
    if (w_.AnyAxisMoving() || r.mJogDirection != 0 || r.gPendingComp > 0.1 ||
        (r.gCylinderBusy == 1 && w_.SensorMode()))
        return Seen::Moving;
    return Seen::Idle;
}

bool Checker::Check(bool ok, const char* name, const std::string& detail) {
    ++checks_;
    if (ok || failure_) return ok;
    const std::string text = std::string(name) + ": " + detail;
    for (const std::string& i : ignore_)
        if (text.find(i) != std::string::npos) return ok;
    failure_ = Failure{name, detail + " (state: " + RunText(w_.run()) + ")"};
    return ok;
}

void Checker::Follow(const std::string& by, Win win) {
    RunState& r = w_.run();
    const bool on = AnyRunFlag(r);
    if (on && !programOn_) {
        programOn_ = true;
        w_.programBy = by;
        tableAtStart_ = SysParaBytes(w_.table());
        startTick_ = w_.now();
        // A start acts at once, as on a freshly started machine, unless the
        // operator asked for single steps.
        firstLineDue_ = r.mStepMode == 0;
        standTicks_ = 0;
        tickMessages_.clear();
        pausedAt_.reset();
        strokeAt_.reset();
        programStrokes_ = 0;
        operatorPause_ = false;
    } else if (!on && programOn_) {
        programOn_ = false;
        lastProgramBy_ = w_.programBy;
        w_.programBy.clear();
        pausedAt_.reset();
        strokeAt_.reset();
        firstLineDue_ = false;
        operatorPause_ = false;
    }
    const bool homing = r.gHomeState != 0 || r.mBendHomePhase != 0;
    if (!homing) w_.homeBy.clear();
    else if (w_.homeBy.empty()) w_.homeBy = win == Win::Env ? "program" : Starter(win);
}

bool Checker::Asked() {
    if (w_.closed()) return false;
    const RunState& r = w_.run();
    return programOn_ || r.gHomeState != 0 || r.mBendHomePhase != 0 || !w_.held.empty() || r.gPendingComp > 0.1 ||
           r.mFeedCheckPos > 0 || w_.now() - lastStart_ < 1500;
}

void Checker::CheckRunPath() {
    // The path Run ran is the path that the picks, the node edits, the
    // offset and the table in force make now (built afresh, then put back).
    const std::string ran = w_.home.Read("CtrP.dat");
    const PickState& pick = w_.m.drawing.pick;
    const auto deleted = std::span<const NodeRecord>(pick.mDeletedNodes.data(),
                                                     static_cast<std::size_t>(std::clamp<int>(pick.mDeleteCount, 0, kMaxDeletedNodes)));
    RecordingOperator quiet;
    BuildCtrPFile(CtrPSettingsOf(w_.table(), w_.ctx().panel.Text6), deleted, quiet, 0);
    const std::string fresh = w_.home.Read("CtrP.dat");
    w_.home.Write("CtrP.dat", ran);
    Check(fresh == ran, "what Run makes is what the window shows",
          "the path Run ran is not the one the picks and the table in force make");
}

void Checker::BeforeCommand(const Step&, const Command&, Cls) {
    before_ = State();
    snap_ = Snapshot::Take(w_);
    tableBefore_ = snap_.table;
}

void Checker::AfterCommand(const Step& step, const Command& c, Cls cls) {
    RunState& r = w_.run();
    ++commands_;
    // What the state refuses changes nothing (a message may say so).
    if (before_ != Seen::Idle && (cls == Cls::Start || cls == Cls::Change)) {
        const std::string diff = Snapshot::Diff(snap_, Snapshot::Take(w_));
        Check(diff.empty(), "what the state refuses changes nothing",
              step.Text() + " while " + SeenName(before_) + " changed: " + diff);
    }
    // The cutter-back buttons act in every state.
    const bool cutterBack = (step.name == "io.Button" && step.arg == 2) || (step.name == "sb.Cutter" && step.arg == 0);
    if (cutterBack && w_.setup().cutter == 0) {
        const uint32_t out = w_.Outputs();
        Check((out & 4u) && !(out & 2u), "the cutter-back buttons act in every state",
              step.Text() + " while " + SeenName(before_) + " left outputs " + std::to_string(out));
    }
    if (cutterBack && w_.setup().cutter == 1 && step.name == "sb.Cutter" && !snap_.moving[3]) {
        Check(w_.AxisMoving(3) || w_.CommandPos(3) == 0, "the cutter-back buttons act in every state",
              step.Text() + " while " + SeenName(before_) + " left the cutter at " + std::to_string(w_.CommandPos(3)));
    }
    // What a Save said is what is in force: a table that a save (a dialog's,
    // a correction, the group switch) changed is the file.  The radius box
    // writes into the table as typed and is saved at shut-down.
    const std::string table = SysParaBytes(w_.table());
    const bool save = step.name.ends_with("Save") || step.name == "AdjustOk" || step.name.starts_with("Group");
    if (save && table != tableBefore_)
        Check(w_.TableFile() == table, "what a save said is in force",
              step.Text() + " changed the table in force without writing it to the group's file");

    switch (cls) {
        case Cls::Stop: {
            std::string left;
            auto need = [&](bool ok, const char* what) {
                if (!ok) left += std::string(left.empty() ? "" : ", ") + what;
            };
            need(!AnyRunFlag(r), "a run flag");
            need(r.mPaused == 0, "the pause");
            need(r.mSensorWait == 0, "a sensor wait");
            need(r.mStepMode == 0, "single step");
            need(r.mDwellTicks == 0, "a dwell");
            need(r.gHomeState == 0 && r.mBendHomePhase == 0, "a seek zero");
            need(r.mFeedCheckPos == 0 && r.gPendingComp == 0, "a feed correction");
            need(r.gCylinderBusy == 0, "a cutter stroke");
            need(r.mJogDirection == 0, "a jog");
            Check(left.empty(), "Stop ends everything", step.Text() + " left " + left);
            stopAt_ = w_.now();
            stopCommand_ = commands_;
            operatorPause_ = false;
            pausedAt_.reset();
            break;
        }
        case Cls::Pause:
            operatorPause_ = true;
            if (AnyRunFlag(r)) pausedAt_ = r.gNcLineIndex;
            break;
        case Cls::Resume:
            operatorPause_ = false;
            pausedAt_.reset();
            lastStart_ = w_.now();
            break;
        case Cls::Start:
        case Cls::End:
            lastStart_ = w_.now();
            startCommand_ = commands_;
            break;
        default:
            break;
    }
    if (step.name == "Label3") overrideTick_ = w_.now();
    if (step.name == "Run" && !programOn_ && r.gRunning == kTrue) CheckRunPath();
    firstLineDue_ = false;  // the operator has acted since the start
    // Strokes the operator started are not the program's.
    programStrokes_ &= w_.Outputs();
    outputsBefore_ = w_.Outputs();
    Follow(step.Text(), c.win);
}

void Checker::Tick() {
    RunState& r = w_.run();
    auto& panel = w_.ctx().panel;
    const bool prompt = panel.Text14Visible;
    const int16_t feedInput = r.mExtFeedInput, retractInput = r.mExtRetractInput;
    const bool machining = r.gRunning == kTrue;
    w_.Tick();
    // A machining run that ends by itself (not refused by a line) has fed
    // the length Run recorded (less the length compensation).
    const auto& said = w_.op.tickMessages;
    const bool finished = std::find_if(said.begin(), said.end(), [](const std::string& t) {
                              return t == "加工完成！" || t == "Work Finished！";
                          }) != said.end();
    if (machining && r.gRunning != kTrue && finished) {
        const double pe = w_.ctx().axis(1).PulseEquivalent;
        const double fed = pe == 0 ? 0 : w_.CommandPos(1) / pe;
        const double want = w_.ctx().writer.mJobLength - r.mLengthComp;
        Check(std::fabs(fed - want) < 0.1, "a run that ends by itself has fed what Run recorded",
              "fed " + std::to_string(fed) + " mm of " + std::to_string(want));
    }
    Follow("", Win::Env);
    // An external button pressed: the machine loop takes it as a jog press now.
    if ((r.mExtFeedInput == 0 && feedInput != 0) || (r.mExtRetractInput == 0 && retractInput != 0)) {
        lastStart_ = w_.now();
        startCommand_ = commands_;
    }

    // Cutter strokes the program started (outputs 1 and 2 switched on by a tick).
    const uint32_t out = w_.Outputs();
    if (programOn_) programStrokes_ |= out & ~outputsBefore_ & 6u;
    programStrokes_ &= out;
    outputsBefore_ = out;

    // Messages of the machine loop: each at most once in a program.
    for (const std::string& text : w_.op.tickMessages) {
        const int shown = ++tickMessages_[text];
        Check(shown == 1, "the machine loop shows a message once",
              "\"" + text + "\" shown " + std::to_string(shown) + " times in one program");
    }
    w_.op.tickMessages.clear();

    // The Machine Adjust frame asks for a measurement only after its own test.
    if (!prompt && panel.Text14Visible)
        Check(lastProgramBy_.rfind("AdjustOk", 0) == 0, "the Machine Adjust frame asks only after its own test",
              "it asks \"" + panel.Label7 + "\" after a program started by " + lastProgramBy_);

    if (programOn_) {
        Check(SysParaBytes(w_.table()) == tableAtStart_, "a program runs on one parameter table",
              "the table changed during the program started by " + w_.programBy);
        if (pausedAt_)
            Check(r.gNcLineIndex == *pausedAt_, "a pause holds",
                  "line " + std::to_string(*pausedAt_) + " -> " + std::to_string(r.gNcLineIndex) + " while paused");
        // A stroke of the program holds it until its sensor answers.
        const bool waiting = w_.SensorMode() && (((programStrokes_ & 2u) && w_.Input(16) != 0) ||
                                                 ((programStrokes_ & 4u) && w_.Input(17) != 0));
        if (!waiting || w_.now() - overrideTick_ < 3) {
            strokeAt_.reset();
        } else if (!strokeAt_) {
            strokeAt_ = r.gNcLineIndex;
        } else {
            Check(r.gNcLineIndex == *strokeAt_, "a cutter stroke holds the program until its sensor answers",
                  "line " + std::to_string(*strokeAt_) + " -> " + std::to_string(r.gNcLineIndex));
        }
        if (firstLineDue_) {
            if (r.gNcLineIndex > 0) firstLineDue_ = false;
            else Check(w_.now() - startTick_ <= 3, "a start acts at once", "no line handed on " +
                       std::to_string(w_.now() - startTick_) + " ticks after " + w_.programBy);
        }
        // A machining run that has handed on every line and stands still ends.
        const bool standing = r.gRunning == kTrue && r.gNcLineIndex == r.gNcLineCount && !panel.Label4[2].empty() &&
                              r.mDwellTicks == 0 && r.mFeedCheckPos == 0 && r.gHomeState == 0 && !w_.AnyAxisMoving();
        standTicks_ = standing ? standTicks_ + 1 : 0;
        Check(standTicks_ < 100, "a machining run at its last line ends",
              "it stands at line " + std::to_string(r.gNcLineIndex) + " without ending");
    }

    // After Stop (and nothing started since) the machine comes to rest.
    if (stopAt_ >= 0 && w_.now() - stopAt_ >= 15) {
        if (startCommand_ < stopCommand_)
            Check(State() == Seen::Idle, "Stop ends everything", std::string("the machine is still ") + SeenName(State()));
        stopAt_ = -1;
    }
    // Nothing moves unasked: not without a program, a seek zero, a held
    // button or a start in the last 45 s (a step or a turn back from far
    // away takes that long); not at all once the window has closed.
    quietTicks_ = !Asked() && w_.AnyAxisMoving() ? quietTicks_ + 1 : 0;
    Check(quietTicks_ <= 15, "nothing moves unasked",
          w_.closed() ? "an axis moves after the window has closed" : "an axis moves with nothing asking for it");
}

}  // namespace velbend::sequences
