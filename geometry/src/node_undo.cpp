// Taking back the last node added in add-node mode.
#include <algorithm>
#include <cmath>
#include <optional>

#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"
#include "velbend/geometry/picking.h"

namespace velbend {

std::string RemoveAddedNodeText(std::string_view in, const AddedNode& n) {
    std::string out;
    out.reserve(in.size());
    for (std::string_view line : SplitLines(in)) {
        const bool node = line.size() >= 4 && line.substr(line.size() - 4) == "Node";
        if (node) {
            BlankFields<2> f(line);
            if (std::fabs(Val(f[0]) - n.X) <= 0.001 && std::fabs(Val(f[1]) - n.Y) <= 0.001) {
                if (!n.Marked) continue;  // the node's own line goes
                line.remove_suffix(4);
                while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
            }
        }
        out.append(line);
        out.append("\r\n");
    }
    return out;
}

bool UndoAddedNode(PickState& pick, Operator& op, int16_t language) {
    if (pick.mAddedNodeCount <= 0) return false;
    auto tell = [&](const std::string& zh, const std::string& en) {
        op.MsgBox(Tr(language, zh.c_str(), en.c_str()), MsgButtons::Ok, MsgIcon::Critical,
                  Tr(language, "错误", "Wrong"));
    };
    std::optional<std::string> in = ReadFileBytes(ProgramFile("PointForDisplay.dat"));
    if (!in) {
        tell("无法读取 PointForDisplay.dat", "Cannot read PointForDisplay.dat");
        return false;
    }
    std::string err;
    if (!WriteFileAtomic(ProgramFile("Temp.dat"), *in, &err)) {
        tell("无法写入 Temp.dat: " + err, "Cannot write Temp.dat: " + err);
        return false;
    }
    const int16_t last = static_cast<int16_t>(std::min<int>(pick.mAddedNodeCount, kMaxAddedNodes) - 1);
    if (!WriteFileAtomic(ProgramFile("PointForDisplay.dat"), RemoveAddedNodeText(*in, pick.mAddedNodes[last]),
                         &err)) {
        tell("无法写入 PointForDisplay.dat: " + err, "Cannot write PointForDisplay.dat: " + err);
        return false;
    }
    pick.mAddedNodeCount = last;
    return true;
}

}  // namespace velbend
