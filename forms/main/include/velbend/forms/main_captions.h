// Captions of the main window, both languages, as data.
//
// The tables hold every control, frame, label, menu entry and tab that the
// language routine XianShiCE writes, in the order it writes them.  Tab
// names are "TabStrip1.Tab(1)" and so on.  Entries marked `firstBuildOnly`
// belong to the machine-state panel and TabStrip2, which the second build
// does not have.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "velbend/forms/dialog_common.h"

namespace velbend {

struct MainCaption {
    Caption caption;
    bool firstBuildOnly = false;
};

// Every caption XianShiCE writes, in its order (tables 1 to 4).
std::span<const MainCaption> MainCaptions();

// Captions that no language changes (language menu, single step, ...).
std::span<const Caption> FixedMainCaptions();

// Version suffix and built-in titles.
const char* TitleSuffix(bool secondBuild);          // " Korvo-V2.2.0" / " Korvo-V2.2.1"
std::string BuiltInTitle(bool secondBuild, int16_t language);
// The window title: the title text and the suffix, else the built-in title.
std::string MainTitle(const std::string& titleText, bool secondBuild, int16_t language);

// Tab names of the tab strips (index 1 or 2).
std::string TabName(int strip, int tab);

}  // namespace velbend
