// The whole road of a letter without a window: a DXF letter read, its
// contour picked, Run writing G5.dat, and the run executed tick by tick on
// a card until "Work Finished！" / "加工完成！".  Once on the in-process card
// model, once on the card library's simulated card (skipped while the
// library cannot run it).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "card_model.h"
#include "machine_fixture.h"
#include "sim_card.h"
#include "velbend/common/numtext.h"
#include "velbend/geometry/core_algorithm.h"
#include "velbend/geometry/ctrpath.h"
#include "velbend/geometry/display_data.h"
#include "velbend/geometry/outline_import.h"
#include "velbend/geometry/picking.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/run_timer.h"

namespace velbend::testing {
namespace {

enum class Backend { Model, Simulated };

class EndToEndTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        TestMachine(params);
        auto& s = params.gSysParaTable;
        for (int n = 1; n <= 4; ++n) {
            s.gAxisPara[n].SeekZeroFeedrate = 600;
            s.gAxisPara[n].ZeroCompDistance = 1;
            s.gAxisPara[n].ZeroCompFeedrate = 300;
        }
        s.gBendMechanisms = 1;
        ctx = std::make_unique<MachineContext>(params, op);
        ctx->secondBuild = false;
        ctx->panel.Timer2Interval = 30;
        if (GetParam() == Backend::Model) {
            CardModel::Install(ctx->card);
            advance = [](int ms) { CardModel::Get().Advance(ms); };
            setInput = [](int bit, int level) { CardModel::Get().SetInput(bit, level); };
        } else {
            sim = std::make_unique<SimCard>(ctx->card);
            if (!sim->Usable()) GTEST_SKIP() << sim->Why();
            advance = [this](int ms) { sim->Advance(ms); };
            setInput = [this](int bit, int level) { sim->SetInput(bit, level); };
        }
        // The bender, the cutter and the swing stand on their zero switches.
        setInput(8, 0);
        setInput(14, 0);
        setInput(20, 0);
    }

    TempHome home;
    ParamStore params;
    RecordingOperator op;
    std::unique_ptr<MachineContext> ctx;
    std::unique_ptr<SimCard> sim;
    std::function<void(int)> advance;
    std::function<void(int, int)> setInput;
};

TEST_P(EndToEndTest, LetterFromDxfToWorkFinished) {
    const int16_t lang = 0;
    // Open: read the letter and make its display points.
    const auto dxf = TestData("../../../geometry/tests/data/letters_fitted.dxf");
    CoreAlgorithm core;
    core.TranParas(0.1, 5, 30, 10, 45, 105.0);
    ASSERT_TRUE(core.ReadDXF(dxf.string(), op, lang)) << op.LastText();
    ASSERT_TRUE(core.DisplayPointGen(op, lang));
    ASSERT_TRUE(ThinDisplayPoints(op, lang));
    ASSERT_TRUE(RemoveDuplicateLines(op, lang));
    DisplayTables tables;
    ASSERT_TRUE(LoadDisplayPoints(tables, op, lang));
    ASSERT_GT(tables.mNodeCount, 1) << "the letter has no node to pick";
    ASSERT_TRUE(core.ControlPointCls());
    ctx->panel.Label4[0] = dxf.string();

    // Pick the first contour whole: its first node twice.
    PickState pick;
    const auto lim = LimitsOf(params.gSysParaTable);
    ASSERT_EQ(PickNode(tables, pick, lim, core, PickOptions{}, 1, false, op, lang), PickResult::Opened);
    ASSERT_EQ(PickNode(tables, pick, lim, core, PickOptions{}, 1, false, op, lang), PickResult::Closed);
    // The contour-offset action, also Run's way of rebuilding the path.
    ctx->hooks.BuildCtrPFile = [&] {
        CtrPSettings s{Val(ctx->panel.Text6), params.gSysParaTable.gMillRadius,
                       params.gSysParaTable.gMillRadiusCoef};
        BuildCtrPFile(s, std::span<const NodeRecord>(pick.mDeletedNodes.data(), pick.mDeleteCount), op, lang);
    };
    ctx->hooks.BuildCtrPFile();
    ASSERT_FALSE(home.Read("CtrP.dat").empty());
    int redrawn = 0;
    ctx->hooks.BuildDisplayList = [&](int16_t) { ++redrawn; };

    // Run.
    Command_Run_Click(*ctx);
    ASSERT_EQ(ctx->run.gRunning, kTrue) << op.LastText();
    ASSERT_TRUE(home.Exists("G5.dat"));
    ASSERT_GT(ctx->run.gNcLineCount, 10);
    const double job = ctx->writer.mJobLength;
    ASSERT_GT(job, 50);
    EXPECT_TRUE(op.messages.empty()) << op.LastText();

    // Tick by tick until the run ends.
    int ticks = 0;
    const int limit = 200000;
    while (ctx->run.gRunning == kTrue && ticks < limit) {
        advance(30);
        Timer2_Timer(*ctx);
        ++ticks;
    }
    RecordProperty("ticks", ticks);
    RecordProperty("lines", ctx->run.gNcLineCount);
    ASSERT_EQ(ctx->run.gRunning, 0) << "line " << ctx->run.gNcLineIndex << " of " << ctx->run.gNcLineCount
                                     << " after " << ticks << " ticks";
    EXPECT_EQ(op.LastText(), "加工完成！");
    EXPECT_EQ(op.messages.size(), 1u);

    // The feed axis stands at the job length, nothing moves, no flag is on.
    int32_t x = 0;
    ctx->card.get_command_pos(0, 1, &x);
    EXPECT_NEAR(x / params.gSysParaTable.gAxisPara[1].PulseEquivalent + ctx->run.mLengthComp, job, 0.1);
    EXPECT_EQ(Axis_Status(*ctx), 0) << "still moving when the run ended";
    advance(2000);
    EXPECT_EQ(Axis_Status(*ctx), 0);
    EXPECT_FALSE(IsMachineBusy(ctx->run));
    EXPECT_EQ(ctx->run.mPaused, 0);
    EXPECT_EQ(ctx->run.mFeedCheck.pending, 0);
    EXPECT_EQ(ctx->run.gNcLineIndex, 0);
    EXPECT_EQ(ctx->run.mCycleCount, -1);
    EXPECT_FALSE(ctx->panel.Shape2.Visible);
    EXPECT_GE(redrawn, 2);  // each piece's "M16" and the run end
}

INSTANTIATE_TEST_SUITE_P(Cards, EndToEndTest, ::testing::Values(Backend::Model, Backend::Simulated),
                         [](const auto& info) { return info.param == Backend::Model ? "Model" : "Simulated"; });

}  // namespace
}  // namespace velbend::testing
