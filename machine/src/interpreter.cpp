#include "velbend/machine/interpreter.h"

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "velbend/common/codepage.h"
#include "velbend/common/numtext.h"
#include "velbend/machine/dialog_stop.h"
#include "velbend/machine/feed_correction.h"
#include "velbend/machine/jog.h"

namespace velbend {
namespace {

constexpr std::string_view kNum = "NUM";
// The run timer's interval when start-up has not set one yet.
constexpr int kDefaultTickMs = 30;
// The card's interpolation FIFO: 2048 words, four to a two-axis segment.
constexpr int64_t kFifoSegments = 2048 / 4;

// What the machine can do: a Y, Z or A coordinate within the outline
// import's +-100000 mm (degrees on the bend axis), an X step of at most as
// much from the last commanded X (X itself is the strip's feed position,
// which grows over a whole job), every pulse count, position and speed
// within the card's 32-bit range, a dwell within the 16-bit tick counter.
constexpr double kCardMax = 2147483647.0;
constexpr double kMaxDwellTicks = 32767.0;

// A line refused by the range check: the word at fault, as the line has it.
struct Refused {
    std::string word;
    bool speed = false;  // a move's F of 0 or below, not a range
};

// The run timer's ticks of a G04 dwell of `p` milliseconds, rounded.
double DwellTicks(const MachineContext& ctx, std::string_view p) {
    const int interval = ctx.panel.Timer2Interval > 0 ? ctx.panel.Timer2Interval : kDefaultTickMs;
    return RoundHalfEven(Val(p) / interval);
}

// The numeric words of a line that the machine cannot do, or nothing.
std::optional<Refused> OutOfRange(MachineContext& ctx, const NcWords& w) {
    // A move at a speed of 0 or below would crawl for ever.
    if (w.hasF && MovesAnyAxis(w) && !(Val(w.F) > 0)) return Refused{"F" + w.F, true};
    struct Coord {
        char letter;
        const std::string& text;
        bool has;
        int axis;
    };
    const Coord coords[] = {{'X', w.X, w.hasX, 1}, {'Y', w.Y, w.hasY, 2}, {'Z', w.Z, w.hasZ, 3}, {'A', w.A, w.hasA, 4}};
    for (const Coord& c : coords) {
        if (!c.has) continue;
        const double v = Val(c.text);
        // X is bounded by its step from the last X (MoveOutOfRange), not here.
        const bool ok = c.axis == 1 ? CardCountOk(v * ctx.axis(1).PulseEquivalent)
                                    : DistanceWithinMachine(ctx, c.axis, v);
        if (!ok) return Refused{std::string(1, c.letter) + c.text};
    }
    if (w.hasF) {
        const double f = Val(w.F);
        bool ok = std::isfinite(f);
        bool anyAxis = false;
        for (const Coord& c : coords) {
            if (!c.has) continue;
            anyAxis = true;
            ok = ok && std::fabs(f) * std::fabs(ctx.axis(c.axis).PulseEquivalent) / 60.0 <= kCardMax;
        }
        if (!anyAxis) ok = ok && std::fabs(f) * std::fabs(ctx.axis(1).PulseEquivalent) / 60.0 <= kCardMax;
        if (!ok) return Refused{"F" + w.F};
    }
    if (w.G == "04") {
        const double ticks = DwellTicks(ctx, w.P);
        if (!std::isfinite(ticks) || std::fabs(ticks) > kMaxDwellTicks) return Refused{"P" + w.P};
    }
    return std::nullopt;
}

// A relative move from `from` to `to` fits the card's signed 32-bit count.
bool MoveFits(int64_t to, int64_t from) { return std::fabs(static_cast<double>(to - from)) <= kCardMax; }

// An X move from `from` to `to` (pulses): one card count, and a step of at
// most kMaxCoordinate mm.
bool XStepFits(MachineContext& ctx, int64_t to, int64_t from) {
    return PulsesWithinMachine(ctx, 1, static_cast<double>(to - from));
}

// The refusal: the run stops as the dialogs' Stop stops it (every moving
// axis decelerated, outputs 0..7 off, run flags, seek zero, feed check and
// calibration mode cleared), the dwell and cycle count of the run are
// dropped, the markers hidden; then one message names the line and the word.
void RefuseLine(MachineContext& ctx, std::string_view line, const Refused& why) {
    auto& run = ctx.run;
    int lineNumber = 0;
    if (run.gNcLineIndex >= 0 && static_cast<std::size_t>(run.gNcLineIndex) < run.gNcLines.size() &&
        run.gNcLines[static_cast<std::size_t>(run.gNcLineIndex)] == line)
        lineNumber = run.gNcLineIndex + 1;
    ProgramStopped(ctx);

    const std::string text = GbkToUtf8(line), word = GbkToUtf8(why.word);
    const std::string n = std::to_string(lineNumber);
    std::string msg;
    if (ctx.params.gLanguage == 0)
        msg = (lineNumber > 0 ? "加工程序第" + n + "行" : std::string("加工程序行")) +
              (why.speed ? "的速度（" + word + "）必须大于0" : "超出机床的范围（" + word + "）") + "，加工已停止：" + text;
    else
        msg = (lineNumber > 0 ? "Line " + n + " of the machining program" : std::string("A machining program line")) +
              (why.speed ? " has a speed (" + word + ") that must be greater than 0"
                         : " is beyond what the machine can do (" + word + ")") +
              "; the run is stopped: " + text;
    ctx.op.MsgBox(msg, MsgButtons::Ok, MsgIcon::Critical, ctx.TitleWrong());
}

int32_t Sat32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

double Pe(MachineContext& ctx, int axis) { return ctx.axis(axis).PulseEquivalent; }

int32_t ToPulses(MachineContext& ctx, int axis, std::string_view text) {
    return CardInt(Val(text) * Pe(ctx, axis));
}

// The move the line makes (the coordinate words as RunNcLine dispatches
// them), checked before anything of the line is done: its relative pulse
// counts must fit the card's signed 32-bit count.  X and Y go from the last
// commanded X and Y, Z and A from the card's command position (read here).
// Lines merged into the move later are checked as they are merged.
std::optional<Refused> MoveOutOfRange(MachineContext& ctx, const NcWords& w) {
    auto& run = ctx.run;
    if (!w.X.empty()) {
        if (!XStepFits(ctx, ToPulses(ctx, 1, w.X), run.mLastXPulses)) return Refused{"X" + w.X};
        if (!w.Y.empty() && !MoveFits(ToPulses(ctx, 2, w.Y), run.mLastYPulses)) return Refused{"Y" + w.Y};
        return std::nullopt;
    }
    if (!w.Y.empty()) {
        if (!MoveFits(ToPulses(ctx, 2, w.Y), run.mLastYPulses)) return Refused{"Y" + w.Y};
        return std::nullopt;
    }
    const int axis = !w.Z.empty() ? 3 : (!w.A.empty() ? 4 : 0);
    if (axis == 0) return std::nullopt;
    const std::string& text = axis == 3 ? w.Z : w.A;
    int32_t from = 0;
    ctx.card.get_command_pos(0, axis, &from);
    if (!MoveFits(ToPulses(ctx, axis, text), from)) return Refused{(axis == 3 ? "Z" : "A") + text};
    return std::nullopt;
}

// Single-axis moves of one line.
void MoveX(MachineContext& ctx, int32_t px) {
    auto& run = ctx.run;
    SetAxisMotion(ctx, 1, ctx.axis(1).AutoFeedrate);
    ctx.card.pmove(0, 1, Sat32(int64_t{px} - run.mLastXPulses));
    run.mLastXPulses = px;
}

void MoveY(MachineContext& ctx, int32_t py) {
    auto& run = ctx.run;
    const auto& ax = ctx.axis(2);
    int32_t v = CardSpeed(ctx, 2, ax.AutoFeedrate);
    int32_t sv = v < 10000 ? 1000 : CardInt(v / 20.0);
    ctx.card.set_speed(0, 2, v);
    ctx.card.set_startv(0, 2, sv);
    ctx.card.set_acc(0, 2, CardInt(ax.Acceleration * 10000.0));
    ctx.card.pmove(0, 2, Sat32(int64_t{py} - run.mLastYPulses));
    run.mLastYPulses = py;
}

// Z (axis 3) and A (axis 4): relative to the card's own command position.
void MoveFromCard(MachineContext& ctx, int axis, int32_t p) {
    SetAxisMotion(ctx, axis, ctx.axis(axis).AutoFeedrate);
    ctx.card.get_command_pos(0, axis, &ctx.run.gCardRet);
    ctx.card.pmove(0, axis, Sat32(int64_t{p} - ctx.run.gCardRet));
}

// X_Only of the line after the current one; the line after the program's
// last counts as not mergeable, and so does a line that the range check
// refuses (it is refused when its own turn comes: the lines before it run).
std::string LookAhead(MachineContext& ctx) {
    const auto& run = ctx.run;
    int next = run.gNcLineIndex + 1;
    if (next >= run.gNcLineCount || next >= static_cast<int>(run.gNcLines.size()))
        return X_Only(ctx, std::string_view());
    const std::string& line = run.gNcLines[static_cast<std::size_t>(next)];
    if (OutOfRange(ctx, SplitNcWords(line))) return X_Only(ctx, std::string_view());
    return X_Only(ctx, line);
}


void AdvanceIndex(RunState& run) {
    if (run.gNcLineIndex < std::numeric_limits<int16_t>::max()) ++run.gNcLineIndex;
}

// X word, no Y word: merge the X-only lines that follow (and XY lines that
// leave Y where it is) into one move.
void XLine(MachineContext& ctx, std::string t) {
    auto& run = ctx.run;
    for (;;) {
        std::string r = LookAhead(ctx);
        // A target too far from the last X for one move is not merged.
        if (r != kNum && !XStepFits(ctx, ToPulses(ctx, 1, r), run.mLastXPulses)) break;
        if (r != kNum) {
            t = std::move(r);
            AdvanceIndex(run);
            continue;
        }
        if (!run.mLastNcX.empty() && !run.mLastNcY.empty()) {
            double ny = Val(run.mLastNcY) * Pe(ctx, 2);
            if (ny == static_cast<double>(run.mLastYPulses) &&
                XStepFits(ctx, ToPulses(ctx, 1, run.mLastNcX), run.mLastXPulses)) {
                t = run.mLastNcX;
                AdvanceIndex(run);
                continue;
            }
        }
        break;
    }
    MoveX(ctx, ToPulses(ctx, 1, t));
}

void TwoMoves(MachineContext& ctx, int32_t px, int32_t py) {
    MoveX(ctx, px);
    MoveY(ctx, py);
}

// X and Y along a polyline, queued in the card's interpolation FIFO as
// slices of 20 ms with a ramp up and down of the X step.
void InterpolatedRun(MachineContext& ctx, const NcWords& w) {
    auto& run = ctx.run;
    auto& pts = run.mInterpPoints;
    const auto& sys = ctx.sys();
    const double pe1 = Pe(ctx, 1), pe2 = Pe(ctx, 2);
    const int32_t px = ToPulses(ctx, 1, w.X), py = ToPulses(ctx, 2, w.Y);

    const int64_t a = CardInt(ctx.axis(1).Acceleration * 10000.0 * 125.0 * 0.02 * 0.02);
    // The profile needs an X step growth of at least one pulse and X going
    // forward; anything else moves as two single-axis moves.
    if (a < 1 || px <= run.mLastXPulses) {
        TwoMoves(ctx, px, py);
        return;
    }

    // The whole run is queued at once: its points and both ramps (at most
    // nMax slices each) must fit in the card's FIFO, or the card drops
    // what does not and the axes end elsewhere.
    const int64_t nMax = static_cast<int64_t>(CardSpeed(ctx, 1, ctx.axis(1).AutoFeedrate) * 0.02 /
                                              static_cast<double>(a));
    const int64_t lastPoint = std::min<int64_t>(450, kFifoSegments - 1 - 2 * nMax);

    pts[0] = {run.mLastXPulses, run.mLastYPulses};
    pts[1] = {px, py};
    run.mInterpCount = 1;
    std::string cx = w.X, cy = w.Y;
    // Every step of the run between two of its points must fit a card count:
    // a point that would widen the run's X or Y span beyond it ends the run.
    int64_t yMin = std::min(pts[0].second, pts[1].second), yMax = std::max(pts[0].second, pts[1].second);
    auto fits = [&](int32_t xr, int32_t yr) {
        return MoveFits(xr, pts[0].first) && MoveFits(std::max<int64_t>(yMax, yr), std::min<int64_t>(yMin, yr));
    };
    for (;;) {
        if (run.mInterpCount > lastPoint) break;
        std::string r = LookAhead(ctx);
        const auto& prev = pts[static_cast<std::size_t>(run.mInterpCount)];
        if (r != kNum) {
            if (Val(r) - Val(cx) > 20) break;
            int32_t xr = ToPulses(ctx, 1, r);
            if (xr < prev.first) break;  // the polyline only goes forward
            if (!fits(xr, prev.second)) break;
            pts[static_cast<std::size_t>(++run.mInterpCount)] = {xr, prev.second};
            cx = std::move(r);
        } else {
            if (run.mLastNcX.empty() || run.mLastNcY.empty()) break;
            double dy = std::fabs(Val(run.mLastNcY) - Val(cy));
            double dxmm = Val(run.mLastNcX) - Val(cx);
            if (dy < 0.00001 && dxmm > 20) break;
            if (dy > sys.gSpaceAngleP || dy > sys.gSpaceAngleN) break;
            if (dxmm * pe1 < dy * pe2) break;
            int32_t xr = ToPulses(ctx, 1, run.mLastNcX);
            if (xr < prev.first) break;
            const int32_t yr = ToPulses(ctx, 2, run.mLastNcY);
            if (!fits(xr, yr)) break;
            yMin = std::min<int64_t>(yMin, yr);
            yMax = std::max<int64_t>(yMax, yr);
            pts[static_cast<std::size_t>(++run.mInterpCount)] = {xr, yr};
            cx = run.mLastNcX;
            cy = run.mLastNcY;
        }
        AdvanceIndex(run);
    }

    if (run.mInterpCount == 1) {
        TwoMoves(ctx, px, py);
        return;
    }

    const int count = run.mInterpCount;
    const int64_t x0 = pts[0].first;
    const int64_t xLast = pts[static_cast<std::size_t>(count)].first;
    const int64_t yLast = pts[static_cast<std::size_t>(count)].second;

    // Profile.
    int64_t v = CardSpeed(ctx, 1, ctx.axis(1).AutoFeedrate);
    int64_t n = static_cast<int64_t>(static_cast<double>(v) * 0.02 / static_cast<double>(a));
    v = CardInt(static_cast<double>(a * n) / 0.02);
    const double half = static_cast<double>(xLast - x0) / 2.0;
    int64_t s = 0;
    for (int64_t i = 1; i <= n; ++i) {
        s += a * i;
        if (static_cast<double>(s) > half) {
            n = i - 1;
            s -= a * i;
            v = CardInt(static_cast<double>(a * n) / 0.02);
            break;
        }
    }
    if (n == 0) v = CardInt(static_cast<double>(a) / 0.02);

    int64_t cx0 = x0, cy0 = pts[0].second;
    int j = 0;
    auto yOn = [&](int64_t xt) -> int64_t {
        while (j <= count && pts[static_cast<std::size_t>(j)].first <= xt) ++j;
        if (j == 0) return pts[0].second;
        if (j > count) return yLast;
        const auto& p0 = pts[static_cast<std::size_t>(j - 1)];
        const auto& p1 = pts[static_cast<std::size_t>(j)];
        double f = static_cast<double>(xt - p0.first) / static_cast<double>(p1.first - p0.first);
        return CardInt(f * static_cast<double>(p1.second - p0.second) + p0.second);
    };
    auto limit = [&](int64_t xt, int64_t yt) -> int64_t {
        double dx = 0.8 * static_cast<double>(xt - cx0);
        if (std::fabs(static_cast<double>(yt - cy0)) > dx)
            return yt > cy0 ? CardInt(cy0 + dx) : CardInt(cy0 - dx);
        return yt;
    };
    auto queue = [&](int64_t xt, int64_t yt, int64_t speed) {
        if (xt == cx0 && yt == cy0) return;  // nothing to move
        ctx.card.fifo_inp_move2(0, 1, 2, Sat32(xt - cx0), Sat32(yt - cy0), Sat32(speed));
        cx0 = xt;
        cy0 = yt;
        run.mLastXPulses = Sat32(xt);
        run.mLastYPulses = Sat32(yt);
    };

    // Ramp up.
    for (int64_t i = 1; i <= n; ++i) {
        int64_t xt = cx0 + a * i;
        queue(xt, limit(xt, yOn(xt)), a * i * 100);
    }
    // Cruise.
    for (int k = j < 1 ? 1 : j; k <= count; ++k) {
        const auto& pk = pts[static_cast<std::size_t>(k)];
        if (static_cast<double>(xLast - pk.first) > static_cast<double>(s)) {
            queue(pk.first, limit(pk.first, pk.second), 2 * v);
        } else {
            int64_t xt = xLast - s;
            queue(xt, limit(xt, yOn(xt)), 2 * v);
            break;
        }
    }
    // Ramp down; the last slice ends on the last point.
    for (int64_t i = 0; i < n; ++i) {
        double step = static_cast<double>(v) * 0.02 - static_cast<double>(a * i);
        int64_t speed = CardInt(step * 50.0 * 2.0);
        if (i == n - 1) {
            queue(xLast, limit(xLast, yLast), speed);
        } else {
            int64_t xt = cx0 + CardInt(step);
            if (xt > xLast) xt = xLast;
            queue(xt, limit(xt, yOn(xt)), speed);
        }
    }
}

void XYLine(MachineContext& ctx, const NcWords& w) {
    auto& run = ctx.run;
    const auto& sys = ctx.sys();
    const double pe1 = Pe(ctx, 1), pe2 = Pe(ctx, 2);
    const double yTarget = Val(w.Y) * pe2;
    const int32_t px = ToPulses(ctx, 1, w.X), py = ToPulses(ctx, 2, w.Y);
    const double dY = std::fabs(yTarget - run.mLastYPulses);
    const double P = sys.gSpaceAngleP * pe2, N = sys.gSpaceAngleN * pe2;

    if (dY > P || dY > N) return TwoMoves(ctx, px, py);
    const double lastY = std::fabs(static_cast<double>(run.mLastYPulses));
    if (std::fabs(lastY - P) < 2 || std::fabs(lastY - N) < 2) return TwoMoves(ctx, px, py);
    const double dX = std::fabs(Val(w.X) * pe1 - run.mLastXPulses);
    if (dX < dY) {
        if (!ctx.secondBuild) return TwoMoves(ctx, px, py);
        const auto& ax2 = ctx.axis(2);
        ctx.card.set_speed(0, 1, CardSpeed(ctx, 2, ax2.AutoFeedrate));
        ctx.card.inp_move2(0, 1, 2, Sat32(int64_t{px} - run.mLastXPulses),
                           Sat32(int64_t{py} - run.mLastYPulses));
        run.mLastYPulses = py;
        run.mLastXPulses = px;
        return;
    }
    if (dY < 2 && run.mLastYPulses == 0) return MoveX(ctx, px);
    InterpolatedRun(ctx, w);
}

// Seek zero of axis 2, 3 or 4 started by the program (M38, M40, M42).
void ProgramSeekZero(MachineContext& ctx, int n) {
    auto& run = ctx.run;
    AdvanceIndex(run);
    const auto& ax = ctx.axis(n);
    ctx.card.set_stop0_mode(0, n, 1, 0);
    SetAxisMotion(ctx, n, std::abs(static_cast<int>(ax.SeekZeroFeedrate)));
    ctx.card.pmove(0, n, ax.SeekZeroFeedrate > 0 ? 1000000 : -1000000);
    run.gHomeState = static_cast<int16_t>(n);
    run.gHomeStarted = 1;
    run.mHomeStarter = Starter::Program;
}

void MAction(MachineContext& ctx, const std::string& m) {
    auto& run = ctx.run;
    auto& card = ctx.card;
    // A cutter stroke holds the program only where a sensor ends it; in
    // delay mode the dwell that follows does the waiting.
    const bool sensorEnds = ctx.sys().gCutterUpDownMode == 0 && ctx.sys().gPositionDetectMode == 0;
    if (m == "10") card.write_bit(0, 0, 1);
    else if (m == "11") card.write_bit(0, 0, 0);
    else if (m == "12") {
        card.write_bit(0, 1, 1);
        if (sensorEnds) run.mSensorWait = 1;  // until input 16
    } else if (m == "13") card.write_bit(0, 1, 0);
    else if (m == "14") {
        card.write_bit(0, 2, 1);
        if (sensorEnds) run.mSensorWait = 2;  // until input 17
    } else if (m == "15") card.write_bit(0, 2, 0);
    else if (m == "16") card.write_bit(0, 3, 1);
    else if (m == "17") card.write_bit(0, 3, 0);
    else if (m == "18") card.write_bit(0, 4, 1);
    else if (m == "19") card.write_bit(0, 4, 0);
    else if (m == "34") StartFeedCheck(ctx, true);
    else if (m == "35") StartFeedCheck(ctx, false);
    else if (m == "36") {
        AdvanceIndex(run);
        run.mSeekFromProgram = 1;
        Command_XZ_Click(ctx);
    } else if (m == "38") ProgramSeekZero(ctx, 2);
    else if (m == "40") ProgramSeekZero(ctx, 3);
    else if (m == "42") ProgramSeekZero(ctx, 4);
}

}  // namespace

bool CardCountOk(double pulses) { return std::isfinite(pulses) && std::fabs(RoundHalfEven(pulses)) <= kCardMax; }

std::optional<std::string> WordBeyondMachine(MachineContext& ctx, std::string_view line) {
    const auto bad = OutOfRange(ctx, SplitNcWords(line));
    if (!bad || bad->speed) return std::nullopt;
    return bad->word;
}

int32_t CardInt(double v) {
    if (std::isnan(v)) return 0;
    double r = RoundHalfEven(v);
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

NcWords SplitNcWords(std::string_view line) {
    NcWords w;
    std::string* cur = nullptr;
    for (char c : line) {
        switch (c) {
            case 'X': case 'x': cur = &w.X; w.hasX = true; continue;
            case 'Y': case 'y': cur = &w.Y; w.hasY = true; continue;
            case 'Z': case 'z': cur = &w.Z; w.hasZ = true; continue;
            case 'A': case 'a': cur = &w.A; w.hasA = true; continue;
            case 'G': case 'g': cur = &w.G; w.hasG = true; continue;
            case 'M': case 'm': cur = &w.M; w.hasM = true; continue;
            case 'F': case 'f': cur = &w.F; w.hasF = true; continue;
            case 'P': case 'p': cur = &w.P; w.hasP = true; continue;
            default: break;
        }
        if (c == ';') break;
        if (c == ' ') {
            cur = nullptr;
            continue;
        }
        if (cur) cur->push_back(c);
    }
    return w;
}

bool MovesAxis(const NcWords& w, int axis) {
    if (w.G == "92" || w.G == "04") return false;
    switch (axis) {
        case 1: return !w.X.empty();
        case 2: return !w.Y.empty();
        case 3: return !w.Z.empty();
        case 4: return !w.A.empty();
        default: return false;
    }
}

bool MovesAnyAxis(const NcWords& w) {
    for (int n = 1; n <= 4; ++n)
        if (MovesAxis(w, n)) return true;
    return false;
}

void SetAxisMotion(MachineContext& ctx, int axis, double feedPerMinute, int32_t startSpeed) {
    const auto& ax = ctx.axis(axis);
    ctx.card.set_speed(0, axis, CardSpeed(ctx, axis, feedPerMinute));
    ctx.card.set_startv(0, axis, startSpeed);
    ctx.card.set_acc(0, axis, CardInt(ax.Acceleration * 10000.0));
}

void ReportZeroEquivalent(MachineContext& ctx) {
    ctx.op.MsgBox(ctx.Tr("送料轴脉冲当量或编码器当量为0，无法进行送料修正！",
                         "Pulse or encoder equivalent of the feed axis is 0, no feed correction!"),
                  MsgButtons::Ok, MsgIcon::Warning, ctx.TitleWrong());
}

void ReportZeroEquivalentInProgram(MachineContext& ctx) {
    if (ctx.run.mEquivalentTold != 0) return;
    ctx.run.mEquivalentTold = 1;
    ReportZeroEquivalent(ctx);
}

std::string X_Only(MachineContext& ctx, std::string_view line) {
    auto& run = ctx.run;
    NcWords w = SplitNcWords(line);
    run.mLastNcX.clear();
    run.mLastNcY.clear();
    if (!w.X.empty() && w.Y.empty() && !w.hasG) return w.X;
    if (!w.X.empty() && !w.Y.empty() && !w.hasG) {
        run.mLastNcX = w.X;
        run.mLastNcY = w.Y;
    }
    return std::string(kNum);
}

void RunNcLine(MachineContext& ctx, std::string_view line) {
    auto& run = ctx.run;
    NcWords w = SplitNcWords(line);
    if (auto bad = OutOfRange(ctx, w)) return RefuseLine(ctx, line, *bad);
    if (w.G != "92" && w.G != "04")
        if (auto bad = MoveOutOfRange(ctx, w)) return RefuseLine(ctx, line, *bad);

    if (w.G == "92") {
        if (!w.X.empty()) {
            int32_t p = ToPulses(ctx, 1, w.X);
            ctx.card.set_command_pos(0, 1, p);
            ctx.card.set_actual_pos(0, 1, p);
            run.mLastXPulses = p;
        }
        if (!w.Y.empty()) {
            int32_t p = ToPulses(ctx, 2, w.Y);
            ctx.card.set_command_pos(0, 2, p);
            run.mLastYPulses = p;
        }
        if (!w.Z.empty()) ctx.card.set_command_pos(0, 3, ToPulses(ctx, 3, w.Z));
        if (!w.A.empty()) ctx.card.set_command_pos(0, 4, ToPulses(ctx, 4, w.A));
        return;
    }
    if (w.G == "04") {
        double ticks = DwellTicks(ctx, w.P);
        if (!(ticks > 0)) ticks = 0;
        if (ticks > std::numeric_limits<int16_t>::max()) ticks = std::numeric_limits<int16_t>::max();
        run.mDwellTicks = static_cast<int16_t>(ticks);
        return;
    }
    if (!w.M.empty()) MAction(ctx, w.M);

    if (!w.X.empty() && w.Y.empty()) {
        XLine(ctx, w.X);
    } else if (!w.X.empty()) {
        XYLine(ctx, w);
    } else if (!w.Y.empty()) {
        MoveY(ctx, ToPulses(ctx, 2, w.Y));
    } else if (!w.Z.empty()) {
        MoveFromCard(ctx, 3, ToPulses(ctx, 3, w.Z));
    } else if (!w.A.empty()) {
        MoveFromCard(ctx, 4, ToPulses(ctx, 4, w.A));
    }
}

}  // namespace velbend
