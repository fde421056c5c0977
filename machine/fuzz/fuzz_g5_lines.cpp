// Fuzz target: arbitrary G5.dat text loaded into the program line buffer and
// executed tick by tick by the run timer and the line interpreter, on the
// in-process card model.  Nothing may crash, hang or read out of bounds; a
// run must end or stay bounded within the ticks given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "../tests/card_model.h"
#include "../tests/machine_fixture.h"
#include "velbend/common/operator.h"
#include "velbend/common/textfile.h"
#include "velbend/machine/program.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/run_timer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velbend;
    if (size > 64 * 1024) return 0;
    static testing::TempHome home;  // one program folder for the whole run
    ParamStore params;
    testing::TestMachine(params);
    RecordingOperator op;
    MachineContext ctx(params, op);
    testing::CardModel::Install(ctx.card);
    ctx.panel.Timer2Interval = 30;

    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::string_view line : SplitLines(text)) {
        if (ctx.run.gNcLines.size() >= 2000) break;
        ctx.run.gNcLines.emplace_back(line);
    }
    ctx.run.gNcLineCount = static_cast<int16_t>(ctx.run.gNcLines.size());
    ctx.run.gNcLineIndex = 0;
    ctx.run.gTestRunning = kTrue;

    auto& card = testing::CardModel::Get();
    for (int tick = 0; tick < 3000 && !ctx.run.gNcLines.empty(); ++tick) {
        card.Advance(30);
        card.ClearLog();
        Timer2_Timer(ctx);
        if (ctx.run.gTestRunning != kTrue && !IsMachineBusy(ctx.run)) break;
    }
    return 0;
}
