// Set-up of the operator dialog's model tests: the program on the simulated
// card (forms/common's ProgramTest) with a motor cutter and a forward
// fourth axis.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "velbend/common/textfile.h"
#include "velbend/forms/gy1.h"
#include "velbend/forms/program_test.h"

namespace velbend::testing {

class GY1Test : public ProgramTest {
protected:
    GY1Test() {
        auto& ctx = program.ctx;
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
        ProgramTest::SetUp();
        if (IsSkipped()) return;
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

    bool Busy() { return IsMachineBusy(run()); }

    // G5.dat as lines ("" lines kept out).
    std::vector<std::string> G5() {
        std::vector<std::string> out;
        const std::string bytes = home.Read("G5.dat");
        for (auto l : SplitLines(bytes)) out.emplace_back(l);
        return out;
    }
};

}  // namespace velbend::testing
