// MainPanel: plain-data view of the main window's controls that the machine
// core reads and writes.  The Qt window binds its widgets to these fields
// (copies them in before a handler and out after it, or refreshes them from
// the panel after every timer tick); tests set and read them directly.
//
// Texts are UTF-8.  Check values are 0 (clear) or 1 (ticked).  Control
// arrays keep their indexes (Label4[0..3], Text9[0..3], Shape1[0..5], ...).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velbend {

// A shape drawn over the picture box (strip-position and cutter markers),
// in the picture box's own scale units.
struct PanelMarker {
    bool   Visible = false;
    double Left = 0, Top = 0, Width = 0, Height = 0;
};

struct MainPanel {
    // Colours of the IO lamps Shape1(i).BackColor: RGB as 0xRRGGBB, or the
    // system window-background colour.
    static constexpr uint32_t kLampRed = 0xFF0000;
    static constexpr uint32_t kLampGreen = 0x00FF00;
    static constexpr uint32_t kWindowBackground = 0x80000005;

    // Label4(0): full path of the open outline ("" when none; its extension
    // tells dxf / nc / plt).  Label4(1): strip length of one piece,
    // Format(len, "0.0000") & "  mm".  Label4(2): length of the whole job,
    // same form (a run's end compares its fed length with it to choose the
    // message).  Label4(3): remaining length.
    std::array<std::string, 4> Label4{};

    // Jog frame: manual feed speed mm/min, step length mm, step check box.
    std::string Text2 = "1000";
    std::string Text3 = "60";
    int16_t     Check1 = 0;

    // Check2: seek zero of bend, cutter and swing axes before machining.
    // Check3: "打开编码器" / "Encoder Enabled"; Check3Enabled is its Enabled
    //         property (a run disables it, Stop and the run end enable it).
    // Check4: seek zero of the feed axis before machining.
    int16_t Check2 = 0;
    int16_t Check3 = 0;
    bool    Check3Enabled = true;
    int16_t Check4 = 0;

    // Text4: strip length between pieces and contours (mm); Text5: number
    // of pieces; Text6: contour-offset distance (mm); Text7: strip length fed
    // after the last piece (mm).  All read with Val.
    std::string Text4 = "10";
    std::string Text5 = "1";
    std::string Text6 = "0";
    std::string Text7 = "100";

    // Slotting G-code output frame (OutFrame): Text8 output file name,
    // Text9(0) slot depth, (1) material width, (2) spindle speed, (3) feed.
    bool OutFrameVisible = false;
    std::string Text8 = "KC_G.nc";
    std::array<std::string, 4> Text9{};

    // Machine-state boxes: commanded positions of axes 1..4 ("0.00") and the
    // feed speed in mm/min ("0.0").
    std::string TextX, TextY, TextZ, TextA, TextF;

    // IO lamps 0..5 (output 0, output 3, zero switches of axes 1..4).
    std::array<uint32_t, 6> Shape1{kWindowBackground, kWindowBackground, kWindowBackground,
                                   kWindowBackground, kWindowBackground, kWindowBackground};
    // Strip-position marker and slotting-cutter marker on the drawing.
    PanelMarker Shape2, Shape3;
    // Picture1's size in its own scale units (the markers are placed in it).
    double Picture1Width = 0, Picture1Height = 0;

    // Drawing view: centre, visible width in drawing units, height/width.
    double gViewCenterX = 0, gViewCenterY = 0, gViewWidth = 200, gViewAspect = 1;

    // Single-step controls (shown in test run mode).
    bool        StepTextVisible = false;
    std::string StepText;
    bool        StepCommandVisible = false;
    std::string StepCommandCaption;

    // In-window test frame of the calibration programs: prompt Label7,
    // Command5(0) confirm and Command5(1) cancel, entry box Text14.
    bool        TshFrameVisible = false;
    std::string Label7;
    std::array<std::string, 2> Command5{};
    std::string Text14;
    bool        Text14Visible = false;

    // Segment list box List1.
    std::vector<std::string> List1;

    // Run timer interval in ms (30 once start-up has set it).
    int Timer2Interval = 0;
};

}  // namespace velbend
