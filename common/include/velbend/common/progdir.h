// The program folder: SysPara/, ParaGroup.ini, the work files and G5.dat.
#pragma once
#include <filesystem>
#include <string_view>

namespace velbend {

// $VELBEND_HOME when set and non-empty, else the executable's folder.
std::filesystem::path ProgramFolder();
// ProgramFolder() / name  (name uses '/', e.g. "SysPara/SYS_0.ini").
std::filesystem::path ProgramFile(std::string_view name);

}  // namespace velbend
