// Program: the state of one running control program, owned by the
// application (or by a test) and passed by reference to every window model
// and view.  The parameter store comes first: the machine context refers
// to it.
//
//   params   system parameters, curvature and spacing tables, groups,
//            gLanguage, gUserLevel
//   ctx      the machine side: operator seam, card binding, run state,
//            the main window's panel (MainPanel), writer state, hooks
//   tranParas  the geometry hand-off of a parameter save
//   memory   what a dialog keeps between two of its openings (a dialog is
//            created fresh at each opening)
#pragma once
#include <cstdint>

#include "velbend/common/operator.h"
#include "velbend/machine/program.h"
#include "velbend/params/store.h"
#include "velbend/params/sysfile.h"

namespace velbend {

// Values that outlive a dialog.  Each window area adds its own members,
// named as the window's documentation names them.
struct DialogMemory {
    // GY1_Form: added to the feed encoder count for its count display; set
    // by its Clear button, 0 until then (64-bit: the negated count fits).
    int64_t mEncoderOffset = 0;
};

struct Program {
    explicit Program(Operator& op) : ctx(params, op) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    ParamStore params;
    MachineContext ctx;
    DialogMemory memory;
    // The geometry hand-off of every SaveSysPara (CoreAlgorithm.TranParas);
    // the main window installs it, empty until then.
    TranParasFn tranParas;

    Operator& op() { return ctx.op; }
    int16_t language() const { return params.gLanguage; }
    const char* Tr(const char* zh, const char* en) const { return params.gLanguage == 0 ? zh : en; }
};

}  // namespace velbend
