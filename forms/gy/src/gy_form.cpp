#include "velbend/forms/gy_form.h"

#include <variant>
#include <vector>

namespace velbend {

const std::array<GyBox, kGyBoxes>& GyBoxes() {
    static const std::array<GyBox, kGyBoxes> boxes = {{
        {1, "切角转弯弧转角阀值：", "Slotting to Bend Threshold：", "deg"},
        {2, "开槽转角阀值：", "Slotting Threshold：", "deg"},
        {3, "拍打弯弧半径阀值：", "Pat Bend R Threshold：", "mm"},
        {4, "弯弧转开槽半径阀值：", "Bend to Slotting R Threshold：", "mm"},
        {5, "正向拍打弯弧力度系数：", "Positive Pat Bend Strength Coefficient：", ""},
        {6, "正向连续弯弧力度系数：", "Positive Continuous Bend Strength Coefficient：", ""},
        {9, "自动运行加速度：", "Automatic Machining Acceleration：", ""},
        {10, "起始段长度补偿：", "Initial Segment Length Compensation：", "mm"},
        {11, "结束段长度补偿：", "End Segment Length Compensation：", "mm"},
        {12, "雕刻机铣刀半径：", "Engraving Machine Cutter Radius：", "mm"},
        {13, "铣刀半径补偿系数：", "Coefficient of Cutter Compensation：", ""},
        {17, "两节点间密化点数：", "两节点间密化点数：", ""},
        {16, "拼接角阀值：", "拼接角阀值：", "deg"},
        {15, "直线离散间隔：", "直线离散间隔：", "mm"},
        {14, "控制点离散弦高误差：", "控制点离散弦高误差：", "mm"},
        {8, "负向连续弯弧力度系数：", "Negative Continuous Bend Strength Coefficient：", ""},
        {7, "负向拍打弯弧力度系数：", "Negative Pat Bend Strength Coefficient：", ""},
        {79, "是否装有X轴编码器：", "Have X Encoder：", ""},
        {80, "X轴编码器修正精度：", "X Encoder Correction Precision：", "mm"},
        {81, "是否保存轮廓偏移：", "Save Contour Offset：", ""},
        {82, "起止点开槽摆角是否取反：", "Take Back Swing Anlge at start/stop Point：", ""},
        {83, "是否装有送料零位开关：", "Have Zero Swich of Feeding：", ""},
        {84, "线段拼弧夹角阀值：", "Threshold of Angle for Splicing Arc：", ""},
        {78, "接料暂停时间：", "Pause Time Between Two section：", "S"},
        {85, "拍弧时是否编码器修正X轴：", "If Amend X by Encoder When Pat Arc：", ""},
        {87, "长度测试加工长度：", "Length for Test：", "mm"},
        {86, "弯弧测试加工半径：", "Radius for Test：", "mm"},
        {88, "压弧编码器修正间距（0关）：", "Amend X When Press Arc Interval：", "mm"},
        {89, "弯弧器动作的最大半径：", "Max R of Bending：", "mm"},
        {90, "拍弧回退角度（0-到空程角）：", "Pat Back Angle(0 to Space Angle)：", "deg"},
    }};
    return boxes;
}

std::span<const Caption> GyCaptions() {
    struct Table {
        std::vector<std::string> names;
        std::vector<Caption> captions;
        Table() {
            const auto& boxes = GyBoxes();
            names.reserve(2 * kGyBoxes);
            for (int i = 0; i < kGyBoxes; ++i) names.push_back(Indexed("Label1", i));
            for (int i = 0; i < kGyBoxes; ++i) names.push_back(Indexed("Label2", i));
            for (int i = 0; i < kGyBoxes; ++i) {
                const GyBox& b = boxes[static_cast<std::size_t>(i)];
                captions.push_back({names[static_cast<std::size_t>(i)].c_str(), b.zh, b.en});
            }
            for (int i = 0; i < kGyBoxes; ++i) {
                const GyBox& b = boxes[static_cast<std::size_t>(i)];
                captions.push_back({names[static_cast<std::size_t>(kGyBoxes + i)].c_str(), b.unit, b.unit});
            }
            captions.push_back({"Label17", "运行模式：", "运行模式："});
            captions.push_back({"Option1", "加工模式", "Processing"});
            captions.push_back({"Option2", "调试模式", "Test"});
            captions.push_back({"Command1", "保存", "Save"});
            captions.push_back({"Command2", "返回", "Return"});
        }
    };
    static const Table table;
    return table.captions;
}

std::string GyTitle(const ParamStore& st) {
    return DialogTitle(Tr(st.gLanguage, "工艺参数设置", "Technological Parameter Setup"), st);
}

// ---- layout ---------------------------------------------------------------

namespace {

// Two columns of thirteen rows: the box index in each row.
constexpr int kLeftColumn[13] = {0, 1, 2, 3, 23, 4, 5, 17, 19, 21, 24, 27, 28};
constexpr int kRightColumn[13] = {6, 7, 8, 9, 10, 16, 15, 18, 20, 22, 25, 26, 29};
// Frame1: two rows of two boxes.
constexpr int kFrameBoxes[2][2] = {{14, 12}, {13, 11}};

constexpr int kRowTop = 300;
constexpr int kRowPitch = 340;
constexpr int kBoxWidth = 1000;
constexpr int kBoxHeight = 285;
constexpr int kUnitWidth = 480;
constexpr int kGap = 60;

// A box at (x, top), its caption ending left of it from `labelLeft`.
GyBoxPlace PlaceAt(int labelLeft, int x, int top, bool inFrame) {
    GyBoxPlace p;
    p.inFrame1 = inFrame;
    // The caption takes the row's whole height, room for a second line.
    p.label = {labelLeft, top - (kRowPitch - kBoxHeight) / 2, x - kGap - labelLeft, kRowPitch};
    p.text = {x, top, kBoxWidth, kBoxHeight};
    p.unit = {x + kBoxWidth + kGap, top, kUnitWidth, kBoxHeight};
    return p;
}

}  // namespace

GyBoxPlace GyPlace(int index) {
    for (int r = 0; r < 13; ++r) {
        const int top = kRowTop + r * kRowPitch;
        if (kLeftColumn[r] == index) return PlaceAt(60, 3120, top, false);
        if (kRightColumn[r] == index) return PlaceAt(4740, 8010, top, false);
    }
    for (int r = 0; r < 2; ++r) {
        const int top = 240 + r * 360;
        if (kFrameBoxes[r][0] == index) return PlaceAt(120, 2490, top, true);
        if (kFrameBoxes[r][1] == index) return PlaceAt(4140, 6150, top, true);
    }
    return {};
}

GyLayout GyLayoutFor(int16_t userLevel) {
    GyLayout l;
    l.width = 9780;
    l.frame1Visible = userLevel == 2;
    l.height = l.frame1Visible ? 7320 : 5800;
    l.clientHeight = l.height - 450;
    l.frame1 = {630, 4890, 8235, 1395};
    l.label17 = {120, 990, 2310, kBoxHeight};
    l.option1 = {2490, 960, 1500, 345};
    l.option2 = {4140, 960, 1500, 345};
    const int buttonTop = l.height - 1000;
    l.command1 = {6900, buttonTop, 1215, 420};
    l.command2 = {8265, buttonTop, 1215, 420};
    return l;
}

// ---- handlers -------------------------------------------------------------

namespace {

void CopyLine(SysPara& to, const SysPara& from, int line) {
    const SysParaField& f = SysParaFields()[static_cast<std::size_t>(line - 1)];
    auto dst = f.ref(to);
    auto src = f.ref(const_cast<SysPara&>(from));
    std::visit([&](auto* d) { *d = *std::get<decltype(d)>(src); }, dst);
}

}  // namespace

void GyForm::Form_Load() {
    const SysPara& table = program_.params.gSysParaTable;
    layout = GyLayoutFor(program_.params.gUserLevel);
    for (int i = 0; i < kGyBoxes; ++i) {
        Text1[static_cast<std::size_t>(i)] =
            FieldText(SysParaValue(table, GyBoxes()[static_cast<std::size_t>(i)].line));
        Text1_Change(i, Text1[static_cast<std::size_t>(i)]);
    }
    Option1 = Option2 = false;
    if (table.gRunMode == 0) Option1_Click();
    else if (table.gRunMode == 1) Option2_Click();
    copy_ = table;
}

bool GyForm::Text1_Change(int index, std::string_view text) {
    if (index < 0 || index >= kGyBoxes) return false;
    const auto i = static_cast<std::size_t>(index);
    const int line = GyBoxes()[i].line;
    if (TakeFieldText(copy_, line, text, program_.op(), program_.language())) {
        Text1[i] = std::string(text);
        return true;
    }
    Text1[i] = FieldText(SysParaValue(copy_, line));
    return false;
}

void GyForm::Option1_Click() {
    Option1 = true;
    Option2 = false;
    copy_.gRunMode = 0;
}

void GyForm::Option2_Click() {
    Option1 = false;
    Option2 = true;
    copy_.gRunMode = 1;
}

bool GyForm::Command1_Click() {
    if (Option1) copy_.gRunMode = 0;
    else if (Option2) copy_.gRunMode = 1;
    SysPara& table = program_.params.gSysParaTable;
    const SysPara before = table;
    for (const GyBox& b : GyBoxes()) CopyLine(table, copy_, b.line);
    CopyLine(table, copy_, kGyRunModeLine);
    return SaveGroupTable(program_, before);
}

}  // namespace velbend
