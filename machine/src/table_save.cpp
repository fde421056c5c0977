#include "velbend/machine/table_save.h"

#include "velbend/machine/run_state.h"

namespace velbend {

void ReportMachineBusy(MachineContext& ctx) {
    ctx.op.MsgBox(ctx.Tr("设备正忙：请等设备停下或按停止后再操作！",
                         "The machine is busy: wait until it stands still, or stop it, then try again!"),
                  MsgButtons::Ok, MsgIcon::Warning, ctx.TitleTips());
}

bool AdmitsChange(MachineContext& ctx) {
    if (MayAct(ctx, CommandClass::ChangeProgram)) return true;
    ReportMachineBusy(ctx);
    return false;
}

namespace {

// Whether the machine's state admits the change, judged under the table in
// force: what a state waits for (a cutter stroke's sensor) is read from the
// table the machine runs on, never from the one about to be saved.
bool AdmittedUnder(MachineContext& ctx, const SysPara& inForce) {
    SysPara& table = ctx.params.gSysParaTable;
    const SysPara edited = table;
    table = inForce;
    const bool admitted = MayAct(ctx, CommandClass::ChangeProgram);
    table = edited;
    return admitted;
}

}  // namespace

bool SaveGroupTable(MachineContext& ctx, const SysPara& before, const TranParasFn& tranParas,
                    const std::function<void()>& putBack, const std::string& saved) {
    ParamStore& st = ctx.params;
    const bool admitted = AdmittedUnder(ctx, before);
    // The save's messages wait until the table is in the state they report.
    RecordingOperator held;
    const bool written = admitted && SaveSysPara(st, st.gSysGroup, 0, held, tranParas);
    if (!written) {
        // Refused or not written: the table goes back, and the geometry that
        // was handed the values goes back too, before the operator is told
        // (the machine loop runs on under the message, and a closing signal
        // saves the table).
        st.gSysParaTable = before;
        HandOnGeometry(st.gSysParaTable, tranParas);
        if (putBack) putBack();
        if (!admitted) ReportMachineBusy(ctx);
    } else if (!saved.empty()) {
        ctx.op.MsgBox(saved, MsgButtons::Ok, MsgIcon::None, "");
    }
    for (const RecordingOperator::Message& m : held.messages) ctx.op.MsgBox(m.text, m.buttons, m.icon, m.title);
    return written;
}

}  // namespace velbend
