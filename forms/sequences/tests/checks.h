// The machine's promises, checked after every step of a sequence.  They are
// judged by what the card did and what the files hold, with the test's own
// arithmetic: what a jog, a seek zero, a Stop, a Save or a Run must have
// done follows from the boxes, the table and the outline, not from the
// program's own functions.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
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

// A number as the operator's box gives it (leading blanks, sign, digits,
// point, exponent; 0 when nothing numeric leads): the test's own reading.
double BoxValue(std::string_view text);

// An accepted jog press: what the card must do until it is let go.
struct JogExpect {
    std::string by;        // the press
    int axis = 0;
    int dir = 0;           // 1 forward, -1 back
    double speed = 0;      // pulses/s asked for
    bool step = false;     // a step of stepPulses instead of an endless jog
    int64_t stepPulses = 0;
    int32_t from = 0;      // command position at the press
    int64_t at = 0;        // tick of the press
    int64_t releasedAt = -1;
    int32_t releaseSpeed = 0;  // pulses/s when it was let go
    int32_t lastPos = 0;
    int32_t lastSpeed = -1;
    int stable = 0;        // ticks the speed has stood still while moving
    // The promise it keeps: a jog, or a move by hand of a dialog (which
    // says why when its speed refuses it).
    const char* promise = "an accepted jog moves the pressed axis the pressed way at the speed asked";
};

// A feed correction by the encoder under way: an M34/M35 check of a program,
// or the operator dialog's correction after its encoder panel's Move.  From
// its first error e0 (wanted - seen, mm) it may move the strip by less than
// 2 |e0| in a few rounds, each leaving at most half the error; one that does
// not converge ends its program or correction with a message.
struct CorrectionWatch {
    std::string by;          // what started it
    bool dialog = false;     // the operator dialog's correction (else a program's check)
    bool oneRound = false;   // M35: one round, no check after it
    bool moving = false;     // the dialog's Move itself still runs
    int16_t line = 0;        // the program line of the check
    double wanted = 0;       // mm
    double e0 = 0;           // mm
    int64_t path = 0;        // pulses the feed has travelled since e0 was measured
    int64_t at = 0;          // tick e0 was measured
    int64_t allowance = 0;   // ticks its rounds may take
    int64_t active = 0;      // ticks it has run, not paused
    size_t messagesAt = 0;
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
    // A program's cutter stroke waits for a sensor that has yet to answer.
    bool WaitsForSensor();
    // The jog that an accepted press (of a button or an external input)
    // must make, by the boxes and the table.
    void ExpectJog(const std::string& by, int axis, int dir, double feedrate, bool step, double distance,
                   bool byHand = false);
    // A dialog's move to an absolute position (pulses) at the axis's manual speed.
    void ExpectMoveTo(const std::string& by, int axis, double target);
    void JogPress(const Step& step);
    // inCommand: right after a command (no card time has passed).
    void CheckJogs(bool inCommand);
    void Released(JogExpect& j);
    // Feed corrections: the wanted and seen lengths by the table in force,
    // the tolerance they are judged by, the ticks a correction's rounds may
    // take from its first error; a check opened, followed tick by tick and
    // closed (`converged`: what ended it went on as a converged check does).
    double FeedError(double wanted);
    double EncoderTolerance();
    int64_t CorrectionTicks(double e0);
    bool CorrectionBeyond(double e0);
    void OpenCorrection(CorrectionWatch c);
    void FollowCorrection();
    void CloseCorrection(const char* how, bool judge);
    std::optional<CorrectionWatch> correction_;
    int32_t feedPos_ = 0;        // axis 1's command position after the last step
    int64_t feedTravel_ = 0;     // pulses axis 1 has travelled in the card's time of the last tick
    // The slotting export's slots stand where G5.dat cuts them: what Run
    // wrote, on what path and table.
    void CheckSlotExport(const Step& step);
    std::string runG5_, runPath_, runTable_;
    int runContours_ = 0;
    // A seek zero that ended by itself has zeroed its axis on its switch.
    void CheckSeekZeroEnd(int axis);
    // The main window's Run: G5.dat feeds what the picked outline, the
    // pieces, the splices and the end feed make.
    void CheckRunProgram();
    // After a Save: the table in force is the group's file.
    void CheckSaved(const Step& step);
    // After the Machine Adjust frame's Enter: a correction is the one its
    // measurement makes of the table the test ran on.
    void CheckAdjusted(const Step& step);

    // A calibration panel's Calculate scales the equivalent that governed
    // the panel's last move (the feed's, or the encoder's in the operator's
    // encoder panel), however many rounds went before Save.
    void CheckCalibration(const Step& step, Win win);
    // The operator dialog's calibration panel is open for the encoder.
    bool Gy1EncoderPanel();
    std::optional<double> calMoveEquiv_;
    Win calWin_ = Win::Main;

    // At user level 0 no command writes the files of a group that is not
    // current (the copies to all groups are the makers'): taken before the
    // command, compared after it; nor does the open group frame show its
    // copy buttons.
    void TakeOtherGroupFiles();
    void CheckOtherGroupFiles(const Step& step);
    std::optional<std::map<std::string, std::string>> otherGroupFiles_;

    // The time a program takes by the test's own arithmetic, from its lines,
    // the table it runs on and the machine's surroundings, in ticks; nothing
    // when a line moves an axis at less than a pulse a second (what the
    // line and its speed are is said in `why`).
    // `beyond`: the line goes beyond what the machine can do (a test's feed
    // behind where it began among them) rather than crawling.
    std::optional<int64_t> ProgramTicks(std::string& why, bool& beyond);
    // The same for a seek zero of `axis` started by a button.
    std::optional<int64_t> SeekTicks(int axis, std::string& why);
    // The output that the IO map names for a function ("Material
    // Pressing"), by its English caption.
    static int MappedOutput(std::string_view function);
    // An output switched by a program line or a button is the one the IO
    // map names for what it does.
    void CheckMappedOutputs(const std::string& by, const std::vector<std::string>& lines);
    // The main window's boxes as the operator typed them.
    std::string PanelBoxes();

    World& w_;
    const std::vector<std::string>& ignore_;
    std::optional<Failure> failure_;
    int64_t checks_ = 0;

    // Around the command being given.
    Seen before_ = Seen::Idle;
    Snapshot snap_;
    size_t messagesBefore_ = 0;

    // The program in progress.
    bool programOn_ = false;
    std::string tableAtStart_;
    int64_t startTick_ = 0;
    bool firstLineDue_ = false;
    std::map<std::string, int> tickMessages_;
    std::string lastProgramBy_;
    // The end bound of the program in progress: ticks it has run unheld
    // (not paused, stepped or waiting for a sensor still to answer), and the
    // ticks its lines take at most.
    int64_t activeTicks_ = 0;
    int64_t endBound_ = 0;
    // The same for a seek zero started by a button.
    int64_t homeTicks_ = 0;
    std::optional<int64_t> homeBound_;
    // What the main window showed as the job length when Run started it.
    double shownAtRun_ = 0;
    // What the panel's boxes held before the command; the groups in force
    // when the window closed.
    std::string boxesBefore_;
    std::optional<std::pair<int16_t, int16_t>> groupsAtClose_;
    // Progress: the last tick on which the program handed on a line, moved
    // an axis, switched an output or counted its dwell down.
    int64_t progressAt_ = 0;
    int16_t lastLine_ = 0;
    int16_t lastDwell_ = 0;
    std::array<int32_t, 5> lastPos_{};
    uint32_t lastOutputs_ = 0;
    // The operator's pause, and the line it holds while a program runs;
    // Run's resume, which must show progress within a few ticks.
    bool operatorPause_ = false;
    std::optional<int16_t> pausedAt_;
    int64_t resumeAt_ = -1;
    // A cutter stroke of the program waiting for its sensor: the line it holds.
    std::optional<int16_t> strokeAt_;
    uint32_t programStrokes_ = 0;   // outputs 1, 2 that the program switched on
    // Outputs 1, 2 whose stroke the program started and whose sensor has
    // not answered since (whatever the operator did to the stroke).
    uint32_t sensorAwaited_ = 0;
    // The table and group that the Machine Adjust frame's test ran on,
    // while the frame asks for its measurement.
    std::optional<SysPara> adjustTable_;
    int16_t adjustGroup_ = 0;
    int16_t adjustMode_ = 0;
    bool adjustByEncoder_ = false;
    uint32_t outputsBefore_ = 0;
    int64_t overrideTick_ = -1000;
    // What the main window's Run wrote: the feed a natural end has made.
    std::optional<double> runFeed_;
    // An offset has been applied to the picked path since the outline opened.
    bool offsetApplied_ = false;
    // A contour has been picked with the modifier.
    bool modifierPick_ = false;
    // Jogs in progress.
    std::vector<JogExpect> jogs_;
    // The axis of the seek zero in progress (0 none) and whether a command
    // (Stop, a cancel) rather than the machine loop ended it.
    int homeAxis_ = 0;
    // Motion the operator asked for: the last start, the last Stop.
    int64_t lastStart_ = -1000;
    int64_t stopAt_ = -1;
    int64_t stopTicks_ = 15;        // ticks the axes may take to stand after it
    int64_t commands_ = 0;          // commands given so far
    int64_t startCommand_ = -1, stopCommand_ = -1;
    int quietTicks_ = 0;
};

}  // namespace velbend::sequences
