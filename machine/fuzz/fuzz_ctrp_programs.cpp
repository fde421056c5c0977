// Fuzz target: arbitrary CtrP.dat bytes through the machine-program writer
// (with the bending mechanism, so the move ring works) and the slotting
// export.  Nothing may crash, hang or read out of bounds.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "velbend/common/operator.h"
#include "velbend/machine/program.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/slot_export.h"

namespace {

std::filesystem::path g_home;

void Setup(velbend::ParamStore& p) {
    auto& s = p.gSysParaTable;
    const int32_t feeds[5] = {0, 3000, 2000, 500, 1000};
    for (int n = 1; n <= 4; ++n) {
        s.gAxisPara[n].PulseEquivalent = 100;
        s.gAxisPara[n].AutoFeedrate = feeds[n];
    }
    s.gSlotToBendThreshold = 5;
    s.gSlotThreshold = 20;
    s.gPatBendRThreshold = 200;
    s.gBendToSlotRThreshold = 20;
    s.gMaxBendRadius = 5000;
    s.gPatBendCoefP = s.gPatBendCoefN = s.gContBendCoefP = s.gContBendCoefN = 1;
    s.gMillRadius = 2;
    s.gMillRadiusCoef = 1;
    s.gCutterAngle = 30;
    s.gCutterUpDownMode = 1;
    s.gSlotLetters = "NDUFB";
    s.gCutTimes = 2;
    s.gBendMechanisms = 2;
    s.gMaxBendAngle = 150;
    s.gBendToSlotDist = 50;
    s.gSplicePause = 1;
    s.gArcCompP = 0.1;
    s.gArcCompN = 0.1;
    p.mWanFuP[0] = {90, 500};
    p.mWanFuP[1] = {10, 20};
    p.gWanFuPLast = 1;
    p.mWanFuN = p.mWanFuP;
    p.gWanFuNLast = 1;
    p.gPfjjTable[0] = {40, 1};
    p.gPfjjTable[1] = {0, 2};
    p.gPfjjLast = 2;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "velbend-fuzz-XXXXXX").string();
    if (char* d = ::mkdtemp(tmpl.data())) g_home = d;
    ::setenv("VELBEND_HOME", g_home.c_str(), 1);
    ::setenv("VELBEND_CARDLIB", "/nonexistent/libTarvikM.so", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream f(g_home / "CtrP.dat", std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    velbend::ParamStore params;
    Setup(params);
    velbend::RecordingOperator op;
    velbend::MachineContext ctx(params, op);
    ctx.panel.Text5 = "2";
    ctx.panel.Label4[0] = size % 2 ? "a.dxf" : "a.nc";
    ctx.secondBuild = size % 3 == 0;
    velbend::Command_Run_Click(ctx);
    ctx.panel.Text9 = {"1", "20", "12000", "800"};
    velbend::WriteSlotProgram(ctx);
    return 0;
}
