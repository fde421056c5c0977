// Placement and captions of GY1_Form.
#include "velbend/forms/gy1.h"

namespace velbend {
namespace {

using K = GY1_Place::Kind;

// A label, its box and its unit on one row of a frame.
struct Row {
    const char* label;
    const char* box;
    const char* unit;      // unit label name, nullptr for none
    const char* unitText;
};

constexpr int kRowH = 300;   // box height
constexpr int kLabelH = 255;
constexpr int kButtonH = 345;

struct RowSize {
    int labelW, boxW, unitW = 450;
};

void AddRow(std::vector<GY1_Place>& v, const char* frame, const Row& r, int top, int labelLeft, RowSize size,
            bool visible = true, const char* boxText = "", bool enabled = true) {
    const int boxLeft = labelLeft + size.labelW + 30;
    v.push_back({K::Label, r.label, frame, labelLeft, top + 45, size.labelW, kLabelH, "", visible});
    v.push_back({K::Text, r.box, frame, boxLeft, top, size.boxW, kRowH, boxText, visible, enabled});
    if (r.unit)
        v.push_back({K::Label, r.unit, frame, boxLeft + size.boxW + 45, top + 45, size.unitW, kLabelH, r.unitText,
                     visible});
}

const Caption kCaptions[] = {
    {"Form", "工艺参数设置", "Technological Parameter Setup"},
    {"Frame1", "长度参数", "Length Parameter"},
    {"Frame2", "弯弧参数", "Bending Parameter"},
    {"Frame3", "开槽参数", "Slotting Parameter"},
    {"Frame4", "开槽参数", "Slotting Parameter"},
    {"Label1(0)", "送料轴脉冲当量：", "Axis Pulse Equivalent："},
    {"Label1(1)", "编码器脉冲当量：", "Encoder Pulse Equivalent："},
    {"Label1(2)", "结束送料长度：", "End Feeding："},
    {"Label1(3)", "正向弯弧力度：", "Positive Arc Power："},
    {"Label1(4)", "反向弯弧力度：", "Negative Arc Power："},
    {"Label1(5)", "循环次数：", "Times："},
    {"Label1(6)", "负弧补偿系数：", "N-Arc Compensate："},
    {"Label1(7)", "正弧补偿系数：", "P-Arc Compensate："},
    {"Label1(8)", "下刀行程：正切                 背切", "Down Distance：                back"},
    {"Label1(9)", "接料暂停时间：", "Connecting Pause："},
    {"Label1(10)", "第一刀行程：", "First Distance："},
    {"Label1(11)", "第二刀行程：", "Second  Distance："},
    {"Label1(12)", "第三刀行程：", "Third Distance："},
    {"Label1(13)", "切断行程：", "Cut Off Distance："},
    {"Label1(14)", "下刀行程：                         mm", "Down Distance：                    mm"},
    {"Label1(15)", "回零退刀：", "Back to Zero："},
    {"Label1(16)", "上下刀对刀位置：", "Up-Down Position："},
    {"Label1(17)", "进刀对刀位置：", "Forward Position："},
    {"Label5", "夹角：", "Angle："},
    {"Label6(0)", "原当量：", "Old Pulse Equivalent："},
    {"Label6(1)", "新当量：", "New Pulse Equivalent："},
    {"Label6(2)", "指令距离：", "Instruct Length："},
    {"Label6(3)", "实际距离：", "Actual Length："},
    {"Label6(4)", "编码器计数：", "Encoder Count："},
    {"Check1", "进刀前找零", "SeekZero Before Forward"},
    {"Check2", "锁定", "Lock"},
    {"Check3", "锁定总切深", "Lock Total Depth"},
    {"Check4", "打开编码器", "Encoder Enabled"},
    {"Check5", "加工前回零", "Seek Before Work"},
    {"Command1(0)", "校准", "Adjust"},
    {"Command1(1)", "校准", "Adjust"},
    {"Command1(2)", "开槽", "Slotting"},
    {"Command1(3)", "对刀", "Set Tool"},
    {"Command1(4)", "压紧", "Pressing"},
    {"Command2(0)", "保存", "Save"},
    {"Command2(1)", "返回", "Return"},
    {"Command2(2)", "停止", "Stop"},
    {"Command3(0)", "正面开槽", "Front Slotting"},
    {"Command3(1)", "背面开槽", "Back Slotting"},
    {"Command4(0)", "对刀", "Set Tool"},
    {"Command4(1)", "原位", "Zero"},
    {"Command4(2)", "关闭", "Close"},
    {"Command4(3)", "退回", "Back"},
    {"Command7(0)", "切刀划线", "Slotting"},
    {"Command7(1)", "夹具夹紧", "Pressing"},
    {"Command7(2)", "计算新当量", "Calculate"},
    {"Command7(3)", "重置原当量", "Reset"},
    {"Command7(4)", "移动", "Move"},
    {"Command7(5)", "关闭", "Close"},
    {"Command7(6)", "送料", "Feeding"},
    {"Command7(7)", "退料", "Return Material"},
    {"Command7(8)", "清零", "Clear"},
    {"Text8", " 进刀轴对刀", " Set Tool"},
};

}  // namespace

std::span<const Caption> GY1_Captions() { return kCaptions; }

std::pair<int, int> GY1_ClientSize(bool secondBuild) {
    return secondBuild ? std::pair{9240, 4560} : std::pair{8565, 4200};
}

std::vector<GY1_Place> GY1_Layout(bool secondBuild) {
    std::vector<GY1_Place> v;
    v.reserve(120);

    // Length parameters.
    v.push_back({K::Frame, "Frame1", "", 90, 90, 4995, 1935, ""});
    {
        const Row rows[] = {{"Label1(0)", "Text1(0)", "Label0(0)", "pulse/mm"},
                            {"Label1(1)", "Text1(1)", "Label0(1)", "pulse/mm"},
                            {"Label1(2)", "Text1(2)", "Label0(2)", "mm"},
                            {"Label1(9)", "Text1(9)", "Label0(3)", "s"}};
        for (int i = 0; i < 4; ++i) AddRow(v, "Frame1", rows[i], 330 + i * 390, 120, {2460, 630, 900});
        v.push_back({K::Button, "Command1(0)", "Frame1", 4215, 307, 690, kButtonH, ""});
        v.push_back({K::Button, "Command1(1)", "Frame1", 4215, 697, 690, kButtonH, ""});
    }

    // Bending parameters; the arc compensations are carried, never shown.
    v.push_back({K::Frame, "Frame2", "", 5100, 90, 3375, 1935, ""});
    AddRow(v, "Frame2", {"Label1(3)", "Text1(3)", "Label0(4)", "deg"}, 330, 120, {1980, 780, 390});
    AddRow(v, "Frame2", {"Label1(4)", "Text1(4)", "Label0(5)", "deg"}, 720, 120, {1980, 780, 390});
    AddRow(v, "Frame2", {"Label1(7)", "Text1(8)", nullptr, nullptr}, 1110, 120, {1980, 780}, false);
    AddRow(v, "Frame2", {"Label1(6)", "Text1(7)", nullptr, nullptr}, 1500, 120, {1980, 780}, false);

    // Slotting parameters of a swinging cutter.
    v.push_back({K::Frame, "Frame4", "", 90, 2070, 6825, 2025, ""});
    // The two boxes sit in the caption's blanks and after its end (the view
    // places them by the caption's width in its font).
    v.push_back({K::Label, "Label1(8)", "Frame4", 120, 375, 4200, kLabelH, ""});
    v.push_back({K::Text, "Text1(5)", "Frame4", 1455, 330, 780, kRowH, ""});
    v.push_back({K::Text, "Text1(6)", "Frame4", 2820, 330, 780, kRowH, ""});
    v.push_back({K::Label, "Label0(6)", "Frame4", 3660, 375, 450, kLabelH, "mm"});
    // The included angle of the slotting tests starts at 90 degrees.
    AddRow(v, "Frame4", {"Label5", "Text6(5)", "Label0(7)", "deg"}, 780, 120, {1290, 780}, true, "90");
    v.push_back({K::Button, "Command3(0)", "Frame4", 120, 1350, 1800, 420, ""});
    v.push_back({K::Button, "Command3(1)", "Frame4", 2100, 1350, 1800, 420, ""});

    // Slotting parameters of a cutter with a forward motor (same place).
    v.push_back({K::Frame, "Frame3", "", 90, 2070, 6825, 2025, ""});
    // Text1(10) sits in the blanks of its caption (placed by the view).
    v.push_back({K::Label, "Label1(14)", "Frame3", 120, 315, 3150, kLabelH, ""});
    v.push_back({K::Text, "Text1(10)", "Frame3", 1290, 270, 720, kRowH, ""});
    v.push_back({K::Check, "Check3", "Frame3", 3330, 285, 2100, kLabelH, ""});
    {
        const Row left[] = {{"Label1(10)", "Text5(0)", "Label0(8)", "mm"},
                            {"Label1(11)", "Text5(1)", "Label0(9)", "mm"},
                            {"Label1(12)", "Text5(2)", "Label0(10)", "mm"}};
        for (int i = 0; i < 3; ++i) AddRow(v, "Frame3", left[i], 600 + i * 330, 120, {1800, 660, 375});
        const Row right[] = {{"Label1(13)", "Text5(3)", "Label0(11)", "mm"},
                             {"Label1(5)", "Text5(5)", nullptr, nullptr},
                             {"Label1(15)", "Text5(4)", nullptr, nullptr}};
        // The zero compensation of the forward axis is shown, never edited.
        for (int i = 0; i < 3; ++i)
            AddRow(v, "Frame3", right[i], 600 + i * 330, 3150, {1800, 660, 375}, true, "", i != 2);
    }
    v.push_back({K::Button, "Command1(2)", "Frame3", 120, 1620, 1050, 330, ""});
    v.push_back({K::Button, "Command1(3)", "Frame3", 1230, 1620, 1050, 330, ""});
    v.push_back({K::Button, "Command1(4)", "Frame3", 2340, 1620, 1050, 330, ""});
    v.push_back({K::Check, "Check1", "Frame3", 3510, 1657, 3240, kLabelH, ""});

    // Save, Return, Stop; in the second build the two options take Stop's
    // place beside the frames and Stop goes below Return.
    v.push_back({K::Button, "Command2(0)", "", 7290, 3030, 1020, kButtonH, ""});
    v.push_back({K::Button, "Command2(1)", "", 7290, 3570, 1020, kButtonH, ""});
    v.push_back({K::Button, "Command2(2)", "", 7290, secondBuild ? 4110 : 2250, 1020, kButtonH, ""});
    if (secondBuild) {
        v.push_back({K::Check, "Check4", "", 7140, 2160, 1995, 255, "编码器打开"});
        v.push_back({K::Check, "Check5", "", 7140, 2580, 1995, 255, "加工前回零"});
    }

    // Calibration panel, over the length and bending frames; it ends left
    // of Save, Return, Stop and the second build's options, which stay
    // within reach while its move or jog runs.
    v.push_back({K::Frame, "Frame6", "", 2280, 90, 4800, 3765, "", false});
    v.push_back({K::Text, "Text7", "Frame6", 120, 240, 4560, 315, kFeedPanelTitleZh, true, true, true});
    {
        // Old, new (locked), instructed, actual, encoder count (locked).
        const char* labels[] = {"Label6(0)", "Label6(1)", "Label6(2)", "Label6(3)", "Label6(4)"};
        const char* boxes[] = {"Text6(0)", "Text6(1)", "Text6(2)", "Text6(3)", "Text6(4)"};
        for (int i = 0; i < 5; ++i) {
            v.push_back({K::Label, labels[i], "Frame6", 120, 735 + i * 345, 2250, kLabelH, ""});
            v.push_back({K::Text, boxes[i], "Frame6", 2400, 690 + i * 345, 1395, kRowH, "", true, true,
                         i == 1 || i == 4});
        }
    }
    v.push_back({K::Check, "Check2", "Frame6", 3855, 2115, 840, kLabelH, ""});
    {
        // Moves, the calculation, the cutter and the pressing.
        const char* grid[3][3] = {{"Command7(4)", "Command7(6)", "Command7(7)"},
                                  {"Command7(2)", "Command7(3)", "Command7(8)"},
                                  {"Command7(0)", "Command7(1)", "Command7(5)"}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                const std::string_view name = grid[r][c];
                const bool hold = name == "Command7(6)" || name == "Command7(7)";
                v.push_back({hold ? K::HoldButton : K::Button, grid[r][c], "Frame6", 120 + c * 1545, 2490 + r * 405,
                             1530, kButtonH, ""});
            }
    }

    // Tool-setting panel.
    v.push_back({K::Frame, "Frame5", "", 2280, 900, 4800, 1860, "", false});
    v.push_back({K::Text, "Text8", "Frame5", 120, 240, 4560, 315, "", true, true, true});
    AddRow(v, "Frame5", {"Label1(16)", "Text2(0)", "Label0(12)", "mm"}, 690, 120, {2160, 1020}, true, "20");
    AddRow(v, "Frame5", {"Label1(17)", "Text2(1)", "Label0(13)", "mm"}, 1050, 120, {2160, 1020}, true, "1");
    const char* tool[] = {"Command4(0)", "Command4(1)", "Command4(2)", "Command4(3)"};
    for (int i = 0; i < 4; ++i) v.push_back({K::Button, tool[i], "Frame5", 120 + i * 1155, 1410, 1065, kButtonH, ""});
    return v;
}

}  // namespace velbend
