// IO_Model: the model of IO_Form, the IO map of the motion card and its monitor.  Every input and
// output of card 0 that serves the machine has a row with a lamp; a 200 ms
// poll colours the lamps from the card; five buttons and (at user level 2)
// the output captions switch outputs by hand.  The card's output register
// is the only state.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "velbend/forms/dialog_common.h"
#include "velbend/forms/program.h"

namespace velbend {

// One row of the IO map.  `bit` is the input or output number on card 0
// (inputs active at 0, outputs on at 1), `label` the caption's control,
// `lamp` the index of its lamp (Shape1 for inputs, Shape2 for outputs).
struct IoRow {
    int bit;
    const char* label;
    int lamp;
    bool polled;
    const char* zh;
    const char* en;
};
std::span<const IoRow> IoInputs();    // Label1 .. Label20 (Label15..18 empty rows)
std::span<const IoRow> IoOutputs();   // Label21(0) .. Label21(7)

// Captions of the dialog: title ("Form"), frames, buttons, rows.
std::span<const Caption> IO_Captions();

// Colour of a lamp.  Neutral: the card gave no level (no card, or a call it
// refused), so nothing can be told about the signal.
enum class Lamp { Background, Red, Green, Neutral };

class IO_Model {
public:
    explicit IO_Model(Program& program);

    // The buttons that the machine cannot use are disabled: cutter out and
    // back with a motor cutter, the bending mechanism unless there is one.
    void Form_Load();
    // Poll (every 200 ms): outputs 0..7, then inputs 2, 8, 14, 20, 16, 17, 18, 19.
    void Timer1_Timer();
    // 0 cutter rotate, 1 cutter out, 2 cutter back, 3 pressing, 4 bending
    // mechanism; each only while the machine's state admits a start, but
    // Cutter Back, which ends a stroke, in every state.
    void Command1_Click(int16_t Index);
    // A click on output caption i switches that output (user level 2 only,
    // and only while the machine's state admits a start).
    void Label21_Click(int16_t Index);

    Lamp Shape1(int index) const { return inputs_.at(static_cast<std::size_t>(index)); }
    Lamp Shape2(int index) const { return outputs_.at(static_cast<std::size_t>(index)); }
    bool Enabled(std::string_view button) const;   // "Command1(1)", ...

private:
    bool CardPresent();
    void ShowOutput(int i, bool present);
    void Toggle(int bit);

    Program& program_;
    std::array<Lamp, 20> inputs_{};
    std::array<Lamp, 8> outputs_{};
    std::array<bool, 5> buttons_{true, true, true, true, true};
};

}  // namespace velbend
