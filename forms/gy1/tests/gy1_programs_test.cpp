// The operator dialog's test programs: their lines for each cutter, mode and
// swing set-up, started from the dialog's buttons and run to their end on
// the simulated card through the machine loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "gy1_fixture.h"
#include "velbend/common/numtext.h"
#include "velbend/forms/gy1_programs.h"
#include "velbend/machine/cutter_back.h"
#include "velbend/machine/slot_block.h"

namespace velbend {
namespace {

using Lines = std::vector<std::string>;

struct Block {
    double angle;
    int16_t kind, side, flag;
};

class GY1ProgramTest : public testing::GY1Test {
protected:
    // The bytes G5.dat must hold: head, the slotting block (if any), tail.
    std::string Expected(const Lines& head, std::optional<Block> block, const Lines& tail = {}) {
        ProgramLines p;
        for (const auto& l : head) p << l;
        if (block) Print_KCaction(program.ctx, p, block->angle, block->kind, block->side, block->flag);
        for (const auto& l : tail) p << l;
        return p.Bytes();
    }
    void ExpectG5(const std::string& want) {
        const std::string got = home.Read("G5.dat");
        EXPECT_EQ(got, want) << "got:\n" << got << "\nwant:\n" << want;
    }
    // Runs the program to its end and the machine to rest (a seek zero or
    // a move of the last line may outlast the program's flag); false when
    // that never comes.
    bool RunToEnd() {
        return TickUntil([&] { return !Busy() && !Moving(1) && !Moving(2) && !Moving(3) && !Moving(4); });
    }
};

// Forward-motor slotting test: cylinder or motor cutter, cutter back or not,
// sensor or delay, Processing or Test.
TEST_F(GY1ProgramTest, ForwardMotorSlottingTest) {
    struct Case {
        const char* name;
        int16_t upDown, in17, detect, runMode;
        Lines head;
    };
    const Case cases[] = {
        {"cylinder out, delay, Processing", 0, 1, 1, 0,
         {"G90 G01", "G92 X0", "M16", "M14", "G04 P300", "M15", "M42", "M30", "G90 G01"}},
        {"cylinder out, sensor, Processing", 0, 1, 0, 0,
         {"G90 G01", "G92 X0", "M16", "M14", "M00", "M15", "M42", "M30", "G90 G01"}},
        {"cylinder back, Processing", 0, 0, 1, 0, {"G90 G01", "G92 X0", "M16", "M42", "M30", "G90 G01"}},
        {"cylinder out, Test", 0, 1, 1, 1, {"G90 G01", "G92 X0", "M16", "G90 G01"}},
        {"motor, Processing", 1, 1, 1, 0, {"G90 G01", "G92 X0", "M16", "M40", "M30", "M42", "M30", "G90 G01"}},
        {"motor, Test", 1, 1, 1, 1, {"G90 G01", "G92 X0", "M16", "G90 G01"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sys().gCutterUpDownMode = c.upDown;
        sys().gPositionDetectMode = c.detect;
        sys().gRunMode = c.runMode;
        sim.SetInput(17, c.in17);
        GY1_Model m = Open();
        m.Command1_Click(2);
        ExpectG5(Expected(c.head, Block{0.0, 1, 0, 0}));
        EXPECT_EQ(run().gSlotRunning, kTrue);
        EXPECT_EQ(run().gNcLineIndex, 0);
        run().gSlotRunning = 0;
    }
}

// Swing tests: the block each side and swing mode writes, the included
// angle raised to the blade angle, the back side's return of A, the cutter
// rotation around the block.
TEST_F(GY1ProgramTest, SwingSlottingTests) {
    struct Case {
        const char* name;
        int Index;
        int16_t sides, swingP, swingN, rotate;
        double cutter;
        const char* angle;
        std::optional<Block> block;
        bool returnA;
    };
    const Case cases[] = {
        {"front by calculation", 0, 0, 0, 0, 0, 30, "90", Block{30, 2, 0, 0}, false},
        {"front no swing", 0, 0, 1, 0, 0, 30, "90", Block{0, 1, 0, 0}, false},
        {"front other mode", 0, 0, 2, 0, 0, 30, "90", std::nullopt, false},
        {"back both sides, angle raised", 1, 0, 0, 0, 0, 90, "60", Block{180, 2, 1, 0}, true},
        {"back both sides, angle at blade", 1, 0, 0, 0, 0, 90, "90", Block{180, 2, 1, 0}, true},
        {"back both sides, no swing", 1, 0, 0, 1, 0, 30, "90", Block{180, 1, 1, 0}, true},
        {"back both sides, other mode", 1, 0, 0, 2, 0, 30, "90", std::nullopt, true},
        {"back front side only", 1, 1, 0, 0, 0, 30, "120", Block{45, 2, 1, 0}, false},
        {"back front side only, no swing", 1, 1, 0, 1, 0, 30, "120", Block{0, 1, 1, 0}, false},
        {"back, other sides value", 1, 2, 0, 0, 0, 30, "120", std::nullopt, false},
        {"front, cutter turning", 0, 0, 0, 0, 1, 30, "100", Block{35, 2, 0, 0}, false},
    };
    sys().gAxisKindA = 0;
    sim.SetInput(17, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sys().gSlotSides = c.sides;
        sys().gSwingModeP = c.swingP;
        sys().gSwingModeN = c.swingN;
        sys().gCutterRotateMode = c.rotate;
        sys().gCutterAngle = c.cutter;
        GY1_Model m = Open();
        m.SetText("Text6(5)", c.angle);
        m.Command3_Click(c.Index);
        Lines head = {"G90 G01", "G92 X0", "M16", "M40", "M30"};
        if (SwingZeroBeforeSlot(sys())) head.insert(head.end(), {"M42", "M30"});
        head.push_back("G90 G01");
        if (c.rotate == 1) head.push_back("M10");
        Lines tail;
        if (c.returnA) tail.push_back("A0 F1000.0");
        if (c.rotate == 1) tail.push_back("M11");
        ExpectG5(Expected(head, c.block, tail));
        EXPECT_EQ(run().gSlotRunning, kTrue);
        run().gSlotRunning = 0;
    }
}

// Whether axis 4 seeks zero before a slotting test.
TEST(GY1SwingZero, EachConditionFromBothSides) {
    struct Case {
        int16_t kindA, seekZero, swingP, swingN, sides, runMode;
        bool want;
    };
    const Case cases[] = {
        {0, 0, 0, 1, 1, 0, true},  {0, 0, 1, 0, 1, 0, true}, {0, 0, 1, 1, 0, 0, true},
        {0, 1, 1, 1, 1, 0, false}, {0, 0, 0, 0, 0, 1, false}, {1, 0, 1, 1, 1, 0, true},
        {1, 1, 0, 0, 0, 0, false}, {2, 0, 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SysPara s;
        s.gAxisKindA = c.kindA;
        s.gSeekZeroBeforeForward = c.seekZero;
        s.gSwingModeP = c.swingP;
        s.gSwingModeN = c.swingN;
        s.gSlotSides = c.sides;
        s.gRunMode = c.runMode;
        EXPECT_EQ(SwingZeroBeforeSlot(s), c.want) << c.kindA << c.seekZero << c.swingP << c.swingN << c.sides
                                                  << c.runMode;
    }
}

TEST_F(GY1ProgramTest, ToolSettingAndMarkingLinePrograms) {
    GY1_Model m = Open();
    // Default boxes: Z to 20, A to 1, each at its own axis's feedrate.
    m.Command1_Click(3);
    EXPECT_TRUE(m.C("Frame5").Visible);
    m.Command4_Click(0);
    ExpectG5(Expected({"G90 G01", "G92 X0", "M16", "Z20.000 F500", "A1.000 F1000"}, std::nullopt));
    EXPECT_EQ(run().gTestRunning, kTrue);
    run().gTestRunning = 0;

    m.Command4_Click(3);
    ExpectG5(Expected({"G90 G01", "G92 X0", "A0 F1000", "Z0 F500", "M17"}, std::nullopt));
    EXPECT_EQ(run().gTestRunning, kTrue);
    run().gTestRunning = 0;

    m.Command4_Click(1);
    ExpectG5(Expected({"G90 G01", "G92 X0", "M17", "M42", "M30", "M40", "M30"}, std::nullopt));
    run().gTestRunning = 0;
    sys().gRunMode = 1;
    m.Command4_Click(1);
    ExpectG5(Expected({"G90 G01", "G92 X0", "M17"}, std::nullopt));
    run().gTestRunning = 0;

    m.Command4_Click(2);
    EXPECT_FALSE(m.C("Frame5").Visible);

    // The marking line: no G92, no pressing line of its own.
    m.Command7_Click(0);
    ExpectG5(Expected({"G90 G01"}, Block{0.0, 1, 0, 1}));
    EXPECT_EQ(run().gSlotRunning, kTrue);
    run().gSlotRunning = 0;
    sys().gCutterRotateMode = 1;
    m.Command7_Click(0);
    ExpectG5(Expected({"G90 G01", "M10"}, Block{0.0, 1, 0, 1}, {"M11"}));
    run().gSlotRunning = 0;
    // With the feed encoder correcting, a slot's block asks for the
    // correction first; the marking line's never does.
    program.ctx.panel.Check3 = 1;
    ProgramLines slot;
    Print_KCaction(program.ctx, slot, 0.0, 1, 0, 0);
    ASSERT_EQ(slot.lines()[1], "M34");
    m.Command7_Click(0);
    const Lines marking = G5();
    ASSERT_GT(marking.size(), 3u);
    EXPECT_EQ(marking[2], "G04 P200");
    EXPECT_EQ(std::count(marking.begin(), marking.end(), "M34"), 0);
    run().gSlotRunning = 0;
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
}

// Every program of the dialog runs to its end on the simulated card.
TEST_F(GY1ProgramTest, EachProgramRunsToItsEnd) {
    struct Case {
        const char* name;
        int16_t kindA;
        void (*press)(GY1_Model&);
        const char* endMessage;
        int16_t upDown = 1, in17 = 0;
    };
    const Case cases[] = {
        {"forward slotting", 1, [](GY1_Model& m) { m.Command1_Click(2); }, "开槽完成！"},
        // A cylinder cutter that is not back, detected by a delay of 300 ms.
        {"forward slotting, cylinder", 1, [](GY1_Model& m) { m.Command1_Click(2); }, "开槽完成！", 0, 1},
        {"front slotting", 0, [](GY1_Model& m) { m.Command3_Click(0); }, "开槽完成！"},
        {"back slotting", 0, [](GY1_Model& m) { m.Command3_Click(1); }, "开槽完成！"},
        {"back slotting, cylinder", 0, [](GY1_Model& m) { m.Command3_Click(1); }, "开槽完成！", 0, 1},
        {"marking line", 1, [](GY1_Model& m) { m.Command7_Click(0); }, "开槽完成！"},
        {"set tool", 1, [](GY1_Model& m) { m.Command4_Click(0); }, nullptr},
        {"tool back", 1, [](GY1_Model& m) { m.Command4_Click(3); }, nullptr},
        {"tool zero", 1, [](GY1_Model& m) { m.Command4_Click(1); }, nullptr},
    };
    sys().gPositionDetectMode = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sys().gAxisKindA = c.kindA;
        sys().gCutterUpDownMode = c.upDown;
        sim.SetInput(17, c.in17);
        op.messages.clear();
        GY1_Model m = Open();
        c.press(m);
        ASSERT_TRUE(Busy());
        ASSERT_TRUE(RunToEnd());
        EXPECT_EQ(run().gNcLineIndex, 0);
        if (c.endMessage) {
            EXPECT_EQ(op.LastText(), c.endMessage);
        }
    }
    // A swing that would crawl (its automatic speed gives no pulse a
    // second): the front slotting test starts nothing and says which axis.
    sys().gAxisKindA = 0;
    sys().gCutterUpDownMode = 1;
    sim.SetInput(17, 0);
    op.messages.clear();
    sys().gAxisPara[4].AutoFeedrate = 0;
    {
        GY1_Model m = Open();
        m.Command3_Click(0);
        EXPECT_FALSE(Busy());
        EXPECT_EQ(op.LastText(), "轴4的自动速度0不足每秒一个脉冲，请检查轴参数！");
        EXPECT_EQ(sim.Outputs() & 0x8, 0u);
    }
    sys().gAxisPara[4].AutoFeedrate = 1000;
    // A swing mode of neither kind cuts nothing and leaves the material
    // pressed: the test still ends once its lines are out.
    sys().gSwingModeP = 2;
    op.messages.clear();
    {
        GY1_Model m = Open();
        m.Command3_Click(0);
        ASSERT_TRUE(RunToEnd());
        EXPECT_EQ(op.LastText(), "开槽完成！");
    }
}

// A cylinder cutter detected by its sensors: the slotting test holds at the
// cutter-back stroke until input 17 reports the cutter back, then ends (the
// slot's own strokes find their sensors on).
TEST_F(GY1ProgramTest, SlottingTestWaitsForTheCutterBackSensor) {
    sys().gCutterUpDownMode = 0;
    sys().gPositionDetectMode = 0;
    sim.SetInput(17, 1);
    GY1_Model m = Open();
    m.Command1_Click(2);
    Tick(40);
    EXPECT_TRUE(Busy());
    EXPECT_EQ(run().gNcLineIndex, 4);  // after "M14"
    EXPECT_EQ(sim.Outputs() & 0x4, 0x4u);
    sim.SetInput(17, 0);
    sim.SetInput(16, 0);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(sim.Outputs() & 0x6, 0u);
    EXPECT_EQ(op.LastText(), "开槽完成！");
}

TEST_F(GY1ProgramTest, SetToolMovesZAndAToTheBoxes) {
    GY1_Model m = Open();
    m.SetText("Text2(0)", "12.5");
    m.SetText("Text2(1)", "3");
    m.Command4_Click(0);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Pos(3), 1250);
    EXPECT_EQ(Pos(4), 300);
    m.Command4_Click(3);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Pos(3), 0);
    EXPECT_EQ(Pos(4), 0);
}

TEST(GY1Calibration, NewEquivalent) {
    double v = -1;
    ASSERT_TRUE(CalibratedEquivalent(1000, 200, 998, v));
    EXPECT_EQ(Str(v), " 200.400801603206");
    EXPECT_FALSE(CalibratedEquivalent(1000, 200, 0, v));
    EXPECT_FALSE(CalibratedEquivalent(1e308, 1e308, 1e-308, v));
    EXPECT_EQ(Str(v), " 200.400801603206");
}

}  // namespace
}  // namespace velbend
