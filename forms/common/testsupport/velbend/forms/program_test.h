// Set-up of the window-model tests on the card library's simulated card: a
// fresh program folder (VELBEND_HOME), a recording operator, a Program whose
// card is the simulated card with its manual clock (every axis at 100
// pulses per unit), and a machine-loop tick that advances that clock by
// 30 ms as the main window's timer would.  No Qt: the window tests build
// on it too.
#pragma once
#include <gtest/gtest.h>

#include "velbend/forms/program.h"
#include "velbend/machine/run_timer.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::testing {

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() : program(op), sim(program.ctx.card) {
        program.ctx.panel.Timer2Interval = 30;
        program.ctx.secondBuild = false;
        for (int n = 1; n <= 4; ++n) {
            auto& a = program.ctx.axis(n);
            a.PulseEquivalent = 100;
            a.SeekZeroFeedrate = 600;
            a.ManualFeedrate = 600;
            a.Acceleration = 1;
            a.ZeroCompDistance = 2;
            a.ZeroCompFeedrate = 300;
            a.AutoFeedrate = 6000;
        }
    }
    void SetUp() override {
        if (!sim.Usable()) GTEST_SKIP() << sim.Why();
    }

    // One machine-loop tick: 30 ms of card time, then the run timer.
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            sim.Advance(30);
            Timer2_Timer(program.ctx);
        }
    }
    // Ticks until `done` holds or `limit` ticks have passed; true when done.
    template <class F>
    bool TickUntil(F done, int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Tick();
        }
        return done();
    }
    int32_t Pos(int axis) {
        int32_t p = 0;
        program.ctx.card.get_command_pos(0, axis, &p);
        return p;
    }
    bool Moving(int axis) {
        int32_t s = 0;
        program.ctx.card.get_status(0, axis, &s);
        return s != 0;
    }

    TempHome home;
    RecordingOperator op;
    Program program;
    SimCard sim;
};

}  // namespace velbend::testing
