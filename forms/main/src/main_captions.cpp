#include "velbend/forms/main_captions.h"


namespace velbend {
namespace {

constexpr MainCaption kCaptions[] = {
    // Control panel.
    {{"Check1", "单步步长：", "Step："}},
    {{"Check2", "加工前回零", "Seek Before"}},
    {{"Check3", "打开编码器", "Encoder Enabled"}},
    {{"Check4", "加工前回零", "Seek Before"}},
    {{"Command_SL", "送  料", "Feeding"}},
    {{"Command_TL", "退  料", "Return Material"}},
    {{"Command_XZ", "回 零", "SeekZero"}},
    {{"Command_Z1", "弯 弧 回 零", "Bend SeekZero"}},
    {{"Command_Z3", "切 刀 回 零", "Cutter SeekZero"}},
    {{"Command1", "轮廓偏移", "Contour offset"}},
    {{"Command10(0)", "设备综合设置", "Machine Setup"}},
    {{"Command10(1)", "电机综合设置", "Axis Setup"}},
    {{"Command10(2)", "IO配置设置", "IO Setup"}},
    {{"Command10(3)", "工艺参数设置", "Technological Parameter Setup"}},
    {{"Command10(4)", "曲率表设置", "Curvature Setup"}},
    {{"Command10(5)", "用户设置", "User Setup"}},
    // Frames and labels.
    {{"Frame1", "送料", "Feeding"}},
    {{"Frame2", "弯弧-摆刀-下刀  回零", "Bend-Swing-Down  SeekZero"}},
    {{"Frame3", "加工", "Machining"}},
    {{"Frame5", "机器状态信息", "Machine State Information"}, true},
    {{"Frame6", "加工字形信息", "Processing Shape Information"}},
    {{"Label1(0)", "送料速度：", "Feedrate："}},
    {{"Label1(1)", "接料长度：", "Connecting："}},
    {{"Label1(2)", "加工次数：", "Times："}},
    {{"Label1(3)", "送料长度：", "Feeding Length："}, true},
    {{"Label1(4)", "弯弧转角：", "Bending Angle："}, true},
    {{"Label1(5)", "下刀深度：", "Down Depth："}, true},
    {{"Label1(7)", "送料速度：", "Feedrate："}, true},
    {{"Label1(8)", "加工文件路径：", "File Path："}},
    {{"Label1(9)", "选定字形长度：", "Selected Length："}},
    {{"Label1(10)", "加工总长度：", "Total Length："}},
    {{"Label1(11)", "剩余加工长度：", "Remaining Length ："}},
    {{"Label1(12)", "雕刻刀补偿：", "Radius："}},
    {{"Label2(0)", "铣刀转动", "Cutter Rotate"}, true},
    {{"Label2(1)", "材料压紧", "Material Pressing"}, true},
    {{"Label3(0)", "送料零位开关", "Feeding Zero Switch"}, true},
    {{"Label3(1)", "弯弧零位开关", "Bending Zero Switch"}, true},
    {{"Label3(2)", "下刀零位开关", "Down Zero Switch"}, true},
    // Menus and tabs.
    {{"帮助", "帮助", "Help"}},
    {{"打开", "打开", "Open"}},
    {{"关闭", "关闭", "Close"}},
    {{"关于我们", "关于我们", "About Us"}},
    {{"退出", "退出", "Exit"}},
    {{"文件", "文件", "File"}},
    {{"TabStrip1.Tab(1)", "控制", "Control"}},
    {{"TabStrip1.Tab(2)", "设置", "Setup"}},
    {{"TabStrip2.Tab(1)", "加工基本信息", "Processing Basic Information"}, true},
    {{"TabStrip2.Tab(2)", "字形详细信息", "Shape Detail Information"}, true},
    {{"视图", "视图", "View"}},
    {{"还原视图", "还原视图", "Restore view"}},
    {{"字形Y镜向", "字形Y镜向", "Y-Mirror"}},
    {{"取消选择", "取消选择", "Cancel Select"}},
    {{"查看选择面积", "查看选择面积", "Select Area"}},
    {{"节点", "节点", "Node"}},
    {{"删除节点", "删除节点", "Delete Node"}},
    {{"取消删除", "取消全部删除", "Cancel All Delete"}},
    {{"取消前一个删除", "取消前一个删除", "Cancel Delete Before"}},
    {{"增加节点", "增加节点", "Add Node"}},
    {{"取消增加", "取消全部增加", "Cancel All Add"}},
    {{"取消前一个增加", "取消前一个增加", "Cancel Add Before"}},
    // Slotting-output frame, output and parameter menus.
    {{"Label5(0)", "文件名：", "File Name："}},
    {{"Label5(1)", "开槽深度（Z方向）：", "Depth （Z）："}},
    {{"Label5(2)", "材料宽度（X方向）：", "Width （X）："}},
    {{"Label5(3)", "加工时主轴转速：", "MainAixs Speed："}},
    {{"Label5(4)", "加工时进给速度：", "Machine Feedrate："}},
    {{"Command2(0)", "输出", "Output"}},
    {{"Command2(1)", "取消", "Cancel"}},
    {{"输出", "输出", "Output"}},
    {{"字形PLT", "字形PLT", "ShapePLT"}},
    {{"开槽程序", "开槽程序", "Slotting Program"}},
    {{"参数", "参数", "Parameter"}},
    {{"切换参数组", "切换参数组", "Switch Parameter"}},
    {{"当前参数组", "当前参数组", "Current Parameter"}},
    // Parameter-group frame and machine debug.
    {{"Text12", "参数组管理切换", "Switch Parameter Group"}},
    {{"Frame8(0)", "设备参数组", "Machine Parameter"}},
    {{"Frame8(1)", "曲率表参数组", "Curvature Parameter"}},
    {{"Command3(0)", "保存说明", "Save Group Explain"}},
    {{"Command3(1)", "切换参数", "Switch"}},
    {{"Command3(2)", "关  闭", "Close"}},
    {{"Frame9", "机器调试", "Machine Adjust"}},
    {{"Command4(0)", "送料长度修正", "Feed Length Adjust"}},
    {{"Command4(1)", "弯弧力度修正", "Arc Power Adjust"}},
    {{"Command4(2)", "开槽深度调整", "Slot Depth Adjust"}},
    {{"Command3(3)", "复制当前参数至所有组", "Copy to Others"}},
    {{"Command3(4)", "复制当前参数至所有组", "Copy to Others"}},
};

constexpr Caption kFixed[] = {
    {"Languige", "语言(Language)", "语言(Language)"},
    {"Chinese", "中文(Chinese)", "中文(Chinese)"},
    {"English", "英文(English)", "英文(English)"},
    {"StepCommand", "单步测试", "单步测试"},
    {"Text10", " 输出字形开槽G代码程序", " 输出字形开槽G代码程序"},
    {"Label0(5)", "mm/min", "mm/min"},
    {"Label0(6)", "mm", "mm"},
    {"Label0(7)", "mm", "mm"},
    {"Label0(8)", "mm", "mm"},
    {"Label0(9)", "mm", "mm"},
    {"Label0(0)", "mm", "mm"},
    {"Label0(1)", "deg", "deg"},
    {"Label0(2)", "mm", "mm"},
    {"Label0(4)", "mm/min", "mm/min"},
};

}  // namespace

std::span<const MainCaption> MainCaptions() { return kCaptions; }
std::span<const Caption> FixedMainCaptions() { return kFixed; }

const char* TitleSuffix(bool secondBuild) { return secondBuild ? " Korvo-V2.2.1" : " Korvo-V2.2.0"; }

std::string BuiltInTitle(bool secondBuild, int16_t language) {
    std::string t = language == 0 ? "奥斯特尔-数控围字机控制系统" : "Ostrel-Numerical Bending Machine Control System ";
    return t + (secondBuild ? "Korvo-V2.2.1" : "Korvo-V2.2.0");
}

std::string MainTitle(const std::string& titleText, bool secondBuild, int16_t language) {
    if (!titleText.empty()) return titleText + TitleSuffix(secondBuild);
    return BuiltInTitle(secondBuild, language);
}

std::string TabName(int strip, int tab) {
    return "TabStrip" + std::to_string(strip) + ".Tab(" + std::to_string(tab) + ")";
}

}  // namespace velbend
