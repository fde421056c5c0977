#include "velbend/forms/about_form.h"

#include "velbend/common/codepage.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"

namespace velbend {

AboutInfo ParseAboutInfo(std::string_view bytes) {
    AboutInfo info;
    std::size_t n = 0;
    ForEachLine(bytes, [&](std::string_view line) {
        if (n < info.size()) info[n++] = GbkToUtf8(line);
    });
    return info;
}

AboutInfo ReadAboutInfo() {
    auto bytes = ReadFileBytes(ProgramFile("cinf.ini"));
    return ParseAboutInfo(bytes ? *bytes : std::string());
}

std::array<std::string, 4> AboutLabels(const AboutInfo& info, int16_t language) {
    const std::size_t first = language == 0 ? 0 : 4;
    return {info[first], info[first + 1], info[first + 2], info[first + 3]};
}

std::span<const Caption> AboutCaptions() {
    // The closing line is the maker's own; it is left empty here.
    static const Caption table[] = {
        {"Form", "关于我们", "About Us"},
        {"Label5", "", ""},
    };
    return table;
}

AboutLayout AboutLayoutOf() {
    AboutLayout l;
    // Room for a line that wraps once.
    l.width = 7800;
    l.height = 3120;
    for (int i = 0; i < 4; ++i) l.labels[static_cast<std::size_t>(i)] = {360, 300 + i * 540, 7080, 510};
    l.labels[4] = {360, 2520, 7080, 360};
    return l;
}

}  // namespace velbend
