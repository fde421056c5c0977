// Set-up of the run tests (interpreter, run timer, jog, test programs): a
// fresh program folder, parameter store, recording operator and machine
// context bound to the card model, with 100 pulses per mm or degree on every
// axis and the run timer's 30 ms interval.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card_model.h"
#include "machine_fixture.h"
#include "velbend/common/operator.h"
#include "velbend/machine/program.h"
#include "velbend/machine/run_timer.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::testing {

class RunTest : public ::testing::Test {
protected:
    RunTest() : ctx(params, op) {
        CardModel::Install(ctx.card);
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

    CardModel& card() { return CardModel::Get(); }

    // One run-timer tick after 30 ms of card time.
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            card().Advance(30);
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

    int32_t Cmd(int axis) const { return static_cast<int32_t>(CardModel::Get().ax[axis].cmd); }

    TempHome home;
    ParamStore params;
    RecordingOperator op;
    MachineContext ctx;
};

}  // namespace velbend::testing
