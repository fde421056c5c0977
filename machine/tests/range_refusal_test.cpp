// The interpreter refuses what the machine cannot do: a Y, Z or A beyond
// +-100000 mm, an X step beyond as much, a coordinate beyond the card's
// 32-bit counts, a feed beyond the card's speed range, a dwell beyond the
// tick counter.  The run stops,
// nothing of the line moves, and one message names the line.
#include "velbend/machine/interpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run_fixture.h"
#include "velbend/common/textfile.h"
#include "velbend/machine/dialog_stop.h"

namespace velbend::testing {
namespace {

class RangeOnCardsTest : public RunTest {};

// A run meets a corrupt X word: the lines before it run (the look-ahead does
// not merge the corrupt line), the corrupt line is refused, the run stops
// and the line after it never runs.  Today's clamp would have started a
// move of 2^31 pulses.
TEST_P(RangeOnCardsTest, ARunStopsAtTheCorruptLineAndNothingMoves) {
    Load({"G92 X0 Y0 Z0 A0", "M10", "X10", "X99999999999 F3000", "X20", "M30"}, &RunState::gRunning);
    ctx.panel.Shape2.Visible = ctx.panel.Shape3.Visible = true;
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gRunning != kTrue; }, 200));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.messages[0].text, "加工程序第4行超出机床的范围（X99999999999），加工已停止：X99999999999 F3000");
    EXPECT_EQ(op.messages[0].title, "错误");
    EXPECT_EQ(op.messages[0].icon, MsgIcon::Critical);
    EXPECT_FALSE(ctx.panel.Shape2.Visible);
    EXPECT_FALSE(ctx.panel.Shape3.Visible);
    EXPECT_EQ(Outputs() & 1u, 0u);  // the cutter rotation of M10 is off again
    Tick(50);
    EXPECT_FALSE(Moving());
    EXPECT_EQ(Cmd(1), 1000);  // X10 ran, nothing after it
    EXPECT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(ctx.run.gRunning, 0);
}

// A long job: the strip's feed position passes 100000 mm in small steps
// (one piece after the other after one "G92 X0") and the run goes on to
// its end.
TEST_P(RangeOnCardsTest, ALongJobFeedsBeyondTheCoordinateBound) {
    auto& x = ctx.axis(1);
    x.PulseEquivalent = 1;
    x.AutoFeedrate = 6000000;  // 100000 pulses/s
    x.Acceleration = 100;
    std::vector<std::string> lines = {"G92 X0 Y0 Z0 A0"};
    for (int piece = 1; piece <= 30; ++piece) {
        lines.push_back("X" + std::to_string(piece * 10000));
        lines.push_back(piece % 2 ? "Y5" : "Y0");
    }
    lines.push_back("M30");
    ctx.writer.mJobLength = 300000;  // the run ends when the strip is fed
    Load(lines, &RunState::gRunning);
    ASSERT_TRUE(TickUntil([&] { return ctx.run.gRunning != kTrue; }, 20000));
    ASSERT_EQ(op.messages.size(), 1u);
    EXPECT_EQ(op.LastText(), "加工完成！");
    EXPECT_EQ(Cmd(1), 300000);
}

VELBEND_ON_BOTH_CARDS(RangeOnCardsTest);

class RangeTest : public ModelRunTest {
protected:
    // Runs one line; true when it was refused (a message) with no move sent.
    bool Refused(const std::string& line) {
        card().ClearLog();
        const std::size_t before = op.messages.size();
        ctx.run.gTestRunning = kTrue;
        RunNcLine(ctx, line);
        const bool refused = op.messages.size() > before;
        if (refused) {
            EXPECT_TRUE(card().Calls("pmove").empty()) << line;
            EXPECT_TRUE(card().Calls("fifo_inp_move2").empty()) << line;
            EXPECT_TRUE(card().Calls("inp_move2").empty()) << line;
            EXPECT_TRUE(card().Calls("set_command_pos").empty()) << line;
            EXPECT_EQ(ctx.run.gTestRunning, 0) << line;
        }
        return refused;
    }
    // Loads `lines` and runs the first, X and Y last commanded at `x` and
    // `y` pulses, with the card's log cleared.
    void RunFirst(const std::vector<std::string>& lines, int32_t x, int32_t y) {
        Load(lines);
        ctx.run.mLastXPulses = x;
        ctx.run.mLastYPulses = y;
        card().ClearLog();
        RunNcLine(ctx, ctx.run.gNcLines[0]);
    }
};

// Y, Z and A: within the outline import's +-100000 mm (degrees on A).
TEST_F(RangeTest, YZAWithinTheOutlineImportsBound) {
    const struct {
        const char* line;
        bool refused;
    } cases[] = {
        {"Y100000", false},  {"Y-100000", false},  {"Y100000.001", true}, {"Y-100000.001", true},
        {"Z100000", false},  {"Z-100000", false},  {"Z100000.001", true}, {"Z-100000.001", true},
        {"A100000", false},  {"A-100000", false},  {"A100000.001", true}, {"A-100000.001", true},
        {"A-2E5", true},
        {"Z1E999", true},  // not finite
        {"G92 Y100000.001", true},  // positions too
        {"G92 A-100000", false},
    };
    for (const auto& c : cases) {
        card().ax[3].cmd = card().ax[4].cmd = 0;
        ctx.run.mLastYPulses = 0;
        EXPECT_EQ(Refused(c.line), c.refused) << c.line;
    }
    EXPECT_TRUE(Refused("X10 Z200000"));  // a word the line does not use is refused all the same
    EXPECT_EQ(op.LastText(), "加工程序行超出机床的范围（Z200000），加工已停止：X10 Z200000");

    // Within the bound, a position beyond the card's count is refused too:
    // 30000 pulses per mm make 71582.79 mm the largest.
    ctx.axis(2).PulseEquivalent = ctx.axis(4).PulseEquivalent = 30000;
    EXPECT_FALSE(Refused("G92 Y71582.78"));
    EXPECT_TRUE(Refused("G92 Y71582.79"));
    EXPECT_FALSE(Refused("G92 A-71582.78"));
    EXPECT_TRUE(Refused("G92 A-71582.79"));
}

// X is the strip's feed position, which grows over a whole job: its value
// is bounded by the card's 32-bit count alone, its step from the last
// commanded X by +-100000 mm.
TEST_F(RangeTest, XWithinTheCardsCountItsStepWithinTheBound) {
    // 100 pulses per mm: 2^31 - 1 pulses are 21474836.47 mm.
    const struct {
        const char* line;
        bool refused;
    } positions[] = {
        {"G92 X21474836.47", false}, {"G92 X21474836.48", true},   {"G92 X-21474836.47", false},
        {"G92 X-21474836.48", true}, {"G92 X123456789", true},     {"G92 X250000", false},
    };
    for (const auto& c : positions) EXPECT_EQ(Refused(c.line), c.refused) << c.line;

    // Steps from the last X (250000 mm after the G92 above).
    EXPECT_EQ(ctx.run.mLastXPulses, 25000000);
    const struct {
        const char* line;
        bool refused;
        int32_t lastX;  // pulses after the line
    } steps[] = {
        {"X350000.01", true, 25000000},  {"X350000", false, 35000000},  {"X249999.99", true, 35000000},
        {"X250000", false, 25000000},    {"X150000 Y1", false, 15000000}, {"X50000 Y1", false, 5000000},
        {"X150000.01 Y1", true, 5000000}, {"X-50000.01", true, 5000000},
    };
    for (const auto& c : steps) {
        EXPECT_EQ(Refused(c.line), c.refused) << c.line;
        EXPECT_EQ(ctx.run.mLastXPulses, c.lastX) << c.line;
    }
    EXPECT_EQ(op.LastText(), "加工程序行超出机床的范围（X-50000.01），加工已停止：X-50000.01");
}

// X-only lines merge into one move while the target stays within one step
// of the move's start; the next target starts a move of its own.
TEST_F(RangeTest, MergedXMovesStayWithinOneStep) {
    RunFirst({"X60000", "X100000", "X100000.01", "X150000"}, 0, 0);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 10000000}));
    ctx.run.gNcLineIndex = 2;
    card().ClearLog();
    RunNcLine(ctx, ctx.run.gNcLines[2]);
    EXPECT_EQ(ctx.run.gNcLineIndex, 3);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 5000000}));
    EXPECT_TRUE(op.messages.empty());

    // XY lines that leave Y where it is merge by the same rule.
    RunFirst({"X60000", "X100000 Y0", "X100000.01 Y0"}, 0, 0);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 10000000}));
}

TEST_F(RangeTest, PulseCountsWithinTheCardsRange) {
    // 20000 pulses per mm: 100000 mm are 2e9 pulses, within 2^31 - 1.
    ctx.axis(1).PulseEquivalent = 20000;
    ctx.run.mLastXPulses = 0;
    EXPECT_FALSE(Refused("X100000"));
    EXPECT_EQ(ctx.run.mLastXPulses, 2000000000);
    // From there, -100000 mm is a move of 4e9 pulses: beyond a card count.
    EXPECT_TRUE(Refused("X-100000"));
    EXPECT_EQ(ctx.run.mLastXPulses, 2000000000);
    EXPECT_FALSE(Refused("X0"));
    // 30000 pulses per mm: 100000 mm are 3e9 pulses.
    ctx.axis(1).PulseEquivalent = 30000;
    ctx.run.mLastXPulses = 0;
    EXPECT_TRUE(Refused("X80000"));
    EXPECT_FALSE(Refused("X70000"));

    // Z and A go from the card's command position: read, then refused.
    ctx.axis(3).PulseEquivalent = 20000;
    card().ax[3].cmd = -2000000000;
    EXPECT_TRUE(Refused("Z100000"));
    EXPECT_FALSE(Refused("Z0"));

    // Y of an XY line, from the last Y.
    ctx.axis(2).PulseEquivalent = 20000;
    ctx.axis(1).PulseEquivalent = 100;
    ctx.run.mLastXPulses = 0;
    ctx.run.mLastYPulses = -2000000000;
    EXPECT_TRUE(Refused("X1 Y100000"));
    EXPECT_TRUE(Refused("Y100000"));
    EXPECT_EQ(ctx.run.mLastYPulses, -2000000000);
}

TEST_F(RangeTest, FeedAndDwell) {
    // F: |F| x PulseEquivalent / 60 within 2^31 - 1 pulses per second.
    EXPECT_FALSE(Refused("X10 F1288490188"));  // 2147483646.7 pulses/s
    EXPECT_TRUE(Refused("X10 F1288490189"));
    EXPECT_TRUE(Refused("G05 Y10 F1E300"));
    EXPECT_TRUE(Refused("F-1E999"));
    ctx.axis(2).PulseEquivalent = 1000;
    EXPECT_TRUE(Refused("G05 Y10 F200000000"));  // axis 2's speed: 3.3e9 pulses/s
    EXPECT_FALSE(Refused("X10 F200000000"));     // axis 1's: 3.3e8

    // A move at F 0 or below would crawl: refused, ending the program; any
    // positive F moves (at the axis's own speed).  A line that moves
    // nothing is no move.
    EXPECT_TRUE(Refused("X10 F0"));
    EXPECT_EQ(op.LastText(), "加工程序行的速度（F0）必须大于0，加工已停止：X10 F0");
    EXPECT_TRUE(Refused("G05 Z5 F00000000"));
    EXPECT_TRUE(Refused("A-3 F-3000"));
    EXPECT_TRUE(Refused("Y2 Fx"));
    EXPECT_FALSE(Refused("X10 F0.001"));
    EXPECT_FALSE(Refused("G05 Z5 F000000001500"));
    EXPECT_FALSE(Refused("G92 X0 F0"));
    EXPECT_FALSE(Refused("G04 P10 F0"));
    EXPECT_FALSE(Refused("M17 F0"));
    EXPECT_FALSE(Refused("X10"));

    // G04: at most 32767 ticks of 30 ms.
    EXPECT_FALSE(Refused("G04 P983010"));
    EXPECT_EQ(ctx.run.mDwellTicks, 32767);
    EXPECT_TRUE(Refused("G04 P983040"));  // 32768 ticks
    EXPECT_TRUE(Refused("G04 P-983040"));
    EXPECT_FALSE(Refused("G04 P-100"));   // a negative dwell is no dwell, as before
    EXPECT_EQ(ctx.run.mDwellTicks, 0);
    EXPECT_FALSE(Refused("X1 P1E99"));    // P is a dwell only on a G04 line
}

// The M action of a refused line is not done either.
TEST_F(RangeTest, NothingOfARefusedLineIsDone) {
    EXPECT_TRUE(Refused("M38 X1E9"));
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_TRUE(card().Calls("set_stop0_mode").empty());
    EXPECT_TRUE(Refused("M10 Y1E9"));
    EXPECT_FALSE(card().Called("write_bit", {0, 0, 1}));
}

// An interpolated run ends before a line that would be refused; that line
// is refused on its own turn, naming it.
TEST_F(RangeTest, LookAheadNeverMergesARefusedLine) {
    RunFirst({"X1 Y0.5", "X2 Y1", "X3 Y999999", "X4 Y1.5"}, 0, 0);
    EXPECT_TRUE(op.messages.empty());
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);  // merged up to line 2
    EXPECT_EQ(ctx.run.mLastXPulses, 200);
    EXPECT_EQ(ctx.run.mLastYPulses, 100);
    ctx.run.gNcLineIndex = 2;
    EXPECT_TRUE(Refused(ctx.run.gNcLines[2]));
    EXPECT_EQ(op.LastText(), "加工程序第3行超出机床的范围（Y999999），加工已停止：X3 Y999999");

    // X-only lines likewise.
    RunFirst({"X1", "X2", "X3E7", "X4"}, 0, 0);
    EXPECT_EQ(ctx.run.gNcLineIndex, 1);
    EXPECT_TRUE(card().Called("pmove", {0, 1, 200}));
}

// The move's counts are checked before the M action as well: no seek zero
// starts.  A G92 line moves nothing, so only its values are checked.  A
// merged target too far from the last X is left to its own turn.
TEST_F(RangeTest, MoveChecksComeFirstAndMergingStopsBeforeThem) {
    ctx.axis(2).PulseEquivalent = 20000;
    ctx.run.mLastYPulses = -2000000000;
    EXPECT_TRUE(Refused("M38 Y100000"));
    EXPECT_EQ(ctx.run.gHomeState, 0);
    EXPECT_TRUE(card().Calls("set_stop0_mode").empty());
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);  // M38 would have passed over the next line

    ctx.axis(1).PulseEquivalent = 20000;
    ctx.run.mLastXPulses = 2000000000;
    EXPECT_FALSE(Refused("G92 X-100000"));
    EXPECT_EQ(ctx.run.mLastXPulses, -2000000000);

    RunFirst({"X99990", "X-100000"}, 2000000000, ctx.run.mLastYPulses);
    EXPECT_TRUE(card().Called("pmove", {0, 1, -200000}));
    EXPECT_EQ(ctx.run.gNcLineIndex, 0);  // not merged
    ctx.run.gNcLineIndex = 1;
    EXPECT_TRUE(Refused(ctx.run.gNcLines[1]));
    EXPECT_EQ(op.LastText(), "加工程序第2行超出机床的范围（X-100000），加工已停止：X-100000");
}

// The committed seeds of the G5 line fuzz target run as the target runs
// them: those named out_of_range_* end in the refusal, the others run
// without one (so the fuzzer starts both inside and at the range check).
TEST_F(RangeTest, FuzzSeedsReachTheRefusalWhereTheyAreMeantTo) {
    const auto seeds = TestData("../../fuzz/seeds/fuzz_g5_lines");
    int refusing = 0, running = 0;
    for (const auto& entry : std::filesystem::directory_iterator(seeds)) {
        const std::string name = entry.path().filename().string();
        const auto bytes = ReadFileBytes(entry.path());
        ASSERT_TRUE(bytes.has_value()) << name;
        std::vector<std::string> lines;
        for (std::string_view line : SplitLines(*bytes)) lines.emplace_back(line);
        op.messages.clear();
        Load(lines);
        TickUntil([&] { return ctx.run.gTestRunning != kTrue; }, 3000);
        bool refused = false;
        for (const auto& m : op.messages) refused = refused || m.text.find("超出机床的范围") != std::string::npos;
        const bool meant = name.rfind("out_of_range", 0) == 0;
        EXPECT_EQ(refused, meant) << name;
        ++(meant ? refusing : running);
        DialogStop(ctx);
    }
    EXPECT_GE(refusing, 5);
    EXPECT_GE(running, 3);
}

// The check of a move derived from a table or box value: finite, within
// +-100000 mm (or degrees), its pulse count within the card's; a test's feed
// also not below 0.  The one message names the value (not the distance made
// of it) and where to change it.
TEST_F(RangeTest, DistancesDerivedFromValuesWithinWhatTheMachineCanDo) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double distance, equivalent;
        bool ok;
    };
    const Case cases[] = {
        {100000, 100, true},         {100000.0001, 100, false},     {-100000, 100, true},
        {-100000.0001, 100, false},  {0, 100, true},                {std::nan(""), 100, false},
        {inf, 100, false},           {-inf, 100, false},            {21474.83647, 100000, true},
        {21474.83648, 100000, false}, {-21474.83647, 100000, true}, {-21474.83648, 100000, false},
        {5, 0, true},  // no pulse equivalent, no pulse
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        SCOPED_TRACE(c.equivalent);
        ctx.axis(3).PulseEquivalent = c.equivalent;
        EXPECT_EQ(DistanceWithinMachine(ctx, 3, c.distance), c.ok);
    }
    ctx.axis(3).PulseEquivalent = 100;

    const ValueSource box = DialogBoxSource("指令距离", "Instruct Length");
    // A move of `distance` made of `value`, at a speed the check admits.
    auto Ask = [&](double distance, double value, const ValueSource& source, bool forwardOnly = false) {
        MotionAsk ask;
        ask.axis = 1;
        ask.distance = distance;
        ask.value = value;
        ask.source = source;
        ask.feedPerMinute = 600;
        ask.forwardOnly = forwardOnly;
        return MotionAllowed(ctx, ask);
    };
    op.messages.clear();
    EXPECT_TRUE(Ask(0, 0, box, true));
    EXPECT_TRUE(Ask(-0.5, -0.5, box));  // a dialog's move may go backwards
    EXPECT_TRUE(op.messages.empty());
    EXPECT_FALSE(Ask(-0.5, -0.5, box, true));
    EXPECT_EQ(op.LastText(), "指令距离（-.5）会使送料后退，没有移动，请在本对话框中修改！");
    EXPECT_EQ(op.messages.back().title, "错误");
    EXPECT_EQ(op.messages.back().icon, MsgIcon::Warning);
    // Behind and beyond: the feed's direction is what is told.
    EXPECT_FALSE(Ask(-1e9, -1e9, box, true));
    EXPECT_EQ(op.LastText(), "指令距离（-1000000000）会使送料后退，没有移动，请在本对话框中修改！");
    params.gLanguage = 1;
    EXPECT_FALSE(Ask(100000 * 3.14159265358979, 100000,
                     TechnologicalSource("“弯弧测试加工半径”", "\"Radius for Test\""), true));
    EXPECT_EQ(op.LastText(), "The \"Radius for Test\" (100000) is beyond what the machine can do; nothing moved, "
                             "please change it in the Technological Parameter Setup!");
    EXPECT_EQ(op.messages.back().title, "Wrong");
    EXPECT_EQ(op.messages.size(), 3u);
}

// The speed of a motion: at least one pulse a second as the card gets it
// (rnd(feed x 100 / 60), halves to even: 0.3 mm/min is half a pulse, none;
// 0.31 is one).  Each kind of speed keeps its own words, written once; a
// move that makes no pulse cannot crawl and is not judged for its speed; a
// move to a target is judged by the pulses from where the axis stands; a
// program's move leaves its speed to the program's lines.
TEST_F(RangeTest, MotionSpeedsOfAtLeastOnePulseASecond) {
    struct Case {
        SpeedSource speed;
        double feed;
        std::optional<double> distance, standsAt;
        const char* said;  // nullptr: the motion may start
    };
    const Case cases[] = {
        {SpeedSource::Manual, 0.3, std::nullopt, std::nullopt,
         "轴3的手动速度必须大于0，请检查轴参数！"},
        {SpeedSource::Manual, 0.31, std::nullopt, std::nullopt, nullptr},
        {SpeedSource::Manual, 0.6, 5.0, std::nullopt, nullptr},
        {SpeedSource::Manual, 0, 5.0, std::nullopt, "轴3的手动速度必须大于0，请检查轴参数！"},
        {SpeedSource::Manual, -600, 5.0, std::nullopt, "轴3的手动速度必须大于0，请检查轴参数！"},
        {SpeedSource::Manual, std::nan(""), 5.0, std::nullopt, "轴3的手动速度必须大于0，请检查轴参数！"},
        // 0.005 mm is half a pulse (none), 0.0051 one.
        {SpeedSource::Manual, 0, 0.005, std::nullopt, nullptr},
        {SpeedSource::Manual, 0, 0.0051, std::nullopt, "轴3的手动速度必须大于0，请检查轴参数！"},
        {SpeedSource::Manual, 0, 0.0, std::nullopt, nullptr},
        // To a target: 30 from where it stands at 3000 pulses moves none, 30.01 one.
        {SpeedSource::Manual, 0, 30.0, 3000.0, nullptr},
        {SpeedSource::Manual, 0, 30.01, 3000.0, "轴3的手动速度必须大于0，请检查轴参数！"},
        {SpeedSource::Manual, 0, 0.0, 3000.0, "轴3的手动速度必须大于0，请检查轴参数！"},
        {SpeedSource::Automatic, 0.3, std::nullopt, std::nullopt,
         "轴3的自动速度.3不足每秒一个脉冲，请检查轴参数！"},
        {SpeedSource::Automatic, 0, 5.0, std::nullopt, "轴3的自动速度0不足每秒一个脉冲，请检查轴参数！"},
        {SpeedSource::Automatic, 0.31, 5.0, std::nullopt, nullptr},
        {SpeedSource::SeekZero, 0.3, std::nullopt, std::nullopt,
         "轴3的回零速度（.3）不足每秒一个脉冲，没有移动，请检查轴参数！"},
        {SpeedSource::SeekZero, 0.31, std::nullopt, std::nullopt, nullptr},
        {SpeedSource::Retract, -5, -20.0, std::nullopt,
         "轴3的退料速度（-5）不足每秒一个脉冲，没有移动，请检查轴参数！"},
        {SpeedSource::Retract, 0.31, -20.0, std::nullopt, nullptr},
        {SpeedSource::ZeroCompensation, 0.3, 2.0, std::nullopt,
         "轴3的回零摆正速度（.3）不足每秒一个脉冲，没有移动，请检查轴参数！"},
        {SpeedSource::ZeroCompensation, 0.31, 2.0, std::nullopt, nullptr},
        {SpeedSource::JogSpeed, 0.3, std::nullopt, std::nullopt, "点动速度必须大于0！"},
        {SpeedSource::JogSpeed, 0.31, std::nullopt, std::nullopt, nullptr},
        {SpeedSource::ProgramLines, 0, 5.0, std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said ? c.said : "moves");
        SCOPED_TRACE(c.feed);
        op.messages.clear();
        MotionAsk ask;
        ask.axis = 3;
        ask.distance = c.distance;
        ask.standsAt = c.standsAt;
        ask.feedPerMinute = c.feed;
        ask.speed = c.speed;
        EXPECT_EQ(MotionAllowed(ctx, ask), c.said == nullptr);
        if (c.said) {
            ASSERT_EQ(op.messages.size(), 1u);
            EXPECT_EQ(op.LastText(), c.said);
            EXPECT_EQ(op.messages.back().title, "错误");
        } else {
            EXPECT_TRUE(op.messages.empty()) << op.LastText();
        }
    }
    // A target within the bound whose move from where the axis stands is
    // beyond the card's count is refused, naming the value; an axis the
    // machine has not is refused without a word.
    op.messages.clear();
    MotionAsk far;
    far.axis = 3;
    far.distance = 100000;
    far.value = 100000;
    far.standsAt = -2147483647.0;
    far.source = TechnologicalSource("“下刀行程”", "\"Down Distance\"");
    far.feedPerMinute = 600;
    EXPECT_FALSE(MotionAllowed(ctx, far));
    EXPECT_EQ(op.LastText(), "“下刀行程”（100000）超出机床的范围，没有移动，请在工艺参数设置中修改！");
    far.standsAt = 0;
    EXPECT_TRUE(MotionAllowed(ctx, far));
    params.gLanguage = 1;
    MotionAsk jog;
    jog.feedPerMinute = 0;
    jog.speed = SpeedSource::Manual;
    for (int axis : {0, 5}) {
        jog.axis = axis;
        EXPECT_FALSE(MotionAllowed(ctx, jog));
    }
    EXPECT_EQ(op.messages.size(), 1u);
    jog.axis = 2;
    EXPECT_FALSE(MotionAllowed(ctx, jog));
    EXPECT_EQ(op.LastText(), "The manual speed of axis 2 must be greater than 0, please check the axis parameters!");
    jog.speed = SpeedSource::Retract;
    jog.feedPerMinute = -5;
    EXPECT_FALSE(MotionAllowed(ctx, jog));
    EXPECT_EQ(op.LastText(), "The retract speed (-5) of axis 2 gives less than one pulse a second; nothing moved, "
                             "please check the axis parameters!");
}

TEST_F(RangeTest, EnglishMessage) {
    params.gLanguage = 1;
    Load({"G90 G01", "G04 P1E9 ;connect pause"});
    ctx.run.gNcLineIndex = 1;
    EXPECT_TRUE(Refused(ctx.run.gNcLines[1]));
    EXPECT_EQ(op.LastText(),
              "Line 2 of the machining program is beyond what the machine can do (P1E9); the run is stopped: "
              "G04 P1E9 ;connect pause");
    EXPECT_EQ(op.messages.back().title, "Wrong");
    Load({"G90 G01", "X5 F0"});
    ctx.run.gNcLineIndex = 1;
    EXPECT_TRUE(Refused(ctx.run.gNcLines[1]));
    EXPECT_EQ(op.LastText(),
              "Line 2 of the machining program has a speed (F0) that must be greater than 0; the run is stopped: X5 F0");
}

}  // namespace
}  // namespace velbend::testing
