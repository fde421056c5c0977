// Set-up of the run tests (interpreter, run timer, jog, test programs): a
// fresh program folder, parameter store, recording operator and machine
// context bound to a card, with 100 pulses per mm or degree on every axis
// and the run timer's 30 ms interval.
//
// The card is one of two backends:
//  - the card library's simulated card (libTarvikM.so with TARVIKM_SIM=1,
//    reached through the program's own binding, manual clock, reset for
//    every test), skipped when the library cannot run it;
//  - the in-process card model (card_model.h), which also keeps a log of
//    every entry called.
// RunTest is parameterized over both; tests read and set the card only
// through the backend-neutral helpers below (clock, inputs, switches,
// outputs, positions, encoder slip), and check the model's call log only
// inside `if (auto* m = model())`.  ModelRunTest is for tests that are about
// the exact entry calls alone.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "card_model.h"
#include "machine_fixture.h"
#include "sim_card.h"
#include "velbend/common/operator.h"
#include "velbend/machine/program.h"
#include "velbend/machine/run_timer.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::testing {

enum class Backend { Model, Simulated };

inline std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Model ? "Model" : "Simulated";
}

// Both backends, for INSTANTIATE_TEST_SUITE_P.
#define VELBEND_ON_BOTH_CARDS(suite)                                                                       \
    INSTANTIATE_TEST_SUITE_P(Cards, suite,                                                                 \
                             ::testing::Values(::velbend::testing::Backend::Model,                         \
                                               ::velbend::testing::Backend::Simulated),                    \
                             ::velbend::testing::BackendName)

class RunBench {
protected:
    RunBench() : ctx(params, op) {
        TestMachine(params);
        auto& s = params.gSysParaTable;
        for (int n = 1; n <= 4; ++n) {
            auto& a = s.gAxisPara[static_cast<std::size_t>(n)];
            a.PulseEquivalent = 100;
            a.SeekZeroFeedrate = 600;
            a.ManualFeedrate = 600;
            a.Acceleration = 1;
            a.ZeroCompDistance = 2;
            a.ZeroCompFeedrate = 300;
            a.AutoFeedrate = 6000;
        }
        s.gAxisPara[2].AutoFeedrate = 3000;  // 5000 pulses/s
        s.gSpaceAngleP = 30;
        s.gSpaceAngleN = 30;
        s.gEncoderEquiv = 100;
        s.gEncoderPrecision = 0.05;
        s.gTestLength = 1000;
        s.gTestRadius = 100;
        s.gPatBendRThreshold = 50;
        s.gBendToSlotDist = 200;
        s.gMaxBendAngle = 90;
        s.gCutterUpDownMode = 1;  // motor cutter unless a test says otherwise
        ctx.panel.Timer2Interval = 30;
        ctx.secondBuild = false;
    }

    // Binds the card; false (with a skip for the simulated card) when the
    // backend cannot be used.
    bool UseCard(Backend b) {
        backend_ = b;
        if (b == Backend::Model) {
            CardModel::Install(ctx.card);
            return true;
        }
        sim_ = std::make_unique<SimCard>(ctx.card);
        return sim_->Usable();
    }
    std::string WhyNot() const { return sim_ ? sim_->Why() : std::string(); }

    bool OnModel() const { return backend_ == Backend::Model; }
    // The card model (its call log), nullptr on the simulated card.
    CardModel* model() { return OnModel() ? &CardModel::Get() : nullptr; }
    // The card model, for tests that run on it alone.
    CardModel& card() {
        if (!OnModel()) ADD_FAILURE() << "the card model's call log read on the simulated card";
        return CardModel::Get();
    }

    // ---- backend-neutral card control ----------------------------------
    void Advance(int ms) {
        if (sim_) sim_->Advance(ms);
        else CardModel::Get().Advance(ms);
    }
    void SetInput(int bit, int level) {
        if (sim_) sim_->SetInput(bit, level);
        else CardModel::Get().SetInput(bit, level);
    }
    // A switch pulling input `bit` to `level` while `axis` has travelled to
    // [from, to] pulses (0: where it stood when the test began; setting the
    // counters does not move a switch).
    void PlaceSwitch(int bit, int axis, int32_t from, int32_t to, int level = 0) {
        if (sim_) sim_->PlaceSwitch(bit, axis, from, to, level);
        else CardModel::Get().PlaceSwitch(bit, axis, from, to, level);
    }
    void ClearSwitches() {
        if (sim_) sim_->ClearSwitches();
        else CardModel::Get().ClearSwitches();
    }
    uint32_t Outputs() { return sim_ ? sim_->Outputs() : CardModel::Get().outputs; }
    // The feed encoder sees (1 - s) of the feed's travel.
    void SetSlip(double s) {
        if (sim_) sim_->SetSlip(s);
        else CardModel::Get().SetSlip(s);
    }
    // The feed encoder counts r x the feed's travel (below 0: backwards).
    void SetEncoderRatio(double r) {
        if (sim_) sim_->SetEncoderRatio(r);
        else CardModel::Get().SetSlip(1 - r);
    }

    int32_t Cmd(int axis) {
        int32_t p = 0;
        ctx.card.get_command_pos(0, axis, &p);
        return p;
    }
    int32_t Act(int axis) {
        int32_t p = 0;
        ctx.card.get_actual_pos(0, axis, &p);
        return p;
    }
    // Sets both counters of an axis without moving it.
    void SetCounters(int axis, int32_t pos) {
        ctx.card.set_command_pos(0, axis, pos);
        ctx.card.set_actual_pos(0, axis, pos);
    }
    bool Moving(int axis) {
        int32_t s = 0;
        ctx.card.get_status(0, axis, &s);
        return s != 0;
    }
    // Any axis driving, an interpolation running or queued.
    bool Moving() {
        for (int n = 1; n <= 4; ++n)
            if (Moving(n)) return true;
        int32_t s = 0;
        ctx.card.get_inp_status(0, &s);
        return s == 1 || ctx.card.read_fifo_empty(0) == 0;
    }
    // Advances the clock (no tick) until nothing moves; false if it still
    // moves after `limitMs`.
    bool AdvanceUntilIdle(int limitMs = 60000) {
        for (int t = 0; t < limitMs; t += 10) {
            if (!Moving()) return true;
            Advance(10);
        }
        return !Moving();
    }
    // Drives `axis` (really, switches see it) until its command counter reads
    // `pos`, fast and with nothing else running.
    void Stand(int axis, int32_t pos) {
        const int32_t d = pos - Cmd(axis);
        ctx.card.set_startv(0, axis, 1000);
        ctx.card.set_speed(0, axis, 100000);
        ctx.card.set_acc(0, axis, 10000);
        ctx.card.pmove(0, axis, d);
        EXPECT_TRUE(AdvanceUntilIdle()) << "axis " << axis << " did not reach " << pos;
        EXPECT_EQ(Cmd(axis), pos);
        if (auto* m = model()) m->ClearLog();
    }

    // ---- run timer ---------------------------------------------------------
    // One run-timer tick after 30 ms of card time.
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            Advance(30);
            Timer2_Timer(ctx);
        }
    }
    // Ticks until `done` holds; false when it does not within `limit` ticks.
    template <class F>
    bool TickUntil(F done, int limit = 5000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Tick();
        }
        return done();
    }

    // Loads `lines` as the program and sets `flag` (gRunning & Co.).
    void Load(const std::vector<std::string>& lines, int16_t RunState::*flag = &RunState::gTestRunning) {
        auto& run = ctx.run;
        run.gNcLines = lines;
        run.gNcLineCount = static_cast<int16_t>(lines.size());
        run.gNcLineIndex = 0;
        run.*flag = kTrue;
    }

    TempHome home;
    ParamStore params;
    RecordingOperator op;
    MachineContext ctx;

private:
    Backend backend_ = Backend::Model;
    std::unique_ptr<SimCard> sim_;
};

// Run on both cards.  A fixture deriving from it that has SetUp of its own
// calls RunTest::SetUp first and returns if IsSkipped().
class RunTest : public ::testing::TestWithParam<Backend>, public RunBench {
protected:
    void SetUp() override {
        if (!UseCard(GetParam())) GTEST_SKIP() << WhyNot();
    }
};

// On the card model alone: tests of the exact entry calls.
class ModelRunTest : public ::testing::Test, public RunBench {
protected:
    void SetUp() override { UseCard(Backend::Model); }
};

}  // namespace velbend::testing
