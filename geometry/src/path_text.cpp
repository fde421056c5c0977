// Record text of the control-path files.
#include "path_text.h"

namespace velbend::pathtext {

void AppendRecord(std::string& out, double x, double y, int type, double a, double b, double c) {
    AppendFixed(out, x, 6);
    out.push_back(' ');
    AppendFixed(out, y, 6);
    out.push_back(' ');
    out.push_back(static_cast<char>('0' + type));
    out.push_back(' ');
    AppendFixed(out, a, 8);
    out.push_back(' ');
    AppendFixed(out, b, 8);
    out.push_back(' ');
    AppendFixed(out, c, 8);
    out.append("\r\n");
}

}  // namespace velbend::pathtext
