// The move ring: spacing, merging and filling in of arc steps, wrap-around,
// the drain with its approach and release lines, and shifts of the strip.
#include <gtest/gtest.h>

#include "machine_fixture.h"
#include "velbend/machine/move_ring.h"

namespace velbend {
namespace {

using testing::MachineFixture;
using Lines = std::vector<std::string>;

struct MoveRingTest : ::testing::Test, MachineFixture {
    MoveRing& ring() { return c().ring; }
    std::vector<MoveRec> Drain() {
        std::vector<MoveRec> v;
        for (;;) {
            MoveRec r;
            NextQueuedMove(c(), r.Position, r.Radius, r.Kind, r.Value);
            if (r.Position == 0) return v;
            v.push_back(r);
        }
    }
    Lines Flush(double from, double to) {
        ProgramLines out;
        FlushMoveQueue(c(), out, from, to);
        return out.lines();
    }
    void Hold() {  // the writer's step before each record
        auto& m = ring().mCurMove;
        if (m.Position == 0) NextQueuedMove(c(), m.Position, m.Radius, m.Kind, m.Value);
    }
};

TEST_F(MoveRingTest, PatSpacingByRadius) {
    EXPECT_DOUBLE_EQ(PatSpacing(params, 30), 1);
    EXPECT_DOUBLE_EQ(PatSpacing(params, 40), 2);   // the limit is strict
    EXPECT_DOUBLE_EQ(PatSpacing(params, 239), 3);
    EXPECT_DOUBLE_EQ(PatSpacing(params, 500), 4);  // "Others"
    params.gPfjjTable[1].Spacing = 0;              // a row without spacing: Others
    EXPECT_DOUBLE_EQ(PatSpacing(params, 50), 4);
    params.gPfjjLast = 1;                          // only the Others row
    params.gPfjjTable[0] = {40, 7};
    EXPECT_DOUBLE_EQ(PatSpacing(params, 10), 7);
}

TEST_F(MoveRingTest, EmptyRingAndWrapAround) {
    MoveRec r{1, 2, 3, 4};
    NextQueuedMove(c(), r.Position, r.Radius, r.Kind, r.Value);
    EXPECT_EQ(r.Position, 0);
    EXPECT_EQ(r.Radius, 0);
    EXPECT_EQ(r.Kind, 0);
    EXPECT_EQ(r.Value, 0);
    EXPECT_TRUE(Flush(0, 100).empty());

    ring().mMoveWrite = ring().mMoveRead = 1000;
    QueueMove(c(), 300, 1000, -1, 0.1);
    QueueMove(c(), 310, 1000, 1, 0.2);
    EXPECT_EQ(ring().mMoveWrite, 1);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[1000].Position, 300);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[0].Position, 310);
    auto got = Drain();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_DOUBLE_EQ(got[0].Position, 300);
    EXPECT_EQ(got[1].Kind, 1);
    EXPECT_EQ(ring().mMoveRead, 1);
}

TEST_F(MoveRingTest, FullRingDropsFurtherRecords) {
    for (int i = 1; i <= 1005; ++i) QueueMove(c(), i * 10.0, 1000, -1, 0.1);
    auto got = Drain();
    ASSERT_EQ(got.size(), 1000u);
    EXPECT_DOUBLE_EQ(got.back().Position, 10000);
}

TEST_F(MoveRingTest, RadiusLimitsAndMergeAndFillIn) {
    QueueMove(c(), 100, 6000, -1, 0.1);  // above the largest bent radius
    EXPECT_TRUE(Drain().empty());

    // Steps closer than 0.8 spacing merge into the previous one.
    QueueMove(c(), 100, 30, -1, 0.2);
    QueueMove(c(), 100.5, 30, -1, 0.2);
    auto merged = Drain();
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_DOUBLE_EQ(merged[0].Value, 0.2 + 0.5 / 30);

    // A gap shorter than 1.5 step lengths (9 mm) is filled in with pats at
    // the spacing (1 mm); nothing is pushed at the new position itself.
    QueueMove(c(), 200, 30, -1, 0.2);
    QueueMove(c(), 204, 30, 1, 0.3);
    auto filled = Drain();
    ASSERT_EQ(filled.size(), 4u);
    EXPECT_DOUBLE_EQ(filled[1].Position, 201);
    EXPECT_DOUBLE_EQ(filled[3].Position, 203);
    EXPECT_EQ(filled[3].Kind, 1);
    EXPECT_DOUBLE_EQ(filled[3].Value, 0.3);

    // The first fill-in record is pushed even when it lies beyond the step.
    QueueMove(c(), 300, 30, -1, 0.2);
    QueueMove(c(), 300.9, 30, -1, 0.2);
    auto beyond = Drain();
    ASSERT_EQ(beyond.size(), 2u);
    EXPECT_DOUBLE_EQ(beyond[1].Position, 301);

    // A far gap is a plain push; large radii are never merged.
    QueueMove(c(), 400, 30, -1, 0.2);
    QueueMove(c(), 420, 30, -1, 0.2);
    QueueMove(c(), 500, 300, -1, 0.01);
    QueueMove(c(), 500.1, 300, -1, 0.01);
    EXPECT_EQ(Drain().size(), 4u);

    // A previous record without a radius is not merged into (no division by 0).
    QueueMove(c(), 600, 0, 0, 0);
    QueueMove(c(), 600.1, 30, -1, 0.2);
    auto noDiv = Drain();
    ASSERT_EQ(noDiv.size(), 2u);
    EXPECT_TRUE(std::isfinite(noDiv[0].Value));

    // Without a usable spacing the rules are left out (no endless fill-in).
    params.gPfjjTable[0].Spacing = 0;
    params.gPfjjTable[3].Spacing = 0;
    QueueMove(c(), 700, 30, -1, 0.2);
    QueueMove(c(), 704, 30, -1, 0.2);
    EXPECT_EQ(Drain().size(), 2u);
}

TEST_F(MoveRingTest, DrainMarksRunEndsAndWritesApproachAndRelease) {
    sys().gBendMechanisms = 2;
    QueueMove(c(), 150, 50, -1, 0.1);
    QueueMove(c(), 160, 50, -1, 0.1);
    Hold();
    const Lines expected = {
        "X145.0000 Y0.0000",  // approach to where the first bend begins
        "X150.0000 F3000", "G05 Y55.0000 F00002000", "G05 Y10.0000 F00002000", "G01",
        "X155.0000 Y0.0000",  // the first step ends its run: 10 mm to the next
        "X160.0000 F3000", "G05 Y55.0000 F00002000", "G05 Y10.0000 F00002000", "G01",
        "Y0 F2000"};          // the ring is empty: release
    EXPECT_EQ(Flush(100, 200), expected);
    EXPECT_EQ(ring().mCurMove.Position, 0);

    // A bend exactly at the end of the span stays held; a corner keeps Kind 0.
    QueueMove(c(), 300, -90, 0, 0);
    Hold();
    EXPECT_TRUE(Flush(250, 300).empty());
    EXPECT_DOUBLE_EQ(ring().mCurMove.Position, 300);
    // (no approach: the bend begins right at the start of the span)
    EXPECT_EQ(Flush(300, 350),
              (Lines{"X300.0000 F3000", "G05 Y145.0000 F00002000", "G05 Y10.0000 F00002000",
                     "G01"}));

    // Without a mechanism only the feed lines of the bends are written.
    sys().gBendMechanisms = 0;
    QueueMove(c(), 400, 50, -1, 0.1);
    QueueMove(c(), 410, 50, -1, 0.1);
    Hold();
    EXPECT_EQ(Flush(350, 450), (Lines{"X400.0000 F3000", "X410.0000 F3000"}));
}

TEST_F(MoveRingTest, IsolatedArcStepIsTheLastOfItsRun) {
    sys().gBendMechanisms = 2;
    QueueMove(c(), 150, 300, -1, 0.1);
    Hold();
    // Continuous bend, last of its run: to the end of the step (30 mm).
    EXPECT_EQ(Flush(100, 200), (Lines{"X120.0000 Y0.0000", "X150.0000 Y92.5000 F3000", "X180.0000 Y0.0000"}));
}

TEST_F(MoveRingTest, SingleMechanismApproachFollowsTheSide) {
    sys().gBendMechanisms = 1;
    QueueMove(c(), 150, 50, -1, 0.1);
    Hold();
    // At rest: approach to the bend itself without a Y word.
    auto lines = Flush(100, 200);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "X150.0000");
    c().ring.mProgBendY = -5;
    QueueMove(c(), 250, 50, -1, 0.1);
    Hold();
    EXPECT_EQ(Flush(200, 300)[0], "X245.0000 Y150.0000");
}

TEST_F(MoveRingTest, NegativeStepShiftsPendingBendsWithWrapAround) {
    // Held bend plus records in slots 999, 1000 and 0 (the ring wraps).
    ring().mMoveRead = ring().mMoveWrite = 998;
    QueueMove(c(), 170, 1000, -1, 0.1);  // slot 998, taken out as the held bend
    Hold();
    QueueMove(c(), 175, 1000, -1, 0.1);  // 999
    QueueMove(c(), 190, 1000, -1, 0.1);  // 1000
    QueueMove(c(), 200, 1000, -1, 0.1);  // 0
    ring().mMoveRing[997].Position = 999;  // not live: must stay
    ASSERT_EQ(ring().mMoveRead, 999);
    ASSERT_EQ(ring().mMoveWrite, 1);

    // The strip went back by 5 to 110: bends whose slot point lies beyond
    // 110 (Position - 50 > 110) move by -5.
    ShiftPendingMoves(c(), 110, -5);
    EXPECT_DOUBLE_EQ(ring().mCurMove.Position, 165);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[999].Position, 170);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[1000].Position, 185);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[0].Position, 195);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[997].Position, 999);

    // Bends at or before the new position stay where they are.
    ShiftPendingMoves(c(), 140, -2);
    EXPECT_DOUBLE_EQ(ring().mCurMove.Position, 165);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[0].Position, 193);

    // Nothing held: only the ring moves, slot -1 is never touched.
    ring().mCurMove = MoveRec{};
    ring().mMoveRead = 0;
    ring().mMoveWrite = 1;
    ring().mMoveRing[1000].Position = 777;
    ShiftPendingMoves(c(), 100, -3);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[0].Position, 190);
    EXPECT_DOUBLE_EQ(ring().mMoveRing[1000].Position, 777);
    EXPECT_EQ(ring().mCurMove.Position, 0);
}

}  // namespace
}  // namespace velbend
