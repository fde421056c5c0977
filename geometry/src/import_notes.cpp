// The operator's message after an NC or PLT import: one sentence for each
// thing read otherwise than the file draws it, in the order of the table.
#include <string>
#include <vector>

#include "velbend/geometry/outline_import.h"

namespace velbend {

namespace {

// A thing a sentence counts ("G20", 1); a sentence that counts nothing has
// one without a name.
struct Counted {
    std::string name;
    long long count;
};
using Items = std::vector<Counted>;

// One sentence: said when items gives anything, with the counted items
// between its head and its tail ("G20 1个、G91 2个" / "G20 (1), G91 (2)").
struct Note {
    Items (*items)(const ImportNotes& notes, bool outlineShown);
    const char* zhUnit;  // the measure word after a count
    const char* zhHead;
    const char* zhTail;
    const char* enHead;
    const char* enTail;
};

Items When(bool said) { return said ? Items{{"", 1}} : Items{}; }
Items One(const char* name, long long n) { return n > 0 ? Items{{name, n}} : Items{}; }
Items PassedOver(const ImportNotes& n) {
    Items items;
    for (const ImportNotes::Command& k : n.PassedOver) items.push_back({k.Name, k.Count});
    return items;
}
bool Relative(const ImportNotes& n) {
    for (const ImportNotes::Command& k : n.PassedOver)
        if (k.Name == "PR") return true;
    return false;
}

const Note kNotes[] = {
    {[](const ImportNotes&, bool shown) { return When(!shown); }, "", "文件中没有可显示的轮廓。", "",
     "The file holds no outline to show.", ""},
    {[](const ImportNotes& n, bool) { return When(n.NoZWord); }, "",
     "NC程序中没有Z字，而轮廓按其所在平面的Z坐标选取：只显示加工平面内的移动，因此没有Z字的程序（如激光或绘图仪程序）"
     "不显示轮廓；请让CAM程序输出加工平面的Z坐标。",
     "",
     "The NC program holds no Z word, but its contours are chosen by the Z of their plane: only the moves in the "
     "machining plane are shown, so a program without Z words (such as one for a laser or a plotter) shows no "
     "outline; let the CAM program write the Z of the machining plane.",
     ""},
    {[](const ImportNotes& n, bool) { return One("G20", n.InchWords); }, "个", "NC程序中有按毫米读取的英寸单位设定：",
     "。轮廓因此只显示为原尺寸的1/25.4；请让CAM程序以毫米（G21）输出。",
     "The NC program holds inch settings that are read as millimetres: ",
     ". The outline therefore shows at 1/25.4 of its size; let the CAM program write millimetres (G21)."},
    {[](const ImportNotes& n, bool) { return One("G91", n.IncrementalWords); }, "个",
     "NC程序中有坐标按绝对值读取的增量设定：", "。其后的移动因此显示在别处或变形；请让CAM程序以绝对坐标（G90）输出。",
     "The NC program holds incremental settings whose coordinates are read as absolute ones: ",
     ". The moves after them therefore show out of place or out of shape; let the CAM program write absolute "
     "coordinates (G90)."},
    {[](const ImportNotes& n, bool) { return One("#", n.ParameterWords); }, "个", "NC程序中有未读取其值的参数字：",
     "。以参数为值的字（如Z#<depth>）按0读取，输入的加工平面因此只找到按Z0读取的移动，"
     "而不是程序所指平面内的移动；请让CAM程序以数值输出坐标。",
     "The NC program holds parameter words whose values are not read: ",
     ". A word whose value is a parameter (such as Z#<depth>) is read as 0, so the machining plane typed at the "
     "prompt finds the moves read at Z 0, not those in the plane the program means; let the CAM program write "
     "coordinates as numbers."},
    {[](const ImportNotes& n, bool) { return One("G02/G03", n.ArcMoves); }, "段",
     "NC程序中加工平面内有按直线移动到终点读取的圆弧插补：",
     "。圆弧因此显示为直线，整圆显示为多边形或一个点；请让CAM程序将圆弧输出为直线段。",
     "The NC program holds arc moves in the machining plane that are read as straight moves to their end points: ",
     ". Arcs therefore show as straight lines, and circles as polygons or single points; let the CAM program write "
     "arcs as straight moves."},
    {[](const ImportNotes& n, bool) {
         Items items = One("G18", n.ArcMovesZX);
         for (Counted& c : One("G19", n.ArcMovesYZ)) items.push_back(c);
         return items;
     },
     "段", "NC程序中有ZX平面（G18）或YZ平面（G19）内、终点在加工平面内的圆弧插补：",
     "。每段按直线移动到终点读取：刀具沿圆弧离开加工平面之处，轮廓显示为直线；请让CAM程序在XY平面（G17）内输出轮廓的圆弧。",
     "The NC program holds arc moves in the ZX plane (G18) or the YZ plane (G19) that end in the machining plane: ",
     ". Each is read as a straight move to its end point: the outline shows a straight line where the tool leaves "
     "the machining plane along an arc; let the CAM program write the outline's arcs in the XY plane (G17)."},
    {[](const ImportNotes& n, bool shown) { return shown ? PassedOver(n) : Items{}; }, "个",
     "PLT文件中有未读取的绘图命令：", "。只读取PU和PD，图形的这些部分不在轮廓中；请用PU和PD命令输出轮廓。",
     "The PLT file holds plotter commands that are not read: ",
     ". Only PU and PD are read, so these parts of the drawing are missing from the outline; write the outline "
     "with PU and PD commands."},
    {[](const ImportNotes& n, bool shown) { return shown ? Items{} : PassedOver(n); }, "个",
     "文件中有未读取的绘图命令：", "。只读取PU和PD；请用PU和PD命令输出轮廓。",
     "It holds plotter commands that are not read: ", ". Only PU and PD are read; write the outline with PU and PD "
     "commands."},
    {[](const ImportNotes& n, bool) { return When(Relative(n)); }, "",
     "PR之后（直到下一个PA）PU和PD的坐标是相对坐标，却按绝对坐标读取，其笔画因此显示在别处；请用绝对坐标输出轮廓。", "",
     "After PR the coordinates of PU and PD (up to the next PA) are relative ones, but they are read as absolute "
     "ones, so their strokes show out of place; write the outline in absolute coordinates.",
     ""},
    {[](const ImportNotes& n, bool) { return When(n.NoDrawingCommands && !n.OtherPlotterLanguage); }, "",
     "PLT文件中没有HP-GL绘图命令，而只读取PU和PD命令；请用PU和PD命令输出轮廓。", "",
     "The PLT file holds no HP-GL drawing commands, and only its PU and PD commands are read; write the outline "
     "with PU and PD commands.",
     ""},
    {[](const ImportNotes& n, bool) { return When(n.OtherPlotterLanguage); }, "",
     "PLT文件中没有HP-GL绘图命令：它是用HP-GL以外的语言（如切割机厂家自己的绘图仪语言）写成的，其命令不被读取。"
     "只读取HP-GL的PU和PD；请以HP-GL的PU和PD命令输出轮廓。",
     "",
     "The PLT file holds no HP-GL drawing commands: it is written in another language than HP-GL (such as a "
     "cutter maker's own plotter language), whose commands are not read. Only HP-GL's PU and PD are read; write "
     "the outline in HP-GL with PU and PD commands.",
     ""},
    {[](const ImportNotes& n, bool) { return One("SC", n.ScalesNotApplied); }, "个", "PLT文件中有未应用的缩放设定：",
     "。其后的坐标按绘图仪单位（0.025 mm）而不是用户单位读取，轮廓因此显示为另一尺寸并显示在别处；"
     "只有IP给出两个角点（四个数）且SC不是等比例缩放时才应用缩放；请以绘图仪单位输出轮廓，或使用这样的IP和SC。",
     "The PLT file holds scaling that is not applied: ",
     ". The coordinates after it are read as plotter units (0.025 mm) instead of user units, so the outline shows "
     "at another size and out of place; scaling is applied only where IP gives both corners (four numbers) and SC "
     "is not isotropic; write the outline in plotter units, or with such IP and SC."},
    {[](const ImportNotes& n, bool) { return One("PU/PD", n.UnreadCoordinates); }, "个",
     "PLT文件中有坐标不能全部读取的PU和PD命令：",
     "。不是数字的坐标按其开头的数字读取（开头没有数字时按0读取），缺少Y的最后一个X被略去，"
     "这些命令的点因此显示在别处或缺失；请以成对的数字输出坐标。",
     "The PLT file holds PU and PD commands whose coordinates cannot all be read: ",
     ". A coordinate that is no number is read as the number it starts with, or as 0 when it starts with none, "
     "and a last X without its Y is left out, so points of these commands show out of place or are missing; write "
     "the coordinates as pairs of numbers."},
    {[](const ImportNotes& n, bool) { return One("PD", n.StrokesFromOrigin); }, "个",
     "PLT文件中有在PU0,0之后从原点画起的笔画：",
     "。PU0,0按笔停放读取，这些笔画因此从其第一个PD点开始，原点不在轮廓中；请将图形移离原点。",
     "The PLT file holds strokes drawn from the origin after PU0,0: ",
     ". PU0,0 is read as the pen parked, so these strokes start at their first PD point instead and the origin is "
     "missing from the outline; move the drawing away from the origin."},
};

}  // namespace

std::string ImportNotesText(const ImportNotes& notes, bool outlineShown, int16_t language) {
    const bool zh = language == 0;
    std::string s;
    for (const Note& note : kNotes) {
        const Items items = note.items(notes, outlineShown);
        if (items.empty()) continue;
        // Sentences follow each other, in English after a blank.
        if (!zh && !s.empty()) s += ' ';
        s += zh ? note.zhHead : note.enHead;
        for (size_t i = 0; i < items.size(); ++i) {
            const Counted& c = items[i];
            if (c.name.empty()) continue;
            if (i > 0) s += zh ? "、" : ", ";
            const std::string n = std::to_string(c.count);
            s += zh ? c.name + " " + n + note.zhUnit : c.name + " (" + n + ")";
        }
        s += zh ? note.zhTail : note.enTail;
    }
    return s;
}

}  // namespace velbend
