// Run: G5.dat from CtrP.dat against hand-derived programs, the checks
// before a run, the captions it relies on, the preamble variants, length
// compensation and the refusal of programs that are too long.
//
// Derivation notes for the golden programs in data/ (test machine of
// machine_fixture.h: feeds X3000 Y2000 Z500 A1000, bender 50 mm behind the
// cutter, cutter angle 30, letters N D U, two passes, Text7 = 100):
//  square_slotted   start block at (0,0) turning -90: h = 1, swing
//                   +(90-30)/2 = 30 (kind 3); corners -90 slotted with
//                   swing 30 (kind 2, "N" writes -30); feeds X100..X400;
//                   end block -(90-30)/2 = -30; tail X400+50+100 = 550.
//  rect_bent        slot threshold 100: the three corners are queued at
//                   P+50 (150, 170, 270) as corner bends (b = 90 ->
//                   1.5*90+10 = 145, back to the space angle 10); 150 and 170
//                   fall in the span 120..220: approach X150 Y0, two bends,
//                   release Y0 F2000; 270 drains in the tail span 240..290.
//  rect_bent_single the same with one mechanism: M19 and its dwell first;
//                   the first approach has no Y word (no side yet); before
//                   the corner at 150 the side opens (Y0 F2000, M18, dwell),
//                   not again at 170; the tail takes the mechanism back
//                   (X290 Y0 F3000.0000, M19, dwell).
//  arcs             R50 steps of 5 mm (spacing 2): queued 150,155 -> fill
//                   152,154; 155 merges into 154, 160 -> fill 156,158;
//                   160 -> 160, 165 -> fill 162,164; the step at 164 ends its
//                   run (next bend 205 is 41 away): X165 Y0.  R600 (above the
//                   first key: negative table 80 -> 0.9*-80-12 = -84) queued
//                   205,210,210,215, continuous; the repeat at 210 is
//                   skipped; the last, 215, ends its run: X215+6 Y0.  R3 is
//                   too tight: slotted as the last bending arc's side (+1)
//                   with no swing (28.6 deg is below the cutter angle).
//  arcs_second_build the same; before the first continuous bend the bender
//                   is pre-positioned at -(12+16) = -28.
//  two_contours_twice  rotation per piece (M10 .. M11 at the end),
//                   one pass; contour ends feed the 10 mm gap with M100;
//                   splices at 470, 560, 970 (gap end + 50 + 10) stop for
//                   2 s; the clockwise square's corners (+90) swing to
//                   (90-30)/2+180 = 210 ("N" writes 360-210 = 150).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "machine_fixture.h"
#include "writer_support.h"
#include "velbend/common/numtext.h"
#include "velbend/machine/program_writer.h"

namespace velbend {
namespace {

using testing::MachineFixture;
using Lines = std::vector<std::string>;
using testing::PositionCard;
using testing::ReadData;

struct ProgramWriterTest : ::testing::Test, MachineFixture {
    void UsePath(const std::string& ctrp) { home.Write("CtrP.dat", ReadData(ctrp)); }
    // Runs and returns G5.dat's bytes.
    std::string Run() {
        Command_Run_Click(c());
        return home.Read("G5.dat");
    }
    // After a Run: refused with the one `message`, G5.dat not written and
    // nothing running; or, for nullptr, running without a word.
    void ExpectRefusedOrRunning(const char* message) {
        if (message) {
            ASSERT_EQ(op.messages.size(), 1u);
            EXPECT_EQ(op.LastText(), message);
            EXPECT_EQ(c().run.gRunning, 0);
            EXPECT_FALSE(home.Exists("G5.dat"));
        } else {
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
            EXPECT_EQ(c().run.gRunning, kTrue);
        }
    }
    void ExpectGolden(const std::string& golden) {
        const std::string got = Run();
        const std::string want = ReadData(golden);
        ASSERT_FALSE(want.empty()) << golden;
        EXPECT_EQ(got, want) << "got:\n" << testing::Joined(testing::LinesOf(got)) << "\nwant:\n"
                             << testing::Joined(testing::LinesOf(want));
        EXPECT_TRUE(op.messages.empty()) << op.LastText();
        EXPECT_EQ(c().run.gRunning, kTrue);
        EXPECT_EQ(c().run.gNcLineIndex, 0);
        EXPECT_EQ(c().run.gNcLineCount, static_cast<int16_t>(testing::LinesOf(want).size()));
    }
};

TEST_F(ProgramWriterTest, SquareWithSlottedCorners) {
    UsePath("square.CtrP.dat");
    ExpectGolden("square_slotted.G5.dat");
    // The captions the run's end compares with: one piece 400, the job
    // 400 + 100 + 50.
    EXPECT_EQ(c().panel.Label4[1], "400.0000  mm");
    EXPECT_EQ(c().panel.Label4[2], "550.0000  mm");
    EXPECT_DOUBLE_EQ(c().writer.mJobLength, 550);
    EXPECT_EQ(c().run.mCycleCount, -1);
    EXPECT_EQ(c().run.gNcLines.back(), "A0.0000 F1000.0000");
}

TEST_F(ProgramWriterTest, SquareWithCornersBentByTheMechanism) {
    sys().gSlotThreshold = 100;
    sys().gBendMechanisms = 2;
    UsePath("rect.CtrP.dat");
    ExpectGolden("rect_bent.G5.dat");
}

TEST_F(ProgramWriterTest, SquareWithCornersBentByTheSingleMechanism) {
    // One mechanism: taken back before the program, put out on the positive
    // side before the first corner only, an approach without a Y word while
    // the side is still open, and taken back at the end.
    sys().gSlotThreshold = 100;
    sys().gBendMechanisms = 1;
    UsePath("rect.CtrP.dat");
    ExpectGolden("rect_bent_single.G5.dat");
}

TEST_F(ProgramWriterTest, LetterWithArcs) {
    sys().gBendMechanisms = 2;
    UsePath("arcs.CtrP.dat");
    ExpectGolden("arcs.G5.dat");
}

TEST_F(ProgramWriterTest, SecondBuildPrePositionsAndAsksTheArcDirectionOfDxfOutlines) {
    sys().gBendMechanisms = 2;
    c().secondBuild = true;
    c().panel.Label4[0] = "/signs/LETTER.DXF";
    int asked = 0;
    c().hooks.Cal_arcdir = [&](double xs, double ys, double xm, double ym, double xe, double ye) -> int16_t {
        ++asked;
        const double cross = (xm - xs) * (ye - ym) - (ym - ys) * (xe - xm);
        return cross > 0 ? -1 : 1;
    };
    UsePath("arcs.CtrP.dat");
    ExpectGolden("arcs_second_build.G5.dat");
    EXPECT_EQ(asked, 5);  // every bending arc point

    // Another outline kind keeps the turn sign.
    asked = 0;
    c().run = RunState();
    c().panel.Label4[0] = "/signs/letter.nc";
    ExpectGolden("arcs_second_build.G5.dat");
    EXPECT_EQ(asked, 0);
}

TEST_F(ProgramWriterTest, SeveralPiecesWithGapsAndSplices) {
    sys().gCutterRotateMode = 1;
    sys().gCutTimes = 1;
    sys().gSplicePause = 2;
    c().panel.Text5 = "2";
    UsePath("two_contours.CtrP.dat");
    ExpectGolden("two_contours_twice.G5.dat");
    // One piece 490 less the gap between its contours; the job ends at 1140.
    EXPECT_EQ(c().panel.Label4[1], "480.0000  mm");
    EXPECT_EQ(c().panel.Label4[2], "1140.0000  mm");
    EXPECT_EQ(c().writer.mSpliceCount, 3);
}

TEST_F(ProgramWriterTest, CaptionsFollowThePieceCountOfThisRun) {
    UsePath("square.CtrP.dat");
    c().panel.Label4[2] = "999.0000  mm";  // stale: from before the count changed
    c().panel.Text5 = "3";
    Run();
    EXPECT_EQ(c().panel.Label4[2], "1370.0000  mm");  // 2*10 + 3*400 + 100 + 50
    EXPECT_EQ(c().run.gNcLines.back(), "A0.0000 F1000.0000");
    EXPECT_EQ(c().run.gNcLines[c().run.gNcLineCount - 2], "X1370.0000 F3000");
    EXPECT_GT(c().mPathPointCount, 0);
}

TEST_F(ProgramWriterTest, EmptyPathIsBuiltFirstOrEndsSilently) {
    int built = 0;
    c().hooks.BuildCtrPFile = [&] {
        ++built;
        home.Write("CtrP.dat", ReadData("square.CtrP.dat"));
    };
    home.Write("CtrP.dat", "");
    Run();
    EXPECT_EQ(built, 1);
    EXPECT_EQ(c().run.gRunning, kTrue);

    // Still no path: nothing starts, and the last program does not stay
    // behind in G5.dat (nor when CtrP.dat is missing).
    c().run = RunState();
    c().hooks.BuildCtrPFile = [&] { ++built; };
    home.Write("CtrP.dat", "");
    Run();
    EXPECT_EQ(built, 2);
    EXPECT_EQ(c().run.gRunning, 0);
    EXPECT_EQ(home.Read("G5.dat"), "");
    std::filesystem::remove(home / "CtrP.dat");
    home.Write("G5.dat", "G90 G01\r\n");
    Run();
    EXPECT_EQ(c().run.gRunning, 0);
    EXPECT_EQ(home.Read("G5.dat"), "");
    EXPECT_TRUE(op.messages.empty());
}

TEST_F(ProgramWriterTest, ZeroChecksBeforeARun) {
    PositionCard::Install(c().card);
    auto& card = PositionCard::Get();
    sys().gCutterUpDownMode = 0;
    UsePath("square.CtrP.dat");
    params.gLanguage = 0;

    card.pos[2] = 3;  // 0.03 mm: not at zero
    Run();
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "弯弧电机未在零位！");
    EXPECT_EQ(op.messages[0].title, "错误");
    EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(home.Exists("G5.dat"));

    params.gLanguage = 1;
    card.pos[2] = 2;  // 0.02 mm is at zero
    card.pos[3] = -5;
    Run();
    EXPECT_EQ(op.LastText(), "Down cutter motor is not at zero position!");
    EXPECT_EQ(op.messages.back().title, "Wrong");
    card.pos[3] = 0;
    card.pos[4] = 100;
    Run();
    EXPECT_EQ(op.LastText(), "Swing or Foward motor is not at zero position!");
    card.pos[4] = 0;
    Run();  // input 17 reads 1: the cutter is not back
    EXPECT_EQ(op.LastText(), "Cutter is not at zero position!");
    EXPECT_EQ(c().run.gRunning, 0);
    // In test mode the cutter is not asked.
    sys().gRunMode = 1;
    op.messages.clear();
    Run();
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(c().run.gRunning, kTrue);

    // Seek zero before machining: no checks at all.
    c().run = RunState();
    sys().gRunMode = 0;
    card.pos[2] = 500;
    c().panel.Check2 = 1;
    Run();
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    EXPECT_EQ(c().run.gRunning, kTrue);
}

TEST_F(ProgramWriterTest, ParametersThatWouldDivideByZeroOrMakeNoPieceAreRefused) {
    UsePath("square.CtrP.dat");
    params.gLanguage = 1;
    // Axis 3's is needed unless the axes seek zero first; the feed's always.
    for (auto [axis, seekFirst] : {std::pair{3, 0}, std::pair{1, 1}}) {
        c().panel.Check2 = static_cast<int16_t>(seekFirst);
        c().axis(axis).PulseEquivalent = 0;
        Run();
        EXPECT_EQ(op.LastText(), "The pulse equivalent of axis " + std::to_string(axis) +
                                     " is 0, please check the axis parameters!");
        EXPECT_FALSE(home.Exists("G5.dat"));
        c().axis(axis).PulseEquivalent = 100;
    }
    c().panel.Check2 = 0;
    for (const char* bad : {"0", "", "abc", "-2", "-40000", "2.5", "1.4", "3.5", "1.0001", "0.9999", "32767.5",
                            "40000.5"}) {
        c().panel.Text5 = bad;
        Run();
        EXPECT_EQ(op.LastText(), "The number of pieces must be a whole number of at least 1!") << bad;
        EXPECT_EQ(c().run.gRunning, 0);
    }
    // A whole count too large to count: its program could never be loaded,
    // and that is what is said (nothing written).
    for (const char* huge : {"40000", "32768", "1e300"}) {
        op.messages.clear();
        c().panel.Text5 = huge;
        Run();
        ASSERT_EQ(op.messages.size(), 1u) << huge;
        EXPECT_EQ(op.LastText(), "Machining Code is too long!") << huge;
        EXPECT_EQ(c().run.gRunning, 0);
        EXPECT_FALSE(home.Exists("G5.dat"));
    }
}

// Nothing crawls: every axis a line of the program moves needs an automatic
// speed of at least one pulse a second (rounded, as the card gets it), or
// Run says which and writes nothing.
TEST_F(ProgramWriterTest, AnAutomaticSpeedBelowOnePulseASecondIsRefused) {
    UsePath("square.CtrP.dat");
    sys().gBendMechanisms = 2;  // the end moves Y and A as well
    struct Case {
        int axis;
        double equivalent;  // pulses a mm
        int32_t speed;      // mm/min
        const char* message;  // nullptr: runs
    };
    const Case cases[] = {
        {1, 100, 0, "轴1的自动速度0不足每秒一个脉冲，请检查轴参数！"},
        {1, 100, -3000, "轴1的自动速度-3000不足每秒一个脉冲，请检查轴参数！"},
        // 30 mm/min at one pulse a mm is half a pulse a second, which
        // rounds to none; a little more rounds to one, two pulses a mm
        // make exactly one.
        {2, 1, 30, "轴2的自动速度30不足每秒一个脉冲，请检查轴参数！"},
        {2, 1.0001, 30, nullptr},
        {2, 2, 30, nullptr},
        {4, 1, 30, "轴4的自动速度30不足每秒一个脉冲，请检查轴参数！"},
        {4, 1.0001, 30, nullptr},
        {3, 1, 30, "轴3的自动速度30不足每秒一个脉冲，请检查轴参数！"},
        {3, 2, 30, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.axis);
        SCOPED_TRACE(k.speed);
        std::filesystem::remove(home / "G5.dat");
        op.messages.clear();
        c().run = RunState();
        const AxisPara before = c().axis(k.axis);
        c().axis(k.axis).AutoFeedrate = k.speed;
        c().axis(k.axis).PulseEquivalent = k.equivalent;
        Run();
        c().axis(k.axis) = before;
        ExpectRefusedOrRunning(k.message);
    }
    params.gLanguage = 1;
    c().run = RunState();
    c().axis(1).AutoFeedrate = 0;
    Run();
    EXPECT_EQ(op.LastText(),
              "The automatic speed 0 of axis 1 gives less than one pulse a second, please check the axis parameters!");
}

TEST_F(ProgramWriterTest, PreambleVariants) {
    PositionCard::Install(c().card);
    auto& card = PositionCard::Get();
    UsePath("square.CtrP.dat");
    auto head = [&](std::size_t n) {
        c().run = RunState();
        Run();
        Lines l = c().run.gNcLines;
        l.resize(std::min(n, l.size()));
        return l;
    };
    // Both seek-zero boxes, cylinder cutter not back, single mechanism with
    // the bend axis off its zero switch and never homed (30 below its place).
    c().panel.Check2 = 1;
    c().panel.Check4 = 1;
    sys().gCutterUpDownMode = 0;
    sys().gBendMechanisms = 1;
    card.pos[2] = 4000;  // 40 degrees
    EXPECT_EQ(head(19), (Lines{"M19", "G04 P200", "G90 G01", "G92 X0", "M36", "M30", "G90 G01", "G92 X0", "M14",
                               "M00", "M15", "M42", "M30", "Y10.0000 F2000", "M38", "M30", "G90 G01",
                               "G92 X0 Y0 Z0 A0", "G04 P200"}));
    // On its zero switch: a relative half turn first.
    card.input[8] = 0;
    EXPECT_EQ(head(15)[13], "G91 Y75.0000 F2000");
    EXPECT_EQ(head(15)[14], "G90");
    // Homed before and far from zero: straight back to 0; delay detection.
    card.input[8] = 1;
    card.input[17] = 0;
    c().run.mBendHomed = -1;
    sys().gCutterUpDownMode = 1;
    auto l = [&] {
        c().run = RunState();
        c().run.mBendHomed = -1;
        Run();
        return c().run.gNcLines;
    }();
    EXPECT_EQ(l[8], "M42");
    EXPECT_EQ(l[10], "Y0 F2000");
    EXPECT_EQ(l[13], "M40");
    // Test mode: no seek-zero or wait statements at all.
    sys().gRunMode = 1;
    sys().gBendMechanisms = 0;
    EXPECT_EQ(head(7), (Lines{"G90 G01", "G92 X0", "G90 G01", "G92 X0", "G90 G01", "G92 X0 Y0 Z0 A0",
                              "G04 P200"}));
}

// A run whose seek zeros (M36, M42, M38) would compensate beyond what the
// machine can do is refused before G5.dat is written: one message names the
// value, nothing starts; at the bound it runs.
TEST_F(ProgramWriterTest, ARunWhoseSeekZeroCompensatesBeyondTheMachineStartsNothing) {
    PositionCard::Install(c().card);
    UsePath("square.CtrP.dat");
    c().panel.Check2 = 1;
    c().panel.Check4 = 1;
    struct Case {
        int axis;
        double distance;
        const char* message;  // nullptr: runs
    };
    const Case cases[] = {
        {4, 1e9, "轴4的回零摆正距离（1000000000）超出机床的范围，没有移动，请在电机综合设置中修改！"},
        {4, 100000, nullptr},
        {1, -100000.5, "轴1的回零摆正距离（-100000.5）超出机床的范围，没有移动，请在电机综合设置中修改！"},
        {1, -100000, nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.distance);
        std::filesystem::remove(home / "G5.dat");
        op.messages.clear();
        c().run = RunState();
        c().axis(k.axis).ZeroCompDistance = k.distance;
        c().axis(k.axis).ZeroCompFeedrate = 600;
        Run();
        c().axis(k.axis).ZeroCompDistance = 2;
        ExpectRefusedOrRunning(k.message);
    }
    // A compensation at less than a pulse a second would crawl: refused
    // before anything moves; from a pulse a second on it runs.
    // (1 mm/min at 30 pulses a degree is half a pulse a second, at 31 more.)
    c().axis(4).ZeroCompFeedrate = 1;
    for (const double pe : {30.0, 31.0}) {
        SCOPED_TRACE(pe);
        std::filesystem::remove(home / "G5.dat");
        op.messages.clear();
        c().run = RunState();
        c().axis(4).PulseEquivalent = pe;
        Run();
        ExpectRefusedOrRunning(pe < 31 ? "轴4的回零摆正速度（1）不足每秒一个脉冲，没有移动，请检查轴参数！" : nullptr);
    }
}

TEST_F(ProgramWriterTest, LengthCompensationIsRecordedForTheRunEnd) {
    sys().gStartLenComp = 2;
    sys().gEndLenComp = 3;
    UsePath("square.CtrP.dat");
    Run();
    const auto& l = c().run.gNcLines;
    EXPECT_NE(std::find(l.begin(), l.end(), "X102.0000 F3000"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "X405.0000 F3000"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "X555.0000 F3000"), l.end());
    EXPECT_DOUBLE_EQ(c().run.mLengthComp, -5);
    ASSERT_EQ(c().run.mCompPointLast, 2);
    EXPECT_DOUBLE_EQ(c().run.mCompPoints[0].Pos, 0);
    EXPECT_DOUBLE_EQ(c().run.mCompPoints[0].Comp, -2);
    EXPECT_DOUBLE_EQ(c().run.mCompPoints[1].Pos, 302);
    EXPECT_DOUBLE_EQ(c().run.mCompPoints[1].Comp, -5);
    // The job length less the compensation is where the strip ends.
    EXPECT_DOUBLE_EQ(c().writer.mJobLength - c().run.mLengthComp, 555);

    // A corner zone of the engraving cutter at a clockwise contour's ends.
    c().run = RunState();
    sys().gStartLenComp = sys().gEndLenComp = 0;
    sys().gMillRadius = 2;
    home.Write("CtrP.dat", ReadData("two_contours.CtrP.dat"));
    Run();
    const double zone = 2 / std::tan(45 * 3.14159265358979 / 180) - 45 * 2 * 3.14159265358979 / 180;
    EXPECT_NEAR(c().run.mLengthComp, 2 * zone, 1e-12);
    const auto& m = c().run.gNcLines;
    EXPECT_NE(std::find(m.begin(), m.end(), "X429.5708 F3000"), m.end());  // 430 - zone
}

TEST_F(ProgramWriterTest, ACornerZoneStaysWithItsOwnContour) {
    // The clockwise contour's closing corner shortens its own first and last
    // segments only: the counter-clockwise contour after it (and the next
    // piece) starts with its full length.
    sys().gStartLenComp = sys().gEndLenComp = 0;
    sys().gMillRadius = 2;
    const std::string both = ReadData("two_contours.CtrP.dat");
    const std::size_t split = both.find("SPLINE 90.000000 2.0");
    ASSERT_NE(split, std::string::npos);
    const double zone = 2 / std::tan(45 * 3.14159265358979 / 180) - 45 * 2 * 3.14159265358979 / 180;

    home.Write("CtrP.dat", both.substr(split) + both.substr(0, split));
    Run();
    EXPECT_NEAR(c().run.mLengthComp, 2 * zone, 1e-12);
    const auto& m = c().run.gNcLines;
    // The clockwise 20 x 20 square loses a zone at its start and at its end
    // (80 - 2 zone), the gap of 10 follows, and the next square's first side
    // is a full 100.
    const double start = 80 - 2 * zone + 10;
    EXPECT_NE(std::find(m.begin(), m.end(), "X" + Format(start + 100, "0.0000") + " F3000"), m.end())
        << testing::Joined(m);

    c().run = RunState();
    c().panel.Text5 = "2";
    home.Write("CtrP.dat", both);
    Run();
    EXPECT_NEAR(c().run.mLengthComp, 4 * zone, 1e-12);
}

TEST_F(ProgramWriterTest, ProgramsOf30000LinesAreRefused) {
    UsePath("square.CtrP.dat");
    params.gLanguage = 1;
    c().panel.Text5 = "600";  // about 70 lines a piece
    Run();
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "Machining Code is too long!");
    EXPECT_EQ(c().run.gRunning, 0);
    EXPECT_EQ(c().run.gNcLineCount, 0);  // refused before it is written or loaded
    params.gLanguage = 0;
    Run();
    EXPECT_EQ(op.LastText(), "加工程序超长，请减少加工循环或缩短选择字形！");
    // A count so large that writing it all would take long stops early.
    c().panel.Text5 = "30000";
    Run();
    EXPECT_EQ(op.messages.size(), 3u);
    EXPECT_EQ(c().run.gRunning, 0);
}

TEST_F(ProgramWriterTest, AFailedWriteIsReportedAndStartsNothing) {
    UsePath("square.CtrP.dat");
    std::filesystem::create_directory(home / "G5.dat");  // a folder where the file belongs
    Command_Run_Click(c());
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_NE(op.LastText().find("G5.dat"), std::string::npos);
    EXPECT_EQ(c().run.gRunning, 0);
}

}  // namespace
}  // namespace velbend
