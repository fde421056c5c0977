// The system-parameter table of the current group, the axis records, the
// curvature tables, the pat-arc spacing table and the parameter groups.
// Plain data: one ParamStore lives in the program object and is passed by
// reference.  Names follow the machine's documentation so a reader can trace
// them; descriptions are raw GBK bytes carried from the file.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace velbend {

struct AxisPara {
    double  PulseEquivalent = 0;   // pulses per mm (per degree on a rotary axis)
    int16_t SeekZeroFeedrate = 0;  // per minute; the sign gives the direction
    int16_t ManualFeedrate = 0;
    double  Acceleration = 0;      // the card gets this x 10000
    double  ZeroCompDistance = 0;
    int16_t ZeroCompFeedrate = 0;
    int32_t AutoFeedrate = 0;      // Integer on axes 1, 3, 4; Long on axis 2
};

// The 90 entries, in file order.  Line numbers in the comments.
struct SysPara {
    double  gSlotToBendThreshold = 0;   // 1
    double  gSlotThreshold = 0;         // 2
    double  gPatBendRThreshold = 0;     // 3
    double  gBendToSlotRThreshold = 0;  // 4
    double  gPatBendCoefP = 0;          // 5
    double  gContBendCoefP = 0;         // 6
    double  gPatBendCoefN = 0;          // 7
    double  gContBendCoefN = 0;         // 8
    double  gAutoAcc = 0;               // 9
    double  gStartLenComp = 0;          // 10
    double  gEndLenComp = 0;            // 11
    double  gMillRadius = 0;            // 12
    double  gMillRadiusCoef = 0;        // 13
    double  gConDet = 0;                // 14
    double  gLineDis = 0;               // 15
    double  gPJAngle = 0;               // 16
    int16_t gComp = 0;                  // 17
    int16_t gRunMode = 0;               // 18 (always written as 0)
    std::array<AxisPara, 5> gAxisPara{};// 19-46, index 1..4 (0 unused)
    double  gCutterAngle = 0;           // 47
    int16_t gCutterRotateMode = 0;      // 48
    int16_t gCutterUpDownMode = 0;      // 49
    int16_t gPositionDetectMode = 0;    // 50
    int16_t gPositionDetectDelay = 0;   // 51
    double  gDownDistFront = 0;         // 52
    int16_t gSwingModeP = 0;            // 53
    double  gMaxSwingAngleP = 0;        // 54
    int16_t gSlotSides = 0;             // 55
    int16_t gSwingModeN = 0;            // 56
    double  gMaxSwingAngleN = 0;        // 57
    int16_t gAxisKindA = 0;             // 58
    int16_t gSeekZeroBeforeForward = 0; // 59
    std::array<double, 3> gCutStrokes{};// 60-62
    double  gCutOffStroke = 0;          // 63
    std::string gSlotLetters;           // 64 (raw bytes)
    int16_t gCutTimes = 0;              // 65
    int16_t gFeedMode = 0;              // 66
    double  gHandStroke = 0;            // 67
    int16_t gBendMechanisms = 0;        // 68
    double  gSpaceAngleP = 0;           // 69
    double  gSpaceAngleN = 0;           // 70
    double  gMaxBendAngle = 0;          // 71
    double  gBendToSlotDist = 0;        // 72
    double  gBendMechDelay = 0;         // 73
    double  gEncoderEquiv = 0;          // 74
    double  gDownDistBack = 0;          // 75
    double  gArcCompP = 0;              // 76
    double  gArcCompN = 0;              // 77
    int16_t gSplicePause = 0;           // 78
    int16_t gXEncoderPort = 0;          // 79
    double  gEncoderPrecision = 0;      // 80
    int16_t gSaveContourOffset = 0;     // 81
    int16_t gInvertEndSwing = 0;        // 82
    int16_t gFeedRetract = 0;           // 83
    double  gArcJoinAngle = 0;          // 84
    int16_t gPatArcEncoderFix = 0;      // 85
    double  gTestRadius = 0;            // 86
    double  gTestLength = 0;            // 87
    double  gPressArcFixSpacing = 0;    // 88
    double  gMaxBendRadius = 0;         // 89
    double  gPatBackAngle = 0;          // 90

    // Description text of each line, 1..90 (index 0 unused), raw GBK bytes.
    std::array<std::string, 91> desc{};
};

// One row of a curvature table: Value (bend, column 0) and Key (radius, column 1).
struct WanFuRow {
    double Value = 0;
    double Key = 0;
};

// One row of the pat-arc spacing table.
struct PfjjRow {
    double RadiusLimit = 0;
    double Spacing = 0;
};

}  // namespace velbend
