// The whole road through the real window, as an operator drives it: the
// letter of the sample folder opened through the menu, every contour picked
// by clicks on Picture1, Run pressed, the machine loop ticked (30 ms of card
// time each) until "加工完成！"; with Pause and Run, with Stop mid-run and in
// step mode; in both builds.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "main_window_fixture.h"
#include "velbend/common/numtext.h"
#include "velbend/forms/dialog_common.h"
#include "velbend/machine/run_state.h"

namespace velbend::testing {
namespace {

struct Seen {
    bool marker = false;  // a position marker was shown on the drawing
    bool lamp = false;    // an IO lamp was lit
    bool positions = false;
};

class Road : public MainWindowTest, public ::testing::WithParamInterface<bool> {
protected:
    bool cs7() const { return GetParam(); }

    // Start, open, pick: ready to press Run.
    void Prepare() {
        Start(cs7());
        OpenLetter();
        ASSERT_EQ(PickEveryContour(), 2);
        ASSERT_TRUE(op.messages.empty()) << op.LastText();
        ASSERT_FALSE(Find<QLabel>("Label4(1)")->text().isEmpty());
        EXPECT_EQ(Find<QLabel>("Label4(0)")->text().toStdString(), (home / "letter_e.dxf").string());
    }
    void PressRun() {
        Click("Command_Run");
        ASSERT_EQ(program.ctx.run.gRunning, kTrue) << op.LastText();
        job = program.ctx.writer.mJobLength;
        ASSERT_GT(job, 300);
    }
    void Watch() {
        auto* marker = Find<QWidget>("Shape2");
        seen.marker |= marker->isVisibleTo(form->Control("Picture1"));
        if (!cs7()) {
            for (int i = 0; i < 6; ++i)
                seen.lamp |= program.ctx.panel.Shape1[i] != MainPanel::kWindowBackground &&
                             Find<QLabel>(Indexed("Shape1", i))->styleSheet().contains("#");
            seen.positions |= Find<QLineEdit>("TextX")->text() != "0.00";
        }
    }
    bool Finished() const {
        for (const auto& m : op.messages)
            if (m.text == "加工完成！" || m.text == "Work Finished！") return true;
        return false;
    }
    // Ticks until the run ends; true when it finished.
    bool RunToTheEnd(int limit = 40000) {
        for (int i = 0; i < limit && program.ctx.run.gRunning == kTrue; ++i) {
            Tick();
            Watch();
        }
        return program.ctx.run.gRunning != kTrue && Finished();
    }
    double FeedPosition() {
        int32_t x = 0;
        program.ctx.card.get_command_pos(0, 1, &x);
        return x / program.params.gSysParaTable.gAxisPara[1].PulseEquivalent;
    }
    void ExpectFinishedAtTheJobLength() {
        EXPECT_TRUE(Finished()) << op.LastText();
        EXPECT_EQ(op.messages.size(), 1u) << op.LastText();
        const double tol = 0.1 + std::abs(program.ctx.run.mLengthComp);
        EXPECT_NEAR(FeedPosition(), job, tol);
        if (!cs7()) {
            EXPECT_NEAR(Val(Find<QLineEdit>("TextX")->text().toStdString()), job, tol);
            EXPECT_TRUE(seen.lamp);
            EXPECT_TRUE(seen.positions);
        }
        EXPECT_TRUE(seen.marker);
        EXPECT_FALSE(Find<QWidget>("Shape2")->isVisibleTo(form->Control("Picture1")));
        EXPECT_TRUE(Find<QWidget>("Command_Run")->isEnabled());
        EXPECT_FALSE(IsMachineBusy(program.ctx.run));
        EXPECT_EQ(Axis_Status(program.ctx), 0);
    }

    double job = 0;
    Seen seen;
};

TEST_P(Road, OpenPickRunToWorkFinished) {
    Prepare();
    PressRun();
    ASSERT_TRUE(RunToTheEnd()) << "line " << program.ctx.run.gNcLineIndex << " of " << program.ctx.run.gNcLineCount;
    ExpectFinishedAtTheJobLength();
}

TEST_P(Road, InEnglishTheEndIsWorkFinished) {
    Prepare();
    Trigger("English");
    PressRun();
    ASSERT_TRUE(RunToTheEnd());
    EXPECT_EQ(op.LastText(), "Work Finished！");
}

TEST_P(Road, PauseHoldsTheProgramAndRunGoesOn) {
    Prepare();
    PressRun();
    Tick(60);
    Click("Command_Pause");
    EXPECT_EQ(program.ctx.run.mPaused, 1);
    Tick(100);  // the move in progress ends
    const int16_t line = program.ctx.run.gNcLineIndex;
    const double at = FeedPosition();
    Tick(100);
    EXPECT_EQ(program.ctx.run.gNcLineIndex, line);
    EXPECT_EQ(FeedPosition(), at);
    Click("Command_Run");
    EXPECT_EQ(program.ctx.run.mPaused, 0);
    ASSERT_TRUE(RunToTheEnd());
    ExpectFinishedAtTheJobLength();
}

TEST_P(Road, StopMidRunStopsEveryAxis) {
    Prepare();
    PressRun();
    Tick(80);
    ASSERT_EQ(program.ctx.run.gRunning, kTrue);
    Click("Command_Stop");
    EXPECT_FALSE(IsMachineBusy(program.ctx.run));
    Tick(200);  // decelerations end
    EXPECT_EQ(Axis_Status(program.ctx), 0);
    int32_t before[5], after[5];
    for (int n = 1; n <= 4; ++n) program.ctx.card.get_command_pos(0, n, &before[n]);
    Tick(100);
    for (int n = 1; n <= 4; ++n) {
        program.ctx.card.get_command_pos(0, n, &after[n]);
        EXPECT_EQ(after[n], before[n]) << "axis " << n;
    }
    EXPECT_FALSE(Finished());
    EXPECT_EQ(program.ctx.card.get_out(0, 0), 0);
    EXPECT_TRUE(Find<QLabel>("Label4(1)")->text().isEmpty());  // the picks are discarded
    EXPECT_TRUE(Find<QWidget>("Command_Run")->isEnabled());
}

TEST_P(Road, StepModeRunsOneLineAtAClick) {
    Prepare();
    program.params.gSysParaTable.gRunMode = 1;
    PressRun();
    Tick(2);
    auto* step = Find<QPushButton>("StepCommand");
    ASSERT_TRUE(step->isVisible());
    ASSERT_TRUE(Find<QWidget>("StepText")->isVisible());
    // Nothing goes on without a click.
    const int16_t line = program.ctx.run.gNcLineIndex;
    Tick(50);
    EXPECT_EQ(program.ctx.run.gNcLineIndex, line);
    EXPECT_FALSE(Find<QLineEdit>("StepText")->text().isEmpty());
    int clicks = 0, advanced = 0;
    for (int i = 0; i < 60000 && program.ctx.run.gRunning == kTrue; ++i) {
        if (program.ctx.run.mStepMode == 1 && Axis_Status(program.ctx) == 0) {
            const int16_t before = program.ctx.run.gNcLineIndex;
            QTest::mouseClick(step, Qt::LeftButton);
            ++clicks;
            Tick();
            if (program.ctx.run.gNcLineIndex > before) ++advanced;
        }
        Tick();
        Watch();
    }
    EXPECT_TRUE(Finished()) << op.LastText();
    // Every statement waited for its click (an XY line may take its
    // mergeable successors with it).
    EXPECT_GE(advanced, program.ctx.run.gNcLineCount / 3);
    EXPECT_GE(clicks, advanced);
    program.params.gSysParaTable.gRunMode = 0;
}

// With arc length compensations set, the length the captions show is the
// length the program feeds: the letter's tight corners are slotted and fed
// as they are, its bending arcs compensated alike in both, and the run ends
// with "加工完成！" having fed what Label4(2) showed.
TEST_P(Road, ArcCompensationsFeedTheLengthShown) {
    Start(cs7());
    program.params.gSysParaTable.gArcCompP = 0.5;
    program.params.gSysParaTable.gArcCompN = 0.3;
    OpenLetter();
    ASSERT_EQ(PickEveryContour(), 2);
    const double shown = Val(Find<QLabel>("Label4(2)")->text().toStdString());
    PressRun();
    EXPECT_EQ(Val(Find<QLabel>("Label4(2)")->text().toStdString()), shown);
    EXPECT_EQ(job, shown);
    ASSERT_TRUE(RunToTheEnd()) << op.LastText();
    EXPECT_EQ(op.LastText(), "加工完成！");
    ExpectFinishedAtTheJobLength();
    EXPECT_NEAR(FeedPosition() + program.ctx.run.mLengthComp, shown, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Builds, Road, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "VelbendCS7" : "Velbend"; });

}  // namespace
}  // namespace velbend::testing

namespace velbend::testing {
namespace {

using SlotOutput = MainWindowTest;

TEST_F(SlotOutput, MenuFrameAndOutputWriteTheProgram) {
    Start();
    OpenLetter();
    ASSERT_EQ(PickEveryContour(), 2);
    Trigger("开槽程序");
    ASSERT_TRUE(Find<QWidget>("OutFrame")->isVisible());
    EXPECT_EQ(Find<QLineEdit>("Text8")->text(), "KC_G.nc");
    EXPECT_EQ(Find<QLineEdit>("Text9(2)")->text(), "5000");
    Click("Command2(0)");
    EXPECT_FALSE(Find<QWidget>("OutFrame")->isVisible());
    EXPECT_NE(home.Read("KC_G.nc").find("S5000 M03"), std::string::npos);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();
    // Cancel hides the frame and writes nothing.
    std::filesystem::remove(home / "KC_G.nc");
    Trigger("开槽程序");
    Click("Command2(1)");
    EXPECT_FALSE(Find<QWidget>("OutFrame")->isVisible());
    EXPECT_FALSE(home.Exists("KC_G.nc"));
}

TEST_F(SlotOutput, AFailedWriteIsReportedAndKeepsWhatWasThere) {
    Start();
    OpenLetter();
    ASSERT_EQ(PickEveryContour(), 2);
    home.Write("old/keep.txt", "kept");
    Trigger("开槽程序");
    Find<QLineEdit>("Text8")->setText("old");  // a folder: the file cannot take its place
    Click("Command2(0)");
    ASSERT_FALSE(op.messages.empty());
    EXPECT_EQ(home.Read("old/keep.txt"), "kept");
    EXPECT_TRUE(Find<QWidget>("OutFrame")->isVisible());
}

}  // namespace
}  // namespace velbend::testing
