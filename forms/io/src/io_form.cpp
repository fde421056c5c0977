#include "velbend/forms/io_form.h"

#include <vector>

#include "velbend/machine/cutter_back.h"

namespace velbend {
namespace {

const IoRow kInputs[] = {
    {0, "Label1", 0, false, "IN0  X轴正限位", "IN0  X Positive Limit"},
    {1, "Label2", 1, false, "IN1  X轴负限位", "IN1  X Negative Limit"},
    {2, "Label11", 8, true, "IN2  X轴零位开关", "IN2  X Zero Switch"},
    {6, "Label3", 2, false, "IN6  Y轴正限位", "IN6  Y Positive Limit"},
    {7, "Label4", 3, false, "IN7  Y轴负限位", "IN7  Y Negative Limit"},
    {8, "Label12", 9, true, "IN8  Y轴零位开关", "IN8  Y Zero Switch"},
    {12, "Label5", 4, false, "IN12  Z轴正限位", "IN12  Z Positive Limit"},
    {13, "Label6", 5, false, "IN13  Z轴负限位", "IN13  Z Negative Limit"},
    {14, "Label13", 10, true, "IN14  Z轴零位开关", "IN14  Z Zero Switch"},
    {16, "Label9", 16, true, "IN16  刀出到位检测", "IN16  Cutter Out Detection"},
    {17, "Label10", 17, true, "IN17  刀回到位检测", "IN17  Cutter Back Detection"},
    {18, "Label7", 6, false, "IN18  A轴正限位", "IN18  A Positive Limit"},
    {18, "Label19", 18, true, "IN18 手动送料按键", "IN18 Feed Button"},
    {19, "Label8", 7, false, "IN19  A轴负限位", "IN19  A Negative Limit"},
    {19, "Label20", 19, true, "IN19 手动退料按键", "IN19 Back Button"},
    {20, "Label14", 11, true, "IN20  A轴零位开关", "IN20  A Zero Switch"},
    // Four empty rows of the right column.
    {-1, "Label15", 12, false, "", ""},
    {-1, "Label16", 13, false, "", ""},
    {-1, "Label17", 14, false, "", ""},
    {-1, "Label18", 15, false, "", ""},
};

const IoRow kOutputs[] = {
    {0, "Label21(0)", 0, true, "OUT0  切刀转动", "OUT0  Cutter Rotate"},
    {1, "Label21(1)", 1, true, "OUT1  刀切出", "OUT1  Cutter Out"},
    {2, "Label21(2)", 2, true, "OUT2  刀退回", "OUT2  Cutter Back"},
    {3, "Label21(3)", 3, true, "OUT3  材料压紧", "OUT3  Material Pressing"},
    {4, "Label21(4)", 4, true, "OUT4  弯弧器进出", "OUT4  Bending Mechanism Out"},
    {5, "Label21(5)", 5, true, "OUT5", "OUT5"},
    {6, "Label21(6)", 6, true, "OUT6", "OUT6"},
    {7, "Label21(7)", 7, true, "OUT7", "OUT7"},
};

const Caption kCaptions[] = {
    {"Form", "IO配置", "IO Setup"},
    {"Frame1", "输入口", "Input Port"},
    {"Frame2", "输出口", "Output Port"},
    {"Command1(0)", "刀转", "Cutter Rotate"},
    {"Command1(3)", "压紧", "Pressing"},
    {"Command1(2)", "刀回", "Cutter Back"},
    {"Command1(1)", "刀出", "Cutter Out"},
    {"Command1(4)", "弯弧器进出", "Bending Mechanism Out"},
    {"Command2", "返回", "Return"},
};

// The polled inputs in the order of the poll, with their lamps.
constexpr std::pair<int, int> kPolled[] = {{2, 8},  {8, 9},   {14, 10}, {20, 11},
                                           {16, 16}, {17, 17}, {18, 18}, {19, 19}};

}  // namespace

std::span<const IoRow> IoInputs() { return kInputs; }
std::span<const IoRow> IoOutputs() { return kOutputs; }

std::span<const Caption> IO_Captions() {
    static const std::vector<Caption> all = [] {
        std::vector<Caption> v(std::begin(kCaptions), std::end(kCaptions));
        for (const IoRow& r : kInputs) v.push_back({r.label, r.zh, r.en});
        for (const IoRow& r : kOutputs) v.push_back({r.label, r.zh, r.en});
        return v;
    }();
    return all;
}

IO_Model::IO_Model(Program& program) : program_(program) {
    // Nothing is known before the first poll; lamps that are not polled
    // keep the window background.
    inputs_.fill(Lamp::Background);
    for (auto [bit, lamp] : kPolled) inputs_[static_cast<std::size_t>(lamp)] = Lamp::Neutral;
    outputs_.fill(Lamp::Neutral);
}

void IO_Model::Form_Load() {
    const SysPara& t = program_.params.gSysParaTable;
    buttons_.fill(true);
    if (t.gCutterUpDownMode == 1) buttons_[1] = buttons_[2] = false;
    if (t.gBendMechanisms != 1) buttons_[4] = false;
}

bool IO_Model::Enabled(std::string_view button) const {
    for (int i = 0; i < 5; ++i)
        if (button == Indexed("Command1", i)) return buttons_[static_cast<std::size_t>(i)];
    return true;
}

// Card 0 answers: a refused status query means no card (or no library),
// whose refused reads would otherwise look like levels.
bool IO_Model::CardPresent() {
    int32_t s = 0;
    return program_.ctx.card.get_status(0, 1, &s) == 0;
}

// A level the card did not give tells nothing: the lamp is neutral.
void IO_Model::ShowOutput(int i, bool present) {
    const int32_t v = present ? program_.ctx.card.get_out(0, i) : -1;
    outputs_[static_cast<std::size_t>(i)] = v == 1 ? Lamp::Red : v == 0 ? Lamp::Background : Lamp::Neutral;
}

void IO_Model::Timer1_Timer() {
    Card& card = program_.ctx.card;
    const bool present = CardPresent();
    for (int i = 0; i <= 7; ++i) ShowOutput(i, present);
    for (auto [bit, lamp] : kPolled) {
        const int32_t v = present ? card.read_bit(0, bit) : -1;
        inputs_[static_cast<std::size_t>(lamp)] = v == 0 ? Lamp::Green : v == 1 ? Lamp::Background : Lamp::Neutral;
    }
}

void IO_Model::Toggle(int bit) {
    Card& card = program_.ctx.card;
    card.write_bit(0, bit, card.get_out(0, bit) == 1 ? 0 : 1);
}

void IO_Model::Command1_Click(int16_t Index) {
    if (Index < 0 || Index > 4 || !buttons_[static_cast<std::size_t>(Index)]) return;
    // The buttons drive the cutter, the pressing and the bender: not under a
    // program or a moving axis.  Cutter Back ends a stroke: in every state.
    if (Index != 2 && !MayAct(program_.ctx, CommandClass::StartMotion)) return;
    switch (Index) {
        case 0: Toggle(0); break;
        case 3: Toggle(3); break;
        case 4: Toggle(4); break;
        case 1: StartCylinderStroke(program_.ctx, 1); break;  // cutter out: the back stroke off first
        case 2: StartCylinderStroke(program_.ctx, 2); break;  // cutter back: the out stroke off first
    }
}

void IO_Model::Label21_Click(int16_t Index) {
    if (Index < 0 || Index > 7 || program_.params.gUserLevel != 2) return;
    // The outputs drive the cutter, the pressing and the bender, as the
    // buttons do: not under a program or a moving axis.
    if (!MayAct(program_.ctx, CommandClass::StartMotion)) return;
    Card& card = program_.ctx.card;
    card.write_bit(0, Index, card.get_out(0, Index) == 0 ? 1 : 0);
    ShowOutput(Index, CardPresent());  // at once, before the next poll
}

}  // namespace velbend
