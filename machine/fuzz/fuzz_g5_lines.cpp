// Fuzz target: arbitrary G5.dat text loaded into the program line buffer and
// executed tick by tick by the run timer and the line interpreter, on the
// in-process card model.  Nothing may crash, hang or read out of bounds; a
// run must end or stay bounded within the ticks given.  A line that the
// interpreter's range check refuses must stop the run with nothing moved in
// that tick: no move command, and no pulse count of 2^31 - 1 anywhere.
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
    auto moves = [&] {
        return card.Calls("pmove").size() + card.Calls("fifo_inp_move2").size() + card.Calls("inp_move2").size();
    };
    for (int tick = 0; tick < 3000 && !ctx.run.gNcLines.empty(); ++tick) {
        card.Advance(30);
        card.ClearLog();
        const std::size_t messages = op.messages.size();
        Timer2_Timer(ctx);
        // The range refusal of the interpreter (its message names the line).
        const bool refused = op.messages.size() > messages &&
                             op.messages.back().text.find("超出机床的范围") != std::string::npos;
        if (refused && (moves() != 0 || ctx.run.gTestRunning == kTrue)) __builtin_trap();
        // No program word reaches the card's clamp: every count sent fits.
        for (const auto& c : card.Calls("pmove"))
            if (c.a[2] == 2147483647 || c.a[2] == -2147483647 - 1) __builtin_trap();
        if (ctx.run.gTestRunning != kTrue && !IsMachineBusy(ctx.run)) break;
    }
    return 0;
}
