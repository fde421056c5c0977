// A fresh program folder for one test: a temporary directory that
// VELBEND_HOME points at while the object lives (with SysPara/ inside).
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>

namespace velbend::testing {

class TempHome {
public:
    TempHome() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "velbend-XXXXXX").string();
        char* d = ::mkdtemp(tmpl.data());
        path_ = d ? std::filesystem::path(d) : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(path_ / "SysPara");
        if (const char* old = std::getenv("VELBEND_HOME")) old_ = old;
        ::setenv("VELBEND_HOME", path_.c_str(), 1);
    }
    ~TempHome() {
        if (old_) ::setenv("VELBEND_HOME", old_->c_str(), 1); else ::unsetenv("VELBEND_HOME");
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Whole file as bytes ("" when missing).
    std::string Read(const std::string& name) const {
        std::ifstream f(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories((path_ / name).parent_path());
        std::ofstream f(path_ / name, std::ios::binary | std::ios::trunc);
        f << bytes;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

private:
    std::filesystem::path path_;
    std::optional<std::string> old_;
};

// Path of a file in the calling test's data folder: VELBEND_TEST_DATA when
// set (CTest sets it), else the folder compiled into the test.
inline std::filesystem::path TestData(const std::string& name) {
    const char* d = std::getenv("VELBEND_TEST_DATA");
#ifdef VELBEND_TEST_DATA_DIR
    if (!d || !*d) d = VELBEND_TEST_DATA_DIR;
#endif
    return std::filesystem::path(d && *d ? d : "data") / name;
}

}  // namespace velbend::testing
