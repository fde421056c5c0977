// Run state: the busy test, the line buffer load, Axis_Status, Pause and
// Step with Run's resume, and Stop's card calls and flags.
#include <gtest/gtest.h>

#include <functional>

#include "machine_fixture.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/run_state.h"

namespace velbend {
namespace {

using testing::MachineFixture;

// A scripted card: answers status queries from fixed values and records
// the calls that act.
struct ScriptedCard {
    int32_t status[5] = {0, 0, 0, 0, 0};
    int32_t inp = 0;
    int32_t fifoEmpty = 1;
    std::vector<std::string> calls;

    static ScriptedCard& Get() {
        static ScriptedCard s;
        return s;
    }
    static void Install(Card& card) {
        Get() = ScriptedCard();
        CardEntries e;
        e.get_status = [](int32_t, int32_t a, int32_t* o) {
            *o = Get().status[a];
            return 0;
        };
        e.get_inp_status = [](int32_t, int32_t* o) {
            *o = Get().inp;
            return 0;
        };
        e.read_fifo_empty = [](int32_t) { return Get().fifoEmpty; };
        e.reset_fifo = [](int32_t c) {
            Get().calls.push_back("reset_fifo " + std::to_string(c));
            return 0;
        };
        e.dec_stop = [](int32_t c, int32_t a) {
            Get().calls.push_back("dec_stop " + std::to_string(c) + " " + std::to_string(a));
            return 0;
        };
        e.write_bit = [](int32_t c, int32_t b, int32_t v) {
            Get().calls.push_back("write_bit " + std::to_string(c) + " " + std::to_string(b) + " " +
                                  std::to_string(v));
            return 0;
        };
        card.Bind(e, "scripted card");
    }
};

struct RunControlTest : ::testing::Test, MachineFixture {
    RunState& run() { return c().run; }
};

TEST_F(RunControlTest, BusyOnlyForTrueFlagsOrSeekZero) {
    EXPECT_FALSE(IsMachineBusy(run()));
    run().gRunning = 1;  // not -1: not on
    EXPECT_FALSE(IsMachineBusy(run()));
    run().gRunning = kTrue;
    EXPECT_TRUE(IsMachineBusy(run()));
    run().gRunning = 0;
    run().gSlotRunning = kTrue;
    EXPECT_TRUE(IsMachineBusy(run()));
    run().gSlotRunning = 0;
    run().gTestRunning = kTrue;
    EXPECT_TRUE(IsMachineBusy(run()));
    run().gTestRunning = 0;
    run().gHomeState = 6;
    EXPECT_TRUE(IsMachineBusy(run()));
}

// What each state admits: the states as the run state and the card show
// them, and every command class in each.
TEST_F(RunControlTest, EachStateAdmitsItsCommandClasses) {
    ScriptedCard::Install(c().card);
    auto& card = ScriptedCard::Get();
    using S = MachineState;
    struct Row {
        const char* what;
        std::function<void(RunState&, ScriptedCard&)> set;
        S state;
    };
    const Row rows[] = {
        {"nothing on", [](RunState&, ScriptedCard&) {}, S::Idle},
        {"a flag of 1 is not on", [](RunState& r, ScriptedCard&) { r.gRunning = 1; }, S::Idle},
        {"Pause pressed while idle", [](RunState& r, ScriptedCard&) { r.mPaused = 1; }, S::Idle},
        {"a jog held, its axis stopped", [](RunState& r, ScriptedCard&) { r.mJogDirection = -1; }, S::Moving},
        {"an axis moves", [](RunState&, ScriptedCard& k) { k.status[4] = 1; }, S::Moving},
        {"an interpolation runs", [](RunState&, ScriptedCard& k) { k.inp = 1; }, S::Moving},
        {"moves still queued", [](RunState&, ScriptedCard& k) { k.fifoEmpty = 0; }, S::Moving},
        {"a seek zero", [](RunState& r, ScriptedCard& k) { r.gHomeState = 7, k.status[3] = 1; }, S::SeekingZero},
        {"the bend axis's move before its search", [](RunState& r, ScriptedCard&) { r.mBendHomePhase = kTrue; },
         S::SeekingZero},
        {"a machining run", [](RunState& r, ScriptedCard& k) { r.gRunning = kTrue, k.status[1] = 1; }, S::Running},
        {"a dialog's program", [](RunState& r, ScriptedCard&) { r.gSlotRunning = kTrue; }, S::Running},
        {"a test program seeking zero", [](RunState& r, ScriptedCard&) { r.gTestRunning = kTrue, r.gHomeState = 1; },
         S::Running},
        {"a run paused", [](RunState& r, ScriptedCard&) { r.gRunning = kTrue, r.mPaused = 1; }, S::Paused},
        {"a test waiting for the cutter", [](RunState& r, ScriptedCard&) { r.gTestRunning = kTrue, r.mSensorWait = 2; },
         S::Running},
        {"a test waiting for the cutter, paused",
         [](RunState& r, ScriptedCard&) { r.gTestRunning = kTrue, r.mSensorWait = 2, r.mPaused = 1; }, S::Paused},
        {"an encoder correction pending", [](RunState& r, ScriptedCard&) { r.gPendingComp = 0.11; }, S::Moving},
        {"a tenth of a millimetre is no correction", [](RunState& r, ScriptedCard&) { r.gPendingComp = 0.1; },
         S::Idle},
        {"a cutter stroke by hand, ended by its sensor", [](RunState& r, ScriptedCard&) { r.gCylinderBusy = 1; },
         S::Moving},
        {"a cutter stroke by hand, the cutter timed",
         [this](RunState& r, ScriptedCard&) { r.gCylinderBusy = 1, c().sys().gPositionDetectMode = 1; }, S::Idle},
        {"the cylinder's flag under a motor cutter",
         [this](RunState& r, ScriptedCard&) { r.gCylinderBusy = 1, c().sys().gCutterUpDownMode = 1; }, S::Idle},
    };
    using C = CommandClass;
    for (const Row& row : rows) {
        run() = RunState{};
        card = ScriptedCard{};
        c().sys().gCutterUpDownMode = 0;
        c().sys().gPositionDetectMode = 0;
        row.set(run(), card);
        EXPECT_EQ(StateOf(c()), row.state) << row.what;
        const bool idle = row.state == S::Idle;
        const std::pair<C, bool> admitted[] = {
            {C::EndMotion, true}, {C::StartMotion, idle}, {C::ChangeProgram, idle}, {C::Look, true}};
        for (auto [cls, yes] : admitted) {
            EXPECT_EQ(Admits(row.state, cls), yes) << row.what << " " << static_cast<int>(cls);
            EXPECT_EQ(MayAct(c(), cls), yes) << row.what << " " << static_cast<int>(cls);
        }
    }
}

TEST_F(RunControlTest, LoadFillsTheBufferAndRefusesTooLongPrograms) {
    home.Write("G5.dat", "G90 G01\r\nX10.0000 F3000\nM30");
    run().gNcLineIndex = 5;
    ASSERT_EQ(LoadNcProgram(run()), LoadResult::Loaded);
    EXPECT_EQ(run().gNcLineCount, 3);
    EXPECT_EQ(run().gNcLineIndex, 0);
    EXPECT_EQ(run().gNcLines[1], "X10.0000 F3000");
    EXPECT_EQ(run().gRunning, 0);  // the load sets no flag

    std::string big;
    for (int i = 0; i < 29999; ++i) big += "G01\r\n";
    home.Write("G5.dat", big);
    EXPECT_EQ(LoadNcProgram(run()), LoadResult::Loaded);
    EXPECT_EQ(run().gNcLineCount, 29999);
    home.Write("G5.dat", big + "G01\r\n");
    EXPECT_EQ(LoadNcProgram(run()), LoadResult::TooLong);
    EXPECT_EQ(run().gNcLineCount, 30000);

    std::filesystem::remove(home / "G5.dat");
    EXPECT_EQ(LoadNcProgram(run()), LoadResult::Missing);
    EXPECT_EQ(run().gNcLineCount, 0);
}

TEST_F(RunControlTest, AxisStatusReportsTheFirstMovingThing) {
    ScriptedCard::Install(c().card);
    auto& card = ScriptedCard::Get();
    EXPECT_EQ(Axis_Status(c()), 0);
    card.status[2] = card.status[3] = 1;
    EXPECT_EQ(Axis_Status(c()), 2);
    card.status[2] = card.status[3] = 0;
    card.inp = 2;  // only 1 means an interpolation
    EXPECT_EQ(Axis_Status(c()), 0);
    card.inp = 1;
    EXPECT_EQ(Axis_Status(c()), 5);
    card.inp = 0;
    card.fifoEmpty = 0;
    EXPECT_EQ(Axis_Status(c()), 6);
    // An entry the card does not offer is refused like a missing library's.
    EXPECT_EQ(c().card.pmove(0, 1, 100), 1);
}

TEST_F(RunControlTest, WithoutTheLibraryEveryCallIsRefused) {
    EXPECT_EQ(c().card.initial(), 0);
    int32_t v = 77;
    EXPECT_EQ(c().card.get_command_pos(0, 1, &v), 1);
    EXPECT_EQ(v, 77);
    EXPECT_EQ(c().card.read_bit(0, 17), 1);
    EXPECT_EQ(c().card.read_fifo_empty(0), 1);
    EXPECT_FALSE(c().card.Loaded());
    c().run.gCardRet = 7;  // an earlier answer is no status of the axes
    EXPECT_EQ(Axis_Status(c()), 0);
}

TEST_F(RunControlTest, PauseStepAndResume) {
    // Pause while nothing runs: the next Run only clears it.
    Command_Pause_Click(c());
    EXPECT_EQ(run().mPaused, 1);
    sys().gCutterUpDownMode = 1;
    home.Write("CtrP.dat", testing::CrLf({"SPLINE 0.000000 3.0", "0.000000 0.000000 1 0.000000 0.000000 0.000000",
                                          "10.000000 0.000000 1 0.000000 0.000000 0.000000",
                                          "SPLINE 0.000000 0.0"}));
    Command_Run_Click(c());
    EXPECT_EQ(run().mPaused, 0);
    EXPECT_EQ(run().gRunning, 0);
    EXPECT_FALSE(home.Exists("G5.dat"));
    // The press after that starts a run.
    Command_Run_Click(c());
    EXPECT_EQ(run().gRunning, kTrue);
    EXPECT_GT(run().gNcLineCount, 0);

    // Paused in a run: Run resumes at the same line, nothing rewritten.
    run().gNcLineIndex = 7;
    Command_Pause_Click(c());
    std::filesystem::remove(home / "G5.dat");
    Command_Run_Click(c());
    EXPECT_EQ(run().mPaused, 0);
    EXPECT_EQ(run().gNcLineIndex, 7);
    EXPECT_FALSE(home.Exists("G5.dat"));
    // Busy and not paused: Run is ignored.
    Command_Run_Click(c());
    EXPECT_FALSE(home.Exists("G5.dat"));

    StepCommand_Click(c());
    EXPECT_EQ(run().mStepMode, 1);
    StepCommand_Click(c());
    EXPECT_EQ(run().mStepMode, 0);
}

TEST_F(RunControlTest, StopDeceleratesEveryMovingAxisAndClearsEveryState) {
    ScriptedCard::Install(c().card);
    auto& card = ScriptedCard::Get();
    card.status[1] = card.status[2] = card.status[4] = 1;
    int discarded = 0, redrawn = 0;
    c().hooks.DiscardPicks = [&] { ++discarded; };
    c().hooks.BuildDisplayList = [&](int16_t sel) { redrawn += sel == 0; };

    auto& r = run();
    r.gRunning = r.gSlotRunning = r.gTestRunning = kTrue;
    r.mPaused = 1;
    r.gHomeState = 5;
    r.gHomeStarted = 1;
    r.mBendHomePhase = -1;
    r.mSeekFromProgram = 1;
    r.mJogDirection = 1;
    r.gCylinderBusy = 1;
    r.mDebugMode = 2;
    r.gPendingComp = 12.5;
    r.gCompWaitTicks = 3;
    r.mFeedCheckPos = 1234;
    r.mFeedCheck = {1, 12.34, 3};
    r.mCycleCount = 4;
    r.mLengthComp = 3;
    r.AppendCompPoint(10, 3);
    r.mStepMode = 1;
    r.mDwellTicks = 2;
    r.mSensorWait = 2;
    r.mProgramStarter = Starter::MainWindow;
    r.mHomeStarter = Starter::Program;
    r.gNcLines = {"G01"};
    r.gNcLineCount = 1;
    auto& p = c().panel;
    p.Label4 = {"a.dxf", "100.0000  mm", "300.0000  mm", "50  mm"};
    p.List1 = {"x"};
    p.Shape2.Visible = p.Shape3.Visible = true;
    p.Check3 = 1;
    p.Check3Enabled = false;
    p.TshFrameVisible = true;

    Command_Stop_Click(c());

    const std::vector<std::string> expected = {
        "reset_fifo 0", "dec_stop 0 1", "dec_stop 0 2", "dec_stop 0 4",
        "write_bit 0 0 0", "write_bit 0 1 0", "write_bit 0 2 0", "write_bit 0 3 0",
        "write_bit 0 4 0", "write_bit 0 5 0", "write_bit 0 6 0", "write_bit 0 7 0"};
    EXPECT_EQ(card.calls, expected);
    EXPECT_EQ(r.gRunning, 0);
    EXPECT_EQ(r.gSlotRunning, 0);
    EXPECT_EQ(r.gTestRunning, 0);
    EXPECT_EQ(r.mPaused, 0);
    EXPECT_EQ(r.gHomeState, 0);
    EXPECT_EQ(r.gHomeStarted, 0);
    EXPECT_EQ(r.mBendHomePhase, 0);
    EXPECT_EQ(r.mSeekFromProgram, 0);
    EXPECT_EQ(r.mJogDirection, 0);
    EXPECT_EQ(r.gCylinderBusy, 0);
    EXPECT_EQ(r.mDebugMode, 0);
    EXPECT_EQ(r.gPendingComp, 0.0);
    EXPECT_EQ(r.gCompWaitTicks, 0);
    EXPECT_EQ(r.mFeedCheckPos, 0);
    EXPECT_EQ(r.mFeedCheck.pending, 0);
    EXPECT_EQ(r.mFeedCheck.rounds, 0);
    EXPECT_EQ(r.mCycleCount, -1);
    EXPECT_EQ(r.mLengthComp, 0.0);
    EXPECT_EQ(r.mCompPointLast, 0);
    EXPECT_FALSE(IsMachineBusy(r));
    // The program's own flags end with it; its lines are kept.
    EXPECT_EQ(r.gNcLineCount, 1);
    EXPECT_EQ(r.mStepMode, 0);
    EXPECT_EQ(r.mDwellTicks, 0);
    EXPECT_EQ(r.mSensorWait, 0);
    EXPECT_EQ(r.mProgramStarter, Starter::None);
    EXPECT_EQ(r.mHomeStarter, Starter::None);
    EXPECT_EQ(discarded, 1);
    EXPECT_EQ(redrawn, 1);
    EXPECT_EQ(p.Label4[0], "a.dxf");
    EXPECT_EQ(p.Label4[1], "");
    EXPECT_EQ(p.Label4[2], "");
    EXPECT_TRUE(p.List1.empty());
    EXPECT_FALSE(p.Shape2.Visible);
    EXPECT_FALSE(p.Shape3.Visible);
    EXPECT_TRUE(p.Check3Enabled);
    EXPECT_FALSE(p.TshFrameVisible);

    // Nothing moving: no stop is sent, the outputs still go off.
    card.calls.clear();
    card.status[1] = card.status[2] = card.status[4] = 0;
    card.status[3] = 1;
    Command_Stop_Click(c());
    EXPECT_EQ(card.calls[1], "dec_stop 0 3");
    EXPECT_EQ(card.calls.size(), 10u);
}

}  // namespace
}  // namespace velbend
