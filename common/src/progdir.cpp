// The program folder.
#include "velbend/common/progdir.h"

#include <cstdlib>
#include <system_error>

namespace velbend {

std::filesystem::path ProgramFolder() {
    if (const char* home = std::getenv("VELBEND_HOME"); home && *home)
        return std::filesystem::path(home);
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path();
    return std::filesystem::current_path(ec);
}

std::filesystem::path ProgramFile(std::string_view name) {
    return ProgramFolder() / std::filesystem::path(name);
}

}  // namespace velbend
