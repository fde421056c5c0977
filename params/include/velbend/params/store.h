// The parameter store: program-wide parameter state of one running program.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "velbend/params/syspara.h"

namespace velbend {

struct ParamStore {
    SysPara gSysParaTable;                       // table of the current system group

    std::array<WanFuRow, 201> mWanFuP{};         // positive curvature table, decreasing Key
    std::array<WanFuRow, 201> mWanFuN{};         // negative curvature table
    int16_t gWanFuPLast = 0;                     // index of the last row in use, 0..200
    int16_t gWanFuNLast = 0;

    std::array<PfjjRow, 11> gPfjjTable{};        // pat-arc spacing rows, increasing radius
    int16_t gPfjjLast = 0;                       // rows in use; row gPfjjLast-1 is "Others"

    int16_t gSysGroup = 0;                       // 0..9
    int16_t gWanFuGroup = 0;                     // 0..9
    std::array<std::string, 10> gSysGroupNames;  // UTF-8 (converted from GBK on reading)
    std::array<std::string, 10> gWanFuGroupNames;

    int16_t gLanguage = 0;                       // 0 Chinese, otherwise English
    int16_t gUserLevel = 0;                      // 0 user, 1 machine maker, 2 system maker

    // Files start-up found damaged (relative names) and the names their
    // damaged bytes are kept under before the first rewrite.
    std::map<std::string, std::string> damagedFiles;
};

}  // namespace velbend
