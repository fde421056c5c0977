// GY1_Form, the operator's technological-parameter dialog (user level 0):
// the process values an operator may change, kept in a working copy until
// Save; the calibration panel (Frame6) of the feed and encoder pulse
// equivalents; the tool-setting panel (Frame5); the slotting tests; the
// material-pressing toggle; Stop; the 200 ms encoder-count display.  In the
// second build it also carries the main window's two machining options
// (Check4 "Encoder Enabled" mirrors the main window's Check3, Check5 "Seek
// Before Work" its Check2).
//
// GY1_Model holds every control of the window as plain data, found by the
// control's name ("Text1(3)", "Frame6", "Form" for the window's title), and
// the handlers named after control and event.  A view shows the controls
// and forwards the operator's actions:
//   typing       SetText(name, text)   (runs the box's change rule)
//   a check box  SetValue(name, v)     (runs its click handler)
//   a button     CommandN_Click(i), Command7_MouseDown/Up(i)
//   200 ms timer Timer1_Timer()
// and after each of them shows the controls again.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "velbend/forms/dialog_common.h"
#include "velbend/forms/program.h"
#include "velbend/machine/dialog_motion.h"

namespace velbend {

// One control's state.  Text: the caption or the box's text (UTF-8);
// Value: a check box's value (0/1).
struct GY1_Control {
    std::string Text;
    int16_t Value = 0;
    bool Visible = true;
    bool Enabled = true;
};

// Placement of one control at design time, in twips relative to its
// container ("" for the dialog itself).
struct GY1_Place {
    enum class Kind { Frame, Label, Text, Button, HoldButton, Check };
    Kind kind;
    const char* name;
    const char* container;
    int left, top, width, height;
    const char* text;      // design text (captions are set by XianShiCE)
    bool visible = true;
    bool enabled = true;
    bool locked = false;   // a box the operator cannot type into
};

// The dialog's controls in creation order (containers before what they
// hold); the second build adds Check4 and Check5 beside the Save, Return
// and Stop buttons.
std::vector<GY1_Place> GY1_Layout(bool secondBuild);
// Width and height of the dialog's client area in twips.
std::pair<int, int> GY1_ClientSize(bool secondBuild);
// The caption table (both builds; "Form" is the title before the group name).
std::span<const Caption> GY1_Captions();

// Titles of the calibration panel (Text7); the panel is the feed panel when
// Text7 equals either feed title.
inline constexpr const char* kFeedPanelTitleZh = " 送料轴脉冲当量校准";
inline constexpr const char* kFeedPanelTitleEn = " Feeding Axis Pulse Equivalent Adjust";
inline constexpr const char* kEncoderPanelTitleZh = " 编码器脉冲当量校准";
inline constexpr const char* kEncoderPanelTitleEn = " Encoder Pulse Equivalent Adjust";

class GY1_Model {
public:
    explicit GY1_Model(Program& program);

    // ---- controls -----------------------------------------------------------
    GY1_Control& C(std::string_view name);
    GY1_Control& C(std::string_view base, int index) { return C(Indexed(base, index)); }
    const std::map<std::string, GY1_Control, std::less<>>& Controls() const { return controls_; }
    // The operator (or code) puts text into a box: stored, and the box's
    // change rule runs when the text changed.
    void SetText(std::string_view name, std::string text);
    // A check box gets a value: stored, and its click handler runs when the
    // value changed.
    void SetValue(std::string_view name, int16_t value);

    // ---- loading and captions -------------------------------------------------
    // Fills the dialog from the tables and the main window (the window icon
    // is the view's).
    void Form_Load();
    void XianShiCE();

    // ---- field rules ------------------------------------------------------------
    void Text1_Change(int Index);
    void Text5_Change(int Index);
    void Check1_Click();
    // Second build: write the value through to the main window.
    void Check4_Click();
    void Check5_Click();

    // ---- buttons -----------------------------------------------------------------
    // 0 Save, 1 Return, 2 Stop.  True when the dialog is to close.
    bool Command2_Click(int Index);
    // 0 feed calibration panel, 1 encoder calibration panel, 2 slotting test
    // (forward motor), 3 tool-setting panel, 4 pressing toggle.
    void Command1_Click(int Index);
    // 0 front, 1 back slotting test (swinging cutter).
    void Command3_Click(int Index);
    // 0 set tool, 1 zero, 2 close the panel, 3 back.
    void Command4_Click(int Index);
    // 0 marking line, 1 pressing toggle, 2 calculate, 3 reset, 4 move,
    // 5 close the panel, 8 clear the count (6 and 7 act while held).
    // Calculate scales the equivalent the panel's last Move ran on (the
    // stored feed or encoder equivalent; before a Move, the one a Move would
    // run on), not the old-equivalent box that Reset sets to the unsaved
    // result: a further round before Save converges.
    void Command7_Click(int Index);
    // 6 feeding, 7 return material: an endless jog of axis 1 while held.
    void Command7_MouseDown(int Index);
    void Command7_MouseUp(int Index);
    // The dialog hides or closes: a jog still held ends here.
    void ReleaseJogs();

    // ---- encoder-count display (every 200 ms) ---------------------------------
    void Timer1_Timer();

    // True while Frame6 is the feed-axis calibration panel.
    bool FeedPanel();

    // ---- working copy ---------------------------------------------------------------
    double mFeedEquiv = 0;
    double mEncoderEquiv = 0;
    int16_t mSplicePause = 0;
    double mArcPowerP = 0;
    double mArcPowerN = 0;
    double mArcCompP = 0;
    double mArcCompN = 0;
    double mDownDistFront = 0;
    double mDownDistBack = 0;
    int16_t mSeekZeroBeforeForward = 0;
    std::array<double, 3> mCutStrokes{};
    double mCutOffStroke = 0;
    int16_t mCutTimes = 0;
    double mToolPosZ = 0;
    int16_t mSkipCheckClick = 0;

private:
    MachineContext& ctx() { return program_.ctx; }
    // A 16-bit box: the value when it fits, else the text is remembered as
    // refused (Save reports it and saves nothing) and the copy is kept.
    void TakeShort(int16_t& copy, std::string_view box);
    void ApplyCalibrationResult();
    void CalibrationMove();
    void StartSlotProgram(int kind);

    Program& program_;
    std::map<std::string, GY1_Control, std::less<>> controls_;
    // The feed jog that a press of Command7(6) (1 feeding) or (7) (-1 return
    // material) started.
    DialogJogs jogs_;
    // The equivalent that governed the panel's last Move since it opened
    // (the feed's pulse equivalent, or the encoder's in the encoder panel).
    std::optional<double> moveEquiv_;
    // Boxes whose text did not fit their 16-bit value, with that text.
    std::map<std::string, std::string, std::less<>> refused_;
};

}  // namespace velbend
