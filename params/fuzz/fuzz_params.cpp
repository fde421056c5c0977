// libFuzzer target: the readers of the parameter files (SYS_<g>.ini,
// wanfubiaoP/N_<g>.ini, pfjj_<g>.ini, ParaGroup.ini) on arbitrary bytes.
// Whatever they read must write back and read again without trouble.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "velbend/common/textfile.h"
#include "velbend/params/curvature.h"
#include "velbend/params/groups.h"
#include "velbend/params/pfjj.h"
#include "velbend/params/sysfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    velbend::ParamStore st;

    velbend::ParseSysPara(bytes, st.gSysParaTable);
    std::string sys = velbend::SysParaBytes(st.gSysParaTable);
    velbend::SysPara again = st.gSysParaTable;
    velbend::ParseSysPara(sys, again);

    velbend::ParseWanFu(bytes, st.mWanFuP, st.gWanFuPLast);
    if (st.gWanFuPLast < 0 || st.gWanFuPLast > 200) __builtin_trap();
    std::string wf = velbend::WanFuBytes(st.mWanFuP, st.gWanFuPLast);
    velbend::ParseWanFu(wf, st.mWanFuN, st.gWanFuNLast);
    if (st.gWanFuNLast != st.gWanFuPLast) __builtin_trap();

    st.gPfjjLast = velbend::ParsePfjj(bytes, st.gPfjjTable);
    if (st.gPfjjLast < 0 || st.gPfjjLast > 11) __builtin_trap();
    velbend::PfjjBytes(st.gPfjjTable, st.gPfjjLast);

    velbend::ParseParaGroup(bytes, st);
    if (st.gSysGroup < 0 || st.gSysGroup > 9 || st.gWanFuGroup < 0 || st.gWanFuGroup > 9) __builtin_trap();
    std::string pg = velbend::ParaGroupBytes(st);
    velbend::ParamStore st2;
    velbend::ParseParaGroup(pg, st2);
    if (st2.gSysGroup != st.gSysGroup || st2.gWanFuGroup != st.gWanFuGroup) __builtin_trap();
    // The sequential item reader the other files of the program use.
    velbend::ItemReader items{std::string(bytes)};
    for (int i = 0; i < 4096 && !items.AtEnd(); ++i) {
        if (i % 2) items.NextNumber();
        else items.NextItem();
    }
    return 0;
}
