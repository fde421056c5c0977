#include "checks.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include <algorithm>
#include <charconv>
#include <limits>

#include "velbend/common/textfile.h"
#include "velbend/forms/io_form.h"
#include "velbend/machine/run_state.h"
#include "velbend/params/sysfile.h"

namespace velbend::sequences {
namespace {

// Ticks within which ...
constexpr int kStandTicks = 300;    // a running program shows progress (9 s)
constexpr int kResumeTicks = 3;     // Run resumes a pause
constexpr int kStopTicks = 15;      // the machine stands after Stop
constexpr int kReleaseTicks = 40;   // a released jog stands

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

std::string Mm(double v) {
    char b[64];
    std::snprintf(b, sizeof b, "%.4f", v);
    return b;
}

// The last X word of a machine program: the strip length it feeds.
std::optional<double> LastFeed(const std::string& program) {
    std::optional<double> x;
    for (std::string_view line : SplitLines(program)) {
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] != 'X' || (i > 0 && line[i - 1] != ' ')) continue;
            x = BoxValue(line.substr(i + 1));
        }
    }
    return x;
}

// The axis a seek-zero state names (0 none).
int HomeAxis(const RunState& r) {
    if (r.gHomeState >= 1 && r.gHomeState <= 8) return (r.gHomeState - 1) % 4 + 1;
    return r.mBendHomePhase != 0 ? 2 : 0;
}

bool Finished(const std::vector<std::string>& said) {
    return std::any_of(said.begin(), said.end(),
                       [](const std::string& t) { return t == "加工完成！" || t == "Work Finished！"; });
}

bool SaidSaved(const std::vector<RecordingOperator::Message>& said, size_t from) {
    for (size_t i = from; i < said.size(); ++i) {
        const std::string& t = said[i].text;
        if (t.find("保存成功") != std::string::npos || t.find("Save OK") != std::string::npos ||
            t.find("调整完成") != std::string::npos || t.find("Adjust Finished") != std::string::npos)
            return true;
    }
    return false;
}

// The words of a program line as the test reads them: a letter and the
// number after it ("G01 X12.5 F3000"); a ';' ends the line.
std::map<char, std::string> Words(std::string_view line) {
    std::map<char, std::string> w;
    char letter = 0;
    for (char c : line) {
        if (c == ';') break;
        if (std::isalpha(static_cast<unsigned char>(c))) {
            letter = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            w[letter];
        } else if (c == ' ') {
            letter = 0;
        } else if (letter) {
            w[letter].push_back(c);
        }
    }
    return w;
}

// The card's speed of an axis at its automatic speed, pulses a second (an
// encoder correction's).
double AutoPulses(const AxisPara& a) { return std::round(a.AutoFeedrate * std::fabs(a.PulseEquivalent) / 60.0); }

bool Said(const std::vector<std::string>& said, std::initializer_list<const char*> parts) {
    return std::any_of(said.begin(), said.end(), [&](const std::string& t) {
        return std::any_of(parts.begin(), parts.end(), [&](const char* p) { return t.find(p) != std::string::npos; });
    });
}

}  // namespace

double BoxValue(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    double sign = 1;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '-' ? -1 : 1;
    size_t end = i;
    bool digits = false;
    while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) ++end, digits = true;
    if (end < s.size() && s[end] == '.') {
        ++end;
        while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) ++end, digits = true;
    }
    if (!digits) return 0;
    if (end < s.size() && (s[end] == 'E' || s[end] == 'e')) {
        size_t e = end + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
        if (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) {
            while (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) ++e;
            end = e;
        }
    }
    std::string text(s.substr(i, end - i));
    if (text.front() == '.') text.insert(text.begin(), '0');
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return sign * v;
}

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
    s.picks = w.m().drawing.pick.mSelCount;
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
    lastOutputs_ = outputsBefore_;
}

Seen Checker::State() {
    const RunState& r = w_.run();
    if (AnyRunFlag(r)) return operatorPause_ ? Seen::Paused : Seen::Running;
    if (r.gHomeState != 0 || r.mBendHomePhase != 0) return Seen::SeekingZero;
    if (w_.AnyAxisMoving() || r.mJogDirection != 0 || r.gPendingComp > 0.1 ||
        (r.gCylinderBusy == 1 && w_.SensorsInUse()))
        return Seen::Moving;
    return Seen::Idle;
}

bool Checker::Check(bool ok, const char* name, const std::string& detail) {
    ++checks_;
    if (ok || failure_) return ok;
    const std::string text = std::string(name) + ": " + detail;
    for (const std::string& i : ignore_)
        if (text.find(i) != std::string::npos) return ok;
    failure_ = Failure{name, detail + " (state: " + RunText(w_.run()) + " outputs=" + std::to_string(w_.Outputs()) +
                                 " moving=" + std::to_string(w_.AnyAxisMoving()) + ")"};
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
        progressAt_ = w_.now();
        // A start acts at once, as on a freshly started machine, unless the
        // operator asked for single steps.
        firstLineDue_ = r.mStepMode == 0;
        tickMessages_.clear();
        pausedAt_.reset();
        strokeAt_.reset();
        programStrokes_ = 0;
        operatorPause_ = false;
        resumeAt_ = -1;
        activeTicks_ = 0;
        std::string why;
        bool beyond = false;
        const auto ticks = ProgramTicks(why, beyond);
        endBound_ = ticks ? *ticks : 0;
        Check(ticks.has_value(),
              beyond ? "a program starts only with motions the machine can do"
                     : "a running program ends by itself within the time its lines take",
              by + " started a program that cannot end: " + why);
    } else if (!on && programOn_) {
        programOn_ = false;
        lastProgramBy_ = w_.programBy;
        w_.programBy.clear();
        pausedAt_.reset();
        strokeAt_.reset();
        firstLineDue_ = false;
        operatorPause_ = false;
        resumeAt_ = -1;
        runFeed_.reset();
    }
    const bool homing = r.gHomeState != 0 || r.mBendHomePhase != 0;
    if (!homing) {
        w_.homeBy.clear();
    } else if (w_.homeBy.empty()) {
        w_.homeBy = win == Win::Env ? "program" : Starter(win);
        // A seek zero of its own (a program's is bounded with the program)
        // ends within the time its search and compensation take.
        homeTicks_ = 0;
        homeBound_.reset();
        if (!programOn_) {
            std::string why;
            homeBound_ = SeekTicks(HomeAxis(r), why);
            Check(homeBound_.has_value(), "a seek zero starts only with motions the machine can do",
                  (by.empty() ? std::string("the machine loop") : by) + " started a seek zero that cannot end: " + why);
        }
    }
    homeAxis_ = HomeAxis(r);
}

bool Checker::Asked() {
    if (w_.closed()) return false;
    const RunState& r = w_.run();
    return programOn_ || r.gHomeState != 0 || r.mBendHomePhase != 0 || !w_.held.empty() || r.gPendingComp > 0.1 ||
           r.mFeedCheck.pending != 0 || correction_.has_value() || w_.now() - lastStart_ < 1500 || !jogs_.empty();
}

bool Checker::WaitsForSensor() {
    return w_.SensorsInUse() && (((sensorAwaited_ & 2u) && w_.Input(16) != 0) ||
                               ((sensorAwaited_ & 4u) && w_.Input(17) != 0));
}

// ---- the time a program takes -------------------------------------------------------------

// How long motions take, by the test's own arithmetic: each move's pulses
// over its speed, with its ramps; the first motion that would crawl (less
// than a pulse a second) or go beyond what the machine can do is named.
struct Timing {
    explicit Timing(const SysPara& table) : t(table) {}
    const SysPara& t;
    double seconds = 0, ticks = 0;
    std::string fault;
    bool beyond = false;

    const AxisPara& axis(int n) const { return t.gAxisPara[static_cast<std::size_t>(n)]; }
    void Fault(const std::string& text, bool far) {
        if (fault.empty()) fault = text, beyond = far;
    }
    void Move(int n, double pulses, double feed, const std::string& where, const char* what) {
        if (!std::isfinite(pulses) || pulses > 2147483647.0) {
            Fault(where + " moves axis " + std::to_string(n) + " by " + Mm(pulses) + " pulses", true);
            return;
        }
        if (pulses < 0.5) return;
        const double v = std::round(feed * axis(n).PulseEquivalent / 60.0);
        if (!(v >= 1)) {
            Fault(where + " moves axis " + std::to_string(n) + " at " + what + " " + Mm(feed) +
                      " mm/min, less than a pulse a second",
                  false);
            return;
        }
        const double acc = std::round(axis(n).Acceleration * 10000.0);
        seconds += pulses / v + (acc >= 1 ? 2.0 * v / acc : 0.0) + 0.1;
    }
    // A length in mm (degrees) that the machine can do.
    bool Within(int n, double mm, const std::string& where, const char* what) {
        if (std::isfinite(mm) && std::fabs(mm) <= 100000) return true;
        Fault(where + " has axis " + std::to_string(n) + " go " + Mm(mm) + " (" + what + "), beyond what the machine can do",
              true);
        return false;
    }
    // A seek zero of axis n: the search (at most its whole length: where the
    // switch lies on the card's count is not known once a start has set the
    // counts to 0) and any move before it, then the compensation.
    void Seek(int n, double before, double retractFeed, const std::string& where) {
        const AxisPara& a = axis(n);
        ticks += 5;
        Move(n, before, std::fabs(a.SeekZeroFeedrate), where, "its seek-zero speed");
        if (n == 1 && t.gFeedRetract >= 0.5) {
            if (Within(1, t.gFeedRetract, where, "the feed retract"))
                Move(1, std::fabs(t.gFeedRetract * a.PulseEquivalent), retractFeed, where, "the jog speed");
        } else {
            Move(n, 1000000, std::fabs(a.SeekZeroFeedrate), where, "its seek-zero speed");
        }
        if (Within(n, a.ZeroCompDistance, where, "the zero compensation"))
            Move(n, std::fabs(std::round(a.ZeroCompDistance * a.PulseEquivalent)), a.ZeroCompFeedrate, where,
                 "its zero-compensation speed");
    }
    // (An encoder check's rounds are added as each begins, from its first
    // error.)
    int64_t Bound() const { return static_cast<int64_t>(2 * (ticks + seconds / 0.03)) + 300; }
};

std::optional<int64_t> Checker::ProgramTicks(std::string& why, bool& beyond) {
    const RunState& r = w_.run();
    Timing time{w_.table()};
    auto pe = [&](int n) { return time.axis(n).PulseEquivalent; };
    // Where each axis stands, in pulses: the feed counts from where the
    // program starts it, the others from the card.
    std::array<double, 5> pos{};
    for (int n = 2; n <= 4; ++n) pos[static_cast<std::size_t>(n)] = w_.CommandPos(n);
    // A test of the Machine Adjust frame feeds forward from where it began.
    const bool adjustTest = w_.programBy.rfind("AdjustOk", 0) == 0;
    bool began = false;
    const bool sensors = w_.SensorsInUse();
    for (const std::string& line : r.gNcLines) {
        time.ticks += 1;
        const auto words = Words(line);
        auto word = [&](char c) -> const std::string* {
            auto it = words.find(c);
            return it == words.end() ? nullptr : &it->second;
        };
        const std::string where = "\"" + line + "\"";
        const std::string* g = word('G');
        const std::string* m = word('M');
        if (g && BoxValue(*g) == 92) {
            if (const std::string* x = word('X')) pos[1] = std::round(BoxValue(*x) * pe(1)), began = true;
            continue;
        }
        if (g && BoxValue(*g) == 4) {
            if (const std::string* p = word('P')) time.ticks += std::max(0.0, BoxValue(*p)) / 30.0 + 1;
            continue;
        }
        if (m) {
            const int code = static_cast<int>(BoxValue(*m));
            if ((code == 12 || code == 14) && sensors) time.ticks += std::max(0, w_.setup().sensorTicks) + 3;
            if (code == 34 || code == 35) time.ticks += 60;
            static constexpr std::pair<int, int> kSeeks[] = {{36, 1}, {38, 2}, {40, 3}, {42, 4}};
            for (auto [c, n] : kSeeks) {
                if (code != c) continue;
                time.Seek(n, 0, BoxValue(w_.ctx().panel.Text2), where);
                if (n > 1) pos[static_cast<std::size_t>(n)] = 0;
            }
        }
        static constexpr std::pair<char, int> kAxes[] = {{'X', 1}, {'Y', 2}, {'Z', 3}, {'A', 4}};
        for (auto [letter, n] : kAxes) {
            const std::string* v = word(letter);
            if (!v || v->empty() || pe(n) == 0) continue;
            double& p = pos[static_cast<std::size_t>(n)];
            const double target = BoxValue(*v);
            // X is the strip's feed over the whole job: bounded by its step.
            if (!time.Within(n, n == 1 ? target - p / pe(1) : target, where, "its target")) continue;
            if (n == 1 && adjustTest && began && target < 0)
                time.Fault(where + " feeds the strip behind where the test began", true);
            const double to = std::round(target * pe(n));
            time.Move(n, std::fabs(to - p), time.axis(n).AutoFeedrate, where, "its automatic speed");
            p = to;
        }
    }
    why = time.fault;
    beyond = time.beyond;
    if (!why.empty()) return std::nullopt;
    return time.Bound();
}

std::optional<int64_t> Checker::SeekTicks(int axis, std::string& why) {
    Timing time{w_.table()};
    // The bend axis first goes back to where it was zeroed, or 30 degrees.
    const double before = axis == 2 && w_.run().mBendHomePhase != 0
                              ? std::fabs(w_.CommandPos(2)) + 30 * std::fabs(time.axis(2).PulseEquivalent)
                              : 0;
    time.Seek(axis, before, BoxValue(w_.ctx().panel.Text2), "the seek zero of axis " + std::to_string(axis));
    why = time.fault;
    if (!why.empty()) return std::nullopt;
    return time.Bound();
}

// ---- the IO map ---------------------------------------------------------------------------

int Checker::MappedOutput(std::string_view function) {
    for (const IoRow& row : IoOutputs())
        if (std::string_view(row.en).ends_with(function)) return row.bit;
    return -1;
}

void Checker::CheckMappedOutputs(const std::string& by, const std::vector<std::string>& lines) {
    // What each output line of a program switches, by the IO map's names.
    static constexpr std::pair<int, const char*> kLines[] = {
        {10, "Cutter Rotate"}, {12, "Cutter Out"}, {14, "Cutter Back"}, {16, "Material Pressing"},
        {18, "Bending Mechanism Out"}};
    std::map<int, bool> want;  // output -> on
    for (const std::string& line : lines) {
        if (line.size() != 3 || line[0] != 'M') continue;
        const int code = static_cast<int>(BoxValue(line.substr(1)));
        for (auto [on, function] : kLines)
            if (code == on || code == on + 1) want[MappedOutput(function)] = code == on;
    }
    const uint32_t out = w_.Outputs();
    for (auto [bit, on] : want) {
        Check(((out >> bit) & 1u) == (on ? 1u : 0u), "an output switched is the one the IO map names",
              by + " left output " + std::to_string(bit) + (on ? " off" : " on"));
    }
}

std::string Checker::PanelBoxes() {
    const MainPanel& p = w_.ctx().panel;
    return p.Text2 + "|" + p.Text3 + "|" + p.Text4 + "|" + p.Text5 + "|" + p.Text6 + "|" + p.Text7 + "|" +
           w_.m().Text15 + "|" + p.Text14 + "|" + std::to_string(p.Check1) + std::to_string(p.Check2) +
           std::to_string(p.Check3) + std::to_string(p.Check4);
}

// ---- jogs ------------------------------------------------------------------------------

void Checker::ExpectJog(const std::string& by, int axis, int dir, double feedrate, bool step, double distance,
                        bool byHand) {
    const double pe = w_.table().gAxisPara[static_cast<std::size_t>(axis)].PulseEquivalent;
    JogExpect j;
    j.by = by;
    if (byHand) {
        j.promise = "a move by hand goes where it is asked at the speed its table gives, or not at all";
    }
    j.axis = axis;
    j.dir = dir;
    j.speed = feedrate * pe / 60.0;
    j.step = step;
    j.stepPulses = step ? std::llround(distance * pe) : 0;
    j.from = w_.CommandPos(axis);
    j.at = w_.now();
    j.lastPos = j.from;
    // A speed of no pulses, a step of none or one beyond what the machine
    // can do moves nothing: then the press must start nothing either.
    const bool beyond = step && !(std::fabs(distance) <= 100000 && std::fabs(distance * pe) <= 2147483647.0);
    const bool nothing = !(j.speed >= 0.5) || (step && j.stepPulses * dir < 1) || beyond;
    if (nothing) {
        Check(!w_.AxisMoving(axis), j.promise,
              by + " with a speed of " + Mm(feedrate) + " mm/min" + (step ? " and a step of " + Mm(distance) + " mm" : "") +
                  " set axis " + std::to_string(axis) + " moving");
        // A move refused for its speed says why.
        if (byHand && !(j.speed >= 0.5) && j.stepPulses != 0 && !beyond)
            Check(w_.op.messages.size() > messagesBefore_, "a move refused for its speed says so",
                  by + " at a manual speed of " + Mm(feedrate) + " mm/min on axis " + std::to_string(axis) +
                      " moved nothing and said nothing");
        return;
    }
    jogs_.erase(std::remove_if(jogs_.begin(), jogs_.end(), [axis](const JogExpect& e) { return e.axis == axis; }),
                jogs_.end());
    jogs_.push_back(j);
}

void Checker::JogPress(const Step& step) {
    const MainPanel& panel = w_.ctx().panel;
    const SysPara& t = w_.table();
    auto manual = [&](int axis) { return t.gAxisPara[static_cast<std::size_t>(axis)].ManualFeedrate; };
    const std::string by = step.Text();
    const std::string& n = step.name;
    const int k = step.arg;
    if (n == "SL.Down" || n == "TL.Down") {
        const int dir = n == "SL.Down" ? 1 : -1;
        ExpectJog(by, 1, dir, BoxValue(panel.Text2), panel.Check1 != 0, dir * BoxValue(panel.Text3));
    } else if (n == "jjz.Down" && k % 4 < 3 && w_.jjz && w_.jjz->CommandEnabled(1 + k / 4, static_cast<int16_t>(k % 4))) {
        const int axis = 1 + k / 4;
        if (k % 4 == 2) {
            const double d = BoxValue(w_.jjz->Text(axis, 0));
            ExpectJog(by, axis, d < 0 ? -1 : 1, manual(axis), true, d);
        } else {
            ExpectJog(by, axis, k % 4 == 0 ? 1 : -1, manual(axis), false, 0);
        }
    } else if ((n == "sb.Bend.Down" || n == "sb.Feed.Down") && k < 2 && w_.sb &&
               w_.sb->Enabled("Command" + std::string(n == "sb.Bend.Down" ? "4" : "5") + "(" + std::to_string(k) + ")")) {
        const bool bend = n == "sb.Bend.Down";
        const int axis = bend ? 2 : 1, dir = k == 0 ? 1 : -1;
        const bool stepping = w_.sb->Checked(bend ? "Check2" : "Check3") != 0;
        ExpectJog(by, axis, dir, manual(axis), stepping, dir * BoxValue(w_.sb->Text(bend ? "Text7" : "Text8")));
    } else if (n == "wfb.Feed.Down") {
        ExpectJog(by, 1, k == 0 ? 1 : -1, manual(1), false, 0);
    } else if (n == "gy1.Feed.Down" && w_.gy1 && w_.gy1->C("Command7", 6 + k % 2).Enabled) {
        ExpectJog(by, 1, k % 2 == 0 ? 1 : -1, manual(1), false, 0);
    } else if (n == "gy1.Move" && w_.gy1 && w_.gy1->C("Frame6").Visible && !(Gy1EncoderPanel() && t.gEncoderEquiv == 0)) {
        // The calibration panels' measuring move: the length asked, from 0
        // (the encoder panel's refused with an encoder equivalent of 0).  The
        // encoder panel's correction after it runs at the automatic speed:
        // where that crawls, the Move may be refused before it starts.
        const AxisPara& x = t.gAxisPara[1];
        const bool correctionCrawls = !(AutoPulses(x) >= 1);
        const double d = BoxValue(w_.gy1->C("Text6(2)").Text);
        if (Gy1EncoderPanel() && correctionCrawls && !w_.AxisMoving(1))
            Check(w_.op.messages.size() > messagesBefore_, "a move refused for its speed says so",
                  by + " at an automatic speed of " + std::to_string(x.AutoFeedrate) +
                      " mm/min moved nothing and said nothing");
        else
            ExpectJog(by, 1, d < 0 ? -1 : 1, manual(1), true, d, true);
    } else if (n == "wfb.Rotate" && w_.wfb) {
        // The bend axis turns to the angle typed.
        ExpectMoveTo(by, 2, BoxValue(w_.wfb->Text5) * t.gAxisPara[2].PulseEquivalent);
    } else if (n == "sb.Cutter" && k < 2 && t.gCutterUpDownMode == 1) {
        // A motor cutter goes down to its front down distance, or back to 0.
        ExpectMoveTo(by, 3, k == 1 ? t.gDownDistFront * t.gAxisPara[3].PulseEquivalent : 0);
    }
}

void Checker::ExpectMoveTo(const std::string& by, int axis, double target) {
    const double pe = w_.table().gAxisPara[static_cast<std::size_t>(axis)].PulseEquivalent;
    if (pe == 0 || !std::isfinite(target)) return;
    const double from = w_.CommandPos(axis);
    const double distance = (std::round(target) - from) / pe;
    ExpectJog(by, axis, target >= from ? 1 : -1, w_.table().gAxisPara[static_cast<std::size_t>(axis)].ManualFeedrate,
              true, distance, true);
}

void Checker::Released(JogExpect& j) {
    j.releasedAt = w_.now();
    int32_t v = 0;
    w_.ctx().card.get_speed(0, j.axis, &v);
    j.releaseSpeed = std::max(v, j.lastSpeed);
}

void Checker::CheckJogs(bool inCommand) {
    // Endless jogs whose button is no longer held have been let go; an
    // external button's release is seen by the machine loop only.
    for (JogExpect& j : jogs_) {
        if (j.step || j.releasedAt >= 0) continue;
        bool held = false;
        if (j.by.starts_with("IN")) {
            held = inCommand || w_.Input(j.by == "IN18.Down" ? 18 : 19) == 0;
        } else {
            held = std::any_of(w_.held.begin(), w_.held.end(), [&](const std::string& h) {
                const auto s = Step::Parse(h);
                return s && Step{s->name.substr(0, s->name.size() - 3) + ".Down", s->arg}.Text() == j.by;
            });
        }
        // Inputs 18 and 19 are also the swing axis's limits: pressed, they
        // stop it as its end switches would.
        if (j.axis == 4 && w_.Input(j.dir > 0 ? 19 : 18) == 0) held = false;
        if (!held) Released(j);
    }
    for (auto it = jogs_.begin(); it != jogs_.end();) {
        JogExpect& j = *it;
        const int32_t pos = w_.CommandPos(j.axis);
        const bool moving = w_.AxisMoving(j.axis);
        const int64_t age = w_.now() - j.at;
        const std::string what = j.by + " (axis " + std::to_string(j.axis) + ")";
        bool done = false;
        // The pressed way, never the other.
        const int64_t step = static_cast<int64_t>(pos) - j.lastPos;
        Check(step * j.dir >= 0 || (j.step && j.stepPulses * step > 0),
              j.promise,
              what + " moved " + std::to_string(step) + " pulses against its direction");
        // It starts at once.
        if (age == 2 && !j.step)
            Check(moving || static_cast<int64_t>(pos - j.from) * j.dir > 0 || j.releasedAt >= 0,
                  j.promise,
                  what + " has not moved " + std::to_string(age) + " ticks after its press");
        // At the speed asked, once it runs steadily.
        int32_t v = 0;
        w_.ctx().card.get_speed(0, j.axis, &v);
        if (!inCommand) {
            j.stable = moving && v == j.lastSpeed ? j.stable + 1 : 0;
            j.lastSpeed = v;
        }
        if (j.stable == 2 && j.releasedAt < 0) {
            const double want = std::min<double>(std::round(j.speed), std::numeric_limits<int32_t>::max());
            Check(std::fabs(v - want) <= std::max(2.0, want * 0.005),
                  j.promise,
                  what + " runs at " + std::to_string(v) + " pulses/s, asked " + Mm(want));
        }
        // An endless jog runs until it is let go (or stopped).
        // (Its move is long, not endless: at a huge speed it reaches its end.)
        const bool atEnd = std::llabs(static_cast<int64_t>(pos) - j.from) >= 99999000;
        if (!j.step && !moving && j.releasedAt < 0 && age >= 2 && !inCommand && !atEnd)
            Check(false, j.promise,
                  what + " stood still while held, " + std::to_string(age) + " ticks after its press");
        if (j.step && !moving && age >= 1 && j.releasedAt < 0) {
            Check(std::llabs(static_cast<int64_t>(pos) - j.from - j.stepPulses) <= 1,
                  j.promise,
                  what + " stepped " + std::to_string(static_cast<int64_t>(pos) - j.from) + " pulses, asked " +
                      std::to_string(j.stepPulses));
            done = true;
        }
        if (j.releasedAt >= 0) {
            // It slows down at the axis's acceleration from the speed it had.
            const double acc = std::max(1.0, std::round(w_.table().gAxisPara[static_cast<std::size_t>(j.axis)].Acceleration * 10000));
            const double stopping = std::max<double>(kReleaseTicks, 3 + j.releaseSpeed / acc / 0.03);
            if (!moving) done = true;
            else if (w_.now() - j.releasedAt > stopping && !inCommand)
                Check(false, "a released jog stops", what + " still moves " +
                      std::to_string(w_.now() - j.releasedAt) + " ticks after its release");
        }
        j.lastPos = pos;
        if (done || age > 5000) it = jogs_.erase(it);
        else ++it;
    }
}

// ---- seek zero --------------------------------------------------------------------------

void Checker::CheckSeekZeroEnd(int axis) {
    // The feed without a zero switch only pulls the strip back.
    if (axis == 1 && w_.table().gFeedRetract >= 0.5) return;
    int32_t actual = 0;
    w_.ctx().card.get_actual_pos(0, axis, &actual);
    const int32_t command = w_.CommandPos(axis);
    Check(command == 0 && actual == 0, "a seek zero that ends by itself leaves its axis at 0",
          "axis " + std::to_string(axis) + " ended its seek zero at command " + std::to_string(command) +
              ", actual " + std::to_string(actual));
    Check(!w_.AxisMoving(axis), "a seek zero that ends by itself leaves its axis at 0",
          "axis " + std::to_string(axis) + " still moves at the end of its seek zero");
}

// ---- Run ---------------------------------------------------------------------------------

void Checker::CheckRunProgram() {
    const std::string program = w_.home.Read("G5.dat");
    const auto feed = LastFeed(program);
    Check(feed.has_value(), "what Run makes is what the window shows", "G5.dat holds no feed");
    if (!feed) return;
    runFeed_ = *feed;
    // What the test derives itself: the picked contours' lengths from the
    // outline's own points, the pieces, the splices and the end feed.  Only
    // for outlines of straight lines picked whole, unedited and not offset,
    // on a table without length compensations.
    const MainPanel& panel = w_.ctx().panel;
    const SysPara& t = w_.table();
    const auto& d = w_.m().drawing;
    const std::string& file = panel.Label4[0];
    if (!(file.ends_with(".plt") || file.ends_with(".nc")) || d.pick.mDeleteCount != 0 || d.pick.mAddedNodeCount != 0 ||
        offsetApplied_ || modifierPick_ || BoxValue(panel.Text6) != 0 || t.gStartLenComp != 0 || t.gEndLenComp != 0)
        return;
    const auto& pts = d.tables.mDisplayPoints;
    double length = 0;
    int contours = d.pick.mSelCount;
    // The cutter's zones at a corner other than a right angle are left out
    // of the feed (the panel names them as compensated): the test derives
    // the feed itself only where there are none.
    bool zones = false;
    auto corner = [&](const DisplayPoint& a, const DisplayPoint& b, const DisplayPoint& c) {
        const double ux = b.X - a.X, uy = b.Y - a.Y, vx = c.X - b.X, vy = c.Y - b.Y;
        const double turn = std::fabs(std::atan2(ux * vy - uy * vx, ux * vx + uy * vy)) * 180 / 3.14159265358979;
        if (std::fabs(turn) > 0.01 && std::fabs(turn - 90) > 0.01) zones = true;
    };
    for (int s = 0; s < d.pick.mSelCount; ++s) {
        const SelEntry& e = d.pick.mSelection[static_cast<std::size_t>(s)];
        if (e.FirstNode != e.LastNode) return;  // a stretch, not a whole contour
        const int16_t id = d.tables.mNodes[static_cast<std::size_t>(e.FirstNode)].ContourId;
        std::vector<const DisplayPoint*> ring;
        for (int32_t i = 0; i < d.tables.mDisplayPointCount; ++i) {
            const DisplayPoint& p = pts[static_cast<std::size_t>(i)];
            if (p.ContourId == id) ring.push_back(&p);
        }
        for (size_t i = 0; i < ring.size(); ++i) {
            const DisplayPoint& p = *ring[i];
            const DisplayPoint& next = *ring[(i + 1) % ring.size()];
            length += std::hypot(next.X - p.X, next.Y - p.Y);
            if (ring.size() >= 3) corner(p, next, *ring[(i + 2) % ring.size()]);
        }
    }
    if (zones && t.gMillRadius != 0) return;
    const double pieces = BoxValue(panel.Text5), gap = BoxValue(panel.Text4);
    const double piece = length + (contours - 1) * gap;
    const double want = pieces * piece + (pieces - 1) * gap + BoxValue(panel.Text7) + t.gBendToSlotDist;
    Check(std::fabs(*feed - want) < 0.001, "what Run makes is what the window shows",
          "G5.dat feeds " + Mm(*feed) + " mm; the picks (" + Mm(length) + " mm in " + std::to_string(contours) +
              " contours), " + panel.Text5 + " pieces, splice " + panel.Text4 + ", end feed " + panel.Text7 +
              " and bend-to-slot " + Mm(t.gBendToSlotDist) + " make " + Mm(want));
}

// ---- the slotting export ------------------------------------------------------------------

namespace {

// The strip positions at which a machine program cuts its slots: where the
// feed stands (its X, absolute after G92) when a slotting block begins (a
// dwell, then the pressing on).
std::vector<double> ProgramSlots(const std::string& program) {
    std::vector<double> at;
    double x = 0;
    const auto lines = SplitLines(program);
    auto is = [&](size_t i, std::string_view text) { return i < lines.size() && lines[i] == text; };
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto words = Words(lines[i]);
        const auto xw = words.find('X');
        if (xw != words.end() && !xw->second.empty()) x = BoxValue(xw->second);
        // (With the encoder, its check stands between the dwell and the pressing.)
        if ((is(i, "G04 P200") && is(i + 1, "M16")) || (is(i, "G04 P400") && is(i + 1, "M34") && is(i + 2, "M16")))
            at.push_back(x);
    }
    return at;
}

// The slot positions of an engraving program: its rapid moves across to a
// slot ("G00 Y..."), the start's "G00 X-5 Y0" left out.
std::vector<double> ExportSlots(const std::string& program) {
    std::vector<double> at;
    for (std::string_view line : SplitLines(program))
        if (line.starts_with("G00 Y")) at.push_back(BoxValue(line.substr(5)));
    return at;
}

}  // namespace

void Checker::CheckSlotExport(const Step& step) {
    // Judged where the export and the last Run's G5.dat were made from the
    // same picked path on the same table, and the export was written; for
    // one contour (the export lays contours end to end, G5.dat with the
    // splice between them).
    const std::string exported = w_.home.Read(kSlotExportName);
    if (exported.empty() || runG5_.empty() || runContours_ != 1 || w_.home.Read("G5.dat") != runG5_ ||
        w_.home.Read("CtrP.dat") != runPath_ || SysParaBytes(w_.table()) != runTable_)
        return;
    const std::vector<double> cuts = ProgramSlots(runG5_);
    for (double y : ExportSlots(exported)) {
        double nearest = std::numeric_limits<double>::infinity();
        for (double x : cuts)
            if (std::fabs(x - y) < std::fabs(nearest - y)) nearest = x;
        // Each file writes its own rounding: 0.0005 and 0.00005 mm.
        if (!Check(std::fabs(nearest - y) <= 0.0006, "the slotting export's slots stand where G5.dat cuts them",
                   step.Text() + " writes a slot at " + Mm(y) + " mm; G5.dat cuts " +
                       (std::isfinite(nearest) ? "the nearest at " + Mm(nearest) + " mm" : std::string("none"))))
            return;
    }
}

// ---- calibration panels --------------------------------------------------------------------

bool Checker::Gy1EncoderPanel() {
    // The panel is the feed's when its title names the feeding axis.
    if (!w_.gy1 || !w_.gy1->C("Frame6").Visible) return false;
    const std::string title = w_.gy1->C("Text7").Text;
    return title.find("送料轴") == std::string::npos && title.find("Feeding") == std::string::npos;
}

void Checker::CheckCalibration(const Step& step, Win win) {
    // A round is the panel's own: it starts afresh when the panel opens or
    // the operator turns to another window.
    const bool opens = (step.name == "gy1.Panel" && step.arg != 3) || step.name == "jjz.Panel";
    if (opens || win != calWin_) calMoveEquiv_.reset();
    calWin_ = win;
    const SysPara& t = w_.table();
    // Which equivalent governs the panel's move: the feed's pulses, or in
    // the operator's encoder panel the encoder that feeds on until it has
    // measured the length asked.
    const bool gy1 = win == Win::Gy1 && w_.gy1 && w_.gy1->C("Frame6").Visible;
    const bool jjz = win == Win::Jjz && w_.jjz && w_.jjz->PanelVisible() && w_.jjz->FeedMode();
    if (!gy1 && !jjz) return;
    const bool encoder = gy1 && Gy1EncoderPanel();
    const double governing = encoder ? t.gEncoderEquiv : t.gAxisPara[1].PulseEquivalent;
    const bool move = (gy1 && step.name == "gy1.Move") || (jjz && step.name == "jjz.Panel7" && step.arg == 4);
    if (move && before_ == Seen::Idle) calMoveEquiv_ = governing;
    const bool calculate = (gy1 && step.name == "gy1.Calc" && step.arg % 4 == 0) ||
                           (jjz && step.name == "jjz.Panel7" && step.arg == 2);
    if (!calculate) return;
    auto box = [&](int i) -> std::string {
        return gy1 ? w_.gy1->C("Text6(" + std::to_string(i) + ")").Text : w_.jjz->Text(6, i);
    };
    const double asked = BoxValue(box(2)), measured = BoxValue(box(3));
    if (measured == 0) return;
    // The round scales the equivalent its own move ran on (before any move,
    // the one a move would run on), whatever the old-equivalent box shows.
    const double ranOn = calMoveEquiv_ ? *calMoveEquiv_ : governing;
    const double want = asked * ranOn / measured;
    const double got = BoxValue(box(1));
    Check(std::isfinite(want) ? std::fabs(got - want) <= 1e-9 * std::max(1.0, std::fabs(want)) : true,
          "a calibration round scales the equivalent its own move ran on",
          step.Text() + " made " + box(1) + " of " + box(2) + " asked and " + box(3) + " measured, on " +
              Mm(ranOn) + " (the old-equivalent box shows " + box(0) + "): " + Mm(want) + " wanted");
}

// ---- Save ---------------------------------------------------------------------------------

void Checker::CheckSaved(const Step& step) {
    // The table in force is what the group's file holds, whatever the save
    // said: both as a start-up would read them (the radius box writes into
    // the table as typed and is saved at shut-down: it is left out).
    SysPara file, held;
    ParseSysPara(w_.TableFile(), file);
    ParseSysPara(SysParaBytes(w_.table()), held);
    file.gMillRadius = held.gMillRadius;
    const std::string inForce = SysParaBytes(held), fileBytes = SysParaBytes(file);
    if (inForce == fileBytes) {
        ++checks_;
        return;
    }
    // The first line that differs.
    const auto a = SplitLines(inForce), b = SplitLines(fileBytes);
    size_t line = 0;
    while (line < a.size() && line < b.size() && a[line] == b[line]) ++line;
    const auto at = [line](const std::vector<std::string_view>& v) {
        return line < v.size() ? std::string(v[line].substr(0, 14)) : std::string("(none)");
    };
    const bool saved = SaidSaved(w_.op.messages, messagesBefore_);
    Check(false, "what a save said is in force",
          step.Text() + (saved ? " said it saved, but" : " saved nothing, but") +
              " the table in force is not the group's file: line " + std::to_string(line + 1) + " is \"" + at(a) +
              "\" in force, \"" + at(b) + "\" in the file");
}

// ---- Machine Adjust ------------------------------------------------------------------------

void Checker::CheckAdjusted(const Step& step) {
    const std::string now = SysParaBytes(w_.table());
    if (now == snap_.table) return;  // nothing corrected
    const std::string what = step.Text() + " with \"" + w_.ctx().panel.Text14 + "\"";
    if (!Check(adjustTable_.has_value() && w_.program().params.gSysGroup == adjustGroup_,
               "a measurement corrects the table it was made on",
               what + " changed the table of group " + std::to_string(w_.program().params.gSysGroup + 1) +
                   ", the test ran on group " + std::to_string(adjustGroup_ + 1)))
        return;
    // The correction by the test's own arithmetic, on the table of the test.
    SysPara want = *adjustTable_;
    const double v = BoxValue(w_.ctx().panel.Text14);
    if (adjustMode_ == 4) {
        double& target = adjustByEncoder_ ? want.gEncoderEquiv : want.gAxisPara[1].PulseEquivalent;
        target = target * want.gTestLength / v;
    } else if (adjustMode_ == 5) {
        want.gSpaceAngleP += v;
    } else if (adjustMode_ == 7) {
        want.gSpaceAngleN += v;
    }
    want.gMillRadius = w_.table().gMillRadius;
    Check(SysParaBytes(want) == now, "a measurement corrects the table it was made on",
          what + " did not make the correction that the measurement makes of the tested table");
}

// ---- commands ----------------------------------------------------------------------------

void Checker::BeforeCommand(const Step&, const Command& c, Cls) {
    before_ = State();
    snap_ = Snapshot::Take(w_);
    messagesBefore_ = w_.op.messages.size();
    boxesBefore_ = PanelBoxes();
    otherGroupFiles_.reset();
    if (c.win != Win::Env) TakeOtherGroupFiles();
}

namespace {

// A file's bytes, or what stands in its place.
std::string FileOrWhatIsThere(World& w, const std::string& name) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(w.home / name, ec)) return w.home.Read(name);
    return std::filesystem::exists(w.home / name, ec) ? "(not a file)" : "(none)";
}

}  // namespace

void Checker::TakeOtherGroupFiles() {
    const ParamStore& st = w_.program().params;
    if (st.gUserLevel != 0) return;
    auto& files = otherGroupFiles_.emplace();
    for (int g = 0; g < 10; ++g) {
        const std::string n = std::to_string(g);
        std::vector<std::string> names;
        if (g != st.gSysGroup) names.push_back("SysPara/SYS_" + n + ".ini");
        if (g != st.gWanFuGroup) {
            for (const char* kind : {"wanfubiaoP_", "wanfubiaoN_", "pfjj_"})
                names.push_back(std::string("SysPara/") + kind + n + ".ini");
        }
        for (const std::string& name : names)
            files[name] = FileOrWhatIsThere(w_, name);
    }
}

void Checker::CheckOtherGroupFiles(const Step& step) {
    // What the operator reaches of it: the open group frame shows no copy
    // button at level 0 once the main window is in front again, whatever
    // the level was when it opened.
    const GroupFrame& frame = w_.m().group;
    if (!w_.closed() && w_.open() == Win::Main && w_.program().params.gUserLevel == 0 && frame.visible) {
        Check(!frame.copyButtonsVisible, "at user level 0 the group frame shows no copy button",
              step.Text() + " left them shown");
    }
    if (!otherGroupFiles_) return;
    for (const auto& [name, bytes] : *otherGroupFiles_) {
        const std::string now = FileOrWhatIsThere(w_, name);
        if (!Check(now == bytes, "at user level 0 no group's files but the current ones change",
                   step.Text() + " changed " + name))
            return;
    }
}

void Checker::AfterCommand(const Step& step, const Command& c, Cls cls) {
    RunState& r = w_.run();
    ++commands_;
    CheckOtherGroupFiles(step);
    // What the state refuses changes nothing (a message may say so).
    if (before_ != Seen::Idle && (cls == Cls::Start || cls == Cls::Change)) {
        const std::string diff = Snapshot::Diff(snap_, Snapshot::Take(w_));
        Check(diff.empty(), "what the state refuses changes nothing",
              step.Text() + " while " + SeenName(before_) + " changed: " + diff);
    }
    // The cutter-back buttons act in every state.
    const bool cutterBack = (step.name == "io.Button" && step.arg == 2) || (step.name == "sb.Cutter" && step.arg == 0);
    // (The table in force says which cutter the machine has.)
    const int16_t cutter = w_.table().gCutterUpDownMode;
    if (cutterBack && cutter == 0) {
        const uint32_t out = w_.Outputs();
        Check((out & 4u) && !(out & 2u), "the cutter-back buttons act in every state",
              step.Text() + " while " + SeenName(before_) + " left outputs " + std::to_string(out));
    }
    // (Unless the cutter's manual speed gives no pulse a second: then
    // nothing may move.)
    const AxisPara& z = w_.table().gAxisPara[3];
    const bool zCrawls = !(z.ManualFeedrate * z.PulseEquivalent / 60.0 >= 0.5);
    if (cutterBack && cutter == 1 && step.name == "sb.Cutter" && !snap_.moving[3] && !zCrawls) {
        Check(w_.AxisMoving(3) || w_.CommandPos(3) == 0, "the cutter-back buttons act in every state",
              step.Text() + " while " + SeenName(before_) + " left the cutter at " + std::to_string(w_.CommandPos(3)));
    }
    // What a Save said is what is in force.
    const bool save = step.name.ends_with("Save") || step.name == "AdjustOk" || step.name.starts_with("Group");
    if (save) CheckSaved(step);
    if (step.name == "AdjustOk" && step.arg == 0) CheckAdjusted(step);
    // An offset applied to the picked path (a pick, the Offset button, a
    // path made again after a save) stays until another outline opens.
    if (before_ == Seen::Idle && (step.name == "Open" || step.name == "CloseOutline")) offsetApplied_ = false;
    if (before_ == Seen::Idle && BoxValue(w_.ctx().panel.Text6) != 0 && cls == Cls::Change) offsetApplied_ = true;
    // A pick with the modifier makes the other kind of contour (its corners
    // are the cutter's): so long as one is picked or being picked.
    const PickState& pick = w_.m().drawing.pick;
    if (pick.mSelCount == 0 && pick.mRangeCode == 0) modifierPick_ = false;
    if (step.name == "PickShift") modifierPick_ = true;

    switch (cls) {
        case Cls::Stop: {
            // Judged from the card: every output that Stop switches off is
            // off, the program and the seek zero are over; the axes come to
            // rest within a few ticks (below).
            const uint32_t out = w_.Outputs();
            Check((out & 0xFFu) == 0, "Stop switches every output off and every axis stands",
                  step.Text() + " left outputs " + std::to_string(out & 0xFFu) + " on");
            Check(!AnyRunFlag(r) && HomeAxis(r) == 0, "Stop switches every output off and every axis stands",
                  step.Text() + " left a program or a seek zero going");
            stopAt_ = w_.now();
            stopCommand_ = commands_;
            // The axes slow down at their acceleration from the speed they had.
            stopTicks_ = kStopTicks;
            for (int n = 1; n <= 4; ++n) {
                int32_t v = 0;
                w_.ctx().card.get_speed(0, n, &v);
                const double acc =
                    std::max(1.0, std::round(w_.table().gAxisPara[static_cast<std::size_t>(n)].Acceleration * 10000));
                stopTicks_ = std::max<int64_t>(stopTicks_, static_cast<int64_t>(3 + std::abs(v) / acc / 0.03));
            }
            operatorPause_ = false;
            pausedAt_.reset();
            resumeAt_ = -1;
            for (JogExpect& j : jogs_)
                if (j.releasedAt < 0) Released(j);
            CloseCorrection("Stop", false);
            break;
        }
        case Cls::Pause:
            operatorPause_ = true;
            if (AnyRunFlag(r)) pausedAt_ = r.gNcLineIndex;
            resumeAt_ = -1;
            break;
        case Cls::Resume:
            operatorPause_ = false;
            pausedAt_.reset();
            if (programOn_) resumeAt_ = w_.now();
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
    if (before_ == Seen::Idle && (cls == Cls::Start || (cutterBack && step.name == "sb.Cutter"))) {
        // Every jog before it has ended: the machine was idle.
        jogs_.clear();
        JogPress(step);
    }
    // Nothing the idle machine admits is refused as busy.
    if (before_ == Seen::Idle && (cls == Cls::Start || cls == Cls::Change)) {
        for (size_t i = messagesBefore_; i < w_.op.messages.size(); ++i) {
            const std::string& t = w_.op.messages[i].text;
            Check(t.find("设备正忙") == std::string::npos && t.find("machine is busy") == std::string::npos,
                  "the standing machine admits what it admits", step.Text() + " was refused: \"" + t + "\"");
        }
    }
    // The operator dialog's encoder panel: its Move is followed by the
    // correction that feeds on until the encoder has measured the length.
    if (step.name == "gy1.Move" && before_ == Seen::Idle && Gy1EncoderPanel() && w_.AxisMoving(1)) {
        CorrectionWatch c;
        c.by = step.Text();
        c.dialog = true;
        c.moving = true;
        c.wanted = BoxValue(w_.gy1->C("Text6(2)").Text);
        OpenCorrection(c);
    }
    if (step.name == "SlotExport") CheckSlotExport(step);
    // A program that starts again begins on a card it sets up afresh.
    if (step.name == "CloseWindow" || step.name == "Restart") {
        jogs_.clear();
        CloseCorrection("the window's close", false);
        for (int n = 1; n <= 4; ++n) lastPos_[static_cast<std::size_t>(n)] = w_.CommandPos(n);
    }
    if (step.name == "Label3") overrideTick_ = w_.now();
    const bool runStarted = step.name == "Run" && !programOn_ && r.gRunning == kTrue;
    firstLineDue_ = false;  // the operator has acted since the start
    // Strokes the operator started are not the program's.
    programStrokes_ &= w_.Outputs();
    outputsBefore_ = w_.Outputs();
    Follow(step.Text(), c.win);
    CheckCalibration(step, c.win);
    if (runStarted) {
        runG5_ = w_.home.Read("G5.dat");
        runPath_ = w_.home.Read("CtrP.dat");
        runContours_ = w_.m().drawing.pick.mSelCount;
        runTable_ = SysParaBytes(w_.table());
        shownAtRun_ = BoxValue(w_.ctx().panel.Label4[2]);
        CheckRunProgram();
    }
    // The language changes the captions, never what the operator typed.
    if (step.name == "Language")
        Check(PanelBoxes() == boxesBefore_, "the language switch keeps what the operator typed",
              "the boxes held [" + boxesBefore_ + "], now [" + PanelBoxes() + "]");
    // The program starts again in the groups it was closed in.
    const ParamStore& params = w_.program().params;
    if (step.name == "CloseWindow" && w_.closed()) groupsAtClose_ = std::pair{params.gSysGroup, params.gWanFuGroup};
    if (step.name == "Restart" && groupsAtClose_ && !w_.closed()) {
        Check(std::pair{params.gSysGroup, params.gWanFuGroup} == *groupsAtClose_,
              "the program starts again in the groups in force at its close",
              "closed in groups " + std::to_string(groupsAtClose_->first + 1) + "/" +
                  std::to_string(groupsAtClose_->second + 1) + ", started in " + std::to_string(params.gSysGroup + 1) +
                  "/" + std::to_string(params.gWanFuGroup + 1));
        groupsAtClose_.reset();
    }
    // A button that switches an output switches the one the IO map names.
    const uint32_t changed = snap_.outputs ^ w_.Outputs();
    auto mapped = [](const char* function) { return 1u << MappedOutput(function); };
    std::optional<uint32_t> may;
    if (step.name == "io.Button") {
        static constexpr const char* kButtons[] = {"Cutter Rotate", "Cutter Out", "Cutter Back", "Material Pressing",
                                                   "Bending Mechanism Out"};
        may = mapped(kButtons[step.arg % 5]);
        // A stroke's valve opens as the other one's closes.
        if (step.arg == 1 || step.arg == 2) *may |= mapped("Cutter Out") | mapped("Cutter Back");
    } else if (step.name == "gy1.Pressing") {
        may = mapped("Material Pressing");
    }
    if (may)
        Check((changed & ~*may) == 0, "an output switched is the one the IO map names",
              step.Text() + " switched outputs " + std::to_string(changed));
    // A piece count that is no whole number of at least 1 starts nothing.
    if (step.name == "Run" && before_ == Seen::Idle) {
        const double pieces = BoxValue(w_.ctx().panel.Text5);
        Check(!runStarted || (pieces >= 1 && pieces == std::floor(pieces)), "what Run makes is what the window shows",
              "Run started a program for " + w_.ctx().panel.Text5 + " pieces");
    }
    CheckJogs(true);
    feedPos_ = w_.CommandPos(1);
}

// ---- feed corrections -----------------------------------------------------------------------

double Checker::FeedError(double wanted) {
    int32_t actual = 0;
    w_.ctx().card.get_actual_pos(0, 1, &actual);
    return wanted - actual / w_.table().gEncoderEquiv;
}

double Checker::EncoderTolerance() {
    // Two pulses of the feed, or the encoder precision where it is coarser.
    const SysPara& t = w_.table();
    return std::max(2.0 / std::fabs(t.gAxisPara[1].PulseEquivalent), t.gEncoderPrecision) + 1e-9;
}

bool Checker::CorrectionBeyond(double e0) {
    // A correction is a motion like any other: never beyond what the
    // machine can do.
    const double pulses = e0 * w_.table().gAxisPara[1].PulseEquivalent;
    return !(std::fabs(e0) <= 100000 && std::fabs(pulses) <= 2147483647.0);
}

int64_t Checker::CorrectionTicks(double e0) {
    const AxisPara& x = w_.table().gAxisPara[1];
    if (CorrectionBeyond(e0)) e0 = 0;
    const double v = AutoPulses(x);
    const double acc = std::max(1.0, std::round(x.Acceleration * 10000.0));
    // Its rounds (a few, each leaving at most half the error), each a move,
    // its ramps and the ticks the feed settles in.
    constexpr int kRounds = 16;
    double seconds = 0;
    if (v >= 1) seconds = (2 * std::fabs(e0 * x.PulseEquivalent) + 2 * kRounds) / v + kRounds * (2 * v / acc + 0.1);
    return static_cast<int64_t>(2 * (seconds / 0.03 + kRounds * 12)) + 30;
}

void Checker::OpenCorrection(CorrectionWatch c) {
    const SysPara& t = w_.table();
    if (t.gAxisPara[1].PulseEquivalent == 0 || t.gEncoderEquiv == 0) return;  // refused with its own message
    CloseCorrection("a new check", true);
    c.at = w_.now();
    c.messagesAt = w_.op.messages.size();
    if (!c.moving) {
        c.e0 = FeedError(c.wanted);
        c.allowance = CorrectionTicks(c.e0);
        // A program's end bound includes its check's rounds.
        if (!c.dialog) endBound_ += c.allowance;
    }
    correction_ = c;
}

void Checker::CloseCorrection(const char* how, bool judge) {
    if (!correction_) return;
    const CorrectionWatch c = *correction_;
    correction_.reset();
    if (!judge || c.moving || w_.closed()) return;
    const double e = FeedError(c.wanted);
    if (std::fabs(e) <= EncoderTolerance()) return;
    const std::string what = c.by + " (wanted " + Mm(c.wanted) + " mm, first error " + Mm(c.e0) + " mm, still " +
                             Mm(e) + " mm off)";
    if (!c.dialog && std::string_view(how) == "the next line" && !c.oneRound) {
        Check(false, "a feed correction that does not converge ends its program",
              what + ": the program ran on to its next line");
        return;
    }
    if (!c.dialog && std::string_view(how) == "the next line") return;
    bool said = false;
    for (size_t i = c.messagesAt; i < w_.op.messages.size(); ++i) {
        const std::string& t = w_.op.messages[i].text;
        said |= t.find("编码器") != std::string::npos || t.find("ncoder") != std::string::npos;
    }
    Check(said, "a feed correction that does not converge stops with a message naming the encoder",
          what + ": it ended at " + how + " without a word");
}

void Checker::FollowCorrection() {
    if (!correction_) return;
    CorrectionWatch& c = *correction_;
    const AxisPara& x = w_.table().gAxisPara[1];
    if (c.moving) {
        // The dialog's Move runs until it stands; then the first error.
        if (w_.AxisMoving(1)) return;
        c.moving = false;
        c.at = w_.now();
        c.e0 = FeedError(c.wanted);
        c.allowance = CorrectionTicks(c.e0);
        c.messagesAt = w_.op.messages.size();
        return;
    }
    c.path += feedTravel_;
    const std::string what = c.by + " (wanted " + Mm(c.wanted) + " mm, first error " + Mm(c.e0) + " mm)";
    // Each round leaves at most half the error it corrected (and a pulse,
    // since rounds move whole pulses): less than twice the first error in all.
    const double limit = CorrectionBeyond(c.e0)
                             ? 3.0
                             : (c.oneRound ? 1.0 : 2.0) * std::fabs(c.e0 * x.PulseEquivalent) + (c.oneRound ? 1 : 32);
    if (!Check(c.path <= limit, "a feed correction moves the strip less than twice its first error",
               what + " has moved the feed " + std::to_string(c.path) + " pulses, at most " + Mm(limit)))
        return;
    if (!(AutoPulses(x) >= 1))
        if (!Check(c.path == 0, "a feed correction moves at the automatic speed or not at all",
                   what + " moved the feed at an automatic speed of " + std::to_string(x.AutoFeedrate) + " mm/min"))
            return;
    // (A program's check waits while the program is held: paused, stepped
    // by the operator.)
    if (c.dialog || !(operatorPause_ || w_.run().mStepMode == 1)) ++c.active;
    if (!Check(c.active <= c.allowance, "a feed correction ends within its bounded rounds",
               what + " has gone on for " + std::to_string(c.active) + " ticks, at most " +
                   std::to_string(c.allowance)))
        return;
    // What ends it: the program's next line or its end; the dialog's
    // correction when the machine stands.
    const RunState& r = w_.run();
    if (!c.dialog && !programOn_) CloseCorrection("the program's end", true);
    else if (!c.dialog && r.gNcLineIndex > c.line + 1) CloseCorrection("the next line", true);
    else if (c.dialog && State() == Seen::Idle) CloseCorrection("the machine standing", true);
}

void Checker::Tick() {
    RunState& r = w_.run();
    auto& panel = w_.ctx().panel;
    const bool prompt = panel.Text14Visible;
    const int16_t feedInput = r.mExtFeedInput, retractInput = r.mExtRetractInput;
    // The state the machine loop finds: after the card's time has passed.
    Seen before = Seen::Idle;
    const int homeAxis = homeAxis_;
    w_.Tick([&] {
        before = State();
        feedTravel_ = std::llabs(static_cast<int64_t>(w_.CommandPos(1)) - feedPos_);
    });

    // A machining run that ends by itself has fed what its program feeds,
    // and that is the job length shown when Run started it (less what the
    // panel shows as compensated); the message naming two lengths that
    // differ is a safety net, never an outcome.
    if (programOn_ && runFeed_ && !AnyRunFlag(r)) {
        Check(!Said(w_.op.tickMessages, {"不符！", "differs from the job length"}),
              "a run that ends by itself has fed the job length shown at Run",
              "it ended saying \"" + (w_.op.tickMessages.empty() ? std::string() : w_.op.tickMessages.back()) +
                  "\" (shown at Run: " + Mm(shownAtRun_) + " mm)");
    }
    if (programOn_ && runFeed_ && !AnyRunFlag(r) && Finished(w_.op.tickMessages)) {
        const double pe = w_.table().gAxisPara[1].PulseEquivalent;
        const double fed = pe == 0 ? 0 : w_.CommandPos(1) / pe;
        const double pulse = pe == 0 ? 0 : 1 / std::fabs(pe);
        Check(std::fabs(fed - *runFeed_) <= 0.01 + pulse, "a run that ends by itself has fed what its program feeds",
              "fed " + Mm(fed) + " mm of " + Mm(*runFeed_));
        const std::string& rest = panel.Label4[3];
        const size_t at = rest.find("补偿长度");
        const double compensated = at == std::string::npos ? 0 : BoxValue(rest.substr(at + std::string("补偿长度").size()));
        Check(std::fabs(fed - compensated - shownAtRun_) <= 0.01 + pulse,
              "a run that ends by itself has fed the job length shown at Run",
              "fed " + Mm(fed) + " mm" + (compensated != 0 ? " with " + Mm(compensated) + " mm compensated" : "") +
                  ", shown at Run " + Mm(shownAtRun_) + " mm");
    }
    Follow("", Win::Env);
    if (homeAxis_ != 0 && homeBound_ && !programOn_ && !w_.closed()) {
        ++homeTicks_;
        Check(homeTicks_ <= *homeBound_, "a seek zero ends by itself within the time its search and compensation take",
              "the seek zero of axis " + std::to_string(homeAxis_) + " by " + w_.homeBy + " has run " +
                  std::to_string(homeTicks_) + " ticks, at most " + std::to_string(*homeBound_));
    }
    // A seek zero that ended in the machine loop ended by itself.
    if (homeAxis != 0 && homeAxis_ == 0) CheckSeekZeroEnd(homeAxis);
    // An external button pressed: the machine loop takes it as a jog press now.
    const bool feedPressed = r.mExtFeedInput == 0 && feedInput != 0;
    const bool retractPressed = r.mExtRetractInput == 0 && retractInput != 0;
    if (feedPressed || retractPressed) {
        lastStart_ = w_.now();
        startCommand_ = commands_;
        // Taken when the machine was idle; a press in the tick that let the
        // other button go is taken as the loop finds the machine then.
        const int dir = feedPressed ? 1 : -1;
        if (before == Seen::Idle || (panel.Check1 == 0 && r.mJogDirection == dir && r.mJogFromInput == 1))
            ExpectJog(feedPressed ? "IN18.Down" : "IN19.Down", 1, dir, BoxValue(panel.Text2), panel.Check1 != 0,
                      dir * BoxValue(panel.Text3));
    }

    // Cutter strokes the program started (outputs 1 and 2 switched on by a tick).
    const uint32_t out = w_.Outputs();
    int feedCheck = -1;   // the line of an encoder check handed on in this tick
    // A stroke started in this tick is answered by its sensor from the next
    // tick on: a sensor that still reads the cylinder's rest before the
    // stroke has left it answers nothing.
    uint32_t started = 0;
    if (programOn_) {
        programStrokes_ |= out & ~outputsBefore_ & 6u;
        started = out & ~outputsBefore_ & 6u;
        // The program's own cutter strokes, as its lines handed on name them
        // (the output may have been on already).
        std::vector<std::string> handed;
        for (int i = std::max<int>(lastLine_, 0); i < r.gNcLineIndex && i < static_cast<int>(r.gNcLines.size()); ++i) {
            const std::string& line = r.gNcLines[static_cast<std::size_t>(i)];
            if (line == "M12") started |= 2u;
            if (line == "M14") started |= 4u;
            if (line == "M34" || line == "M35") feedCheck = i;
            handed.push_back(line);
        }
        sensorAwaited_ |= started;
        CheckMappedOutputs("the program's lines " + std::to_string(lastLine_ + 1) + ".." +
                               std::to_string(r.gNcLineIndex) + " (started by " + w_.programBy + ")",
                           handed);
    } else {
        sensorAwaited_ = 0;
    }
    programStrokes_ &= out;
    if (w_.Input(16) == 0) sensorAwaited_ &= ~(2u & ~started);
    if (w_.Input(17) == 0) sensorAwaited_ &= ~(4u & ~started);
    outputsBefore_ = out;

    // The encoder corrections under way, and a check that a line began:
    // its first error is what the card shows now, before its move.
    FollowCorrection();
    if (feedCheck >= 0 && programOn_) {
        CorrectionWatch c;
        c.by = "line " + std::to_string(feedCheck + 1) + " " + r.gNcLines[static_cast<std::size_t>(feedCheck)] +
               " (started by " + w_.programBy + ")";
        c.line = static_cast<int16_t>(feedCheck);
        c.oneRound = r.gNcLines[static_cast<std::size_t>(feedCheck)] == "M35";
        const double pe = w_.table().gAxisPara[1].PulseEquivalent;
        c.wanted = pe == 0 ? 0 : w_.CommandPos(1) / pe;
        OpenCorrection(c);
    }
    feedPos_ = w_.CommandPos(1);

    // Messages of the machine loop: each at most once in a program.
    for (const std::string& text : w_.op.tickMessages) {
        if (!programOn_) continue;  // an external button's refusal, say
        const int shown = ++tickMessages_[text];
        Check(shown == 1, "the machine loop shows a message once",
              "\"" + text + "\" shown " + std::to_string(shown) + " times in one program");
    }
    w_.op.tickMessages.clear();

    // The Machine Adjust frame asks for a measurement only after its own
    // test, which ran on the table in force now.
    if (!prompt && panel.Text14Visible) {
        Check(lastProgramBy_.rfind("AdjustOk", 0) == 0, "the Machine Adjust frame asks only after its own test",
              "it asks \"" + panel.Label7 + "\" after a program started by " + lastProgramBy_);
        adjustTable_ = w_.table();
        adjustGroup_ = w_.program().params.gSysGroup;
        adjustMode_ = r.mDebugMode;
        // The encoder governed the test's feed only where the program had it
        // correct the feed.
        adjustByEncoder_ = false;
        const std::string program = w_.home.Read("G5.dat");
        for (std::string_view line : SplitLines(program)) adjustByEncoder_ |= line == "M34";
    }
    if (!panel.Text14Visible || !panel.TshFrameVisible) adjustTable_.reset();

    // Progress: a line handed on, an axis moved, an output switched, a dwell
    // counted down.
    bool progressed = r.gNcLineIndex != lastLine_ || out != lastOutputs_ || r.mDwellTicks < lastDwell_ ||
                      w_.AnyAxisMoving();
    for (int n = 1; n <= 4; ++n) {
        const int32_t p = w_.CommandPos(n);
        progressed = progressed || p != lastPos_[static_cast<std::size_t>(n)];
        lastPos_[static_cast<std::size_t>(n)] = p;
    }
    lastLine_ = r.gNcLineIndex;
    lastOutputs_ = out;
    lastDwell_ = r.mDwellTicks;

    if (programOn_) {
        Check(SysParaBytes(w_.table()) == tableAtStart_, "a program runs on one parameter table",
              "the table changed during the program started by " + w_.programBy);
        if (pausedAt_)
            Check(r.gNcLineIndex == *pausedAt_, "a pause holds",
                  "line " + std::to_string(*pausedAt_) + " -> " + std::to_string(r.gNcLineIndex) + " while paused");
        // A stroke of the program holds it until its sensor answers.
        const bool waiting = w_.SensorsInUse() && (((programStrokes_ & 2u) && w_.Input(16) != 0) ||
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
        // A running program that is not paused, waits for no sensor still
        // to answer and is not stepped by the operator goes on, and so comes
        // to its end by itself.
        const bool held = operatorPause_ || WaitsForSensor() || r.mStepMode == 1;
        if (progressed || held) progressAt_ = w_.now();
        // And within the time its own lines take: a crawl fails as surely
        // as a stand-still.
        if (!held) ++activeTicks_;
        Check(activeTicks_ <= endBound_, "a running program ends by itself within the time its lines take",
              "it has run " + std::to_string(activeTicks_) + " ticks, at line " + std::to_string(r.gNcLineIndex) +
                  " of " + std::to_string(r.gNcLineCount) + "; its lines take at most " + std::to_string(endBound_) +
                  " (started by " + w_.programBy + ")");
        Check(w_.now() - progressAt_ <= kStandTicks, "a running program makes progress and ends by itself",
              "it has stood still for " + std::to_string(w_.now() - progressAt_) + " ticks at line " +
                  std::to_string(r.gNcLineIndex) + " of " + std::to_string(r.gNcLineCount) + ", started by " +
                  w_.programBy);
        // Run resumes a pause at once.
        if (resumeAt_ >= 0) {
            if (progressed || WaitsForSensor() || r.mDwellTicks > 0 || r.mStepMode == 1) resumeAt_ = -1;
            else Check(w_.now() - resumeAt_ <= kResumeTicks, "Run resumes a pause",
                       "nothing has gone on " + std::to_string(w_.now() - resumeAt_) + " ticks after Run");
        }
    }

    CheckJogs(false);

    // After Stop (and nothing started since) every axis comes to rest.
    if (stopAt_ >= 0 && w_.now() - stopAt_ >= stopTicks_) {
        if (startCommand_ < stopCommand_)
            Check(!w_.AnyAxisMoving(), "Stop switches every output off and every axis stands",
                  "an axis still moves " + std::to_string(w_.now() - stopAt_) + " ticks after Stop");
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
