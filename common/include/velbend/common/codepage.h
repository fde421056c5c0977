// GBK (code page 936) <-> UTF-8.  Files are read and written in GBK; the
// program's own strings and everything shown are UTF-8.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace velbend {

// Invalid or truncated GBK sequences become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);
// A character that GBK cannot hold is written as '?'; invalid UTF-8 as '?'.
std::string Utf8ToGbk(std::string_view utf8);

// Text that must be taken exactly or not at all (a password, a name written
// back): the UTF-8 form of GBK bytes, nullopt when any of them is no GBK.
std::optional<std::string> GbkToUtf8Exact(std::string_view gbk);
// True when GBK holds every character of the UTF-8 text (nothing would be
// written as '?').
bool GbkHolds(std::string_view utf8);

}  // namespace velbend
