// The command-sequence test: a machine (the main window's model, every
// dialog model, the simulated card with its manual clock and the machine's
// surroundings) driven by long seeded sequences of operator commands and
// machine-loop ticks, with the machine's promises checked after every step.
//
// World    one freshly started machine of a given set-up;
// Step     one command or a run of ticks, as text ("Run", "Tick 12");
// Checker  the promises (checks.cpp), told of every step;
// Commands the command table (commands.cpp): what each command does, the
//          window it belongs to and what the machine's state may let it do.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "velbend/common/operator.h"
#include "velbend/forms/gy1.h"
#include "velbend/forms/gy_form.h"
#include "velbend/forms/io_form.h"
#include "velbend/forms/jjz_form.h"
#include "velbend/forms/main_form.h"
#include "velbend/forms/program.h"
#include "velbend/forms/sb_form.h"
#include "velbend/forms/wfb_form.h"
#include "velbend/forms/yh_form.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::sequences {

// Deterministic random numbers (splitmix64): a seed gives the same
// sequence on every machine and library.
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    uint64_t Next() {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    uint64_t s_;
};

// The machine set-up of one sequence.  Every field is a small whole number,
// so that a set-up is written and read back as "name=value" words.
struct Setup {
    int cutter = 1;       // gCutterUpDownMode: 0 cylinder on outputs 1/2, 1 motor axis 3
    int detect = 0;       // gPositionDetectMode: 0 cutter sensors 16/17, 1 delay
    int axisA = 0;        // gAxisKindA: 0 swing, 1 forward feed
    int benders = 1;      // gBendMechanisms
    int encoder = 0;      // gXEncoderPort: an encoder on the feed
    int encoderOn = 0;    // "Encoder Enabled" (Check3)
    int encoderZero = 0;  // the encoder equivalent is 0
    int seekBefore = 0;   // Check2: seek zero before work
    int feedSeek = 0;     // Check4: the feed seeks zero before work
    int feedSwitch = 1;   // a feed zero switch (else gFeedRetract 5 mm)
    int testMode = 0;     // gRunMode 1
    int splicePause = 0;  // gSplicePause, s
    int level = 0;        // gUserLevel
    int sensorTicks = 3;  // ticks a cylinder stroke takes to reach its sensor; -1 never
    int slip = 0;         // encoder slip, percent
    int cs7 = 0;          // the second build
    int group = 0;        // the groups in force at the start (1: the other machine's)
    // The feed encoder itself: 0 sound, 1 it sees 1 % of the feed (a wheel
    // slipping on the strip), 2 it sees 0.1 % (a failing encoder), 3 it
    // counts backwards.
    int encoderFault = 0;

    static Setup Random(Rng& rng);
    std::string Text() const;
    static std::optional<Setup> Parse(std::string_view text);
};

// One step: a command with its argument, or "Tick n".
struct Step {
    std::string name;
    int arg = 0;
    std::string Text() const;
    static std::optional<Step> Parse(std::string_view text);
};
std::string StepsText(const std::vector<Step>& steps);
std::optional<std::vector<Step>> ParseSteps(std::string_view text);

// The windows a command belongs to.  One dialog is open at a time (they are
// modal): a main-window command closes it first, as the operator would.
enum class Win { Main, Gy1, Gy, Jjz, Sb, Wfb, Io, Yh, About, Env };

// What a command is, for the machine's state (the table of what each state
// admits): a start of motion or of a program, a change of what a program is
// made from, an end of motion, a look; Stop, Pause and Run's resume.
enum class Cls { Start, Change, End, Look, Stop, Pause, Resume, Env };

// The operator seam of the test: records, and tells the checker which
// messages a machine-loop tick showed.
class SeqOperator : public RecordingOperator {
public:
    bool inTick = false;
    std::vector<std::string> tickMessages;  // shown during the current tick
    MsgResult MsgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override {
        if (inTick) tickMessages.push_back(text);
        return RecordingOperator::MsgBox(text, buttons, icon, title);
    }
};

class World {
public:
    explicit World(const Setup& setup);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    bool Usable() const { return sim_->Usable(); }
    std::string WhyNot() const { return sim_->Why(); }

    // ---- the machine -------------------------------------------------------
    Program& program() { return *program_; }
    MainFormModel& m() { return *m_; }
    MachineContext& ctx() { return program_->ctx; }
    RunState& run() { return program_->ctx.run; }
    SysPara& table() { return program_->params.gSysParaTable; }
    const Setup& setup() const { return setup_; }

    // One machine-loop tick: 30 ms of card time, the surroundings, the run
    // timer (not once the window has closed) and, every 200 ms, the timer
    // of the open dialog.  `beforeLoop` runs once the card's time has
    // passed, before the machine loop looks at it.
    void Tick(const std::function<void()>& beforeLoop = {});
    int64_t now() const { return now_; }

    // Card read-backs.
    bool AxisMoving(int n);
    bool AnyAxisMoving();   // an axis, an interpolation, a queued move
    int32_t CommandPos(int n);
    uint32_t Outputs() { return sim_->Outputs(); }
    int Input(int bit) { return sim_->Input(bit); }
    void SetInput(int bit, int level) { sim_->SetInput(bit, level); }
    // The strip slips under the feed: the encoder sees (1 - percent / 100)
    // of what its own fault lets it see.
    void SetSlip(int percent);
    // What the encoder counts of the feed's travel (below 0: backwards).
    double EncoderRatio() const { return encoderRatio_; }
    // The table in force says the cylinder cutter's strokes end on their
    // sensors (the machine itself may have been set up otherwise).
    bool SensorsInUse() { return table().gCutterUpDownMode == 0 && table().gPositionDetectMode == 0; }

    // ---- windows --------------------------------------------------------------
    // Brings `w` to the front: closes the open dialog (its held buttons let
    // go, the main window's after-dialog handlers run), opens `w` afresh,
    // through what the windows themselves call on opening and closing.
    void Show(Win w);
    Win open() const { return open_; }
    std::optional<GY1_Model> gy1;
    std::optional<GyForm> gy;
    std::optional<JJZ_Model> jjz;
    std::optional<SB_Model> sb;
    std::optional<WFB_Form> wfb;
    std::optional<IO_Model> io;
    std::optional<YhForm> yh;
    std::optional<std::array<std::string, 4>> about;   // the about box's lines

    // The main window closes (shut-down); from then on only the card's clock
    // runs.
    void CloseWindow();
    bool closed() const { return closed_; }
    // The program starts again on the same program folder and card after
    // the window has closed.
    void Restart();
    int starts() const { return starts_; }

    // ---- held buttons -----------------------------------------------------------
    // A press held, under its release step ("SL.Up", "jjz.Up 5", ...).  A
    // window that closes or loses the focus lets its own go, as the window
    // does (ReleaseJogs of its model).
    std::set<std::string> held;
    void ReleaseHeld(Win w);

    // Who started what is in progress, as the checker saw it: the seek zero
    // ("" none, "program", or the window: "main", "jjz", "sb", "wfb") and
    // the program (the step that started it).
    std::string homeBy;
    std::string programBy;

    // ---- surroundings -------------------------------------------------------------
    // The group's parameter file cannot be written (a folder in its place)
    // or can again.
    void LockTableFile(bool locked);
    bool tableFileLocked() const { return locked_; }
    // The current group's parameter file as stored ("" while locked).
    std::string TableFile();
    // Outline files in the program folder, by index.
    std::string OutlinePath(int k) const;
    static constexpr int kOutlines = 7;
    // The parameter groups of the set-up: 0 the sample's, 1 another machine
    // (other feed equivalent, bend-to-slot distance, arc compensations and
    // curvature tables).
    static constexpr int kGroups = 2;

    testing::TempHome home;
    SeqOperator op;

private:
    void Start();
    void Surroundings();
    void CloseDialog();
    void DropDialogs();

    std::unique_ptr<Program> program_;
    std::unique_ptr<MainFormModel> m_;
    int starts_ = 0;

    Setup setup_;
    std::unique_ptr<testing::SimCard> sim_;
    int64_t now_ = 0;
    Win open_ = Win::Main;
    std::string tableBeforeDialog_;
    bool closed_ = false;
    bool locked_ = false;
    double encoderRatio_ = 1;
    int lockedGroup_ = 0;
    std::string lockedBytes_;
    // The cylinder cutter: ticks since its stroke began (-1 standing).
    int strokeTicks_ = -1;
    int strokeDir_ = 0;   // 1 out (output 1), -1 back (output 2)
};

// ---- commands ------------------------------------------------------------------

struct Command {
    const char* name;
    Win win;
    int args;       // the argument runs over 0 .. args-1 (1: none)
    int weight;
    // The command's class now (it may depend on the state: Run resumes a
    // pause, a seek-zero button cancels its own window's seek zero).
    std::function<Cls(World&, int)> cls;
    std::function<void(World&, int)> act;
};
const std::vector<Command>& Commands();
// The file that the slotting export's Output writes.
inline constexpr const char* kSlotExportName = "slots.nc";
const Command* FindCommand(std::string_view name);

}  // namespace velbend::sequences
