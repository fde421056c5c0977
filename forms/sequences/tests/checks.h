// The machine's promises, checked after every step of a sequence.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "world.h"

namespace velbend::sequences {

// What a command that the machine's state refuses must leave as it was.
struct Snapshot {
    uint32_t outputs = 0;
    std::array<bool, 5> moving{};
    std::array<int32_t, 5> pos{};
    std::string run;      // the run state's flags and counters, as text
    std::string table;    // the system-parameter table's file bytes
    std::string path;     // PointForControl.dat and CtrP.dat
    int picks = 0;

    static Snapshot Take(World& w);
    // "" when equal, else what differs.
    static std::string Diff(const Snapshot& a, const Snapshot& b);
};

// The state as the checker sees it from the card and the flags, whatever
// the program's own query answers.
enum class Seen { Idle, Moving, SeekingZero, Running, Paused };
const char* SeenName(Seen s);

struct Failure {
    std::string check;   // the promise broken (its name)
    std::string detail;
};

class Checker {
public:
    // `ignore`: failures whose text holds one of these are let pass (to look
    // for the next fault while one is known).
    Checker(World& w, const std::vector<std::string>& ignore);

    // Around every command (cls: its class at the moment it is given).
    void BeforeCommand(const Step& step, const Command& c, Cls cls);
    void AfterCommand(const Step& step, const Command& c, Cls cls);
    // One machine-loop tick, checked.
    void Tick();

    const std::optional<Failure>& failure() const { return failure_; }
    int64_t checks() const { return checks_; }

private:
    Seen State();
    bool Check(bool ok, const char* name, const std::string& detail);
    // Programs and seek zeros that began or ended, and by whom (a step's
    // text and window; Env for the machine loop).
    void Follow(const std::string& by, Win win);
    bool Asked();
    void CheckRunPath();

    World& w_;
    const std::vector<std::string>& ignore_;
    std::optional<Failure> failure_;
    int64_t checks_ = 0;

    // Around the command being given.
    Seen before_ = Seen::Idle;
    Snapshot snap_;
    std::string tableBefore_;

    // The program in progress.
    bool programOn_ = false;
    std::string tableAtStart_;
    int64_t startTick_ = 0;
    bool firstLineDue_ = false;
    int standTicks_ = 0;
    std::map<std::string, int> tickMessages_;
    std::string lastProgramBy_;
    // The operator's pause, and the line it holds while a program runs.
    bool operatorPause_ = false;
    std::optional<int16_t> pausedAt_;
    // A cutter stroke of the program waiting for its sensor: the line it holds.
    std::optional<int16_t> strokeAt_;
    uint32_t programStrokes_ = 0;   // outputs 1, 2 that the program switched on
    uint32_t outputsBefore_ = 0;
    int64_t overrideTick_ = -1000;
    // Motion the operator asked for: the last start, the last Stop.
    int64_t lastStart_ = -1000;
    int64_t stopAt_ = -1;
    int64_t commands_ = 0;          // commands given so far
    int64_t startCommand_ = -1, stopCommand_ = -1;
    int quietTicks_ = 0;
};

}  // namespace velbend::sequences
