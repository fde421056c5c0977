// Set-up of the operator dialog's model tests: a fresh program folder, a
// Program on the simulated card (manual clock), a machine with 100 pulses
// per mm on every axis, a motor cutter and a forward fourth axis, and the
// run timer's 30 ms tick.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "velbend/common/textfile.h"
#include "velbend/forms/gy1.h"
#include "velbend/forms/program.h"
#include "velbend/machine/run_timer.h"
#include "velbend/testsupport/sim_card.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::testing {

class GY1Test : public ::testing::Test {
protected:
    GY1Test() : program(op), sim(program.ctx.card) {
        auto& ctx = program.ctx;
        ctx.panel.Timer2Interval = 30;
        ctx.secondBuild = false;
        for (int n = 1; n <= 4; ++n) {
            auto& a = ctx.axis(n);
            a.PulseEquivalent = 100;
            a.SeekZeroFeedrate = 600;
            a.ManualFeedrate = 600;
            a.Acceleration = 1;
            a.ZeroCompDistance = 2;
            a.ZeroCompFeedrate = 300;
            a.AutoFeedrate = 6000;
        }
        ctx.axis(3).AutoFeedrate = 500;
        ctx.axis(4).AutoFeedrate = 1000;
        auto& s = sys();
        s.gCutterAngle = 30;
        s.gCutterUpDownMode = 1;
        s.gPositionDetectDelay = 300;
        s.gDownDistFront = 5;
        s.gDownDistBack = 6;
        s.gAxisKindA = 1;
        s.gCutStrokes = {2, 3, 4};
        s.gCutOffStroke = 8;
        s.gCutTimes = 2;
        s.gSlotLetters = "NDU";
        s.gBendMechanisms = 1;
        s.gSpaceAngleP = 10;
        s.gSpaceAngleN = 12;
        s.gEncoderEquiv = 50;
        s.gEncoderPrecision = 0.05;
        s.gXEncoderPort = 1;
        s.gArcCompP = 1.5;
        s.gArcCompN = 0.5;
        s.gSplicePause = 3;
        program.params.gSysGroupNames[0] = "铝边";
    }
    void SetUp() override {
        if (!sim.Usable()) GTEST_SKIP() << sim.Why();
        // The zero switches of the bend, cutter and fourth axes are on.
        for (int bit : {8, 14, 20}) sim.SetInput(bit, 0);
    }

    SysPara& sys() { return program.ctx.sys(); }
    RunState& run() { return program.ctx.run; }

    // A model loaded as at the dialog's opening.
    GY1_Model Open() {
        GY1_Model m(program);
        m.Form_Load();
        return m;
    }

    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            sim.Advance(30);
            Timer2_Timer(program.ctx);
        }
    }
    template <class F>
    bool TickUntil(F done, int limit = 20000) {
        for (int i = 0; i < limit; ++i) {
            if (done()) return true;
            Tick();
        }
        return done();
    }
    bool Busy() { return IsMachineBusy(run()); }

    int32_t Cmd(int axis) {
        int32_t p = 0;
        program.ctx.card.get_command_pos(0, axis, &p);
        return p;
    }
    bool Moving(int axis) {
        int32_t s = 0;
        program.ctx.card.get_status(0, axis, &s);
        return s != 0;
    }

    // G5.dat as lines ("" lines kept out).
    std::vector<std::string> G5() {
        std::vector<std::string> out;
        const std::string bytes = home.Read("G5.dat");
        for (auto l : SplitLines(bytes)) out.emplace_back(l);
        return out;
    }

    TempHome home;
    RecordingOperator op;
    Program program;
    SimCard sim;
};

}  // namespace velbend::testing
