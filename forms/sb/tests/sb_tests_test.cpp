// The machine tests of the machine setup dialog on the simulated card:
// the slotting test programs, their runs through the machine loop, jog,
// step, cutter buttons, seek zero with its cancel, the busy refusals and
// Stop.
#include <gtest/gtest.h>

#include <filesystem>

#include "velbend/forms/sb_form.h"
#include "velbend/machine/interpreter.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/run_timer.h"
#include "velbend/machine/slot_block.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend {
namespace {

class SbTestsTest : public ::testing::Test {
protected:
    SbTestsTest() : program(op), sim(program.ctx.card) {
        program.ctx.secondBuild = false;
        program.params.gUserLevel = 2;
        auto& t = program.params.gSysParaTable;
        for (int n = 1; n <= 4; ++n) {
            auto& a = t.gAxisPara[static_cast<std::size_t>(n)];
            a.PulseEquivalent = 100;
            a.SeekZeroFeedrate = 600;
            a.ManualFeedrate = 600;   // 1000 pulses/s
            a.Acceleration = 1;
            a.ZeroCompDistance = 2;
            a.ZeroCompFeedrate = 300;
            a.AutoFeedrate = 6000;
        }
        // The example machine: motor cutter, swinging fourth axis, front
        // swing by calculation, cutter turning while machining.
        t.gCutterAngle = 30;
        t.gSlotThreshold = 10;
        t.gCutterUpDownMode = 1;
        t.gCutterRotateMode = 1;
        t.gAxisKindA = 0;
        t.gSwingModeP = 0;
        t.gSwingModeN = 0;
        t.gSlotSides = 0;
        t.gMaxSwingAngleP = 60;
        t.gMaxSwingAngleN = 60;
        t.gDownDistFront = 5;
        t.gDownDistBack = 4;
        t.gCutTimes = 1;
        t.gSlotLetters = "PDUN";
        t.gRunMode = 0;
    }
    void SetUp() override {
        if (!sim.Usable()) GTEST_SKIP() << sim.Why();
        sim.SetInput(17, 0);  // cutter back
    }
    SB_Model Open() {
        SB_Model f(program);
        f.Form_Load();
        return f;
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            sim.Advance(30);
            Timer2_Timer(program.ctx);
        }
    }
    template <class F>
    bool TickUntil(F done, int limit = 5000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Tick();
        }
        return done();
    }
    bool Moving(int axis) {
        int32_t s = 0;
        program.ctx.card.get_status(0, axis, &s);
        return s != 0;
    }
    int32_t Cmd(int axis) {
        int32_t p = 0;
        program.ctx.card.get_command_pos(0, axis, &p);
        return p;
    }
    std::vector<std::string> Program(int16_t index, const char* angle) {
        ProgramLines out;
        BuildSlotTest(program.ctx, index, angle, out);
        return out.lines();
    }
    // A block of Print_KCaction between the given lines.
    std::vector<std::string> With(std::vector<std::string> head, double angle, int16_t kind, int16_t side,
                                  std::vector<std::string> tail) {
        ProgramLines block;
        Print_KCaction(program.ctx, block, angle, kind, side, 0);
        head.insert(head.end(), block.lines().begin(), block.lines().end());
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }
    SysPara& T() { return program.params.gSysParaTable; }

    testing::TempHome home;
    RecordingOperator op;
    velbend::Program program;
    testing::SimCard sim;
};

using Lines = std::vector<std::string>;
const Lines kPreamble = {"G90 G01", "G92 X0", "M16", "M42", "M30", "M40", "M30", "G90 G01"};
// A test that cuts nothing lets the material go at its end.
Lines Released(Lines lines) {
    lines.push_back("M17");
    return lines;
}

TEST_F(SbTestsTest, FrontSlottingOfTheExampleMachine) {
    Lines on = kPreamble;
    on.push_back("M10");
    EXPECT_EQ(Program(0, "90"), With(on, 30, 2, 0, {"M11"}));
    // The slot threshold from both sides: 180 - 170 = 10 is not below 10.
    EXPECT_GT(Program(0, "170").size(), kPreamble.size());
    EXPECT_EQ(Program(0, "171"), Released(kPreamble));
    EXPECT_EQ(Program(0, "175"), Released(kPreamble));
    // An angle below the blade angle, or no number, counts as the blade angle.
    for (const char* a : {"", "20", "abc", "-30"}) EXPECT_EQ(Program(0, a), With(on, 0, 2, 0, {"M11"})) << a;
    T().gSwingModeP = 1;
    EXPECT_EQ(Program(0, "90"), With(on, 0, 1, 0, {"M11"}));
    T().gCutterRotateMode = 0;
    EXPECT_EQ(Program(0, "90"), With(kPreamble, 0, 1, 0, {}));
}

TEST_F(SbTestsTest, EndStartAndBackSlotting) {
    Lines on = kPreamble;
    on.push_back("M10");
    EXPECT_EQ(Program(1, "90"), With(on, 15, 3, 0, {"M11"}));
    EXPECT_EQ(Program(2, "90"), With(on, -15, 3, 0, {"M11"}));
    // Back Slotting: no seek zero of the fourth axis before it.
    const Lines back = {"G90 G01", "G92 X0", "M16", "M40", "M30", "G90 G01", "M10"};
    struct Case { int16_t sides, swingN; double angle; int16_t kind; };
    const Case cases[] = {{0, 0, 210, 2}, {0, 1, 180, 1}, {1, 0, 30, 2}, {1, 1, 0, 1}};
    for (const Case& c : cases) {
        T().gSlotSides = c.sides;
        T().gSwingModeN = c.swingN;
        EXPECT_EQ(Program(4, "90"), With(back, c.angle, c.kind, 1, {"M11"})) << c.sides << c.swingN;
    }
    // A straight corner still turns the cutter on and off around nothing.
    Lines empty = back;
    empty.push_back("M11");
    EXPECT_EQ(Program(4, "175"), Released(empty));
}

TEST_F(SbTestsTest, PreambleByMachineAndRunMode) {
    T().gSwingModeP = 1;
    T().gSwingModeN = 1;
    T().gSlotSides = 1;
    // No swing anywhere: no seek zero of the fourth axis; any one side that
    // swings (or both sides slotted) brings it back.
    EXPECT_EQ(Program(0, "175"), Released(Lines{"G90 G01", "G92 X0", "M16", "M40", "M30", "G90 G01"}));
    for (int16_t SysPara::*m : {&SysPara::gSwingModeP, &SysPara::gSwingModeN, &SysPara::gSlotSides}) {
        T().*m = 0;
        EXPECT_EQ(Program(0, "175"), Released(kPreamble));
        T().*m = 1;
    }
    // Forward feed: seek zero first unless done before every forward anyway.
    T().gAxisKindA = 1;
    T().gSeekZeroBeforeForward = 0;
    EXPECT_EQ(Program(0, "175"), Released(kPreamble));
    T().gSeekZeroBeforeForward = 1;
    EXPECT_EQ(Program(0, "175"), Released(Lines{"G90 G01", "G92 X0", "M16", "M40", "M30", "G90 G01"}));

    // A cylinder cutter that is not back: drawn back, by sensor or delay.
    T().gAxisKindA = 0;
    T().gCutterUpDownMode = 0;
    sim.SetInput(17, 1);
    EXPECT_EQ(Program(0, "175"), Released(Lines{"G90 G01", "G92 X0", "M16", "M14", "M00", "M15", "G90 G01"}));
    T().gPositionDetectMode = 1;
    T().gPositionDetectDelay = 500;
    EXPECT_EQ(Program(0, "175"), Released(Lines{"G90 G01", "G92 X0", "M16", "M14", "G04 P500", "M15", "G90 G01"}));
    sim.SetInput(17, 0);
    EXPECT_EQ(Program(0, "175"), Released(Lines{"G90 G01", "G92 X0", "M16", "G90 G01"}));
    // Test mode leaves out the stroke, the waits and the seek zeros.
    sim.SetInput(17, 1);
    T().gSwingModeP = 0;
    T().gRunMode = 1;
    EXPECT_EQ(Program(0, "175"), Released(Lines{"G90 G01", "G92 X0", "M16", "G90 G01"}));
    T().gCutterUpDownMode = 1;
    EXPECT_EQ(Program(0, "175"), Released(Lines{"G90 G01", "G92 X0", "M16", "G90 G01"}));
}

// Each slotting test runs to its end through the machine loop; the zero
// switches of Z and A end their searches.
TEST_F(SbTestsTest, EverySlottingTestRunsToItsEnd) {
    sim.PlaceSwitch(14, 3, 300, 100000000);
    sim.PlaceSwitch(20, 4, 300, 100000000);
    for (int16_t index : {0, 1, 2, 4}) {
        SB_Model f = Open();
        op.messages.clear();
        f.Command3_Click(index);
        ASSERT_EQ(program.ctx.run.gSlotRunning, kTrue) << index;
        EXPECT_EQ(home.Read("G5.dat").substr(0, 17), "G90 G01\r\nG92 X0\r\n");
        ASSERT_TRUE(TickUntil([&] { return program.ctx.run.gSlotRunning == 0; })) << index;
        EXPECT_EQ(op.LastText(), "开槽完成！") << index;
        EXPECT_TRUE(TickUntil([&] { return !Moving(1) && !Moving(2) && !Moving(3) && !Moving(4); }, 200));
    }
}

// A straight corner cuts nothing: the preamble's pressing holds the run.
// Pressing cannot let the strip go while the test runs; Stop ends it.
TEST_F(SbTestsTest, AStraightCornerEndsByItself) {
    sim.PlaceSwitch(14, 3, 300, 100000000);
    sim.PlaceSwitch(20, 4, 300, 100000000);
    T().gSlotThreshold = 100;  // the included angle 90 counts as straight
    SB_Model f = Open();
    f.Command3_Click(0);
    ASSERT_EQ(program.ctx.run.gSlotRunning, kTrue);
    // Nothing is cut; the pressing goes off at the end and the test ends,
    // as one that cuts does.
    ASSERT_TRUE(TickUntil([&] { return program.ctx.run.gSlotRunning == 0; }));
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 0);
    EXPECT_EQ(op.LastText(), "开槽完成！");
    // Idle again: Pressing toggles.
    f.Command5_MouseDown(2);
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 1);
}

TEST_F(SbTestsTest, StopDuringASlottingTestStopsEverything) {
    SB_Model f = Open();
    f.Command3_Click(0);
    ASSERT_EQ(program.ctx.run.gSlotRunning, kTrue);
    // No zero switch: the A search runs on.
    ASSERT_TRUE(TickUntil([&] { return Moving(4); }, 100));
    program.ctx.run.gTestRunning = kTrue;  // whatever else was on goes too
    f.Command7_Click();
    EXPECT_EQ(program.ctx.run.gSlotRunning, 0);
    EXPECT_EQ(program.ctx.run.gTestRunning, 0);
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    EXPECT_EQ(sim.Outputs() & 0xFFu, 0u);
    ASSERT_TRUE(TickUntil([&] { return !Moving(4); }, 100));
    const int32_t at = Cmd(4);
    Tick(20);
    EXPECT_EQ(Cmd(4), at);
}

TEST_F(SbTestsTest, AFailedWriteStartsNothing) {
    std::filesystem::create_directory(home / "G5.dat");  // cannot be replaced by a file
    program.ctx.run.gNcLines = {"G01 X100 F6000"};       // an older program
    program.ctx.run.gNcLineCount = 1;
    SB_Model f = Open();
    f.Command3_Click(0);
    EXPECT_EQ(program.ctx.run.gSlotRunning, 0);
    EXPECT_EQ(op.messages.size(), 1u);
    Tick(10);
    EXPECT_EQ(Cmd(1), 0);
}

TEST_F(SbTestsTest, JogStepAndTheirReleases) {
    SB_Model f = Open();
    // Hold to jog Y, release: it stops.
    f.Command4_MouseDown(0);
    Tick(5);
    EXPECT_TRUE(Moving(2));
    f.Command4_MouseUp(0);
    ASSERT_TRUE(TickUntil([&] { return !Moving(2); }, 100));
    EXPECT_GT(Cmd(2), 0);
    // Step mode: 10 degrees, and the release does not stop the step.
    const int32_t y = Cmd(2);
    f.SetTestCheck("Check2", 1);
    f.SetTestText("Text7", "10");
    f.Command4_MouseDown(1);
    Tick(1);
    f.Command4_MouseUp(1);
    ASSERT_TRUE(TickUntil([&] { return !Moving(2); }, 200));
    EXPECT_EQ(Cmd(2), y - 1000);
    // Feeding lets the material go first; its release stops the feed jog.
    program.ctx.card.write_bit(0, 3, 1);
    f.Command5_MouseDown(0);
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 0);
    Tick(3);
    EXPECT_TRUE(Moving(1));
    f.Command5_MouseUp(0);
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 100));
    // Feed step of 100 mm backwards.
    const int32_t x = Cmd(1);
    f.SetTestCheck("Check3", 1);
    f.Command5_MouseDown(1);
    f.Command5_MouseUp(1);
    ASSERT_TRUE(TickUntil([&] { return !Moving(1); }, 1000));
    EXPECT_EQ(Cmd(1), x - 10000);
    // Pressing toggles output 3.
    f.Command5_MouseDown(2);
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 1);
    f.Command5_MouseDown(2);
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 0);
}

// While busy, moves and the pressing are refused and releases stop nothing
// they did not start; the cutter outputs still switch.
TEST_F(SbTestsTest, BusyRefusesMovesAndPressingButNotTheCutter) {
    SB_Model f = Open();
    // A step of Y runs; a program then marks the machine busy.
    f.SetTestCheck("Check2", 1);
    f.SetTestText("Text7", "20");
    f.Command4_MouseDown(0);
    program.ctx.run.gSlotRunning = kTrue;
    f.SetTestCheck("Check2", 0);
    f.Command4_MouseDown(1);   // refused jog
    f.Command4_MouseUp(1);     // its release must not stop the step
    f.Command5_MouseDown(0);
    f.Command4_MouseDown(2);   // Y seek zero
    f.Command6_Click(0);       // motor cutter back: a move
    f.Command6_Click(2);
    f.Command3_Click(3);
    f.Command3_Click(1);
    f.Command5_MouseDown(2);   // Pressing
    EXPECT_EQ(program.ctx.card.get_out(0, 3), 0);
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    ASSERT_TRUE(TickUntil([&] { return !Moving(2); }, 300));
    EXPECT_EQ(Cmd(2), 2000);
    for (int a : {1, 3, 4}) EXPECT_EQ(Cmd(a), 0) << a;
    T().gCutterUpDownMode = 0;
    f.Command6_Click(1);
    EXPECT_EQ(program.ctx.card.get_out(0, 1), 1);
    EXPECT_EQ(program.ctx.run.gCylinderBusy, 1);
}

TEST_F(SbTestsTest, CutterButtonsByMode) {
    SB_Model f = Open();
    // Motor: back to position 0 from wherever Z is, out to the front depth.
    program.ctx.card.set_command_pos(0, 3, 800);
    f.Command6_Click(0);
    ASSERT_TRUE(TickUntil([&] { return !Moving(3); }, 100));
    EXPECT_EQ(Cmd(3), 0);
    program.ctx.card.set_command_pos(0, 3, 100);
    f.Command6_Click(1);
    ASSERT_TRUE(TickUntil([&] { return !Moving(3); }, 100));
    EXPECT_EQ(Cmd(3), 500);
    // A down distance beyond what the machine can do: refused, nothing moves.
    T().gDownDistFront = 100000.5;
    f.Command6_Click(1);
    EXPECT_EQ(op.LastText(), "“下刀行程”（100000.5）超出机床的范围，没有移动，请在工艺参数设置中修改！");
    EXPECT_FALSE(Moving(3));
    EXPECT_EQ(Cmd(3), 500);
    T().gDownDistFront = -100000;
    op.messages.clear();
    f.Command6_Click(1);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_TRUE(Moving(3));
    f.Command7_Click();
    ASSERT_TRUE(TickUntil([&] { return !Moving(3); }, 100));
    T().gDownDistFront = 5;
    // Both strokes of a motor cutter run at its manual speed: one below a
    // pulse a second moves nothing and says so (1 mm/min is half a pulse on
    // 30 pulses a mm, none; one on 60).  Back also in a running program.
    struct Speed {
        int16_t button, manual;
        double pe;
        bool moves;
    };
    for (const Speed& c : {Speed{0, 0, 100, false}, Speed{1, 0, 100, false}, Speed{0, -600, 100, false},
                           Speed{1, 1, 30, false}, Speed{0, 1, 30, false}, Speed{1, 1, 60, true},
                           Speed{0, 1, 60, true}}) {
        SCOPED_TRACE(c.button);
        SCOPED_TRACE(c.manual);
        SCOPED_TRACE(c.pe);
        T().gAxisPara[3].ManualFeedrate = c.manual;
        T().gAxisPara[3].PulseEquivalent = c.pe;
        program.ctx.card.set_command_pos(0, 3, 200);
        op.messages.clear();
        program.ctx.run.gSlotRunning = c.button == 0 ? kTrue : 0;
        f.Command6_Click(c.button);
        program.ctx.run.gSlotRunning = 0;
        EXPECT_EQ(Moving(3), c.moves);
        if (c.moves) {
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
        } else {
            EXPECT_EQ(op.LastText(), "轴3的手动速度必须大于0，请检查轴参数！");
            EXPECT_EQ(op.messages.size(), 1u);
            EXPECT_EQ(Cmd(3), 200);
        }
        f.Command7_Click();
        ASSERT_TRUE(TickUntil([&] { return !Moving(3); }, 100));
    }
    T().gAxisPara[3].ManualFeedrate = 600;
    T().gAxisPara[3].PulseEquivalent = 100;
    // Cylinder: the other output off first; Cutter Zero does nothing.
    T().gCutterUpDownMode = 0;
    f.Command6_Click(1);
    EXPECT_EQ(sim.Outputs() & 6u, 2u);
    f.Command6_Click(0);
    EXPECT_EQ(sim.Outputs() & 6u, 4u);
    program.ctx.run.gCylinderBusy = 0;
    f.Command6_Click(2);
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    EXPECT_EQ(program.ctx.run.gCylinderBusy, 0);
    // Any other mode: nothing.
    T().gCutterUpDownMode = 2;
    f.Command6_Click(1);
    EXPECT_EQ(sim.Outputs() & 6u, 4u);
}

// A Save after a cylinder stroke by hand, switching its detection or not:
// what the stroke waits for is read from the table in force.  Timed by a
// delay nothing waits for it: the standing machine saves, and stays
// standing under the detection saved.  Detected by sensors, a stroke whose
// sensor has not answered keeps the Save out whichever detection it saves;
// once the sensor answered, the Save goes through.
TEST_F(SbTestsTest, SaveAfterAHandStrokeIsJudgedUnderTheTableInForce) {
    struct Row {
        const char* what;
        int16_t inForce, saved;
        int16_t button;  // Command6: 0 cutter back, 1 cutter out
        bool answered;
        bool admitted;
    };
    const Row rows[] = {
        {"delay, cutter out, sensors saved", 1, 0, 1, false, true},
        {"delay, cutter back, sensors saved", 1, 0, 0, false, true},
        {"delay, cutter out, delay kept", 1, 1, 1, false, true},
        {"sensors, cutter out pending, delay saved", 0, 1, 1, false, false},
        {"sensors, cutter back pending, delay saved", 0, 1, 0, false, false},
        {"sensors, cutter out pending, sensors kept", 0, 0, 1, false, false},
        {"sensors, cutter out ended by its sensor, delay saved", 0, 1, 1, true, true},
    };
    for (const Row& row : rows) {
        program.ctx.run.gCylinderBusy = 0;
        T().gCutterUpDownMode = 0;
        T().gPositionDetectMode = row.inForce;
        sim.SetInput(16, 1);  // neither stroke at its end yet
        sim.SetInput(17, 1);
        SB_Model f = Open();
        f.Command6_Click(row.button);
        EXPECT_EQ(sim.Outputs() & 6u, row.button == 1 ? 2u : 4u) << row.what;
        EXPECT_EQ(program.ctx.run.gCylinderBusy, row.inForce == 0 ? 1 : 0) << row.what;
        if (row.answered) {
            sim.SetInput(row.button == 1 ? 16 : 17, 0);
            Tick();
        }
        f.Option_Click(3, row.saved);
        op.messages.clear();
        EXPECT_EQ(f.Command1_Click(), row.admitted) << row.what;
        EXPECT_EQ(T().gPositionDetectMode, row.admitted ? row.saved : row.inForce) << row.what;
        ASSERT_EQ(op.messages.size(), 1u) << row.what;
        EXPECT_EQ(op.LastText(), row.admitted ? "参数保存成功！" : "设备正忙：请等设备停下或按停止后再操作！")
            << row.what;
        // Saved, the machine stands under the table now in force, and a
        // tick leaves it standing.
        Tick();
        EXPECT_EQ(StateOf(program.ctx) == MachineState::Idle, row.admitted) << row.what;
        EXPECT_EQ(MayAct(program.ctx, CommandClass::StartMotion), row.admitted) << row.what;
    }
}

// A cylinder cutter's buttons switch the other stroke off before their own
// on, as the IO dialog's do: the two strokes are never driven together.
TEST_F(SbTestsTest, CylinderCutterButtonsSwitchTheOtherStrokeOffFirst) {
    static std::vector<std::pair<int32_t, int32_t>> writes;
    CardEntries card;
    card.write_bit = [](int32_t, int32_t bit, int32_t value) {
        writes.emplace_back(bit, value);
        return int32_t{0};
    };
    program.ctx.card.Bind(card);
    T().gCutterUpDownMode = 0;
    SB_Model f = Open();
    using Writes = std::vector<std::pair<int32_t, int32_t>>;
    writes.clear();
    f.Command6_Click(1);  // Cutter Out
    EXPECT_EQ(writes, (Writes{{2, 0}, {1, 1}}));
    writes.clear();
    f.Command6_Click(0);  // Cutter Back
    EXPECT_EQ(writes, (Writes{{1, 0}, {2, 1}}));
}

TEST_F(SbTestsTest, SeekZeroAndItsCancel) {
    SB_Model f = Open();
    struct Case { int axis; void (SB_Model::*press)(int16_t); int16_t index; };
    const Case cases[] = {{2, &SB_Model::Command4_MouseDown, 2}, {3, &SB_Model::Command6_Click, 2},
                          {4, &SB_Model::Command3_Click, 3}};
    for (const Case& c : cases) {
        (f.*c.press)(c.index);
        ASSERT_EQ(program.ctx.run.gHomeState, c.axis);
        Tick(3);
        EXPECT_TRUE(Moving(c.axis));
        // Another axis's button meanwhile starts nothing.
        for (const Case& o : cases)
            if (o.axis != c.axis) (f.*o.press)(o.index);
        EXPECT_EQ(program.ctx.run.gHomeState, c.axis);
        // The second press cancels, busy as the machine is.
        (f.*c.press)(c.index);
        EXPECT_EQ(program.ctx.run.gHomeState, 0);
        ASSERT_TRUE(TickUntil([&] { return !Moving(c.axis); }, 100));
        for (int a = 1; a <= 4; ++a) EXPECT_FALSE(Moving(a));
    }
    // Found: the run timer ends it at state 0 with the positions at 0.
    sim.PlaceSwitch(8, 2, 500, 100000000);
    f.Command4_MouseDown(2);
    ASSERT_TRUE(TickUntil([&] { return program.ctx.run.gHomeState == 0 && !Moving(2); }, 500));
    EXPECT_EQ(Cmd(2), 0);
    // A with a cylinder cutter that is not back: the message, nothing moves.
    T().gCutterUpDownMode = 0;
    sim.SetInput(17, 1);
    f.Command3_Click(3);
    EXPECT_EQ(op.LastText(), "切刀未在原位，请先回切刀！");
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    EXPECT_FALSE(Moving(4));
}

// The seek zero of a running slotting test (its "M42") belongs to the
// program: the A button does not cut it short, so the program never goes on
// with the axis off zero; Stop ends both.
TEST_F(SbTestsTest, AProgramsSeekZeroIsNotCancelledByTheButton) {
    SB_Model f = Open();
    f.Command3_Click(0);
    ASSERT_TRUE(TickUntil([&] { return program.ctx.run.gHomeState == 4 && Moving(4); }, 100));
    f.Command3_Click(3);
    f.Command4_MouseDown(2);
    EXPECT_EQ(program.ctx.run.gHomeState, 4);
    Tick(3);
    EXPECT_TRUE(Moving(4));
    f.Command7_Click();
    EXPECT_EQ(program.ctx.run.gHomeState, 0);
    EXPECT_EQ(program.ctx.run.gSlotRunning, 0);
    EXPECT_TRUE(TickUntil([&] { return !Moving(4); }, 100));
}

// Cutter Out in motor mode moves by the rounded distance from the command
// position: 2.5 pulses of depth from position 1 is a move of rnd(1.5) = 2.
TEST_F(SbTestsTest, CutterOutRoundsTheMoveFromThePosition) {
    T().gDownDistFront = 5;
    T().gAxisPara[3].PulseEquivalent = 0.5;
    SB_Model f = Open();
    program.ctx.card.set_command_pos(0, 3, 1);
    f.Command6_Click(1);
    ASSERT_TRUE(TickUntil([&] { return !Moving(3); }, 200));
    EXPECT_EQ(Cmd(3), 3);
}

TEST_F(SbTestsTest, StopHaltsEveryMovingAxis) {
    SB_Model f = Open();
    f.Command4_MouseDown(0);
    // The feed moves beside the bender as no button starts it while one moves.
    SetAxisMotion(program.ctx, 1, 600);
    program.ctx.card.pmove(0, 1, 100000000);
    Tick(3);
    ASSERT_TRUE(Moving(1) && Moving(2));
    program.ctx.card.write_bit(0, 5, 1);
    f.Command7_Click();
    ASSERT_TRUE(TickUntil([&] { return !Moving(1) && !Moving(2); }, 100));
    EXPECT_EQ(sim.Outputs() & 0xFFu, 0u);
}

}  // namespace
}  // namespace velbend
