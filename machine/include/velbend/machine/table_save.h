// The one save of the system-parameter table after a change: a dialog's
// Save and every correction that a calibration computes go through here.
#pragma once
#include <functional>
#include <string>

#include "velbend/machine/program.h"
#include "velbend/params/sysfile.h"

namespace velbend {

// "The machine is busy" in one message of the current language: the answer
// to a change that the machine's state does not admit now.
void ReportMachineBusy(MachineContext& ctx);
// True when the machine's state admits a change of what a program is made
// from (MayAct); else the operator is told so in one message, and false.
bool AdmitsChange(MachineContext& ctx);

// The table has been changed from `before`: SaveSysPara (gSysGroup, 0)
// writes the group's file, hands the geometry its values and tells the
// operator.  While the machine's state admits no change of a program
// (MayAct), nothing is written; when the file cannot be written, the file is
// kept as it was.  Either way the table goes back to `before` and the
// geometry is handed its values again, before the operator is told (the
// refusal's message or the failure's): nothing may run on, nor the
// shut-down save write, values that were not saved.  False then.  `putBack`,
// when given, puts back what the caller changed beside the table, at the
// same moment.  `saved`, when not empty, is told before the save's own
// message when the file was written.
bool SaveGroupTable(MachineContext& ctx, const SysPara& before, const TranParasFn& tranParas,
                    const std::function<void()>& putBack = nullptr, const std::string& saved = {});

}  // namespace velbend
