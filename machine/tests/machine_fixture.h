// Shared set-up of the machine tests: a fresh program folder, a parameter
// table of a test machine, a recording operator, a context with no card
// library (or a scripted in-process card) and the turning-sense helpers.
#pragma once
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "velbend/common/codepage.h"
#include "velbend/common/operator.h"
#include "velbend/common/textfile.h"
#include "velbend/machine/line_sink.h"
#include "velbend/machine/program.h"
#include "velbend/params/store.h"
#include "velbend/testsupport/tempdir.h"

namespace velbend::testing {

// The test machine: swing cutter driven by a motor, slot letters N D U, two
// passes, no bending mechanism (tests switch it on).
inline void TestMachine(ParamStore& p) {
    SysPara& s = p.gSysParaTable;
    const double pe = 100;
    const int32_t feeds[5] = {0, 3000, 2000, 500, 1000};
    for (int n = 1; n <= 4; ++n) {
        s.gAxisPara[n].PulseEquivalent = pe;
        s.gAxisPara[n].AutoFeedrate = feeds[n];
        s.gAxisPara[n].Acceleration = 1;
        // Its seek zeros search and compensate at a speed of pulses.
        s.gAxisPara[n].SeekZeroFeedrate = 600;
        s.gAxisPara[n].ZeroCompFeedrate = 600;
    }
    s.gSlotToBendThreshold = 5;
    s.gSlotThreshold = 20;
    s.gPatBendRThreshold = 200;
    s.gBendToSlotRThreshold = 20;
    s.gMaxBendRadius = 5000;
    s.gPatBendCoefP = 1.5;
    s.gContBendCoefP = 1.1;
    s.gPatBendCoefN = 1.2;
    s.gContBendCoefN = 0.9;
    s.gMillRadius = 0;
    s.gMillRadiusCoef = 1;
    s.gRunMode = 0;
    s.gCutterAngle = 30;
    s.gCutterRotateMode = 0;
    s.gCutterUpDownMode = 1;
    s.gPositionDetectMode = 0;
    s.gPositionDetectDelay = 300;
    s.gDownDistFront = 5;
    s.gDownDistBack = 6;
    s.gSwingModeP = 0;
    s.gMaxSwingAngleP = 60;
    s.gSlotSides = 0;
    s.gSwingModeN = 0;
    s.gMaxSwingAngleN = 60;
    s.gAxisKindA = 0;
    s.gSeekZeroBeforeForward = 0;
    s.gCutStrokes = {2, 3, 4};
    s.gCutOffStroke = 0;
    s.gSlotLetters = "NDU";
    s.gCutTimes = 2;
    s.gBendMechanisms = 0;
    s.gSpaceAngleP = 10;
    s.gSpaceAngleN = 12;
    s.gMaxBendAngle = 150;
    s.gBendToSlotDist = 50;
    s.gBendMechDelay = 200;
    s.gArcCompP = 0;
    s.gArcCompN = 0;
    s.gSplicePause = 0;
    s.gXEncoderPort = 0;
    s.gPatBackAngle = 0;
    s.gPressArcFixSpacing = 0;
    s.gPatArcEncoderFix = 0;

    // Curvature tables (Value, Key), decreasing keys.
    p.mWanFuP = {};
    p.mWanFuP[0] = {90, 500};
    p.mWanFuP[1] = {60, 100};
    p.mWanFuP[2] = {30, 50};
    p.mWanFuP[3] = {10, 20};
    p.gWanFuPLast = 3;
    p.mWanFuN = {};
    p.mWanFuN[0] = {80, 500};
    p.mWanFuN[1] = {50, 100};
    p.mWanFuN[2] = {25, 50};
    p.mWanFuN[3] = {8, 20};
    p.gWanFuNLast = 3;

    // Pat-arc spacing: below 40 -> 1, below 100 -> 2, below 240 -> 3, others 4.
    p.gPfjjTable = {};
    p.gPfjjTable[0] = {40, 1};
    p.gPfjjTable[1] = {100, 2};
    p.gPfjjTable[2] = {240, 3};
    p.gPfjjTable[3] = {0, 4};
    p.gPfjjLast = 4;
}

struct MachineFixture {
    TempHome home;
    ParamStore params;
    RecordingOperator op;
    std::unique_ptr<MachineContext> ctx;

    MachineFixture() {
        // No card library: every card call is refused, positions read as
        // whatever the caller held (0).
        ::setenv("VELBEND_CARDLIB", "/nonexistent/libTarvikM.so", 1);
        TestMachine(params);
        ctx = std::make_unique<MachineContext>(params, op);
        ctx->secondBuild = false;
        ctx->panel.Text4 = "10";
        ctx->panel.Text5 = "1";
        ctx->panel.Text7 = "100";
    }
    MachineContext& c() { return *ctx; }
    SysPara& sys() { return params.gSysParaTable; }
};

// Lines of a text (CR LF or LF), for comparing programs.
inline std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> out;
    for (auto l : SplitLines(bytes)) out.emplace_back(l);
    return out;
}

// A file of the program folder as UTF-8 lines.
inline std::vector<std::string> FileLinesUtf8(const TempHome& home, const std::string& name) {
    return LinesOf(GbkToUtf8(home.Read(name)));
}

// Joins lines for readable failure output.
inline std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

// CtrP.dat text from lines (CR LF).
inline std::string CrLf(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

}  // namespace velbend::testing
