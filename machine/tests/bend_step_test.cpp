// Curvature lookup and the lines of one bend for each bending mechanism.
#include <gtest/gtest.h>

#include "machine_fixture.h"
#include "velbend/machine/bend_step.h"

namespace velbend {
namespace {

using testing::MachineFixture;
using Lines = std::vector<std::string>;

struct BendStepTest : ::testing::Test, MachineFixture {
    ProgramLines out;
    Lines Step(double pos, double radius, int16_t kind, double value, double to) {
        out.clear();
        PrintBendStep(c(), out, pos, radius, kind, value, to);
        return out.lines();
    }
};

TEST_F(BendStepTest, CurvatureLookupAtBetweenAndBeyondKeys) {
    const auto& P = params.mWanFuP;
    const auto& N = params.mWanFuN;
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 3, 600), 90);    // above the first key
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 3, 500), 90);    // at a key: that row
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 3, 100), 60);
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 3, 50), 30);
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 3, 75), 45);     // half way between 100 and 50
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 3, 300), 75);
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 3, 20), 10);     // at the last key
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 3, 5), 10);      // below every key
    EXPECT_DOUBLE_EQ(WanFuLookup(N, 3, 5), 8);       // the negative table's own last row
    EXPECT_DOUBLE_EQ(WanFuLookup(N, 3, 300), 65);
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 0, 1), 90);      // a table of one row
    EXPECT_DOUBLE_EQ(WanFuLookup(P, 2, 5), 30);      // the last row in use, not row 3
}

TEST_F(BendStepTest, NoMechanismFeedsOnlyAndSkipsRepeatedPositions) {
    EXPECT_EQ(Step(150, -90, 0, 0, 200), (Lines{"X150.0000 F3000"}));
    EXPECT_EQ(Step(150.005, -90, 0, 0, 200), Lines{});
    EXPECT_EQ(Step(150.02, -90, 0, 0, 200), (Lines{"X150.0200 F3000"}));
    sys().gBendMechanisms = 3;
    EXPECT_EQ(Step(170, -90, 0, 0, 200), Lines{});
}

TEST_F(BendStepTest, SpliceStopOncePerCall) {
    auto& w = c().writer;
    w.mSplicePos = {120, 130};
    w.mSpliceCount = 2;
    sys().gSplicePause = 2;
    EXPECT_EQ(Step(150, -90, 0, 0, 200), (Lines{"X120.0000 F3000", "G04 P2000 ;connect pause", "X150.0000 F3000"}));
    EXPECT_EQ(w.mSpliceIndex, 1);
    // A skipped repeat writes no splice stop either.
    EXPECT_EQ(Step(150, -90, 0, 0, 200), Lines{});
    EXPECT_EQ(Step(160, -90, 0, 0, 200), (Lines{"X130.0000 F3000", "G04 P2000 ;connect pause", "X160.0000 F3000"}));
    EXPECT_EQ(Step(170, -90, 0, 0, 200), (Lines{"X170.0000 F3000"}));
    sys().gSplicePause = 0;
    w.mSpliceIndex = 0;
    EXPECT_EQ(Step(180, -90, 0, 0, 200), (Lines{"X180.0000 F3000"}));
}

TEST_F(BendStepTest, DoubleMechanismPatBendsAndCorners) {
    sys().gBendMechanisms = 2;
    // Corner turning -90 (b = 90): 1.5 * 90 + 10 = 145, back to the space angle.
    EXPECT_EQ(Step(150, -90, 0, 0, 200),
              (Lines{"X150.0000 F3000", "G05 Y145.0000 F00002000", "G05 Y10.0000 F00002000", "G01"}));
    // Negative corner: 1.2 * -60 - 12 = -84, back to -12.
    EXPECT_EQ(Step(160, 60, 0, 0, 200),
              (Lines{"X160.0000 F3000", "G05 Y-84.0000 F00002000", "G05 Y-12.0000 F00002000", "G01"}));
    // With a back angle the retreat is relative to the bend.
    sys().gPatBackAngle = 5;
    EXPECT_EQ(Step(170, -90, 0, 0, 200)[2], "G05 Y140.0000 F00002000");
    EXPECT_EQ(Step(180, 60, 0, 0, 200)[2], "G05 Y-79.0000 F00002000");
    // A bend beyond the maximum is limited.
    EXPECT_EQ(Step(190, -200, 0, 0, 200)[1], "G05 Y150.0000 F00002000");
    EXPECT_EQ(Step(195, 200, 0, 0, 200)[1], "G05 Y-150.0000 F00002000");
    // Arc step of radius 50 (positive table: 30): last of its run.
    sys().gPatBackAngle = 0;
    EXPECT_EQ(Step(250, 50, -2, 0.1, 300),
              (Lines{"X250.0000 F3000", "G05 Y55.0000 F00002000", "G05 Y10.0000 F00002000", "G01",
                     "X255.0000 Y0.0000"}));
    // Encoder correction while pat-bending.
    c().panel.Check3 = 1;
    sys().gXEncoderPort = 1;
    sys().gPatArcEncoderFix = 1;
    EXPECT_EQ(Step(260, -90, 0, 0, 300),
              (Lines{"X260.0000 F3000", "G04 P200", "M34", "G05 Y145.0000 F00002000",
                     "G05 Y10.0000 F00002000", "G01"}));
    EXPECT_DOUBLE_EQ(c().writer.mLastFixPos, 260);
}

TEST_F(BendStepTest, DoubleMechanismContinuousBends) {
    sys().gBendMechanisms = 2;
    // Radius 300, positive table 75: 1.1 * 75 + 10 = 92.5.
    EXPECT_EQ(Step(400, 300, -1, 0.1, 500), (Lines{"X400.0000 Y92.5000 F3000"}));
    // Negative table 65: 0.9 * -65 - 12 = -70.5.
    EXPECT_EQ(Step(410, 300, 1, 0.1, 500), (Lines{"X410.0000 Y-70.5000 F3000"}));
    // Last step: to the end of the span when it lies within 1.5 step lengths.
    EXPECT_EQ(Step(420, 300, -2, 0.1, 440), (Lines{"X420.0000 Y92.5000 F3000", "X440.0000 Y0.0000"}));
    EXPECT_EQ(Step(430, 300, -2, 0.1, 500), (Lines{"X430.0000 Y92.5000 F3000", "X460.0000 Y0.0000"}));
    // Encoder correction while press-bending: only with a spacing above 1.
    c().panel.Check3 = 1;
    sys().gXEncoderPort = 1;
    sys().gPressArcFixSpacing = 1.0;
    EXPECT_EQ(Step(500, 300, -1, 0.1, 900).size(), 1u);
    sys().gPressArcFixSpacing = 50;
    EXPECT_EQ(Step(510, 300, -1, 0.1, 900), (Lines{"G04 P100", "M34", "X510.0000 Y92.5000 F3000"}));
    EXPECT_EQ(Step(530, 300, -1, 0.1, 900).size(), 1u);
    EXPECT_EQ(Step(570, 300, -1, 0.1, 900).size(), 3u);
}

TEST_F(BendStepTest, SingleMechanismChangesSides) {
    sys().gBendMechanisms = 1;
    // Two positive continuous bends: the side change only before the first.
    EXPECT_EQ(Step(400, 300, -1, 0.1, 900),
              (Lines{"Y0 F2000", "M18", "G04 P200", "X400.0000 Y92.5000 F3000"}));
    EXPECT_EQ(Step(410, 300, -1, 0.1, 900), (Lines{"X410.0000 Y92.5000 F3000"}));
    EXPECT_DOUBLE_EQ(c().ring.mProgBendY, 75);
    // A negative pat corner: back in, over to the other side, out again.
    // 1.2 * -60 + 12 = -60 is below 0: bend value 0; retreat to the space angle.
    EXPECT_EQ(Step(450, 60, 0, 0, 900),
              (Lines{"Y0 F2000", "M19", "G04 P200", "Y150.0000 F2000", "M18", "G04 P200", "X450.0000 F3000",
                     "G05 Y0.0000 F00002000", "G05 Y12.0000 F00002000", "G01"}));
    EXPECT_DOUBLE_EQ(c().ring.mProgBendY, -60);
    // Negative again: no change of sides.  Back to positive from negative.
    EXPECT_EQ(Step(460, 60, 0, 0, 900).front(), "X460.0000 F3000");
    EXPECT_EQ(Step(470, -90, 0, 0, 900),
              (Lines{"Y150.0000 F2000", "M19", "G04 P200", "Y0 F2000", "M18", "G04 P200", "X470.0000 F3000",
                     "G05 Y145.0000 F00002000", "G05 Y10.0000 F00002000", "G01"}));
    // Last of a run: released to the side it came from.
    EXPECT_EQ(Step(480, 300, -2, 0.1, 900).back(), "X510.0000 Y0.0000");
    // From rest, a negative bend first puts the mechanism out at the far side.
    c().ring.mProgBendY = 0;
    EXPECT_EQ(Step(600, 300, 2, 0.1, 900),
              (Lines{"Y150.0000 F2000", "M18", "G04 P200", "X600.0000 Y0.0000 F3000", "X630.0000 Y150.0000"}));
}

TEST_F(BendStepTest, SecondBuildPrePositionsContinuousBends) {
    sys().gBendMechanisms = 2;
    c().secondBuild = true;
    EXPECT_EQ(Step(400, 300, -1, 0.1, 900), (Lines{"Y26.0000 F2000", "X400.0000 Y92.5000 F3000"}));
    EXPECT_EQ(Step(410, 300, -1, 0.1, 900), (Lines{"X410.0000 Y92.5000 F3000"}));
    // A change larger than both space angles together: positioned again.
    EXPECT_EQ(Step(420, 300, 1, 0.1, 900), (Lines{"Y-28.0000 F2000", "X420.0000 Y-70.5000 F3000"}));
    // The last step of a run lets the next run be positioned afresh.
    EXPECT_EQ(Step(430, 300, 2, 0.1, 900), (Lines{"X430.0000 Y-70.5000 F3000", "X460.0000 Y0.0000"}));
    EXPECT_EQ(Step(440, 300, 1, 0.1, 900), (Lines{"Y-28.0000 F2000", "X440.0000 Y-70.5000 F3000"}));
    // The first build writes none of it.
    c().secondBuild = false;
    c().writer.mPrePosDone = 0;
    EXPECT_EQ(Step(450, 300, -1, 0.1, 900), (Lines{"X450.0000 Y92.5000 F3000"}));
}

// Thresholds of the bend step pinned from both sides.

// The single mechanism caps a positive bend at gMaxBendAngle, pat and
// continuous alike.
TEST_F(BendStepTest, SingleMechanismCapsAtTheLargestBend) {
    sys().gBendMechanisms = 1;
    // Pat corner of 200: 1.5 * 200 + 10 = 310, capped at 150.
    EXPECT_EQ(Step(100, -200, 0, 0, 900),
              (Lines{"Y0 F2000", "M18", "G04 P200", "X100.0000 F3000", "G05 Y150.0000 F00002000",
                     "G05 Y10.0000 F00002000", "G01"}));
    // Exactly at the cap: (150 - 10) / 1.5.
    EXPECT_EQ(Step(110, -140 / 1.5, 0, 0, 900)[1], "G05 Y150.0000 F00002000");
    EXPECT_EQ(Step(120, -139 / 1.5, 0, 0, 900)[1], "G05 Y149.0000 F00002000");
    // Continuous: R300 reads 75 from the positive table; 3 * 75 + 10 = 235.
    sys().gContBendCoefP = 3;
    EXPECT_EQ(Step(130, 300, -1, 0.1, 900), (Lines{"X130.0000 Y150.0000 F3000"}));
}

// The end of a run of the double mechanism goes to the end of the span when
// 1.5 x R x V reaches it (>=), else to the end of the arc step.
TEST_F(BendStepTest, EndOfRunReachesTheSpanEndFromOneAndAHalfSteps) {
    sys().gBendMechanisms = 2;
    // Continuous R200 (the pat threshold), V 0.25: 1.5 * 200 * 0.25 = 75.
    EXPECT_EQ(Step(100, 200, -2, 0.25, 175).back(), "X175.0000 Y0.0000");
    EXPECT_EQ(Step(200, 200, -2, 0.25, 275.0001).back(), "X250.0000 Y0.0000");
    EXPECT_EQ(Step(300, 200, -2, 0.25, 374.9999).back(), "X374.9999 Y0.0000");
    // Pat R100, V 0.5: also 75.
    EXPECT_EQ(Step(400, 100, 2, 0.5, 475).back(), "X475.0000 Y0.0000");
    EXPECT_EQ(Step(500, 100, 2, 0.5, 575.0001).back(), "X550.0000 Y0.0000");
}

// The single mechanism's pat retreat: only for a bend above 0.1 or below
// -0.1 (before compensation).
TEST_F(BendStepTest, SingleMechanismRetreatsOnlyBeyondATenth) {
    sys().gBendMechanisms = 1;
    // b = 0.1: compensated 1.5 * 0.1 + 10 = 10.15, no retreat.
    EXPECT_EQ(Step(100, -0.1, 0, 0, 900),
              (Lines{"Y0 F2000", "M18", "G04 P200", "X100.0000 F3000", "G05 Y10.1500 F00002000", "G01"}));
    EXPECT_EQ(Step(110, -0.1001, 0, 0, 900),
              (Lines{"X110.0000 F3000", "G05 Y10.1502 F00002000", "G05 Y10.0000 F00002000", "G01"}));
    // b = -0.1: compensated 1.2 * -0.1 + 12 = 11.88, no retreat.
    c().ring.mProgBendY = -5;
    EXPECT_EQ(Step(120, 0.1, 0, 0, 900), (Lines{"X120.0000 F3000", "G05 Y11.8800 F00002000", "G01"}));
    EXPECT_EQ(Step(130, 0.1001, 0, 0, 900),
              (Lines{"X130.0000 F3000", "G05 Y11.8799 F00002000", "G05 Y12.0000 F00002000", "G01"}));
}

}  // namespace
}  // namespace velbend
