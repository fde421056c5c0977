// Run (the G5.dat writer): thresholds and rarely taken branches pinned from
// both sides.  Each test makes the program at the threshold and
// just on either side of it, and checks which side the threshold belongs
// to; a threshold moved by one step ("<=" for "<") fails it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "machine_fixture.h"
#include "writer_support.h"
#include "velbend/geometry/plane.h"
#include "velbend/common/numtext.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/slot_block.h"

namespace velbend {
namespace {

using testing::MachineFixture;
using Lines = std::vector<std::string>;
using testing::PositionCard;
using testing::ReadData;

// The square of square.CtrP.dat with its header turn B and corner turns
// given.
std::string Square(const std::string& headerB, const std::string& cornerB = "-90.000000") {
    const std::string corner = " 2 0.000000 " + cornerB + " 0.000000\r\n";
    return "SPLINE " + headerB + " 3.0\r\n"
           "0.000000 0.000000 1 0.000000 0.000000 0.000000\r\n"
           "100.000000 0.000000 1 0.000000 0.000000 0.000000\r\n"
           "100.000000 0.000000" + corner +
           "100.000000 0.000000 1 0.000000 0.000000 0.000000\r\n"
           "100.000000 100.000000 1 0.000000 0.000000 0.000000\r\n"
           "100.000000 100.000000" + corner +
           "100.000000 100.000000 1 0.000000 0.000000 0.000000\r\n"
           "0.000000 100.000000 1 0.000000 0.000000 0.000000\r\n"
           "0.000000 100.000000" + corner +
           "0.000000 100.000000 1 0.000000 0.000000 0.000000\r\n"
           "0.000000 0.000000 1 0.000000 0.000000 0.000000\r\n"
           "SPLINE -90.000000 0.0\r\n";
}

struct WriterThresholdTest : ::testing::Test, MachineFixture {
    // Runs on `ctrp` and returns G5.dat's lines (Run from idle each time).
    Lines Program(const std::string& ctrp) {
        home.Write("CtrP.dat", ctrp);
        std::filesystem::remove(home / "G5.dat");
        const int16_t homed = c().run.mBendHomed;  // outlives a run
        c().run = RunState();
        c().run.mBendHomed = homed;
        Command_Run_Click(c());
        EXPECT_EQ(c().run.gRunning, kTrue) << op.LastText();
        return testing::LinesOf(home.Read("G5.dat"));
    }
    Lines Slot(double angle, int16_t ty, int16_t fb) {
        ProgramLines out;
        Print_KCaction(c(), out, angle, ty, fb, 0);
        return out.lines();
    }
    static bool Contains(const Lines& program, const Lines& block) {
        return std::search(program.begin(), program.end(), block.begin(), block.end()) != program.end();
    }
};

// A header turn of exactly 5 degrees is no real corner (B <= 5): the start
// block swings like a straight start and no cutter zone is taken, as for 0;
// above 5 it is slotted from the back.
TEST_F(WriterThresholdTest, HeaderTurnOfFiveIsNoCorner) {
    sys().gMillRadius = 1000;  // a zone that shows in the feed (0.025 mm at 5 degrees)
    const Lines straight = Program(Square("0.000000"));
    EXPECT_EQ(Program(Square("5.000000")), straight);
    const Lines corner = Program(Square("5.000100"));
    EXPECT_NE(corner, straight);
    EXPECT_TRUE(Contains(corner, Slot(180, 3, 1)));
    EXPECT_TRUE(Contains(straight, Slot(-15, 3, 0)));  // +(0 - 30) / 2, first header
}

// A corner whose turn equals gSlotThreshold is slotted (|B| >= threshold);
// just below it the bender makes the corner.
TEST_F(WriterThresholdTest, CornerAtTheSlotThresholdIsSlotted) {
    sys().gSlotThreshold = 40;
    sys().gSlotToBendThreshold = 5;
    sys().gBendMechanisms = 2;
    const Lines at = Program(Square("-90.000000", "-40.000000"));
    EXPECT_TRUE(Contains(at, Slot(5, 2, 0)));  // (40 - 30) / 2
    sys().gSlotThreshold = 39.99;
    EXPECT_EQ(Program(Square("-90.000000", "-40.000000")), at);
    sys().gSlotThreshold = 40.01;
    const Lines below = Program(Square("-90.000000", "-40.000000"));
    EXPECT_FALSE(Contains(below, Slot(5, 2, 0)));
    EXPECT_TRUE(std::find(below.begin(), below.end(), "X150.0000 F3000") != below.end());  // bent at P + 50
}

// The encoder closing lines are written with Check3 ticked and an encoder on
// port 1 or above.
TEST_F(WriterThresholdTest, EncoderClosingLinesFromPortOne) {
    const Lines tail = {"G04 P400", "M34", "G04 P100"};
    c().panel.Check3 = 1;
    sys().gXEncoderPort = 1;
    sys().gEncoderEquiv = 100;
    Lines p = Program(Square("-90.000000"));
    ASSERT_GE(p.size(), 3u);
    EXPECT_EQ(Lines(p.end() - 3, p.end()), tail);
    EXPECT_EQ(p[p.size() - 4], "A0.0000 F1000.0000");
    sys().gXEncoderPort = 0;
    p = Program(Square("-90.000000"));
    EXPECT_EQ(p.back(), "A0.0000 F1000.0000");
    sys().gXEncoderPort = 3;
    c().panel.Check3 = 0;
    p = Program(Square("-90.000000"));
    EXPECT_EQ(p.back(), "A0.0000 F1000.0000");
}

// M42 (swing seek zero before machining) is written for a forward-feed
// cutter axis (gAxisKindA = 1) even when both swings are off and only the
// front side is slotted: the gAxisKindA = 1 term of the condition.
TEST_F(WriterThresholdTest, ForwardFeedAxisSeeksZeroBeforeMachining) {
    PositionCard::Install(c().card);
    c().panel.Check2 = 1;
    sys().gSwingModeP = 1;
    sys().gSwingModeN = 1;
    sys().gSlotSides = 1;
    sys().gSeekZeroBeforeForward = 0;
    sys().gAxisKindA = 1;
    // The preamble: up to the line that zeroes all four axes.
    auto preamble = [&] {
        const Lines p = Program(Square("-90.000000"));
        return Lines(p.begin(), std::find(p.begin(), p.end(), "G92 X0 Y0 Z0 A0"));
    };
    EXPECT_EQ(preamble(), (Lines{"G90 G01", "G92 X0", "M42", "M30", "M40", "M30", "G90 G01"}));
    sys().gAxisKindA = 0;
    EXPECT_EQ(preamble(), (Lines{"G90 G01", "G92 X0", "M40", "M30", "G90 G01"}));
    // A forward feed that seeks zero before each cut (gSeekZeroBeforeForward 1): none here.
    sys().gAxisKindA = 1;
    sys().gSeekZeroBeforeForward = 1;
    EXPECT_EQ(preamble(), (Lines{"G90 G01", "G92 X0", "M40", "M30", "G90 G01"}));
}

// A bend axis homed before is sent back to 0 before machining only from
// above 10 degrees (Check2 ticked, a bending mechanism fitted).
TEST_F(WriterThresholdTest, BendAxisBackToZeroBeforeMachiningAboveTenDegrees) {
    PositionCard::Install(c().card);
    c().panel.Check2 = 1;
    sys().gBendMechanisms = 2;
    sys().gSwingModeP = sys().gSwingModeN = 1;
    sys().gSlotSides = 1;
    auto preamble = [&](int32_t pulses) {
        PositionCard::Get().pos[2] = pulses;
        const Lines p = Program(Square("-90.000000"));
        return Lines(p.begin(), std::find(p.begin(), p.end(), "G92 X0 Y0 Z0 A0"));
    };
    c().run.mBendHomed = kTrue;
    EXPECT_EQ(preamble(1000), (Lines{"G90 G01", "G92 X0", "M38", "M30", "M40", "M30", "G90 G01"}));
    EXPECT_EQ(preamble(1001), (Lines{"G90 G01", "G92 X0", "Y0 F2000", "M38", "M30", "M40", "M30", "G90 G01"}));
}

// The start and end length compensations apply only beyond 0.001 mm.
TEST_F(WriterThresholdTest, LengthCompensationsBeyondAThousandth) {
    const Lines none = Program(Square("-90.000000"));
    sys().gStartLenComp = 0.001;
    sys().gEndLenComp = -0.001;
    EXPECT_EQ(Program(Square("-90.000000")), none);
    EXPECT_EQ(c().run.mCompPointLast, 0);
    EXPECT_DOUBLE_EQ(c().run.mLengthComp, 0);
    sys().gStartLenComp = 0.0015;
    sys().gEndLenComp = 0;
    Lines p = Program(Square("-90.000000"));
    EXPECT_TRUE(std::find(p.begin(), p.end(), "X100.0015 F3000") != p.end());
    EXPECT_EQ(c().run.mCompPointLast, 1);
    EXPECT_DOUBLE_EQ(c().run.mLengthComp, -0.0015);
    sys().gStartLenComp = 0;
    sys().gEndLenComp = -0.0015;
    p = Program(Square("-90.000000"));
    EXPECT_TRUE(std::find(p.begin(), p.end(), "X399.9985 F3000") != p.end());
    EXPECT_DOUBLE_EQ(c().run.mLengthComp, 0.0015);
}

// A segment that takes the strip back (negative length) moves the bends
// still pending beyond the new position back with it.
TEST_F(WriterThresholdTest, StripGoingBackShiftsPendingBends) {
    const std::string ctrp =
        "SPLINE 0.000000 3.0\r\n"
        "0.000000 0.000000 1 0.000000 0.000000 0.000000\r\n"
        "100.000000 0.000000 0 0.000000 0.000000 0.000000\r\n"
        "105.000000 0.000000 0 50.000000 0.100000 0.000000\r\n"
        "106.000000 0.000000 0 0.000000 0.000000 -10.000000\r\n"
        "206.000000 0.000000 0 0.000000 0.000000 0.000000\r\n"
        "SPLINE 0.000000 0.0\r\n";
    // The arc step is queued at 150 and 155 (P + 50); the next segment is
    // 1 - 10 = -9 mm: P goes back from 105 to 96 and the pending bends,
    // beyond it, to 141 and 146.
    // Filled in at the spacing of R50 (2 mm): 141, 143, 145 (146 merges
    // into 145); without the shift they would stand at 150, 152, 154.
    const Lines p = Program(ctrp);
    const Lines feed = {"X105.0000 F3000", "X96.0000 F3000", "X141.0000 F3000", "X143.0000 F3000",
                        "X145.0000 F3000", "X196.0000 F3000"};
    EXPECT_TRUE(Contains(p, feed)) << testing::Joined(p);
}

// An arc too tight to bend swings its slot only when its step angle is
// above the cutter angle, in each row of the slotting table: the side of the
// last bending arc (d < 0: R50 alone; d > 0: R50 then R600), and for d > 0
// both slot sides.  (At exactly the cutter angle the swing would be 0 or 180
// degrees, which writes the same lines as no swing.)
TEST_F(WriterThresholdTest, TightArcSwingsOnlyAboveTheCutterAngle) {
    sys().gBendMechanisms = 2;
    const std::string arcs = ReadData("arcs.CtrP.dat");
    ASSERT_FALSE(arcs.empty());
    // The R600 arc straightened: the last bending arc is R50, d < 0.
    std::string r50only = arcs;
    for (const char* from : {"112.000000 52.000000 0 600.000000 0.010000", "115.000000 56.000000 0 600.000000 0.010000"}) {
        const auto at = r50only.find(from);
        ASSERT_NE(at, std::string::npos);
        r50only.replace(at, std::string(from).size(), std::string(from).substr(0, 23) + "0.000000 0.000000");
    }
    const double phi = 0.5 * 180 / kPi;  // the R3 point's step angle, 28.6... degrees
    struct Row {
        const char* name;
        const std::string* ctrp;
        int16_t sides;
        double noSwing, swing;  // Print_KCaction angles; swing = (phi - c) / 2 (+ 180) with c = phi - 1
        int16_t fb;
    };
    const Row rows[] = {{"d < 0", &r50only, 0, 0, 0.5, 0},
                        {"d > 0, both sides", &arcs, 0, 180, 180.5, 1},
                        {"d > 0, front side", &arcs, 1, 0, 0.5, 1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        sys().gSlotSides = r.sides;
        sys().gCutterAngle = phi + 1;
        const Lines below = Program(*r.ctrp);
        EXPECT_TRUE(Contains(below, Slot(r.noSwing, 1, r.fb)));
        EXPECT_FALSE(Contains(below, Slot(r.swing - 1, 2, r.fb)));
        sys().gCutterAngle = phi - 1;
        const Lines above = Program(*r.ctrp);
        EXPECT_TRUE(Contains(above, Slot(r.swing, 2, r.fb)));
        EXPECT_FALSE(Contains(above, Slot(r.noSwing, 1, r.fb)));
    }
}

// The bending-arc length corrections: gArcCompP lengthens the arcs bent
// with the positive table (direction < 0), gArcCompN shortens the others.
// Derivation (arcs.CtrP.dat, bending arcs R50 turning d = -1 and R600
// turning d = +1, steps of 5 mm):
//   R50 steps 100->105, 105->110, 110->115: each L = 5 + 0.5 * 5 / 50 = 5.05,
//   so the feed lines read 105.05, 110.10, 115.15; the straight 40 mm to
//   155.15; R600 steps of 5: each L = 5 - 1.2 * 5 / 600 = 4.99, to 160.14
//   and 165.13; then the straight 5 to 170.13.
TEST_F(WriterThresholdTest, ArcLengthCompensationsOfBothSigns) {
    sys().gBendMechanisms = 2;
    sys().gArcCompP = 0.5;
    sys().gArcCompN = 1.2;
    const Lines p = Program(ReadData("arcs.CtrP.dat"));
    for (const char* feed : {"X105.0500 F3000", "X110.1000 F3000", "X115.1500 F3000", "X155.1500 F3000",
                             "X160.1400 F3000", "X165.1300 F3000", "X170.1300 F3000"})
        EXPECT_TRUE(std::find(p.begin(), p.end(), feed) != p.end()) << feed << "\n" << testing::Joined(p);
    const std::string golden = ReadData("arcs_compensated.G5.dat");
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(p, testing::LinesOf(golden)) << testing::Joined(p);

    // One rule, one length: the job length the captions show is what the
    // program feeds with what it leaves out on purpose, also where a cutter
    // zone shortens a bending arc's first step (the compensation is of the
    // arc's own length) and a tight arc is slotted and fed as it is, in both
    // builds.
    sys().gMillRadius = 3;
    const std::string path = "SPLINE 90.000000 3.0\r\n"
                             "0.000000 0.000000 1 0.000000 0.000000 0.000000\r\n"
                             "5.000000 0.000000 0 50.000000 0.100000 0.000000\r\n"
                             "10.000000 0.500000 0 50.000000 0.100000 0.000000\r\n"
                             "50.000000 0.500000 1 0.000000 0.000000 0.000000\r\n"
                             "53.000000 3.500000 0 3.000000 0.500000 0.000000\r\n"
                             "53.000000 40.000000 1 0.000000 0.000000 0.000000\r\n"
                             "SPLINE 90.000000 0.0\r\n";
    c().panel.Label4[0] = "/signs/e.dxf";
    for (bool second : {false, true}) {
        SCOPED_TRACE(second);
        c().secondBuild = second;
        const Lines q = Program(path);
        double fed = 0;
        for (const std::string& line : q)
            if (!line.empty() && line[0] == 'X') fed = Val(std::string_view(line).substr(1));
        ASSERT_GT(fed, 100);
        EXPECT_GT(c().run.mLengthComp, 1);
        EXPECT_NEAR(fed + c().run.mLengthComp, Val(c().panel.Label4[2]), 1e-4) << testing::Joined(q);
    }
}

// "切刀未在零位！" when a cylinder cutter is not back before a run (Chinese),
// critical, titled "错误".
TEST_F(WriterThresholdTest, CutterNotBackInChinese) {
    PositionCard::Install(c().card);
    sys().gCutterUpDownMode = 0;
    PositionCard::Get().input[17] = 1;
    home.Write("CtrP.dat", Square("-90.000000"));
    Command_Run_Click(c());
    EXPECT_EQ(c().run.gRunning, 0);
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "切刀未在零位！");
    EXPECT_EQ(op.messages[0].title, "错误");
    EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(home.Exists("G5.dat"));
    PositionCard::Get().input[17] = 0;
    Command_Run_Click(c());
    EXPECT_EQ(c().run.gRunning, kTrue);
}

// Run shows the strip and cutter markers; a refused Run and a resume leave
// them as they are.
TEST_F(WriterThresholdTest, RunShowsTheMarkers) {
    home.Write("CtrP.dat", Square("-90.000000"));
    c().panel.Text5 = "0";
    Command_Run_Click(c());
    EXPECT_FALSE(c().panel.Shape2.Visible);
    EXPECT_FALSE(c().panel.Shape3.Visible);
    c().panel.Text5 = "1";
    Command_Run_Click(c());
    ASSERT_EQ(c().run.gRunning, kTrue);
    EXPECT_TRUE(c().panel.Shape2.Visible);
    EXPECT_TRUE(c().panel.Shape3.Visible);
    c().panel.Shape2.Visible = c().panel.Shape3.Visible = false;
    c().run.mPaused = 1;
    Command_Run_Click(c());  // resumes only
    EXPECT_EQ(c().run.mPaused, 0);
    EXPECT_FALSE(c().panel.Shape2.Visible);
}

}  // namespace
}  // namespace velbend
