// JJZ_Form's model: the axis setup dialog.
//
// Four axis frames (Frame1..Frame4: X feed, Y bend, Z cutter up/down, A
// swing or forward feed), each with its seven parameter boxes
// Text<n>(1..7) bound to the axis record (PulseEquivalent, SeekZeroFeedrate,
// ManualFeedrate, Acceleration, ZeroCompDistance, ZeroCompFeedrate,
// AutoFeedrate), a step box Text<n>(0) and the buttons Command<n>(0..3)
// (forward, reverse, step, seek zero); the feed encoder frame Frame5
// (Text5(0) the encoder equivalent, Text5(1) the live count, Command6
// Clear); Stop (Command5); Save and Return (Command0(0), Command0(1)); the
// calibration panel Frame6 opened from Label1(0) (feed axis) or Label5(0)
// (encoder); in the second build a read-only position box per axis
// (XText, YText, ZText, AText).
//
// The boxes edit a working copy; Save stores it into the current group.
// Every motion uses the stored axis records, never the working copy.  The
// 200 ms dialog timer (Timer1_Timer) refreshes the count and position boxes.
//
// The model holds every box's text; Set... calls the box's change handler
// as a text box does when code sets its text.  The view shows what the
// model holds after each handler.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "velbend/forms/dialog_common.h"
#include "velbend/forms/program.h"
#include "velbend/machine/dialog_motion.h"

namespace velbend {

class JJZ_Model {
public:
    static constexpr int kAxes = 4;
    static constexpr int kRows = 7;  // parameter boxes 1..7 of an axis frame

    explicit JJZ_Model(Program& program);

    // ---- loading and captions -------------------------------------------
    // Boxes from the stored records, working copy := stored values, gating
    // by user level and encoder, mEncoderOffset := 0, Frame6 hidden.
    void Form_Load();
    // Window title: "电机综合设置-"/"Axis Setup-" and the group's name.
    std::string Title() const;
    // Captions of every named control (not the title) in the current language.
    static std::span<const Caption> Captions();
    // The fixed unit captions Label0(0..32) and the box each one follows
    // ("Text1(1)", "Text5(0)", "Text6(2)", ...).
    struct Unit {
        const char* text;
        const char* box;
    };
    static std::span<const Unit> Units();

    // ---- boxes --------------------------------------------------------------
    // The text of box `index` of array `box` (1..4 the axis frames, 5 the
    // encoder frame, 6 the calibration panel).
    const std::string& Text(int box, int index) const;
    // Code or the operator sets a box's text: the text is kept and the box's
    // change handler runs (Text1_Change .. Text5_Change).
    void SetText(int box, int index, std::string_view text);
    const std::string& Text7() const { return text7_; }   // panel title
    // Position box of axis n (second build): XText .. AText.
    const std::string& PositionText(int n) const { return pos_[static_cast<std::size_t>(n)]; }
    int16_t Check2 = 0;  // lock of the panel's encoder count

    // ---- save / return --------------------------------------------------------
    // Index 0 Save (working copy into the table, SaveSysPara of the current
    // group; a failed write leaves the table as it was); 1 Return.  True
    // when the dialog is to close.
    bool Command0_Click(int16_t Index);
    const SysPara& Working() const { return work_; }

    // ---- motion ----------------------------------------------------------------
    // Buttons Command1..Command4 of axis n: Index 0 forward, 1 reverse (held),
    // 2 step by the step box, 3 seek zero.
    void Command_MouseDown(int n, int16_t Index);
    void Command_MouseUp(int n, int16_t Index);
    // The dialog hides or closes: a jog still held ends here.
    void ReleaseJogs();
    void Command5_Click();  // Stop
    void Command6_Click();  // clear the encoder count
    // Calibration panel: 0 marking line, 1 pressing, 2 calculate, 3 reset
    // (apply), 4 move, 5 close, 6 clear.  The feed mode's Calculate scales
    // the pulse equivalent the panel's last Move ran on (before a Move, the
    // stored one a Move would run on), not the old-equivalent box that Reset
    // sets to the unsaved result; the encoder mode's is count / actual.
    void Command7_Click(int16_t Index);
    void Label1_Click(int16_t Index);  // 0: panel in feed mode
    void Label5_Click(int16_t Index);  // 0: panel in encoder mode
    void Timer1_Timer();               // 200 ms
    int32_t mEncoderOffset = 0;

    // ---- interlocks ---------------------------------------------------------
    bool SaveEnabled() const { return saveEnabled_; }
    bool FrameEnabled(int f) const { return frameEnabled_[static_cast<std::size_t>(f)]; }  // 1..5
    bool CommandEnabled(int n, int16_t Index) const;
    bool PanelVisible() const { return frame6Visible_; }
    // Text6(4), Label6(4), Check2 (encoder mode) and Command7(6).
    bool EncoderCountVisible() const { return countVisible_; }
    bool Command7ClearVisible() const { return clearVisible_; }
    bool PositionBoxesVisible() const;
    // True when the panel is in feed mode (its title is a feed title).
    bool FeedMode() const;

private:
    void Change(int box, int index);
    void SeekZero(int n);
    void MarkingLine();
    void Calculate();
    void ApplyNewEquivalent();
    void ClearCount();
    void Tell(const char* zh, const char* en);
    std::string& Box(int box, int index);

    Program& p_;
    SysPara work_;
    // [box][index]: boxes 1..4 indexes 0..7, box 5 indexes 0..1, box 6 0..4.
    std::array<std::array<std::string, 8>, 7> text_{};
    std::string text7_;
    std::array<std::string, 5> pos_{};
    DialogJogs jogs_;
    bool saveEnabled_ = true;
    std::array<bool, 6> frameEnabled_{true, true, true, true, true, true};
    std::array<std::array<bool, 4>, 5> commandEnabled_{};
    bool frame6Visible_ = false;
    // The feed's pulse equivalent the panel's last Move ran on, since the
    // panel opened.
    std::optional<double> moveEquiv_;
    bool countVisible_ = false;
    bool clearVisible_ = true;  // hidden by the feed mode only
};

}  // namespace velbend
