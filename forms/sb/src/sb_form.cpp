#include "velbend/forms/sb_form.h"

#include <string>

#include "velbend/common/numtext.h"
#include "velbend/params/sysfile.h"

namespace velbend {
namespace {

constexpr SlotWord kSlotWords[] = {
    {'U', "上刀", "Up"},      {'D', "下刀", "Down"},    {'P', "正摆", "Positive"},
    {'N', "负摆", "Negative"}, {'F', "进刀", "Forward"}, {'B', "退刀", "Back"},
};

const Caption kCaptions[] = {
    {"Frame1", "送料设置", "Feed Setup"},
    {"Frame2", "开槽设置", "Slotting Setup"},
    {"Frame9", "弯弧设置", "Bending Setup"},
    {"Command1", "保存", "Save"},
    {"Command2", "返回", "Return"},
    {"Check1", "进刀前找零", "SeekZero Before Forward"},
    {"Label1(16)", "开槽功能测试：", "Slotting Function Test："},
    {"Label5", "夹角：", "Angle："},
    {"Command3(0)", "正面开槽", "Front Slotting"},
    {"Command3(1)", "终点开槽", "End Point Slotting"},
    {"Command3(2)", "起点开槽", "Start Point Slotting"},
    {"Command3(3)", "回零", "SeekZero"},
    {"Command3(4)", "背面开槽", "Back Slotting"},
    {"Command4(0)", "正向弯弧", "Positive Bending"},
    {"Command4(1)", "负向弯弧", "Negative Bending"},
    {"Command4(2)", "回零", "SeekZero"},
    {"Command5(0)", "送料", "Feeding"},
    {"Command5(1)", "退料", "Return Material"},
    {"Command5(2)", "材料压紧", "Pressing"},
    {"Command6(0)", "切刀回", "Cutter Back"},
    {"Command6(1)", "切刀出", "Cutter Out"},
    {"Command6(2)", "切刀回零", "Cutter Zero"},
    {"Check2", "单步步长：", "Step："},
    {"Check3", "单步步长：", "Step："},
    // Labels of the parameter fields.
    {"Label1(0)", "切刀刀刃角度：", "Cutter Blade Angle："},
    {"Label1(1)", "刀转控制：", "Cutter Rotate Control："},
    {"Label1(2)", "上下刀控制：", "Cutter Up/Down Control："},
    {"Label1(14)", "到位检测：", "Position Detect："},
    {"Label1(8)", "下刀行程：正切                 背切", "Down Distance：                back"},
    {"Label1(3)", "正面摆角控制：", "Positive Swing Control："},
    {"Label1(9)", "最大摆角：", "Max Swing Angle："},
    {"Label1(4)", "开槽控制：", "Slotting Control："},
    {"Label1(18)", "背面摆角控制：", "Back Swing Control："},
    {"Label1(17)", "最大摆角：", "Max Swing Angle："},
    {"Label1(5)", "进退刀控制：", "Cutter Forward/Back Control："},
    {"Label1(10)", "第一刀行程：", "First Distance："},
    {"Label1(11)", "第二刀行程：", "Second  Distance："},
    {"Label1(12)", "第三刀行程：", "Third Distance："},
    {"Label1(13)", "切断行程：", "Cut Off Distance："},
    {"Label1(6)", "开槽动作顺序：", "Slotting Sequance："},
    {"Label1(7)", "循环次数：", "Times："},
    {"Label1(15)", "回零退刀：", "Back to Zero："},
    {"Label2(0)", "机械手行程：", "Mechanical Hand Stroke："},
    {"Label3(0)", "正向空程角：", "Positive Space Angle："},
    {"Label3(1)", "负向空程角：", "Negative Space Angle："},
    {"Label3(2)", "最大弯弧角：", "Max Bending Angle："},
    {"Label3(3)", "弯弧点至开槽线距离：", "Distance from Bendig to Slotting："},
    {"Label3(4)", "弯弧器进出延时：", "Bending Mechanism Out/In Delay："},
    // Options.
    {"Option1(0)", "开槽前转动", "Rotate Bofore Slotting"},
    {"Option1(1)", "加工中一直转", "Rotate When Machining"},
    {"Option2(0)", "IO控制", "IO Control"},
    {"Option2(1)", "电机控制", "Motor Control"},
    {"Option3(0)", "IO", "IO"},
    {"Option3(1)", "延时：", "Delay："},
    {"Option4(0)", "按字形计算摆角", "According to Calculation"},
    {"Option4(1)", "不摆角", "No Swing"},
    {"Option4(2)", "按字形计算摆角", "According to Calculation"},
    {"Option4(3)", "不摆角", "No Swing"},
    {"Option5(0)", "双面切", "Double Sides"},
    {"Option5(1)", "正面切", "Front Side"},
    {"Option6(0)", "无进退", "No Forward"},
    {"Option6(1)", "电机进退", "Motor"},
    {"Option7(0)", "滚动摩擦送料", "Rolling Friction"},
    {"Option7(1)", "机械手送料", "Mechanical Hand"},
    {"Option8(0)", "无弯弧器", "No Mechanism"},
    {"Option8(1)", "单弯弧器", "Single Mechanism"},
    {"Option8(2)", "双弯弧器", "Double Mechanism"},
    // Units (the same in both languages).
    {"Label0(0)", "mm", "mm"},   {"Label0(1)", "mm", "mm"},   {"Label0(2)", "mm", "mm"},
    {"Label0(3)", "mm", "mm"},   {"Label0(4)", "mm", "mm"},   {"Label0(5)", "mm", "mm"},
    {"Label0(6)", "ms", "ms"},   {"Label0(8)", "ms", "ms"},   {"Label0(9)", "deg", "deg"},
    {"Label0(10)", "deg", "deg"}, {"Label0(11)", "deg", "deg"}, {"Label0(12)", "deg", "deg"},
    {"Label0(13)", "deg", "deg"}, {"Label0(14)", "deg", "deg"}, {"Label0(15)", "deg", "deg"},
    {"Label0(16)", "mm", "mm"},  {"Label0(17)", "mm", "mm"},  {"Label0(18)", "deg", "deg"},
};

// The plain text of a value: the classic print form without its leading
// blank ("10", "-.25", ".5").
std::string Plain(double v) {
    std::string s = Str(v);
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
    return s;
}

// The parameter line behind each text box (0: none).
int LineOf(const std::string& name) {
    static const std::map<std::string, int, std::less<>> lines = {
        {"Text1(0)", 47}, {"Text1(1)", 51}, {"Text1(2)", 52}, {"Text1(3)", 54}, {"Text1(4)", 65},
        {"Text1(5)", 57}, {"Text1(6)", 75}, {"Text2(0)", 67}, {"Text3(0)", 69}, {"Text3(1)", 70},
        {"Text3(2)", 71}, {"Text3(3)", 72}, {"Text3(4)", 73}, {"Text5(0)", 60}, {"Text5(1)", 61},
        {"Text5(2)", 62}, {"Text5(3)", 63},
    };
    auto it = lines.find(name);
    return it == lines.end() ? 0 : it->second;
}

// The option groups: the buttons of each and the parameter each sets.
struct OptionGroup {
    int group;         // OptionN
    int16_t first;     // first index of the group in the control array
    int16_t count;
    int16_t SysPara::*value;
};
const OptionGroup kOptionGroups[] = {
    {1, 0, 2, &SysPara::gCutterRotateMode}, {2, 0, 2, &SysPara::gCutterUpDownMode},
    {3, 0, 2, &SysPara::gPositionDetectMode}, {4, 0, 2, &SysPara::gSwingModeP},
    {4, 2, 2, &SysPara::gSwingModeN},       {5, 0, 2, &SysPara::gSlotSides},
    {6, 0, 2, &SysPara::gAxisKindA},        {7, 0, 2, &SysPara::gFeedMode},
    {8, 0, 3, &SysPara::gBendMechanisms},
};
const OptionGroup* GroupOf(int group, int16_t Index) {
    for (const auto& g : kOptionGroups)
        if (g.group == group && Index >= g.first && Index < g.first + g.count) return &g;
    return nullptr;
}

std::string Opt(int group, int index) { return Indexed("Option" + std::to_string(group), index); }

const std::string kEmpty;

}  // namespace

std::span<const SlotWord> SlotWords() { return kSlotWords; }
std::span<const Caption> SB_Captions() { return kCaptions; }

SB_Model::SB_Model(Program& program) : program_(program) {
    // The test fields start from their defaults at every opening.
    texts_["Text6"] = "90";
    texts_["Text7"] = "1";
    texts_["Text8"] = "100";
    checks_["Check2"] = 0;
    checks_["Check3"] = 0;
}

std::string SB_Model::Title() const {
    return DialogTitle(program_.Tr("设备综合设置", "Machine Setup"), program_.params);
}

const std::string& SB_Model::Text(std::string_view name) const {
    auto it = texts_.find(name);
    return it == texts_.end() ? kEmpty : it->second;
}
int16_t SB_Model::Checked(std::string_view name) const {
    auto it = checks_.find(name);
    return it == checks_.end() ? 0 : it->second;
}
bool SB_Model::Enabled(std::string_view name) const {
    auto it = enabled_.find(name);
    return it == enabled_.end() || it->second;
}
bool SB_Model::Visible(std::string_view name) const {
    auto it = visible_.find(name);
    return it == visible_.end() || it->second;
}

// A text set by the dialog itself raises its change handler, as typing does.
void SB_Model::SetText(const std::string& name, const std::string& text) {
    const auto open = name.find('(');
    const std::string base = name.substr(0, open);
    const auto index = static_cast<int16_t>(open == std::string::npos ? 0 : std::stoi(name.substr(open + 1)));
    if (base == "Text1") Text1_Change(index, text);
    else if (base == "Text2") Text2_Change(index, text);
    else if (base == "Text3") Text3_Change(index, text);
    else if (base == "Text5") Text5_Change(index, text);
    else texts_[name] = text;
}

void SB_Model::SelectOption(int group, int16_t Index) {
    const OptionGroup* g = GroupOf(group, Index);
    if (!g) return;
    for (int16_t i = g->first; i < g->first + g->count; ++i) checks_[Opt(group, i)] = i == Index ? 1 : 0;
}

void SB_Model::Form_Load() {
    const SysPara& t = program_.params.gSysParaTable;
    work_ = t;
    auto select = [&](int group, int16_t first, int16_t value) {
        // A stored value without a button selects none; the value is kept.
        const OptionGroup* g = GroupOf(group, first);
        if (value >= 0 && value < g->count) Option_Click(group, static_cast<int16_t>(first + value));
    };
    SetText("Text1(0)", Plain(t.gCutterAngle));
    select(1, 0, t.gCutterRotateMode);
    select(2, 0, t.gCutterUpDownMode);
    select(3, 0, t.gPositionDetectMode);
    SetText("Text1(1)", Plain(t.gPositionDetectDelay));
    SetText("Text1(2)", Plain(t.gDownDistFront));
    SetText("Text1(6)", Plain(t.gDownDistBack));
    select(4, 0, t.gSwingModeP);
    SetText("Text1(3)", Plain(t.gMaxSwingAngleP));
    select(5, 0, t.gSlotSides);
    select(4, 2, t.gSwingModeN);
    SetText("Text1(5)", Plain(t.gMaxSwingAngleN));
    select(6, 0, t.gAxisKindA);
    // Showing the stored value is no edit: the box is set without its click.
    checks_["Check1"] = t.gSeekZeroBeforeForward == 0 ? 0 : 1;
    for (int k = 0; k < 3; ++k) SetText(Indexed("Text5", k), Plain(t.gCutStrokes[static_cast<std::size_t>(k)]));
    SetText("Text5(3)", Plain(t.gCutOffStroke));
    SetText("Text5(4)", Plain(-t.gAxisPara[4].ZeroCompDistance));
    // The sequence boxes show the word of each stored letter; a letter
    // outside the six leaves its box without a choice.
    for (int k = 0; k < 4; ++k) {
        std::string word;
        if (k < static_cast<int>(t.gSlotLetters.size()))
            for (const SlotWord& w : kSlotWords)
                if (w.letter == t.gSlotLetters[static_cast<std::size_t>(k)])
                    word = program_.language() == 0 ? w.zh : w.en;
        texts_[Indexed("Combo1", k)] = word;
    }
    SetText("Text1(4)", Plain(t.gCutTimes));
    select(7, 0, t.gFeedMode);
    SetText("Text2(0)", Plain(t.gHandStroke));
    select(8, 0, t.gBendMechanisms);
    for (int k = 0; k <= 4; ++k) {
        static constexpr double SysPara::*kBend[] = {&SysPara::gSpaceAngleP, &SysPara::gSpaceAngleN,
                                                     &SysPara::gMaxBendAngle, &SysPara::gBendToSlotDist,
                                                     &SysPara::gBendMechDelay};
        SetText(Indexed("Text3", k), Plain(t.*kBend[k]));
    }
    EnableMechanismDelay(t.gBendMechanisms == 1);
    LogicLimit();
    if (program_.params.gUserLevel == 0) {
        // A machine user looks at the settings; only the cutter buttons,
        // Stop and Return act.
        for (const char* n : {"Frame1", "Frame2", "Frame9", "Frame10", "Command1"}) Enable(n, false);
    }
}

// ---- field handlers ---------------------------------------------------------

void SB_Model::Text1_Change(int16_t Index, std::string_view text) {
    const std::string name = Indexed("Text1", Index);
    texts_[name] = text;
    if (const int line = LineOf(name)) TakeFieldText(work_, line, text, program_.op(), program_.language());
    if (Index == 4) StrokeRule();
}

// The strokes beyond the number of cuts are greyed and set to 0 (only while
// the cutter has a motor-driven forward/back feed).
void SB_Model::StrokeRule() {
    if (!(Enabled("Option6(1)") && Checked("Option6(1)") == 1)) return;
    for (int k = 0; k < 3; ++k) {
        const bool on = k + 1 <= work_.gCutTimes;
        for (const std::string& n : {Indexed("Text5", k), Indexed("Label1", 10 + k), Indexed("Label0", 1 + k)})
            Enable(n, on);
        if (!on) {
            work_.gCutStrokes[static_cast<std::size_t>(k)] = 0;
            SetText(Indexed("Text5", k), "0");
        }
    }
}

void SB_Model::Text2_Change(int16_t Index, std::string_view text) {
    const std::string name = Indexed("Text2", Index);
    texts_[name] = text;
    if (Index != 0) return;
    // The hand stroke takes only a whole number text; anything else keeps
    // the previous value.  A number still being typed ("", "-", ".", "1e")
    // is kept silently; any other text is answered with a message.
    if (IsNumeric(text)) {
        work_.gHandStroke = Val(text);
    } else if (!IsNumeric(std::string(text) + "0")) {
        program_.op().MsgBox(std::string(program_.Tr("请输入数字：", "Please enter a number: ")) + std::string(text),
                             MsgButtons::Ok, MsgIcon::Warning, program_.ctx.TitleTips());
    }
}

void SB_Model::Text3_Change(int16_t Index, std::string_view text) {
    const std::string name = Indexed("Text3", Index);
    texts_[name] = text;
    if (const int line = LineOf(name)) TakeFieldText(work_, line, text, program_.op(), program_.language());
}

void SB_Model::Text5_Change(int16_t Index, std::string_view text) {
    const std::string name = Indexed("Text5", Index);
    texts_[name] = text;
    // Text5(4) only shows the A axis's return distance.
    if (const int line = LineOf(name)) TakeFieldText(work_, line, text, program_.op(), program_.language());
}

void SB_Model::Option_Click(int group, int16_t Index) {
    const OptionGroup* g = GroupOf(group, Index);
    if (!g) return;
    SelectOption(group, Index);
    work_.*(g->value) = static_cast<int16_t>(Index - g->first);
    if (group == 8) EnableMechanismDelay(Index == 1);
    LogicLimit();
}

void SB_Model::EnableMechanismDelay(bool on) {
    for (const char* n : {"Label3(4)", "Text3(4)", "Label0(8)"}) Enable(n, on);
}

void SB_Model::Check1_Click(int16_t value) {
    checks_["Check1"] = value == 0 ? 0 : 1;
    work_.gSeekZeroBeforeForward = value == 0 ? 0 : 1;
}

void SB_Model::StoreLetter(std::string& letters, int position, char letter) {
    // A shorter sequence (an older group file) is completed with blanks,
    // which stand for no action; the stored sequence has four letters.
    letters.resize(4, ' ');
    letters[static_cast<std::size_t>(position)] = letter;
}

void SB_Model::Combo1_Click(int16_t Index, std::string_view text) {
    if (Index < 0 || Index > 3) return;
    texts_[Indexed("Combo1", Index)] = text;
    for (const SlotWord& w : kSlotWords) {
        if (text == (program_.language() == 1 ? w.en : w.zh)) {
            StoreLetter(work_.gSlotLetters, Index, w.letter);
            return;
        }
    }
    // A typed word that is none of the six leaves the sequence as it was.
}

void SB_Model::LogicLimit() {
    auto on = [&](std::initializer_list<std::string> names, bool v) {
        for (const auto& n : names) Enable(n, v);
    };
    // 1. Cutter by outputs: the position detection applies.
    on({"Option3(0)", "Option3(1)", "Text1(1)", "Label0(6)"}, Checked("Option2(0)") == 1);
    // 2. Cutter by motor: the down distances apply.
    on({"Text1(2)", "Text1(6)", "Label1(8)", "Label0(5)"}, Checked("Option2(1)") == 1);
    // 3. Detection by a delay: the delay applies.
    on({"Text1(1)", "Label0(6)"}, Enabled("Option3(1)") && Checked("Option3(1)") == 1);
    // 4. Motor-driven forward/back feed: no swing, strokes per cut.
    const bool motor = Checked("Option6(1)") == 1;
    on({"Command3(4)", "Option4(0)", "Option4(1)", "Option4(2)", "Option4(3)", "Text1(3)", "Text1(5)",
        "Label1(9)", "Label0(12)", "Label1(17)", "Label0(11)", "Frame7", "Option5(0)", "Option5(1)"},
       !motor);
    Enable("Check1", motor);
    for (int k = 0; k < 3; ++k) {
        const bool stroke = motor && k + 1 <= work_.gCutTimes;
        on({Indexed("Text5", k), Indexed("Label1", 10 + k), Indexed("Label0", 1 + k)}, stroke);
    }
    on({"Text5(3)", "Label1(13)", "Label0(4)"}, motor);
    // 5. Mechanical hand: its stroke applies.
    on({"Text2(0)", "Label2(0)", "Label0(0)"}, Checked("Option7(1)") == 1);
    // 6. No bending mechanism: no bending fields.
    on({"Text3(0)", "Text3(1)", "Text3(2)", "Text3(3)", "Label3(0)", "Label3(1)", "Label3(2)", "Label3(3)",
        "Label0(13)", "Label0(14)", "Label0(15)", "Label0(16)"},
       Checked("Option8(0)") != 1);
    // 7. Cutter zero follows the saved cutter mode, not the dialog's choice.
    Show("Command6(2)", program_.params.gSysParaTable.gCutterUpDownMode != 0);
}

// ---- Save --------------------------------------------------------------------

bool SB_Model::Command1_Click() {
    SysPara& t = program_.params.gSysParaTable;
    const SysPara before = t;
    const SysPara& w = work_;
    t.gCutterAngle = w.gCutterAngle;
    t.gCutterRotateMode = w.gCutterRotateMode;
    t.gCutterUpDownMode = w.gCutterUpDownMode;
    t.gPositionDetectMode = w.gPositionDetectMode;
    t.gPositionDetectDelay = w.gPositionDetectDelay;
    t.gDownDistFront = w.gDownDistFront;
    t.gDownDistBack = w.gDownDistBack;
    t.gSwingModeP = w.gSwingModeP;
    t.gMaxSwingAngleP = w.gMaxSwingAngleP;
    t.gSlotSides = w.gSlotSides;
    t.gSwingModeN = w.gSwingModeN;
    t.gMaxSwingAngleN = w.gMaxSwingAngleN;
    t.gAxisKindA = w.gAxisKindA;
    t.gSeekZeroBeforeForward = w.gSeekZeroBeforeForward;
    t.gCutStrokes = w.gCutStrokes;
    t.gCutOffStroke = w.gCutOffStroke;
    t.gSlotLetters = w.gSlotLetters;
    t.gCutTimes = w.gCutTimes;
    t.gFeedMode = w.gFeedMode;
    t.gHandStroke = w.gHandStroke;
    t.gBendMechanisms = w.gBendMechanisms;
    t.gSpaceAngleP = w.gSpaceAngleP;
    t.gSpaceAngleN = w.gSpaceAngleN;
    t.gMaxBendAngle = w.gMaxBendAngle;
    t.gBendToSlotDist = w.gBendToSlotDist;
    t.gBendMechDelay = w.gBendMechDelay;
    return SaveGroupTable(program_, before);
}

}  // namespace velbend
