// The command-sequence test.  Replays the regression cases of the corpus,
// then runs seeded random sequences; a failing sequence is shrunk to a short
// one and printed as a line that --replay (or the corpus) takes back.
//
//   forms_sequences [--count N] [--seed S] [--length L] [--corpus FILE]
//                   [--replay "set-up | steps"] [--keep-going] [--no-shrink]
//                   [--ignore TEXT]...
//
// --keep-going runs every sequence whatever fails; --ignore lets pass the
// failures whose text holds TEXT (to look for the next fault while one is
// known).
//
// The last line says: "sequences: N run, M steps, K checks, F failed".
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "checks.h"
#include "velbend/machine/run_state.h"

using namespace velbend;
using namespace velbend::sequences;

namespace {

struct Options {
    int count = 300;
    uint64_t seed = 1;
    int length = 120;
    std::string corpus = VELBEND_SEQUENCE_CORPUS;
    std::string replay;
    bool keepGoing = false;
    bool shrink = true;
    std::vector<std::string> ignore;
};

struct Outcome {
    std::optional<Failure> failure;
    size_t failedAt = 0;   // index of the failing step
    int64_t steps = 0;     // commands and ticks run
    int64_t checks = 0;
    bool skipped = false;
    std::string why;
};

bool Available(World& w, const Command& c) {
    // The program starts again only after its window has closed.
    if (std::string_view(c.name) == "Restart") return w.closed();
    if (w.closed()) return c.win == Win::Env;
    // The setup button opens the operator's parameters at user level 0 and
    // the makers' above (the user dialog changes the level).
    switch (c.win) {
        case Win::Gy1: return w.program().params.gUserLevel == 0;
        case Win::Gy: return w.program().params.gUserLevel != 0;
        case Win::Wfb: return w.setup().benders > 0;
        default: return true;
    }
}

// The next step of a calibration panel's rounds, from the step before:
// move, let it run, type the length measured, calculate, apply; then
// another round (which must not compound the first) or Save.
Step Round(Rng& rng, const std::vector<Step>& before, const Step& move, const Step& actual, const Step& calculate,
           const Step& apply, const Step& save) {
    auto is = [&](size_t back, const Step& s) {
        return before.size() >= back && before[before.size() - back].name == s.name &&
               (s.name.ends_with("Actual") || before[before.size() - back].arg == s.arg);
    };
    if (is(1, move)) return {"Tick", 60};
    if (is(2, move)) return actual;
    if (is(1, actual)) return calculate;
    if (is(1, calculate)) return apply;
    if (is(1, apply) && rng.Chance(30)) return save;
    return move;
}

// The next step of a random sequence, from what the machine shows now.
Step NextStep(World& w, Rng& rng, const std::vector<Step>& before) {
    if (w.closed()) return rng.Chance(15) ? Step{"Restart", 0} : Step{"Tick", 1 + rng.Below(10)};
    // Once the machine stands still, the operator often runs the next job.
    if (!before.empty() && before.back().name == "Wait" && w.m().drawing.pick.mSelCount > 0 && rng.Chance(30))
        return {"Run", 0};
    if (rng.Chance(40)) return {"Tick", rng.Chance(75) ? 1 + rng.Below(12) : 15 + rng.Below(150)};
    // The operator waits for the machine to stand still, or for the program
    // to end, then acts.
    if (rng.Chance(8)) return {"Wait", 0};
    if (AnyRunFlag(w.run()) && rng.Chance(10)) return {"Finish", 0};
    if (!w.held.empty() && rng.Chance(35)) {
        auto it = w.held.begin();
        std::advance(it, rng.Below(static_cast<int>(w.held.size())));
        return *Step::Parse(*it);
    }
    if (rng.Chance(1)) return {"CloseWindow", 0};
    // The Machine Adjust frame's round, through to its correction: the test
    // started, run to its end, the measurement typed and entered.
    const MainPanel& panel = w.ctx().panel;
    const bool running = AnyRunFlag(w.run());
    if (panel.TshFrameVisible && !running && rng.Chance(40)) {
        if (!panel.Text14Visible) return {"AdjustOk", rng.Chance(80) ? 0 : 1};
        if (rng.Chance(50)) return {"AdjustValue", rng.Below(3)};
        return {"AdjustOk", 0};
    }
    if (running && w.programBy.rfind("AdjustOk", 0) == 0 && rng.Chance(40)) return {"Finish", 0};
    // A calibration panel's rounds: opened, then move, measure, calculate, apply.
    if (w.open() == Win::Gy1 && w.gy1 && !w.gy1->C("Frame6").Visible && !running && rng.Chance(25))
        return {"gy1.Panel", rng.Below(2)};
    if (w.open() == Win::Jjz && w.jjz && !w.jjz->PanelVisible() && !running && rng.Chance(25))
        return {"jjz.Panel", 0};
    if (w.open() == Win::Gy1 && w.gy1 && w.gy1->C("Frame6").Visible && !running && rng.Chance(50))
        return Round(rng, before, {"gy1.Move", 0}, {"gy1.Actual", rng.Below(3)}, {"gy1.Calc", 0}, {"gy1.Calc", 1},
                     {"gy1.Save", 0});
    if (w.open() == Win::Jjz && w.jjz && w.jjz->PanelVisible() && !running && rng.Chance(50))
        return Round(rng, before, {"jjz.Panel7", 4}, {"jjz.Actual", rng.Below(3)}, {"jjz.Panel7", 2},
                     {"jjz.Panel7", 3}, {"jjz.Save", 0});
    // A value typed into a dialog is often saved at once; a cylinder
    // cutter's stroke by hand is often followed by a switch of its position
    // detection, saved.
    const std::string last = before.empty() ? std::string() : before.back().name;
    const int lastArg = before.empty() ? 0 : before.back().arg;
    if (w.open() == Win::Jjz && (last == "jjz.Manual" || last == "jjz.Encoder" || last == "jjz.Speed") && rng.Chance(50))
        return {"jjz.Save", 0};
    if (w.open() == Win::Gy1 && last == "gy1.Encoder" && rng.Chance(50)) return {"gy1.Save", 0};
    if (w.open() == Win::Gy && last == "gy.LengthComp" && rng.Chance(50)) return {"gy.Save", 0};
    if (w.open() == Win::Sb && last == "sb.Option" && (lastArg == 4 || lastArg == 5) && rng.Chance(60))
        return {"sb.Save", 0};
    if (w.open() == Win::Sb && last == "sb.Cutter" && lastArg < 2 && w.table().gCutterUpDownMode == 0 && rng.Chance(40))
        return {"sb.Option", 4 + rng.Below(2)};
    const auto& d = w.m().drawing;
    const bool outline = d.tables.mNodeCount > 1;
    const bool program = AnyRunFlag(w.run());
    // A manual speed of less than a pulse a second in force: the moves by
    // hand that must refuse it come more often.
    bool crawlingHand = false;
    for (int a = 1; a <= 4; ++a) {
        const AxisPara& ax = w.table().gAxisPara[a];
        crawlingHand = crawlingHand || std::fabs(ax.ManualFeedrate * ax.PulseEquivalent / 60.0) < 1 ||
                       ax.ManualFeedrate <= 0;
    }
    std::vector<std::pair<const Command*, int>> choice;
    int total = 0;
    for (const Command& c : Commands()) {
        if (c.weight == 0 || !Available(w, c) || std::string_view(c.name).ends_with(".Up")) continue;
        int weight = c.weight * 10;
        const std::string_view n = c.name;
        if (c.win == w.open() && c.win != Win::Main) weight *= 4;
        if (n == "Open" && !outline) weight *= 6;
        if (n == "PickWhole" && outline && d.pick.mSelCount == 0) weight *= 8;
        if (n == "PickShift" && outline && d.pick.mSelCount == 0) weight *= 3;
        if (n == "Run" && d.pick.mSelCount > 0 && !program) weight *= 5;
        if (n == "Pause" && program) weight *= 3;
        if ((n == "AdjustOk" || n == "AdjustValue") && w.ctx().panel.TshFrameVisible) weight *= 6;
        // While the frame asks for a measurement, the operator may change
        // the table it is for.
        if ((n == "Group" || n.ends_with(".Save")) && w.ctx().panel.Text14Visible && w.ctx().panel.TshFrameVisible)
            weight *= 8;
        if (n == "gy1.Move" && w.gy1 && w.gy1->C("Frame6").Visible) weight *= 4;
        if (crawlingHand && (n == "gy1.Move" || n == "wfb.Rotate" || n == "sb.Cutter" || n == "jjz.Down")) weight *= 6;
        if (n == "CloseWindow") weight = 0;
        total += weight;
        choice.emplace_back(&c, weight);
    }
    int r = rng.Below(total);
    for (auto [c, weight] : choice) {
        if (r < weight) return {c->name, rng.Below(c->args)};
        r -= weight;
    }
    return {"Tick", 1};
}

// Plays a sequence on a fresh machine.  With `rng`, steps are made up as it
// goes (up to `length`) and appended to `steps`; else `steps` is replayed.
Outcome Play(const Setup& setup, std::vector<Step>& steps, Rng* rng, int length, const Options& opt) {
    Outcome out;
    World w(setup);
    if (!w.Usable()) {
        out.skipped = true;
        out.why = w.WhyNot();
        return out;
    }
    Checker ck(w, opt.ignore);
    for (size_t i = 0;; ++i) {
        if (rng) {
            if (i >= static_cast<size_t>(length)) break;
            steps.push_back(NextStep(w, *rng, steps));
        } else if (i >= steps.size()) {
            break;
        }
        const Step s = steps[i];
        if (s.name == "Tick") {
            for (int k = 0; k < std::max(1, s.arg) && !ck.failure(); ++k) {
                ck.Tick();
                ++out.steps;
            }
        } else if (s.name == "Wait" || s.name == "Finish") {
            // Ticks until every axis stands (at most 20 s of machine time),
            // or until the program has ended (at most 60 s).
            const bool finish = s.name == "Finish";
            for (int k = 0; k < (finish ? 2000 : 700) && !ck.failure(); ++k) {
                if (k > 0 && !(finish ? AnyRunFlag(w.run()) : w.AnyAxisMoving())) break;
                ck.Tick();
                ++out.steps;
            }
        } else if (const Command* c = FindCommand(s.name); c && Available(w, *c)) {
            if (c->win != Win::Env) w.Show(c->win);
            const Cls cls = c->cls(w, s.arg);
            ck.BeforeCommand(s, *c, cls);
            c->act(w, s.arg);
            ck.AfterCommand(s, *c, cls);
            ++out.steps;
        }
        if (ck.failure()) {
            out.failure = ck.failure();
            out.failedAt = i;
            break;
        }
    }
    out.checks = ck.checks();
    return out;
}

bool FailsAlike(const Setup& setup, std::vector<Step> steps, const std::string& check, int& budget,
                const Options& opt) {
    --budget;
    const Outcome o = Play(setup, steps, nullptr, 0, opt);
    return o.failure && o.failure->check == check;
}

// The shortest failing sequence we find: later steps cut, chunks left out
// (delta debugging), long runs of ticks shortened.
std::vector<Step> Shrink(const Setup& setup, std::vector<Step> steps, const Outcome& failed, const Options& opt) {
    const std::string check = failed.failure->check;
    steps.resize(failed.failedAt + 1);
    int budget = 600;
    size_t parts = 2;
    while (steps.size() >= 2 && budget > 0) {
        const size_t chunk = (steps.size() + parts - 1) / parts;
        bool cut = false;
        for (size_t start = 0; start < steps.size() && budget > 0; start += chunk) {
            std::vector<Step> candidate(steps.begin(), steps.begin() + static_cast<long>(start));
            candidate.insert(candidate.end(), steps.begin() + static_cast<long>(std::min(steps.size(), start + chunk)),
                             steps.end());
            if (FailsAlike(setup, candidate, check, budget, opt)) {
                steps = std::move(candidate);
                parts = std::max<size_t>(parts - 1, 2);
                cut = true;
                break;
            }
        }
        if (!cut) {
            if (parts >= steps.size()) break;
            parts = std::min(steps.size(), parts * 2);
        }
    }
    for (Step& s : steps) {
        while (s.name == "Tick" && s.arg > 1 && budget > 0) {
            const int was = s.arg;
            s.arg = was / 2;
            std::vector<Step> candidate = steps;
            if (!FailsAlike(setup, candidate, check, budget, opt)) {
                s.arg = was;
                break;
            }
        }
    }
    return steps;
}

struct Totals {
    int64_t run = 0, steps = 0, checks = 0, failed = 0;
    void Add(const Outcome& o) {
        ++run;
        steps += o.steps;
        checks += o.checks;
        if (o.failure) ++failed;
    }
};

std::string CaseLine(const Setup& setup, const std::vector<Step>& steps) {
    return setup.Text() + " | " + StepsText(steps);
}

void Report(const char* what, const Setup& setup, const std::vector<Step>& steps, const Outcome& o, bool shrink,
            const Options& opt) {
    std::printf("FAILED %s: %s: %s\n", what, o.failure->check.c_str(), o.failure->detail.c_str());
    std::vector<Step> shortest = steps;
    if (shrink) shortest = Shrink(setup, steps, o, opt);
    else shortest.resize(std::min(steps.size(), o.failedAt + 1));
    std::vector<Step> replay = shortest;
    const Outcome again = Play(setup, replay, nullptr, 0, opt);
    if (again.failure) std::printf("  shrunk to %zu steps: %s: %s\n", shortest.size(), again.failure->check.c_str(),
                                   again.failure->detail.c_str());
    std::printf("  replay: --replay \"%s\"\n", CaseLine(setup, shortest).c_str());
}

// "set-up | steps" of a case line (a corpus line has its name first).
bool ParseCase(const std::string& line, Setup& setup, std::vector<Step>& steps) {
    const size_t bar = line.find('|');
    if (bar == std::string::npos) return false;
    auto s = Setup::Parse(line.substr(0, bar));
    auto st = ParseSteps(line.substr(bar + 1));
    if (!s || !st) return false;
    setup = *s;
    steps = *st;
    return true;
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--count") o.count = std::atoi(value().c_str());
        else if (a == "--seed") o.seed = std::strtoull(value().c_str(), nullptr, 10);
        else if (a == "--length") o.length = std::atoi(value().c_str());
        else if (a == "--corpus") o.corpus = value();
        else if (a == "--replay") o.replay = value();
        else if (a == "--keep-going") o.keepGoing = true;
        else if (a == "--no-shrink") o.shrink = false;
        else if (a == "--ignore") o.ignore.push_back(value());
        else {
            std::fprintf(stderr, "unknown option %s\n", a.c_str());
            std::exit(2);
        }
    }
    return o;
}

// The program folders of the sequences go to a RAM-backed folder where there
// is one: every save syncs its file, and on a disk the syncs are most of the
// test's time.
void UseRamFolder() {
    const char* const shm = "/dev/shm";
    if (::access(shm, W_OK | X_OK) == 0) ::setenv("TMPDIR", shm, 1);
}

}  // namespace

int main(int argc, char** argv) {
    const Options opt = ParseOptions(argc, argv);
    UseRamFolder();
    Totals totals;
    const auto begin = std::chrono::steady_clock::now();

    if (!opt.replay.empty()) {
        Setup setup;
        std::vector<Step> steps;
        if (!ParseCase(opt.replay, setup, steps)) {
            std::fprintf(stderr, "cannot read the case \"%s\"\n", opt.replay.c_str());
            return 2;
        }
        const Outcome o = Play(setup, steps, nullptr, 0, opt);
        if (o.skipped) {
            std::printf("skipped: %s\n", o.why.c_str());
            return 0;
        }
        totals.Add(o);
        if (o.failure) Report("the case", setup, steps, o, opt.shrink, opt);
    } else {
        // The regression cases first: each is a sequence that once failed.
        std::ifstream corpus(opt.corpus);
        std::string line;
        int lineNo = 0;
        while (std::getline(corpus, line)) {
            ++lineNo;
            if (line.empty() || line[0] == '#') continue;
            const size_t colon = line.find(':');
            Setup setup;
            std::vector<Step> steps;
            if (colon == std::string::npos || !ParseCase(line.substr(colon + 1), setup, steps)) {
                std::printf("FAILED corpus line %d: cannot be read\n", lineNo);
                ++totals.failed;
                continue;
            }
            const Outcome o = Play(setup, steps, nullptr, 0, opt);
            if (o.skipped) {
                std::printf("skipped: %s\n", o.why.c_str());
                return 0;
            }
            totals.Add(o);
            if (o.failure) Report(line.substr(0, colon).c_str(), setup, steps, o, false, opt);
        }
        for (int k = 0; k < opt.count && (opt.keepGoing || totals.failed == 0); ++k) {
            const uint64_t seed = opt.seed + static_cast<uint64_t>(k);
            Rng rng(seed * 0x2545F4914F6CDD1Dull + 1);
            const Setup setup = Setup::Random(rng);
            std::vector<Step> steps;
            const Outcome o = Play(setup, steps, &rng, opt.length, opt);
            if (o.skipped) {
                std::printf("skipped: %s\n", o.why.c_str());
                return 0;
            }
            totals.Add(o);
            if (o.failure) Report(("seed " + std::to_string(seed)).c_str(), setup, steps, o, opt.shrink, opt);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::printf("(%.1f s)\n", seconds);
    std::printf("sequences: %lld run, %lld steps, %lld checks, %lld failed\n", static_cast<long long>(totals.run),
                static_cast<long long>(totals.steps), static_cast<long long>(totals.checks),
                static_cast<long long>(totals.failed));
    return totals.failed == 0 ? 0 : 1;
}
