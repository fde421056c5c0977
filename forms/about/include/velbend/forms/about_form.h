// The about box (AboutMe_Form): four lines about the maker of the machine
// from cinf.ini in the program folder, in the current language.  The file
// is data: lines 1 to 4 are the Chinese lines, 5 to 8 the English ones,
// each taken whole (commas and quotes included).
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "velbend/forms/dialog_common.h"

namespace velbend {

using AboutInfo = std::array<std::string, 8>;   // UTF-8

// The first eight lines of the file's bytes (GBK); lines the file does not
// have are empty, lines after the eighth are ignored.
AboutInfo ParseAboutInfo(std::string_view bytes);
// cinf.ini of the program folder (a missing file: eight empty lines).
AboutInfo ReadAboutInfo();
// The texts of Label1 to Label4: lines 1-4 when language is 0, else 5-8.
std::array<std::string, 4> AboutLabels(const AboutInfo& info, int16_t language);

// The window title and the closing line Label5.
std::span<const Caption> AboutCaptions();

// Placement in twips of Label1..Label5 (index 0..4) and the client size.
struct AboutRect {
    int left = 0, top = 0, width = 0, height = 0;
};
struct AboutLayout {
    int width = 0, height = 0;
    std::array<AboutRect, 5> labels;
};
AboutLayout AboutLayoutOf();

}  // namespace velbend
