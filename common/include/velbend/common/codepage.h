// GBK (code page 936) <-> UTF-8.  Files are read and written in GBK; the
// program's own strings and everything shown are UTF-8.
#pragma once
#include <string>
#include <string_view>

namespace velbend {

// Invalid or truncated GBK sequences become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);
// A character that GBK cannot hold is written as '?'; invalid UTF-8 as '?'.
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace velbend
